#pragma once

#include "commands/CommandID.h"
#include "commands/KeyShortcut.h"
#include "commands/MenuPlacement.h"

#include <optional>
#include <ostream>
#include <string>
#include <string_view>

namespace EditorCommands {

// Tool-band use of a command: no button; a button not shown by default; a button shown by
// default.
enum class ToolbarUse { none, optional, standard };

std::string_view rawValue(ToolbarUse);
std::ostream& operator<<(std::ostream&, ToolbarUse);

// One catalog entry. Titles and labels are UTF-8 Korean text and double as translation keys.
struct Command
{
    CommandID id;
    // A reference number shared by related commands; ordering follows the catalog, not this.
    int number = 0;
    std::string title;
    std::optional<KeyShortcut> shortcut;
    // A second shortcut for the same command.
    std::optional<KeyShortcut> alternateShortcut;
    // Absent for commands reached only from the tool band, banners, the palette or a shortcut.
    std::optional<MenuPlacement> menu;
    ToolbarUse toolbar = ToolbarUse::none;
    // Switches something on and off (the tool band highlights the on state).
    bool isToggle = false;
    // Symbol image name of the tool-band button.
    std::optional<std::string> symbol;
    // Short caption of the tool-band button.
    std::optional<std::string> label;

    bool operator==(const Command&) const = default;
};

} // namespace EditorCommands
