#pragma once

#include "core/Result.h"
#include "finder/EditorLocator.h"
#include "platform/AppSocket.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

// Hands a request URL to the running application through its socket, starting the
// application first when nothing listens. Blocks the calling thread until the application has
// acknowledged the URL or the time is up.
namespace OrluneViewerFinder::AppWaker {

struct Options
{
    std::filesystem::path socketPath;
    // Starts the application detached from the caller; false when it could not be started.
    std::function<bool()> startApplication;
    // How long a listening application may take to acknowledge.
    std::chrono::milliseconds acknowledgementTimeout{10000};
    // How long a started application may take to listen.
    std::chrono::milliseconds startTimeout{30000};
    std::chrono::milliseconds pollInterval{100};
};

using WakeError = Platform::AppSocket::LaunchError;

[[nodiscard]] EditorCore::Result<void, WakeError> wake(const std::string& url,
                                                       const Options& options);

// What a failed wake tells: a line for the system log and a notice for the user.
struct Report
{
    std::function<void(std::string_view message)> logError;
    std::function<void(std::string_view message)> logInfo;
    std::function<void(const std::string& title, const std::string& body)> tellUser;
};

// The installed application's socket (in the runtime folder, else the app-group container);
// the start looks for the editor (EditorLocator) and logs where it found it, or where it
// looked, through `report`.
Options defaultOptions(const Report& report);
// The same, looking for the editor in `places`.
Options optionsFor(const EditorLocator::Places& places, const Report& report);

// Wakes the application; a failure is logged and told to the user, whose request stays in the
// mailbox for the editor's next start.
void wakeOrTell(const std::string& url, const Options& options, const Report& report);

// The system log (category "finder") and a desktop notification.
Report defaultReport();

// The notice for a failed wake, in the user's language: title and body.
std::pair<std::string, std::string> failureNotice(WakeError error);

// Starts `binary` without arguments, detached from the file manager.
bool startDetached(const std::filesystem::path& binary);

} // namespace OrluneViewerFinder::AppWaker
