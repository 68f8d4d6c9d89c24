#include "tests/platform/TemporaryFolder.h"
#include "tool/OlvLaunch.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <sys/wait.h>
#include <unistd.h>

using namespace Olv;
using namespace std::chrono_literals;

namespace {

const WaitTiming quick{20ms, 300ms};

class Mailbox : public ::testing::Test
{
protected:
    void SetUp() override { std::filesystem::create_directories(m_box.directory()); }

    std::filesystem::path file(const std::string& extension) const
    {
        return m_box.directory() / (m_id.text() + extension);
    }
    void put(const std::string& extension, const std::string& content) const
    {
        std::ofstream(file(extension)) << content;
    }

    TemporaryFolder m_folder;
    EditorStore::RequestBox m_box{m_folder / "Requests"};
    Platform::Uuid m_id = Platform::Uuid::random();
};

} // namespace

TEST(OlvLaunch, aZombieOrAProcessGroupIsNoRunningApplication)
{
    EXPECT_TRUE(processIsRunning(::getpid()));
    EXPECT_FALSE(processIsRunning(0));
    EXPECT_FALSE(processIsRunning(-1));
    pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ASSERT_GT(child, 0);
    // Not reaped yet: the signal probe alone would still find it.
    for (int i = 0; i < 200 && processIsRunning(child); ++i)
        std::this_thread::sleep_for(10ms);
    EXPECT_EQ(::kill(child, 0), 0);
    EXPECT_FALSE(processIsRunning(child));
    ::waitpid(child, nullptr, 0);
    EXPECT_FALSE(processIsRunning(child));
}

TEST_F(Mailbox, doneEndsTheWaitAndOnlyTheAnswersAreRemoved)
{
    put(".json", "{}");
    put(".stdin", "");
    put(".ack", std::to_string(::getpid()));
    put(".done", "");
    EXPECT_EQ(waitForRequest(m_box, m_id, quick), WaitOutcome::done);
    EXPECT_FALSE(std::filesystem::exists(file(".done")));
    EXPECT_FALSE(std::filesystem::exists(file(".ack")));
    EXPECT_TRUE(std::filesystem::exists(file(".json")));
    EXPECT_TRUE(std::filesystem::exists(file(".stdin")));
}

TEST_F(Mailbox, aFailedRequestIsNotDone)
{
    put(".ack", std::to_string(::getpid()));
    put(".done", "failed");
    EXPECT_EQ(waitForRequest(m_box, m_id, quick), WaitOutcome::failed);
    EXPECT_FALSE(std::filesystem::exists(file(".done")));
    EXPECT_FALSE(std::filesystem::exists(file(".ack")));
}

TEST_F(Mailbox, acknowledgementsThatAreNoProcessRunIntoTheLimit)
{
    for (const char* ack : {"", "4711\n", " 4711", "0", "-1", "x"}) {
        SCOPED_TRACE(ack);
        put(".ack", ack);
        EXPECT_EQ(waitForRequest(m_box, m_id, quick), WaitOutcome::notAccepted);
        EXPECT_TRUE(std::filesystem::exists(file(".ack")));
    }
    std::filesystem::remove(file(".ack"));
    EXPECT_EQ(waitForRequest(m_box, m_id, quick), WaitOutcome::notAccepted);
}

TEST_F(Mailbox, anAcknowledgedWaitHasNoLimitButEndsWhenTheApplicationQuits)
{
    pid_t child = ::fork();
    if (child == 0) {
        ::pause();
        ::_exit(0);
    }
    ASSERT_GT(child, 0);
    put(".ack", std::to_string(child));
    std::thread quitter([child] {
        std::this_thread::sleep_for(600ms); // twice the acknowledgement limit
        ::kill(child, SIGKILL);
    });
    EXPECT_EQ(waitForRequest(m_box, m_id, quick), WaitOutcome::appQuit);
    quitter.join();
    ::waitpid(child, nullptr, 0);
    EXPECT_FALSE(std::filesystem::exists(file(".ack")));
}

TEST_F(Mailbox, anotherRequestsDoneIsNotOurs)
{
    put(".ack", std::to_string(::getpid()));
    auto other = Platform::Uuid::random();
    std::ofstream(m_box.directory() / (other.text() + ".done"));
    std::thread finisher([this] {
        std::this_thread::sleep_for(150ms);
        put(".done", "");
    });
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(waitForRequest(m_box, m_id, quick), WaitOutcome::done);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 150ms);
    finisher.join();
    EXPECT_TRUE(std::filesystem::exists(m_box.directory() / (other.text() + ".done")));
}

TEST(OlvLaunch, installationIsTheFolderOfTheApplicationBinary)
{
    TemporaryFolder folder;
    auto install = folder / "lib" / "orlune-viewer";
    std::filesystem::create_directories(install);
    auto program = install / "olv";
    EXPECT_FALSE(installationBeside(program));
    EXPECT_EQ(appVersion(std::nullopt), "?");

    std::ofstream(install / "orlune-viewer") << "#!/bin/sh\n";
    EXPECT_FALSE(installationBeside(program)) << "not executable";
    std::filesystem::permissions(install / "orlune-viewer", std::filesystem::perms::owner_all);
    auto found = installationBeside(program);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->application, install / "orlune-viewer");
    EXPECT_EQ(appVersion(found), "?");

    std::ofstream(install / "Info.json")
        << R"({"identifier":"app.orlune.viewer","shortVersion":"2.4.1"})";
    EXPECT_EQ(appVersion(installationBeside(program)), "2.4.1");
    std::ofstream(install / "Info.json")
        << R"({"identifier":"app.orlune.viewer","shortVersion":7})";
    EXPECT_EQ(appVersion(installationBeside(program)), "?");
    std::ofstream(install / "Info.json") << R"({"identifier":"other.app","shortVersion":"1"})";
    EXPECT_FALSE(installationBeside(program));

    // The build tree: olv in tool/, the application in app/.
    std::filesystem::create_directories(folder / "build" / "app");
    std::filesystem::copy_file(install / "orlune-viewer",
                               folder / "build" / "app" / "orlune-viewer");
    auto built = installationBeside(folder / "build" / "tool" / "olv");
    ASSERT_TRUE(built);
    EXPECT_EQ(built->folder, folder / "build" / "app");
}
