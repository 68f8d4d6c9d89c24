#include "app/kit/ActionRouter.h"
#include "app/kit/HostWindow.h"
#include "app/kit/MenuBuilder.h"
#include "app/kit/TabPage.h"
#include "app/panels/CommandPalette.h"
#include "tests/app/panels/PanelTestSupport.h"

#include <QApplication>
#include <QLineEdit>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

using namespace PanelTests;
using EditorPanels::CommandPalette;

namespace {

const EditorPanels::CommandListing::Selectors selectors = {
    {"app.commandPalette", "showCommandPalette:"},
    {"view.tabs", "toggleTabs:"},
    {"view.lineNumbers", "toggleLineNumbers:"},
    {"line.goto", "goToLine:"},
    {"line.delete", "deleteLines:"},
    {"text.sortLines", "sortLines:"},
    {"view.settings", "showViewSettings:"},
    {"nobody.answers", "nobodyAnswers:"},
    {"only.palette", "onlyPalette:"},
};

// A catalog of its own: the rows' rules and the filter's order do not depend on the shipped one.
std::vector<Command> fakeCatalog()
{
    return {
        command("app.commandPalette",
                "Commands",
                KeyShortcut{"p", {Modifier::shift, Modifier::command}},
                MenuPlacement{MenuID::help, 0, std::nullopt}),
        command(
            "view.tabs", "Show Tabs", std::nullopt, MenuPlacement{MenuID::view, 1, std::nullopt}),
        command("view.lineNumbers",
                "Line Numbers",
                KeyShortcut{"n", {Modifier::option, Modifier::command}},
                MenuPlacement{MenuID::view, 1, std::nullopt}),
        command("line.goto", "Go to Line", KeyShortcut{"l", {Modifier::command}}),
        command("line.delete",
                "Delete Line",
                KeyShortcut{"k", {Modifier::shift, Modifier::command}},
                MenuPlacement{MenuID::text, 2, std::string("Lines")}),
        // An action but neither a menu place nor a shortcut.
        command("only.palette", "Only Palette"),
        // A shortcut and a place but no action.
        command("no.action",
                "No Action",
                KeyShortcut{"j", {Modifier::command}},
                MenuPlacement{MenuID::edit, 0, std::nullopt}),
        command("text.sortLines",
                "Sort Lines",
                std::nullopt,
                MenuPlacement{MenuID::text, 2, std::string("Lines")}),
        // Its title begins with the view menu's title.
        command("view.settings",
                EditorKit::MenuBuilder::localizedTitle(MenuID::view).toStdString() + " Settings",
                std::nullopt,
                MenuPlacement{MenuID::edit, 4, std::nullopt}),
        command("nobody.answers", "Nobody Answers", KeyShortcut{"u", {Modifier::command}}),
    };
}

std::vector<std::string> ids(const std::vector<CommandPalette::Row>& rows)
{
    std::vector<std::string> made;
    for (const auto& row : rows)
        made.push_back(row.command.id.rawValue);
    return made;
}

} // namespace

TEST(CommandPalette, rowsLeaveOutThePaletteCommandsWithoutActionOrPlaceAndDisabledOnesOfADocument)
{
    const auto catalog = fakeCatalog();
    const std::vector<std::string> everyListed = {"view.tabs",
                                                  "view.lineNumbers",
                                                  "line.goto",
                                                  "line.delete",
                                                  "text.sortLines",
                                                  "view.settings",
                                                  "nobody.answers"};
    // No document window: the enabled state is not asked.
    EXPECT_EQ(ids(CommandPalette::makeRows(catalog, selectors, {})), everyListed);

    std::vector<std::string> asked;
    const auto rows = CommandPalette::makeRows(catalog, selectors, [&](const auto& id) {
        asked.push_back(id.rawValue);
        return id.rawValue != "line.goto" && id.rawValue != "view.tabs";
    });
    EXPECT_EQ(ids(rows),
              (std::vector<std::string>{"view.lineNumbers",
                                        "line.delete",
                                        "text.sortLines",
                                        "view.settings",
                                        "nobody.answers"}));
    EXPECT_EQ(asked, everyListed);
}

TEST(CommandPalette, rowsShowThePlaceAndPrimaryShortcutInLinuxNamesAndKeepEmptyPartsInTheHaystack)
{
    auto catalog = fakeCatalog();
    catalog[4].alternateShortcut = KeyShortcut{"d", {Modifier::command}};
    const auto rows = CommandPalette::makeRows(catalog, selectors, {});
    const QString text = EditorKit::MenuBuilder::localizedTitle(MenuID::text);
    const QString view = EditorKit::MenuBuilder::localizedTitle(MenuID::view);

    const auto& deleteLine = rows[3];
    EXPECT_EQ(deleteLine.title, QStringLiteral("Delete Line"));
    EXPECT_EQ(deleteLine.place, text + QStringLiteral(" \u203A Lines"));
    EXPECT_EQ(deleteLine.shortcut, QStringLiteral("Ctrl+Shift+K"));
    EXPECT_EQ(deleteLine.haystack,
              QStringLiteral("Delete Line ") + text
                  + QStringLiteral(" \u203A Lines Ctrl+Shift+K line.delete"));

    const auto& goTo = rows[2];
    EXPECT_EQ(goTo.place, QString());
    EXPECT_EQ(goTo.haystack, QStringLiteral("Go to Line  Ctrl+L line.goto"));
    const auto& tabs = rows[0];
    EXPECT_EQ(tabs.haystack, QStringLiteral("Show Tabs ") + view + QStringLiteral("  view.tabs"));
}

TEST(CommandPalette, filterKeepsRowsWithEveryTermAndPutsTitlePrefixMatchesFirst)
{
    const auto rows = CommandPalette::makeRows(fakeCatalog(), selectors, {});
    const QString view = EditorKit::MenuBuilder::localizedTitle(MenuID::view);
    struct Case
    {
        const char* name;
        QString query;
        std::vector<std::string> expected;
    };
    const std::vector<Case> cases = {
        {"empty", QString(), ids(rows)},
        {"only blanks, Unicode ones too", QStringLiteral(" \t\u3000\u00A0 "), ids(rows)},
        {"a dotted id the title does not contain",
         QStringLiteral("VIEW.linenumbers"),
         {"view.lineNumbers"}},
        {"two terms in the title and in the shortcut",
         QStringLiteral("numbers ctrl+alt"),
         {"view.lineNumbers"}},
        {"terms in any order", QStringLiteral("ctrl+alt   numbers"), {"view.lineNumbers"}},
        {"a term inside a word", QStringLiteral("umber"), {"view.lineNumbers"}},
        // "Line Numbers" begins with "line"; the rest keep catalog order after it.
        {"title prefix first",
         QStringLiteral("line"),
         {"view.lineNumbers", "line.goto", "line.delete", "text.sortLines"}},
        {"rows kept by their place after the prefix match",
         view,
         {"view.settings", "view.tabs", "view.lineNumbers"}},
        {"a row kept by its shortcut", QStringLiteral("ctrl+l"), {"line.goto"}},
        {"nothing matches", QStringLiteral("line zzz"), {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ids(CommandPalette::filterRows(rows, c.query)), c.expected);
    }
}

namespace {

// A palette over the fake catalog with its own router: the key window is whatever the test
// made active, the application delegate records what arrives, and the unhandled handler counts
// beeps.
struct PaletteFixture : ::testing::Test
{
    EditorKit::ActionRouter router;
    RecordingResponder delegate{{"toggleTabs:",
                                 "toggleLineNumbers:",
                                 "goToLine:",
                                 "deleteLines:",
                                 "sortLines:",
                                 "showViewSettings:",
                                 "onlyPalette:"}};
    int beeps = 0;
    std::unique_ptr<CommandPalette> palette;

    void SetUp() override
    {
        router.setApplicationDelegate(&delegate);
        router.setUnhandledHandler([this](std::string_view) { ++beeps; });
        CommandPalette::Environment environment;
        environment.router = &router;
        environment.commands = fakeCatalog();
        environment.selectors = selectors;
        palette = std::make_unique<CommandPalette>(std::move(environment));
    }

    void TearDown() override
    {
        palette.reset();
        router.setApplicationDelegate(nullptr);
        QCoreApplication::processEvents();
    }

    static void activate(QWidget& window)
    {
        window.show();
        QApplication::setActiveWindow(&window);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    void showPalette()
    {
        palette->show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(palette->panel()));
    }

    void type(const QString& text) { QTest::keyClicks(palette->searchField(), text); }
    void key(Qt::Key pressed) { QTest::keyClick(palette->searchField(), pressed); }
};

} // namespace

TEST_F(PaletteFixture, keysMoveClampRunAndClose)
{
    QWidget target;
    target.resize(800, 600);
    activate(target);

    struct Case
    {
        const char* name;
        QString query;
        std::vector<Qt::Key> keys;
        bool clearSelectionFirst;
        int selected;
    };
    const std::vector<Case> cases = {
        {"the first row is selected", QString(), {}, false, 0},
        {"down moves", QString(), {Qt::Key_Down, Qt::Key_Down}, false, 2},
        {"down stops at the last row",
         QStringLiteral("line"),
         {Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Down},
         false,
         3},
        {"up stops at the first row", QString(), {Qt::Key_Down, Qt::Key_Up, Qt::Key_Up}, false, 0},
        {"up without a selection selects the first row", QString(), {Qt::Key_Up}, true, 0},
        {"down without a selection selects the first row", QString(), {Qt::Key_Down}, true, 0},
        {"keys of an empty list do nothing",
         QStringLiteral("zzz"),
         {Qt::Key_Down, Qt::Key_Up, Qt::Key_Return},
         false,
         -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        showPalette();
        type(c.query);
        if (c.clearSelectionFirst)
            palette->table()->clearSelection();
        for (Qt::Key pressed : c.keys)
            key(pressed);
        EXPECT_EQ(palette->selectedRow(), c.selected);
        EXPECT_TRUE(palette->panel()->isVisible());
        // The field keeps its own editing: the keys did not go into the text.
        EXPECT_EQ(palette->searchField()->text(), c.query);
        key(Qt::Key_Escape);
        EXPECT_FALSE(palette->panel()->isVisible());
        QCoreApplication::processEvents();
    }
    EXPECT_TRUE(delegate.performed.empty());
    EXPECT_EQ(beeps, 0);
}

TEST_F(PaletteFixture, returnRunsTheSelectedRowInTheTargetOneTurnLater)
{
    QWidget target;
    activate(target);
    showPalette();
    type(QStringLiteral("line"));
    key(Qt::Key_Down);
    key(Qt::Key_Return);
    EXPECT_FALSE(palette->panel()->isVisible());
    // Sent on the next turn, not from inside the key press.
    EXPECT_TRUE(delegate.performed.empty());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !delegate.performed.empty(); }, 2000));
    ASSERT_EQ(delegate.performed.size(), 1u);
    EXPECT_EQ(delegate.performed[0].action, "goToLine:");
    EXPECT_EQ(delegate.performed[0].sender.identifier, QStringLiteral("line.goto"));
    EXPECT_TRUE(QTest::qWaitForWindowActive(&target));
    EXPECT_EQ(palette->searchField()->text(), QStringLiteral("line"));

    // The next showing starts over with an empty query.
    showPalette();
    EXPECT_EQ(palette->searchField()->text(), QString());
    EXPECT_EQ(palette->rows().size(), palette->allRows().size());
    EXPECT_EQ(palette->selectedRow(), 0);
    key(Qt::Key_Escape);
}

TEST_F(PaletteFixture, runningWithoutAUsableRowDoesNothingAndKeepsThePaletteOpen)
{
    QWidget target;
    activate(target);
    showPalette();
    palette->table()->clearSelection();
    palette->runSelected();
    type(QStringLiteral("zzz"));
    key(Qt::Key_Return);
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_TRUE(palette->panel()->isVisible());
    EXPECT_TRUE(delegate.performed.empty());
    EXPECT_EQ(beeps, 0);
    key(Qt::Key_Escape);
}

TEST_F(PaletteFixture, anUnhandledActionBeepsAfterClosingAndLeavesTheTargetActive)
{
    QWidget target;
    activate(target);
    showPalette();
    type(QStringLiteral("nobody"));
    ASSERT_EQ(palette->rows().size(), 1u);
    key(Qt::Key_Return);
    EXPECT_FALSE(palette->panel()->isVisible());
    ASSERT_TRUE(QTest::qWaitFor([&] { return beeps == 1; }, 2000));
    EXPECT_TRUE(delegate.performed.empty());
    EXPECT_TRUE(QTest::qWaitForWindowActive(&target));
    EXPECT_EQ(QApplication::activeWindow(), &target);
}

TEST_F(PaletteFixture, losingActivationCloses)
{
    QWidget other;
    activate(other);
    showPalette();
    other.activateWindow();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !palette->panel()->isVisible(); }, 2000));
    EXPECT_TRUE(QTest::qWaitForWindowActive(&other));
}

TEST_F(PaletteFixture, theTargetIsTheActiveHostsCurrentTabAndNeverThePaletteItself)
{
    // Two host windows, each with one tab whose window controller records what reaches it.
    RecordingResponder firstController{{"deleteLines:"}};
    RecordingResponder secondController{{"deleteLines:"}};
    auto makeHost = [&](RecordingResponder& controller) {
        auto host = std::make_unique<EditorKit::HostWindow>(router);
        auto* page = new EditorKit::TabPage();
        page->setWindowController(&controller);
        host->addPage(page);
        host->resize(900, 500);
        host->move(40, 30);
        return host;
    };
    auto first = makeHost(firstController);
    auto second = makeHost(secondController);
    activate(*first);
    activate(*second);

    showPalette();
    EXPECT_EQ(palette->targetWindow(), second.get());
    // The panel's top-left: the target's middle minus half the panel, 80 below its top.
    const QRect frame = second->frameGeometry();
    EXPECT_EQ(palette->panel()->pos(),
              QPoint(frame.center().x() - CommandPalette::panelWidth / 2,
                     frame.top() + CommandPalette::offsetBelowTargetTop));

    // Asked again while the palette is the active window, it keeps its target.
    palette->show();
    EXPECT_EQ(palette->targetWindow(), second.get());

    type(QStringLiteral("delete"));
    key(Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !secondController.performed.empty(); }, 2000));
    EXPECT_TRUE(firstController.performed.empty());
    EXPECT_TRUE(delegate.performed.empty());
}

TEST_F(PaletteFixture, aDocumentTargetLeavesOutWhatItDisables)
{
    QWidget target;
    CommandPalette::Environment environment;
    environment.router = &router;
    environment.commands = fakeCatalog();
    environment.selectors = selectors;
    environment.enabledTest = [&](QWidget* window) -> CommandPalette::EnabledTest {
        if (window != &target)
            return {};
        return [](const EditorCommands::CommandID& id) { return id.rawValue != "line.goto"; };
    };
    palette = std::make_unique<CommandPalette>(std::move(environment));
    activate(target);
    showPalette();
    EXPECT_EQ(ids(palette->allRows()),
              (std::vector<std::string>{"view.tabs",
                                        "view.lineNumbers",
                                        "line.delete",
                                        "text.sortLines",
                                        "view.settings",
                                        "nobody.answers"}));
    key(Qt::Key_Escape);

    // Without a window to act on, everything is listed and the panel is centred.
    QWidget other;
    activate(other);
    other.hide();
    QApplication::setActiveWindow(nullptr);
    palette->show();
    EXPECT_EQ(palette->allRows().size(), 7u);
}

TEST_F(PaletteFixture, aTabCommandCarriesItsTabNumberAsItsMenuItemDoes)
{
    RecordingResponder tabs{{"selectTabByNumber:"}};
    router.setApplicationDelegate(&tabs);
    CommandPalette::Environment environment;
    environment.router = &router;
    environment.commands = std::vector<Command>{
        command("window.selectTab3", "Third Tab", KeyShortcut{"3", {Modifier::command}})};
    environment.selectors =
        EditorPanels::CommandListing::Selectors{{"window.selectTab3", "selectTabByNumber:"}};
    palette = std::make_unique<CommandPalette>(std::move(environment));
    QWidget target;
    activate(target);
    showPalette();
    key(Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !tabs.performed.empty(); }, 2000));
    EXPECT_EQ(tabs.performed[0].sender.tag, 3);
    router.setApplicationDelegate(&delegate);
}

TEST(CommandPaletteTarget, withoutAnActiveWindowTheMainWindowIsTheTarget)
{
    EditorKit::ActionRouter router;
    auto first = std::make_unique<EditorKit::HostWindow>(router);
    auto second = std::make_unique<EditorKit::HostWindow>(router);
    for (auto* host : {first.get(), second.get()}) {
        host->show();
        QApplication::setActiveWindow(host);
        ASSERT_TRUE(QTest::qWaitForWindowActive(host));
    }
    first->activateWindow();
    QApplication::setActiveWindow(first.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(first.get()));
    EXPECT_EQ(EditorKit::HostWindow::mainWindow(), first.get());

    CommandPalette::Environment environment;
    environment.router = &router;
    environment.keyWindow = [] { return static_cast<QWidget*>(nullptr); };
    CommandPalette palette(std::move(environment));
    palette.show();
    EXPECT_EQ(palette.targetWindow(), first.get()) << "the window worked in last";
    palette.close();

    // A hidden main window gives way to one still shown.
    first->hide();
    EXPECT_EQ(EditorKit::HostWindow::mainWindow(), second.get());
    second->hide();
    EXPECT_EQ(EditorKit::HostWindow::mainWindow(), nullptr);
}
