#pragma once
// Bytes copied out of a document on a thread of their own, so that a large edit (Replace All over
// hundreds of megabytes) costs the interface nothing: the fresh memory the copy goes to is slow to
// touch for the first time. The bytes copied must stay where they are, unchanged, until
// waitCopied() has returned; the owner of the document calls it before its next change.

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <vector>

#include "base/ByteHeap.h"
#include "base/HeapBlock.h"

namespace quillory {

class BackgroundCopy {
public:
    // Starts copying the pieces, in order, into one block of heap.
    static std::shared_ptr<BackgroundCopy> start(IByteHeap& heap, std::vector<std::span<const std::uint8_t>> pieces);

    // Waits until the pieces are copied (or the memory for them was refused).
    void waitCopied();
    // After waitCopied: the block (not ok() when the heap refused it) and the bytes it holds.
    HeapBlock takeBlock();
    std::size_t length() const { return m_length; }

private:
    BackgroundCopy(IByteHeap& heap, std::vector<std::span<const std::uint8_t>> pieces);
    void run();

    IByteHeap& m_heap;
    std::vector<std::span<const std::uint8_t>> m_pieces;
    std::size_t m_length = 0;
    HeapBlock m_block;
    std::mutex m_mutex;
    std::condition_variable m_copiedChanged;
    bool m_copied = false;
};

}  // namespace quillory
