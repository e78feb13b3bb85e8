#include "document/DocumentCommands.h"

#include "commands/CommandIds.h"
#include "commands/CommandRouter.h"
#include "document/QuilloryDoc.h"

namespace quillory {

void registerDocumentCommands(CommandTarget& target, QuilloryDoc& document)
{
    QuilloryDoc* doc = &document;
    target.OnCommand(cmd::ID_FILE_NEW, [doc] { doc->OnFileNew(); });
    target.OnCommand(cmd::ID_FILE_OPEN, [doc] { doc->OnFileOpen(); });
    target.OnCommand(cmd::ID_FILE_SAVE, [doc] { doc->OnFileSave(); });
    target.OnCommand(cmd::ID_FILE_SAVE_AS, [doc] { doc->OnFileSaveAs(); });
    target.OnCommand(cmd::ID_ANSI_TO_ASCII, [doc] { doc->OnAnsiToAscii(); });
    target.OnUpdate(cmd::ID_ANSI_TO_ASCII,
                    [doc](CommandUpdate& ui) { ui.SetCheck(doc->ansiToAscii()); });
    target.OnCommand(cmd::ID_FREE_STORAGE, [doc] { doc->OnFreeStorage(); });
    // The view answers this update too (it comes first); until there is one the rule is the same.
    target.OnUpdate(cmd::ID_FREE_STORAGE, [doc](CommandUpdate& ui) { ui.Enable(doc->mode() == DocumentMode::Binary); });
}

}  // namespace quillory
