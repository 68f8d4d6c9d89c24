#include "core/ChunkedText.h"
#include "core/LineFilter.h"
#include "core/LineIndex.h"

#include <gtest/gtest.h>

#include <atomic>

using namespace EditorCore;

namespace {

using Lines = std::vector<std::int64_t>;
using Parts = std::vector<SearchMatch>;
using Join = LineFilter::Join;

CompiledSearch
search(std::u16string text, bool regularExpression = false, bool caseSensitive = true)
{
    auto compiled = CompiledSearch::make(
        SearchQuery{std::move(text), caseSensitive, false, regularExpression, std::nullopt});
    EXPECT_TRUE(compiled.has_value());
    return *compiled;
}

LineFilter filter(CompiledSearch primary,
                  std::vector<LineFilter::Condition> conditions = {},
                  bool invert = false,
                  bool onlyMatching = false)
{
    return LineFilter{std::move(primary), std::move(conditions), invert, onlyMatching};
}

// Every tail of the text from each line on, filtered over a snapshot of small chunks (a border
// at every offset, inside every CR LF and pair), must give what filtering the tail as a string
// of its own gives, shifted to the whole text's lines and locations.
void expectSnapshotAgrees(const LineFilter& f, std::u16string_view text)
{
    const LineIndex index(text);
    for (std::int64_t size : {1, 2, 3, 7, 4096}) {
        const ChunkedText chunks(text, {size, size, size});
        for (std::int64_t first = 0; first < index.lineCount(); ++first) {
            const std::int64_t start = index.lineStart(first + 1);
            auto expected =
                f.apply(text.substr(static_cast<std::size_t>(start)), nullptr, first, start, [] {
                    return false;
                });
            auto found = f.apply(chunks.snapshot(), first, [] { return false; });
            ASSERT_TRUE(found.has_value());
            EXPECT_EQ(*found, *expected) << "chunks of " << size << ", from line " << first;
        }
    }
}

LineFilter::Hits run(const LineFilter& f, std::u16string_view text)
{
    auto hits = f.apply(text, nullptr, 0, 0, [] { return false; });
    EXPECT_TRUE(hits.has_value());
    expectSnapshotAgrees(f, text);
    return hits.value_or(LineFilter::Hits{});
}

LineFilter::Hits linesOnly(Lines lines)
{
    return LineFilter::Hits{std::move(lines), {}, {}};
}

} // namespace

TEST(LineFilter, selectsContentLinesOnly)
{
    struct Case
    {
        const char* name;
        LineFilter filter;
        std::u16string text;
        LineFilter::Hits expected;
    };
    const Case cases[] = {
        {"empty text", filter(search(u"a")), u"", {}},
        {"empty text inverted", filter(search(u"a"), {}, true), u"", {}},
        {"final break is no line", filter(search(u"b")), u"a\nb\n", linesOnly({1})},
        {"final break is no line, inverted",
         filter(search(u"b"), {}, true),
         u"a\nb\n",
         linesOnly({0})},
        {"empty lines", filter(search(u"^$", true)), u"a\n\nb", linesOnly({1})},
        {"no empty line after the last break", filter(search(u"^$", true)), u"a\n", linesOnly({})},
        {"no empty line after the last break, inverted",
         filter(search(u"^$", true), {}, true),
         u"a\n",
         linesOnly({0})},
        {"or: each line once",
         filter(search(u"x"), {{Join::or_, search(u"y")}}),
         u"x\ny\nxy\nz",
         linesOnly({0, 1, 2})},
        {"and, not",
         filter(search(u"e"), {{Join::and_, search(u"r")}, {Join::not_, search(u"d")}}),
         u"err\nred\neat",
         linesOnly({0})},
        {"and, not, inverted",
         filter(search(u"e"), {{Join::not_, search(u"d")}, {Join::and_, search(u"r")}}, true),
         u"err\nred\neat",
         linesOnly({1, 2})},
        {"and binds the whole alternative",
         filter(search(u"a"), {{Join::and_, search(u"z")}, {Join::or_, search(u"b")}}),
         u"az\nbz\nab\nz",
         linesOnly({0, 1})},
        {"match across a break counts where it starts",
         filter(search(u"a\\nb", true)),
         u"a\nb",
         linesOnly({0})},
        {"every line break kind",
         filter(search(u"x")),
         u"x\r\nx\rx\u0085x\u2028x\u2029x",
         linesOnly({0, 1, 2, 3, 4, 5})},
        {"conditions see only their line",
         filter(search(u"b"), {{Join::and_, search(u"^b$", true)}}),
         u"ab\nb\nbc",
         linesOnly({1})},
        {"not-condition with a zero-length match",
         filter(search(u"a"), {{Join::not_, search(u"^", true)}}),
         u"a\na",
         linesOnly({})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(run(c.filter, c.text), c.expected);
    }
}

TEST(LineFilter, partsAreTheMatchesOfThePositiveSearchesWithoutOverlap)
{
    struct Case
    {
        const char* name;
        LineFilter filter;
        std::u16string text;
        LineFilter::Hits expected;
    };
    const Case cases[] = {
        {"one search",
         filter(search(u"foo"), {}, false, true),
         u"foo bar foo",
         {{0}, {{0, 3}, {8, 3}}, {0, 0}}},
        {"overlap: the earlier wins",
         filter(search(u"abc"), {{Join::or_, search(u"bcd")}}, false, true),
         u"abcd",
         {{0}, {{0, 3}}, {0}}},
        {"same location: the longer wins",
         filter(search(u"ab"), {{Join::or_, search(u"abc")}}, false, true),
         u"abcx",
         {{0}, {{0, 3}}, {0}}},
        {"and-conditions are positive, not-conditions are not",
         filter(
             search(u"a"), {{Join::and_, search(u"c")}, {Join::not_, search(u"x")}}, false, true),
         u"abc\nxac\nc a",
         {{0, 2}, {{0, 1}, {2, 1}, {8, 1}, {10, 1}}, {0, 0, 2, 2}}},
        {"no zero-length parts",
         filter(search(u"b*", true), {}, false, true),
         u"abba\nc",
         {{0, 1}, {{1, 2}}, {0}}},
        {"inverted: lines, no parts",
         filter(search(u"a"), {}, true, true),
         u"a\nb",
         linesOnly({1})},
        {"a match across the break finds no part",
         filter(search(u"a\\nb", true), {}, false, true),
         u"a\nb",
         linesOnly({0})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(run(c.filter, c.text), c.expected);
    }
}

TEST(LineFilter, offsetsShiftLinesAndParts)
{
    auto f = filter(search(u"o"), {}, false, true);
    auto hits = f.apply(u"no\nyes\nso", nullptr, 10, 500, [] { return false; });
    ASSERT_TRUE(hits.has_value());
    EXPECT_EQ(*hits, (LineFilter::Hits{{10, 12}, {{501, 1}, {508, 1}}, {10, 12}}));

    // A given index is used as it stands.
    const std::u16string text = u"x\r\nx\r\n";
    LineIndex index(text);
    auto withIndex = filter(search(u"x")).apply(text, &index, 0, 0, [] { return false; });
    EXPECT_EQ(withIndex, linesOnly({0, 1}));
}

// The literal fast path skips the rest of a line after a match; it must select what the
// engine does, line breaks of every kind included.
TEST(LineFilter, literalPathSelectsWhatTheEngineSelects)
{
    const std::u16string texts[] = {
        u"ab ab\r\nb a\n\nab\rab\u2028xab\n",
        u"abab\nab",
        u"ab\n\nab\r\n\r\nab\n",
        u"a\nb\r\na\nb\n",
    };
    for (const auto& text : texts) {
        for (const auto& needle : {std::u16string(u"ab"),
                                   std::u16string(u"b"),
                                   std::u16string(u"a\nb"),
                                   std::u16string(u"\n")}) {
            SCOPED_TRACE(testing::PrintToString(needle));
            // The escaped needle as a regular expression goes through the engine.
            std::u16string pattern;
            for (char16_t c : needle)
                pattern += c == u'\n' ? std::u16string(u"\\n") : std::u16string(1, c);
            for (bool invert : {false, true}) {
                EXPECT_EQ(run(filter(search(needle), {}, invert), text),
                          run(filter(search(pattern, true), {}, invert), text));
            }
        }
    }
}

TEST(LineFilter, cancelledRunsReturnNothing)
{
    std::u16string manyLines;
    for (int i = 0; i < 5000; ++i)
        manyLines += u"line x\n";

    // At the latest after 1024 matches of the alternative.
    int asked = 0;
    auto hits = filter(search(u"x")).apply(manyLines, nullptr, 0, 0, [&] {
        ++asked;
        return true;
    });
    EXPECT_FALSE(hits.has_value());
    EXPECT_EQ(asked, 1);

    // With and-conditions it is asked before the first candidate line.
    hits = filter(search(u"x"), {{Join::and_, search(u"line")}}).apply(u"x", nullptr, 0, 0, [] {
        return true;
    });
    EXPECT_FALSE(hits.has_value());
    // So it is in the parts pass.
    hits = filter(search(u"x"), {}, false, true).apply(u"x", nullptr, 0, 0, [] { return true; });
    EXPECT_FALSE(hits.has_value());
}

// A search that matches nothing in a long text never reaches a 1024th match; the cancel check
// is asked while the engine scans, so a superseded run ends soon after the flag is set.
TEST(LineFilter, cancelReachesAScanWithoutMatches)
{
    std::u16string text;
    text.reserve(20'000'000);
    while (text.size() < 20'000'000)
        text += u"2026-12-09 22:00:00 INFO request served in 12 ms path=/index.html\n";
    const LineIndex index(text);
    struct Case
    {
        const char* name;
        CompiledSearch primary;
    };
    const Case cases[] = {
        {"literal", search(u"no such thing")},
        {"case-insensitive", search(u"no such thing", false, false)},
        {"regular expression", search(u"[0-9]{5}x", true)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::atomic<bool> superseded{false};
        int asked = 0;
        auto hits = filter(c.primary).apply(text, &index, 0, 0, [&] {
            if (++asked == 2)
                superseded.store(true, std::memory_order_relaxed);
            return superseded.load(std::memory_order_relaxed);
        });
        EXPECT_FALSE(hits.has_value());
        EXPECT_EQ(asked, 2);
    }
}

TEST(LineFilter, hitsRemoveFromAndAppend)
{
    const Parts p = {{0, 1}, {10, 1}, {12, 1}, {30, 1}};
    LineFilter::Hits hits{{1, 5, 7}, p, {2, 5, 5, 9}};
    hits.removeFrom(5);
    EXPECT_EQ(hits, (LineFilter::Hits{{1}, {p[0]}, {2}}));

    hits.removeFrom(50);
    EXPECT_EQ(hits, (LineFilter::Hits{{1}, {p[0]}, {2}}));

    hits.append(LineFilter::Hits{{5, 6}, {p[3]}, {6}});
    EXPECT_EQ(hits, (LineFilter::Hits{{1, 5, 6}, {p[0], p[3]}, {2, 6}}));

    hits.removeFrom(0);
    EXPECT_EQ(hits, LineFilter::Hits{});
}

// Filtering only the tail of a grown text, then replacing the hits from its first line on,
// gives what filtering the whole text gives.
TEST(LineFilter, refilteringTheTailOfAGrowingText)
{
    auto f = filter(search(u"ok"), {}, false, true);
    const std::u16string before = u"ok 1\nno\nok 2 o";
    const std::u16string after = before + u"k ok\nok 4\n";
    auto hits = run(f, before);

    const LineIndex oldIndex(before);
    const std::int64_t line = std::max<std::int64_t>(oldIndex.contentLineCount() - 1, 0);
    const std::int64_t start = oldIndex.lineStart(line + 1);
    auto tail = f.apply(std::u16string_view(after).substr(static_cast<std::size_t>(start)),
                        nullptr,
                        line,
                        start,
                        [] { return false; });
    ASSERT_TRUE(tail.has_value());
    hits.removeFrom(line);
    hits.append(*tail);
    EXPECT_EQ(hits, run(f, after));
}

// A cancelled run over a snapshot is absent too, never partial.
TEST(LineFilter, aCancelledRunOverASnapshotReturnsNothing)
{
    std::u16string manyLines;
    for (int i = 0; i < 5000; ++i)
        manyLines += u"line with a match\n";
    const ChunkedText text(manyLines);
    for (const auto& f : {filter(search(u"match")),
                          filter(search(u"m.tch", true), {{Join::and_, search(u"line")}}),
                          filter(search(u"x"), {}, true),
                          filter(search(u"a"), {}, false, true)}) {
        auto hits = f.apply(text.snapshot(), 0, [] { return true; });
        EXPECT_FALSE(hits.has_value());
    }
}

TEST(LineFilter, positiveQueriesAndRawValues)
{
    auto f =
        filter(search(u"p"),
               {{Join::not_, search(u"x")}, {Join::and_, search(u"y")}, {Join::or_, search(u"z")}});
    std::vector<std::u16string> texts;
    for (const auto& s : f.positiveQueries())
        texts.push_back(s.query().text);
    EXPECT_EQ(texts, (std::vector<std::u16string>{u"p", u"z", u"y"}));

    for (auto join : {Join::and_, Join::or_, Join::not_})
        EXPECT_EQ(lineFilterJoinFromRawValue(rawValue(join)), join);
    EXPECT_EQ(rawValue(Join::and_), "and");
    EXPECT_EQ(rawValue(Join::not_), "not");
    EXPECT_EQ(lineFilterJoinFromRawValue("AND"), std::nullopt);
    EXPECT_EQ(lineFilterJoinFromRawValue(""), std::nullopt);

    EXPECT_TRUE(f.showsParts() == false);
    f.onlyMatching = true;
    EXPECT_TRUE(f.showsParts());
    f.invert = true;
    EXPECT_FALSE(f.showsParts());
}
