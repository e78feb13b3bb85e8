#include "app/StatusBar.h"

#include <QLabel>

#include "commands/CommandTable.h"
#include "app/LockKeys.h"
#include "qtplatform/QtText.h"

namespace quillory {

namespace {
constexpr int kFontPane = static_cast<int>(StatusPane::Font);
constexpr int kModePane = static_cast<int>(StatusPane::Mode);
constexpr int kInsertPane = static_cast<int>(StatusPane::InsertMode);
constexpr int kCapsPane = static_cast<int>(StatusPane::CapsLock);
constexpr int kNumPane = static_cast<int>(StatusPane::NumLock);
constexpr int kEncodingPane = static_cast<int>(StatusPane::Encoding);
constexpr int kRecoveryPane = static_cast<int>(StatusPane::Recovery);
constexpr int kTextMargin = 8;    // room for the pane's frame around its text
constexpr int kLockPollMs = 250;  // how often the lock keys are read again
}  // namespace

StatusBar::StatusBar(QWidget* parent) : QStatusBar(parent)
{
    setObjectName(QStringLiteral("StatusBar"));
    m_idle = new QLabel(toQString(kIdleMessage), this);
    addWidget(m_idle, 1);
    // The widths are the pane widths in pixels at 96 dpi, widened where this desktop's font needs
    // more room for the texts the pane is known to show.
    m_panes[kFontPane] = addPane(150, {}, true);
    m_panes[kModePane] = addPane(43, {QStringLiteral(" TEXT "), QStringLiteral("BINARY")}, false);
    m_panes[kInsertPane] = addPane(23, {QStringLiteral("INS"), QStringLiteral("OVR")}, false);
    m_panes[kCapsPane] = addPane(0, {QStringLiteral("CAP")}, false);
    m_panes[kNumPane] = addPane(0, {QStringLiteral("NUM")}, false);
    // The encoding pane takes its text's width when there is room; a narrow window takes the room
    // it needs from pane 0's idle text, so the window can be as narrow as before the pane came.
    m_panes[kEncodingPane] = addPane(0, {}, false);
    m_panes[kEncodingPane]->setMinimumWidth(1);
    m_idle->setMinimumWidth(1);
    m_panes[kFontPane]->setObjectName(QStringLiteral("FontPane"));
    m_panes[kModePane]->setObjectName(QStringLiteral("ModePane"));
    m_panes[kInsertPane]->setObjectName(QStringLiteral("InsertPane"));
    m_panes[kCapsPane]->setObjectName(QStringLiteral("CapsPane"));
    m_panes[kNumPane]->setObjectName(QStringLiteral("NumPane"));
    m_panes[kEncodingPane]->setObjectName(QStringLiteral("EncodingPane"));
    // Shown only while it has something to say.
    m_panes[kRecoveryPane] = addPane(0, {}, false);
    m_panes[kRecoveryPane]->setObjectName(QStringLiteral("RecoveryPane"));
    m_panes[kRecoveryPane]->hide();
    refreshLockIndicators();
    const LockKeyState locks = queryLockKeys();
    if (locks.capsLock.has_value() || locks.numLock.has_value()) {
        connect(&m_lockPoll, &QTimer::timeout, this, &StatusBar::refreshLockIndicators);
        m_lockPoll.start(kLockPollMs);
    }
}

QLabel* StatusBar::addPane(int minimumWidth, const QStringList& widestTexts, bool raised)
{
    auto* pane = new QLabel(this);
    pane->setFrameStyle(QFrame::Panel | (raised ? QFrame::Raised : QFrame::Sunken));
    pane->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    int width = qRound(minimumWidth * logicalDpiX() / 96.0);
    for (const QString& text : widestTexts)
        width = qMax(width, pane->fontMetrics().horizontalAdvance(text) + kTextMargin);
    pane->setMinimumWidth(width);
    addPermanentWidget(pane);
    return pane;
}

bool StatusBar::setPaneText(StatusPane pane, const QString& text, bool update)
{
    const int index = static_cast<int>(pane);
    if (pane == StatusPane::Prompt) {
        showMessage(text);
    } else if ((index >= kFontPane && index <= kInsertPane) || index == kEncodingPane) {
        m_panes[index]->setText(text);
    } else if (index == kRecoveryPane) {
        m_panes[index]->setText(text);
        m_panes[index]->setVisible(!text.isEmpty());
    } else {
        return false;
    }
    if (update && isVisible())
        repaint();
    return true;
}

QString StatusBar::paneText(StatusPane pane) const
{
    const int index = static_cast<int>(pane);
    if (pane == StatusPane::Prompt)
        return currentMessage().isEmpty() ? m_idle->text() : currentMessage();
    if (index > 0 && index < kStatusPaneCount)
        return m_panes[index]->text();
    return {};
}

QLabel* StatusBar::paneLabel(StatusPane pane) const
{
    const int index = static_cast<int>(pane);
    return index > 0 && index < kStatusPaneCount ? m_panes[index] : nullptr;
}

void StatusBar::refreshLockIndicators()
{
    const LockKeyState locks = queryLockKeys();
    const QString caps = locks.capsLock.value_or(false) ? QStringLiteral("CAP") : QString();
    const QString num = locks.numLock.value_or(false) ? QStringLiteral("NUM") : QString();
    if (m_panes[kCapsPane]->text() != caps)
        m_panes[kCapsPane]->setText(caps);
    if (m_panes[kNumPane]->text() != num)
        m_panes[kNumPane]->setText(num);
}

}  // namespace quillory
