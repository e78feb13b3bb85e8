// Loads a 100 MB BINARY and a 100 MB TEXT file through LoadFile, with a control stand-in that copies
// the text, and types 1,000 bytes at random places into the BINARY document. Prints time per MB,
// peak memory, and the baseline of reading the file twice from the page cache.
//
// usage: bench_load [folder for the test files] [size in MB]

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "bench/BenchSupport.h"
#include "document/QuilloryDoc.h"
#include "document/ReadOnlyFile.h"
#include "support/ControlStandIn.h"

using namespace quillory;
using Clock = std::chrono::steady_clock;

namespace {

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void writeFile(const std::string& path, const std::vector<char>& bytes)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) {
        std::perror(path.c_str());
        std::exit(1);
    }
    std::fclose(f);
}

std::vector<char> binaryContent(std::size_t size)
{
    std::vector<char> bytes(size);
    std::mt19937_64 random(42);
    for (std::size_t i = 0; i + 8 <= size; i += 8) {
        const std::uint64_t v = random();
        std::memcpy(bytes.data() + i, &v, 8);
    }
    return bytes;
}

std::vector<char> textContent(std::size_t size)
{
    std::vector<char> bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = (i % 81 == 80) ? '\n' : static_cast<char>('a' + i % 26);
    return bytes;
}

double readTwiceMs(const std::string& path, std::size_t size)
{
    std::vector<char> buffer(size);
    const auto start = Clock::now();
    for (int pass = 0; pass < 2; ++pass) {
        ReadOnlyFile file;
        file.open(path);
        file.read(buffer.data(), size);
    }
    return millisecondsSince(start);
}

// Runs in a child process so that its peak memory is its own.
void loadAndType(const std::string& path, double sizeMb, bool typeBytes)
{
    bench::PrintedMessageBoxes boxes;
    QuilloryDoc doc(boxes);
    test::ControlStandIn control(doc);
    const auto start = Clock::now();
    doc.loadFile(path);
    const double loadMs = millisecondsSince(start);
    std::printf("  load: %.1f ms (%.2f ms/MB), mode %s, peak memory %.1f MB (limit 2.1 x size + 30 = %.1f MB)\n",
                loadMs, loadMs / sizeMb, doc.mode() == DocumentMode::Text ? "TEXT" : "BINARY", bench::peakMegabytes(),
                2.1 * sizeMb + 30);
    if (!typeBytes)
        return;

    std::mt19937 random(7);
    std::vector<double> times;
    for (int i = 0; i < 1000; ++i) {
        const auto at = static_cast<std::int32_t>(random() % static_cast<unsigned>(doc.storage().length() + 1));
        control.selected = {at, at};
        const auto t = Clock::now();
        doc.insertByte(static_cast<std::uint8_t>('A' + i % 26));
        times.push_back(millisecondsSince(t));
    }
    const double middleStart = static_cast<double>(doc.storage().length()) / 2;
    control.selected = {static_cast<std::int32_t>(middleStart), static_cast<std::int32_t>(middleStart)};
    const auto t = Clock::now();
    doc.insertByte('M');
    const double middleMs = millisecondsSince(t);
    std::sort(times.begin(), times.end());
    std::printf("  1000 inserts at random places: median %.3f ms, 99th %.3f ms, max %.3f ms; one in the middle %.3f ms"
                " (limit 20 ms); peak memory %.1f MB\n",
                times[500], times[990], times.back(), middleMs, bench::peakMegabytes());
}

void runInChild(const std::string& path, double sizeMb, bool typeBytes)
{
    std::fflush(stdout);
    const pid_t pid = fork();
    if (pid == 0) {
        loadAndType(path, sizeMb, typeBytes);
        std::fflush(stdout);
        _exit(0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string folder = argc > 1 ? argv[1] : "/tmp";
    const std::size_t sizeMb = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 100;
    const std::size_t size = sizeMb * 1024 * 1024;

    struct Case {
        const char* name;
        std::string path;
        std::vector<char> (*make)(std::size_t);
        bool typeBytes;
    };
    const Case cases[] = {
        {"BINARY", folder + "/quillory-bench.bin", binaryContent, true},
        {"TEXT", folder + "/quillory-bench.txt", textContent, false},
    };
    for (const Case& c : cases) {
        writeFile(c.path, c.make(size));
        readTwiceMs(c.path, size);  // into the page cache
        const double baseline = readTwiceMs(c.path, size);
        std::printf("%s file of %zu MB: reading it twice takes %.1f ms (load limit 3x = %.1f ms)\n", c.name, sizeMb,
                    baseline, 3 * baseline);
        // Three fresh processes: the first touch of new memory costs this virtual machine a lot and
        // varies from run to run.
        for (int run = 0; run < 3; ++run)
            runInChild(c.path, static_cast<double>(sizeMb), c.typeBytes && run == 0);
        std::remove(c.path.c_str());
    }
    return 0;
}
