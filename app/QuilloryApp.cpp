#include "app/QuilloryApp.h"

#include <QGuiApplication>
#include <QPageSetupDialog>
#include <QPrinter>
#include <QSessionManager>
#include <QWidget>

#include "app/AboutDialog.h"
#include "commands/CommandIds.h"
#include "document/DocumentCommands.h"
#include "app/MainFrame.h"
#include "app/SessionEnd.h"
#include "document/QuilloryDoc.h"

namespace quillory {

namespace {

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

QuilloryApp::QuilloryApp(IMessageBoxes& messageBoxes) : m_messageBoxes(messageBoxes)
{
    registerCommands();
}

QuilloryApp::~QuilloryApp()
{
    if (m_mainFrame != nullptr) {
        m_mainFrame->commandRouter().detach(&m_commands);
        m_mainFrame->commandRouter().detach(&m_documentCommands);
        m_mainFrame->setCloseRequestHandler(nullptr);
        m_mainFrame->setDropHandler(nullptr);
        if (m_document != nullptr)
            m_document->setHost(nullptr);
    }
    // The frame (and with it the view) goes before the document it shows.
    m_mainFrame.reset();
    if (m_document != nullptr) {
        m_document->setControl(nullptr);
        m_document->onCloseDocument();
    }
    m_document.reset();
}

void QuilloryApp::registerCommands()
{
    m_commands.onCommand(cmd::ID_APP_ABOUT, [this] { onAppAbout(); });
    m_commands.onCommand(cmd::ID_FILE_PRINT_SETUP, [this] { onFilePrintSetup(); });
}

bool QuilloryApp::initInstance(const std::string& commandLineTail)
{
    m_document = std::make_unique<QuilloryDoc>(m_messageBoxes);
    m_document->setFileDialogs(m_fileDialogs);
    m_document->setLongWork(&m_longWork);
    registerDocumentCommands(m_documentCommands, *m_document);
    m_mainFrame = std::make_unique<MainFrame>();
    m_longWork.setParent(m_mainFrame.get());
    m_mainFrame->commandRouter().attach(RouteLevel::Document, &m_documentCommands);
    m_mainFrame->commandRouter().attach(RouteLevel::Application, &m_commands);
    m_mainFrame->setCloseRequestHandler([doc = m_document.get()] { return doc->saveModified(); });
    m_mainFrame->setDropHandler([doc = m_document.get()](const std::string& path) { doc->openFile(path); });
    if (qGuiApp != nullptr) {
        QObject::connect(qGuiApp, &QGuiApplication::commitDataRequest, m_mainFrame.get(),
                         [this](QSessionManager& manager) {
                             QtSessionEnd session(manager);
                             onSessionEnd(session);
                         });
    }
    m_document->setHost(m_mainFrame.get());
    ViewParts view;
    if (m_viewFactory) {
        view = m_viewFactory(*m_mainFrame, *m_document, commandLineTail);
        m_mainFrame->setView(view.widget, view.commands);
    }

    bool started = true;
    if (commandLineTail.empty())
        started = m_document->onNewDocument();
    // The window shows before the command-line file loads: a large file shows its progress in it.
    if (started) {
        m_mainFrame->updateCommandUi();
        m_mainFrame->show();
    }
    if (started && view.initialUpdate)
        started = view.initialUpdate();
    else if (started && !commandLineTail.empty())
        started = m_document->loadFile(commandLineTail);
    if (!started) {
        // No window stays open after a failed start.
        m_mainFrame->hide();
        return false;
    }
    m_mainFrame->updateCommandUi();
    if (view.widget != nullptr)
        view.widget->setFocus();
    return true;
}

QPrinter& QuilloryApp::printer()
{
    if (m_printer == nullptr)
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *m_printer;
}

void QuilloryApp::onAppAbout()
{
    AboutDialog dialog(m_mainFrame.get());
    dialog.exec();
}

void QuilloryApp::onSessionEnd(ISessionEnd& session)
{
    if (m_document == nullptr || !m_document->isModified())
        return;
    // Without leave to ask, the document stays as it is: nothing is saved or thrown away unasked.
    if (!session.allowsInteraction())
        return;
    const bool mayEnd = m_document->saveModified();
    if (!mayEnd)
        session.cancel();
    session.release();
}

void QuilloryApp::onFilePrintSetup()
{
    QPageSetupDialog dialog(&printer(), m_mainFrame.get());
    dialog.exec();
}

}  // namespace quillory
