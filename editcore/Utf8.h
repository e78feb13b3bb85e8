#pragma once
// UTF-8 with the exact validity rules: no overlong forms, no surrogates, nothing above U+10FFFF.
// A byte that does not start a valid sequence (or a continuation byte outside one) is one
// character of its own, so every byte string reads as characters and nothing is lost.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace quillory::utf8 {

constexpr char32_t kReplacement = 0xFFFD;    // what an invalid byte stands for outside the text
constexpr char32_t kByteOrderMark = 0xFEFF;  // kept as bytes, never drawn

constexpr bool isContinuation(std::uint8_t b)
{
    return (b & 0xC0) == 0x80;
}

struct Char {
    char32_t cp = 0;    // the code point; for an invalid byte, the byte's value
    int length = 1;     // bytes it takes: 1 to 4
    bool valid = true;  // false: a byte outside any valid sequence
};

// The character at p, where `available` (> 0) bytes can be read.
inline Char decode(const std::uint8_t* p, std::size_t available)
{
    const std::uint8_t b0 = p[0];
    if (b0 < 0x80)
        return {b0, 1, true};
    const Char invalid{b0, 1, false};
    auto cont = [&](std::size_t i, std::uint8_t lo = 0x80, std::uint8_t hi = 0xBF) {
        return i < available && p[i] >= lo && p[i] <= hi;
    };
    if (b0 < 0xC2)
        return invalid;
    if (b0 < 0xE0)
        return cont(1) ? Char{static_cast<char32_t>((b0 & 0x1F) << 6 | (p[1] & 0x3F)), 2, true} : invalid;
    if (b0 < 0xF0) {
        const bool second = b0 == 0xE0 ? cont(1, 0xA0) : b0 == 0xED ? cont(1, 0x80, 0x9F) : cont(1);
        if (!second || !cont(2))
            return invalid;
        return {static_cast<char32_t>((b0 & 0x0F) << 12 | (p[1] & 0x3F) << 6 | (p[2] & 0x3F)), 3, true};
    }
    if (b0 < 0xF5) {
        const bool second = b0 == 0xF0 ? cont(1, 0x90) : b0 == 0xF4 ? cont(1, 0x80, 0x8F) : cont(1);
        if (!second || !cont(2) || !cont(3))
            return invalid;
        return {static_cast<char32_t>((b0 & 0x07) << 18 | (p[1] & 0x3F) << 12 | (p[2] & 0x3F) << 6 | (p[3] & 0x3F)), 4,
                true};
    }
    return invalid;
}

// Appends the UTF-8 form of cp; a surrogate or a value above U+10FFFF appends U+FFFD.
void append(std::string& out, char32_t cp);
std::string encode(char32_t cp);

// True when the whole buffer is valid UTF-8. Runs of ASCII are skipped 64 bytes at a time and the
// rest is checked 16 bytes at a time with SSSE3 where the processor has it.
bool isValid(const std::uint8_t* bytes, std::size_t count);
// True when no byte has its high bit set.
bool isAscii(const std::uint8_t* bytes, std::size_t count);

// UTF-16 surrogates: a high one (U+D800 to U+DBFF) followed by a low one (U+DC00 to U+DFFF)
// stands for one code point above U+FFFF.
constexpr bool isHighSurrogate(char32_t unit)
{
    return unit >= 0xD800 && unit < 0xDC00;
}
constexpr bool isLowSurrogate(char32_t unit)
{
    return unit >= 0xDC00 && unit < 0xE000;
}
constexpr char32_t combineSurrogates(char32_t high, char32_t low)
{
    return 0x10000 + ((high - 0xD800) << 10) + (low - 0xDC00);
}

// Calls visit(cp) with each character of UTF-16 text: a surrogate pair as its code point, any
// other unit (an unpaired surrogate too) as its own value.
template <typename Visit>
void forEachCodePoint(std::u16string_view text, Visit visit)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (isHighSurrogate(c) && i + 1 < text.size() && isLowSurrogate(text[i + 1]))
            c = combineSurrogates(c, text[++i]);
        visit(c);
    }
}

// Bytes to UTF-16 (invalid bytes as U+FFFD), and back (an unpaired surrogate as U+FFFD).
std::u16string toUtf16(std::string_view bytes);
std::string fromUtf16(std::u16string_view text);

}  // namespace quillory::utf8
