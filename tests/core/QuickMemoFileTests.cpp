#include "core/QuickMemoFile.h"

#include <unicode/locid.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

using namespace EditorCore;
using namespace std::chrono;

namespace {

// 2026-03-01 21:05:30 in Seoul (UTC+9).
const system_clock::time_point eveningInSeoul =
    sys_days{year{2026} / March / 1} + hours{12} + minutes{5} + seconds{30};

std::optional<std::string> entry(std::u16string_view memo, std::optional<std::string> existing)
{
    std::optional<std::span<const std::uint8_t>> bytes;
    if (existing)
        bytes =
            std::span(reinterpret_cast<const std::uint8_t*>(existing->data()), existing->size());
    const auto result = QuickMemoFile::append(memo, bytes, eveningInSeoul, "Asia/Seoul");
    if (!result)
        return std::nullopt;
    return std::string(result->begin(), result->end());
}

const std::string header = "\xE2\x94\x80\xE2\x94\x80 2026-03-01 21:05 \xE2\x94\x80\xE2\x94\x80";

} // namespace

TEST(QuickMemoFile, buildsTheEntryForTheExistingFile)
{
    const struct
    {
        const char* name;
        std::u16string memo;
        std::optional<std::string> existing;
        std::string expected;
    } cases[] = {
        {"no file", u"note", std::nullopt, header + "\nnote\n"},
        {"empty file", u"note", std::string(), header + "\nnote\n"},
        {"file ending with a letter", u"note", std::string("old"), "\n\n" + header + "\nnote\n"},
        {"file ending with LF", u"note", std::string("old\n"), "\n" + header + "\nnote\n"},
        {"file ending with CR", u"note", std::string("old\r"), "\n" + header + "\nnote\n"},
        {"CR LF anywhere makes every break CR LF",
         u"a\nb\r\nc",
         std::string("x\r\ny\n"),
         "\r\n" + header + "\r\na\r\nb\r\nc\r\n"},
        {"lone CR in the memo stays", u"a\rb", std::nullopt, header + "\na\rb\n"},
        {"blank lines at the ends go, inner ones stay",
         u"\n \t\n  a\n\nb \u3000\n\n",
         std::nullopt,
         header + "\na\n\nb\n"},
        {"bytes that are not UTF-8 count as an empty file",
         u"note",
         std::string("\xFF\xFEo\r\nld"),
         header + "\nnote\n"},
        {"non-BMP memo", u"\U0001F600", std::nullopt, header + "\n\xF0\x9F\x98\x80\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(entry(c.memo, c.existing), c.expected);
    }
}

TEST(QuickMemoFile, blankMemoGivesNothing)
{
    EXPECT_EQ(entry(u"", std::nullopt), std::nullopt);
    EXPECT_EQ(entry(u" \r\n\t\u00A0\u2028\n", std::string("old")), std::nullopt);
}

TEST(QuickMemoFile, headerUsesTheGivenTimeZoneWithWesternDigits)
{
    // A locale with its own digits and a 12-hour clock must not leak into the header.
    const icu::Locale saved = icu::Locale::getDefault();
    UErrorCode status = U_ZERO_ERROR;
    icu::Locale::setDefault(icu::Locale("ar_EG"), status);
    const auto utc = QuickMemoFile::append(u"x", std::nullopt, eveningInSeoul, "UTC");
    const auto newYork =
        QuickMemoFile::append(u"x", std::nullopt, eveningInSeoul, "America/New_York");
    icu::Locale::setDefault(saved, status);
    ASSERT_TRUE(utc && newYork);
    EXPECT_EQ(std::string(utc->begin(), utc->end()),
              "\xE2\x94\x80\xE2\x94\x80 2026-03-01 12:05 \xE2\x94\x80\xE2\x94\x80\nx\n");
    EXPECT_EQ(std::string(newYork->begin(), newYork->end()),
              "\xE2\x94\x80\xE2\x94\x80 2026-03-01 07:05 \xE2\x94\x80\xE2\x94\x80\nx\n");
}

class QuickMemoFileURL : public testing::Test
{
protected:
    void SetUp() override
    {
        for (const char* name : {"HOME", "XDG_CONFIG_HOME"}) {
            const char* value = std::getenv(name);
            m_saved.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
        }
        m_home = std::filesystem::path(testing::TempDir())
                 / ("quick-memo-" + std::to_string(::getpid()));
        std::filesystem::remove_all(m_home);
        std::filesystem::create_directories(m_home / "config");
        setenv("HOME", m_home.c_str(), 1);
        setenv("XDG_CONFIG_HOME", (m_home / "config").c_str(), 1);
    }

    void TearDown() override
    {
        for (const auto& [name, value] : m_saved) {
            if (value)
                setenv(name.c_str(), value->c_str(), 1);
            else
                unsetenv(name.c_str());
        }
        std::filesystem::remove_all(m_home);
    }

    void writeUserDirs(const std::string& contents)
    {
        std::ofstream(m_home / "config" / "user-dirs.dirs") << contents;
    }

    std::filesystem::path m_home;
    std::vector<std::pair<std::string, std::optional<std::string>>> m_saved;
};

TEST_F(QuickMemoFileURL, fallsBackToDocumentsInTheHomeFolder)
{
    EXPECT_EQ(QuickMemoFile::url(u"빠른 메모.txt"), m_home / "Documents" / "빠른 메모.txt");
}

TEST_F(QuickMemoFileURL, readsTheDocumentsFolderOfUserDirs)
{
    writeUserDirs("# comment\nXDG_DESKTOP_DIR=\"$HOME/Desk\"\nXDG_DOCUMENTS_DIR=\"$HOME/문서\"\n");
    EXPECT_EQ(QuickMemoFile::url(u"memo.txt"), m_home / "문서" / "memo.txt");
    writeUserDirs("XDG_DOCUMENTS_DIR=\"/srv/docs\"\n");
    EXPECT_EQ(QuickMemoFile::url(u"memo.txt"), std::filesystem::path("/srv/docs/memo.txt"));
    writeUserDirs("XDG_DOCUMENTS_DIR=\"relative\"\n");
    EXPECT_EQ(QuickMemoFile::url(u"memo.txt"), m_home / "Documents" / "memo.txt");
}

TEST_F(QuickMemoFileURL, noHomeFolderGivesNothing)
{
    unsetenv("HOME");
    EXPECT_EQ(QuickMemoFile::url(u"memo.txt"), std::nullopt);
}
