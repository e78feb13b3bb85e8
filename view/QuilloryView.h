#pragma once
// The editing surface: the edit control in the main window. It shows the document, keeps the
// status panes for font, mode and insert/overwrite, and in BINARY mode mirrors every edit into the
// document's byte storage before the control makes it, so that display and storage never disagree.

#include <QPointer>
#include <QWidget>
#include <memory>
#include <string>

#include "commands/CommandRouter.h"
#include "document/QuilloryDoc.h"
#include "editcontrol/EditControl.h"
#include "base/HeapBlock.h"
#include "view/ControlDocumentAdapter.h"
#include "view/ViewServices.h"

namespace quillory {

class HelpWindow;

class QuilloryView : public QWidget, public IDocumentView {
    Q_OBJECT
public:
    // Creates the control with the default appearance. commandLine is the file named on the
    // command line (empty: none); the first update loads it.
    QuilloryView(QuilloryDoc& document, ViewServices services, std::string commandLine, QWidget* parent = nullptr);
    ~QuilloryView() override;

    QuilloryDoc& document() const { return m_document; }
    EditControl& control() const { return *m_control; }
    // Handlers and update rules of the view's commands, for the router's view level.
    CommandTarget& commands() { return m_commands; }

    // The first update: loads the command-line file if there is one. False when that load failed.
    bool onInitialUpdate();
    void onUpdate() override;

    // Keyboard and clipboard editing; true from the hooks consumes the key or character.
    bool onKeyDown(const KeyDown& key);
    bool onChar(char32_t c);
    void onEditDelete();
    void onEditCopy();
    void onEditCut();
    void onEditPaste();
    void onEditUndo();
    void onFreeClipboard();
    void onFreeUndoBuffer();

    // Appearance
    void onWordWrap();
    void onSelectFonts();
    void onFontColor();
    void onBackgroundColor();
    void onHelpContents();
    // The control's default character format as the view knows it (what the font pane names).
    const CharFormat& characterFormat() const { return m_charFormat; }
    void setCharacterFormat(const CharFormat& format);
    // The view's format becomes the control's own, as the font and colour commands left it.
    void takeCharacterFormatFromControl() { m_charFormat = m_control->defaultCharFormat(); }
    ColorRef backgroundColor() const { return m_background; }
    void setBackgroundColor(ColorRef color);
    bool wordWrap() const { return m_wordWrap; }
    void setWordWrap(bool on);
    // View > Encoding: reads the TEXT document's same bytes as UTF-8 or Windows-1252.
    void onEncoding(TextEncoding encoding);

    void onEditSelectAll();
    // Whether the document is BINARY (its bytes live in the storage, the control shows a copy).
    bool isBinary() const { return m_document.mode() == DocumentMode::Binary; }
    void beep() const;

    // A document from memory (a retrieved one).
    // Whether the editor holds no text and no change: a document from memory may replace it.
    bool isEmptyAndUnmodified() const;
    // How showing a document from memory went; a refusal changed nothing.
    enum class MemoryDocument { Shown, NoMemoryForBinary, NoMemory };
    // Shows the length bytes of block as a new untitled document, TEXT or BINARY by the usual rule,
    // taking the block over; refused, the block is still the caller's, with the same bytes.
    MemoryDocument showDocumentFromMemory(HeapBlock& block, std::int32_t length);
    // Shows the length bytes of block as a recovered document in the mode and encoding it had,
    // modified and untitled (the caller names it), taking the block over (a refusal leaves it the
    // caller's). A BINARY document holds at most 2^31 - 1 bytes.
    MemoryDocument showRecoveredDocument(HeapBlock& block, std::int64_t length, DocumentMode mode,
                                         TextEncoding encoding);
    // Whether a new document's text is being put into the control (a load, New, a document from
    // memory): the control's changes meanwhile are no edits.
    bool isShowingDocument() const { return m_showingDocument; }
    void takeFocus() { m_control->takeFocus(); }
    // Runs work over `bytes` bytes of the document as long work (see runLongWork): with a progress
    // window and Cancel when it takes long. False when the user cancelled it.
    bool runLongWork(std::int64_t bytes, const std::string& title, const std::function<void(WorkProgress&)>& work);
    ILongWork& longWork() const { return m_services.longWork != nullptr ? *m_services.longWork : workInPlace(); }
    // A pane of a feature, put beside the control on its left.
    void addSidePane(QWidget* pane);

    // Puts the true byte b at the control's selection in a BINARY document: in the storage first,
    // then in the control as its display byte, as one undoable edit of both. overwrite replaces
    // the byte at the caret when nothing is selected. False (after saying so) when the storage
    // cannot grow.
    bool typeTrueByte(std::uint8_t b, bool overwrite);

signals:
    // A document's text (and perhaps its mode) is about to be shown, and then is: after a load, New
    // or a download.
    void documentAboutToShow();
    void documentShown();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void registerCommands();
    void setPane(StatusPane pane, const QString& text) const;
    void showFontPane() const;
    void showOutOfMemory() const;
    // Replaces the control's selection by bytes as one undoable edit (the storage already holds
    // the true bytes at the same place).
    void replaceSelectionMirrored(std::string_view displayBytes);
    // Selects the character at the caret when nothing is selected and the caret is not at the
    // end, as overwriting a character replaces it.
    void selectCharacterToOverwrite();
    // Shows the document's encoding in the control and in the encoding pane (empty in BINARY mode).
    void showEncoding();
    // Shows block as a new untitled document in the given mode and encoding.
    MemoryDocument showBytes(HeapBlock& block, std::int64_t length, bool binary, TextEncoding encoding);

    CharFormat m_charFormat;                // the view's copy of the control's character format
    CharRange m_deleteSelection;            // the selection as the Delete command read it
    bool m_wordWrap = true;                 // lines wrap at the window border
    bool m_commandLineFilePending = false;  // the command-line file waits for the first update
    bool m_showingDocument = false;         // see isShowingDocument()
    ColorRef m_background = 0;              // background colour of the control
    QuilloryDoc& m_document;
    ViewServices m_services;
    std::unique_ptr<IClipboard> m_ownClipboard;  // the system clipboard when none was given
    IClipboard* m_clipboard;                     // what Copy, Cut, Paste and Free clipboard use
    std::string m_commandLine;                   // the file to load at the first update
    EditControl* m_control;                      // child; fills the view
    ControlDocumentAdapter m_documentControl;    // m_control as the document drives it
    CommandTarget m_commands;                    // the view's level of the command route
    QPointer<HelpWindow> m_helpWindow;           // modeless help, made on first use
};

// The system's window colour as a COLORREF.
ColorRef systemWindowColor();

}  // namespace quillory
