#pragma once
// The editing surface: the edit control in the main window. It shows the document, keeps the
// status panes for font, mode and insert/overwrite, and in BINARY mode mirrors every edit into the
// document's byte storage before the control makes it, so that display and storage never disagree.

#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <memory>
#include <string>

#include "commands/CommandRouter.h"
#include "document/QuilloryDoc.h"
#include "editcontrol/EditControl.h"
#include "editcontrol/PrintLayout.h"
#include "base/HeapBlock.h"
#include "settings/SettingsRecord.h"
#include "dialogs/FindReplaceDialog.h"
#include "view/ControlDocumentAdapter.h"
#include "view/ViewServices.h"

namespace quillory {

class CGotoDlg;
class HelpWindow;

class CQuilloryView : public QWidget, public IDocumentView {
    Q_OBJECT
public:
    // Creates the control, reads the settings file at settingsPath and applies it. commandLine is
    // the file named on the command line (empty: none); the first update loads it.
    CQuilloryView(CQuilloryDoc& document, ViewServices services, std::string settingsPath,
                  std::string commandLine, QWidget* parent = nullptr);
    ~CQuilloryView() override;

    CQuilloryDoc& GetDocument() const { return m_document; }
    EditControl& GetRichEditCtrl() const { return *m_control; }
    // Handlers and update rules of the view's commands, for the router's view level.
    CommandTarget& commands() { return m_commands; }

    // The first update: loads the command-line file if there is one. False when that load failed.
    bool OnInitialUpdate();
    void OnUpdate() override;

    // Keyboard and clipboard editing; true from the hooks consumes the key or character.
    bool OnKeyDown(const KeyDown& key);
    bool OnChar(char32_t c);
    void OnEditDelete();
    void OnEditCopy();
    void OnEditCut();
    void OnEditPaste();
    void OnEditUndo();
    void OnFreeClipboard();
    void OnFreeUndoBuffer();

    // Appearance
    void OnWordWrap();
    void OnSelectFonts();
    void OnFontColor();
    void OnBackgroundColor();
    void OnHelpContents();
    // View > Encoding: reads the TEXT document's same bytes as UTF-8 or Windows-1252.
    void OnEncoding(TextEncoding encoding);

    // Commands the framework's rich edit view served
    void OnEditSelectAll();
    void OnEditFind();
    void OnEditFindNext();
    void OnEditReplace();
    void OnFilePrint();
    void OnFilePrintPreview();
    FindReplaceDialog* findReplaceDialog() const { return m_findDialog; }

    // Tools
    void OnFileStat();
    void OnGoto();
    void OnGotoGo();
    void OnGotoClose();
    void OnStripHtmlTags();
    void OnInsertFile();
    void OnFileWipe();
    CGotoDlg* gotoDialog() const { return m_pGotoDlg.get(); }

    // A document from memory (a retrieved one).
    // Whether the editor holds no text and no change: a document from memory may replace it.
    bool isEmptyAndUnmodified() const;
    // How showing a document from memory went; a refusal changed nothing.
    enum class MemoryDocument { Shown, NoMemoryForBinary, NoMemory };
    // Shows the length bytes of block as a new untitled document, TEXT or BINARY by the usual rule,
    // taking the block over; refused, the block is still the caller's, with the same bytes.
    MemoryDocument showDocumentFromMemory(HeapBlock& block, std::int32_t length);
    void takeFocus() { m_control->SetFocus(); }

    // Dialogs: Split/Join runs modally; Startup Options rewrites the settings file after "OK - Save".
    void OnSplitJoin();
    void OnStartupOptions();

    CharFormatA m_cf;                 // the view's copy of the control's character format
    CharRange m_selDelete;            // the selection as the Delete command read it
    SettingsRecord m_settings;        // image of the settings record
    bool m_bSettingsDamaged = false;  // the start-up read found the settings file damaged
    std::int32_t m_bWordWrap = 1;     // 1 wrap at the window border, 0 no wrap
    std::int32_t m_bCmdLineFile = 0;  // 1 while the command-line file waits for the first update
    ColorRef m_crBackground = 0;      // background colour of the control
    std::string m_strSettingsPath;    // full path of the settings file
    MarginsTwips m_rectMargin;        // print margins

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;

private:
    bool isBinary() const { return m_document.mode() == DocumentMode::Binary; }
    void ReadSettings();
    // The screens' rectangles, for the check of a stored window rectangle.
    static std::vector<WindowRect> screenRects();
    void registerCommands();
    void setPane(int pane, const QString& text) const;
    void showFontPane() const;
    void showOutOfMemory() const;
    // Replaces the control's selection by bytes as one undoable edit (the storage already holds
    // the true bytes at the same place).
    void replaceSelectionMirrored(std::string_view displayBytes);
    // Selects the character at the caret when nothing is selected and the caret is not at the
    // end, as overwriting a character replaces it.
    void selectCharacterToOverwrite();
    void beep() const;
    void showFindDialog(bool replace);
    // The search's options for the control's encoding.
    FindOptions findOptions(const SearchRequest& search) const;
    // Shows the document's encoding in the control and in the encoding pane (empty in BINARY mode).
    void showEncoding();
    // Selects the next match of the search; beeps and returns false when there is none.
    bool findNext(const SearchRequest& search);
    void replaceOnce(const SearchRequest& search);
    void replaceAll(const SearchRequest& search);
    void printTo(QPrinter* printer);
    void printPages(QPrinter* printer);
    // Moves the goto dialog so that it does not cover the selection.
    void AdjustDialogPosition(QWidget* dialog);
    IDrives& drives();

    CQuilloryDoc& m_document;
    ViewServices m_services;
    std::unique_ptr<IClipboard> m_ownClipboard;  // the system clipboard when none was given
    IClipboard* m_clipboard;                     // what Copy, Cut, Paste and Free clipboard use
    std::string m_commandLine;                 // the file to load at the first update
    EditControl* m_control;                    // child; fills the view
    ControlDocumentAdapter m_documentControl;  // m_control as the document drives it
    CommandTarget m_commands;                  // the view's level of the command route
    QPointer<FindReplaceDialog> m_findDialog;  // modeless Find/Replace, made on first use
    std::optional<SearchRequest> m_lastSearch; // what Find Next repeats
    QPointer<HelpWindow> m_helpWindow;         // modeless help, made on first use
    std::unique_ptr<CGotoDlg> m_pGotoDlg;      // the one goto dialog; its window comes and goes
    std::unique_ptr<IDrives> m_ownDrives;      // the mounted file systems when none were given
};

// The system's window colour as a COLORREF.
ColorRef systemWindowColor();

}  // namespace quillory
