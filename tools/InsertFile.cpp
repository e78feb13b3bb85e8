#include "tools/InsertFile.h"

#include <algorithm>
#include <sys/stat.h>

#include "base/Paths.h"
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

namespace {

// Reads up to length bytes into content, a piece at a time when there is progress to tell; false
// when the work was cancelled.
bool readInPieces(ReadOnlyFile& file, InsertFileContent& content, std::size_t length, WorkProgress* progress)
{
    if (progress == nullptr) {
        content.length = file.read(content.buffer.data(), length);
        return true;
    }
    progress->setTotal(static_cast<std::int64_t>(std::max<std::size_t>(length, 1)));
    while (content.length < length) {
        const std::size_t wanted = std::min(kWorkPiece, length - content.length);
        const std::size_t got = file.read(content.buffer.data() + content.length, wanted);
        content.length += got;
        if (!progress->advance(static_cast<std::int64_t>(content.length)))
            return false;
        if (got < wanted)
            break;
    }
    return true;
}

}  // namespace

FileDialogRequest insertFileDialogRequest(const std::string& initialDir)
{
    FileDialogRequest request;
    request.kind = FileDialogRequest::Kind::Open;
    request.initialDir = initialDir;
    request.filter = kInsertFileFilter;
    return request;
}

InsertFileContent readFileForInsert(const std::string& path, IByteHeap& heap, WorkProgress* progress)
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
    if (!readInPieces(file, content, static_cast<std::size_t>(length), progress)) {
        content.buffer.reset();
        content.length = 0;
        return content;  // cancelled
    }
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
                  const ReplaceSelection& replaceSelection, IByteHeap& heap, ILongWork& longWork)
{
    const std::optional<std::string> path = dialogs.choose(insertFileDialogRequest(initialDir));
    if (!path)
        return;
    // Looking never blocks, also at a pipe; the read refuses what is not a regular file.
    struct stat info {};
    const std::int64_t size = ::stat(path->c_str(), &info) == 0 ? static_cast<std::int64_t>(info.st_size) : 0;
    InsertFileContent content;
    const bool completed = runLongWork(longWork, size, "Reading " + fileNameOf(*path), [&](WorkProgress& progress) {
        content = readFileForInsert(*path, heap, &progress);
    });
    if (!completed)
        return;
    if (content.failure) {
        boxes.show(*content.failure);
        return;
    }
    replaceSelection(content.text());
}

}  // namespace quillory
