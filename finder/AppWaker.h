#pragma once

#include "core/Result.h"
#include "platform/AppSocket.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

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

// The installed application's socket (in the runtime folder, else the app-group container)
// and binary.
Options defaultOptions();

// <prefix>/lib/orlune-viewer/orlune-viewer, where the installation keeps the application.
std::filesystem::path applicationBinary();

// Starts `binary` without arguments, detached from the file manager.
bool startDetached(const std::filesystem::path& binary);

} // namespace OrluneViewerFinder::AppWaker
