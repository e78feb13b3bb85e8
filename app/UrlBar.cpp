#include "app/UrlBar.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "commands/CommandIds.h"
#include "commands/CommandTable.h"
#include "qtplatform/QtText.h"

namespace quillory {

UrlBar::UrlBar(QWidget* parent) : QToolBar(QStringLiteral("URL Toolbar"), parent)
{
    setObjectName(QStringLiteral("UrlBar"));
    setAllowedAreas(Qt::TopToolBarArea | Qt::BottomToolBarArea);

    auto* label = new QLabel(QStringLiteral("URL:"), this);
    label->setContentsMargins(4, 0, 4, 0);
    m_edit = new QLineEdit(this);
    m_edit->setObjectName(QStringLiteral("UrlEdit"));
    m_edit->setStatusTip(toQString(CommandTable::prompt(cmd::IDC_URL_EDIT)));
    m_edit->setToolTip(toQString(CommandTable::tooltip(cmd::IDC_URL_EDIT)));
    m_edit->setMinimumWidth(m_edit->fontMetrics().averageCharWidth() * 50);
    label->setBuddy(m_edit);
    m_retrieve = new QPushButton(QStringLiteral("Retrieve"), this);
    m_retrieve->setObjectName(QStringLiteral("RetrieveButton"));
    m_retrieve->setStatusTip(toQString(CommandTable::prompt(cmd::IDC_URL_RETRIEVE)));
    m_stop = new QPushButton(QStringLiteral("Stop"), this);
    m_stop->setObjectName(QStringLiteral("StopButton"));
    m_stop->setStatusTip(toQString(CommandTable::prompt(cmd::IDC_URL_STOP)));

    addWidget(label);
    addWidget(m_edit);
    addWidget(m_retrieve);
    addWidget(m_stop);
    connect(m_retrieve, &QPushButton::clicked, this, &UrlBar::onRetrieve);
    connect(m_stop, &QPushButton::clicked, this, &UrlBar::onStop);
    connect(m_edit, &QLineEdit::returnPressed, this, [this] {
        if (m_retrieve->isEnabled())
            onRetrieve();
    });
    updateButtons();
    hide();
}

void UrlBar::toggleUrlBar()
{
    setVisible(isHidden());
}

void UrlBar::setBusy(bool busy)
{
    m_busy = busy;
    updateButtons();
}

void UrlBar::updateButtons()
{
    m_retrieve->setEnabled(!m_busy && m_onRetrieve != nullptr);
    m_stop->setEnabled(m_busy && m_onStop != nullptr);
}

void UrlBar::onRetrieve()
{
    if (m_onRetrieve)
        m_onRetrieve(m_edit->text());
}

void UrlBar::onStop()
{
    if (m_onStop)
        m_onStop();
}

}  // namespace quillory
