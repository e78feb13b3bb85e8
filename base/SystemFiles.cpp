#include "base/SystemFiles.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/FileDescriptor.h"

namespace quillory {

namespace {

// 0 for a regular file, otherwise the error that refuses it.
int refusalOf(mode_t mode)
{
    if (S_ISREG(mode))
        return 0;
    return S_ISDIR(mode) ? EISDIR : kNotRegularFile;
}

}  // namespace

std::string reasonLine(int error)
{
    if (error == kNotRegularFile)
        return "\nReason: Not a regular file (a pipe, device or socket)";
    return std::string("\nReason: ") + std::strerror(error);
}

int openRegularFile(const std::string& path, int flags, int& error, mode_t mode)
{
    error = 0;
    struct stat before {};
    if (::stat(path.c_str(), &before) == 0) {
        error = refusalOf(before.st_mode);
        if (error != 0)
            return -1;
    } else if (errno != ENOENT || (flags & O_CREAT) == 0) {
        error = errno;
        return -1;
    }
    FileDescriptor file(::open(path.c_str(), flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, mode));
    if (!file) {
        error = errno;
        return -1;
    }
    // The name may have been given to a pipe or device between the look and the open.
    struct stat opened {};
    if (::fstat(file.get(), &opened) != 0)
        error = errno;
    else
        error = refusalOf(opened.st_mode);
    return error != 0 ? -1 : file.release();
}

bool writeAllAt(int fd, std::span<const std::uint8_t> bytes, std::uint64_t offset)
{
    while (!bytes.empty()) {
        const ssize_t written = ::pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(offset));
        if (written < 0 && errno == EINTR)
            continue;
        if (written == 0)
            errno = ENOSPC;  // nothing written and no error: the disk takes no more
        if (written <= 0)
            return false;
        bytes = bytes.subspan(static_cast<std::size_t>(written));
        offset += static_cast<std::uint64_t>(written);
    }
    return true;
}

}  // namespace quillory
