#pragma once
// Print and Print Preview: the document's text laid out on pages with the print margins, on the
// printer that Print Setup shares.

#include <QObject>

#include "commands/CommandRouter.h"
#include "editcontrol/PrintLayout.h"

class QPrinter;

namespace quillory {

class QuilloryView;

class PrintController : public QObject {
    Q_OBJECT
public:
    // Prints view's control on printer (null: a printer of its own for each command); a child of view.
    PrintController(QuilloryView& view, QPrinter* printer);

    CommandTarget& commands() { return m_commands; }

    void print();
    void printPreview();

private:
    void printTo(QPrinter* printer);
    void printPages(QPrinter* printer);

    QuilloryView& m_view;
    QPrinter* m_printer;
    CommandTarget m_commands;
    MarginsTwips m_margins{720, 720, 720, 720};  // half an inch from each edge of the paper
};

}  // namespace quillory
