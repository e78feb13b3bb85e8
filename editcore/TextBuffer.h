#pragma once
// The control's text: bytes in a gap buffer plus the index of line starts. A line break is CR LF,
// LF or a CR not followed by LF; a CR LF pair is one break of two bytes.

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "editcore/GapBuffer.h"
#include "editcore/LineStarts.h"

namespace quillory {

class TextBuffer {
public:
    explicit TextBuffer(std::size_t minGapBytes = std::size_t{64} * 1024) : m_bytes(minGapBytes) {}
    // The bytes go: a reader on another thread (setBeforeChange) must be done with them first.
    ~TextBuffer() { beforeChange(); }
    TextBuffer(const TextBuffer&) = delete;
    TextBuffer& operator=(const TextBuffer&) = delete;

    // Replaces the whole text; one pass to index the line breaks.
    void setText(std::string_view bytes);
    // The same, taking ownership of a block whose bytes [offset, offset + length) are the text;
    // [0, offset) becomes the gap (see GapBuffer::adopt). A block that cannot be indexed for lack
    // of memory stays the caller's, as it was.
    void adoptText(HeapBlock&& block, std::size_t length, std::size_t offset = 0);
    // Replaces [pos, pos + removed) by inserted.
    void replace(std::int64_t pos, std::int64_t removed, std::string_view inserted);
    // Replaces [pos, pos + removed) by `length` bytes that fill writes to the pointer it gets; fill
    // must not touch this buffer.
    void replaceFilled(std::int64_t pos, std::int64_t removed, std::size_t length,
                       const std::function<void(std::uint8_t*)>& fill);
    // Exchanges [pos, pos + length) with bytes: the text gets bytes, bytes gets the old range. The
    // common length is swapped in place, so only the difference is copied.
    void exchange(std::int64_t pos, std::int64_t length, std::string& bytes);
    // Takes the memory that replacing `removed` bytes by inserted needs (text and line index), so
    // that a failure to get it comes before anything changes. replace() does it itself; this is
    // for callers that must change other state between.
    void reserveFor(std::int64_t removed, std::string_view inserted);
    // Makes room for `bytes` more, so that the next replacement growing the text by at most that
    // much does not reallocate.
    void reserve(std::int64_t bytes)
    {
        beforeChange();
        m_bytes.reserve(static_cast<std::size_t>(std::max<std::int64_t>(bytes, 0)));
    }
    // Called before anything changes the bytes, moves them (a reserve may) or frees them, for a
    // reader on another thread that must be done with them first.
    void setBeforeChange(std::function<void()> hook) { m_beforeChange = std::move(hook); }

    std::int64_t size() const { return m_bytes.size(); }
    std::uint8_t at(std::int64_t pos) const { return m_bytes.at(pos); }
    std::string text(std::int64_t pos, std::int64_t count) const { return m_bytes.text(pos, count); }
    void copy(std::int64_t pos, std::int64_t count, char* out) const { m_bytes.copy(pos, count, out); }
    const std::uint8_t* span(std::int64_t pos, std::int64_t count, std::string& scratch) const
    {
        return m_bytes.span(pos, count, scratch);
    }
    // The stored text on either side of the gap, in text order; valid until the next change.
    std::string_view beforeGap() const { return m_bytes.before(); }
    std::string_view afterGap() const { return m_bytes.after(); }
    // Calls visit with the text of [pos, pos + count) in at most two pieces, in order.
    void forEachPiece(std::int64_t pos, std::int64_t count, const std::function<void(std::string_view)>& visit) const;

    std::int64_t lineCount() const { return m_lines.count(); }
    std::int64_t lineStart(std::int64_t line) const { return m_lines.start(line); }
    std::int64_t lineOf(std::int64_t pos) const { return m_lines.lineOf(pos); }
    // Where the line's text ends, before its break.
    std::int64_t lineContentEnd(std::int64_t line) const;
    // Where the next line starts (or the text's end for the last line).
    std::int64_t lineEnd(std::int64_t line) const { return line + 1 < lineCount() ? lineStart(line + 1) : size(); }

    // The break the text uses: the bytes of its first line break, or LF when it has none.
    std::string_view firstLineBreak() const;
    // True when pos lies between the CR and the LF of a pair.
    bool insideCrLf(std::int64_t pos) const
    {
        return pos > 0 && pos < size() && at(pos - 1) == '\r' && at(pos) == '\n';
    }

    std::size_t memoryBytes() const { return m_bytes.capacityBytes() + m_lines.memoryBytes(); }

    // The first broken invariant, or an empty string when all hold (for tests): the buffer's and
    // the index's own, and a line starts exactly after each line break of the text.
    std::string checkInvariants() const;

private:
    void beforeChange() const
    {
        if (m_beforeChange)
            m_beforeChange();
    }
    void indexLines();
    // Runs change, which turns [pos, pos + removed) into `added` bytes, and brings the line index
    // in step with it.
    static std::int64_t newStartsAtMost(std::string_view inserted);
    void changeIndexed(std::int64_t pos, std::int64_t removed, std::int64_t added, const std::function<void()>& change,
                       std::int64_t newStartsAtMost = -1);
    // Appends to out the line starts s with from <= s <= to of the current text.
    template <typename Vector>
    void collectLineStarts(std::int64_t from, std::int64_t to, Vector& out) const;

    GapBuffer m_bytes;                     // the text
    LineStarts m_lines;                    // start of every line, always in step with m_bytes
    std::function<void()> m_beforeChange;  // see setBeforeChange
};

// The first CR or LF in [p, end), or end.
const std::uint8_t* findLineBreakByte(const std::uint8_t* p, const std::uint8_t* end);

}  // namespace quillory
