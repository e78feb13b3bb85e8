// Loading a file into the document: Open's second half, the start-up load and LoadFile itself.
// The file is read, classified and (BINARY) given its display copy as long work, before anything
// of the document changes; a cancelled load leaves the document as it was.
#include <cstring>
#include <new>

#include "base/Paths.h"
#include "document/QuilloryDoc.h"
#include "document/ReadOnlyFile.h"

namespace quillory {

namespace {

constexpr const char* kCannotOpen = "Cannot Open or Read Selected File!";
constexpr const char* kNotEnoughMemory = "Not enough memory!";

}  // namespace

std::optional<LoadedFile> QuilloryDoc::readForLoad(const std::string& path, const char*& failure)
{
    failure = kCannotOpen;
    ReadOnlyFile file;
    if (!file.open(path))
        return std::nullopt;
    LoadedFile loaded;
    LoadOutcome outcome = LoadOutcome::Cancelled;
    beginWaitCursor();
    const bool ran = runLongWork(longWork(), file.size(), "Opening " + fileNameOf(path), [&](WorkProgress& progress) {
        outcome = readFileForLoad(file, heap(), progress, loaded);
    });
    endWaitCursor();
    if (!ran || outcome == LoadOutcome::Cancelled) {
        failure = nullptr;
        return std::nullopt;
    }
    if (outcome != LoadOutcome::Read) {
        failure = outcome == LoadOutcome::NoMemory ? kNotEnoughMemory : kCannotOpen;
        return std::nullopt;
    }
    return loaded;
}

bool QuilloryDoc::showLoaded(LoadedFile& loaded, const std::string& path)
{
    // Kept until the view has shown the new file: a view that cannot gets it all back.
    ReplacedDocument replaced = takeReplacedDocument();
    const auto length = static_cast<std::int32_t>(loaded.length);
    const std::size_t blockBytes = loaded.bytes.size();
    // A TEXT file's block goes to the view; a BINARY file's true bytes stay, and the view takes
    // their display copy.
    const auto offset = static_cast<std::int32_t>(loaded.offset);
    m_storage.adoptBlock(loaded.bytes.release(), length, blockBytes, loaded.binary ? offset + length : 0, offset);
    m_displayBlock = std::move(loaded.display);
    m_displayOffset = loaded.offset;
    takePath(path);
    m_mode = loaded.binary ? DocumentMode::Binary : DocumentMode::Text;
    if (!loaded.binary)
        m_encoding = loaded.encoding;
    beginWaitCursor();
    try {
        updateAllViews();
    } catch (const std::bad_alloc&) {
        m_displayBlock.reset();
        putBack(replaced);
        endWaitCursor();
        showMessageBox(m_messageBoxes, kNotEnoughMemory, MessageIcon::Exclamation);
        return false;
    }
    endWaitCursor();
    m_displayBlock.reset();
    if (!loaded.binary)
        m_storage.releaseStorage();
    return true;
}

bool QuilloryDoc::loadFile(const std::string& path)
{
    const char* failure = nullptr;
    std::optional<LoadedFile> loaded = readForLoad(path, failure);
    if (!loaded) {
        if (failure != nullptr)
            showMessageBox(m_messageBoxes, failure, MessageIcon::Exclamation);
        return false;
    }
    return showLoaded(*loaded, path);
}

bool QuilloryDoc::loadStartupFile(const std::string& path)
{
    m_fileName[0] = '\0';
    m_storage.releaseStorage();
    m_storage.releaseUndo();
    m_saved = true;
    const char* failure = nullptr;
    std::optional<LoadedFile> loaded = readForLoad(path, failure);
    if (loaded)
        return showLoaded(*loaded, path);
    // A start-up load the user cancelled leaves an empty window.
    if (failure == nullptr)
        return onNewDocument();
    showMessageBox(m_messageBoxes, failure, MessageIcon::Exclamation);
    return false;
}

void QuilloryDoc::loadChosenFile(const std::string& path)
{
    const char* failure = nullptr;
    std::optional<LoadedFile> loaded;
    if (!path.empty()) {
        loaded = readForLoad(path, failure);
        // Cancelled: the document stays as it was, undo record and all.
        if (!loaded && failure == nullptr)
            return;
    }
    // A BINARY document is left before the new file is shown, so that a failed load never leaves
    // a BINARY display without its storage.
    if (m_storage.bytes() != nullptr || m_storage.capacity() > 0)
        showEmptyUntitled();
    m_storage.releaseUndo();
    if (loaded)
        showLoaded(*loaded, path);
    else if (failure != nullptr)
        showMessageBox(m_messageBoxes, failure, MessageIcon::Exclamation);
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

}  // namespace quillory
