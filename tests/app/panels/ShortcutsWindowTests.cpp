#include "app/kit/CommandRouter.h"
#include "app/kit/Localized.h"
#include "app/kit/MenuBuilder.h"
#include "app/panels/ShortcutsWindow.h"
#include "commands/CommandCatalog.h"
#include "tests/app/panels/PanelTestSupport.h"

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>

using namespace PanelTests;
using EditorPanels::ShortcutsWindow;
using Row = ShortcutsWindow::Row;

namespace EditorPanels {
void PrintTo(const ShortcutsWindow::Row& row, std::ostream* out)
{
    *out << "{" << row.title.toStdString() << " | " << row.shortcut.toStdString() << " | "
         << row.place.toStdString() << "}";
}
} // namespace EditorPanels

namespace {

const EditorPanels::CommandListing::Selectors selectors = {
    {"a.shortcutOnly", "a:"}, {"a.menuOnly", "b:"}, {"a.neither", "c:"}, {"a.both", "d:"}};

std::vector<Command> fakeCatalog()
{
    return {
        command("a.shortcutOnly", "Shortcut Only", KeyShortcut{"k", {Modifier::command}}),
        command("a.menuOnly",
                "Menu Only",
                std::nullopt,
                MenuPlacement{MenuID::edit, 1, std::string("Sub Menu")}),
        command("a.neither", "Neither"),
        // No action: never listed, whatever its shortcut.
        command("a.noAction",
                "No Action",
                KeyShortcut{"j", {Modifier::command}},
                MenuPlacement{MenuID::edit, 0, std::nullopt}),
        command("a.both",
                "Both Keys",
                KeyShortcut{"b", {Modifier::option, Modifier::command}},
                MenuPlacement{MenuID::view, 0, std::nullopt},
                KeyShortcut{"b", {Modifier::control}}),
    };
}

} // namespace

TEST(ShortcutsWindow, rowsNeedAnActionAndAShortcutOrAPlace)
{
    const QString edit = EditorKit::MenuBuilder::localizedTitle(MenuID::edit);
    const QString view = EditorKit::MenuBuilder::localizedTitle(MenuID::view);
    EXPECT_EQ(
        ShortcutsWindow::makeRows(fakeCatalog(), selectors),
        (std::vector<Row>{
            {QStringLiteral("Shortcut Only"), QStringLiteral("Ctrl+K"), QString()},
            {QStringLiteral("Menu Only"), QString(), edit + QStringLiteral(" \u203A Sub Menu")},
            {QStringLiteral("Both Keys"), QStringLiteral("Ctrl+Alt+B  Meta+B"), view},
        }));
}

TEST(ShortcutsWindow, theZoomInRowShowsBothShortcutsAndTheCatalogsRowsFollowItsRules)
{
    const auto rows = ShortcutsWindow::makeRows(EditorCommands::CommandCatalog::all(),
                                                EditorKit::CommandRouter::actionSelectors());
    const auto zoomIn = EditorCommands::CommandCatalog::command({"view.zoomIn"});
    ASSERT_TRUE(zoomIn);
    const auto found = std::find_if(rows.begin(), rows.end(), [&](const Row& row) {
        return row.title == EditorPanels::CommandListing::title(*zoomIn);
    });
    ASSERT_NE(found, rows.end());
    EXPECT_EQ(found->shortcut, QStringLiteral("Ctrl++  Ctrl+="));
    // Shortcuts in Linux names, remaps included: "move lines up" is Alt+Up here.
    const auto moveUp = std::find_if(rows.begin(), rows.end(), [](const Row& row) {
        return row.shortcut == QStringLiteral("Alt+Up");
    });
    EXPECT_NE(moveUp, rows.end());
    for (const auto& row : rows)
        EXPECT_FALSE(row.shortcut.contains(QChar(0x2318))) << row.title.toStdString();
}

TEST(ShortcutsWindow, searchIsOneTrimmedTermInTitleShortcutOrPlace)
{
    const auto rows = ShortcutsWindow::makeRows(fakeCatalog(), selectors);
    struct Case
    {
        const char* name;
        QString text;
        std::vector<QString> titles;
    };
    const std::vector<Case> cases = {
        {"only blanks", QStringLiteral(" \t "), {"Shortcut Only", "Menu Only", "Both Keys"}},
        {"the key name", QStringLiteral("ctrl"), {"Shortcut Only", "Both Keys"}},
        {"a blank inside matches only that blank", QStringLiteral("  menu only\t"), {"Menu Only"}},
        {"a blank inside is not two terms", QStringLiteral("only menu"), {}},
        {"in the place", QStringLiteral("sub me"), {"Menu Only"}},
        {"across the two shortcuts", QStringLiteral("B  Meta"), {"Both Keys"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<QString> titles;
        for (const auto& row : ShortcutsWindow::filterRows(rows, c.text))
            titles.push_back(row.title);
        EXPECT_EQ(titles, c.titles);
    }
}

TEST(ShortcutsWindow, theWindowFiltersAsTheUserTypesAndASecondShowDoesNotMoveIt)
{
    ShortcutsWindow shortcuts(fakeCatalog(), selectors);
    QWidget* window = shortcuts.window();
    EXPECT_EQ(window->size(), QSize(ShortcutsWindow::windowWidth, ShortcutsWindow::windowHeight));
    EXPECT_EQ(window->minimumSize(), QSize(420, 300));
    EXPECT_TRUE(shortcuts.table()->alternatingRowColors());
    EXPECT_EQ(shortcuts.table()->selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_EQ(shortcuts.table()->horizontalHeaderItem(0)->text(), EditorKit::localized("명령"));

    shortcuts.showWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    EXPECT_EQ(QApplication::focusWidget(), shortcuts.searchField());
    QTest::keyClicks(shortcuts.searchField(), QStringLiteral("Ctrl"));
    ASSERT_EQ(shortcuts.table()->rowCount(), 2);
    EXPECT_EQ(shortcuts.table()->item(1, 1)->text(), QStringLiteral("Ctrl+Alt+B  Meta+B"));

    const QPoint moved = window->pos() + QPoint(37, 21);
    window->move(moved);
    QCoreApplication::processEvents();
    shortcuts.showWindow();
    QCoreApplication::processEvents();
    EXPECT_EQ(window->pos(), moved);
    // The rows stay those built at the start.
    EXPECT_EQ(shortcuts.allRows().size(), 3u);

    window->close();
    shortcuts.showWindow();
    QCoreApplication::processEvents();
    EXPECT_NE(window->pos(), moved);
}

TEST(ShortcutsWindow, escapeAndTheCloseChordCloseIt)
{
    const struct
    {
        const char* name;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
    } cases[] = {{"Esc", Qt::Key_Escape, Qt::NoModifier}, {"Ctrl+W", Qt::Key_W, Qt::ControlModifier}};
    ShortcutsWindow shortcuts(fakeCatalog(), selectors);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        shortcuts.showWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(shortcuts.window()));
        // From the search field, where the typing goes.
        QTest::keyClick(shortcuts.searchField(), c.key, c.modifiers);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !shortcuts.window()->isVisible(); }));
    }
}
