#pragma once
// The application: creates the document, the main frame and the view, then starts with an
// untitled document or with the file the command line names. Puts the document's commands on the
// route, passes closing, the end of the desktop session and a file dropped on the window through
// the document's save-modified question, and serves About and Print Setup itself.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "commands/CommandRouter.h"
#include "qtplatform/QtLongWork.h"

class QPrinter;
class QWidget;

namespace quillory {

class MainFrame;
class QuilloryDoc;
class IFileDialogs;
class IMessageBoxes;
class ISessionEnd;

class QuilloryApp {
public:
    // What a view brings to the frame. The frame owns the widget; the view owns its commands.
    struct ViewParts {
        QWidget* widget = nullptr;             // the editing area; null keeps the placeholder
        std::vector<CommandTarget*> commands;  // the view's level of the command route: the view's
                                               // own target, then its features' controllers
        // The view's first update, run once start-up has a document: it loads the command-line
        // file when there is one and returns false when that failed. Null: the application loads
        // the file itself.
        std::function<bool()> initialUpdate;
    };
    // Makes the view for the new frame and document; `commandLineTail` is the file to open, or
    // empty.
    using ViewFactory =
        std::function<ViewParts(MainFrame& frame, QuilloryDoc& document, const std::string& commandLineTail)>;

    explicit QuilloryApp(IMessageBoxes& messageBoxes);
    ~QuilloryApp();
    QuilloryApp(const QuilloryApp&) = delete;
    QuilloryApp& operator=(const QuilloryApp&) = delete;

    // The Open and Save As dialogs of the document (not owned). Set it before InitInstance.
    void setFileDialogs(IFileDialogs* dialogs) { m_fileDialogs = dialogs; }
    // Where journals of unsaved changes go (empty: none are kept, as in tests that set none).
    // Set it before InitInstance.
    void setRecoveryFolder(std::string folder) { m_recoveryFolder = std::move(folder); }
    const std::string& recoveryFolder() const { return m_recoveryFolder; }
    // Replaces the placeholder view (a plain widget). Set it before InitInstance.
    void setViewFactory(ViewFactory factory) { m_viewFactory = std::move(factory); }

    // Start-up: document, frame and view; then New when `commandLineTail` is empty, else the
    // file is loaded (by the view's first update, or LoadFile when the view has none). False when
    // the file could not be loaded (already reported): the program ends, no window stays open.
    bool initInstance(const std::string& commandLineTail);

    MainFrame* mainFrame() const { return m_mainFrame.get(); }
    QuilloryDoc* document() const { return m_document.get(); }
    // What runs long work (loading, saving, replacing) with its progress window.
    QtLongWork& longWork() { return m_longWork; }
    // The printer that Print Setup configures and printing uses; made on first use.
    QPrinter& printer();

    void onAppAbout();
    void onFilePrintSetup();
    // The desktop session is ending: a modified document brings the save-modified question, where
    // the session lets the program ask, and a refusal (Cancel, or a failed save) cancels the end.
    void onSessionEnd(ISessionEnd& session);

private:
    void registerCommands();

    IMessageBoxes& m_messageBoxes;
    IFileDialogs* m_fileDialogs = nullptr;
    ViewFactory m_viewFactory;
    std::string m_recoveryFolder;
    std::unique_ptr<QuilloryDoc> m_document;
    std::unique_ptr<MainFrame> m_mainFrame;
    std::unique_ptr<QPrinter> m_printer;
    QtLongWork m_longWork;
    CommandTarget m_documentCommands;  // the document's handlers, after the view's
    CommandTarget m_commands;          // the application's handlers, last on the route
};

}  // namespace quillory
