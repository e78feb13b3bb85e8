#include "controllers/PrintController.h"

#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <algorithm>

#include "commands/CommandIds.h"
#include "qtplatform/CharFormatFont.h"
#include "view/QuilloryView.h"

namespace quillory {

PrintController::PrintController(QuilloryView& view, QPrinter* printer)
    : QObject(&view), m_view(view), m_printer(printer)
{
    m_commands.onCommand(cmd::ID_FILE_PRINT, [this] { print(); });
    m_commands.onCommand(cmd::ID_FILE_PRINT_PREVIEW, [this] { printPreview(); });
}

void PrintController::printTo(QPrinter* printer)
{
    // The margins are measured from the paper's edges, so the painter's origin must be the paper's
    // corner, not the corner of the printer's printable area.
    const bool wasFullPage = printer->fullPage();
    printer->setFullPage(true);
    printPages(printer);
    printer->setFullPage(wasFullPage);
}

void PrintController::printPages(QPrinter* printer)
{
    const EditControl& control = m_view.control();
    PrintLayout layout(control.buffer(), fontFromCharFormat(control.defaultCharFormat()), printer,
                       printer->paperRect(QPrinter::DevicePixel), m_margins, control.encoding());
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

void PrintController::print()
{
    QPrinter fallback;
    QPrinter* printer = m_printer != nullptr ? m_printer : &fallback;
    QPrintDialog dialog(printer, m_view.window());
    if (dialog.exec() == QDialog::Accepted)
        printTo(printer);
    m_view.takeFocus();
}

void PrintController::printPreview()
{
    QPrinter fallback;
    QPrinter* printer = m_printer != nullptr ? m_printer : &fallback;
    QPrintPreviewDialog preview(printer, m_view.window());
    connect(&preview, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* target) { printTo(target); });
    preview.exec();
    m_view.takeFocus();
}

}  // namespace quillory
