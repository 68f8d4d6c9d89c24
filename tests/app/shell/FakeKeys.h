#pragma once

#include <string>
#include <vector>

// Key presses on an X server through its XTest extension, from a connection of their own (as
// another program's keyboard would come). No Qt here: Xlib's macros clash with Qt's names.
namespace FakeKeys {

// False when the display cannot be opened or has no XTest extension.
bool available(const std::string& display);

// Presses the keys (key symbol names such as "Super_L", "Alt_L", "n") in order, then releases
// them in reverse order, and waits until the server has handled them.
void pressChord(const std::string& display, const std::vector<std::string>& keys);

// Whether another client could grab the key with exactly these modifiers (X11 mask) on the
// root window now; the grab is released again at once.
bool canGrab(const std::string& display, const std::string& key, unsigned modifiers);

// Grabs the key from a connection of its own and keeps it until `release` (another program
// holding the chord). Null when the grab failed.
void* holdGrab(const std::string& display, const std::string& key, unsigned modifiers);
void release(void* hold);

} // namespace FakeKeys
