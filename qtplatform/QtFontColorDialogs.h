#pragma once
// The font chooser on QFontDialog and the colour chooser on BasicColorDialog.

#include "base/FontColorDialogs.h"

class QWidget;

namespace quillory {

class QtFontColorDialogs final : public IFontColorDialogs {
public:
    explicit QtFontColorDialogs(QWidget* parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget* parent) { m_parent = parent; }
    std::optional<CharFormat> chooseFont(const CharFormat& initial) override;
    std::optional<ColorRef> chooseColor(ColorRef initial) override;

private:
    QWidget* m_parent;
};

}  // namespace quillory
