#include "app/shell/MenuBarItem.h"

#include "app/kit/Localized.h"
#include "app/kit/Symbols.h"
#include "app/shell/GlobalHotKey.h"
#include "platform/SystemLog.h"
#include "store/Settings.h"

#include <QApplication>
#include <QMenu>
#include <QPalette>
#include <QPointer>
#include <QSystemTrayIcon>

#include <string>

namespace EditorShell {

using EditorKit::localized;

MenuBarItem::MenuBarItem(Actions actions)
    : m_actions(std::move(actions))
{
    if (!m_actions.trayAvailable)
        m_actions.trayAvailable = [] { return QSystemTrayIcon::isSystemTrayAvailable(); };
    if (!m_actions.log)
        m_actions.log = [](std::string_view message) {
            Platform::SystemLog::write(
                "app.orlune.viewer", "menuBar", Platform::SystemLog::Level::info, message);
        };
}

MenuBarItem::~MenuBarItem() = default;

void MenuBarItem::apply()
{
    const bool on =
        EditorStore::Settings::shared().value(EditorStore::SettingKeys::generalMenuBarIcon);
    if (!on) {
        m_item.reset();
        m_menu.reset();
        return;
    }
    if (!m_item && !m_actions.trayAvailable()) {
        if (!m_saidNoTray) {
            m_saidNoTray = true;
            m_actions.log("menu bar item: the desktop has no tray to show the icon in");
        }
        return;
    }
    auto menu = buildMenu();
    if (!m_item) {
        m_item = std::make_unique<QSystemTrayIcon>();
        m_item->setIcon(EditorKit::Symbols::icon(
            "note.text", QApplication::palette().color(QPalette::WindowText)));
        m_item->setToolTip(QStringLiteral("Orlune Viewer"));
        m_item->setContextMenu(menu.get());
        m_item->show();
    } else {
        m_item->setContextMenu(menu.get());
    }
    m_menu = std::move(menu);
}

std::unique_ptr<QMenu> MenuBarItem::buildMenu()
{
    auto menu = std::make_unique<QMenu>();
    const std::string shortcut =
        EditorStore::Settings::shared().value(EditorStore::SettingKeys::quickMemoShortcut);
    QPointer<MenuBarItem> self(this);
    auto add = [&menu](const QString& title, std::function<void()> action) {
        QAction* item = menu->addAction(title);
        QObject::connect(item, &QAction::triggered, menu.get(), std::move(action));
    };
    auto sendInFront = [self](std::string_view action) {
        return [self, name = std::string(action)] {
            if (!self)
                return;
            if (self->m_actions.activate)
                self->m_actions.activate();
            if (self->m_actions.send)
                self->m_actions.send(name);
        };
    };
    add(localized("빠른 메모") + QStringLiteral("  ") + GlobalHotKey::shortcutText(shortcut),
        [self] {
            if (self && self->m_actions.showQuickMemo)
                self->m_actions.showQuickMemo();
        });
    menu->addSeparator();
    add(localized("새 문서"), sendInFront("newDocument:"));
    add(localized("열기…"), sendInFront("openDocument:"));
    menu->addSeparator();
    add(localized("설정…"), sendInFront("showSettings:"));
    add(localized("Orlune Viewer 끝내기"), [self] {
        if (self && self->m_actions.send)
            self->m_actions.send("terminate:");
    });
    return menu;
}

} // namespace EditorShell
