#include "platform/NoReplaceRename.h"
#include "tests/platform/FileText.h"
#include "tests/platform/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

using namespace Platform;
namespace fs = std::filesystem;

namespace {

int refusedCalls = 0;

// A file system that does not know RENAME_NOREPLACE.
int refuseFlag(int, const char*, int, const char*, unsigned int)
{
    ++refusedCalls;
    errno = EINVAL;
    return -1;
}

class NoReplaceRenameTest : public testing::TestWithParam<bool>
{
protected:
    Renameat2Function call() const { return GetParam() ? refuseFlag : nullptr; }

    TemporaryFolder folder;
};

} // namespace

TEST_P(NoReplaceRenameTest, movesAFileAndKeepsItsContent)
{
    refusedCalls = 0;
    writeText(folder / "a.txt", "alpha");
    ASSERT_TRUE(renameWithoutReplacing(folder / "a.txt", folder / "b.txt", call()).has_value());
    EXPECT_FALSE(fs::exists(folder / "a.txt"));
    EXPECT_EQ(fileText(folder / "b.txt"), "alpha");
    EXPECT_EQ(refusedCalls, GetParam() ? 1 : 0);
}

TEST_P(NoReplaceRenameTest, neverReplacesAFileAFolderOrADanglingLink)
{
    writeText(folder / "a.txt", "alpha");
    writeText(folder / "taken.txt", "kept");
    fs::create_directory(folder / "empty");
    fs::create_symlink(folder / "nowhere", folder / "dangling");
    for (const char* name : {"taken.txt", "empty", "dangling"}) {
        SCOPED_TRACE(name);
        auto moved = renameWithoutReplacing(folder / "a.txt", folder / name, call());
        ASSERT_FALSE(moved.has_value());
        EXPECT_EQ(moved.error(), std::errc::file_exists);
        EXPECT_EQ(fileText(folder / "a.txt"), "alpha");
    }
    EXPECT_EQ(fileText(folder / "taken.txt"), "kept");
    EXPECT_TRUE(fs::is_directory(folder / "empty"));
    EXPECT_TRUE(fs::is_symlink(folder / "dangling"));
}

TEST_P(NoReplaceRenameTest, movesFoldersAndLinksThemselves)
{
    fs::create_directory(folder / "docs");
    writeText(folder / "docs" / "inner.txt", "x");
    fs::create_directory(folder / "empty");
    ASSERT_TRUE(renameWithoutReplacing(folder / "docs", folder / "papers", call()).has_value());
    EXPECT_EQ(fileText(folder / "papers" / "inner.txt"), "x");
    // An empty folder is what a plain rename would silently replace.
    auto onto = renameWithoutReplacing(folder / "papers", folder / "empty", call());
    ASSERT_FALSE(onto.has_value());
    EXPECT_EQ(onto.error(), std::errc::file_exists);
    EXPECT_TRUE(fs::exists(folder / "papers" / "inner.txt"));

    fs::create_symlink("papers", folder / "link");
    ASSERT_TRUE(renameWithoutReplacing(folder / "link", folder / "moved", call()).has_value());
    EXPECT_TRUE(fs::is_symlink(folder / "moved"));
    EXPECT_EQ(fs::read_symlink(folder / "moved"), "papers");
}

TEST_P(NoReplaceRenameTest, missingSourceFails)
{
    auto moved = renameWithoutReplacing(folder / "none", folder / "other", call());
    ASSERT_FALSE(moved.has_value());
    EXPECT_EQ(moved.error(), std::errc::no_such_file_or_directory);
}

INSTANTIATE_TEST_SUITE_P(NoReplaceRename,
                         NoReplaceRenameTest,
                         testing::Bool(),
                         [](const testing::TestParamInfo<bool>& param) {
                             return param.param ? "flagRefused" : "flagKnown";
                         });
