#pragma once
// Writes a file so that a failure never destroys the file it replaces: the content goes to a new
// file in the same folder, is flushed to disk, and only then renamed over the target.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "base/LongWork.h"

namespace quillory {

// Replaces (or creates) the file at path with the given bytes. The content goes to a hidden
// temporary file beside the target (".quillory-save-" and 8 letters or digits), locked with flock
// until it has been renamed over the target; temporaries that killed saves left in that folder
// are removed first. A symbolic link stays a link: the file it points to is replaced. The
// replaced file's permissions are kept. Where the folder cannot take a new file but the target
// itself is writable, the target is rewritten in place. Returns false, with the target as it
// was, when anything fails. sync commits the new file's bytes to the disk before the rename (0 on
// success, like fsync, which it is when empty); tests look through it at what is there by then.
// progress, when given, hears of every piece written, and a Cancel stops the write between two
// pieces: false, the target as it was and the temporary gone. (A rewrite in place is never stopped
// halfway: it would leave neither file.)
using SyncFunction = std::function<int(int fd)>;
bool writeFileReplacing(const std::string& path, std::span<const std::uint8_t> content, const SyncFunction& sync = {},
                        WorkProgress* progress = nullptr);

// Removes the hidden temporary files of saves in folder that no running save holds (their lock
// can be taken); files of any other name are never touched. Returns how many were removed.
int removeAbandonedTemporaries(const std::string& folder);

// What stands at a path that Save is to write over.
enum class ExistingFile {
    Writable,    // a regular file that can be opened for writing
    NotRegular,  // a named pipe, device or socket
    Unwritable,  // nothing, a folder, or a regular file that cannot be opened for writing
};

// Looks at path without ever blocking, also when a named pipe has taken a file's place.
ExistingFile probeExistingFile(const std::string& path);

// Whether path names an existing regular file that can be opened for writing.
bool isWritableExistingFile(const std::string& path);

}  // namespace quillory
