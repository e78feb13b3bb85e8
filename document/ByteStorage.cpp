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

CharRange ByteStorage::clamp(CharRange sel) const
{
    const std::int32_t end = std::clamp(sel.end, 0, m_nLength);
    const std::int32_t start = std::clamp(sel.start, 0, end);
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

void ByteStorage::setUndo(const std::uint8_t* bytes, std::int32_t count, std::int32_t start,
                          std::int32_t end)
{
    releaseUndo();
    m_pUndo = copyOf(bytes, count);
    m_nUndoLen = m_pUndo != nullptr ? count : 0;
    m_nUndoStart = start;
    m_nUndoEnd = end;
}

bool ByteStorage::resizeBlock(std::int32_t capacity)
{
    auto* block = static_cast<std::uint8_t*>(
        m_heap.grow(m_pBytes, static_cast<std::size_t>(capacity) + 1));
    if (block == nullptr)
        return false;
    m_pBytes = block;
    m_nCapacity = capacity;
    m_blockBytes = static_cast<std::size_t>(capacity) + 1;
    m_pBytes[m_nCapacity] = 0;
    return true;
}

bool ByteStorage::growBy(std::int32_t extra)
{
    if (m_nCapacity > kMaxLength - extra)
        return false;
    return resizeBlock(m_nCapacity + extra);
}

// Replaces [start, end) by count bytes; the block must already hold the new length.
void ByteStorage::replaceRange(std::int32_t start, std::int32_t end, const std::uint8_t* bytes,
                               std::int32_t count)
{
    const std::int32_t newLength = m_nLength - (end - start) + count;
    if (count != end - start)
        std::memmove(m_pBytes + start + count, m_pBytes + end, static_cast<std::size_t>(m_nLength - end));
    if (count > 0)
        std::memcpy(m_pBytes + start, bytes, static_cast<std::size_t>(count));
    m_nLength = newLength;
    m_pBytes[m_nLength] = 0;
}

bool ByteStorage::wouldDelete(CharRange sel, bool backward) const
{
    const CharRange r = clamp(sel);
    return backward ? r.end > 0 : r.start < m_nLength;
}

void ByteStorage::deleteAt(CharRange sel, bool backward)
{
    if (!wouldDelete(sel, backward))
        return;
    CharRange r = clamp(sel);
    if (r.empty()) {
        if (backward)
            --r.start;
        else
            ++r.end;
    }
    setUndo(m_pBytes + r.start, r.end - r.start, r.start, r.start);
    replaceRange(r.start, r.end, nullptr, 0);
}

bool ByteStorage::insertAt(CharRange sel, std::uint8_t b)
{
    const CharRange r = clamp(sel);
    if (!r.empty()) {
        setUndo(m_pBytes + r.start, r.end - r.start, r.start, r.start + 1);
        replaceRange(r.start, r.end, &b, 1);
        return true;
    }
    setUndo(nullptr, 0, r.start, r.start + 1);
    if (m_nLength + 1 >= m_nCapacity && !growBy(kGrowthStep)) {
        releaseUndo();
        return false;
    }
    replaceRange(r.start, r.start, &b, 1);
    return true;
}

bool ByteStorage::overwriteAt(CharRange sel, std::uint8_t b)
{
    const CharRange r = clamp(sel);
    if (r.empty() && r.start < m_nLength) {
        setUndo(m_pBytes + r.start, 1, r.start, r.start + 1);
        m_pBytes[r.start] = b;
        return true;
    }
    return insertAt(r, b);  // at the end it appends; a selection is replaced by b
}

void ByteStorage::copyAt(CharRange sel)
{
    releaseClip();
    const CharRange r = clamp(sel);
    m_pClip = copyOf(m_pBytes + r.start, r.end - r.start);
    m_nClipLen = m_pClip != nullptr ? r.end - r.start : 0;
}

bool ByteStorage::pasteAt(CharRange sel)
{
    if (m_pClip == nullptr)
        return false;
    const CharRange r = clamp(sel);
    releaseUndo();
    // Grow before removing the selection, so that a failed growth leaves the storage untouched.
    const std::int32_t lengthAfterRemoval = m_nLength - (r.end - r.start);
    if (lengthAfterRemoval > kMaxLength - m_nClipLen)
        return false;
    if (lengthAfterRemoval + m_nClipLen >= m_nCapacity &&
        !growBy(m_nClipLen <= kGrowthStep ? kGrowthStep : m_nClipLen))
        return false;
    if (!r.empty())
        deleteAt(r, false);  // its undo record holds the removed bytes
    else
        setUndo(nullptr, 0, r.start, r.start);
    m_nUndoStart = r.start;
    m_nUndoEnd = r.start + m_nClipLen;
    replaceRange(r.start, r.start, m_pClip, m_nClipLen);
    return true;
}

bool ByteStorage::undo()
{
    if (m_pUndo == nullptr)
        return true;
    const std::int32_t a = m_nUndoStart;
    const std::int32_t b = m_nUndoEnd;
    const std::int32_t u = m_nUndoLen;
    if (a < 0 || b < a || b > m_nLength)
        return false;  // a record that no longer fits the storage is never applied
    const std::int32_t newLength = m_nLength - (b - a) + u;
    if (newLength > m_nCapacity && !resizeBlock(newLength))
        return false;
    std::uint8_t* reverse = copyOf(m_pBytes + a, b - a);  // none when it cannot be allocated
    replaceRange(a, b, m_pUndo, u);
    m_heap.release(m_pUndo);
    m_pUndo = reverse;
    m_nUndoLen = reverse != nullptr ? b - a : 0;
    m_nUndoStart = a;
    m_nUndoEnd = a + u;
    return true;
}

void ByteStorage::adoptBlock(std::uint8_t* block, std::int32_t length, std::size_t blockBytes)
{
    releaseStorage();
    m_pBytes = block;
    m_blockBytes = blockBytes;
    m_nLength = length;
    m_nCapacity = 0;
}

void ByteStorage::releaseStorage()
{
    m_heap.release(m_pBytes);
    m_pBytes = nullptr;
    m_blockBytes = 0;
    m_nLength = 0;
    m_nCapacity = 0;
}

HeapBlock ByteStorage::takeBlock()
{
    HeapBlock block = HeapBlock::adopt(m_heap, m_pBytes, m_blockBytes);
    m_blockBytes = 0;
    m_pBytes = nullptr;
    m_nLength = 0;
    m_nCapacity = 0;
    return block;
}

void ByteStorage::releaseUndo()
{
    m_heap.release(m_pUndo);
    m_pUndo = nullptr;
    m_nUndoLen = 0;
}

void ByteStorage::releaseClip()
{
    m_heap.release(m_pClip);
    m_pClip = nullptr;
    m_nClipLen = 0;
}

bool ByteStorage::freeSlack()
{
    if (m_pBytes == nullptr || m_nCapacity == m_nLength)
        return true;
    return resizeBlock(m_nLength);
}

std::string ByteStorage::checkInvariants() const
{
    if (m_pBytes == nullptr) {
        if (m_nLength != 0 || m_nCapacity != 0 || m_blockBytes != 0)
            return "no block, yet length " + std::to_string(m_nLength) + ", capacity " + std::to_string(m_nCapacity);
    } else {
        if (m_nLength < 0 || (m_nCapacity != 0 && m_nLength > m_nCapacity))
            return "length " + std::to_string(m_nLength) + " beyond capacity " + std::to_string(m_nCapacity);
        const auto needed = static_cast<std::size_t>(std::max(m_nLength, m_nCapacity)) + 1;
        if (m_blockBytes < needed)
            return "block of " + std::to_string(m_blockBytes) + " bytes cannot hold " + std::to_string(needed);
        if (m_pBytes[m_nLength] != 0)
            return "no 0 after the bytes";
    }
    if (m_pUndo == nullptr ? m_nUndoLen != 0 : m_pUndo[m_nUndoLen] != 0)
        return "undo bytes not 0-terminated";
    if (m_pUndo != nullptr && (m_nUndoStart < 0 || m_nUndoStart > m_nUndoEnd || m_nUndoEnd > m_nLength))
        return "undo range [" + std::to_string(m_nUndoStart) + ", " + std::to_string(m_nUndoEnd) + ") outside " +
               std::to_string(m_nLength) + " bytes";
    if (m_pClip == nullptr ? m_nClipLen != 0 : m_pClip[m_nClipLen] != 0)
        return "clipboard not 0-terminated";
    return {};
}

}  // namespace quillory
