#pragma once
// The main window: menu bar, toolbar, status bar and URL bar around the view. It routes every
// command (view, document, frame, application), keeps the menus' and buttons' states current, and
// shows the document's title as "<title> - Quillory". A file dropped on it goes to its drop handler.

#include <functional>
#include <memory>
#include <string>

#include <QMainWindow>
#include <vector>

#include "base/StatusPane.h"
#include "commands/CommandRouter.h"
#include "document/DocumentInterfaces.h"

class QMimeData;
class QToolBar;

namespace quillory {

class CommandActions;
class StatusBar;
class UrlBar;

class MainFrame : public QMainWindow, public IDocumentHost {
    Q_OBJECT
public:
    // Returns true when the window may close; false keeps it open.
    using CloseRequestHandler = std::function<bool()>;
    // Opens a file dropped on the window (a local path in the file system's encoding).
    using DropHandler = std::function<void(const std::string& path)>;

    explicit MainFrame(QWidget* parent = nullptr);
    ~MainFrame() override;

    // The command routing of this window. The view attaches its target at RouteLevel::View, the
    // document's at RouteLevel::Document; the frame and the application fill the other two.
    CommandRouter& commandRouter() { return m_router; }
    // Runs a command as a menu choice would: only when enabled; the states are refreshed after.
    bool onCommand(int id);
    // Brings menus, toolbar buttons and the URL bar's buttons up to date. Runs by itself
    // whenever the event loop goes idle and before a menu opens.
    void updateCommandUi();

    // The view seam: puts `view` in the editing area (the frame owns it), deletes the one before,
    // and puts `viewCommands` (the view's and its features' targets, owned with the view, asked in
    // this order) at the head of the command route in place of the ones before.
    void setView(QWidget* view, std::vector<CommandTarget*> viewCommands = {});
    QWidget* activeView() const;

    // Status panes; see StatusBar. Font, mode, INS/OVR and encoding are the view's.
    bool setPaneText(StatusPane pane, const QString& text, bool update = true);
    QString paneText(StatusPane pane) const;

    // Asked before the window closes (close box or Exit); may veto. Without one the window closes.
    void setCloseRequestHandler(CloseRequestHandler handler) { m_closeRequest = std::move(handler); }
    // Called, once the drop has ended, with the first local file of a drop on the window. Drops
    // that hold no local file are refused. Without a handler the window takes no drops.
    void setDropHandler(DropHandler handler) { m_dropHandler = std::move(handler); }
    // The file a drop offers: the first local file among its URLs, or empty.
    static std::string droppedFile(const QMimeData* data);

    // The window title the frame shows for a document title.
    static QString frameTitle(const QString& documentTitle);

    // IDocumentHost
    void titleChanged(const std::string& title) override;
    void beginWaitCursor() override;
    void endWaitCursor() override;

    QAction* commandAction(int id) const;
    QToolBar* toolBar() const { return m_toolBar; }
    StatusBar* quilloryStatusBar() const { return m_statusBar; }
    UrlBar* urlBar() const { return m_urlBar; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    QMenu* createPopupMenu() override;

private:
    void placeOnScreen();
    void createBars();
    void registerFrameCommands();
    void onViewToolbar();
    void onViewStatusBar();

    CommandRouter m_router;
    std::vector<CommandTarget*> m_viewCommands;  // on the route's view level for the current view
    CommandTarget m_frameCommands;               // toolbar and status bar toggles, Exit
    CommandActions* m_actions = nullptr;         // one action per command ID
    QToolBar* m_toolBar = nullptr;               // toolbar 128
    StatusBar* m_statusBar = nullptr;
    UrlBar* m_urlBar = nullptr;  // shown at start; "URL Toolbar" hides and shows it
    CloseRequestHandler m_closeRequest;
    DropHandler m_dropHandler;
    int m_waitCursorDepth = 0;  // begin/end pairs still open
    QMetaObject::Connection m_idleConnection;
};

}  // namespace quillory
