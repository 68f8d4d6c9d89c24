#pragma once

#include <QObject>

#include <functional>
#include <memory>
#include <string_view>

class QMenu;
class QSystemTrayIcon;

namespace EditorShell {

// The icon in the desktop's tray (its status-notifier area) with the small menu: the quick
// memo with its hot key, a new document, open, the settings and quit. It follows
// "general.menuBarIcon"; without a tray host nothing shows. Main thread only.
class MenuBarItem : public QObject
{
    Q_OBJECT
public:
    struct Actions
    {
        // Only shows the quick-memo panel (never saves and hides as the hot key does).
        std::function<void()> showQuickMemo;
        // Sends an action of the application ("newDocument:", "openDocument:", "showSettings:",
        // "terminate:") along the application-wide responder chain.
        std::function<void(std::string_view action)> send;
        // Brings the application to the front.
        std::function<void()> activate;
        // Whether the desktop has a tray host (default: QSystemTrayIcon's answer).
        std::function<bool()> trayAvailable;
        // Where "no tray host" is said, once (default: the system log).
        std::function<void(std::string_view message)> log;
    };

    explicit MenuBarItem(Actions actions);
    ~MenuBarItem() override;

    // Shows, refreshes (a new menu, so the hot key shown is current) or removes the icon as the
    // setting says.
    void apply();

    // The icon while shown, else null.
    QSystemTrayIcon* item() const { return m_item.get(); }
    QMenu* menu() const { return m_menu.get(); }

    // The menu as the icon gets it.
    std::unique_ptr<QMenu> buildMenu();

private:
    Actions m_actions;
    std::unique_ptr<QSystemTrayIcon> m_item;
    std::unique_ptr<QMenu> m_menu;
    bool m_saidNoTray = false;
};

} // namespace EditorShell
