#include "finder/AppWaker.h"
#include "tests/finder/FakeApplication.h"
#include "tests/platform/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>

using namespace OrluneViewerFinder;
using namespace std::chrono_literals;

namespace {

const std::string url = "orlune-viewer://request?id=0F0E0D0C-0B0A-4908-8706-050403020100";

class AppWakerTest : public ::testing::Test
{
protected:
    AppWaker::Options options(std::function<bool()> start)
    {
        AppWaker::Options result;
        result.socketPath = folder / "orlune-viewer.sock";
        result.startApplication = std::move(start);
        result.acknowledgementTimeout = 2s;
        result.startTimeout = 2s;
        result.pollInterval = 10ms;
        return result;
    }

    TemporaryFolder folder;
    std::atomic<int> starts = 0;
};

} // namespace

TEST_F(AppWakerTest, aListeningApplicationGetsTheUrlAndNothingIsStarted)
{
    FakeApplication application(folder / "orlune-viewer.sock");
    ASSERT_TRUE(application.isListening());

    auto woken = AppWaker::wake(url, options([this] { return ++starts, true; }));

    EXPECT_TRUE(woken);
    EXPECT_EQ(starts, 0);
    auto message = application.nextMessage();
    ASSERT_TRUE(message);
    EXPECT_EQ(Platform::AppSocket::decode(*message), (Platform::AppSocket::HandOver{{url}, true}));
}

TEST_F(AppWakerTest, withNobodyListeningTheApplicationIsStartedOnceAndGetsTheUrlWhenItListens)
{
    std::unique_ptr<FakeApplication> application;
    std::thread launching;
    auto woken = AppWaker::wake(url, options([&] {
                                    ++starts;
                                    // The application takes a moment before it listens.
                                    launching = std::thread([&] {
                                        std::this_thread::sleep_for(100ms);
                                        application = std::make_unique<FakeApplication>(
                                            folder / "orlune-viewer.sock");
                                    });
                                    return true;
                                }));
    launching.join();

    EXPECT_TRUE(woken);
    EXPECT_EQ(starts, 1);
    ASSERT_TRUE(application);
    auto message = application->nextMessage();
    ASSERT_TRUE(message);
    EXPECT_EQ(Platform::AppSocket::decode(*message)->arguments, std::vector<std::string>{url});
}

TEST_F(AppWakerTest, failuresAreReportedAndARefusingListenerIsNotStartedAgain)
{
    {
        SCOPED_TRACE("the application cannot be started");
        auto woken = AppWaker::wake(url, options([this] { return ++starts, false; }));
        ASSERT_FALSE(woken);
        EXPECT_EQ(woken.error(), AppWaker::WakeError::couldNotStart);
    }
    {
        SCOPED_TRACE("started, but it never listens");
        auto woken = AppWaker::wake(url, options([this] { return ++starts, true; }));
        ASSERT_FALSE(woken);
        EXPECT_EQ(woken.error(), AppWaker::WakeError::neverListened);
    }
    {
        SCOPED_TRACE("no way to start it");
        auto woken = AppWaker::wake(url, options(nullptr));
        ASSERT_FALSE(woken);
        EXPECT_EQ(woken.error(), AppWaker::WakeError::couldNotStart);
    }
    EXPECT_EQ(starts, 2);
    {
        SCOPED_TRACE("a listener that closes without acknowledging");
        FakeApplication application(folder / "orlune-viewer.sock", "");
        auto woken = AppWaker::wake(url, options([this] { return ++starts, true; }));
        ASSERT_FALSE(woken);
        EXPECT_EQ(woken.error(), AppWaker::WakeError::notAcknowledged);
        EXPECT_EQ(starts, 2);
        EXPECT_TRUE(application.nextMessage());
    }
}

TEST(AppWaker, startDetachedReportsWhetherTheProgramRan)
{
    EXPECT_TRUE(AppWaker::startDetached("/bin/true"));
    EXPECT_FALSE(AppWaker::startDetached("/nonexistent/orlune-viewer"));
}
