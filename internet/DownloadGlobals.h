#pragma once
// State shared between the user-interface thread and the retrieval workers: the download lock,
// the current URL and the download buffer. None of it has a destructor that could run while a
// stopped worker still finishes on its own at exit.

#include <cstdint>
#include <mutex>
#include <span>
#include <string>

#include "base/HeapBlock.h"

namespace quillory {

// Guards the download buffer. Held only for short moments: a worker takes it around each touch of
// the buffer and checks its cancel flag under it first; Stop sets that flag under it.
extern std::mutex g_csDownload;
// The URL of the last retrieval as Retrieve normalised it. Interface thread only; a worker gets
// its own copy when it starts.
extern std::string g_strUrl;
// The download buffer: the last retrieved document, g_nDownloadLen bytes followed by a 0 byte,
// from cHeap(). Empty means none and 0.
extern std::uint8_t* g_pDownload;
extern std::int32_t g_nDownloadLen;

// The largest document the buffer takes (one more byte holds the terminating 0).
inline constexpr std::int32_t kMaxDownloadLength = INT32_MAX - 1;

// The functions below expect g_csDownload to be held by the caller.

// Whether the buffer holds a document.
inline bool downloadHeld() { return g_pDownload != nullptr; }
// Frees the buffer; it is empty afterwards.
void releaseDownload();
// Appends bytes after the document, keeping the 0 after them. False, with the buffer as it was,
// when the buffer cannot grow or would pass maxLength.
bool appendToDownload(std::span<const std::uint8_t> bytes, std::int32_t maxLength = kMaxDownloadLength);
// Makes room for a document of `expected` bytes (as the server announced it) at once, so that the
// block need not grow on the way. Nothing happens when that passes maxLength or the heap refuses.
void reserveDownload(std::int64_t expected, std::int32_t maxLength = kMaxDownloadLength);
// Gives the spare room of a finished transfer back: the block is then g_nDownloadLen + 1 bytes.
void finishDownload();
// Hands the buffer over (block of g_nDownloadLen + 1 bytes at least); the buffer is empty after.
HeapBlock takeDownload();

// Puts back a document taken with takeDownload() when the buffer is still empty; otherwise a
// newer document has arrived meanwhile and the block is released.
void restoreDownload(HeapBlock block, std::int32_t length);

}  // namespace quillory
