#include "app/shell/InstanceListener.h"
#include "tests/platform/TemporaryFolder.h"

#include <QCoreApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <fcntl.h>
#include <fstream>
#include <future>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

using EditorShell::InstanceListener;
using Outcome = InstanceListener::Claim::Outcome;
using Platform::AppSocket::HandOver;

namespace {

HandOver files(std::vector<std::string> arguments)
{
    HandOver handOver;
    handOver.arguments = std::move(arguments);
    return handOver;
}

// Runs a claim on another thread while this one turns the event loop, as a second process
// would while the instance runs.
InstanceListener::Claim claimWhileRunning(const std::filesystem::path& socket,
                                          const HandOver& handOver,
                                          std::chrono::milliseconds patience)
{
    auto pending = std::async(std::launch::async,
                              [&] { return InstanceListener::claim(socket, handOver, patience); });
    while (pending.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready)
        QCoreApplication::processEvents();
    return pending.get();
}

} // namespace

TEST(InstanceListener, aLaterStartHandsItsFilesOver)
{
    TemporaryFolder folder;
    auto socket = folder / "orlune-viewer.sock";
    auto first = InstanceListener::claim(socket, files({"/a.txt"}));
    ASSERT_EQ(first.outcome, Outcome::listening) << first.error.toStdString();
    std::vector<HandOver> received;
    first.listener->onHandOver = [&](const HandOver& handOver) { received.push_back(handOver); };

    auto second = claimWhileRunning(socket, files({"/b.txt", "/c.txt"}), std::chrono::seconds(5));
    EXPECT_EQ(second.outcome, Outcome::handedOver);
    EXPECT_EQ(second.listener, nullptr);
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].arguments, (std::vector<std::string>{"/b.txt", "/c.txt"}));

    // When the instance ends, the next start becomes the instance.
    first.listener.reset();
    EXPECT_FALSE(std::filesystem::exists(socket));
    auto third = InstanceListener::claim(socket, files({}));
    EXPECT_EQ(third.outcome, Outcome::listening);
}

TEST(InstanceListener, aStaleSocketFileIsReplaced)
{
    TemporaryFolder folder;
    auto socket = folder / "orlune-viewer.sock";
    std::ofstream(socket) << "left over";
    auto claim = InstanceListener::claim(socket, files({}));
    EXPECT_EQ(claim.outcome, Outcome::listening) << claim.error.toStdString();
}

TEST(InstanceListener, waitsForAnInstanceThatHoldsTheLockAndThenHandsOver)
{
    TemporaryFolder folder;
    auto socket = folder / "orlune-viewer.sock";
    // Another start is becoming the instance: it holds the lock but does not listen yet.
    int lock = ::open((folder / "orlune-viewer.sock.lock").c_str(), O_RDWR | O_CREAT, 0600);
    ASSERT_GE(lock, 0);
    ASSERT_EQ(::flock(lock, LOCK_EX | LOCK_NB), 0);

    auto gaveUp = InstanceListener::claim(socket, files({"/x"}), std::chrono::milliseconds(300));
    EXPECT_EQ(gaveUp.outcome, Outcome::failed);
    EXPECT_FALSE(std::filesystem::exists(socket));

    // It listens a moment later (this test plays that instance, still holding the lock): the
    // waiting start hands over instead of listening itself.
    std::vector<QByteArray> received;
    QLocalServer server;
    QTimer::singleShot(300, [&] {
        auto descriptor = Platform::AppSocket::listen(socket);
        ASSERT_TRUE(descriptor.has_value());
        ASSERT_TRUE(server.listen(*descriptor));
    });
    QObject::connect(&server, &QLocalServer::newConnection, [&] {
        QLocalSocket* connection = server.nextPendingConnection();
        QObject::connect(connection, &QLocalSocket::readyRead, [&received, connection] {
            if (!connection->canReadLine())
                return;
            received.push_back(connection->readLine());
            connection->write("ok\n");
            connection->flush();
            connection->disconnectFromServer();
        });
    });
    auto waiting = claimWhileRunning(socket, files({"/y"}), std::chrono::seconds(5));
    EXPECT_EQ(waiting.outcome, Outcome::handedOver) << waiting.error.toStdString();
    ASSERT_EQ(received.size(), 1u);
    auto decoded = Platform::AppSocket::decode(received[0].toStdString());
    ASSERT_TRUE(decoded.has_value()) << received[0].toStdString();
    EXPECT_EQ(decoded->arguments, std::vector<std::string>{"/y"});
    ::close(lock);
}
