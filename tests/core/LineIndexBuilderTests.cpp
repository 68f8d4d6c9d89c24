#include "core/LineIndexBuilder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

using namespace EditorCore;

namespace {

bool isLatin1(std::u16string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char16_t unit) { return unit < 0x100; });
}

// `text` handed to a builder in pieces of `pieceLength` units (the last shorter); pieces all
// below U+0100 go through appendLatin1 on every other piece, so both scanners meet at borders.
LineIndexBuilder::Result
buildInPieces(std::u16string_view text, std::size_t pieceLength, std::int64_t expectedLength = 0)
{
    LineIndexBuilder builder(expectedLength);
    std::size_t number = 0;
    for (std::size_t at = 0; at < text.size(); at += pieceLength, ++number) {
        const auto piece = text.substr(at, pieceLength);
        if (number % 2 == 1 && isLatin1(piece)) {
            std::vector<std::uint8_t> bytes(piece.begin(), piece.end());
            builder.appendLatin1(bytes);
        } else {
            builder.append(piece);
        }
        if (number % 3 == 0)
            builder.append({}); // an empty piece changes nothing, not even a waiting CR
    }
    return builder.finish();
}

void expectSameAsWhole(std::u16string_view text, const LineIndexBuilder::Result& built)
{
    const LineIndex whole(text);
    EXPECT_EQ(built.lines, whole);
    EXPECT_EQ(built.lineEndings, LineEndingSummary(text));
    EXPECT_EQ(built.lineEndings, whole.lineEndings(text));
}

} // namespace

TEST(LineIndexBuilder, piecesGiveTheIndexAndBreaksOfTheWholeText)
{
    struct Case
    {
        const char* name;
        std::u16string text;
    };
    const std::vector<Case> cases = {
        {"empty", u""},
        {"no break", u"abc"},
        {"CR LF", u"a\r\nb\r\n"},
        {"lone CRs, one at the end", u"a\rb\r"},
        {"CR before CR LF", u"\r\r\n\r"},
        {"LF CR (two breaks)", u"a\n\rb"},
        {"mixed", u"one\ntwo\r\nthree\rfour"},
        {"NEL and separators", u"a\u0085b\u2028c\u2029d\r\u0085"},
        {"Latin-1 and NEL", u"caf\u00e9\u0085na\u00efve\r\n"},
        {"wide between breaks", u"\ud55c\uae00\r\n\u65e5\u672c\r\u2028"},
        {"breaks only", u"\n\n\r\r\n\r\n\n\r"},
        {"long line then breaks",
         std::u16string(40, u'x') + u"\r\n" + std::u16string(37, u'y') + u"\r"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (std::size_t pieceLength : {std::size_t(1),
                                        std::size_t(2),
                                        std::size_t(3),
                                        std::size_t(4),
                                        std::size_t(17),
                                        c.text.size() + 1}) {
            SCOPED_TRACE(pieceLength);
            expectSameAsWhole(c.text, buildInPieces(c.text, std::max<std::size_t>(pieceLength, 1)));
        }
    }
}

// Long enough for the block scanner and for the list sized from a sample; the pieces end at
// random places, CRs among them.
TEST(LineIndexBuilder, longTextsCutAnywhereMatchTheWholeIndex)
{
    const std::u16string alphabet = u"abcdefgh \r\n\r\n\u0085\u00e9\u2028\u2029\ud55c";
    for (std::uint32_t seed : {1u, 2u, 3u}) {
        SCOPED_TRACE(seed);
        std::mt19937 random(seed);
        std::u16string text(300'000, u'a');
        // Sparse breaks in one stretch, dense in another.
        for (std::size_t i = 0; i < text.size(); ++i) {
            const bool dense = i > 150'000;
            if (random() % (dense ? 3 : 61) == 0)
                text[i] = alphabet[random() % alphabet.size()];
        }
        LineIndexBuilder builder(static_cast<std::int64_t>(text.size()));
        std::size_t at = 0;
        while (at < text.size()) {
            std::size_t length = 1 + random() % 9000;
            // Pieces that end in a CR, so that its LF comes in the next one.
            const auto cr = text.find(u'\r', at + length / 2);
            if (random() % 2 == 0 && cr != std::u16string::npos)
                length = cr + 1 - at;
            length = std::min(length, text.size() - at);
            const auto piece = std::u16string_view(text).substr(at, length);
            if (isLatin1(piece)) {
                std::vector<std::uint8_t> bytes(piece.begin(), piece.end());
                builder.appendLatin1(bytes);
            } else {
                builder.append(piece);
            }
            at += length;
        }
        expectSameAsWhole(text, builder.finish());
    }
}

TEST(LineIndexBuilder, finishStartsOver)
{
    LineIndexBuilder builder;
    builder.append(u"a\r");
    (void)builder.finish();
    builder.append(u"\nb");
    expectSameAsWhole(u"\nb", builder.finish());
}
