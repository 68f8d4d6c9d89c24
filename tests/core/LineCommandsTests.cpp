#include "core/LineCommands.h"

#include <gtest/gtest.h>

#include <string>

using namespace EditorCore;

TEST(TextEdit, appliedReplacesTheRangeLimitedToTheText)
{
    EXPECT_EQ((TextEdit{{1, 2}, u"XY", {0, 0}}.applied(u"abcd")), u"aXYd");
    EXPECT_EQ((TextEdit{{4, 0}, u"!", {0, 0}}.applied(u"abcd")), u"abcd!");
    EXPECT_EQ((TextEdit{{2, 99}, u"", {0, 0}}.applied(u"abcd")), u"ab");
    EXPECT_EQ((TextEdit{{-3, 4}, u"_", {0, 0}}.applied(u"abcd")), u"_bcd");
    EXPECT_EQ((TextEdit{{9, 1}, u"z", {0, 0}}.applied(u"ab")), u"abz");
}

TEST(LineCommands, splitTrailingBreak)
{
    struct Case
    {
        std::u16string line;
        std::u16string body;
        std::u16string lineBreak;
    };
    const Case cases[] = {
        {u"abc\r\n", u"abc", u"\r\n"},
        {u"abc\n", u"abc", u"\n"},
        {u"abc\r", u"abc", u"\r"},
        {u"abc\u0085", u"abc", u"\u0085"},
        {u"abc\u2028", u"abc", u"\u2028"},
        {u"abc\u2029", u"abc", u"\u2029"},
        {u"a\n\n", u"a\n", u"\n"},
        {u"abc", u"abc", u""},
        {u"", u"", u""},
        {u"\r\n", u"", u"\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.line));
        const auto split = LineCommands::splitTrailingBreak(c.line);
        EXPECT_EQ(split.body, c.body);
        EXPECT_EQ(split.lineBreak, c.lineBreak);
    }
}

TEST(LineCommands, selectionEndingRightAfterATerminatorCoversItsLineOnly)
{
    for (std::u16string terminator : {u"\n", u"\r", u"\r\n", u"\u0085", u"\u2028", u"\u2029"}) {
        SCOPED_TRACE(testing::PrintToString(terminator));
        const std::u16string text = u"ab" + terminator + u"cd" + terminator + u"ef";
        const auto lineLength = static_cast<std::int64_t>(2 + terminator.size());
        EXPECT_EQ(LineCommands::coveredLineRange(text, {0, lineLength}),
                  (TextRange{0, lineLength}));
        EXPECT_EQ(LineCommands::coveredLineRange(text, {1, lineLength}),
                  (TextRange{0, 2 * lineLength}));
        EXPECT_EQ(LineCommands::coveredLineRange(text, {lineLength, 0}),
                  (TextRange{lineLength, lineLength}));
    }
    EXPECT_EQ(LineCommands::coveredLineRange(u"ab\n", {3, 0}), (TextRange{3, 0}));
    EXPECT_EQ(LineCommands::coveredLineRange(u"ab\n", {-5, 100}), (TextRange{0, 3}));
}

TEST(LineCommands, deleteLines)
{
    struct Case
    {
        const char* name;
        std::u16string text;
        TextRange selection;
        TextEdit expected;
    };
    const Case cases[] = {
        {"last line takes the break above", u"a\nb", {2, 0}, {{1, 2}, u"", {0, 0}}},
        {"last line with terminator", u"a\nb\n", {2, 0}, {{2, 2}, u"", {2, 0}}},
        {"only line", u"abc", {1, 1}, {{0, 3}, u"", {0, 0}}},
        {"crlf above", u"a\r\nb", {3, 0}, {{1, 3}, u"", {0, 0}}},
        {"line separator above", u"x\na\u2028b", {5, 0}, {{3, 2}, u"", {2, 0}}},
        {"selection ending after lf", u"a\nb\nc", {0, 2}, {{0, 2}, u"", {0, 0}}},
        {"middle lines", u"a\nb\nc\nd", {3, 2}, {{2, 4}, u"", {2, 0}}},
        {"empty text", u"", {0, 0}, {{0, 0}, u"", {0, 0}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto edit = LineCommands::deleteLines(c.text, c.selection);
        EXPECT_EQ(edit, c.expected);
    }
}

TEST(LineCommands, joinLines)
{
    struct Case
    {
        const char* name;
        std::u16string text;
        TextRange selection;
        std::optional<TextEdit> expected;
    };
    const Case cases[] = {
        {"with the next line", u"foo\n    bar", {1, 0}, TextEdit{{0, 11}, u"foo bar", {3, 0}}},
        {"three selected lines", u"foo\n   \nbar", {0, 11}, TextEdit{{0, 11}, u"foo bar", {3, 0}}},
        {"last line", u"a\nb", {2, 0}, std::nullopt},
        {"one-line text", u"abc", {0, 3}, std::nullopt},
        {"empty first line", u"\nx", {0, 0}, TextEdit{{0, 2}, u" x", {0, 0}}},
        {"keeps the last terminator", u"a\nb\n", {0, 4}, TextEdit{{0, 4}, u"a b\n", {1, 0}}},
        {"crlf", u"a\r\n  b\r\nc", {0, 0}, TextEdit{{0, 8}, u"a b\r\n", {1, 0}}},
        {"first piece keeps its indent", u"  a\n\t b", {0, 0}, TextEdit{{0, 7}, u"  a b", {3, 0}}},
        {"final line separator appears once",
         u"a\nb\u2028c",
         {0, 4},
         TextEdit{{0, 4}, u"a b\u2028", {1, 0}}},
        {"inner next line splits", u"a\u0085  b\nc", {0, 4}, TextEdit{{0, 6}, u"a b\n", {1, 0}}},
        {"one line ending in paragraph separator",
         u"a\u2029 b",
         {0, 0},
         TextEdit{{0, 4}, u"a b", {1, 0}}},
        {"selection ending after lf joins its line with the next",
         u"a\nb\nc",
         {0, 2},
         TextEdit{{0, 4}, u"a b\n", {1, 0}}},
        {"empty pieces dropped", u"a\n\n \nb", {0, 6}, TextEdit{{0, 6}, u"a b", {1, 0}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(LineCommands::joinLines(c.text, c.selection), c.expected);
    }
}

TEST(LineCommands, duplicateLines)
{
    struct Case
    {
        const char* name;
        std::u16string text;
        TextRange selection;
        LineEnding ending;
        TextEdit expected;
    };
    const Case cases[] = {
        {"empty text", u"", {0, 0}, LineEnding::lf, {{0, 0}, u"\n", {1, 0}}},
        {"last line without terminator",
         u"abc",
         {1, 0},
         LineEnding::lf,
         {{0, 3}, u"abc\nabc", {5, 0}}},
        {"document ending for the missing break",
         u"x\nabc",
         {3, 1},
         LineEnding::crlf,
         {{2, 3}, u"abc\r\nabc", {8, 1}}},
        {"selection ending after lf", u"a\nb", {0, 2}, LineEnding::cr, {{0, 2}, u"a\na\n", {2, 2}}},
        {"line separator is the line's break",
         u"a\u2028b",
         {0, 0},
         LineEnding::lf,
         {{0, 2}, u"a\u2028a\u2028", {2, 0}}},
        {"two lines", u"a\nb\nc", {1, 2}, LineEnding::lf, {{0, 4}, u"a\nb\na\nb\n", {5, 2}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto edit = LineCommands::duplicateLines(c.text, c.selection, c.ending);
        EXPECT_EQ(edit, c.expected);
    }
}

TEST(LineCommands, moveLines)
{
    using LineCommands::MoveDirection;
    struct Case
    {
        const char* name;
        std::u16string text;
        TextRange selection;
        MoveDirection direction;
        std::optional<TextEdit> expected;
    };
    const Case cases[] = {
        {"up on the first line", u"a\nb", {1, 0}, MoveDirection::up, std::nullopt},
        {"down on the last line", u"a\nb", {2, 0}, MoveDirection::down, std::nullopt},
        {"down onto the empty last line", u"a\nb\n", {2, 0}, MoveDirection::down, std::nullopt},
        {"last line up ends the text without terminator",
         u"a\nb",
         {2, 0},
         MoveDirection::up,
         TextEdit{{0, 3}, u"b\na", {0, 0}}},
        {"down onto the last line",
         u"a\nb",
         {0, 0},
         MoveDirection::down,
         TextEdit{{0, 3}, u"b\na", {2, 0}}},
        {"crlf kept",
         u"a\r\nb\r\n",
         {3, 0},
         MoveDirection::up,
         TextEdit{{0, 6}, u"b\r\na\r\n", {0, 0}}},
        {"each break stays with its place",
         u"a\r\nb\u2028c",
         {3, 0},
         MoveDirection::up,
         TextEdit{{0, 5}, u"b\r\na\u2028", {0, 0}}},
        {"up keeps the selection's length",
         u"aa\nbb\ncc",
         {4, 1},
         MoveDirection::up,
         TextEdit{{0, 6}, u"bb\naa\n", {1, 1}}},
        {"down keeps the selection's length",
         u"aa\nbb\ncc",
         {1, 1},
         MoveDirection::down,
         TextEdit{{0, 6}, u"bb\naa\n", {4, 1}}},
        {"selection ending after lf moves one line",
         u"aa\nbb\ncc",
         {0, 3},
         MoveDirection::down,
         TextEdit{{0, 6}, u"bb\naa\n", {3, 3}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(LineCommands::moveLines(c.text, c.selection, c.direction, LineEnding::lf),
                  c.expected);
    }
}
