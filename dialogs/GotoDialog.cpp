#include "dialogs/GotoDialog.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace quillory {

GotoDialog::GotoDialog(QObject* view, IMessageBoxes& boxes, std::function<void()> beep, QWidget* parent)
    : QDialog(parent),
      m_target(view),
      m_boxes(boxes),
      m_beep(std::move(beep)),
      m_offset(new QLineEdit(this)),
      m_percent(new QLineEdit(this)),
      m_byOffset(new QCheckBox(this)),
      m_byPercent(new QCheckBox(this)),
      m_go(new QPushButton(tr("&Go"), this)),
      m_done(new QPushButton(tr("&Done"), this))
{
    setWindowTitle(QStringLiteral("Goto...  (resizable)"));
    setSizeGripEnabled(true);
    m_offset->setMaxLength(kGotoOffsetMaxChars);
    m_percent->setMaxLength(kGotoPercentMaxChars);
    m_done->setDefault(true);
    m_go->setAutoDefault(false);

    auto* offsetLabel = new QLabel(QStringLiteral("Offset:"), this);
    offsetLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* percentLabel = new QLabel(QStringLiteral("File %"), this);
    percentLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* hint = new QLabel(QStringLiteral("[Offset 0 = 1st byte]"), this);
    hint->setAlignment(Qt::AlignCenter);
    auto* grid = new QGridLayout(this);
    grid->addWidget(offsetLabel, 0, 0);
    grid->addWidget(m_offset, 0, 1);
    grid->addWidget(m_byOffset, 0, 2);
    grid->addWidget(m_go, 0, 3);
    grid->addWidget(percentLabel, 1, 0);
    grid->addWidget(m_percent, 1, 1);
    grid->addWidget(m_byPercent, 1, 2);
    grid->addWidget(m_done, 1, 3);
    grid->addWidget(hint, 2, 0, 1, 3);
    grid->setColumnStretch(1, 1);

    // Only what the user types is checked; writing the fields back does not check again.
    connect(m_offset, &QLineEdit::textEdited, this,
            [this](const QString& text) { react(onOffsetChanged(m_fields, text.toStdString())); });
    connect(m_percent, &QLineEdit::textEdited, this,
            [this](const QString& text) { react(onPercentChanged(m_fields, text.toStdString())); });
    connect(m_byOffset, &QCheckBox::clicked, this, [this](bool checked) {
        onByOffsetClicked(m_fields, checked);
        writeFieldsToControls();
    });
    connect(m_byPercent, &QCheckBox::clicked, this, [this](bool checked) {
        onByPercentClicked(m_fields, checked);
        writeFieldsToControls();
    });
    connect(m_go, &QPushButton::clicked, this, &GotoDialog::accept);
    connect(m_done, &QPushButton::clicked, this, &GotoDialog::reject);
}

void GotoDialog::showWindow()
{
    onGotoOpened(m_fields);
    show();
    writeFieldsToControls();
    raise();
    activateWindow();
}

void GotoDialog::writeFieldsToControls()
{
    m_offset->setText(QString::fromStdString(m_fields.offsetText));
    m_percent->setText(QString::fromStdString(m_fields.percentText));
    m_byOffset->setChecked(m_fields.byOffset);
    m_byPercent->setChecked(m_fields.byPercent);
}

void GotoDialog::react(const GotoEditReaction& reaction)
{
    if (reaction.beep && m_beep)
        m_beep();
    if (reaction.writeFieldsBack)
        writeFieldsToControls();
    if (reaction.caretToEndOf)
        (*reaction.caretToEndOf == GotoEdit::Offset ? m_offset : m_percent)->end(false);
    if (reaction.message)
        m_boxes.show(*reaction.message);
}

void GotoDialog::accept()
{
    if (m_target == nullptr) {
        QDialog::accept();
        return;
    }
    QCoreApplication::postEvent(m_target, new QEvent(kGotoGoEvent));
}

void GotoDialog::reject()
{
    if (m_target == nullptr) {
        QDialog::reject();
        return;
    }
    QCoreApplication::postEvent(m_target, new QEvent(kGotoCloseEvent));
}

void GotoDialog::closeEvent(QCloseEvent* event)
{
    // The window goes only when the view says so, as for Done.
    event->ignore();
    reject();
}

}  // namespace quillory
