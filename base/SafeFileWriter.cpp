#include "base/SafeFileWriter.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <thread>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/FileDescriptor.h"

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

// Writes content in pieces, telling progress of each; false when a write fails or the work is
// cancelled (stoppable). Each piece's write-back starts at once, so the final fsync does not wait
// for the whole file at the end.
bool writeInPieces(int fd, std::span<const std::uint8_t> content, WorkProgress* progress, bool stoppable)
{
    if (progress == nullptr)
        return writeAll(fd, content);
    progress->setTotal(static_cast<std::int64_t>(content.size()));
    for (std::size_t done = 0; done < content.size();) {
        const std::size_t piece = std::min(kWorkPiece, content.size() - done);
        if (!writeAll(fd, content.subspan(done, piece)))
            return false;
        ::sync_file_range(fd, static_cast<off_t>(done), static_cast<off_t>(piece), SYNC_FILE_RANGE_WRITE);
        done += piece;
        if (!progress->advance(static_cast<std::int64_t>(done)) && stoppable)
            return false;
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

constexpr char kTemporaryPrefix[] = ".quillory-save-";
constexpr std::size_t kTemporaryRandomLength = 8;
constexpr char kTemporaryDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";

bool isTemporaryName(const char* name)
{
    const std::size_t prefix = sizeof kTemporaryPrefix - 1;
    if (std::strncmp(name, kTemporaryPrefix, prefix) != 0 || std::strlen(name) != prefix + kTemporaryRandomLength)
        return false;
    for (const char* c = name + prefix; *c != '\0'; ++c)
        if (std::strchr(kTemporaryDigits, *c) == nullptr)
            return false;
    return true;
}

// Whether path still names the file open as fd (and not one that took its name meanwhile).
bool namesOpenFile(const std::string& path, int fd)
{
    struct stat named {};
    struct stat open {};
    return ::lstat(path.c_str(), &named) == 0 && ::fstat(fd, &open) == 0 && named.st_dev == open.st_dev &&
           named.st_ino == open.st_ino;
}

// Creates a file of a new random name in folder, with `mode` as the kernel masks it (umask or
// the folder's default ACL), locked (flock, exclusive) for as long as the descriptor stays open;
// returns its descriptor and sets path, or an empty one. The lock tells every other save that the file is in
// use; a temporary that a clean-up removed before the lock was taken is given up for a new one.
FileDescriptor createTemporary(const std::string& folder, mode_t mode, std::string& path)
{
    static thread_local std::mt19937_64 random{std::random_device{}() ^ static_cast<std::uint64_t>(::getpid())};
    for (int attempt = 0; attempt < 100; ++attempt) {
        path = folder + "/" + kTemporaryPrefix;
        for (std::size_t i = 0; i < kTemporaryRandomLength; ++i)
            path += kTemporaryDigits[random() % (sizeof kTemporaryDigits - 1)];
        FileDescriptor file(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
        if (!file && errno == EEXIST)
            continue;
        if (!file)
            return {};
        // Where the file system has no locks, no clean-up can take one either: the file is safe.
        const bool locked = ::flock(file.get(), LOCK_EX | LOCK_NB) == 0;
        if ((locked || errno != EWOULDBLOCK) && namesOpenFile(path, file.get()))
            return file;
    }
    return {};
}

void syncFolder(const std::string& folder)
{
    const FileDescriptor directory(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directory)
        ::fsync(directory.get());
}

// Rewrites an existing file in place: used only where no new file can be made beside it.
bool writeInPlace(const std::string& target, std::span<const std::uint8_t> content, WorkProgress* progress)
{
    FileDescriptor file(::open(target.c_str(), O_WRONLY | O_CLOEXEC));
    if (!file)
        return false;
    bool ok = writeInPieces(file.get(), content, progress, false) &&
              ::ftruncate(file.get(), static_cast<off_t>(content.size())) == 0;
    ok = ::fsync(file.get()) == 0 && ok;
    return file.close() == 0 && ok;
}

// A cancelled save: the temporary's name goes at once; its blocks, which a large file may take a
// while to give back, go when its last descriptor closes, on a thread of its own.
void abandonTemporary(const std::string& temporary, FileDescriptor file, FileDescriptor lock)
{
    ::unlink(temporary.c_str());
    std::thread([file = std::move(file), lock = std::move(lock)]() mutable {
        file.close();
        lock.close();
    }).detach();
}

}  // namespace

int removeAbandonedTemporaries(const std::string& folder)
{
    DIR* listing = ::opendir(folder.c_str());
    if (listing == nullptr)
        return 0;
    int removed = 0;
    while (const dirent* entry = ::readdir(listing)) {
        if (!isTemporaryName(entry->d_name))
            continue;
        const std::string path = folder + "/" + entry->d_name;
        // Never follows a link, never waits on a pipe: only a regular file of ours is opened.
        const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
        if (!file)
            continue;
        struct stat info {};
        // A lock that cannot be taken belongs to a save that is still running.
        if (::fstat(file.get(), &info) == 0 && S_ISREG(info.st_mode) && ::flock(file.get(), LOCK_EX | LOCK_NB) == 0 &&
            namesOpenFile(path, file.get()) && ::unlink(path.c_str()) == 0)
            ++removed;
    }
    ::closedir(listing);
    return removed;
}

ExistingFile probeExistingFile(const std::string& path)
{
    // Non-blocking, so that a named pipe is refused instead of waiting for a reader.
    const FileDescriptor file(::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat info {};
    if (!file) {
        // A pipe without a reader refuses the open itself (ENXIO). A folder counts as no file:
        // it is what an untitled document's path names.
        const bool exists = ::stat(path.c_str(), &info) == 0;
        const bool special = exists && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode);
        return special ? ExistingFile::NotRegular : ExistingFile::Unwritable;
    }
    const bool regular = ::fstat(file.get(), &info) == 0 && S_ISREG(info.st_mode);
    return regular ? ExistingFile::Writable : ExistingFile::NotRegular;
}

bool isWritableExistingFile(const std::string& path)
{
    return probeExistingFile(path) == ExistingFile::Writable;
}

bool writeFileReplacing(const std::string& path, std::span<const std::uint8_t> content, const SyncFunction& sync,
                        WorkProgress* progress)
{
    const std::string target = resolveLinks(path);
    struct stat existing {};
    const bool exists = ::stat(target.c_str(), &existing) == 0;
    if (exists && !S_ISREG(existing.st_mode))
        return false;

    const std::string folder = folderOf(target);
    // A replacement stays private until it has the replaced file's permissions; a new file gets
    // the permissions the kernel gives new files. No process-wide umask is touched.
    removeAbandonedTemporaries(folder);
    std::string temporary;
    FileDescriptor file = createTemporary(folder, exists ? 0600 : 0666, temporary);
    if (!file)
        return exists && isWritableExistingFile(target) && writeInPlace(target, content, progress);
    // A second descriptor of the same open file keeps the lock until the rename is done, while
    // closing the first still reports a late write error.
    FileDescriptor lock(::fcntl(file.get(), F_DUPFD_CLOEXEC, 0));

    const int fd = file.get();
    bool ok = lock.isOpen() && writeInPieces(fd, content, progress, true);
    if (progress != nullptr && progress->cancelled() && !ok) {
        abandonTemporary(temporary, std::move(file), std::move(lock));
        return false;
    }
    if (exists) {
        ok = ok && ::fchmod(fd, existing.st_mode & 07777) == 0;
        [[maybe_unused]] const int owner = ::fchown(fd, existing.st_uid, existing.st_gid);  // only root may
    }
    ok = ok && (sync ? sync(fd) : ::fsync(fd)) == 0;
    ok = file.close() == 0 && ok;
    ok = ok && ::rename(temporary.c_str(), target.c_str()) == 0;
    if (!ok)
        ::unlink(temporary.c_str());
    lock.close();
    if (!ok)
        return false;
    syncFolder(folder);
    return true;
}

}  // namespace quillory
