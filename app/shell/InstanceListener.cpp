#include "app/shell/InstanceListener.h"

#include "platform/Files.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

#include <fcntl.h>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

namespace EditorShell {
namespace {

using Platform::AppSocket::HandOver;

std::filesystem::path lockPath(const std::filesystem::path& socketPath)
{
    std::filesystem::path path = socketPath;
    path += ".lock";
    return path;
}

// The lock, or -1 when another process holds it.
int tryLock(const std::filesystem::path& socketPath, QString* error)
{
    int descriptor = ::open(lockPath(socketPath).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (descriptor < 0) {
        *error = QStringLiteral("cannot open the instance lock: %1")
                     .arg(QString::fromLocal8Bit(strerror(errno)));
        return -1;
    }
    if (::flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
        ::close(descriptor);
        return -1;
    }
    return descriptor;
}

} // namespace

InstanceListener::Claim InstanceListener::claim(const std::filesystem::path& socketPath,
                                                const HandOver& handOver,
                                                std::chrono::milliseconds patience)
{
    Claim claim;
    std::error_code ignored;
    (void)Platform::createFolders(socketPath.parent_path(), 0700);
    const auto deadline = std::chrono::steady_clock::now() + patience;
    for (;;) {
        if (Platform::AppSocket::handOver(socketPath, handOver, std::chrono::seconds(5))) {
            claim.outcome = Claim::Outcome::handedOver;
            return claim;
        }
        QString error;
        int lock = tryLock(socketPath, &error);
        if (lock >= 0) {
            // Nobody listens and nobody else is becoming the listener: a socket file left here
            // belongs to an instance that is gone.
            std::filesystem::remove(socketPath, ignored);
            auto listening = Platform::AppSocket::listen(socketPath);
            if (!listening) {
                ::close(lock);
                claim.error = QStringLiteral("cannot listen on %1: %2")
                                  .arg(QString::fromStdString(socketPath.string()),
                                       QString::fromStdString(listening.error().message()));
                return claim;
            }
            std::unique_ptr<InstanceListener> listener(new InstanceListener(socketPath, lock));
            if (!listener->listen(*listening)) {
                claim.error = QStringLiteral("cannot accept on %1")
                                  .arg(QString::fromStdString(socketPath.string()));
                return claim;
            }
            claim.outcome = Claim::Outcome::listening;
            claim.listener = std::move(listener);
            return claim;
        }
        if (!error.isEmpty()) {
            claim.error = error;
            return claim;
        }
        // Another instance holds the lock and is about to listen.
        if (std::chrono::steady_clock::now() >= deadline) {
            claim.error = QStringLiteral("the running instance does not accept files");
            return claim;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

InstanceListener::InstanceListener(std::filesystem::path socketPath, int lockDescriptor)
    : m_socketPath(std::move(socketPath))
    , m_lockDescriptor(lockDescriptor)
    , m_server(new QLocalServer(this))
{}

InstanceListener::~InstanceListener()
{
    if (m_server)
        m_server->close();
    // Still under the lock: the next instance finds no stale file.
    std::error_code ignored;
    std::filesystem::remove(m_socketPath, ignored);
    if (m_lockDescriptor >= 0)
        ::close(m_lockDescriptor);
}

bool InstanceListener::listen(int descriptor)
{
    if (!m_server->listen(descriptor)) {
        ::close(descriptor);
        return false;
    }
    connect(m_server, &QLocalServer::newConnection, this, &InstanceListener::acceptConnections);
    return true;
}

void InstanceListener::acceptConnections()
{
    while (QLocalSocket* connection = m_server->nextPendingConnection()) {
        connection->setParent(this);
        auto buffer = std::make_shared<QByteArray>();
        // A client that never finishes its message is dropped.
        QTimer::singleShot(10'000, connection, [connection] { connection->abort(); });
        connect(connection, &QLocalSocket::disconnected, connection, &QObject::deleteLater);
        connect(connection, &QLocalSocket::readyRead, this, [this, connection, buffer] {
            buffer->append(connection->readAll());
            if (static_cast<std::size_t>(buffer->size())
                > Platform::AppSocket::maximumMessageLength) {
                connection->abort();
                return;
            }
            qsizetype end = buffer->indexOf('\n');
            if (end < 0)
                return;
            auto handOver = Platform::AppSocket::decode(
                std::string_view(buffer->constData(), static_cast<std::size_t>(end)));
            if (!handOver) {
                connection->abort();
                return;
            }
            if (onHandOver)
                onHandOver(*handOver);
            const auto& ack = Platform::AppSocket::acknowledgement;
            connection->write(ack.data(), static_cast<qint64>(ack.size()));
            connection->flush();
            connection->disconnectFromServer();
        });
    }
}

} // namespace EditorShell
