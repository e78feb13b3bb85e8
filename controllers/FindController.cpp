#include "controllers/FindController.h"

#include <span>

#include "commands/CommandIds.h"
#include "editcore/BytePattern.h"
#include "editcore/MatchScan.h"
#include "view/QuilloryView.h"

namespace quillory {

namespace {

// Selections at least this long are not offered as the text to find.
constexpr std::int64_t kLongestPreset = 256;

std::span<const std::uint8_t> trueBytes(const QuilloryDoc& document)
{
    const ByteStorage& storage = document.storage();
    if (storage.bytes() == nullptr)
        return {};
    return {storage.bytes(), static_cast<std::size_t>(storage.length())};
}

}  // namespace

FindController::FindController(QuilloryView& view, IMessageBoxes* messageBoxes)
    : QObject(&view), m_view(view), m_control(view.control()), m_messageBoxes(messageBoxes)
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
            updateDialogMode();
            findNext(search);
        });
        connect(m_dialog, &FindReplaceDialog::replaceRequested, this, [this](const SearchRequest& search) {
            m_lastSearch = search;
            updateDialogMode();
            replaceOnce(search);
        });
        connect(m_dialog, &FindReplaceDialog::replaceAllRequested, this, [this](const SearchRequest& search) {
            m_lastSearch = search;
            updateDialogMode();
            replaceAll(search);
        });
        connect(m_dialog, &FindReplaceDialog::activated, this, &FindController::updateDialogMode);
    }
    updateDialogMode();
    m_dialog->showAs(replace, presetText());
}

void FindController::updateDialogMode()
{
    if (m_dialog != nullptr)
        m_dialog->setDocumentBinary(m_view.isBinary());
}

QString FindController::presetText() const
{
    // A short single-line selection is what the user most likely wants to find.
    const std::int64_t start = m_control.selectionStart();
    const std::int64_t length = m_control.selectionEnd() - start;
    if (length <= 0 || length >= kLongestPreset)
        return {};
    if (m_dialog->hexBytes()) {
        const std::span<const std::uint8_t> bytes = trueBytes(m_view.document());
        if (start + length > static_cast<std::int64_t>(bytes.size()))
            return {};
        return QString::fromStdString(
            formatHexBytes(bytes.subspan(static_cast<std::size_t>(start), static_cast<std::size_t>(length))));
    }
    const std::string selected = m_control.selectedText();
    if (selected.find_first_of("\r\n") != std::string::npos)
        return {};
    return fromControlBytes(selected, m_control.encoding());
}

void FindController::findNext()
{
    updateDialogMode();
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
    // Hex bytes belong to BINARY documents; in a TEXT one the same search reads its text as text.
    if (search.hexBytes && m_view.isBinary())
        return findNextBytes(search);
    const std::int64_t from = search.options.backward ? m_control.selectionStart() : m_control.selectionEnd();
    const std::string needle = toControlBytes(search.findWhat, m_control.encoding());
    std::optional<FoundRange> found;
    const bool searched = m_view.runLongWork(m_control.textLength(), "Finding", [&](WorkProgress& progress) {
        found = findTextWithProgress(m_control.textBuffer(), needle, from, findOptions(search), progress);
    });
    if (!searched)
        return false;  // cancelled: the selection stays
    if (!found) {
        m_view.beep();
        return false;
    }
    m_control.select(found->start, found->end);
    return true;
}

bool FindController::findNextBytes(const SearchRequest& search)
{
    const QByteArray typed = search.findWhat.toUtf8();
    std::string problem;
    const std::optional<std::string> needle =
        parseHexBytes({typed.constData(), static_cast<std::size_t>(typed.size())}, &problem);
    if (!needle) {
        if (m_messageBoxes != nullptr)
            m_messageBoxes->show({"Find",
                                  "The text to find is not a row of hex bytes.\nType pairs of hex digits, with "
                                  "blanks between them if you like: 4D 5A 90 00 or 7f454c46.\nReason: " +
                                      problem,
                                  MessageIcon::Exclamation, MessageButtons::Ok});
        else
            m_view.beep();
        return false;
    }
    // In a BINARY document a control position is a byte offset in the storage.
    const bool backward = search.options.backward;
    const std::int64_t from = backward ? m_control.selectionStart() : m_control.selectionEnd();
    const std::span<const std::uint8_t> wanted(reinterpret_cast<const std::uint8_t*>(needle->data()), needle->size());
    const std::optional<std::int64_t> found = findBytes(trueBytes(m_view.document()), wanted, from, !backward);
    if (!found) {
        m_view.beep();
        return false;
    }
    m_control.select(*found, *found + static_cast<std::int64_t>(needle->size()));
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
    // One pass and one undo step, whatever the number of matches. The matches are found and the new
    // text made beside the window; a Cancel leaves the text and its undo step as they were.
    const TextEncoding encoding = m_control.encoding();
    const std::string needle = toControlBytes(search.findWhat, encoding);
    const std::string replacement = toControlBytes(search.replaceWith, encoding);
    std::optional<ReplacePlan> plan;
    const bool planned = m_view.runLongWork(m_control.textLength(), "Replacing", [&](WorkProgress& progress) {
        plan = m_control.planReplaceAll(needle, replacement, findOptions(search), &progress);
    });
    if (!planned || !plan)
        return;
    if (m_control.applyReplaceAll(std::move(*plan)) == 0)
        m_view.beep();
}

}  // namespace quillory
