#include "finder/FinderSync.h"
#include "finder/FinderTexts.h"
#include "platform/Files.h"
#include "store/RequestBox.h"
#include "tests/platform/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace OrluneViewerFinder;
using EditorStore::CommandRequest;

namespace {

// 2026-12-09T23:10:00Z, and a little after: the fraction never reaches the file.
const auto writingTime =
    std::chrono::sys_seconds(std::chrono::seconds(1796857800)) + std::chrono::milliseconds(750);
const auto requestId = *Platform::Uuid::parse("0F0E0D0C-0B0A-4908-8706-050403020100");

std::string text(const std::vector<std::uint8_t>& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

class FinderSyncTest : public ::testing::Test
{
protected:
    FinderSync finder()
    {
        FinderSync::Hooks hooks;
        hooks.container = [this] { return container; };
        hooks.now = [] { return writingTime; };
        hooks.newIdentifier = [] { return requestId; };
        hooks.log = [this](std::string_view message) { logged.emplace_back(message); };
        hooks.openUrl = [this](const std::string& url) {
            openedUrls.push_back(url);
            requestExistedWhenOpened = std::filesystem::exists(requestFile());
        };
        return FinderSync(std::move(hooks));
    }

    std::filesystem::path requestFile() const
    {
        return folder / "container" / "Requests" / (requestId.text() + ".json");
    }

    std::optional<CommandRequest> writtenRequest() const
    {
        EditorStore::RequestBox box(folder / "container" / "Requests");
        return box.read(requestId, writingTime);
    }

    TemporaryFolder folder;
    std::optional<std::filesystem::path> container = folder / "container";
    std::vector<std::string> logged;
    std::vector<std::string> openedUrls;
    bool requestExistedWhenOpened = false;
};

} // namespace

TEST(FinderSyncMenu, itemsForSelectionsAndBackgrounds)
{
    const SelectedItem folder{"/home/me/Projects", true};
    const SelectedItem textFile{"/home/me/notes.txt", false};
    const SelectedItem makefile{"/home/me/Makefile", false};
    const SelectedItem image{"/home/me/photo.png", false};
    // A folder whose name looks like a text file is still a folder.
    const SelectedItem folderNamedTxt{"/home/me/old.txt", true};
    const auto open =
        MenuItem{FinderTexts::localized(FinderTexts::openInEditor), MenuAction::openInEditor};
    const auto create =
        MenuItem{FinderTexts::localized(FinderTexts::newTextFile), MenuAction::newTextFile};

    struct Case
    {
        const char* name;
        MenuKind kind;
        std::vector<SelectedItem> selection;
        std::optional<MenuItem> expected;
    };
    const Case cases[] = {
        {"empty selection", MenuKind::contextualMenuForItems, {}, std::nullopt},
        {"only folders", MenuKind::contextualMenuForItems, {folder, folderNamedTxt}, std::nullopt},
        {"only an image", MenuKind::contextualMenuForItems, {image}, std::nullopt},
        {"a folder and a text file", MenuKind::contextualMenuForItems, {folder, textFile}, open},
        {"no extension and an image", MenuKind::contextualMenuForItems, {image, makefile}, open},
        {"background, nothing selected", MenuKind::contextualMenuForContainer, {}, create},
        {"background, text selected", MenuKind::contextualMenuForContainer, {textFile}, create},
        {"sidebar", MenuKind::contextualMenuForSidebar, {textFile}, std::nullopt},
        {"toolbar", MenuKind::toolbarItemMenu, {textFile}, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto menu = buildMenu(c.kind, c.selection);
        EXPECT_EQ(menu.has_value(), c.expected.has_value());
        if (menu && c.expected) {
            EXPECT_EQ(*menu, *c.expected);
        }
    }
}

TEST_F(FinderSyncTest, requestHoldsExactlyTheSixKeysInSortedCompactForm)
{
    finder().openInEditor(std::vector<SelectedItem>{{"/home/me/a/notes.txt", false}});

    auto bytes = Platform::readWholeFile(requestFile());
    ASSERT_TRUE(bytes);
    EXPECT_EQ(text(*bytes),
              "{\"createdAt\":\"2026-12-09T23:10:00Z\","
              "\"id\":\"0F0E0D0C-0B0A-4908-8706-050403020100\","
              "\"kind\":\"openFiles\","
              "\"paths\":[\"\\/home\\/me\\/a\\/notes.txt\"],"
              "\"schemaVersion\":1,"
              "\"wait\":false}");
    EXPECT_EQ(openedUrls,
              std::vector<std::string>{
                  "orlune-viewer://request?id=0F0E0D0C-0B0A-4908-8706-050403020100"});
    EXPECT_TRUE(requestExistedWhenOpened);
    EXPECT_TRUE(logged.empty());
}

TEST_F(FinderSyncTest, openInEditorSendsOnlyTheTextFilesInSelectionOrder)
{
    struct Case
    {
        const char* name;
        std::vector<SelectedItem> selection;
        std::vector<std::string> paths;
    };
    const Case cases[] = {
        {"a folder and a text file", {{"/w/src", true}, {"/w/a.txt", false}}, {"/w/a.txt"}},
        {"a file without extension and an image",
         {{"/w/Makefile", false}, {"/w/logo.png", false}},
         {"/w/Makefile"}},
        {"several text files keep their order",
         {{"/w/z.swift", false},
          {"/w/Info.plist", false},
          {"/w/logo.png", false},
          {"/w/a.md", false}},
         {"/w/z.swift", "/w/Info.plist", "/w/a.md"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all(folder / "container");
        openedUrls.clear();
        finder().openInEditor(c.selection);
        auto request = writtenRequest();
        ASSERT_TRUE(request);
        EXPECT_EQ(request->kind, CommandRequest::Kind::openFiles);
        EXPECT_EQ(request->paths, c.paths);
        EXPECT_FALSE(request->wait);
        EXPECT_FALSE(request->line);
        EXPECT_FALSE(request->column);
        EXPECT_EQ(openedUrls.size(), 1u);
    }
}

TEST_F(FinderSyncTest, newTextFileAsksForTheClickedFolder)
{
    finder().newTextFile("/home/me/Projects");

    auto request = writtenRequest();
    ASSERT_TRUE(request);
    EXPECT_EQ(request->kind, CommandRequest::Kind::newFile);
    EXPECT_EQ(request->paths, std::vector<std::string>{"/home/me/Projects"});
    EXPECT_FALSE(request->wait);
    EXPECT_EQ(openedUrls.size(), 1u);
}

TEST_F(FinderSyncTest, nothingToAskLeavesNoTrace)
{
    finder().openInEditor(std::vector<SelectedItem>{});
    finder().openInEditor(std::vector<SelectedItem>{{"/w/src", true}, {"/w/logo.png", false}});
    finder().newTextFile(std::nullopt);
    container.reset(); // no app-group container: no request, no log, no URL
    finder().openInEditor(std::vector<SelectedItem>{{"/w/a.txt", false}});
    finder().newTextFile("/w");

    EXPECT_FALSE(std::filesystem::exists(folder / "container"));
    EXPECT_TRUE(openedUrls.empty());
    EXPECT_TRUE(logged.empty());
}

TEST_F(FinderSyncTest, missingFoldersAreMadePrivate)
{
    container = folder / "data" / "group";
    auto id = finder().writeRequest(CommandRequest::Kind::newFile, {"/w"});

    ASSERT_EQ(id, requestId);
    auto requests = folder / "data" / "group" / "Requests";
    struct stat info = {};
    ASSERT_EQ(::stat(requests.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    ASSERT_EQ(::stat((requests / (requestId.text() + ".json")).c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST_F(FinderSyncTest, aRequestThatCannotBeWrittenIsLoggedAndNoUrlIsOpened)
{
    // The container is a file, so its Requests folder cannot be made.
    ASSERT_TRUE(Platform::writeAtomically(folder / "container", std::string_view("x"), 0600));

    auto id = finder().writeRequest(CommandRequest::Kind::openFiles, {"/w/a.txt"});

    EXPECT_FALSE(id);
    EXPECT_TRUE(openedUrls.empty());
    ASSERT_EQ(logged.size(), 1u);
    EXPECT_EQ(logged[0],
              "Orlune Viewer Finder: 요청을 남기지 못함 "
                  + std::make_error_code(std::errc::not_a_directory).message());
}
