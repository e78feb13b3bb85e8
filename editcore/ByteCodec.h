#pragma once
// The one place that maps the control's bytes to characters and back: what a byte shows as, which
// byte a typed or pasted character becomes, and the byte classes that words and case folding use.
// A multi-byte display encoding would replace this class, not the buffer or the layout.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace quillory {

class ByteCodec {
public:
    ByteCodec();

    // The character drawn for byte b: Windows-1252, with control bytes as visible symbols
    // (control pictures), the five undefined bytes as U+FFFD and the soft hyphen as '-'. Tab, LF and CR are never drawn.
    char32_t displayChar(std::uint8_t b) const { return m_display[b]; }
    // The character that stands for byte b on the clipboard (Windows-1252, undefined bytes as C1).
    char32_t clipboardChar(std::uint8_t b) const;
    // The byte a typed or pasted character becomes: its Windows-1252 byte, or '?' without one.
    std::uint8_t byteFor(char32_t c) const;

    // Bytes to UTF-16 for the clipboard, and back ('?' for characters without a byte).
    std::u16string toClipboard(std::string_view bytes) const;
    std::string fromClipboard(std::u16string_view text) const;

    // Case folding for case-insensitive find: the lower-case byte of b.
    std::uint8_t fold(std::uint8_t b) const { return m_fold[b]; }
    // Letters, digits and '_' make words.
    bool isWordByte(std::uint8_t b) const { return m_word[b]; }
    // Space and tab: where word wrap may break.
    static bool isBlank(std::uint8_t b) { return b == ' ' || b == '\t'; }

private:
    std::array<char32_t, 256> m_display{};   // drawn character per byte
    std::array<std::uint8_t, 256> m_fold{};  // lower-case byte per byte
    std::array<bool, 256> m_word{};          // true for word bytes
};

// The process-wide codec of the 8-bit display.
const ByteCodec& byteCodec();

}  // namespace quillory
