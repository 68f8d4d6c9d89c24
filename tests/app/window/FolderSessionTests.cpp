#include "app/window/sidebar/FolderSession.h"
#include "platform/FileBookmark.h"
#include "platform/FolderWatcher.h"
#include "tests/platform/TemporaryFolder.h"

#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

#include <fstream>

using EditorStore::FolderRestoreState;
using EditorWindow::FolderSession;
namespace fs = std::filesystem;

namespace {

// Counts the window-state save requests while it lives.
struct SaveRequests
{
    int count = 0;
    SaveRequests()
    {
        FolderSession::windowStateSaveRequest() = [this] { ++count; };
    }
    ~SaveRequests() { FolderSession::windowStateSaveRequest() = nullptr; }
};

TEST(FolderSession, relativePaths)
{
    TemporaryFolder parent;
    fs::create_directories(parent / "root" / "a" / "b");
    const std::string root = (parent / "root").native();
    struct Case
    {
        const char* name;
        std::string path;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {"the root", root, ""},
        {"the root with a slash", root + "/", ""},
        {"one level down", root + "/a", "a"},
        {"two levels down", root + "/a/b", "a/b"},
        {"a folder with a slash", root + "/a/b/", "a/b"},
        {"dot segments", root + "/a/../a/./b", "a/b"},
        {"a sibling that starts with the root's name", root + "x/a", std::nullopt},
        {"the parent", parent.path().native(), std::nullopt},
        {"out through dot-dot", root + "/../other", std::nullopt},
    };
    for (const std::string& given : {root, root + "/", root + "/a/.."}) {
        FolderSession session(given);
        EXPECT_EQ(session.root().native(), root);
        for (const auto& c : cases) {
            SCOPED_TRACE(given + ": " + c.name);
            EXPECT_EQ(session.relativePath(c.path), c.expected);
        }
    }
}

TEST(FolderSession, newAndRestoredState)
{
    TemporaryFolder parent;
    fs::create_directories(parent / "root");
    FolderSession fresh(parent / "root");
    EXPECT_FALSE(fresh.showsHidden());
    EXPECT_TRUE(fresh.expanded().empty());
    EXPECT_EQ(fresh.width(), 240.0);
    EXPECT_TRUE(fresh.visible());
    EXPECT_NE(fresh.watcher(), nullptr);

    FolderRestoreState saved(std::nullopt, "/elsewhere", {"b", "", "a/c", "a"}, true, 310.5, false);
    FolderSession restored(parent / "root", saved);
    EXPECT_TRUE(restored.showsHidden());
    EXPECT_EQ(restored.expanded(), (std::set<std::string>{"a", "a/c", "b"}));
    EXPECT_EQ(restored.width(), 310.5);
    EXPECT_FALSE(restored.visible());
    // The state's path is not the root.
    EXPECT_EQ(restored.root(), parent / "root");

    FolderSession unwatched(parent / "missing");
    EXPECT_EQ(unwatched.watcher(), nullptr);
}

TEST(FolderSession, restoreStateIsSortedAndStable)
{
    TemporaryFolder parent;
    fs::create_directories(parent / "root");
    SaveRequests requests;
    FolderSession session(parent / "root");
    for (const char* path : {"가", "é", "a", "Z", "a/b", "Zz"})
        session.setExpanded(path, true);
    session.setExpanded("", true);
    session.setExpanded("gone", false);
    EXPECT_EQ(requests.count, 6);

    auto state = session.restoreState();
    EXPECT_EQ(state.expanded, (std::vector<std::string>{"Z", "Zz", "a", "a/b", "é", "가"}));
    EXPECT_EQ(state.path, (parent / "root").native());
    EXPECT_EQ(state.width, 240.0);
    EXPECT_TRUE(state.visible);
    EXPECT_FALSE(state.showsHidden);
    ASSERT_TRUE(state.bookmark);
    auto bookmark = Platform::FileBookmark::fromBytes(*state.bookmark);
    ASSERT_TRUE(bookmark);
    EXPECT_EQ(bookmark->resolve(), parent / "root");

    // Collapsing keeps what was open inside.
    session.setExpanded("a", false);
    EXPECT_EQ(session.expanded(), (std::set<std::string>{"Z", "Zz", "a/b", "é", "가"}));
    session.setExpanded("a", true);

    auto encode = [](const FolderRestoreState& folder) {
        EditorStore::WindowRestoreState window;
        window.folder = folder;
        return EditorStore::WindowState({window}).encode();
    };
    auto first = encode(session.restoreState());
    auto second = encode(session.restoreState());
    ASSERT_TRUE(first);
    ASSERT_TRUE(second);
    EXPECT_EQ(*first, *second);
}

TEST(FolderSession, restoreFindsTheFolderWithoutAsking)
{
    struct Case
    {
        const char* name;
        // Changes the disk after the state was saved; the folder expected, relative to the
        // parent, or empty for no session.
        std::function<void(const fs::path& parent)> change;
        bool keepBookmark;
        fs::path expected;
    };
    const Case cases[] = {
        {"unchanged", [](const fs::path&) {}, true, "project"},
        {"renamed in its parent",
         [](const fs::path& parent) { fs::rename(parent / "project", parent / "renamed"); },
         true,
         "renamed"},
        {"renamed, another folder at the old path",
         [](const fs::path& parent) {
             fs::rename(parent / "project", parent / "renamed");
             fs::create_directory(parent / "project");
         },
         true,
         "renamed"},
        {"from the path alone", [](const fs::path&) {}, false, "project"},
        {"deleted", [](const fs::path& parent) { fs::remove_all(parent / "project"); }, true, ""},
        {"renamed, without a bookmark",
         [](const fs::path& parent) { fs::rename(parent / "project", parent / "renamed"); },
         false,
         ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TemporaryFolder parent;
        fs::create_directories(parent / "project" / "src");
        FolderRestoreState state;
        {
            FolderSession session(parent / "project");
            session.setExpanded("src", true);
            session.setWidth(300);
            state = session.restoreState();
        }
        if (!c.keepBookmark)
            state.bookmark.reset();
        c.change(parent.path());

        auto restored = FolderSession::restore(state);
        if (c.expected.empty()) {
            EXPECT_EQ(restored, nullptr);
            continue;
        }
        ASSERT_NE(restored, nullptr);
        EXPECT_EQ(restored->root(), parent / c.expected);
        EXPECT_EQ(restored->expanded(), std::set<std::string>{"src"});
        EXPECT_EQ(restored->width(), 300.0);
    }

    // Bytes that are no bookmark of ours fall back to the path.
    TemporaryFolder parent;
    FolderRestoreState state(
        std::vector<std::uint8_t>{1, 2, 3}, parent.path().native(), {}, false, 240, true);
    auto restored = FolderSession::restore(state);
    ASSERT_NE(restored, nullptr);
    EXPECT_EQ(restored->root(), parent.path());
}

TEST(FolderSession, postSendsTheNotificationAndAsksForASave)
{
    TemporaryFolder root;
    SaveRequests requests;
    FolderSession session(root.path());
    std::vector<std::optional<QStringList>> contents;
    int states = 0;
    QObject::connect(&session,
                     &FolderSession::contentsDidChange,
                     [&](const std::optional<QStringList>& paths) { contents.push_back(paths); });
    QObject::connect(&session, &FolderSession::stateDidChange, [&] { ++states; });

    session.post(FolderSession::contentsNotification,
                 std::vector<std::string>{root.path().native() + "/사진/"});
    ASSERT_EQ(contents.size(), 1u);
    ASSERT_TRUE(contents[0]);
    EXPECT_EQ(*contents[0], QStringList{QString::fromStdString(root.path().native()) + "/사진/"});
    EXPECT_EQ(requests.count, 1);

    session.setShowsHidden(true);
    ASSERT_EQ(contents.size(), 2u);
    EXPECT_FALSE(contents[1]) << "every sidebar reloads";
    session.setVisible(false);
    session.setWidth(320);
    session.setWidth(320);
    EXPECT_EQ(states, 2);
    EXPECT_EQ(requests.count, 4);

    session.post("app.orlune.viewer.something.else");
    EXPECT_EQ(requests.count, 4);
}

TEST(FolderSession, watcherChangesArriveAsContentsNotifications)
{
    TemporaryFolder root;
    fs::create_directories(root / "sub");
    SaveRequests requests;
    auto session = std::make_unique<FolderSession>(root.path());
    ASSERT_NE(session->watcher(), nullptr);
    QSignalSpy spy(session.get(), &FolderSession::contentsDidChange);
    (void)QTest::qWaitFor([&] { return session->watcher()->isTreeWatched(); }, 5000);
    ASSERT_TRUE(session->watcher()->isTreeWatched());

    std::ofstream(root / "sub" / "file.txt") << "x";
    ASSERT_TRUE(spy.wait(2000));
    auto paths = spy.at(0).at(0).value<std::optional<QStringList>>();
    ASSERT_TRUE(paths);
    EXPECT_EQ(*paths, QStringList{QString::fromStdString((root / "sub").native()) + "/"});
    EXPECT_EQ(requests.count, 1);

    // A delivery on its way when the session goes does nothing.
    std::ofstream(root / "sub" / "second.txt") << "x";
    QThread::msleep(500);
    session.reset();
    QCoreApplication::processEvents();
    EXPECT_EQ(requests.count, 1);
}

} // namespace
