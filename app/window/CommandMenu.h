#pragma once

#include "commands/CommandID.h"

#include <optional>
#include <vector>

class QMenu;
class QWidget;

namespace EditorWindow {

class DocumentWindowController;

// A menu of command items, a separator for each absent slot or a command without action; the
// items send their actions along the controller's window chain and are validated as the menu
// shows (the tool band's menu buttons, the tidy and multi-cursor menus).
QMenu* makeCommandMenu(const std::vector<std::optional<EditorCommands::CommandID>>& items,
                       DocumentWindowController& controller,
                       QWidget* parent);

} // namespace EditorWindow
