#include "base/SafeFileWriter.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillory {

namespace {

bool writeAll(int fd, std::span<const std::uint8_t> content)
{
    std::size_t done = 0;
    while (done < content.size()) {
        const ssize_t put = ::write(fd, content.data() + done, content.size() - done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        done += static_cast<std::size_t>(put);
    }
    return true;
}

// The file a path finally names: symbolic links followed, also when the last one dangles.
std::string resolveLinks(const std::string& path)
{
    std::string current = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat info {};
        if (::lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
            return current;
        char target[PATH_MAX];
        const ssize_t length = ::readlink(current.c_str(), target, sizeof target - 1);
        if (length <= 0)
            return current;
        const std::string link(target, static_cast<std::size_t>(length));
        if (link.front() == '/') {
            current = link;
        } else {
            const std::size_t slash = current.rfind('/');
            current = (slash == std::string::npos ? std::string() : current.substr(0, slash + 1)) + link;
        }
    }
    return current;
}

std::string folderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Creates a file of a new random name in folder, with `mode` as the kernel masks it (umask or
// the folder's default ACL); returns its descriptor and sets path, or -1.
int createTemporary(const std::string& folder, mode_t mode, std::string& path)
{
    static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    static thread_local std::mt19937_64 random{std::random_device{}() ^ static_cast<std::uint64_t>(::getpid())};
    for (int attempt = 0; attempt < 100; ++attempt) {
        path = folder + "/.quillory-save-";
        for (int i = 0; i < 8; ++i)
            path += kDigits[random() % (sizeof kDigits - 1)];
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

void syncFolder(const std::string& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// Rewrites an existing file in place: used only where no new file can be made beside it.
bool writeInPlace(const std::string& target, std::span<const std::uint8_t> content)
{
    const int fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    bool ok = writeAll(fd, content) && ::ftruncate(fd, static_cast<off_t>(content.size())) == 0;
    ok = ::fsync(fd) == 0 && ok;
    return ::close(fd) == 0 && ok;
}

}  // namespace

ExistingFile probeExistingFile(const std::string& path)
{
    // Non-blocking, so that a named pipe is refused instead of waiting for a reader.
    const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    struct stat info {};
    if (fd < 0) {
        // A pipe without a reader refuses the open itself (ENXIO). A folder counts as no file:
        // it is what an untitled document's path names.
        const bool exists = ::stat(path.c_str(), &info) == 0;
        const bool special = exists && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode);
        return special ? ExistingFile::NotRegular : ExistingFile::Unwritable;
    }
    const bool regular = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    ::close(fd);
    return regular ? ExistingFile::Writable : ExistingFile::NotRegular;
}

bool isWritableExistingFile(const std::string& path)
{
    return probeExistingFile(path) == ExistingFile::Writable;
}

bool writeFileReplacing(const std::string& path, std::span<const std::uint8_t> content)
{
    const std::string target = resolveLinks(path);
    struct stat existing {};
    const bool exists = ::stat(target.c_str(), &existing) == 0;
    if (exists && !S_ISREG(existing.st_mode))
        return false;

    const std::string folder = folderOf(target);
    // A replacement stays private until it has the replaced file's permissions; a new file gets
    // the permissions the kernel gives new files. No process-wide umask is touched.
    std::string temporary;
    const int fd = createTemporary(folder, exists ? 0600 : 0666, temporary);
    if (fd < 0)
        return exists && isWritableExistingFile(target) && writeInPlace(target, content);

    bool ok = writeAll(fd, content);
    if (exists) {
        ok = ok && ::fchmod(fd, existing.st_mode & 07777) == 0;
        [[maybe_unused]] const int owner = ::fchown(fd, existing.st_uid, existing.st_gid);  // only root may
    }
    ok = ::fsync(fd) == 0 && ok;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(temporary.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temporary.c_str());
        return false;
    }
    syncFolder(folder);
    return true;
}

}  // namespace quillory
