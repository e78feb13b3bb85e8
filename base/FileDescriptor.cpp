#include "base/FileDescriptor.h"

#include <cerrno>
#include <unistd.h>

namespace quillory {

FileDescriptor::~FileDescriptor()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept
{
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = other.release();
    }
    return *this;
}

int FileDescriptor::release()
{
    const int fd = m_fd;
    m_fd = -1;
    return fd;
}

int FileDescriptor::close()
{
    if (m_fd < 0)
        return EBADF;
    // Linux releases the descriptor even when close fails, so it is never closed twice.
    const int result = ::close(release());
    return result == 0 ? 0 : errno;
}

}  // namespace quillory
