#include "wiper/WipeFile.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/FileDescriptor.h"
#include "base/HeapBlock.h"

namespace quillory {

namespace {

constexpr std::size_t kPieceBytes = 1 << 20;          // bytes per write call
constexpr std::uint64_t kProgressEvery = 8ull << 20;  // bytes between two progress reports

void setError(int* error, int value)
{
    if (error != nullptr)
        *error = value;
}

// Opens path only if it names a regular file itself (not a link to one): a device or a pipe is
// never opened, since opening some devices already acts on them. Empty otherwise, with error set.
FileDescriptor openRegular(const std::string& path, int access, int* error = nullptr)
{
    struct stat before {};
    if (path.empty()) {
        setError(error, ENOENT);
        return {};
    }
    if (::lstat(path.c_str(), &before) != 0) {
        setError(error, errno);
        return {};
    }
    if (!S_ISREG(before.st_mode)) {
        setError(error, S_ISDIR(before.st_mode) ? EISDIR : kNotRegularFile);
        return {};
    }
    FileDescriptor file(::open(path.c_str(), access | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!file) {
        setError(error, errno);
        return {};
    }
    // The name may have been given to something else between the two looks.
    struct stat opened {};
    if (::fstat(file.get(), &opened) != 0 || !S_ISREG(opened.st_mode) || opened.st_ino != before.st_ino ||
        opened.st_dev != before.st_dev) {
        setError(error, kNotRegularFile);
        return {};
    }
    return file;
}

int syncData(const WipeHooks& hooks, int fd)
{
    if (hooks.sync)
        return hooks.sync(fd);
    int result;
    do
        result = ::fdatasync(fd);
    while (result != 0 && errno == EINTR);
    return result;
}

}  // namespace

std::optional<WipeTarget> chooseWipeTarget(const std::string& path, int* error)
{
    if (path.empty()) {
        setError(error, ENOENT);
        return std::nullopt;
    }
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) == nullptr) {
        setError(error, errno);
        return std::nullopt;
    }
    FileDescriptor file = openRegular(resolved, O_RDWR, error);
    if (!file.isOpen())
        return std::nullopt;
    struct stat status {};
    if (::fstat(file.get(), &status) != 0) {
        setError(error, errno);
        return std::nullopt;
    }
    return WipeTarget{resolved, static_cast<std::int64_t>(status.st_size)};
}

int deletionRefusal(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    // Write and search permission on the folder (also refused for a read-only or immutable one).
    if (::access(folder.c_str(), W_OK | X_OK) != 0)
        return errno;
    struct stat file {};
    struct stat dir {};
    if (::lstat(path.c_str(), &file) != 0 || ::stat(folder.c_str(), &dir) != 0)
        return errno;
    // In a sticky folder (such as /tmp) only the owner of the file or of the folder deletes it.
    const uid_t me = ::geteuid();
    if ((dir.st_mode & S_ISVTX) != 0 && me != 0 && me != file.st_uid && me != dir.st_uid)
        return EPERM;
    FileDescriptor opened = openRegular(path, O_RDONLY);
    int flags = 0;
    if (opened.isOpen() && ::ioctl(opened.get(), FS_IOC_GETFLAGS, &flags) == 0 &&
        (flags & (FS_IMMUTABLE_FL | FS_APPEND_FL)) != 0)
        return EPERM;
    return 0;
}

std::optional<std::int64_t> currentLength(const std::string& path)
{
    struct stat status {};
    if (path.empty() || ::lstat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode))
        return std::nullopt;
    return static_cast<std::int64_t>(status.st_size);
}

PassOutcome overwriteFile(const std::string& path, std::int64_t length, std::uint8_t value, int passes,
                          const WipeHooks& hooks, IByteHeap& heap, int* error)
{
    const std::uint64_t bytes = length > 0 ? static_cast<std::uint64_t>(length) : 0;
    HeapBlock buffer(heap, static_cast<std::size_t>(std::clamp<std::uint64_t>(bytes, 1, kPieceBytes)));
    if (!buffer.ok())
        return PassOutcome::NoMemory;
    std::memset(buffer.data(), value, buffer.size());
    FileDescriptor file = openRegular(path, O_RDWR, error);
    if (!file.isOpen())
        return PassOutcome::OpenFailed;

    const std::uint64_t total = bytes * static_cast<std::uint64_t>(std::max(passes, 0));
    std::uint64_t written = 0;
    std::uint64_t nextReport = kProgressEvery;
    for (int pass = 1; pass <= passes; ++pass) {
        if (hooks.beforePass)
            hooks.beforePass(pass);
        for (std::uint64_t offset = 0; offset < bytes;) {
            const auto piece = static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), bytes - offset));
            if (!writeAllAt(file.get(), {buffer.data(), piece}, offset)) {
                setError(error, errno);
                return PassOutcome::WriteFailed;
            }
            offset += piece;
            written += piece;
            if (hooks.progress && written >= nextReport) {
                hooks.progress(written, total);
                nextReport = written + kProgressEvery;
            }
            // What was written so far stays written: it goes to the disk before the wipe ends.
            if (hooks.stopRequested && hooks.stopRequested()) {
                syncData(hooks, file.get());
                return PassOutcome::Stopped;
            }
        }
        // A pass counts only once its bytes are on the disk, not just in the page cache.
        if (syncData(hooks, file.get()) != 0) {
            setError(error, errno);
            return PassOutcome::WriteFailed;
        }
        if (hooks.progress)
            hooks.progress(written, total);
        if (hooks.afterPass)
            hooks.afterPass(pass);
    }
    if (const int closeError = file.close(); closeError != 0) {
        setError(error, closeError);
        return PassOutcome::WriteFailed;
    }
    return PassOutcome::Done;
}

TruncateOutcome truncateFile(const std::string& path, int* error)
{
    FileDescriptor file = openRegular(path, O_WRONLY, error);
    if (!file.isOpen())
        return TruncateOutcome::NotOpened;
    if (::ftruncate(file.get(), 0) == 0 && file.close() == 0)
        return TruncateOutcome::Truncated;
    setError(error, errno);
    return TruncateOutcome::Failed;
}

bool deleteFile(const std::string& path, int* error)
{
    struct stat status {};
    if (path.empty() || ::lstat(path.c_str(), &status) != 0) {
        setError(error, path.empty() ? ENOENT : errno);
        return false;
    }
    if (!S_ISREG(status.st_mode)) {
        setError(error, kNotRegularFile);
        return false;
    }
    if (::unlink(path.c_str()) == 0)
        return true;
    setError(error, errno);
    return false;
}

bool resizeFile(const std::string& path, std::int64_t length, int* error)
{
    if (length < 0) {
        setError(error, EINVAL);
        return false;
    }
    FileDescriptor file = openRegular(path, O_RDWR, error);
    if (!file.isOpen())
        return false;
    if (::ftruncate(file.get(), static_cast<off_t>(length)) == 0 && file.close() == 0)
        return true;
    setError(error, errno);
    return false;
}

}  // namespace quillory
