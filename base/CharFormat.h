#pragma once
// The edit control's character format, as the rich edit control kept it: one format for the whole
// text (face, size, effects, colour). The settings file stores it byte for byte; the font dialog,
// the view and the control exchange it.

#include <array>
#include <cstdint>
#include <string>

namespace quillory {

// A colour as the control and the settings file keep it: 0x00BBGGRR.
using ColorRef = std::uint32_t;

constexpr ColorRef makeColorRef(int red, int green, int blue)
{
    return static_cast<ColorRef>(red & 0xFF) | (static_cast<ColorRef>(green & 0xFF) << 8) |
           (static_cast<ColorRef>(blue & 0xFF) << 16);
}
constexpr int redOf(ColorRef c)
{
    return static_cast<int>(c & 0xFF);
}
constexpr int greenOf(ColorRef c)
{
    return static_cast<int>((c >> 8) & 0xFF);
}
constexpr int blueOf(ColorRef c)
{
    return static_cast<int>((c >> 16) & 0xFF);
}

// Character format in its 60-byte ANSI layout (two bytes of padding close it when stored).
struct CharFormat {
    std::uint32_t structSize = 60;
    std::uint32_t mask = 0;
    std::uint32_t effects = 0;
    std::int32_t height = 0;      // twips
    std::int32_t offset = 0;      // twips
    std::uint32_t textColor = 0;  // COLORREF 0x00BBGGRR
    std::uint8_t charSet = 0;
    std::uint8_t pitchAndFamily = 0;
    std::array<char, 32> faceBytes{};  // zero-terminated

    std::string faceName() const;
    void setFaceName(const std::string& face);  // cut to 31 bytes
    bool operator==(const CharFormat&) const = default;
};

// Mask and effect bits of CharFormat.
inline constexpr std::uint32_t kMaskBold = 0x00000001;
inline constexpr std::uint32_t kMaskItalic = 0x00000002;
inline constexpr std::uint32_t kMaskUnderline = 0x00000004;
inline constexpr std::uint32_t kMaskStrikeOut = 0x00000008;
inline constexpr std::uint32_t kMaskColor = 0x40000000;
inline constexpr std::uint32_t kMaskSize = 0x80000000;
inline constexpr std::uint32_t kMaskFace = 0x20000000;
inline constexpr std::uint32_t kEffectBold = 0x0001;
inline constexpr std::uint32_t kEffectItalic = 0x0002;
inline constexpr std::uint32_t kEffectUnderline = 0x0004;
inline constexpr std::uint32_t kEffectStrikeOut = 0x0008;
inline constexpr std::uint32_t kEffectAutoColor = 0x40000000;

// The default font: "Courier New", size, face, bold and italic in the mask, no effects.
inline constexpr std::uint32_t kDefaultFontMask = kMaskSize | kMaskFace | kMaskBold | kMaskItalic;
inline constexpr const char* kDefaultFaceName = "Courier New";

}  // namespace quillory
