#include "store/FolderOperations.h"
#include "tests/platform/FileText.h"
#include "tests/platform/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>

using namespace EditorStore;
namespace fs = std::filesystem;

namespace {

class FolderOperationsTest : public testing::Test
{
protected:
    TemporaryFolder folder;
};

int renameat2Refusals = 0;

int refuseNoReplace(int, const char*, int, const char*, unsigned int)
{
    ++renameat2Refusals;
    errno = EINVAL;
    return -1;
}

FolderOperationError errorOf(const EditorCore::Result<fs::path, FolderOperationFailure>& result)
{
    if (result.has_value())
        return {};
    return std::get<FolderOperationError>(result.error());
}

} // namespace

TEST_F(FolderOperationsTest, newFilesAndFoldersTakeTheNextFreeName)
{
    writeText(folder / "새 파일.txt", "");
    writeText(folder / "새 파일 2.txt", "");
    auto created = FolderOperations::createFile(folder.path(), "새 파일", "txt");
    ASSERT_TRUE(created.has_value());
    EXPECT_EQ(*created, folder / "새 파일 3.txt");
    EXPECT_TRUE(fs::is_regular_file(*created));
    EXPECT_EQ(fs::file_size(*created), 0u);

    writeText(folder / "새 폴더", "a file of that name");
    auto made = FolderOperations::createFolder(folder.path(), "새 폴더");
    ASSERT_TRUE(made.has_value());
    EXPECT_EQ(*made, folder / "새 폴더 2");
    EXPECT_TRUE(fs::is_directory(*made));

    EXPECT_EQ(FolderOperations::uniqueName(folder.path(), "README", ""), folder / "README");
}

TEST_F(FolderOperationsTest, aNameHeldByABrokenLinkIsFreeButNeverReplaced)
{
    fs::create_symlink("nowhere", folder / "새 파일.txt");
    EXPECT_EQ(FolderOperations::uniqueName(folder.path(), "새 파일", "txt"),
              folder / "새 파일.txt");
    auto created = FolderOperations::createFile(folder.path(), "새 파일", "txt");
    ASSERT_FALSE(created.has_value());
    EXPECT_EQ(created.error(), std::errc::file_exists);
    EXPECT_TRUE(fs::is_symlink(folder / "새 파일.txt"));
    EXPECT_FALSE(fs::exists(folder / "nowhere"));
}

TEST_F(FolderOperationsTest, validateNameTrimsAndRefuses)
{
    struct Case
    {
        const char* typed;
        std::optional<std::string> accepted;
        FolderOperationError::Kind refusal = FolderOperationError::Kind::emptyName;
    };
    using Kind = FolderOperationError::Kind;
    const Case cases[] = {
        {"  notes.txt \n", "notes.txt"},
        {"\u3000이름\u00A0", "이름"},
        {"a b", "a b"},
        {" \t\n\r ", std::nullopt, Kind::emptyName},
        {"", std::nullopt, Kind::emptyName},
        {"a/b", std::nullopt, Kind::invalidName},
        {"time 12:00", std::nullopt, Kind::invalidName},
        {".", std::nullopt, Kind::invalidName},
        {" .. ", std::nullopt, Kind::invalidName},
        {"...", "..."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        auto checked = FolderOperations::validateName(c.typed);
        if (c.accepted) {
            EXPECT_EQ(checked, *c.accepted);
        } else {
            ASSERT_FALSE(checked.has_value());
            EXPECT_EQ(checked.error().kind, c.refusal);
        }
    }
}

TEST(FolderOperationError, messagesAreTheSidebarTexts)
{
    EXPECT_EQ(FolderOperationError::alreadyExists("plan.txt").message(),
              "「plan.txt」 이(가) 이미 있어요.");
    EXPECT_EQ(FolderOperationError::emptyName().message(), "이름이 비어 있어요.");
    EXPECT_EQ(FolderOperationError::invalidName().message(), "이름에 / 나 : 는 쓸 수 없어요.");
    EXPECT_NE(FolderOperationError::alreadyExists("a"), FolderOperationError::alreadyExists("b"));
}

TEST_F(FolderOperationsTest, renameMovesWithinTheFolder)
{
    writeText(folder / "readme.txt", "r");
    auto renamed = FolderOperations::rename(folder / "readme.txt", "  notes.txt ");
    ASSERT_TRUE(renamed.has_value());
    EXPECT_EQ(*renamed, folder / "notes.txt");
    EXPECT_EQ(fileText(folder / "notes.txt"), "r");
    EXPECT_FALSE(fs::exists(folder / "readme.txt"));

    // Its own name, also canonically equivalent, does nothing.
    auto same = FolderOperations::rename(folder / "notes.txt", "notes.txt");
    ASSERT_TRUE(same.has_value());
    EXPECT_EQ(*same, folder / "notes.txt");
    writeText(folder / "\xED\x95\x9C", "syllable");
    auto equivalent =
        FolderOperations::rename(folder / "\xED\x95\x9C", "\xE1\x84\x92\xE1\x85\xA1\xE1\x86\xAB");
    ASSERT_TRUE(equivalent.has_value());
    EXPECT_TRUE(fs::exists(folder / "\xED\x95\x9C"));

    // A change of letter case alone is a rename.
    auto cased = FolderOperations::rename(folder / "notes.txt", "NOTES.txt");
    ASSERT_TRUE(cased.has_value());
    EXPECT_TRUE(fs::exists(folder / "NOTES.txt"));
}

TEST_F(FolderOperationsTest, renameRefusesBadAndTakenNames)
{
    writeText(folder / "readme.txt", "r");
    writeText(folder / "plan.txt", "p");
    EXPECT_EQ(errorOf(FolderOperations::rename(folder / "readme.txt", "plan.txt")),
              FolderOperationError::alreadyExists("plan.txt"));
    EXPECT_EQ(errorOf(FolderOperations::rename(folder / "readme.txt", " \n")),
              FolderOperationError::emptyName());
    EXPECT_EQ(errorOf(FolderOperations::rename(folder / "readme.txt", "a:b")),
              FolderOperationError::invalidName());
    EXPECT_EQ(fileText(folder / "plan.txt"), "p");
    EXPECT_EQ(fileText(folder / "readme.txt"), "r");

    auto missing = FolderOperations::rename(folder / "none.txt", "other.txt");
    ASSERT_FALSE(missing.has_value());
    EXPECT_EQ(std::get<std::error_code>(missing.error()), std::errc::no_such_file_or_directory);
}

// rename(2) replaces what stands under the new name; a rename here never may, whether the
// item there appeared after the check or differs only in letter case on a case-sensitive
// file system, and also where the file system refuses RENAME_NOREPLACE.
TEST_F(FolderOperationsTest, renameNeverReplacesEvenWithoutKernelSupport)
{
    for (Platform::Renameat2Function call :
         {Platform::Renameat2Function(nullptr), refuseNoReplace}) {
        SCOPED_TRACE(call ? "flag refused" : "flag known");
        TemporaryFolder inner;
        writeText(inner / "Notes.txt", "upper");
        writeText(inner / "notes.txt", "lower");
        renameat2Refusals = 0;
        auto renamed = FolderOperations::rename(inner / "Notes.txt", "notes.txt", call);
        ASSERT_FALSE(renamed.has_value());
        EXPECT_EQ(std::get<std::error_code>(renamed.error()), std::errc::file_exists);
        EXPECT_EQ(fileText(inner / "notes.txt"), "lower");
        EXPECT_EQ(fileText(inner / "Notes.txt"), "upper");

        auto moved = FolderOperations::rename(inner / "Notes.txt", "other.txt", call);
        ASSERT_TRUE(moved.has_value());
        EXPECT_EQ(fileText(inner / "other.txt"), "upper");
        EXPECT_FALSE(fs::exists(inner / "Notes.txt"));
        EXPECT_EQ(renameat2Refusals, call ? 2 : 0);
    }
}

TEST_F(FolderOperationsTest, aCaseChangeBetweenTwoLinksOfOneFileIsRefused)
{
    writeText(folder / "Notes.txt", "one file");
    fs::create_hard_link(folder / "Notes.txt", folder / "notes.txt");
    auto renamed = FolderOperations::rename(folder / "Notes.txt", "notes.txt");
    ASSERT_FALSE(renamed.has_value());
    EXPECT_TRUE(fs::exists(folder / "Notes.txt"));
    EXPECT_TRUE(fs::exists(folder / "notes.txt"));
}

TEST_F(FolderOperationsTest, trashMovesTheItemIntoTheHomeTrash)
{
    const char* oldDataHome = std::getenv("XDG_DATA_HOME");
    std::string saved = oldDataHome ? oldDataHome : "";
    ::setenv("XDG_DATA_HOME", (folder / "data").c_str(), 1);
    fs::create_directory(folder / "work");
    writeText(folder / "work" / "old.txt", "o");
    auto trashed = FolderOperations::trash(folder / "work" / "old.txt");
    if (oldDataHome)
        ::setenv("XDG_DATA_HOME", saved.c_str(), 1);
    else
        ::unsetenv("XDG_DATA_HOME");
    ASSERT_TRUE(trashed.has_value());
    EXPECT_EQ(*trashed, folder / "data" / "Trash" / "files" / "old.txt");
    EXPECT_FALSE(fs::exists(folder / "work" / "old.txt"));
    EXPECT_TRUE(fs::exists(folder / "data" / "Trash" / "info" / "old.txt.trashinfo"));

    auto missing = FolderOperations::trash(folder / "work" / "old.txt");
    ASSERT_FALSE(missing.has_value());
}
