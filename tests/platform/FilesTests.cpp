#include "platform/Files.h"
#include "tests/platform/FileText.h"
#include "tests/platform/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace fs = std::filesystem;

TEST(Files, atomicWriteReplacesWholeFileWithMode)
{
    TemporaryFolder folder;
    auto file = folder / "a.json";
    writeText(file, "old content that is longer");
    ASSERT_TRUE(Platform::writeAtomically(file, std::string_view("new"), 0600).has_value());
    EXPECT_EQ(fileText(file), "new");
    struct stat info = {};
    ASSERT_EQ(::stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    // No temporary file is left beside it.
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 1);
}

TEST(Files, atomicWriteIntoMissingFolderFailsCleanly)
{
    TemporaryFolder folder;
    auto result = Platform::writeAtomically(folder / "missing" / "a", std::string_view("x"), 0600);
    ASSERT_FALSE(result.has_value());
    EXPECT_EQ(result.error(), std::errc::no_such_file_or_directory);
}

TEST(Files, readWholeFile)
{
    TemporaryFolder folder;
    std::string bytes(200000, 'x');
    bytes[100] = '\0';
    writeText(folder / "f", bytes);
    auto read = Platform::readWholeFile(folder / "f");
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(std::string(read->begin(), read->end()), bytes);
    EXPECT_FALSE(Platform::readWholeFile(folder / "none").has_value());
    EXPECT_FALSE(Platform::readWholeFile(folder.path()).has_value());
}

TEST(Files, createFoldersMakesEveryMissingLevelWithMode)
{
    TemporaryFolder folder;
    auto deep = folder / "a" / "b" / "c";
    ASSERT_TRUE(Platform::createFolders(deep, 0700).has_value());
    for (auto path : {folder / "a", deep}) {
        struct stat info = {};
        ASSERT_EQ(::stat(path.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0700u) << path;
    }
    EXPECT_TRUE(Platform::createFolders(deep, 0700).has_value());
    writeText(folder / "file", "x");
    EXPECT_FALSE(Platform::createFolders(folder / "file", 0700).has_value());
    EXPECT_FALSE(Platform::createFolders(folder / "file" / "below", 0700).has_value());
}

TEST(Files, readRefusesAFifoWithoutWaitingForAWriter)
{
    TemporaryFolder folder;
    ASSERT_EQ(::mkfifo((folder / "fifo").c_str(), 0600), 0);
    EXPECT_FALSE(Platform::readWholeFile(folder / "fifo").has_value());
}
