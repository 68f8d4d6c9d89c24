#include "app/features/GrammarCenter.h"
#include "app/kit/ActionRouter.h"
#include "app/window/BannerView.h"
#include "app/window/DocumentWindowController.h"
#include "app/window/grammar/GrammarBannerFeature.h"
#include "platform/PreferencesDomain.h"
#include "store/SettingKeys.h"
#include "store/Settings.h"
#include "tests/app/features/GrammarServer.h"
#include "tests/app/window/FakeDocument.h"
#include "tests/platform/TemporaryFolder.h"

#include <QCoreApplication>
#include <QPushButton>

#include <gtest/gtest.h>

using AppFeatures::GrammarCenter;
using EditorFeatures::CodeLanguage;
using EditorWindow::BannerView;
using EditorWindow::DocumentWindowController;
using EditorWindow::GrammarBannerFeature;
using EditorWindow::WindowEnvironment;
using WindowTest::FakeDocument;
namespace GrammarBanners = EditorWindow::GrammarBanners;
using State = GrammarBanners::ColoringState;
using Step = GrammarBanners::Decision::Step;
using Phase = GrammarCenter::Phase;
using Kind = Phase::Kind;

TEST(GrammarBanners, decisionTable)
{
    struct Case
    {
        GrammarBanners::Situation situation;
        Step step;
        QString signature;
        BannerView::Kind kind = BannerView::Kind::info;
        std::vector<QString> actions = {};
    };
    auto at = [](CodeLanguage language,
                 State state,
                 Phase phase = {},
                 bool installed = false,
                 bool needsUpdate = false) {
        GrammarBanners::Situation s;
        s.language = language;
        s.state = state;
        s.phase = phase;
        s.installed = installed;
        s.needsUpdate = needsUpdate;
        return s;
    };
    const auto md = CodeLanguage::markdown;
    const auto py = CodeLanguage::python;
    auto disabled = at(md, State::on, {}, true, true);
    disabled.syntaxEnabled = false;
    auto disabledNoGrammar = at(py, State::noGrammar);
    disabledNoGrammar.syntaxEnabled = false;
    auto automatic = at(py, State::noGrammar);
    automatic.autoDownload = true;
    auto declined = at(py, State::noGrammar);
    declined.declined = true;
    auto declinedFailed = at(py, State::noGrammar, Phase::failed("x"));
    declinedFailed.declined = true;
    const std::vector<QString> retry = {"다시 받기"};

    const Case cases[] = {
        // newer editions of a colouring grammar
        {at(md, State::on, {}, true, true),
         Step::show,
         "update.markdown",
         BannerView::Kind::info,
         {"새 판 받기"}},
        {at(md, State::on, {Kind::loading, {}}, true, true),
         Step::show,
         "update.markdown",
         BannerView::Kind::info,
         {"새 판 받기"}},
        {at(md, State::on, {Kind::downloading, {}}, true, true), Step::show, "updating.markdown"},
        {at(md, State::on, Phase::failed("끊김"), true, true),
         Step::show,
         "updateFailed.markdown.끊김",
         BannerView::Kind::warning,
         retry},
        {at(md, State::on, {}, true, false), Step::remove, ""},
        {at(md, State::tooLarge, {}, true, true), Step::remove, ""},
        {disabled, Step::remove, ""},
        // no grammar for a downloadable language
        {at(py, State::noGrammar, {}, true), Step::loadInstalled, ""},
        {at(py, State::noGrammar, {Kind::loading, {}}), Step::show, "downloading.python"},
        {at(py, State::noGrammar, {Kind::downloading, {}}), Step::show, "downloading.python"},
        {at(py, State::noGrammar, Phase::failed("끊김")),
         Step::show,
         "failed.python.끊김",
         BannerView::Kind::warning,
         retry},
        {at(py, State::noGrammar, Phase::failed("안 읽힘"), true),
         Step::show,
         "failed.python.안 읽힘",
         BannerView::Kind::warning,
         retry},
        {declinedFailed, Step::show, "failed.python.x", BannerView::Kind::warning, retry},
        {at(py, State::noGrammar),
         Step::show,
         "offer.python",
         BannerView::Kind::info,
         {"받기", "이 언어는 묻지 않기"}},
        {automatic, Step::startDownload, ""},
        {declined, Step::remove, ""},
        {disabledNoGrammar, Step::remove, ""},
        {at(py, State::off), Step::remove, ""},
        {at(py, State::tooLarge), Step::remove, ""},
        // never offered: built in, plain text, logs
        {at(CodeLanguage::json, State::noGrammar), Step::remove, ""},
        {at(CodeLanguage::yaml, State::noGrammar), Step::remove, ""},
        {at(CodeLanguage::plainText, State::noGrammar), Step::remove, ""},
        {at(CodeLanguage::log, State::noGrammar), Step::remove, ""},
    };
    for (const auto& c : cases) {
        const auto decision = GrammarBanners::decide(c.situation, "grammars.example.org");
        SCOPED_TRACE(c.signature.toStdString() + " / " + std::to_string(int(c.step)));
        EXPECT_EQ(decision.step, c.step);
        if (c.step != Step::show)
            continue;
        EXPECT_EQ(decision.signature, c.signature);
        EXPECT_EQ(decision.kind, c.kind);
        std::vector<QString> titles;
        for (const auto& action : decision.actions)
            titles.push_back(action.second);
        EXPECT_EQ(titles, c.actions);
    }
}

TEST(GrammarBanners, textsNameTheLanguageTheServerAndTheFailure)
{
    GrammarBanners::Situation offer;
    offer.language = CodeLanguage::shell;
    offer.state = State::noGrammar;
    EXPECT_EQ(GrammarBanners::decide(offer, "grammars.example.org").message,
              "「셸 스크립트」 에 색을 칠하려면 문법을 한 번 받아야 해요 (grammars.example.org · "
              "수백 KB).");
    offer.phase = Phase::failed("이 언어의 문법이 아직 없어요");
    EXPECT_EQ(GrammarBanners::decide(offer, "x").message,
              "「셸 스크립트」 색칠 문법 — 이 언어의 문법이 아직 없어요");
    offer.language = CodeLanguage::markdown;
    offer.state = State::on;
    offer.needsUpdate = true;
    offer.phase = {Kind::downloading, {}};
    EXPECT_EQ(GrammarBanners::decide(offer, "x").message,
              "「Markdown」 색칠 문법 새 판을 받는 중이에요…");
}

namespace {

// Windows over one grammar center and one grammar server, with only the banner part.
class GrammarBannerWindows : public ::testing::Test
{
protected:
    GrammarBannerWindows()
    {
        settings = std::make_unique<EditorStore::Settings>(
            std::make_shared<Platform::PreferencesDomain>(folder / "group-defaults.json"),
            std::map<std::string, std::string>{});
    }
    ~GrammarBannerWindows() override
    {
        windows.clear();
        center.reset();
    }

    void makeCenter()
    {
        center = std::make_unique<GrammarCenter>(server.store(), [](auto...) {});
    }

    DocumentWindowController& openWindow(const std::string& fileName)
    {
        auto document = std::make_unique<FakeDocument>(QStringLiteral("# 제목\n"));
        document->url = folder.path() / fileName;
        WindowEnvironment environment;
        environment.settings = settings.get();
        environment.features = [this] {
            EditorWindow::WindowFeatureList list;
            list.push_back(std::make_unique<GrammarBannerFeature>(center.get()));
            return list;
        };
        auto controller =
            std::make_unique<DocumentWindowController>(*document, router, environment);
        auto& result = *controller;
        documents.push_back(std::move(document));
        windows.push_back(std::move(controller));
        result.refreshNow();
        return result;
    }

    static BannerView* grammarBanner(DocumentWindowController& window)
    {
        return window.banner(QStringLiteral("grammar"));
    }

    static void click(BannerView* banner, const QString& title)
    {
        ASSERT_NE(banner, nullptr);
        for (auto* button : banner->actionButtons()) {
            if (button->text() == title) {
                button->click();
                return;
            }
        }
        FAIL() << "no button " << title.toStdString();
    }

    // Background work ends, its results and notifications arrive, and the windows' status
    // updates run.
    void settle()
    {
        for (int round = 0; round < 5; ++round) {
            center->waitForBackgroundWork();
            QCoreApplication::sendPostedEvents();
            QCoreApplication::processEvents();
        }
    }

    TemporaryFolder folder;
    GrammarTest::GrammarServer server;
    std::unique_ptr<GrammarCenter> center;
    std::unique_ptr<EditorStore::Settings> settings;
    EditorKit::ActionRouter router;
    std::vector<std::unique_ptr<FakeDocument>> documents;
    std::vector<std::unique_ptr<DocumentWindowController>> windows;
};

} // namespace

TEST_F(GrammarBannerWindows, offerDownloadAndColouringWithoutRebuilding)
{
    server.publish(GrammarTest::GrammarServer::markdownPackages());
    makeCenter();
    auto& window = openWindow("notes.md");
    auto* part = window.feature<GrammarBannerFeature>();
    BannerView* offer = grammarBanner(window);
    ASSERT_NE(offer, nullptr);
    EXPECT_EQ(part->grammarBanner(), QStringLiteral("offer.markdown"));
    EXPECT_TRUE(offer->message().contains(center->serverName()));
    // Equal updates keep the banner that stands.
    window.refreshNow();
    window.refreshNow();
    EXPECT_EQ(grammarBanner(window), offer);

    click(offer, "받기");
    EXPECT_EQ(center->phase(CodeLanguage::markdown).kind, Kind::downloading);
    window.refreshNow();
    EXPECT_EQ(part->grammarBanner(), QStringLiteral("downloading.markdown"));
    settle();
    EXPECT_TRUE(center->grammar(CodeLanguage::markdown));
    EXPECT_EQ(part->coloringState(CodeLanguage::markdown), State::on);
    EXPECT_EQ(grammarBanner(window), nullptr);
    EXPECT_FALSE(part->grammarBanner());
}

TEST_F(GrammarBannerWindows, aChangedFailureIsShownAndRetried)
{
    makeCenter();
    auto& window = openWindow("main.py");
    click(grammarBanner(window), "받기");
    settle();
    BannerView* failed = grammarBanner(window);
    ASSERT_NE(failed, nullptr);
    EXPECT_EQ(failed->kind(), BannerView::Kind::warning);
    EXPECT_TRUE(failed->message().startsWith("「Python」 색칠 문법 — 받지 못했어요"))
        << failed->message().toStdString();

    server.publish({GrammarTest::Package{"go", {"go"}}});
    click(failed, "다시 받기");
    settle();
    auto* part = window.feature<GrammarBannerFeature>();
    EXPECT_EQ(part->grammarBanner(), QStringLiteral("failed.python.이 언어의 문법이 아직 없어요"));
    EXPECT_EQ(grammarBanner(window)->message(),
              "「Python」 색칠 문법 — 이 언어의 문법이 아직 없어요");
}

TEST_F(GrammarBannerWindows, decliningRemovesTheOfferInEveryWindowUntilADownload)
{
    makeCenter();
    auto& first = openWindow("a.py");
    auto& second = openWindow("b.py");
    auto& other = openWindow("c.rs");
    ASSERT_NE(grammarBanner(second), nullptr);
    click(grammarBanner(first), "이 언어는 묻지 않기");
    settle();
    EXPECT_TRUE(center->store().isDeclined(CodeLanguage::python));
    EXPECT_EQ(grammarBanner(first), nullptr);
    EXPECT_EQ(grammarBanner(second), nullptr);
    EXPECT_NE(grammarBanner(other), nullptr) << "another language is still offered";
    first.refreshNow();
    EXPECT_EQ(grammarBanner(first), nullptr);

    center->startDownload(CodeLanguage::python);
    EXPECT_FALSE(center->store().isDeclined(CodeLanguage::python));
}

TEST_F(GrammarBannerWindows, colouringSwitchedOffRemovesTheBanner)
{
    makeCenter();
    auto& window = openWindow("main.py");
    ASSERT_NE(grammarBanner(window), nullptr);
    settings->set(false, EditorStore::SettingKeys::syntaxEnabled);
    window.applySettings({"syntax.enabled"});
    window.refreshNow();
    EXPECT_EQ(grammarBanner(window), nullptr);
    EXPECT_EQ(openWindow("other.py").banner(QStringLiteral("grammar")), nullptr);
}

TEST_F(GrammarBannerWindows, anInstalledGrammarLoadsAndAnOldEditionIsOfferedAgain)
{
    // Revision 1 and no inline companion: the installed Markdown grammar needs a newer edition.
    server.publish({GrammarTest::Package{"markdown", {"markdown"}}});
    ASSERT_TRUE(server.store().install(CodeLanguage::markdown));
    makeCenter();
    auto& window = openWindow("notes.md");
    EXPECT_EQ(center->phase(CodeLanguage::markdown).kind, Kind::loading);
    EXPECT_EQ(grammarBanner(window), nullptr);
    settle();
    auto* part = window.feature<GrammarBannerFeature>();
    EXPECT_EQ(part->grammarBanner(), QStringLiteral("update.markdown"));

    server.publish(GrammarTest::GrammarServer::markdownPackages());
    click(grammarBanner(window), "새 판 받기");
    window.refreshNow();
    EXPECT_EQ(part->grammarBanner(), QStringLiteral("updating.markdown"));
    settle();
    EXPECT_FALSE(center->needsUpdate(CodeLanguage::markdown));
    EXPECT_EQ(grammarBanner(window), nullptr);
}

TEST_F(GrammarBannerWindows, aGrammarThatInstallsButDoesNotLoadKeepsItsFailureAndRetry)
{
    GrammarTest::Package broken{"python", {"python"}};
    broken.symbol = "tree_sitter_python";
    server.publish({broken});
    makeCenter();
    auto& window = openWindow("main.py");
    click(grammarBanner(window), "받기");
    settle();
    EXPECT_TRUE(center->isInstalled(CodeLanguage::python));
    ASSERT_NE(grammarBanner(window), nullptr);
    EXPECT_EQ(grammarBanner(window)->message(), "「Python」 색칠 문법 — 이 문법을 읽지 못했어요");

    server.publish({GrammarTest::Package{"python", {"python"}}});
    click(grammarBanner(window), "다시 받기");
    settle();
    EXPECT_TRUE(center->grammar(CodeLanguage::python));
    EXPECT_EQ(grammarBanner(window), nullptr);
}
