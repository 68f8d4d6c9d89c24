#pragma once

#include "commands/Command.h"

#include <QString>

#include <optional>
#include <string>
#include <unordered_map>

namespace EditorPanels {

// How the palette and the shortcuts list name a command to the user.
namespace CommandListing {

using Selectors = std::unordered_map<std::string, std::string>;

// The command's title in the interface language.
QString title(const EditorCommands::Command& command);

// Where the command sits in the menu bar: empty without a menu place; else the menu's title,
// followed for a submenu by " › " and the submenu's title.
QString place(const EditorCommands::Command& command);

// The shortcut in Linux key names, remaps included; empty without one.
QString shortcut(const std::optional<EditorCommands::KeyShortcut>& shortcut);

bool hasSelector(const EditorCommands::Command& command, const Selectors& selectors);

} // namespace CommandListing

} // namespace EditorPanels
