#pragma once
// A file opened read-only for loading: size, whole reads that survive short reads, rewind.

#include <cstddef>
#include <cstdint>
#include <string>

namespace quillory {

class ReadOnlyFile {
public:
    ReadOnlyFile() = default;
    ~ReadOnlyFile();
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    // Opens a regular file for reading; false when it is missing, unreadable or not a regular file.
    bool open(const std::string& path);
    bool isOpen() const { return m_fd >= 0; }

    // Length of the file in bytes when it was opened.
    std::int64_t size() const { return m_size; }

    // Reads up to count bytes from the current position; returns how many were read
    // (fewer at the end of the file or on a read error).
    std::size_t read(void* buffer, std::size_t count);

    bool seekToStart();
    void close();

private:
    int m_fd = -1;
    std::int64_t m_size = 0;
};

}  // namespace quillory
