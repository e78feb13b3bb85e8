#include "controllers/HexPaneController.h"

#include <QApplication>
#include <QKeyEvent>
#include <algorithm>

#include "commands/CommandIds.h"
#include "editcontrol/HexPane.h"
#include "editcore/HexBytes.h"
#include "view/QuilloryView.h"

namespace quillory {

namespace {
// Bytes of a long line the control lays out per step while it catches up with the pane: a few
// milliseconds, so that the window keeps answering.
constexpr std::int64_t kCatchUpBytes = std::int64_t{4} << 20;
}  // namespace

HexPaneController::HexPaneController(QuilloryView& view, QuilloryDoc& document)
    : QObject(&view), m_view(view), m_document(document), m_control(view.control()), m_pane(new HexPane(&view))
{
    HexRows& rows = m_pane->rows();
    rows.setReader(
        [this](std::int64_t start, std::int64_t count, std::uint8_t* out) { return readBytes(start, count, out); });
    m_pane->hide();
    m_view.addSidePane(m_pane);
    connect(&m_view, &QuilloryView::documentAboutToShow, this, [this] {
        endPendingNibble();
        followMode();
    });
    connect(&m_view, &QuilloryView::documentShown, this, &HexPaneController::onDocumentShown);
    connect(&m_control, &EditControl::selectionChanged, this, [this] {
        // A caret that moves away ends the byte being typed; one put back where it was does not.
        const CharRange selection = m_control.selection();
        if (!m_editing && m_pending && selection != CharRange{m_pending->offset + 1, m_pending->offset + 1})
            endPendingNibble();
        showSelection();
    });
    connect(&m_control, &EditControl::textChanged, this, &HexPaneController::onTextChanged);
    connect(&m_control, &EditControl::topRowChanged, this, &HexPaneController::followControl);
    connect(&rows, &HexRows::selectRequested, this, &HexPaneController::selectFromPane);
    connect(&rows, &HexRows::digitTyped, this, &HexPaneController::typeDigit);
    connect(&rows, &HexRows::editKeyPressed, this, &HexPaneController::forwardEditKey);
    connect(&rows, &HexRows::scrolledByUser, this, &HexPaneController::followPane);
    connect(&rows, &HexRows::keyRefused, this, [this] { m_view.beep(); });
    m_catchUp.setInterval(0);
    connect(&m_catchUp, &QTimer::timeout, this, &HexPaneController::catchUp);
    registerCommands();
}

void HexPaneController::registerCommands()
{
    m_commands.onCommand(cmd::ID_VIEW_HEX_PANE, [this] { toggle(); });
    m_commands.onUpdate(cmd::ID_VIEW_HEX_PANE, [this](CommandUpdate& ui) { ui.setCheck(isShown()); });
}

bool HexPaneController::isShown() const
{
    return !m_pane->isHidden();
}

void HexPaneController::toggle()
{
    bool& shown = m_view.isBinary() ? m_shownForBinary : m_shownForText;
    shown = !shown;
    applyVisibility();
}

void HexPaneController::applyVisibility()
{
    const bool wanted = m_view.isBinary() ? m_shownForBinary : m_shownForText;
    if (wanted == isShown())
        return;
    if (!wanted) {
        // The keyboard goes back to the characters rather than to nowhere.
        const bool hadFocus = m_pane->isAncestorOf(QApplication::focusWidget());
        m_pane->hide();
        if (hadFocus)
            m_view.takeFocus();
        return;
    }
    m_pane->show();
    refresh();
}

void HexPaneController::refresh()
{
    onTextChanged();
    m_pane->rows().scrollToOffset(m_control.topRowStart());
    showSelection();
}

void HexPaneController::followMode()
{
    m_pane->rows().setReadOnly(!m_view.isBinary());
    applyVisibility();
}

void HexPaneController::onDocumentShown()
{
    // A document from memory takes its mode as it is shown.
    followMode();
    m_catchUp.stop();
    m_catchUpTarget.reset();
    if (isShown())
        refresh();
}

void HexPaneController::onTextChanged()
{
    if (!m_editing)
        endPendingNibble();
    if (isShown())
        m_pane->rows().setDocumentSize(documentSize());
}

void HexPaneController::showSelection()
{
    if (!isShown())
        return;
    const std::int64_t caret = m_control.caretPosition();
    const std::int64_t anchor =
        caret == m_control.selectionStart() ? m_control.selectionEnd() : m_control.selectionStart();
    HexRows& rows = m_pane->rows();
    rows.setPendingNibble(m_pending.has_value());
    rows.setSelection(anchor, caret);
    m_pane->showCaretDetails();
}

void HexPaneController::selectFromPane(qint64 anchor, qint64 caret)
{
    if (m_control.isLaidOutTo(caret)) {
        m_control.select(anchor, caret);
        return;
    }
    // Far into a long line (Ctrl+End after an edit, say) the pane shows the caret at once and the
    // characters catch up with it a step at a time.
    m_control.select(anchor, caret, false);
    followPane(m_pane->rows().topOffset());
}

void HexPaneController::followControl(qint64 rowStart)
{
    if (m_followingPane || !isShown())
        return;
    HexRows& rows = m_pane->rows();
    rows.scrollToOffset(rowStart);
    // While the caret is in view in the characters, it stays in view in the pane too.
    if (!m_control.caretRect().isNull())
        rows.ensureCaretVisible();
}

void HexPaneController::followPane(qint64 topOffset)
{
    // Far into a long line the control would lay out everything before the place first; it does
    // so a step at a time instead, while the pane already shows the place.
    m_catchUpTarget.reset();
    m_catchUp.stop();
    if (m_control.isLaidOutTo(topOffset)) {
        scrollControlTo(topOffset);
        return;
    }
    m_catchUpTarget = topOffset;
    m_catchUp.start();
}

void HexPaneController::catchUp()
{
    if (!m_catchUpTarget || !m_control.layOutTowards(*m_catchUpTarget, kCatchUpBytes))
        return;
    m_catchUp.stop();
    scrollControlTo(*m_catchUpTarget);
    m_catchUpTarget.reset();
}

void HexPaneController::scrollControlTo(std::int64_t offset)
{
    m_followingPane = true;
    m_control.scrollToPosition(offset);
    m_followingPane = false;
}

void HexPaneController::typeDigit(int digit)
{
    if (!m_view.isBinary()) {
        m_view.beep();
        return;
    }
    const CharRange selection = m_control.selection();
    if (m_pending && selection == CharRange{m_pending->offset + 1, m_pending->offset + 1})
        typeSecondDigit(digit);
    else
        typeFirstDigit(digit);
    showSelection();
}

void HexPaneController::typeFirstDigit(int digit)
{
    endPendingNibble();
    const CharRange selection = m_control.selection();
    // Over the byte at the caret the digit takes the high nibble and the low one stays; anywhere
    // else (inserting, at the end, over a selection) it makes a new byte, digit x 16.
    const bool overwrite = !m_document.insertMode() && selection.empty() && selection.start < documentSize();
    const std::int64_t sizeBefore = documentSize();
    std::uint8_t byte = 0;
    if (overwrite)
        readBytes(selection.start, 1, &byte);
    m_editing = true;
    const bool done = m_view.typeTrueByte(hex::withHighNibble(byte, digit), overwrite);
    m_editing = false;
    if (done)
        m_pending = PendingNibble{selection.start, digit, selection, overwrite, sizeBefore};
}

void HexPaneController::typeSecondDigit(int digit)
{
    // The first digit's edit is undone in both, and the whole byte's edit is made from the state
    // before it: one edit, so one Undo gives back what was there before the first digit.
    const PendingNibble pending = *m_pending;
    endPendingNibble();
    m_editing = true;
    m_view.onEditUndo();
    const bool undone = documentSize() == pending.sizeBefore;
    if (undone) {
        m_control.select(pending.before.start, pending.before.end);
        m_view.typeTrueByte(hex::withLowNibble(static_cast<std::uint8_t>(pending.high << 4), digit), pending.overwrite);
    }
    m_editing = false;
}

void HexPaneController::forwardEditKey(QKeyEvent* event)
{
    // Backspace, Delete and Insert do in the pane what they do in the characters: the control
    // gets the key, and the view mirrors the edit into the storage as for any key.
    endPendingNibble();
    QKeyEvent copy(event->type(), event->key(), event->modifiers(), event->text(), event->isAutoRepeat());
    QCoreApplication::sendEvent(&m_control, &copy);
}

void HexPaneController::endPendingNibble()
{
    if (!m_pending)
        return;
    m_pending.reset();
    m_pane->rows().setPendingNibble(false);
}

std::int64_t HexPaneController::documentSize() const
{
    return m_view.isBinary() ? m_document.storage().length() : m_control.textLength();
}

std::int64_t HexPaneController::readBytes(std::int64_t start, std::int64_t count, std::uint8_t* out) const
{
    const std::int64_t size = documentSize();
    start = std::clamp<std::int64_t>(start, 0, size);
    count = std::clamp<std::int64_t>(count, 0, size - start);
    if (!m_view.isBinary())
        return m_control.textRange(start, start + count, reinterpret_cast<char*>(out));
    // The true bytes, read around the storage's gap: painting never moves it.
    if (count > 0)
        m_document.storage().read(start, {out, static_cast<std::size_t>(count)});
    return count;
}

}  // namespace quillory
