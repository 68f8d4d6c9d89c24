#include "tool/OlvLaunch.h"

#include "platform/AppSocket.h"
#include "platform/Files.h"
#include "platform/Folders.h"
#include "platform/Json.h"
#include "store/AppGroup.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace Olv {
namespace {

using Clock = std::chrono::steady_clock;

// How long a listening application may take to acknowledge, and a starting one to listen.
constexpr std::chrono::seconds handOverLimit{30};
constexpr std::chrono::seconds launchLimit{30};
constexpr std::chrono::milliseconds launchPoll{50};

std::optional<std::filesystem::path> resolved(const std::filesystem::path& path)
{
    std::error_code error;
    auto real = std::filesystem::canonical(path, error);
    if (error)
        return std::nullopt;
    return real;
}

// argv[0] as the shell found it: a name without a slash came through PATH.
std::optional<std::filesystem::path> programFile(std::string_view programPath)
{
    if (programPath.empty())
        return std::nullopt;
    if (programPath.find('/') != std::string_view::npos)
        return resolved(std::filesystem::path(programPath));
    const char* search = std::getenv("PATH");
    std::string_view list = search != nullptr ? search : "";
    while (true) {
        auto colon = list.find(':');
        auto entry = list.substr(0, colon);
        std::filesystem::path folder = entry.empty() ? "." : std::filesystem::path(entry);
        auto candidate = folder / programPath;
        if (::access(candidate.c_str(), X_OK) == 0) {
            if (auto real = resolved(candidate))
                return real;
        }
        if (colon == std::string_view::npos)
            return std::nullopt;
        list.remove_prefix(colon + 1);
    }
}

std::optional<nlohmann::json> installationInfo(const std::filesystem::path& folder)
{
    auto bytes = Platform::readWholeFile(folder / installationInfoName);
    if (!bytes)
        return std::nullopt;
    auto info = Platform::parseJson(
        std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
    if (!info || !info->is_object())
        return std::nullopt;
    return info;
}

bool isExecutableFile(const std::filesystem::path& path)
{
    struct stat info = {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)
           && ::access(path.c_str(), X_OK) == 0;
}

std::filesystem::path socketPath()
{
    return Platform::AppSocket::path(
        Platform::Folders::appGroupContainer(EditorStore::appGroupIdentifier));
}

// Double fork: the application belongs to neither olv's session nor its children, so it
// outlives olv, never turns into olv's zombie, and a quit is seen by probing its process.
// Its standard streams go to /dev/null: a caller reading olv's output (a pipe) must not wait
// for the application to end.
bool startDetached(const std::filesystem::path& application)
{
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
        const char* argv[] = {application.c_str(), nullptr};
        ::execv(application.c_str(), const_cast<char* const*>(argv));
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

} // namespace

std::optional<Installation> installationBeside(const std::filesystem::path& program)
{
    auto folder = program.parent_path();
    // Installed, the application is beside olv; in the build tree olv is in tool/ and the
    // application in app/.
    for (const auto& candidate : {folder, (folder / ".." / "app").lexically_normal()}) {
        auto application = candidate / applicationBinaryName;
        if (!isExecutableFile(application))
            continue;
        if (auto info = installationInfo(candidate)) {
            auto identifier = info->find("identifier");
            if (identifier != info->end()
                && !(identifier->is_string()
                     && identifier->get<std::string>() == applicationIdentifier))
                continue;
        }
        return Installation{candidate, application};
    }
    return std::nullopt;
}

std::optional<Installation> findInstallation(std::string_view programPath)
{
    std::vector<std::filesystem::path> candidates;
    if (auto program = programFile(programPath))
        candidates.push_back(*program);
    if (auto self = resolved("/proc/self/exe"))
        candidates.push_back(*self);
    for (const auto& candidate : candidates) {
        if (auto installation = installationBeside(candidate))
            return installation;
    }
    return std::nullopt;
}

std::string appVersion(const std::optional<Installation>& installation)
{
    if (!installation)
        return "?";
    auto info = installationInfo(installation->folder);
    if (!info)
        return "?";
    auto version = info->find("shortVersion");
    if (version == info->end() || !version->is_string())
        return "?";
    return version->get<std::string>();
}

bool openApp(const std::vector<std::string>& arguments,
             const std::optional<Installation>& installation)
{
    Platform::AppSocket::HandOver handOver{arguments, std::getenv("OLV_BACKGROUND") == nullptr};
    auto path = socketPath();
    auto handed = Platform::AppSocket::handOver(path, handOver, handOverLimit);
    if (handed)
        return true;
    if (handed.error() != Platform::AppSocket::HandOverError::noListener || !installation)
        return false;
    if (!startDetached(installation->application))
        return false;
    auto deadline = Clock::now() + launchLimit;
    while (Clock::now() < deadline) {
        std::this_thread::sleep_for(launchPoll);
        handed = Platform::AppSocket::handOver(path, handOver, handOverLimit);
        if (handed)
            return true;
        if (handed.error() != Platform::AppSocket::HandOverError::noListener)
            return false;
    }
    return false;
}

std::string requestUrl(const Platform::Uuid& id)
{
    return "orlune-viewer://request?id=" + id.text();
}

bool processIsRunning(pid_t processId)
{
    // 0 and negative numbers name process groups: no acknowledgement means them.
    if (processId <= 0)
        return false;
    if (::kill(processId, 0) != 0 && errno != EPERM)
        return false;
    std::ifstream stat("/proc/" + std::to_string(processId) + "/stat");
    std::string line;
    if (!std::getline(stat, line))
        return true; // no /proc: the signal probe has to do
    auto close = line.rfind(')');
    if (close == std::string::npos || close + 2 >= line.size())
        return true;
    char state = line[close + 2];
    return state != 'Z' && state != 'X';
}

WaitOutcome
waitForRequest(const EditorStore::RequestBox& box, const Platform::Uuid& id, WaitTiming timing)
{
    auto start = Clock::now();
    std::optional<pid_t> processId;
    while (true) {
        std::this_thread::sleep_for(timing.step);
        if (auto outcome = box.readDone(id)) {
            box.removeAnswers(id);
            return *outcome == EditorStore::RequestOutcome::failed ? WaitOutcome::failed
                                                                   : WaitOutcome::done;
        }
        if (!processId) {
            auto acknowledged = box.readAck(id);
            if (acknowledged && *acknowledged > 0)
                processId = *acknowledged;
        }
        if (processId) {
            if (!processIsRunning(*processId)) {
                std::error_code ignored;
                std::filesystem::remove(box.directory() / (id.text() + ".ack"), ignored);
                return WaitOutcome::appQuit;
            }
        } else if (Clock::now() - start > timing.acknowledgementLimit) {
            return WaitOutcome::notAccepted;
        }
    }
}

} // namespace Olv
