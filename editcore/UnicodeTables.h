#pragma once
// Unicode properties the editor needs beyond the code pages: simple case folding (for Find without
// Match case), the width of East Asian characters in a fixed-pitch font, and which characters
// make words. The data comes from resources/unicode/ (see its README).

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace quillory {

struct CodePointPair {
    char32_t first;   // code point (folding) or first of a range
    char32_t second;  // folded code point, or last of the range
};

namespace tables {
extern const CodePointPair kSimpleCaseFolding[];  // ascending by code point
extern const std::size_t kSimpleCaseFoldingCount;
extern const CodePointPair kWideRanges[];  // ascending, disjoint
extern const std::size_t kWideRangeCount;
extern const std::array<std::uint64_t, 1024> kWideBmp;  // the wide ranges below U+10000, one bit each
}  // namespace tables

// The code point cp folds to under Unicode's simple case folding (cp itself when it has none).
char32_t simpleFold(char32_t cp);
// Every code point whose simple folding is `folded`, folded itself included, ascending.
std::vector<char32_t> foldVariants(char32_t folded);
// True for characters beyond the basic plane that take two cells.
bool isWideAstral(char32_t cp);
// True for characters that take two cells of a fixed-pitch font (East Asian width W or F).
inline bool isWide(char32_t cp)
{
    if (cp < 0x1100)
        return false;
    if (cp < 0x10000)
        return (tables::kWideBmp[cp >> 6] >> (cp & 63)) & 1;
    return isWideAstral(cp);
}
// Letters, digits, '_' and every character beyond Latin-1 that is neither space, punctuation nor
// a symbol of the common blocks make words.
bool isWordCharacter(char32_t cp);

}  // namespace quillory
