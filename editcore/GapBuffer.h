#pragma once
// Bytes in one allocation with a movable gap: edits near each other cost O(edit size), a distant
// edit costs one memmove of the bytes between the old and the new gap position.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "base/HeapBlock.h"

namespace quillory {

class GapBuffer {
public:
    // minGapBytes: the gap left after a growth; tests make it tiny to force reallocations.
    explicit GapBuffer(std::size_t minGapBytes = std::size_t{64} * 1024) : m_minGap(minGapBytes) {}

    std::int64_t size() const { return static_cast<std::int64_t>(m_size - gapLength()); }

    // Replaces everything by bytes; one copy, a small gap at the end.
    void assign(std::string_view bytes);
    // Replaces everything by the `length` bytes at [offset, offset + length) of block, taking
    // ownership: no copy. With offset 0 the rest of the block is the gap; otherwise [0, offset) is
    // the gap, in front of the text where a fresh load is edited first (the block beyond the text
    // is then left unused).
    void adopt(HeapBlock block, std::size_t length, std::size_t offset = 0);

    // Byte at pos; 0 <= pos < size().
    std::uint8_t at(std::int64_t pos) const
    {
        auto p = static_cast<std::size_t>(pos);
        return p < m_gapStart ? m_data.data()[p] : m_data.data()[p + gapLength()];
    }

    void insert(std::int64_t pos, std::string_view bytes);
    void erase(std::int64_t pos, std::int64_t count);
    // Replaces [pos, pos + removed) by `length` bytes that the caller writes at the returned
    // pointer at once, before any other call.
    std::uint8_t* replaceUnfilled(std::int64_t pos, std::int64_t removed, std::size_t length);
    // Exchanges the count bytes at pos with the count bytes at other.
    void swap(std::int64_t pos, std::int64_t count, char* other);
    // Makes room for `bytes` more without a later reallocation.
    void reserve(std::size_t bytes) { ensureGap(bytes); }

    // Copies [pos, pos + count) to out.
    void copy(std::int64_t pos, std::int64_t count, char* out) const;
    std::string text(std::int64_t pos, std::int64_t count) const;

    // A pointer to count contiguous bytes at pos: direct when the range does not straddle the gap,
    // otherwise a copy in scratch (valid until scratch changes).
    const std::uint8_t* span(std::int64_t pos, std::int64_t count, std::string& scratch) const;

    // The two stored segments in text order: [0, gap) and [gap, size).
    std::string_view before() const { return {reinterpret_cast<const char*>(m_data.data()), m_gapStart}; }
    std::string_view after() const
    {
        return {reinterpret_cast<const char*>(m_data.data() + m_gapEnd), m_size - m_gapEnd};
    }

    // Bytes held, gap included; for memory reports.
    std::size_t capacityBytes() const { return m_size; }
    std::size_t minGap() const { return m_minGap; }
    // Gives the block back and leaves the buffer empty (without a block). The text lies in it as
    // it was, around the gap: just as adopted when nothing changed since.
    HeapBlock releaseBlock()
    {
        m_size = m_gapStart = m_gapEnd = 0;
        return std::move(m_data);
    }

    // The first broken invariant, or an empty string when all hold (for tests).
    std::string checkInvariants() const;

private:
    std::size_t gapLength() const { return m_gapEnd - m_gapStart; }
    void moveGap(std::size_t pos);
    void ensureGap(std::size_t needed);

    HeapBlock m_data;            // [0, gapStart) text, [gapStart, gapEnd) gap, [gapEnd, size) text
    std::size_t m_size = 0;      // bytes in use of m_data (all of it, or the text when adopted shorter)
    std::size_t m_gapStart = 0;  // first byte of the gap
    std::size_t m_gapEnd = 0;    // first byte after the gap
    std::size_t m_minGap;        // gap left after a growth
};

}  // namespace quillory
