// The Tools commands: file statistics, the goto dialog, stripping HTML tags, inserting a file and
// the file wiper.
#include <QApplication>
#include <QEvent>
#include <QScreen>
#include <new>

#include "tools/FileStatistics.h"
#include "dialogs/FileWiperDlg.h"
#include "dialogs/GotoDlg.h"
#include "tools/InsertFile.h"
#include "tools/StripHtmlCommand.h"
#include "view/QuilloryView.h"

namespace quillory {

namespace {

// The edit control as the HTML stripper drives it.
class StripHtmlControl final : public IStripHtmlControl {
public:
    explicit StripHtmlControl(EditControl& control) : m_control(control) {}
    std::int64_t textLength() const override { return m_control.GetTextLength(); }
    std::optional<TextMatch> findNoCase(std::string_view pattern, std::int64_t from) const override
    {
        const std::optional<FoundRange> found = m_control.FindText(pattern, from, FindOptions{});
        if (!found)
            return std::nullopt;
        return TextMatch{found->start, found->end};
    }
    void setSelection(std::int64_t start, std::int64_t end) override { m_control.SetSel(start, end); }
    void clearSelection() override { m_control.ReplaceSel({}, false); }
    void copyText(std::uint8_t* out) const override { m_control.GetText(out); }
    void setText(std::span<const std::uint8_t> bytes) override
    {
        m_control.SetWindowText({reinterpret_cast<const char*>(bytes.data()), bytes.size()});
    }
    void setModified() override { m_control.SetModify(true); }
    void hideSelection(bool hidden) override { m_control.HideSelection(hidden); }
    void emptyUndoBuffer() override { m_control.EmptyUndoBuffer(); }
    void beginWaitCursor() override { QApplication::setOverrideCursor(Qt::WaitCursor); }
    void endWaitCursor() override { QApplication::restoreOverrideCursor(); }

private:
    EditControl& m_control;
};

}  // namespace

bool CQuilloryView::event(QEvent* event)
{
    if (event->type() == WM_GOTO_GO) {
        OnGotoGo();
        return true;
    }
    if (event->type() == WM_GOTO_CLOSE) {
        OnGotoClose();
        return true;
    }
    return QWidget::event(event);
}

void CQuilloryView::OnFileStat()
{
    if (m_services.messageBoxes == nullptr)
        return;
    const EditControl& control = *m_control;
    const ByteChunkSource text = [&control](const ByteChunkVisitor& visit) {
        control.forEachTextPiece([&visit](std::string_view piece) {
            visit({reinterpret_cast<const std::uint8_t*>(piece.data()), piece.size()});
        });
    };
    m_services.messageBoxes->show(fileStatisticsReport(!isBinary(), m_control->GetTextLength(),
                                                       m_control->GetLimitText(), text, m_control->encoding()));
    m_control->SetFocus();
}

void CQuilloryView::OnGoto()
{
    if (m_pGotoDlg == nullptr || m_pGotoDlg->isVisible())
        return;
    // Kept above the main window, as a dialog of it, but never modal.
    if (m_pGotoDlg->parentWidget() != window())
        m_pGotoDlg->setParent(window(), Qt::Dialog);
    m_pGotoDlg->open();
}

void CQuilloryView::OnGotoClose()
{
    if (m_pGotoDlg != nullptr)
        m_pGotoDlg->hide();
}

void CQuilloryView::OnGotoGo()
{
    if (m_pGotoDlg == nullptr)
        return;
    const GotoJump jump = computeGotoJump(m_pGotoDlg->fields(), m_control->GetTextLength());
    if (!jump.start) {
        if (m_services.messageBoxes != nullptr && jump.message)
            m_services.messageBoxes->show(*jump.message);
        return;
    }
    m_control->SetFocus();
    // An offset inside a character selects that whole character.
    const auto [start, end] = m_control->characterAt(*jump.start);
    m_control->SetSel(start, end);
    AdjustDialogPosition(m_pGotoDlg.get());
}

void CQuilloryView::AdjustDialogPosition(QWidget* dialog)
{
    if (dialog == nullptr || !dialog->isVisible())
        return;
    const QRect caret(m_control->viewport()->mapToGlobal(m_control->caretRect().topLeft()),
                      m_control->caretRect().size());
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

void CQuilloryView::OnStripHtmlTags()
{
    if (m_services.messageBoxes == nullptr)
        return;
    StripHtmlControl control(*m_control);
    quillory::OnStripHtmlTags(control, *m_services.messageBoxes, !isBinary());
    m_control->SetFocus();
}

void CQuilloryView::OnInsertFile()
{
    if (isBinary() || m_services.fileDialogs == nullptr || m_services.messageBoxes == nullptr)
        return;
    EditControl& control = *m_control;
    IMessageBoxes& boxes = *m_services.messageBoxes;
    quillory::OnInsertFile(*m_services.fileDialogs, boxes, m_document.m_strDir,
                           [&control, &boxes](std::span<const std::uint8_t> text) {
                               // The control takes its memory before it changes: a text it cannot
                               // hold leaves it as it was.
                               try {
                                   control.ReplaceSel({reinterpret_cast<const char*>(text.data()), text.size()}, true);
                               } catch (const std::bad_alloc&) {
                                   boxes.show(insertFileNoMemoryMessage());
                               }
                           });
    m_control->SetFocus();
}

void CQuilloryView::OnFileWipe()
{
    if (m_services.fileDialogs == nullptr || m_services.messageBoxes == nullptr)
        return;
    CFileWiperDlg dialog(*m_services.messageBoxes, *m_services.fileDialogs, window());
    dialog.exec();
    m_control->SetFocus();
}

}  // namespace quillory
