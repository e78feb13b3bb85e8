#pragma once
// Finding a byte string in the text: forward from a position or backward before it, with or
// without case, optionally whole words only. The text is searched where it lies, on both sides of
// the buffer's gap, without moving it.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "editcore/TextBuffer.h"
#include "editcore/TextEncoding.h"

namespace quillory {

struct FindOptions {
    bool matchCase = false;  // otherwise letters match either case (simple case folding in UTF-8)
    bool wholeWord = false;  // the match neither starts nor ends inside a word
    bool backward = false;   // the last match that ends at or before `from`
    TextEncoding encoding = TextEncoding::Windows1252;  // how needle and text read as characters
};

struct FoundRange {
    std::int64_t start = 0;
    std::int64_t end = 0;  // half-open
    bool operator==(const FoundRange&) const = default;
};

// A text to search, as two pieces in order, with the bytes just outside it that the whole-word
// rule looks at.
struct SearchText {
    std::string_view head;  // the text's first piece
    std::string_view tail;  // the rest
    int byteBefore = -1;    // the byte before the text; -1 when the text starts the document
    int byteAfter = -1;     // the byte after the text; -1 when the text ends the document

    std::int64_t size() const { return static_cast<std::int64_t>(head.size() + tail.size()); }
    // The byte at pos, for -1 <= pos <= size(): outside the text, byteBefore or byteAfter.
    int byteAt(std::int64_t pos) const;
    // A buffer's whole text, its pieces the two sides of the gap.
    static SearchText of(const TextBuffer& text) { return {text.beforeGap(), text.afterGap()}; }
    // The text's first `length` bytes (all of it when it is no longer), the byte after them its
    // byteAfter.
    SearchText prefix(std::int64_t length) const;
};

// A needle prepared once for any number of searches with the same options (direction aside).
class TextSearcher {
public:
    TextSearcher(std::string_view needle, const FindOptions& options);

    // The needle's length in bytes (a match folded in UTF-8 may be longer or shorter).
    std::int64_t length() const { return static_cast<std::int64_t>(m_needle.size()); }
    // The first match that starts at or after from.
    std::optional<FoundRange> next(const SearchText& text, std::int64_t from) const;
    // The last match that ends at or before from.
    std::optional<FoundRange> previous(const SearchText& text, std::int64_t from) const;

private:
    // A piece of contiguous bytes searched on its own, at `origin` in the text.
    struct Piece {
        const std::uint8_t* bytes;
        std::int64_t origin;
    };
    // The first (or last) start s in [lo, hi], text positions, of a match inside the piece that
    // the whole-word rule accepts; the piece holds [s, s + length()) for each such s. -1: none.
    std::int64_t firstIn(const SearchText& text, Piece piece, std::int64_t lo, std::int64_t hi) const;
    std::int64_t lastIn(const SearchText& text, Piece piece, std::int64_t lo, std::int64_t hi) const;
    // True when the needle is at p and the whole-word rule accepts it at text position start.
    bool matchesAt(const SearchText& text, const std::uint8_t* p, std::int64_t start) const;
    // The window of bytes around the gap that holds every match straddling it, and its origin.
    Piece seam(const SearchText& text, std::string& scratch) const;
    // True when the whole-word rule accepts a match of [start, end).
    bool wholeWordAt(const SearchText& text, std::int64_t start, std::int64_t end) const;

    // UTF-8 without case: the needle as folded code points, compared character by character at
    // each place where a byte that can begin it stands.
    std::optional<FoundRange> nextFolded(const SearchText& text, std::int64_t from) const;
    std::optional<FoundRange> previousFolded(const SearchText& text, std::int64_t from) const;
    // The first place at or after i (below size) where a byte that can begin a folded match
    // stands, or size.
    std::int64_t nextStartByte(const std::uint8_t* bytes, std::int64_t i, std::int64_t size) const;
    // The length of a folded match at start, or -1.
    std::int64_t foldedMatchLength(const SearchText& text, std::int64_t start) const;

    std::string m_needle;                       // as given; folded when case does not matter
    bool m_matchCase;                           // compare bytes exactly
    bool m_wholeWord;                           // whole words only
    bool m_vectorScan = true;                   // each end byte has at most two case forms
    std::array<std::uint8_t, 2> m_first;        // the forms of the needle's first byte
    std::array<std::uint8_t, 2> m_last;         // the forms of its last byte
    bool m_utf8;                                // the text is UTF-8: words are characters
    std::u32string m_folded;                    // UTF-8 without case: the folded needle; empty otherwise
    std::array<bool, 256> m_startBytes{};       // bytes that can begin a folded match
    std::vector<std::uint8_t> m_startByteList;  // the same bytes, listed
};

// Searches for needle from `from` (forward: matches starting at or after it; backward: matches
// ending at or before it). The text and its gap stay as they are.
std::optional<FoundRange> findText(const TextBuffer& text, std::string_view needle, std::int64_t from,
                                   const FindOptions& options);

}  // namespace quillory
