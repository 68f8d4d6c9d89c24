#pragma once

#include "commands/MenuPlacement.h"

#include <QString>

#include <vector>

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

namespace EditorKit {

class ActionRouter;

// Builds a window's menu bar from the command catalog. Items carry no target: each sends its
// action through the router along the chain of the window it belongs to. A menu asks the
// router which of its items are enabled each time it opens.
namespace MenuBuilder {

struct MainMenu
{
    QMenu* windowMenu = nullptr;
    QMenu* helpMenu = nullptr;
    // Items that answer their shortcut without being shown (the tab numbers and the second
    // zoom-in chord), added to the window itself.
    std::vector<QAction*> hiddenItems;
};

// Fills `bar` (empty) with the menus of the catalog and adds the hidden shortcut items to
// `window`, whose chain the items use.
MainMenu buildMainMenu(QMenuBar* bar, QWidget* window, ActionRouter& router);

// Appends the items of the catalog commands placed in `id` to `menu`.
void fillMenu(QMenu* menu, EditorCommands::MenuID id, QWidget* window, ActionRouter& router);

// Appends the application menu's own items (services, hiding, quitting).
void addApplicationItems(QMenu* menu, QWidget* window, ActionRouter& router);

// The translated title of a top-level menu.
QString localizedTitle(EditorCommands::MenuID);

// Enables each item of `menu` whose action the router can run now for `window`.
void validateMenu(QMenu* menu, QWidget* window, ActionRouter& router);

} // namespace MenuBuilder

} // namespace EditorKit
