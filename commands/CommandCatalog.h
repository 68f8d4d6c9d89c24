#pragma once

#include "commands/Command.h"

#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace EditorCommands {

// The one static table of the application's commands, in catalog order, with the lists that lay
// out the tool band. Everything is built once on first use (thread-safe) and never changes.
namespace CommandCatalog {

// All 104 commands in catalog order, which is the order of menus, palette rows, shortcut-list
// lines and hidden shortcut items (not the order of `Command::number`).
const std::vector<Command>& all();

std::optional<Command> command(const CommandID&);

// The slots of the tool band; an absent entry separates two groups.
const std::vector<std::optional<CommandID>>& toolbarItems();
// The pull-down menu of the text.tidyMenu button; an absent entry is a separator.
const std::vector<std::optional<CommandID>>& tidyMenuItems();
// The pull-down menu of the edit.multiMenu button; an absent entry is a separator.
const std::vector<std::optional<CommandID>>& multiCursorMenuItems();
// Commands whose tool-band buttons are hidden, not greyed, while unavailable.
const std::unordered_set<CommandID>& hiddenWhenUnavailable();

} // namespace CommandCatalog

// The action message each command sends along the responder chain ("newDocument:",
// "toggleWrap:"), keyed by the identifier's raw value. Three commands have none; a command
// without an entry never appears in a menu, the palette or the shortcuts list.
namespace CommandActions {

const std::unordered_map<std::string, std::string>& actionSelectors();
std::optional<std::string> actionSelector(const CommandID&);

} // namespace CommandActions

} // namespace EditorCommands
