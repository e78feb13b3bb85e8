#pragma once
// The application: creates the document, the main frame and the view, then starts with an
// untitled document or with the file the command line names. Puts the document's commands on the
// route, passes closing through the document's save-modified question, and serves About and Print
// Setup itself.

#include <functional>
#include <memory>
#include <string>

#include "app/CommandRouter.h"

class QPrinter;
class QWidget;

namespace quillory {

class CMainFrame;
class CQuilloryDoc;
class IFileDialogs;
class IMessageBoxes;

class CQuilloryApp {
public:
    // Makes the view for a new frame and document; the frame takes ownership of the widget.
    using ViewFactory = std::function<QWidget*(CMainFrame& frame, CQuilloryDoc& document)>;

    explicit CQuilloryApp(IMessageBoxes& messageBoxes);
    ~CQuilloryApp();
    CQuilloryApp(const CQuilloryApp&) = delete;
    CQuilloryApp& operator=(const CQuilloryApp&) = delete;

    // The Open and Save As dialogs of the document (not owned). Set it before InitInstance.
    void setFileDialogs(IFileDialogs* dialogs) { m_fileDialogs = dialogs; }
    // Replaces the placeholder view (a plain widget). Set it before InitInstance.
    void setViewFactory(ViewFactory factory) { m_viewFactory = std::move(factory); }

    // Start-up: document, frame and view; then New when `commandLineTail` is empty, else
    // LoadFile(tail). False when the file could not be loaded (already reported): the program ends.
    bool InitInstance(const std::string& commandLineTail);

    CMainFrame* mainFrame() const { return m_pMainWnd.get(); }
    CQuilloryDoc* document() const { return m_pDocument.get(); }
    // The printer that Print Setup configures and printing uses; made on first use.
    QPrinter& printer();

    void OnAppAbout();
    void OnFilePrintSetup();

private:
    void registerCommands();

    IMessageBoxes& m_messageBoxes;
    IFileDialogs* m_fileDialogs = nullptr;
    ViewFactory m_viewFactory;
    std::unique_ptr<CQuilloryDoc> m_pDocument;
    std::unique_ptr<CMainFrame> m_pMainWnd;
    std::unique_ptr<QPrinter> m_printer;
    CommandTarget m_documentCommands;  // the document's handlers, after the view's
    CommandTarget m_commands;          // the application's handlers, last on the route
};

// The running application's main window, or nullptr before start-up and after it ends.
CMainFrame* AfxGetMainWnd();

}  // namespace quillory
