#include "app/panels/CommandListing.h"

#include "app/kit/KeyMapping.h"
#include "app/kit/Localized.h"
#include "app/kit/MenuBuilder.h"

namespace EditorPanels {

QString CommandListing::title(const EditorCommands::Command& command)
{
    return EditorKit::localized(command.title);
}

QString CommandListing::place(const EditorCommands::Command& command)
{
    if (!command.menu)
        return {};
    QString text = EditorKit::MenuBuilder::localizedTitle(command.menu->menu);
    if (command.menu->submenu && !command.menu->submenu->empty())
        text += QStringLiteral(" \u203A ") + EditorKit::localized(*command.menu->submenu);
    return text;
}

QString CommandListing::shortcut(const std::optional<EditorCommands::KeyShortcut>& shortcut)
{
    return shortcut ? EditorKit::KeyMapping::shortcutText(*shortcut) : QString();
}

bool CommandListing::hasSelector(const EditorCommands::Command& command, const Selectors& selectors)
{
    return selectors.find(command.id.rawValue) != selectors.end();
}

} // namespace EditorPanels
