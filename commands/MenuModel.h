#pragma once

#include "commands/Command.h"
#include "commands/CommandCatalog.h"

#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace EditorCommands {

// The menu bar as data: what the application's menu builder turns into real menus. Titles here
// are untranslated; the builder looks each one up as a translation key.

struct MenuItem;

// An item for a catalog command; its title, action and shortcut come from the command (the
// override, when present, replaces the command's own shortcut).
struct CommandMenuItem
{
    CommandID id;
    std::optional<KeyShortcut> shortcutOverride;

    bool operator==(const CommandMenuItem&) const = default;
};

struct SeparatorMenuItem
{
    bool operator==(const SeparatorMenuItem&) const = default;
};

// One of the application menu's own items, which are not catalog commands.
struct StandardMenuItem
{
    std::string title;
    std::string action;
    std::optional<KeyShortcut> shortcut;

    bool operator==(const StandardMenuItem&) const = default;
};

// An item without action that opens a child menu.
struct SubmenuItem
{
    std::string title;
    std::vector<MenuItem> items;
};

struct MenuItem
{
    std::variant<CommandMenuItem, SeparatorMenuItem, StandardMenuItem, SubmenuItem> value;
};

struct TopMenu
{
    MenuID id = MenuID::app;
    std::vector<MenuItem> items;
};

struct MainMenuModel
{
    // In menu-bar order; an empty menu other than Window and Help is left out.
    std::vector<TopMenu> menus;
    // Items that answer their shortcut without being shown, kept with the Window menu: commands
    // without a menu place that have a shortcut, and a second item for each alternate shortcut.
    std::vector<CommandMenuItem> hiddenItems;
};

namespace MenuModel {

// The items of the commands placed in `id`, in the order of `commands`, with a separator at
// every change of group and one child menu per submenu title. Commands without an action are
// left out.
std::vector<MenuItem> fillMenu(MenuID id,
                               const std::vector<Command>& commands = CommandCatalog::all());

// The standard items appended to the application menu after its catalog items.
std::vector<MenuItem> applicationItems();

MainMenuModel mainMenu(const std::vector<Command>& commands = CommandCatalog::all());

} // namespace MenuModel

} // namespace EditorCommands
