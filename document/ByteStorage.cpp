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

std::uint8_t* ByteStorage::copyOf(const std::uint8_t* bytes, std::int32_t count) const
{
    auto* block = static_cast<std::uint8_t*>(m_heap.allocPlain(static_cast<std::size_t>(count) + 1));
    if (block == nullptr)
        return nullptr;
    if (count > 0)
        std::memcpy(block, bytes, static_cast<std::size_t>(count));
    block[count] = 0;
    return block;
}

void ByteStorage::setUndo(const std::uint8_t* bytes, std::int32_t count, std::int32_t start, std::int32_t end)
{
    releaseUndo();
    m_undo = copyOf(bytes, count);
    m_undoLength = m_undo != nullptr ? count : 0;
    m_undoStart = start;
    m_undoEnd = end;
}

bool ByteStorage::resizeBlock(std::int32_t capacity)
{
    auto* block = static_cast<std::uint8_t*>(m_heap.grow(m_bytes, static_cast<std::size_t>(capacity) + 1));
    if (block == nullptr)
        return false;
    m_bytes = block;
    m_capacity = capacity;
    m_blockBytes = static_cast<std::size_t>(capacity) + 1;
    m_bytes[m_capacity] = 0;
    return true;
}

bool ByteStorage::growBy(std::int32_t extra)
{
    if (m_capacity > kMaxLength - extra)
        return false;
    return resizeBlock(m_capacity + extra);
}

// Replaces [start, end) by count bytes; the block must already hold the new length.
void ByteStorage::replaceRange(std::int32_t start, std::int32_t end, const std::uint8_t* bytes, std::int32_t count)
{
    const std::int32_t newLength = m_length - (end - start) + count;
    if (count != end - start)
        std::memmove(m_bytes + start + count, m_bytes + end, static_cast<std::size_t>(m_length - end));
    if (count > 0)
        std::memcpy(m_bytes + start, bytes, static_cast<std::size_t>(count));
    m_length = newLength;
    m_bytes[m_length] = 0;
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
    setUndo(m_bytes + r.start, r.end - r.start, r.start, r.start);
    replaceRange(r.start, r.end, nullptr, 0);
}

bool ByteStorage::insertAt(CharRange sel, std::uint8_t b)
{
    const Span r = clamp(sel);
    if (!r.empty()) {
        setUndo(m_bytes + r.start, r.end - r.start, r.start, r.start + 1);
        replaceRange(r.start, r.end, &b, 1);
        return true;
    }
    setUndo(nullptr, 0, r.start, r.start + 1);
    if (m_length + 1 >= m_capacity && !growBy(kGrowthStep)) {
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
        setUndo(m_bytes + r.start, 1, r.start, r.start + 1);
        m_bytes[r.start] = b;
        return true;
    }
    return insertAt(r, b);  // at the end it appends; a selection is replaced by b
}

void ByteStorage::copyAt(CharRange sel)
{
    releaseClip();
    const Span r = clamp(sel);
    m_clip = copyOf(m_bytes + r.start, r.end - r.start);
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
    if (lengthAfterRemoval + m_clipLength >= m_capacity &&
        !growBy(m_clipLength <= kGrowthStep ? kGrowthStep : m_clipLength))
        return false;
    if (!r.empty())
        deleteAt(r, false);  // its undo record holds the removed bytes
    else
        setUndo(nullptr, 0, r.start, r.start);
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
    const std::int32_t newLength = m_length - (b - a) + u;
    if (newLength > m_capacity && !resizeBlock(newLength))
        return false;
    std::uint8_t* reverse = copyOf(m_bytes + a, b - a);  // none when it cannot be allocated
    replaceRange(a, b, m_undo, u);
    m_heap.release(m_undo);
    m_undo = reverse;
    m_undoLength = reverse != nullptr ? b - a : 0;
    m_undoStart = a;
    m_undoEnd = a + u;
    return true;
}

void ByteStorage::adoptBlock(std::uint8_t* block, std::int32_t length, std::size_t blockBytes, std::int32_t capacity)
{
    releaseStorage();
    m_bytes = block;
    m_blockBytes = blockBytes;
    m_length = length;
    m_capacity = capacity;
}

void ByteStorage::releaseStorage()
{
    m_heap.release(m_bytes);
    m_bytes = nullptr;
    m_blockBytes = 0;
    m_length = 0;
    m_capacity = 0;
}

HeapBlock ByteStorage::takeBlock()
{
    HeapBlock block = HeapBlock::adopt(m_heap, m_bytes, m_blockBytes);
    m_blockBytes = 0;
    m_bytes = nullptr;
    m_length = 0;
    m_capacity = 0;
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
    if (m_bytes == nullptr || m_capacity == m_length)
        return true;
    return resizeBlock(m_length);
}

std::string ByteStorage::checkInvariants() const
{
    if (m_bytes == nullptr) {
        if (m_length != 0 || m_capacity != 0 || m_blockBytes != 0)
            return "no block, yet length " + std::to_string(m_length) + ", capacity " + std::to_string(m_capacity);
    } else {
        if (m_length < 0 || (m_capacity != 0 && m_length > m_capacity))
            return "length " + std::to_string(m_length) + " beyond capacity " + std::to_string(m_capacity);
        const auto needed = static_cast<std::size_t>(std::max(m_length, m_capacity)) + 1;
        if (m_blockBytes < needed)
            return "block of " + std::to_string(m_blockBytes) + " bytes cannot hold " + std::to_string(needed);
        if (m_bytes[m_length] != 0)
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
