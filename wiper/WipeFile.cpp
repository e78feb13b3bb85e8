#include "wiper/WipeFile.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/HeapBlock.h"

namespace quillory {

namespace {

constexpr std::size_t kPieceBytes = 1 << 20;           // bytes per write call
constexpr std::uint64_t kProgressEvery = 8ull << 20;   // bytes between two progress reports

// An open descriptor that closes itself.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return m_fd; }
    bool ok() const { return m_fd >= 0; }
    // Closes now; false when close reports a delayed write error.
    bool close()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int m_fd;
};

// Opens path only if it names a regular file itself (not a link to one): a device or a pipe is
// never opened, since opening some devices already acts on them. -1 otherwise.
int openRegular(const std::string& path, int access)
{
    struct stat before {};
    if (path.empty() || ::lstat(path.c_str(), &before) != 0 || !S_ISREG(before.st_mode))
        return -1;
    const int fd = ::open(path.c_str(), access | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    // The name may have been given to something else between the two looks.
    struct stat opened {};
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode) || opened.st_ino != before.st_ino ||
        opened.st_dev != before.st_dev) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Writes count bytes of buffer at offset, going on after short writes and interruptions.
bool writeAllAt(int fd, const std::uint8_t* buffer, std::size_t count, std::uint64_t offset)
{
    while (count > 0) {
        const ssize_t written = ::pwrite(fd, buffer, count, static_cast<off_t>(offset));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        buffer += written;
        count -= static_cast<std::size_t>(written);
        offset += static_cast<std::uint64_t>(written);
    }
    return true;
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

std::optional<WipeTarget> chooseWipeTarget(const std::string& path)
{
    if (path.empty())
        return std::nullopt;
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) == nullptr)
        return std::nullopt;
    FileDescriptor file(openRegular(resolved, O_RDWR));
    if (!file.ok())
        return std::nullopt;
    struct stat status {};
    if (::fstat(file.get(), &status) != 0)
        return std::nullopt;
    return WipeTarget{resolved, static_cast<std::int64_t>(status.st_size)};
}

PassOutcome overwriteFile(const std::string& path, std::int64_t length, std::uint8_t value, int passes,
                          const WipeHooks& hooks, IByteHeap& heap)
{
    const std::uint64_t bytes = length > 0 ? static_cast<std::uint64_t>(length) : 0;
    HeapBlock buffer(heap, static_cast<std::size_t>(std::clamp<std::uint64_t>(bytes, 1, kPieceBytes)));
    if (!buffer.ok())
        return PassOutcome::NoMemory;
    std::memset(buffer.data(), value, buffer.size());
    FileDescriptor file(openRegular(path, O_RDWR));
    if (!file.ok())
        return PassOutcome::OpenFailed;

    const std::uint64_t total = bytes * static_cast<std::uint64_t>(std::max(passes, 0));
    std::uint64_t written = 0;
    std::uint64_t nextReport = kProgressEvery;
    for (int pass = 1; pass <= passes; ++pass) {
        for (std::uint64_t offset = 0; offset < bytes;) {
            const auto piece = static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), bytes - offset));
            if (!writeAllAt(file.get(), buffer.data(), piece, offset))
                return PassOutcome::WriteFailed;
            offset += piece;
            written += piece;
            if (hooks.progress && written >= nextReport) {
                hooks.progress(written, total);
                nextReport = written + kProgressEvery;
            }
        }
        // A pass counts only once its bytes are on the disk, not just in the page cache.
        if (syncData(hooks, file.get()) != 0)
            return PassOutcome::WriteFailed;
        if (hooks.progress)
            hooks.progress(written, total);
        if (hooks.afterPass)
            hooks.afterPass(pass);
    }
    return file.close() ? PassOutcome::Done : PassOutcome::WriteFailed;
}

TruncateOutcome truncateFile(const std::string& path)
{
    FileDescriptor file(openRegular(path, O_WRONLY));
    if (!file.ok())
        return TruncateOutcome::NotOpened;
    return ::ftruncate(file.get(), 0) == 0 && file.close() ? TruncateOutcome::Truncated : TruncateOutcome::Failed;
}

bool deleteFile(const std::string& path)
{
    struct stat status {};
    return !path.empty() && ::lstat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
           ::unlink(path.c_str()) == 0;
}

bool resizeFile(const std::string& path, std::int64_t length)
{
    if (length < 0)
        return false;
    FileDescriptor file(openRegular(path, O_RDWR));
    return file.ok() && ::ftruncate(file.get(), static_cast<off_t>(length)) == 0 && file.close();
}

}  // namespace quillory
