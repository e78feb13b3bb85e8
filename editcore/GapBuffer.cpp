#include "editcore/GapBuffer.h"

#include <algorithm>
#include <cstring>

namespace quillory {

void GapBuffer::assign(std::string_view bytes)
{
    const std::size_t gap = std::min<std::size_t>(m_minGap, 1 << 20);
    m_data.reset();
    m_size = bytes.size() + gap;
    m_data = HeapBlock::allocateOrThrow(cHeap(), m_size);
    if (!bytes.empty())
        std::memcpy(m_data.data(), bytes.data(), bytes.size());
    m_gapStart = bytes.size();
    m_gapEnd = m_size;
}

void GapBuffer::adopt(HeapBlock block, std::size_t length, std::size_t offset)
{
    // Growing a large block here would copy it (realloc of huge pages does): the block's own spare
    // bytes are the gap, and the first edit that needs more makes a larger one.
    m_data = std::move(block);
    if (offset == 0) {
        m_size = std::max(m_data.size(), length);
        m_gapStart = length;
        m_gapEnd = m_size;
    } else {
        m_size = offset + length;
        m_gapStart = 0;
        m_gapEnd = offset;
    }
}

void GapBuffer::moveGap(std::size_t pos)
{
    if (pos == m_gapStart)
        return;
    std::uint8_t* d = m_data.data();
    if (pos < m_gapStart) {
        const std::size_t n = m_gapStart - pos;
        std::memmove(d + m_gapEnd - n, d + pos, n);
        m_gapStart -= n;
        m_gapEnd -= n;
    } else {
        const std::size_t n = pos - m_gapStart;
        std::memmove(d + m_gapStart, d + m_gapEnd, n);
        m_gapStart += n;
        m_gapEnd += n;
    }
}

void GapBuffer::ensureGap(std::size_t needed)
{
    if (gapLength() >= needed)
        return;
    const std::size_t textBytes = m_size - gapLength();
    // Grow by a sixteenth of the text so that long typing reallocates rarely, capped so memory
    // stays close to the text size.
    const std::size_t gap = needed + std::clamp<std::size_t>(textBytes / 16, m_minGap, 16u << 20);
    const std::size_t newSize = textBytes + gap;
    HeapBlock fresh = HeapBlock::allocateOrThrow(cHeap(), newSize);
    const std::size_t tail = m_size - m_gapEnd;
    if (m_gapStart > 0)
        std::memcpy(fresh.data(), m_data.data(), m_gapStart);
    if (tail > 0)
        std::memcpy(fresh.data() + newSize - tail, m_data.data() + m_gapEnd, tail);
    m_data = std::move(fresh);
    m_gapEnd = newSize - tail;
    m_size = newSize;
}

void GapBuffer::insert(std::int64_t pos, std::string_view bytes)
{
    if (bytes.empty())
        return;
    ensureGap(bytes.size());
    moveGap(static_cast<std::size_t>(pos));
    std::memcpy(m_data.data() + m_gapStart, bytes.data(), bytes.size());
    m_gapStart += bytes.size();
}

void GapBuffer::erase(std::int64_t pos, std::int64_t count)
{
    if (count <= 0)
        return;
    // The gap joins the erased range from whichever side moves fewer bytes; the erased bytes
    // themselves are never moved.
    const auto p = static_cast<std::size_t>(pos);
    const auto end = p + static_cast<std::size_t>(count);
    if (end <= m_gapStart) {
        moveGap(end);
        m_gapStart = p;
    } else if (p >= m_gapStart) {
        moveGap(p);
        m_gapEnd += end - p;
    } else {
        m_gapEnd += end - m_gapStart;
        m_gapStart = p;
    }
}

std::uint8_t* GapBuffer::replaceUnfilled(std::int64_t pos, std::int64_t removed, std::size_t length)
{
    // Room first: a failed allocation must leave the text as it was.
    if (length > static_cast<std::size_t>(removed))
        ensureGap(length - static_cast<std::size_t>(removed));
    erase(pos, removed);
    if (length == 0)
        return m_data.data() + m_gapStart;
    ensureGap(length);
    moveGap(static_cast<std::size_t>(pos));
    std::uint8_t* out = m_data.data() + m_gapStart;
    m_gapStart += length;
    return out;
}

void GapBuffer::copy(std::int64_t pos, std::int64_t count, char* out) const
{
    auto p = static_cast<std::size_t>(pos);
    auto n = static_cast<std::size_t>(count);
    if (p < m_gapStart) {
        const std::size_t first = std::min(n, m_gapStart - p);
        std::memcpy(out, m_data.data() + p, first);
        out += first;
        p += first;
        n -= first;
    }
    if (n > 0)
        std::memcpy(out, m_data.data() + p + gapLength(), n);
}

void GapBuffer::swap(std::int64_t pos, std::int64_t count, char* other)
{
    auto p = static_cast<std::size_t>(pos);
    auto n = static_cast<std::size_t>(count);
    auto* mine = reinterpret_cast<char*>(m_data.data());
    if (p < m_gapStart) {
        const std::size_t first = std::min(n, m_gapStart - p);
        std::swap_ranges(mine + p, mine + p + first, other);
        other += first;
        p += first;
        n -= first;
    }
    if (n > 0)
        std::swap_ranges(mine + p + gapLength(), mine + p + gapLength() + n, other);
}

std::string GapBuffer::text(std::int64_t pos, std::int64_t count) const
{
    std::string out(static_cast<std::size_t>(count), '\0');
    copy(pos, count, out.data());
    return out;
}

const std::uint8_t* GapBuffer::span(std::int64_t pos, std::int64_t count, std::string& scratch) const
{
    auto p = static_cast<std::size_t>(pos);
    auto end = p + static_cast<std::size_t>(count);
    if (end <= m_gapStart)
        return m_data.data() + p;
    if (p >= m_gapStart)
        return m_data.data() + p + gapLength();
    scratch.resize(static_cast<std::size_t>(count));
    copy(pos, count, scratch.data());
    return reinterpret_cast<const std::uint8_t*>(scratch.data());
}

std::string GapBuffer::checkInvariants() const
{
    if (m_gapStart > m_gapEnd || m_gapEnd > m_size)
        return "gap [" + std::to_string(m_gapStart) + ", " + std::to_string(m_gapEnd) + ") outside " +
               std::to_string(m_size) + " bytes";
    if (m_size > m_data.size())
        return "uses " + std::to_string(m_size) + " bytes of a block of " + std::to_string(m_data.size());
    return {};
}

}  // namespace quillory
