#pragma once
// The 88-byte preferences record at the start of the settings file: 32-bit little-endian fields,
// a 60-byte ANSI character format, the background colour and the main window's rectangle.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "base/CharFormat.h"

namespace quillory {

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
    std::uint32_t wordWrap = 1;     // non-zero: wrap to the window at start-up
    std::uint32_t ansiToAscii = 0;  // copied as stored into the document's ANSI-to-ASCII option
    CharFormat charFormat;
    std::uint32_t background = 0;  // COLORREF of the editing area
    WindowRect window;

    bool operator==(const SettingsRecord&) const = default;

    // A complete record for a start with no settings file: Courier New 10 pt in automatic colour,
    // white background, no stored window position.
    static SettingsRecord defaults();
};

// Stored values are applied only when they make sense: a font of 1 to 1,638 points, and a window
// of at least 100 x 100 pixels, no larger than the largest screen, of which at least 100 x 50
// pixels lie on one screen. Anything else takes the default (the file stays as it is).
inline constexpr std::int32_t kSmallestFontTwips = 20;
inline constexpr std::int32_t kLargestFontTwips = 32760;
bool plausibleFontHeight(std::int32_t twips);
bool plausibleWindowRect(const WindowRect& window, const std::vector<WindowRect>& screens);

inline constexpr std::size_t kSettingsRecordSize = 88;
inline constexpr std::size_t kCharFormatSize = 60;

std::array<std::uint8_t, kSettingsRecordSize> encodeSettingsRecord(const SettingsRecord& record);
SettingsRecord decodeSettingsRecord(const std::uint8_t* bytes);  // reads 88 bytes

std::array<std::uint8_t, kCharFormatSize> encodeCharFormat(const CharFormat& format);
CharFormat decodeCharFormat(const std::uint8_t* bytes);  // reads 60 bytes

}  // namespace quillory
