#include "app/kit/CommandRouter.h"

#include "app/kit/KeyMapping.h"
#include "app/kit/Localized.h"
#include "commands/CommandCatalog.h"

#include <QAction>

namespace EditorKit {

const std::unordered_map<std::string, std::string>& CommandRouter::actionSelectors()
{
    return EditorCommands::CommandActions::actionSelectors();
}

std::optional<QKeyCombination>
CommandRouter::keyEquivalent(const EditorCommands::KeyShortcut& shortcut)
{
    return KeyMapping::keyCombination(shortcut);
}

int CommandRouter::tagOf(const EditorCommands::CommandID& id)
{
    constexpr std::string_view prefix = "window.selectTab";
    const std::string& raw = id.rawValue;
    if (raw.size() <= prefix.size() || raw.compare(0, prefix.size(), prefix) != 0)
        return 0;
    char last = raw.back();
    if (last < '0' || last > '9')
        return 0;
    return last - '0';
}

QAction* CommandRouter::menuItem(const EditorCommands::Command& command,
                                 const std::optional<EditorCommands::KeyShortcut>& shortcutOverride,
                                 bool hidden,
                                 QObject* parent)
{
    auto* action = new QAction(localized(command.title), parent);
    action->setObjectName(QString::fromStdString(command.id.rawValue));
    if (auto selector = EditorCommands::CommandActions::actionSelector(command.id))
        action->setProperty(actionProperty, QByteArray::fromStdString(*selector));

    const auto& shortcut = shortcutOverride ? shortcutOverride : command.shortcut;
    if (shortcut) {
        if (auto chord = keyEquivalent(*shortcut))
            action->setShortcut(QKeySequence(*chord));
    }
    if (int tag = tagOf(command.id)) {
        action->setProperty(tagProperty, tag);
        action->setData(tag);
    }
    if (hidden)
        action->setProperty(hiddenProperty, true);
    // A switch shows whether it is on; the mark is set each time its menu opens.
    action->setCheckable(command.isToggle);
    return action;
}

} // namespace EditorKit
