// Drives are the file systems a user browses, named by their mount points; folder listings show
// what each tree and the file list want, in list order.
#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

#include "splitjoin/DirectoryListing.h"
#include "splitjoin/Drives.h"
#include "support/TempDir.h"

namespace quillory::test {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

TEST(Drives, MountPointsAUserBrowses)
{
    const std::string mountinfo = "22 27 0:21 / /proc rw,relatime - proc proc rw\n"
                                  "23 27 0:22 / /sys rw,relatime - sysfs sysfs rw\n"
                                  "24 27 0:6 / /dev rw,relatime - devtmpfs devtmpfs rw\n"
                                  "25 24 0:23 / /dev/shm rw,relatime - tmpfs tmpfs rw\n"
                                  "26 24 0:24 / /dev/pts rw,relatime - devpts devpts rw\n"
                                  "27 1 254:0 / / rw,relatime shared:1 - ext4 /dev/vda rw\n"
                                  "28 27 8:2 / /home rw,relatime shared:2 master:1 - ext4 /dev/sda2 rw\n"
                                  "29 27 0:30 / /run rw - tmpfs tmpfs rw\n"
                                  "30 29 0:31 / /run/user/1000 rw - tmpfs tmpfs rw\n"
                                  "31 29 8:17 / /run/media/ann/USB\\040STICK rw - vfat /dev/sdb1 rw\n"
                                  "32 27 8:33 / /media/ann/Backup rw - ext4 /dev/sdc1 rw\n"
                                  "33 27 0:40 / /tmp rw - tmpfs tmpfs rw\n"
                                  "34 27 254:0 /etc/hosts /etc/hosts rw - ext4 /dev/vda rw\n"
                                  "35 33 0:41 / /tmp/chroot/proc rw - proc proc rw\n"
                                  "36 33 0:22 / /tmp/chroot/sys rw - sysfs sysfs rw\n"
                                  "37 36 0:28 / /tmp/chroot/sys/fs/cgroup rw - tmpfs tmpfs rw\n"
                                  "38 27 254:0 / /home rw - ext4 /dev/sda2 rw\n"
                                  "39 27 7:1 / /snap/core/1 ro - squashfs /dev/loop1 ro\n"
                                  "not a mount line\n";
    const auto isDirectory = [](const std::string& path) { return path != "/etc/hosts"; };
    EXPECT_EQ(browsableMountPoints(mountinfo, isDirectory),
              (Names{"/", "/home", "/media/ann/Backup", "/run/media/ann/USB STICK", "/tmp"}));

    const Names roots{"/", "/home", "/home/ann/nfs"};
    EXPECT_EQ(rootHolding(roots, "/home/ann/nfs/x/"), "/home/ann/nfs");
    EXPECT_EQ(rootHolding(roots, "/home/ann/"), "/home");
    EXPECT_EQ(rootHolding(roots, "/homework/"), "/");
    EXPECT_EQ(rootHolding({"/srv"}, "/etc/"), "/");
    EXPECT_EQ(rootFolder("/"), "/");
    EXPECT_EQ(rootFolder("/home"), "/home/");
}

TEST(Drives, SystemDrivesHoldTheRootAndTheCurrentDirectory)
{
    SystemDrives drives;
    const Names roots = drives.roots();
    ASSERT_FALSE(roots.empty());
    EXPECT_EQ(roots.front(), "/");
    const std::string current = drives.currentRoot();
    EXPECT_NE(std::find(roots.begin(), roots.end(), current), roots.end());
    EXPECT_EQ(fs::current_path().string().rfind(current, 0), 0u);
    EXPECT_FALSE(drives.makeCurrent("/no/such/drive"));
}

TEST(DirectoryListing, EachTreeAndTheFileListGetTheirNamesInListOrder)
{
    TempDir dir;
    for (const char* folder : {"b", "A", ".cache", "c d"})
        fs::create_directory(dir.file(folder));
    for (const char* file : {"z", ".hidden", "Y", "a.txt"})
        dir.write(file, "x");
    fs::create_directory_symlink(dir.file("b"), dir.file("link"));
    fs::create_symlink(dir.file("nowhere"), dir.file("dangling"));
    EXPECT_EQ(listSubdirectories(dir.path(), DotDirectories::Hidden), (Names{"A", "b", "c d", "link"}));
    EXPECT_EQ(listSubdirectories(dir.path(), DotDirectories::Shown), (Names{".cache", "A", "b", "c d", "link"}));
    EXPECT_EQ(listFiles(dir.path() + "/"), (Names{".hidden", "a.txt", "dangling", "Y", "z"}));
    EXPECT_TRUE(listFiles(dir.file("missing")).empty());
}

}  // namespace
}  // namespace quillory::test
