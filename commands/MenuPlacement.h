#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

namespace EditorCommands {

// The top-level menus; `allMenuIDs` is the order of the menu bar.
enum class MenuID { app, file, edit, text, view, window, help };

inline constexpr std::array<MenuID, 7> allMenuIDs = {
    MenuID::app,
    MenuID::file,
    MenuID::edit,
    MenuID::text,
    MenuID::view,
    MenuID::window,
    MenuID::help,
};

// "app", "file", ...
std::string_view rawValue(MenuID);
std::optional<MenuID> menuIDFromRawValue(std::string_view);

// The untranslated (Korean) title of a top-level menu; it is also its translation key.
std::string_view menuTitle(MenuID);

std::ostream& operator<<(std::ostream&, MenuID);

// Where a command sits in the menu bar. Groups are the sections of the menu, counted from 0;
// `submenu` is the untranslated title of a child menu inside the section.
struct MenuPlacement
{
    MenuID menu = MenuID::app;
    int group = 0;
    std::optional<std::string> submenu;

    bool operator==(const MenuPlacement&) const = default;
};

std::ostream& operator<<(std::ostream&, const MenuPlacement&);

} // namespace EditorCommands

template<>
struct std::hash<EditorCommands::MenuPlacement>
{
    std::size_t operator()(const EditorCommands::MenuPlacement& placement) const noexcept
    {
        std::size_t seed = static_cast<std::size_t>(placement.menu) * 31u
                           + static_cast<std::size_t>(placement.group);
        if (placement.submenu)
            seed ^= std::hash<std::string>{}(*placement.submenu) + 0x9e3779b97f4a7c15ull;
        return seed;
    }
};
