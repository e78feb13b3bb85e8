#include "splitjoin/DirectoryListing.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>

namespace quillory {

namespace {

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

// Visits every entry of dir except "." and "..", telling whether it is a directory. Links and
// entries of unknown type are looked up; a dangling link is not a directory. 0, or the errno of
// a folder that could not be opened or read to its end.
template <typename Visit>
int forEachEntry(const std::string& dir, Visit visit)
{
    const std::unique_ptr<DIR, DirCloser> stream(::opendir(dir.c_str()));
    if (!stream)
        return errno;
    const int fd = ::dirfd(stream.get());
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(stream.get());
        if (entry == nullptr)
            return errno;
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        bool directory = entry->d_type == DT_DIR;
        if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
            struct stat info {};
            directory = ::fstatat(fd, entry->d_name, &info, 0) == 0 && S_ISDIR(info.st_mode);
        }
        visit(name, directory);
    }
}

char lowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

bool namesInListOrder(const std::string& a, const std::string& b)
{
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const auto x = static_cast<unsigned char>(lowerAscii(a[i]));
        const auto y = static_cast<unsigned char>(lowerAscii(b[i]));
        if (x != y)
            return x < y;
    }
    if (a.size() != b.size())
        return a.size() < b.size();
    return a < b;
}

std::vector<std::string> listSubdirectories(const std::string& dir, DotDirectories rule)
{
    std::vector<std::string> names;
    forEachEntry(dir, [&](std::string_view name, bool directory) {
        if (directory && (rule == DotDirectories::Shown || name.front() != '.'))
            names.emplace_back(name);
    });
    std::sort(names.begin(), names.end(), namesInListOrder);
    return names;
}

std::vector<std::string> listFiles(const std::string& dir, int* error)
{
    std::vector<std::string> names;
    const int failure = forEachEntry(dir, [&](std::string_view name, bool directory) {
        if (!directory)
            names.emplace_back(name);
    });
    if (error != nullptr)
        *error = failure;
    std::sort(names.begin(), names.end(), namesInListOrder);
    return names;
}

}  // namespace quillory
