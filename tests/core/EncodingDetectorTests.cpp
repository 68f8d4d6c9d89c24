#include "core/EncodingDetector.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
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

Bytes ascii(std::string_view text)
{
    return Bytes(text.begin(), text.end());
}

Bytes encoded(std::u16string_view text, TextEncoding encoding)
{
    auto bytes = TextCodec::encode(text, encoding, AddByteOrderMark::no);
    EXPECT_TRUE(bytes) << bytes.error();
    return bytes ? *bytes : Bytes{};
}

std::u16string repeated(std::u16string_view text, std::size_t times)
{
    std::u16string result;
    for (std::size_t i = 0; i < times; ++i)
        result += text;
    return result;
}

ContentGuess textGuess(TextEncoding encoding,
                       EncodingConfidence confidence,
                       EncodingSource source,
                       std::vector<TextEncoding> candidates = {},
                       bool hasByteOrderMark = false)
{
    return ContentGuess::text(
        {encoding, confidence, std::move(candidates), source, hasByteOrderMark});
}

const std::u16string korean =
    u"\uC548\uB155\uD558\uC138\uC694. \uC624\uB298\uC740 \uB0A0\uC528\uAC00 "
    u"\uC88B\uC2B5\uB2C8\uB2E4.\n";
const std::u16string japanese =
    u"\u3053\u308C\u306F\u65E5\u672C\u8A9E\u306E\u30C6\u30AD\u30B9\u30C8\u3067\u3059\u3002"
    u"\u4ECA\u65E5\u306F\u826F\u3044\u5929\u6C17\u3067\u3059\u306D\u3002\n";

} // namespace

TEST(EncodingDetector, emptyDataIsCertainUtf8)
{
    EXPECT_EQ(
        EncodingDetector::detect({}),
        textGuess(TextEncoding::utf8, EncodingConfidence::certain, EncodingSource::utf8Strict));
    EXPECT_EQ(
        EncodingDetector::detect({}, TextEncoding::shiftJIS),
        textGuess(TextEncoding::shiftJIS, EncodingConfidence::certain, EncodingSource::fileMemory));
}

TEST(EncodingDetector, byteOrderMarksComeFirst)
{
    struct Case
    {
        const char* name;
        Bytes bytes;
        TextEncoding expected;
    };
    const Case cases[] = {
        {"utf-8", bytesOf({0xEF, 0xBB, 0xBF, 0x41}), TextEncoding::utf8},
        {"utf-16le", bytesOf({0xFF, 0xFE, 0x41, 0x00}), TextEncoding::utf16LE},
        {"utf-16be", bytesOf({0xFE, 0xFF, 0x00, 0x41}), TextEncoding::utf16BE},
        {"utf-32le before the utf-16le mark it begins with",
         bytesOf({0xFF, 0xFE, 0x00, 0x00, 0x41, 0x00, 0x42, 0x00}),
         TextEncoding::utf32LE},
        {"utf-32be",
         bytesOf({0x00, 0x00, 0xFE, 0xFF, 0x00, 0x00, 0x00, 0x41}),
         TextEncoding::utf32BE},
        {"a bare mark", bytesOf({0xFE, 0xFF}), TextEncoding::utf16BE},
        {"a mark before bytes that do not decode",
         bytesOf({0xEF, 0xBB, 0xBF, 0xFF}),
         TextEncoding::utf8},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto expected =
            textGuess(c.expected, EncodingConfidence::certain, EncodingSource::bom, {}, true);
        EXPECT_EQ(EncodingDetector::detect(c.bytes), expected);
        // The mark outranks what the file memory says.
        EXPECT_EQ(EncodingDetector::detect(c.bytes, TextEncoding::isoLatin1), expected);
    }
}

TEST(EncodingDetector, rememberedEncodingWhenTheSampleDecodesInIt)
{
    const Bytes plain = ascii("plain text that is valid UTF-8 as well\n");
    EXPECT_EQ(
        EncodingDetector::detect(plain, TextEncoding::eucKR),
        textGuess(TextEncoding::eucKR, EncodingConfidence::certain, EncodingSource::fileMemory));

    // UTF-8 Hangul is not valid EUC-KR: the memory is ignored.
    const Bytes utf8Korean = encoded(korean, TextEncoding::utf8);
    EXPECT_EQ(
        EncodingDetector::detect(utf8Korean, TextEncoding::eucKR),
        textGuess(TextEncoding::utf8, EncodingConfidence::certain, EncodingSource::utf8Strict));
    // An odd number of bytes is no UTF-16.
    EXPECT_EQ(
        EncodingDetector::detect(ascii("abc"), TextEncoding::utf16LE),
        textGuess(TextEncoding::utf8, EncodingConfidence::certain, EncodingSource::utf8Strict));
}

TEST(EncodingDetector, zeroBytesMeanUtf16OrBinary)
{
    auto utf16 = [](std::u16string_view text, TextEncoding encoding) {
        return encoded(text, encoding);
    };
    const std::u16string english = repeated(u"Hello, world.\r\n", 20);
    // Hangul whose UTF-16 code units have no zero byte: only the line feeds show the order.
    const std::u16string hangulLines = repeated(u"\uB098\uB2E4\uD55C\n", 20);

    struct Case
    {
        const char* name;
        Bytes bytes;
        ContentGuess expected;
    };
    const Case cases[] = {
        {"one zero byte", bytesOf({0x00}), ContentGuess::binary()},
        {"three bytes with a zero", bytesOf({0x41, 0x00, 0x42}), ContentGuess::binary()},
        {"utf-16le ascii",
         utf16(english, TextEncoding::utf16LE),
         textGuess(
             TextEncoding::utf16LE, EncodingConfidence::likely, EncodingSource::utf16Pattern)},
        {"utf-16be ascii",
         utf16(english, TextEncoding::utf16BE),
         textGuess(
             TextEncoding::utf16BE, EncodingConfidence::likely, EncodingSource::utf16Pattern)},
        {"utf-16le hangul told by line feeds",
         utf16(hangulLines, TextEncoding::utf16LE),
         textGuess(
             TextEncoding::utf16LE, EncodingConfidence::likely, EncodingSource::utf16Pattern)},
        {"utf-16be hangul told by line feeds",
         utf16(hangulLines, TextEncoding::utf16BE),
         textGuess(
             TextEncoding::utf16BE, EncodingConfidence::likely, EncodingSource::utf16Pattern)},
        {"utf-32le ascii", utf16(english, TextEncoding::utf32LE), ContentGuess::binary()},
        {"utf-32be ascii", utf16(english, TextEncoding::utf32BE), ContentGuess::binary()},
        {"line feeds of both orders",
         bytesOf({0xAA, 0xBB, 0x0A, 0x00, 0xCC, 0xDD, 0x00, 0x0A}),
         ContentGuess::binary()},
        {"a zero in otherwise valid UTF-8",
         ascii(std::string("text\0more text", 14)),
         ContentGuess::binary()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(EncodingDetector::detect(c.bytes), c.expected);
    }
}

TEST(EncodingDetector, looksOnlyAtTheFirst64KiB)
{
    // The 65,536th byte falls inside a three-byte character.
    Bytes bytes(65535, 'a');
    const Bytes hangul = encoded(u"\uAC00", TextEncoding::utf8);
    bytes.insert(bytes.end(), hangul.begin(), hangul.end());
    bytes.resize(100000, 'b');
    const auto utf8 =
        textGuess(TextEncoding::utf8, EncodingConfidence::certain, EncodingSource::utf8Strict);
    EXPECT_EQ(EncodingDetector::detect(bytes), utf8);

    // Whatever follows the sample does not count.
    bytes[70000] = 0xFF;
    bytes[80000] = 0x00;
    EXPECT_EQ(EncodingDetector::detect(bytes), utf8);

    // The first 65,536 bytes as a whole file are not cut: the split character is an error.
    Bytes whole(bytes.begin(), bytes.begin() + 65536);
    EXPECT_NE(EncodingDetector::detect(whole), utf8);
}

TEST(EncodingDetector, binaryTestSeesOnlyWhatIsNotUtf8)
{
    // Letters with every fifth byte a control character.
    auto lettersWithControls = [](std::uint8_t control) {
        Bytes bytes;
        for (int i = 0; i < 1000; ++i)
            bytes.push_back(i % 5 == 4 ? control : static_cast<std::uint8_t>('a' + i % 26));
        return bytes;
    };
    Bytes controls = lettersWithControls(0x01);
    EXPECT_EQ(
        EncodingDetector::detect(controls),
        textGuess(TextEncoding::utf8, EncodingConfidence::certain, EncodingSource::utf8Strict));

    controls.push_back(0xFF);
    EXPECT_EQ(EncodingDetector::detect(controls), ContentGuess::binary());

    // Escape is text (terminal colours); with it the sample goes on to the ranking.
    Bytes escapes = lettersWithControls(0x1B);
    escapes.push_back(0xFF);
    auto ranked = EncodingDetector::detect(escapes);
    ASSERT_NE(ranked.textGuess(), nullptr);
    EXPECT_EQ(ranked.textGuess()->encoding, TextEncoding::windows1252);
    EXPECT_EQ(ranked.textGuess()->source, EncodingSource::heuristic);

    // Exactly one byte in ten is not yet binary.
    Bytes tenth;
    for (int i = 0; i < 1000; ++i)
        tenth.push_back(i % 10 == 0 ? 0x02 : 'x');
    tenth.push_back(0xE9);
    EXPECT_FALSE(EncodingDetector::detect(tenth).isBinary());
    tenth[1] = 0x02;
    EXPECT_TRUE(EncodingDetector::detect(tenth).isBinary());
}

TEST(EncodingDetector, koreanQuickPath)
{
    EXPECT_EQ(
        EncodingDetector::detect(encoded(repeated(korean, 10), TextEncoding::cp949)),
        textGuess(TextEncoding::cp949, EncodingConfidence::likely, EncodingSource::heuristic));
}

TEST(EncodingDetector, rankingFindsTheLegacyEncoding)
{
    struct Case
    {
        const char* name;
        std::u16string text;
        TextEncoding encoding;
    };
    const Case cases[] = {
        {"shift_jis", repeated(japanese, 10), TextEncoding::shiftJIS},
        {"euc-jp", repeated(japanese, 10), TextEncoding::eucJP},
        {"windows-1252",
         repeated(
             u"Caf\u00E9 cr\u00E8me br\u00FBl\u00E9e \u2014 \u00A9 2024, na\u00EFve \u20AC5.\n",
             10),
         TextEncoding::windows1252},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto guess = EncodingDetector::detect(encoded(c.text, c.encoding));
        ASSERT_NE(guess.textGuess(), nullptr);
        EXPECT_EQ(guess.textGuess()->encoding, c.encoding);
        EXPECT_EQ(guess.textGuess()->source, EncodingSource::heuristic);
        ASSERT_FALSE(guess.textGuess()->candidates.empty());
        EXPECT_EQ(guess.textGuess()->candidates.front(), c.encoding);
        EXPECT_LE(guess.textGuess()->candidates.size(), 3u);
    }
}

TEST(EncodingDetector, equalScoresKeepTheRankingOrder)
{
    // Plain ASCII decodes everywhere with the same score.
    const auto guess = EncodingDetector::rankCandidates(ascii("just ascii"), SampleIsCut::no);
    EXPECT_EQ(guess,
              (EncodingGuess{TextEncoding::cp949,
                             EncodingConfidence::unsure,
                             {TextEncoding::cp949, TextEncoding::shiftJIS, TextEncoding::eucJP},
                             EncodingSource::heuristic,
                             false}));

    // Only the two single-byte tables decode, to the same text: Mac OS Roman is marked down.
    const EncodingDetector::Decoder westernOnly = [](std::span<const std::uint8_t>,
                                                     TextEncoding encoding) {
        if (encoding == TextEncoding::windows1252 || encoding == TextEncoding::macRoman)
            return std::optional<std::u16string>(u"caf\u00E9");
        return std::optional<std::u16string>();
    };
    EXPECT_EQ(EncodingDetector::rankCandidates(ascii("x"), SampleIsCut::no, westernOnly),
              (EncodingGuess{TextEncoding::windows1252,
                             EncodingConfidence::unsure,
                             {TextEncoding::windows1252, TextEncoding::macRoman},
                             EncodingSource::heuristic,
                             false}));
}

TEST(EncodingDetector, damagedUtf8RanksAsUtf8)
{
    // Japanese UTF-8 does not decode as cp949, so it does not take the Korean quick path.
    Bytes bytes = encoded(repeated(japanese, 3), TextEncoding::utf8);
    bytes.push_back(0xFF);
    auto guess = EncodingDetector::detect(bytes);
    ASSERT_NE(guess.textGuess(), nullptr);
    EXPECT_EQ(guess.textGuess()->encoding, TextEncoding::utf8);
    EXPECT_EQ(guess.textGuess()->confidence, EncodingConfidence::likely);
    EXPECT_EQ(guess.textGuess()->source, EncodingSource::heuristic);

    // Too many bad sequences for the good ones.
    Bytes damaged = encoded(japanese, TextEncoding::utf8);
    damaged.push_back(0xFF);
    damaged.push_back(0xFF);
    auto ranked = EncodingDetector::rankCandidates(damaged, SampleIsCut::no);
    EXPECT_EQ(std::count(ranked.candidates.begin(), ranked.candidates.end(), TextEncoding::utf8),
              0);
}

TEST(EncodingDetector, isoLatin1WhenNothingDecodes)
{
    // Every real single-byte table decodes any byte, so only a decoder that refuses all can
    // reach this fallback.
    const EncodingDetector::Decoder refuseAll = [](std::span<const std::uint8_t>, TextEncoding) {
        return std::optional<std::u16string>();
    };
    EXPECT_EQ(EncodingDetector::detect(ascii("caf\xE9"), std::nullopt, SampleIsCut::no, refuseAll),
              textGuess(TextEncoding::isoLatin1,
                        EncodingConfidence::unsure,
                        EncodingSource::heuristic,
                        {TextEncoding::isoLatin1, TextEncoding::windows1252, TextEncoding::utf8}));
}

TEST(EncodingDetector, plausibility)
{
    struct Case
    {
        const char* name;
        std::u16string text;
        TextEncoding encoding;
        double expected;
    };
    const Case cases[] = {
        {"empty", u"", TextEncoding::big5, 1.0},
        {"ascii", u"abc", TextEncoding::cp949, 1.0},
        {"common hangul", u"\uAC00\uB098 \uB2E4", TextEncoding::cp949, 1.0},
        // In Windows code page 949 but not among the syllables of KS X 1001.
        {"rare hangul", u"\uB620", TextEncoding::cp949, 0.0},
        {"hanja beside hangul count half", u"\uD55C\u570B", TextEncoding::cp949, 0.75},
        {"hanja without hangul", u"\u570B", TextEncoding::cp949, 0.0},
        {"euc-kr never credits hanja", u"\uD55C\u570B", TextEncoding::eucKR, 0.5},
        {"cjk punctuation", u"\u3001\uFF01\u00B7\u2026", TextEncoding::eucKR, 1.0},
        {"kana", u"\u3042\u30A2", TextEncoding::shiftJIS, 1.0},
        {"half-width katakana", u"\uFF71", TextEncoding::shiftJIS, 0.0},
        {"common kanji", u"\u65E5", TextEncoding::eucJP, 1.0},
        {"common simplified hanzi", u"\u4E2D", TextEncoding::gb18030, 1.0},
        // In the B0..D7 rows of GB 18030, but not a GB 2312 character.
        {"hanzi beyond GB 2312", u"\u7645", TextEncoding::gb18030, 0.0},
        {"common traditional hanzi", u"\u4E2D", TextEncoding::big5, 1.0},
        {"western marks", u"\u00E9 \u20AC", TextEncoding::windows1252, 1.0},
        {"runs cost in windows-1252", u"\u00E9\u00E9", TextEncoding::windows1252, 0.75},
        {"runs cost in mac-roman",
         u"\u00E9\u00E9\u00E9",
         TextEncoding::macRoman,
         1.0 - 0.5 * 2 / 3},
        {"no run cost in iso-8859-1", u"\u00E9\u00E9", TextEncoding::isoLatin1, 1.0},
        {"cjk punctuation is nothing western", u"\u3001", TextEncoding::windows1252, 0.0},
        {"below zero", u"\u0100\u0101\u0102", TextEncoding::windows1252, -0.5 * 2 / 3},
        {"surrogate pair is one scalar", u"\U0001F600", TextEncoding::utf8, 0.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_DOUBLE_EQ(EncodingDetector::plausibility(c.text, c.encoding), c.expected);
    }
}

TEST(EncodingDetector, commonCharacterSetsAreSafeToBuildFromManyThreads)
{
    // Each test runs in a process of its own, so these threads are the sets' first users.
    const std::u16string text = u"\uAC00\u65E5\u4E2D\u3042";
    std::vector<double> scores(8 * 4);
    std::vector<std::thread> threads;
    const TextEncoding encodings[] = {
        TextEncoding::cp949, TextEncoding::eucJP, TextEncoding::gb18030, TextEncoding::big5};
    for (std::size_t t = 0; t < 8; ++t) {
        threads.emplace_back([&, t] {
            for (std::size_t e = 0; e < 4; ++e)
                scores[t * 4 + e] = EncodingDetector::plausibility(text, encodings[e]);
        });
    }
    for (auto& thread : threads)
        thread.join();
    for (std::size_t t = 0; t < 8; ++t) {
        EXPECT_DOUBLE_EQ(scores[t * 4 + 0], 0.5);  // the syllable, and half for each hanja
        EXPECT_DOUBLE_EQ(scores[t * 4 + 1], 0.75); // kanji and kana
        EXPECT_DOUBLE_EQ(scores[t * 4 + 2], 0.5);  // both ideographs
        EXPECT_DOUBLE_EQ(scores[t * 4 + 3], 0.5);  // both ideographs
    }
}

TEST(EncodingGuess, rawValues)
{
    EXPECT_EQ(rawValue(EncodingConfidence::unsure), "unsure");
    EXPECT_EQ(encodingConfidenceFromRawValue("likely"), EncodingConfidence::likely);
    EXPECT_EQ(encodingConfidenceFromRawValue("Likely"), std::nullopt);
    const char* sources[] = {
        "bom", "utf8Strict", "utf16Pattern", "fileMemory", "heuristic", "userChoice"};
    for (std::size_t i = 0; i < std::size(sources); ++i) {
        auto source = encodingSourceFromRawValue(sources[i]);
        ASSERT_TRUE(source);
        EXPECT_EQ(static_cast<std::size_t>(*source), i);
        EXPECT_EQ(rawValue(*source), sources[i]);
    }
}

TEST(EncodingDetector, aHeadCutInsideACharacterKeepsItsEncoding)
{
    const std::u16string simplified =
        u"\u8FD9\u662F\u4E00\u4E2A\u4E2D\u6587\u6587\u672C\u7684\u4F8B\u5B50\u3002\u4ECA\u5929"
        u"\u5929\u6C14\u5F88\u597D\uFF0C\u6211\u4EEC\u53BB\u516C\u56ED\u6563\u6B65\u5427\u3002\n";
    const std::u16string traditional =
        u"\u9019\u662F\u4E00\u500B\u4E2D\u6587\u6587\u672C\u7684\u4F8B\u5B50\u3002\u4ECA\u5929"
        u"\u5929\u6C23\u5F88\u597D\uFF0C\u6211\u5011\u53BB\u516C\u5712\u6563\u6B65\u5427\u3002\n";
    struct Case
    {
        TextEncoding encoding;
        std::u16string line;
    };
    const Case cases[] = {
        {TextEncoding::cp949, korean},
        {TextEncoding::eucKR, korean},
        {TextEncoding::shiftJIS, japanese},
        {TextEncoding::eucJP, japanese},
        {TextEncoding::gb18030, simplified},
        {TextEncoding::big5, traditional},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(rawValue(c.encoding));
        // Character by character, so that the borders are known; up to just past a sample.
        Bytes bytes;
        std::vector<std::size_t> starts;
        for (std::size_t i = 0; bytes.size() < EncodingDetector::sampleLength + 8; ++i) {
            starts.push_back(bytes.size());
            const Bytes one = encoded(c.line.substr(i % c.line.size(), 1), c.encoding);
            bytes.insert(bytes.end(), one.begin(), one.end());
        }
        // The last multibyte character that starts a few bytes before the sample's end.
        std::size_t character = starts.size() - 1;
        while (starts[character] + 8 > EncodingDetector::sampleLength
               || starts[character + 1] - starts[character] < 2)
            --character;
        const std::size_t start = starts[character];
        const std::size_t end = starts[character + 1];
        for (std::size_t headEnd = start + 1; headEnd <= end; ++headEnd) {
            SCOPED_TRACE(headEnd - start);
            const std::span<const std::uint8_t> head(bytes.data(), headEnd);
            const auto guess = EncodingDetector::detect(head, std::nullopt, SampleIsCut::yes);
            ASSERT_NE(guess.textGuess(), nullptr);
            // EUC-KR text is also cp949 text: the same characters are what counts.
            const auto text = TextCodec::decodePrefix(head, c.encoding, SampleIsCut::yes);
            ASSERT_TRUE(text);
            EXPECT_EQ(TextCodec::decodePrefix(head, guess.textGuess()->encoding, SampleIsCut::yes),
                      text)
                << guess.textGuess()->encoding;
        }
    }
}
