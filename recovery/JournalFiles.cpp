#include "recovery/JournalFiles.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillory {

std::span<const std::uint8_t> bytesOf(const std::string& text)
{
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

bool readAllAt(int fd, std::uint8_t* out, std::uint64_t count, std::uint64_t offset)
{
    std::uint64_t done = 0;
    while (done < count) {
        const ssize_t got = ::pread(fd, out + done, count - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got == 0)
            errno = EIO;  // the file is shorter than it was
        if (got <= 0)
            return false;
        done += static_cast<std::uint64_t>(got);
    }
    return true;
}

bool syncData(int fd)
{
    int result;
    do {
        result = ::fdatasync(fd);
    } while (result != 0 && errno == EINTR);
    return result == 0;
}

bool syncFolder(const std::string& folder)
{
    FileDescriptor file(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!file)
        return false;
    int result;
    do {
        result = ::fsync(file.get());
    } while (result != 0 && errno == EINTR);
    return result == 0 || errno == EINVAL;
}

FileDescriptor createLocked(const std::string& path)
{
    FileDescriptor file(::open(path.c_str(), O_CREAT | O_EXCL | O_RDWR | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!file || ::fchmod(file.get(), 0600) != 0 || ::flock(file.get(), LOCK_EX | LOCK_NB) != 0)
        return {};
    return file;
}

bool writeRecordAt(int file, RecordKind kind, std::uint64_t offset, std::uint64_t removed,
                   std::span<const std::uint8_t> inserted, std::uint64_t at)
{
    std::string prefix;
    std::string checksum;
    frameRecord(kind, offset, removed, inserted, prefix, checksum);
    return writeAllAt(file, bytesOf(prefix), at) && writeAllAt(file, inserted, at + prefix.size()) &&
           writeAllAt(file, bytesOf(checksum), at + prefix.size() + inserted.size());
}

std::uint64_t writeJournalStart(int file, const JournalHeader& header, bool withSnapshot,
                                std::span<const std::uint8_t> snapshot)
{
    std::string start;
    encodeHeader(header, start);
    if (!writeAllAt(file, bytesOf(start), 0))
        return 0;
    std::uint64_t total = start.size();
    if (withSnapshot) {
        if (!writeRecordAt(file, RecordKind::Snapshot, 0, 0, snapshot, total))
            return 0;
        total += encodedRecordSize(snapshot.size());
    }
    return syncData(file) ? total : 0;
}

}  // namespace quillory
