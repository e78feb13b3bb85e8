#include "editcore/TextBuffer.h"

#include <algorithm>
#include <cstring>
#include <utility>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace quillory {

const std::uint8_t* findLineBreakByte(const std::uint8_t* p, const std::uint8_t* end)
{
#if defined(__SSE2__)
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    while (end - p >= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const int mask = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, lf)));
        if (mask != 0)
            return p + __builtin_ctz(static_cast<unsigned>(mask));
        p += 16;
    }
#endif
    while (p < end && *p != '\r' && *p != '\n')
        ++p;
    return p;
}

template <typename Vector>
void TextBuffer::collectLineStarts(std::int64_t from, std::int64_t to, Vector& out) const
{
    // s is a line start when the byte before it ends a break: LF, or CR not followed by LF.
    const std::int64_t n = size();
    std::int64_t i = std::max<std::int64_t>(from, 1) - 1;  // candidate byte before a start
    const std::int64_t last = std::min(to, n) - 1;
    std::string scratch;
    constexpr std::int64_t kChunk = 1 << 16;
    while (i <= last) {
        const std::int64_t len = std::min(kChunk, last - i + 1);
        const std::uint8_t* base = m_bytes.span(i, len, scratch);
        const std::uint8_t* end = base + len;
        for (const std::uint8_t* p = findLineBreakByte(base, end); p < end; p = findLineBreakByte(p + 1, end)) {
            const std::int64_t at = i + (p - base);
            if (*p == '\n' || at + 1 >= n || m_bytes.at(at + 1) != '\n')
                out.push_back(at + 1);
        }
        i += len;
    }
}

// Both keep the old text until the new one is in place and indexed: a failed allocation on the
// way leaves it, and its index, as they were.
void TextBuffer::setText(std::string_view bytes)
{
    beforeChange();
    GapBuffer previous = std::exchange(m_bytes, GapBuffer(m_bytes.minGap()));
    try {
        m_bytes.assign(bytes);
        indexLines();
    } catch (...) {
        m_bytes = std::move(previous);
        throw;
    }
}

void TextBuffer::adoptText(HeapBlock&& block, std::size_t length, std::size_t offset)
{
    beforeChange();
    GapBuffer previous = std::exchange(m_bytes, GapBuffer(m_bytes.minGap()));
    m_bytes.adopt(std::move(block), length, offset);
    try {
        indexLines();
    } catch (...) {
        block = m_bytes.releaseBlock();
        m_bytes = std::move(previous);
        throw;
    }
}

void TextBuffer::indexLines()
{
    LineStarts::Starts starts{0};
    collectLineStarts(1, size(), starts);
    starts.shrink_to_fit();
    m_lines.assign(std::move(starts));
}

void TextBuffer::replace(std::int64_t pos, std::int64_t removed, std::string_view inserted)
{
    beforeChange();
    changeIndexed(
        pos, removed, static_cast<std::int64_t>(inserted.size()),
        [&] {
            std::uint8_t* out = m_bytes.replaceUnfilled(pos, removed, inserted.size());
            if (!inserted.empty())
                std::memcpy(out, inserted.data(), inserted.size());
        },
        newStartsAtMost(inserted));
}

std::int64_t TextBuffer::newStartsAtMost(std::string_view inserted)
{
    // A line starts after each line break byte of the inserted text, and perhaps after the byte
    // before it.
    return std::count_if(inserted.begin(), inserted.end(), [](char c) { return c == '\n' || c == '\r'; }) + 1;
}

void TextBuffer::reserveFor(std::int64_t removed, std::string_view inserted)
{
    beforeChange();
    const auto added = static_cast<std::int64_t>(inserted.size());
    if (added > removed)
        m_bytes.reserve(static_cast<std::size_t>(added - removed));
    m_lines.reserveMore(static_cast<std::size_t>(newStartsAtMost(inserted)));
}

void TextBuffer::replaceFilled(std::int64_t pos, std::int64_t removed, std::size_t length,
                               const std::function<void(std::uint8_t*)>& fill)
{
    beforeChange();
    changeIndexed(pos, removed, static_cast<std::int64_t>(length),
                  [&] { fill(m_bytes.replaceUnfilled(pos, removed, length)); });
}

void TextBuffer::exchange(std::int64_t pos, std::int64_t length, std::string& bytes)
{
    beforeChange();
    const auto added = static_cast<std::int64_t>(bytes.size());
    changeIndexed(pos, length, added, [&] {
        const std::int64_t common = std::min(length, added);
        m_bytes.swap(pos, common, bytes.data());
        if (length > common) {
            // The rest of the old range moves to the end of bytes.
            bytes.resize(static_cast<std::size_t>(length));
            m_bytes.copy(pos + common, length - common, bytes.data() + common);
            m_bytes.erase(pos + common, length - common);
        } else if (added > common) {
            // The rest of bytes goes into the text; bytes keeps its capacity for the way back.
            const auto extra = static_cast<std::size_t>(added - common);
            std::memcpy(m_bytes.replaceUnfilled(pos + common, 0, extra), bytes.data() + common, extra);
            bytes.resize(static_cast<std::size_t>(common));
        }
    });
}

void TextBuffer::changeIndexed(std::int64_t pos, std::int64_t removed, std::int64_t added,
                               const std::function<void()>& change, std::int64_t newStartsAtMost)
{
    // With a bound on the new starts, memory for them and for the text is taken first, so that a
    // failed allocation leaves text and index as they were.
    std::vector<std::int64_t> starts;
    if (newStartsAtMost >= 0) {
        starts.reserve(static_cast<std::size_t>(newStartsAtMost));
        if (added > removed)
            m_bytes.reserve(static_cast<std::size_t>(added - removed));
        m_lines.reserveMore(static_cast<std::size_t>(newStartsAtMost));
    }
    // Starts in [pos, pos + removed] may change, since each depends on the byte before it and on
    // the byte at it; all later starts move by added - removed.
    const std::int64_t first = pos == 0 ? 1 : m_lines.lineOf(pos - 1) + 1;
    std::int64_t last = first;
    while (last < m_lines.count() && m_lines.start(last) <= pos + removed)
        ++last;
    m_lines.erase(first, last - first);
    m_lines.shiftAfter(first - 1, added - removed);

    change();

    // The new range most likely has as many lines as the old one: no doubling on a large range.
    if (newStartsAtMost < 0)
        starts.reserve(static_cast<std::size_t>(last - first));
    collectLineStarts(std::max<std::int64_t>(pos, 1), pos + added, starts);
    m_lines.insert(first, starts);
}

void TextBuffer::forEachPiece(std::int64_t pos, std::int64_t count,
                              const std::function<void(std::string_view)>& visit) const
{
    const std::string_view a = m_bytes.before();
    const std::string_view b = m_bytes.after();
    const auto p = static_cast<std::size_t>(pos);
    const auto n = static_cast<std::size_t>(count);
    if (n == 0)
        return;
    if (p < a.size()) {
        const std::size_t first = std::min(n, a.size() - p);
        visit(a.substr(p, first));
        if (first < n)
            visit(b.substr(0, n - first));
    } else {
        visit(b.substr(p - a.size(), n));
    }
}

std::int64_t TextBuffer::lineContentEnd(std::int64_t line) const
{
    if (line + 1 >= lineCount())
        return size();
    const std::int64_t next = lineStart(line + 1);
    if (m_bytes.at(next - 1) == '\n' && next - 2 >= lineStart(line) && m_bytes.at(next - 2) == '\r')
        return next - 2;
    return next - 1;
}

std::string_view TextBuffer::firstLineBreak() const
{
    if (lineCount() < 2)
        return "\n";
    const std::int64_t end = lineContentEnd(0);
    if (m_bytes.at(end) == '\r')
        return lineStart(1) - end == 2 ? std::string_view("\r\n") : std::string_view("\r");
    return "\n";
}

std::string TextBuffer::checkInvariants() const
{
    if (std::string broken = m_bytes.checkInvariants(); !broken.empty())
        return "gap buffer: " + broken;
    if (std::string broken = m_lines.checkInvariants(); !broken.empty())
        return "line starts: " + broken;
    std::int64_t line = 1;
    const std::int64_t length = size();
    for (std::int64_t pos = 0; pos < length; ++pos) {
        const std::uint8_t b = at(pos);
        if (b != '\n' && (b != '\r' || (pos + 1 < length && at(pos + 1) == '\n')))
            continue;
        if (line >= lineCount() || lineStart(line) != pos + 1)
            return "the break at " + std::to_string(pos) + " does not start line " + std::to_string(line);
        ++line;
    }
    if (line != lineCount())
        return std::to_string(lineCount()) + " lines indexed, the text has " + std::to_string(line);
    return {};
}

}  // namespace quillory
