#include "core/ChunkDecoding.h"
#include "core/TextCodec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using EditorCore::TextEncoding;
namespace ChunkDecoding = EditorCore::ChunkDecoding;

namespace {

std::vector<std::uint8_t> bytes(std::string_view text)
{
    return {text.begin(), text.end()};
}

std::vector<std::uint8_t> encoded(std::u16string_view text, TextEncoding encoding)
{
    auto result = EditorCore::TextCodec::encode(text, encoding, EditorCore::AddByteOrderMark::no);
    EXPECT_TRUE(result.has_value());
    return result.value_or(std::vector<std::uint8_t>{});
}

} // namespace

TEST(ChunkDecoding, decodableLengthCutsAfterTheLastLineFeedOrTheLastWholeCharacter)
{
    struct Case
    {
        const char* name;
        std::vector<std::uint8_t> chunk;
        TextEncoding encoding;
        std::size_t expected;
    };
    const std::vector<Case> cases = {
        {"utf-8 after the last line feed", bytes("ab\ncd\nef"), TextEncoding::utf8, 6},
        {"utf-8 without a line feed, whole", bytes("abc"), TextEncoding::utf8, 3},
        {"utf-8 without a line feed, split character", bytes("a\xEA\xB0"), TextEncoding::utf8, 1},
        {"utf-8 complete character at the end", bytes("a\xEA\xB0\x80"), TextEncoding::utf8, 4},
        {"utf-8 four-byte character split after one byte", bytes("ab\xF0"), TextEncoding::utf8, 2},
        {"empty", {}, TextEncoding::utf8, 0},
        {"utf-16le after 0A 00", {0x61, 0x00, 0x0A, 0x00, 0x62, 0x00}, TextEncoding::utf16LE, 4},
        {"utf-16le 0A 00 at an odd position is no line feed",
         {0x41, 0x0A, 0x00, 0x42, 0x43},
         TextEncoding::utf16LE,
         4},
        {"utf-16le whole units", {0x61, 0x00, 0x62}, TextEncoding::utf16LE, 2},
        {"utf-16le trailing high surrogate", {0x61, 0x00, 0x3D, 0xD8}, TextEncoding::utf16LE, 2},
        {"utf-16le complete surrogate pair",
         {0x3D, 0xD8, 0x00, 0xDE},
         TextEncoding::utf16LE,
         4},
        {"utf-16be after 00 0A", {0x00, 0x61, 0x00, 0x0A, 0x00, 0x62}, TextEncoding::utf16BE, 4},
        {"utf-16be trailing high surrogate", {0x00, 0x61, 0xD8, 0x3D}, TextEncoding::utf16BE, 2},
        {"utf-32le whole units", {0x61, 0, 0, 0, 0x0A, 0, 0}, TextEncoding::utf32LE, 4},
        {"utf-32be whole units", {0, 0, 0, 0x0A, 0, 0, 0, 0x62, 0}, TextEncoding::utf32BE, 8},
        {"cp949 after the line feed", bytes("\xB0\xA1\n\xB3\xAA"), TextEncoding::cp949, 3},
        {"cp949 lead byte at the end", bytes("\xB0\xA1\xB3"), TextEncoding::cp949, 2},
        {"shift_jis lead byte at the end", bytes("\x82\xA0\x82"), TextEncoding::shiftJIS, 2},
        {"gb18030 four-byte character split", bytes("a\x81\x30\x81"), TextEncoding::gb18030, 1},
        {"euc-jp three-byte character split", bytes("a\x8F\xA1"), TextEncoding::eucJP, 1},
        {"latin-1 without a line feed, whole", bytes("a\xE9"), TextEncoding::isoLatin1, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ChunkDecoding::decodableLength(c.chunk, c.encoding), c.expected);
    }
}

TEST(ChunkDecoding, validBytesDecodeAsTheStrictCodecDecodesThem)
{
    struct Case
    {
        TextEncoding encoding;
        std::u16string text;
    };
    const std::vector<Case> cases = {
        {TextEncoding::utf8, u"first 가나다 line\r\nsecond ひらがな\n\u00E9 end"},
        {TextEncoding::utf16LE, u"first 가나다 😀 line\r\nsecond\n"},
        {TextEncoding::utf32BE, u"first 가나다 😀 line\r\nsecond\n"},
        {TextEncoding::cp949, u"첫 줄 가나다\r\n둘째 줄\n끝"},
        {TextEncoding::shiftJIS, u"ひらがな\r\nカタカナ\n漢字"},
        {TextEncoding::eucJP, u"ひらがな\r\nカタカナ\n漢字"},
        {TextEncoding::gb18030, u"中文 한국어 \u00E9\n😀"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(EditorCore::rawValue(c.encoding));
        std::u16string decoded;
        EXPECT_FALSE(
            ChunkDecoding::decodeReplacingInvalid(encoded(c.text, c.encoding), c.encoding, decoded));
        EXPECT_EQ(decoded, c.text);
    }
}

TEST(ChunkDecoding, oneBadByteBecomesOneReplacementInTheFilesOwnEncoding)
{
    // Many lines of Korean in CP949, one of them with a lead byte followed by a space, which no
    // table holds.
    const std::u16string line = u"한국어 줄입니다 0123\n";
    const auto lineBytes = encoded(line, TextEncoding::cp949);
    std::u16string expected;
    std::vector<std::uint8_t> file;
    for (int i = 0; i < 2000; ++i) {
        if (i == 1234) {
            const auto head = encoded(u"한국어", TextEncoding::cp949);
            const auto tail = encoded(u" 0123\n", TextEncoding::cp949);
            file.insert(file.end(), head.begin(), head.end());
            file.push_back(0xB0);
            file.insert(file.end(), tail.begin(), tail.end());
            expected += u"한국어\uFFFD 0123\n";
            continue;
        }
        file.insert(file.end(), lineBytes.begin(), lineBytes.end());
        expected += line;
    }
    std::u16string decoded;
    EXPECT_TRUE(ChunkDecoding::decodeReplacingInvalid(file, TextEncoding::cp949, decoded));
    EXPECT_EQ(std::count(decoded.begin(), decoded.end(), u'\uFFFD'), 1);
    EXPECT_TRUE(decoded == expected) << "the text around the bad byte changed";

    // The same in Shift_JIS: its control codes keep Windows' meaning on the repairing path.
    std::vector<std::uint8_t> sjis = {0x1A, 0x82, 0xA0, 0x82, 0x20, 0x7F, 0x0A};
    decoded.clear();
    EXPECT_TRUE(ChunkDecoding::decodeReplacingInvalid(sjis, TextEncoding::shiftJIS, decoded));
    EXPECT_EQ(decoded, std::u16string(u"\u001Aあ\uFFFD \u007F\n"));

    // A line without a line feed at all, and a character cut at the end of the data.
    decoded.clear();
    EXPECT_TRUE(ChunkDecoding::decodeReplacingInvalid(bytes("ab\xFF" "cd\xEA\xB0"),
                                                      TextEncoding::utf8,
                                                      decoded));
    EXPECT_EQ(decoded, std::u16string(u"ab\uFFFDcd\uFFFD"));
}
