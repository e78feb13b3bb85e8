// Keyboard and clipboard editing. In BINARY mode every edit is made in the document's byte storage
// first, at the control's selection, and then by the control, so that the control always shows the
// display copy of the storage and both undo the same edit.
#include <new>
#include <span>
#include <string>

#include "document/ByteClassifier.h"
#include "base/CodePages.h"
#include "view/QuilloryView.h"

namespace quillory {

namespace {
constexpr const char* kErrorCaption = "Error:";
constexpr const char* kRanOutOfMemory = "Ran out of memory!";
constexpr std::uint8_t kHiddenByte = 0x01;  // what the display shows for 0, 9, 10 and 13
}  // namespace

void QuilloryView::OnEditSelectAll()
{
    m_control->SetSel(0, -1);
}

void QuilloryView::showOutOfMemory() const
{
    if (m_services.messageBoxes != nullptr)
        m_services.messageBoxes->show({kErrorCaption, kRanOutOfMemory, MessageIcon::Stop, MessageButtons::Ok});
}

void QuilloryView::replaceSelectionMirrored(std::string_view displayBytes)
{
    m_control->ReplaceSel(displayBytes, true);
}

void QuilloryView::selectCharacterToOverwrite()
{
    const CharRange selection = m_control->GetSel();
    if (selection.empty() && selection.start < m_control->GetTextLength())
        m_control->SetSel(selection.start, selection.start + 1);
}

bool QuilloryView::OnKeyDown(const KeyDown& key)
{
    const bool ctrl = key.modifiers & Qt::ControlModifier;
    const bool alt = key.modifiers & Qt::AltModifier;
    const bool shift = key.modifiers & Qt::ShiftModifier;
    if (isBinary()) {
        // The storage goes first; the control then deletes the same character (or nothing, when
        // the storage had nothing to delete either). These are exactly the combinations the
        // control deletes with: Alt+Backspace and Shift+Delete are Undo and Cut.
        if (key.key == Qt::Key_Backspace && !ctrl && !alt)
            m_document.DeleteBytes(1);
        else if (key.key == Qt::Key_Delete && !shift && !alt)
            m_document.DeleteBytes(0);
    }
    if (key.key == Qt::Key_Insert && !ctrl && !alt && !shift) {
        m_document.setInsertMode(!m_document.insertMode());
        setPane(StatusPane::InsertMode, m_document.insertMode() ? QStringLiteral("INS") : QStringLiteral("OVR"));
        m_control->setOverwriteMode(!m_document.insertMode());
        return true;
    }
    return false;
}

bool QuilloryView::OnChar(char32_t character)
{
    if (!isBinary() || character == 8)
        return false;  // TEXT edits the control alone; Backspace was mirrored at key-down
    // A BINARY display is Windows-1252: the character's byte there, or '?' without one.
    const std::uint8_t c = character < 0x80 ? static_cast<std::uint8_t>(character)
                                            : unicodeToCp1252(character).value_or(static_cast<std::uint8_t>('?'));
    if (displayByte(c) != c) {
        // 0, Ctrl+Enter (10), Enter (13) and Tab (9) are stored as typed and shown as 0x01. The
        // first three are inserted in either mode; Tab is typed like any other character, so in
        // overwrite mode it replaces the byte at the caret.
        const bool overwrite = c == '\t' && !m_document.insertMode();
        if (!(overwrite ? m_document.OverwriteByte(c) : m_document.InsertByte(c))) {
            showOutOfMemory();
            return true;
        }
        if (overwrite)
            selectCharacterToOverwrite();
        replaceSelectionMirrored(std::string_view(reinterpret_cast<const char*>(&kHiddenByte), 1));
        return true;
    }
    const std::uint8_t stored = c >= 128 ? ansiToOem(c) : c;
    const bool done = m_document.insertMode() ? m_document.InsertByte(stored) : m_document.OverwriteByte(stored);
    if (!done) {
        showOutOfMemory();
        return true;
    }
    return false;  // the control types c itself, as typed
}

void QuilloryView::OnEditDelete()
{
    m_deleteSelection = m_control->GetSel();
    if (isBinary() && !m_document.DeleteBytes(0))
        return;  // nothing after the caret: nothing to delete in either
    if (m_deleteSelection.empty()) {
        // One character after the caret; a CR LF pair is one character of two bytes (never in
        // BINARY mode, whose display holds no CR or LF), and so is a UTF-8 sequence.
        const std::int64_t start = m_deleteSelection.start;
        const bool pair = !isBinary() && start + 1 < m_control->GetTextLength() &&
                          m_control->buffer().at(start) == '\r' && m_control->buffer().at(start + 1) == '\n';
        m_control->SetSel(start, pair ? start + 2 : m_control->characterAt(start).second);
    }
    m_control->Clear();
}

void QuilloryView::OnEditCopy()
{
    m_control->Copy();
    if (isBinary())
        m_document.CopyBytes();
}

void QuilloryView::OnEditCut()
{
    if (isBinary()) {
        m_document.CopyBytes();
        m_document.DeleteBytes(0);
    }
    m_control->Cut();
}

void QuilloryView::OnEditPaste()
{
    // A paste the memory cannot hold changes nothing and says so: the control takes all the
    // memory it needs before it changes its text.
    try {
        if (!isBinary()) {
            if (m_control->CanPaste())
                m_control->Paste();
            return;
        }
        // The control receives the display copy of the bytes the storage receives, whatever
        // another program has put on the system clipboard since. It is made before the storage
        // changes; should the control then fail, the storage takes its paste back.
        if (!m_document.hasPrivateClip())
            return;
        const std::span<const std::uint8_t> clip = m_document.privateClip();
        std::string display(reinterpret_cast<const char*>(clip.data()), clip.size());
        makeDisplayCopy(reinterpret_cast<std::uint8_t*>(display.data()), display.size());
        if (!m_document.PasteBytes())
            return;
        try {
            replaceSelectionMirrored(display);
        } catch (const std::bad_alloc&) {
            m_document.UndoBytes();
            throw;
        }
    } catch (const std::bad_alloc&) {
        showOutOfMemory();
    }
}

void QuilloryView::OnEditUndo()
{
    if (!isBinary()) {
        if (m_control->CanUndo())
            m_control->Undo();
        else
            m_document.UndoBytes();
        return;
    }
    // Both undo the same edit, or neither does.
    if (!m_document.canUndoBytes() || !m_document.UndoBytes())
        return;
    m_control->Undo();
}

void QuilloryView::OnFreeClipboard()
{
    // The system clipboard is always there to be emptied on this platform.
    m_clipboard->clear();
    m_document.releaseClip();
}

void QuilloryView::OnFreeUndoBuffer()
{
    m_control->EmptyUndoBuffer();
    m_document.releaseUndo();
}

}  // namespace quillory
