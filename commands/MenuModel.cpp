#include "commands/MenuModel.h"

#include <map>

namespace EditorCommands {

namespace {

bool hasAction(const Command& command)
{
    return CommandActions::actionSelector(command.id).has_value();
}

} // namespace

std::vector<MenuItem> MenuModel::fillMenu(MenuID id, const std::vector<Command>& commands)
{
    std::vector<MenuItem> menu;
    bool isFirst = true;
    int previousGroup = 0;
    // Where each child menu sits in `menu`, by untranslated title. Indices, not pointers:
    // appending to `menu` moves its items.
    std::map<std::string, std::size_t> submenus;

    for (const auto& command : commands) {
        if (!command.menu || command.menu->menu != id || !hasAction(command))
            continue;
        const auto& placement = *command.menu;
        // The separator goes into this menu even when the item itself goes into a child menu.
        if (!isFirst && placement.group != previousGroup)
            menu.push_back(MenuItem{SeparatorMenuItem{}});

        MenuItem item{CommandMenuItem{command.id, std::nullopt}};
        if (!placement.submenu) {
            menu.push_back(std::move(item));
        } else if (auto found = submenus.find(*placement.submenu); found != submenus.end()) {
            std::get<SubmenuItem>(menu[found->second].value).items.push_back(std::move(item));
        } else {
            SubmenuItem submenu{*placement.submenu, {}};
            submenu.items.push_back(std::move(item));
            submenus.emplace(*placement.submenu, menu.size());
            menu.push_back(MenuItem{std::move(submenu)});
        }

        previousGroup = placement.group;
        isFirst = false;
    }
    return menu;
}

std::vector<MenuItem> MenuModel::applicationItems()
{
    using M = KeyShortcut::Modifier;
    std::vector<MenuItem> items;
    items.push_back(MenuItem{SeparatorMenuItem{}});
    items.push_back(MenuItem{SubmenuItem{"서비스", {}}});
    items.push_back(MenuItem{SeparatorMenuItem{}});
    items.push_back(MenuItem{
        StandardMenuItem{"Orlune Viewer 가리기", "hide:", KeyShortcut{"h", {M::command}}}});
    items.push_back(MenuItem{StandardMenuItem{
        "기타 가리기", "hideOtherApplications:", KeyShortcut{"h", {M::option, M::command}}}});
    items.push_back(
        MenuItem{StandardMenuItem{"모두 보기", "unhideAllApplications:", std::nullopt}});
    items.push_back(MenuItem{SeparatorMenuItem{}});
    items.push_back(MenuItem{
        StandardMenuItem{"Orlune Viewer 끝내기", "terminate:", KeyShortcut{"q", {M::command}}}});
    return items;
}

MainMenuModel MenuModel::mainMenu(const std::vector<Command>& commands)
{
    MainMenuModel model;
    for (auto id : allMenuIDs) {
        TopMenu menu{id, fillMenu(id, commands)};
        if (id == MenuID::app) {
            auto standard = applicationItems();
            menu.items.insert(menu.items.end(),
                              std::make_move_iterator(standard.begin()),
                              std::make_move_iterator(standard.end()));
        }
        if (!menu.items.empty() || id == MenuID::window || id == MenuID::help)
            model.menus.push_back(std::move(menu));
    }

    for (const auto& command : commands) {
        if (!hasAction(command))
            continue;
        if (!command.menu && command.shortcut)
            model.hiddenItems.push_back(CommandMenuItem{command.id, std::nullopt});
        if (command.alternateShortcut)
            model.hiddenItems.push_back(CommandMenuItem{command.id, command.alternateShortcut});
    }
    return model;
}

} // namespace EditorCommands
