#include "app/QuilloryApp.h"

#include <QGuiApplication>
#include <QPageSetupDialog>
#include <QPrinter>
#include <QSessionManager>
#include <QWidget>

#include "app/AboutDlg.h"
#include "commands/CommandIds.h"
#include "document/DocumentCommands.h"
#include "app/MainFrame.h"
#include "app/SessionEnd.h"
#include "document/QuilloryDoc.h"

namespace quillory {

namespace {
CMainFrame* g_pMainWnd = nullptr;  // the frame of the application that started last

class QtSessionEnd final : public ISessionEnd {
public:
    explicit QtSessionEnd(QSessionManager& manager) : m_manager(manager) {}
    bool allowsInteraction() override { return m_manager.allowsInteraction(); }
    void cancel() override { m_manager.cancel(); }
    void release() override { m_manager.release(); }

private:
    QSessionManager& m_manager;
};

}  // namespace

CMainFrame* AfxGetMainWnd()
{
    return g_pMainWnd;
}

CQuilloryApp::CQuilloryApp(IMessageBoxes& messageBoxes) : m_messageBoxes(messageBoxes)
{
    registerCommands();
}

CQuilloryApp::~CQuilloryApp()
{
    if (m_pMainWnd != nullptr) {
        m_pMainWnd->commandRouter().detach(&m_commands);
        m_pMainWnd->commandRouter().detach(&m_documentCommands);
        m_pMainWnd->setCloseRequestHandler(nullptr);
        m_pMainWnd->setDropHandler(nullptr);
        if (g_pMainWnd == m_pMainWnd.get())
            g_pMainWnd = nullptr;
        if (m_pDocument != nullptr)
            m_pDocument->setHost(nullptr);
    }
    // The frame (and with it the view) goes before the document it shows.
    m_pMainWnd.reset();
    if (m_pDocument != nullptr) {
        m_pDocument->setControl(nullptr);
        m_pDocument->OnCloseDocument();
    }
    m_pDocument.reset();
}

void CQuilloryApp::registerCommands()
{
    m_commands.OnCommand(cmd::ID_APP_ABOUT, [this] { OnAppAbout(); });
    m_commands.OnCommand(cmd::ID_FILE_PRINT_SETUP, [this] { OnFilePrintSetup(); });
}

bool CQuilloryApp::InitInstance(const std::string& commandLineTail)
{
    m_pDocument = std::make_unique<CQuilloryDoc>(m_messageBoxes);
    m_pDocument->setFileDialogs(m_fileDialogs);
    registerDocumentCommands(m_documentCommands, *m_pDocument);
    m_pMainWnd = std::make_unique<CMainFrame>();
    g_pMainWnd = m_pMainWnd.get();
    m_pMainWnd->commandRouter().attach(RouteLevel::Document, &m_documentCommands);
    m_pMainWnd->commandRouter().attach(RouteLevel::Application, &m_commands);
    m_pMainWnd->setCloseRequestHandler([doc = m_pDocument.get()] { return doc->SaveModified(); });
    m_pMainWnd->setDropHandler([doc = m_pDocument.get()](const std::string& path) { doc->OpenFile(path); });
    if (qGuiApp != nullptr) {
        QObject::connect(qGuiApp, &QGuiApplication::commitDataRequest, m_pMainWnd.get(),
                         [this](QSessionManager& manager) {
                             QtSessionEnd session(manager);
                             OnSessionEnd(session);
                         });
    }
    m_pDocument->setHost(m_pMainWnd.get());
    ViewParts view;
    if (m_viewFactory) {
        view = m_viewFactory(*m_pMainWnd, *m_pDocument, commandLineTail);
        m_pMainWnd->setView(view.widget, view.commands);
    }

    bool started = true;
    if (commandLineTail.empty())
        started = m_pDocument->OnNewDocument();
    if (started && view.initialUpdate)
        started = view.initialUpdate();
    else if (started && !commandLineTail.empty())
        started = m_pDocument->LoadFile(commandLineTail);
    if (!started) {
        // No window stays open after a failed start.
        m_pMainWnd->hide();
        return false;
    }
    m_pMainWnd->UpdateCommandUI();
    m_pMainWnd->show();
    if (view.widget != nullptr)
        view.widget->setFocus();
    return true;
}

QPrinter& CQuilloryApp::printer()
{
    if (m_printer == nullptr)
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *m_printer;
}

void CQuilloryApp::OnAppAbout()
{
    CAboutDlg dialog(m_pMainWnd.get());
    dialog.exec();
}

void CQuilloryApp::OnSessionEnd(ISessionEnd& session)
{
    if (m_pDocument == nullptr || !m_pDocument->IsModified())
        return;
    // Without leave to ask, the document stays as it is: nothing is saved or thrown away unasked.
    if (!session.allowsInteraction())
        return;
    const bool mayEnd = m_pDocument->SaveModified();
    if (!mayEnd)
        session.cancel();
    session.release();
}

void CQuilloryApp::OnFilePrintSetup()
{
    QPageSetupDialog dialog(&printer(), m_pMainWnd.get());
    dialog.exec();
}

}  // namespace quillory
