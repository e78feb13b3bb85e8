#pragma once
// The wrap rule written plainly over the characters of one line: the reference of the layout tests
// and of the text-edit fuzz target.

#include <cstdint>
#include <string>
#include <vector>

#include "editcore/TextEncoding.h"
#include "editcore/Utf8.h"
#include "editcore/WrapLayout.h"

namespace quillory::test {

// Advances of a proportional font beyond ASCII: a width from the code point.
class SyntheticCharacters final : public CharacterAdvances {
public:
    std::int32_t advanceOf(char32_t cp) const override { return 64 * static_cast<std::int32_t>(4 + cp % 9); }
};

// One character of a line and its first byte: a byte in Windows-1252; in UTF-8 a valid sequence
// or a byte outside one.
struct ReferenceCell {
    std::int64_t pos;
    std::uint8_t first;
    utf8::Char c;
};

inline std::vector<ReferenceCell> referenceCells(const std::string& line, TextEncoding encoding)
{
    std::vector<ReferenceCell> cells;
    for (std::size_t i = 0; i < line.size();) {
        const auto first = static_cast<std::uint8_t>(line[i]);
        const utf8::Char c = encoding == TextEncoding::Utf8
                                 ? utf8::decode(reinterpret_cast<const std::uint8_t*>(line.data()) + i, line.size() - i)
                                 : utf8::Char{first, 1, true};
        cells.push_back({static_cast<std::int64_t>(i), first, c});
        i += static_cast<std::size_t>(c.length);
    }
    return cells;
}

// The advance of a character drawn at x: up to the next tab stop for a tab, the byte's own below
// 0x80 and in Windows-1252, else the code point's (a byte outside UTF-8 takes an "x").
inline std::int64_t referenceAdvance(const Advances& adv, const ReferenceCell& cell, std::int64_t x,
                                     TextEncoding encoding)
{
    if (cell.first == '\t')
        return adv.tabInterval - x % adv.tabInterval;
    if (encoding != TextEncoding::Utf8 || cell.first < 0x80)
        return adv.advance[cell.first];
    return cell.c.valid ? adv.ofCodePoint(cell.c.cp) : adv.advance['x'];
}

// Row starts of one line: a row ends where the next character would pass the width (each row
// holds one at least); a blank there stays on the row, else the row breaks after its last blank
// when it has one.
inline std::vector<std::int64_t> referenceRows(const std::vector<ReferenceCell>& cells, const Advances& adv,
                                               std::int64_t width, TextEncoding encoding)
{
    std::vector<std::int64_t> rows{0};
    std::size_t s = 0;
    while (true) {
        std::int64_t x = 0;
        std::size_t i = s;
        std::size_t lastBlankEnd = 0;
        for (; i < cells.size(); ++i) {
            const std::int64_t a = referenceAdvance(adv, cells[i], x, encoding);
            if (x + a > width && i > s)
                break;
            x += a;
            if (cells[i].first == ' ' || cells[i].first == '\t')
                lastBlankEnd = i + 1;
        }
        if (i >= cells.size())
            return rows;
        s = (cells[i].first == ' ' || cells[i].first == '\t') ? i + 1 : (lastBlankEnd > s ? lastBlankEnd : i);
        if (s >= cells.size())
            return rows;
        rows.push_back(cells[s].pos);
    }
}

inline std::vector<std::int64_t> referenceRows(const std::string& line, const Advances& adv, std::int64_t width,
                                               TextEncoding encoding = TextEncoding::Windows1252)
{
    return referenceRows(referenceCells(line, encoding), adv, width, encoding);
}

}  // namespace quillory::test
