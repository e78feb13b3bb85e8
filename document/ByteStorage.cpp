#include "document/ByteStorage.h"

#include <algorithm>
#include <cstring>

namespace quillory {

ByteStorage::~ByteStorage()
{
    releaseStorage();
    releaseUndo();
    releaseClip();
}

ByteStorage::Span ByteStorage::clamp(CharRange sel) const
{
    const auto end = static_cast<std::int32_t>(std::clamp<Position>(sel.end, 0, m_length));
    const auto start = static_cast<std::int32_t>(std::clamp<Position>(sel.start, 0, end));
    return {start, end};
}

std::uint8_t* ByteStorage::copyOfRange(std::int32_t start, std::int32_t count) const
{
    auto* block = static_cast<std::uint8_t*>(m_heap.allocPlain(static_cast<std::size_t>(count) + 1));
    if (block == nullptr)
        return nullptr;
    read(start, {block, static_cast<std::size_t>(count)});
    block[count] = 0;
    return block;
}

void ByteStorage::setUndo(std::int32_t start, std::int32_t count, std::int32_t undoStart, std::int32_t undoEnd)
{
    releaseUndo();
    m_undo = copyOfRange(start, count);
    m_undoLength = m_undo != nullptr ? count : 0;
    m_undoStart = undoStart;
    m_undoEnd = undoEnd;
}

const std::uint8_t* ByteStorage::bytes() const
{
    if (m_bytes == nullptr)
        return nullptr;
    return m_bytes + makeContiguous();
}

std::int32_t ByteStorage::makeContiguous() const
{
    if (m_gapLength > 0 && m_gapStart < m_length - m_gapStart) {
        moveGap(0);
        return m_gapLength;  // the 0 after the bytes ends the block's used part
    }
    closeGap();
    return 0;
}

void ByteStorage::read(std::int64_t pos, std::span<std::uint8_t> out) const
{
    auto p = static_cast<std::size_t>(pos);
    std::size_t n = out.size();
    std::uint8_t* to = out.data();
    const auto gapStart = static_cast<std::size_t>(m_gapStart);
    if (p < gapStart && n > 0) {
        const std::size_t first = std::min(n, gapStart - p);
        std::memcpy(to, m_bytes + p, first);
        to += first;
        p += first;
        n -= first;
    }
    if (n > 0)
        std::memcpy(to, m_bytes + p + static_cast<std::size_t>(m_gapLength), n);
}

void ByteStorage::moveGap(std::int32_t pos) const
{
    if (pos == m_gapStart)
        return;
    if (m_gapLength > 0) {
        if (pos < m_gapStart)
            std::memmove(m_bytes + pos + m_gapLength, m_bytes + pos, static_cast<std::size_t>(m_gapStart - pos));
        else
            std::memmove(m_bytes + m_gapStart, m_bytes + m_gapStart + m_gapLength,
                         static_cast<std::size_t>(pos - m_gapStart));
    }
    m_gapStart = pos;
}

void ByteStorage::closeGap() const
{
    if (m_bytes == nullptr)
        return;
    moveGap(m_length);
    m_bytes[m_length] = 0;
}

// Gives the block `capacity` bytes (at least the length) plus the 0; the bytes after the gap move
// to the new end, so the gap takes the difference.
bool ByteStorage::resizeBlock(std::int32_t capacity)
{
    const std::int32_t oldUsed = usedBytes();
    if (capacity < oldUsed)
        closeGap();  // shrinking cuts the end of the block: no byte may lie there
    auto* block = static_cast<std::uint8_t*>(m_heap.grow(m_bytes, static_cast<std::size_t>(capacity) + 1));
    if (block == nullptr)
        return false;
    m_bytes = block;
    m_blockBytes = static_cast<std::size_t>(capacity) + 1;
    const std::int32_t tail = m_length - m_gapStart;
    if (tail > 0 && capacity > oldUsed)
        std::memmove(m_bytes + capacity - tail, m_bytes + m_gapStart + m_gapLength, static_cast<std::size_t>(tail));
    m_gapLength = capacity - m_length;
    m_bytes[capacity] = 0;
    m_loading = false;
    return true;
}

bool ByteStorage::reserveGap(std::int32_t added)
{
    if (added <= m_gapLength)
        return true;
    if (m_length > kMaxLength - added)
        return false;
    const std::int64_t wanted = std::int64_t{m_length} + added + growthStep();
    return resizeBlock(static_cast<std::int32_t>(std::min<std::int64_t>(wanted, kMaxLength)));
}

// Replaces [start, end) by count bytes: the removed bytes join the gap from whichever side they
// touch, then the new bytes fill its start. Only the bytes between the old gap and the edit move.
void ByteStorage::replaceRange(std::int32_t start, std::int32_t end, const std::uint8_t* bytes, std::int32_t count)
{
    if (end <= m_gapStart) {
        moveGap(end);
        m_gapStart = start;
    } else if (start >= m_gapStart) {
        moveGap(start);
    } else {
        m_gapStart = start;  // the gap lies inside [start, end): the bytes around it go
    }
    m_gapLength += end - start;
    m_length -= end - start;
    if (count > 0)
        std::memcpy(m_bytes + m_gapStart, bytes, static_cast<std::size_t>(count));
    m_gapStart += count;
    m_gapLength -= count;
    m_length += count;
}

bool ByteStorage::wouldDelete(CharRange sel, bool backward) const
{
    const Span r = clamp(sel);
    return backward ? r.end > 0 : r.start < m_length;
}

void ByteStorage::deleteAt(CharRange sel, bool backward)
{
    if (!wouldDelete(sel, backward))
        return;
    Span r = clamp(sel);
    if (r.empty()) {
        if (backward)
            --r.start;
        else
            ++r.end;
    }
    setUndo(r.start, r.end - r.start, r.start, r.start);
    replaceRange(r.start, r.end, nullptr, 0);
}

bool ByteStorage::insertAt(CharRange sel, std::uint8_t b)
{
    const Span r = clamp(sel);
    if (!r.empty()) {
        setUndo(r.start, r.end - r.start, r.start, r.start + 1);
        replaceRange(r.start, r.end, &b, 1);
        return true;
    }
    setUndo(r.start, 0, r.start, r.start + 1);
    if (!reserveGap(1)) {
        releaseUndo();
        return false;
    }
    replaceRange(r.start, r.start, &b, 1);
    return true;
}

bool ByteStorage::overwriteAt(CharRange sel, std::uint8_t b)
{
    const Span r = clamp(sel);
    if (r.empty() && r.start < m_length) {
        setUndo(r.start, 1, r.start, r.start + 1);
        m_bytes[r.start < m_gapStart ? r.start : r.start + m_gapLength] = b;
        return true;
    }
    return insertAt(r, b);  // at the end it appends; a selection is replaced by b
}

void ByteStorage::copyAt(CharRange sel)
{
    releaseClip();
    const Span r = clamp(sel);
    m_clip = copyOfRange(r.start, r.end - r.start);
    m_clipLength = m_clip != nullptr ? r.end - r.start : 0;
}

bool ByteStorage::pasteAt(CharRange sel)
{
    if (m_clip == nullptr)
        return false;
    const Span r = clamp(sel);
    releaseUndo();
    // Grow before removing the selection, so that a failed growth leaves the storage untouched.
    const std::int32_t lengthAfterRemoval = m_length - (r.end - r.start);
    if (lengthAfterRemoval > kMaxLength - m_clipLength)
        return false;
    if (!reserveGap(m_clipLength - (r.end - r.start)))
        return false;
    if (!r.empty())
        deleteAt(r, false);  // its undo record holds the removed bytes
    else
        setUndo(r.start, 0, r.start, r.start);
    m_undoStart = r.start;
    m_undoEnd = r.start + m_clipLength;
    replaceRange(r.start, r.start, m_clip, m_clipLength);
    return true;
}

bool ByteStorage::undo()
{
    if (m_undo == nullptr)
        return true;
    const std::int32_t a = m_undoStart;
    const std::int32_t b = m_undoEnd;
    const std::int32_t u = m_undoLength;
    if (a < 0 || b < a || b > m_length)
        return false;  // a record that no longer fits the storage is never applied
    // Exactly the room the bytes need: an undo that must grow follows a freeSlack.
    const std::int32_t added = u - (b - a);
    if (added > m_gapLength && !resizeBlock(m_length + added))
        return false;
    std::uint8_t* reverse = copyOfRange(a, b - a);  // none when it cannot be allocated
    replaceRange(a, b, m_undo, u);
    m_heap.release(m_undo);
    m_undo = reverse;
    m_undoLength = reverse != nullptr ? b - a : 0;
    m_undoStart = a;
    m_undoEnd = a + u;
    return true;
}

void ByteStorage::adoptBlock(std::uint8_t* block, std::int32_t length, std::size_t blockBytes, std::int32_t capacity,
                             std::int32_t offset)
{
    releaseStorage();
    m_bytes = block;
    m_blockBytes = blockBytes;
    m_length = length;
    m_gapStart = offset > 0 ? 0 : length;
    m_gapLength = offset > 0 ? offset : std::max(capacity - length, 0);
    m_loading = capacity == 0;
}

void ByteStorage::releaseStorage()
{
    m_heap.release(m_bytes);
    m_bytes = nullptr;
    m_blockBytes = 0;
    m_length = 0;
    m_gapStart = 0;
    m_gapLength = 0;
    m_loading = false;
}

HeapBlock ByteStorage::takeBlock()
{
    closeGap();
    HeapBlock block = HeapBlock::adopt(m_heap, m_bytes, m_blockBytes);
    m_bytes = nullptr;
    releaseStorage();
    return block;
}

HeapBlock ByteStorage::takeBlock(std::int32_t& offset)
{
    offset = m_bytes != nullptr ? makeContiguous() : 0;
    HeapBlock block = HeapBlock::adopt(m_heap, m_bytes, m_blockBytes);
    m_bytes = nullptr;
    releaseStorage();
    return block;
}

void ByteStorage::releaseUndo()
{
    m_heap.release(m_undo);
    m_undo = nullptr;
    m_undoLength = 0;
}

void ByteStorage::releaseClip()
{
    m_heap.release(m_clip);
    m_clip = nullptr;
    m_clipLength = 0;
}

bool ByteStorage::freeSlack()
{
    if (m_bytes == nullptr || (m_gapLength == 0 && !m_loading))
        return true;
    closeGap();
    return resizeBlock(m_length);
}

std::string ByteStorage::checkInvariants() const
{
    if (m_bytes == nullptr) {
        if (m_length != 0 || m_gapStart != 0 || m_gapLength != 0 || m_blockBytes != 0)
            return "no block, yet length " + std::to_string(m_length) + ", gap " + std::to_string(m_gapLength);
    } else {
        if (m_length < 0 || m_gapStart < 0 || m_gapStart > m_length || m_gapLength < 0)
            return "gap at " + std::to_string(m_gapStart) + " of " + std::to_string(m_gapLength) + " bytes outside " +
                   std::to_string(m_length) + " bytes";
        if (std::int64_t{m_length} + m_gapLength > kMaxLength)
            return "length " + std::to_string(m_length) + " and gap " + std::to_string(m_gapLength) +
                   " beyond the limit";
        const auto needed = static_cast<std::size_t>(usedBytes()) + 1;
        if (m_blockBytes < needed)
            return "block of " + std::to_string(m_blockBytes) + " bytes cannot hold " + std::to_string(needed);
        if (m_bytes[usedBytes()] != 0)
            return "no 0 after the bytes";
    }
    if (m_undo == nullptr ? m_undoLength != 0 : m_undo[m_undoLength] != 0)
        return "undo bytes not 0-terminated";
    if (m_undo != nullptr && (m_undoStart < 0 || m_undoStart > m_undoEnd || m_undoEnd > m_length))
        return "undo range [" + std::to_string(m_undoStart) + ", " + std::to_string(m_undoEnd) + ") outside " +
               std::to_string(m_length) + " bytes";
    if (m_clip == nullptr ? m_clipLength != 0 : m_clip[m_clipLength] != 0)
        return "clipboard not 0-terminated";
    return {};
}

}  // namespace quillory
