#include "store/SettingConversion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using Platform::OtherPreference;
using Platform::PreferenceValue;
namespace Conversion = EditorStore::SettingConversion;

namespace {

PreferenceValue text(const char* value)
{
    return std::string(value);
}

} // namespace

TEST(SettingConversion, text)
{
    EXPECT_EQ(Conversion::toText(text("dark")), "dark");
    EXPECT_EQ(Conversion::toText(std::int64_t{7}), std::nullopt);
    EXPECT_EQ(Conversion::toText(true), std::nullopt);
    EXPECT_EQ(Conversion::toText(std::vector<std::string>{"a"}), std::nullopt);
}

TEST(SettingConversion, boolean)
{
    struct Case
    {
        const char* name;
        PreferenceValue value;
        std::optional<bool> expected;
    };
    const Case cases[] = {
        {"true", true, true},
        {"integer 1", std::int64_t{1}, true},
        {"integer 0", std::int64_t{0}, false},
        {"integer 2", std::int64_t{2}, std::nullopt},
        {"double 1", 1.0, true},
        {"double 0.5", 0.5, std::nullopt},
        {"YES", text("YES"), true},
        {"yes", text("yes"), true},
        {"true text", text("true"), true},
        {"1 text", text("1"), true},
        {"NO", text("NO"), false},
        {"no", text("no"), false},
        {"false text", text("false"), false},
        {"0 text", text("0"), false},
        {"Yes", text("Yes"), std::nullopt},
        {"TRUE", text("TRUE"), std::nullopt},
        {"on", text("on"), std::nullopt},
        {"empty", text(""), std::nullopt},
        {"other", OtherPreference{}, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Conversion::toBoolean(c.value), c.expected);
    }
}

TEST(SettingConversion, integer)
{
    constexpr auto maximum = std::numeric_limits<std::int64_t>::max();
    constexpr auto minimum = std::numeric_limits<std::int64_t>::min();
    struct Case
    {
        const char* name;
        PreferenceValue value;
        std::optional<std::int64_t> expected;
    };
    const Case cases[] = {
        {"integer", std::int64_t{40}, 40},
        {"6.9 cut", 6.9, 6},
        {"4.7 cut", 4.7, 4},
        {"-4.7 cut", -4.7, -4},
        {"boolean", true, 1},
        {"+8", text("+8"), 8},
        {"-8", text("-8"), -8},
        {"max text", text("9223372036854775807"), maximum},
        {"min text", text("-9223372036854775808"), minimum},
        {"beyond max text", text("9223372036854775808"), std::nullopt},
        {"beyond min text", text("-9223372036854775809"), std::nullopt},
        {"8.0 text", text("8.0"), std::nullopt},
        {"empty", text(""), std::nullopt},
        {"lone sign", text("+"), std::nullopt},
        {"leading space", text(" 8"), std::nullopt},
        {"trailing space", text("8 "), std::nullopt},
        {"double sign", text("+-8"), std::nullopt},
        {"arabic digits", text("\xd9\xa8"), std::nullopt},
        {"NaN", std::nan(""), std::nullopt},
        {"infinity", std::numeric_limits<double>::infinity(), std::nullopt},
        {"2^63", 9223372036854775808.0, std::nullopt},
        {"-2^63", -9223372036854775808.0, minimum},
        {"1e300", 1e300, std::nullopt},
        {"array", std::vector<std::string>{"1"}, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Conversion::toInteger(c.value), c.expected);
    }
}

TEST(SettingConversion, floatingPoint)
{
    struct Case
    {
        const char* name;
        PreferenceValue value;
        std::optional<double> expected;
    };
    const Case cases[] = {
        {"double", 13.5, 13.5},
        {"integer", std::int64_t{14}, 14.0},
        {"text 14", text("14"), 14.0},
        {"text +1.5", text("+1.5"), 1.5},
        {"text -.5", text("-.5"), -0.5},
        {"text 5.", text("5."), 5.0},
        {"exponent", text("1.25e1"), 12.5},
        {"text abc", text("abc"), std::nullopt},
        {"leading space", text(" 14"), std::nullopt},
        {"leading tab", text("\t14"), std::nullopt},
        {"trailing text", text("14pt"), std::nullopt},
        {"lone point", text("."), std::nullopt},
        {"bare exponent", text("1e"), std::nullopt},
        {"hexadecimal", text("0x1p3"), std::nullopt},
        {"inf text", text("inf"), std::nullopt},
        {"nan text", text("nan"), std::nullopt},
        {"overflowing text", text("1e999"), std::nullopt},
        {"comma decimal", text("1,5"), std::nullopt},
        {"stored NaN", std::nan(""), std::nullopt},
        {"stored infinity", -std::numeric_limits<double>::infinity(), std::nullopt},
        {"other", OtherPreference{}, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Conversion::toDouble(c.value), c.expected);
    }
}
