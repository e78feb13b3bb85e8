#pragma once
// Find, Find Next and Replace: the modeless Find/Replace dialog and the search Find Next repeats.
// Replace works on TEXT documents only, so no replacement ever bypasses the byte storage.

#include <QObject>
#include <QPointer>
#include <optional>

#include "commands/CommandRouter.h"
#include "dialogs/FindReplaceDialog.h"

namespace quillory {

class QuilloryView;
class EditControl;

class FindController : public QObject {
    Q_OBJECT
public:
    // Searches view's control; a child of view.
    explicit FindController(QuilloryView& view);

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
    // The search's options for the control's encoding.
    FindOptions findOptions(const SearchRequest& search) const;
    // Selects the next match of the search; beeps and returns false when there is none.
    bool findNext(const SearchRequest& search);
    void replaceOnce(const SearchRequest& search);
    void replaceAll(const SearchRequest& search);

    QuilloryView& m_view;
    EditControl& m_control;
    CommandTarget m_commands;
    QPointer<FindReplaceDialog> m_dialog;       // made on first use, a child of the main window
    std::optional<SearchRequest> m_lastSearch;  // what Find Next repeats
};

}  // namespace quillory
