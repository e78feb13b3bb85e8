#pragma once
// The byte storage of a BINARY document with its private clipboard and one-step undo record.
// Every edit takes the control's selection as an argument and changes the storage at the same
// positions that the control is about to change.

#include <algorithm>
#include <cstdint>
#include <span>
#include <string>

#include "base/ByteHeap.h"
#include "base/HeapBlock.h"
#include "base/CharRange.h"

namespace quillory {

class ByteStorage {
public:
    // When an edit needs more room than the gap has, the block grows so that the gap then holds
    // the edit and one step more: max(kMinGrowth, length / 64). A 1 GB storage grows by 16 MB, a
    // copy of the bytes after the gap every 16 million typed bytes at worst (and 1.6 % of memory);
    // a small one by 64 KB, the gap the loader leaves before a file.
    static constexpr std::int32_t kMinGrowth = 64 * 1024;
    static constexpr std::int32_t kGrowthDivisor = 64;
    // Lengths are 32-bit; one more byte always holds the terminating 0.
    static constexpr std::int32_t kMaxLength = INT32_MAX - 1;

    // minGrowth: the least growth step; tests make it tiny to make the gap run out often.
    explicit ByteStorage(IByteHeap& heap = cHeap(), std::int32_t minGrowth = kMinGrowth)
        : m_heap(heap), m_minGrowth(minGrowth)
    {}
    ~ByteStorage();
    ByteStorage(const ByteStorage&) = delete;
    ByteStorage& operator=(const ByteStorage&) = delete;

    // The block holds the bytes in two pieces with a movable gap between them: [0, gapStart) and
    // [gapStart, length) of the bytes. Edits near each other cost O(edit size); an edit elsewhere
    // costs one move of the bytes between the old and the new place of the gap.

    // True bytes held (gap excluded).
    std::int32_t length() const { return m_length; }
    // Bytes the block holds before it must grow: length() plus the gap; 0 while a load still
    // shows its display copy.
    std::int32_t capacity() const { return m_loading ? 0 : m_length + m_gapLength; }
    // The true bytes (BINARY), or the display copy while loading, contiguous with a 0 after them
    // (bytes()[length()] == 0); none when there is no block. Costs a move of the gap to the nearer
    // end of the bytes (up to length() / 2 bytes; nothing when it is at one already, as after a
    // load at an offset): for rare callers (showing the document, save, find). The pointer is
    // valid until the next edit. Not to be called from two threads.
    const std::uint8_t* bytes() const;
    // Copies the bytes of [pos, pos + out.size()) to out, across the gap without moving it: for
    // readers of a part (the hex pane, the recovery journal). The range must lie in the bytes.
    void read(std::int64_t pos, std::span<std::uint8_t> out) const;
    // The byte at pos; 0 <= pos < length().
    std::uint8_t at(std::int32_t pos) const { return m_bytes[pos < m_gapStart ? pos : pos + m_gapLength]; }
    // Where the gap lies among the bytes, and its length (for tests and measurements).
    std::int32_t gapStart() const { return m_gapStart; }
    std::int32_t gapLength() const { return m_gapLength; }
    // How much the next growth adds beyond what the edit needs.
    std::int32_t growthStep() const { return std::max(m_minGrowth, m_length / kGrowthDivisor); }
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

    // Takes ownership of a block as the new storage: the bytes lie at [offset, offset + length)
    // with a 0 after them. With offset 0 the gap follows the bytes up to capacity (blockBytes >=
    // max(length, capacity) + 1); with an offset the gap is [0, offset), before the bytes, where a
    // freshly loaded file is typed into first (capacity is then 0 or offset + length, blockBytes >=
    // offset + length + 1). A load in progress passes capacity 0 and adopts the block again with
    // its capacity once it holds the true bytes.
    void adoptBlock(std::uint8_t* block, std::int32_t length, std::size_t blockBytes, std::int32_t capacity = 0,
                    std::int32_t offset = 0);
    void releaseStorage();
    // Hands the storage block (its whole allocated size) over to the caller, the bytes contiguous
    // at its start with a 0 after them (the gap is moved to the end first); the storage is then
    // empty.
    HeapBlock takeBlock();
    // The same, the bytes contiguous at [offset, offset + length()) with a 0 after them: the gap
    // goes to whichever end moves fewer bytes, none when it is at one already (a block adopted
    // with an offset and not edited comes back as it was).
    HeapBlock takeBlock(std::int32_t& offset);
    void releaseUndo();
    void releaseClip();
    // Gives the gap and the slack back: the gap moves to the end and the block shrinks to
    // length() + 1 bytes. False when that fails.
    bool freeSlack();

    IByteHeap& heap() const { return m_heap; }

    // The first broken invariant, or an empty string when all hold (for tests): the gap lies in
    // the bytes, the block holds the bytes, the gap and a 0 after them; the undo record's range
    // lies in the storage; the clipboard and the undo bytes are 0-terminated; nothing held means
    // all zero.
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
    // Makes the gap hold at least `added` more bytes, growing the block by growthStep() beyond
    // that when it must. False (nothing changed) when it cannot.
    bool reserveGap(std::int32_t added);
    bool resizeBlock(std::int32_t capacity);
    // Moves the gap to start at pos of the bytes.
    void moveGap(std::int32_t pos) const;
    // Moves the gap to the end and puts the 0 right after the bytes.
    void closeGap() const;
    // Moves the gap to the nearer end of the bytes (none when it is at one) and returns where the
    // now contiguous bytes start in the block: 0, or the gap's length. A 0 follows them.
    std::int32_t makeContiguous() const;
    void setUndo(std::int32_t start, std::int32_t count, std::int32_t undoStart, std::int32_t undoEnd);
    std::uint8_t* copyOfRange(std::int32_t start, std::int32_t count) const;
    // Replaces [start, end) by count bytes; the gap must already hold the growth.
    void replaceRange(std::int32_t start, std::int32_t end, const std::uint8_t* bytes, std::int32_t count);
    std::int32_t usedBytes() const { return m_length + m_gapLength; }

    IByteHeap& m_heap;
    std::int32_t m_minGrowth;
    std::int32_t m_length = 0;
    // The block: [0, m_gapStart) bytes, then the gap of m_gapLength, then the rest of the bytes,
    // then a 0 at m_length + m_gapLength. Moving the gap changes no byte's value: bytes() const
    // may do it.
    mutable std::int32_t m_gapStart = 0;
    std::int32_t m_gapLength = 0;
    bool m_loading = false;  // adopted with capacity 0: capacity() reports 0
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
