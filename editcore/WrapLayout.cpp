#include "editcore/WrapLayout.h"

#include <algorithm>
#include <cstring>

#include "editcore/ByteCodec.h"
#include "editcore/CharSteps.h"

namespace quillory {

Advances Advances::uniform(std::int32_t pitch, int tabColumns)
{
    Advances a;
    a.advance.fill(pitch);
    a.tabInterval = pitch * tabColumns;
    a.finish();
    return a;
}

void Advances::finish()
{
    minAdvance = INT32_MAX;
    fixedPitch = true;
    for (int b = 0; b < 256; ++b) {
        advance[b] = std::max(advance[b], 64);
        if (b == '\t' || b == '\n' || b == '\r')
            continue;
        minAdvance = std::min(minAdvance, advance[b]);
        fixedPitch = fixedPitch && advance[b] == advance['x'];
    }
    tabInterval = std::max(tabInterval, 64);
}

void WrapLayout::setAdvances(const Advances& advances)
{
    m_adv = advances;
    m_cache.clear();
}

void WrapLayout::setEncoding(TextEncoding encoding)
{
    if (encoding == m_encoding)
        return;
    m_encoding = encoding;
    m_cache.clear();
}

std::int32_t WrapLayout::charAdvanceAt(std::int64_t pos, std::int64_t x) const
{
    const std::uint8_t b = m_text.at(pos);
    if (m_encoding != TextEncoding::Utf8 || b < 0x80)
        return m_adv.at(b, x);
    const utf8::Char c = utf8CharAt(m_text, pos);
    return c.valid ? m_adv.ofCodePoint(c.cp) : m_adv.invalidAdvance();
}

void WrapLayout::setWrapWidth(std::optional<std::int64_t> width)
{
    if (width)
        width = std::max<std::int64_t>(*width, 1);
    if (width == m_width)
        return;
    m_width = width;
    m_cache.clear();
}

std::int64_t WrapLayout::sumAdvances(std::int64_t from, std::int64_t to, std::int64_t x)
{
    while (from < to) {
        const std::int64_t len = std::min<std::int64_t>(to - from, 1 << 16);
        if (m_encoding == TextEncoding::Utf8) {
            // A character may run up to three bytes past the chunk.
            const std::int64_t readable = std::min<std::int64_t>(to - from, len + 3);
            const std::uint8_t* p = m_text.span(from, readable, m_scratch);
            std::int64_t i = 0;
            if (m_adv.fixedPitch && utf8::isAscii(p, static_cast<std::size_t>(len)) &&
                std::memchr(p, '\t', static_cast<std::size_t>(len)) == nullptr) {
                x += len * m_adv.advance['x'];
                i = len;
            }
            while (i < len) {
                const Step s = step(p + i, readable - i, x);
                x += s.advance;
                i += s.length;
            }
            from += i;
            continue;
        }
        const std::uint8_t* p = m_text.span(from, len, m_scratch);
        if (m_adv.fixedPitch && std::memchr(p, '\t', static_cast<std::size_t>(len)) == nullptr) {
            x += len * m_adv.advance['x'];
        } else {
            for (std::int64_t i = 0; i < len; ++i)
                x += advanceAt(p[i], x);
        }
        from += len;
    }
    return x;
}

std::int64_t WrapLayout::nextBreak(std::int64_t start, std::int64_t contentEnd)
{
    if (!m_width)
        return contentEnd;
    const std::int64_t width = *m_width;
    const bool utf8 = m_encoding == TextEncoding::Utf8;
    std::int64_t window = std::min<std::int64_t>(contentEnd - start, rowBytesGuess(width));
    while (true) {
        // In UTF-8 the last character may run up to three bytes past the window.
        const std::int64_t readable = utf8 ? std::min<std::int64_t>(contentEnd - start, window + 3) : window;
        const std::uint8_t* p = m_text.span(start, readable, m_scratch);
        std::int64_t i = 0;  // first byte that does not fit
        std::int64_t lastBlankEnd = 0;
        const std::int64_t columns = std::max<std::int64_t>(1, width / m_adv.advance['x']);
        const std::int64_t probe = std::min(window, columns + 1);
        // An empty span may come back as a null pointer, which memchr must never see.
        const bool simple =
            m_adv.fixedPitch && (probe == 0 || (std::memchr(p, '\t', static_cast<std::size_t>(probe)) == nullptr &&
                                                (!utf8 || utf8::isAscii(p, static_cast<std::size_t>(probe)))));
        if (simple) {
            // Every byte one column wide: the row holds `columns` bytes; the last blank in it is
            // found from the back.
            i = std::min(window, columns);
            if (const void* blank = i > 0 ? memrchr(p, ' ', static_cast<std::size_t>(i)) : nullptr)
                lastBlankEnd = static_cast<const std::uint8_t*>(blank) - p + 1;
        } else {
            std::int64_t x = 0;
            while (i < window) {
                const Step s = step(p + i, readable - i, x);
                if (x + s.advance > width && i > 0)
                    break;
                x += s.advance;
                if (ByteCodec::isBlank(p[i]))
                    lastBlankEnd = i + 1;
                i += s.length;
            }
        }
        if (i < window) {
            if (ByteCodec::isBlank(p[i]))
                return start + i + 1;  // a blank at the border stays on this row
            return start + (lastBlankEnd > 0 ? lastBlankEnd : i);
        }
        if (start + window >= contentEnd)
            return contentEnd;
        window = std::min(contentEnd - start, window * 2);  // many narrow tabs: look further
    }
}

// Row breaks in a fixed-pitch font over a long run of text, checking each 64 KB for tabs once
// rather than every row; gives exactly what WrapLayout::nextBreak gives.
class WrapLayout::FixedPitchRows {
public:
    explicit FixedPitchRows(WrapLayout& layout)
        : m_layout(layout),
          m_columns(layout.m_width && layout.m_adv.fixedPitch
                        ? std::max<std::int64_t>(1, *layout.m_width / layout.m_adv.advance['x'])
                        : 0),
          m_utf8(layout.m_encoding == TextEncoding::Utf8)
    {}

    // The next row's start after the row at start, or nothing where the general rule must decide.
    std::optional<std::int64_t> nextBreak(std::int64_t start, std::int64_t contentEnd)
    {
        if (m_columns == 0)
            return std::nullopt;
        // A row of UTF-8 holds up to four bytes a column.
        const std::int64_t reach = m_utf8 ? 4 * m_columns + 4 : m_columns;
        if (m_chunk == nullptr || start < m_base || start + reach >= m_base + m_length) {
            m_base = start;
            m_length = std::min<std::int64_t>(contentEnd - start, 1 << 16);
            if (m_length <= m_columns) {
                m_chunk = nullptr;
                return std::nullopt;  // the line's last row
            }
            m_chunk = m_layout.m_text.span(start, m_length, m_scratch);
            m_tabFree = std::memchr(m_chunk, '\t', static_cast<std::size_t>(m_length)) == nullptr;
            m_toLineEnd = m_base + m_length == contentEnd;
        }
        if (!m_tabFree)
            return std::nullopt;
        const std::uint8_t* p = m_chunk + (start - m_base);
        // In UTF-8 a row of ASCII alone is a row of bytes; others count cells character by character.
        if (m_utf8 && !utf8::isAscii(p, static_cast<std::size_t>(m_columns) + 1))
            return utf8Break(start, p, m_base + m_length - start);
        if (p[m_columns] == ' ')
            return start + m_columns + 1;
        if (const void* blank = memrchr(p, ' ', static_cast<std::size_t>(m_columns)))
            return start + (static_cast<const std::uint8_t*>(blank) - p) + 1;
        return start + m_columns;
    }

private:
    // The general rule for a tab-free UTF-8 row in cells: one per character, two for a wide one,
    // none for a byte-order mark, one per byte outside UTF-8. Nothing when the row reaches the
    // chunk's end, where the general rule decides.
    std::optional<std::int64_t> utf8Break(std::int64_t start, const std::uint8_t* p, std::int64_t available) const
    {
        std::int64_t i = 0;
        std::int64_t cells = 0;
        std::int64_t lastBlankEnd = 0;
        while (true) {
            if (i >= available || (i + 4 > available && !m_toLineEnd))
                return std::nullopt;
            const std::uint8_t b = p[i];
            int length = 1;
            int width = 1;
            if (b >= 0xC2 && b < 0xE0 && i + 1 < available && utf8::isContinuation(p[i + 1])) {
                length = 2;  // below U+0800: one cell
            } else if (b >= 0xE1 && b != 0xED && b < 0xF0 && i + 2 < available && utf8::isContinuation(p[i + 1]) &&
                       utf8::isContinuation(p[i + 2])) {
                // Three bytes whose lead allows every continuation: U+1000 to U+FFFF but surrogates.
                const auto cp = static_cast<char32_t>((b & 0x0F) << 12 | (p[i + 1] & 0x3F) << 6 | (p[i + 2] & 0x3F));
                length = 3;
                width = cp == utf8::kByteOrderMark ? 0 : isWide(cp) ? 2 : 1;
            } else if (b >= 0x80) {
                const utf8::Char c = utf8::decode(p + i, static_cast<std::size_t>(available - i));
                length = c.length;
                if (c.valid && c.cp >= 0x1100)
                    width = c.cp == utf8::kByteOrderMark ? 0 : isWide(c.cp) ? 2 : 1;
            }
            if (cells + width > m_columns && i > 0)
                break;
            cells += width;
            if (b == ' ')
                lastBlankEnd = i + 1;
            i += length;
        }
        if (p[i] == ' ')
            return start + i + 1;
        return start + (lastBlankEnd > 0 ? lastBlankEnd : i);
    }

    WrapLayout& m_layout;
    const std::int64_t m_columns;           // bytes per row; 0: not a fixed-pitch wrap
    const bool m_utf8;                      // the text is UTF-8
    const std::uint8_t* m_chunk = nullptr;  // the text from m_base on
    std::int64_t m_base = 0;                // offset of m_chunk
    std::int64_t m_length = 0;              // bytes at m_chunk
    bool m_tabFree = false;                 // m_chunk holds no tab
    bool m_toLineEnd = false;               // m_chunk runs to the line's content end
    std::string m_scratch;                  // m_chunk when it straddles the gap
};

WrapLayout::LineCache& WrapLayout::cacheFor(std::int64_t line)
{
    return m_cache[line];
}

void WrapLayout::extend(LineCache& c, std::int64_t lineStart, std::int64_t contentEnd, std::int64_t untilRel,
                        std::int64_t budgetBytes)
{
    if (c.offsets.empty()) {
        c.offsets.push_back(0);
        c.xs.push_back(0);
    }
    const std::int64_t lineLength = contentEnd - lineStart;
    FixedPitchRows fast(*this);
    const std::int64_t stop = budgetBytes >= lineLength ? lineLength : std::min(lineLength, c.frontier + budgetBytes);
    while (!c.complete && c.frontier <= untilRel && c.frontier < stop) {
        if (!m_width) {
            std::int64_t next = std::min(lineLength, c.frontier + kStride);
            if (next < lineLength)
                next = charStart(m_text, lineStart + next, m_encoding) - lineStart;  // on a character's start
            c.frontierX = sumAdvances(lineStart + c.frontier, lineStart + next, c.frontierX);
            c.frontier = next;
            c.complete = next == lineLength;
            c.offsets.push_back(next);
            c.xs.push_back(c.frontierX);
            continue;
        }
        const std::int64_t start = lineStart + c.frontier;
        const std::optional<std::int64_t> quick = fast.nextBreak(start, contentEnd);
        const std::int64_t next = (quick ? *quick : nextBreak(start, contentEnd)) - lineStart;
        if (next >= lineLength) {
            c.complete = true;
            break;
        }
        c.frontier = next;
        if (next - c.offsets.back() >= kStride)
            c.offsets.push_back(next);
        // Past an edit, meeting an old row start again means every old one after it still holds.
        while (c.pendingNext < c.pending.size() && c.pending[c.pendingNext] < next)
            ++c.pendingNext;
        if (c.pendingNext < c.pending.size() && next > c.pendingFrom && c.pending[c.pendingNext] == next) {
            const auto from = c.pending.begin() + static_cast<std::ptrdiff_t>(c.pendingNext) + 1;
            if (from < c.pending.end())
                c.offsets.insert(c.offsets.end(), from, c.pending.end() - 1);
            c.frontier = c.pending.back();
            c.complete = c.pendingComplete;
            c.pending.clear();
            c.pendingNext = 0;
        }
    }
}

bool WrapLayout::extendCheckpoints(std::int64_t line, std::int64_t budgetBytes)
{
    const std::int64_t start = m_text.lineStart(line);
    const std::int64_t end = m_text.lineContentEnd(line);
    if (end - start <= kLongLine)
        return true;
    LineCache& c = cacheFor(line);
    extend(c, start, end, end - start, budgetBytes);
    return c.complete;
}

bool WrapLayout::isLaidOutTo(std::int64_t pos) const
{
    const std::int64_t line = m_text.lineOf(pos);
    const std::int64_t start = m_text.lineStart(line);
    if (!m_width || m_text.lineContentEnd(line) - start <= kLongLine)
        return true;
    const auto it = m_cache.find(line);
    const std::int64_t rel = pos - start;
    if (it == m_cache.end())
        return rel <= kStride;
    return it->second.complete || it->second.frontier + kStride >= rel;
}

void WrapLayout::textChanged(std::int64_t pos, std::int64_t removed, std::int64_t inserted, std::int64_t lineDelta)
{
    if (m_cache.empty())
        return;
    const std::int64_t line = m_text.lineOf(pos);
    const std::int64_t rel = pos - m_text.lineStart(line);
    const std::int64_t newBreaks = m_text.lineOf(pos + inserted) - line;
    const std::int64_t oldBreaks = newBreaks - lineDelta;
    // Lines before the edit keep their checkpoints; lines wholly after it keep theirs under their
    // new numbers; the edited line keeps those before the edit. An edit at a line's very start
    // may have moved that start (a CR LF pair split or joined): the line starts afresh.
    std::map<std::int64_t, LineCache> kept;
    for (auto& [index, cache] : m_cache) {
        if (index < line) {
            kept.emplace(index, std::move(cache));
        } else if (index == line && rel > 0) {
            const bool sameLine = newBreaks == 0 && oldBreaks == 0;
            keepBefore(cache, rel, sameLine ? removed : 0, sameLine ? inserted : 0, sameLine);
            kept.emplace(index, std::move(cache));
        } else if (index > line + oldBreaks) {
            kept.emplace(index + lineDelta, std::move(cache));
        }
    }
    m_cache = std::move(kept);
}

void WrapLayout::keepBefore(LineCache& c, std::int64_t rel, std::int64_t removed, std::int64_t inserted, bool reuse)
{
    // Rows that start a row's length before the edit may end differently; keep those before.
    const std::int64_t keepBelow = m_width ? rel - rowBytesGuess(*m_width) : rel;
    std::vector<std::int64_t> old;
    if (m_width && reuse) {
        for (std::int64_t off : c.offsets)
            if (off > rel + removed)
                old.push_back(off + inserted - removed);
        old.push_back(c.frontier + inserted - removed);
    }
    const bool oldComplete = c.complete;
    while (c.offsets.size() > 1 && c.offsets.back() >= keepBelow)
        c.offsets.pop_back();
    if (c.offsets.back() >= keepBelow)
        c.offsets.assign(1, 0);
    c.xs.resize(c.offsets.size());
    if (c.xs.empty())
        c.xs.push_back(0);
    c.frontier = c.offsets.back();
    c.frontierX = c.xs.back();
    c.complete = false;
    c.pending.clear();
    c.pendingNext = 0;
    // The old row starts after the edit, shifted, are adopted again where the new rows meet them.
    if (!old.empty() && old.back() > rel + inserted && c.frontier <= old.back()) {
        c.pending = std::move(old);
        c.pendingFrom = rel + inserted;
        c.pendingComplete = oldComplete;
    }
}

std::int64_t WrapLayout::wrapSearchStart(std::int64_t line, std::int64_t pos)
{
    const std::int64_t start = m_text.lineStart(line);
    const std::int64_t end = m_text.lineContentEnd(line);
    if (end - start <= kLongLine)
        return start;
    LineCache& c = cacheFor(line);
    const std::int64_t rel = pos - start;
    extend(c, start, end, rel, INT64_MAX);
    if (!m_width) {
        auto it = std::upper_bound(c.offsets.begin(), c.offsets.end(), rel);
        return start + *(it - 1);
    }
    if (c.frontier <= rel)
        return start + c.frontier;
    auto it = std::upper_bound(c.offsets.begin(), c.offsets.end(), rel);
    return start + *(it - 1);
}

std::int64_t WrapLayout::rowStart(std::int64_t pos)
{
    const std::int64_t line = m_text.lineOf(pos);
    if (!m_width)
        return m_text.lineStart(line);
    const std::int64_t end = m_text.lineContentEnd(line);
    std::int64_t row = wrapSearchStart(line, std::min(pos, end));
    while (true) {
        const std::int64_t next = nextBreak(row, end);
        if (next >= end || next > pos)
            return row;
        row = next;
    }
}

std::int64_t WrapLayout::rowEnd(std::int64_t rowStart)
{
    const std::int64_t end = m_text.lineContentEnd(m_text.lineOf(rowStart));
    return nextBreak(rowStart, end);
}

std::optional<std::int64_t> WrapLayout::nextRow(std::int64_t rowStart)
{
    const std::int64_t line = m_text.lineOf(rowStart);
    const std::int64_t end = m_text.lineContentEnd(line);
    const std::int64_t next = nextBreak(rowStart, end);
    if (next < end)
        return next;
    if (line + 1 < m_text.lineCount())
        return m_text.lineStart(line + 1);
    return std::nullopt;
}

std::optional<std::int64_t> WrapLayout::prevRow(std::int64_t rowStart)
{
    const std::int64_t line = m_text.lineOf(rowStart);
    if (rowStart > m_text.lineStart(line))
        return this->rowStart(rowStart - 1);
    if (line == 0)
        return std::nullopt;
    return this->rowStart(m_text.lineContentEnd(line - 1));
}

std::int64_t WrapLayout::xOf(std::int64_t rowStart, std::int64_t pos)
{
    if (m_width || pos - rowStart <= kLongLine)
        return sumAdvances(rowStart, pos, 0);
    // A long line without wrapping: start from the checkpoint before pos.
    const std::int64_t line = m_text.lineOf(rowStart);
    const std::int64_t from = wrapSearchStart(line, pos);
    LineCache& c = cacheFor(line);
    auto it = std::upper_bound(c.offsets.begin(), c.offsets.end(), from - rowStart);
    const std::int64_t x = c.xs[static_cast<std::size_t>(it - c.offsets.begin() - 1)];
    return sumAdvances(from, pos, x);
}

std::int64_t WrapLayout::posAtX(std::int64_t rowStart, std::int64_t x)
{
    std::int64_t end = rowEnd(rowStart);
    const std::int64_t lineEnd = m_text.lineContentEnd(m_text.lineOf(rowStart));
    // The caret stays on this row: a wrapped row's last position belongs to the next row.
    const std::int64_t last = end < lineEnd ? std::max(rowStart, charStart(m_text, end - 1, m_encoding)) : end;
    std::int64_t pos = rowStart;
    std::int64_t cx = 0;
    if (!m_width && end - rowStart > kLongLine) {
        const std::int64_t line = m_text.lineOf(rowStart);
        LineCache& c = cacheFor(line);
        // Lay out only as far as x reaches.
        while (!c.complete && c.frontierX <= x)
            extend(c, rowStart, lineEnd, c.frontier, 64 * kStride);
        auto it = std::upper_bound(c.xs.begin(), c.xs.end(), x);
        const auto k = static_cast<std::size_t>(it - c.xs.begin() - 1);
        pos = rowStart + c.offsets[k];
        cx = c.xs[k];
    }
    while (pos < last) {
        const std::int32_t a = charAdvanceAt(pos, cx);
        if (x < cx + a / 2)
            break;
        cx += a;
        pos = nextCharPos(m_text, pos, m_encoding);
    }
    return pos;
}

std::string WrapLayout::checkInvariants()
{
    for (const auto& [line, c] : m_cache) {
        const std::string where = "line " + std::to_string(line) + ": ";
        if (line < 0 || line >= m_text.lineCount())
            return where + "no such line";
        if (c.offsets.empty())
            continue;
        const std::int64_t start = m_text.lineStart(line);
        const std::int64_t end = m_text.lineContentEnd(line);
        if (c.offsets.front() != 0 || !std::is_sorted(c.offsets.begin(), c.offsets.end()) ||
            std::adjacent_find(c.offsets.begin(), c.offsets.end()) != c.offsets.end())
            return where + "checkpoints do not ascend from 0";
        if (c.offsets.back() > end - start || c.frontier > end - start || c.frontier < c.offsets.back())
            return where + "checkpoints or frontier beyond the line";
        if (c.pendingNext > c.pending.size() || !std::is_sorted(c.pending.begin(), c.pending.end()))
            return where + "pending checkpoints out of order";
        if (!m_width) {
            if (c.xs.size() != c.offsets.size() || c.frontier != c.offsets.back() || c.frontierX != c.xs.back())
                return where + "x positions out of step with the checkpoints";
            for (std::size_t k = 0; k < c.offsets.size(); ++k)
                if (c.xs[k] != sumAdvances(start, start + c.offsets[k], 0))
                    return where + "x of checkpoint " + std::to_string(c.offsets[k]) + " is wrong";
            continue;
        }
        // Lay the line out afresh as far as the frontier: every checkpoint must be a row start.
        std::size_t k = 1;
        std::int64_t row = 0;
        while (row < c.frontier) {
            row = nextBreak(start + row, end) - start;
            while (k < c.offsets.size() && c.offsets[k] < row)
                return where + "checkpoint " + std::to_string(c.offsets[k]) + " is not a row start";
            if (k < c.offsets.size() && c.offsets[k] == row)
                ++k;
        }
        if (row != c.frontier)
            return where + "frontier " + std::to_string(c.frontier) + " is not a row start";
        if (k != c.offsets.size())
            return where + "checkpoint " + std::to_string(c.offsets[k]) + " lies beyond the frontier";
    }
    return {};
}

}  // namespace quillory
