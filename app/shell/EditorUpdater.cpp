#include "app/shell/EditorUpdater.h"

#include "app/kit/Localized.h"
#include "app/kit/Presenter.h"
#include "app/kit/AppLog.h"
#include "platform/SerialQueue.h"
#include "store/AppGroup.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QPointer>
#include <QUrl>

#include <sstream>

#ifndef OLV_UPDATE_FEED_URL
#define OLV_UPDATE_FEED_URL ""
#endif

namespace EditorShell {

using EditorKit::localized;
using std::chrono::system_clock;

namespace {

std::string buildVersion()
{
    const std::string& version = AppLog::appVersion();
    return version.substr(0, version.find('('));
}

QString filled(QString text, std::initializer_list<QString> values)
{
    for (const QString& value : values) {
        auto at = text.indexOf(QLatin1String("%@"));
        if (at < 0)
            break;
        text.replace(at, 2, value);
    }
    return text;
}

} // namespace

EditorUpdater::EditorUpdater(std::optional<std::string> feedOverride, Services services)
    : m_feedOverride(std::move(feedOverride))
    , m_services(std::move(services))
{
    if (m_feedOverride && m_feedOverride->empty())
        m_feedOverride.reset();
    if (!m_services.fetch)
        m_services.fetch = EditorFeatures::DownloadTransport::defaultFetch;
    if (!m_services.now)
        m_services.now = [] { return system_clock::now(); };
    if (!m_services.preferences)
        m_services.preferences =
            std::make_shared<Platform::PreferencesDomain>(EditorStore::standardPreferencesFile());
    if (!m_services.openURL)
        m_services.openURL = [](const QUrl& url) { QDesktopServices::openUrl(url); };
    if (!m_services.configuredFeed)
        m_services.configuredFeed = std::string(OLV_UPDATE_FEED_URL);
    if (!m_services.currentVersion)
        m_services.currentVersion = buildVersion();
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] { runCheck(false); });
}

EditorUpdater::~EditorUpdater()
{
    // The worker's last job may still post back; the QPointer in it finds nothing.
    m_queue.reset();
}

std::string EditorUpdater::feedURL() const
{
    return m_feedOverride ? *m_feedOverride : m_services.configuredFeed.value_or(std::string());
}

void EditorUpdater::start(bool automaticChecks)
{
    if (m_started)
        return;
    m_started = true;
    m_automatic = automaticChecks;
    m_queue = std::make_unique<Platform::SerialQueue>("app.orlune.viewer.updater");
    scheduleAutomaticCheck();
}

bool EditorUpdater::canCheckForUpdates() const
{
    return m_started && !feedURL().empty();
}

void EditorUpdater::checkForUpdates()
{
    if (!m_started)
        return;
    if (feedURL().empty()) {
        // Asked by the user, so answered: a build without a feed has nowhere to look.
        if (m_services.presenter) {
            EditorKit::Alert alert;
            alert.style = EditorKit::Alert::Style::informational;
            alert.text = localized("업데이트를 확인할 수 없어요.");
            alert.informativeText = localized(
                "이 빌드에는 업데이트를 받아 올 곳이 정해져 있지 않아요. 새 버전은 이 "
                "프로그램을 받은 곳에서 확인하세요.");
            alert.buttons = {localized("확인")};
            alert.cancelButton = 0;
            m_services.presenter->runAlert(alert, nullptr);
        }
        return;
    }
    runCheck(true);
}

void EditorUpdater::setAutomaticChecks(bool on)
{
    if (!m_started)
        return;
    m_automatic = on;
    scheduleAutomaticCheck();
}

std::optional<system_clock::time_point> EditorUpdater::storedLastCheck() const
{
    auto value = m_services.preferences->object(lastCheckKey);
    if (!value)
        return std::nullopt;
    if (const auto* seconds = std::get_if<std::int64_t>(&*value))
        return system_clock::time_point(std::chrono::seconds(*seconds));
    if (const auto* seconds = std::get_if<double>(&*value))
        return system_clock::time_point(std::chrono::seconds(static_cast<std::int64_t>(*seconds)));
    return std::nullopt;
}

std::optional<system_clock::time_point> EditorUpdater::lastUpdateCheckDate() const
{
    if (!m_started)
        return std::nullopt;
    return storedLastCheck();
}

std::optional<system_clock::time_point> EditorUpdater::nextAutomaticCheck() const
{
    return m_timer.isActive() || m_checking ? m_nextCheck : std::nullopt;
}

void EditorUpdater::scheduleAutomaticCheck()
{
    m_timer.stop();
    m_nextCheck.reset();
    if (!m_started || !m_automatic || feedURL().empty())
        return;
    const auto now = m_services.now();
    auto due = now;
    // A last check in the future (a clock set back) counts as now.
    if (auto last = storedLastCheck(); last && *last <= now)
        due = std::max(now, *last + checkInterval);
    m_nextCheck = due;
    if (m_checking)
        return; // planned again when the running check ends
    const auto delay = std::chrono::duration_cast<std::chrono::milliseconds>(due - now);
    m_timer.start(static_cast<int>(std::max<std::int64_t>(0, delay.count())));
}

void EditorUpdater::runCheck(bool userInitiated)
{
    if (m_checking) {
        m_userWaiting = m_userWaiting || userInitiated;
        return;
    }
    m_checking = true;
    m_userWaiting = userInitiated;
    m_timer.stop();
    QPointer<EditorUpdater> self(this);
    auto fetch = m_services.fetch;
    auto feed = feedURL();
    auto current = *m_services.currentVersion;
    m_queue->async([self, fetch, feed, current] {
        Outcome outcome;
        auto bytes = fetch(feed);
        if (!bytes) {
            std::ostringstream text;
            text << bytes.error();
            outcome.error = text.str();
        } else if (auto items = UpdateFeed::parse(*bytes); !items) {
            outcome.error = items.error();
        } else if (auto best = UpdateFeed::newest(*items, current); !best) {
            outcome.kind = Outcome::Kind::upToDate;
        } else if (!UpdateFeed::isSafeLink(best->link)) {
            outcome.error = "the download page is not an https address: " + best->link;
        } else {
            outcome.kind = Outcome::Kind::newer;
            outcome.item = *best;
        }
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, outcome] {
                if (self)
                    self->finishCheck(outcome, self->m_userWaiting);
            },
            Qt::QueuedConnection);
    });
}

void EditorUpdater::finishCheck(Outcome outcome, bool userInitiated)
{
    m_checking = false;
    m_userWaiting = false;
    const auto seconds =
        std::chrono::duration_cast<std::chrono::seconds>(m_services.now().time_since_epoch());
    (void)m_services.preferences->set(lastCheckKey, Platform::PreferenceValue(seconds.count()));
    scheduleAutomaticCheck();
    emit checkFinished(outcome, userInitiated);
    present(outcome, userInitiated);
}

void EditorUpdater::present(const Outcome& outcome, bool userInitiated)
{
    if (!m_services.presenter)
        return;
    // An automatic check speaks only of a newer version.
    if (outcome.kind != Outcome::Kind::newer && !userInitiated)
        return;
    EditorKit::Alert alert;
    const QString current = QString::fromStdString(*m_services.currentVersion);
    switch (outcome.kind) {
    case Outcome::Kind::newer: {
        alert.style = EditorKit::Alert::Style::informational;
        alert.text = filled(localized("Orlune Viewer %@ 이 나왔어요."),
                            {QString::fromStdString(outcome.item.version)});
        alert.informativeText = filled(
            localized("지금 쓰는 버전은 %@ 예요. 다운로드 페이지에서 새 버전을 받아 설치하세요."),
            {current});
        alert.buttons = {localized("다운로드 페이지 열기"), localized("나중에")};
        alert.cancelButton = 1;
        if (m_services.presenter->runAlert(alert, nullptr) == 0)
            m_services.openURL(QUrl(QString::fromStdString(outcome.item.link)));
        return;
    }
    case Outcome::Kind::upToDate:
        alert.style = EditorKit::Alert::Style::informational;
        alert.text = localized("최신 버전을 쓰고 있어요.");
        alert.informativeText =
            filled(localized("Orlune Viewer %@ 이 가장 새 버전이에요."), {current});
        break;
    case Outcome::Kind::failed:
        alert.style = EditorKit::Alert::Style::warning;
        alert.text = localized("업데이트를 확인하지 못했어요.");
        alert.informativeText = QString::fromStdString(outcome.error);
        break;
    }
    alert.buttons = {localized("확인")};
    alert.cancelButton = 0;
    m_services.presenter->runAlert(alert, nullptr);
}

} // namespace EditorShell
