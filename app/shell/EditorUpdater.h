#pragma once

#include "app/shell/UpdateFeed.h"
#include "features/DownloadTransport.h"
#include "platform/PreferencesDomain.h"

#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class QUrl;

namespace Platform {
class SerialQueue;
}

namespace EditorKit {
class Presenter;
}

namespace EditorShell {

// The application's updater: reads the update feed (the OLUpdateFeedURL override, else the
// feed the build was configured with), compares the newest version with ours and offers the
// download page in the browser. It never downloads, installs or runs anything itself. Nothing
// happens until `start`; automatic checks run at most once a day, and the last check's date
// survives restarts in the application's own preferences. Fetching and reading the feed run on
// a worker. Main thread.
class EditorUpdater : public QObject
{
    Q_OBJECT
public:
    using Clock = std::function<std::chrono::system_clock::time_point()>;

    static constexpr std::chrono::seconds checkInterval{86400};
    // The preference holding the last check (seconds since 1970).
    static constexpr std::string_view lastCheckKey = "OLLastUpdateCheckDate";

    struct Services
    {
        EditorFeatures::DownloadTransport::Fetch fetch; // default: the download stores' transport
        Clock now;                                      // default: the system clock
        // Where the last check's date is kept (default: the application's own preferences).
        std::shared_ptr<Platform::PreferencesDomain> preferences;
        std::shared_ptr<EditorKit::Presenter> presenter; // the dialogs; none: nothing is shown
        std::function<void(const QUrl&)> openURL;        // default: the desktop's browser
        std::optional<std::string> configuredFeed;       // default: the build's feed
        std::optional<std::string> currentVersion;       // default: this build's version
    };

    EditorUpdater(std::optional<std::string> feedOverride, Services services = {});
    ~EditorUpdater() override;

    // Starts once; a second call changes nothing (the first call's automatic checks stay).
    void start(bool automaticChecks);
    bool isStarted() const { return m_started; }
    // A check the user asked for: it also says "up to date" and failures, and that there is no
    // feed to read. Nothing before start.
    void checkForUpdates();
    // Started and with a feed to read.
    bool canCheckForUpdates() const;
    // A check is under way (its feed is being read).
    bool isChecking() const { return m_checking; }
    // Follows "update.autoCheck" once started; before, nothing (start reads the value).
    void setAutomaticChecks(bool on);
    bool automaticChecks() const { return m_automatic; }
    // Nothing before start.
    std::optional<std::chrono::system_clock::time_point> lastUpdateCheckDate() const;
    // When the next automatic check is due; none when none is planned.
    std::optional<std::chrono::system_clock::time_point> nextAutomaticCheck() const;
    // The feed handed to the checks: the override, else none (the configured feed is used).
    const std::optional<std::string>& feedURLString() const { return m_feedOverride; }
    // The feed actually read; empty when there is none.
    std::string feedURL() const;

    // What a check found.
    struct Outcome
    {
        enum class Kind { newer, upToDate, failed };
        Kind kind = Kind::failed;
        UpdateFeed::Item item; // newer
        std::string error;     // failed
    };

signals:
    // After each check, with whether the user asked for it.
    void checkFinished(const EditorShell::EditorUpdater::Outcome& outcome, bool userInitiated);

private:
    void runCheck(bool userInitiated);
    void finishCheck(Outcome outcome, bool userInitiated);
    void present(const Outcome& outcome, bool userInitiated);
    void scheduleAutomaticCheck();
    std::optional<std::chrono::system_clock::time_point> storedLastCheck() const;

    std::optional<std::string> m_feedOverride;
    Services m_services;
    bool m_started = false;
    bool m_automatic = false;
    bool m_checking = false;
    bool m_userWaiting = false;
    std::optional<std::chrono::system_clock::time_point> m_nextCheck;
    QTimer m_timer;
    std::unique_ptr<Platform::SerialQueue> m_queue;
};

} // namespace EditorShell
