#include "document/DocumentCommands.h"

#include "commands/CommandIds.h"
#include "commands/CommandRouter.h"
#include "document/QuilloryDoc.h"

namespace quillory {

void registerDocumentCommands(CommandTarget& target, QuilloryDoc& document)
{
    QuilloryDoc* doc = &document;
    target.onCommand(cmd::ID_FILE_NEW, [doc] { doc->onFileNew(); });
    target.onCommand(cmd::ID_FILE_OPEN, [doc] { doc->onFileOpen(); });
    target.onCommand(cmd::ID_FILE_SAVE, [doc] { doc->onFileSave(); });
    target.onCommand(cmd::ID_FILE_SAVE_AS, [doc] { doc->onFileSaveAs(); });
    target.onCommand(cmd::ID_ANSI_TO_ASCII, [doc] { doc->onAnsiToAscii(); });
    target.onUpdate(cmd::ID_ANSI_TO_ASCII, [doc](CommandUpdate& ui) { ui.setCheck(doc->ansiToAscii()); });
    target.onCommand(cmd::ID_FREE_STORAGE, [doc] { doc->onFreeStorage(); });
    // The view answers this update too (it comes first); until there is one the rule is the same.
    target.onUpdate(cmd::ID_FREE_STORAGE, [doc](CommandUpdate& ui) { ui.enable(doc->mode() == DocumentMode::Binary); });
}

}  // namespace quillory
