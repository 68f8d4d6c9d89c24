#include "platform/Trash.h"
#include "tests/platform/FileText.h"
#include "tests/platform/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <regex>
#include <sys/stat.h>
#include <unistd.h>

using namespace Platform;
namespace fs = std::filesystem;

namespace {

// Points $XDG_DATA_HOME, and so the home trash, into the test's own folder.
class TrashTest : public testing::Test
{
protected:
    void SetUp() override
    {
        if (const char* old = std::getenv("XDG_DATA_HOME"))
            m_oldDataHome = old;
        ::setenv("XDG_DATA_HOME", (folder / "data").c_str(), 1);
        fs::create_directory(folder / "work");
    }
    void TearDown() override
    {
        if (m_oldDataHome)
            ::setenv("XDG_DATA_HOME", m_oldDataHome->c_str(), 1);
        else
            ::unsetenv("XDG_DATA_HOME");
    }

    std::string infoOf(const fs::path& trash, const std::string& name)
    {
        return fileText(trash / "info" / (name + ".trashinfo"));
    }

    TemporaryFolder folder;

private:
    std::optional<std::string> m_oldDataHome;
};

const std::regex deletionDate(R"(DeletionDate=\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\n$)");

} // namespace

TEST_F(TrashTest, fileGoesToTheHomeTrashWithItsRecord)
{
    writeText(folder / "work" / "notes.txt", "keep me");
    EXPECT_EQ(Trash::locationFor(folder / "work" / "notes.txt"),
              (Trash::Location{folder / "data" / "Trash", {}}));

    auto moved = Trash::moveToTrash(folder / "work" / "notes.txt");
    ASSERT_TRUE(moved.has_value()) << moved.error().message();
    auto trash = folder / "data" / "Trash";
    EXPECT_EQ(*moved, trash / "files" / "notes.txt");
    EXPECT_FALSE(fs::exists(folder / "work" / "notes.txt"));
    EXPECT_EQ(fileText(*moved), "keep me");

    auto info = infoOf(trash, "notes.txt");
    EXPECT_TRUE(info.starts_with("[Trash Info]\nPath=" + (folder / "work" / "notes.txt").string()
                                 + "\nDeletionDate="))
        << info;
    EXPECT_TRUE(std::regex_search(info, deletionDate)) << info;
    struct stat status = {};
    ASSERT_EQ(::stat((trash / "files").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0700u);
}

TEST_F(TrashTest, aTakenNameGetsANumberAndThePathIsEscaped)
{
    fs::create_directory(folder / "work" / "one");
    writeText(folder / "work" / "one" / "새 파일.txt", "first");
    writeText(folder / "work" / "새 파일.txt", "second");
    auto first = Trash::moveToTrash(folder / "work" / "one" / "새 파일.txt");
    auto second = Trash::moveToTrash(folder / "work" / "새 파일.txt");
    ASSERT_TRUE(first && second);
    auto trash = folder / "data" / "Trash";
    EXPECT_EQ(*first, trash / "files" / "새 파일.txt");
    EXPECT_EQ(*second, trash / "files" / "새 파일 2.txt");
    EXPECT_EQ(fileText(*second), "second");
    auto info = infoOf(trash, "새 파일 2.txt");
    EXPECT_NE(info.find("/work/%EC%83%88%20%ED%8C%8C%EC%9D%BC.txt\n"), std::string::npos) << info;
}

TEST_F(TrashTest, foldersAndDanglingLinksAreTrashedThemselves)
{
    fs::create_directory(folder / "work" / "docs");
    writeText(folder / "work" / "docs" / "inner.txt", "x");
    fs::create_symlink(folder / "nowhere", folder / "work" / "dangling");
    auto docs = Trash::moveToTrash(folder / "work" / "docs/");
    auto link = Trash::moveToTrash(folder / "work" / "dangling");
    ASSERT_TRUE(docs && link);
    EXPECT_EQ(fileText(*docs / "inner.txt"), "x");
    EXPECT_TRUE(fs::is_symlink(*link));
    EXPECT_TRUE(fs::is_empty(folder / "work"));
}

TEST_F(TrashTest, aMissingItemFailsAndLeavesNoRecord)
{
    auto moved = Trash::moveToTrash(folder / "work" / "none.txt");
    ASSERT_FALSE(moved.has_value());
    EXPECT_EQ(moved.error(), std::errc::no_such_file_or_directory);
    EXPECT_FALSE(fs::exists(folder / "data" / "Trash" / "info" / "none.txt.trashinfo"));
}

TEST_F(TrashTest, topDirectoryTrashNeedsAStickyRealFolder)
{
    auto uid = ::getuid();
    auto own = ".Trash-" + std::to_string(uid);
    struct Case
    {
        const char* name;
        std::function<void(const fs::path&)> prepare;
        fs::path expected; // below the top folder
    };
    const Case cases[] = {
        {"no .Trash", [](const fs::path&) {}, own},
        {"sticky .Trash",
         [](const fs::path& top) {
             fs::create_directory(top / ".Trash");
             ::chmod((top / ".Trash").c_str(), 01777);
         },
         fs::path(".Trash") / std::to_string(uid)},
        {".Trash without the sticky bit",
         [](const fs::path& top) {
             fs::create_directory(top / ".Trash");
             ::chmod((top / ".Trash").c_str(), 0777);
         },
         own},
        {".Trash a link to a sticky folder",
         [](const fs::path& top) {
             fs::create_directory(top / "shared");
             ::chmod((top / "shared").c_str(), 01777);
             fs::create_directory_symlink("shared", top / ".Trash");
         },
         own},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TemporaryFolder top;
        c.prepare(top.path());
        auto location = Trash::topDirectoryTrash(top.path(), uid);
        ASSERT_TRUE(location.has_value());
        EXPECT_EQ(location->folder, top / c.expected);
        EXPECT_EQ(location->topDirectory, top.path());
        EXPECT_TRUE(fs::is_directory(location->folder));
    }
}

TEST_F(TrashTest, aTopDirectoryTrashRecordsThePathRelativeToItsTop)
{
    TemporaryFolder top;
    fs::create_directory(top / "sub");
    writeText(top / "sub" / "a b.txt", "a");
    auto location = Trash::topDirectoryTrash(top.path(), ::getuid());
    ASSERT_TRUE(location.has_value());
    auto moved = Trash::moveToTrash(top / "sub" / "a b.txt", *location);
    ASSERT_TRUE(moved.has_value());
    EXPECT_EQ(*moved, location->folder / "files" / "a b.txt");
    auto info = infoOf(location->folder, "a b.txt");
    EXPECT_TRUE(info.starts_with("[Trash Info]\nPath=sub/a%20b.txt\nDeletionDate=")) << info;
}
