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

} // namespace

std::optional<Installation> installationBeside(const std::filesystem::path& program)
{
    auto folder = program.parent_path();
    // Installed, the application is beside olv; in the build tree olv is in tool/ and the
    // application in app/shell/ (app/ in older trees).
    for (const auto& candidate : {folder,
                                  (folder / ".." / "app" / "shell").lexically_normal(),
                                  (folder / ".." / "app").lexically_normal()}) {
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
    Platform::AppSocket::Launch launch;
    // The application belongs to neither olv's session nor its children, so it outlives olv and
    // a quit is seen by probing its process; its output never holds up a caller reading olv's.
    // A started application gets the arguments on its command line, as a desktop launch
    // does, so it opens just them instead of an untitled document first.
    std::vector<std::string> commandLine{"--"};
    commandLine.insert(commandLine.end(), arguments.begin(), arguments.end());
    launch.start = [&installation, &commandLine] {
        return installation
               && Platform::AppSocket::startDetached(installation->application, commandLine);
    };
    launch.startCarriesMessage = true;
    launch.acknowledgementTimeout = handOverLimit;
    launch.startTimeout = launchLimit;
    launch.pollInterval = launchPoll;
    return Platform::AppSocket::handOverLaunching(socketPath(), handOver, launch).has_value();
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
