// The tray icon and its menu, with the tray host's presence injected (offscreen has none).

#include "app/documents/DocumentServices.h"
#include "app/documents/TextDocument.h"
#include "app/kit/ActionRouter.h"
#include "app/kit/Presenter.h"
#include "app/shell/Application.h"
#include "app/shell/MenuBarItem.h"
#include "store/Settings.h"

#include <QApplication>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTest>

#include <gtest/gtest.h>

using EditorShell::MenuBarItem;
using EditorStore::SettingKeys;
using EditorStore::Settings;

namespace {

struct MenuBar : ::testing::Test
{
    std::vector<std::string> calls;
    bool trayAvailable = true;
    std::vector<std::string> logged;

    MenuBarItem::Actions actions()
    {
        MenuBarItem::Actions result;
        result.showQuickMemo = [this] { calls.push_back("quickMemo"); };
        result.send = [this](std::string_view action) { calls.emplace_back(action); };
        result.activate = [this] { calls.push_back("activate"); };
        result.trayAvailable = [this] { return trayAvailable; };
        result.log = [this](std::string_view message) { logged.emplace_back(message); };
        return result;
    }

    void TearDown() override
    {
        Settings::shared().set(true, SettingKeys::generalMenuBarIcon);
        Settings::shared().set("ctrl+opt+n", SettingKeys::quickMemoShortcut);
    }
};

QStringList titles(QMenu* menu)
{
    QStringList result;
    for (QAction* action : menu->actions())
        result << (action->isSeparator() ? QStringLiteral("---") : action->text());
    return result;
}

} // namespace

TEST_F(MenuBar, theMenuHoldsItsSevenEntriesAndFollowsTheShortcut)
{
    MenuBarItem item(actions());
    item.apply();
    ASSERT_NE(item.item(), nullptr);
    EXPECT_EQ(item.item()->toolTip(), QStringLiteral("Orlune Viewer"));
    EXPECT_FALSE(item.item()->icon().isNull());
    ASSERT_EQ(item.item()->contextMenu(), item.menu());
    EXPECT_EQ(titles(item.menu()),
              (QStringList{QStringLiteral("빠른 메모  Meta+Alt+N"),
                           QStringLiteral("---"),
                           QStringLiteral("새 문서"),
                           QStringLiteral("열기…"),
                           QStringLiteral("---"),
                           QStringLiteral("설정…"),
                           QStringLiteral("Orlune Viewer 끝내기")}));
    for (QAction* action : item.menu()->actions())
        EXPECT_TRUE(action->shortcut().isEmpty());

    QSystemTrayIcon* icon = item.item();
    Settings::shared().set("opt+space", SettingKeys::quickMemoShortcut);
    item.apply();
    EXPECT_EQ(item.item(), icon) << "the same icon, with a new menu";
    EXPECT_EQ(item.menu()->actions()[0]->text(), QStringLiteral("빠른 메모  Alt+Space"));
    Settings::shared().set("off", SettingKeys::quickMemoShortcut);
    item.apply();
    EXPECT_EQ(item.menu()->actions()[0]->text(), QStringLiteral("빠른 메모  끔"));
}

TEST_F(MenuBar, theEntriesSendTheirActionsAndBringTheApplicationForwardFirst)
{
    MenuBarItem item(actions());
    item.apply();
    ASSERT_NE(item.menu(), nullptr);
    struct Case
    {
        int index;
        std::vector<std::string> calls;
    };
    const Case cases[] = {
        {0, {"quickMemo"}},
        {2, {"activate", "newDocument:"}},
        {3, {"activate", "openDocument:"}},
        {5, {"activate", "showSettings:"}},
        {6, {"terminate:"}},
    };
    for (const auto& c : cases) {
        calls.clear();
        item.menu()->actions()[c.index]->trigger();
        EXPECT_EQ(calls, c.calls) << c.index;
    }
}

TEST_F(MenuBar, offAndOnMakesANewIconAndNoTrayShowsNothing)
{
    MenuBarItem item(actions());
    item.apply();
    ASSERT_NE(item.item(), nullptr);
    Settings::shared().set(false, SettingKeys::generalMenuBarIcon);
    item.apply();
    EXPECT_EQ(item.item(), nullptr);
    Settings::shared().set(true, SettingKeys::generalMenuBarIcon);
    item.apply();
    ASSERT_NE(item.item(), nullptr);
    EXPECT_TRUE(item.item()->isVisible());
    EXPECT_TRUE(logged.empty());

    MenuBarItem without([this] {
        auto result = actions();
        result.trayAvailable = [] { return false; };
        return result;
    }());
    without.apply();
    without.apply();
    EXPECT_EQ(without.item(), nullptr);
    EXPECT_EQ(logged.size(), 1u) << "said once";
}

TEST_F(MenuBar, newDocumentFromTheMenuMakesADocument)
{
    EditorKit::ActionRouter router;
    EditorShell::Application application(router,
                                         std::make_shared<EditorDocuments::DocumentServices>(
                                             *EditorDocuments::DocumentServices::shared()),
                                         std::make_shared<EditorKit::WidgetPresenter>());
    auto shipped = actions();
    shipped.send = [&router](std::string_view action) { router.send(action, {}, nullptr); };
    MenuBarItem item(std::move(shipped));
    item.apply();
    item.menu()->actions()[2]->trigger();
    auto documents = application.documentController().documents();
    ASSERT_EQ(documents.size(), 1u);
    EXPECT_TRUE(documents[0]->editor() != nullptr) << "shown in a window";
    for (auto* document : documents)
        application.documentController().removeDocument(document);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
