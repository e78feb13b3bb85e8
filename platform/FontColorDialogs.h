#pragma once
// The font and colour choosers of the View menu, behind an interface so tests can answer them.

#include <cstdint>
#include <optional>

#include "settings/SettingsRecord.h"

namespace quillory {

// A colour as the settings file keeps it: 0x00BBGGRR.
using ColorRef = std::uint32_t;

class IFontColorDialogs {
public:
    virtual ~IFontColorDialogs() = default;
    // The font chosen starting from `initial`, or nothing when cancelled.
    virtual std::optional<CharFormatA> chooseFont(const CharFormatA& initial) = 0;
    // The colour chosen starting from `initial` (basic colours only), or nothing when cancelled.
    virtual std::optional<ColorRef> chooseColor(ColorRef initial) = 0;
};

constexpr ColorRef makeColorRef(int red, int green, int blue)
{
    return static_cast<ColorRef>(red & 0xFF) | (static_cast<ColorRef>(green & 0xFF) << 8) |
           (static_cast<ColorRef>(blue & 0xFF) << 16);
}
constexpr int redOf(ColorRef c) { return static_cast<int>(c & 0xFF); }
constexpr int greenOf(ColorRef c) { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int blueOf(ColorRef c) { return static_cast<int>((c >> 16) & 0xFF); }

}  // namespace quillory
