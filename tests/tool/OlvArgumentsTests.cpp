#include "tests/platform/TemporaryFolder.h"
#include "tool/OlvArguments.h"

#include <gtest/gtest.h>

#include <fstream>
#include <unistd.h>

using namespace Olv;

namespace {

// Runs the test inside a fresh folder, so relative arguments resolve there.
class OlvFileArguments : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_previous = std::filesystem::current_path();
        std::filesystem::current_path(m_folder.path());
    }
    void TearDown() override { std::filesystem::current_path(m_previous); }

    std::string at(const std::string& name) const { return (m_folder / name).string(); }
    void touch(const std::string& name) const { std::ofstream(m_folder / name) << "x"; }

    TemporaryFolder m_folder;
    std::filesystem::path m_previous;
};

std::string noVersion()
{
    return "?";
}

} // namespace

TEST(OlvArguments, parseInt64TakesOnlyWholeSignedNumbers)
{
    struct Case
    {
        const char* text;
        std::optional<std::int64_t> expected;
    };
    const Case cases[] = {{"7", 7},
                          {"+7", 7},
                          {"-3", -3},
                          {"0", 0},
                          {"007", 7},
                          {"9223372036854775807", INT64_MAX},
                          {"-9223372036854775808", INT64_MIN},
                          {"9223372036854775808", std::nullopt},
                          {"-9223372036854775809", std::nullopt},
                          {"99999999999999999999999", std::nullopt},
                          {"", std::nullopt},
                          {"+", std::nullopt},
                          {"-", std::nullopt},
                          {"+-3", std::nullopt},
                          {"--3", std::nullopt},
                          {"7x", std::nullopt},
                          {" 7", std::nullopt},
                          {"7\n", std::nullopt},
                          {"0x10", std::nullopt}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(parseInt64(c.text), c.expected);
    }
    EXPECT_EQ(parseInt32("2147483647"), INT32_MAX);
    EXPECT_EQ(parseInt32("2147483648"), std::nullopt);
    EXPECT_EQ(parseInt32("+4711"), 4711);
    EXPECT_EQ(parseInt32("4711\n"), std::nullopt);
}

TEST_F(OlvFileArguments, fileArgumentsSplitLineAndColumnOnlyFromMissingPaths)
{
    touch("log:12");
    struct Case
    {
        const char* argument;
        std::string path;
        std::optional<std::int64_t> line, column;
    };
    const Case cases[] = {
        {"notes.txt:12", at("notes.txt"), 12, std::nullopt},
        {"notes.txt:12:5", at("notes.txt"), 12, 5},
        {"a:1:2:3", at("a:1"), 2, 3},
        {"notes.txt:0", at("notes.txt:0"), std::nullopt, std::nullopt},
        {"notes.txt:", at("notes.txt:"), std::nullopt, std::nullopt},
        {"notes.txt:-3", at("notes.txt:-3"), std::nullopt, std::nullopt},
        {"notes.txt:7x", at("notes.txt:7x"), std::nullopt, std::nullopt},
        {"notes.txt:+7", at("notes.txt"), 7, std::nullopt},
        {"x:abc:4", at("x:abc"), 4, std::nullopt},
        {"notes.txt::4", at("notes.txt:"), 4, std::nullopt},
        {"12", at("12"), std::nullopt, std::nullopt},
        {":12", m_folder.path().string(), 12, std::nullopt},
        {"log:12", at("log:12"), std::nullopt, std::nullopt},
        {"log:12:3", at("log"), 12, 3},
        {"n:9223372036854775807:9223372036854775807", at("n"), INT64_MAX, INT64_MAX},
        {"n:9223372036854775808", at("n:9223372036854775808"), std::nullopt, std::nullopt},
        {"n:1:9223372036854775808", at("n:1:9223372036854775808"), std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.argument);
        auto parsed = parseFileArgument(c.argument);
        EXPECT_EQ(parsed.path, c.path);
        EXPECT_EQ(parsed.line, c.line);
        EXPECT_EQ(parsed.column, c.column);
    }
}

TEST_F(OlvFileArguments, resolvePathExpandsTildeAndDropsDots)
{
    auto home = std::string(std::getenv("HOME"));
    EXPECT_EQ(resolvePath("~"), home);
    EXPECT_EQ(resolvePath("~/a/./b/../c"), home + "/a/c");
    EXPECT_EQ(resolvePath("sub/../x.txt"), at("x.txt"));
    EXPECT_EQ(resolvePath("sub/"), at("sub"));
    EXPECT_EQ(resolvePath("-"), at("-"));
    EXPECT_EQ(resolvePath("/"), "/");
    EXPECT_EQ(resolvePath("/../etc"), "/etc");
    EXPECT_EQ(resolvePath("~root/x"), "/root/x");
    EXPECT_EQ(resolvePath("~no-such-user-here/x"), at("~no-such-user-here/x"));
}

TEST_F(OlvFileArguments, everyArgumentIsReadBeforeAnythingIsChecked)
{
    touch("notes.txt");
    std::filesystem::create_directory(m_folder / "folder");
    auto usage = std::string(usageText(MessageLanguage::english));
    struct Case
    {
        const char* name;
        std::vector<std::string> arguments;
        int status;
        std::string standardOutput, standardError;
    };
    const Case cases[] = {
        {"unknown first", {"-x", "notes.txt"}, 64, "", "olv: Unknown option: -x\n" + usage + "\n"},
        {"unknown last", {"notes.txt", "-x"}, 64, "", "olv: Unknown option: -x\n" + usage + "\n"},
        {"double dash", {"--", "notes.txt"}, 64, "", "olv: Unknown option: --\n" + usage + "\n"},
        {"help wins when first", {"--help", "-x"}, 0, usage + "\n", ""},
        {"short help", {"missing", "-h"}, 0, usage + "\n", ""},
        {"option before help",
         {"-x", "--help"},
         64,
         "",
         "olv: Unknown option: -x\n" + usage + "\n"},
        {"version", {"-w", "--version", "-x"}, 0, "olv ?\n", ""},
        {"missing file before a later option fails on the option",
         {"missing.txt", "-q"},
         64,
         "",
         "olv: Unknown option: -q\n" + usage + "\n"},
        {"dash is a file", {"-"}, 1, "", "olv: No such file: " + at("-") + "\n"},
        {"line of a missing file",
         {"missing.txt:10"},
         1,
         "",
         "olv: No such file: " + at("missing.txt") + "\n"},
        {"folder with a line",
         {"notes.txt", "folder:3"},
         1,
         "",
         "olv: A folder can’t take a line number: " + at("folder") + "\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto result = readArguments(c.arguments, MessageLanguage::english, noVersion);
        ASSERT_TRUE(std::holds_alternative<Finish>(result));
        const auto& finish = std::get<Finish>(result);
        EXPECT_EQ(finish.status, c.status);
        EXPECT_EQ(finish.standardOutput, c.standardOutput);
        EXPECT_EQ(finish.standardError, c.standardError);
    }

    auto accepted =
        readArguments({"folder", "--wait", "notes.txt:4:2"}, MessageLanguage::korean, noVersion);
    ASSERT_TRUE(std::holds_alternative<Invocation>(accepted));
    const auto& invocation = std::get<Invocation>(accepted);
    EXPECT_TRUE(invocation.wait);
    EXPECT_EQ(invocation.files,
              (std::vector<FileArgument>{{at("folder"), std::nullopt, std::nullopt},
                                         {at("notes.txt"), 4, 2}}));
}

TEST(OlvArguments, languageCodes)
{
    EXPECT_EQ(languageFromCode("ko"), MessageLanguage::korean);
    EXPECT_EQ(languageFromCode("ko_KR.UTF-8"), MessageLanguage::korean);
    EXPECT_EQ(languageFromCode("ja-JP"), MessageLanguage::japanese);
    EXPECT_EQ(languageFromCode("de-DE"), MessageLanguage::english);
    EXPECT_EQ(languageFromCode(""), MessageLanguage::english);
    // The usage's second line is indented to line up under the program name.
    EXPECT_TRUE(usageText(MessageLanguage::korean).find("\n        명령 | olv\n")
                != std::string_view::npos);
    EXPECT_TRUE(usageText(MessageLanguage::japanese).find("\n       コマンド | olv\n")
                != std::string_view::npos);
}
