#include "tools/InsertFile.h"

#include "document/ByteClassifier.h"
#include "document/ReadOnlyFile.h"

namespace quillory {

MessageBoxRequest insertFileOpenFailedMessage()
{
    return {"File Error:", "Unable to open selected file!", MessageIcon::Stop, MessageButtons::Ok};
}

MessageBoxRequest insertFileNoMemoryMessage()
{
    return {"Mem Error:", "Not enough memory to hold data!", MessageIcon::Stop, MessageButtons::Ok};
}

MessageBoxRequest insertFileBinaryMessage()
{
    return {"Error:", "Cannot insert a Binary file into a Text file!", MessageIcon::Exclamation, MessageButtons::Ok};
}

FileDialogRequest insertFileDialogRequest(const std::string& initialDir)
{
    FileDialogRequest request;
    request.kind = FileDialogRequest::Kind::Open;
    request.initialDir = initialDir;
    request.filter = kInsertFileFilter;
    return request;
}

InsertFileContent readFileForInsert(const std::string& path, IByteHeap& heap)
{
    InsertFileContent content;
    ReadOnlyFile file;
    // Only regular files: a pipe or device could block the editor or never end.
    if (!file.open(path)) {
        content.failure = insertFileOpenFailedMessage();
        return content;
    }
    const auto length = static_cast<std::uint64_t>(file.size());
    if (length >= SIZE_MAX) {
        content.failure = insertFileNoMemoryMessage();
        return content;
    }
    content.buffer = HeapBlock(heap, static_cast<std::size_t>(length) + 1);
    if (!content.buffer.ok()) {
        content.failure = insertFileNoMemoryMessage();
        return content;
    }
    content.length = file.read(content.buffer.data(), static_cast<std::size_t>(length));
    // A short read is a read error or a file cut short meanwhile: inserting the part that
    // arrived would pass off a piece of the file as the whole of it.
    if (content.length != length) {
        content.buffer.reset();
        content.length = 0;
        content.failure = insertFileOpenFailedMessage();
        return content;
    }
    content.buffer.data()[content.length] = 0;
    if (isBinary(content.buffer.data(), content.length)) {
        content.buffer.reset();
        content.length = 0;
        content.failure = insertFileBinaryMessage();
    }
    return content;
}

void onInsertFile(IFileDialogs& dialogs, IMessageBoxes& boxes, const std::string& initialDir,
                  const ReplaceSelection& replaceSelection, IByteHeap& heap)
{
    const std::optional<std::string> path = dialogs.choose(insertFileDialogRequest(initialDir));
    if (!path)
        return;
    const InsertFileContent content = readFileForInsert(*path, heap);
    if (content.failure) {
        boxes.show(*content.failure);
        return;
    }
    replaceSelection(content.text());
}

}  // namespace quillory
