#include "platform/FileWatcher.h"
#include "tests/platform/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <poll.h>
#include <string>
#include <vector>

using Platform::FileWatcher;
namespace FileEvents = Platform::FileEvents;

namespace {

void writeFile(const std::filesystem::path& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

void appendFile(const std::filesystem::path& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary | std::ios::app);
    out << text;
}

// A watcher with a scheduler that keeps its tasks, so a test runs the restart when it wants.
struct WatcherFixture
{
    struct Task
    {
        std::chrono::milliseconds delay;
        std::function<void()> run;
    };
    std::vector<Task> scheduled;
    int changes = 0;
    std::unique_ptr<FileWatcher> watcher;

    explicit WatcherFixture(const std::filesystem::path& path)
    {
        watcher = std::make_unique<FileWatcher>(
            path,
            [this] { ++changes; },
            [this](std::chrono::milliseconds delay, std::function<void()> run) {
                scheduled.push_back({delay, std::move(run)});
            });
        watcher->start();
    }

    // Waits up to a second for events and handles them; the events seen.
    unsigned waitAndHandle()
    {
        pollfd entry{watcher->descriptor(), POLLIN, 0};
        if (::poll(&entry, 1, 1000) <= 0)
            return 0;
        unsigned events = watcher->handleEvents();
        // Events of one change may come in two reads.
        while (::poll(&entry, 1, 50) > 0)
            events |= watcher->handleEvents();
        return events;
    }

    void runScheduled()
    {
        auto tasks = std::move(scheduled);
        scheduled.clear();
        for (auto& task : tasks)
            task.run();
    }
};

} // namespace

TEST(FileWatcher, appendKeepsTheWatchArmed)
{
    TemporaryFolder folder;
    auto path = folder / "log.txt";
    writeFile(path, "one\n");
    WatcherFixture fixture(path);
    ASSERT_TRUE(fixture.watcher->isArmed());

    appendFile(path, "two\n");
    EXPECT_TRUE(fixture.waitAndHandle() & FileEvents::write);
    EXPECT_EQ(fixture.changes, 1);
    EXPECT_TRUE(fixture.watcher->isArmed());
    EXPECT_TRUE(fixture.scheduled.empty());

    appendFile(path, "three\n");
    fixture.waitAndHandle();
    EXPECT_EQ(fixture.changes, 2);
}

TEST(FileWatcher, rearmsHalfASecondAfterARenameOverThePath)
{
    TemporaryFolder folder;
    auto path = folder / "notes.txt";
    auto replacement = folder / "notes.txt.tmp";
    writeFile(path, "old\n");
    WatcherFixture fixture(path);

    // How safe-saving editors write: a new file renamed over the old one.
    writeFile(replacement, "new\n");
    std::filesystem::rename(replacement, path);
    unsigned events = fixture.waitAndHandle();
    EXPECT_TRUE(events & FileEvents::gone) << events;
    EXPECT_EQ(fixture.changes, 1);
    EXPECT_FALSE(fixture.watcher->isArmed());
    ASSERT_EQ(fixture.scheduled.size(), 1u);
    EXPECT_EQ(fixture.scheduled[0].delay, std::chrono::milliseconds(500));

    // What the new file at the path went through before the re-arm raised no event; the re-arm
    // itself is the sign of it.
    appendFile(path, "unwatched\n");
    EXPECT_EQ(fixture.waitAndHandle(), 0u);
    EXPECT_EQ(fixture.changes, 1);
    fixture.runScheduled();
    EXPECT_TRUE(fixture.watcher->isArmed());
    EXPECT_EQ(fixture.changes, 2);
    // Writes to the new file at the path are seen.
    appendFile(path, "more\n");
    EXPECT_TRUE(fixture.waitAndHandle() & FileEvents::write);
    EXPECT_EQ(fixture.changes, 3);
}

TEST(FileWatcher, deletedFileStaysUnarmedAfterTheRestart)
{
    TemporaryFolder folder;
    auto path = folder / "gone.txt";
    writeFile(path, "x");
    WatcherFixture fixture(path);

    std::filesystem::remove(path);
    EXPECT_TRUE(fixture.waitAndHandle() & FileEvents::deleted);
    EXPECT_EQ(fixture.changes, 1);
    ASSERT_EQ(fixture.scheduled.size(), 1u);
    fixture.runScheduled();
    EXPECT_FALSE(fixture.watcher->isArmed());
    EXPECT_EQ(fixture.changes, 1) << "a restart that finds no file has nothing new to tell";

    // A file that appears later is only watched once the owner arms the watcher again.
    writeFile(path, "back");
    EXPECT_EQ(fixture.waitAndHandle(), 0u);
    fixture.watcher->start();
    EXPECT_TRUE(fixture.watcher->isArmed());
}

TEST(FileWatcher, renameAwayAndPermissionChangesAreReported)
{
    TemporaryFolder folder;
    auto path = folder / "a.txt";
    writeFile(path, "x");
    WatcherFixture fixture(path);

    std::filesystem::permissions(path, std::filesystem::perms::owner_read);
    EXPECT_EQ(fixture.waitAndHandle(), FileEvents::attrib);
    EXPECT_TRUE(fixture.watcher->isArmed());

    std::filesystem::rename(path, folder / "b.txt");
    EXPECT_TRUE(fixture.waitAndHandle() & FileEvents::rename);
    EXPECT_EQ(fixture.changes, 2);
    EXPECT_FALSE(fixture.watcher->isArmed());
}

TEST(FileWatcher, missingPathLeavesTheWatcherUnarmed)
{
    TemporaryFolder folder;
    WatcherFixture fixture(folder / "missing.txt");
    EXPECT_FALSE(fixture.watcher->isArmed());
    EXPECT_EQ(fixture.watcher->handleEvents(), 0u);
    EXPECT_EQ(fixture.changes, 0);
}

TEST(FileWatcher, stopOrDestructionDropsAPendingRestart)
{
    TemporaryFolder folder;
    auto path = folder / "f.txt";
    writeFile(path, "x");
    {
        WatcherFixture fixture(path);
        std::filesystem::remove(path);
        fixture.waitAndHandle();
        writeFile(path, "again");
        fixture.watcher->stop();
        fixture.runScheduled();
        EXPECT_FALSE(fixture.watcher->isArmed());
    }
    {
        WatcherFixture fixture(path);
        std::filesystem::remove(path);
        fixture.waitAndHandle();
        auto tasks = std::move(fixture.scheduled);
        fixture.watcher.reset();
        for (auto& task : tasks)
            task.run(); // must not touch the dropped watcher
    }
}

TEST(FileWatcher, aChangeHandlerMayDropTheWatcher)
{
    TemporaryFolder folder;
    auto path = folder / "f.txt";
    writeFile(path, "x");
    std::unique_ptr<FileWatcher> watcher;
    watcher = std::make_unique<FileWatcher>(
        path, [&] { watcher.reset(); }, [](auto, auto) { FAIL() << "nothing to restart"; });
    watcher->start();
    std::filesystem::remove(path);
    pollfd entry{watcher->descriptor(), POLLIN, 0};
    ASSERT_GT(::poll(&entry, 1, 1000), 0);
    watcher->handleEvents();
    EXPECT_EQ(watcher, nullptr);
}
