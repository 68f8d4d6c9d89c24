#include "app/features/GrammarCenter.h"
#include "tests/app/features/GrammarServer.h"

#include <QCoreApplication>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using AppFeatures::GrammarCenter;
using EditorFeatures::CodeLanguage;
using GrammarTest::Package;
using Kind = GrammarCenter::Phase::Kind;
using Level = EditorStore::ErrorLog::Level;

namespace {

struct LogLine
{
    Level level;
    std::string key;
    EditorStore::ErrorLog::Fields fields;
};

// A center over a fresh grammar server, with its log lines and notifications recorded.
class GrammarCenterTest : public ::testing::Test
{
protected:
    GrammarCenter& makeCenter()
    {
        m_center = std::make_unique<GrammarCenter>(
            server.store(),
            [this](Level level, std::string_view key, const EditorStore::ErrorLog::Fields& f) {
                lines.push_back({level, std::string(key), f});
            });
        m_spy = std::make_unique<QSignalSpy>(m_center.get(), &GrammarCenter::grammarsDidChange);
        return *m_center;
    }

    // Lets background work end and its results (and their notifications) arrive.
    void settle()
    {
        for (int round = 0; round < 4; ++round) {
            m_center->waitForBackgroundWork();
            QCoreApplication::sendPostedEvents();
            QCoreApplication::processEvents();
        }
    }

    int notifications() const { return static_cast<int>(m_spy->count()); }

    std::vector<std::string> keys() const
    {
        std::vector<std::string> result;
        for (const auto& line : lines)
            result.push_back(line.key);
        return result;
    }

    GrammarTest::GrammarServer server;
    std::vector<LogLine> lines;
    std::unique_ptr<GrammarCenter> m_center;
    std::unique_ptr<QSignalSpy> m_spy;
};

} // namespace

TEST_F(GrammarCenterTest, aDownloadInstallsLoadsAndAnnouncesStartAndEnd)
{
    server.publish(GrammarTest::GrammarServer::markdownPackages());
    auto& center = makeCenter();
    center.store().setDeclined(CodeLanguage::markdown, true);
    EXPECT_FALSE(center.isInstalled(CodeLanguage::markdown));

    center.startDownload(CodeLanguage::markdown);
    // The refusal is cleared before anything is fetched; the change is announced later.
    EXPECT_FALSE(center.store().isDeclined(CodeLanguage::markdown));
    EXPECT_EQ(center.phase(CodeLanguage::markdown).kind, Kind::downloading);
    EXPECT_EQ(notifications(), 0);
    // A second start while the first runs is ignored.
    center.startDownload(CodeLanguage::markdown);
    center.loadInstalled(CodeLanguage::markdown);

    settle();
    EXPECT_EQ(notifications(), 2);
    EXPECT_EQ(center.phase(CodeLanguage::markdown), GrammarCenter::Phase{});
    ASSERT_TRUE(center.grammar(CodeLanguage::markdown));
    EXPECT_EQ(center.grammar(CodeLanguage::markdown)->language.name(), "markdown");
    EXPECT_TRUE(center.isInstalled(CodeLanguage::markdown));
    EXPECT_FALSE(center.needsUpdate(CodeLanguage::markdown));
    EXPECT_TRUE(center.injectionGrammars().contains("markdown"));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].level, Level::notice);
    EXPECT_EQ(lines[0].key, "grammar.installed");
    EXPECT_EQ(lines[0].fields,
              (EditorStore::ErrorLog::Fields{
                  {"name", "markdown"}, {"version", "1.0"}, {"revision", "2"}}));

    // Downloading what is installed identically fetches only the index and loads again.
    center.startDownload(CodeLanguage::markdown);
    settle();
    EXPECT_EQ(notifications(), 4);
    EXPECT_EQ(keys(), (std::vector<std::string>{"grammar.installed", "grammar.installed"}));
    EXPECT_EQ(center.phase(CodeLanguage::markdown).kind, Kind::idle);
}

TEST_F(GrammarCenterTest, eachFailureEndsInItsTextAndLogKey)
{
    struct Case
    {
        const char* name;
        std::function<void(GrammarTest::GrammarServer&)> prepare;
        CodeLanguage language;
        QString message;
        std::string key;
    };
    const auto python = [](GrammarTest::GrammarServer& s) {
        s.publish({Package{"python", {"python"}}});
    };
    const Case cases[] = {
        {"no entry for the language",
         python,
         CodeLanguage::rust,
         "이 언어의 문법이 아직 없어요",
         "notAvailable"},
        {"index signed by another key",
         [&](auto& s) {
             python(s);
             s.signWithAnotherKey();
         },
         CodeLanguage::python,
         "문법 목록의 서명이 맞지 않아 받지 않았어요",
         "index.badSignature"},
        {"archive differs from its entry",
         [&](auto& s) {
             python(s);
             s.damageArchive("python");
         },
         CodeLanguage::python,
         "받은 파일이 목록과 달라 쓰지 않았어요",
         "corrupted"},
        {"archive without its library",
         [](auto& s) {
             Package package{"python", {"python"}};
             package.withoutLibrary = true;
             s.publish({package});
         },
         CodeLanguage::python,
         "받은 문법을 풀지 못했어요",
         "unpack"},
        {"library without the symbol",
         [](auto& s) {
             Package package{"python", {"python"}};
             package.symbol = "tree_sitter_python";
             s.publish({package});
         },
         CodeLanguage::python,
         "이 문법을 읽지 못했어요",
         "load.missingSymbol"},
        {"library the loader refuses",
         [](auto& s) {
             Package package{"python", {"python"}};
             package.library = "#!/bin/sh\n";
             s.publish({package});
         },
         CodeLanguage::python,
         "맥이 이 문법을 열지 않았어요 (서명 확인)",
         "refused"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        GrammarTest::GrammarServer fresh;
        c.prepare(fresh);
        lines.clear();
        m_center = std::make_unique<GrammarCenter>(
            fresh.store(),
            [this](Level level, std::string_view key, const EditorStore::ErrorLog::Fields& f) {
                lines.push_back({level, std::string(key), f});
            });
        m_spy = std::make_unique<QSignalSpy>(m_center.get(), &GrammarCenter::grammarsDidChange);
        m_center->startDownload(c.language);
        settle();
        EXPECT_EQ(notifications(), 2);
        EXPECT_EQ(m_center->phase(c.language), GrammarCenter::Phase::failed(c.message));
        EXPECT_FALSE(m_center->grammar(c.language));
        ASSERT_FALSE(lines.empty());
        const auto& last = lines.back();
        EXPECT_EQ(last.level, Level::warning);
        EXPECT_EQ(last.key, "grammar.failed");
        EXPECT_EQ(last.fields,
                  (EditorStore::ErrorLog::Fields{
                      {"language", std::string(EditorFeatures::rawValue(c.language))},
                      {"error", c.key}}));
    }
}

TEST_F(GrammarCenterTest, aMissingServerIsADownloadFailureNamingTheDetail)
{
    auto& center = makeCenter();
    center.startDownload(CodeLanguage::python);
    settle();
    const auto phase = center.phase(CodeLanguage::python);
    EXPECT_EQ(phase.kind, Kind::failed);
    EXPECT_TRUE(phase.message.startsWith("받지 못했어요 — 인터넷 연결을 확인해 주세요 ("))
        << phase.message.toStdString();
    EXPECT_TRUE(phase.message.endsWith(")"));
    EXPECT_FALSE(phase.message.contains("%@"));
    EXPECT_EQ(lines.back().fields.back(),
              (std::pair<std::string, std::string>{"error", "download"}));
    // After a failure a new start is a retry.
    server.publish({Package{"python", {"python"}}});
    center.startDownload(CodeLanguage::python);
    EXPECT_EQ(center.phase(CodeLanguage::python).kind, Kind::downloading);
    settle();
    EXPECT_EQ(center.phase(CodeLanguage::python).kind, Kind::idle);
}

TEST_F(GrammarCenterTest, installedGrammarsLoadOnceAndAFailedOneIsNotLoadedAgain)
{
    Package broken{"python", {"python"}};
    broken.symbol = "tree_sitter_python";
    server.publish({Package{"go", {"go"}}, broken});
    {
        auto store = server.store();
        ASSERT_TRUE(store.install(CodeLanguage::go));
        ASSERT_TRUE(store.install(CodeLanguage::python));
    }
    auto& center = makeCenter();
    EXPECT_TRUE(center.isInstalled(CodeLanguage::go));
    EXPECT_FALSE(center.grammar(CodeLanguage::go));

    center.loadInstalled(CodeLanguage::go);
    EXPECT_EQ(center.phase(CodeLanguage::go).kind, Kind::loading);
    center.loadInstalled(CodeLanguage::go);
    center.loadInstalled(CodeLanguage::python);
    // Nothing installed serves Rust: no phase.
    center.loadInstalled(CodeLanguage::rust);
    settle();
    // One notification per finished load, none for entering loading.
    EXPECT_EQ(notifications(), 2);
    EXPECT_TRUE(center.grammar(CodeLanguage::go));
    EXPECT_EQ(center.phase(CodeLanguage::python),
              GrammarCenter::Phase::failed("이 문법을 읽지 못했어요"));
    EXPECT_EQ(center.phase(CodeLanguage::rust), GrammarCenter::Phase{});

    // A failed language keeps its text until a download is started.
    center.loadInstalled(CodeLanguage::python);
    settle();
    EXPECT_EQ(notifications(), 2);
    EXPECT_EQ(center.phase(CodeLanguage::python).kind, Kind::failed);
    const auto logged = keys();
    EXPECT_EQ(std::count(logged.begin(), logged.end(), "grammar.failed"), 1);
}

TEST_F(GrammarCenterTest, injectedGrammarsByNameAndTheirReloadAfterAnInstallation)
{
    Package brokenInline{"broken_inline", {}};
    brokenInline.symbol = "tree_sitter_nothing";
    auto packages = GrammarTest::GrammarServer::markdownPackages();
    packages.push_back(brokenInline);
    server.publish(packages);
    {
        auto store = server.store();
        ASSERT_TRUE(store.install(CodeLanguage::markdown));
        ASSERT_TRUE(store.install(*store.refreshIndex()->entry(std::string_view("broken_inline"))));
    }
    auto& center = makeCenter();
    center.loadInjected({"markdown_inline", "broken_inline", "not_installed", "markdown"});
    // A language identifier goes through the language's load; names get no phase.
    EXPECT_EQ(center.phase(CodeLanguage::markdown).kind, Kind::loading);
    settle();
    auto injected = center.injectionGrammars();
    EXPECT_TRUE(injected.contains("markdown_inline"));
    EXPECT_TRUE(injected.contains("markdown"));
    EXPECT_FALSE(injected.contains("broken_inline"));
    EXPECT_FALSE(injected.contains("not_installed"));
    const auto failed = std::find_if(lines.begin(), lines.end(), [](const LogLine& line) {
        return line.key == "grammar.failed";
    });
    ASSERT_NE(failed, lines.end());
    EXPECT_EQ(failed->fields,
              (EditorStore::ErrorLog::Fields{{"name", "broken_inline"},
                                             {"error", "load.missingSymbol"}}));

    // Installing Markdown again drops its companion until a parse asks for it again.
    center.startDownload(CodeLanguage::markdown);
    settle();
    EXPECT_FALSE(center.injectionGrammars().contains("markdown_inline"));
    center.loadInjected({"markdown_inline"});
    settle();
    EXPECT_TRUE(center.injectionGrammars().contains("markdown_inline"));
}

TEST_F(GrammarCenterTest, builtInGrammarsWinForTheirLanguagesButNotAmongInjections)
{
    server.publish({Package{"jsonalt", {"json"}}});
    auto& center = makeCenter();
    EXPECT_EQ(center.injectionGrammars().at("yaml").language.name(), "yaml");
    EXPECT_EQ(center.injectionGrammars().at("json").language.name(), "json");
    center.startDownload(CodeLanguage::json);
    settle();
    ASSERT_TRUE(center.grammar(CodeLanguage::json));
    EXPECT_EQ(center.grammar(CodeLanguage::json)->language.name(), "json");
    EXPECT_EQ(center.injectionGrammars().at("json").language.name(), "jsonalt");
}

TEST_F(GrammarCenterTest, changesAreAnnouncedInALaterTurn)
{
    auto& center = makeCenter();
    center.postChange();
    EXPECT_EQ(notifications(), 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(notifications(), 1);
}

TEST(GrammarCenterPlaces, urlAndRootFromThePreferences)
{
    using Values = std::map<std::string, std::string, std::less<>>;
    auto placesOf = [](Values values) {
        return GrammarCenter::places([values](std::string_view name) -> std::optional<std::string> {
            auto found = values.find(name);
            if (found == values.end())
                return std::nullopt;
            return found->second;
        });
    };
    const auto defaults = placesOf({});
    EXPECT_EQ(defaults.baseURL, EditorFeatures::GrammarStore::defaultBaseURL());
    EXPECT_EQ(defaults.root, EditorFeatures::GrammarStore::defaultRoot());
    EXPECT_EQ(placesOf({{"OLGrammarsURL", "not a url"}}).baseURL,
              EditorFeatures::GrammarStore::defaultBaseURL());
    EXPECT_EQ(placesOf({{"OLGrammarsURL", ""}}).baseURL,
              EditorFeatures::GrammarStore::defaultBaseURL());
    const auto given = placesOf(
        {{"OLGrammarsURL", "https://grammars.example.org/v1/"}, {"OLGrammarsRoot", "/tmp/g"}});
    EXPECT_EQ(given.baseURL, "https://grammars.example.org/v1/");
    EXPECT_EQ(given.root, std::filesystem::path("/tmp/g"));
    GrammarCenter center(EditorFeatures::GrammarStore("/tmp/g", given.baseURL));
    EXPECT_EQ(center.serverName(), "grammars.example.org");
    // A local index is named by its folder, which says more than "file:///…".
    EXPECT_EQ(AppFeatures::storeServerName("file:///usr/share/orlune-viewer/grammars/"),
              "/usr/share/orlune-viewer/grammars");
    EXPECT_EQ(AppFeatures::storeServerName("file:///srv/a%20b/"), "/srv/a b");
}
