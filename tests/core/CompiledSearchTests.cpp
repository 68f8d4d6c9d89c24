#include "core/CompiledSearch.h"
#include "core/SearchScanner.h"

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

using namespace EditorCore;

namespace {

struct Switches
{
    bool caseSensitive = true;
    bool wholeWord = false;
    bool regularExpression = false;
    std::optional<SearchScope> scope = std::nullopt;
};

CompiledSearch compile(std::u16string text, Switches s = {})
{
    auto search = CompiledSearch::make(
        SearchQuery{std::move(text), s.caseSensitive, s.wholeWord, s.regularExpression, s.scope});
    EXPECT_TRUE(search.has_value());
    if (!search)
        return CompiledSearch::make(SearchQuery{u"\uFFFF", true, false, false, std::nullopt})
            .value();
    return *search;
}

CompiledSearch regex(std::u16string text, Switches s = {})
{
    s.regularExpression = true;
    return compile(std::move(text), s);
}

std::vector<SearchMatch>
allMatches(const CompiledSearch& search, std::u16string_view text, bool includeZeroLength = false)
{
    std::vector<SearchMatch> out;
    search.enumerateMatches(text,
                            0,
                            static_cast<std::int64_t>(text.size()),
                            includeZeroLength,
                            [&](const SearchMatch& m) {
                                out.push_back(m);
                                return true;
                            });
    return out;
}

std::vector<SearchMatch> collected(const CompiledSearch& search, std::u16string_view text)
{
    std::vector<SearchMatch> out;
    bool done = search.collectMatches(
        text,
        500,
        [] { return false; },
        [&](auto batch) { out.insert(out.end(), batch.begin(), batch.end()); });
    EXPECT_TRUE(done);
    return out;
}

using Matches = std::vector<SearchMatch>;

} // namespace

TEST(CompiledSearch, emptyTextNeverCompilesWhateverTheSwitches)
{
    for (int bits = 0; bits < 8; ++bits) {
        SCOPED_TRACE(bits);
        auto search = CompiledSearch::make(
            SearchQuery{u"", (bits & 1) != 0, (bits & 2) != 0, (bits & 4) != 0, std::nullopt});
        ASSERT_FALSE(search.has_value());
        EXPECT_EQ(search.error(), SearchError::emptyQuery());
    }
    EXPECT_EQ(allMatches(compile(u" "), u"a b  c"), (Matches{{1, 1}, {3, 1}, {4, 1}}));
}

TEST(CompiledSearch, refusedPatternCarriesThePatternAsCompiled)
{
    auto plain = CompiledSearch::make(SearchQuery{u"(", true, false, true, std::nullopt});
    ASSERT_FALSE(plain.has_value());
    EXPECT_EQ(plain.error(), SearchError::invalidPattern(u"("));

    auto wrapped = CompiledSearch::make(SearchQuery{u"a[", true, true, true, std::nullopt});
    ASSERT_FALSE(wrapped.has_value());
    EXPECT_EQ(wrapped.error(), SearchError::invalidPattern(u"\\b(?:a[)\\b"));

    // Literal text is escaped, so the same characters compile and find themselves.
    EXPECT_EQ(allMatches(compile(u"("), u"f(x) (y"), (Matches{{1, 1}, {5, 1}}));
}

TEST(CompiledSearch, literalTextMatchesOnlyItself)
{
    struct Case
    {
        const char* name;
        std::u16string needle;
        std::u16string text;
        Matches expected;
    };
    const Case cases[] = {
        {"dot", u"a.b", u"axb a.b", {{4, 3}}},
        {"caret", u"^x", u"x ^x", {{2, 2}}},
        {"quote end", u"\\E", u"a\\Eb", {{1, 2}}},
        {"quote block", u"\\Q*\\E", u"\\Q*\\E", {{0, 5}}},
        {"backslash letter", u"\\d", u"1\\d", {{1, 2}}},
        {"dollar and braces", u"${1}", u"x${1}", {{1, 4}}},
        {"hash and blanks", u"# a", u"x# a", {{1, 3}}},
        {"every ASCII punctuation",
         u"!\"#$%&'()*+,-./:;<=>?@[\\]^_`{|}~",
         u"-!\"#$%&'()*+,-./:;<=>?@[\\]^_`{|}~",
         {{1, 32}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(allMatches(compile(c.needle), c.text), c.expected);
        EXPECT_EQ(allMatches(compile(c.needle, {.caseSensitive = false}), c.text), c.expected);
    }
}

TEST(CompiledSearch, optionsFollowTheSwitches)
{
    // Anchors match lines in regular-expression mode.
    EXPECT_EQ(allMatches(regex(u"^x"), u"x\nax\r\nx\u2028x"), (Matches{{0, 1}, {6, 1}, {8, 1}}));
    EXPECT_EQ(allMatches(regex(u"a$"), u"a\nba"), (Matches{{0, 1}, {3, 1}}));
    // Never dot-all, never comments.
    EXPECT_TRUE(allMatches(regex(u"a.b"), u"a\nb").empty());
    EXPECT_EQ(allMatches(regex(u"a b#c"), u"ab a b#c"), (Matches{{3, 5}}));
    // Case.
    EXPECT_EQ(allMatches(compile(u"abc", {.caseSensitive = false}), u"ABC abc"),
              (Matches{{0, 3}, {4, 3}}));
    EXPECT_EQ(allMatches(compile(u"abc"), u"ABC abc"), (Matches{{4, 3}}));
    EXPECT_EQ(allMatches(regex(u"[a-c]+", {.caseSensitive = false}), u"xAbC"), (Matches{{1, 3}}));
}

TEST(CompiledSearch, wholeWordBoundsTheWholePatternWithUnicodeWords)
{
    auto animals = regex(u"cat|dog", {.wholeWord = true});
    EXPECT_EQ(animals.pattern(), u"\\b(?:cat|dog)\\b");
    EXPECT_TRUE(allMatches(animals, u"cats hotdog").empty());
    EXPECT_EQ(allMatches(animals, u"a dog."), (Matches{{2, 3}}));

    EXPECT_EQ(allMatches(compile(u"문장", {.wholeWord = true}), u"한 문장 문장들"),
              (Matches{{2, 2}}));
    EXPECT_TRUE(allMatches(compile(u"문", {.wholeWord = true}), u"한 문장").empty());
    // Unicode word rules keep 3.5 one word; the classic rules would split it at the dot.
    EXPECT_TRUE(allMatches(compile(u"3", {.wholeWord = true}), u"3.5").empty());
    EXPECT_EQ(allMatches(compile(u"a.b", {.wholeWord = true}), u"a.b a.bc"), (Matches{{0, 3}}));
}

TEST(CompiledSearch, rangeEndsActAsTheTextsEnds)
{
    const std::u16string text = u"xab yab";
    auto anchored = regex(u"^ab$");
    EXPECT_TRUE(anchored.containsMatch(text, 1, 2));
    EXPECT_FALSE(anchored.containsMatch(text, 1, 3));
    // Look-behind sees nothing before the range.
    auto behind = regex(u"(?<=x)ab");
    EXPECT_TRUE(behind.containsMatch(text, 0, 3));
    EXPECT_FALSE(behind.containsMatch(text, 1, 2));
    EXPECT_TRUE(regex(u"(?<!x)ab").containsMatch(text, 1, 2));
    EXPECT_FALSE(regex(u"ab(?=\\s)").containsMatch(text, 1, 2));
    // So do word boundaries, with Unicode word rules or without.
    EXPECT_TRUE(compile(u"ab", {.wholeWord = true}).containsMatch(text, 1, 2));
    EXPECT_TRUE(regex(u"(?-w)\\bab\\b").containsMatch(text, 1, 2));
    // A match must lie wholly inside the range.
    EXPECT_FALSE(compile(u"ab").containsMatch(text, 1, 1));
    std::vector<SearchMatch> seen;
    compile(u"ab").enumerateMatches(text, 2, 5, false, [&](const SearchMatch& m) {
        seen.push_back(m);
        return true;
    });
    EXPECT_EQ(seen, (Matches{{5, 2}}));
    // Ranges outside the text are clamped, never an error.
    EXPECT_FALSE(compile(u"ab").containsMatch(text, 50, 3));
    EXPECT_TRUE(compile(u"ab").containsMatch(text, -4, 100));
    // Zero-length matches count.
    EXPECT_TRUE(regex(u"^$").containsMatch(u"a\n\nb", 2, 0));
}

TEST(CompiledSearch, scopeIsClamped)
{
    const std::u16string text = u"ab ab ab";
    struct Case
    {
        const char* name;
        SearchScope scope;
        Matches expected;
    };
    const Case cases[] = {
        {"negative lower bound", {-5, 5}, {{0, 2}, {3, 2}}},
        {"past the end", {4, 99}, {{6, 2}}},
        {"upper below lower", {5, 2}, {}},
        {"beyond the text", {20, 30}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto search = compile(u"ab", {.scope = c.scope});
        EXPECT_EQ(collected(search, text), c.expected);
        auto result = search.replaceAll(text, u"X");
        EXPECT_EQ(result.count, static_cast<std::int64_t>(c.expected.size()));
    }
}

TEST(CompiledSearch, zeroLengthMatchesAreVisitedOnlyWhenAsked)
{
    auto starts = regex(u"^");
    EXPECT_EQ(allMatches(starts, u"a\nb\r\nc", true), (Matches{{0, 0}, {2, 0}, {5, 0}}));
    EXPECT_TRUE(allMatches(starts, u"a\nb\r\nc", false).empty());
    EXPECT_EQ(collected(regex(u"a*"), u"baab"), (Matches{{1, 2}}));
}

TEST(CompiledSearch, collectMatchesHandsOverFullBatchesThenTheRest)
{
    const std::u16string text(1200, u'a');
    auto search = compile(u"a");
    std::vector<std::size_t> sizes;
    EXPECT_TRUE(search.collectMatches(
        text, 500, [] { return false; }, [&](auto batch) { sizes.push_back(batch.size()); }));
    EXPECT_EQ(sizes, (std::vector<std::size_t>{500, 500, 200}));

    sizes.clear();
    EXPECT_TRUE(search.collectMatches(
        std::u16string(3, u'a'),
        0,
        [] { return false; },
        [&](auto batch) { sizes.push_back(batch.size()); }));
    EXPECT_EQ(sizes, (std::vector<std::size_t>{1, 1, 1}));
}

TEST(CompiledSearch, collectMatchesStopsWhenAsked)
{
    const std::u16string text(1200, u'a');
    for (auto path : {u"a", u"A"}) { // plain literal and the engine's case-insensitive path
        SCOPED_TRACE(path[0] == u'a' ? "literal" : "engine");
        auto search = compile(path, {.caseSensitive = path[0] == u'a'});
        int batches = 0;
        EXPECT_FALSE(search.collectMatches(
            text, 500, [] { return true; }, [&](auto) { ++batches; }));
        EXPECT_EQ(batches, 0);

        // At every match the stop check is asked before the match is collected: answering
        // true on the 701st question leaves 700 collected.
        int asked = 0;
        std::vector<std::size_t> sizes;
        EXPECT_FALSE(search.collectMatches(
            text,
            500,
            [&] { return ++asked > 700; },
            [&](auto batch) { sizes.push_back(batch.size()); }));
        EXPECT_EQ(sizes, (std::vector<std::size_t>{500, 200}));
    }
}

TEST(CompiledSearch, nextMatchWrapsRoundTheScope)
{
    const std::u16string text = u"ab ab ab";
    auto search = compile(u"ab");
    using D = SearchDirection;
    EXPECT_EQ(search.nextMatch(text, 6, D::forwards), (SearchMatch{6, 2}));
    EXPECT_EQ(search.nextMatch(text, 7, D::forwards), (SearchMatch{0, 2}));
    EXPECT_EQ(search.nextMatch(text, 1, D::forwards), (SearchMatch{3, 2}));
    EXPECT_EQ(search.nextMatch(text, 0, D::backwards), (SearchMatch{6, 2}));
    EXPECT_EQ(search.nextMatch(text, 5, D::backwards), (SearchMatch{3, 2}));
    EXPECT_EQ(search.nextMatch(text, 4, D::backwards), (SearchMatch{0, 2}));
    EXPECT_EQ(compile(u"zz").nextMatch(text, 3, D::forwards), std::nullopt);
    // Zero-length matches are never "next".
    EXPECT_EQ(regex(u"^").nextMatch(text, 0, D::forwards), std::nullopt);

    auto scoped = compile(u"ab", {.scope = SearchScope{2, 6}});
    EXPECT_EQ(scoped.nextMatch(text, 0, D::forwards), (SearchMatch{3, 2}));
    EXPECT_EQ(scoped.nextMatch(text, 7, D::forwards), (SearchMatch{3, 2}));
}

TEST(CompiledSearch, replacementTextExpandsOnlyInRegularExpressionMode)
{
    const std::u16string text = u"name=value";
    EXPECT_EQ(regex(u"(\\w+)=").replacementText(0, 5, text, u"[$1]"), u"[name]");
    EXPECT_EQ(compile(u"name=").replacementText(0, 5, text, u"[$1]"), u"[$1]");
    // Templates the engine's own expansion refuses or truncates.
    EXPECT_EQ(regex(u"(\\w+)=").replacementText(0, 5, text, u"$5|$x|${1}|$"), u"|$x|${1}|$");
    // The pattern no longer matches there: the replacement as it stands.
    EXPECT_EQ(regex(u"(\\w+)=").replacementText(5, 5, text, u"[$1]"), u"[$1]");
    // Anchored at the location: a match further on does not count.
    EXPECT_EQ(regex(u"(v)").replacementText(4, 6, text, u"<$1>"), u"<$1>");
    EXPECT_EQ(regex(u"(v)").replacementText(5, 5, text, u"<$1>"), u"<v>");
    // An expression that looks past its match reads the text around it, as the search did.
    EXPECT_EQ(regex(u"(\\w+)(?==)").replacementText(0, 4, text, u"<$1>"), u"<name>");
    EXPECT_EQ(regex(u"(?<==)(\\w)").replacementText(5, 1, text, u"<$1>"), u"<v>");
    EXPECT_EQ(regex(u"(a)\\B").replacementText(1, 1, text, u"<$1>"), u"<a>");
    EXPECT_EQ(regex(u"(\\w+)$").replacementText(5, 5, text, u"<$1>"), u"<value>");
    EXPECT_EQ(regex(u"(\\w+)$").replacementText(0, 4, text, u"<$1>"), u"<$1>");
}

TEST(CompiledSearch, replaceAllCountsAndNeverExpandsLiterals)
{
    auto literal = compile(u"a").replaceAll(u"banana", u"$1\\");
    EXPECT_EQ(literal.text, u"b$1\\n$1\\n$1\\");
    EXPECT_EQ(literal.count, 3);

    auto swapped = regex(u"(\\w+)=(\\w+)").replaceAll(u"a=1, b=2", u"$2=$1");
    EXPECT_EQ(swapped.text, u"1=a, 2=b");
    EXPECT_EQ(swapped.count, 2);

    auto lineStarts = regex(u"^", {.scope = SearchScope{2, 6}}).replaceAll(u"a\nb\nc\nd", u"> ");
    EXPECT_EQ(lineStarts.text, u"a\n> b\n> c\nd");
    EXPECT_EQ(lineStarts.count, 2);

    auto none = compile(u"zz").replaceAll(u"abc", u"x");
    EXPECT_EQ(none.text, u"abc");
    EXPECT_EQ(none.count, 0);
}

namespace {

std::vector<SearchMatch> scan(const CompiledSearch& search,
                              std::u16string_view text,
                              std::int64_t location,
                              std::int64_t length,
                              SearchScanner::Path path)
{
    SearchScanner scanner(search, text, path);
    std::vector<SearchMatch> out;
    (void)scanner.enumerate(location, length, true, [&](const SearchMatch& m) {
        out.push_back(m);
        return true;
    });
    return out;
}

} // namespace

// The plain-literal search must find exactly what the engine finds.
TEST(CompiledSearch, plainLiteralPathAgreesWithTheEngine)
{
    std::u16string longText;
    for (int i = 0; i < 300; ++i)
        longText += (i % 7 == 0) ? u"needle\r\n" : u"hay needl haystack ne\n";
    longText += u"needle";
    struct Case
    {
        const char* name;
        std::u16string needle;
        std::u16string text;
    };
    const Case cases[] = {
        {"one unit", u"a", u"banana"},
        {"overlaps are not found twice", u"aa", u"aaaaa"},
        {"needle equals text", u"abc", u"abc"},
        {"needle longer than text", u"abcd", u"abc"},
        {"crossing eight-unit blocks", u"needle", longText},
        {"line break inside", u"\r\nne", longText},
        {"korean", u"한글", u"가한글나한글한"},
        {"full surrogate pair", u"\U0001F600", u"a\U0001F600b\U0001F600"},
        {"pair then text", u"\U0001F600x", u"\U0001F600x\U0001F600y"},
        {"lone trailing half ends the needle", u"x\xD83D", u"x\U0001F600 x\xD83D!"},
        {"lone leading half starts the needle", u"\xDE00y", u"\U0001F600y \xDE00y"},
        {"case matters", u"Ab", u"ab AB Ab aB"},
        {"punctuation", u"a.*b", u"axxb a.*b"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto search = compile(c.needle);
        const auto size = static_cast<std::int64_t>(c.text.size());
        for (auto [location, length] : {std::pair<std::int64_t, std::int64_t>{0, size},
                                        {1, size - 2},
                                        {3, size},
                                        {size / 2, size / 3}}) {
            SCOPED_TRACE(location);
            auto engine = scan(search, c.text, location, length, SearchScanner::Path::engineOnly);
            EXPECT_EQ(scan(search, c.text, location, length, SearchScanner::Path::fastest), engine);
            SearchScanner fast(search, c.text);
            SearchScanner slow(search, c.text, SearchScanner::Path::engineOnly);
            EXPECT_EQ(fast.contains(location, length), slow.contains(location, length));
        }
    }
    EXPECT_TRUE(SearchScanner(compile(u"needle"), longText).usesPlainLiteral());
    EXPECT_FALSE(SearchScanner(compile(u"x\xD83D"), longText).usesPlainLiteral());
    EXPECT_FALSE(
        SearchScanner(compile(u"needle", {.caseSensitive = false}), longText).usesPlainLiteral());
    EXPECT_FALSE(
        SearchScanner(compile(u"needle", {.wholeWord = true}), longText).usesPlainLiteral());
    EXPECT_FALSE(SearchScanner(regex(u"needle"), longText).usesPlainLiteral());
}

// A search that finds nothing in a long text must still be abandonable: the stop check is
// asked while the engine scans, not only at matches.
TEST(CompiledSearch, stopCheckIsAskedWhileNothingMatches)
{
    const std::u16string text(8'000'000, u'a');
    for (auto* name : {"literal", "case-insensitive", "regex"}) {
        SCOPED_TRACE(name);
        std::string which = name;
        auto search = which == "literal" ? compile(u"zz")
                      : which == "regex" ? regex(u"[xyz]+q")
                                         : compile(u"zz", {.caseSensitive = false});
        std::atomic<bool> cancelled{false};
        int asked = 0;
        bool completed = search.collectMatches(
            text,
            500,
            [&] {
                // A newer search supersedes this one shortly after it began.
                if (++asked == 3)
                    cancelled.store(true, std::memory_order_relaxed);
                return cancelled.load(std::memory_order_relaxed);
            },
            [](auto) {});
        EXPECT_FALSE(completed);
        EXPECT_EQ(asked, 3);
    }
}

// An expression that backtracks without end at one place never moves the search along, so the
// stop check must also be asked from inside the engine's matching.
TEST(CompiledSearch, stopCheckIsAskedInsideAMatchThatBacktracksWithoutEnd)
{
    const std::u16string text = std::u16string(40, u'a') + u"!";
    auto search = regex(u"(a|a|aa)*\\d");
    int asked = 0;
    bool completed = search.collectMatches(
        text, 10, [&] { return ++asked >= 3; }, [](auto) {});
    EXPECT_FALSE(completed);
    EXPECT_GE(asked, 3);
}
