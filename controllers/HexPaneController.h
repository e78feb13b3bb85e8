#pragma once
// View > Hex Pane: the pane of hex rows beside the character display, and everything that keeps
// the two one view of the same bytes. Both show the control's caret and selection; a click, a drag
// or an arrow key in the pane selects in the control. Hex digits typed into the pane of a BINARY
// document edit the byte at the caret a nibble at a time, through the same storage-then-control
// path as a typed character; the two digits of one byte are one undo step. A TEXT document's pane
// shows the bytes Save would write and is read only.

#include <QObject>
#include <QTimer>
#include <optional>

#include "base/CharRange.h"
#include "commands/CommandRouter.h"

class QKeyEvent;

namespace quillory {

class EditControl;
class HexPane;
class QuilloryDoc;
class QuilloryView;

class HexPaneController : public QObject {
    Q_OBJECT
public:
    // Puts the pane beside view's control; a child of view.
    HexPaneController(QuilloryView& view, QuilloryDoc& document);

    CommandTarget& commands() { return m_commands; }
    HexPane& pane() const { return *m_pane; }
    bool isShown() const;

private:
    // The first digit's edit, which the second digit rewrites.
    struct PendingNibble {
        std::int64_t offset = 0;      // the byte being typed
        int high = 0;                 // the first digit
        CharRange before;             // the selection the first digit replaced
        bool overwrite = false;       // it overwrote the byte at the caret (else it inserted one)
        std::int64_t sizeBefore = 0;  // the document's size before it
    };

    void registerCommands();
    void toggle();
    void applyVisibility();
    // Shows the document's bytes, the control's top row and selection afresh.
    void refresh();
    // The pane edits only a BINARY document's bytes.
    void followMode();
    void onDocumentShown();
    void onTextChanged();
    void showSelection();
    void selectFromPane(qint64 anchor, qint64 caret);
    void followControl(qint64 rowStart);
    void followPane(qint64 topOffset);
    void catchUp();
    void scrollControlTo(std::int64_t offset);
    void typeDigit(int digit);
    void typeFirstDigit(int digit);
    void typeSecondDigit(int digit);
    void forwardEditKey(QKeyEvent* event);
    void endPendingNibble();
    std::int64_t readBytes(std::int64_t start, std::int64_t count, std::uint8_t* out) const;
    std::int64_t documentSize() const;

    QuilloryView& m_view;
    QuilloryDoc& m_document;
    EditControl& m_control;
    HexPane* m_pane;
    CommandTarget m_commands;
    bool m_shownForBinary = true;  // the user's choice for this session, per mode
    bool m_shownForText = false;
    std::optional<PendingNibble> m_pending;
    std::optional<std::int64_t> m_catchUpTarget;  // where the control goes once laid out so far
    QTimer m_catchUp;                             // lays the control's rows out towards it, a step a turn
    bool m_editing = false;                       // an edit of ours is under way: its signals end nothing
    bool m_followingPane = false;                 // the control scrolls after the pane: the pane stays put
};

}  // namespace quillory
