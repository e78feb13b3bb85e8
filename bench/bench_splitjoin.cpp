// Split and join of a 1 GB file into 100 MB chunks against GNU `split -b` and `cat` on the same
// file in the same run (page cache warm for both, best of three each), the peak memory of a split
// and join of 100 MB and of 1 GB (each in its own process), and the Split/Join dialog opening on a
// folder of 100,000 files.
//
// usage: bench_splitjoin [folder for the test files] [size in MB]

#include <QApplication>
#include <QListWidget>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "bench/BenchSupport.h"
#include "dialogs/SelectionListBox.h"
#include "dialogs/SplitJoinDialog.h"
#include "splitjoin/ChunkNaming.h"
#include "splitjoin/SplitJoin.h"

using namespace quillory;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

namespace {

constexpr std::uint64_t kChunk = 100'000'000;

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// File dialogs that answer from a list, in order.
class AnsweringDialogs final : public IFileDialogs {
public:
    std::vector<std::string> answers;
    std::optional<std::string> choose(const FileDialogRequest&) override
    {
        if (answers.empty())
            return std::nullopt;
        std::string answer = answers.front();
        answers.erase(answers.begin());
        return answer;
    }
};

// A fixed list of drives: the benchmark's folder is the only one.
class OneDrive final : public IDrives {
public:
    explicit OneDrive(std::string root) : m_root(std::move(root)) {}
    std::vector<std::string> roots() const override { return {m_root}; }
    std::string currentRoot() const override { return m_root; }
    bool makeCurrent(const std::string&) override { return true; }

private:
    std::string m_root;
};

void writeSource(const std::string& path, std::uint64_t size)
{
    std::vector<std::uint64_t> block(1 << 19);  // 4 MB
    std::uint64_t state = 0x9E3779B97F4A7C15u;
    FILE* file = std::fopen(path.c_str(), "wb");
    for (std::uint64_t written = 0; file != nullptr && written < size;) {
        for (std::uint64_t& word : block) {
            state ^= state << 13;
            state ^= state >> 7;
            state ^= state << 17;
            word = state;
        }
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(size - written, block.size() * 8));
        if (std::fwrite(block.data(), 1, n, file) != n)
            break;
        written += n;
    }
    if (file == nullptr || std::fclose(file) != 0) {
        std::perror(path.c_str());
        std::exit(1);
    }
}

void readThrough(const std::string& path)
{
    std::vector<char> buffer(1 << 20);
    const int fd = ::open(path.c_str(), O_RDONLY);
    while (fd >= 0 && ::read(fd, buffer.data(), buffer.size()) > 0) {
    }
    ::close(fd);
}

void removeMatching(const std::string& folder, const std::string& prefix)
{
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename().string().rfind(prefix, 0) == 0)
            fs::remove(entry.path());
}

std::vector<std::string> ourChunks(const std::string& base, std::uint64_t size)
{
    const std::uint64_t count = chunkCount(size, kChunk);
    std::vector<std::string> chunks;
    for (std::uint64_t k = 1; k <= count; ++k)
        chunks.push_back(base + chunkExtension(k, chunkDigitWidth(count)));
    return chunks;
}

// Splits source into base.01, ... and joins them into joined; returns the milliseconds of each.
std::pair<double, double> splitAndJoin(const std::string& source, const std::string& base, const std::string& joined,
                                       std::uint64_t size)
{
    bench::PrintedMessageBoxes boxes;
    AnsweringDialogs dialogs;
    std::string status;
    const SplitJoinHost host{boxes, dialogs, [&](const std::string& text) { status = text; }};
    dialogs.answers = {source, base};
    auto start = Clock::now();
    splitFile(host, "/", ChunkCustom, std::to_string(kChunk));
    const double splitMs = millisecondsSince(start);
    if (status != kStatusFinished)
        std::printf("  split ended with status %s\n", status.c_str());
    dialogs.answers = {joined};
    start = Clock::now();
    joinFiles(host, "/", ourChunks(base, size));
    const double joinMs = millisecondsSince(start);
    if (status != kStatusFinished)
        std::printf("  join ended with status %s\n", status.c_str());
    return {splitMs, joinMs};
}

double runShell(const std::string& command)
{
    const auto start = Clock::now();
    if (std::system(command.c_str()) != 0)
        std::printf("  failed: %s\n", command.c_str());
    return millisecondsSince(start);
}

void compareWithCoreutils(const std::string& folder, std::uint64_t size)
{
    const std::string source = folder + "/source.bin";
    writeSource(source, size);
    readThrough(source);
    const double mb = static_cast<double>(size) / 1e6;
    std::printf("split and join of %.0f MB into %llu MB chunks, page cache warm, best of 3:\n", mb,
                static_cast<unsigned long long>(kChunk / 1'000'000));
    double ourSplit = 1e300, ourJoin = 1e300, gnuSplit = 1e300, gnuJoin = 1e300;
    for (int round = 0; round < 3; ++round) {
        ::sync();
        const auto [splitMs, joinMs] = splitAndJoin(source, folder + "/ours", folder + "/ours-joined", size);
        ourSplit = std::min(ourSplit, splitMs);
        ourJoin = std::min(ourJoin, joinMs);
        if (round == 0 && std::system(("cmp -s " + source + " " + folder + "/ours-joined").c_str()) != 0)
            std::printf("  THE JOINED FILE DIFFERS FROM THE SOURCE\n");
        removeMatching(folder, "ours");
        ::sync();
        gnuSplit =
            std::min(gnuSplit, runShell("split -b " + std::to_string(kChunk) + " " + source + " " + folder + "/gnu."));
        gnuJoin = std::min(gnuJoin, runShell("cat " + folder + "/gnu.* > " + folder + "/joined-gnu"));
        removeMatching(folder, "gnu.");
        removeMatching(folder, "joined-gnu");
    }
    std::printf("  split: %.0f ms (%.0f MB/s); GNU split -b: %.0f ms; ratio %.2f (limit 1.5)\n", ourSplit,
                mb / ourSplit * 1000, gnuSplit, ourSplit / gnuSplit);
    std::printf("  join:  %.0f ms (%.0f MB/s); cat: %.0f ms; ratio %.2f (limit 1.5)\n", ourJoin, mb / ourJoin * 1000,
                gnuJoin, ourJoin / gnuJoin);
    fs::remove(source);
}

// Splits and joins a file of the size in a child process and prints that process's peak memory.
void peakMemoryOf(const std::string& folder, std::uint64_t size)
{
    std::fflush(stdout);
    const pid_t pid = fork();
    if (pid == 0) {
        const std::string source = folder + "/memory.bin";
        writeSource(source, size);
        const double before = bench::peakMegabytes();
        splitAndJoin(source, folder + "/memory-chunk", folder + "/memory-joined", size);
        std::printf("  %6.0f MB file: peak memory %.1f MB before the split, %.1f MB after split and join\n",
                    static_cast<double>(size) / 1e6, before, bench::peakMegabytes());
        std::fflush(stdout);
        removeMatching(folder, "memory");
        _exit(0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
}

void openOnManyFiles(const std::string& folder, int argc, char** argv)
{
    const std::string many = folder + "/many";
    fs::create_directory(many);
    for (int i = 0; i < 100000; ++i) {
        const int fd = ::open((many + "/file" + std::to_string(i) + ".dat").c_str(), O_WRONLY | O_CREAT, 0644);
        ::close(fd);
    }
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication application(argc, argv);
    bench::PrintedMessageBoxes boxes;
    AnsweringDialogs dialogs;
    OneDrive drive(many);
    for (int run = 0; run < 2; ++run) {
        const auto start = Clock::now();
        SplitJoinDialog dialog(boxes, dialogs, drive, {});
        dialog.onInitDialog();
        const double filledMs = millisecondsSince(start);
        dialog.show();
        QApplication::processEvents();
        std::printf("  dialog on a folder of %d files: list filled in %.0f ms (limit 1000 ms), shown and painted "
                    "after %.0f ms\n",
                    dialog.fileList()->count(), filledMs, millisecondsSince(start));
    }
    fs::remove_all(many);
}

}  // namespace

int main(int argc, char** argv)
{
    std::string folder = argc > 1 ? argv[1] : "";
    const std::uint64_t sizeMb = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 1000;
    bool madeFolder = false;
    if (folder.empty()) {
        folder = (fs::temp_directory_path() / "quillory-bench-XXXXXX").string();
        if (::mkdtemp(folder.data()) == nullptr) {
            std::perror("mkdtemp");
            return 1;
        }
        madeFolder = true;
    }
    compareWithCoreutils(folder, sizeMb * 1'000'000);
    std::printf("memory of a split and join, each in its own process:\n");
    peakMemoryOf(folder, 100'000'000);
    peakMemoryOf(folder, sizeMb * 1'000'000);
    std::printf("Split/Join dialog:\n");
    openOnManyFiles(folder, argc, argv);
    if (madeFolder)
        fs::remove_all(folder);
    return 0;
}
