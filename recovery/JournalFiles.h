#pragma once
// The file operations a journal is written with, shared by its writer and its compactor: reads
// that go on after short reads and interruptions (writes: writeAllAt in base/SystemFiles), syncs, the locked ".tmp" file a new journal is
// made under, and a new journal written whole (header and perhaps one snapshot).

#include <cstdint>
#include <span>
#include <string>

#include "base/FileDescriptor.h"
#include "base/SystemFiles.h"
#include "recovery/JournalFormat.h"

namespace quillory {

std::span<const std::uint8_t> bytesOf(const std::string& text);

// Reads exactly count bytes at offset into out. False with errno set (EIO for a short file).
bool readAllAt(int fd, std::uint8_t* out, std::uint64_t count, std::uint64_t offset);
bool syncData(int fd);
// Makes a rename in folder last: a file system that cannot sync a folder (EINVAL) is no failure.
bool syncFolder(const std::string& folder);
// A new file at path (which must not exist), mode 0600 whatever the umask, locked (flock).
FileDescriptor createLocked(const std::string& path);

// Writes a journal's header and, withSnapshot, one snapshot record of the document into file from
// its start, then syncs it. The bytes written, or 0 with errno set.
std::uint64_t writeJournalStart(int file, const JournalHeader& header, bool withSnapshot,
                                std::span<const std::uint8_t> snapshot);

// Writes one record at offset, its inserted bytes from where they lie. False with errno set.
bool writeRecordAt(int file, RecordKind kind, std::uint64_t offset, std::uint64_t removed,
                   std::span<const std::uint8_t> inserted, std::uint64_t at);

}  // namespace quillory
