#pragma once
// Drives on Linux: the mounted file systems a user browses, each named by its mount point. The
// current drive is the one that holds the current directory; making a drive current changes the
// current directory to its root, which can fail.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quillory {

class IDrives {
public:
    virtual ~IDrives() = default;
    // The mount points, sorted, without a trailing '/' except the root "/".
    virtual std::vector<std::string> roots() const = 0;
    // The entry of roots() that holds the current directory.
    virtual std::string currentRoot() const = 0;
    // Makes root the current drive: the current directory becomes root. False when that fails.
    virtual bool makeCurrent(const std::string& root) = 0;
};

// The real drives: /proc/self/mountinfo, getcwd and chdir.
class SystemDrives final : public IDrives {
public:
    std::vector<std::string> roots() const override;
    std::string currentRoot() const override;
    bool makeCurrent(const std::string& root) override;
};

// The mount points of a mountinfo text that a user would browse: kernel and pseudo file systems,
// anything under /proc, /sys, /dev and /run (removable media under /run/media excepted) and every
// mount inside a pseudo file system are left out, as are mount points that are not directories
// (bind-mounted files). Sorted, each once.
std::vector<std::string> browsableMountPoints(std::string_view mountinfo,
                                              const std::function<bool(const std::string&)>& isDirectory);

// The longest of roots that holds path (an absolute directory), or "/" when none does.
std::string rootHolding(const std::vector<std::string>& roots, const std::string& path);

// The drive's root as a folder path: the mount point followed by '/' ("/" stays "/").
std::string rootFolder(const std::string& root);

}  // namespace quillory
