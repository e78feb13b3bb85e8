#pragma once
// Unicode properties the editor needs beyond the code pages: simple case folding (for Find without
// Match case), the width of East Asian characters in a fixed-pitch font, and which characters
// make words. The data comes from resources/unicode/ (see its README).

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
extern const CodePointPair kWideRanges[];         // ascending, disjoint
extern const std::size_t kWideRangeCount;
}  // namespace tables

// The code point cp folds to under Unicode's simple case folding (cp itself when it has none).
char32_t simpleFold(char32_t cp);
// Every code point whose simple folding is `folded`, folded itself included, ascending.
std::vector<char32_t> foldVariants(char32_t folded);
// True for characters that take two cells of a fixed-pitch font (East Asian width W or F).
bool isWide(char32_t cp);
// Letters, digits, '_' and every character beyond Latin-1 that is neither space, punctuation nor
// a symbol of the common blocks make words.
bool isWordCharacter(char32_t cp);

}  // namespace quillory
