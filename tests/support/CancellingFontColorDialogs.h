#pragma once
// A font and colour dialog double for tests that never choose either: both dialogs are cancelled.

#include <optional>

#include "base/FontColorDialogs.h"

namespace quillory::test {

class CancellingFontColorDialogs final : public IFontColorDialogs {
public:
    std::optional<CharFormat> chooseFont(const CharFormat&) override { return std::nullopt; }
    std::optional<ColorRef> chooseColor(ColorRef) override { return std::nullopt; }
};

}  // namespace quillory::test
