#pragma once

#include "core/Result.h"

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

enum class WakeError {
    notAcknowledged, // something listens but did not take the URL
    couldNotStart,
    neverListened, // started, but not listening within the start timeout
    unwritable,    // the message could not be made or sent
};

[[nodiscard]] EditorCore::Result<void, WakeError> wake(const std::string& url,
                                                       const Options& options);

// The installed application's socket (in the runtime folder, else the app-group container)
// and binary.
Options defaultOptions();

// <prefix>/lib/orlune-viewer/orlune-viewer, where the installation keeps the application.
std::filesystem::path applicationBinary();

// Starts `binary` without arguments in a session of its own, reaped by init rather than by the
// caller, with standard input from /dev/null.
bool startDetached(const std::filesystem::path& binary);

} // namespace OrluneViewerFinder::AppWaker
