#include "controllers/EditingToolsController.h"

#include <QApplication>
#include <QEvent>
#include <QScreen>
#include <algorithm>
#include <new>
#include <optional>

#include "commands/CommandIds.h"
#include "dialogs/GotoDialog.h"
#include "qtplatform/PostedMessages.h"
#include "tools/FileStatistics.h"
#include "tools/InsertFile.h"
#include "tools/StripHtmlCommand.h"
#include "view/QuilloryView.h"

namespace quillory {

namespace {

// The edit control as the HTML stripper drives it.
class StripHtmlControl final : public IStripHtmlControl {
public:
    explicit StripHtmlControl(EditControl& control) : m_control(control) {}
    std::int64_t textLength() const override { return m_control.textLength(); }
    std::optional<TextMatch> findNoCase(std::string_view pattern, std::int64_t from) const override
    {
        const std::optional<FoundRange> found = m_control.findText(pattern, from, FindOptions{});
        if (!found)
            return std::nullopt;
        return TextMatch{found->start, found->end};
    }
    void setSelection(std::int64_t start, std::int64_t end) override { m_control.select(start, end); }
    void clearSelection() override { m_control.replaceSelection({}, false); }
    void copyText(std::uint8_t* out) const override { m_control.copyText(out); }
    void setText(std::span<const std::uint8_t> bytes) override
    {
        m_control.setText({reinterpret_cast<const char*>(bytes.data()), bytes.size()});
    }
    void setModified() override { m_control.setModified(true); }
    void hideSelection(bool hidden) override { m_control.hideSelection(hidden); }
    void emptyUndoBuffer() override { m_control.emptyUndoBuffer(); }
    void beginWaitCursor() override { QApplication::setOverrideCursor(Qt::WaitCursor); }
    void endWaitCursor() override { QApplication::restoreOverrideCursor(); }

private:
    EditControl& m_control;
};

}  // namespace

EditingToolsController::EditingToolsController(QuilloryView& view, QuilloryDoc& document, ViewServices services)
    : QObject(&view), m_view(view), m_control(view.control()), m_document(document), m_services(std::move(services))
{
    if (m_services.messageBoxes != nullptr)
        m_gotoDialog = std::make_unique<GotoDialog>(this, *m_services.messageBoxes, m_services.beep);
    registerCommands();
}

EditingToolsController::~EditingToolsController() = default;

void EditingToolsController::registerCommands()
{
    using namespace cmd;
    CommandTarget& c = m_commands;
    c.onCommand(ID_FILE_STAT, [this] { showStatistics(); });
    c.onCommand(ID_GOTO, [this] { openGoto(); });
    c.onCommand(ID_STRIP_HTML, [this] { stripHtmlTags(); });
    c.onUpdate(ID_STRIP_HTML, [this](CommandUpdate& ui) { ui.enable(!m_view.isBinary()); });
    c.onCommand(ID_INSERT_FILE, [this] { insertFile(); });
    c.onUpdate(ID_INSERT_FILE, [this](CommandUpdate& ui) { ui.enable(!m_view.isBinary()); });
}

bool EditingToolsController::event(QEvent* event)
{
    if (event->type() == kGotoGoEvent) {
        gotoGo();
        return true;
    }
    if (event->type() == kGotoCloseEvent) {
        gotoClose();
        return true;
    }
    return QObject::event(event);
}

void EditingToolsController::showStatistics()
{
    if (m_services.messageBoxes == nullptr)
        return;
    const EditControl& control = m_control;
    std::optional<MessageBoxRequest> report;
    // The text is counted beside the window, a piece at a time; a Cancel shows nothing.
    const bool counted = m_view.runLongWork(control.textLength(), "Counting", [&](WorkProgress& progress) {
        progress.setTotal(control.textLength());
        std::int64_t seen = 0;
        const ByteChunkSource text = [&](const ByteChunkVisitor& visit) {
            control.forEachTextPiece([&](std::string_view piece) {
                for (std::size_t at = 0; at < piece.size() && !progress.cancelled(); at += kWorkPiece) {
                    const std::size_t count = std::min(kWorkPiece, piece.size() - at);
                    visit({reinterpret_cast<const std::uint8_t*>(piece.data() + at), count});
                    seen += static_cast<std::int64_t>(count);
                    progress.advance(seen);
                }
            });
        };
        report = fileStatisticsReport(!m_view.isBinary(), control.textLength(), control.textLimit(), text,
                                      control.encoding());
    });
    if (counted && report)
        m_services.messageBoxes->show(*report);
    m_control.takeFocus();
}

void EditingToolsController::openGoto()
{
    if (m_gotoDialog == nullptr || m_gotoDialog->isVisible())
        return;
    // Kept above the main window, as a dialog of it, but never modal.
    if (m_gotoDialog->parentWidget() != m_view.window())
        m_gotoDialog->setParent(m_view.window(), Qt::Dialog);
    m_gotoDialog->showWindow();
}

void EditingToolsController::gotoClose()
{
    if (m_gotoDialog != nullptr)
        m_gotoDialog->hide();
}

void EditingToolsController::gotoGo()
{
    if (m_gotoDialog == nullptr)
        return;
    const GotoJump jump = computeGotoJump(m_gotoDialog->fields(), m_control.textLength());
    if (!jump.start) {
        if (m_services.messageBoxes != nullptr && jump.message)
            m_services.messageBoxes->show(*jump.message);
        return;
    }
    m_control.takeFocus();
    // An offset inside a character selects that whole character.
    const auto [start, end] = m_control.characterAt(*jump.start);
    m_control.select(start, end);
    moveOffSelection(m_gotoDialog.get());
}

void EditingToolsController::moveOffSelection(QWidget* dialog)
{
    if (dialog == nullptr || !dialog->isVisible())
        return;
    const QRect caret(m_control.viewport()->mapToGlobal(m_control.caretRect().topLeft()), m_control.caretRect().size());
    QRect frame = dialog->frameGeometry();
    if (!frame.intersects(caret.adjusted(-4, -4, 4, 4)))
        return;
    const QRect screen = dialog->screen() != nullptr ? dialog->screen()->availableGeometry() : QRect();
    // Below the selection's row if there is room, otherwise above it.
    if (caret.bottom() + 8 + frame.height() <= screen.bottom() || screen.isNull())
        frame.moveTop(caret.bottom() + 8);
    else
        frame.moveBottom(caret.top() - 8);
    dialog->move(frame.topLeft());
}

void EditingToolsController::stripHtmlTags()
{
    if (m_services.messageBoxes == nullptr)
        return;
    StripHtmlControl control(m_control);
    onStripHtmlTags(control, *m_services.messageBoxes, !m_view.isBinary(), cHeap(), m_view.longWork());
    m_control.takeFocus();
}

void EditingToolsController::insertFile()
{
    if (m_view.isBinary() || m_services.fileDialogs == nullptr || m_services.messageBoxes == nullptr)
        return;
    EditControl& control = m_control;
    IMessageBoxes& boxes = *m_services.messageBoxes;
    onInsertFile(
        *m_services.fileDialogs, boxes, m_document.folder(),
        [&control, &boxes](std::span<const std::uint8_t> text) {
            // The control takes its memory before it changes: a text it cannot hold leaves
            // it as it was.
            try {
                control.replaceSelection({reinterpret_cast<const char*>(text.data()), text.size()}, true);
            } catch (const std::bad_alloc&) {
                boxes.show(insertFileNoMemoryMessage());
            }
        },
        cHeap(), m_view.longWork());
    m_control.takeFocus();
}

}  // namespace quillory
