#include "platform/FileBookmark.h"
#include "tests/platform/FileText.h"
#include "tests/platform/TemporaryFolder.h"

#include <gtest/gtest.h>

using namespace Platform;
namespace fs = std::filesystem;

TEST(FileBookmark, resolvesToThePathWhileItIsTheSameFile)
{
    TemporaryFolder folder;
    writeText(folder / "notes.txt", "n");
    auto bookmark = FileBookmark::make(folder / "sub" / ".." / "notes.txt");
    ASSERT_TRUE(bookmark.has_value());
    EXPECT_EQ(bookmark->path, folder / "notes.txt");
    EXPECT_EQ(bookmark->resolve(), folder / "notes.txt");
}

TEST(FileBookmark, findsAFileRenamedWithinItsFolder)
{
    TemporaryFolder folder;
    writeText(folder / "notes.txt", "n");
    writeText(folder / "other.txt", "o");
    auto bookmark = FileBookmark::make(folder / "notes.txt");
    ASSERT_TRUE(bookmark.has_value());
    fs::rename(folder / "notes.txt", folder / "renamed.txt");
    EXPECT_EQ(bookmark->resolve(), folder / "renamed.txt");

    // Another file now under the old name is not the bookmarked one.
    writeText(folder / "notes.txt", "new");
    EXPECT_EQ(bookmark->resolve(), folder / "renamed.txt");
}

TEST(FileBookmark, failsForAFileGoneOrMovedOutOfItsFolder)
{
    TemporaryFolder folder;
    fs::create_directory(folder / "elsewhere");
    writeText(folder / "moved.txt", "m");
    writeText(folder / "gone.txt", "g");
    auto moved = FileBookmark::make(folder / "moved.txt");
    auto gone = FileBookmark::make(folder / "gone.txt");
    ASSERT_TRUE(moved && gone);
    fs::rename(folder / "moved.txt", folder / "elsewhere" / "moved.txt");
    fs::remove(folder / "gone.txt");
    EXPECT_EQ(moved->resolve(), std::nullopt);
    EXPECT_EQ(gone->resolve(), std::nullopt);
    EXPECT_EQ(FileBookmark::make(folder / "never.txt"), std::nullopt);
}

TEST(FileBookmark, bytesRoundTripAndForeignBytesAreRefused)
{
    FileBookmark bookmark{0x0102030405060708, 0xFFFFFFFFFFFFFFFF, "/home/a/b c/파일.txt"};
    EXPECT_EQ(FileBookmark::fromBytes(bookmark.bytes()), bookmark);

    auto bytes = bookmark.bytes();
    bytes[0] = 'X';
    EXPECT_EQ(FileBookmark::fromBytes(bytes), std::nullopt);
    EXPECT_EQ(FileBookmark::fromBytes({}), std::nullopt);
    FileBookmark relative{1, 2, "relative/path"};
    EXPECT_EQ(FileBookmark::fromBytes(relative.bytes()), std::nullopt);
}
