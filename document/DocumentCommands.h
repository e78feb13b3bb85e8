#pragma once
// The document's place on the command route: New, Open, Save, Save As, the ANSI-to-ASCII option
// and giving back the byte storage's slack.

namespace quillory {

class CommandTarget;
class QuilloryDoc;

// Binds the document's File commands and their update rules into `target`.
void registerDocumentCommands(CommandTarget& target, QuilloryDoc& document);

}  // namespace quillory
