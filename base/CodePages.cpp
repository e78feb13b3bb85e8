#include "base/CodePages.h"

#include <array>

namespace quillory {
namespace tables {
extern const char16_t kCp1252ToUnicode[256];
extern const std::uint8_t kAnsiToOem[256];
}  // namespace tables

namespace {

// Reverse of the Windows-1252 table for the code points above 0xFF (0x00-0xFF map to themselves
// except where 0x80-0x9F hold other characters).
struct ReverseCp1252 {
    std::array<std::int16_t, 0x100> latin{};  // code point < 0x100 -> byte, or -1
    struct Entry {
        char16_t cp;
        std::uint8_t byte;
    };
    std::array<Entry, 32> high{};  // code points >= 0x100, at most 27 in Windows-1252
    int highCount = 0;

    ReverseCp1252()
    {
        latin.fill(-1);
        for (int b = 0; b < 256; ++b) {
            const char16_t cp = tables::kCp1252ToUnicode[b];
            if (cp < 0x100)
                latin[cp] = static_cast<std::int16_t>(b);
            else
                high[highCount++] = {cp, static_cast<std::uint8_t>(b)};
        }
    }
};

const ReverseCp1252& reverseCp1252()
{
    static const ReverseCp1252 table;
    return table;
}

}  // namespace

char16_t cp1252ToUnicode(std::uint8_t b)
{
    return tables::kCp1252ToUnicode[b];
}

std::optional<std::uint8_t> unicodeToCp1252(char32_t cp)
{
    const ReverseCp1252& table = reverseCp1252();
    if (cp < 0x100) {
        const int b = table.latin[cp];
        if (b < 0)
            return std::nullopt;
        return static_cast<std::uint8_t>(b);
    }
    for (int i = 0; i < table.highCount; ++i)
        if (table.high[i].cp == cp)
            return table.high[i].byte;
    return std::nullopt;
}

std::uint8_t ansiToOem(std::uint8_t b)
{
    return tables::kAnsiToOem[b];
}

void charToOemBuffer(std::uint8_t* bytes, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i)
        bytes[i] = tables::kAnsiToOem[bytes[i]];
}

}  // namespace quillory
