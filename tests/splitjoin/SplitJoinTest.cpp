// Split then join on real files: every chunk size and edge length gives the source back byte for
// byte, a sparse file beyond 4 GiB included; an existing chunk, a full disk, a source that ends
// early and the output listed as its own input stop the work with their messages. The dialog's
// logic, without a display, tells its dialog of every change in the order the dialog shows them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <csignal>
#include <random>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "splitjoin/ChunkNaming.h"
#include "splitjoin/SplitJoin.h"
#include "splitjoin/SplitJoinLogic.h"
#include "support/FakeDrives.h"
#include "support/ScriptedFileDialogs.h"
#include "support/ScriptedMessageBoxes.h"
#include "support/SmallDisk.h"
#include "support/TempDir.h"
#include "support/Unprivileged.h"

namespace quillory::test {
namespace {

namespace fs = std::filesystem;
using Statuses = std::vector<std::string>;

std::string randomBytes(std::size_t size, unsigned seed)
{
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(random());
    return bytes;
}

// A split or join with scripted dialogs, recording every status and the last progress report.
struct Operation {
    explicit Operation(std::size_t bufferBytes = kCopyBufferBytes, bool kernelCopy = true)
        : host{boxes,
               dialogs,
               [this](const std::string& status) { statuses.push_back(status); },
               [this](std::uint64_t done, std::uint64_t total) {
                   progress = {done, total};
                   if (onProgress)
                       onProgress();
               },
               bufferBytes,
               kernelCopy}
    {}
    void split(const std::string& source, const std::string& base, int choice, const std::string& custom = "")
    {
        dialogs.choosePath(source);
        dialogs.choosePath(base);
        splitFile(host, "/start/", choice, custom);
    }
    void join(const std::vector<std::string>& inputs, const std::string& output)
    {
        dialogs.choosePath(output);
        joinFiles(host, "/start/", inputs);
    }

    ScriptedMessageBoxes boxes;
    ScriptedFileDialogs dialogs;
    Statuses statuses;
    std::pair<std::uint64_t, std::uint64_t> progress{};
    std::function<void()> onProgress;
    SplitJoinHost host;
};

const Statuses kFinished{"Ready", "Processing...", "Finished!"};
const Statuses kFileError{"Ready", "Processing...", "File Error!"};

// Whether two files hold the same bytes, reading only where either has data (holes are zeros).
bool sameContent(const std::string& a, const std::string& b)
{
    const int fa = ::open(a.c_str(), O_RDONLY);
    const int fb = ::open(b.c_str(), O_RDONLY);
    struct stat sa {};
    struct stat sb {};
    bool same = fa >= 0 && fb >= 0 && ::fstat(fa, &sa) == 0 && ::fstat(fb, &sb) == 0 && sa.st_size == sb.st_size;
    std::vector<char> x(1 << 20);
    std::vector<char> y(1 << 20);
    for (off_t pos = 0; same && pos < sa.st_size;) {
        const off_t da = ::lseek(fa, pos, SEEK_DATA);
        const off_t db = ::lseek(fb, pos, SEEK_DATA);
        const off_t next = std::min(da < 0 ? sa.st_size : da, db < 0 ? sb.st_size : db);
        if (next >= sa.st_size)
            break;
        const auto n = static_cast<std::size_t>(std::min<off_t>(static_cast<off_t>(x.size()), sa.st_size - next));
        same = ::pread(fa, x.data(), n, next) == static_cast<ssize_t>(n) &&
               ::pread(fb, y.data(), n, next) == static_cast<ssize_t>(n) && std::memcmp(x.data(), y.data(), n) == 0;
        pos = next + static_cast<off_t>(n);
    }
    ::close(fa);
    ::close(fb);
    return same;
}

TEST(ChunkNaming, SizesCountsAndDigits)
{
    EXPECT_EQ(chunkSizeFor(Chunk720K, "5"), 720000u);
    EXPECT_EQ(chunkSizeFor(Chunk1200K, ""), 1200000u);
    EXPECT_EQ(chunkSizeFor(Chunk144MB, ""), 1450000u);
    EXPECT_EQ(chunkSizeFor(ChunkCustom, "999999999"), 999999999u);
    EXPECT_EQ(chunkSizeFor(ChunkCustom, ""), 0u);
    EXPECT_EQ(chunkSizeFor(-1, "5"), 0u);
    EXPECT_EQ(chunkCount(0, 10), 1u);
    EXPECT_EQ(chunkCount(20, 10), 2u);
    EXPECT_EQ(chunkCount(21, 10), 3u);
    EXPECT_EQ(chunkCount(5'000'000'001, 1), 5'000'000'001u);  // beyond 32 bits
    // The width follows the count: 1 digit up to 9 chunks, 2 from 10, ..., 10 from a billion.
    std::uint64_t count = 1;
    for (int digits = 1; digits <= 12; ++digits, count *= 10) {
        EXPECT_EQ(chunkDigitWidth(count), std::min(digits, 10)) << count;
        EXPECT_EQ(chunkDigitWidth(count * 10 - 1), std::min(digits, 10)) << count * 10 - 1;
    }
    EXPECT_EQ(chunkExtension(1, 1), ".1");
    EXPECT_EQ(chunkExtension(1, 2), ".01");
    EXPECT_EQ(chunkExtension(1, 3), ".001");
    EXPECT_EQ(chunkExtension(13, 2), ".13");
    EXPECT_EQ(chunkExtension(7, 9), ".000000007");
    // A custom size of 1 on a file of a billion bytes: ten digits, so no leading zeros.
    const int width = chunkDigitWidth(chunkCount(1'000'000'000, chunkSizeFor(ChunkCustom, "1")));
    EXPECT_EQ(chunkExtension(1, width), ".1");
    EXPECT_EQ(chunkExtension(1'000'000'000, width), ".1000000000");
}

struct RoundTrip {
    int choice;
    const char* custom;
    std::uint64_t size;
    std::size_t bufferBytes;  // the kernel copies unless the buffer is small
};

TEST(SplitJoin, SplitThenJoinGivesTheSourceBack)
{
    constexpr std::uint64_t k720K = 720000;
    constexpr std::uint64_t k144M = 1450000;
    const RoundTrip trips[] = {
        {Chunk720K, "", 0, kCopyBufferBytes},
        {Chunk720K, "", 1, kCopyBufferBytes},
        {Chunk720K, "", k720K - 1, kCopyBufferBytes},
        {Chunk720K, "", k720K, kCopyBufferBytes},
        {Chunk720K, "", k720K + 1, kCopyBufferBytes},
        {Chunk720K, "", 12 * k720K + 1, kCopyBufferBytes},
        {Chunk144MB, "", k144M + 1, kCopyBufferBytes},
        {Chunk144MB, "", 2 * k144M, 4096},
        {ChunkCustom, "1000", 999, 7},
        {ChunkCustom, "1000", 1000, 7},
        {ChunkCustom, "1000", 1001, 7},
        {ChunkCustom, "1000", 12001, 7},
        {ChunkCustom, "1", 10, 1},
        {ChunkCustom, "3", 12 * 3 + 1, 2},
    };
    for (const RoundTrip& trip : trips) {
        SCOPED_TRACE(testing::Message() << "choice " << trip.choice << ", size " << trip.size);
        TempDir dir;
        const std::string source = dir.write("source.bin", randomBytes(trip.size, static_cast<unsigned>(trip.size)));
        const std::string base = dir.file("B.zip");
        Operation split(trip.bufferBytes, trip.bufferBytes == kCopyBufferBytes);
        split.split(source, base, trip.choice, trip.custom);
        EXPECT_EQ(split.statuses, kFinished);
        EXPECT_TRUE(split.boxes.shown().empty());
        EXPECT_EQ(split.progress, std::make_pair(trip.size, trip.size));
        EXPECT_FALSE(fs::exists(base));

        const std::uint64_t chunk = chunkSizeFor(trip.choice, trip.custom);
        const std::uint64_t count = trip.size == 0 ? 0 : chunkCount(trip.size, chunk);
        const int width = chunkDigitWidth(chunkCount(trip.size, chunk));
        std::vector<std::string> chunks;
        for (std::uint64_t k = 1; k <= count; ++k) {
            chunks.push_back(base + chunkExtension(k, width));
            ASSERT_TRUE(fs::exists(chunks.back())) << chunks.back();
            EXPECT_EQ(fs::file_size(chunks.back()), k < count ? chunk : trip.size - (count - 1) * chunk);
        }
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()),
                  static_cast<long>(count) + 1);
        if (count == 0)
            continue;

        Operation join(trip.bufferBytes, trip.bufferBytes == kCopyBufferBytes);
        join.join(chunks, dir.file("joined"));
        EXPECT_EQ(join.statuses, kFinished);
        EXPECT_EQ(join.progress, std::make_pair(trip.size, trip.size));
        EXPECT_EQ(readAll(dir.file("joined")), readAll(source));
    }
}

TEST(SplitJoin, SparseFileBeyondFourGigabytesRoundTripsQuicklyAndStaysSparse)
{
    TempDir dir;
    const std::string source = dir.file("big.img");
    constexpr off_t kSize = (off_t{1} << 32) + 4097;
    {
        const int fd = ::open(source.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, kSize), 0);
        for (const off_t at : {off_t{0}, (off_t{1} << 32) - 3, off_t{999999998}, kSize - 5})
            ASSERT_EQ(::pwrite(fd, "DATA!", 5, at), 5);
        ::close(fd);
    }
    const auto started = std::chrono::steady_clock::now();
    Operation split;
    split.split(source, dir.file("part"), ChunkCustom, "999999999");
    ASSERT_EQ(split.statuses, kFinished);
    std::vector<std::string> chunks;
    for (int k = 1; k <= 5; ++k)
        chunks.push_back(dir.file("part." + std::to_string(k)));
    EXPECT_EQ(fs::file_size(chunks[4]), static_cast<std::uint64_t>(kSize) - std::uint64_t{4} * 999999999u);
    EXPECT_FALSE(fs::exists(dir.file("part.6")));
    Operation join;
    join.join(chunks, dir.file("joined.img"));
    ASSERT_EQ(join.statuses, kFinished);
    EXPECT_TRUE(sameContent(source, dir.file("joined.img")));
    struct stat joined {};
    ASSERT_EQ(::stat(dir.file("joined.img").c_str(), &joined), 0);
    EXPECT_LT(joined.st_blocks * 512, 64 << 20) << "the holes were written out";
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(60));
}

TEST(SplitJoin, ExistingThirdChunkStopsTheSplitAfterTwo)
{
    TempDir dir;
    const std::string source = dir.write("s", randomBytes(50, 1));
    dir.write("B.3", "keep");
    Operation run;
    run.split(source, dir.file("B"), ChunkCustom, "10");
    EXPECT_EQ(run.statuses, kFileError);
    EXPECT_EQ(run.boxes.last(), (MessageBoxRequest{"File Error:", "One of the output file already exists! Aborted...",
                                                   MessageIcon::Stop, MessageButtons::Ok}));
    EXPECT_EQ(readAll(dir.file("B.1")), readAll(source).substr(0, 10));
    EXPECT_EQ(readAll(dir.file("B.2")), readAll(source).substr(10, 10));
    EXPECT_EQ(readAll(dir.file("B.3")), "keep");
    EXPECT_FALSE(fs::exists(dir.file("B.4")));
}

TEST(SplitJoin, FullDiskStopsSplitAndJoinWithTheFileNamedAndLeavesNoHalfWrittenFile)
{
    TempDir dir;
    SmallDisk disk(dir.file("disk"));
    if (!disk.mounted())
        GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
    const std::string source = dir.write("source", randomBytes(std::size_t{600} * 1024, 2));
    for (const bool kernelCopy : {true, false}) {
        SCOPED_TRACE(kernelCopy ? "kernel copy" : "buffered copy");
        Operation split(kernelCopy ? kCopyBufferBytes : 4096, kernelCopy);
        split.split(source, dir.file("disk/B"), ChunkCustom, "100000");
        EXPECT_EQ(split.statuses, kFileError);
        ASSERT_EQ(split.boxes.shown().size(), 1u);
        const std::string& text = split.boxes.last().text;
        EXPECT_EQ(split.boxes.last().caption, "File Error:");
        // The chunks before the full one stay whole; the short one is gone, and the box says so.
        std::size_t whole = 0;
        while (fs::exists(dir.file("disk/B." + std::to_string(whole + 1))))
            ++whole;
        ASSERT_GE(whole, 1u);
        for (std::size_t k = 1; k <= whole; ++k)
            EXPECT_EQ(readAll(dir.file("disk/B." + std::to_string(k))),
                      readAll(source).substr((k - 1) * 100000, 100000));
        const std::string failed = dir.file("disk/B." + std::to_string(whole + 1));
        EXPECT_EQ(text, "Error writing to output file " + failed + "\nThe unfinished chunk " + failed +
                            " was removed.\nReason: " + std::strerror(ENOSPC));

        for (const auto& entry : fs::directory_iterator(dir.file("disk")))
            fs::remove(entry.path());
        // Joining into a file that existed: it gets back its old length.
        dir.write("disk/out", "front");
        Operation join(kernelCopy ? kCopyBufferBytes : 4096, kernelCopy);
        join.join({source}, dir.file("disk/out"));
        EXPECT_EQ(join.statuses, kFileError);
        ASSERT_EQ(join.boxes.shown().size(), 1u);
        const std::string out = dir.file("disk/out");
        EXPECT_EQ(join.boxes.last().text,
                  "Error writing to output file " + out + "\nThe output file " + out +
                      " was cut back to its old length of 5 bytes.\nReason: " + std::strerror(ENOSPC));
        EXPECT_EQ(readAll(dir.file("disk/out")), "front");
        fs::remove(dir.file("disk/out"));

        // Joining into a new file: it is removed.
        Operation fresh(kernelCopy ? kCopyBufferBytes : 4096, kernelCopy);
        fresh.join({source}, dir.file("disk/new"));
        EXPECT_EQ(fresh.statuses, kFileError);
        const std::string removed = "\nThe unfinished output file " + dir.file("disk/new") + " was removed.";
        EXPECT_NE(fresh.boxes.last().text.find(removed), std::string::npos);
        EXPECT_FALSE(fs::exists(dir.file("disk/new")));
    }
}

TEST(SplitJoin, SourceThatEndsEarlyEndsTheSplit)
{
    TempDir dir;
    const std::string source = dir.write("s", randomBytes(10000, 3));
    Operation run(100, false);
    // The file loses its tail while the split runs.
    run.onProgress = [&] {
        if (run.progress.first >= 2500)
            fs::resize_file(source, 3000);
    };
    run.split(source, dir.file("B"), ChunkCustom, "1000");
    EXPECT_EQ(run.statuses, kFileError);
    EXPECT_EQ(run.boxes.last().text.rfind("Error occur while processing : " + source + "\n", 0), 0u);
    EXPECT_EQ(readAll(dir.file("B.03")), readAll(source).substr(2000, 1000));
    EXPECT_FALSE(fs::exists(dir.file("B.05")));
}

TEST(SplitJoin, JoinAppendsToAnExistingFileInListOrder)
{
    TempDir dir;
    const std::string a = dir.write("a", "alpha");
    const std::string empty = dir.write("empty", "");
    const std::string b = dir.write("b", "beta");
    const std::string out = dir.write("out", "front|");
    Operation run;
    run.join({a, empty, b, a}, out);
    EXPECT_EQ(run.statuses, kFinished);
    EXPECT_EQ(readAll(out), "front|alphabetaalpha");
    ASSERT_EQ(run.dialogs.requests.size(), 1u);
    EXPECT_EQ(run.dialogs.requests[0].kind, FileDialogRequest::Kind::Save);
    EXPECT_EQ(run.dialogs.requests[0].initialDir, "/start/");
    EXPECT_EQ(run.dialogs.requests[0].filter, "All Files (*.*)|*.*||");
    EXPECT_FALSE(run.dialogs.requests[0].confirmOverwrite);
}

TEST(SplitJoin, OutputListedAsItsOwnInputIsAnInputThatCannotBeOpened)
{
    // Were the output read as an input, it would grow as fast as it is read: the watchdog and the
    // cap on a file's size end such a join quickly, and the test then fails.
    struct rlimit oldCap {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &oldCap), 0);
    struct rlimit cap = oldCap;
    cap.rlim_cur = 1 << 20;
    const auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &cap), 0);
    ::alarm(20);
    TempDir dir;
    const std::string a = dir.write("a", "alpha");
    const std::string out = dir.write("out", "old|");
    fs::create_symlink(out, dir.file("link to out"));
    for (const std::string& self : {out, dir.file("link to out")}) {
        fs::resize_file(out, 4);
        Operation run;
        run.join({a, self, a}, out);
        EXPECT_EQ(run.statuses, (Statuses{"Ready", "Processing...", "File Error!", "Finished!"}));
        EXPECT_EQ(run.boxes.last(),
                  (MessageBoxRequest{
                      "File Error:", "Error occur while processing : " + self + "\nIt is the output file itself.",
                      MessageIcon::Stop, MessageButtons::Ok}));
        EXPECT_EQ(readAll(out), "old|alpha");
    }
    ::alarm(0);
    ::setrlimit(RLIMIT_FSIZE, &oldCap);
    std::signal(SIGXFSZ, oldSignal);
}

// A join of no files asks for no output.
void expectAnEmptyJoinListRefused()
{
    Operation emptyList;
    joinFiles(emptyList.host, "/start/", {});
    EXPECT_EQ(emptyList.statuses, Statuses{"Ready"});
    EXPECT_EQ(emptyList.boxes.last(),
              (MessageBoxRequest{"Error:", "Empty List!", MessageIcon::Exclamation, MessageButtons::Ok}));
    EXPECT_TRUE(emptyList.dialogs.requests.empty());
}

// A custom chunk size left empty or 0 is refused once the source is chosen.
void expectAChunkSizeOfZeroRefused(const std::string& source, const std::string& base)
{
    for (const char* custom : {"", "0"}) {
        Operation zero;
        zero.split(source, base, ChunkCustom, custom);
        EXPECT_EQ(zero.statuses, Statuses{"Ready"});
        EXPECT_EQ(zero.boxes.last(), (MessageBoxRequest{"Error:", "Chunk size must be greater than 0.",
                                                        MessageIcon::Stop, MessageButtons::Ok}));
        EXPECT_EQ(zero.dialogs.requests.size(), 1u);
    }
}

// Cancelling the dialog for the chunks' name aborts the split.
void expectACancelledSplitAborted(const std::string& source)
{
    Operation cancelled;
    cancelled.dialogs.choosePath(source);
    cancelled.dialogs.cancel();
    splitFile(cancelled.host, "/start/", Chunk720K, "");
    EXPECT_EQ(cancelled.statuses, (Statuses{"Ready", "Processing...", "Aborted!"}));
    ASSERT_EQ(cancelled.dialogs.requests.size(), 2u);
    EXPECT_EQ(cancelled.dialogs.requests[0],
              (FileDialogRequest{FileDialogRequest::Kind::Open, "/start/", "", "All Files (*.*)|*.*||"}));
    EXPECT_FALSE(cancelled.dialogs.requests[1].confirmOverwrite);
}

// A source that does not exist ends the split before the chunks' name is asked for.
void expectAMissingSourceRefused(const std::string& missing)
{
    Operation missingSource;
    missingSource.dialogs.choosePath(missing);
    splitFile(missingSource.host, "/start/", Chunk720K, "");
    EXPECT_EQ(missingSource.statuses, (Statuses{"Ready", "File Error!"}));
    EXPECT_EQ(missingSource.boxes.last(),
              (MessageBoxRequest{
                  "File Error:", "Error occur while processing : " + missing + "\nReason: " + std::strerror(ENOENT),
                  MessageIcon::Stop, MessageButtons::Ok}));
    EXPECT_EQ(missingSource.dialogs.requests.size(), 1u);
}

// A source the user may not read, as a user without privileges.
void expectAnUnreadableSourceRefused(const TempDir& dir)
{
    const std::string secret = dir.write("secret", "0123456789");
    ::chmod(dir.path().c_str(), 0755);
    ::chmod(secret.c_str(), 0);
    EXPECT_TRUE(runUnprivileged([&] {
        Operation unreadable;
        unreadable.dialogs.choosePath(secret);
        splitFile(unreadable.host, "/start/", Chunk720K, "");
        return unreadable.statuses == Statuses{"Ready", "File Error!"} && unreadable.boxes.shown().size() == 1 &&
               unreadable.boxes.last().text ==
                   "Error occur while processing : " + secret + "\nReason: " + std::strerror(EACCES);
    }));
}

// An input that does not exist is reported and left out; the join goes on.
void expectAMissingInputLeftOut(const std::string& source, const TempDir& dir)
{
    Operation missingInput;
    missingInput.join({source, dir.file("gone"), source}, dir.file("out"));
    EXPECT_EQ(missingInput.statuses, (Statuses{"Ready", "Processing...", "File Error!", "Finished!"}));
    EXPECT_EQ(missingInput.boxes.last().text,
              "Error occur while processing : " + dir.file("gone") + "\nReason: " + std::strerror(ENOENT));
    EXPECT_EQ(readAll(dir.file("out")), "0123456789");
}

// An output that cannot be written, a folder, ends the join.
void expectAnUnwritableOutputRefused(const std::string& source, const std::string& folder)
{
    Operation unwritable;
    unwritable.join({source}, folder);
    EXPECT_EQ(unwritable.statuses, kFileError);
    EXPECT_EQ(unwritable.boxes.last(),
              (MessageBoxRequest{
                  "File Error:", "Error writing to output file " + folder + "\nReason: " + std::strerror(EISDIR),
                  MessageIcon::Stop, MessageButtons::Ok}));
}

TEST(SplitJoin, EarlyEndsLeaveTheirStatusAndAskNothingFurther)
{
    TempDir dir;
    const std::string source = dir.write("s", "0123456789");
    expectAnEmptyJoinListRefused();
    expectAChunkSizeOfZeroRefused(source, dir.file("B"));
    ASSERT_NO_FATAL_FAILURE(expectACancelledSplitAborted(source));
    expectAMissingSourceRefused(dir.file("missing"));
    expectAnUnreadableSourceRefused(dir);
    expectAMissingInputLeftOut(source, dir);
    expectAnUnwritableOutputRefused(source, dir.path());
}

TEST(SplitJoinLogic, TellsItsDialogInOrderAndReadsTheFolderAgainOnceARunHasEnded)
{
    TempDir dir;
    dir.write("a", "A");
    dir.write("b", "BB");
    FakeDrives drives;
    drives.list = {dir.path()};
    drives.current = dir.path();
    ScriptedMessageBoxes boxes;
    ScriptedFileDialogs dialogs;
    SplitJoinLogic logic(boxes, dialogs, drives);
    std::vector<std::string> events;
    SplitJoinListeners listeners;
    listeners.fileListChanged = [&] {
        events.push_back("list of " + std::to_string(logic.fileNames().size()) + " after " +
                         std::to_string(boxes.shown().size()) + " boxes");
    };
    listeners.statusChanged = [&](const std::string& status) { events.push_back(status); };
    listeners.runBusy = [&](const std::function<void()>& work) {
        events.push_back("busy");
        work();
        events.push_back("idle");
    };
    logic.setListeners(listeners);

    // A folder that cannot be read: the list is emptied before the box stands over it, and an
    // opening on such a folder still ends "Ready!".
    logic.openCurrentDrive();
    EXPECT_EQ(logic.currentFolder(), dir.path() + "/");
    logic.onFolderSelected(dir.file("gone/"));
    logic.onInitDialog();
    EXPECT_EQ(events, (Statuses{"list of 0 after 0 boxes", "File Error!", "list of 0 after 1 boxes", "Ready!"}));
    EXPECT_FALSE(logic.customSizeEnabled());

    events.clear();
    logic.onFolderSelected(dir.path() + "/");
    logic.onAdd({0, 1});
    const JoinListRemoval removal = logic.onRemove({1});
    EXPECT_TRUE(removal.selectLastAfter);
    EXPECT_EQ(logic.joinPaths(), Statuses{dir.file("a")});
    dialogs.choosePath(dir.file("joined"));
    logic.onJoin();
    EXPECT_EQ(readAll(dir.file("joined")), "A");
    // The folder is read again once the controls are back, so the output can be added at once.
    EXPECT_EQ(events, (Statuses{"list of 0 after 1 boxes", "list of 2 after 1 boxes", "File(s) Added.", " Removed",
                                "busy", "Ready", "Processing...", "Finished!", "idle", "list of 0 after 1 boxes",
                                "list of 3 after 1 boxes"}));
}

}  // namespace
}  // namespace quillory::test
