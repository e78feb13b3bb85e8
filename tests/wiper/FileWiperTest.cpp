// The file wiper without widgets, on real files: the bytes on the disk after every pass, what is
// truncated and deleted, the syncs, 64-bit lengths, refused devices, pipes and folders, resolved
// links, and a pass that fails on a full file system.
#include <gtest/gtest.h>

#include <filesystem>
#include <sched.h>
#include <sys/inotify.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "base/SystemFiles.h"
#include "support/FailingHeap.h"
#include "support/ScriptedFileDialogs.h"
#include "support/ScriptedMessageBoxes.h"
#include "support/TempDir.h"
#include "support/Unprivileged.h"
#include "wiper/FileWiperLogic.h"

namespace quillory::test {
namespace {

namespace fs = std::filesystem;

constexpr std::int64_t kFiveGiB = 5ll << 30;

MessageBoxRequest withReason(MessageBoxRequest box, int error)
{
    box.text += reasonLine(error);
    return box;
}

class FileWiperTest : public ::testing::Test {
protected:
    FileWiperTest()
    {
        logic.onInitDialog(1);
        // Every pass is observed on the disk by path, and every sync counted.
        logic.setHooks({[this](int fd) {
                            ++syncs;
                            return ::fdatasync(fd);
                        },
                        [this](int) { passes.push_back(readAll(observed)); },
                        {}});
    }
    // Chooses path in the file dialog; the passes are observed on the file it resolves to.
    void select(const std::string& path)
    {
        dialogs.choosePath(path);
        logic.onSelectFile();
        observed = logic.fields().fileName;
    }
    void custom(std::int32_t action, std::int32_t value, std::int32_t repeats)
    {
        FileWiperFields& f = logic.fields();
        f.wipeMethod = kWipeCustom;
        f.customAction = action;
        f.value = value;
        f.repeats = repeats;
    }
    // A second name of the same file, to look at it after the wipe removed its first name.
    std::string secondName(const std::string& path)
    {
        std::string other = path + ".link";
        EXPECT_EQ(::link(path.c_str(), other.c_str()), 0);
        return other;
    }
    const FileWiperFields& fields() const { return logic.fields(); }

    TempDir dir;
    ScriptedMessageBoxes boxes;
    ScriptedFileDialogs dialogs;
    FileWiperLogic logic{boxes, dialogs};
    std::string observed;
    std::vector<std::string> passes;
    int syncs = 0;
};

TEST_F(FileWiperTest, StandardWipeZeroesExactlyTheLengthThenTruncatesAndDeletes)
{
    // Also longer than the 1 MB write piece and no multiple of it: the last piece is a short one.
    for (const std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{499}, std::size_t{500}, std::size_t{501},
                                   std::size_t{1234}, (std::size_t{2} << 20) + 345}) {
        SCOPED_TRACE(size);
        passes.clear();
        syncs = 0;
        std::string content(size, 'x');
        for (std::size_t i = 0; i < size; i += 4093)
            content[i] = static_cast<char>(i);
        const std::string path = dir.write("victim.txt", content);
        const std::string other = secondName(path);
        select(path);
        EXPECT_EQ(fields().fileName, path);
        EXPECT_EQ(fields().lengthText, std::to_string(size));
        EXPECT_EQ(fields().resizeToText, std::to_string(size));
        EXPECT_EQ(fields().status, "Ready");

        logic.onWipe();
        EXPECT_EQ(passes, std::vector<std::string>{std::string(size, '\0')});
        EXPECT_EQ(syncs, 1);
        EXPECT_FALSE(fs::exists(path));
        EXPECT_EQ(fs::file_size(other), 0u);  // truncated before it was deleted
        EXPECT_EQ(fields().fileName, "");
        EXPECT_EQ(fields().lengthText, "");
        EXPECT_EQ(fields().resizeToText, "");
        EXPECT_EQ(fields().status, "Done Wiping!");
        EXPECT_EQ(fields().fileLength, static_cast<std::int64_t>(size));  // until the next choice
        fs::remove(other);
    }
    EXPECT_TRUE(boxes.shown().empty());

    // Nothing chosen any more: Wipe asks for a file.
    logic.onWipe();
    EXPECT_EQ(boxes.last(), wipeNoFileNameMessage());
}

TEST_F(FileWiperTest, GovernmentWipeWritesSevenSyncedPasses)
{
    const std::string path = dir.write("g.bin", std::string(1234, '\x5A'));
    const std::string other = secondName(path);
    select(path);
    logic.fields().wipeMethod = kWipeGovernment;
    logic.onWipe();

    std::vector<std::string> expected;
    for (const char c : {'1', 'z', '1', 'z', '1', 'z', '\xEB'})
        expected.emplace_back(1234, c);
    EXPECT_EQ(passes, expected);
    EXPECT_EQ(syncs, 7);
    EXPECT_FALSE(fs::exists(path));
    EXPECT_EQ(fs::file_size(other), 0u);
    EXPECT_EQ(fields().status, "Done Wiping!");
}

TEST_F(FileWiperTest, CustomOverwritesKeepOrDeleteTheFile)
{
    // Overwrite only: the file keeps its length and stays chosen.
    const std::string path = dir.write("c.bin", std::string(777, 'q'));
    select(path);
    custom(kCustomOverwriteOnly, 170, 3);
    logic.onWipe();
    EXPECT_EQ(passes, std::vector<std::string>(3, std::string(777, '\xAA')));
    EXPECT_EQ(syncs, 3);
    EXPECT_EQ(readAll(path), std::string(777, '\xAA'));
    EXPECT_EQ(fields().fileName, path);
    EXPECT_EQ(fields().lengthText, "777");
    EXPECT_EQ(fields().status, "Done wiping!");

    // Again on the same file, then Overwrite && Delete: deleted without being truncated first.
    passes.clear();
    const std::string other = secondName(path);
    custom(kCustomOverwriteAndDelete, 0, 2);
    logic.onWipe();
    EXPECT_EQ(passes, std::vector<std::string>(2, std::string(777, '\0')));
    EXPECT_FALSE(fs::exists(path));
    EXPECT_EQ(readAll(other), std::string(777, '\0'));
    EXPECT_EQ(fields().fileName, "");
    EXPECT_EQ(fields().lengthText, "");
    EXPECT_EQ(fields().status, "Done wiping!");
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(FileWiperTest, ResizeExtendsAndCutsAndLaterPassesFollowTheNewLength)
{
    const std::string path = dir.write("r.bin", "abcdef");
    select(path);
    custom(kCustomResizeOnly, 0, 1);
    logic.fields().resizeTo = 10;
    logic.onWipe();
    EXPECT_EQ(readAll(path), std::string("abcdef") + std::string(4, '\0'));
    EXPECT_EQ(fields().lengthText, "10");
    EXPECT_EQ(fields().fileLength, 10);
    EXPECT_EQ(fields().status, "Done Resizing!");

    logic.fields().resizeTo = 3;
    logic.onWipe();
    EXPECT_EQ(readAll(path), "abc");
    EXPECT_EQ(fields().lengthText, "3");

    custom(kCustomOverwriteOnly, 'w', 1);
    logic.onWipe();
    EXPECT_EQ(readAll(path), "www");
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(FileWiperTest, LengthsOfFiveGibibytesKeepAllTheirBits)
{
    const std::string path = dir.write("sparse", "");
    fs::resize_file(path, kFiveGiB);
    select(path);
    EXPECT_EQ(fields().fileLength, kFiveGiB);
    EXPECT_EQ(fields().lengthText, "5368709120");
    EXPECT_EQ(fields().resizeTo, kFiveGiB);

    custom(kCustomResizeOnly, 0, 1);
    logic.fields().resizeTo = kFiveGiB + 4096 + 1;
    logic.onWipe();
    EXPECT_EQ(fs::file_size(path), static_cast<std::uintmax_t>(kFiveGiB + 4097));
    EXPECT_EQ(fields().lengthText, "5368713217");

    // Just above 4 GiB: a 32-bit length would make this 1 byte.
    logic.fields().resizeTo = (4ll << 30) + 1;
    logic.onWipe();
    EXPECT_EQ(fs::file_size(path), (4ull << 30) + 1);
    EXPECT_EQ(fields().fileLength, (4ll << 30) + 1);
    EXPECT_EQ(fields().status, "Done Resizing!");
}

TEST_F(FileWiperTest, OnlyRegularFilesCanBeChosenAndLinksLeadToThem)
{
    const std::string pipe = dir.file("pipe");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    fs::create_directory(dir.file("folder"));
    // A pipe or device is never even opened (opening one can block or act on the device): the
    // kernel would report any open of them here.
    const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    for (const char* watched : {"/dev/null", "/dev/zero"})
        ASSERT_GE(::inotify_add_watch(watch, watched, IN_OPEN), 0);
    ASSERT_GE(::inotify_add_watch(watch, pipe.c_str(), IN_OPEN), 0);
    const std::pair<std::string, int> refused[] = {{"/dev/null", kNotRegularFile},
                                                   {"/dev/zero", kNotRegularFile},
                                                   {pipe, kNotRegularFile},
                                                   {dir.file("folder"), EISDIR},
                                                   {dir.file("missing"), ENOENT}};
    for (const auto& [path, error] : refused) {
        SCOPED_TRACE(path);
        boxes.clear();
        logic.fields().fileName = "stale";
        select(path);
        ASSERT_EQ(boxes.shown().size(), 1u);
        EXPECT_EQ(boxes.last(), withReason(wipeErrorReadingFileMessage(), error));
        EXPECT_EQ(fields().fileName, "");
        EXPECT_EQ(fields().status, "File error!");
        EXPECT_EQ(fields().fileLength, 0);
    }
    char events[4096];
    EXPECT_EQ(::read(watch, events, sizeof events), -1) << "a pipe or device was opened";
    ::close(watch);
    EXPECT_TRUE(fs::is_fifo(pipe));

    // A link to a link to the file: the file itself is chosen, overwritten and deleted.
    const std::string target = dir.write("target", "secret");
    fs::create_symlink(target, dir.file("link1"));
    fs::create_symlink(dir.file("link1"), dir.file("link2"));
    boxes.clear();
    select(dir.file("link2"));
    EXPECT_EQ(fields().fileName, target);
    EXPECT_EQ(fields().lengthText, "6");
    logic.fields().wipeMethod = kWipeStandard;
    logic.onWipe();
    EXPECT_EQ(passes, std::vector<std::string>{std::string(6, '\0')});
    EXPECT_FALSE(fs::exists(target));
    EXPECT_TRUE(fs::is_symlink(dir.file("link2")));
    EXPECT_TRUE(boxes.shown().empty());

    // A link to a device leads to the device, which is refused.
    fs::create_symlink("/dev/null", dir.file("null-link"));
    select(dir.file("null-link"));
    EXPECT_EQ(boxes.last(), withReason(wipeErrorReadingFileMessage(), kNotRegularFile));
}

TEST_F(FileWiperTest, ReadOnlyFileCannotBeChosen)
{
    const std::string path = dir.write("readonly.txt", "keep");
    ::chmod(path.c_str(), 0444);
    ::chmod(dir.path().c_str(), 0755);
    ASSERT_TRUE(::chown(path.c_str(), unprivilegedUser(), unprivilegedGroup()) == 0 || ::geteuid() != 0);
    const bool refused = runUnprivileged([&] {
        select(path);
        return boxes.shown().size() == 1 && boxes.last() == withReason(wipeErrorReadingFileMessage(), EACCES) &&
               fields().fileName.empty() && fields().status == "File error!";
    });
    EXPECT_TRUE(refused);
    EXPECT_EQ(readAll(path), "keep");
}

TEST_F(FileWiperTest, FailuresStopTheWipeAndSayWhy)
{
    const std::string path = dir.write("f.bin", "12345");
    const std::string other = secondName(path);
    select(path);

    // A sync that fails is a failed pass: nothing is truncated or deleted.
    logic.setHooks({[](int) {
                        errno = EIO;
                        return -1;
                    },
                    {},
                    {}});
    logic.fields().wipeMethod = kWipeGovernment;
    logic.onWipe();
    EXPECT_EQ(boxes.shown(), std::vector<MessageBoxRequest>{withReason(wipeCannotReadWriteMessage(), EIO)});
    EXPECT_EQ(fields().status, "File ERROR!");
    EXPECT_EQ(fields().fileName, path);
    EXPECT_EQ(fs::file_size(path), 5u);

    // No buffer: the status says so, without a box.
    logic.setHooks({});
    FailingHeap heap;
    heap.failAfter(0);
    logic.setHeap(heap);
    boxes.clear();
    logic.onWipe();
    EXPECT_EQ(fields().status, "Memory Error!");
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_TRUE(fs::exists(path));
    logic.setHeap(cHeap());

    // The file vanished after it was chosen.
    fs::remove(path);
    custom(kCustomOverwriteOnly, 0, 1);
    logic.onWipe();
    EXPECT_EQ(boxes.last(), withReason(wipeCannotReadWriteMessage(), ENOENT));
    EXPECT_EQ(fields().status, "File ERROR!");
    custom(kCustomResizeOnly, 0, 1);
    logic.onWipe();
    EXPECT_EQ(boxes.last(), withReason(wipeCannotReadWriteMessage(), ENOENT));
    EXPECT_EQ(fields().status, "File error!");
    EXPECT_EQ(readAll(other), "11111");  // the pass whose sync failed was not undone
}

TEST_F(FileWiperTest, WipeOfAFileThatCannotBeDeletedIsRefusedBeforeAnyByteChanges)
{
    // A writable file in a folder that takes no changes, and one of another user in a sticky
    // folder that everybody may write: each could be overwritten but not deleted.
    const std::string locked = dir.file("locked");
    const std::string sticky = dir.file("sticky");
    fs::create_directory(locked);
    fs::create_directory(sticky);
    const std::string lockedFile = dir.write("locked/file", "content");
    const std::string stickyFile = dir.write("sticky/file", "content");
    ::chmod(dir.path().c_str(), 0755);
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to give the files to another user";
    ASSERT_EQ(::chown(locked.c_str(), unprivilegedUser(), unprivilegedGroup()), 0);
    ASSERT_EQ(::chown(lockedFile.c_str(), unprivilegedUser(), unprivilegedGroup()), 0);
    ::chmod(locked.c_str(), 0555);
    ::chmod(sticky.c_str(), 01777);  // root's folder and root's file, writable by all
    ::chmod(stickyFile.c_str(), 0666);
    for (const std::string& path : {lockedFile, stickyFile}) {
        SCOPED_TRACE(path);
        for (const std::int32_t method : {kWipeStandard, kWipeGovernment, kWipeCustom}) {
            const int error = path == lockedFile ? EACCES : EPERM;
            const bool refused = runUnprivileged([&] {
                select(path);
                logic.fields().wipeMethod = method;
                logic.fields().customAction = kCustomOverwriteAndDelete;
                logic.onWipe();
                const MessageBoxRequest refusal{"File Error:", "Cannot delete the selected file!" + reasonLine(error),
                                                MessageIcon::Stop, MessageButtons::Ok};
                return boxes.shown().size() == 1 && boxes.last() == refusal && fields().status == "File error!" &&
                       fields().fileName == path && fields().lengthText == "7" && passes.empty() && syncs == 0;
            });
            EXPECT_TRUE(refused) << method;
            EXPECT_EQ(readAll(path), "content");
        }
        // Overwrite only deletes nothing, so it runs.
        EXPECT_TRUE(runUnprivileged([&] {
            select(path);
            custom(kCustomOverwriteOnly, 'w', 1);
            logic.onWipe();
            return boxes.shown().empty() && fields().status == "Done wiping!";
        }));
        EXPECT_EQ(readAll(path), "wwwwwww");
    }
    ::chmod(locked.c_str(), 0755);
}

// Runs body in a child process with a tmpfs of the given size mounted at mountPoint, in a mount
// namespace of its own (nothing stays mounted). 0 when body returned true, 1 when false, 77 when
// the tmpfs could not be mounted (mounting needs root).
int withSmallTmpfs(const std::string& mountPoint, const char* size, const std::function<bool()>& body)
{
    const pid_t child = ::fork();
    if (child == 0) {
        const std::string options = std::string("size=") + size;
        if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, options.c_str()) != 0)
            ::_exit(77);
        ::_exit(body() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

TEST_F(FileWiperTest, PassFailingOnAFullFileSystemStopsBeforeTruncatingOrDeleting)
{
    const std::string mountPoint = dir.file("small");
    fs::create_directory(mountPoint);
    const int result = withSmallTmpfs(mountPoint, "16m", [&] {
        // A sparse file of 5 GiB: its first pass needs blocks the file system does not have.
        const std::string path = dir.write("small/sparse", "");
        if (::truncate(path.c_str(), kFiveGiB) != 0)
            return false;
        std::uint64_t total = 0;
        int passesDone = 0;
        logic.setHooks({{}, [&](int) { ++passesDone; }, [&](std::uint64_t, std::uint64_t all) { total = all; }});
        select(path);
        logic.fields().wipeMethod = kWipeGovernment;
        logic.onWipe();
        struct stat after {};
        const bool ok = ::stat(path.c_str(), &after) == 0 && after.st_size == kFiveGiB && passesDone == 0 &&
                        total == static_cast<std::uint64_t>(kFiveGiB) && boxes.shown().size() == 1 &&
                        boxes.last() == withReason(wipeCannotReadWriteMessage(), ENOSPC) &&
                        fields().status == "File ERROR!" && fields().lengthText == "5368709120" &&
                        fields().fileName == path;
        if (!ok)
            std::fprintf(stderr, "size %lld, passes %d, total %llu, boxes %zu, status %s\n",
                         static_cast<long long>(after.st_size), passesDone, static_cast<unsigned long long>(total),
                         boxes.shown().size(), fields().status.c_str());
        return ok;
    });
    if (result == 77)
        GTEST_SKIP() << "mounting a small tmpfs needs root (CAP_SYS_ADMIN); the full-disk case was not run";
    EXPECT_EQ(result, 0);
}

}  // namespace
}  // namespace quillory::test
