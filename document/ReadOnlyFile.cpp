#include "document/ReadOnlyFile.h"

#include <cerrno>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/vfs.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace quillory {

ReadOnlyFile::~ReadOnlyFile()
{
    close();
}

bool ReadOnlyFile::open(const std::string& path)
{
    close();
    // Non-blocking, so that a named pipe with no writer cannot hang the editor before it is refused.
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!file)
        return false;
    const int fd = file.get();
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    m_file = std::move(file);
    m_size = info.st_size;
    struct statfs system {};
    const bool pseudo =
        ::fstatfs(fd, &system) == 0 && (system.f_type == PROC_SUPER_MAGIC || system.f_type == SYSFS_MAGIC);
    m_sizeReliable = m_size > 0 && !pseudo;
    return true;
}

std::size_t ReadOnlyFile::read(void* buffer, std::size_t count)
{
    auto* out = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t got = ::read(m_file.get(), out + done, count - done);
        if (got < 0 && errno == EINTR)
            continue;
        m_failed = m_failed || got < 0;
        if (got <= 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    return done;
}

bool ReadOnlyFile::atEnd()
{
    char byte = 0;
    return read(&byte, 1) == 0;
}

bool ReadOnlyFile::seekToStart()
{
    return ::lseek(m_file.get(), 0, SEEK_SET) == 0;
}

void ReadOnlyFile::close()
{
    m_file = FileDescriptor();
    m_size = 0;
    m_sizeReliable = false;
    m_failed = false;
}

}  // namespace quillory
