#include "app/kit/MenuBuilder.h"

#include "app/kit/ActionRouter.h"
#include "app/kit/CommandRouter.h"
#include "app/kit/Localized.h"
#include "commands/MenuModel.h"

#include "app/kit/HostWindow.h"

#include <QAction>
#include <QApplication>
#include <QPointer>
#include <QMenu>
#include <QMenuBar>
#include <QWidget>

#include <utility>

namespace EditorKit {

using namespace EditorCommands;

namespace {

ActionSender senderOf(const QAction* action)
{
    ActionSender sender;
    sender.kind = ActionSender::Kind::menuItem;
    sender.identifier = action->objectName();
    sender.tag = action->property(CommandRouter::tagProperty).toInt();
    return sender;
}

QByteArray selectorOf(const QAction* action)
{
    return action->property(CommandRouter::actionProperty).toByteArray();
}

// Items stay enabled while their menu is closed: the router checks again when a shortcut
// fires, so a chord never depends on when the menu was last opened.
void enableAll(QMenu* menu)
{
    for (QAction* action : menu->actions()) {
        if (!selectorOf(action).isEmpty())
            action->setEnabled(true);
    }
}

void connectItem(QAction* action, QWidget* window, ActionRouter& router)
{
    const QByteArray selector = selectorOf(action);
    if (selector.isEmpty())
        return;
    QObject::connect(action, &QAction::triggered, window, [action, window, &router, selector] {
        router.send(
            std::string_view(selector.constData(), static_cast<std::size_t>(selector.size())),
            senderOf(action),
            window);
    });
}

QMenu* makeMenu(const QString& title, QWidget* window, ActionRouter& router, QWidget* parent)
{
    auto* menu = new QMenu(title, parent);
    QObject::connect(menu, &QMenu::aboutToShow, window, [menu, window, &router] {
        MenuBuilder::validateMenu(menu, window, router);
    });
    QObject::connect(menu, &QMenu::aboutToHide, menu, [menu] { enableAll(menu); });
    return menu;
}

QAction* makeStandardItem(const StandardMenuItem& item, QObject* parent)
{
    auto* action = new QAction(localized(item.title), parent);
    action->setProperty(CommandRouter::actionProperty, QByteArray::fromStdString(item.action));
    if (item.shortcut) {
        if (auto chord = CommandRouter::keyEquivalent(*item.shortcut))
            action->setShortcut(QKeySequence(*chord));
    }
    return action;
}

struct Builder
{
    QWidget* window;
    ActionRouter& router;

    void append(QMenu* menu, const std::vector<MenuItem>& items)
    {
        bool skipSeparator = false;
        for (const auto& item : items) {
            if (std::exchange(skipSeparator, false)
                && std::holds_alternative<SeparatorMenuItem>(item.value))
                continue;
            if (const auto* entry = std::get_if<CommandMenuItem>(&item.value)) {
                auto command = CommandCatalog::command(entry->id);
                if (!command)
                    continue;
                QAction* action =
                    CommandRouter::menuItem(*command, entry->shortcutOverride, false, menu);
                connectItem(action, window, router);
                menu->addAction(action);
            } else if (std::holds_alternative<SeparatorMenuItem>(item.value)) {
                menu->addSeparator();
            } else if (const auto* standard = std::get_if<StandardMenuItem>(&item.value)) {
                QAction* action = makeStandardItem(*standard, menu);
                connectItem(action, window, router);
                menu->addAction(action);
            } else {
                const auto& submenu = std::get<SubmenuItem>(item.value);
                // The desktop has no services to list: the empty submenu and its separator
                // stay out.
                if (submenu.title == "서비스") {
                    skipSeparator = true;
                    continue;
                }
                QMenu* child = makeMenu(localized(submenu.title), window, router, menu);
                append(child, submenu.items);
                menu->addMenu(child);
            }
        }
    }
};

// The Window menu's own items, made afresh each time it opens: minimize and zoom this window,
// one item per open document window (this one checked), and raise them all. No catalog command
// is placed there.
void fillWindowMenu(QMenu* menu, QWidget* window)
{
    menu->clear();
    QPointer<QWidget> self(window);
    QAction* minimize = menu->addAction(localized("최소화"));
    QObject::connect(minimize, &QAction::triggered, window, [self] {
        if (self)
            self->showMinimized();
    });
    QAction* zoom = menu->addAction(localized("확대/축소"));
    zoom->setEnabled(!window->isFullScreen());
    QObject::connect(zoom, &QAction::triggered, window, [self] {
        if (!self)
            return;
        if (self->isMaximized())
            self->showNormal();
        else
            self->showMaximized();
    });
    menu->addSeparator();
    QList<QWidget*> windows;
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->isVisible() && (top == window || qobject_cast<HostWindow*>(top)))
            windows.append(top);
    }
    for (QWidget* top : windows) {
        QString title = top->windowTitle();
        title.remove(QStringLiteral("[*]"));
        QAction* item = menu->addAction(title.isEmpty() ? localized("이름 없음") : title);
        item->setCheckable(true);
        item->setChecked(top == window);
        QPointer<QWidget> target(top);
        QObject::connect(item, &QAction::triggered, window, [target] {
            if (!target)
                return;
            if (target->isMinimized())
                target->showNormal();
            target->raise();
            target->activateWindow();
        });
    }
    menu->addSeparator();
    QAction* front = menu->addAction(localized("모두 앞으로 가져오기"));
    QObject::connect(front, &QAction::triggered, window, [self, windows] {
        for (QWidget* top : windows) {
            if (top && top != self)
                top->raise();
        }
        if (self) {
            self->raise();
            self->activateWindow();
        }
    });
}

} // namespace

QString MenuBuilder::localizedTitle(MenuID id)
{
    return localized(menuTitle(id));
}

void MenuBuilder::validateMenu(QMenu* menu, QWidget* window, ActionRouter& router)
{
    for (QAction* action : menu->actions()) {
        const QByteArray selector = selectorOf(action);
        if (selector.isEmpty())
            continue;
        const std::string_view name(selector.constData(),
                                    static_cast<std::size_t>(selector.size()));
        const ActionSender sender = senderOf(action);
        action->setEnabled(router.validate(name, sender, window));
        if (action->isCheckable())
            action->setChecked(router.isOn(name, sender, window));
    }
}

void MenuBuilder::fillMenu(QMenu* menu, MenuID id, QWidget* window, ActionRouter& router)
{
    Builder{window, router}.append(menu, MenuModel::fillMenu(id));
}

void MenuBuilder::addApplicationItems(QMenu* menu, QWidget* window, ActionRouter& router)
{
    Builder{window, router}.append(menu, MenuModel::applicationItems());
}

MenuBuilder::MainMenu
MenuBuilder::buildMainMenu(QMenuBar* bar, QWidget* window, ActionRouter& router)
{
    MainMenu result;
    Builder builder{window, router};
    auto model = MenuModel::mainMenu();
    for (const auto& top : model.menus) {
        QMenu* menu = makeMenu(localizedTitle(top.id), window, router, bar);
        builder.append(menu, top.items);
        if (top.id == MenuID::window) {
            result.windowMenu = menu;
            fillWindowMenu(menu, window);
            QObject::connect(menu, &QMenu::aboutToShow, window,
                             [menu, window] { fillWindowMenu(menu, window); });
        }
        if (top.id == MenuID::help)
            result.helpMenu = menu;
        bar->addMenu(menu);
    }

    for (const auto& hidden : model.hiddenItems) {
        auto command = CommandCatalog::command(hidden.id);
        if (!command)
            continue;
        QAction* action = CommandRouter::menuItem(*command, hidden.shortcutOverride, true, window);
        connectItem(action, window, router);
        window->addAction(action);
        result.hiddenItems.push_back(action);
    }
    return result;
}

} // namespace EditorKit
