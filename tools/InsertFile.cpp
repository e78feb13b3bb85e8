#include "tools/InsertFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "document/ByteClassifier.h"

namespace quillory {

namespace {

// A regular file opened for reading. Opened without blocking, so that a named pipe chosen in the
// dialog is refused at once instead of waiting for a writer forever.
class InsertSourceFile {
public:
    explicit InsertSourceFile(const std::string& path)
    {
        const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            return;
        struct stat info {};
        if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
            ::close(fd);
            return;
        }
        m_fd = fd;
        m_size = static_cast<std::uint64_t>(info.st_size);
    }
    ~InsertSourceFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    InsertSourceFile(const InsertSourceFile&) = delete;
    InsertSourceFile& operator=(const InsertSourceFile&) = delete;

    bool isOpen() const { return m_fd >= 0; }
    std::uint64_t size() const { return m_size; }

    // Reads up to count bytes; fewer at the end of the file or on a read error.
    std::size_t read(std::uint8_t* out, std::size_t count)
    {
        std::size_t done = 0;
        while (done < count) {
            const ssize_t got = ::read(m_fd, out + done, count - done);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                break;
            done += static_cast<std::size_t>(got);
        }
        return done;
    }

private:
    int m_fd = -1;            // -1 when the file could not be opened
    std::uint64_t m_size = 0;  // length when opened
};

}  // namespace

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
    return {"Error:", "Cannot insert a Binary file into a Text file!", MessageIcon::Exclamation,
            MessageButtons::Ok};
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
    InsertSourceFile file(path);
    // Only regular files: a pipe or device could block the editor or never end.
    if (!file.isOpen()) {
        content.failure = insertFileOpenFailedMessage();
        return content;
    }
    const std::uint64_t length = file.size();
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

void OnInsertFile(IFileDialogs& dialogs, IMessageBoxes& boxes, const std::string& initialDir,
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
