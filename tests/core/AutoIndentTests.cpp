#include "core/AutoIndent.h"

#include <gtest/gtest.h>

#include <string>

using namespace EditorCore;
using namespace EditorCore::AutoIndent;

TEST(AutoIndent, newLineText)
{
    struct Case
    {
        const char* name;
        std::u16string text;
        TextRange selection;
        IndentStyle style;
        LineEnding ending;
        SmartIndent smart;
        ColonIndent colon;
        TextEdit expected;
    };
    const IndentStyle four(false, 4);
    const IndentStyle tabs(true, 4);
    const auto lf = LineEnding::lf;
    const auto on = SmartIndent::on;
    const auto noColon = ColonIndent::off;
    const Case cases[] = {
        {"keeps the indentation",
         u"    foo bar",
         {7, 0},
         four,
         lf,
         on,
         noColon,
         {{7, 0}, u"\n    ", {12, 0}}},
        {"start of an indented line",
         u"    foo",
         {0, 0},
         four,
         lf,
         on,
         noColon,
         {{0, 0}, u"\n", {1, 0}}},
        {"replaces the selection",
         u"ab cd",
         {1, 3},
         four,
         lf,
         on,
         noColon,
         {{1, 3}, u"\n", {2, 0}}},
        {"splits a bracket pair",
         u"  {}",
         {3, 0},
         four,
         lf,
         on,
         noColon,
         {{3, 0}, u"\n      \n  ", {10, 0}}},
        {"removes the spaces before the closing bracket",
         u"{   }",
         {1, 0},
         four,
         lf,
         on,
         noColon,
         {{1, 3}, u"\n    \n", {6, 0}}},
        {"other closing bracket only adds a level",
         u"{]",
         {1, 0},
         four,
         lf,
         on,
         noColon,
         {{1, 0}, u"\n    ", {6, 0}}},
        {"letter after the bracket",
         u"(x",
         {1, 0},
         four,
         lf,
         on,
         noColon,
         {{1, 0}, u"\n    ", {6, 0}}},
        {"whitespace between bracket and caret",
         u"x = [  ",
         {7, 0},
         four,
         lf,
         on,
         noColon,
         {{7, 0}, u"\n    ", {12, 0}}},
        {"smart off copies only",
         u"  {}",
         {3, 0},
         four,
         lf,
         SmartIndent::off,
         ColonIndent::on,
         {{3, 0}, u"\n  ", {6, 0}}},
        {"colon on", u"if x:", {5, 0}, four, lf, on, ColonIndent::on, {{5, 0}, u"\n    ", {10, 0}}},
        {"colon off", u"if x:", {5, 0}, four, lf, on, noColon, {{5, 0}, u"\n", {6, 0}}},
        {"tab unit", u"\tfoo(", {5, 0}, tabs, lf, on, noColon, {{5, 0}, u"\n\t\t", {8, 0}}},
        {"crlf",
         u"{}",
         {1, 0},
         four,
         LineEnding::crlf,
         on,
         noColon,
         {{1, 0}, u"\r\n    \r\n", {7, 0}}},
        {"line separator after the bracket is no closing bracket",
         u"{\u2028}",
         {1, 0},
         four,
         lf,
         on,
         noColon,
         {{1, 0}, u"\n    ", {6, 0}}},
        {"only whitespace before the caret",
         u"    ",
         {2, 0},
         four,
         lf,
         on,
         ColonIndent::on,
         {{2, 0}, u"\n  ", {5, 0}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(newLineText(c.text, c.selection, c.style, c.ending, c.smart, c.colon),
                  c.expected);
    }
}

TEST(AutoIndent, restOfLineStripsOnlyCarriageReturnsAndLineFeeds)
{
    EXPECT_EQ(restOfLine(u"ab\r\ncd", 1), u"b");
    EXPECT_EQ(restOfLine(u"ab\r\ncd", 2), u"");
    EXPECT_EQ(restOfLine(u"ab\r\ncd", 3), u"");
    EXPECT_EQ(restOfLine(u"ab\r\ncd", 4), u"cd");
    EXPECT_EQ(restOfLine(u"ab\u2028cd", 1), u"b\u2028");
    EXPECT_EQ(restOfLine(u"ab\u0085", 0), u"ab\u0085");
    EXPECT_EQ(restOfLine(u"ab", 99), u"");
}

TEST(AutoIndent, closingBracketEdit)
{
    struct Case
    {
        const char* name;
        std::u16string typed;
        std::u16string text;
        std::int64_t position;
        std::optional<TextEdit> expected;
    };
    const Case cases[] = {
        {"eight spaces", u"}", u"        ", 8, TextEdit{{0, 8}, u"    }", {5, 0}}},
        {"two tabs", u"}", u"\t\t", 2, TextEdit{{0, 2}, u"\t}", {2, 0}}},
        {"three spaces", u"}", u"   ", 3, TextEdit{{0, 3}, u"}", {1, 0}}},
        {"tab last", u"]", u"  \t", 3, TextEdit{{0, 3}, u"  ]", {3, 0}}},
        {"spaces after a tab", u")", u"\t  ", 3, TextEdit{{0, 3}, u"\t)", {2, 0}}},
        {"on a later line", u"}", u"x\n        y", 10, TextEdit{{2, 8}, u"    }", {7, 0}}},
        {"after text", u"}", u"  x", 3, std::nullopt},
        {"at the line start", u"}", u"abc\n", 4, std::nullopt},
        {"not a closing bracket", u"a", u"    ", 4, std::nullopt},
        {"opening bracket", u"{", u"    ", 4, std::nullopt},
        {"two characters", u"}}", u"    ", 4, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(closingBracketEdit(c.typed, c.text, c.position, IndentStyle(false, 4)),
                  c.expected);
    }
}
