#include "app/features/FormatterCenter.h"
#include "tests/app/features/FormatterServer.h"

#include <QCoreApplication>
#include <QThread>

#include <gtest/gtest.h>

#include <map>

using AppFeatures::FormatterCenter;
using Kind = FormatterCenter::Phase::Kind;
using Level = EditorStore::ErrorLog::Level;

namespace {

class FormatterCenterTest : public ::testing::Test
{
protected:
    FormatterCenter& makeCenter()
    {
        m_center = std::make_unique<FormatterCenter>(
            server.store(),
            [this](Level level, std::string_view key, const EditorStore::ErrorLog::Fields& f) {
                lines.push_back({level, std::string(key), f});
            });
        QObject::connect(m_center.get(), &FormatterCenter::phaseDidChange, m_center.get(), [this] {
            phases.push_back(m_center->phase().kind);
        });
        return *m_center;
    }

    void settle()
    {
        for (int round = 0; round < 4; ++round) {
            m_center->waitForBackgroundWork();
            QCoreApplication::sendPostedEvents();
            QCoreApplication::processEvents();
        }
    }

    bool installNow()
    {
        std::optional<bool> result;
        m_center->install([&](bool ok) { result = ok; });
        settle();
        EXPECT_TRUE(result.has_value());
        return result.value_or(false);
    }

    FormatterCenter::FormatOutcome formatNow(std::u16string source)
    {
        std::optional<FormatterCenter::FormatOutcome> outcome;
        const auto formatter = m_center->installed();
        EXPECT_TRUE(formatter);
        m_center->format(
            *formatter, std::move(source), "babel", 2, false, [&](const auto& o) { outcome = o; });
        settle();
        EXPECT_TRUE(outcome.has_value());
        return outcome.value_or(EditorCore::failure(EditorFeatures::PrettierEngine::Failure{}));
    }

    struct LogLine
    {
        Level level;
        std::string key;
        EditorStore::ErrorLog::Fields fields;
    };

    FormatterTest::FormatterServer server;
    std::vector<LogLine> lines;
    std::vector<Kind> phases;
    std::unique_ptr<FormatterCenter> m_center;
};

} // namespace

TEST_F(FormatterCenterTest, aSecondInstallJoinsTheOneUnderWay)
{
    server.publish(FormatterTest::upperCaseBody);
    auto& center = makeCenter();
    std::vector<std::pair<int, bool>> completions;
    center.install([&](bool ok) { completions.emplace_back(1, ok); });
    center.install([&](bool ok) { completions.emplace_back(2, ok); });
    EXPECT_EQ(center.phase().kind, Kind::downloading);
    settle();

    // Both callers hear the one result; one installation, one log line.
    EXPECT_EQ(completions, (std::vector<std::pair<int, bool>>{{1, true}, {2, true}}));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].level, Level::notice);
    EXPECT_EQ(lines[0].key, "formatter.installed");
    EXPECT_EQ(lines[0].fields, (EditorStore::ErrorLog::Fields{{"name", "prettier"}}));
    EXPECT_EQ(phases, (std::vector<Kind>{Kind::downloading, Kind::idle}));
    EXPECT_TRUE(center.installed());
}

TEST_F(FormatterCenterTest, aFailedInstallationCanBeRetried)
{
    server.publishNothing();
    auto& center = makeCenter();
    EXPECT_FALSE(installNow());
    EXPECT_EQ(center.phase().kind, Kind::failed);
    EXPECT_FALSE(center.phase().message.isEmpty());
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].level, Level::warning);
    EXPECT_EQ(lines[0].key, "formatter.failed");
    ASSERT_EQ(lines[0].fields.size(), 1u);
    EXPECT_EQ(lines[0].fields[0].first, "error");

    server.publish(FormatterTest::upperCaseBody);
    EXPECT_TRUE(installNow());
    EXPECT_EQ(phases,
              (std::vector<Kind>{Kind::downloading, Kind::failed, Kind::downloading, Kind::idle}));
    EXPECT_EQ(center.phase(), FormatterCenter::Phase{});
}

TEST_F(FormatterCenterTest, completionsArriveOnTheMainThreadInRequestOrder)
{
    server.publish("return Promise.resolve(text + '!');");
    auto& center = makeCenter();
    ASSERT_TRUE(installNow());
    const auto formatter = center.installed();
    ASSERT_TRUE(formatter);

    std::vector<std::u16string> answers;
    bool allOnMain = true;
    for (const char16_t* source : {u"one", u"two", u"three", u"four"}) {
        center.format(*formatter, source, "babel", 2, false, [&](const auto& outcome) {
            allOnMain = allOnMain && QThread::currentThread() == qApp->thread();
            answers.push_back(outcome.value_or(u"failed"));
        });
    }
    settle();
    EXPECT_TRUE(allOnMain);
    EXPECT_EQ(answers, (std::vector<std::u16string>{u"one!", u"two!", u"three!", u"four!"}));
}

TEST_F(FormatterCenterTest, aDamagedBundleFailsUntilItIsInstalledAgain)
{
    server.publishDamaged("1.0.0");
    makeCenter();
    ASSERT_TRUE(installNow());
    const auto damaged = formatNow(u"text");
    ASSERT_FALSE(damaged);
    EXPECT_NE(damaged.error().message.find("damaged bundle"), std::string::npos);

    // The failed build is not kept: the next request builds the engine from the new bundle.
    server.publish(FormatterTest::upperCaseBody, "1.0.1");
    ASSERT_TRUE(installNow());
    EXPECT_EQ(formatNow(u"text"), std::u16string(u"TEXT\n"));

    // Once built, the engine stays for the run, even when a newer version is installed.
    server.publish("return Promise.resolve('newer');", "1.0.2");
    ASSERT_TRUE(installNow());
    EXPECT_EQ(formatNow(u"text"), std::u16string(u"TEXT\n"));
}

TEST(FormatterCenterPlaces, preferencesThatAreNotValidFallBackToTheDefaults)
{
    const auto places = [](std::map<std::string, std::string> values) {
        return FormatterCenter::places(
            [values](std::string_view name) -> std::optional<std::string> {
                if (auto found = values.find(std::string(name)); found != values.end())
                    return found->second;
                return std::nullopt;
            });
    };
    const auto defaults = places({});
    EXPECT_EQ(defaults.baseURL, EditorFeatures::FormatterStore::defaultBaseURL());
    EXPECT_EQ(defaults.root, EditorFeatures::FormatterStore::defaultRoot());

    EXPECT_EQ(places({{"OLFormattersURL", "not a url"}}).baseURL,
              EditorFeatures::FormatterStore::defaultBaseURL());
    const auto chosen =
        places({{"OLFormattersURL", "https://example.org/f/"}, {"OLFormattersRoot", "/tmp/fmt"}});
    EXPECT_EQ(chosen.baseURL, "https://example.org/f/");
    EXPECT_EQ(chosen.root, std::filesystem::path("/tmp/fmt"));
}
