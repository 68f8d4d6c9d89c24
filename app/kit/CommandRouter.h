#pragma once

#include "commands/Command.h"

#include <QKeyCombination>
#include <QString>

#include <optional>
#include <string>
#include <unordered_map>

class QAction;
class QObject;

namespace EditorKit {

// Where the catalog's platform-free commands meet the menu machinery: the action each command
// sends, its key chord and a ready menu item.
namespace CommandRouter {

// Names of the properties that a command's QAction carries.
inline constexpr const char* actionProperty = "olvAction"; // QByteArray: the selector string
inline constexpr const char* tagProperty = "olvTag";       // int
inline constexpr const char* hiddenProperty = "olvHidden"; // bool

// Command identifier raw value → action selector ("newDocument:"); 101 entries.
const std::unordered_map<std::string, std::string>& actionSelectors();

// The chord of a shortcut with the Linux modifier mapping and its remaps.
std::optional<QKeyCombination> keyEquivalent(const EditorCommands::KeyShortcut&);

// 1...9 for "window.selectTab1"..."window.selectTab9": the tab number that selectTabByNumber:
// reads; 0 otherwise.
int tagOf(const EditorCommands::CommandID&);

// A new item for the command: localized title, the command's action (none for the three
// without one), the override shortcut or else the command's own, the identifier as object
// name, the tab tag. A hidden item must not go into a menu (a hidden menu action does not
// answer its shortcut here): the caller adds it to the window, where it answers its shortcut
// without being shown.
QAction* menuItem(const EditorCommands::Command& command,
                  const std::optional<EditorCommands::KeyShortcut>& shortcutOverride,
                  bool hidden,
                  QObject* parent);

} // namespace CommandRouter

} // namespace EditorKit
