#pragma once
// The base file of a journal, opened without ever blocking and read back for its checksum. Shared
// by the replay and the writer.

#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "base/FileDescriptor.h"
#include "recovery/JournalFormat.h"

namespace quillory {

// Opens the regular file at path for reading (never a pipe, device or socket, never blocking) and
// tells its identity. Empty with errno set when it cannot (EINVAL: not a regular file).
FileDescriptor openBaseFile(const std::string& path, BaseIdentity& identity);

// Reads file from its start to its end, handing each piece to take. False with errno set on a read
// error, or with errno 0 when take returned false.
bool readPieces(int file, std::size_t pieceBytes, const std::function<bool(std::span<const std::uint8_t>)>& take);

// What differs between the base as the journal recorded it and the file now: a line for the user.
std::string describeChange(const BaseIdentity& recorded, const BaseIdentity& now);

// A line for the user from an errno value (strerror), EINVAL read as "not a regular file".
std::string describeOpenError(const std::string& path, int error);

}  // namespace quillory
