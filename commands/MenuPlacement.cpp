#include "commands/MenuPlacement.h"

namespace EditorCommands {

namespace {

struct MenuNames
{
    MenuID id;
    std::string_view rawValue;
    std::string_view title;
};

constexpr std::array<MenuNames, 7> menuNames = {{
    {MenuID::app, "app", "Orlune Viewer"},
    {MenuID::file, "file", "파일"},
    {MenuID::edit, "edit", "편집"},
    {MenuID::text, "text", "텍스트"},
    {MenuID::view, "view", "보기"},
    {MenuID::window, "window", "윈도우"},
    {MenuID::help, "help", "도움말"},
}};

} // namespace

std::string_view rawValue(MenuID id)
{
    for (const auto& names : menuNames) {
        if (names.id == id)
            return names.rawValue;
    }
    return {};
}

std::optional<MenuID> menuIDFromRawValue(std::string_view raw)
{
    for (const auto& names : menuNames) {
        if (names.rawValue == raw)
            return names.id;
    }
    return std::nullopt;
}

std::string_view menuTitle(MenuID id)
{
    for (const auto& names : menuNames) {
        if (names.id == id)
            return names.title;
    }
    return {};
}

std::ostream& operator<<(std::ostream& out, MenuID id)
{
    return out << rawValue(id);
}

std::ostream& operator<<(std::ostream& out, const MenuPlacement& placement)
{
    out << placement.menu << ' ' << placement.group;
    if (placement.submenu)
        out << " \"" << *placement.submenu << '"';
    return out;
}

} // namespace EditorCommands
