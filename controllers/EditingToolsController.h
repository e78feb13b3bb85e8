#pragma once
// The Tools commands that work on the text: file statistics, the modeless goto dialog, stripping
// HTML tags and inserting a file. The goto dialog reports by events posted to this object.

#include <QObject>
#include <memory>

#include "commands/CommandRouter.h"
#include "view/ViewServices.h"

class QWidget;

namespace quillory {

class GotoDialog;
class QuilloryDoc;
class QuilloryView;
class EditControl;

class EditingToolsController : public QObject {
    Q_OBJECT
public:
    // Works on view's control and document's folder; a child of view.
    EditingToolsController(QuilloryView& view, QuilloryDoc& document, ViewServices services);
    ~EditingToolsController() override;

    CommandTarget& commands() { return m_commands; }

    void showStatistics();
    // Opens the goto dialog unless it is open.
    void openGoto();
    // The goto dialog's Go and close.
    void gotoGo();
    void gotoClose();
    void stripHtmlTags();
    void insertFile();
    // The one goto dialog (null without message boxes to report through); its window comes and goes.
    GotoDialog* gotoDialog() const { return m_gotoDialog.get(); }

protected:
    bool event(QEvent* event) override;

private:
    void registerCommands();
    // Moves the dialog so that it does not cover the selection.
    void moveOffSelection(QWidget* dialog);

    QuilloryView& m_view;
    EditControl& m_control;
    QuilloryDoc& m_document;
    ViewServices m_services;
    CommandTarget m_commands;
    std::unique_ptr<GotoDialog> m_gotoDialog;
};

}  // namespace quillory
