#include "core/SnapshotSearch.h"
#include "core/SnapshotUText.h"

#include <gtest/gtest.h>

#include <unicode/utext.h>

#include <string>
#include <vector>

using namespace EditorCore;

namespace {

std::vector<SearchMatch> inString(const CompiledSearch& search,
                                  std::u16string_view text,
                                  std::int64_t location,
                                  std::int64_t length,
                                  bool includeZeroLength)
{
    std::vector<SearchMatch> found;
    SearchScanner scanner(search, text);
    (void)scanner.enumerate(location, length, includeZeroLength, [&](const SearchMatch& m) {
        found.push_back(m);
        return true;
    });
    return found;
}

std::vector<SearchMatch> inSnapshot(SnapshotScanner& scanner,
                                    std::int64_t location,
                                    std::int64_t length,
                                    bool includeZeroLength)
{
    std::vector<SearchMatch> found;
    (void)scanner.enumerate(location, length, includeZeroLength, [&](const SearchMatch& m) {
        found.push_back(m);
        return true;
    });
    return found;
}

SearchQuery query(std::u16string text, bool caseSensitive, bool wholeWord, bool regex)
{
    SearchQuery q;
    q.text = std::move(text);
    q.caseSensitive = caseSensitive;
    q.wholeWord = wholeWord;
    q.regularExpression = regex;
    return q;
}

struct QueryCase
{
    const char* name;
    SearchQuery query;
};

const std::vector<QueryCase>& queryCases()
{
    static const std::vector<QueryCase> cases{
        {"literal", query(u"ab", true, false, false)},
        {"one unit", query(u"a", true, false, false)},
        {"overlapping candidates", query(u"aa", true, false, false)},
        {"long literal", query(u"abab\U0001F600ab", true, false, false)},
        {"CR LF", query(u"\r\n", true, false, false)},
        {"a surrogate pair", query(u"\U0001F600", true, false, false)},
        {"ignoring case", query(u"AB", false, false, false)},
        {"ignoring case, Latin-1", query(u"\u00C9", false, false, false)},
        {"whole word", query(u"ab", true, true, false)},
        {"line start", query(u"^a", true, false, true)},
        {"line end", query(u"b$", true, false, true)},
        {"look-behind", query(u"(?<=a)b", true, false, true)},
        {"word boundaries", query(u"\\bab\\b", false, false, true)},
        {"lazy run", query(u"a.*?b", true, false, true)},
        {"any break", query(u"\\R", true, false, true)},
        {"zero length", query(u"x*", true, false, true)},
        {"supplementary class", query(u"[\\x{1F600}\u4E00]+", true, false, true)},
        {"text start and end", query(u"\\A.|.\\z", true, false, true)},
        {"ends in half a pair", query(u"ab\xD83D", true, false, false)},
        {"starts with half a pair", query(u"\xDE00" u"ab", false, false, false)},
    };
    return cases;
}

const std::u16string sampleText =
    u"aab ab\r\nAB abab\U0001F600ab\u2028\u00E9\u00C9 ba\r\n\u4E00xab\raa\xD83D" u"aaa\nab";

} // namespace

// Chunks of one unit put a border at every offset at once; the other sizes move the borders
// against the matches.
TEST(SnapshotScanner, findsWhatTheScannerFindsInOneString)
{
    const auto n = static_cast<std::int64_t>(sampleText.size());
    const std::vector<std::pair<std::int64_t, std::int64_t>> wholeAndParts = [&] {
        std::vector<std::pair<std::int64_t, std::int64_t>> ranges;
        for (std::int64_t start = 0; start <= n; ++start) {
            for (std::int64_t length : {0, 1, 2, 5, 11})
                ranges.emplace_back(start, length);
        }
        ranges.emplace_back(0, n);
        return ranges;
    }();
    int prefiltered = 0;
    for (const auto& c : queryCases()) {
        SCOPED_TRACE(c.name);
        auto search = CompiledSearch::make(c.query);
        ASSERT_TRUE(search.has_value());
        for (std::int64_t size : {1, 2, 3, 4, 5, 7}) {
            SCOPED_TRACE(::testing::Message() << "chunks of " << size);
            const ChunkedText text(sampleText, {size, size, size});
            ASSERT_GT(text.current().stats().chunks, n / (size + 1));
            SnapshotScanner scanner(*search, text.snapshot());
            EXPECT_EQ(scanner.usesPlainLiteral(), search->plainLiteral() != nullptr);
            if (scanner.usesPrefilter())
                ++prefiltered;
            for (const auto& [location, length] : wholeAndParts) {
                for (bool zero : {false, true}) {
                    ASSERT_EQ(inSnapshot(scanner, location, length, zero),
                              inString(*search, sampleText, location, length, zero))
                        << "range " << location << "+" << length << (zero ? " with empty" : "");
                }
            }
            EXPECT_EQ(scanner.contains(0, n), !inString(*search, sampleText, 0, n, true).empty());
        }
    }
    // The prefilter's path was taken, not only the engine's.
    EXPECT_GT(prefiltered, 0);
}

TEST(SnapshotScanner, visitorAndStopCheckEndTheSearch)
{
    std::u16string long_;
    for (int i = 0; i < 5000; ++i)
        long_ += u"line of text with ab in it\n";
    const ChunkedText text(long_, {16, 64, 128});
    for (const auto& q : {query(u"ab", true, false, false), query(u"a.", true, false, true)}) {
        auto search = CompiledSearch::make(q);
        ASSERT_TRUE(search.has_value());
        SnapshotScanner scanner(*search, text.snapshot());
        int seen = 0;
        EXPECT_EQ(scanner.enumerate(0, text.length(), false,
                                    [&](const SearchMatch&) { return ++seen < 3; }),
                  SnapshotScanner::Outcome::visitorStopped);
        EXPECT_EQ(seen, 3);

        auto none = CompiledSearch::make(query(q.regularExpression ? u"q.z" : u"qz", true, false,
                                               q.regularExpression));
        ASSERT_TRUE(none.has_value());
        SnapshotScanner empty(*none, text.snapshot());
        const StopCheck stop = [] { return true; };
        EXPECT_EQ(empty.enumerate(0, text.length(), false,
                                  [](const SearchMatch&) { return true; }, &stop),
                  SnapshotScanner::Outcome::stopped);
    }
}

// The UText alone: code points forwards and backwards, extraction and clones, over a range
// that starts and ends inside chunks of one byte per unit and of two.
TEST(SnapshotUText, readsTheRangeAsOneText)
{
    const std::u16string whole = u"abc\U0001F600d\u00E9f\r\nghij\u4E00klmn\U0001F601";
    const ChunkedText text(whole, {3, 3, 3});
    for (std::int64_t from = 0; from < 6; ++from) {
        const std::int64_t length = static_cast<std::int64_t>(whole.size()) - 2 * from;
        const std::u16string range = whole.substr(static_cast<std::size_t>(from),
                                                  static_cast<std::size_t>(length));
        UErrorCode status = U_ZERO_ERROR;
        UText* ut = openSnapshotUText(nullptr, text.current(), from, length, &status);
        UText* plain = utext_openUChars(nullptr, range.data(), length, &status);
        ASSERT_TRUE(U_SUCCESS(status));
        EXPECT_EQ(utext_nativeLength(ut), length);

        std::vector<UChar32> forwards, expected;
        for (UChar32 c = utext_next32From(ut, 0); c != U_SENTINEL; c = utext_next32(ut))
            forwards.push_back(c);
        for (UChar32 c = utext_next32From(plain, 0); c != U_SENTINEL; c = utext_next32(plain))
            expected.push_back(c);
        EXPECT_EQ(forwards, expected);

        std::vector<UChar32> backwards, expectedBackwards;
        for (UChar32 c = utext_previous32From(ut, length); c != U_SENTINEL; c = utext_previous32(ut))
            backwards.push_back(c);
        for (UChar32 c = utext_previous32From(plain, length); c != U_SENTINEL;
             c = utext_previous32(plain))
            expectedBackwards.push_back(c);
        EXPECT_EQ(backwards, expectedBackwards);

        UText* clone = utext_clone(nullptr, ut, false, true, &status);
        std::u16string extracted(static_cast<std::size_t>(length), u'\0');
        EXPECT_EQ(utext_extract(clone, 0, length, extracted.data(), static_cast<int32_t>(length), &status),
                  length);
        EXPECT_EQ(extracted, range);
        // Too small a buffer: the length that would be needed, and the overflow.
        UChar small[2];
        status = U_ZERO_ERROR;
        EXPECT_EQ(utext_extract(ut, 1, length, small, 2, &status), length - 1);
        EXPECT_EQ(status, U_BUFFER_OVERFLOW_ERROR);
        utext_close(clone);
        utext_close(plain);
        utext_close(ut);
    }
}

// Long enough that the prefilter reads the range in several stretches, with needles across the
// stretches' ends as well as across chunk borders.
TEST(SnapshotScanner, findsWhatTheScannerFindsInALongText)
{
    std::u16string text;
    std::uint32_t seed = 1;
    const char16_t* pieces[] = {u"ab", u"AB", u" ", u"x", u"\r\n", u"\n", u"\U0001F600", u"abab", u"q"};
    while (text.size() < 6000) {
        seed = seed * 1103515245u + 12345u;
        text += pieces[(seed >> 16) % std::size(pieces)];
    }
    const auto n = static_cast<std::int64_t>(text.size());
    for (const auto& q : {query(u"abab", false, false, false), query(u"ab", true, true, false),
                          query(u"b\\s+a", false, false, true), query(u"x.*q", true, false, true),
                          query(u"^ab.*$", true, false, true), query(u".*q", true, false, true),
                          query(u"\\w+q\\b", false, false, true), query(u"q.*", true, false, true)}) {
        SCOPED_TRACE(::testing::Message() << std::string(q.text.begin(), q.text.end()));
        auto search = CompiledSearch::make(q);
        ASSERT_TRUE(search.has_value());
        for (std::int64_t size : {1, 7, 64, 4096}) {
            const ChunkedText chunked(text, {size, size, size});
            SnapshotScanner scanner(*search, chunked.snapshot());
            for (auto [location, length] : {std::pair<std::int64_t, std::int64_t>{0, n}, {1000, 3100}, {1023, 2}}) {
                ASSERT_EQ(inSnapshot(scanner, location, length, false),
                          inString(*search, text, location, length, false))
                    << "chunks of " << size << ", range " << location << "+" << length;
            }
        }
    }
}

// A needle that begins just before the end of a stretch of the prefilter's reading and ends in
// the next one.
TEST(SnapshotScanner, findsANeedleAcrossTheEndOfAStretch)
{
    auto search = CompiledSearch::make(query(u"abab", false, false, false));
    ASSERT_TRUE(search.has_value());
    for (std::size_t before = 1018; before <= 1026; ++before) {
        const std::u16string text = std::u16string(before, u'x') + u"ABab" + std::u16string(50, u'x');
        const ChunkedText chunked(text, {64, 64, 64});
        SnapshotScanner scanner(*search, chunked.snapshot());
        ASSERT_TRUE(scanner.usesPrefilter());
        EXPECT_EQ(inSnapshot(scanner, 0, static_cast<std::int64_t>(text.size()), false),
                  (std::vector<SearchMatch>{{static_cast<std::int64_t>(before), 4}}))
            << before << " units before";
    }
}

// Replacing reads the groups of each match as the enumeration found it, and a single replace
// reads the match again anchored with its scope around it: both through the chunks must give
// what the one-string scanner gives, a group reaching over a chunk border included.
TEST(SnapshotScanner, groupsAndAnchoredMatchesAgreeWithTheScannerInOneString)
{
    std::vector<QueryCase> cases = queryCases();
    cases.push_back({"groups", query(u"(a)(b)?|(\u00E9)", true, false, true)});
    cases.push_back({"group in look-ahead", query(u"a(?=(b\\s*))", true, false, true)});
    cases.push_back({"group across a break", query(u"(b)(\\R)(\\w)", false, false, true)});
    cases.push_back({"lone surrogate, groups", query(u"(a)\xD83D", true, false, true)});
    const auto n = static_cast<std::int64_t>(sampleText.size());
    using Groups = std::vector<std::optional<SearchMatch>>;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto search = CompiledSearch::make(c.query);
        ASSERT_TRUE(search.has_value());
        std::vector<std::pair<SearchMatch, Groups>> expected;
        SearchScanner inOne(*search, sampleText);
        (void)inOne.enumerate(0, n, true, [&](const SearchMatch& match) {
            Groups groups;
            inOne.currentGroups(groups);
            expected.emplace_back(match, groups);
            return true;
        });
        for (std::int64_t size : {1, 2, 3, 5}) {
            SCOPED_TRACE(::testing::Message() << "chunks of " << size);
            const ChunkedText text(sampleText, {size, size, size});
            SnapshotScanner scanner(*search, text.snapshot());
            if (!search->plainLiteral()) {
                std::vector<std::pair<SearchMatch, Groups>> found;
                (void)scanner.enumerate(0, n, true, [&](const SearchMatch& match) {
                    Groups groups;
                    scanner.currentGroups(groups);
                    found.emplace_back(match, groups);
                    return true;
                });
                EXPECT_EQ(found, expected);
            }
            for (const auto& [match, groups] : expected) {
                using Context = std::optional<std::pair<std::int64_t, std::int64_t>>;
                for (Context context :
                     {Context{},
                      Context{std::pair<std::int64_t, std::int64_t>{0, n}},
                      Context{std::pair<std::int64_t, std::int64_t>{
                          match.location - 2, match.location + match.length + 1}}}) {
                    Groups wanted;
                    Groups got;
                    SearchScanner anchored(*search, sampleText, SearchScanner::Path::engineOnly);
                    const bool inString =
                        anchored.matchAnchored(match.location, match.length, wanted, context);
                    EXPECT_EQ(scanner.matchAnchored(match.location, match.length, got, context),
                              inString)
                        << match;
                    EXPECT_EQ(got, wanted) << match;
                }
            }
        }
    }
}
