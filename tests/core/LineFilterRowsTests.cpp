#include "core/LineFilter.h"
#include "core/LineIndex.h"

#include <gtest/gtest.h>

using namespace EditorCore;

namespace {

using Row = LineFilter::Row;
using Kind = Row::Kind;
using Rows = std::vector<Row>;

Row match(std::int64_t line)
{
    return Row{Kind::match, line, std::nullopt};
}
Row context(std::int64_t line)
{
    return Row{Kind::context, line, std::nullopt};
}
Row gap()
{
    return Row{Kind::gap, -1, std::nullopt};
}

Rows lineRows(std::vector<std::int64_t> lines,
              std::int64_t contextLines,
              std::int64_t lineCount = 100)
{
    return LineFilter::rows(lines, {}, {}, contextLines, lineCount, false);
}

} // namespace

TEST(LineFilterRows, contextAndGapsAroundMatchLines)
{
    struct Case
    {
        const char* name;
        std::vector<std::int64_t> lines;
        std::int64_t context;
        std::int64_t lineCount;
        Rows expected;
    };
    const Case cases[] = {
        {"no lines", {}, 2, 100, {}},
        {"context both sides",
         {5},
         2,
         100,
         {context(3), context(4), match(5), context(6), context(7)}},
        {"nothing before line 0", {0}, 3, 100, {match(0), context(1), context(2), context(3)}},
        {"shared context line once",
         {2, 4},
         1,
         100,
         {context(1), match(2), context(3), match(4), context(5)}},
        {"touching groups, no gap",
         {2, 5},
         1,
         100,
         {context(1), match(2), context(3), context(4), match(5), context(6)}},
        {"one gap between groups",
         {2, 7},
         1,
         100,
         {context(1), match(2), context(3), gap(), context(6), match(7), context(8)}},
        {"nothing after the last line",
         {99},
         5,
         100,
         {context(94), context(95), context(96), context(97), context(98), match(99)}},
        {"no context", {3, 9}, 0, 100, {match(3), match(9)}},
        {"negative context", {3}, -2, 100, {match(3)}},
        {"adjacent matches",
         {4, 5},
         2,
         7,
         {context(2), context(3), match(4), match(5), context(6)}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(lineRows(c.lines, c.context, c.lineCount), c.expected);
    }
}

TEST(LineFilterRows, partsModeHasOneRowPerPart)
{
    const std::vector<SearchMatch> parts = {{0, 3}, {8, 3}};
    const std::vector<std::int64_t> partLines = {0, 0};
    const Rows expected = {Row{Kind::match, 0, SearchMatch{0, 3}},
                           Row{Kind::match, 0, SearchMatch{8, 3}}};
    EXPECT_EQ(LineFilter::rows({}, parts, partLines, 0, 10, true), expected);
    EXPECT_EQ(LineFilter::rows(std::vector<std::int64_t>{0}, parts, partLines, 5, 10, true),
              expected);
    // Mismatched arrays give the rows both can pair.
    EXPECT_EQ(LineFilter::rows({}, parts, std::vector<std::int64_t>{0}, 0, 10, true),
              Rows{expected[0]});
    EXPECT_TRUE(LineFilter::rows({}, {}, {}, 3, 10, true).empty());
}

TEST(LineFilterRows, joinedTextEndsEachRowWithTheSeparator)
{
    std::u16string text;
    for (int i = 0; i < 10; ++i)
        text += u"L" + std::u16string(1, static_cast<char16_t>(u'0' + i)) + u"\n";
    const LineIndex index(text);
    const Rows rows = {context(1), match(2), context(3), gap(), context(6)};
    EXPECT_EQ(LineFilter::joinedText(rows, index, text, u"\n"), u"L1\nL2\nL3\n--\nL6\n");
    EXPECT_EQ(LineFilter::joinedText({}, index, text, u"\n"), u"");

    const std::u16string crlf = u"a\r\nbc\r\n";
    const LineIndex crlfIndex(crlf);
    EXPECT_EQ(LineFilter::joinedText(Rows{match(1), match(0)}, crlfIndex, crlf, u"\r\n"),
              u"bc\r\na\r\n");
    // Parts, and a line the index does not know.
    const Rows parts = {
        Row{Kind::match, 1, SearchMatch{4, 1}}, match(7), Row{Kind::match, 0, SearchMatch{6, 9}}};
    EXPECT_EQ(LineFilter::joinedText(parts, crlfIndex, crlf, u"|"), u"c||\n|");
}

TEST(LineFilterRows, rowEqualityAndRawValues)
{
    EXPECT_NE((Row{Kind::match, 0, SearchMatch{0, 0}}), match(0));
    EXPECT_EQ(gap(), gap());
    EXPECT_NE(match(1), context(1));
    for (auto kind : {Kind::match, Kind::context, Kind::gap})
        EXPECT_EQ(lineFilterRowKindFromRawValue(rawValue(kind)), kind);
    EXPECT_EQ(rawValue(Kind::gap), 2);
    EXPECT_EQ(lineFilterRowKindFromRawValue(3), std::nullopt);
    EXPECT_EQ(lineFilterRowKindFromRawValue(255), std::nullopt);
}
