#pragma once
// IClipboard on the application's QClipboard.

#include "base/Clipboard.h"

namespace quillory {

class QtClipboard final : public IClipboard {
public:
    void setText(const std::u16string& text) override;
    std::u16string text() const override;
    bool canPaste() const override;
    void clear() override;
};

}  // namespace quillory
