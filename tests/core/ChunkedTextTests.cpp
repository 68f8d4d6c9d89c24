#include "core/ChunkedText.h"

#include "core/LineIndex.h"

#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <thread>
#include <string>
#include <vector>

using namespace EditorCore;

namespace {

bool isLead(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool isTrail(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// The chunk borders of a snapshot never split a CR LF or a surrogate pair, and chunks stay
// within the limits (one unit over where a pair was kept whole).
void expectSoundChunks(const TextSnapshot& snapshot, const ChunkLimits& limits)
{
    std::vector<std::u16string> pieces;
    snapshot.visit(0, snapshot.length(), [&](std::u16string_view piece) {
        pieces.emplace_back(piece);
        return true;
    });
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        SCOPED_TRACE(::testing::Message() << "chunk " << i << " of " << pieces.size());
        ASSERT_FALSE(pieces[i].empty());
        EXPECT_LE(static_cast<std::int64_t>(pieces[i].size()), limits.maximum + 1);
        if (pieces.size() > 1) {
            EXPECT_GE(static_cast<std::int64_t>(pieces[i].size()), limits.minimum);
        }
        if (i + 1 < pieces.size()) {
            const char16_t before = pieces[i].back();
            const char16_t after = pieces[i + 1].front();
            EXPECT_FALSE(before == u'\r' && after == u'\n');
            EXPECT_FALSE(isLead(before) && isTrail(after));
        }
    }
}

// Text, length, units and lines of snapshot against the same text in one string.
void expectSameText(const TextSnapshot& snapshot, const std::u16string& expected)
{
    ASSERT_EQ(snapshot.length(), static_cast<std::int64_t>(expected.size()));
    ASSERT_EQ(snapshot.text(), expected);
    const LineIndex lines(expected);
    ASSERT_EQ(snapshot.lineCount(), lines.lineCount());
    for (std::int64_t line = 0; line <= lines.lineCount() + 1; ++line)
        ASSERT_EQ(snapshot.lineStart(line), lines.lineStart(line)) << "line " << line;
    for (std::int64_t offset = -1; offset <= snapshot.length() + 1; ++offset) {
        ASSERT_EQ(snapshot.lineNumber(offset), lines.lineNumber(offset)) << "offset " << offset;
        const char16_t unit = offset >= 0 && offset < snapshot.length()
                                  ? expected[static_cast<std::size_t>(offset)]
                                  : char16_t{0};
        ASSERT_EQ(snapshot.at(offset), unit) << "offset " << offset;
    }
}

// Pieces from which random texts are made: the pairs that chunk borders must keep whole, every
// line break, and units that need two bytes.
const std::vector<std::u16string> fragments{
    u"a", u"b", u"xyz", u"\r", u"\n", u"\r\n", u"\U0001F600", u"\xD83D", u"\xDE00",
    u"\x85", u"\u2028", u"\u2029", u"\u00E9", u"\u0451", u"\u4E00"};

std::u16string randomText(std::mt19937& random, std::size_t pieces)
{
    std::uniform_int_distribution<std::size_t> pick(0, fragments.size() - 1);
    std::u16string text;
    for (std::size_t i = 0; i < pieces; ++i)
        text += fragments[pick(random)];
    return text;
}

struct LimitsCase
{
    const char* name;
    ChunkLimits limits;
};

const LimitsCase limitCases[] = {
    {"one unit", {1, 1, 1}},
    {"tiny", {2, 4, 8}},
    {"small", {8, 16, 32}},
    {"usual", {}},
};

} // namespace

TEST(ChunkedText, randomEditsMatchAPlainString)
{
    for (const auto& c : limitCases) {
        SCOPED_TRACE(c.name);
        std::mt19937 random(7);
        std::u16string expected = randomText(random, 200);
        ChunkedText text(expected, c.limits);
        std::vector<std::pair<TextSnapshot, std::u16string>> kept;
        for (int step = 0; step < 3000; ++step) {
            const auto size = expected.size();
            std::uniform_int_distribution<std::size_t> at(0, size);
            const std::size_t location = at(random);
            std::uniform_int_distribution<std::size_t> span(0, std::min<std::size_t>(size - location, 12));
            // Mostly small edits, sometimes a long stretch removed or a long text pasted.
            std::size_t length = span(random);
            std::u16string inserted = randomText(random, random() % 4);
            if (step % 97 == 0)
                length = size - location;
            if (step % 89 == 0)
                inserted = randomText(random, 300);
            text.replace(static_cast<std::int64_t>(location),
                         static_cast<std::int64_t>(length),
                         inserted);
            expected.replace(location, length, inserted);
            ASSERT_EQ(text.length(), static_cast<std::int64_t>(expected.size())) << "step " << step;
            if (step % 50 == 0) {
                SCOPED_TRACE(::testing::Message() << "step " << step);
                expectSameText(text.current(), expected);
                expectSoundChunks(text.current(), c.limits);
                kept.emplace_back(text.snapshot(), expected);
            }
        }
        expectSameText(text.current(), expected);
        for (const auto& [snapshot, original] : kept)
            expectSameText(snapshot, original);
    }
}

TEST(ChunkedText, rangesAreClampedAndReadInPieces)
{
    const std::u16string expected = u"one\r\ntwo\U0001F600three\u2028four";
    ChunkedText text(expected, {2, 3, 4});
    for (std::int64_t from = -2; from <= static_cast<std::int64_t>(expected.size()) + 2; ++from) {
        for (std::int64_t length = -1; length <= 30; ++length) {
            const auto start = std::clamp<std::int64_t>(from, 0, static_cast<std::int64_t>(expected.size()));
            const auto end = std::clamp<std::int64_t>(from + std::max<std::int64_t>(length, 0),
                                                      start,
                                                      static_cast<std::int64_t>(expected.size()));
            const std::u16string want = expected.substr(static_cast<std::size_t>(start),
                                                         static_cast<std::size_t>(end - start));
            ASSERT_EQ(text.current().text(from, length), want) << from << " " << length;
        }
    }
    // A visitor that stops after the first piece gets no more.
    int pieces = 0;
    EXPECT_FALSE(text.current().visit(0, 100, [&](std::u16string_view) {
        ++pieces;
        return false;
    }));
    EXPECT_EQ(pieces, 1);
}

TEST(ChunkedText, editsAtTheEdgesOfTheText)
{
    struct Case
    {
        const char* name;
        std::u16string before;
        std::int64_t location, length;
        std::u16string inserted;
        std::u16string after;
    };
    const Case cases[] = {
        {"into the empty text", u"", 0, 0, u"ab\r\n", u"ab\r\n"},
        {"everything removed", u"abc\r\ndef", 0, 8, u"", u""},
        {"past the end is the end", u"abc", 10, 5, u"d", u"abcd"},
        {"before the start is the start", u"abc", -4, 1, u"x", u"xabc"},
        {"LF after a final CR", u"abc\r", 4, 0, u"\n", u"abc\r\n"},
        {"trail after a final lead", u"ab\xD83D", 3, 0, u"\xDE00", u"ab\U0001F600"},
        {"CR before a first LF", u"\nabc", 0, 0, u"\r", u"\r\nabc"},
        {"removal joins CR and LF", u"a\rxyz\nb", 2, 3, u"", u"a\r\nb"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (const auto& l : limitCases) {
            SCOPED_TRACE(l.name);
            ChunkedText text(c.before, l.limits);
            text.replace(c.location, c.length, c.inserted);
            expectSameText(text.current(), c.after);
            expectSoundChunks(text.current(), l.limits);
        }
    }
}

TEST(ChunkedText, snapshotIsUnchangedByLaterEdits)
{
    ChunkedText text(u"first line\nsecond line\n", {2, 4, 8});
    const TextSnapshot before = text.snapshot();
    EXPECT_TRUE(before.sharesRootWith(text.current()));
    text.replace(5, 1, u"\r\n\r\n");
    text.replace(0, 0, u"\U0001F600");
    EXPECT_FALSE(before.sharesRootWith(text.current()));
    expectSameText(before, u"first line\nsecond line\n");
    expectSameText(text.current(), u"\U0001F600first\r\n\r\nline\nsecond line\n");
}

TEST(ChunkedText, textBelowU0100IsStoredInOneBytePerUnit)
{
    std::u16string latin;
    for (int i = 0; i < 20000; ++i)
        latin += static_cast<char16_t>(i % 0x100);
    const ChunkedText narrow(latin);
    const ChunkStats stats = narrow.current().stats();
    EXPECT_EQ(stats.narrowChunks, stats.chunks);
    EXPECT_EQ(stats.textBytes, static_cast<std::int64_t>(latin.size()));
    expectSameText(narrow.current(), latin);

    // One unit above U+00FF makes its own chunk wide, and only that one.
    ChunkedText mixed(latin);
    mixed.replace(10, 0, u"\u4E00");
    const ChunkStats mixedStats = mixed.current().stats();
    EXPECT_EQ(mixedStats.narrowChunks, mixedStats.chunks - 1);
    latin.insert(10, u"\u4E00");
    EXPECT_EQ(mixed.current().text(), latin);
}

TEST(ChunkedTextBuilder, piecesOfAnySizeMakeTheSameText)
{
    std::mt19937 random(11);
    for (const auto& c : limitCases) {
        SCOPED_TRACE(c.name);
        const std::u16string expected = randomText(random, 3000);
        ChunkedTextBuilder builder(c.limits);
        std::size_t at = 0;
        while (at < expected.size()) {
            // Pieces end anywhere, inside CR LF and surrogate pairs too.
            const std::size_t n = std::min<std::size_t>(expected.size() - at, random() % 40);
            builder.append(std::u16string_view(expected).substr(at, n));
            at += n;
        }
        EXPECT_EQ(builder.length(), static_cast<std::int64_t>(expected.size()));
        const ChunkedText text = builder.finish();
        expectSameText(text.current(), expected);
        expectSoundChunks(text.current(), c.limits);
        EXPECT_EQ(builder.length(), 0);
    }
}

TEST(ChunkedTextBuilder, latin1BytesAreTheirUnits)
{
    std::vector<std::uint8_t> bytes;
    std::u16string expected;
    for (int i = 0; i < 10000; ++i) {
        const auto b = static_cast<std::uint8_t>(i * 7);
        bytes.push_back(b);
        expected += static_cast<char16_t>(b);
    }
    ChunkedTextBuilder builder;
    builder.appendLatin1(std::span(bytes).first(3));
    builder.append(u"\u4E00");
    builder.appendLatin1(std::span(bytes).subspan(3));
    expected.insert(3, u"\u4E00");
    expectSameText(builder.finishSnapshot(), expected);
}

// Builds of many megabytes carve their chunks from shared blocks: the text is the same whichever
// way its pieces came (one byte per unit, wide, a remainder of one piece joined to the next),
// and the chunks outlive the builder, the edits that replace some of them and the other builds
// on the same thread, whichever thread lets go of them last.
TEST(ChunkedTextBuilder, largeBuildsOfPiecesKeepTheirTextAfterTheBuilderIsGone)
{
    std::mt19937 random(17);
    std::u16string line = u"2026-12-11 INFO request served\r\n caf\u00E9\r";
    std::vector<std::uint8_t> latin(line.begin(), line.end());
    std::u16string expected;
    TextSnapshot first;
    {
        ChunkedTextBuilder builder;
        // Two builds on one thread at once: the second's end must not take the first's memory.
        ChunkedTextBuilder other;
        while (expected.size() < (std::size_t(9) << 20)) {
            const std::size_t n = 1 + random() % 5000;
            std::vector<std::uint8_t> piece;
            while (piece.size() < n)
                piece.insert(piece.end(), latin.begin(), latin.end());
            if (random() % 4 == 0) {
                builder.append(u"\u4E00\n");
                expected += u"\u4E00\n";
            }
            builder.appendLatin1(piece);
            expected.append(piece.begin(), piece.end());
            other.appendLatin1(piece);
        }
        first = builder.finishSnapshot();
        (void)other.finishSnapshot();
    }
    expectSameText(first, expected);
    expectSoundChunks(first, ChunkLimits{});
    EXPECT_EQ(first.lineCount(), LineIndex(expected).lineCount());

    ChunkedText edited(first);
    edited.replace(5, 100'000, u"x");
    expected.replace(5, 100'000, u"x");
    first = {};
    TextSnapshot last = edited.snapshot();
    edited = ChunkedText();
    std::thread([held = std::move(last), expected] {
        EXPECT_TRUE(held.text() == expected);
    }).join();
}

// Readers on other threads see their snapshots unchanged while the owner edits and takes new
// ones; the reference counts of shared nodes are touched from every thread at once.
TEST(ChunkedText, snapshotsAreReadOnOtherThreadsDuringEdits)
{
    std::mt19937 random(3);
    std::u16string expected = randomText(random, 4000);
    ChunkedText text(expected, {4, 16, 32});
    std::vector<std::pair<TextSnapshot, std::u16string>> handedOut;
    for (int i = 0; i < 3; ++i) {
        handedOut.emplace_back(text.snapshot(), expected);
        text.replace(static_cast<std::int64_t>(random() % expected.size()), 3, u"\r\n\U0001F600");
        expected = text.current().text();
    }
    std::atomic<int> mismatches{0};
    std::vector<std::thread> readers;
    for (const auto& [snapshot, original] : handedOut) {
        readers.emplace_back([&mismatches, snapshot, original] {
            for (int round = 0; round < 30; ++round) {
                TextSnapshot copy = snapshot;
                if (copy.text() != original || copy.lineCount() != LineIndex(original).lineCount())
                    ++mismatches;
            }
        });
    }
    for (int step = 0; step < 2000; ++step) {
        const auto size = static_cast<std::int64_t>(expected.size());
        const std::int64_t at = static_cast<std::int64_t>(random() % static_cast<std::uint64_t>(size + 1));
        const std::u16string inserted = randomText(random, random() % 3);
        const std::int64_t length = std::min<std::int64_t>(size - at, random() % 4);
        text.replace(at, length, inserted);
        expected.replace(static_cast<std::size_t>(at), static_cast<std::size_t>(length), inserted);
        if (step % 100 == 0)
            handedOut.front().first = text.snapshot();
    }
    for (auto& reader : readers)
        reader.join();
    EXPECT_EQ(mismatches.load(), 0);
    EXPECT_EQ(text.current().text(), expected);
}
