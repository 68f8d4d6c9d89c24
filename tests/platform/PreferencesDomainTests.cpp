#include "platform/PreferencesDomain.h"
#include "tests/platform/FileText.h"
#include "tests/platform/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <cmath>

using Platform::OtherPreference;
using Platform::PreferencesDomain;
using Platform::PreferenceValue;

namespace {

class PreferencesDomainTest : public testing::Test
{
protected:
    TemporaryFolder folder;
    std::filesystem::path file = folder / "prefs" / "group-defaults.json";
};

} // namespace

TEST_F(PreferencesDomainTest, storesEveryKindAndWritesPrettySortedJson)
{
    PreferencesDomain domain(file);
    ASSERT_TRUE(domain.set("view.theme", std::string("dark/x")).has_value());
    ASSERT_TRUE(domain.set("b", true).has_value());
    ASSERT_TRUE(domain.set("i", std::int64_t{8}).has_value());
    ASSERT_TRUE(domain.set("d", 13.0).has_value());
    ASSERT_TRUE(domain.set("a", std::vector<std::string>{"x", "y"}).has_value());

    EXPECT_EQ(fileText(file),
              "{\n  \"a\" : [\n    \"x\",\n    \"y\"\n  ],\n  \"b\" : true,\n  \"d\" : 13.0,\n"
              "  \"i\" : 8,\n  \"view.theme\" : \"dark\\/x\"\n}\n");

    PreferencesDomain other(file);
    EXPECT_EQ(other.object("view.theme"), PreferenceValue(std::string("dark/x")));
    EXPECT_EQ(other.object("b"), PreferenceValue(true));
    EXPECT_EQ(other.object("i"), PreferenceValue(std::int64_t{8}));
    EXPECT_EQ(other.object("d"), PreferenceValue(13.0));
    EXPECT_EQ(other.object("a"), PreferenceValue(std::vector<std::string>{"x", "y"}));
    EXPECT_EQ(other.object("none"), std::nullopt);
}

TEST_F(PreferencesDomainTest, seesChangesMadeOnDiskByAnotherWriter)
{
    PreferencesDomain app(file);
    PreferencesDomain tool(file);
    ASSERT_TRUE(app.set("general.language", std::string("ko")).has_value());
    EXPECT_EQ(tool.object("general.language"), PreferenceValue(std::string("ko")));

    // The other writer's change of another key survives this writer's next change.
    ASSERT_TRUE(tool.set("other", std::int64_t{1}).has_value());
    ASSERT_TRUE(app.set("general.language", std::string("ja")).has_value());
    PreferencesDomain fresh(file);
    EXPECT_EQ(fresh.object("other"), PreferenceValue(std::int64_t{1}));
    EXPECT_EQ(fresh.object("general.language"), PreferenceValue(std::string("ja")));

    // An edit by hand, same size, same second.
    writeText(file, R"({"general.language":"en"})");
    EXPECT_EQ(app.object("general.language"), PreferenceValue(std::string("en")));
    std::filesystem::remove(file);
    EXPECT_EQ(app.object("general.language"), std::nullopt);
}

TEST_F(PreferencesDomainTest, badFilesReadAsEmpty)
{
    std::filesystem::create_directories(file.parent_path());
    for (const char* text : {"", "{", "[1,2]", "\"text\"", "null", "{\"a\":1,}", "\xff\xfe{}"}) {
        SCOPED_TRACE(text);
        writeText(file, text);
        PreferencesDomain domain(file);
        EXPECT_TRUE(domain.allValues().empty());
    }
}

TEST_F(PreferencesDomainTest, otherKindsAndHugeNumbersAreKeptAsTheyAre)
{
    std::filesystem::create_directories(file.parent_path());
    writeText(
        file,
        R"({"n":null,"m":{"k":1},"mixed":["a",1],"big":18446744073709551615,"neg":-3,"x":"y"})");
    PreferencesDomain domain(file);
    EXPECT_EQ(domain.object("n"), PreferenceValue(OtherPreference{}));
    EXPECT_EQ(domain.object("m"), PreferenceValue(OtherPreference{}));
    EXPECT_EQ(domain.object("mixed"), PreferenceValue(OtherPreference{}));
    EXPECT_EQ(domain.object("big"), PreferenceValue(18446744073709551615.0));
    EXPECT_EQ(domain.object("neg"), PreferenceValue(std::int64_t{-3}));

    ASSERT_TRUE(domain.remove("x").has_value());
    EXPECT_EQ(fileText(file),
              "{\n  \"big\" : 18446744073709551615,\n  \"m\" : {\n    \"k\" : 1\n  },\n"
              "  \"mixed\" : [\n    \"a\",\n    1\n  ],\n  \"n\" : null,\n  \"neg\" : -3\n}\n");
}

TEST_F(PreferencesDomainTest, removeAndRefusals)
{
    PreferencesDomain domain(file);
    ASSERT_TRUE(domain.set("a", true).has_value());
    ASSERT_TRUE(domain.set("b", true).has_value());
    ASSERT_TRUE(domain.set("c", true).has_value());
    std::vector<std::string> names = {"a", "c", "missing"};
    ASSERT_TRUE(domain.remove(names).has_value());
    EXPECT_EQ(domain.allValues().size(), 1u);
    EXPECT_TRUE(domain.contains("b"));

    auto refused = domain.set("d", std::nan(""));
    ASSERT_FALSE(refused.has_value());
    EXPECT_EQ(refused.error(), std::errc::invalid_argument);
    EXPECT_FALSE(domain.set("d", INFINITY).has_value());
    EXPECT_FALSE(domain.contains("d"));
}
