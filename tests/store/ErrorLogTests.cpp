#include "store/ErrorLog.h"
#include "tests/platform/FileText.h"
#include "tests/platform/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace EditorStore;
using namespace std::chrono;
using Level = ErrorLog::Level;

namespace {

const system_clock::time_point someTime = sys_days(2026y / March / 1) + 9h + 5min + 7s + 300ms;

} // namespace

TEST(ErrorLog, formatsTimeLevelKeyAndFields)
{
    struct Case
    {
        const char* name;
        Level level;
        ErrorLog::Fields fields;
        std::string expected;
    };
    const Case cases[] = {
        {"plain",
         Level::warning,
         {{"key", "view.theme"}},
         "2026-03-01T09:05:07Z WARN settings.invalid key=view.theme\n"},
        {"no fields", Level::notice, {}, "2026-03-01T09:05:07Z INFO settings.invalid\n"},
        {"space quotes",
         Level::error,
         {{"path", "/a b"}},
         "2026-03-01T09:05:07Z ERROR settings.invalid path=\"/a b\"\n"},
        {"quote without space",
         Level::error,
         {{"v", "a\"b"}},
         "2026-03-01T09:05:07Z ERROR settings.invalid v=a\"b\n"},
        {"line feed",
         Level::error,
         {{"v", "x\ny"}},
         "2026-03-01T09:05:07Z ERROR settings.invalid v=x\\ny\n"},
        {"crlf",
         Level::error,
         {{"v", "x\r\ny"}},
         "2026-03-01T09:05:07Z ERROR settings.invalid v=x\\r\\ny\n"},
        {"tab, backslash, equals",
         Level::error,
         {{"v", "a\tb\\c=d"}},
         "2026-03-01T09:05:07Z ERROR settings.invalid v=a\tb\\c=d\n"},
        {"empty value and repeated key",
         Level::notice,
         {{"k", ""}, {"k", "2"}},
         "2026-03-01T09:05:07Z INFO settings.invalid k= k=2\n"},
        {"escaped then quoted",
         Level::notice,
         {{"v", "a b\nc"}},
         "2026-03-01T09:05:07Z INFO settings.invalid v=\"a b\\nc\"\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ErrorLog::formatLine(c.level, "settings.invalid", c.fields, someTime),
                  c.expected);
    }
}

TEST(ErrorLog, levelRawValues)
{
    EXPECT_EQ(rawValue(Level::error), "ERROR");
    EXPECT_EQ(rawValue(Level::warning), "WARN");
    EXPECT_EQ(rawValue(Level::notice), "INFO");
    EXPECT_EQ(errorLogLevelFromRawValue("WARN"), Level::warning);
    EXPECT_EQ(errorLogLevelFromRawValue("warn"), std::nullopt);
}

TEST(ErrorLog, defaultLogLivesInTheStateFolder)
{
    ErrorLog log;
    EXPECT_EQ(log.limit, 1048576);
    EXPECT_EQ(log.fileURL().filename(), "editor.log");
    EXPECT_EQ(log.directory.filename(), "Orlune Viewer");
}

TEST(ErrorLog, appendCreatesFolderAndFileThenAppends)
{
    TemporaryFolder folder;
    ErrorLog log(folder / "Logs" / "Orlune Viewer", 1000);
    log.append("one\n");
    log.append("two\n");
    EXPECT_EQ(fileText(log.fileURL()), "one\ntwo\n");
}

TEST(ErrorLog, rotatesOnlyWhenTheLineWouldPassTheLimit)
{
    TemporaryFolder folder;
    ErrorLog log(folder.path(), 100);
    std::string existing(59, 'o');
    existing += '\n';

    writeText(log.fileURL(), existing);
    log.append(std::string(39, 'a') + "\n"); // 60 + 40 is not above 100
    EXPECT_EQ(fileText(log.fileURL()).size(), 100u);
    EXPECT_FALSE(std::filesystem::exists(folder / "editor.1.log"));

    writeText(log.fileURL(), existing);
    std::string line = std::string(40, 'b') + "\n"; // 60 + 41
    log.append(line);
    EXPECT_EQ(fileText(log.fileURL()), line);
    EXPECT_EQ(fileText(folder / "editor.1.log"), existing);
}

TEST(ErrorLog, longLineIntoNoFileIsWrittenWhole)
{
    TemporaryFolder folder;
    ErrorLog log(folder.path(), 10);
    std::string line(50, 'x');
    line += '\n';
    log.append(line);
    EXPECT_EQ(fileText(log.fileURL()), line);
    EXPECT_FALSE(std::filesystem::exists(folder / "editor.1.log"));
}

TEST(ErrorLog, keepsTwoOlderGenerations)
{
    TemporaryFolder folder;
    ErrorLog log(folder.path(), 4);
    for (const char* line : {"l1\n", "l2\n", "l3\n", "l4\n"})
        log.append(line);
    EXPECT_EQ(fileText(folder / "editor.log"), "l4\n");
    EXPECT_EQ(fileText(folder / "editor.1.log"), "l3\n");
    EXPECT_EQ(fileText(folder / "editor.2.log"), "l2\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()),
                            std::filesystem::directory_iterator()),
              3);
}

TEST(ErrorLog, appendKeepsWhatAnotherWriterAppended)
{
    TemporaryFolder folder;
    ErrorLog log(folder.path(), 1000);
    ErrorLog other(folder.path(), 1000);
    log.append("a\n");
    other.append("b\n");
    log.append("c\n");
    EXPECT_EQ(fileText(log.fileURL()), "a\nb\nc\n");
}

TEST(ErrorLog, unwritableFolderIsSilentlyIgnored)
{
    TemporaryFolder folder;
    // A FIFO without a reader in the log's place: the append returns at once.
    ASSERT_EQ(::mkfifo((folder / "editor.log").c_str(), 0600), 0);
    ErrorLog(folder.path(), 1000).append("lost\n");

    writeText(folder / "file-not-folder", "x");
    ErrorLog nowhere(folder / "file-not-folder" / "logs", 1000);
    nowhere.append("lost\n");
    EXPECT_EQ(fileText(folder / "file-not-folder"), "x");

    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes into any folder";
    ::chmod(folder.path().c_str(), 0500);
    ErrorLog log(folder.path(), 1000);
    log.append("lost\n");
    ::chmod(folder.path().c_str(), 0700);
    EXPECT_FALSE(std::filesystem::exists(log.fileURL()));
}
