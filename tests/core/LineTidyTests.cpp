#include "core/TextTidy.h"

#include <gtest/gtest.h>

using namespace EditorCore;

TEST(LineTidy, sortsLikeAFileBrowser)
{
    const struct
    {
        const char* name;
        std::u16string text;
        bool descending;
        std::u16string expected;
    } cases[] = {
        {"digits compare by value",
         u"file10\nfile9\nfile100\n",
         false,
         u"file9\nfile10\nfile100\n"},
        {"case is ignored and equal lines keep their order", u"b\nB\na\nA", false, u"a\nA\nb\nB"},
        {"descending reverses the stable order", u"b\nB\na\nA", true, u"B\nb\nA\na"},
        {"two final breaks leave an empty line that sorts first", u"b\na\n\n", false, u"\na\nb\n"},
        {"no final break stays without one", u"b\na", false, u"a\nb"},
        {"mixed LF and CR LF become CR LF", u"b\na\r\nc", false, u"a\r\nb\r\nc"},
        {"LF and lone CR become LF", u"c\rb\na", false, u"a\nb\nc"},
        {"only CR stays CR", u"b\ra\r", false, u"a\rb\r"},
        {"Unicode separators are breaks too", u"b\u2028a\u0085c", false, u"a\nb\nc"},
        {"a separator of another kind at the end stays a break", u"b\na\u2029", false, u"\na\nb"},
        {"empty text", u"", false, u""},
        {"one line break", u"\n", false, u"\n"},
        {"CR LF alone", u"\r\n", true, u"\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TextTidy::sortLines(c.text, c.descending), c.expected);
    }
}

TEST(LineTidy, removesLinesEqualToEarlierOnesUnderCanonicalEquivalence)
{
    const struct
    {
        const char* name;
        std::u16string text;
        std::u16string expected;
    } cases[] = {
        {"first of each kept", u"a\nb\na\nc\nb\n", u"a\nb\nc\n"},
        {"composed and decomposed are one line", u"\u00E9\ne\u0301\n", u"\u00E9\n"},
        {"case and spacing count", u"a\nA\na \n", u"a\nA\na \n"},
        {"empty lines are lines", u"\n\nx\n\n", u"\nx\n"},
        {"CR LF separator kept", u"x\r\nx\r\ny", u"x\r\ny"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TextTidy::removeDuplicateLines(c.text), c.expected);
    }
}

TEST(LineTidy, trimsOnlySpacesAndTabs)
{
    EXPECT_EQ(TextTidy::trimTrailingWhitespace(u"a  \n  \n\tb\t \r\nc\u00A0\nd\u3000 "),
              u"a\r\n\r\n\tb\r\nc\u00A0\r\nd\u3000");
    EXPECT_EQ(TextTidy::trimTrailingWhitespace(u"x \n"), u"x\n");
    EXPECT_EQ(TextTidy::trimTrailingWhitespace(u""), u"");
}

TEST(LineTidy, changesCaseWithoutALocale)
{
    const struct
    {
        const char* name;
        std::u16string text;
        TextTidy::Case letterCase;
        std::u16string expected;
    } cases[] = {
        {"upper", u"straße istanbul", TextTidy::Case::upper, u"STRASSE ISTANBUL"},
        {"lower without the Turkish rule", u"I\u0130X", TextTidy::Case::lower, u"ii\u0307x"},
        {"capitalized words: only blanks and line breaks delimit them",
         u"hello wORLD\nnew-line it's\thello-world\r\n\u00DFa",
         TextTidy::Case::capitalized,
         u"Hello World\nNew-line It's\tHello-world\r\nSsa"},
        {"capitalized keeps a leading mark's word whole",
         u"'quoted' 3rd",
         TextTidy::Case::capitalized,
         u"'quoted' 3rd"},
        {"non-BMP letters", u"\U00010428", TextTidy::Case::upper, u"\U00010400"},
        {"empty", u"", TextTidy::Case::capitalized, u""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TextTidy::changeCase(c.text, c.letterCase), c.expected);
    }
}
