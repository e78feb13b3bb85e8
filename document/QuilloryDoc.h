#pragma once
// The single document: file name and directory, TEXT/BINARY mode, the byte storage with its private
// clipboard and undo record, the insert mode and the ANSI-to-ASCII save option. The text itself
// lives in the view's control; in BINARY mode the storage holds the true bytes position for position.

#include <cstdint>
#include <string>
#include <vector>

#include "document/ByteStorage.h"
#include "document/DocumentInterfaces.h"
#include "base/FileDialogs.h"
#include "editcore/TextEncoding.h"
#include "base/MessageBox.h"

namespace quillory {

class CQuilloryDoc : public ByteStorage {
public:
    // Spare bytes after a loaded file's terminating 0: a view that takes over a TEXT document's
    // block finds room for its first edits there instead of reallocating the whole file.
    static constexpr std::size_t kHandOverSlack = 64 * 1024;

    explicit CQuilloryDoc(IMessageBoxes& messageBoxes, IByteHeap& heap = cHeap());

    // Collaborators; none of them is owned.
    void attachView(IDocumentView* view);
    void detachView(IDocumentView* view);
    void setControl(IDocumentControl* control) { m_control = control; }
    void setHost(IDocumentHost* host) { m_host = host; }
    void setFileDialogs(IFileDialogs* dialogs) { m_fileDialogs = dialogs; }
    IMessageBoxes& messageBoxes() const { return m_messageBoxes; }

    std::string m_strDir;          // absolute directory of the current file with its trailing '/', or empty
    char m_szFileName[256] = {};   // file name without directory; empty when untitled
    std::int32_t m_bText = 1;      // 1 TEXT, 0 BINARY
    std::int32_t m_bSaved = 1;     // 1 after a save succeeded
    std::int32_t m_bInsert = 1;    // 1 insert ("INS"), 0 overwrite ("OVR")
    std::int32_t m_bAnsiToAscii = 0;  // 1: TEXT is converted to OEM when saved
    // How a TEXT document's bytes read: UTF-8 for a new document and a file that is valid UTF-8,
    // Windows-1252 for any other. It never changes a byte. (A BINARY document shows Windows-1252.)
    TextEncoding m_encoding = TextEncoding::Utf8;

    const std::string& GetTitle() const { return m_strTitle; }
    void SetTitle(const std::string& title);
    void UpdateAllViews();

    // Resets to an empty, untitled TEXT document.
    bool OnNewDocument();
    // Loads a file whole: classifies it, shows its display copy and keeps its true bytes when
    // BINARY. A failure is reported, leaves the document as it was and returns false.
    bool LoadFile(const std::string& path);

    // Storage edits at the control's current selection, made before the control makes the same edit.
    // Each empties the control's undo buffer first, so the control's undo and the storage's record
    // always describe the same edit.
    bool DeleteBytes(int backward);  // false when there is nothing to remove (undo records untouched)
    bool InsertByte(std::uint8_t b);
    bool OverwriteByte(std::uint8_t b);
    void CopyBytes();
    bool PasteBytes();
    bool UndoBytes();

    // File commands. Each that could lose changes asks first; a cancelled question or a failed
    // save cancels the command.
    void OnFileNew();
    void OnFileOpen();
    // Opens `path` as Open does once its dialog has chosen it (a file dropped on the window).
    void OpenFile(const std::string& path);
    void OnFileSave();
    void OnFileSaveAs();
    void OnAnsiToAscii() { m_bAnsiToAscii = m_bAnsiToAscii ? 0 : 1; }
    void OnFreeStorage();  // gives the storage's slack back
    // Asks whether to save a modified document: true lets the caller go on.
    bool PromptSaveModified();
    // The main window wants to close: true lets it.
    bool SaveModified();
    // The main window is closing for good: the blocks go.
    void OnCloseDocument();

    // Changed since the last load, New or save (the control keeps the flag).
    bool IsModified() const;
    void SetModifiedFlag(bool modified);

private:
    CharRange controlSelection() const;
    void emptyControlUndo();
    void setFileNameAndDir(const std::string& path);
    // Leaves whatever was shown for an empty untitled TEXT document (the private clipboard stays).
    void showEmptyUntitled();
    std::string currentPath() const { return m_strDir + m_szFileName; }
    std::uint8_t* takeText(std::int64_t& length);
    bool writeDocument(const std::string& path);
    bool saveTo(const std::string& path, std::uint8_t* text, std::int64_t textLength);
    void focusView();
    // Open's second half: leaves BINARY mode, drops the undo record, loads `path` (empty: nothing).
    void loadChosenFile(const std::string& path);
    void beginWaitCursor();
    void endWaitCursor();

    IMessageBoxes& m_messageBoxes;
    IDocumentControl* m_control = nullptr;
    IDocumentHost* m_host = nullptr;
    IFileDialogs* m_fileDialogs = nullptr;
    std::vector<IDocumentView*> m_views;
    std::string m_strTitle = "Untitled";
};

}  // namespace quillory
