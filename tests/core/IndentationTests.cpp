#include "core/IndentStyleJSON.h"
#include "core/Indentation.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

using namespace EditorCore;

TEST(IndentStyle, creationClampsTheWidth)
{
    EXPECT_EQ(IndentStyle(false, 0).width, 1);
    EXPECT_EQ(IndentStyle(false, -3).width, 1);
    EXPECT_EQ(IndentStyle(true, 17).width, 16);
    EXPECT_EQ(IndentStyle(false, 3).unit(), u"   ");
    EXPECT_EQ(IndentStyle(true, 8).unit(), u"\t");

    // A decoded style may hold any width; its unit still stays within one to sixteen spaces.
    IndentStyle stored(false, 4);
    stored.width = 1'000'000'000;
    EXPECT_EQ(stored.unit().size(), 16u);
    stored.width = -1;
    EXPECT_EQ(stored.unit(), u" ");
}

TEST(Indentation, detect)
{
    struct Case
    {
        const char* name;
        std::u16string text;
        std::optional<IndentStyle> expected;
    };
    const Case cases[] = {
        {"no indented line", u"a\nb\n\nc", std::nullopt},
        {"whitespace-only lines do not count", u"a\n    \n\t\nb", std::nullopt},
        {"tabs only", u"a\n\tb\n\t\tc", IndentStyle(true, 4)},
        {"tie goes to spaces", u"a\n\tb\n  c", IndentStyle(false, 2)},
        {"one space per level", u"a\n b\n  c\n   d", IndentStyle(false, 4)},
        {"0 2 4 2 0", u"a\n  b\n    c\n  d\ne", IndentStyle(false, 2)},
        {"steps of 2 and 4 equally often", u"a\n    b\n      c\nd", IndentStyle(false, 2)},
        {"most frequent step wins", u"a\n   b\nc\n   d\n      e", IndentStyle(false, 3)},
        {"steps above 8 are not counted", u"a\n          b\nc", IndentStyle(false, 4)},
        {"tab after spaces ends the count", u"a\n  \tb\n    c", IndentStyle(false, 2)},
        {"more tab lines than space lines", u"\ta\n\tb\n  c", IndentStyle(true, 4)},
        {"lines end at line separators", u"a\u2028   b\u2029c\u0085   d", IndentStyle(false, 3)},
        {"no-break space is not whitespace", u"a\n\u00A0 b", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Indentation::detect(c.text, 2000), c.expected);
    }
}

TEST(Indentation, detectExaminesAtMostTheLimitOfLinesEmptyOnesIncluded)
{
    std::u16string text(2000, u'\n');
    text += u"    indented\n";
    EXPECT_EQ(Indentation::detect(text, 2000), std::nullopt);
    EXPECT_EQ(Indentation::detect(text, 2001), IndentStyle(false, 4));
    EXPECT_EQ(Indentation::detect(u"  a", 0), std::nullopt);

    // Every terminator counts as a line against the limit, not just LF.
    EXPECT_EQ(Indentation::detect(u"\u2028\u2028  a", 2), std::nullopt);
    EXPECT_EQ(Indentation::detect(u"\r\n\r\n  a", 2), std::nullopt);
    EXPECT_EQ(Indentation::detect(u"\r\n\r\n  a", 3), IndentStyle(false, 2));
}

TEST(Indentation, convert)
{
    struct Case
    {
        const char* name;
        std::u16string text;
        IndentKind to;
        int width;
        int tabWidth;
        std::u16string expected;
    };
    const Case cases[] = {
        {"tab and two spaces to spaces", u"\t  x", IndentKind::spaces, 4, 4, u"      x"},
        {"six spaces to tabs", u"      x", IndentKind::tabs, 4, 4, u"\t  x"},
        {"tab stops, not tab counts", u"  \tx", IndentKind::spaces, 4, 4, u"    x"},
        {"tab width differs from width", u"\tx", IndentKind::tabs, 4, 8, u"\t\tx"},
        {"keeps crlf and cr", u"\ta\r\n\tb\rc\n", IndentKind::spaces, 2, 2, u"  a\r\n  b\rc\n"},
        {"whitespace-only line converted whole",
         u"a\n        \n",
         IndentKind::tabs,
         4,
         4,
         u"a\n\t\t\n"},
        {"line separator does not cut",
         u"\ta\u2028\tb\u0085\tc\n\td",
         IndentKind::spaces,
         4,
         4,
         u"    a\u2028\tb\u0085\tc\n    d"},
        {"lines without indentation untouched", u"a b\t\nc", IndentKind::tabs, 4, 4, u"a b\t\nc"},
        {"zero widths are taken as one", u"\t x", IndentKind::spaces, 0, 0, u"  x"},
        {"empty text", u"", IndentKind::tabs, 4, 4, u""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Indentation::convert(c.text, c.to, c.width, c.tabWidth), c.expected);
    }
}

TEST(Indentation, shiftLines)
{
    struct Case
    {
        const char* name;
        std::u16string text;
        TextRange selection;
        bool indent;
        IndentStyle style;
        TextEdit expected;
    };
    const IndentStyle four(false, 4);
    const IndentStyle tabs(true, 4);
    const Case cases[] = {
        {"caret at line start moves by the unit",
         u"ab\ncd",
         {3, 0},
         true,
         four,
         {{3, 2}, u"    cd", {7, 0}}},
        {"tab unit", u"ab\ncd", {4, 0}, true, tabs, {{3, 2}, u"\tcd", {5, 0}}},
        {"empty lines stay empty",
         u"a\n\nb\n",
         {0, 4},
         true,
         tabs,
         {{0, 5}, u"\ta\n\n\tb\n", {1, 5}}},
        {"selection ending after lf leaves next line",
         u"a\nb",
         {0, 2},
         true,
         tabs,
         {{0, 2}, u"\ta\n", {1, 2}}},
        {"crlf and cr keep their place",
         u"a\r\nb\rc",
         {0, 6},
         true,
         tabs,
         {{0, 6}, u"\ta\r\n\tb\r\tc", {1, 8}}},
        {"line separator is inside one line",
         u"a\u2028b",
         {0, 3},
         true,
         tabs,
         {{0, 3}, u"\ta\u2028b", {1, 3}}},
        {"next line inside one line",
         u"a\u0085b\nc",
         {0, 3},
         true,
         tabs,
         {{0, 4}, u"\ta\u0085b\n", {1, 3}}},
        {"outdent caret inside removed indent",
         u"x\n    foo",
         {4, 0},
         false,
         four,
         {{2, 7}, u"foo", {2, 0}}},
        {"outdent removes at most width spaces",
         u"      foo",
         {7, 0},
         false,
         four,
         {{0, 9}, u"  foo", {3, 0}}},
        {"outdent two spaces then tab",
         u"  \tfoo",
         {0, 0},
         false,
         four,
         {{0, 6}, u"\tfoo", {0, 0}}},
        {"outdent one tab", u"\t\tfoo", {2, 1}, false, four, {{0, 5}, u"\tfoo", {1, 1}}},
        {"outdent selection shrinks",
         u"  a\n    b\nc",
         {1, 8},
         false,
         IndentStyle(false, 2),
         {{0, 10}, u"a\n  b\n", {0, 6}}},
        {"outdent unindented lines changes nothing",
         u"a\nb",
         {0, 3},
         false,
         four,
         {{0, 3}, u"a\nb", {0, 3}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto edit = c.indent ? Indentation::indentLines(c.text, c.selection, c.style)
                                   : Indentation::outdentLines(c.text, c.selection, c.style);
        EXPECT_EQ(edit, c.expected);
    }
}

TEST(Indentation, leadingWhitespace)
{
    const std::u16string text = u"  \ta b\n\t x\u2028    y";
    EXPECT_EQ(Indentation::leadingWhitespace(0, text), u"  \t");
    EXPECT_EQ(Indentation::leadingWhitespace(5, text), u"  \t");
    EXPECT_EQ(Indentation::leadingWhitespace(9, text), u"\t ");
    EXPECT_EQ(Indentation::leadingWhitespace(12, text), u"    ");
    EXPECT_EQ(Indentation::leadingWhitespace(999, text), u"    ");
    EXPECT_EQ(Indentation::leadingWhitespace(0, u""), u"");
}

TEST(IndentStyle, jsonKeepsTheStoredValues)
{
    const auto encoded = encodeJSON(IndentStyle(true, 8));
    EXPECT_EQ(encoded.dump(), R"({"usesTabs":true,"width":8})");
    EXPECT_EQ(decodeIndentStyle(encoded), IndentStyle(true, 8));

    const auto unclamped =
        decodeIndentStyle(nlohmann::json::parse(R"({"usesTabs":false,"width":40})"));
    ASSERT_TRUE(unclamped.has_value());
    EXPECT_EQ(unclamped->width, 40);
    EXPECT_EQ(unclamped->unit().size(), 16u);

    for (const char* refused : {R"({"usesTabs":false})",
                                R"({"width":4})",
                                R"({"usesTabs":1,"width":4})",
                                R"({"usesTabs":false,"width":4.5})",
                                R"({"usesTabs":false,"width":"4"})",
                                R"({"usesTabs":false,"width":99999999999})",
                                R"([false,4])",
                                R"(null)"}) {
        SCOPED_TRACE(refused);
        EXPECT_EQ(decodeIndentStyle(nlohmann::json::parse(refused)), std::nullopt);
    }
}
