#pragma once
// The single document: file name and directory, TEXT/BINARY mode, the byte storage with its private
// clipboard and undo record, the insert mode and the ANSI-to-ASCII save option. The text itself
// lives in the view's control; in BINARY mode the storage holds the true bytes position for position.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "base/HeapBlock.h"
#include "base/LongWork.h"
#include "document/ByteStorage.h"
#include "document/FileLoader.h"
#include "document/DocumentInterfaces.h"
#include "document/DocumentMode.h"
#include "base/FileDialogs.h"
#include "editcore/TextEncoding.h"
#include "base/MessageBox.h"

namespace quillory {

class QuilloryDoc {
public:
    // Spare bytes after a loaded file's terminating 0: a view that takes over a TEXT document's
    // block finds room for its first edits there instead of reallocating the whole file.
    static constexpr std::size_t kHandOverSlack = quillory::kHandOverSlack;

    explicit QuilloryDoc(IMessageBoxes& messageBoxes, IByteHeap& heap = cHeap());

    // Collaborators; none of them is owned.
    void attachView(IDocumentView* view);
    void detachView(IDocumentView* view);
    void setControl(IDocumentControl* control) { m_control = control; }
    void setHost(IDocumentHost* host) { m_host = host; }
    void setFileDialogs(IFileDialogs* dialogs) { m_fileDialogs = dialogs; }
    void setChangesListener(IDocumentChanges* listener) { m_changesListener = listener; }
    // Runs the long work of loading and saving (null: on the caller's thread, with nothing shown).
    void setLongWork(ILongWork* longWork) { m_longWork = longWork; }
    ILongWork& longWork() const { return m_longWork != nullptr ? *m_longWork : workInPlace(); }
    IMessageBoxes& messageBoxes() const { return m_messageBoxes; }

    // The current file's folder, absolute with its trailing '/', or empty; where the file dialogs
    // open.
    const std::string& folder() const { return m_folder; }
    void setFolder(std::string folder) { m_folder = std::move(folder); }
    // The file name without its folder; empty when untitled.
    const char* fileName() const { return m_fileName; }
    void clearFileName() { m_fileName[0] = '\0'; }
    // The document now stands for the file at path (absolute): its name, folder and title.
    void takePath(const std::string& path);
    // How a TEXT document's bytes read: UTF-8 for a new document and a file that is valid UTF-8,
    // Windows-1252 for any other. It never changes a byte. (A BINARY document shows Windows-1252.)
    TextEncoding encoding() const { return m_encoding; }
    void setEncoding(TextEncoding encoding) { m_encoding = encoding; }

    DocumentMode mode() const { return m_mode; }
    void setMode(DocumentMode mode) { m_mode = mode; }
    // Typed bytes are inserted ("INS") or overwrite the byte after the caret ("OVR").
    bool insertMode() const { return m_insertMode; }
    void setInsertMode(bool insert) { m_insertMode = insert; }
    // The last save asked for succeeded.
    bool saved() const { return m_saved; }

    // The ANSI-to-ASCII option: a TEXT document is converted to OEM when saved.
    bool ansiToAscii() const { return m_ansiToAscii; }
    void setAnsiToAscii(bool on);
    // The option as a settings file stores it. Any value but 0 turns it on, yet a value other than
    // 1 converts nothing until the option is toggled.
    void setAnsiToAsciiFromSettings(std::uint32_t stored);

    // The byte storage, to read: the true bytes of a BINARY document, or none.
    const ByteStorage& storage() const { return m_storage; }
    IByteHeap& heap() const { return m_storage.heap(); }
    // Hands a TEXT document's block to the view that shows it; the storage is then empty.
    HeapBlock takeBlock() { return m_storage.takeBlock(); }
    // The same, the bytes left where they lie: they start at offset (the room before them is the
    // control's first gap).
    HeapBlock takeBlock(std::int32_t& offset) { return m_storage.takeBlock(offset); }
    // While a loaded BINARY file is shown: its display copy (the storage's length() bytes at
    // offset, then a 0), made beside the true bytes for the view to take over. Empty otherwise.
    bool hasDisplayBlock() const { return m_displayBlock.ok(); }
    HeapBlock takeDisplayBlock(std::size_t& offset)
    {
        offset = m_displayOffset;
        return std::move(m_displayBlock);
    }
    // Takes over a block of length bytes and a 0, from heap(), as a BINARY document's true bytes.
    void adoptTrueBytes(std::uint8_t* block, std::int32_t length);
    void releaseStorage() { m_storage.releaseStorage(); }
    // The private clipboard of a BINARY document (true bytes of the last Copy or Cut).
    bool hasPrivateClip() const { return m_storage.hasClip(); }
    std::span<const std::uint8_t> privateClip() const { return m_storage.clip(); }
    void releaseClip() { m_storage.releaseClip(); }
    // UndoBytes has an edit of the storage to undo.
    bool canUndoBytes() const { return m_storage.hasUndo(); }
    void releaseUndo() { m_storage.releaseUndo(); }

    const std::string& title() const { return m_title; }
    void setTitle(const std::string& title);
    void updateAllViews();

    // Resets to an empty, untitled TEXT document.
    bool onNewDocument();
    // Loads a file whole: classifies it, shows its display copy and keeps its true bytes when
    // BINARY. A failure is reported, leaves the document as it was and returns false; so does a
    // load the user cancelled, without a word.
    bool loadFile(const std::string& path);
    // The start-up load of the command line's file: the document forgets its file, storage and
    // undo record first. Cancelled, it leaves an empty untitled document (and returns true).
    bool loadStartupFile(const std::string& path);

    // Storage edits at the control's current selection, made before the control makes the same edit.
    // Each empties the control's undo buffer first, so the control's undo and the storage's record
    // always describe the same edit.
    bool deleteBytes(bool backward);  // false when there is nothing to remove (undo records untouched)
    bool insertByte(std::uint8_t b);
    bool overwriteByte(std::uint8_t b);
    void copyBytes();
    bool pasteBytes();
    bool undoBytes();

    // File commands. Each that could lose changes asks first; a cancelled question or a failed
    // save cancels the command.
    void onFileNew();
    void onFileOpen();
    // Opens `path` as Open does once its dialog has chosen it (a file dropped on the window).
    void openFile(const std::string& path);
    void onFileSave();
    void onFileSaveAs();
    void onAnsiToAscii() { setAnsiToAscii(!m_ansiToAscii); }
    void onFreeStorage();  // gives the storage's slack back
    // Asks whether to save a modified document: true lets the caller go on.
    bool promptSaveModified();
    // The main window wants to close: true lets it.
    bool saveModified();
    // The main window is closing for good: the blocks go.
    void onCloseDocument();

    // Changed since the last load, New or save (the control keeps the flag).
    bool isModified() const;
    void setModified(bool modified);

private:
    CharRange controlSelection() const;
    void emptyControlUndo();
    void setFileNameAndDir(const std::string& path);
    // Leaves whatever was shown for an empty untitled TEXT document (the private clipboard stays).
    void showEmptyUntitled();
    // What a load replaces: taken out of the document, and put back when the view cannot show
    // the new file. The storage block is owned by whoever holds it.
    struct ReplacedDocument {
        std::string dir;
        char fileName[256];
        std::string title;
        DocumentMode mode;
        TextEncoding encoding;
        HeapBlock storage;
        std::int32_t length;
        std::int32_t capacity;
    };
    ReplacedDocument takeReplacedDocument();
    void putBack(ReplacedDocument& replaced);
    // Reads path for a load as long work; nothing of the document changes. Empty when the read
    // failed (failure is the message to show) or was cancelled (failure is null).
    std::optional<LoadedFile> readForLoad(const std::string& path, const char*& failure);
    // The document takes what was read over and the views show it; false (after saying so) when
    // the view lacked the memory, and the document is as it was.
    bool showLoaded(LoadedFile& loaded, const std::string& path);
    // Whether a TEXT save converts to OEM.
    bool convertsToOem() const { return m_ansiToAscii && !m_ansiToAsciiInert; }
    std::string currentPath() const { return m_folder + m_fileName; }
    std::uint8_t* takeText(std::int64_t& length);
    std::span<const std::uint8_t> fillText(std::uint8_t* text, std::int64_t textLength) const;
    enum class SaveResult { Saved, Failed, Cancelled };
    SaveResult saveTo(const std::string& path, std::uint8_t* text, std::int64_t textLength);
    void focusView();
    // Open's second half: reads `path` (empty: nothing), then leaves BINARY mode, drops the undo
    // record and shows it. A cancelled read changes nothing.
    void loadChosenFile(const std::string& path);
    void beginWaitCursor();
    void endWaitCursor();

    ByteStorage m_storage;
    DocumentMode m_mode = DocumentMode::Text;
    bool m_saved = true;
    bool m_insertMode = true;
    bool m_ansiToAscii = false;
    bool m_ansiToAsciiInert = false;  // on from a settings value other than 1: nothing is converted
    IMessageBoxes& m_messageBoxes;
    IDocumentControl* m_control = nullptr;
    IDocumentHost* m_host = nullptr;
    IFileDialogs* m_fileDialogs = nullptr;
    IDocumentChanges* m_changesListener = nullptr;
    ILongWork* m_longWork = nullptr;
    HeapBlock m_displayBlock;         // see takeDisplayBlock()
    std::size_t m_displayOffset = 0;  // where its bytes start
    std::vector<IDocumentView*> m_views;
    std::string m_title = "Untitled";
    std::string m_folder;       // see folder()
    char m_fileName[256] = {};  // see fileName()
    TextEncoding m_encoding = TextEncoding::Utf8;
};

}  // namespace quillory
