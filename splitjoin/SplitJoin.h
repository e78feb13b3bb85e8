#pragma once
// Split and Join as the Split/Join dialog's buttons run them: the file dialogs, the chunk files or
// the joined output, the status texts in their order and every message. Lengths are 64-bit, chunks
// are created exclusively (an existing file is never overwritten), and only regular files are
// opened (a pipe, device or socket is refused at once, never waited on). A read or write error in
// the middle stops the work with a message naming the file and the status "File Error!"; the
// unfinished chunk is removed, and a join's output gets its old length back (or is removed when the
// join created it). Every message about a failed system call ends with its reason.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/FileDialogs.h"
#include "base/MessageBox.h"
#include "splitjoin/FileCopier.h"

namespace quillory {

// Status texts of the dialog's status field.
inline constexpr const char* kStatusReady = "Ready";
inline constexpr const char* kStatusOpened = "Ready!";
inline constexpr const char* kStatusProcessing = "Processing...";
inline constexpr const char* kStatusAborted = "Aborted!";
inline constexpr const char* kStatusFileError = "File Error!";
inline constexpr const char* kStatusLowMemory = "Low Memory.";
inline constexpr const char* kStatusFinished = "Finished!";

// The filter of the split and join file dialogs.
inline constexpr const char* kSplitJoinFilter = "All Files (*.*)|*.*||";

// Where a split or join shows what it does.
struct SplitJoinHost {
    IMessageBoxes& boxes;
    IFileDialogs& dialogs;
    std::function<void(const std::string& status)> setStatus;
    // Bytes copied so far and in all, after every step of the copy; may be empty.
    std::function<void(std::uint64_t done, std::uint64_t total)> progress = {};
    std::size_t bufferBytes = kCopyBufferBytes;  // the copy buffer and the largest step
    bool kernelCopy = true;                      // false: through the buffer only
};

// SPLIT: asks for the source (starting in curDir), takes the chunk size of the choice, asks for the
// base name B and writes B.1, B.2, ... (digits as the chunk count needs). An empty source gives no
// chunk; an existing chunk name stops the split with the chunks before it left. A source that
// cannot be opened is reported with its reason ("File Error!").
void splitFile(const SplitJoinHost& host, const std::string& curDir, int chunkChoice, const std::string& customSize);

// JOIN: asks for the output (starting in curDir) and appends the inputs to it in order; an output
// that exists keeps its old bytes in front. The first input that cannot be read (or is the output
// itself) stops the join, with the inputs before it appended.
void joinFiles(const SplitJoinHost& host, const std::string& curDir, const std::vector<std::string>& inputs);

}  // namespace quillory
