#include "controllers/FindController.h"

#include "commands/CommandIds.h"
#include "view/QuilloryView.h"

namespace quillory {

FindController::FindController(QuilloryView& view) : QObject(&view), m_view(view), m_control(view.control())
{
    registerCommands();
}

void FindController::registerCommands()
{
    using namespace cmd;
    m_commands.onCommand(ID_EDIT_FIND, [this] { find(); });
    m_commands.onCommand(ID_EDIT_REPEAT, [this] { findNext(); });
    m_commands.onCommand(ID_EDIT_REPLACE, [this] { replace(); });
    m_commands.onUpdate(ID_EDIT_REPLACE, [this](CommandUpdate& ui) { ui.enable(!m_view.isBinary()); });
}

void FindController::showDialog(bool replace)
{
    if (m_dialog == nullptr) {
        m_dialog = new FindReplaceDialog(m_view.window());
        connect(m_dialog, &FindReplaceDialog::findNextRequested, this, [this](const SearchRequest& search) {
            m_lastSearch = search;
            findNext(search);
        });
        connect(m_dialog, &FindReplaceDialog::replaceRequested, this, [this](const SearchRequest& search) {
            m_lastSearch = search;
            replaceOnce(search);
        });
        connect(m_dialog, &FindReplaceDialog::replaceAllRequested, this, [this](const SearchRequest& search) {
            m_lastSearch = search;
            replaceAll(search);
        });
    }
    // A short single-line selection is what the user most likely wants to find.
    QString preset;
    const std::int64_t length = m_control.selectionEnd() - m_control.selectionStart();
    if (length > 0 && length < 256) {
        const std::string selected = m_control.selectedText();
        if (selected.find_first_of("\r\n") == std::string::npos)
            preset = fromControlBytes(selected, m_control.encoding());
    }
    m_dialog->showAs(replace, preset);
}

void FindController::findNext()
{
    if (!m_lastSearch)
        showDialog(false);
    else
        findNext(*m_lastSearch);
}

FindOptions FindController::findOptions(const SearchRequest& search) const
{
    FindOptions options = search.options;
    options.encoding = m_control.encoding();
    return options;
}

bool FindController::findNext(const SearchRequest& search)
{
    if (search.findWhat.isEmpty())
        return false;
    const std::int64_t from = search.options.backward ? m_control.selectionStart() : m_control.selectionEnd();
    const std::optional<FoundRange> found =
        m_control.findText(toControlBytes(search.findWhat, m_control.encoding()), from, findOptions(search));
    if (!found) {
        m_view.beep();
        return false;
    }
    m_control.select(found->start, found->end);
    return true;
}

void FindController::replaceOnce(const SearchRequest& search)
{
    if (m_view.isBinary() || search.findWhat.isEmpty())
        return;
    // The current selection is replaced when it is a match; then the next match is selected.
    const std::int64_t start = m_control.selectionStart();
    FindOptions forward = findOptions(search);
    forward.backward = false;
    const std::optional<FoundRange> here =
        m_control.findText(toControlBytes(search.findWhat, m_control.encoding()), start, forward);
    if (here && here->start == start && here->end == m_control.selectionEnd())
        m_control.replaceSelection(toControlBytes(search.replaceWith, m_control.encoding()), true);
    findNext(search);
}

void FindController::replaceAll(const SearchRequest& search)
{
    if (m_view.isBinary() || search.findWhat.isEmpty())
        return;
    // One pass and one undo step, whatever the number of matches.
    const TextEncoding encoding = m_control.encoding();
    if (m_control.replaceAll(toControlBytes(search.findWhat, encoding), toControlBytes(search.replaceWith, encoding),
                             findOptions(search)) == 0)
        m_view.beep();
}

}  // namespace quillory
