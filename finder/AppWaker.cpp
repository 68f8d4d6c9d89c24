#include "finder/AppWaker.h"

#include "platform/AppSocket.h"
#include "platform/Folders.h"
#include "store/AppGroup.h"

#include <glib.h>
#include <thread>
#include <unistd.h>

namespace OrluneViewerFinder::AppWaker {
namespace {

using Platform::AppSocket::HandOverError;

WakeError wakeError(HandOverError error)
{
    switch (error) {
    case HandOverError::noListener:
        return WakeError::neverListened;
    case HandOverError::notAcknowledged:
        return WakeError::notAcknowledged;
    case HandOverError::unwritable:
        return WakeError::unwritable;
    }
    return WakeError::unwritable;
}

} // namespace

EditorCore::Result<void, WakeError> wake(const std::string& url, const Options& options)
{
    Platform::AppSocket::HandOver message{{url}, true};
    auto handedOver =
        Platform::AppSocket::handOver(options.socketPath, message, options.acknowledgementTimeout);
    if (handedOver)
        return {};
    // Someone listens but refused, or the message cannot be sent: a second instance would
    // not do better.
    if (handedOver.error() != HandOverError::noListener)
        return EditorCore::failure(wakeError(handedOver.error()));

    if (!options.startApplication || !options.startApplication())
        return EditorCore::failure(WakeError::couldNotStart);
    auto deadline = std::chrono::steady_clock::now() + options.startTimeout;
    while (true) {
        std::this_thread::sleep_for(options.pollInterval);
        handedOver = Platform::AppSocket::handOver(
            options.socketPath, message, options.acknowledgementTimeout);
        if (handedOver)
            return {};
        if (handedOver.error() != HandOverError::noListener)
            return EditorCore::failure(wakeError(handedOver.error()));
        if (std::chrono::steady_clock::now() >= deadline)
            return EditorCore::failure(WakeError::neverListened);
    }
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
    std::string program = binary.string();
    char* argv[] = {program.data(), nullptr};
    // Without G_SPAWN_DO_NOT_REAP_CHILD GLib forks twice, so the application does not become
    // a zombie of the file manager; setsid keeps it alive when the file manager's session ends.
    auto flags = static_cast<GSpawnFlags>(G_SPAWN_STDIN_FROM_DEV_NULL);
    GError* error = nullptr;
    gboolean started = g_spawn_async(
        nullptr, argv, nullptr, flags, [](gpointer) { ::setsid(); }, nullptr, nullptr, &error);
    if (error != nullptr)
        g_error_free(error);
    return started != FALSE;
}

} // namespace OrluneViewerFinder::AppWaker
