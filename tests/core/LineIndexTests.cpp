#include "core/LineIndex.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using namespace EditorCore;

namespace {

using Starts = std::vector<std::int64_t>;

// Reference: the breaks found unit by unit, to hold the block scanner to.
Starts naiveStarts(std::u16string_view text)
{
    Starts starts{0};
    for (std::size_t p = 0; p < text.size(); ++p) {
        const char16_t unit = text[p];
        if (unit == u'\r' && p + 1 < text.size() && text[p + 1] == u'\n')
            continue;
        if (unit == u'\n' || unit == u'\r' || unit == 0x85 || unit == 0x2028 || unit == 0x2029)
            starts.push_back(static_cast<std::int64_t>(p) + 1);
    }
    return starts;
}

// Replaces [location, location + oldLength) of `text` and updates `index` the way the text
// storage reports the edit.
void edit(std::u16string& text,
          LineIndex& index,
          std::size_t location,
          std::size_t oldLength,
          std::u16string_view replacement)
{
    text.replace(location, oldLength, replacement);
    index.update(static_cast<std::int64_t>(location),
                 static_cast<std::int64_t>(oldLength),
                 static_cast<std::int64_t>(replacement.size()),
                 text);
}

} // namespace

TEST(LineIndex, buildsStartsAtEveryKindOfBreak)
{
    const struct
    {
        const char* name;
        std::u16string text;
        Starts starts;
    } cases[] = {
        {"empty", u"", {0}},
        {"no break", u"abc", {0}},
        {"LF", u"a\n", {0, 2}},
        {"CR LF is one break", u"a\r\nb", {0, 3}},
        {"CR CR", u"a\r\rb", {0, 2, 3}},
        {"LF CR", u"\n\r", {0, 1, 2}},
        {"CR CR LF", u"\r\r\n", {0, 1, 3}},
        {"line separator", u"a\u2028b", {0, 2}},
        {"paragraph separator", u"a\u2029b", {0, 2}},
        {"next line", u"a\u0085b", {0, 2}},
        {"only breaks", u"\n\n\n", {0, 1, 2, 3}},
        {"neighbours are not breaks", u"\t\v\f\u000E\u0084\u0086\u2027\u202A\u200D", {0}},
        {"final CR", u"ab\r", {0, 3}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const LineIndex index(c.text);
        EXPECT_EQ(index.starts(), c.starts);
        EXPECT_EQ(index.length(), static_cast<std::int64_t>(c.text.size()));
    }
}

TEST(LineIndex, blockScanMatchesUnitByUnitScan)
{
    // Breaks on and around the 4096-unit block edges, the 16-unit vector steps and the end of
    // the stretch sampled for the reservation, including CR LF split by those edges and texts
    // whose length is not a multiple of either.
    std::mt19937 random(7);
    const char16_t alphabet[] = {u'a', u'\n', u'\r', 0x85, 0x2028, 0x2029, 0x2027, 0x0D0A, 0x0A0D};
    for (std::size_t size : {15u, 16u, 17u, 4095u, 4096u, 4097u, 8192u + 33u, 65536u + 9u}) {
        for (int round = 0; round < 20; ++round) {
            std::u16string text(size, u'x');
            for (std::size_t i = 0; i < size; ++i) {
                if (random() % 7 == 0)
                    text[i] = alphabet[random() % std::size(alphabet)];
            }
            for (std::size_t edge : {4096u, 65536u}) {
                if (size > edge) {
                    text[edge - 1] = u'\r';
                    text[edge] = u'\n';
                }
            }
            SCOPED_TRACE(testing::Message() << "size " << size << " round " << round);
            ASSERT_EQ(LineIndex(text).starts(), naiveStarts(text));
        }
    }
}

TEST(LineIndex, lineEndingsReadOffTheStartsEqualACountOfTheText)
{
    // The summary a read hands over with its index must be the one counting the text gives:
    // CR LF once, a CR at the very end, LF after CR LF, breaks that are not counted (NEL,
    // U+2028, U+2029), a text without breaks and the empty text.
    const std::u16string cases[] = {
        u"",
        u"abc",
        u"a\n",
        u"a\r",
        u"a\r\n",
        u"\r\n\r\n",
        u"\r\r\n",
        u"\n\r",
        u"a\r\nb\nc\rd",
        u"\x85x\x2028y\x2029",
        u"\r\x85\n",
        u"\n\n\n",
        u"x\r\n\ny\r",
    };
    for (const auto& text : cases) {
        SCOPED_TRACE(testing::Message() << "text of " << text.size() << " units");
        EXPECT_EQ(LineIndex(text).lineEndings(text), LineEndingSummary(text));
    }
    std::mt19937 random(11);
    const char16_t alphabet[] = {u'a', u'\n', u'\r', 0x85, 0x2028};
    for (int round = 0; round < 50; ++round) {
        std::u16string text(5000 + static_cast<std::size_t>(random() % 100), u'x');
        for (auto& unit : text) {
            if (random() % 5 == 0)
                unit = alphabet[random() % std::size(alphabet)];
        }
        SCOPED_TRACE(testing::Message() << "round " << round);
        ASSERT_EQ(LineIndex(text).lineEndings(text), LineEndingSummary(text));
    }
}

TEST(LineIndex, emptyTextHasOneLine)
{
    const LineIndex index(u"");
    EXPECT_EQ(index, LineIndex());
    EXPECT_EQ(index.lineCount(), 1);
    EXPECT_EQ(index.contentLineCount(), 0);
    EXPECT_EQ(index.lineNumber(0), 1);
    EXPECT_EQ(index.lineStart(1), 0);
    EXPECT_EQ(index.contentRange(0, u""), (LineIndex::Range{0, 0}));
}

TEST(LineIndex, contentLineCountLeavesOutTheLineAfterAFinalBreak)
{
    const struct
    {
        std::u16string text;
        std::int64_t lineCount;
        std::int64_t contentLineCount;
    } cases[] = {
        {u"a", 1, 1},
        {u"a\n", 2, 1},
        {u"a\nb", 2, 2},
        {u"\n", 2, 1},
        {u"a\r\n", 2, 1},
        {u"a\n\n", 3, 2},
        {u"a\u2029", 2, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.text));
        const LineIndex index(c.text);
        EXPECT_EQ(index.lineCount(), c.lineCount);
        EXPECT_EQ(index.contentLineCount(), c.contentLineCount);
    }
}

TEST(LineIndex, lineNumberAndLineStartClamp)
{
    const std::u16string text = u"ab\ncd\r\n\nef"; // starts 0, 3, 7, 8
    const LineIndex index(text);
    ASSERT_EQ(index.starts(), (Starts{0, 3, 7, 8}));

    const std::pair<std::int64_t, std::int64_t> numbers[] = {
        {-5, 1},
        {-1, 1},
        {0, 1},
        {2, 1},
        {3, 2},
        {6, 2},
        {7, 3},
        {8, 4},
        {10, 4},
        {1000, 4},
    };
    for (const auto& [offset, line] : numbers) {
        SCOPED_TRACE(offset);
        EXPECT_EQ(index.lineNumber(offset), line);
    }
    const std::pair<std::int64_t, std::int64_t> lineStarts[] = {
        {-1, 0},
        {0, 0},
        {1, 0},
        {2, 3},
        {3, 7},
        {4, 8},
        {5, 8},
        {99, 8},
    };
    for (const auto& [line, start] : lineStarts) {
        SCOPED_TRACE(line);
        EXPECT_EQ(index.lineStart(line), start);
    }
}

TEST(LineIndex, contentRangeLeavesOutTheBreak)
{
    const std::u16string text = u"a\r\n\nbc\u2028\rd"; // lines "a", "", "bc", "", "d"
    const LineIndex index(text);
    const std::pair<std::int64_t, LineIndex::Range> cases[] = {
        {0, {0, 1}},
        {1, {3, 0}},
        {2, {4, 2}},
        {3, {7, 0}},
        {4, {8, 1}},
        {-1, {9, 0}},
        {5, {9, 0}},
        {100, {9, 0}},
    };
    for (const auto& [line, range] : cases) {
        SCOPED_TRACE(line);
        EXPECT_EQ(index.contentRange(line, text), range);
    }

    const std::u16string crlf = u"a\r\n";
    EXPECT_EQ(LineIndex(crlf).contentRange(0, crlf), (LineIndex::Range{0, 1}));
    EXPECT_EQ(LineIndex(crlf).contentRange(1, crlf), (LineIndex::Range{3, 0}));
}

TEST(LineIndex, contentRangeStaysInsideAShorterText)
{
    const LineIndex index(std::u16string_view(u"abc\ndef\nghi"));
    EXPECT_EQ(index.contentRange(2, u"abc\nd"), (LineIndex::Range{5, 0}));
    EXPECT_EQ(index.contentRange(1, u"abc\nd"), (LineIndex::Range{4, 1}));
}

TEST(LineIndex, updateHandlesBreaksAroundTheEdit)
{
    const struct
    {
        const char* name;
        std::u16string before;
        std::size_t location;
        std::size_t oldLength;
        std::u16string replacement;
        Starts starts;
    } cases[] = {
        {"LF after a CR that ended a line", u"a\rb", 2, 0, u"\n", {0, 3}},
        {"CR before an LF", u"a\nb", 1, 0, u"\r", {0, 3}},
        {"delete a middle line", u"a\nb\nc", 2, 2, u"", {0, 2}},
        {"delete the LF of a CR LF", u"a\r\nb", 2, 1, u"", {0, 2}},
        {"delete the CR of a CR LF", u"a\r\nb", 1, 1, u"", {0, 2}},
        {"split a CR LF", u"a\r\nb", 2, 0, u"x", {0, 2, 4}},
        {"join CR and LF by deleting between", u"a\rx\nb", 2, 1, u"", {0, 3}},
        {"insert at the start", u"a\nb", 0, 0, u"\n\n", {0, 1, 2, 4}},
        {"append at the end", u"a\n", 2, 0, u"b\r", {0, 2, 4}},
        {"replace everything", u"a\nb\nc", 0, 5, u"\u2028", {0, 1}},
        {"delete everything", u"a\nb", 0, 3, u"", {0}},
        {"replace inside a long tail", u"a\nbb\ncc\ndd\n", 3, 1, u"\r\n\r", {0, 2, 5, 7, 10, 13}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::u16string text = c.before;
        LineIndex index(text);
        edit(text, index, c.location, c.oldLength, c.replacement);
        EXPECT_EQ(index.starts(), c.starts);
        EXPECT_EQ(index, LineIndex(text));
    }
}

// Thousands of random replacements full of every kind of break, each compared with a fresh
// build of the text after it.
TEST(LineIndex, updateEqualsAFreshBuild)
{
    std::mt19937 random(20240501);
    const std::u16string_view pieces[] = {
        u"\r",
        u"\n",
        u"\r\n",
        u"\u2028",
        u"\u0085",
        u"\u2029",
        u"a",
        u"bc",
        u"\r\r",
        u"\n\r",
        u"xyz",
        u"\U0001F600",
    };
    auto randomText = [&](std::size_t maxPieces) {
        std::u16string text;
        const std::size_t count = random() % (maxPieces + 1);
        for (std::size_t i = 0; i < count; ++i)
            text += pieces[random() % std::size(pieces)];
        return text;
    };

    for (int run = 0; run < 40; ++run) {
        std::u16string text = randomText(run % 2 == 0 ? 8 : 400);
        LineIndex index(text);
        for (int step = 0; step < 250; ++step) {
            const std::size_t location = random() % (text.size() + 1);
            const std::size_t oldLength = random() % (text.size() - location + 1) % 9;
            const std::u16string replacement = randomText(step % 10 == 0 ? 30 : 3);
            const std::u16string before = text;
            edit(text, index, location, oldLength, replacement);
            const LineIndex fresh(text);
            if (index != fresh) {
                ADD_FAILURE() << "run " << run << " step " << step << ": replacing " << oldLength
                              << " units at " << location << " of "
                              << testing::PrintToString(before) << " with "
                              << testing::PrintToString(replacement) << "\n  updated " << index
                              << "\n  fresh   " << fresh;
                return;
            }
        }
    }
}

TEST(LineIndex, updateAcrossBlockEdges)
{
    // Edits of a long text whose rescans and shifted tails cross the scanner's block size.
    std::mt19937 random(99);
    std::u16string text;
    for (int i = 0; i < 3000; ++i)
        text += (i % 3 == 0) ? u"line\r\n" : (i % 3 == 1 ? u"x\r" : u"yy\u2028");
    LineIndex index(text);
    for (int step = 0; step < 300; ++step) {
        const std::size_t location = random() % (text.size() + 1);
        const std::size_t oldLength = random() % (text.size() - location + 1) % 5000;
        std::u16string replacement(random() % 5000, u'z');
        for (auto& unit : replacement) {
            if (random() % 11 == 0)
                unit = (random() % 2 == 0) ? u'\r' : u'\n';
        }
        edit(text, index, location, oldLength, replacement);
        ASSERT_EQ(index, LineIndex(text)) << "step " << step;
    }
}

TEST(LineIndex, updateWithArgumentsThatDoNotFitTheTextKeepsStartsIncreasing)
{
    const std::u16string text = u"a\nb\nc";
    const struct
    {
        std::int64_t location, oldLength, newLength;
    } cases[] = {{-3, 2, 1}, {40, 0, 2}, {1, 50, 0}, {2, -4, 9}, {0, 0, 100}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.location << " " << c.oldLength << " " << c.newLength);
        LineIndex index(u"a\nb\nc\nd\ne");
        index.update(c.location, c.oldLength, c.newLength, text);
        ASSERT_FALSE(index.starts().empty());
        EXPECT_EQ(index.starts().front(), 0);
        for (std::size_t i = 1; i < index.starts().size(); ++i)
            EXPECT_LT(index.starts()[i - 1], index.starts()[i]);
        EXPECT_EQ(index.length(), 5);
    }
}

// Edits leave the shift of the lines after them pending until the next edit elsewhere; every
// answer in between must be a fresh build's. Clusters of edits at one place and jumps back and
// forth, with the updates given only the stretch they read, and the index compared whole only
// now and then (comparing settles the pending shift).
TEST(LineIndex, pendingShiftsAnswerAsAFreshBuild)
{
    std::mt19937 random(7);
    std::u16string text;
    for (int i = 0; i < 400; ++i)
        text += i % 4 == 0 ? u"ab\r\n" : i % 4 == 1 ? u"c\r" : i % 4 == 2 ? u"\u2028" : u"de\n";
    LineIndex index(text);
    std::size_t place = 0;
    for (int step = 0; step < 4000; ++step) {
        if (step % 25 == 0)
            place = random() % (text.size() + 1);
        const std::size_t location = std::min(text.size(), place + random() % 5);
        const std::size_t oldLength = random() % (text.size() - location + 1) % 4;
        static const std::u16string_view pieces[] = {u"x", u"\n", u"\r", u"\r\n", u"yz", u""};
        const std::u16string_view replacement = pieces[random() % std::size(pieces)];
        text.replace(location, oldLength, replacement);
        const auto stretch = LineIndex::updateStretch(static_cast<std::int64_t>(location),
                                                      static_cast<std::int64_t>(replacement.size()),
                                                      static_cast<std::int64_t>(text.size()));
        index.update(static_cast<std::int64_t>(location),
                     static_cast<std::int64_t>(oldLength),
                     static_cast<std::int64_t>(replacement.size()),
                     static_cast<std::int64_t>(text.size()),
                     std::u16string_view(text).substr(static_cast<std::size_t>(stretch.location),
                                                      static_cast<std::size_t>(stretch.length)));
        const LineIndex fresh(text);
        ASSERT_EQ(index.lineCount(), fresh.lineCount()) << "step " << step;
        ASSERT_EQ(index.contentLineCount(), fresh.contentLineCount()) << "step " << step;
        for (int probe = 0; probe < 6; ++probe) {
            const auto offset = static_cast<std::int64_t>(random() % (text.size() + 2)) - 1;
            ASSERT_EQ(index.lineNumber(offset), fresh.lineNumber(offset))
                << "step " << step << " offset " << offset;
            const auto line = static_cast<std::int64_t>(random() % (fresh.lineCount() + 1));
            ASSERT_EQ(index.lineStart(line), fresh.lineStart(line)) << "step " << step;
            ASSERT_EQ(index.contentRange(line, text), fresh.contentRange(line, text))
                << "step " << step;
        }
        if (step % 200 == 199) {
            ASSERT_EQ(index, fresh) << "step " << step;
        }
    }
}
