#include "qtplatform/BasicColorDialog.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "qtplatform/CharFormatFont.h"

namespace quillory {

const ColorRef BasicColorDialog::kBasicColors[48] = {
    makeColorRef(255, 128, 128), makeColorRef(255, 255, 128), makeColorRef(128, 255, 128), makeColorRef(0, 255, 128),
    makeColorRef(128, 255, 255), makeColorRef(0, 128, 255),   makeColorRef(255, 128, 192), makeColorRef(255, 128, 255),
    makeColorRef(255, 0, 0),     makeColorRef(255, 255, 0),   makeColorRef(128, 255, 0),   makeColorRef(0, 255, 64),
    makeColorRef(0, 255, 255),   makeColorRef(0, 128, 192),   makeColorRef(128, 128, 192), makeColorRef(255, 0, 255),
    makeColorRef(128, 64, 64),   makeColorRef(255, 128, 64),  makeColorRef(0, 255, 0),     makeColorRef(0, 128, 128),
    makeColorRef(0, 64, 128),    makeColorRef(128, 128, 255), makeColorRef(128, 0, 64),    makeColorRef(255, 0, 128),
    makeColorRef(128, 0, 0),     makeColorRef(255, 128, 0),   makeColorRef(0, 128, 0),     makeColorRef(0, 128, 64),
    makeColorRef(0, 0, 255),     makeColorRef(0, 0, 160),     makeColorRef(128, 0, 128),   makeColorRef(128, 0, 255),
    makeColorRef(64, 0, 0),      makeColorRef(128, 64, 0),    makeColorRef(0, 64, 0),      makeColorRef(0, 64, 64),
    makeColorRef(0, 0, 128),     makeColorRef(0, 0, 64),      makeColorRef(64, 0, 64),     makeColorRef(64, 0, 128),
    makeColorRef(0, 0, 0),       makeColorRef(128, 128, 0),   makeColorRef(128, 128, 64),  makeColorRef(128, 128, 128),
    makeColorRef(64, 128, 128),  makeColorRef(192, 192, 192), makeColorRef(64, 0, 64),     makeColorRef(255, 255, 255),
};

BasicColorDialog::BasicColorDialog(ColorRef initial, QWidget* parent)
    : QDialog(parent), m_swatches(new QButtonGroup(this)), m_selected(initial)
{
    setWindowTitle(tr("Color"));
    auto* grid = new QGridLayout;
    grid->setSpacing(4);
    for (int i = 0; i < 48; ++i) {
        auto* swatch = new QPushButton(this);
        swatch->setCheckable(true);
        swatch->setFixedSize(28, 22);
        swatch->setAccessibleName(toQColor(kBasicColors[i]).name());
        swatch->setStyleSheet(QStringLiteral("QPushButton { background: %1; border: 1px solid gray; }"
                                             "QPushButton:checked { border: 3px solid palette(highlight); }")
                                  .arg(toQColor(kBasicColors[i]).name()));
        m_swatches->addButton(swatch, i);
        grid->addWidget(swatch, i / 8, i % 8);
        if (kBasicColors[i] == initial)
            swatch->setChecked(true);
    }
    connect(m_swatches, &QButtonGroup::idClicked, this, &BasicColorDialog::select);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttons);
}

void BasicColorDialog::select(int index)
{
    m_selected = kBasicColors[index];
}

}  // namespace quillory
