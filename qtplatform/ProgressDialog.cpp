#include "qtplatform/ProgressDialog.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <QHBoxLayout>

namespace quillory {

ProgressDialog::ProgressDialog(const QString& title, QWidget* parent)
    : QDialog(parent),
      m_title(new QLabel(title, this)),
      m_bar(new QProgressBar(this)),
      m_cancel(new QPushButton(tr("Cancel"), this))
{
    setWindowTitle(title);
    setModal(true);
    m_title->setAccessibleName(title);
    m_bar->setRange(0, 100);
    m_bar->setValue(0);
    m_bar->setAccessibleName(title);
    m_bar->setMinimumWidth(320);
    m_cancel->setAccessibleName(m_cancel->text());
    m_cancel->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_title);
    layout->addWidget(m_bar);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    connect(m_cancel, &QPushButton::clicked, this, &ProgressDialog::reject);
}

void ProgressDialog::setPercent(int percent)
{
    if (percent != m_bar->value())
        m_bar->setValue(percent);
}

int ProgressDialog::percent() const
{
    return m_bar->value();
}

void ProgressDialog::reject()
{
    // The work decides when it has stopped; the window goes with it.
    m_cancel->setEnabled(false);
    emit cancelRequested();
}

}  // namespace quillory
