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
#include "app/StatusBar.h"
#include "app/UrlBar.h"
#include "base/MessageBox.h"

namespace quillory {

MainFrame::MainFrame(QWidget* parent) : QMainWindow(parent)
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
        m_idleConnection =
            connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &MainFrame::updateCommandUi);
    updateCommandUi();
}

MainFrame::~MainFrame()
{
    disconnect(m_idleConnection);
    while (m_waitCursorDepth > 0)
        endWaitCursor();
}

void MainFrame::placeOnScreen()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return;
    const QRect area = screen->geometry();
    const FrameRect rect = initialFrameRect(area.width(), area.height());
    setGeometry(area.x() + rect.left, area.y() + rect.top, rect.width, rect.height);
}

void MainFrame::createBars()
{
    m_actions = new CommandActions(this, [this](int id) { onCommand(id); });
    m_actions->buildMenuBar(menuBar(), [this] { updateCommandUi(); });

    m_toolBar = new QToolBar(QStringLiteral("Toolbar"), this);
    m_toolBar->setObjectName(QStringLiteral("ToolBar"));
    m_toolBar->setIconSize(QSize(16, 16));
    m_toolBar->setAllowedAreas(Qt::AllToolBarAreas);
    m_actions->buildToolbar(m_toolBar);
    addToolBar(Qt::TopToolBarArea, m_toolBar);

    m_urlBar = new UrlBar(this);
    addToolBarBreak(Qt::TopToolBarArea);
    addToolBar(Qt::TopToolBarArea, m_urlBar);
    m_urlBar->toggleUrlBar();  // shown from the start

    m_statusBar = new StatusBar(this);
    setStatusBar(m_statusBar);
}

void MainFrame::registerFrameCommands()
{
    m_frameCommands.onCommand(cmd::ID_VIEW_TOOLBAR, [this] { onViewToolbar(); });
    m_frameCommands.onUpdate(cmd::ID_VIEW_TOOLBAR, [this](CommandUpdate& ui) { ui.setCheck(!m_toolBar->isHidden()); });
    m_frameCommands.onCommand(cmd::ID_VIEW_STATUS_BAR, [this] { onViewStatusBar(); });
    m_frameCommands.onUpdate(cmd::ID_VIEW_STATUS_BAR,
                             [this](CommandUpdate& ui) { ui.setCheck(!m_statusBar->isHidden()); });
    m_frameCommands.onCommand(cmd::ID_APP_EXIT, [this] { close(); });
    // The URL bar's check mark follows its visibility; the toggle itself is the view's command.
    m_frameCommands.onUpdate(cmd::ID_VIEW_URL_TOOLBAR,
                             [this](CommandUpdate& ui) { ui.setCheck(!m_urlBar->isHidden()); });
}

void MainFrame::onViewToolbar()
{
    m_toolBar->setVisible(m_toolBar->isHidden());
}

void MainFrame::onViewStatusBar()
{
    m_statusBar->setVisible(m_statusBar->isHidden());
}

bool MainFrame::onCommand(int id)
{
    const bool ran = m_router.execute(id);
    updateCommandUi();
    return ran;
}

void MainFrame::updateCommandUi()
{
    m_actions->refresh(m_router);
    m_urlBar->updateButtons();
}

void MainFrame::setView(QWidget* view, std::vector<CommandTarget*> viewCommands)
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
    updateCommandUi();
}

QWidget* MainFrame::activeView() const
{
    return centralWidget();
}

bool MainFrame::setPaneText(StatusPane pane, const QString& text, bool update)
{
    return m_statusBar->setPaneText(pane, text, update);
}

QString MainFrame::paneText(StatusPane pane) const
{
    return m_statusBar->paneText(pane);
}

QString MainFrame::frameTitle(const QString& documentTitle)
{
    return documentTitle + QStringLiteral(" - ") + QString::fromLatin1(kAppTitle);
}

void MainFrame::titleChanged(const std::string& title)
{
    // Titles are file names: bytes in the file system's encoding.
    setWindowTitle(frameTitle(QFile::decodeName(QByteArray::fromStdString(title))));
}

void MainFrame::beginWaitCursor()
{
    ++m_waitCursorDepth;
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

void MainFrame::endWaitCursor()
{
    if (m_waitCursorDepth == 0)
        return;
    --m_waitCursorDepth;
    QApplication::restoreOverrideCursor();
}

QAction* MainFrame::commandAction(int id) const
{
    return m_actions->action(id);
}

void MainFrame::closeEvent(QCloseEvent* event)
{
    if (m_closeRequest && !m_closeRequest()) {
        event->ignore();
        return;
    }
    event->accept();
}

std::string MainFrame::droppedFile(const QMimeData* data)
{
    if (data == nullptr || !data->hasUrls())
        return {};
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile() && !url.toLocalFile().isEmpty())
            return QFile::encodeName(url.toLocalFile()).toStdString();
    }
    return {};
}

void MainFrame::dragEnterEvent(QDragEnterEvent* event)
{
    dragMoveEvent(event);
}

void MainFrame::dragMoveEvent(QDragMoveEvent* event)
{
    if (m_dropHandler && !droppedFile(event->mimeData()).empty())
        event->acceptProposedAction();
    else
        event->ignore();
}

void MainFrame::dropEvent(QDropEvent* event)
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

QMenu* MainFrame::createPopupMenu()
{
    // The bars' context menu offers the View menu's own toggles, so it follows the same rules.
    updateCommandUi();
    auto* menu = new QMenu(this);
    for (const int id : {cmd::ID_VIEW_TOOLBAR, cmd::ID_VIEW_URL_TOOLBAR, cmd::ID_VIEW_STATUS_BAR})
        menu->addAction(commandAction(id));
    return menu;
}

}  // namespace quillory
