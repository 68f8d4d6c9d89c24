#include "finder/AppWaker.h"

#include "platform/AppSocket.h"
#include "platform/Folders.h"
#include "store/AppGroup.h"

namespace OrluneViewerFinder::AppWaker {

EditorCore::Result<void, WakeError> wake(const std::string& url, const Options& options)
{
    Platform::AppSocket::Launch launch;
    launch.start = options.startApplication;
    launch.acknowledgementTimeout = options.acknowledgementTimeout;
    launch.startTimeout = options.startTimeout;
    launch.pollInterval = options.pollInterval;
    return Platform::AppSocket::handOverLaunching(options.socketPath, {{url}, true}, launch);
}

Options defaultOptions()
{
    Options options;
    options.socketPath = Platform::AppSocket::path(
        Platform::Folders::appGroupContainer(EditorStore::appGroupIdentifier));
    options.startApplication = [] { return startDetached(applicationBinary()); };
    return options;
}

std::filesystem::path applicationBinary()
{
    return std::filesystem::path(OLV_INSTALL_PREFIX) / "lib/orlune-viewer/orlune-viewer";
}

bool startDetached(const std::filesystem::path& binary)
{
    return Platform::AppSocket::startDetached(binary);
}

} // namespace OrluneViewerFinder::AppWaker
