#pragma once
// A colour dialog with the 48 basic colours and no custom-colour part.

#include <QDialog>

#include "base/FontColorDialogs.h"

class QAbstractButton;
class QButtonGroup;

namespace quillory {

class BasicColorDialog : public QDialog {
    Q_OBJECT
public:
    explicit BasicColorDialog(ColorRef initial, QWidget* parent = nullptr);
    ColorRef selectedColor() const { return m_selected; }

    static const ColorRef kBasicColors[48];

private:
    void select(int index);

    QButtonGroup* m_swatches;
    ColorRef m_selected;  // the colour OK returns; the initial one until a swatch is chosen
};

}  // namespace quillory
