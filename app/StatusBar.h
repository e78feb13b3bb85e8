#pragma once
// The status bar with its seven panes: 0 prompts and "Ready"; 1 "Font: " and the face name; 2 the
// mode (" TEXT " or "BINARY"); 3 "INS" or "OVR"; 4 and 5 the Caps Lock and Num Lock indicators;
// 6 the encoding of a TEXT document ("UTF-8" or "Windows-1252"), empty in BINARY mode.

#include <array>

#include "base/StatusPane.h"

#include <QStatusBar>
#include <QTimer>

class QLabel;

namespace quillory {

class StatusBar : public QStatusBar {
    Q_OBJECT
public:
    explicit StatusBar(QWidget* parent = nullptr);

    // Sets a pane's text. The prompt pane shows it until the next prompt ends, then "Ready" again;
    // font, mode, INS/OVR and encoding keep it; the lock indicators belong to the keyboard and refuse
    // it. False for a pane that does not take text.
    bool setPaneText(StatusPane pane, const QString& text, bool update = true);
    // The text a pane shows now: the prompt or "Ready", "CAP"/"NUM" or empty for the indicators.
    QString paneText(StatusPane pane) const;
    // The label of a pane (for layout checks); nullptr for the prompt pane or out of range.
    QLabel* paneLabel(StatusPane pane) const;

    // Shows "CAP" and "NUM" while those locks are on, where the platform can tell. Runs by itself
    // a few times a second on such platforms.
    void refreshLockIndicators();

private:
    QLabel* addPane(int minimumWidth, const QStringList& widestTexts, bool raised);

    QLabel* m_idle;                                   // pane 0 when no prompt is shown
    std::array<QLabel*, kStatusPaneCount> m_panes{};  // panes 1-7; [0] is unused
    QTimer m_lockPoll;                                // re-reads the lock keys while the platform tells
};

}  // namespace quillory
