#include "platform/FolderWatcher.h"
#include "tests/platform/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <fstream>
#include <mutex>
#include <set>
#include <string>
#include <vector>

using Platform::FolderWatcher;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

using Clock = std::chrono::steady_clock;

void touch(const fs::path& path)
{
    std::ofstream out(path, std::ios::binary | std::ios::app);
    out << "x";
}

std::string folderPath(const fs::path& path)
{
    return path.native() + "/";
}

// The test thread stands in for the main loop: posted deliveries wait in a queue until the
// test runs them.
struct WatcherFixture
{
    struct Delivery
    {
        Clock::time_point at;
        std::vector<std::string> paths;
    };

    std::mutex mutex;
    std::condition_variable posted;
    std::deque<std::function<void()>> tasks;
    std::vector<Delivery> deliveries;
    std::unique_ptr<FolderWatcher> watcher;

    explicit WatcherFixture(const fs::path& root)
    {
        watcher = FolderWatcher::create(
            root,
            [this](const std::vector<std::string>& paths) {
                deliveries.push_back({Clock::now(), paths});
            },
            [this](std::function<void()> task) {
                std::lock_guard lock(mutex);
                tasks.push_back(std::move(task));
                posted.notify_all();
            });
    }

    bool waitUntilTreeWatched()
    {
        auto end = Clock::now() + 5s;
        while (Clock::now() < end) {
            if (watcher->isTreeWatched())
                return true;
            std::this_thread::sleep_for(1ms);
        }
        return false;
    }

    // Runs posted tasks for `duration`, or until `done` holds.
    void pump(std::chrono::milliseconds duration, const std::function<bool()>& done = {})
    {
        auto end = Clock::now() + duration;
        while (!(done && done())) {
            std::function<void()> task;
            {
                std::unique_lock lock(mutex);
                if (!posted.wait_until(lock, end, [this] { return !tasks.empty(); }))
                    return;
                task = std::move(tasks.front());
                tasks.pop_front();
            }
            task();
        }
    }

    // Runs deliveries until one names `path`; false after two seconds without.
    bool pumpUntilReported(const std::string& path)
    {
        pump(2000ms, [&] { return reported(path); });
        return reported(path);
    }

    bool reported(const std::string& path) const
    {
        return std::any_of(deliveries.begin(), deliveries.end(), [&](const Delivery& delivery) {
            return std::find(delivery.paths.begin(), delivery.paths.end(), path)
                   != delivery.paths.end();
        });
    }

    // Lets what is under way arrive, then forgets it.
    void settle()
    {
        pump(600ms);
        deliveries.clear();
    }
};

TEST(FolderWatcher, burstOfChangesIsOneDeliveryNamingTheFolders)
{
    TemporaryFolder root;
    fs::create_directories(root / "a");
    fs::create_directories(root / "b" / "c");
    WatcherFixture fixture(root.path());
    ASSERT_TRUE(fixture.watcher);
    ASSERT_TRUE(fixture.waitUntilTreeWatched());
    EXPECT_EQ(fixture.watcher->watchedFolderCount(), 4u);

    auto start = Clock::now();
    for (int i = 0; i < 10; ++i) {
        touch(root / "a" / ("f" + std::to_string(i)));
        touch(root / "b" / "c" / ("g" + std::to_string(i)));
    }
    fixture.pump(1500ms, [&] { return !fixture.deliveries.empty(); });
    ASSERT_EQ(fixture.deliveries.size(), 1u);
    auto delay = fixture.deliveries[0].at - start;
    EXPECT_GE(delay, 250ms);
    EXPECT_LE(delay, 700ms);
    std::set<std::string> paths(fixture.deliveries[0].paths.begin(),
                                fixture.deliveries[0].paths.end());
    EXPECT_EQ(paths, (std::set<std::string>{folderPath(root / "a"), folderPath(root / "b" / "c")}));

    // Nothing more comes of the same burst.
    fixture.pump(600ms);
    EXPECT_EQ(fixture.deliveries.size(), 1u);
}

TEST(FolderWatcher, foldersMadeLaterAreWatched)
{
    TemporaryFolder root;
    WatcherFixture fixture(root.path());
    ASSERT_TRUE(fixture.watcher);
    ASSERT_TRUE(fixture.waitUntilTreeWatched());

    fs::create_directory(root / "new");
    ASSERT_TRUE(fixture.pumpUntilReported(folderPath(root.path())));
    fixture.settle();
    touch(root / "new" / "file.txt");
    EXPECT_TRUE(fixture.pumpUntilReported(folderPath(root / "new")));

    // A file made right after its folders, before the watcher could watch them, is not
    // missed either.
    fixture.settle();
    fs::create_directories(root / "x" / "y" / "z");
    touch(root / "x" / "y" / "z" / "early.txt");
    EXPECT_TRUE(fixture.pumpUntilReported(folderPath(root / "x" / "y" / "z")));
    fixture.settle();
    touch(root / "x" / "y" / "z" / "late.txt");
    EXPECT_TRUE(fixture.pumpUntilReported(folderPath(root / "x" / "y" / "z")));
}

TEST(FolderWatcher, movedFoldersKeepTheirWatchesUnderTheNewPath)
{
    TemporaryFolder root;
    TemporaryFolder outside;
    fs::create_directories(root / "old" / "inner");
    fs::create_directories(root / "leaving" / "below");
    WatcherFixture fixture(root.path());
    ASSERT_TRUE(fixture.watcher);
    ASSERT_TRUE(fixture.waitUntilTreeWatched());

    fs::rename(root / "old", root / "new");
    fs::rename(root / "leaving", outside / "left");
    fixture.settle();
    EXPECT_EQ(fixture.watcher->watchedFolderCount(), 3u); // the root, new, new/inner

    touch(root / "new" / "inner" / "file.txt");
    ASSERT_TRUE(fixture.pumpUntilReported(folderPath(root / "new" / "inner")));
    EXPECT_FALSE(fixture.reported(folderPath(root / "old" / "inner")));

    // What left the tree is no longer reported, under either path.
    fixture.settle();
    touch(outside / "left" / "below" / "file.txt");
    fixture.pump(700ms);
    EXPECT_TRUE(fixture.deliveries.empty());

    // A folder moved in from outside is watched with everything below it.
    fs::rename(outside / "left", root / "back");
    fixture.settle();
    touch(root / "back" / "below" / "again.txt");
    EXPECT_TRUE(fixture.pumpUntilReported(folderPath(root / "back" / "below")));
}

TEST(FolderWatcher, theRootItselfIsReportedWhenItGoes)
{
    struct Case
    {
        const char* name;
        std::function<void(const fs::path& root, const fs::path& elsewhere)> change;
    };
    const Case cases[] = {
        {"deleted", [](const fs::path& root, const fs::path&) { fs::remove_all(root); }},
        {"moved",
         [](const fs::path& root, const fs::path& elsewhere) {
             fs::rename(root, elsewhere / "moved");
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TemporaryFolder parent;
        TemporaryFolder elsewhere;
        fs::path root = parent / "root";
        fs::create_directories(root / "sub");
        WatcherFixture fixture(root.native() + "/");
        ASSERT_TRUE(fixture.watcher);
        EXPECT_EQ(fixture.watcher->root(), root.native());
        ASSERT_TRUE(fixture.waitUntilTreeWatched());

        c.change(root, elsewhere.path());
        EXPECT_TRUE(fixture.pumpUntilReported(folderPath(root)));
    }
}

TEST(FolderWatcher, linksAreNotFollowed)
{
    TemporaryFolder root;
    TemporaryFolder outside;
    fs::create_directories(root / "a");
    fs::create_directory_symlink(root.path(), root / "a" / "loop");
    fs::create_directory_symlink(outside.path(), root / "away");
    WatcherFixture fixture(root.path());
    ASSERT_TRUE(fixture.watcher);
    ASSERT_TRUE(fixture.waitUntilTreeWatched());
    EXPECT_EQ(fixture.watcher->watchedFolderCount(), 2u);

    touch(outside / "file.txt");
    fixture.pump(700ms);
    EXPECT_TRUE(fixture.deliveries.empty());
}

TEST(FolderWatcher, aRootReachedThroughALinkIsWatchedUnderTheLink)
{
    TemporaryFolder parent;
    fs::create_directories(parent / "real" / "sub");
    fs::create_directory_symlink(parent / "real", parent / "link");
    WatcherFixture fixture(parent / "link");
    ASSERT_TRUE(fixture.watcher);
    ASSERT_TRUE(fixture.waitUntilTreeWatched());
    EXPECT_EQ(fixture.watcher->watchedFolderCount(), 2u);

    touch(parent / "real" / "sub" / "file.txt");
    EXPECT_TRUE(fixture.pumpUntilReported(folderPath(parent / "link" / "sub")));
}

TEST(FolderWatcher, noDeliveryAfterTeardown)
{
    TemporaryFolder root;
    WatcherFixture fixture(root.path());
    ASSERT_TRUE(fixture.watcher);
    ASSERT_TRUE(fixture.waitUntilTreeWatched());

    touch(root / "file.txt");
    {
        // The delivery is posted but has not run yet.
        std::unique_lock lock(fixture.mutex);
        ASSERT_TRUE(fixture.posted.wait_for(lock, 2s, [&] { return !fixture.tasks.empty(); }));
    }
    touch(root / "second.txt");
    fixture.watcher.reset();
    fixture.pump(700ms);
    EXPECT_TRUE(fixture.deliveries.empty());
}

TEST(FolderWatcher, whatCannotBeWatchedGivesNoWatcher)
{
    TemporaryFolder root;
    touch(root / "file.txt");
    for (const fs::path& path : {root / "missing", root / "file.txt", fs::path()}) {
        SCOPED_TRACE(path);
        WatcherFixture fixture(path);
        EXPECT_FALSE(fixture.watcher);
    }
}

} // namespace
