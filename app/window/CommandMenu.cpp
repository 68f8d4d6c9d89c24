#include "app/window/CommandMenu.h"

#include "app/kit/ActionRouter.h"
#include "app/kit/CommandRouter.h"
#include "app/kit/HostWindow.h"
#include "app/kit/MenuBuilder.h"
#include "app/window/DocumentWindowController.h"
#include "commands/CommandCatalog.h"

#include <QAction>
#include <QMenu>
#include <QPointer>

namespace EditorWindow {

using EditorCommands::Command;
using EditorCommands::CommandID;

namespace {

bool hasAction(const CommandID& id)
{
    return EditorKit::CommandRouter::actionSelectors().count(id.rawValue) > 0;
}

} // namespace

QMenu* makeCommandMenu(const std::vector<std::optional<CommandID>>& items,
                       DocumentWindowController& controller,
                       QWidget* parent)
{
    auto* menu = new QMenu(parent);
    QPointer<DocumentWindowController> weak(&controller);
    for (const auto& slot : items) {
        std::optional<Command> command;
        if (slot && hasAction(*slot))
            command = EditorCommands::CommandCatalog::command(*slot);
        if (!command) {
            menu->addSeparator();
            continue;
        }
        QAction* item = EditorKit::CommandRouter::menuItem(*command, std::nullopt, false, menu);
        // The main menu answers the chord; here it is shown, and works only while this menu is
        // open.
        item->setShortcutContext(Qt::WidgetShortcut);
        menu->addAction(item);
        const QByteArray selector =
            item->property(EditorKit::CommandRouter::actionProperty).toByteArray();
        QObject::connect(item, &QAction::triggered, menu, [weak, item, selector] {
            EditorKit::HostWindow* host = weak ? weak->hostWindow() : nullptr;
            if (!host)
                return;
            EditorKit::ActionSender sender;
            sender.kind = EditorKit::ActionSender::Kind::menuItem;
            sender.identifier = item->objectName();
            sender.tag = item->property(EditorKit::CommandRouter::tagProperty).toInt();
            host->sendAction(
                std::string_view(selector.constData(), static_cast<std::size_t>(selector.size())),
                sender);
        });
    }
    QObject::connect(menu, &QMenu::aboutToShow, menu, [weak, menu] {
        if (EditorKit::HostWindow* host = weak ? weak->hostWindow() : nullptr)
            EditorKit::MenuBuilder::validateMenu(menu, host, host->router());
    });
    return menu;
}

} // namespace EditorWindow
