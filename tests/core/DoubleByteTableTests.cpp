#include "core/DoubleByteTable.h"
#include "core/IcuConverter.h"
#include "core/TextCodec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

using namespace EditorCore;

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr TextEncoding doubleByteEncodings[] = {
    TextEncoding::cp949, TextEncoding::eucKR, TextEncoding::shiftJIS, TextEncoding::big5};

// What ICU itself makes of the bytes, with the Windows control codes for shift_jis.
std::optional<std::u16string> icuDecode(const Bytes& bytes, TextEncoding encoding)
{
    auto converter = IcuConverter::open(icuConverterName(encoding));
    std::u16string text;
    if (!converter || !converter->decode(bytes, text))
        return std::nullopt;
    if (encoding == TextEncoding::shiftJIS)
        std::transform(text.begin(), text.end(), text.begin(), fromWindows31jControl);
    return text;
}

} // namespace

TEST(DoubleByteTable, existsForTheFourDoubleByteEncodingsOnly)
{
    for (auto encoding : allTextEncodings) {
        const bool doubleByte =
            std::count(std::begin(doubleByteEncodings), std::end(doubleByteEncodings), encoding)
            > 0;
        EXPECT_EQ(DoubleByteTable::forEncoding(encoding) != nullptr, doubleByte) << encoding;
    }
}

TEST(DoubleByteTable, agreesWithIcuOnRandomBytes)
{
    std::mt19937 random(949);
    for (auto encoding : doubleByteEncodings) {
        SCOPED_TRACE(rawValue(encoding));
        const auto* table = DoubleByteTable::forEncoding(encoding);
        ASSERT_NE(table, nullptr);
        // Mostly plausible lead and trail bytes, so that many samples decode and the failures
        // come from single bad pairs and cut characters.
        std::uniform_int_distribution<int> byte(0, 255);
        std::uniform_int_distribution<int> high(0x81, 0xFE);
        std::uniform_int_distribution<int> roll(0, 9);
        std::size_t decoded = 0;
        for (int round = 0; round < 20000; ++round) {
            Bytes bytes;
            const int length = std::uniform_int_distribution<int>(0, 40)(random);
            for (int i = 0; i < length; ++i) {
                const int r = roll(random);
                if (r < 3)
                    bytes.push_back(static_cast<std::uint8_t>(0x20 + byte(random) % 0x60));
                else if (r < 9)
                    bytes.push_back(static_cast<std::uint8_t>(high(random)));
                else
                    bytes.push_back(static_cast<std::uint8_t>(byte(random)));
            }
            std::u16string text;
            const bool ok = table->decode(bytes, text);
            const auto expected = icuDecode(bytes, encoding);
            ASSERT_EQ(ok, expected.has_value()) << "round " << round;
            if (ok) {
                ASSERT_TRUE(text == *expected) << "round " << round;
                ++decoded;
            }
        }
        EXPECT_GT(decoded, 1000u);
    }
}

TEST(DoubleByteTable, largeDecodesTakeTheTableAndStayStrict)
{
    // Past the size at which the codec switches from ICU to the table.
    const std::u16string line = u"\uAC00\uB098 \u4E2D\u6587 abc \x1A\x1C\x7F\n";
    for (auto encoding : doubleByteEncodings) {
        SCOPED_TRACE(rawValue(encoding));
        std::u16string piece;
        for (char16_t c : line) {
            if (TextCodec::encode(std::u16string(1, c), encoding, AddByteOrderMark::no))
                piece += c;
        }
        std::u16string text;
        while (text.size() < (std::size_t(5) << 20))
            text += piece;
        auto bytes = TextCodec::encode(text, encoding, AddByteOrderMark::no);
        ASSERT_TRUE(bytes) << bytes.error();
        EXPECT_TRUE(TextCodec::decode(*bytes, encoding, StripByteOrderMark::no) == text);

        const auto wide =
            std::find_if(piece.begin(), piece.end(), [](char16_t c) { return c >= 0x80; });
        auto lead = TextCodec::encode(std::u16string(1, *wide), encoding, AddByteOrderMark::no);
        ASSERT_TRUE(lead && lead->size() == 2);
        bytes->push_back(lead->front());
        EXPECT_EQ(TextCodec::decode(*bytes, encoding, StripByteOrderMark::no),
                  failure(TextCodecError::notDecodable(encoding)));
    }
}
