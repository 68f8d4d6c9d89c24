#include "core/ChunkedText.h"
#include "core/TextCodec.h"
#include "core/TextEncoder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace EditorCore;

namespace {

using Bytes = std::vector<std::uint8_t>;

// Texts that touch what a converter carries from one piece to the next: multi-byte
// characters of every script the legacy tables hold, surrogate pairs, the three controls
// windows-31j swaps, line breaks, and characters some encodings cannot hold (where the whole
// encode fails, the pieces must fail the same way).
const std::vector<std::u16string>& texts()
{
    static const std::vector<std::u16string> all = {
        u"",
        u"a",
        u"plain\r\nascii\n",
        u"한국어 문서\r\n가나",
        u"日本語ｶﾅ\u2252漢字",
        u"中文字符\u3000繁體",
        u"café Ærø ß\u00A0",
        u"\u20AC\u201Cquoted\u201D",
        u"a\U0001F600b\U0001F600",
        u"\U00020000\U0002A6D6",
        u"x\u001Ay\u001Cz\u007F",
        u"\u0416\u0436 \u03A9",
        u"한a日b中c\U0001F600",
        std::u16string(u"lone \xD800 lead"),
        std::u16string(u"lone trail \xDC00"),
        std::u16string(u"end \xD83D"),
    };
    return all;
}

struct Encoded
{
    bool ok = false;
    Bytes bytes;
    TextEncoder::Stop stop = TextEncoder::Stop::none;
};

// The text cut at `cuts` (ascending offsets), each piece handed to one encoder.
Encoded inPieces(std::u16string_view text,
                 const std::vector<std::size_t>& cuts,
                 TextEncoding encoding,
                 AddByteOrderMark add,
                 const ByteForms& forms = {})
{
    Encoded result;
    TextEncoder encoder(encoding, add, forms, [&result](std::span<const std::uint8_t> bytes) {
        result.bytes.insert(result.bytes.end(), bytes.begin(), bytes.end());
        return true;
    });
    std::size_t from = 0;
    bool going = true;
    for (std::size_t cut : cuts) {
        going = going && encoder.add(text.substr(from, cut - from));
        from = cut;
    }
    going = going && encoder.add(text.substr(from));
    result.ok = encoder.finish() && going;
    result.stop = encoder.stop();
    if (result.ok) {
        EXPECT_EQ(encoder.byteCount(), result.bytes.size());
    }
    return result;
}

// Every way the text can be cut once, twice (short texts), and at every unit at once.
std::vector<std::vector<std::size_t>> cutsOf(std::size_t length)
{
    std::vector<std::vector<std::size_t>> all;
    for (std::size_t a = 0; a <= length; ++a) {
        all.push_back({a});
        if (length <= 12) {
            for (std::size_t b = a; b <= length; ++b)
                all.push_back({a, b});
        }
    }
    std::vector<std::size_t> everyUnit;
    for (std::size_t i = 1; i < length; ++i)
        everyUnit.push_back(i);
    all.push_back(everyUnit);
    return all;
}

void expectSameAsWhole(std::u16string_view text,
                       TextEncoding encoding,
                       AddByteOrderMark add,
                       const ByteForms& forms = {})
{
    const auto whole = TextCodec::encode(text, encoding, add, forms);
    for (const auto& cuts : cutsOf(text.size())) {
        const auto pieces = inPieces(text, cuts, encoding, add, forms);
        ASSERT_EQ(pieces.ok, whole.has_value()) << "cut at " << testing::PrintToString(cuts);
        if (whole) {
            ASSERT_EQ(pieces.bytes, *whole) << "cut at " << testing::PrintToString(cuts);
        } else {
            ASSERT_EQ(pieces.stop, TextEncoder::Stop::unencodable);
        }
    }
}

// A snapshot whose chunks are a few units long, so that its borders fall all over the text.
TextSnapshot smallChunks(std::u16string_view text)
{
    return ChunkedText(text, ChunkLimits{1, 2, 4}).snapshot();
}

Result<Bytes, TextCodec::EncodeStop> encodedSnapshot(const TextSnapshot& text,
                                                     TextEncoding encoding,
                                                     AddByteOrderMark add,
                                                     const ByteForms& forms = {})
{
    Bytes bytes;
    auto count =
        TextCodec::encode(text, encoding, add, forms, [&bytes](std::span<const std::uint8_t> b) {
            bytes.insert(bytes.end(), b.begin(), b.end());
            return true;
        });
    if (!count)
        return failure(count.error());
    EXPECT_EQ(*count, bytes.size());
    return bytes;
}

// Forms a file may use that the table does not write back: every two-byte sequence that
// decodes to one character whose encoding gives other bytes, the first few of them.
std::vector<Bytes> oneWayPairs(TextEncoding encoding, std::size_t wanted)
{
    std::vector<Bytes> found;
    for (int lead = 0x81; lead < 0xFF && found.size() < wanted; ++lead) {
        for (int trail = 0x40; trail < 0xFF && found.size() < wanted; ++trail) {
            const Bytes pair = {std::uint8_t(lead), std::uint8_t(trail)};
            auto text = TextCodec::decode(pair, encoding, StripByteOrderMark::no);
            if (!text || text->size() != 1)
                continue;
            auto back = TextCodec::encode(*text, encoding, AddByteOrderMark::no);
            if (back && *back != pair)
                found.push_back(pair);
        }
    }
    return found;
}

} // namespace

TEST(TextEncoder, piecesCutAnywhereGiveTheBytesOfTheWholeText)
{
    for (auto encoding : allTextEncodings) {
        SCOPED_TRACE(rawValue(encoding));
        for (auto add : {AddByteOrderMark::no, AddByteOrderMark::yes}) {
            SCOPED_TRACE(add == AddByteOrderMark::yes ? "with mark" : "without mark");
            for (const auto& text : texts()) {
                SCOPED_TRACE(testing::PrintToString(text));
                expectSameAsWhole(text, encoding, add);
            }
        }
    }
}

TEST(TextEncoder, theFileOwnFormsSurviveEveryCut)
{
    for (auto encoding : {TextEncoding::shiftJIS, TextEncoding::eucJP, TextEncoding::big5}) {
        SCOPED_TRACE(rawValue(encoding));
        const auto pairs = oneWayPairs(encoding, 2);
        ASSERT_FALSE(pairs.empty());
        // A file with its own forms between, before and after ordinary characters.
        Bytes file = {'A'};
        for (const auto& pair : pairs) {
            file.insert(file.end(), pair.begin(), pair.end());
            file.push_back('b');
        }
        file.insert(file.end(), pairs.front().begin(), pairs.front().end());
        file.insert(file.end(), pairs.front().begin(), pairs.front().end());
        const auto text = TextCodec::decode(file, encoding, StripByteOrderMark::no).value();
        const auto forms = ByteForms::read(file, text, encoding);
        ASSERT_FALSE(forms.kept().empty()) << forms;
        ASSERT_EQ(TextCodec::encode(text, encoding, AddByteOrderMark::no, forms).value(), file);

        expectSameAsWhole(text, encoding, AddByteOrderMark::no, forms);
        // The same with ordinary characters of the encoding around the kept ones.
        const auto around = u"\u3042" + text + u"\r\n";
        expectSameAsWhole(around, encoding, AddByteOrderMark::no, forms);
        EXPECT_EQ(encodedSnapshot(smallChunks(text), encoding, AddByteOrderMark::no, forms).value(),
                  file);
    }
}

TEST(TextEncoder, aSnapshotEncodesAsItsTextAndFailsWithTheSameCharacters)
{
    struct Case
    {
        const char* name;
        std::u16string text;
        TextEncoding encoding;
    };
    std::u16string longMixed;
    for (int i = 0; i < 300; ++i)
        longMixed += u"줄 " + std::u16string(1, char16_t(u'a' + i % 26)) + u" 日本\r\n";
    const std::vector<Case> cases = {
        {"korean in cp949", longMixed, TextEncoding::cp949},
        {"japanese in shift_jis",
         u"日本語の文書\r\n" + longMixed.substr(0, 40),
         TextEncoding::shiftJIS},
        {"emoji in utf-16", longMixed + u"\U0001F600", TextEncoding::utf16BE},
        {"everything in utf-8", longMixed + u"\U0001F600é", TextEncoding::utf8},
        // Unencodable: the characters are named from the whole text, in order, once each.
        {"hangul in latin-1", u"abc 한 def 글 한 \U0001F600", TextEncoding::isoLatin1},
        {"emoji in cp949", longMixed + u"\U0001F600 and \u00E9", TextEncoding::cp949},
        {"lone surrogate in utf-8", std::u16string(u"ab\xD800") + u"cd", TextEncoding::utf8},
        {"decomposed in euc-kr", u"e\u0301 and \u00E9", TextEncoding::eucKR},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (auto add : {AddByteOrderMark::no, AddByteOrderMark::yes}) {
            const auto whole = TextCodec::encode(c.text, c.encoding, add);
            for (const auto& snapshot : {smallChunks(c.text), ChunkedText(c.text).snapshot()}) {
                const auto encoded = encodedSnapshot(snapshot, c.encoding, add);
                ASSERT_EQ(encoded.has_value(), whole.has_value());
                if (whole) {
                    EXPECT_EQ(*encoded, *whole);
                } else {
                    EXPECT_EQ(encoded.error(), TextCodec::EncodeStop{whole.error()});
                }
                EXPECT_EQ(TextCodec::unencodableCharacters(snapshot, c.encoding, 8),
                          TextCodec::unencodableCharacters(c.text, c.encoding, 8));
            }
        }
    }
}

TEST(TextEncoder, aSinkThatRefusesStopsTheEncodeAtOnce)
{
    std::u16string text;
    while (text.size() < (std::size_t(1) << 20))
        text += u"a line of text that goes on\n";
    const auto snapshot = ChunkedText(text).snapshot();
    int calls = 0;
    auto result = TextCodec::encode(snapshot,
                                    TextEncoding::utf16LE,
                                    AddByteOrderMark::yes,
                                    {},
                                    [&calls](std::span<const std::uint8_t> bytes) {
                                        EXPECT_FALSE(bytes.empty());
                                        return ++calls < 2;
                                    });
    ASSERT_FALSE(result.has_value());
    EXPECT_EQ(result.error(), TextCodec::EncodeStop{TextCodec::SinkStopped{}});
    EXPECT_EQ(calls, 2);

    // The bytes come in pieces far smaller than the text's encoding.
    std::size_t largest = 0;
    ASSERT_TRUE(TextCodec::encode(snapshot,
                                  TextEncoding::utf8,
                                  AddByteOrderMark::no,
                                  {},
                                  [&largest](std::span<const std::uint8_t> bytes) {
                                      largest = std::max(largest, bytes.size());
                                      return true;
                                  }));
    EXPECT_LE(largest, std::size_t(1) << 19);
}
