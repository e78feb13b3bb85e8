#pragma once
// Command routing: a command ID goes to the view first, then the document, the frame and the
// application. Each target registers handlers and update rules per ID. An update rule sets the
// enabled and checked state of a command; a command whose first update rule leaves the enabled
// state alone is enabled exactly when some target handles it, so a command nobody handles is
// disabled. A disabled command never runs. No Qt: the widgets only ask for states and execute.

#include <array>
#include <functional>
#include <optional>
#include <unordered_map>
#include <vector>

namespace quillory {

// What an update rule may say about one command.
class CommandUpdate {
public:
    explicit CommandUpdate(int id) : m_id(id) {}
    void enable(bool on = true) { m_enabled = on; }
    void setCheck(bool checked = true) { m_checked = checked; }

    int id() const { return m_id; }  // the command being updated
    std::optional<bool> enabled() const { return m_enabled; }
    std::optional<bool> checked() const { return m_checked; }

private:
    int m_id;
    std::optional<bool> m_enabled;  // unset: enabled iff a handler exists
    std::optional<bool> m_checked;  // unset: the command shows no check mark
};

// The resolved state of one command, as menus and toolbar buttons show it.
struct CommandState {
    bool enabled = false;
    std::optional<bool> checked;  // set when the command is a checkable one

    bool operator==(const CommandState&) const = default;
};

// One object's handlers and update rules, keyed by command ID.
class CommandTarget {
public:
    using Handler = std::function<void()>;
    using UpdateRule = std::function<void(CommandUpdate&)>;

    // Binds the handler of a command, replacing an earlier one.
    void onCommand(int id, Handler handler) { m_handlers[id] = std::move(handler); }
    // Binds the update rule of a command, replacing an earlier one.
    void onUpdate(int id, UpdateRule rule) { m_updateRules[id] = std::move(rule); }
    void removeCommand(int id);
    void clear();

    const Handler* handlerFor(int id) const;
    const UpdateRule* updateRuleFor(int id) const;

private:
    std::unordered_map<int, Handler> m_handlers;
    std::unordered_map<int, UpdateRule> m_updateRules;
};

// Routing order: a command is offered to the levels in this order.
enum class RouteLevel { View = 0, Document = 1, Frame = 2, Application = 3 };

// Each level holds any number of targets (the view and the controllers of its features, say);
// within a level the target attached last is asked first.
class CommandRouter {
public:
    // Puts a target at a level, ahead of those already there; a target on the route already moves
    // there. nullptr does nothing. Not owned.
    void attach(RouteLevel level, CommandTarget* target);
    // Takes the target off the route, wherever it is.
    void detach(CommandTarget* target);
    // The targets of a level, in the order they are asked.
    const std::vector<CommandTarget*>& targets(RouteLevel level) const;

    // Whether some target along the route handles the command.
    bool hasHandler(int id) const;
    // The command's state: the first update rule along the route decides; see above.
    CommandState state(int id) const;
    // Runs the first handler along the route if the command is enabled. Returns whether it ran.
    bool execute(int id) const;

private:
    // Calls visit for every target along the route, in order, until it returns true.
    template <typename Visit>
    bool anyTarget(Visit visit) const;

    static constexpr std::size_t kLevels = 4;
    std::array<std::vector<CommandTarget*>, kLevels> m_targets{};  // indexed by RouteLevel
};

}  // namespace quillory
