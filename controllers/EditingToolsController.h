#pragma once
// The Tools commands that work on the text: file statistics, the modeless goto dialog, stripping
// HTML tags and inserting a file. The goto dialog reports by events posted to this object.

#include <QObject>
#include <memory>

#include "commands/CommandRouter.h"
#include "view/ViewServices.h"

class QWidget;

namespace quillory {

class CGotoDlg;
class CQuilloryDoc;
class CQuilloryView;
class EditControl;

class EditingToolsController : public QObject {
    Q_OBJECT
public:
    // Works on view's control and document's folder; a child of view.
    EditingToolsController(CQuilloryView& view, CQuilloryDoc& document, ViewServices services);
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
    CGotoDlg* gotoDialog() const { return m_gotoDialog.get(); }

protected:
    bool event(QEvent* event) override;

private:
    void registerCommands();
    // Moves the dialog so that it does not cover the selection.
    void moveOffSelection(QWidget* dialog);

    CQuilloryView& m_view;
    EditControl& m_control;
    CQuilloryDoc& m_document;
    ViewServices m_services;
    CommandTarget m_commands;
    std::unique_ptr<CGotoDlg> m_gotoDialog;
};

}  // namespace quillory
