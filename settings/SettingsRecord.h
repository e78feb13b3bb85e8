#pragma once
// The 88-byte preferences record at the start of the settings file: 32-bit little-endian fields,
// a 60-byte ANSI character format, the background colour and the main window's rectangle.

#include <array>
#include <cstdint>
#include <string>

namespace quillory {

// Character format in its 60-byte ANSI layout (two bytes of padding close it).
struct CharFormatA {
    std::uint32_t cbSize = 60;
    std::uint32_t dwMask = 0;
    std::uint32_t dwEffects = 0;
    std::int32_t yHeight = 0;      // twips
    std::int32_t yOffset = 0;      // twips
    std::uint32_t crTextColor = 0; // COLORREF 0x00BBGGRR
    std::uint8_t bCharSet = 0;
    std::uint8_t bPitchAndFamily = 0;
    std::array<char, 32> szFaceName{};  // zero-terminated

    std::string faceName() const;
    void setFaceName(const std::string& face);  // cut to 31 bytes
    bool operator==(const CharFormatA&) const = default;
};

// Mask and effect bits of CharFormatA.
inline constexpr std::uint32_t CFM_BOLD = 0x00000001;
inline constexpr std::uint32_t CFM_ITALIC = 0x00000002;
inline constexpr std::uint32_t CFM_UNDERLINE = 0x00000004;
inline constexpr std::uint32_t CFM_STRIKEOUT = 0x00000008;
inline constexpr std::uint32_t CFM_COLOR = 0x40000000;
inline constexpr std::uint32_t CFM_SIZE = 0x80000000;
inline constexpr std::uint32_t CFM_FACE = 0x20000000;
inline constexpr std::uint32_t CFE_BOLD = 0x0001;
inline constexpr std::uint32_t CFE_ITALIC = 0x0002;
inline constexpr std::uint32_t CFE_UNDERLINE = 0x0004;
inline constexpr std::uint32_t CFE_STRIKEOUT = 0x0008;
inline constexpr std::uint32_t CFE_AUTOCOLOR = 0x40000000;

// The default font: "Courier New", size, face, bold and italic in the mask, no effects.
inline constexpr std::uint32_t kDefaultFontMask = CFM_SIZE | CFM_FACE | CFM_BOLD | CFM_ITALIC;
inline constexpr const char* kDefaultFaceName = "Courier New";

struct WindowRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
    bool operator==(const WindowRect&) const = default;
};

// A stored bottom of this value means no window position is stored.
inline constexpr std::int32_t kNoWindowPosition = -10;

struct SettingsRecord {
    std::uint32_t wordWrap = 1;        // non-zero: wrap to the window at start-up
    std::uint32_t ansiToAscii = 0;     // copied as stored into the document's m_bAnsiToAscii
    CharFormatA charFormat;
    std::uint32_t background = 0;      // COLORREF of the editing area
    WindowRect window;

    bool operator==(const SettingsRecord&) const = default;

    // A complete record for a start with no settings file: Courier New 10 pt in automatic colour,
    // white background, no stored window position.
    static SettingsRecord defaults();
};

inline constexpr std::size_t kSettingsRecordSize = 88;
inline constexpr std::size_t kCharFormatSize = 60;

std::array<std::uint8_t, kSettingsRecordSize> encodeSettingsRecord(const SettingsRecord& record);
SettingsRecord decodeSettingsRecord(const std::uint8_t* bytes);  // reads 88 bytes

std::array<std::uint8_t, kCharFormatSize> encodeCharFormat(const CharFormatA& format);
CharFormatA decodeCharFormat(const std::uint8_t* bytes);  // reads 60 bytes

}  // namespace quillory
