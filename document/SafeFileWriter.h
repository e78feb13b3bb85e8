#pragma once
// Writes a file so that a failure never destroys the file it replaces: the content goes to a new
// file in the same folder, is flushed to disk, and only then renamed over the target.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace quillory {

// Replaces (or creates) the file at path with the given bytes. A symbolic link stays a link: the
// file it points to is replaced. The replaced file's permissions are kept. Where the folder
// cannot take a new file but the target itself is writable, the target is rewritten in place.
// Returns false, with the target as it was, when anything fails.
bool writeFileReplacing(const std::string& path, std::span<const std::uint8_t> content);

// Whether path names an existing file that can be opened for writing.
bool isWritableExistingFile(const std::string& path);

}  // namespace quillory
