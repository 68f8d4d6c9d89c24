#include "app/kit/AppLog.h"
#include "tests/platform/FileText.h"
#include "tests/platform/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace std::chrono;
using EditorStore::ErrorLog;
using Level = ErrorLog::Level;

namespace {

const system_clock::time_point someTime = sys_days(2026y / March / 1) + 9h + 5min + 7s;

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        result.push_back(line);
    return result;
}

// An exception that nothing catches: it leaves a function that promises not to throw.
void outOfRangeInNoexcept() noexcept
{
    std::vector<int> empty;
    (void)empty.at(3);
}

} // namespace

TEST(AppLog, recordsInCallOrderWithTheVersionLast)
{
    TemporaryFolder folder;
    AppLog::Writer writer(
        ErrorLog(folder.path(), ErrorLog::defaultLimit), "0.8.2(19)", [] { return someTime; });
    writer.record(Level::warning, "settings.invalid", {{"key", "view.theme"}});
    writer.record(Level::notice, "log.start");
    writer.record(Level::error, "document.save", {{"path", "/a b"}, {"error", "generic(2)"}});
    for (int i = 0; i < 100; ++i)
        writer.record(Level::notice, "n" + std::to_string(i));
    writer.waitUntilWritten();

    auto written = lines(fileText(folder / "editor.log"));
    ASSERT_EQ(written.size(), 103u);
    EXPECT_EQ(written[0],
              "2026-03-01T09:05:07Z WARN settings.invalid key=view.theme app=0.8.2(19)");
    EXPECT_EQ(written[1], "2026-03-01T09:05:07Z INFO log.start app=0.8.2(19)");
    EXPECT_EQ(
        written[2],
        "2026-03-01T09:05:07Z ERROR document.save path=\"/a b\" error=generic(2) app=0.8.2(19)");
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(written[static_cast<std::size_t>(i) + 3],
                  "2026-03-01T09:05:07Z INFO n" + std::to_string(i) + " app=0.8.2(19)");
}

TEST(AppLog, versionTextMarksMissingParts)
{
    EXPECT_EQ(AppLog::versionText(std::nullopt, std::nullopt), "?(?)");
    EXPECT_EQ(AppLog::versionText("0.8.2", std::nullopt), "0.8.2(?)");
    EXPECT_EQ(AppLog::versionText(std::nullopt, "19"), "?(19)");
    EXPECT_EQ(AppLog::versionText("0.8.2", "19"), "0.8.2(19)");
    // This build's version: the project's version and a build number or "?".
    EXPECT_EQ(AppLog::appVersion().rfind("0.", 0), 0u);
    EXPECT_EQ(AppLog::appVersion().back(), ')');
}

TEST(AppLog, describesErrors)
{
    using EditorCore::DocumentError;
    using EditorCore::TextEncoding;
    EXPECT_EQ(AppLog::describe(DocumentError::binary()), "binary");
    EXPECT_EQ(AppLog::describe(
                  DocumentError::unencodable(TextEncoding::eucKR, {u"a", u"👍🏽", u"é"})),
              "unencodable(euc-kr,3)");
    EXPECT_EQ(AppLog::describe(std::make_error_code(std::errc::no_such_file_or_directory)),
              "generic(2)");
    EXPECT_EQ(AppLog::describe(std::error_code(13, std::system_category())), "system(13)");
    EXPECT_EQ(AppLog::describe(EditorCore::TextCodecError::notDecodable(TextEncoding::utf8)),
              "EditorCore.TextCodecError(0)");
    EXPECT_EQ(
        AppLog::describe(EditorCore::TextCodecError::unencodable(TextEncoding::cp949, {u"x"})),
        "EditorCore.TextCodecError(1)");
}

TEST(AppLog, uncaughtExceptionGoesStraightToTheDefaultLog)
{
    // The test runner points XDG_STATE_HOME into the build tree.
    ErrorLog log;
    std::error_code ignored;
    std::filesystem::remove(log.fileURL(), ignored);
    AppLog::logUncaughtException("std::bad_alloc");
    auto written = lines(fileText(log.fileURL()));
    ASSERT_EQ(written.size(), 1u);
    EXPECT_NE(written[0].find(" ERROR crash.exception name=std::bad_alloc app="), std::string::npos)
        << written[0];
    EXPECT_EQ(written[0].substr(written[0].size() - AppLog::appVersion().size() - 5),
              " app=" + AppLog::appVersion());
}

TEST(AppLogDeathTest, terminateHandlerLogsTheExceptionType)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    ErrorLog log;
    std::error_code ignored;
    std::filesystem::remove(log.fileURL(), ignored);
    EXPECT_DEATH(
        {
            AppLog::installUncaughtExceptionHandler();
            outOfRangeInNoexcept();
        },
        "");
    EXPECT_NE(fileText(log.fileURL()).find("crash.exception name=std::out_of_range"),
              std::string::npos);
}
