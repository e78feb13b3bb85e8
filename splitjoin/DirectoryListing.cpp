#include "splitjoin/DirectoryListing.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>

#include "base/FileDescriptor.h"

namespace quillory {

namespace {

// Calls visit with every entry of the open folder, "." and ".." included, in the order the file
// system gives them. 0, or the errno of a failed read; a folder removed while it is read ends
// there, as an empty one would.
template <typename Visit>
int forEachRawEntry(int folder, Visit visit)
{
    alignas(dirent64) char buffer[32768];
    for (;;) {
        const ssize_t got = ::getdents64(folder, buffer, sizeof buffer);
        if (got == 0 || (got < 0 && errno == ENOENT))
            return 0;
        if (got < 0)
            return errno;
        for (ssize_t offset = 0; offset < got;) {
            const auto* entry = reinterpret_cast<const dirent64*>(buffer + offset);
            visit(*entry);
            offset += entry->d_reclen;
        }
    }
}

// Visits every entry of dir except "." and "..", telling whether it is a directory. Links and
// entries of unknown type are looked up; a dangling link is not a directory. 0, or the errno of
// a folder that could not be opened or read to its end.
template <typename Visit>
int forEachEntry(const std::string& dir, Visit visit)
{
    const FileDescriptor folder(::open(dir.c_str(), O_RDONLY | O_NONBLOCK | O_DIRECTORY | O_CLOEXEC));
    if (!folder)
        return errno;
    return forEachRawEntry(folder.get(), [&](const dirent64& entry) {
        const std::string_view name = entry.d_name;
        if (name == "." || name == "..")
            return;
        bool directory = entry.d_type == DT_DIR;
        if (entry.d_type == DT_LNK || entry.d_type == DT_UNKNOWN) {
            struct stat info {};
            directory = ::fstatat(folder.get(), entry.d_name, &info, 0) == 0 && S_ISDIR(info.st_mode);
        }
        visit(name, directory);
    });
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
