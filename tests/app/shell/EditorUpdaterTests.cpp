// The updater: reading the feed, comparing versions, the policy around the checks and what the
// user is shown; feeds on file URLs and on a loopback HTTP server, with an injected clock.

#include "app/kit/Presenter.h"
#include "app/shell/EditorUpdater.h"
#include "app/shell/UpdateFeed.h"
#include "tests/features/StoreTestSupport.h"
#include "tests/platform/TemporaryFolder.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

#include <fstream>

using EditorShell::EditorUpdater;
namespace UpdateFeed = EditorShell::UpdateFeed;
using namespace std::chrono_literals;
using std::chrono::system_clock;

namespace {

std::vector<std::uint8_t> bytes(std::string_view text)
{
    return {text.begin(), text.end()};
}

std::string feed(std::initializer_list<std::pair<std::string, std::string>> items)
{
    std::string text =
        "<?xml version=\"1.0\"?>\n<rss version=\"2.0\" "
        "xmlns:olv=\"https://orlune.app/update\"><channel><title>Orlune Viewer</title>";
    for (const auto& [version, link] : items)
        text += "<item><title>Orlune Viewer " + version + "</title><olv:version>" + version
                + "</olv:version><link>" + link + "</link></item>";
    return text + "</channel></rss>\n";
}

struct RecordingPresenter : EditorKit::Presenter
{
    std::vector<EditorKit::Alert> alerts;
    int answer = 1;
    int runAlert(const EditorKit::Alert& alert, QWidget*) override
    {
        alerts.push_back(alert);
        return answer;
    }
    std::optional<std::filesystem::path> runSavePanel(QWidget*, const QString&) override
    {
        return std::nullopt;
    }
};

} // namespace

TEST(UpdateFeed, readsTheItemsThatNameAVersion)
{
    auto items = UpdateFeed::parse(bytes(
        feed({{"1.2.0", "https://orlune.app/d/1.2.0"}, {"1.10", "https://orlune.app/d/1.10"}})));
    ASSERT_TRUE(items) << items.error();
    EXPECT_EQ(*items,
              (std::vector<UpdateFeed::Item>{
                  {"Orlune Viewer 1.2.0", "1.2.0", "https://orlune.app/d/1.2.0"},
                  {"Orlune Viewer 1.10", "1.10", "https://orlune.app/d/1.10"}}));
    auto plain = UpdateFeed::parse(
        bytes("<rss><channel><item><version> 2.0 </version><link>https://x.example/</link></item>"
              "<item><title>no version</title></item></channel></rss>"));
    ASSERT_TRUE(plain);
    ASSERT_EQ(plain->size(), 1u);
    EXPECT_EQ((*plain)[0].version, "2.0");

    for (const char* damaged : {"",
                                "<rss><channel>",
                                "<html/>",
                                "not xml at all",
                                "<rss><item><version>9</version></item></rss>"})
        EXPECT_FALSE(UpdateFeed::parse(bytes(damaged))) << damaged;
    // Entities are neither fetched nor expanded.
    auto entity = UpdateFeed::parse(
        bytes("<!DOCTYPE rss [<!ENTITY e SYSTEM \"file:///etc/passwd\">]>"
              "<rss><channel><item><version>1&e;</version><link>https://x.example/</link></item>"
              "</channel></rss>"));
    if (entity) {
        for (const auto& item : *entity)
            EXPECT_EQ(item.version.find("root"), std::string::npos);
    }
}

TEST(UpdateFeed, versionsCompareNumberByNumberAndLinksMustBeHttps)
{
    struct Case
    {
        const char* a;
        const char* b;
        int order;
    };
    const Case cases[] = {
        {"1.10", "1.9", 1},
        {"1.2", "1.2.0", 0},
        {"1.2.1", "1.2", 1},
        {"0.9", "1.0", -1},
        {"2.0b1", "2.0", 0},
        {"10", "9.9.9", 1},
        {"", "0", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(UpdateFeed::compareVersions(c.a, c.b), c.order) << c.a << " " << c.b;
        EXPECT_EQ(UpdateFeed::compareVersions(c.b, c.a), -c.order) << c.b << " " << c.a;
    }
    const std::vector<UpdateFeed::Item> items = {
        {"", "1.1", "https://a/"}, {"", "1.3", "https://c/"}, {"", "1.2", "https://b/"}};
    EXPECT_EQ(UpdateFeed::newest(items, "1.0")->version, "1.3");
    EXPECT_FALSE(UpdateFeed::newest(items, "1.3"));
    EXPECT_FALSE(UpdateFeed::newest(items, "2.0"));

    for (const char* safe : {"https://orlune.app/download", "HTTPS://orlune.app/"})
        EXPECT_TRUE(UpdateFeed::isSafeLink(safe)) << safe;
    for (const char* unsafe : {"http://orlune.app/",
                               "file:///etc/passwd",
                               "javascript:alert(1)",
                               "https://",
                               "https:///path",
                               "https://a b/",
                               "orlune.app"})
        EXPECT_FALSE(UpdateFeed::isSafeLink(unsafe)) << unsafe;
}

namespace {

struct Updater : ::testing::Test
{
    TemporaryFolder folder;
    system_clock::time_point now = system_clock::time_point(std::chrono::seconds(1'800'000'000));
    std::shared_ptr<RecordingPresenter> presenter = std::make_shared<RecordingPresenter>();
    std::vector<QUrl> opened;
    int fetches = 0;

    std::string writeFeed(const std::string& text, const std::string& name = "feed.xml")
    {
        std::ofstream(folder / name) << text;
        return QUrl::fromLocalFile(QString::fromStdString((folder / name).string()))
            .toString()
            .toStdString();
    }

    EditorUpdater::Services services(std::optional<std::string> configured = std::nullopt)
    {
        EditorUpdater::Services result;
        result.now = [this] { return now; };
        result.preferences = std::make_shared<Platform::PreferencesDomain>(folder / "prefs.json");
        result.presenter = presenter;
        result.openURL = [this](const QUrl& url) { opened.push_back(url); };
        result.configuredFeed = configured.value_or("");
        result.currentVersion = "1.2.0";
        result.fetch = [this](const std::string& url) {
            ++fetches;
            return EditorFeatures::DownloadTransport::defaultFetch(url);
        };
        return result;
    }

    // Waits for the check under way to come back.
    static bool finished(EditorUpdater& updater)
    {
        QSignalSpy spy(&updater, &EditorUpdater::checkFinished);
        return spy.wait(10000);
    }
};

} // namespace

TEST_F(Updater, beforeTheStartNothingHappens)
{
    EditorUpdater updater(writeFeed(feed({{"9.0", "https://orlune.app/"}})), services());
    updater.checkForUpdates();
    updater.setAutomaticChecks(true);
    QCoreApplication::processEvents();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !updater.isChecking(); }, 10000));
    EXPECT_FALSE(updater.isStarted());
    EXPECT_FALSE(updater.canCheckForUpdates());
    EXPECT_FALSE(updater.lastUpdateCheckDate());
    EXPECT_FALSE(updater.nextAutomaticCheck());
    EXPECT_EQ(fetches, 0);
    EXPECT_TRUE(presenter->alerts.empty());
}

TEST_F(Updater, theOverrideIsReadAndAStartHappensOnce)
{
    const auto configured = writeFeed(feed({{"1.0", "https://a.example/"}}), "configured.xml");
    const auto override = writeFeed(feed({{"1.3", "https://orlune.app/1.3"}}));
    EditorUpdater plain(std::nullopt, services(configured));
    EXPECT_FALSE(plain.feedURLString());
    EXPECT_EQ(plain.feedURL(), configured);
    EditorUpdater none(std::nullopt, services());
    none.start(false);
    EXPECT_FALSE(none.canCheckForUpdates()) << "no feed, no checks";
    // Asked anyway, it says so instead of staying silent.
    none.checkForUpdates();
    ASSERT_EQ(presenter->alerts.size(), 1u);
    EXPECT_EQ(presenter->alerts[0].text, QStringLiteral("업데이트를 확인할 수 없어요."));
    EXPECT_EQ(fetches, 0);
    presenter->alerts.clear();

    EditorUpdater updater(override, services(configured));
    EXPECT_EQ(updater.feedURLString(), override);
    updater.start(false);
    updater.start(true);
    EXPECT_FALSE(updater.automaticChecks()) << "the first start's setting stays";
    EXPECT_FALSE(updater.nextAutomaticCheck());
    updater.checkForUpdates();
    ASSERT_TRUE(finished(updater));
    ASSERT_EQ(presenter->alerts.size(), 1u);
    EXPECT_EQ(presenter->alerts[0].text, QStringLiteral("Orlune Viewer 1.3 이 나왔어요."));
}

TEST_F(Updater, newerEqualAndOlderVersionsOverHttp)
{
    TemporaryFolder served;
    StoreTest::LoopbackServer server(served.path());
    const auto write = [&](const std::string& text) { std::ofstream(served / "feed.xml") << text; };
    EditorUpdater updater(server.url("feed.xml"), services());
    updater.start(false);

    struct Case
    {
        const char* name;
        std::string feed;
        std::optional<QString> text;
        int answer;
        std::vector<QUrl> opened;
    };
    const Case cases[] = {
        {"newer, opened",
         feed({{"1.1", "https://o.example/1.1"}, {"1.3", "https://o.example/1.3"}}),
         QStringLiteral("Orlune Viewer 1.3 이 나왔어요."),
         0,
         {QUrl("https://o.example/1.3")}},
        {"newer, later",
         feed({{"1.3", "https://o.example/1.3"}}),
         QStringLiteral("Orlune Viewer 1.3 이 나왔어요."),
         1,
         {}},
        {"equal",
         feed({{"1.2", "https://o.example/1.2"}}),
         QStringLiteral("최신 버전을 쓰고 있어요."),
         0,
         {}},
        {"older",
         feed({{"0.9", "https://o.example/0.9"}}),
         QStringLiteral("최신 버전을 쓰고 있어요."),
         0,
         {}},
        {"not https",
         feed({{"2.0", "http://o.example/2.0"}}),
         QStringLiteral("업데이트를 확인하지 못했어요."),
         0,
         {}},
        {"damaged", "<rss><channel><item>", QStringLiteral("업데이트를 확인하지 못했어요."), 0, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        write(c.feed);
        presenter->alerts.clear();
        presenter->answer = c.answer;
        opened.clear();
        updater.checkForUpdates();
        ASSERT_TRUE(finished(updater));
        ASSERT_EQ(presenter->alerts.size(), 1u);
        EXPECT_EQ(presenter->alerts[0].text, *c.text);
        EXPECT_EQ(opened, c.opened);
    }
    server.setStatus("feed.xml", 404);
    presenter->alerts.clear();
    updater.checkForUpdates();
    ASSERT_TRUE(finished(updater));
    ASSERT_EQ(presenter->alerts.size(), 1u);
    EXPECT_NE(presenter->alerts[0].informativeText.indexOf(QStringLiteral("404")), -1)
        << presenter->alerts[0].informativeText.toStdString();
    for (const auto& request : server.requests())
        EXPECT_EQ(request.userAgent, "OrluneViewer");
}

TEST_F(Updater, automaticChecksRunDailyAndSpeakOnlyOfANewerVersion)
{
    const auto url = writeFeed("<rss><channel><item>");
    {
        EditorUpdater updater(url, services());
        updater.start(true);
        EXPECT_EQ(updater.nextAutomaticCheck(), now) << "never checked: at once";
        ASSERT_TRUE(finished(updater));
        EXPECT_TRUE(presenter->alerts.empty()) << "a damaged feed is not said unasked";
        EXPECT_EQ(updater.lastUpdateCheckDate(), now);
        EXPECT_EQ(updater.nextAutomaticCheck(), now + 24h);
        updater.setAutomaticChecks(false);
        EXPECT_FALSE(updater.nextAutomaticCheck());
    }
    // After a restart the date is still there, and the next check waits for its day.
    now += 5h;
    writeFeed(feed({{"1.4", "https://orlune.app/1.4"}}));
    {
        EditorUpdater updater(url, services());
        EXPECT_FALSE(updater.lastUpdateCheckDate()) << "not before the start";
        updater.start(true);
        EXPECT_EQ(updater.lastUpdateCheckDate(), now - 5h);
        EXPECT_EQ(updater.nextAutomaticCheck(), now + 19h);
        QCoreApplication::processEvents();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !updater.isChecking(); }, 10000));
        EXPECT_EQ(fetches, 1);
    }
    now += 20h;
    {
        EditorUpdater updater(url, services());
        updater.start(true);
        EXPECT_EQ(updater.nextAutomaticCheck(), now) << "overdue: at once";
        ASSERT_TRUE(finished(updater));
        ASSERT_EQ(presenter->alerts.size(), 1u);
        EXPECT_EQ(presenter->alerts[0].text, QStringLiteral("Orlune Viewer 1.4 이 나왔어요."));
    }
}
