#include "store/FolderListing.h"
#include "tests/platform/FileText.h"
#include "tests/platform/TemporaryFolder.h"

#include <gtest/gtest.h>

using namespace EditorStore;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> names(const std::vector<FolderEntry>& entries)
{
    std::vector<std::string> out;
    for (const auto& entry : entries)
        out.push_back(entry.name);
    return out;
}

} // namespace

TEST(FolderListing, foldersFirstThenNamesInNumericCaseInsensitiveOrder)
{
    TemporaryFolder folder;
    for (const char* name : {"File1.txt", "file10.txt", "file9.txt"})
        writeText(folder / name, "");
    fs::create_directory(folder / "docs");
    fs::create_directory(folder / "Zeta");
    auto listed = FolderListing::list(folder.path(), HiddenItems::leftOut);
    ASSERT_TRUE(listed.has_value());
    EXPECT_EQ(names(*listed),
              (std::vector<std::string>{"docs", "Zeta", "File1.txt", "file9.txt", "file10.txt"}));
    EXPECT_EQ(listed->front(), (FolderEntry{folder / "docs", "docs", true, false}));
    EXPECT_EQ(listed->back(), (FolderEntry{folder / "file10.txt", "file10.txt", false, false}));
}

TEST(FolderListing, hiddenItemsAreLeftOutOrMarked)
{
    TemporaryFolder folder;
    fs::create_directory(folder / ".git");
    writeText(folder / ".env", "");
    writeText(folder / "visible", "");
    auto without = FolderListing::list(folder.path(), HiddenItems::leftOut);
    ASSERT_TRUE(without.has_value());
    EXPECT_EQ(names(*without), (std::vector<std::string>{"visible"}));

    auto with = FolderListing::list(folder.path(), HiddenItems::shown);
    ASSERT_TRUE(with.has_value());
    EXPECT_EQ(*with,
              (std::vector<FolderEntry>{{folder / ".git", ".git", true, true},
                                        {folder / ".env", ".env", false, true},
                                        {folder / "visible", "visible", false, false}}));
}

TEST(FolderListing, aLinkIsAFolderOnlyWhenItLeadsToOne)
{
    TemporaryFolder folder;
    fs::create_directory(folder / "real");
    writeText(folder / "file.txt", "");
    fs::create_directory_symlink("real", folder / "to folder");
    fs::create_symlink("file.txt", folder / "to file");
    fs::create_symlink("missing", folder / "broken");
    auto listed = FolderListing::list(folder.path(), HiddenItems::leftOut);
    ASSERT_TRUE(listed.has_value());
    EXPECT_EQ(names(*listed),
              (std::vector<std::string>{"real", "to folder", "broken", "file.txt", "to file"}));
}

TEST(FolderListing, emptyFolderAndFailures)
{
    TemporaryFolder folder;
    auto empty = FolderListing::list(folder.path(), HiddenItems::shown);
    ASSERT_TRUE(empty.has_value());
    EXPECT_TRUE(empty->empty());

    writeText(folder / "plain", "");
    auto ofFile = FolderListing::list(folder / "plain", HiddenItems::shown);
    ASSERT_FALSE(ofFile.has_value());
    EXPECT_EQ(ofFile.error(), std::errc::not_a_directory);
    auto ofNothing = FolderListing::list(folder / "none", HiddenItems::shown);
    ASSERT_FALSE(ofNothing.has_value());
    EXPECT_EQ(ofNothing.error(), std::errc::no_such_file_or_directory);
}

TEST(FolderListing, sortedKeepsTheOrderOfNamesThatCompareTheSame)
{
    std::vector<FolderEntry> entries = {
        {"/x/b", "b", false, false},
        {"/x/README", "README", false, false},
        {"/x/readme", "readme", false, false},
        {"/x/a", "a", true, false},
        {"/x/item 2", "item 2", false, false},
        {"/x/item 02", "item 02", false, false},
    };
    EXPECT_EQ(names(FolderListing::sorted(entries)),
              (std::vector<std::string>{"a", "b", "item 2", "item 02", "README", "readme"}));
}
