#include "app/CommandActions.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <QToolBar>

#include "app/CommandIcons.h"
#include "commands/CommandRouter.h"
#include "commands/CommandTable.h"
#include "qtplatform/QtText.h"

namespace quillory {

namespace {

// The menu text without its key text and mnemonics: "&Open...\tCtrl+O" -> "Open...".
QString plainText(const QString& menuText)
{
    QString text = menuText.section(QLatin1Char('\t'), 0, 0);
    text.remove(QLatin1Char('&'));
    return text;
}

}  // namespace

CommandActions::CommandActions(QWidget* owner, std::function<void(int id)> onTriggered)
    : QObject(owner), m_owner(owner), m_onTriggered(std::move(onTriggered))
{
    for (const int id : CommandTable::menuCommandIds())
        createAction(id, QString::fromStdString(CommandTable::menuText(id)));
}

QAction* CommandActions::createAction(int id, const QString& text)
{
    auto* action = new QAction(text, m_owner);
    action->setData(id);
    action->setStatusTip(toQString(CommandTable::prompt(id)));
    const QString tooltip = toQString(CommandTable::tooltip(id));
    action->setToolTip(tooltip.isEmpty() ? plainText(text) : tooltip);
    action->setIcon(commandIcon(id));
    action->setIconVisibleInMenu(false);
    QList<QKeySequence> keys;
    for (const std::string_view key : CommandTable::keysFor(id))
        keys.append(QKeySequence::fromString(toQString(key), QKeySequence::PortableText));
    action->setShortcuts(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    action->setEnabled(false);  // until the first refresh finds a handler
    // Bound to the window itself too, so the keys work wherever the focus is inside it.
    m_owner->addAction(action);
    connect(action, &QAction::triggered, this, [this, id] { m_onTriggered(id); });
    holdKeysWhileDisabled(action, id);
    m_actions.emplace(id, action);
    return action;
}

void CommandActions::holdKeysWhileDisabled(QAction* action, int id)
{
    // Qt passes a disabled action's keys on to the focused widget, where an accelerator table
    // keeps them. This shortcut holds the same keys exactly while the action is disabled and
    // offers them to the router, which runs nothing its update rules disable. A widget that
    // claims a key for itself (ShortcutOverride, as a line edit does for Ctrl+C) still gets it.
    if (action->shortcuts().isEmpty())
        return;
    auto* holder = new QShortcut(m_owner);
    holder->setKeys(action->shortcuts());
    holder->setContext(action->shortcutContext());
    holder->setEnabled(!action->isEnabled());
    connect(action, &QAction::enabledChanged, holder, [holder](bool enabled) { holder->setEnabled(!enabled); });
    connect(holder, &QShortcut::activated, this, [this, id] { m_onTriggered(id); });
}

void CommandActions::buildMenuBar(QMenuBar* menuBar, const std::function<void()>& onMenuShown)
{
    for (const MenuItem& item : CommandTable::mainMenu()) {
        QMenu* menu = menuBar->addMenu(QString::fromStdString(item.text));
        addMenuItems(menu, item.items, onMenuShown);
    }
}

void CommandActions::addMenuItems(QMenu* menu, const std::vector<MenuItem>& items,
                                  const std::function<void()>& onMenuShown)
{
    QObject::connect(menu, &QMenu::aboutToShow, this, onMenuShown);
    QActionGroup* radioGroup = nullptr;  // the group of the radio items just added
    for (const MenuItem& item : items) {
        if (!item.radio)
            radioGroup = nullptr;
        switch (item.kind) {
        case MenuItemKind::Command:
            if (item.radio) {
                // Shown as radio items; their states still come from the update rules.
                if (radioGroup == nullptr)
                    radioGroup = new QActionGroup(menu);
                action(item.id)->setCheckable(true);
                radioGroup->addAction(action(item.id));
            }
            menu->addAction(action(item.id));
            break;
        case MenuItemKind::Separator: menu->addSeparator(); break;
        case MenuItemKind::Popup:
            addMenuItems(menu->addMenu(QString::fromStdString(item.text)), item.items, onMenuShown);
            break;
        }
    }
}

void CommandActions::buildToolbar(QToolBar* toolbar)
{
    for (const ToolbarSlot slot : CommandTable::toolbar()) {
        if (slot == 0)
            toolbar->addSeparator();
        else
            toolbar->addAction(action(slot));
    }
}

void CommandActions::refresh(const CommandRouter& router)
{
    for (const auto& [id, action] : m_actions) {
        const CommandState state = router.state(id);
        action->setEnabled(state.enabled);
        if (state.checked.has_value()) {
            action->setCheckable(true);
            action->setChecked(*state.checked);
        } else if (action->isCheckable()) {
            action->setChecked(false);
            action->setCheckable(false);
        }
    }
}

QAction* CommandActions::action(int id) const
{
    const auto it = m_actions.find(id);
    return it == m_actions.end() ? nullptr : it->second;
}

}  // namespace quillory
