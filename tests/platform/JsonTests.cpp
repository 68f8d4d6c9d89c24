#include "platform/Json.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using Platform::JsonStyle;
using Platform::JsonWriteError;
using Platform::parseJson;
using Platform::writeJson;

TEST(Json, compactFormSortsKeysAndEscapesSlashes)
{
    nlohmann::json value = {{"wait", true},
                            {"paths", {"/tmp/a b", "c"}},
                            {"id", "x"},
                            {"column", 3},
                            {"empty", nlohmann::json::array()}};
    EXPECT_EQ(writeJson(value, JsonStyle::compact).value(),
              R"({"column":3,"empty":[],"id":"x","paths":["\/tmp\/a b","c"],"wait":true})");
}

TEST(Json, prettyFormIndentsByTwoWithSpacedColons)
{
    nlohmann::json value = {
        {"b", {1, 2}}, {"a", {{"c", nullptr}}}, {"e", nlohmann::json::object()}};
    EXPECT_EQ(writeJson(value, JsonStyle::pretty).value(),
              "{\n"
              "  \"a\" : {\n"
              "    \"c\" : null\n"
              "  },\n"
              "  \"b\" : [\n"
              "    1,\n"
              "    2\n"
              "  ],\n"
              "  \"e\" : {}\n"
              "}");
}

TEST(Json, stringsAndNumbersRoundTrip)
{
    struct Case
    {
        const char* name;
        nlohmann::json value;
        const char* written;
    };
    const Case cases[] = {
        {"controls", "a\"b\\c\n\t\x01", R"("a\"b\\c\n\t\u0001")"},
        {"korean", "한글/가", "\"한글\\/가\""},
        {"integral double keeps its point", 13.0, "13.0"},
        {"shortest double", 1.4, "1.4"},
        {"negative", -4.7, "-4.7"},
        {"large double", 1e300, "1e+300"},
        {"int64 min", std::numeric_limits<std::int64_t>::min(), "-9223372036854775808"},
        {"uint64 max", std::numeric_limits<std::uint64_t>::max(), "18446744073709551615"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto written = writeJson(c.value, JsonStyle::compact);
        ASSERT_TRUE(written.has_value());
        EXPECT_EQ(*written, c.written);
        EXPECT_EQ(parseJson(*written), c.value);
        if (c.value.is_number_float()) {
            EXPECT_TRUE(parseJson(*written)->is_number_float());
        }
    }
}

TEST(Json, refusesWhatJsonCannotHold)
{
    EXPECT_EQ(writeJson(std::nan(""), JsonStyle::compact).error(), JsonWriteError::nonFiniteNumber);
    EXPECT_EQ(writeJson({{"a", {1.0, INFINITY}}}, JsonStyle::pretty).error(),
              JsonWriteError::nonFiniteNumber);
    EXPECT_EQ(writeJson("\xff", JsonStyle::compact).error(), JsonWriteError::invalidUtf8);
    EXPECT_EQ(writeJson("\xed\xa0\x80", JsonStyle::compact).error(), JsonWriteError::invalidUtf8);
    EXPECT_EQ(writeJson({{"\xc3", 1}}, JsonStyle::compact).error(), JsonWriteError::invalidUtf8);

    nlohmann::json deep = 1;
    for (int i = 0; i < 1000; ++i)
        deep = nlohmann::json::array({std::move(deep)});
    EXPECT_EQ(writeJson(deep, JsonStyle::compact).error(), JsonWriteError::tooDeep);
}

TEST(Json, parseRefusesInsteadOfThrowing)
{
    for (const char* text : {"", "{", "{\"a\":1,}", "[1] 2", "\"\xff\"", "// c\n{}", "nan"}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(parseJson(text), std::nullopt);
    }
    EXPECT_EQ(parseJson(R"({"p":"a\/b\u00e9"})"), (nlohmann::json{{"p", "a/b\xc3\xa9"}}));
}
