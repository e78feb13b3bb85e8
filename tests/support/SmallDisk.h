#pragma once
// A small tmpfs mounted for one test, so that a disk can fill up. Mounting needs root (CI runs as
// root); where it is refused, mounted() is false and the test skips itself.

#include <filesystem>
#include <string>
#include <sys/mount.h>

namespace quillory::test {

class SmallDisk {
public:
    // Mounts a tmpfs of the given size ("256k") at where, which is made if need be.
    SmallDisk(const std::string& where, const std::string& size = "256k") : m_path(where)
    {
        std::filesystem::create_directory(where);
        m_mounted = ::mount("tmpfs", where.c_str(), "tmpfs", 0, ("size=" + size).c_str()) == 0;
    }
    ~SmallDisk()
    {
        if (m_mounted)
            ::umount2(m_path.c_str(), MNT_DETACH);
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;
    bool mounted() const { return m_mounted; }

private:
    std::string m_path;
    bool m_mounted = false;
};

}  // namespace quillory::test
