#include "splitjoin/Drives.h"

#include <algorithm>
#include <array>
#include <climits>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace quillory {

namespace {

struct MountLine {
    int id = 0;
    int parent = 0;
    std::string mountPoint;
    std::string fsType;
};

// Kernel and pseudo file systems: nothing a user keeps files on.
constexpr std::array<std::string_view, 24> kPseudoTypes = {
    "proc",        "sysfs",      "devtmpfs", "devpts",     "cgroup",    "cgroup2", "mqueue",          "debugfs",
    "tracefs",     "securityfs", "pstore",   "bpf",        "configfs",  "fusectl", "hugetlbfs",       "autofs",
    "binfmt_misc", "efivarfs",   "nsfs",     "rpc_pipefs", "selinuxfs", "ramfs",   "fuse.gvfsd-fuse", "fuse.portal"};

bool isPseudoType(std::string_view type)
{
    return std::find(kPseudoTypes.begin(), kPseudoTypes.end(), type) != kPseudoTypes.end();
}

bool isAtOrBelow(const std::string& path, std::string_view folder)
{
    return path.compare(0, folder.size(), folder) == 0 && (path.size() == folder.size() || path[folder.size()] == '/');
}

// Folders of the system's own state rather than of the user's files.
bool isSystemPath(const std::string& path)
{
    if (isAtOrBelow(path, "/run/media"))
        return false;
    for (std::string_view folder : {"/proc", "/sys", "/dev", "/run", "/snap"})
        if (isAtOrBelow(path, folder))
            return true;
    return false;
}

// mountinfo writes blanks, tabs, line feeds and backslashes in paths as \ and three octal digits.
std::string unescape(std::string_view text)
{
    std::string out;
    const auto isOctal = [](char c) { return c >= '0' && c <= '7'; };
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size() && isOctal(text[i + 1]) && isOctal(text[i + 2]) &&
            isOctal(text[i + 3])) {
            out.push_back(static_cast<char>((text[i + 1] - '0') * 64 + (text[i + 2] - '0') * 8 + (text[i + 3] - '0')));
            i += 3;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

bool parseLine(const std::string& line, MountLine& mount)
{
    std::istringstream words(line);
    std::string root, mountPoint, word;
    std::string device;
    if (!(words >> mount.id >> mount.parent >> device >> root >> mountPoint))
        return false;
    while (words >> word && word != "-") {
    }
    if (word != "-" || !(words >> mount.fsType))
        return false;
    mount.mountPoint = unescape(mountPoint);
    return !mount.mountPoint.empty() && mount.mountPoint.front() == '/';
}

}  // namespace

std::vector<std::string> browsableMountPoints(std::string_view mountinfo,
                                              const std::function<bool(const std::string&)>& isDirectory)
{
    std::vector<MountLine> mounts;
    std::istringstream lines{std::string(mountinfo)};
    for (std::string line; std::getline(lines, line);) {
        MountLine mount;
        if (parseLine(line, mount))
            mounts.push_back(std::move(mount));
    }
    std::map<int, const MountLine*> byId;
    for (const MountLine& mount : mounts)
        byId[mount.id] = &mount;

    std::vector<std::string> points;
    for (const MountLine& mount : mounts) {
        bool excluded = isPseudoType(mount.fsType) || isSystemPath(mount.mountPoint);
        // A mount inside a pseudo file system (a chroot's /sys/fs/cgroup, say) is part of it.
        const MountLine* up = &mount;
        for (int hops = 0; !excluded && hops < 64; ++hops) {
            const auto parent = byId.find(up->parent);
            if (parent == byId.end() || parent->second == up)
                break;
            up = parent->second;
            excluded = isPseudoType(up->fsType);
        }
        if (!excluded && isDirectory(mount.mountPoint))
            points.push_back(mount.mountPoint);
    }
    std::sort(points.begin(), points.end());
    points.erase(std::unique(points.begin(), points.end()), points.end());
    return points;
}

std::string rootHolding(const std::vector<std::string>& roots, const std::string& path)
{
    std::string best = "/";
    for (const std::string& root : roots)
        if (root != "/" && isAtOrBelow(path, root) && root.size() > best.size())
            best = root;
    return best;
}

std::string rootFolder(const std::string& root)
{
    return root.empty() || root.back() == '/' ? root : root + '/';
}

std::vector<std::string> SystemDrives::roots() const
{
    std::ifstream file("/proc/self/mountinfo");
    const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::vector<std::string> points = browsableMountPoints(text, [](const std::string& path) {
        struct stat info {};
        return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
    });
    if (std::find(points.begin(), points.end(), "/") == points.end())
        points.insert(points.begin(), "/");
    return points;
}

std::string SystemDrives::currentRoot() const
{
    char cwd[PATH_MAX];
    if (::getcwd(cwd, sizeof cwd) == nullptr)
        return "/";
    return rootHolding(roots(), cwd);
}

bool SystemDrives::makeCurrent(const std::string& root)
{
    return ::chdir(root.c_str()) == 0;
}

}  // namespace quillory
