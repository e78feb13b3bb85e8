#include "editcore/ByteCodec.h"

#include "base/CodePages.h"
#include "editcore/Utf8.h"

namespace quillory {

namespace {

// Windows-1252 bytes outside ASCII and Latin-1 letters that have a case partner.
constexpr std::uint8_t kUpperSpecial[] = {0x8A, 0x8C, 0x8E, 0x9F};
constexpr std::uint8_t kLowerSpecial[] = {0x9A, 0x9C, 0x9E, 0xFF};

}  // namespace

ByteCodec::ByteCodec()
{
    for (int b = 0; b < 256; ++b) {
        const auto byte = static_cast<std::uint8_t>(b);
        const char32_t c = cp1252ToUnicode(byte);
        if (b < 0x20)
            m_display[b] = 0x2400 + static_cast<char32_t>(b);  // control pictures
        else if (b == 0x7F)
            m_display[b] = 0x2421;
        else if (c >= 0x80 && c < 0xA0)
            m_display[b] = 0xFFFD;  // bytes Windows-1252 leaves undefined
        else if (c == 0xAD)
            m_display[b] = '-';  // a soft hyphen would be invisible
        else
            m_display[b] = c;
        m_fold[b] = byte;
        m_word[b] = (b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || b == '_' ||
                    (b >= 0xC0 && b != 0xD7 && b != 0xF7) || b == 0x83 || b == 0xAA || b == 0xB5 || b == 0xBA;
    }
    for (int b = 'A'; b <= 'Z'; ++b)
        m_fold[b] = static_cast<std::uint8_t>(b + 32);
    for (int b = 0xC0; b <= 0xDE; ++b)
        if (b != 0xD7)
            m_fold[b] = static_cast<std::uint8_t>(b + 32);
    for (std::size_t i = 0; i < std::size(kUpperSpecial); ++i) {
        m_fold[kUpperSpecial[i]] = kLowerSpecial[i];
        m_word[kUpperSpecial[i]] = m_word[kLowerSpecial[i]] = true;
    }
}

char32_t ByteCodec::clipboardChar(std::uint8_t b) const
{
    return cp1252ToUnicode(b);
}

std::uint8_t ByteCodec::byteFor(char32_t c) const
{
    const auto byte = unicodeToCp1252(c);
    return byte ? *byte : static_cast<std::uint8_t>('?');
}

std::u16string ByteCodec::toClipboard(std::string_view bytes) const
{
    std::u16string out(bytes.size(), u'\0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
        out[i] = cp1252ToUnicode(static_cast<std::uint8_t>(bytes[i]));
    return out;
}

std::string ByteCodec::fromClipboard(std::u16string_view text) const
{
    std::string out;
    out.reserve(text.size());
    // A surrogate pair is one character (and never has a byte).
    utf8::forEachCodePoint(text, [this, &out](char32_t c) { out.push_back(static_cast<char>(byteFor(c))); });
    return out;
}

const ByteCodec& byteCodec()
{
    static const ByteCodec codec;
    return codec;
}

}  // namespace quillory
