#include "commands/CommandRouter.h"

namespace quillory {

void CommandTarget::removeCommand(int id)
{
    m_handlers.erase(id);
    m_updateRules.erase(id);
}

void CommandTarget::clear()
{
    m_handlers.clear();
    m_updateRules.clear();
}

const CommandTarget::Handler* CommandTarget::handlerFor(int id) const
{
    const auto it = m_handlers.find(id);
    return it == m_handlers.end() || !it->second ? nullptr : &it->second;
}

const CommandTarget::UpdateRule* CommandTarget::updateRuleFor(int id) const
{
    const auto it = m_updateRules.find(id);
    return it == m_updateRules.end() || !it->second ? nullptr : &it->second;
}

void CommandRouter::attach(RouteLevel level, CommandTarget* target)
{
    if (target == nullptr)
        return;
    detach(target);
    std::vector<CommandTarget*>& atLevel = m_targets[static_cast<std::size_t>(level)];
    atLevel.insert(atLevel.begin(), target);
}

void CommandRouter::detach(CommandTarget* target)
{
    for (std::vector<CommandTarget*>& level : m_targets)
        std::erase(level, target);
}

const std::vector<CommandTarget*>& CommandRouter::targets(RouteLevel level) const
{
    return m_targets[static_cast<std::size_t>(level)];
}

template <typename Visit>
bool CommandRouter::anyTarget(Visit visit) const
{
    for (const std::vector<CommandTarget*>& level : m_targets)
        for (const CommandTarget* target : level)
            if (visit(*target))
                return true;
    return false;
}

bool CommandRouter::hasHandler(int id) const
{
    return anyTarget([id](const CommandTarget& target) { return target.handlerFor(id) != nullptr; });
}

CommandState CommandRouter::state(int id) const
{
    CommandUpdate ui(id);
    anyTarget([&ui, id](const CommandTarget& target) {
        const CommandTarget::UpdateRule* rule = target.updateRuleFor(id);
        if (rule != nullptr)
            (*rule)(ui);
        return rule != nullptr;
    });
    return CommandState{ui.enabled().value_or(hasHandler(id)), ui.checked()};
}

bool CommandRouter::execute(int id) const
{
    if (!state(id).enabled)
        return false;
    CommandTarget::Handler run;
    anyTarget([&run, id](const CommandTarget& target) {
        const CommandTarget::Handler* handler = target.handlerFor(id);
        if (handler != nullptr)
            run = *handler;  // a copy, so that a handler may unregister itself (or its target)
        return handler != nullptr;
    });
    if (!run)
        return false;
    run();
    return true;
}

}  // namespace quillory
