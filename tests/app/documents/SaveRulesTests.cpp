#include "app/documents/SaveRules.h"
#include "platform/Folders.h"
#include "tests/app/documents/DocumentTestSupport.h"

#include <gtest/gtest.h>

using namespace EditorDocuments;
using EditorCore::DiskIdentity;
using EditorCore::TextEncoding;
using SaveRules::SaveBlock;
using SaveRules::SaveRefusal;

TEST(SaveRules, trashPathsOfTheUser)
{
    const std::filesystem::path data = "/home/me/.local/share";
    struct Case
    {
        const char* path;
        bool inTrash;
    };
    const Case cases[] = {
        {"/home/me/.local/share/Trash/files/a.txt", true},
        {"/home/me/.local/share/Trash/files/sub/a.txt", true},
        {"/home/me/.local/share/Trash/files/../../notes.txt", false},
        {"/home/me/.local/share/Trash/info/a.txt.trashinfo", false},
        {"/home/me/.local/share/Trash/files", false},
        {"/media/usb/.Trash/1000/files/a.txt", true},
        {"/media/usb/.Trash/1001/files/a.txt", false},
        {"/media/usb/.Trash-1000/files/a.txt", true},
        {"/media/usb/.Trash-1001/files/a.txt", false},
        {"/media/usb/.Trash-1000/info/a.txt", false},
        {"/srv/.Trash/notes.txt", false},
        {"/home/me/project/Trash/files/a.txt", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(SaveRules::isInTrash(c.path, data, 1000), c.inTrash);
    }
}

TEST(SaveRules, saveBlockFollowsTrashThenDisk)
{
    TemporaryFolder folder;
    auto file = folder / "notes.txt";
    writeBytes(file, "one\n");
    auto stored = DiskIdentity::read(file, DiskIdentity::documentHashLimit);
    ASSERT_TRUE(stored.has_value());

    EXPECT_EQ(SaveRules::saveBlock(std::nullopt, stored), SaveBlock::none);
    EXPECT_EQ(SaveRules::saveBlock(file, std::nullopt), SaveBlock::none);
    EXPECT_EQ(SaveRules::saveBlock(file, stored), SaveBlock::none);

    writeBytes(file, "two, longer\n");
    EXPECT_EQ(SaveRules::saveBlock(file, stored), SaveBlock::changed);

    std::filesystem::remove(file);
    EXPECT_EQ(SaveRules::saveBlock(file, stored), SaveBlock::missing);

    // A data folder of the test's own, so the real trash is never touched.
    const char* saved = std::getenv("XDG_DATA_HOME");
    const std::string previous = saved != nullptr ? saved : "";
    ::setenv("XDG_DATA_HOME", (folder / "data").c_str(), 1);
    auto trash = Platform::Folders::dataHome() / "Trash" / "files";
    std::filesystem::create_directories(trash);
    writeBytes(trash / "notes.txt", "one\n");
    EXPECT_EQ(SaveRules::saveBlock(trash / "notes.txt", std::nullopt), SaveBlock::inTrash);
    if (saved != nullptr)
        ::setenv("XDG_DATA_HOME", previous.c_str(), 1);
    else
        ::unsetenv("XDG_DATA_HOME");
}

TEST(SaveRules, explicitSaveIsRefusedWhileTheTextIsNotTheFile)
{
    const std::filesystem::path url = "/data/big.log";
    struct Case
    {
        const char* name;
        bool pendingHead;
        std::optional<ReadOnlyReason> reason;
        std::optional<LargeFileState> large;
        std::optional<SaveRefusal> expected;
    };
    const Case cases[] = {
        {"ordinary", false, std::nullopt, std::nullopt, std::nullopt},
        {"no permission", false, ReadOnlyReason::noPermission, std::nullopt, std::nullopt},
        {"binary head pending", true, std::nullopt, std::nullopt, SaveRefusal::pendingBinaryHead},
        {"not text", false, ReadOnlyReason::notText, std::nullopt, SaveRefusal::notText},
        {"partly loaded",
         false,
         std::nullopt,
         LargeFileState{url, 300, 100, false},
         SaveRefusal::partlyLoaded},
        {"nothing loaded yet",
         false,
         ReadOnlyReason::largeFile,
         LargeFileState{url, 300, 0, false},
         SaveRefusal::partlyLoaded},
        {"loaded with losses",
         false,
         std::nullopt,
         LargeFileState{url, 300, 300, true},
         SaveRefusal::lossy},
        {"loaded whole, lifted",
         false,
         std::nullopt,
         LargeFileState{url, 300, 300, false},
         std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(SaveRules::explicitSaveRefusal(c.pendingHead, c.reason, c.large), c.expected);
    }
}

TEST(SaveRules, encodedDataNamesTheCharactersItCannotWrite)
{
    FileFormat format{TextEncoding::shiftJIS, false, std::nullopt};
    auto refused = SaveRules::encodedData(u"かな 한글 한", format);
    ASSERT_FALSE(refused.has_value());
    const auto* error = std::get_if<EditorCore::DocumentError>(&refused.error());
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(*error,
              EditorCore::DocumentError::unencodable(TextEncoding::shiftJIS, {u"한", u"글"}));

    auto bom = SaveRules::encodedData(u"a", FileFormat{TextEncoding::utf8, true, std::nullopt});
    ASSERT_TRUE(bom.has_value());
    EXPECT_EQ(*bom,
              bytesOf("\xEF\xBB\xBF"
                      "a"));
}
