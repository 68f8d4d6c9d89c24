#include "core/SuspiciousCharacters.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

using namespace EditorCore;
using K = SuspiciousKind;

namespace {

SuspiciousOccurrence at(K kind, std::int64_t location, std::int64_t length = 1)
{
    return SuspiciousOccurrence{kind, location, length};
}

// The reports of the ranges between `cuts`, joined: counts added, occurrences kept in order up to
// the limit.
SuspiciousReport
scanBetweenCuts(std::u16string_view text, std::vector<std::size_t> cuts, std::int64_t limit)
{
    std::sort(cuts.begin(), cuts.end());
    cuts.push_back(text.size());
    SuspiciousReport joined;
    std::size_t from = 0;
    for (std::size_t to : cuts) {
        const auto part = SuspiciousCharacters::scan(text, from, to, limit);
        for (const auto& [kind, count] : part.counts)
            joined.counts[kind] += count;
        for (const auto& occurrence : part.occurrences) {
            if (static_cast<std::int64_t>(joined.occurrences.size()) < limit)
                joined.occurrences.push_back(occurrence);
        }
        from = to;
    }
    return joined;
}

} // namespace

TEST(SuspiciousKind, rawValuesAreTheCaseNamesInOrder)
{
    const char* names[] = {"noBreakSpace",
                           "zeroWidth",
                           "specialSpace",
                           "bidiControl",
                           "controlCharacter",
                           "lineSeparator",
                           "softHyphen",
                           "replacementCharacter"};
    for (std::size_t i = 0; i < allSuspiciousKinds.size(); ++i) {
        SCOPED_TRACE(names[i]);
        EXPECT_EQ(rawValue(allSuspiciousKinds[i]), names[i]);
        EXPECT_EQ(suspiciousKindFromRawValue(names[i]), allSuspiciousKinds[i]);
    }
    for (std::string_view raw : {"", "NoBreakSpace", "zerowidth", "bom", "lineSeparator "})
        EXPECT_EQ(suspiciousKindFromRawValue(raw), std::nullopt) << raw;
}

TEST(SuspiciousCharacters, classifiesEveryRowOfTheTable)
{
    const struct
    {
        char32_t first;
        char32_t last;
        std::optional<K> kind;
    } rows[] = {
        // clang-format off
        {0x00, 0x08, K::controlCharacter},
        {0x09, 0x0A, std::nullopt},
        {0x0B, 0x0C, K::controlCharacter},
        {0x0D, 0x0D, std::nullopt},
        {0x0E, 0x1F, K::controlCharacter},
        {0x20, 0x7E, std::nullopt},
        {0x7F, 0x84, K::controlCharacter},
        {0x85, 0x85, K::lineSeparator},
        {0x86, 0x9F, K::controlCharacter},
        {0xA0, 0xA0, K::noBreakSpace},
        {0xA1, 0xAC, std::nullopt},
        {0xAD, 0xAD, K::softHyphen},
        {0x034E, 0x034E, std::nullopt},
        {0x034F, 0x034F, K::zeroWidth},
        {0x061B, 0x061B, std::nullopt},
        {0x061C, 0x061C, K::bidiControl},
        {0x115F, 0x1160, K::zeroWidth},
        {0x1161, 0x1161, std::nullopt},
        {0x1680, 0x1680, K::specialSpace},
        {0x17B4, 0x17B5, K::zeroWidth},
        {0x17B6, 0x17B6, std::nullopt},
        {0x180B, 0x180F, K::zeroWidth},
        {0x2000, 0x2006, K::specialSpace},
        {0x2007, 0x2007, K::noBreakSpace},
        {0x2008, 0x200A, K::specialSpace},
        {0x200B, 0x200C, K::zeroWidth},
        {0x200D, 0x200D, K::zeroWidth},
        {0x200E, 0x200F, K::bidiControl},
        {0x2010, 0x2027, std::nullopt},
        {0x2028, 0x2029, K::lineSeparator},
        {0x202A, 0x202E, K::bidiControl},
        {0x202F, 0x202F, K::noBreakSpace},
        {0x2030, 0x205E, std::nullopt},
        {0x205F, 0x205F, K::specialSpace},
        {0x2060, 0x2060, K::zeroWidth},
        {0x2061, 0x2064, K::zeroWidth},
        {0x2065, 0x2065, std::nullopt},
        {0x2066, 0x2069, K::bidiControl},
        {0x206A, 0x206F, K::zeroWidth},
        {0x3000, 0x3000, K::specialSpace},
        {0x3163, 0x3163, std::nullopt},
        {0x3164, 0x3164, K::zeroWidth},
        {0xFE00, 0xFE0F, std::nullopt},
        {0xFEFF, 0xFEFF, K::zeroWidth},
        {0xFF9F, 0xFF9F, std::nullopt},
        {0xFFA0, 0xFFA0, K::zeroWidth},
        {0xFFFC, 0xFFFC, std::nullopt},
        {0xFFFD, 0xFFFD, K::replacementCharacter},
        {0xE0001, 0xE0001, K::zeroWidth},
        {0xE0002, 0xE001F, std::nullopt},
        {0xE0020, 0xE007F, K::zeroWidth},
        {0xE0080, 0xE00FF, std::nullopt},
        {0xE0100, 0xE01EF, std::nullopt},
        {0x1F600, 0x1F600, std::nullopt},
        // clang-format on
    };
    for (const auto& row : rows) {
        for (char32_t scalar = row.first; scalar <= row.last; ++scalar) {
            SCOPED_TRACE(testing::Message() << std::hex << "U+" << static_cast<int>(scalar));
            EXPECT_EQ(SuspiciousCharacters::kind(scalar, u'a', u'b', false), row.kind);
        }
    }
    EXPECT_EQ(SuspiciousCharacters::kind(0xFEFF, std::nullopt, u'a', true), std::nullopt);
}

TEST(SuspiciousCharacters, zeroWidthJoinerIsOrdinaryOnlyBetweenEmoji)
{
    const struct
    {
        const char* name;
        std::optional<char32_t> previous;
        std::optional<char32_t> next;
        std::optional<K> kind;
    } cases[] = {
        {"man joiner woman", 0x1F468, 0x1F469, std::nullopt},
        {"skin tone before an emoji", 0x1F3FD, 0x1F4BB, std::nullopt},
        {"variation selector 16 before an emoji", 0xFE0F, 0x1F5E8, std::nullopt},
        {"heart (below U+10000) and an emoji", 0x2764, 0x1F525, std::nullopt},
        {"between two letters", u'a', u'b', K::zeroWidth},
        {"at the start", std::nullopt, 0x1F469, K::zeroWidth},
        {"at the end", 0x1F468, std::nullopt, K::zeroWidth},
        {"digit one then an emoji", u'1', 0x1F600, K::zeroWidth},
        {"copyright sign carries Emoji but is below U+0100", 0xA9, 0x1F600, K::zeroWidth},
        {"emoji then a Hangul syllable", 0x1F600, 0xAC00, K::zeroWidth},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(SuspiciousCharacters::kind(0x200D, c.previous, c.next, false), c.kind);
    }
}

TEST(SuspiciousCharacters, scanReportsKindsAtUTF16Offsets)
{
    const struct
    {
        const char* name;
        std::u16string text;
        std::vector<SuspiciousOccurrence> occurrences;
    } cases[] = {
        {"empty", u"", {}},
        {"leading byte-order mark is ordinary", u"\uFEFFabc", {}},
        {"byte-order mark after a letter", u"a\uFEFF", {at(K::zeroWidth, 1)}},
        {"CR LF, tab and LF", u"a\r\n\tb\n", {}},
        {"vertical tab, form feed, NEL",
         u"\v\f\u0085",
         {at(K::controlCharacter, 0), at(K::controlCharacter, 1), at(K::lineSeparator, 2)}},
        {"offsets after a non-BMP emoji", u"\U0001F600\u00A0", {at(K::noBreakSpace, 2)}},
        {"family emoji is ordinary", u"\U0001F468\u200D\U0001F469\u200D\U0001F467", {}},
        {"joiner between letters", u"a\u200Db", {at(K::zeroWidth, 1)}},
        {"unpaired surrogates read as replacement characters",
         u"x\xD800y\xDC00",
         {at(K::replacementCharacter, 1), at(K::replacementCharacter, 3)}},
        {"bidi isolate and soft hyphen",
         u"\u2066x\u2069\u00AD",
         {at(K::bidiControl, 0), at(K::bidiControl, 2), at(K::softHyphen, 3)}},
        {"a name of Hangul fillers", u"\u3164\u3164:", {at(K::zeroWidth, 0), at(K::zeroWidth, 1)}},
        {"tag characters hidden after a word",
         u"ok\U000E0001\U000E0041",
         {at(K::zeroWidth, 2, 2), at(K::zeroWidth, 4, 2)}},
        {"Arabic letter mark", u"a\u061Cb", {at(K::bidiControl, 1)}},
        {"emoji and ideograph variation sequences are ordinary",
         u"\u2764\uFE0F\u845B\U000E0100",
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto report = SuspiciousCharacters::scan(c.text, 10'000);
        EXPECT_EQ(report.occurrences, c.occurrences);
        EXPECT_EQ(report.total(), static_cast<std::int64_t>(c.occurrences.size()));
    }
}

TEST(SuspiciousCharacters, countsStayExactPastTheLimit)
{
    const std::u16string text(10'001, u'\u00A0');
    const auto report = SuspiciousCharacters::scan(text + u"\u200B", 10'000);
    EXPECT_EQ(report.count(K::noBreakSpace), 10'001);
    EXPECT_EQ(report.count(K::zeroWidth), 1);
    EXPECT_EQ(report.count(K::softHyphen), 0);
    EXPECT_EQ(report.counts.size(), 2u);
    EXPECT_EQ(report.total(), 10'002);
    ASSERT_EQ(report.occurrences.size(), 10'000u);
    EXPECT_EQ(report.occurrences.front(), at(K::noBreakSpace, 0));
    EXPECT_EQ(report.occurrences.back(), at(K::noBreakSpace, 9'999));

    EXPECT_TRUE(SuspiciousCharacters::scan(u"\u00A0", 0).occurrences.empty());
    EXPECT_EQ(SuspiciousCharacters::scan(u"\u00A0", -1).total(), 1);
    EXPECT_EQ(SuspiciousReport{}, SuspiciousCharacters::scan(u"plain", 10));
}

TEST(SuspiciousCharacters, replaceAllWritesOrdinaryCharacters)
{
    const std::set<K> everything(allSuspiciousKinds.begin(), allSuspiciousKinds.end());
    const struct
    {
        const char* name;
        std::u16string text;
        std::set<K> kinds;
        LineEnding ending;
        std::u16string expected;
    } cases[] = {
        {"line separators become CR LF",
         u"a\u2028b\u2029c\u0085d",
         {K::lineSeparator},
         LineEnding::crlf,
         u"a\r\nb\r\nc\r\nd"},
        {"line separators become CR", u"a\u2028b", everything, LineEnding::cr, u"a\rb"},
        {"replacement character always stays",
         u"\uFFFD\u00A0\u200B\u00AD\u202E\u0001\u3000",
         everything,
         LineEnding::lf,
         u"\uFFFD  "},
        {"unpaired surrogate is kept as it is",
         u"\xD800\u00A0",
         everything,
         LineEnding::lf,
         u"\xD800 "},
        {"only the chosen kinds", u"\u00A0\u200B", {K::zeroWidth}, LineEnding::lf, u"\u00A0"},
        {"empty set changes nothing", u"\u00A0\u200B", {}, LineEnding::lf, u"\u00A0\u200B"},
        {"neighbours are those of the input",
         u"\U0001F468\u200D\u200D\U0001F469\u200D\U0001F469",
         everything,
         LineEnding::lf,
         u"\U0001F468\U0001F469\u200D\U0001F469"},
        {"leading byte-order mark stays", u"\uFEFFa\uFEFF", everything, LineEnding::lf, u"\uFEFFa"},
        {"empty text", u"", everything, LineEnding::lf, u""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(SuspiciousCharacters::replaceAll(c.text, c.kinds, c.ending), c.expected);
    }
}

TEST(SuspiciousCharacters, replacementTableByKind)
{
    EXPECT_EQ(replacement(K::noBreakSpace, LineEnding::lf), u" ");
    EXPECT_EQ(replacement(K::specialSpace, LineEnding::lf), u" ");
    EXPECT_EQ(replacement(K::lineSeparator, LineEnding::crlf), u"\r\n");
    for (K kind : {K::zeroWidth, K::bidiControl, K::controlCharacter, K::softHyphen})
        EXPECT_EQ(replacement(kind, LineEnding::lf), u"") << kind;
    EXPECT_EQ(replacement(K::replacementCharacter, LineEnding::lf), std::nullopt);
}

TEST(SuspiciousCharacters, rangesJoinedGiveTheWholeScanWhereverTheTextIsCut)
{
    // Neighbours decide a joiner and U+FEFF; pairs and unpaired halves sit at every cut.
    const std::u16string texts[] = {
        u"\uFEFF\uFEFFa\uFEFF",
        u"\U0001F469\u200D\U0001F4BB\u200D\u200Dx\u200D\U0001F4BB",
        u"\u200Da\u200D\U0001F469\u200D",
        u"x\xD800\U0001F600\xDC00\xD800",
        u"\xDC00\U000E0001\U000E0041\u00A0\xD83D",
        u"\u2764\uFE0F\u200D\U0001F525\u0085\r\n\u2028\u00AD",
    };
    for (const auto& text : texts) {
        SCOPED_TRACE(testing::PrintToString(text));
        for (const std::int64_t limit : {std::int64_t{10'000}, std::int64_t{2}}) {
            const auto whole = SuspiciousCharacters::scan(text, limit);
            for (std::size_t i = 0; i <= text.size(); ++i) {
                for (std::size_t j = i; j <= text.size(); ++j)
                    ASSERT_EQ(scanBetweenCuts(text, {i, j}, limit), whole)
                        << "cut at " << i << " and " << j << ", limit " << limit;
            }
        }
    }
    EXPECT_EQ(SuspiciousCharacters::scan(u"ab\u00A0", 1, 3, 10),
              SuspiciousCharacters::scan(u"ab\u00A0", 10))
        << "locations are offsets in the whole text";
    EXPECT_EQ(SuspiciousCharacters::scan(u"\u00A0", 1, 0, 10), SuspiciousReport{});

    std::mt19937 random(7);
    const std::u16string_view fragments[] = {u"ab",
                                             u"\u200D",
                                             u"\uFEFF",
                                             u"\U0001F469",
                                             u"\xD800",
                                             u"\xDC00",
                                             u"\u00A0",
                                             u"\U000E0041",
                                             u"\n"};
    for (int round = 0; round < 200; ++round) {
        std::u16string text;
        while (text.size() < 300)
            text += fragments[random() % std::size(fragments)];
        std::vector<std::size_t> cuts(1 + random() % 12);
        for (auto& cut : cuts)
            cut = random() % (text.size() + 1);
        const std::int64_t limit = round % 2 ? 10'000 : 7;
        ASSERT_EQ(scanBetweenCuts(text, cuts, limit), SuspiciousCharacters::scan(text, limit))
            << "round " << round;
    }
}

TEST(SuspiciousCharacters, fastPathAgreesWithTheWalkOverEveryScalar)
{
    // Long ordinary runs (ASCII, and letters of other scripts) with one character of another
    // kind at every offset of a block, the range starting at every alignment: a run that is
    // stepped over must end exactly where the walk one scalar at a time would judge again.
    const std::u16string_view runs[] = {
        u"The quick brown fox jumps over the lazy dog\t0123456789\r\n",
        u"\uC548\uB155\uD558\uC138\uC694 \u65E5\u672C\u8A9E caf\u00E9 \u0416\u0443\u043A",
    };
    const std::u16string_view odd[] = {
        u"\u00A0",
        u"\u200B",
        u"\u200D",
        u"\uFEFF",
        u"\u202E",
        u"\u0007",
        u"\u007F",
        u"\u0085",
        u"\u2028",
        u"\u00AD",
        u"\uFFFD",
        u"\u3000",
        u"\u3164",
        u"\xD800",
        u"\xDC00",
        u"\U0001F469",
        u"\u000B",
        u"\u001F",
        u"\U000E0041",
        u"\U0001F469\u200D\U0001F4BB",
        u"\u2764\uFE0F\u200D",
        u"\u007E\u0080",
    };
    for (const auto run : runs) {
        for (const auto character : odd) {
            for (std::size_t at = 0; at <= 40; ++at) {
                std::u16string text(run);
                text += run;
                text.insert(std::min(at, text.size()), character);
                for (std::size_t from = 0; from < 17; ++from) {
                    for (const std::size_t to : {text.size(), text.size() - 1, from + 9}) {
                        ASSERT_EQ(SuspiciousCharacters::scan(text, from, to, 10'000),
                                  SuspiciousCharacters::scanEachScalar(text, from, to, 10'000))
                            << testing::PrintToString(text) << " from " << from << " to " << to;
                    }
                }
            }
        }
    }

    // Mixed texts of every kind of piece, whole and cut, with a small limit.
    std::mt19937 random(11);
    std::vector<std::u16string_view> pieces(std::begin(odd), std::end(odd));
    pieces.insert(pieces.end(), std::begin(runs), std::end(runs));
    pieces.insert(pieces.end(), {u"abcdefghijklmnopqrstuvwxyz", u"\r", u"\n", u" "});
    for (int round = 0; round < 400; ++round) {
        std::u16string text;
        const std::size_t length = 1 + random() % 600;
        while (text.size() < length)
            text += pieces[random() % pieces.size()];
        const std::size_t from = random() % (text.size() + 1);
        const std::size_t to = from + random() % (text.size() - from + 1);
        const std::int64_t limit = round % 3 == 0 ? 3 : 10'000;
        ASSERT_EQ(SuspiciousCharacters::scan(text, limit),
                  SuspiciousCharacters::scanEachScalar(text, 0, text.size(), limit))
            << "round " << round;
        ASSERT_EQ(SuspiciousCharacters::scan(text, from, to, limit),
                  SuspiciousCharacters::scanEachScalar(text, from, to, limit))
            << "round " << round << " from " << from << " to " << to;
    }
}
