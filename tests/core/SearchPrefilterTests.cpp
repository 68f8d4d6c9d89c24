#include "core/CompiledSearch.h"
#include "core/LineFilter.h"
#include "core/LineIndex.h"
#include "core/SearchPrefilter.h"
#include "core/SearchRequirement.h"
#include "core/SearchScanner.h"

#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <set>
#include <vector>

using namespace EditorCore;

namespace {

using Matches = std::vector<SearchMatch>;

struct Query
{
    std::u16string text;
    bool regularExpression = true;
    bool caseSensitive = true;
    bool wholeWord = false;
};

std::optional<CompiledSearch> compile(const Query& q)
{
    auto search = CompiledSearch::make(
        SearchQuery{q.text, q.caseSensitive, q.wholeWord, q.regularExpression, std::nullopt});
    EXPECT_TRUE(search.has_value()) << testing::PrintToString(q.text);
    if (!search)
        return std::nullopt;
    return *search;
}

Matches scan(const CompiledSearch& search,
             std::u16string_view text,
             std::int64_t location,
             std::int64_t length,
             SearchScanner::Path path)
{
    SearchScanner scanner(search, text, path);
    Matches out;
    (void)scanner.enumerate(location, length, true, [&](const SearchMatch& m) {
        out.push_back(m);
        return true;
    });
    return out;
}

// What the line filter must select: the lines on which a match of the engine's enumeration over
// the whole text begins, and in the parts mode the engine's matches within each such line.
LineFilter::Hits
engineHits(const CompiledSearch& search, std::u16string_view text, bool invert, bool parts)
{
    const LineIndex index(text);
    const std::int64_t lineCount = index.contentLineCount();
    std::set<std::int64_t> selected;
    for (const auto& m : scan(search,
                              text,
                              0,
                              static_cast<std::int64_t>(text.size()),
                              SearchScanner::Path::engineOnly)) {
        std::int64_t line = index.lineNumber(m.location) - 1;
        if (line < lineCount)
            selected.insert(line);
    }
    LineFilter::Hits hits;
    for (std::int64_t line = 0; line < lineCount; ++line) {
        if (selected.count(line) != (invert ? 0u : 1u))
            continue;
        hits.lines.push_back(line);
        if (!parts || invert)
            continue;
        auto range = index.contentRange(line, text);
        for (const auto& m :
             scan(search, text, range.location, range.length, SearchScanner::Path::engineOnly)) {
            if (m.length < 1)
                continue;
            hits.parts.push_back(m);
            hits.partLines.push_back(line);
        }
    }
    return hits;
}

// Random texts made of pieces that trouble a prefilter: letters whose case folding reaches
// ASCII from outside it, foldings that change length, every kind of line break, Hangul,
// surrogate pairs and lone halves.
std::u16string randomText(unsigned seed, std::size_t pieces)
{
    static const std::u16string parts[] = {
        u"error",
        u"ERROR",
        u"Error",
        u"eRRor",
        u"err",
        u"or ",
        u"\u212Aelvin",
        u"kelvin",
        u"KELVIN",
        u"\u017Ftatus",
        u"status=5",
        u"status=404",
        u"STATUS=503",
        u"stra\u00DFe",
        u"STRASSE",
        u"strasse",
        u"\uFB01le",
        u"file",
        u"\uFB06",
        u"st",
        u"\u0130",
        u"\u0131",
        u"i",
        u"I",
        u"\u1E9E",
        u"ss",
        u"x",
        u"y",
        u"xy",
        u"-",
        u"2026-12-09",
        u"12-3",
        u"\U0001D7D8\U0001D7D9\U0001D7DA\U0001D7DB-12",
        u" ",
        u"  ",
        u"\t",
        u"\n",
        u"\r\n",
        u"\r",
        u"\u2028",
        u"\u0085",
        u"\u000B",
        u"\u000C",
        u"\uD55C\uAE00",
        u"\uC624\uB958",
        u"\uAC00",
        u"\U0001F600",
        u"\xD83D",
        u"\xDE00",
        u"_",
        u".",
        u"WARN",
        u"a",
        u"b",
        u"aab",
        u"e\u0301",
        u"\u00C9",
        u"\u03A3",
        u"\u03C2",
        u"\u03C3",
        u"[",
        u"=",
        u"5",
    };
    std::mt19937 random(seed);
    std::uniform_int_distribution<std::size_t> pick(0, std::size(parts) - 1);
    std::u16string text;
    for (std::size_t i = 0; i < pieces; ++i)
        text += parts[pick(random)];
    return text;
}

const std::u16string& realText()
{
    static const std::u16string text =
        u"2026-12-09T10:00:00.001Z INFO  [worker-03] request id=1a2b served /api/items/12 in 3 "
        u"ms status=200\n"
        u"2026-12-09T10:00:00.002Z ERROR [worker-07] request id=1a2c failed status=503\r\n"
        u"2026-12-09T10:00:00.003Z WARN  [worker-01] \uC694\uCCAD \uC624\uB958 error "
        u"status=500\n"
        u"\uD55C\uAE00 \uBB38\uC7A5\uC740 Error \uC5C6\uC774 \uB05D\uB0A9\uB2C8\uB2E4.\n"
        u"The \u212Aelvin scale and \u017Ftatus of the stra\u00DFe (STRASSE) \uFB01le.\n"
        u"\u0130stanbul \u0131s not Istanbul; ERROR-free lines end here\u2028next\u0085last\n"
        u"\n"
        u"x\U0001F600y status=599 \U0001F600error\U0001F600\r"
        u"tail without a break: errorerror";
    return text;
}

} // namespace

// The prefilter is read from the pattern: these must get one, or the differential test below
// would not exercise it; those that cannot be read safely must not.
TEST(SearchPrefilter, derivedOnlyWhereThePatternIsUnderstood)
{
    struct Case
    {
        const char* name;
        Query query;
        bool prefiltered;
        bool staysWithinLines = false;
    };
    const Case cases[] = {
        {"caseless literal", {u"error", false, false}, true, true},
        {"caseless whole word", {u"error", false, false, true}, true, true},
        {"case-sensitive whole word", {u"ERROR", false, true, true}, true, true},
        {"class after literal", {u"status=5[0-9][0-9]"}, true, true},
        {"digits around a dash", {u"\\d{4}-\\d\\d"}, true, true},
        {"alternation", {u"(ERROR|WARN) \\["}, true, true},
        {"unbounded lead within lines", {u"\\w+ing"}, true, true},
        {"crosses lines", {u"a\\nb"}, true, false},
        {"negated set", {u"x[^y]*y"}, true, false},
        {"flag group", {u"(?i:k)elvin"}, true, true},
        {"quoted", {u"\\Q.*\\E"}, true, true},
        {"look-around", {u"(?<=x)error(?!y)"}, true, true},
        {"the letters that fold into several are left out", {u"stra\u00DFe", false, false}, true},
        {"only a folding into several", {u"\u00DF", false, false}, false},
        {"matches the empty string", {u"x*"}, false},
        {"empty alternative", {u"(a|)"}, false},
        {"back reference", {u"(a)\\1"}, false},
        {"previous match end", {u"\\Gab"}, false},
        {"free spacing", {u"(?x) a b"}, false},
        {"unknown escape", {u"\\N{LATIN SMALL LETTER A}b"}, false},
        {"plain literal takes its own path", {u"ERROR", false, true}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto search = compile(c.query);
        ASSERT_TRUE(search);
        EXPECT_EQ(search->prefilter() != nullptr, c.prefiltered);
        if (c.prefiltered && c.staysWithinLines) {
            EXPECT_TRUE(search->prefilter()->staysWithinLines());
        }
    }
    // A POSIX-style property may hold a line break, so the search may cross lines.
    auto control = compile({u"[[:cntrl:]]x"});
    ASSERT_TRUE(control && control->prefilter());
    EXPECT_FALSE(control->prefilter()->staysWithinLines());
}

// The matches with the prefilter are exactly the engine's: locations, lengths, order, and the
// ranges' ends acting as the text's ends. The line filter selects the same lines and parts.
TEST(SearchPrefilter, findsExactlyWhatTheEngineFinds)
{
    const std::u16string patterns[] = {
        u"error",
        u"ERROR|WARN",
        u"(ERROR|WARN) \\[",
        u"status=5[0-9][0-9]",
        u"\\d{4}-\\d\\d",
        u"\\d+-\\d+",
        u"^error",
        u"error$",
        u"^\\w+ing$",
        u"\\berror\\b",
        u"(?<=x)error",
        u"(?<!\\w)error",
        u"error(?=\\n)",
        u"error(?!r)",
        u"\\Aerror",
        u"error\\z",
        u"\\AERROR|error\\Z",
        u"e.r",
        u"er+or",
        u"err?or",
        u"r\\nb|x\\r\\n",
        u"or\\s+\\w",
        u"x[^y]*y",
        u"(?s)x.{0,40}y",
        u"(?i:k)elvin",
        u"(?i)status",
        u"stra\u00DFe",
        u"strasse",
        u"ss",
        u"st",
        u"fi",
        u"i",
        u"\u0130",
        u"\u0131s",
        u"\u03C3",
        u"\uD55C\uAE00",
        u"\U0001F600error",
        u"\\x{1F600}",
        u"\\u00C9|e\\u0301",
        u"[[:cntrl:]]x",
        u"\\p{L}+x",
        u"\\Q[\\E",
        u"a{2,3}b",
        u"(?:xy){2}",
        u"\\w+\\s+\\w+",
        u"-+",
        u"y\\R",
        u"WARN\\b.*",
    };
    std::vector<std::u16string> texts{realText()};
    for (unsigned seed = 1; seed <= 6; ++seed)
        texts.push_back(randomText(seed, 600));

    int prefiltered = 0;
    for (const auto& pattern : patterns) {
        for (bool caseSensitive : {true, false}) {
            auto search = compile({pattern, true, caseSensitive});
            if (!search)
                continue;
            SCOPED_TRACE(testing::PrintToString(pattern) + (caseSensitive ? "" : " caseless"));
            if (search->prefilter())
                ++prefiltered;
            for (std::size_t t = 0; t < texts.size(); ++t) {
                SCOPED_TRACE(t);
                const auto& text = texts[t];
                const auto size = static_cast<std::int64_t>(text.size());
                for (auto [location, length] : {std::pair<std::int64_t, std::int64_t>{0, size},
                                                {1, size - 2},
                                                {7, size / 3},
                                                {size / 2, size}}) {
                    auto engine =
                        scan(*search, text, location, length, SearchScanner::Path::engineOnly);
                    ASSERT_EQ(scan(*search, text, location, length, SearchScanner::Path::fastest),
                              engine)
                        << "range " << location << "+" << length;
                    SearchScanner fast(*search, text);
                    EXPECT_EQ(fast.contains(location, length), !engine.empty());
                }
                // Group ranges too, as replacing reads them during the visit.
                auto groupsOf = [&](SearchScanner::Path path) {
                    SearchScanner scanner(*search, text, path);
                    std::vector<std::vector<std::optional<SearchMatch>>> out;
                    std::vector<std::optional<SearchMatch>> groups;
                    (void)scanner.enumerate(0, size, true, [&](const SearchMatch&) {
                        scanner.currentGroups(groups);
                        out.push_back(groups);
                        return true;
                    });
                    return out;
                };
                EXPECT_EQ(groupsOf(SearchScanner::Path::fastest),
                          groupsOf(SearchScanner::Path::engineOnly));
                for (bool invert : {false, true}) {
                    for (bool parts : {false, true}) {
                        auto hits = LineFilter{*search, {}, invert, parts}.apply(
                            text, nullptr, 0, 0, [] { return false; });
                        ASSERT_TRUE(hits.has_value());
                        ASSERT_EQ(*hits, engineHits(*search, text, invert, parts))
                            << "invert " << invert << " parts " << parts;
                    }
                }
            }
        }
    }
    // Most of the table goes through the prefilter.
    EXPECT_GE(prefiltered, 70);
}

// Literal queries (escaped by the editor) with case folding and whole words.
TEST(SearchPrefilter, caselessLiteralsFindEveryFolding)
{
    struct Case
    {
        std::u16string needle;
        std::u16string text;
        Matches expected;
    };
    const Case cases[] = {
        // Kelvin sign and long s fold onto ASCII letters.
        {u"kelvin", u"0 \u212Aelvin KELVIN", {{2, 6}, {9, 6}}},
        {u"status", u"\u017Ftatus STATU\u017F", {{0, 6}, {7, 6}}},
        // Folding that changes length in the text.
        {u"strasse", u"stra\u00DFe STRASSE stra\u1E9Ee", {{0, 6}, {7, 7}, {15, 6}}},
        {u"fit", u"\uFB01t FIT", {{0, 2}, {3, 3}}},
        {u"st", u"\uFB06 \uFB05 ST", {{0, 1}, {2, 1}, {4, 2}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.needle));
        auto search = compile({c.needle, false, false});
        ASSERT_TRUE(search);
        const auto size = static_cast<std::int64_t>(c.text.size());
        auto engine = scan(*search, c.text, 0, size, SearchScanner::Path::engineOnly);
        EXPECT_EQ(engine, c.expected);
        EXPECT_EQ(scan(*search, c.text, 0, size, SearchScanner::Path::fastest), engine);
        auto word = compile({c.needle, false, false, true});
        ASSERT_TRUE(word);
        EXPECT_EQ(scan(*word, c.text, 0, size, SearchScanner::Path::fastest),
                  scan(*word, c.text, 0, size, SearchScanner::Path::engineOnly));
    }
}

// Where every place the prefilter reports is a false lead, the stop check is still asked while
// the scan goes on.
TEST(SearchPrefilter, stopCheckIsAskedAmongFalseCandidates)
{
    const std::u16string line = u"status=404 -- ";
    std::u16string text;
    text.reserve(2'000'000);
    while (text.size() < 2'000'000)
        text.append(line);
    for (const char16_t* pattern : {u"status=5\\d\\d", u"\\d{4}-\\d\\d", u"(?i)STATUS=5"}) {
        SCOPED_TRACE(testing::PrintToString(std::u16string(pattern)));
        auto search = compile({pattern});
        ASSERT_TRUE(search && search->prefilter());
        std::atomic<bool> cancelled{false};
        int asked = 0;
        bool completed = search->collectMatches(
            text,
            500,
            [&] {
                if (++asked == 3)
                    cancelled.store(true, std::memory_order_relaxed);
                return cancelled.load(std::memory_order_relaxed);
            },
            [](auto) {});
        EXPECT_FALSE(completed);
        EXPECT_EQ(asked, 3);
    }
}

// Patterns put together at random from pieces the reading knows and pieces it must give up on:
// whatever it derives, the matches and the selected lines stay the engine's.
TEST(SearchPrefilter, randomPatternsAgreeWithTheEngine)
{
    static const std::u16string atoms[] = {
        u"error",      u"ERROR", u"st",    u"ss",      u"\u00DF", u"k",       u"\u212A",
        u"-",          u"=5",    u" ",     u"\\d",     u"\\w",    u"\\s",     u".",
        u"[a-z]",      u"[^x]",  u"[0-9]", u"\\p{Lu}", u"\\n",    u"\\r?\\n", u"\uD55C",
        u"\U0001F600", u"x",     u"y",     u"\\.",     u"i",      u"\u0130",
    };
    static const std::u16string quantifiers[] = {
        u"",
        u"",
        u"",
        u"?",
        u"*",
        u"+",
        u"{2}",
        u"{1,3}",
        u"{0,2}",
        u"+?",
    };
    static const std::u16string wrappers[] = {
        u"",
        u"",
        u"",
        u"^",
        u"$",
        u"\\b",
        u"(?=x)",
        u"(?<!y)",
        u"(?i)",
    };
    std::mt19937 random(2026);
    auto pick = [&](const auto& table) {
        return table[std::uniform_int_distribution<std::size_t>(0, std::size(table) - 1)(random)];
    };
    auto piece = [&] {
        std::u16string p = pick(atoms);
        if (random() % 5 == 0)
            p = u"(?:" + p + u"|" + pick(atoms) + u")";
        return pick(wrappers) + p + pick(quantifiers);
    };
    const std::u16string texts[] = {realText(), randomText(11, 500), randomText(12, 500)};
    int prefiltered = 0;
    for (int n = 0; n < 300; ++n) {
        std::u16string pattern;
        const int pieces = 1 + static_cast<int>(random() % 4);
        for (int i = 0; i < pieces; ++i)
            pattern += piece();
        const bool caseSensitive = random() % 2 == 0;
        auto search =
            CompiledSearch::make(SearchQuery{pattern, caseSensitive, false, true, std::nullopt});
        if (!search)
            continue; // the engine refused it
        SCOPED_TRACE(testing::PrintToString(pattern) + (caseSensitive ? "" : " caseless"));
        if (search->prefilter())
            ++prefiltered;
        for (const auto& text : texts) {
            const auto size = static_cast<std::int64_t>(text.size());
            ASSERT_EQ(scan(*search, text, 0, size, SearchScanner::Path::fastest),
                      scan(*search, text, 0, size, SearchScanner::Path::engineOnly));
            auto hits = LineFilter{*search, {}, false, false}.apply(
                text, nullptr, 0, 0, [] { return false; });
            ASSERT_TRUE(hits.has_value());
            ASSERT_EQ(*hits, engineHits(*search, text, false, false));
        }
    }
    EXPECT_GE(prefiltered, 100);
}

// Literal queries cut from the text itself, caseless and as whole words: whatever stretch the
// prefilter chooses from them, the matches stay the engine's.
TEST(SearchPrefilter, literalsCutFromTheTextAgreeWithTheEngine)
{
    const std::u16string text = randomText(21, 800);
    const auto size = static_cast<std::int64_t>(text.size());
    std::mt19937 random(7);
    int prefiltered = 0;
    for (int n = 0; n < 300; ++n) {
        const std::size_t at = random() % text.size();
        const std::size_t length = 1 + random() % 12;
        const std::u16string needle = text.substr(at, length);
        const bool wholeWord = random() % 3 == 0;
        auto search =
            CompiledSearch::make(SearchQuery{needle, false, wholeWord, false, std::nullopt});
        if (!search)
            continue;
        SCOPED_TRACE(testing::PrintToString(needle) + (wholeWord ? " whole word" : ""));
        if (search->prefilter())
            ++prefiltered;
        ASSERT_EQ(scan(*search, text, 0, size, SearchScanner::Path::fastest),
                  scan(*search, text, 0, size, SearchScanner::Path::engineOnly));
        auto hits =
            LineFilter{*search, {}, false, true}.apply(text, nullptr, 0, 0, [] { return false; });
        ASSERT_TRUE(hits.has_value());
        ASSERT_EQ(*hits, engineHits(*search, text, false, true));
    }
    EXPECT_GE(prefiltered, 200);
}
