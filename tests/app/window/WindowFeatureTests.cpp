#include "app/kit/Utf16.h"
#include "app/kit/ActionRouter.h"
#include "app/views/TextStorage.h"
#include "app/window/CharacterTally.h"
#include "app/window/DocumentContentView.h"
#include "app/window/DocumentWindowController.h"
#include "app/window/SelectionCounter.h"
#include "app/window/StatusContent.h"
#include "app/window/suspicious/SuspiciousScan.h"
#include "app/window/WindowFeature.h"
#include "core/SuspiciousCharacters.h"
#include "platform/PreferencesDomain.h"
#include "store/Settings.h"
#include "tests/app/window/FakeDocument.h"
#include "tests/app/window/FileWatcherOf.h"
#include "tests/platform/TemporaryFolder.h"

#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

using EditorViews::EditOrigin;
using EditorViews::EditRecord;
using EditorWindow::DocumentWindowController;
using EditorWindow::WindowEnvironment;
using EditorWindow::WindowFeature;
using WindowTest::FakeDocument;

namespace {

// A part that records what the window tells it and adds one of each kind of contribution.
struct Probe
{
    std::vector<std::string> calls;
    std::vector<EditRecord> edits;
    std::vector<EditorViews::TextRange> selections;
    int actions = 0;
    bool enabled = true;
    // The window's text and line count as the part saw them when each record came.
    std::vector<QString> textsSeen;
    std::vector<std::int64_t> linesSeen;
};

class ProbeFeature : public WindowFeature
{
public:
    explicit ProbeFeature(Probe& probe)
        : m_probe(probe)
    {}

    void attach(DocumentWindowController& window) override
    {
        m_window = &window;
        m_band = new QLabel(QStringLiteral("probe band"));
        m_probe.calls.push_back("attach");
    }
    void detach() override
    {
        m_probe.calls.push_back("detach");
        delete m_band;
    }
    void windowDidOpen() override { m_probe.calls.push_back("open"); }
    void textDidEdit(const EditRecord& edit) override
    {
        m_probe.edits.push_back(edit);
        m_probe.textsSeen.push_back(m_window->textView()->text());
        m_probe.linesSeen.push_back(m_window->textView()->lineIndex().lineCount());
    }
    void selectionDidChange(EditorViews::TextRange selection) override
    {
        m_probe.selections.push_back(selection);
    }
    void settingsDidChange(const std::vector<std::string>& keys) override
    {
        for (const auto& key : keys)
            m_probe.calls.push_back("setting " + key);
    }
    void contributeStatus(EditorWindow::StatusContent::Inputs& inputs) const override
    {
        inputs.problems = QStringLiteral("edits %1").arg(m_probe.edits.size());
    }
    bool statusSegmentClicked(EditorWindow::StatusBarView::Segment segment, QPushButton*) override
    {
        m_probe.calls.push_back("segment");
        return segment == EditorWindow::StatusBarView::Segment::encoding;
    }
    Bands bands() const override { return {{}, {m_band}}; }
    bool respondsToAction(std::string_view action) const override
    {
        return action == "probe:" || action == "toggleStatusBar:";
    }
    bool validateAction(std::string_view, const EditorKit::ActionSender&) const override
    {
        return m_probe.enabled;
    }
    void performAction(std::string_view, const EditorKit::ActionSender&) override
    {
        ++m_probe.actions;
    }

private:
    Probe& m_probe;
    DocumentWindowController* m_window = nullptr;
    QLabel* m_band = nullptr;
};

struct SinglePartWindow
{
    TemporaryFolder folder;
    std::unique_ptr<EditorStore::Settings> settings;
    EditorKit::ActionRouter router;
    Probe probe;
    FakeDocument document;
    std::unique_ptr<DocumentWindowController> controller;

    explicit SinglePartWindow(const QString& text)
        : document(text)
    {
        settings = std::make_unique<EditorStore::Settings>(
            std::make_shared<Platform::PreferencesDomain>(folder / "group-defaults.json"),
            std::map<std::string, std::string>{});
        WindowEnvironment environment;
        environment.settings = settings.get();
        environment.features = [this] {
            EditorWindow::WindowFeatureList list;
            list.push_back(std::make_unique<ProbeFeature>(probe));
            return list;
        };
        controller = std::make_unique<DocumentWindowController>(document, router, environment);
    }
};

} // namespace

TEST(WindowFeature, aWindowBuiltWithOnePartFeedsItEveryHook)
{
    SinglePartWindow w(QStringLiteral("one\ntwo"));
    ASSERT_EQ(w.controller->features().size(), 1u);
    EXPECT_EQ(WindowTest::fileWatcherOf(*w.controller), nullptr) << "only the part under test";
    EXPECT_EQ(w.probe.calls, (std::vector<std::string>{"attach"}));
    QCoreApplication::processEvents();
    EXPECT_EQ(w.probe.calls.back(), "open");

    // Typing, a command, undo and a reload: one record each, after the line index followed.
    auto& view = *w.controller->textView();
    // A find match over "two" moves with the typing before it.
    w.controller->display()->findMatches = {{4, 3}};
    view.setSelectedRange({3, 0});
    view.insertText(QStringLiteral("!"));
    EXPECT_EQ(w.controller->display()->findMatches, (EditorViews::FindMatches{{5, 3}}));
    w.controller->replaceText(EditorCore::TextEdit{{0, 0}, u"0\n", {0, 0}}, QStringLiteral("x"));
    view.undo();
    w.controller->replaceAllText(QStringLiteral("fresh"));
    ASSERT_EQ(w.probe.edits.size(), 4u);
    const EditOrigin origins[] = {
        EditOrigin::typing, EditOrigin::command, EditOrigin::undoRedo, EditOrigin::reload};
    for (std::size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(w.probe.edits[i].origin, origins[i]);
        if (i > 0) {
            EXPECT_GT(w.probe.edits[i].version, w.probe.edits[i - 1].version);
        }
    }
    EXPECT_EQ(w.probe.edits[0].insertedText, QStringLiteral("!"));
    EXPECT_EQ(w.probe.edits[1].insertedText, QStringLiteral("0\n"));
    EXPECT_EQ(w.probe.edits[2].oldLength, 2);
    EXPECT_EQ(w.probe.textsSeen[1], QStringLiteral("0\none!\ntwo"));
    EXPECT_EQ(w.probe.linesSeen[1], 3);
    EXPECT_EQ(w.probe.edits[3].insertedText, QStringLiteral("fresh"));
    EXPECT_FALSE(w.probe.selections.empty());

    // Its status field, its band below the banners, its action after the window's own.
    QCoreApplication::processEvents();
    EXPECT_EQ(w.controller->statusBar()->content().problems, QStringLiteral("edits 4"));
    w.controller->showBanner(
        QStringLiteral("b"), EditorWindow::BannerView::Kind::info, QStringLiteral("b"), {});
    const auto& bands = w.controller->content()->bands();
    ASSERT_EQ(bands.size(), 2u);
    EXPECT_EQ(bands[0], w.controller->banner(QStringLiteral("b")));
    EXPECT_EQ(bands[1]->property("text").toString(), QStringLiteral("probe band"));

    EditorKit::ActionSender sender;
    EXPECT_TRUE(w.controller->respondsToAction("probe:"));
    EXPECT_TRUE(w.controller->validateAction("probe:", sender));
    w.probe.enabled = false;
    EXPECT_FALSE(w.controller->validateAction("probe:", sender));
    w.controller->performAction("probe:", sender);
    EXPECT_EQ(w.probe.actions, 1);
    const bool statusBarHidden = w.controller->statusBar()->isHidden();
    w.controller->performAction("toggleStatusBar:", sender);
    EXPECT_EQ(w.probe.actions, 1) << "the window's own action comes first";
    EXPECT_NE(w.controller->statusBar()->isHidden(), statusBarHidden);
    EXPECT_FALSE(w.controller->respondsToAction("nothing:"));

    w.controller->statusBar()->onClick(EditorWindow::StatusBarView::Segment::encoding, nullptr);
    EXPECT_EQ(w.probe.calls.back(), "segment");

    w.controller->applySettings({"view.showToolbar"});
    EXPECT_EQ(w.probe.calls.back(), "setting view.showToolbar");
    w.controller.reset();
    EXPECT_EQ(w.probe.calls.back(), "detach");
}

TEST(SelectionCounter, aLargeSelectionIsCountedOnTheWorkerAndOnlyTheLatestIsKept)
{
    // "e" + combining acute is one character; a selection of 8 units and more goes to the worker.
    const QString text = QString::fromUtf16(u"e\u0301e\u0301e\u0301e\u0301e\u0301e\u0301");
    std::uint64_t version = 1;
    EditorWindow::SelectionCounter counter(
        [&] {
            return EditorWindow::SelectionCounter::Source{
                EditorCore::ChunkedText(EditorKit::utf16View(text)).snapshot(), version};
        },
        8);
    int counted = 0;
    counter.onCounted = [&] { ++counted; };
    EXPECT_EQ(counter.count({0, 4}), 2) << "a short selection is counted at once";

    EXPECT_EQ(counter.count({0, 12}), std::nullopt);
    // Dragging on: only the latest selection is counted after the one under way.
    EXPECT_EQ(counter.count({0, 10}), std::nullopt);
    EXPECT_EQ(counter.count({2, 10}), std::nullopt);
    EXPECT_TRUE(QTest::qWaitFor([&] { return counted == 2; }, 5000));
    EXPECT_EQ(counter.count({2, 10}), 5);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !counter.isCounting(); }, 5000));
    EXPECT_EQ(counted, 2) << "{0, 10} was never counted";

    // A count belongs to one version of the text.
    version = 2;
    EXPECT_EQ(counter.count({2, 10}), std::nullopt);
    EXPECT_TRUE(QTest::qWaitFor([&] { return counted == 3; }, 5000));
    EXPECT_EQ(counter.count({2, 10}), 5);
}

TEST(CharacterTally, piecesCutAnywhereCountAsTheWholeText)
{
    // Characters that run over several code points: combining marks, joined emoji, flags (pairs
    // of regional indicators), CR LF, Hangul jamo, skin tones; unpaired halves too.
    const std::u16string texts[] = {
        u"e\u0301\u0301a\r\n\r\n\n\r",
        u"\U0001F468\u200D\U0001F469\u200D\U0001F467x\U0001F44D\U0001F3FD\u200D",
        u"\U0001F1EF\U0001F1F5\U0001F1F0\U0001F1F7\U0001F1FA",
        u"\u1100\u1161\u11A8\uAC00\u11A8\u0915\u094D\u0937",
        u"\xD800\u0301\xDC00\U0001F600\xD83D",
    };
    for (const auto& units : texts) {
        const QString text = QString::fromStdU16String(units);
        SCOPED_TRACE(text.toStdString());
        const std::int64_t whole = EditorWindow::StatusContent::characterCount(text);
        for (qsizetype i = 0; i <= text.size(); ++i) {
            for (qsizetype j = i; j <= text.size(); ++j) {
                EditorWindow::CharacterTally tally;
                tally.add(QStringView(text).first(i));
                tally.add(QStringView(text).mid(i, j - i));
                tally.add(QStringView(text).mid(j));
                ASSERT_EQ(tally.finish(), whole) << "cut at " << i << " and " << j;
            }
        }
    }
    EditorWindow::CharacterTally tally;
    EXPECT_EQ(tally.finish(), 0);
    tally.add(u"ab");
    EXPECT_EQ(tally.finish(), 2);
    EXPECT_EQ(tally.finish(), 0) << "a finished tally starts again";
}

namespace {

// A scan over `text` in pieces of `pieceLength` (or sharing the text, in parts counted a
// stretch of `pieceLength` at a time), its reports collected.
struct PiecewiseScan
{
    QString text;
    int pieces = 0;
    std::vector<EditorCore::SuspiciousReport> reports;
    std::vector<EditorCore::LineEndingSummary> endings;
    EditorWindow::SuspiciousScan scan;

    PiecewiseScan(QString initial, qsizetype pieceLength, bool shared = false)
        : text(std::move(initial))
        , scan(
              [this] {
                  ++pieces;
                  return std::make_pair(text, std::uint64_t(0));
              },
              [] { return std::uint64_t(0); },
              [this](EditorWindow::SuspiciousScan::Result result) {
                  reports.push_back(std::move(result.report));
                  endings.push_back(result.lineEndings);
              },
              nullptr,
              pieceLength)
    {
        if (shared)
            scan.shareTextUntilLetGo();
    }
};

EditorCore::SuspiciousReport wholeScan(const QString& text)
{
    return EditorCore::SuspiciousCharacters::scan(
        std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                            static_cast<std::size_t>(text.size())),
        EditorWindow::SuspiciousScan::occurrenceLimit);
}

} // namespace

TEST(SuspiciousScan, piecesJoinToTheWholeTextReport)
{
    QString many;
    for (int i = 0; i < 5'100; ++i)
        many += QString::fromUtf16(u"a\u200Db\U0001F469\u200D\U0001F4BB\u00A0");
    const struct
    {
        const char* name;
        QString text;
        qsizetype pieceLength;
    } cases[] = {
        {"empty", QString(), 3},
        {"neighbours across every edge",
         QString::fromUtf16(u"\uFEFF\uFEFF\U0001F469\u200D\U0001F4BBx\u200D\xD800\U000E0041\u00A0"),
         1},
        {"pieces of three",
         QString::fromUtf16(u"\uFEFFa\u200D\U0001F469\u200D\U0001F4BB\u2028"),
         3},
        {"occurrences past the limit", many, 997},
        {"breaks across every edge", QString::fromUtf16(u"a\r\nb\rc\n\r\n\r\r\n"), 1},
    };
    for (const auto& c : cases) {
        for (const bool shared : {false, true}) {
            SCOPED_TRACE(c.name);
            SCOPED_TRACE(shared ? "shared, in parts" : "copied pieces");
            PiecewiseScan run(c.text, c.pieceLength, shared);
            run.scan.schedule(std::chrono::milliseconds(0));
            ASSERT_TRUE(QTest::qWaitFor([&] { return !run.reports.empty(); }, 10'000));
            EXPECT_EQ(run.reports.front(), wholeScan(c.text));
            EXPECT_EQ(run.endings.front(),
                      EditorCore::LineEndingSummary(
                          std::u16string_view(reinterpret_cast<const char16_t*>(c.text.utf16()),
                                              static_cast<std::size_t>(c.text.size()))));
        }
    }
}

TEST(SuspiciousScan, aSharedCountLetsGoOfTheTextBeforeTheStorageChangesItAndCountsAgain)
{
    EditorViews::TextStorage storage;
    storage.setText(QString::fromUtf16(u"ab\u00A0cd\r\n").repeated(100'000));
    std::vector<EditorCore::SuspiciousReport> reports;
    EditorWindow::SuspiciousScan scan(
        [&] { return std::make_pair(storage.text(), storage.version()); },
        [&] { return storage.version(); },
        [&](EditorWindow::SuspiciousScan::Result result) {
            reports.push_back(std::move(result.report));
        },
        nullptr,
        64);
    scan.shareTextUntilLetGo();
    QObject::connect(&storage, &EditorViews::TextStorage::willChange, &scan, [&] {
        scan.letGoOfText();
    });
    std::optional<bool> ownedAtChange;
    QObject::connect(&storage, &EditorViews::TextStorage::willChange, &scan, [&] {
        ownedAtChange = storage.text().isDetached();
    });

    scan.schedule(std::chrono::milliseconds(0));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !storage.text().isDetached(); }, 5'000))
        << "the count's workers share the text";
    storage.replace({0, 1}, QString::fromUtf16(u"\u200B"));
    ASSERT_TRUE(ownedAtChange.has_value());
    EXPECT_TRUE(*ownedAtChange) << "the workers let go before the change: it copies nothing";

    ASSERT_TRUE(QTest::qWaitFor([&] { return !reports.empty() && !scan.isCounting(); }, 10'000));
    ASSERT_EQ(reports.size(), 1u) << "the count of the text before the change never arrives";
    EXPECT_EQ(reports.front(), wholeScan(storage.text()));
    EXPECT_EQ(reports.front().count(EditorCore::SuspiciousKind::zeroWidth), 1);
}

TEST(SuspiciousScan, anEditDropsTheCountUnderWay)
{
    QString first;
    for (int i = 0; i < 20'000; ++i)
        first += QString::fromUtf16(u"a\u00A0");
    PiecewiseScan run(first, 8);
    run.scan.schedule(std::chrono::milliseconds(0));
    ASSERT_TRUE(QTest::qWaitFor([&] { return run.pieces >= 3; }, 5'000));
    run.text = QString::fromUtf16(u"b\u200B");
    run.scan.schedule(std::chrono::milliseconds(0));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !run.reports.empty(); }, 5'000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !run.scan.isCounting(); }, 5'000));
    ASSERT_EQ(run.reports.size(), 1u) << "the first text's count never arrives";
    EXPECT_EQ(run.reports.front(), wholeScan(run.text));
}

TEST(SelectionCounter, aCountInPiecesGivesWayToANewerSelectionOrText)
{
    QString text;
    for (int i = 0; i < 1'000; ++i)
        text += QString::fromUtf16(u"e\u0301");
    std::uint64_t version = 1;
    EditorWindow::SelectionCounter counter(
        [&] {
            return EditorWindow::SelectionCounter::Source{
                EditorCore::ChunkedText(EditorKit::utf16View(text)).snapshot(), version};
        },
        8,
        64);
    int counted = 0;
    counter.onCounted = [&] { ++counted; };

    EXPECT_EQ(counter.count({0, 2'000}), std::nullopt);
    EXPECT_EQ(counter.count({1, 999}), std::nullopt);
    ASSERT_TRUE(QTest::qWaitFor([&] { return counted == 1; }, 5'000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !counter.isCounting(); }, 5'000));
    EXPECT_EQ(counted, 1) << "the whole text was given up for the newer selection";
    EXPECT_EQ(counter.count({1, 999}), 500) << "a lone mark first, then 499 pairs";

    // The text changes under a count: the count is dropped and asked for again.
    EXPECT_EQ(counter.count({0, 2'000}), std::nullopt);
    text = QString::fromUtf16(u"\U0001F1EF\U0001F1F5").repeated(500);
    version = 2;
    EXPECT_EQ(counter.count({0, 2'000}), std::nullopt);
    ASSERT_TRUE(QTest::qWaitFor([&] { return counter.count({0, 2'000}).has_value(); }, 5'000));
    EXPECT_EQ(counter.count({0, 2'000}), 500);
}

namespace {

// A view of the body that logs what it is told and gives the body up to the claims it yields
// to.
class BodyProbe : public WindowFeature
{
public:
    BodyProbe(std::string name, std::vector<std::string>& log, bool yieldsToText)
        : m_name(std::move(name))
        , m_log(log)
        , m_yieldsToText(yieldsToText)
    {}
    void attach(DocumentWindowController& window) override { m_window = &window; }
    void detach() override { m_window = nullptr; }
    void claim(EditorWindow::BodyClaim claim) { m_window->claimBody(*this, claim); }
    void bodyWasTaken(EditorWindow::BodyClaim claim) override
    {
        const bool text = claim == EditorWindow::BodyClaim::text;
        m_log.push_back(m_name + (text ? " told text" : " told whole"));
        if (!text || m_yieldsToText)
            m_window->releaseBody(*this);
    }

private:
    std::string m_name;
    std::vector<std::string>& m_log;
    bool m_yieldsToText;
    DocumentWindowController* m_window = nullptr;
};

} // namespace

TEST(WindowFeature, aClaimOfTheBodyTellsTheOtherHoldersInTheOrderTheyClaimed)
{
    using EditorWindow::BodyClaim;
    TemporaryFolder folder;
    EditorStore::Settings settings(
        std::make_shared<Platform::PreferencesDomain>(folder / "group-defaults.json"),
        std::map<std::string, std::string>{});
    EditorKit::ActionRouter router;
    FakeDocument document(QStringLiteral("text"));
    std::vector<std::string> log;
    WindowEnvironment environment;
    environment.settings = &settings;
    environment.features = [&log] {
        EditorWindow::WindowFeatureList list;
        // As the hex view, the list and the preview: a cover stays over a preview.
        list.push_back(std::make_unique<BodyProbe>("cover", log, false));
        list.push_back(std::make_unique<BodyProbe>("list", log, true));
        list.push_back(std::make_unique<BodyProbe>("beside", log, true));
        return list;
    };
    DocumentWindowController window(document, router, environment);
    auto probe = [&](std::size_t index) {
        return static_cast<BodyProbe*>(window.features()[index].get());
    };
    BodyProbe& cover = *probe(0);
    BodyProbe& list = *probe(1);
    BodyProbe& beside = *probe(2);

    list.claim(BodyClaim::whole);
    EXPECT_TRUE(log.empty()) << "nobody held the body";
    cover.claim(BodyClaim::whole);
    beside.claim(BodyClaim::text);
    EXPECT_EQ(log, (std::vector<std::string>{"list told whole", "cover told text"}));
    EXPECT_FALSE(window.holdsBody(list));
    EXPECT_TRUE(window.holdsBody(cover)) << "the cover did not yield to the text";
    EXPECT_TRUE(window.holdsBody(beside));

    // Told in claim order, not list order; a claimant is never told of its own claim.
    log.clear();
    beside.claim(BodyClaim::text);
    list.claim(BodyClaim::whole);
    EXPECT_EQ(
        log,
        (std::vector<std::string>{"cover told text", "cover told whole", "beside told whole"}));
    EXPECT_TRUE(window.holdsBody(list));
    EXPECT_FALSE(window.holdsBody(cover));
    EXPECT_FALSE(window.holdsBody(beside));
}
