#pragma once
// The download buffer: the last retrieved document, shared by the retrieval worker that fills it
// and the interface that shows or saves it. It holds its own lock, and every operation takes it
// for a moment; no caller ever locks anything.
//
// The document is `length` bytes in one block from cHeap(), followed by a 0 byte. Empty means no
// block and a length of 0.
//
// A worker names its cancel flag in each call that writes: the flag is read under the lock, and
// stopWriter() sets it under the same lock, so once stopWriter() has returned that worker touches
// the buffer no more.

#include <atomic>
#include <cstdint>
#include <mutex>
#include <span>
#include <string>

#include "base/HeapBlock.h"
#include "base/Prefaulter.h"

namespace quillory {

// The largest document the buffer takes (one more byte holds the terminating 0).
inline constexpr std::int32_t kMaxDownloadLength = INT32_MAX - 1;

class DownloadBuffer {
public:
    // A document taken out of the buffer: its block (length + 1 bytes at least) and its length.
    struct Document {
        HeapBlock block;
        std::int32_t length = 0;
    };
    // What became of bytes a worker handed in.
    enum class Append { Done, Cancelled, Full };

    DownloadBuffer() = default;
    ~DownloadBuffer();
    DownloadBuffer(const DownloadBuffer&) = delete;
    DownloadBuffer& operator=(const DownloadBuffer&) = delete;

    // Whether the buffer holds a document.
    bool held() const;
    std::int32_t length() const;
    // A copy of the document's bytes (empty when none).
    std::string contents() const;
    // Whether the byte after the document is the 0 the buffer promises (true when empty).
    bool terminated() const;

    // Frees the document; the buffer is empty afterwards.
    void release();
    // Hands the document over; the buffer is empty after.
    Document take();
    // Puts back a document taken with take() when the buffer is still empty; otherwise a newer
    // document has arrived meanwhile and this one is released.
    void restore(Document document);

    // The worker's operations. Each does nothing but return false or Cancelled once `cancelled`
    // is set.
    // A new document begins: the earlier one goes, and room is made for `announced` bytes (-1:
    // unknown) at once, so that the block need not grow on the way (the earlier document's block,
    // when it is of about that size).
    bool beginDocument(const std::atomic<bool>& cancelled, std::int64_t announced, std::int32_t maxLength);
    // Appends bytes after the document, 4096 at a time, keeping the 0 after them. Full, with the
    // whole pieces before kept, when the buffer cannot grow or would pass maxLength.
    Append append(const std::atomic<bool>& cancelled, std::span<const std::uint8_t> bytes, std::int32_t maxLength);
    // The transfer has ended: the spare room goes back, the block is length + 1 bytes.
    bool finishDocument(const std::atomic<bool>& cancelled);
    // Sets the writer's cancel flag under the lock (see above).
    void stopWriter(std::atomic<bool>& cancelled);

private:
    bool appendPiece(std::span<const std::uint8_t> bytes, std::int32_t maxLength);
    void releaseLocked();

    mutable std::mutex m_mutex;       // guards everything below
    std::uint8_t* m_bytes = nullptr;  // the document, then a 0; nullptr when empty
    std::int32_t m_length = 0;        // bytes of the document
    std::size_t m_blockBytes = 0;     // bytes allocated for m_bytes (at least m_length + 1)
    Prefaulter m_prefaulter;          // makes the announced room resident ahead of the worker
};

}  // namespace quillory
