#include "recovery/BaseFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace quillory {

namespace {

BaseIdentity identityOf(const std::string& path, const struct stat& status)
{
    BaseIdentity identity;
    identity.path = path;
    identity.size = static_cast<std::uint64_t>(status.st_size);
    identity.modifiedNs = std::int64_t{status.st_mtim.tv_sec} * 1'000'000'000 + status.st_mtim.tv_nsec;
    identity.device = static_cast<std::uint64_t>(status.st_dev);
    identity.inode = static_cast<std::uint64_t>(status.st_ino);
    return identity;
}

}  // namespace

FileDescriptor openBaseFile(const std::string& path, BaseIdentity& identity)
{
    struct stat before {};
    if (path.empty()) {
        errno = ENOENT;
        return {};
    }
    if (::stat(path.c_str(), &before) != 0)
        return {};
    if (!S_ISREG(before.st_mode)) {
        errno = S_ISDIR(before.st_mode) ? EISDIR : EINVAL;
        return {};
    }
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!file)
        return {};
    // The name may have been given to something else between the two looks.
    struct stat opened {};
    if (::fstat(file.get(), &opened) != 0)
        return {};
    if (!S_ISREG(opened.st_mode)) {
        errno = EINVAL;
        return {};
    }
    identity = identityOf(path, opened);
    return file;
}

bool readPieces(int file, std::size_t pieceBytes, const std::function<bool(std::span<const std::uint8_t>)>& take)
{
    std::vector<std::uint8_t> piece(pieceBytes);
    std::uint64_t offset = 0;
    for (;;) {
        const ssize_t got = ::pread(file, piece.data(), piece.size(), static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return false;
        if (got == 0)
            return true;
        offset += static_cast<std::uint64_t>(got);
        if (!take({piece.data(), static_cast<std::size_t>(got)})) {
            errno = 0;
            return false;
        }
    }
}

std::string describeChange(const BaseIdentity& recorded, const BaseIdentity& now)
{
    if (recorded.device != now.device || recorded.inode != now.inode)
        return "The file was replaced by another one since.";
    std::string what;
    if (recorded.size != now.size)
        what = "its size";
    if (recorded.modifiedNs != now.modifiedNs)
        what += what.empty() ? "its modification time" : " and modification time";
    if (what.empty())
        what = "its content";
    return "The file was changed since: " + what + (what.find(" and ") != std::string::npos ? " differ." : " differs.");
}

std::string describeOpenError(const std::string& path, int error)
{
    const char* why = error == EINVAL ? "It is not a regular file" : std::strerror(error);
    return "Cannot read " + path + ": " + why + ".";
}

}  // namespace quillory
