#include "editcore/UnicodeTables.h"

#include <algorithm>

namespace quillory {

namespace {

const CodePointPair* foldingEnd()
{
    return tables::kSimpleCaseFolding + tables::kSimpleCaseFoldingCount;
}

// The wide ranges of the basic multilingual plane as one bit per code point: one test per character.
std::array<std::uint64_t, 1024> wideBmpBits()
{
    std::array<std::uint64_t, 1024> bits{};
    for (std::size_t i = 0; i < tables::kWideRangeCount; ++i)
        for (char32_t c = tables::kWideRanges[i].first; c <= tables::kWideRanges[i].second && c < 0x10000; ++c)
            bits[c >> 6] |= std::uint64_t{1} << (c & 63);
    return bits;
}

}  // namespace

// The ranges are constant data, set before any dynamic initialisation, this one included.
const std::array<std::uint64_t, 1024> tables::kWideBmp = wideBmpBits();

char32_t simpleFold(char32_t cp)
{
    if (cp < 0x80)
        return cp >= 'A' && cp <= 'Z' ? cp + 32 : cp;
    const CodePointPair* end = foldingEnd();
    const CodePointPair* it = std::lower_bound(tables::kSimpleCaseFolding, end, cp,
                                               [](const CodePointPair& p, char32_t c) { return p.first < c; });
    return it != end && it->first == cp ? it->second : cp;
}

std::vector<char32_t> foldVariants(char32_t folded)
{
    std::vector<char32_t> variants{folded};
    for (const CodePointPair* p = tables::kSimpleCaseFolding; p != foldingEnd(); ++p)
        if (p->second == folded)
            variants.push_back(p->first);
    std::sort(variants.begin(), variants.end());
    variants.erase(std::unique(variants.begin(), variants.end()), variants.end());
    return variants;
}

bool isWideAstral(char32_t cp)
{
    const CodePointPair* end = tables::kWideRanges + tables::kWideRangeCount;
    const CodePointPair* it =
        std::upper_bound(tables::kWideRanges, end, cp, [](char32_t c, const CodePointPair& r) { return c < r.first; });
    return it != tables::kWideRanges && cp <= (it - 1)->second;
}

bool isWordCharacter(char32_t cp)
{
    if (cp < 0x80)
        return (cp >= '0' && cp <= '9') || (cp >= 'A' && cp <= 'Z') || (cp >= 'a' && cp <= 'z') || cp == '_';
    if (cp < 0x100)
        return (cp >= 0xC0 && cp != 0xD7 && cp != 0xF7) || cp == 0xAA || cp == 0xB5 || cp == 0xBA;
    // Spaces, punctuation and symbols of the common blocks; everything else counts as a letter.
    constexpr std::array<CodePointPair, 13> kNotWord{{{0x2000, 0x20CF},  // punctuation, super- and subscripts, currency
                                                      {0x2190, 0x2BFF},  // arrows, operators, shapes, symbols
                                                      {0x2E00, 0x2E7F},  // supplemental punctuation
                                                      {0x3000, 0x303F},  // CJK symbols and punctuation
                                                      {0xD800, 0xF8FF},  // surrogates, private use
                                                      {0xFE10, 0xFE1F},  // vertical forms
                                                      {0xFE30, 0xFE6F},  // compatibility forms
                                                      {0xFEFF, 0xFEFF},  // byte-order mark
                                                      {0xFF00, 0xFF0F},  // fullwidth punctuation
                                                      {0xFF1A, 0xFF20},
                                                      {0xFF3B, 0xFF40},
                                                      {0xFF5B, 0xFF65},
                                                      {0xFFF0, 0xFFFF}}};  // specials
    for (const CodePointPair& r : kNotWord)
        if (cp >= r.first && cp <= r.second)
            return false;
    return !(cp >= 0x1F000 && cp <= 0x1FAFF);  // emoji and pictographs
}

}  // namespace quillory
