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
}  // namespace

void QuilloryView::onEditSelectAll()
{
    m_control->select(0, -1);
}

void QuilloryView::showOutOfMemory() const
{
    if (m_services.messageBoxes != nullptr)
        m_services.messageBoxes->show({kErrorCaption, kRanOutOfMemory, MessageIcon::Stop, MessageButtons::Ok});
}

void QuilloryView::replaceSelectionMirrored(std::string_view displayBytes)
{
    m_control->replaceSelection(displayBytes, true);
}

void QuilloryView::selectCharacterToOverwrite()
{
    const CharRange selection = m_control->selection();
    if (selection.empty() && selection.start < m_control->textLength())
        m_control->select(selection.start, selection.start + 1);
}

bool QuilloryView::typeTrueByte(std::uint8_t b, bool overwrite)
{
    if (!(overwrite ? m_document.overwriteByte(b) : m_document.insertByte(b))) {
        showOutOfMemory();
        return false;
    }
    if (overwrite)
        selectCharacterToOverwrite();
    const std::uint8_t shown = displayByte(b);
    replaceSelectionMirrored(std::string_view(reinterpret_cast<const char*>(&shown), 1));
    return true;
}

bool QuilloryView::onKeyDown(const KeyDown& key)
{
    const bool ctrl = key.modifiers & Qt::ControlModifier;
    const bool alt = key.modifiers & Qt::AltModifier;
    const bool shift = key.modifiers & Qt::ShiftModifier;
    if (isBinary()) {
        // The storage goes first; the control then deletes the same character (or nothing, when
        // the storage had nothing to delete either). These are exactly the combinations the
        // control deletes with: Alt+Backspace and Shift+Delete are Undo and Cut.
        if (key.key == Qt::Key_Backspace && !ctrl && !alt)
            m_document.deleteBytes(true);
        else if (key.key == Qt::Key_Delete && !shift && !alt)
            m_document.deleteBytes(false);
    }
    if (key.key == Qt::Key_Insert && !ctrl && !alt && !shift) {
        m_document.setInsertMode(!m_document.insertMode());
        setPane(StatusPane::InsertMode, m_document.insertMode() ? QStringLiteral("INS") : QStringLiteral("OVR"));
        m_control->setOverwriteMode(!m_document.insertMode());
        return true;
    }
    return false;
}

bool QuilloryView::onChar(char32_t character)
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
        typeTrueByte(c, c == '\t' && !m_document.insertMode());
        return true;
    }
    const std::uint8_t stored = c >= 128 ? ansiToOem(c) : c;
    const bool done = m_document.insertMode() ? m_document.insertByte(stored) : m_document.overwriteByte(stored);
    if (!done) {
        showOutOfMemory();
        return true;
    }
    return false;  // the control types c itself, as typed
}

void QuilloryView::onEditDelete()
{
    m_deleteSelection = m_control->selection();
    if (isBinary() && !m_document.deleteBytes(false))
        return;  // nothing after the caret: nothing to delete in either
    if (m_deleteSelection.empty()) {
        // One character after the caret; a CR LF pair is one character of two bytes (never in
        // BINARY mode, whose display holds no CR or LF), and so is a UTF-8 sequence.
        const std::int64_t start = m_deleteSelection.start;
        const bool pair = !isBinary() && start + 1 < m_control->textLength() && m_control->buffer().at(start) == '\r' &&
                          m_control->buffer().at(start + 1) == '\n';
        m_control->select(start, pair ? start + 2 : m_control->characterAt(start).second);
    }
    m_control->clear();
}

void QuilloryView::onEditCopy()
{
    m_control->copy();
    if (isBinary())
        m_document.copyBytes();
}

void QuilloryView::onEditCut()
{
    if (isBinary()) {
        m_document.copyBytes();
        m_document.deleteBytes(false);
    }
    m_control->cut();
}

void QuilloryView::onEditPaste()
{
    // A paste the memory cannot hold changes nothing and says so: the control takes all the
    // memory it needs before it changes its text.
    try {
        if (!isBinary()) {
            if (m_control->canPaste())
                m_control->paste();
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
        if (!m_document.pasteBytes())
            return;
        try {
            replaceSelectionMirrored(display);
        } catch (const std::bad_alloc&) {
            m_document.undoBytes();
            throw;
        }
    } catch (const std::bad_alloc&) {
        showOutOfMemory();
    }
}

void QuilloryView::onEditUndo()
{
    if (!isBinary()) {
        if (m_control->canUndo())
            m_control->undo();
        else
            m_document.undoBytes();
        return;
    }
    // Both undo the same edit, or neither does.
    if (!m_document.canUndoBytes() || !m_document.undoBytes())
        return;
    m_control->undo();
}

void QuilloryView::onFreeClipboard()
{
    // The system clipboard is always there to be emptied on this platform.
    m_clipboard->clear();
    m_document.releaseClip();
}

void QuilloryView::onFreeUndoBuffer()
{
    m_control->emptyUndoBuffer();
    m_document.releaseUndo();
}

}  // namespace quillory
