#include "finder/AppWaker.h"

#include "finder/EditorLocator.h"
#include "finder/FinderTexts.h"
#include "platform/AppSocket.h"
#include "platform/Folders.h"
#include "platform/SystemLog.h"
#include "store/AppGroup.h"

#include <gio/gio.h>

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

Options defaultOptions(const Report& report)
{
    return optionsFor(EditorLocator::defaultPlaces(), report);
}

Options optionsFor(const EditorLocator::Places& places, const Report& report)
{
    Options options;
    options.socketPath = Platform::AppSocket::path(
        Platform::Folders::appGroupContainer(EditorStore::appGroupIdentifier));
    options.startApplication = [places, report] {
        const auto found = EditorLocator::find(places);
        if (!found) {
            if (report.logError)
                report.logError("editor not found; looked in " + EditorLocator::describe(places));
            return false;
        }
        if (!startDetached(found->application)) {
            if (report.logError)
                report.logError("could not start the editor " + found->application.string());
            return false;
        }
        if (report.logInfo)
            report.logInfo("started the editor " + found->application.string() + " (found by "
                           + std::string(EditorLocator::rawValue(found->source)) + ")");
        return true;
    };
    return options;
}

std::pair<std::string, std::string> failureNotice(WakeError error)
{
    using namespace FinderTexts;
    const std::string title = localized(couldNotStartTitle);
    switch (error) {
    case WakeError::couldNotStart:
        return {title, localized(editorNotFound)};
    case WakeError::neverListened:
    case WakeError::notAcknowledged:
    case WakeError::unwritable:
        break;
    }
    return {title, localized(editorDidNotAnswer)};
}

void wakeOrTell(const std::string& url, const Options& options, const Report& report)
{
    auto woken = wake(url, options);
    if (woken)
        return;
    static constexpr std::string_view reasons[] = {
        "the editor did not take it", "the editor could not be started",
        "the started editor never listened", "the request could not be sent"};
    if (report.logError)
        report.logError("request not handed over (" + std::string(reasons[int(woken.error())])
                        + "), it waits in the mailbox: " + url);
    if (report.tellUser) {
        auto [title, body] = failureNotice(woken.error());
        report.tellUser(title, body);
    }
}

Report defaultReport()
{
    Report report;
    report.logError = [](std::string_view message) {
        Platform::SystemLog::write(
            "app.orlune.viewer", "finder", Platform::SystemLog::Level::error, message);
    };
    report.logInfo = [](std::string_view message) {
        Platform::SystemLog::write(
            "app.orlune.viewer", "finder", Platform::SystemLog::Level::info, message);
    };
    report.tellUser = [logError = report.logError](const std::string& title,
                                                   const std::string& body) {
        // The desktop's notification service; the file manager's process has the session bus.
        GError* error = nullptr;
        GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
        GVariant* reply = nullptr;
        if (bus != nullptr) {
            GVariantBuilder actions;
            g_variant_builder_init(&actions, G_VARIANT_TYPE("as"));
            GVariantBuilder hints;
            g_variant_builder_init(&hints, G_VARIANT_TYPE("a{sv}"));
            g_variant_builder_add(
                &hints, "{sv}", "desktop-entry", g_variant_new_string("app.orlune.viewer"));
            reply = g_dbus_connection_call_sync(
                bus,
                "org.freedesktop.Notifications",
                "/org/freedesktop/Notifications",
                "org.freedesktop.Notifications",
                "Notify",
                g_variant_new("(susssasa{sv}i)",
                              "Orlune Viewer",
                              0u,
                              "app.orlune.viewer",
                              title.c_str(),
                              body.c_str(),
                              &actions,
                              &hints,
                              -1),
                G_VARIANT_TYPE("(u)"),
                G_DBUS_CALL_FLAGS_NONE,
                5000,
                nullptr,
                &error);
            g_object_unref(bus);
        }
        if (reply != nullptr) {
            g_variant_unref(reply);
            return;
        }
        logError("could not tell the user (" + std::string(error ? error->message : "no bus")
                 + "): " + title + " " + body);
        if (error != nullptr)
            g_error_free(error);
    };
    return report;
}

bool startDetached(const std::filesystem::path& binary)
{
    return Platform::AppSocket::startDetached(binary);
}

} // namespace OrluneViewerFinder::AppWaker
