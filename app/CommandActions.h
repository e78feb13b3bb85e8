#pragma once
// The widgets' side of the command table: one QAction per command ID, carrying the menu text, the
// key bindings, the status prompt, the tooltip and the icon; the menu bar and the toolbar are filled
// from the table with these actions, and their enabled and checked states follow the router. As
// with an accelerator table, a command's keys never reach the focused widget, disabled or not.

#include <functional>
#include <map>

#include <QObject>

class QAction;
class QMenu;
class QMenuBar;
class QToolBar;
class QWidget;

namespace quillory {

class CommandRouter;
struct MenuItem;

class CommandActions : public QObject {
    Q_OBJECT
public:
    // Creates the actions, owned by `owner`, and binds their keys within owner's window.
    // `onTriggered` receives the command ID of each triggered action.
    CommandActions(QWidget* owner, std::function<void(int id)> onTriggered);

    // Fills the menu bar with the table's popups. `onMenuShown` runs before any menu opens.
    void buildMenuBar(QMenuBar* menuBar, const std::function<void()>& onMenuShown);
    // Fills the toolbar with the table's buttons and separators.
    void buildToolbar(QToolBar* toolbar);
    // Brings every action's enabled and checked state in line with the router.
    void refresh(const CommandRouter& router);

    // The action of a command ID, or nullptr when the table has none.
    QAction* action(int id) const;

private:
    QAction* createAction(int id, const QString& text);
    // Keeps the action's keys from reaching the focused widget while the action is disabled.
    void holdKeysWhileDisabled(QAction* action, int id);
    void addMenuItems(QMenu* menu, const std::vector<MenuItem>& items, const std::function<void()>& onMenuShown);

    QWidget* m_owner;
    std::function<void(int)> m_onTriggered;
    std::map<int, QAction*> m_actions;  // command ID -> action
};

}  // namespace quillory
