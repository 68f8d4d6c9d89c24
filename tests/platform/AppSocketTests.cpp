#include "platform/AppSocket.h"
#include "tests/platform/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace Platform;

namespace {

// Accepts one connection, reads one message and answers with `reply` (nothing when empty).
std::thread serveOnce(int listener, std::string reply, std::string* received)
{
    return std::thread([listener, reply = std::move(reply), received] {
        int client = ::accept(listener, nullptr, nullptr);
        if (client < 0)
            return;
        std::string message;
        char buffer[256];
        while (message.find('\n') == std::string::npos) {
            ssize_t got = ::read(client, buffer, sizeof buffer);
            if (got <= 0)
                break;
            message.append(buffer, static_cast<std::size_t>(got));
        }
        *received = message;
        if (!reply.empty())
            (void)!::write(client, reply.data(), reply.size());
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(400));
        ::close(client);
    });
}

} // namespace

TEST(AppSocket, messageRoundTripsAndBadMessagesAreRefused)
{
    AppSocket::HandOver handOver{{"/tmp/a b.txt", "orlune-viewer://request?id=X", "/ä/ü"}, false};
    auto message = AppSocket::encode(handOver);
    ASSERT_TRUE(message);
    EXPECT_EQ(message->back(), '\n');
    EXPECT_EQ(message->find('\n'), message->size() - 1);
    EXPECT_EQ(AppSocket::decode(*message), handOver);

    for (std::string_view bad : {"",
                                 "[]",
                                 "{\"arguments\":[]}",
                                 "{\"activate\":true}",
                                 "{\"activate\":1,\"arguments\":[]}",
                                 "{\"activate\":true,\"arguments\":[1]}",
                                 "{\"activate\":true,"}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(AppSocket::decode(bad));
    }
    EXPECT_FALSE(AppSocket::encode({{"\xff"}, true}));
}

TEST(AppSocket, pathPrefersTheRuntimeFolder)
{
    const char* saved = std::getenv("XDG_RUNTIME_DIR");
    std::string kept = saved ? saved : "";
    ::setenv("XDG_RUNTIME_DIR", "/run/user/7", 1);
    EXPECT_EQ(AppSocket::path("/c"), "/run/user/7/orlune-viewer.sock");
    ::setenv("XDG_RUNTIME_DIR", "relative", 1);
    EXPECT_EQ(AppSocket::path("/c"), "/c/orlune-viewer.sock");
    ::unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(AppSocket::path("/c"), "/c/orlune-viewer.sock");
    if (saved)
        ::setenv("XDG_RUNTIME_DIR", kept.c_str(), 1);
}

TEST(AppSocket, handOverCountsOnlyTheAcknowledgement)
{
    TemporaryFolder folder;
    struct Case
    {
        const char* name;
        std::string reply;
        bool accepted;
    };
    const Case cases[] = {{"ok", "ok\n", true},
                          {"other reply", "no\n", false},
                          {"ok without line feed", "ok", false},
                          {"silence", "", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto socketPath = folder / "s.sock";
        auto listener = AppSocket::listen(socketPath);
        ASSERT_TRUE(listener) << listener.error().message();
        std::string received;
        auto server = serveOnce(*listener, c.reply, &received);
        auto result =
            AppSocket::handOver(socketPath, {{"/x"}, true}, std::chrono::milliseconds(200));
        server.join();
        ::close(*listener);
        std::filesystem::remove(socketPath);
        EXPECT_EQ(result.has_value(), c.accepted);
        if (!c.accepted) {
            EXPECT_EQ(result.error(), AppSocket::HandOverError::notAcknowledged);
        }
        EXPECT_EQ(AppSocket::decode(received), (AppSocket::HandOver{{"/x"}, true}));
    }
}

TEST(AppSocket, noListenerIsToldApart)
{
    TemporaryFolder folder;
    auto missing = AppSocket::handOver(folder / "none.sock", {}, std::chrono::milliseconds(100));
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error(), AppSocket::HandOverError::noListener);

    // A socket file left behind by a process that is gone.
    auto listener = AppSocket::listen(folder / "stale.sock");
    ASSERT_TRUE(listener);
    ::close(*listener);
    auto stale = AppSocket::handOver(folder / "stale.sock", {}, std::chrono::milliseconds(100));
    ASSERT_FALSE(stale);
    EXPECT_EQ(stale.error(), AppSocket::HandOverError::noListener);
    EXPECT_FALSE(AppSocket::listen(folder / "stale.sock"));
}

TEST(AppSocket, pathsLongerThanASocketAddressWork)
{
    TemporaryFolder folder;
    auto deep = folder / std::string(60, 'd') / std::string(60, 'e');
    std::filesystem::create_directories(deep);
    auto socketPath = deep / "orlune-viewer.sock";
    ASSERT_GT(socketPath.string().size(), 110u);
    auto listener = AppSocket::listen(socketPath);
    ASSERT_TRUE(listener) << listener.error().message();
    EXPECT_TRUE(std::filesystem::is_socket(socketPath));
    std::string received;
    auto server = serveOnce(*listener, "ok\n", &received);
    EXPECT_TRUE(AppSocket::handOver(socketPath, {{"/y"}, false}, std::chrono::seconds(5)));
    server.join();
    ::close(*listener);
}
