#include "KitTestSupport.h"
#include "app/kit/ActionRouter.h"
#include "app/kit/CommandRouter.h"
#include "app/kit/HostWindow.h"
#include "app/kit/Localized.h"
#include "app/kit/MenuBuilder.h"
#include "app/kit/TabPage.h"
#include "commands/CommandCatalog.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include <gtest/gtest.h>

#include <map>

using namespace EditorKit;
using namespace EditorCommands;

namespace {

// One line per action: the command identifier, "-" for a separator, "[title: n]" for a
// child menu with n items, or the text of a standard item.
std::vector<std::string> lines(const QMenu* menu)
{
    std::vector<std::string> result;
    for (const QAction* action : menu->actions()) {
        if (action->isSeparator())
            result.push_back("-");
        else if (action->menu())
            result.push_back("[" + action->text().toStdString() + ": "
                             + std::to_string(action->menu()->actions().size()) + "]");
        else if (!action->objectName().isEmpty())
            result.push_back(action->objectName().toStdString());
        else
            result.push_back(action->text().toStdString());
    }
    return result;
}

QMenu* topMenu(const HostWindow& window, int index)
{
    auto actions = window.menuBar()->actions();
    if (index >= actions.size())
        return nullptr;
    return actions[index]->menu();
}

QAction* findAction(const QMenu* menu, const QString& name)
{
    for (QAction* action : menu->actions()) {
        if (action->objectName() == name || action->text() == name)
            return action;
        if (action->menu()) {
            if (QAction* found = findAction(action->menu(), name))
                return found;
        }
    }
    return nullptr;
}

std::string chordText(const QAction* action)
{
    return action->shortcut().toString(QKeySequence::PortableText).toStdString();
}

class MenuFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        router.setUnhandledHandler([](std::string_view) {});
        window = std::make_unique<HostWindow>(router);
        auto* page = new TabPage;
        window->addPage(page);
        page->setWindowController(&controller);
    }

    ActionRouter router;
    RecordingResponder controller{"controller"};
    std::unique_ptr<HostWindow> window;
};

} // namespace

TEST_F(MenuFixture, menuBarFollowsTheCatalog)
{
    std::vector<std::string> titles;
    for (QAction* action : window->menuBar()->actions())
        titles.push_back(action->text().toStdString());
    EXPECT_EQ(titles,
              (std::vector<std::string>{
                  "Orlune Viewer", "파일", "편집", "텍스트", "보기", "윈도우", "도움말"}));

    EXPECT_EQ(lines(topMenu(*window, 0)),
              (std::vector<std::string>{"app.about",
                                        "app.checkForUpdates",
                                        "-",
                                        "app.settings",
                                        "-",
                                        "app.installCommandLineTool",
                                        "app.enableFinderMenu",
                                        "-",
                                        "Orlune Viewer 가리기",
                                        "기타 가리기",
                                        "모두 보기",
                                        "-",
                                        "Orlune Viewer 끝내기"}));
    EXPECT_EQ(lines(topMenu(*window, 2)),
              (std::vector<std::string>{"edit.undo",
                                        "edit.redo",
                                        "-",
                                        "edit.cut",
                                        "edit.copy",
                                        "edit.paste",
                                        "edit.selectAll",
                                        "-",
                                        "[찾기: 6]",
                                        "[여러 곳 편집: 6]",
                                        "edit.nextSyntaxError",
                                        "edit.goToLine",
                                        "-",
                                        "[자동 고침: 3]"}));
    auto view = lines(topMenu(*window, 4));
    EXPECT_EQ(std::count(view.begin(), view.end(), "-"), 8);
    EXPECT_EQ(view.size(), 20u + 8u);
    EXPECT_EQ(window->mainMenu().windowMenu, topMenu(*window, 5));
    EXPECT_EQ(window->mainMenu().helpMenu, topMenu(*window, 6));
    // No empty child menu anywhere: the desktop has no services to list.
    std::vector<QMenu*> menus;
    for (QAction* top : window->menuBar()->actions())
        menus.push_back(top->menu());
    while (!menus.empty()) {
        QMenu* menu = menus.back();
        menus.pop_back();
        EXPECT_FALSE(menu->actions().isEmpty()) << menu->title().toStdString();
        for (QAction* action : menu->actions()) {
            if (action->menu())
                menus.push_back(action->menu());
        }
    }
}

TEST_F(MenuFixture, theWindowMenuListsTheWindowsAndActsOnThem)
{
    window->setWindowTitle(QStringLiteral("notes.txt"));
    window->show();
    HostWindow other(router);
    other.setWindowTitle(QStringLiteral("other.txt"));
    other.show();
    QMenu* menu = window->mainMenu().windowMenu;
    emit menu->aboutToShow();
    const auto items = lines(menu);
    EXPECT_EQ(items.front(), "최소화");
    EXPECT_EQ(items.back(), "모두 앞으로 가져오기");
    QAction* self = findAction(menu, QStringLiteral("notes.txt"));
    QAction* second = findAction(menu, QStringLiteral("other.txt"));
    ASSERT_NE(self, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_TRUE(self->isChecked());
    EXPECT_FALSE(second->isChecked());
    findAction(menu, QStringLiteral("최소화"))->trigger();
    EXPECT_TRUE(window->isMinimized());
    emit menu->aboutToShow();
    findAction(menu, QStringLiteral("notes.txt"))->trigger();
    EXPECT_FALSE(window->isMinimized());
    // A window that has closed is no longer listed.
    other.close();
    emit menu->aboutToShow();
    EXPECT_EQ(findAction(menu, QStringLiteral("other.txt")), nullptr);
}

TEST_F(MenuFixture, switchesShowTheStateTheChainKeepsWhenTheirMenuOpens)
{
    controller.answer("toggleWrap:");
    controller.answer("toggleRuler:");
    controller.answer("zoomIn:");
    controller.states["toggleWrap:"] = true;
    QMenu* view = topMenu(*window, 4);
    QAction* wrap = findAction(view, "view.wrap");
    QAction* ruler = findAction(view, "view.ruler");
    QAction* zoomIn = findAction(view, "view.zoomIn");
    QAction* tabBar = findAction(view, "view.toggleTabBar"); // the page knows it

    emit view->aboutToShow();
    EXPECT_TRUE(wrap->isCheckable());
    EXPECT_TRUE(wrap->isChecked());
    EXPECT_TRUE(ruler->isCheckable());
    EXPECT_FALSE(ruler->isChecked()); // no link knows: off
    EXPECT_FALSE(zoomIn->isCheckable());
    EXPECT_EQ(tabBar->isChecked(), window->isTabBarAlwaysShown());
    emit view->aboutToHide();

    controller.states["toggleWrap:"] = false;
    window->toggleTabBar();
    emit view->aboutToShow();
    EXPECT_FALSE(wrap->isChecked());
    EXPECT_EQ(tabBar->isChecked(), window->isTabBarAlwaysShown());
    emit view->aboutToHide();
}

TEST_F(MenuFixture, itemsCarryIdentifierActionShortcutAndTag)
{
    QAction* wrap = findAction(topMenu(*window, 4), "view.wrap");
    ASSERT_NE(wrap, nullptr);
    EXPECT_EQ(wrap->text(), "자동 줄바꿈");
    EXPECT_EQ(wrap->property(CommandRouter::actionProperty).toByteArray(), "toggleWrap:");
    EXPECT_EQ(chordText(wrap), "Ctrl+Alt+L");

    QAction* zoomIn = findAction(topMenu(*window, 4), "view.zoomIn");
    ASSERT_NE(zoomIn, nullptr);
    EXPECT_EQ(chordText(zoomIn), "Ctrl++");

    QAction* hideOthers = findAction(topMenu(*window, 0), "기타 가리기");
    ASSERT_NE(hideOthers, nullptr);
    EXPECT_EQ(hideOthers->property(CommandRouter::actionProperty).toByteArray(),
              "hideOtherApplications:");
    EXPECT_EQ(chordText(hideOthers), "Ctrl+Alt+H");

    // The hidden items live on the window, in catalog order.
    const auto& hidden = window->mainMenu().hiddenItems;
    ASSERT_EQ(hidden.size(), 10u);
    EXPECT_EQ(hidden[0]->objectName(), "view.zoomIn");
    EXPECT_EQ(chordText(hidden[0]), "Ctrl+=");
    for (int n = 1; n <= 9; ++n) {
        const QAction* tab = hidden[static_cast<std::size_t>(n)];
        EXPECT_EQ(tab->objectName(), QString("window.selectTab%1").arg(n));
        EXPECT_EQ(tab->property(CommandRouter::tagProperty).toInt(), n);
        EXPECT_EQ(chordText(tab), "Ctrl+" + std::to_string(n));
        EXPECT_TRUE(window->actions().contains(const_cast<QAction*>(tab)));
        EXPECT_TRUE(tab->isVisible()); // a hidden QAction would not answer its chord
    }
}

TEST_F(MenuFixture, aCommandWithoutActionGivesAnItemThatSendsNothing)
{
    auto command = CommandCatalog::command(CommandID{"text.removeUnencodable"});
    ASSERT_TRUE(command);
    std::unique_ptr<QAction> item(CommandRouter::menuItem(*command, std::nullopt, false, nullptr));
    EXPECT_TRUE(item->property(CommandRouter::actionProperty).isNull());
    EXPECT_TRUE(item->shortcut().isEmpty());
    EXPECT_EQ(item->objectName(), "text.removeUnencodable");
    EXPECT_EQ(findAction(topMenu(*window, 3), "text.removeUnencodable"), nullptr);
}

TEST_F(MenuFixture, menusEnableWhatTheChainAnswersWhenTheyOpen)
{
    controller.answer("toggleWrap:");
    controller.answer("toggleHex:", false);
    QMenu* view = topMenu(*window, 4);
    QAction* wrap = findAction(view, "view.wrap");
    QAction* hex = findAction(view, "view.hex");
    QAction* ruler = findAction(view, "view.ruler");
    QAction* tabBar = findAction(view, "view.toggleTabBar"); // the page answers it

    emit view->aboutToShow();
    EXPECT_TRUE(wrap->isEnabled());
    EXPECT_FALSE(hex->isEnabled());
    EXPECT_FALSE(ruler->isEnabled());
    EXPECT_TRUE(tabBar->isEnabled());

    // Closed again, every item is enabled so its chord is checked when it fires.
    emit view->aboutToHide();
    EXPECT_TRUE(hex->isEnabled());
    EXPECT_TRUE(ruler->isEnabled());

    // Child menus validate on their own opening; "hide others" has no counterpart here.
    QMenu* find = findAction(topMenu(*window, 2), "찾기")->menu();
    emit find->aboutToShow();
    EXPECT_FALSE(findAction(find, "find.show")->isEnabled());
    QMenu* app = topMenu(*window, 0);
    emit app->aboutToShow();
    EXPECT_FALSE(findAction(app, "기타 가리기")->isEnabled());
    EXPECT_TRUE(findAction(app, "Orlune Viewer 끝내기")->isEnabled());
    emit app->aboutToHide();
}

TEST_F(MenuFixture, triggeringAnItemSendsItsActionWithTheItemAsSender)
{
    controller.answer("toggleHex:");
    findAction(topMenu(*window, 4), "view.hex")->trigger();
    ASSERT_EQ(controller.received.size(), 1u);
    EXPECT_EQ(controller.received[0].action, "toggleHex:");
    EXPECT_EQ(controller.received[0].sender.kind, ActionSender::Kind::menuItem);
    EXPECT_EQ(controller.received[0].sender.identifier, "view.hex");
    EXPECT_EQ(controller.received[0].sender.tag, 0);
}

TEST(Localized, translationsFollowTheKoreanKeys)
{
    EXPECT_EQ(localized("파일"), "파일");
    ASSERT_TRUE(installTranslation("en"));
    EXPECT_EQ(localized("파일"), "File");
    EXPECT_EQ(localized("날짜 · 시각 넣기"), "Insert Date · Time");
    EXPECT_EQ(MenuBuilder::localizedTitle(MenuID::window), "Window");
    EXPECT_EQ(localized("없는 말"), "없는 말");
    {
        ActionRouter router;
        HostWindow window(router);
        EXPECT_EQ(window.menuBar()->actions()[1]->text(), "File");
    }
    ASSERT_TRUE(installTranslation("ja"));
    EXPECT_EQ(localized("보기"), "表示");
    // The Korean catalogue gives only the Linux wording of texts that name the Mac.
    ASSERT_TRUE(installTranslation("ko"));
    EXPECT_EQ(localized("보기"), "보기");
    EXPECT_EQ(
        localized("관리자 파일이라 저절로 저장하지 않았어요. 저장하면 맥이 관리자 암호를 물어요."),
        "관리자 파일이라 저절로 저장하지 않았어요. 저장하면 관리자 암호를 물어요.");

    // Every catalog title, submenu and label has both translations.
    for (const char* language : {"en", "ja"}) {
        ASSERT_TRUE(installTranslation(language));
        for (const auto& command : CommandCatalog::all()) {
            EXPECT_NE(localized(command.title), QString::fromStdString(command.title))
                << language << " " << command.id;
            if (command.menu && command.menu->submenu) {
                EXPECT_NE(localized(*command.menu->submenu),
                          QString::fromStdString(*command.menu->submenu));
            }
            if (command.label) {
                EXPECT_NE(localized(*command.label), QString::fromStdString(*command.label));
            }
        }
    }
    installTranslation("ko");
}

TEST(Localized, interfaceLanguageFollowsTheFirstSetVariable)
{
    struct Case
    {
        const char* name;
        std::map<std::string, QByteArray> environment;
        const char* language;
    };
    const Case cases[] = {
        {"nothing set", {}, "ko"},
        {"LANG English", {{"LANG", "en_US.UTF-8"}}, "en"},
        {"LANG Japanese", {{"LANG", "ja_JP.UTF-8"}}, "ja"},
        {"LANG Korean", {{"LANG", "ko_KR.UTF-8"}}, "ko"},
        {"another language is Korean", {{"LANG", "de_DE.UTF-8"}}, "ko"},
        {"C locale is Korean", {{"LANG", "C"}}, "ko"},
        {"LC_MESSAGES over LANG", {{"LC_MESSAGES", "ja_JP"}, {"LANG", "en_US"}}, "ja"},
        {"LC_ALL over LC_MESSAGES", {{"LC_ALL", "en_GB"}, {"LC_MESSAGES", "ja_JP"}}, "en"},
        {"LANGUAGE over LC_ALL", {{"LANGUAGE", "ja"}, {"LC_ALL", "en_US.UTF-8"}}, "ja"},
        {"LANGUAGE's first entry of ours", {{"LANGUAGE", "de:fr:en_US:ja"}}, "en"},
        {"LANGUAGE without one of ours", {{"LANGUAGE", "de:fr"}, {"LANG", "en_US"}}, "ko"},
        {"empty LANGUAGE is unset", {{"LANGUAGE", ""}, {"LANG", "ja_JP.eucJP"}}, "ja"},
        {"modifier and dash", {{"LANG", "en-AU@euro"}}, "en"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto lookup = [&](const char* name) {
            auto found = c.environment.find(name);
            return found == c.environment.end() ? QByteArray() : found->second;
        };
        EXPECT_EQ(interfaceLanguage(lookup), QString::fromLatin1(c.language));
    }
}
