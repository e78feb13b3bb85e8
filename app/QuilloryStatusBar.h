#pragma once
// The status bar with its seven panes: 0 prompts and "Ready"; 1 "Font: " and the face name; 2 the
// mode (" TEXT " or "BINARY"); 3 "INS" or "OVR"; 4 and 5 the Caps Lock and Num Lock indicators;
// 6 the encoding of a TEXT document ("UTF-8" or "Windows-1252"), empty in BINARY mode.

#include <array>

#include <QStatusBar>
#include <QTimer>

class QLabel;

namespace quillory {

class CQuilloryStatusBar : public QStatusBar {
    Q_OBJECT
public:
    static constexpr int kPaneCount = 7;

    explicit CQuilloryStatusBar(QWidget* parent = nullptr);

    // Sets a pane's text. Pane 0 shows it until the next prompt ends, then "Ready" again; panes 1-3
    // and 6 keep it; the indicator panes 4 and 5 belong to the keyboard and refuse it. False for a pane
    // that does not take text.
    bool SetPaneText(int index, const QString& text, bool update = true);
    // The text a pane shows now: pane 0 the prompt or "Ready", panes 4-5 "CAP"/"NUM" or empty.
    QString GetPaneText(int index) const;
    // The label of pane 1 to 6 (for layout checks); nullptr for pane 0 or out of range.
    QLabel* paneLabel(int index) const;

    // Shows "CAP" and "NUM" while those locks are on, where the platform can tell. Runs by itself
    // a few times a second on such platforms.
    void refreshLockIndicators();

private:
    QLabel* addPane(int minimumWidth, const QStringList& widestTexts, bool raised);

    QLabel* m_idle;                            // pane 0 when no prompt is shown
    std::array<QLabel*, kPaneCount> m_panes{};  // panes 1-6; [0] is unused
    QTimer m_lockPoll;                         // re-reads the lock keys while the platform tells
};

}  // namespace quillory
