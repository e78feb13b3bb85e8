#pragma once
// Find, Find Next and Replace: the modeless Find/Replace dialog and the search Find Next repeats.
// Replace works on TEXT documents only, so no replacement ever bypasses the byte storage. In a
// BINARY document the dialog offers "Hex bytes": the text then names bytes that are found in the
// byte storage, where the control's display copy shows 0, 9, 10 and 13 alike.

#include <QObject>
#include <QPointer>
#include <optional>

#include "base/MessageBox.h"
#include "commands/CommandRouter.h"
#include "dialogs/FindReplaceDialog.h"

namespace quillory {

class QuilloryView;
class EditControl;

class FindController : public QObject {
    Q_OBJECT
public:
    // Searches view's control and, for hex bytes, its document's storage; a child of view.
    // messageBoxes tells of a malformed hex text (none: a beep).
    FindController(QuilloryView& view, IMessageBoxes* messageBoxes);

    CommandTarget& commands() { return m_commands; }

    void find() { showDialog(false); }
    void replace() { showDialog(true); }
    // Repeats the last search, or opens the dialog when there was none.
    void findNext();
    // The dialog, once it has been opened.
    FindReplaceDialog* dialog() const { return m_dialog; }

private:
    void registerCommands();
    void showDialog(bool replace);
    // Tells the dialog, if there is one, whether the document is BINARY now.
    void updateDialogMode();
    // What the dialog shows in Find what at first: the selection, when it is short and one line,
    // as hex pairs of its true bytes when the dialog searches hex bytes.
    QString presetText() const;
    // The search's options for the control's encoding.
    FindOptions findOptions(const SearchRequest& search) const;
    // Selects the next match of the search; beeps and returns false when there is none.
    bool findNext(const SearchRequest& search);
    // Find Next of hex bytes in the storage of a BINARY document; a malformed text is told.
    bool findNextBytes(const SearchRequest& search);
    void replaceOnce(const SearchRequest& search);
    void replaceAll(const SearchRequest& search);

    QuilloryView& m_view;
    EditControl& m_control;
    IMessageBoxes* m_messageBoxes;
    CommandTarget m_commands;
    QPointer<FindReplaceDialog> m_dialog;       // made on first use, a child of the main window
    std::optional<SearchRequest> m_lastSearch;  // what Find Next repeats
};

}  // namespace quillory
