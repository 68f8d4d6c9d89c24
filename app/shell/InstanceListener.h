#pragma once

#include "platform/AppSocket.h"

#include <QObject>
#include <QString>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>

class QLocalServer;

namespace EditorShell {

// The listening side of the application's local socket: the one running instance takes the
// files and request URLs that later starts hand over. Becoming the listener happens under a
// lock file beside the socket, held for the instance's whole life, so two starts at the same
// moment end with one instance: the one without the lock waits until the other listens and
// then hands its arguments over.
class InstanceListener : public QObject
{
    Q_OBJECT
public:
    struct Claim
    {
        enum class Outcome { listening, handedOver, failed };
        Outcome outcome = Outcome::failed;
        // Set when listening.
        std::unique_ptr<InstanceListener> listener;
        QString error;
    };

    // Hands `handOver` to the running instance, or becomes the instance. Waits up to
    // `patience` for an instance that holds the lock but does not listen yet.
    static Claim claim(const std::filesystem::path& socketPath,
                       const Platform::AppSocket::HandOver& handOver,
                       std::chrono::milliseconds patience = std::chrono::seconds(10));

    ~InstanceListener() override;

    // Runs on the main thread for every accepted hand-over, before it is acknowledged.
    std::function<void(const Platform::AppSocket::HandOver&)> onHandOver;

    const std::filesystem::path& socketPath() const { return m_socketPath; }

private:
    InstanceListener(std::filesystem::path socketPath, int lockDescriptor);
    bool listen(int descriptor);
    void acceptConnections();

    std::filesystem::path m_socketPath;
    int m_lockDescriptor = -1;
    QLocalServer* m_server = nullptr;
};

} // namespace EditorShell
