#include "platform/Base64.h"

#include <gtest/gtest.h>

using namespace Platform;

TEST(Base64, encodesAndDecodesWithPadding)
{
    struct Case
    {
        std::string bytes;
        std::string text;
    };
    const Case cases[] = {
        {"", ""},
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="},
        {std::string("\xFB\xFF\x00", 3), "+/8A"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        std::vector<std::uint8_t> bytes(c.bytes.begin(), c.bytes.end());
        EXPECT_EQ(Base64::encode(bytes), c.text);
        EXPECT_EQ(Base64::decode(c.text), bytes);
    }
}

TEST(Base64, refusesAnythingButThePaddedStandardForm)
{
    for (const char* text :
         {"Zg", "Zg=", "Zm9v\n", "Zm 9v", "Zm-v", "Z===", "=Zm9", "Zh==", "Zm8=Zm8="}) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(Base64::decode(text).has_value());
    }
}
