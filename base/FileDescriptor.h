#pragma once
// An owned file descriptor: closed exactly once, when its owner goes or when close() is called.

namespace quillory {

class FileDescriptor {
public:
    FileDescriptor() = default;
    // Takes fd over; a negative fd makes an empty object (what a failed open returns).
    explicit FileDescriptor(int fd) : m_fd(fd < 0 ? -1 : fd) {}
    ~FileDescriptor();
    FileDescriptor(FileDescriptor&& other) noexcept : m_fd(other.release()) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept;
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return m_fd; }
    bool isOpen() const { return m_fd >= 0; }
    explicit operator bool() const { return isOpen(); }

    // Hands the descriptor to the caller, who closes it; the object is empty afterwards.
    int release();
    // Closes now, for a writer that must know whether a delayed write failed: 0, or the errno of
    // the failed close (EBADF when nothing was open). The descriptor is gone either way.
    int close();

private:
    int m_fd = -1;
};

}  // namespace quillory
