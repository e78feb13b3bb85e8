#include "app/MainFrame.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTimer>
#include <QToolBar>
#include <QUrl>

#include "app/CommandActions.h"
#include "commands/CommandIds.h"
#include "app/FrameGeometry.h"
#include "app/QuilloryStatusBar.h"
#include "app/UrlBar.h"
#include "base/MessageBox.h"

namespace quillory {

CMainFrame::CMainFrame(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("MainFrame"));
    setWindowTitle(QString::fromLatin1(kAppTitle));
    placeOnScreen();
    // Drops land here wherever they fall: the edit control and the view refuse them.
    setAcceptDrops(true);
    setCentralWidget(new QWidget(this));  // stands in until the view arrives
    createBars();
    registerFrameCommands();
    m_router.attach(RouteLevel::Frame, &m_frameCommands);

    // Idle-time update: whenever the event loop is about to wait, states follow the latest changes.
    if (auto* dispatcher = QAbstractEventDispatcher::instance())
        m_idleConnection = connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this,
                                   &CMainFrame::UpdateCommandUI);
    UpdateCommandUI();
}

CMainFrame::~CMainFrame()
{
    disconnect(m_idleConnection);
    while (m_waitCursorDepth > 0)
        endWaitCursor();
}

void CMainFrame::placeOnScreen()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return;
    const QRect area = screen->geometry();
    const FrameRect rect = initialFrameRect(area.width(), area.height());
    setGeometry(area.x() + rect.left, area.y() + rect.top, rect.width, rect.height);
}

void CMainFrame::createBars()
{
    m_actions = new CommandActions(this, [this](int id) { OnCommand(id); });
    m_actions->buildMenuBar(menuBar(), [this] { UpdateCommandUI(); });

    m_wndToolBar = new QToolBar(QStringLiteral("Toolbar"), this);
    m_wndToolBar->setObjectName(QStringLiteral("ToolBar"));
    m_wndToolBar->setIconSize(QSize(16, 16));
    m_wndToolBar->setAllowedAreas(Qt::AllToolBarAreas);
    m_actions->buildToolbar(m_wndToolBar);
    addToolBar(Qt::TopToolBarArea, m_wndToolBar);

    m_wndUrlBar = new CUrlBar(this);
    addToolBarBreak(Qt::TopToolBarArea);
    addToolBar(Qt::TopToolBarArea, m_wndUrlBar);
    m_wndUrlBar->ToggleUrlBar();  // shown from the start

    m_wndStatusBar = new CQuilloryStatusBar(this);
    setStatusBar(m_wndStatusBar);
}

void CMainFrame::registerFrameCommands()
{
    m_frameCommands.OnCommand(cmd::ID_VIEW_TOOLBAR, [this] { OnViewToolbar(); });
    m_frameCommands.OnUpdate(cmd::ID_VIEW_TOOLBAR,
                             [this](CCmdUI& ui) { ui.SetCheck(!m_wndToolBar->isHidden()); });
    m_frameCommands.OnCommand(cmd::ID_VIEW_STATUS_BAR, [this] { OnViewStatusBar(); });
    m_frameCommands.OnUpdate(cmd::ID_VIEW_STATUS_BAR,
                             [this](CCmdUI& ui) { ui.SetCheck(!m_wndStatusBar->isHidden()); });
    m_frameCommands.OnCommand(cmd::ID_APP_EXIT, [this] { close(); });
    // The URL bar's check mark follows its visibility; the toggle itself is the view's command.
    m_frameCommands.OnUpdate(cmd::ID_VIEW_URL_TOOLBAR, [this](CCmdUI& ui) {
        ui.SetCheck(!m_wndUrlBar->isHidden());
    });
}

void CMainFrame::OnViewToolbar()
{
    m_wndToolBar->setVisible(m_wndToolBar->isHidden());
}

void CMainFrame::OnViewStatusBar()
{
    m_wndStatusBar->setVisible(m_wndStatusBar->isHidden());
}

bool CMainFrame::OnCommand(int id)
{
    const bool ran = m_router.execute(id);
    UpdateCommandUI();
    return ran;
}

void CMainFrame::UpdateCommandUI()
{
    m_actions->refresh(m_router);
    m_wndUrlBar->UpdateButtons();
}

void CMainFrame::setView(QWidget* view, std::vector<CommandTarget*> viewCommands)
{
    // The old view's handlers go off the route before the old view (which owns them) goes.
    for (CommandTarget* target : m_viewCommands)
        m_router.detach(target);
    m_viewCommands = std::move(viewCommands);
    for (auto target = m_viewCommands.rbegin(); target != m_viewCommands.rend(); ++target)
        m_router.attach(RouteLevel::View, *target);
    QWidget* old = takeCentralWidget();
    setCentralWidget(view != nullptr ? view : new QWidget(this));
    delete old;
    UpdateCommandUI();
}

QWidget* CMainFrame::GetActiveView() const
{
    return centralWidget();
}

bool CMainFrame::SetPaneText(StatusPane pane, const QString& text, bool update)
{
    return m_wndStatusBar->SetPaneText(pane, text, update);
}

QString CMainFrame::GetPaneText(StatusPane pane) const
{
    return m_wndStatusBar->GetPaneText(pane);
}

QString CMainFrame::frameTitle(const QString& documentTitle)
{
    return documentTitle + QStringLiteral(" - ") + QString::fromLatin1(kAppTitle);
}

void CMainFrame::titleChanged(const std::string& title)
{
    // Titles are file names: bytes in the file system's encoding.
    setWindowTitle(frameTitle(QFile::decodeName(QByteArray::fromStdString(title))));
}

void CMainFrame::beginWaitCursor()
{
    ++m_waitCursorDepth;
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

void CMainFrame::endWaitCursor()
{
    if (m_waitCursorDepth == 0)
        return;
    --m_waitCursorDepth;
    QApplication::restoreOverrideCursor();
}

QAction* CMainFrame::commandAction(int id) const
{
    return m_actions->action(id);
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    if (m_closeRequest && !m_closeRequest()) {
        event->ignore();
        return;
    }
    event->accept();
}

std::string CMainFrame::droppedFile(const QMimeData* data)
{
    if (data == nullptr || !data->hasUrls())
        return {};
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile() && !url.toLocalFile().isEmpty())
            return QFile::encodeName(url.toLocalFile()).toStdString();
    }
    return {};
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event)
{
    dragMoveEvent(event);
}

void CMainFrame::dragMoveEvent(QDragMoveEvent* event)
{
    if (m_dropHandler && !droppedFile(event->mimeData()).empty())
        event->acceptProposedAction();
    else
        event->ignore();
}

void CMainFrame::dropEvent(QDropEvent* event)
{
    const std::string path = droppedFile(event->mimeData());
    if (!m_dropHandler || path.empty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    // The file opens after the drop has ended: the save question must not hold the dragging
    // program waiting for the drop's answer.
    QTimer::singleShot(0, this, [this, path] {
        if (m_dropHandler)
            m_dropHandler(path);
    });
}

QMenu* CMainFrame::createPopupMenu()
{
    // The bars' context menu offers the View menu's own toggles, so it follows the same rules.
    UpdateCommandUI();
    auto* menu = new QMenu(this);
    for (const int id : {cmd::ID_VIEW_TOOLBAR, cmd::ID_VIEW_URL_TOOLBAR, cmd::ID_VIEW_STATUS_BAR})
        menu->addAction(commandAction(id));
    return menu;
}

}  // namespace quillory
