#pragma once
// Visual rows of the text: where each row starts when lines wrap at a width, and the x of every
// byte in its row. Only what is asked for is laid out. For long lines, checkpoints (row starts
// every few kilobytes, or x positions when not wrapping) are kept so that a row far into a line is
// found without scanning from the line start; after an edit, old checkpoints are reused once the
// new row starts meet them again.

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "editcore/TextBuffer.h"
#include "editcore/TextEncoding.h"
#include "editcore/UnicodeTables.h"
#include "editcore/Utf8.h"

namespace quillory {

// The advances of characters beyond ASCII in a proportional font, measured by the font's owner
// (which keeps them once measured).
class CharacterAdvances {
public:
    virtual ~CharacterAdvances() = default;
    // The advance of code point cp (>= 0x80), 1/64 px, at least 64.
    virtual std::int32_t advanceOf(char32_t cp) const = 0;
};

// Advances in 1/64 pixel of every byte in one font; measuring is additions.
struct Advances {
    std::array<std::int32_t, 256> advance{};              // per byte; at least 64 (one pixel)
    std::int32_t tabInterval = 8 * 64 * 8;                // distance between tab stops
    bool fixedPitch = false;                              // every byte but tab has the same advance
    std::int32_t minAdvance = 64;                         // smallest advance of a byte
    std::shared_ptr<const CharacterAdvances> characters;  // UTF-8 beyond ASCII, proportional fonts

    // The advance of byte b drawn at x (from the row's start): its own, or up to the next tab stop.
    std::int32_t at(std::uint8_t b, std::int64_t x) const
    {
        return b == '\t' ? static_cast<std::int32_t>(tabInterval - x % tabInterval) : advance[b];
    }
    // The advance of a character beyond ASCII: in a fixed-pitch font one cell, two for wide East
    // Asian characters; otherwise as measured. A byte-order mark takes no room.
    std::int32_t ofCodePoint(char32_t cp) const
    {
        if (cp == utf8::kByteOrderMark)
            return 0;
        if (fixedPitch || !characters)
            return isWide(cp) ? 2 * advance['x'] : advance['x'];
        return characters->advanceOf(cp);
    }
    // The cell of a byte that is not valid UTF-8.
    std::int32_t invalidAdvance() const { return advance['x']; }
    // Every byte `pitch` wide, tab stops every tabColumns bytes.
    static Advances uniform(std::int32_t pitch, int tabColumns = 8);
    // Sets fixedPitch and minAdvance from the table.
    void finish();
};

class WrapLayout {
public:
    explicit WrapLayout(const TextBuffer& text) : m_text(text) {}

    void setAdvances(const Advances& advances);
    const Advances& advances() const { return m_adv; }
    // How the bytes read as characters; rows never break inside a character.
    void setEncoding(TextEncoding encoding);
    TextEncoding encoding() const { return m_encoding; }
    // Wrap rows at width (1/64 px); nothing means one row per line.
    void setWrapWidth(std::optional<std::int64_t> width);
    std::optional<std::int64_t> wrapWidth() const { return m_width; }
    // Forgets all checkpoints (after a new text).
    void reset() { m_cache.clear(); }
    // Adjusts checkpoints after the text changed at pos; call after the buffer changed.
    void textChanged(std::int64_t pos, std::int64_t removed, std::int64_t inserted, std::int64_t lineDelta);

    // The start of the row that holds caret position pos (a position where a row wraps belongs
    // to the next row; a line's end belongs to its last row).
    std::int64_t rowStart(std::int64_t pos);
    // Where the row's text ends: the next row's start in the same line, or the line's content end.
    std::int64_t rowEnd(std::int64_t rowStart);
    std::optional<std::int64_t> nextRow(std::int64_t rowStart);
    std::optional<std::int64_t> prevRow(std::int64_t rowStart);

    // The x (1/64 px) of caret position pos in the row starting at rowStart.
    std::int64_t xOf(std::int64_t rowStart, std::int64_t pos);
    // The caret position of the row nearest to x (1/64 px).
    std::int64_t posAtX(std::int64_t rowStart, std::int64_t x);
    // The advance of byte at pos when drawn at x: glyph advance, or up to the next tab stop.
    std::int32_t advanceAt(std::uint8_t byte, std::int64_t x) const { return m_adv.at(byte, x); }

    // One character of contiguous bytes: its advance when drawn at x and its length in bytes.
    struct Step {
        std::int32_t advance;
        int length;
    };
    // The character at p, of which `available` (> 0) bytes can be read, drawn at x.
    Step step(const std::uint8_t* p, std::int64_t available, std::int64_t x) const
    {
        if (m_encoding != TextEncoding::Utf8 || p[0] < 0x80)
            return {m_adv.at(p[0], x), 1};
        const utf8::Char c = utf8::decode(p, static_cast<std::size_t>(available));
        return {c.valid ? m_adv.ofCodePoint(c.cp) : m_adv.invalidAdvance(), c.length};
    }
    // The advance of the character at text position pos when drawn at x.
    std::int32_t charAdvanceAt(std::int64_t pos, std::int64_t x) const;

    // Lays out up to budgetBytes more of the line's checkpoints; true when the line is complete.
    bool extendCheckpoints(std::int64_t line, std::int64_t budgetBytes);
    // Whether the row holding pos is found without laying out more than a checkpoint's stride: its
    // line is short, unwrapped, or laid out that far.
    bool isLaidOutTo(std::int64_t pos) const;
    // Lines longer than this keep checkpoints.
    static constexpr std::int64_t kLongLine = std::int64_t{8} * 1024;

    // The first broken invariant of the checkpoints, or an empty string when all hold (for tests):
    // each belongs to an existing line, they ascend within it, a wrapped line's are row starts
    // found by laying the line out afresh, and an unwrapped line's x positions are the sums of the
    // advances before them.
    std::string checkInvariants();

private:
    struct LineCache {
        std::vector<std::int64_t> offsets;  // checkpoint offsets from the line start, ascending
        std::vector<std::int64_t> xs;       // x at each checkpoint (no wrap only)
        std::int64_t frontier = 0;          // last known row start (wrap) / offset (no wrap)
        std::int64_t frontierX = 0;         // x at frontier (no wrap)
        bool complete = false;              // frontier is the line's last row start
        std::vector<std::int64_t> pending;  // old checkpoints after an edit, shifted; last: old frontier
        std::size_t pendingNext = 0;        // first pending checkpoint not yet passed
        std::int64_t pendingFrom = 0;       // pending ones count only past this offset
        bool pendingComplete = false;       // the old checkpoints covered the whole line
    };

    class FixedPitchRows;
    // Most bytes a row of `width` can hold, as a first guess for how far to look.
    std::int64_t rowBytesGuess(std::int64_t width) const
    {
        const std::int64_t bytesPerChar = m_encoding == TextEncoding::Utf8 ? 4 : 1;
        return bytesPerChar * (2 * (width / m_adv.minAdvance) + 4);
    }
    std::int64_t nextBreak(std::int64_t rowStart, std::int64_t contentEnd);
    std::int64_t sumAdvances(std::int64_t from, std::int64_t to, std::int64_t x);
    LineCache& cacheFor(std::int64_t line);
    void extend(LineCache& cache, std::int64_t lineStart, std::int64_t contentEnd, std::int64_t untilRel,
                std::int64_t budgetBytes);
    // Drops the checkpoints an edit at rel may have moved; with reuse (an edit within the line),
    // keeps the later ones aside to adopt again where the new rows meet them.
    void keepBefore(LineCache& cache, std::int64_t rel, std::int64_t removed, std::int64_t inserted, bool reuse);
    // Row start at or before pos in a wrapped line, from the nearest checkpoint.
    std::int64_t wrapSearchStart(std::int64_t line, std::int64_t pos);

    const TextBuffer& m_text;
    Advances m_adv = Advances::uniform(8 * 64);
    std::optional<std::int64_t> m_width;                  // wrap width in 1/64 px, none: no wrap
    std::map<std::int64_t, LineCache> m_cache;            // checkpoints of long lines by line index
    std::string m_scratch;                                // copies of ranges that straddle the gap
    TextEncoding m_encoding = TextEncoding::Windows1252;  // how the bytes read as characters
    static constexpr std::int64_t kStride = 4096;         // bytes between checkpoints
};

}  // namespace quillory
