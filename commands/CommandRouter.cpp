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
    m_targets[static_cast<std::size_t>(level)] = target;
}

void CommandRouter::detach(CommandTarget* target)
{
    for (CommandTarget*& slot : m_targets)
        if (slot == target)
            slot = nullptr;
}

CommandTarget* CommandRouter::target(RouteLevel level) const
{
    return m_targets[static_cast<std::size_t>(level)];
}

bool CommandRouter::hasHandler(int id) const
{
    for (const CommandTarget* target : m_targets)
        if (target != nullptr && target->handlerFor(id) != nullptr)
            return true;
    return false;
}

CommandState CommandRouter::state(int id) const
{
    CCmdUI ui(id);
    for (const CommandTarget* target : m_targets) {
        if (target == nullptr)
            continue;
        if (const CommandTarget::UpdateRule* rule = target->updateRuleFor(id)) {
            (*rule)(ui);
            break;
        }
    }
    return CommandState{ui.enabled().value_or(hasHandler(id)), ui.checked()};
}

bool CommandRouter::execute(int id) const
{
    if (!state(id).enabled)
        return false;
    for (const CommandTarget* target : m_targets) {
        if (target == nullptr)
            continue;
        if (const CommandTarget::Handler* handler = target->handlerFor(id)) {
            // A copy, so that a handler may unregister itself (or its target) while it runs.
            const CommandTarget::Handler run = *handler;
            run();
            return true;
        }
    }
    return false;
}

}  // namespace quillory
