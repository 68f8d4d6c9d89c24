#include "core/LineEnding.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

using namespace EditorCore;

namespace {

LineEndingSummary
summary(std::int64_t lf, std::int64_t crlf, std::int64_t cr, bool hasFinalNewline = false)
{
    LineEndingSummary result;
    result.lf = lf;
    result.crlf = crlf;
    result.cr = cr;
    result.hasFinalNewline = hasFinalNewline;
    return result;
}

// One unit at a time, as the definition reads.
LineEndingSummary countedOneByOne(std::u16string_view text)
{
    LineEndingSummary result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            ++result.crlf;
            ++i;
        } else if (text[i] == u'\r') {
            ++result.cr;
        } else if (text[i] == u'\n') {
            ++result.lf;
        }
    }
    result.hasFinalNewline = !text.empty() && (text.back() == u'\n' || text.back() == u'\r');
    return result;
}

} // namespace

TEST(LineEnding, rawValuesAndCharactersReadBothWays)
{
    const struct
    {
        LineEnding ending;
        std::string_view raw;
        std::u16string_view characters;
    } cases[] = {
        {LineEnding::lf, "lf", u"\n"},
        {LineEnding::crlf, "crlf", u"\r\n"},
        {LineEnding::cr, "cr", u"\r"},
    };
    ASSERT_EQ(allLineEndings.size(), std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        SCOPED_TRACE(c.raw);
        EXPECT_EQ(allLineEndings[i], c.ending);
        EXPECT_EQ(rawValue(c.ending), c.raw);
        EXPECT_EQ(lineEndingFromRawValue(c.raw), c.ending);
        EXPECT_EQ(characters(c.ending), c.characters);
    }
}

TEST(LineEnding, constructionFromRawValueIsExact)
{
    for (std::string_view raw : {"CRLF", "Lf", "", "lf ", "crlf\n", "\n", "nel"}) {
        SCOPED_TRACE(raw);
        EXPECT_EQ(lineEndingFromRawValue(raw), std::nullopt);
    }
}

TEST(LineEndingSummary, countsLFCRLFAndCR)
{
    const struct
    {
        const char* name;
        std::u16string text;
        LineEndingSummary expected;
    } cases[] = {
        {"empty", u"", summary(0, 0, 0)},
        {"no break", u"abc", summary(0, 0, 0)},
        {"one of each", u"a\r\nb\nc\rd", summary(1, 1, 1)},
        {"final CR", u"a\r", summary(0, 0, 1, true)},
        {"final LF", u"a\n", summary(1, 0, 0, true)},
        {"final CR LF", u"a\r\n", summary(0, 1, 0, true)},
        {"CR CR LF", u"\r\r\n", summary(0, 1, 1, true)},
        {"LF CR", u"\n\r", summary(1, 0, 1, true)},
        {"LF LF", u"\n\n", summary(2, 0, 0, true)},
        {"CR other LF", u"\rx\n", summary(1, 0, 1, true)},
        {"Unicode separators are not counted", u"a\u2028b\u0085c\u2029", summary(0, 0, 0)},
        {"other controls between", u"\r\t\n\v\f", summary(1, 0, 1)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(LineEndingSummary(c.text), c.expected);
    }
}

TEST(LineEndingSummary, derivedValues)
{
    const struct
    {
        const char* name;
        LineEndingSummary summary;
        std::int64_t total;
        bool isMixed;
        std::optional<LineEnding> dominant;
    } cases[] = {
        {"none", summary(0, 0, 0), 0, false, std::nullopt},
        {"one of each", summary(1, 1, 1), 3, true, LineEnding::lf},
        {"two CRLF two LF", summary(2, 2, 0), 4, true, LineEnding::lf},
        {"two CRLF two CR", summary(0, 2, 2), 4, true, LineEnding::crlf},
        {"one LF two CR", summary(1, 0, 2), 3, true, LineEnding::cr},
        {"CRLF over LF, below CR", summary(1, 2, 3), 6, true, LineEnding::cr},
        {"CRLF above LF, equal to CR", summary(1, 3, 3), 7, true, LineEnding::crlf},
        {"only CR", summary(0, 0, 5), 5, false, LineEnding::cr},
        {"only CRLF", summary(0, 4, 0), 4, false, LineEnding::crlf},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.summary.total(), c.total);
        EXPECT_EQ(c.summary.isMixed(), c.isMixed);
        EXPECT_EQ(c.summary.dominant(), c.dominant);
    }
}

TEST(LineEndingSummary, equalityComparesEveryField)
{
    EXPECT_EQ(summary(1, 2, 3, true), summary(1, 2, 3, true));
    EXPECT_NE(summary(1, 2, 3, true), summary(1, 2, 3, false));
    EXPECT_NE(summary(1, 2, 3), summary(1, 2, 4));
}

TEST(LineEndingConverter, rewritesEveryBreakOnce)
{
    const struct
    {
        const char* name;
        std::u16string text;
        LineEnding ending;
        std::u16string expected;
    } cases[] = {
        {"mixed to CRLF", u"a\r\n\rb\n", LineEnding::crlf, u"a\r\n\r\nb\r\n"},
        {"CRLF to LF", u"a\r\nb", LineEnding::lf, u"a\nb"},
        {"mixed to CR", u"\n\r\n\r", LineEnding::cr, u"\r\r\r"},
        {"CR CR LF to LF", u"\r\r\n", LineEnding::lf, u"\n\n"},
        {"LF CR is two breaks", u"\n\r", LineEnding::crlf, u"\r\n\r\n"},
        {"empty", u"", LineEnding::crlf, u""},
        {"no break", u"abc", LineEnding::cr, u"abc"},
        {"Unicode separators stay",
         u"a\u2028b\u0085c\u2029\n",
         LineEnding::crlf,
         u"a\u2028b\u0085c\u2029\r\n"},
        {"surrogate pairs and lone surrogates stay",
         u"\U0001F600\n\xD800\r",
         LineEnding::lf,
         u"\U0001F600\n\xD800\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(LineEndingConverter::convert(c.text, c.ending), c.expected);
    }
}

TEST(LineEndingConverter, resultHasOnlyTheTargetEnding)
{
    const std::u16string text = u"one\r\ntwo\nthree\rfour\r\r\n\n";
    for (LineEnding ending : allLineEndings) {
        SCOPED_TRACE(rawValue(ending));
        const LineEndingSummary converted(LineEndingConverter::convert(text, ending));
        EXPECT_EQ(converted.total(), LineEndingSummary(text).total());
        EXPECT_FALSE(converted.isMixed());
        EXPECT_EQ(converted.dominant(), ending);
    }
}

TEST(LineEndingSummary, blocksAgreeWithTheCountOneUnitAtATime)
{
    // A CR LF pair astride every offset of the blocks the count reads at once, and at every
    // alignment of the text's start; then random texts of breaks and their look-alikes.
    for (std::size_t at = 0; at < 40; ++at) {
        for (const std::u16string_view pair : {u"\r\n", u"\r\r", u"\n\r", u"\r", u"\n"}) {
            std::u16string text(48, u'x');
            text.replace(at, pair.size(), pair);
            for (std::size_t from = 0; from < 17; ++from) {
                const auto view = std::u16string_view(text).substr(from);
                ASSERT_EQ(LineEndingSummary(view), countedOneByOne(view))
                    << "at " << at << " from " << from;
            }
        }
    }
    std::mt19937 random(3);
    const char16_t units[] = {u'\r', u'\n', u'a', u'\u0a0d', u'\u0d0a', u'\u2028', u'\v'};
    for (int round = 0; round < 500; ++round) {
        std::u16string text(random() % 200, u' ');
        for (auto& unit : text)
            unit = units[random() % std::size(units)];
        ASSERT_EQ(LineEndingSummary(text), countedOneByOne(text)) << "round " << round;
    }
}
