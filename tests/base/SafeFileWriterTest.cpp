// Saving never destroys the file it replaces: a full disk leaves the old file whole, and a file
// in a folder that takes no new files is still saved, in place.
#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <thread>

#include <filesystem>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/SafeFileWriter.h"
#include "support/SmallDisk.h"
#include "support/TempDir.h"
#include "support/Unprivileged.h"

namespace quillory::test {
namespace {

namespace fs = std::filesystem;

std::span<const std::uint8_t> bytesView(const std::string& text)
{
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

TEST(SafeFileWriter, FullDiskLeavesTheOldFileWholeAndNoTemporaryBehind)
{
    TempDir dir;
    SmallDisk disk(dir.file("disk"));
    if (!disk.mounted())
        GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
    const std::string old(std::size_t{150} * 1024, 'o');
    const std::string path = dir.write("disk/file.txt", old);
    EXPECT_FALSE(writeFileReplacing(path, bytesView(std::string(std::size_t{200} * 1024, 'n'))));
    EXPECT_EQ(readAll(path), old);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.file("disk")), fs::directory_iterator()), 1);
    EXPECT_TRUE(writeFileReplacing(path, bytesView("small")));
    EXPECT_EQ(readAll(path), "small");
}

TEST(SafeFileWriter, NewContentIsSyncedWholeBeforeItReplacesTheOldFile)
{
    TempDir dir;
    const std::string path = dir.write("file.txt", "old content");
    const std::string fresh(70000, 'n');
    int syncs = 0;
    const bool saved = writeFileReplacing(path, bytesView(fresh), [&](int fd) {
        ++syncs;
        // By the sync every byte is in the new file, and the old file is still in its place.
        struct stat info {};
        EXPECT_EQ(::fstat(fd, &info), 0);
        EXPECT_EQ(info.st_size, static_cast<off_t>(fresh.size()));
        EXPECT_EQ(saveTemporariesIn(dir.path()).size(), 1u);
        EXPECT_EQ(readAll(path), "old content");
        return ::fsync(fd);
    });
    EXPECT_TRUE(saved);
    EXPECT_EQ(syncs, 1);
    EXPECT_EQ(readAll(path), fresh);

    // A sync that fails is a failed save: the old file stays, no temporary is left.
    EXPECT_FALSE(writeFileReplacing(path, bytesView("lost"), [](int) { return -1; }));
    EXPECT_EQ(readAll(path), fresh);
    EXPECT_TRUE(saveTemporariesIn(dir.path()).empty());
}

TEST(SafeFileWriter, WritableFileInReadOnlyFolderIsSavedInPlace)
{
    TempDir dir;
    const std::string folder = dir.file("locked");
    fs::create_directory(folder);
    const std::string path = dir.write("locked/file.txt", "old content, longer");
    const uid_t user = unprivilegedUser();
    const gid_t group = unprivilegedGroup();
    ASSERT_EQ(::chown(dir.path().c_str(), user, group) == 0 || ::geteuid() != 0, true);
    ASSERT_EQ(::chown(folder.c_str(), user, group) == 0 || ::geteuid() != 0, true);
    ASSERT_EQ(::chown(path.c_str(), user, group) == 0 || ::geteuid() != 0, true);
    ::chmod(folder.c_str(), 0555);
    const bool saved = runUnprivileged([&] { return writeFileReplacing(path, bytesView("new")); });
    ::chmod(folder.c_str(), 0755);
    EXPECT_TRUE(saved);
    EXPECT_EQ(readAll(path), "new");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
}

TEST(SafeFileWriter, NewFileGetsTheUsualPermissionsAndAFolderIsRefused)
{
    TempDir dir;
    const mode_t mask = ::umask(022);
    const std::string path = dir.file("fresh.txt");
    EXPECT_TRUE(writeFileReplacing(path, bytesView("x")));
    ::umask(mask);
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read);
    EXPECT_FALSE(writeFileReplacing(dir.path(), bytesView("x")));
    EXPECT_FALSE(isWritableExistingFile(dir.path()));
    EXPECT_FALSE(isWritableExistingFile(dir.file("missing")));
    EXPECT_TRUE(isWritableExistingFile(path));
}

TEST(SafeFileWriter, SaveRemovesOnlyOurUnlockedTemporariesInItsFolder)
{
    TempDir dir;
    const std::string path = dir.write("file.txt", "old");
    const std::vector<std::string> abandoned = {".quillory-save-abcd1234", ".quillory-save-0000zzzz"};
    const std::vector<std::string> others = {".quillory-save-ABCD1234",  ".quillory-save-abc",
                                             ".quillory-save-abcd12345", "quillory-save-abcd1234",
                                             ".quillory-save-abcd123-",  "notes.txt"};
    for (const std::string& name : abandoned)
        dir.write(name, "left by a killed save");
    for (const std::string& name : others)
        dir.write(name, "someone else's");
    // One held by a save in progress (its lock), a link and a folder of our pattern.
    const std::string held = dir.write(".quillory-save-held0000", "being written");
    const int holder = ::open(held.c_str(), O_WRONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);
    fs::create_symlink("notes.txt", dir.file(".quillory-save-link0000"));
    fs::create_directory(dir.file(".quillory-save-fold0000"));

    EXPECT_TRUE(writeFileReplacing(path, bytesView("new")));
    ::close(holder);
    EXPECT_EQ(readAll(path), "new");
    for (const std::string& name : abandoned)
        EXPECT_FALSE(fs::exists(dir.file(name))) << name;
    for (const std::string& name : others)
        EXPECT_EQ(readAll(dir.file(name)), "someone else's") << name;
    EXPECT_EQ(readAll(held), "being written");
    EXPECT_TRUE(fs::is_symlink(dir.file(".quillory-save-link0000")));
    EXPECT_TRUE(fs::is_directory(dir.file(".quillory-save-fold0000")));

    // Once its save has ended, the next save removes it too.
    EXPECT_EQ(removeAbandonedTemporaries(dir.path()), 1);
    EXPECT_FALSE(fs::exists(held));
}

// The umask as /proc shows it, read without setting it; -1 where the kernel does not show it.
int umaskShownByProc()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("Umask:", 0) == 0)
            return std::stoi(line.substr(6), nullptr, 8);
    return -1;
}

TEST(SafeFileWriter, SavingNeverChangesTheProcessUmaskThatOtherThreadsUse)
{
    if (umaskShownByProc() < 0)
        GTEST_SKIP() << "the kernel does not show the umask in /proc/self/status";
    TempDir dir;
    const mode_t mask = ::umask(022);
    std::atomic<bool> saving{true};
    std::atomic<int> otherUmaskSeen{0};
    std::thread watcher([&] {
        while (saving)
            if (const int seen = umaskShownByProc(); seen != 022)
                otherUmaskSeen = seen + 1;
    });
    for (int i = 0; i < 300; ++i)
        writeFileReplacing(dir.file(i % 2 ? "old.txt" : "new" + std::to_string(i)), bytesView("x"));
    saving = false;
    watcher.join();
    ::umask(mask);
    EXPECT_EQ(otherUmaskSeen, 0) << "another thread saw umask " << std::oct << otherUmaskSeen - 1;
}

}  // namespace
}  // namespace quillory::test
