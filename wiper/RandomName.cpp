#include "wiper/RandomName.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <string_view>
#include <unistd.h>

namespace quillory {

namespace {
constexpr std::string_view kNamePunctuation = "!#$%&()@[]{}~=.";
}  // namespace

char drawCharacter(const Draw15& draw)
{
    int code = draw();
    while (code > 94)
        code -= 94;
    const char c = static_cast<char>(code + 32);
    return isNameCharacter(c) ? c : '.';
}

bool isNameCharacter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
           kNamePunctuation.find(c) != std::string_view::npos;
}

std::string drawRandomName(const Draw15& draw)
{
    int length = draw();
    while (length > 255)
        length -= 255;
    std::string name;
    name.reserve(static_cast<std::size_t>(length));
    for (int i = 0; i < length; ++i) {
        char c = drawCharacter(draw);
        // A leading full stop would hide the file from its owner: the first one is drawn again.
        while (i == 0 && c == '.')
            c = drawCharacter(draw);
        name.push_back(c);
    }
    return name;
}

std::string folderOf(const std::string& path)
{
    // A file in the root folder keeps its "/" too: an empty folder would move it to the current one.
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool linkThenUnlink(const std::string& from, const std::string& to)
{
    if (::link(from.c_str(), to.c_str()) != 0)
        return false;
    if (::unlink(from.c_str()) == 0)
        return true;
    const int error = errno;
    ::unlink(to.c_str());  // leaves the file under its old name only, as before
    errno = error;
    return false;
}

bool renameWithoutReplacing(const std::string& from, const std::string& to)
{
    if (from.empty() || to.empty()) {
        errno = ENOENT;
        return false;
    }
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    // Some file systems know no RENAME_NOREPLACE.
    if (errno == EINVAL || errno == ENOSYS || errno == ENOTSUP)
        return linkThenUnlink(from, to);
    return false;
}

}  // namespace quillory
