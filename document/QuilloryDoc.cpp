#include "document/QuilloryDoc.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "base/Paths.h"
#include "document/ByteClassifier.h"
#include "document/ReadOnlyFile.h"
#include "editcore/Utf8.h"

namespace quillory {

namespace {

constexpr const char* kCannotOpen = "Cannot Open or Read Selected File!";
constexpr const char* kNotEnoughMemory = "Not enough memory!";

enum class ReadOutcome { Whole, NoMemory, ShortRead };

// A file's bytes in a block of the heap: length bytes, a 0, then QuilloryDoc::kHandOverSlack
// spare bytes.
struct WholeFile {
    std::uint8_t* bytes = nullptr;
    std::size_t length = 0;
    std::size_t blockBytes = 0;
};

// Reads a file whose size can be believed: exactly that many bytes, and nothing after them. A
// file that grew or shrank meanwhile, or a read error, is a short read.
ReadOutcome readKnownSize(ReadOnlyFile& file, IByteHeap& heap, WholeFile& whole)
{
    if (file.size() > ByteStorage::kMaxLength)
        return ReadOutcome::NoMemory;
    const auto length = static_cast<std::size_t>(file.size());
    whole.blockBytes = length + 1 + QuilloryDoc::kHandOverSlack;
    whole.bytes = static_cast<std::uint8_t*>(heap.allocZeroed(whole.blockBytes));
    if (whole.bytes == nullptr)
        return ReadOutcome::NoMemory;
    whole.length = file.read(whole.bytes, length);
    return whole.length == length && file.atEnd() && !file.failed() ? ReadOutcome::Whole : ReadOutcome::ShortRead;
}

// Reads a file to its end whatever its size says (the files of /proc), doubling the block.
ReadOutcome readToEnd(ReadOnlyFile& file, IByteHeap& heap, WholeFile& whole)
{
    constexpr std::size_t kSpare = 1 + QuilloryDoc::kHandOverSlack;
    std::size_t capacity = std::size_t{64} * 1024;
    whole.bytes = static_cast<std::uint8_t*>(heap.allocPlain(capacity + kSpare));
    if (whole.bytes == nullptr)
        return ReadOutcome::NoMemory;
    for (;;) {
        const std::size_t wanted = capacity - whole.length;
        const std::size_t got = file.read(whole.bytes + whole.length, wanted);
        whole.length += got;
        if (got < wanted)
            break;
        const std::size_t limit = static_cast<std::size_t>(ByteStorage::kMaxLength);
        if (capacity == limit) {
            if (!file.atEnd())
                return ReadOutcome::NoMemory;
            break;
        }
        const std::size_t larger = std::min(capacity * 2, limit);
        auto* grown = static_cast<std::uint8_t*>(heap.grow(whole.bytes, larger + kSpare));
        if (grown == nullptr)
            return ReadOutcome::NoMemory;
        whole.bytes = grown;
        capacity = larger;
    }
    if (file.failed())
        return ReadOutcome::ShortRead;
    whole.blockBytes = capacity + kSpare;
    std::memset(whole.bytes + whole.length, 0, whole.blockBytes - whole.length);
    return ReadOutcome::Whole;
}

}  // namespace

QuilloryDoc::QuilloryDoc(IMessageBoxes& messageBoxes, IByteHeap& heap) : m_storage(heap), m_messageBoxes(messageBoxes)
{}

void QuilloryDoc::setAnsiToAscii(bool on)
{
    m_ansiToAscii = on;
    m_ansiToAsciiInert = false;
}

void QuilloryDoc::setAnsiToAsciiFromSettings(std::uint32_t stored)
{
    m_ansiToAscii = stored != 0;
    m_ansiToAsciiInert = stored > 1;
}

void QuilloryDoc::adoptTrueBytes(std::uint8_t* block, std::int32_t length)
{
    m_storage.adoptBlock(block, length, static_cast<std::size_t>(length) + 1, length);
}

void QuilloryDoc::attachView(IDocumentView* view)
{
    if (std::find(m_views.begin(), m_views.end(), view) == m_views.end())
        m_views.push_back(view);
}

void QuilloryDoc::detachView(IDocumentView* view)
{
    m_views.erase(std::remove(m_views.begin(), m_views.end(), view), m_views.end());
}

void QuilloryDoc::setTitle(const std::string& title)
{
    m_title = title;
    if (m_host != nullptr)
        m_host->titleChanged(title);
}

void QuilloryDoc::updateAllViews()
{
    for (IDocumentView* view : m_views)
        view->onUpdate();
}

bool QuilloryDoc::onNewDocument()
{
    m_fileName[0] = '\0';
    m_storage.releaseStorage();
    m_mode = DocumentMode::Text;
    m_encoding = TextEncoding::Utf8;
    m_saved = true;
    m_storage.releaseClip();
    m_storage.releaseUndo();
    setTitle("Untitled");
    updateAllViews();
    return true;
}

bool QuilloryDoc::loadFile(const std::string& path)
{
    ReadOnlyFile file;
    if (!file.open(path)) {
        showMessageBox(m_messageBoxes, kCannotOpen, MessageIcon::Exclamation);
        return false;
    }
    // The file is read whole into a new block before anything changes, so that a refusal leaves
    // the document, and a BINARY file still shown, intact.
    beginWaitCursor();
    WholeFile whole;
    const ReadOutcome outcome =
        file.sizeIsReliable() ? readKnownSize(file, heap(), whole) : readToEnd(file, heap(), whole);
    if (outcome != ReadOutcome::Whole) {
        heap().release(whole.bytes);
        endWaitCursor();
        showMessageBox(m_messageBoxes, outcome == ReadOutcome::NoMemory ? kNotEnoughMemory : kCannotOpen,
                       MessageIcon::Exclamation);
        return false;
    }
    // The views are shown the display copy of a BINARY file.
    const bool binary = isBinary(whole.bytes, whole.length);
    if (binary)
        makeDisplayCopy(whole.bytes, whole.length);
    // Kept until the view has shown the new file: a view that cannot gets it all back.
    ReplacedDocument replaced = takeReplacedDocument();
    m_storage.adoptBlock(whole.bytes, static_cast<std::int32_t>(whole.length), whole.blockBytes);
    takePath(path);

    m_mode = binary ? DocumentMode::Binary : DocumentMode::Text;
    if (!binary)
        m_encoding = utf8::isValid(whole.bytes, whole.length) ? TextEncoding::Utf8 : TextEncoding::Windows1252;
    try {
        updateAllViews();
    } catch (const std::bad_alloc&) {
        putBack(replaced);
        endWaitCursor();
        showMessageBox(m_messageBoxes, kNotEnoughMemory, MessageIcon::Exclamation);
        return false;
    }
    replaced.storage.reset();

    if (!binary)
        m_storage.releaseStorage();
    else if (!rereadTrueBytes(file)) {
        endWaitCursor();
        showEmptyUntitled();
        showMessageBox(m_messageBoxes, kCannotOpen, MessageIcon::Exclamation);
        return false;
    }
    endWaitCursor();
    return true;
}

// The block that holds a BINARY file's display copy takes its true bytes, so the file is held
// only once. A file that changed its length since the first read would no longer match what the
// view shows: false, and the storage is empty.
bool QuilloryDoc::rereadTrueBytes(ReadOnlyFile& file)
{
    const std::int32_t length = m_storage.length();
    const auto count = static_cast<std::size_t>(length);
    HeapBlock block = m_storage.takeBlock();
    if (!file.seekToStart() || file.read(block.data(), count) != count || !file.atEnd() || file.failed())
        return false;
    const std::size_t blockBytes = block.size();
    m_storage.adoptBlock(block.release(), length, blockBytes, length);
    return true;
}

bool QuilloryDoc::loadStartupFile(const std::string& path)
{
    m_fileName[0] = '\0';
    m_storage.releaseStorage();
    m_storage.releaseUndo();
    m_saved = true;
    return loadFile(path);
}

QuilloryDoc::ReplacedDocument QuilloryDoc::takeReplacedDocument()
{
    ReplacedDocument replaced{m_folder, {}, m_title, m_mode, m_encoding, {}, m_storage.length(), m_storage.capacity()};
    std::memcpy(replaced.fileName, m_fileName, sizeof m_fileName);
    replaced.storage = m_storage.takeBlock();
    return replaced;
}

void QuilloryDoc::putBack(ReplacedDocument& replaced)
{
    m_storage.releaseStorage();
    if (replaced.storage.ok()) {
        const std::size_t storageBytes = replaced.storage.size();
        m_storage.adoptBlock(replaced.storage.release(), replaced.length, storageBytes, replaced.capacity);
    }
    m_folder = replaced.dir;
    std::memcpy(m_fileName, replaced.fileName, sizeof m_fileName);
    setTitle(replaced.title);
    m_mode = replaced.mode;
    m_encoding = replaced.encoding;
}

void QuilloryDoc::showEmptyUntitled()
{
    m_storage.releaseStorage();
    m_fileName[0] = '\0';
    m_mode = DocumentMode::Text;
    setModified(false);
    setTitle("Untitled");
    updateAllViews();
}

void QuilloryDoc::setFileNameAndDir(const std::string& given)
{
    // Kept absolute: the Split/Join dialog may change the current directory later.
    const std::string path = absolutePath(given);
    const std::size_t slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::size_t nameLength = std::min(name.size(), sizeof m_fileName - 1);
    std::memcpy(m_fileName, name.data(), nameLength);
    m_fileName[nameLength] = '\0';
    m_folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

void QuilloryDoc::takePath(const std::string& path)
{
    setFileNameAndDir(path);
    setTitle(m_fileName);
}

void QuilloryDoc::beginWaitCursor()
{
    if (m_host != nullptr)
        m_host->beginWaitCursor();
}

void QuilloryDoc::endWaitCursor()
{
    if (m_host != nullptr)
        m_host->endWaitCursor();
}

CharRange QuilloryDoc::controlSelection() const
{
    return m_control != nullptr ? m_control->selection() : CharRange{};
}

void QuilloryDoc::emptyControlUndo()
{
    if (m_control != nullptr)
        m_control->emptyUndoBuffer();
}

bool QuilloryDoc::deleteBytes(bool backward)
{
    const CharRange sel = controlSelection();
    if (!m_storage.wouldDelete(sel, backward))
        return false;
    emptyControlUndo();
    m_storage.deleteAt(sel, backward);
    return true;
}

bool QuilloryDoc::insertByte(std::uint8_t b)
{
    const CharRange sel = controlSelection();
    emptyControlUndo();
    return m_storage.insertAt(sel, b);
}

bool QuilloryDoc::overwriteByte(std::uint8_t b)
{
    emptyControlUndo();
    return m_storage.overwriteAt(controlSelection(), b);
}

void QuilloryDoc::copyBytes()
{
    m_storage.copyAt(controlSelection());
}

bool QuilloryDoc::pasteBytes()
{
    if (!m_storage.hasClip())
        return false;
    emptyControlUndo();
    return m_storage.pasteAt(controlSelection());
}

bool QuilloryDoc::undoBytes()
{
    return m_storage.undo();
}

}  // namespace quillory
