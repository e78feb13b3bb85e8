#pragma once
// Insert File: reads another file and, when it is text, hands its bytes to the view to replace
// the selection (one undoable step). A BINARY file, a file that cannot be read and a buffer that
// cannot be allocated each end in their own message box, with nothing inserted.
//
// The view's whole command (enabled only in TEXT mode):
//   onInsertFile(dialogs, boxes, doc.folder(),
//                [&](std::span<const std::uint8_t> text) { control.replaceSelection(text, /*canUndo*/ true); });
//   control.takeFocus();

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "base/ByteHeap.h"
#include "base/FileDialogs.h"
#include "base/MessageBox.h"
#include "base/HeapBlock.h"
#include "base/LongWork.h"

namespace quillory {

// Insert File's own filter: text files first, all files last.
inline constexpr const char* kInsertFileFilter =
    "Text Files (*.txt;*.bat;*.ini;*.inf;*.log)|*.TXT;*.BAT;*.INI;*.LOG;*.INF|"
    "HTML Doc. (*.htm*;*.shtm*;*.stm*;*.asp)|*.HTM*;*.SHTM*;*.STM*;*.ASP|All Files (*.*)|*.*||";

// The open dialog of Insert File, starting in the document's default directory.
FileDialogRequest insertFileDialogRequest(const std::string& initialDir);

// A file read for insertion: its text, or the box that says why there is none.
struct InsertFileContent {
    HeapBlock buffer;                          // the bytes followed by a 0 byte, when read
    std::size_t length = 0;                    // bytes of text in buffer
    std::optional<MessageBoxRequest> failure;  // set when nothing may be inserted

    std::span<const std::uint8_t> text() const { return buffer.first(length); }
};

// Reads the whole file at path and checks that it is TEXT (no byte 0-8 or 14-31). With progress, it
// reads in pieces and stops at a Cancel (no text and no failure then).
InsertFileContent readFileForInsert(const std::string& path, IByteHeap& heap = cHeap(),
                                    WorkProgress* progress = nullptr);

// Receives the text that replaces the control's selection.
using ReplaceSelection = std::function<void(std::span<const std::uint8_t> text)>;

// The whole command: asks for the file, reads it, then either calls replaceSelection once with
// its text or shows the failure box. Nothing happens when the user cancels the dialog, nor when
// the user cancels the reading, which runs as long work.
void onInsertFile(IFileDialogs& dialogs, IMessageBoxes& boxes, const std::string& initialDir,
                  const ReplaceSelection& replaceSelection, IByteHeap& heap = cHeap(),
                  ILongWork& longWork = workInPlace());

MessageBoxRequest insertFileOpenFailedMessage();
MessageBoxRequest insertFileNoMemoryMessage();
MessageBoxRequest insertFileBinaryMessage();

}  // namespace quillory
