#pragma once
// The byte storage of a BINARY document with its private clipboard and one-step undo record.
// Every edit takes the control's selection as an argument and changes the storage at the same
// positions that the control is about to change.

#include <cstdint>
#include <span>
#include <string>

#include "base/ByteHeap.h"
#include "base/HeapBlock.h"
#include "base/CharRange.h"

namespace quillory {

class ByteStorage {
public:
    // Single-byte insertions grow the block by this many bytes, so that typing does not resize it
    // on every key.
    static constexpr std::int32_t kGrowthStep = 20;
    // Lengths are 32-bit; one more byte always holds the terminating 0.
    static constexpr std::int32_t kMaxLength = INT32_MAX - 1;

    explicit ByteStorage(IByteHeap& heap = cHeap()) : m_heap(heap) {}
    ~ByteStorage();
    ByteStorage(const ByteStorage&) = delete;
    ByteStorage& operator=(const ByteStorage&) = delete;

    // Valid bytes in the block; bytes()[length()] is 0.
    std::int32_t length() const { return m_length; }
    // Bytes the block holds before it must grow; 0 while a load still shows its display copy.
    std::int32_t capacity() const { return m_capacity; }
    // The true bytes (BINARY), or the display copy while loading; none when there is no block.
    const std::uint8_t* bytes() const { return m_bytes; }
    // The private clipboard: true bytes of the last Copy or Cut, 0-terminated.
    bool hasClip() const { return m_clip != nullptr; }
    std::span<const std::uint8_t> clip() const { return {m_clip, static_cast<std::size_t>(m_clipLength)}; }
    // The one-step undo record: the bytes undoing puts back; none means nothing to undo.
    bool hasUndo() const { return m_undo != nullptr; }
    std::span<const std::uint8_t> undoBytes() const { return {m_undo, static_cast<std::size_t>(m_undoLength)}; }

    // Whether a Backspace (backward) or Delete at sel removes anything.
    bool wouldDelete(CharRange sel, bool backward) const;
    // Removes the selection, or one byte before (backward) or after the caret.
    void deleteAt(CharRange sel, bool backward);
    // Replaces the selection by b, or inserts b at the caret. False when the storage cannot grow.
    bool insertAt(CharRange sel, std::uint8_t b);
    // Replaces the byte after the caret by b (appends at the end), or the selection by b.
    bool overwriteAt(CharRange sel, std::uint8_t b);
    // Puts the selected bytes on the private clipboard.
    void copyAt(CharRange sel);
    // Replaces the selection by the private clipboard. False when there is no clipboard or no room.
    bool pasteAt(CharRange sel);
    // Reverses the last edit; the record becomes its own reverse, so a second call redoes it.
    // False when the storage cannot grow to take the bytes back (nothing changes then).
    bool undo();

    // Takes ownership of a block of blockBytes >= max(length, capacity) + 1 bytes, 0 after the
    // length, as the new storage. A load in progress passes capacity 0 and adopts the block again
    // with its capacity once it holds the true bytes.
    void adoptBlock(std::uint8_t* block, std::int32_t length, std::size_t blockBytes, std::int32_t capacity = 0);
    void releaseStorage();
    // Hands the storage block (its whole allocated size) over to the caller; the storage is then
    // empty.
    HeapBlock takeBlock();
    void releaseUndo();
    void releaseClip();
    // Gives the slack back: the block shrinks to length() + 1 bytes. False when that fails.
    bool freeSlack();

    IByteHeap& heap() const { return m_heap; }

    // The first broken invariant, or an empty string when all hold (for tests): the block holds
    // the length and capacity and a 0 after the bytes; the undo record's range lies in the
    // storage; the clipboard and the undo bytes are 0-terminated; nothing held means all zero.
    std::string checkInvariants() const;

private:
    // A selection clamped into the bytes, its start at most its end: positions the storage's
    // 32-bit lengths can hold.
    struct Span {
        std::int32_t start = 0;
        std::int32_t end = 0;
        bool empty() const { return start == end; }
        operator CharRange() const { return {start, end}; }
    };
    Span clamp(CharRange sel) const;
    bool growBy(std::int32_t extra);
    bool resizeBlock(std::int32_t capacity);
    void setUndo(const std::uint8_t* bytes, std::int32_t count, std::int32_t start, std::int32_t end);
    std::uint8_t* copyOf(const std::uint8_t* bytes, std::int32_t count) const;
    void replaceRange(std::int32_t start, std::int32_t end, const std::uint8_t* bytes, std::int32_t count);

    IByteHeap& m_heap;
    std::int32_t m_length = 0;
    std::int32_t m_capacity = 0;  // the block is at least m_capacity + 1 bytes
    std::uint8_t* m_bytes = nullptr;
    std::size_t m_blockBytes = 0;  // bytes allocated for m_bytes
    std::uint8_t* m_clip = nullptr;
    std::int32_t m_clipLength = 0;
    std::uint8_t* m_undo = nullptr;  // bytes that undoing puts back in [m_undoStart, m_undoEnd)
    std::int32_t m_undoLength = 0;
    std::int32_t m_undoStart = 0;
    std::int32_t m_undoEnd = 0;
};

}  // namespace quillory
