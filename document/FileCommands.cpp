// The document's File commands: New, Open, Save, Save As, the save-modified question, the
// ANSI-to-ASCII option and giving back the storage's slack.
#include <span>

#include "document/OemConversion.h"
#include "document/QuilloryDoc.h"
#include "base/Paths.h"
#include "base/SafeFileWriter.h"
#include "base/CodePages.h"

namespace quillory {

namespace {

constexpr const char* kSaveModifiedQuestion = "Save modified document?";
constexpr const char* kUnableToSaveToDefaultFile =
    "Unable to save to default file!\nPlease check and make sure the file exists, or it's not currently "
    "used by another application. If this is a new document, then use the \"Save As...\" command.";
constexpr const char* kNotEnoughMemory = "Not enough memory!";
constexpr const char* kNoMemoryForWholeDocument =
    "Not enough memory to hold the entire document.\nSaving process aborted.";
constexpr const char* kErrorSavingToSelectedFile =
    "Error in saving to selected file!\nPlease make sure file exists and is not in used by another application.";

}  // namespace

bool QuilloryDoc::isModified() const
{
    return m_control != nullptr && m_control->isModified();
}

void QuilloryDoc::setModified(bool modified)
{
    if (m_control != nullptr)
        m_control->setModified(modified);
}

void QuilloryDoc::focusView()
{
    if (m_control != nullptr)
        m_control->takeFocus();
}

bool QuilloryDoc::promptSaveModified()
{
    if (!isModified())
        return true;
    m_saved = false;
    switch (showMessageBox(m_messageBoxes, kSaveModifiedQuestion, MessageIcon::Question, MessageButtons::YesNoCancel)) {
    case MessageResult::Yes: onFileSave(); return m_saved;
    case MessageResult::No:
        if (m_changesListener != nullptr)
            m_changesListener->changesGivenUp();
        return true;
    default: return false;
    }
}

void QuilloryDoc::onFileNew()
{
    if (!promptSaveModified()) {
        focusView();
        return;
    }
    m_storage.releaseStorage();
    m_storage.releaseUndo();
    onNewDocument();
}

void QuilloryDoc::onFileOpen()
{
    if (!promptSaveModified()) {
        focusView();
        return;
    }
    if (m_fileDialogs == nullptr)
        return;
    const std::optional<std::string> path =
        m_fileDialogs->choose({FileDialogRequest::Kind::Open, m_folder, "", kFileDialogFilter});
    if (path)
        loadChosenFile(*path);
}

void QuilloryDoc::openFile(const std::string& path)
{
    if (!promptSaveModified()) {
        focusView();
        return;
    }
    loadChosenFile(path);
}

// A block for the control's whole text (length + 1 bytes), which the save fills as it writes, and
// the caret at the former start of the selection. Nothing when the block cannot be allocated.
std::uint8_t* QuilloryDoc::takeText(std::int64_t& length)
{
    length = m_control != nullptr ? m_control->textLength() : 0;
    auto* text = static_cast<std::uint8_t*>(heap().allocPlain(static_cast<std::size_t>(length) + 1));
    if (text == nullptr)
        return nullptr;
    text[0] = 0;
    if (m_control != nullptr) {
        const CharRange selection = m_control->selection();
        m_control->select({selection.start, selection.start});
    }
    return text;
}

// Fills the taken block with the control's text (converted to OEM when the option is on); returns
// the bytes to write. Runs on the thread of long work, while the control stays as it is.
std::span<const std::uint8_t> QuilloryDoc::fillText(std::uint8_t* text, std::int64_t textLength) const
{
    if (m_control != nullptr)
        m_control->copyText(text);
    text[textLength] = 0;
    auto length = static_cast<std::size_t>(textLength);
    if (convertsToOem() && m_encoding == TextEncoding::Utf8)
        length = utf8ToOemBuffer(text, length);
    else if (convertsToOem())
        charToOemBuffer(text, length);
    return {text, length};
}

// Writes the document to path as long work: TEXT from the taken block, BINARY from the storage. On
// success the document counts as saved; a cancelled save leaves the file as it was.
QuilloryDoc::SaveResult QuilloryDoc::saveTo(const std::string& path, std::uint8_t* text, std::int64_t textLength)
{
    const bool textMode = m_mode == DocumentMode::Text;
    const bool converted = textMode && convertsToOem();
    std::span<const std::uint8_t> content;
    if (!textMode)
        content = {m_storage.bytes(), static_cast<std::size_t>(m_storage.length())};
    bool written = false;
    beginWaitCursor();
    const std::int64_t size = textMode ? textLength : m_storage.length();
    const bool completed = runLongWork(longWork(), size, "Saving " + fileNameOf(path), [&](WorkProgress& progress) {
        if (textMode)
            content = fillText(text, textLength);
        written = writeFileReplacing(path, content, {}, &progress);
    });
    endWaitCursor();
    // A Cancel that came once the file was written is too late: the file is the document now.
    if (!written)
        return completed ? SaveResult::Failed : SaveResult::Cancelled;
    setModified(false);
    m_saved = true;
    if (m_changesListener != nullptr)
        m_changesListener->documentSaved(path, !converted);
    return SaveResult::Saved;
}

void QuilloryDoc::onFileSave()
{
    const std::string path = currentPath();
    if (path.empty()) {
        onFileSaveAs();
        focusView();
        return;
    }
    std::int64_t textLength = 0;
    std::uint8_t* text = nullptr;
    if (m_mode == DocumentMode::Text && (text = takeText(textLength)) == nullptr) {
        showMessageBox(m_messageBoxes, kNotEnoughMemory, MessageIcon::Stop);
        return;
    }
    // Save writes only over an existing regular file it may write. A pipe or device that has
    // taken the file's place is refused without waiting on it; a missing or read-only file (or the
    // folder an untitled document's path names) is a case for Save As.
    const ExistingFile target = probeExistingFile(path);
    if (target != ExistingFile::Writable) {
        heap().release(text);
        if (target == ExistingFile::NotRegular) {
            showMessageBox(m_messageBoxes, kErrorSavingToSelectedFile, MessageIcon::Stop);
        } else {
            showMessageBox(m_messageBoxes, kUnableToSaveToDefaultFile, MessageIcon::Stop);
            onFileSaveAs();
        }
        focusView();
        return;
    }
    if (saveTo(path, text, textLength) == SaveResult::Failed)
        showMessageBox(m_messageBoxes, kErrorSavingToSelectedFile, MessageIcon::Stop);
    heap().release(text);
    focusView();
}

void QuilloryDoc::onFileSaveAs()
{
    std::optional<std::string> path;
    if (m_fileDialogs != nullptr)
        path = m_fileDialogs->choose({FileDialogRequest::Kind::Save, m_folder, m_fileName, kFileDialogFilter});
    if (!path || path->empty()) {
        focusView();
        return;
    }
    std::int64_t textLength = 0;
    std::uint8_t* text = nullptr;
    if (m_mode == DocumentMode::Text && (text = takeText(textLength)) == nullptr) {
        showMessageBox(m_messageBoxes, kNoMemoryForWholeDocument, MessageIcon::Stop);
        return;
    }
    const SaveResult result = saveTo(*path, text, textLength);
    if (result == SaveResult::Saved)
        takePath(*path);
    else if (result == SaveResult::Failed)
        showMessageBox(m_messageBoxes, kErrorSavingToSelectedFile, MessageIcon::Stop);
    heap().release(text);
    focusView();
}

bool QuilloryDoc::saveModified()
{
    if (!promptSaveModified()) {
        focusView();
        return false;
    }
    return true;
}

void QuilloryDoc::onCloseDocument()
{
    m_storage.releaseStorage();
    m_storage.releaseClip();
    m_storage.releaseUndo();
}

void QuilloryDoc::onFreeStorage()
{
    if (m_storage.capacity() > m_storage.length())
        m_storage.freeSlack();
}

}  // namespace quillory
