#pragma once
// The font and colour choosers of the View menu, behind an interface so tests can answer them.

#include <cstdint>
#include <optional>

#include "base/CharFormat.h"

namespace quillory {

class IFontColorDialogs {
public:
    virtual ~IFontColorDialogs() = default;
    // The font chosen starting from `initial`, or nothing when cancelled.
    virtual std::optional<CharFormat> chooseFont(const CharFormat& initial) = 0;
    // The colour chosen starting from `initial` (basic colours only), or nothing when cancelled.
    virtual std::optional<ColorRef> chooseColor(ColorRef initial) = 0;
};

}  // namespace quillory
