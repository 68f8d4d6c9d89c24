#include "core/TextBounds.h"

#include <gtest/gtest.h>

#include <string>

using namespace EditorCore;
using namespace EditorCore::TextBounds;

TEST(TextBounds, lineBoundsEndAtEverySixTerminators)
{
    struct Case
    {
        const char* name;
        std::u16string text;
        std::int64_t position;
        LineBounds expected;
    };
    const Case cases[] = {
        {"lf", u"ab\ncd", 1, {0, 2, 3}},
        {"cr", u"ab\rcd", 4, {3, 5, 5}},
        {"crlf is one terminator", u"ab\r\ncd", 0, {0, 2, 4}},
        {"between cr and lf", u"ab\r\ncd", 3, {0, 2, 4}},
        {"after crlf", u"ab\r\ncd", 4, {4, 6, 6}},
        {"next line", u"ab\u0085cd", 3, {3, 5, 5}},
        {"line separator", u"ab\u2028cd", 2, {0, 2, 3}},
        {"paragraph separator", u"ab\u2029cd", 3, {3, 5, 5}},
        {"cr cr is two lines", u"a\r\rb", 2, {2, 2, 3}},
        {"empty last line", u"ab\n", 3, {3, 3, 3}},
        {"empty text", u"", 0, {0, 0, 0}},
        {"position past the end", u"ab\ncd", 99, {3, 5, 5}},
        {"negative position", u"ab\ncd", -4, {0, 2, 3}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(lineBounds(c.text, c.position), c.expected);
    }
}

TEST(TextBounds, lineRangeIsTheSmallestRunOfWholeLines)
{
    struct Case
    {
        const char* name;
        std::u16string text;
        TextRange range;
        TextRange expected;
    };
    const Case cases[] = {
        {"caret", u"a\nbc\nd", {3, 0}, {2, 3}},
        {"ends right after lf", u"a\nb", {0, 2}, {0, 2}},
        {"ends right after line separator", u"a\u2028b", {0, 2}, {0, 2}},
        {"ends right after crlf", u"a\r\nb", {0, 3}, {0, 3}},
        {"ends between cr and lf", u"a\r\nb", {0, 2}, {0, 3}},
        {"spans two lines", u"a\nbc\nd", {1, 2}, {0, 5}},
        {"empty last line", u"a\n", {2, 0}, {2, 0}},
        {"range past the end is limited", u"a\nb", {1, 50}, {0, 3}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(lineRange(c.text, c.range), c.expected);
    }
}

TEST(TextBounds, wordUnits)
{
    for (char16_t unit : std::u16string(u"aZ_09\u00E9\u0301\uAC00\u0663\u00BD\U0001F600"))
        EXPECT_TRUE(isWordUnit(unit)) << static_cast<int>(unit);
    for (char16_t unit : std::u16string(u" \t\n-.,'\u00A0\u2028"))
        EXPECT_FALSE(isWordUnit(unit)) << static_cast<int>(unit);
}

TEST(TextBounds, composedCharactersAreGraphemeClusters)
{
    // a, e + combining acute, thumbs up + skin tone, family (ZWJ sequence), CR LF, Hangul jamo.
    const std::u16string text = u"ae\u0301\U0001F44D\U0001F3FD\U0001F468\u200D\U0001F469"
                                u"\u200D\U0001F467\r\n\u1100\u1161";
    ComposedCharacters characters(text);
    struct Case
    {
        std::int64_t index;
        TextRange expected;
    };
    const Case cases[] = {
        {0, {0, 1}},
        {2, {1, 2}},
        {3, {3, 4}},
        {6, {3, 4}},
        {8, {7, 8}},
        {14, {7, 8}},
        {16, {15, 2}},
        {17, {17, 2}},
        {19, {19, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.index);
        EXPECT_EQ(characters.containing(c.index), c.expected);
    }
}
