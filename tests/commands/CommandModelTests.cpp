#include "commands/Command.h"
#include "commands/CommandCatalog.h"

#include <gtest/gtest.h>

#include <unordered_set>

using namespace EditorCommands;
using M = KeyShortcut::Modifier;

TEST(KeyShortcut, descriptionJoinsSortedGlyphsAndKey)
{
    struct Case
    {
        const char* name;
        KeyShortcut shortcut;
        const char* expected;
    };
    const Case cases[] = {
        {"shift command letter", {"o", {M::shift, M::command}}, "⇧⌘O"},
        {"control shift arrow", {"up", {M::control, M::shift}}, "⌃⇧↑"},
        {"three modifiers", {"f", {M::option, M::shift, M::command}}, "⌥⇧⌘F"},
        {"plus stays", {"+", {M::command}}, "⌘+"},
        {"equals stays", {"=", {M::command}}, "⌘="},
        {"comma stays", {",", {M::command}}, "⌘,"},
        {"built in reverse order", {"k", {M::command, M::control}}, "⌃⌘K"},
        {"no modifiers", {"a", {}}, "A"},
        {"tab glyph", {"tab", {}}, "⇥"},
        {"every arrow", {"left", {M::option}}, "⌥←"},
        {"right arrow", {"right", {}}, "→"},
        {"down arrow", {"down", {M::command}}, "⌘↓"},
        {"named key without glyph", {"space", {M::control}}, "⌃SPACE"},
        {"digit", {"9", {M::command}}, "⌘9"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.shortcut.description(), c.expected);
    }
}

TEST(KeyShortcut, modifierSetIgnoresInsertionOrder)
{
    KeyShortcut::ModifierSet a{M::command, M::control};
    KeyShortcut::ModifierSet b{M::control, M::command};
    EXPECT_EQ(a, b);
    EXPECT_EQ((KeyShortcut{"s", a}), (KeyShortcut{"s", b}));
    EXPECT_EQ(std::hash<KeyShortcut>{}(KeyShortcut{"s", a}),
              std::hash<KeyShortcut>{}(KeyShortcut{"s", b}));
    EXPECT_EQ(a.sorted(), (std::vector<M>{M::control, M::command}));

    EXPECT_NE((KeyShortcut{"s", {M::command}}), (KeyShortcut{"s", {M::command, M::shift}}));
    EXPECT_NE((KeyShortcut{"s", {M::command}}), (KeyShortcut{"d", {M::command}}));
    std::unordered_set<KeyShortcut> set{{"s", a}, {"s", b}, {"s", {}}};
    EXPECT_EQ(set.size(), 2u);
}

TEST(KeyShortcut, modifierRawValuesAreZeroToThree)
{
    EXPECT_EQ(modifierFromRawValue(0), M::control);
    EXPECT_EQ(modifierFromRawValue(1), M::option);
    EXPECT_EQ(modifierFromRawValue(2), M::shift);
    EXPECT_EQ(modifierFromRawValue(3), M::command);
    EXPECT_EQ(modifierFromRawValue(4), std::nullopt);
    EXPECT_EQ(modifierFromRawValue(-1), std::nullopt);
}

TEST(MenuPlacement, absentSubmenuEqualsOnlyAbsentSubmenu)
{
    MenuPlacement direct{MenuID::edit, 2, std::nullopt};
    MenuPlacement inFind{MenuID::edit, 2, "찾기"};
    MenuPlacement emptyTitle{MenuID::edit, 2, ""};
    EXPECT_NE(direct, inFind);
    EXPECT_NE(direct, emptyTitle);
    EXPECT_EQ(inFind, (MenuPlacement{MenuID::edit, 2, "찾기"}));
    EXPECT_NE(inFind, (MenuPlacement{MenuID::edit, 3, "찾기"}));
    EXPECT_NE(inFind, (MenuPlacement{MenuID::view, 2, "찾기"}));
    std::unordered_set<MenuPlacement> set{direct, inFind, emptyTitle, inFind};
    EXPECT_EQ(set.size(), 3u);
}

TEST(MenuID, rawValuesInMenuBarOrder)
{
    const char* expected[] = {"app", "file", "edit", "text", "view", "window", "help"};
    ASSERT_EQ(allMenuIDs.size(), std::size(expected));
    for (std::size_t i = 0; i < allMenuIDs.size(); ++i) {
        EXPECT_EQ(rawValue(allMenuIDs[i]), expected[i]);
        EXPECT_EQ(menuIDFromRawValue(expected[i]), allMenuIDs[i]);
    }
    EXPECT_EQ(menuIDFromRawValue("App"), std::nullopt);
    EXPECT_EQ(menuIDFromRawValue("find"), std::nullopt);
}

TEST(CommandID, anyStringMakesAnIdentifierComparedByItsText)
{
    CommandID unknown{"no such command"};
    EXPECT_EQ(unknown.rawValue, "no such command");
    EXPECT_EQ((CommandID{"view.wrap"}), (CommandID{std::string("view.") + "wrap"}));
    EXPECT_NE((CommandID{"view.wrap"}), (CommandID{"view.Wrap"}));
    EXPECT_EQ(CommandCatalog::command(unknown), std::nullopt);
    EXPECT_EQ(CommandCatalog::command(CommandID{""}), std::nullopt);
}
