// Select All, Find, Find Next, Replace, Print and Print Preview: the commands a standard editing
// view serves. None of them edits behind the byte storage's back: Replace works in TEXT mode only.
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

#include "qtplatform/CharFormatFont.h"
#include "view/QuilloryView.h"

namespace quillory {

void CQuilloryView::OnEditSelectAll()
{
    m_control->SetSel(0, -1);
}

void CQuilloryView::showFindDialog(bool replace)
{
    if (m_findDialog == nullptr) {
        m_findDialog = new FindReplaceDialog(window());
        connect(m_findDialog, &FindReplaceDialog::findNextRequested, this, [this](const SearchRequest& search) {
            m_lastSearch = search;
            findNext(search);
        });
        connect(m_findDialog, &FindReplaceDialog::replaceRequested, this, [this](const SearchRequest& search) {
            m_lastSearch = search;
            replaceOnce(search);
        });
        connect(m_findDialog, &FindReplaceDialog::replaceAllRequested, this, [this](const SearchRequest& search) {
            m_lastSearch = search;
            replaceAll(search);
        });
    }
    // A short single-line selection is what the user most likely wants to find.
    QString preset;
    const std::int64_t length = m_control->selectionEnd() - m_control->selectionStart();
    if (length > 0 && length < 256) {
        const std::string selected = m_control->GetSelText();
        if (selected.find_first_of("\r\n") == std::string::npos)
            preset = fromControlBytes(selected, m_control->encoding());
    }
    m_findDialog->showAs(replace, preset);
}

void CQuilloryView::OnEditFind()
{
    showFindDialog(false);
}

void CQuilloryView::OnEditReplace()
{
    showFindDialog(true);
}

void CQuilloryView::OnEditFindNext()
{
    if (!m_lastSearch)
        showFindDialog(false);
    else
        findNext(*m_lastSearch);
}

FindOptions CQuilloryView::findOptions(const SearchRequest& search) const
{
    FindOptions options = search.options;
    options.encoding = m_control->encoding();
    return options;
}

bool CQuilloryView::findNext(const SearchRequest& search)
{
    if (search.findWhat.isEmpty())
        return false;
    const std::int64_t from = search.options.backward ? m_control->selectionStart() : m_control->selectionEnd();
    const std::optional<FoundRange> found =
        m_control->FindText(toControlBytes(search.findWhat, m_control->encoding()), from, findOptions(search));
    if (!found) {
        beep();
        return false;
    }
    m_control->SetSel(found->start, found->end);
    return true;
}

void CQuilloryView::replaceOnce(const SearchRequest& search)
{
    if (isBinary() || search.findWhat.isEmpty())
        return;
    // The current selection is replaced when it is a match; then the next match is selected.
    const std::int64_t start = m_control->selectionStart();
    FindOptions forward = findOptions(search);
    forward.backward = false;
    const std::optional<FoundRange> here =
        m_control->FindText(toControlBytes(search.findWhat, m_control->encoding()), start, forward);
    if (here && here->start == start && here->end == m_control->selectionEnd())
        m_control->ReplaceSel(toControlBytes(search.replaceWith, m_control->encoding()), true);
    findNext(search);
}

void CQuilloryView::replaceAll(const SearchRequest& search)
{
    if (isBinary() || search.findWhat.isEmpty())
        return;
    // One pass and one undo step, whatever the number of matches.
    const TextEncoding encoding = m_control->encoding();
    if (m_control->ReplaceAll(toControlBytes(search.findWhat, encoding), toControlBytes(search.replaceWith, encoding),
                              findOptions(search)) == 0)
        beep();
}

void CQuilloryView::printTo(QPrinter* printer)
{
    // The margins are measured from the paper's edges, so the painter's origin must be the paper's
    // corner, not the corner of the printer's printable area.
    const bool wasFullPage = printer->fullPage();
    printer->setFullPage(true);
    printPages(printer);
    printer->setFullPage(wasFullPage);
}

void CQuilloryView::printPages(QPrinter* printer)
{
    PrintLayout layout(m_control->buffer(), fontFromCharFormat(m_control->GetDefaultCharFormat()), printer,
                       printer->paperRect(QPrinter::DevicePixel), m_rectMargin, m_control->encoding());
    const int pages = layout.paginate();
    int first = 0;
    int last = pages - 1;
    if (printer->printRange() == QPrinter::PageRange && printer->fromPage() > 0) {
        first = std::clamp(printer->fromPage() - 1, 0, pages - 1);
        last = std::clamp(printer->toPage() - 1, first, pages - 1);
    }
    QPainter painter(printer);
    for (int page = first; page <= last; ++page) {
        if (page > first)
            printer->newPage();
        layout.drawPage(painter, page);
    }
}

void CQuilloryView::OnFilePrint()
{
    QPrinter fallback;
    QPrinter* printer = m_services.printer != nullptr ? m_services.printer : &fallback;
    QPrintDialog dialog(printer, window());
    if (dialog.exec() == QDialog::Accepted)
        printTo(printer);
    m_control->SetFocus();
}

void CQuilloryView::OnFilePrintPreview()
{
    QPrinter fallback;
    QPrinter* printer = m_services.printer != nullptr ? m_services.printer : &fallback;
    QPrintPreviewDialog preview(printer, window());
    connect(&preview, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* target) { printTo(target); });
    preview.exec();
    m_control->SetFocus();
}

}  // namespace quillory
