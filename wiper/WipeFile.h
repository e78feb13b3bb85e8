#pragma once
// The file operations of the wiper: choosing a file, overwriting it in place with one byte value,
// truncating, deleting and resizing it. Only regular files are ever touched: a device, a pipe or a
// folder is refused, so nothing here can write to a disk device. Every pass is synced to the disk
// before it counts as done, so a wipe that reports success has really replaced the old bytes in the
// file (as far as the file system overwrites in place; see the help).

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "base/ByteHeap.h"
#include "base/SystemFiles.h"

namespace quillory {

// A file chosen for wiping: the path of the regular file itself (symbolic links resolved) and its
// length when it was chosen.
struct WipeTarget {
    std::string path;
    std::int64_t length = 0;
};

// Resolves symbolic links in path and opens the file for reading and writing, which proves that
// it can be written. Nothing when the file is missing, not writable or not a regular file (error,
// when given, then tells why: an errno value or kNotRegularFile).
std::optional<WipeTarget> chooseWipeTarget(const std::string& path, int* error = nullptr);

// Whether the file at path could be deleted now: 0, or why not (EACCES, EROFS or EPERM: its
// folder takes no change, the folder's sticky bit protects it from us, or it is immutable or
// append-only). A wipe that ends in deleting asks before its first pass.
int deletionRefusal(const std::string& path);

// Where a test or the dialog looks in while a wipe runs.
struct WipeHooks {
    // Commits the file's data to the disk; 0 on success, like fdatasync (the default when empty).
    std::function<int(int fd)> sync = {};
    // Called after each pass has been written and synced, with the pass's number (from 1).
    std::function<void(int pass)> afterPass = {};
    // Called every few megabytes and at the end of each pass, with the bytes written so far by this
    // call of overwriteFile and the bytes it writes in all.
    std::function<void(std::uint64_t written, std::uint64_t total)> progress = {};
    // Asked after every piece written (1 MB at most): true ends the wipe there (Stopped).
    std::function<bool()> stopRequested = {};
    // Called when a pass begins, with its number (from 1).
    std::function<void(int pass)> beforePass = {};
};

enum class PassOutcome {
    Done,
    NoMemory,     // the buffer of the value could not be allocated
    OpenFailed,   // missing, not writable, or no longer a regular file
    WriteFailed,  // a write or a sync failed (a full disk, an I/O error)
    Stopped,      // stopRequested said so; the file keeps what was written up to there
};

// Writes length bytes of value from the start of the file at path, passes times, syncing after
// every pass; never writes beyond length. Stops at the first failure (error, when given, receives
// its errno, or kNotRegularFile).
PassOutcome overwriteFile(const std::string& path, std::int64_t length, std::uint8_t value, int passes,
                          const WipeHooks& hooks = {}, IByteHeap& heap = cHeap(), int* error = nullptr);

enum class TruncateOutcome { Truncated, NotOpened, Failed };

// Cuts the regular file at path to 0 bytes: NotOpened when it cannot be opened for writing (or
// is no regular file), Failed when it was opened but could not be cut.
TruncateOutcome truncateFile(const std::string& path, int* error = nullptr);

// Removes the regular file at path. False when it is no regular file or cannot be removed.
bool deleteFile(const std::string& path, int* error = nullptr);

// Sets the length of the regular file at path: a larger length extends it with zero bytes, a
// smaller one cuts it. False when it cannot be opened or resized.
bool resizeFile(const std::string& path, std::int64_t length, int* error = nullptr);

// The length of the regular file at path now; nothing when it is gone or no regular file.
std::optional<std::int64_t> currentLength(const std::string& path);

}  // namespace quillory
