#include "core/TextEncoding.h"

#include <gtest/gtest.h>

using namespace EditorCore;

TEST(TextEncoding, rawValuesRoundTripInMenuOrder)
{
    const char* expected[] = {"utf-8", "utf-16le", "utf-16be", "utf-32le", "utf-32be",
                              "cp949", "euc-kr", "shift_jis", "euc-jp", "gb18030",
                              "big5", "windows-1252", "iso-8859-1", "mac-roman"};
    ASSERT_EQ(allTextEncodings.size(), std::size(expected));
    for (std::size_t i = 0; i < allTextEncodings.size(); ++i) {
        EXPECT_EQ(rawValue(allTextEncodings[i]), expected[i]);
        EXPECT_EQ(textEncodingFromRawValue(expected[i]), allTextEncodings[i]);
    }
}

TEST(TextEncoding, rawValuesAreCaseSensitive)
{
    EXPECT_EQ(textEncodingFromRawValue("UTF-8"), std::nullopt);
    EXPECT_EQ(textEncodingFromRawValue(""), std::nullopt);
    EXPECT_EQ(textEncodingFromRawValue("utf8"), std::nullopt);
}

TEST(TextEncoding, onlyUnicodeFormsHaveAByteOrderMark)
{
    for (auto encoding : allTextEncodings) {
        bool unicode = encoding <= TextEncoding::utf32BE;
        EXPECT_EQ(supportsByteOrderMark(encoding), unicode) << encoding;
    }
    auto mark = byteOrderMark(TextEncoding::utf32LE);
    EXPECT_EQ(std::vector<std::uint8_t>(mark.begin(), mark.end()),
              (std::vector<std::uint8_t>{0xFF, 0xFE, 0x00, 0x00}));
}
