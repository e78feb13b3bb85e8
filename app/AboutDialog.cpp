#include "app/AboutDialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "app/CommandIcons.h"

#ifndef QUILLORY_VERSION
#define QUILLORY_VERSION "0.0.0"
#endif

namespace quillory {

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("About Quillory"));
    setObjectName(QStringLiteral("AboutDlg"));

    auto* icon = new QLabel(this);
    icon->setPixmap(applicationIcon().pixmap(QSize(48, 48), devicePixelRatioF()));
    icon->setAlignment(Qt::AlignTop);

    auto* name = new QLabel(QStringLiteral("Quillory Version %1").arg(QStringLiteral(QUILLORY_VERSION)), this);
    name->setObjectName(QStringLiteral("VersionLabel"));
    QFont bold = name->font();
    bold.setBold(true);
    name->setFont(bold);
    auto* summary = new QLabel(QStringLiteral("A fast, byte-exact text and binary file editor."), this);
    auto* licence = new QLabel(QStringLiteral("Free software: you may use, copy and share it.\n"
                                              "It comes with ABSOLUTELY NO WARRANTY."),
                               this);
    licence->setObjectName(QStringLiteral("LicenceLabel"));
    auto* toolkit = new QLabel(QStringLiteral("Built with Qt %1.").arg(QString::fromLatin1(qVersion())), this);

    auto* texts = new QVBoxLayout;
    for (QLabel* label : {name, summary, licence, toolkit}) {
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        texts->addWidget(label);
    }
    auto* body = new QHBoxLayout;
    body->addWidget(icon);
    body->addSpacing(12);
    body->addLayout(texts, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(body);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace quillory
