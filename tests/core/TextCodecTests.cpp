#include "core/TextCodec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace EditorCore;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes bytesOf(std::initializer_list<int> values)
{
    Bytes result;
    for (int value : values)
        result.push_back(static_cast<std::uint8_t>(value));
    return result;
}

Bytes concat(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes markOf(TextEncoding encoding)
{
    auto mark = byteOrderMark(encoding);
    return Bytes(mark.begin(), mark.end());
}

// A text each encoding can hold, with its characters beyond ASCII.
struct Sample
{
    TextEncoding encoding;
    std::u16string text;
};

const std::vector<Sample>& samples()
{
    static const std::vector<Sample> all = {
        {TextEncoding::utf8, u"A\u00E9\uAC00\U0001F600\u200B\r\n"},
        {TextEncoding::utf16LE, u"A\u00E9\uAC00\U0001F600\u200B\r\n"},
        {TextEncoding::utf16BE, u"A\u00E9\uAC00\U0001F600\u200B\r\n"},
        {TextEncoding::utf32LE, u"A\u00E9\uAC00\U0001F600\u200B\r\n"},
        {TextEncoding::utf32BE, u"A\u00E9\uAC00\U0001F600\u200B\r\n"},
        {TextEncoding::cp949, u"\uAC00\uB098\uB2E4 \uB620 \u570B abc\r\n"},
        {TextEncoding::eucKR, u"\uD55C\uAD6D\uC5B4 \u570B\n"},
        {TextEncoding::shiftJIS, u"\u65E5\u672C\u8A9E\u3042\u30A2\uFF71 \\~\n"},
        {TextEncoding::eucJP, u"\u65E5\u672C\u8A9E\u3042\u30A2\n"},
        {TextEncoding::gb18030, u"\u4E2D\u6587\u7645 \U0001F600 \u20AC\n"},
        {TextEncoding::big5, u"\u7E41\u9AD4\u4E2D\u6587\n"},
        {TextEncoding::windows1252, u"caf\u00E9 \u20AC \u201Cq\u201D\n"},
        {TextEncoding::isoLatin1, u"caf\u00E9 \u00FF\u0080\n"},
        {TextEncoding::macRoman, u"caf\u00E9 \u03C0 \u2202\n"},
    };
    return all;
}

} // namespace

TEST(TextCodec, roundTripsInEveryEncodingWithAndWithoutMark)
{
    ASSERT_EQ(samples().size(), allTextEncodings.size());
    for (const auto& sample : samples()) {
        SCOPED_TRACE(rawValue(sample.encoding));
        auto plain = TextCodec::encode(sample.text, sample.encoding, AddByteOrderMark::no);
        ASSERT_TRUE(plain) << plain.error();
        auto marked = TextCodec::encode(sample.text, sample.encoding, AddByteOrderMark::yes);
        ASSERT_TRUE(marked) << marked.error();
        EXPECT_EQ(*marked, concat(markOf(sample.encoding), *plain));

        EXPECT_EQ(TextCodec::decode(*plain, sample.encoding, StripByteOrderMark::no), sample.text);
        EXPECT_EQ(TextCodec::decode(*plain, sample.encoding, StripByteOrderMark::yes), sample.text);
        EXPECT_EQ(TextCodec::decode(*marked, sample.encoding, StripByteOrderMark::yes),
                  sample.text);
        // A mark left in place is text like any other.
        if (supportsByteOrderMark(sample.encoding)) {
            EXPECT_EQ(TextCodec::decode(*marked, sample.encoding, StripByteOrderMark::no),
                      u"\uFEFF" + sample.text);
        }
    }
}

TEST(TextCodec, knownBytesOfEachTable)
{
    struct Case
    {
        TextEncoding encoding;
        std::u16string text;
        Bytes bytes;
    };
    const Case cases[] = {
        {TextEncoding::utf8, u"\u00E9\U0001F600", bytesOf({0xC3, 0xA9, 0xF0, 0x9F, 0x98, 0x80})},
        {TextEncoding::utf16LE, u"A\U0001F600", bytesOf({0x41, 0x00, 0x3D, 0xD8, 0x00, 0xDE})},
        {TextEncoding::utf16BE, u"A", bytesOf({0x00, 0x41})},
        {TextEncoding::utf32LE, u"A", bytesOf({0x41, 0x00, 0x00, 0x00})},
        {TextEncoding::utf32BE, u"\U0001F600", bytesOf({0x00, 0x01, 0xF6, 0x00})},
        // Windows code page 949 holds all 11,172 syllables; IBM's table behind ICU's "cp949"
        // alias lacks this one.
        {TextEncoding::cp949, u"\uB620", bytesOf({0x8C, 0x63})},
        {TextEncoding::eucKR, u"\uAC00", bytesOf({0xB0, 0xA1})},
        {TextEncoding::shiftJIS, u"\u3042\\", bytesOf({0x82, 0xA0, 0x5C})},
        // ICU's table swaps these three controls; Windows code page 932 does not.
        {TextEncoding::shiftJIS, u"\x1A\x1C\x7F", bytesOf({0x1A, 0x1C, 0x7F})},
        {TextEncoding::eucJP, u"\u3042", bytesOf({0xA4, 0xA2})},
        {TextEncoding::gb18030, u"\u4E2D", bytesOf({0xD6, 0xD0})},
        {TextEncoding::big5, u"\u4E2D", bytesOf({0xA4, 0xA4})},
        {TextEncoding::windows1252, u"\u20AC", bytesOf({0x80})},
        {TextEncoding::isoLatin1, u"\u00E9\u0080", bytesOf({0xE9, 0x80})},
        {TextEncoding::macRoman, u"\u00E9", bytesOf({0x8E})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(rawValue(c.encoding));
        EXPECT_EQ(TextCodec::encode(c.text, c.encoding, AddByteOrderMark::no), c.bytes);
        EXPECT_EQ(TextCodec::decode(c.bytes, c.encoding, StripByteOrderMark::no), c.text);
    }
}

TEST(TextCodec, asciiConvertsUnchangedInEveryByteOrientedEncoding)
{
    std::u16string ascii;
    Bytes bytes;
    for (int c = 0; c < 0x80; ++c) {
        ascii.push_back(static_cast<char16_t>(c));
        bytes.push_back(static_cast<std::uint8_t>(c));
    }
    for (auto encoding : allTextEncodings) {
        SCOPED_TRACE(rawValue(encoding));
        auto encoded = TextCodec::encode(ascii, encoding, AddByteOrderMark::no);
        ASSERT_TRUE(encoded) << encoded.error();
        EXPECT_EQ(TextCodec::decode(*encoded, encoding, StripByteOrderMark::no), ascii);
        if (encoding > TextEncoding::utf32BE || encoding == TextEncoding::utf8) {
            EXPECT_EQ(*encoded, bytes);
        }
        EXPECT_TRUE(TextCodec::unencodableCharacters(ascii, encoding, 8).empty());
    }
}

TEST(TextCodec, emptyDataAndBareMarks)
{
    for (auto encoding : allTextEncodings) {
        SCOPED_TRACE(rawValue(encoding));
        EXPECT_EQ(TextCodec::decode({}, encoding, StripByteOrderMark::yes), u"");
        EXPECT_EQ(TextCodec::decode({}, encoding, StripByteOrderMark::no), u"");
        EXPECT_EQ(TextCodec::encode(u"", encoding, AddByteOrderMark::no), Bytes{});
        if (supportsByteOrderMark(encoding)) {
            EXPECT_EQ(TextCodec::decode(markOf(encoding), encoding, StripByteOrderMark::yes), u"");
        }
    }
}

TEST(TextCodec, stripsOnlyTheChosenEncodingsOwnMark)
{
    EXPECT_EQ(TextCodec::decode(
                  bytesOf({0xEF, 0xBB, 0xBF, 0x41}), TextEncoding::utf8, StripByteOrderMark::yes),
              u"A");
    // FF FE 00 00 is the UTF-32LE mark; as UTF-16LE only FF FE goes, and 00 00 is U+0000.
    EXPECT_EQ(TextCodec::decode(bytesOf({0xFF, 0xFE, 0x00, 0x00}),
                                TextEncoding::utf16LE,
                                StripByteOrderMark::yes),
              std::u16string(1, u'\0'));
    // A UTF-16BE mark is not UTF-16LE's: it stays and decodes as U+FFFE.
    EXPECT_EQ(TextCodec::decode(bytesOf({0xFE, 0xFF, 0x41, 0x00}),
                                TextEncoding::utf16LE,
                                StripByteOrderMark::yes),
              u"\uFFFEA");
    // The UTF-8 mark's bytes are a valid cp949 sequence pair there and are kept.
    const Bytes markedKorean = bytesOf({0xEF, 0xBB, 0xBF, 0x41});
    auto stripped = TextCodec::decode(markedKorean, TextEncoding::cp949, StripByteOrderMark::yes);
    ASSERT_TRUE(stripped) << stripped.error();
    EXPECT_EQ(stripped->size(), 2u);
    EXPECT_EQ(stripped,
              TextCodec::decode(markedKorean, TextEncoding::cp949, StripByteOrderMark::no));
}

TEST(TextCodec, addsMarksOnlyToUnicodeForms)
{
    EXPECT_EQ(TextCodec::encode(u"A", TextEncoding::utf16BE, AddByteOrderMark::yes),
              bytesOf({0xFE, 0xFF, 0x00, 0x41}));
    EXPECT_EQ(TextCodec::encode(u"A", TextEncoding::utf32LE, AddByteOrderMark::yes),
              bytesOf({0xFF, 0xFE, 0x00, 0x00, 0x41, 0x00, 0x00, 0x00}));
    EXPECT_EQ(TextCodec::encode(u"A", TextEncoding::windows1252, AddByteOrderMark::yes),
              bytesOf({0x41}));
    EXPECT_EQ(TextCodec::encode(u"A", TextEncoding::cp949, AddByteOrderMark::yes), bytesOf({0x41}));
}

TEST(TextCodec, invalidBytesFailTheWholeDecode)
{
    struct Case
    {
        const char* name;
        TextEncoding encoding;
        Bytes bytes;
    };
    const Case cases[] = {
        {"utf8 stray continuation", TextEncoding::utf8, bytesOf({0x41, 0x80, 0x42})},
        {"utf8 overlong slash", TextEncoding::utf8, bytesOf({0xC0, 0xAF})},
        {"utf8 overlong three bytes", TextEncoding::utf8, bytesOf({0xE0, 0x80, 0xAF})},
        {"utf8 surrogate", TextEncoding::utf8, bytesOf({0xED, 0xA0, 0x80})},
        {"utf8 past U+10FFFF", TextEncoding::utf8, bytesOf({0xF4, 0x90, 0x80, 0x80})},
        {"utf8 cut at the end", TextEncoding::utf8, bytesOf({0x41, 0xE2, 0x82})},
        {"utf8 FF", TextEncoding::utf8, bytesOf({0xFF})},
        {"utf16le odd length", TextEncoding::utf16LE, bytesOf({0x41, 0x00, 0x42})},
        {"utf16le lone high surrogate", TextEncoding::utf16LE, bytesOf({0x3D, 0xD8, 0x41, 0x00})},
        {"utf16be lone low surrogate", TextEncoding::utf16BE, bytesOf({0xDE, 0x00})},
        {"utf32le past U+10FFFF", TextEncoding::utf32LE, bytesOf({0x00, 0x00, 0x11, 0x00})},
        {"utf32be surrogate", TextEncoding::utf32BE, bytesOf({0x00, 0x00, 0xD8, 0x00})},
        {"utf32be short", TextEncoding::utf32BE, bytesOf({0x00, 0x00, 0x41})},
        {"cp949 lone lead byte", TextEncoding::cp949, bytesOf({0x41, 0xB0})},
        {"cp949 bad trail", TextEncoding::cp949, bytesOf({0xB0, 0x20})},
        {"euc-kr extension syllable", TextEncoding::eucKR, bytesOf({0xB0, 0x41})},
        {"shift_jis bad trail", TextEncoding::shiftJIS, bytesOf({0x82, 0x20})},
        {"euc-jp bad trail", TextEncoding::eucJP, bytesOf({0xA4, 0x41})},
        {"gb18030 cut four-byte", TextEncoding::gb18030, bytesOf({0x81, 0x30, 0x81})},
        {"big5 bad trail", TextEncoding::big5, bytesOf({0xA4, 0x20})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TextCodec::decode(c.bytes, c.encoding, StripByteOrderMark::yes),
                  failure(TextCodecError::notDecodable(c.encoding)));
    }
}

TEST(TextCodec, singleByteEncodingsDecodeEveryByte)
{
    Bytes all;
    for (int b = 0; b < 256; ++b)
        all.push_back(static_cast<std::uint8_t>(b));
    for (auto encoding :
         {TextEncoding::windows1252, TextEncoding::isoLatin1, TextEncoding::macRoman}) {
        SCOPED_TRACE(rawValue(encoding));
        auto text = TextCodec::decode(all, encoding, StripByteOrderMark::no);
        ASSERT_TRUE(text) << text.error();
        EXPECT_EQ(text->size(), 256u);
        EXPECT_EQ(TextCodec::encode(*text, encoding, AddByteOrderMark::no), all);
    }
    // EUC-KR passes C1 controls through as single bytes.
    EXPECT_EQ(TextCodec::decode(bytesOf({0x80, 0x9F}), TextEncoding::eucKR, StripByteOrderMark::no),
              u"\u0080\u009F");
}

TEST(TextCodec, encodeNamesTheFirstEightDistinctCharacters)
{
    const std::u16string text =
        u"a\uAC00\uB098\uB2E4\uAC00\uB77C\uB9C8\uBC14\uC0AC\uC544\uC790\uCC28";
    auto result = TextCodec::encode(text, TextEncoding::windows1252, AddByteOrderMark::no);
    const std::vector<std::u16string> firstEight = {
        u"\uAC00", u"\uB098", u"\uB2E4", u"\uB77C", u"\uB9C8", u"\uBC14", u"\uC0AC", u"\uC544"};
    EXPECT_EQ(result, failure(TextCodecError::unencodable(TextEncoding::windows1252, firstEight)));

    auto all = TextCodec::unencodableCharacters(text, TextEncoding::windows1252, 1000);
    EXPECT_EQ(all.size(), 10u);
    EXPECT_EQ(TextCodec::unencodableCharacters(text, TextEncoding::windows1252, 2),
              (std::vector<std::u16string>{u"\uAC00", u"\uB098"}));
}

TEST(TextCodec, defaultIgnorableCharactersAreNotDroppedSilently)
{
    // ICU's own stop callback lets these vanish from legacy encodings and reports success.
    const std::u16string ignorables[] = {u"\u200B", u"\u200E", u"\u200F", u"\uFEFF", u"\u2060"};
    for (auto encoding : {TextEncoding::windows1252,
                          TextEncoding::isoLatin1,
                          TextEncoding::macRoman,
                          TextEncoding::cp949,
                          TextEncoding::shiftJIS,
                          TextEncoding::big5}) {
        for (const auto& ignorable : ignorables) {
            SCOPED_TRACE(std::string(rawValue(encoding)) + " U+"
                         + std::to_string(static_cast<int>(ignorable[0])));
            EXPECT_EQ(TextCodec::encode(u"a" + ignorable + u"b", encoding, AddByteOrderMark::no),
                      failure(TextCodecError::unencodable(encoding, {ignorable})));
        }
    }
    EXPECT_EQ(TextCodec::encode(u"\u200B", TextEncoding::gb18030, AddByteOrderMark::no),
              bytesOf({0x81, 0x36, 0xA4, 0x37}));
}

TEST(TextCodec, unpairedSurrogatesAreUnencodableInUnicodeForms)
{
    const std::u16string text = u"a\xD800z\U0001F600\xDC00";
    for (auto encoding : {TextEncoding::utf8,
                          TextEncoding::utf16LE,
                          TextEncoding::utf16BE,
                          TextEncoding::utf32LE,
                          TextEncoding::utf32BE,
                          TextEncoding::gb18030}) {
        SCOPED_TRACE(rawValue(encoding));
        EXPECT_EQ(TextCodec::encode(text, encoding, AddByteOrderMark::yes),
                  failure(TextCodecError::unencodable(encoding, {u"\xD800", u"\xDC00"})));
    }
}

TEST(TextCodec, unencodableCharactersAreGraphemeClusters)
{
    struct Case
    {
        const char* name;
        std::u16string text;
        TextEncoding encoding;
        std::vector<std::u16string> expected;
    };
    const Case cases[] = {
        {"emoji with skin tone is one character",
         u"ok \U0001F44D\U0001F3FD!",
         TextEncoding::windows1252,
         {u"\U0001F44D\U0001F3FD"}},
        {"letter with a mark the encoding lacks",
         u"e\u0301 and \u00E9",
         TextEncoding::isoLatin1,
         {u"e\u0301"}},
        {"canonically equivalent forms count once",
         u"\u1100\u1161 \uAC00",
         TextEncoding::windows1252,
         {u"\u1100\u1161"}},
        {"line breaks are characters like others",
         u"a\r\nb\u2028",
         TextEncoding::macRoman,
         {u"\u2028"}},
        {"everything encodable", u"\uAC00\uB620", TextEncoding::cp949, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TextCodec::unencodableCharacters(c.text, c.encoding, 8), c.expected);
    }
}

TEST(TextCodec, decodePrefixForgivesOnlyACutCharacter)
{
    // "A가" with the last byte of the syllable cut off.
    const Bytes cut = bytesOf({0x41, 0xEA, 0xB0});
    EXPECT_EQ(TextCodec::decodePrefix(cut, TextEncoding::utf8, SampleIsCut::yes), u"A");
    EXPECT_EQ(TextCodec::decodePrefix(cut, TextEncoding::utf8, SampleIsCut::no), std::nullopt);

    // At most three bytes go, and never the whole sample.
    EXPECT_EQ(TextCodec::decodePrefix(bytesOf({0xEA, 0xB0}), TextEncoding::utf8, SampleIsCut::yes),
              std::nullopt);
    EXPECT_EQ(TextCodec::decodePrefix(
                  bytesOf({0x41, 0xF0, 0x9F, 0x98}), TextEncoding::utf8, SampleIsCut::yes),
              u"A");
    EXPECT_EQ(TextCodec::decodePrefix(
                  bytesOf({0x41, 0xFF, 0x41, 0x41, 0x41}), TextEncoding::utf8, SampleIsCut::yes),
              std::nullopt);
    // A cut cp949 sample ending in a lead byte.
    EXPECT_EQ(
        TextCodec::decodePrefix(bytesOf({0xB0, 0xA1, 0xB0}), TextEncoding::cp949, SampleIsCut::yes),
        u"\uAC00");
    // Never strips a mark.
    EXPECT_EQ(
        TextCodec::decodePrefix(bytesOf({0xEF, 0xBB, 0xBF}), TextEncoding::utf8, SampleIsCut::no),
        u"\uFEFF");
}

TEST(TextCodec, hasPrefix)
{
    struct Case
    {
        const char* name;
        Bytes prefix;
        Bytes data;
        bool expected;
    };
    const Case cases[] = {
        {"empty prefix", {}, bytesOf({1}), true},
        {"both empty", {}, {}, true},
        {"equal", bytesOf({1, 2}), bytesOf({1, 2}), true},
        {"longer data", bytesOf({1, 2}), bytesOf({1, 2, 3}), true},
        {"data ends first", bytesOf({1, 2}), bytesOf({1}), false},
        {"mismatch", bytesOf({1, 2}), bytesOf({1, 3, 2}), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TextCodec::hasPrefix(c.prefix, c.data), c.expected);
    }
}

TEST(TextCodec, longTextsRoundTripAcrossConversionChunks)
{
    // Long enough for several of the converters' internal chunks, with surrogate pairs and
    // multi-byte sequences at every offset modulo the chunk size.
    for (const auto& sample : samples()) {
        SCOPED_TRACE(rawValue(sample.encoding));
        std::u16string text;
        for (int i = 0; text.size() < 200000; ++i) {
            text += sample.text;
            text.append(static_cast<std::size_t>(i % 7), u'x');
        }
        auto bytes = TextCodec::encode(text, sample.encoding, AddByteOrderMark::yes);
        ASSERT_TRUE(bytes) << bytes.error();
        auto decoded = TextCodec::decode(*bytes, sample.encoding, StripByteOrderMark::yes);
        ASSERT_TRUE(decoded) << decoded.error();
        EXPECT_TRUE(*decoded == text);

        // A character cut at the very end still fails the whole decode.
        if (sample.encoding < TextEncoding::windows1252) {
            const auto wide = std::find_if(
                sample.text.begin(), sample.text.end(), [](char16_t c) { return c >= 0x80; });
            auto character =
                TextCodec::encode(std::u16string(1, *wide), sample.encoding, AddByteOrderMark::no);
            ASSERT_TRUE(character && character->size() > 1);
            bytes->push_back(character->front());
            EXPECT_FALSE(TextCodec::decode(*bytes, sample.encoding, StripByteOrderMark::yes));
        }
    }
}

TEST(TextCodecError, equalityComparesCaseEncodingAndCharacters)
{
    const auto a = TextCodecError::unencodable(TextEncoding::big5, {u"x"});
    EXPECT_EQ(a, TextCodecError::unencodable(TextEncoding::big5, {u"x"}));
    EXPECT_NE(a, TextCodecError::unencodable(TextEncoding::big5, {u"y"}));
    EXPECT_NE(a, TextCodecError::unencodable(TextEncoding::gb18030, {u"x"}));
    EXPECT_NE(TextCodecError::notDecodable(TextEncoding::big5),
              TextCodecError::unencodable(TextEncoding::big5, {}));
    EXPECT_EQ(a.encoding(), TextEncoding::big5);
    EXPECT_TRUE(TextCodecError::notDecodable(TextEncoding::utf8).isNotDecodable());
}
