#include "qtplatform/QtFontColorDialogs.h"

#include <QFontDialog>

#include "qtplatform/BasicColorDialog.h"
#include "qtplatform/CharFormatFont.h"

namespace quillory {

std::optional<CharFormat> QtFontColorDialogs::chooseFont(const CharFormat& initial)
{
    bool accepted = false;
    const QFont font = QFontDialog::getFont(&accepted, fontFromCharFormat(initial), m_parent);
    if (!accepted)
        return std::nullopt;
    return charFormatFromFont(font, initial);
}

std::optional<ColorRef> QtFontColorDialogs::chooseColor(ColorRef initial)
{
    BasicColorDialog dialog(initial, m_parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.selectedColor();
}

}  // namespace quillory
