#include "controllers/ToolDialogsController.h"

#include "base/Paths.h"
#include "commands/CommandIds.h"
#include "dialogs/FileWiperDialog.h"
#include "dialogs/SplitJoinDialog.h"
#include "document/QuilloryDoc.h"
#include "view/QuilloryView.h"

namespace quillory {

ToolDialogsController::ToolDialogsController(QuilloryView& view, const QuilloryDoc& document, ViewServices services,
                                             IDrives& drives)
    : QObject(&view), m_view(view), m_document(document), m_services(std::move(services)), m_drives(drives)
{
    m_commands.onCommand(cmd::ID_FILE_WIPE, [this] { wipeFile(); });
    m_commands.onCommand(cmd::ID_SPLIT_JOIN, [this] { splitJoin(); });
}

void ToolDialogsController::splitJoin()
{
    if (m_services.messageBoxes == nullptr || m_services.fileDialogs == nullptr)
        return;
    SplitJoinDialog dialog(*m_services.messageBoxes, *m_services.fileDialogs, m_drives, m_services.beep,
                           m_view.window());
    // The tree opens at the document's folder, else at the working folder.
    dialog.logic().setStartFolder(m_document.folder().empty() ? absolutePath(".") : m_document.folder());
    dialog.runModal();
    m_view.takeFocus();
}

void ToolDialogsController::wipeFile()
{
    if (m_services.fileDialogs == nullptr || m_services.messageBoxes == nullptr)
        return;
    FileWiperDialog dialog(*m_services.messageBoxes, *m_services.fileDialogs, m_view.window());
    dialog.exec();
    m_view.takeFocus();
}

}  // namespace quillory
