#include "core/Utf8.h"

#include <unicode/ustring.h>

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using namespace EditorCore;

namespace {

using Bytes = std::vector<std::uint8_t>;

// ICU's answers, which ours must match: a strict conversion, and one that replaces each
// maximal ill-formed subpart with U+FFFD.
std::optional<std::u16string> icuStrict(const Bytes& bytes)
{
    std::u16string text(bytes.size() + 1, u'\0');
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8(text.data(),
                  static_cast<int32_t>(text.size()),
                  &length,
                  reinterpret_cast<const char*>(bytes.data()),
                  static_cast<int32_t>(bytes.size()),
                  &status);
    if (U_FAILURE(status))
        return std::nullopt;
    text.resize(static_cast<std::size_t>(length));
    return text;
}

Utf8::LossyCounts icuLossy(const Bytes& bytes)
{
    std::u16string text(bytes.size() + 1, u'\0');
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8WithSub(text.data(),
                         static_cast<int32_t>(text.size()),
                         &length,
                         reinterpret_cast<const char*>(bytes.data()),
                         static_cast<int32_t>(bytes.size()),
                         0xFFFD,
                         nullptr,
                         &status);
    text.resize(static_cast<std::size_t>(length));
    Utf8::LossyCounts counts;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] < 0x80 || (text[i] >= 0xDC00 && text[i] <= 0xDFFF))
            continue;
        ++counts.nonASCII;
        if (text[i] == 0xFFFD)
            ++counts.replacements;
    }
    return counts;
}

// Random bytes drawn mostly from the values that make UTF-8 interesting, in runs long enough
// for the sixteen-byte ASCII blocks of the decoder.
Bytes randomBytes(std::mt19937& random)
{
    static const std::uint8_t interesting[] = {0x41, 0x0A, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF,
                                               0xC0, 0xC1, 0xC2, 0xDF, 0xE0, 0xE1, 0xEC, 0xED, 0xEE,
                                               0xEF, 0xF0, 0xF1, 0xF3, 0xF4, 0xF5, 0xFF};
    const std::size_t length = std::uniform_int_distribution<std::size_t>(0, 60)(random);
    Bytes bytes;
    std::uniform_int_distribution<int> pick(0, 99);
    for (std::size_t i = 0; i < length; ++i) {
        const int roll = pick(random);
        if (roll < 40)
            bytes.push_back(static_cast<std::uint8_t>(0x20 + roll));
        else
            bytes.push_back(interesting[static_cast<std::size_t>(roll) % std::size(interesting)]);
    }
    return bytes;
}

} // namespace

TEST(Utf8, decodeAgreesWithIcuOnRandomBytes)
{
    std::mt19937 random(20240501);
    for (int round = 0; round < 200000; ++round) {
        const Bytes bytes = randomBytes(random);
        std::u16string ours;
        const bool valid = Utf8::decodeStrict(bytes, ours);
        const auto expected = icuStrict(bytes);
        ASSERT_EQ(valid, expected.has_value()) << "round " << round;
        if (valid) {
            ASSERT_TRUE(ours == *expected) << "round " << round;
        }
    }
}

TEST(Utf8, lossyCountsAgreeWithIcuReplacement)
{
    std::mt19937 random(7);
    for (int round = 0; round < 100000; ++round) {
        const Bytes bytes = randomBytes(random);
        const auto ours = Utf8::countLossy(bytes);
        const auto expected = icuLossy(bytes);
        ASSERT_EQ(ours.nonASCII, expected.nonASCII) << "round " << round;
        ASSERT_EQ(ours.replacements, expected.replacements) << "round " << round;
    }
}

TEST(Utf8, everyScalarRoundTrips)
{
    std::u16string text;
    for (char32_t c = 0; c <= 0x10FFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF)
            continue;
        if (c > 0xFFFF) {
            text.push_back(static_cast<char16_t>(0xD7C0 + (c >> 10)));
            text.push_back(static_cast<char16_t>(0xDC00 | (c & 0x3FF)));
        } else {
            text.push_back(static_cast<char16_t>(c));
        }
    }
    Bytes bytes;
    ASSERT_TRUE(Utf8::encodeStrict(text, bytes));
    std::u16string decoded;
    ASSERT_TRUE(Utf8::decodeStrict(bytes, decoded));
    EXPECT_TRUE(decoded == text);
    EXPECT_EQ(icuStrict(bytes), decoded);
}

TEST(Utf8, encodeRefusesUnpairedSurrogates)
{
    const std::u16string cases[] = {u"\xD800", u"a\xDC00", u"\xD800\xD800\xDC00", u"\xDBFF"};
    for (const auto& text : cases) {
        Bytes bytes;
        EXPECT_FALSE(Utf8::encodeStrict(text, bytes));
    }
}

TEST(Utf8, countsExistingReplacementCharacters)
{
    const Bytes bytes = {0xEF, 0xBF, 0xBD, 0xC3, 0xA9, 0xFF};
    const auto counts = Utf8::countLossy(bytes);
    EXPECT_EQ(counts.nonASCII, 3u);
    EXPECT_EQ(counts.replacements, 2u);
}
