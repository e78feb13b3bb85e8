#pragma once
// The modal file tools of the Tools menu: Split/Join and the File Wiper. Neither touches the
// document; both work on files the user chooses.

#include <QObject>

#include "commands/CommandRouter.h"
#include "view/ViewServices.h"

namespace quillory {

class QuilloryDoc;
class QuilloryView;

class ToolDialogsController : public QObject {
    Q_OBJECT
public:
    // The dialogs open over view's window, Split/Join at document's folder, listing drives; a child
    // of view.
    ToolDialogsController(QuilloryView& view, const QuilloryDoc& document, ViewServices services, IDrives& drives);

    CommandTarget& commands() { return m_commands; }

    void splitJoin();
    void wipeFile();

private:
    QuilloryView& m_view;
    const QuilloryDoc& m_document;
    ViewServices m_services;
    IDrives& m_drives;
    CommandTarget m_commands;
};

}  // namespace quillory
