#include "platform/AppSocket.h"

#include "platform/Files.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace Platform::AppSocket {
namespace {

class Descriptor
{
public:
    explicit Descriptor(int fd = -1)
        : m_fd(fd)
    {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const { return m_fd; }
    int release()
    {
        int fd = m_fd;
        m_fd = -1;
        return fd;
    }

private:
    int m_fd;
};

enum class Use { connect, listen };

// A socket address holds about 107 bytes of path. A longer path is reached through an open
// descriptor of its folder (/proc/self/fd/N/name), which the kernel resolves like any path.
EditorCore::Result<int, std::error_code> openSocket(const std::filesystem::path& path, Use use)
{
    int folderFd = -1;
    std::string target = path.string();
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (target.size() >= sizeof(address.sun_path)) {
        auto parent = path.parent_path();
        folderFd = ::open(parent.empty() ? "." : parent.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (folderFd < 0)
            return EditorCore::failure(lastError());
        target = "/proc/self/fd/" + std::to_string(folderFd) + "/" + path.filename().string();
        if (target.size() >= sizeof(address.sun_path)) {
            ::close(folderFd);
            return EditorCore::failure(std::make_error_code(std::errc::filename_too_long));
        }
    }
    Descriptor folder(folderFd);
    std::memcpy(address.sun_path, target.c_str(), target.size() + 1);

    Descriptor socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (socket.get() < 0)
        return EditorCore::failure(lastError());
    auto* generic = reinterpret_cast<const sockaddr*>(&address);
    if (use == Use::connect) {
        while (::connect(socket.get(), generic, sizeof(address)) != 0) {
            if (errno != EINTR)
                return EditorCore::failure(lastError());
        }
    } else {
        if (::bind(socket.get(), generic, sizeof(address)) != 0
            || ::listen(socket.get(), SOMAXCONN) != 0)
            return EditorCore::failure(lastError());
    }
    return socket.release();
}

using Clock = std::chrono::steady_clock;

int remainingMilliseconds(Clock::time_point deadline)
{
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() < 0 ? 0 : static_cast<int>(std::min<long long>(left.count(), 60000));
}

bool sendAll(int fd, std::string_view bytes, Clock::time_point deadline)
{
    while (!bytes.empty()) {
        ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent >= 0) {
            bytes.remove_prefix(static_cast<std::size_t>(sent));
            continue;
        }
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK)
            return false;
        pollfd wait{fd, POLLOUT, 0};
        int left = remainingMilliseconds(deadline);
        if (left == 0 || ::poll(&wait, 1, left) == 0)
            return false;
    }
    return true;
}

// The reply up to its first line feed, or whatever came before the peer closed or time ran out.
std::string receiveReply(int fd, Clock::time_point deadline)
{
    std::string reply;
    while (reply.size() < 64 && reply.find('\n') == std::string::npos) {
        pollfd wait{fd, POLLIN, 0};
        int left = remainingMilliseconds(deadline);
        if (left == 0)
            break;
        int ready = ::poll(&wait, 1, left);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            break;
        char buffer[64];
        ssize_t got = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (got < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (got <= 0)
            break;
        reply.append(buffer, static_cast<std::size_t>(got));
    }
    return reply;
}

} // namespace

std::filesystem::path path(const std::filesystem::path& containerFolder)
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && *runtime != '\0' && std::filesystem::path(runtime).is_absolute())
        return std::filesystem::path(runtime) / socketName;
    return containerFolder / socketName;
}

EditorCore::Result<std::string, JsonWriteError> encode(const HandOver& handOver)
{
    nlohmann::json object = {{"activate", handOver.activate}, {"arguments", handOver.arguments}};
    auto text = writeJson(object, JsonStyle::compact);
    if (!text)
        return EditorCore::failure(text.error());
    return *text + "\n";
}

std::optional<HandOver> decode(std::string_view message)
{
    if (!message.empty() && message.back() == '\n')
        message.remove_suffix(1);
    if (message.size() >= maximumMessageLength)
        return std::nullopt;
    auto parsed = parseJson(message);
    if (!parsed || !parsed->is_object())
        return std::nullopt;
    auto activate = parsed->find("activate");
    auto arguments = parsed->find("arguments");
    if (activate == parsed->end() || !activate->is_boolean() || arguments == parsed->end()
        || !arguments->is_array())
        return std::nullopt;
    HandOver handOver;
    handOver.activate = activate->get<bool>();
    for (const auto& argument : *arguments) {
        if (!argument.is_string())
            return std::nullopt;
        handOver.arguments.push_back(argument.get<std::string>());
    }
    return handOver;
}

EditorCore::Result<void, HandOverError> handOver(const std::filesystem::path& socketPath,
                                                 const HandOver& handOver,
                                                 std::chrono::milliseconds timeout)
{
    auto message = encode(handOver);
    if (!message || message->size() > maximumMessageLength)
        return EditorCore::failure(HandOverError::unwritable);
    auto connected = connect(socketPath);
    if (!connected)
        return EditorCore::failure(HandOverError::noListener);
    Descriptor socket(*connected);
    auto deadline = Clock::now() + timeout;
    if (!sendAll(socket.get(), *message, deadline))
        return EditorCore::failure(HandOverError::notAcknowledged);
    if (receiveReply(socket.get(), deadline) != acknowledgement)
        return EditorCore::failure(HandOverError::notAcknowledged);
    return {};
}

EditorCore::Result<int, std::error_code> connect(const std::filesystem::path& path)
{
    return openSocket(path, Use::connect);
}

EditorCore::Result<int, std::error_code> listen(const std::filesystem::path& path)
{
    return openSocket(path, Use::listen);
}

bool startDetached(const std::filesystem::path& application,
                   const std::vector<std::string>& arguments)
{
    // Made before the fork: the child may not allocate.
    std::vector<const char*> argv{application.c_str()};
    for (const auto& argument : arguments)
        argv.push_back(argument.c_str());
    argv.push_back(nullptr);
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0)
        return false;
    pid_t child = ::fork();
    if (child < 0) {
        ::close(report[0]);
        ::close(report[1]);
        return false;
    }
    if (child == 0) {
        // Only async-signal-safe calls from here to exec: the caller may have threads.
        ::close(report[0]);
        ::setsid();
        pid_t grandchild = ::fork();
        if (grandchild != 0)
            ::_exit(grandchild < 0 ? 1 : 0);
        int null = ::open("/dev/null", O_RDWR);
        if (null >= 0) {
            ::dup2(null, STDIN_FILENO);
            ::dup2(null, STDOUT_FILENO);
            ::dup2(null, STDERR_FILENO);
            if (null > STDERR_FILENO)
                ::close(null);
        }
        ::execv(application.c_str(), const_cast<char* const*>(argv.data()));
        int error = errno;
        (void)!::write(report[1], &error, sizeof error);
        ::_exit(127);
    }
    ::close(report[1]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    // The grandchild closes its end by exec (close-on-exec) or writes why exec failed.
    int execError = 0;
    ssize_t got;
    while ((got = ::read(report[0], &execError, sizeof execError)) < 0 && errno == EINTR) {
    }
    ::close(report[0]);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 && got == 0;
}

EditorCore::Result<void, LaunchError> handOverLaunching(const std::filesystem::path& socketPath,
                                                        const HandOver& message,
                                                        const Launch& launch)
{
    auto launchError = [](HandOverError error) {
        switch (error) {
        case HandOverError::noListener:
            return LaunchError::neverListened;
        case HandOverError::notAcknowledged:
            return LaunchError::notAcknowledged;
        case HandOverError::unwritable:
            return LaunchError::unwritable;
        }
        return LaunchError::unwritable;
    };
    auto handed = handOver(socketPath, message, launch.acknowledgementTimeout);
    if (handed)
        return {};
    // Someone listens but refused, or the message cannot be sent: a second instance would
    // not do better.
    if (handed.error() != HandOverError::noListener)
        return EditorCore::failure(launchError(handed.error()));
    if (!launch.start || !launch.start())
        return EditorCore::failure(LaunchError::couldNotStart);
    const auto deadline = std::chrono::steady_clock::now() + launch.startTimeout;
    while (true) {
        std::this_thread::sleep_for(launch.pollInterval);
        if (launch.startCarriesMessage) {
            // The started application took the arguments from its command line (or handed
            // them to the instance that won the start); that something listens is enough.
            if (auto probe = connect(socketPath)) {
                ::close(*probe);
                return {};
            }
            if (std::chrono::steady_clock::now() >= deadline)
                return EditorCore::failure(LaunchError::neverListened);
            continue;
        }
        handed = handOver(socketPath, message, launch.acknowledgementTimeout);
        if (handed)
            return {};
        if (handed.error() != HandOverError::noListener)
            return EditorCore::failure(launchError(handed.error()));
        if (std::chrono::steady_clock::now() >= deadline)
            return EditorCore::failure(LaunchError::neverListened);
    }
}

} // namespace Platform::AppSocket
