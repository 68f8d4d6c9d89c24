#pragma once

#include "commands/KeyShortcut.h"

#include <QKeyCombination>
#include <QString>

#include <optional>
#include <vector>

namespace EditorKit {

// The catalog's shortcuts on a PC keyboard: command → Ctrl, control → Meta (the Super key),
// option → Alt, shift → Shift. Chords that common Linux desktops keep for themselves are moved
// to what Linux editors use for the same command (see `shortcutRemaps`).
namespace KeyMapping {

struct Remap
{
    EditorCommands::KeyShortcut catalogShortcut;
    QKeyCombination linuxChord;
};

// add caret above/below: Super+Shift+Up/Down → Alt+Shift+Up/Down;
// move lines up/down: Ctrl+Alt+Up/Down → Alt+Up/Down.
const std::vector<Remap>& shortcutRemaps();

// Chords the desktop takes before the application sees them (GNOME's defaults: move a window
// between monitors, switch workspaces, the window menu).
const std::vector<QKeyCombination>& reservedChords();

// The key alone; nothing for a key string the catalog does not use.
std::optional<Qt::Key> qtKey(std::string_view key);

// The plain modifier mapping, without remaps.
Qt::KeyboardModifiers qtModifiers(const EditorCommands::KeyShortcut::ModifierSet&);

// The chord that triggers the shortcut here, remaps applied; nothing for an unknown key.
std::optional<QKeyCombination> keyCombination(const EditorCommands::KeyShortcut&);

// What the user is shown for a shortcut (tooltips, the palette, the shortcuts list, the find
// bar, the hot key): the chord of `keyCombination` in Linux key names, as the menus show it
// ("Ctrl+Shift+F", "Alt+Shift+Up"); empty for an unknown key.
QString shortcutText(const EditorCommands::KeyShortcut&);

} // namespace KeyMapping

} // namespace EditorKit
