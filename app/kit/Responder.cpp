#include "app/kit/Responder.h"

namespace EditorKit {

void ActionTableResponder::addHandler(std::string action, Handler handler, Validator validator)
{
    m_actions.insert_or_assign(std::move(action), Entry{std::move(handler), std::move(validator)});
}

void ActionTableResponder::removeHandler(std::string_view action)
{
    if (auto found = m_actions.find(action); found != m_actions.end())
        m_actions.erase(found);
}

bool ActionTableResponder::respondsToAction(std::string_view action) const
{
    return m_actions.find(action) != m_actions.end();
}

bool ActionTableResponder::validateAction(std::string_view action, const ActionSender& sender) const
{
    auto found = m_actions.find(action);
    if (found == m_actions.end())
        return false;
    return !found->second.validator || found->second.validator(sender);
}

void ActionTableResponder::performAction(std::string_view action, const ActionSender& sender)
{
    auto found = m_actions.find(action);
    if (found == m_actions.end() || !found->second.handler)
        return;
    // A copy: the handler may replace or remove its own entry while it runs.
    auto handler = found->second.handler;
    handler(sender);
}

} // namespace EditorKit
