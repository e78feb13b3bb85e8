#pragma once
// The modal file tools of the Tools menu: Split/Join and the File Wiper. Neither touches the
// document; both work on files the user chooses.

#include <QObject>

#include "commands/CommandRouter.h"
#include "view/ViewServices.h"

namespace quillory {

class CQuilloryDoc;
class CQuilloryView;

class ToolDialogsController : public QObject {
    Q_OBJECT
public:
    // The dialogs open over view's window, Split/Join at document's folder, listing drives; a child
    // of view.
    ToolDialogsController(CQuilloryView& view, const CQuilloryDoc& document, ViewServices services, IDrives& drives);

    CommandTarget& commands() { return m_commands; }

    void splitJoin();
    void wipeFile();

private:
    CQuilloryView& m_view;
    const CQuilloryDoc& m_document;
    ViewServices m_services;
    IDrives& m_drives;
    CommandTarget m_commands;
};

}  // namespace quillory
