#pragma once
// A file opened read-only for loading: size, whole reads that survive short reads, rewind.

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/FileDescriptor.h"

namespace quillory {

class ReadOnlyFile {
public:
    ReadOnlyFile() = default;
    ~ReadOnlyFile();
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    // Opens a regular file for reading; false when it is missing, unreadable or not a regular file.
    bool open(const std::string& path);
    bool isOpen() const { return m_file.isOpen(); }

    // Length of the file in bytes when it was opened.
    std::int64_t size() const { return m_size; }
    // Whether size() can be believed: false for a length of 0 (which files of /proc show whatever
    // they hold) and for the pseudo-files of /proc and /sys, which are read to their end instead.
    bool sizeIsReliable() const { return m_sizeReliable; }

    // Reads up to count bytes from the current position; returns how many were read
    // (fewer at the end of the file or on a read error).
    std::size_t read(void* buffer, std::size_t count);
    // Whether nothing follows the current position (reads a byte to see).
    bool atEnd();
    // Whether a read failed (rather than met the end of the file).
    bool failed() const { return m_failed; }

    bool seekToStart();
    void close();

private:
    FileDescriptor m_file;
    std::int64_t m_size = 0;
    bool m_sizeReliable = false;
    bool m_failed = false;
};

}  // namespace quillory
