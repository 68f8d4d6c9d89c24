// Find and replace in windows shown offscreen with only the find part: the background search
// and its generations, the count, stepping, replacing, closing and the search's stop.
#include "app/kit/ActionRouter.h"
#include "app/kit/Localized.h"
#include "app/kit/Utf16.h"
#include "app/views/EditorTextView.h"
#include "app/views/TextStorage.h"
#include "app/window/DocumentWindowController.h"
#include "app/window/find/BackgroundFind.h"
#include "app/window/find/FindBarView.h"
#include "app/window/find/FindReplaceFeature.h"
#include "app/window/find/SnapshotReplacing.h"
#include "app/window/hosting/HostWindows.h"
#include "platform/PreferencesDomain.h"
#include "store/Settings.h"
#include "tests/app/window/FakeDocument.h"
#include "tests/platform/TemporaryFolder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QThread>
#include <QThreadPool>
#include <QToolButton>
#include <QUndoStack>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

using EditorViews::FindMatch;
using EditorViews::TextRange;
using EditorWindow::BackgroundFind;
using EditorWindow::DocumentWindowController;
using EditorWindow::FindReplaceFeature;
using WindowTest::FakeDocument;

namespace {

struct FindWindow
{
    TemporaryFolder folder;
    std::unique_ptr<EditorStore::Settings> settings;
    EditorKit::ActionRouter router;
    std::unique_ptr<FakeDocument> document;
    std::unique_ptr<DocumentWindowController> window;
    FindReplaceFeature* find = nullptr;
    int beeps = 0;
    std::vector<std::function<void()>> scheduled;

    explicit FindWindow(const QString& text, bool readOnly = false)
    {
        settings = std::make_unique<EditorStore::Settings>(
            std::make_shared<Platform::PreferencesDomain>(folder / "group-defaults.json"),
            std::map<std::string, std::string>{});
        document = std::make_unique<FakeDocument>(text);
        document->readOnly = readOnly;
        EditorWindow::WindowEnvironment environment;
        environment.settings = settings.get();
        environment.hosts = std::make_shared<EditorWindow::HostWindows>(router);
        environment.features = [] {
            EditorWindow::WindowFeatureList list;
            list.push_back(std::make_unique<FindReplaceFeature>());
            return list;
        };
        window = std::make_unique<DocumentWindowController>(*document, router, environment);
        window->showWindow();
        QCoreApplication::processEvents();
        find = window->feature<FindReplaceFeature>();
        find->setBeep([this] { ++beeps; });
        find->setScheduler([this](std::chrono::milliseconds, std::function<void()> work) {
            scheduled.push_back(std::move(work));
        });
    }

    ~FindWindow()
    {
        window.reset();
        document.reset();
        QCoreApplication::processEvents();
    }

    EditorViews::EditorTextView& text() { return *window->textView(); }
    const EditorViews::FindMatches& matches() { return window->display()->findMatches; }
    QString count() { return find->findBar()->countLabel()->text(); }

    // Runs the event loop until the current search delivered its last batch.
    void waitForSearch()
    {
        QElapsedTimer clock;
        clock.start();
        while (find->isSearching() && clock.elapsed() < 20000) {
            BackgroundFind::pool().waitForDone(20);
            QCoreApplication::processEvents();
        }
        QCoreApplication::processEvents();
        ASSERT_FALSE(find->isSearching());
    }

    void search(const QString& query)
    {
        if (!find->findBar())
            find->showFindBar(false);
        find->findBar()->queryField()->setText(query);
        find->runSearch();
        waitForSearch();
    }
};

EditorCore::TextSnapshot snapshotOf(const QString& text, EditorCore::ChunkLimits limits = {})
{
    return EditorCore::ChunkedText(EditorKit::utf16View(text), limits).snapshot();
}

std::vector<std::int64_t> locations(const EditorViews::FindMatches& matches)
{
    std::vector<std::int64_t> result;
    for (const FindMatch& match : matches)
        result.push_back(match.location);
    return result;
}

} // namespace

TEST(FindReplace, typingQuicklyLeavesOnlyTheMatchesOfTheLastQuery)
{
    FindWindow window(QStringLiteral("a ab abc a abc ab"));
    window.find->showFindBar(false);
    // Each keystroke starts a search; the earlier ones' deliveries are dropped.
    QTest::keyClicks(window.find->findBar()->queryField(), "abc");
    window.waitForSearch();
    EXPECT_EQ(locations(window.matches()), (std::vector<std::int64_t>{5, 11}));
    EXPECT_EQ(window.count(), QStringLiteral("2"));
}

TEST(FindReplace, openingTakesAShortOneLineSelectionAndUseSelectionTakesAny)
{
    const QString longWord(200, QLatin1Char('w'));
    const QString text = longWord + QStringLiteral(" two\nlines");
    struct Case
    {
        TextRange selection;
        QString expected;
    };
    const std::vector<Case> cases = {
        {{0, 199}, longWord.left(199)},
        {{0, 200}, QString()},
        {{201, 5}, QString()}, // "two\nl" holds a line feed
        {{201, 3}, QStringLiteral("two")},
        {{0, 0}, QString()},
    };
    for (const Case& c : cases) {
        FindWindow window(text);
        window.text().setSelectedRange(c.selection);
        window.find->showFindBar(false);
        EXPECT_EQ(window.find->findBar()->queryField()->text(), c.expected)
            << c.selection.location << "+" << c.selection.length;
        window.find->closeFindBar();
    }

    FindWindow window(text);
    window.text().setSelectedRange({201, 5});
    window.find->useSelectionForFind();
    ASSERT_TRUE(window.find->findBar());
    EXPECT_EQ(window.find->findBar()->queryField()->text(), QStringLiteral("two\nl"));
    EXPECT_TRUE(window.find->findBar()->replaceRow()->isHidden());
}

TEST(FindReplace, nextAndPreviousStepFromTheSelectionAndWrap)
{
    // Matches of "ab" at 0, 3 and 6.
    struct Case
    {
        TextRange selection;
        bool backward;
        std::int64_t expected;
    };
    const std::vector<Case> cases = {
        {{0, 0}, false, 0}, // a caret at a match's start selects it
        {{0, 2}, false, 3}, // a selected match is left
        {{1, 0}, false, 3},
        {{7, 0}, false, 0}, // after the last: wrap to the first
        {{6, 2}, false, 0},
        {{0, 0}, true, 6}, // before the first: wrap to the last
        {{4, 0}, true, 3},
        {{3, 2}, true, 0},
    };
    FindWindow window(QStringLiteral("ab ab ab"));
    window.search("ab");
    ASSERT_EQ(locations(window.matches()), (std::vector<std::int64_t>{0, 3, 6}));
    for (const Case& c : cases) {
        window.text().setSelectedRange(c.selection);
        window.find->selectMatch(c.backward);
        EXPECT_EQ(window.text().selectedRange(), (TextRange{c.expected, 2}))
            << c.selection.location << "+" << c.selection.length << (c.backward ? " back" : "");
        ASSERT_TRUE(window.window->display()->currentMatch);
        EXPECT_EQ(window.window->display()->currentMatch->location, c.expected);
    }
    window.text().setSelectedRange({3, 2});
    window.find->updateFindCount();
    EXPECT_EQ(window.count(), QStringLiteral("2 / 3"));

    window.search("zz");
    EXPECT_EQ(window.count(), QStringLiteral("없음"));
    window.find->selectMatch(false);
    EXPECT_EQ(window.beeps, 1);
}

TEST(FindReplace, replaceSelectsFirstThenReplacesAndStepsAfterADelay)
{
    FindWindow window(QStringLiteral("cat cat cat"));
    window.find->showFindBar(true);
    window.search("cat");
    window.find->findBar()->replaceField()->setText("dog");

    window.text().setSelectedRange({1, 0});
    window.find->replaceCurrent();
    EXPECT_EQ(window.text().text(), QStringLiteral("cat cat cat")) << "first press only selects";
    EXPECT_EQ(window.text().selectedRange(), (TextRange{4, 3}));

    window.find->replaceCurrent();
    EXPECT_EQ(window.text().text(), QStringLiteral("cat dog cat"));
    EXPECT_EQ(window.text().selectedRange(), (TextRange{7, 0}));
    EXPECT_EQ(window.document->stack.undoText(), QStringLiteral("바꾸기"));
    window.waitForSearch();
    ASSERT_EQ(window.scheduled.size(), 1u);
    window.scheduled[0]();
    EXPECT_EQ(window.text().selectedRange(), (TextRange{8, 3}));
    EXPECT_EQ(window.count(), QStringLiteral("2 / 2"));
}

TEST(FindReplace, replaceUsesTemplatesOnlyInRegularExpressionMode)
{
    FindWindow window(QStringLiteral("x12 x34"));
    window.find->showFindBar(true);
    window.find->findBar()->regexToggle()->click();
    window.search("x(\\d)");
    window.find->findBar()->replaceField()->setText("<$1>");
    window.text().setSelectedRange({0, 2});
    window.find->replaceCurrent();
    EXPECT_EQ(window.text().text(), QStringLiteral("<1>2 x34"));

    window.find->findBar()->regexToggle()->click();
    window.search("x");
    window.text().setSelectedRange({5, 1});
    window.find->replaceCurrent();
    EXPECT_EQ(window.text().text(), QStringLiteral("<1>2 <$1>34"));
}

TEST(FindReplace, replaceAllIsOneStepAndBeepsWhenNothingMatches)
{
    FindWindow window(QStringLiteral("one two one two one"));
    window.find->showFindBar(true);
    window.find->findBar()->replaceField()->setText("1");

    window.search("three");
    const int steps = window.document->stack.count();
    window.find->replaceAll();
    EXPECT_EQ(window.beeps, 1);
    EXPECT_EQ(window.document->stack.count(), steps);
    EXPECT_EQ(window.text().text(), QStringLiteral("one two one two one"));

    window.search("one");
    window.text().setSelectedRange({5, 3});
    window.find->replaceAll();
    EXPECT_EQ(window.text().text(), QStringLiteral("1 two 1 two 1"));
    EXPECT_EQ(window.text().selectedRange(), (TextRange{0, 0}));
    EXPECT_EQ(window.count(), QStringLiteral("3곳 바꿈"));
    EXPECT_EQ(window.document->stack.count(), steps + 1);
    EXPECT_EQ(window.document->stack.undoText(), QStringLiteral("모두 바꾸기"));
    window.waitForSearch();
    EXPECT_EQ(window.count(), QStringLiteral("없음"));

    window.document->stack.undo();
    EXPECT_EQ(window.text().text(), QStringLiteral("one two one two one"));

    // With the selection toggle on, only the selected part is replaced.
    window.find->findBar()->selectionToggle()->click();
    window.text().setSelectedRange({8, 11});
    window.find->replaceAll();
    EXPECT_EQ(window.text().text(), QStringLiteral("one two 1 two 1"));
}

TEST(FindReplace, ctrlZInTheReplaceFieldRightAfterReplaceAllUndoesTheReplaceAll)
{
    FindWindow window(QStringLiteral("one two one"));
    window.find->showFindBar(true);
    QLineEdit* field = window.find->findBar()->replaceField();
    QTest::keyClicks(field, QStringLiteral("1"));
    window.search("one");
    window.find->replaceAll();
    ASSERT_EQ(window.text().text(), QStringLiteral("1 two 1"));

    QTest::keyClick(field, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(window.text().text(), QStringLiteral("one two one"));
    EXPECT_EQ(field->text(), QStringLiteral("1")) << "the field keeps what was typed";
    // Once the Replace All is undone, the field's own undo answers again.
    QTest::keyClick(field, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(field->text(), QString());
    EXPECT_EQ(window.text().text(), QStringLiteral("one two one"));

    // Typing after the Replace All gives Ctrl+Z back to the field.
    QTest::keyClicks(field, QStringLiteral("2"));
    window.find->replaceAll();
    ASSERT_EQ(window.text().text(), QStringLiteral("2 two 2"));
    QTest::keyClicks(field, QStringLiteral("x"));
    QTest::keyClick(field, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(window.text().text(), QStringLiteral("2 two 2"));
}

TEST(FindReplace, countShowsARunningTotalThenThePositionOfTheSelectedMatch)
{
    QString text;
    for (int i = 0; i < 1200; ++i)
        text += QStringLiteral("hit ");
    FindWindow window(text);
    window.find->showFindBar(false);

    // The label as each delivery finds it, i.e. after the one before.
    struct Recorder : QObject
    {
        FindWindow* window;
        std::vector<QString> seen;
        bool eventFilter(QObject*, QEvent* event) override
        {
            if (event->type() == QEvent::MetaCall)
                seen.push_back(window->count());
            return false;
        }
    } recorder;
    recorder.window = &window;
    window.find->installEventFilter(&recorder);
    window.find->findBar()->queryField()->setText("hit");
    window.find->runSearch();
    EXPECT_EQ(window.count(), QStringLiteral("찾는 중…"));
    window.waitForSearch();
    window.find->removeEventFilter(&recorder);
    EXPECT_EQ(recorder.seen, (std::vector<QString>{"찾는 중…", "500+", "1000+", "1200+"}));
    EXPECT_EQ(window.count(), QStringLiteral("1200"));

    window.text().setSelectedRange({8, 0});
    window.find->selectMatch(false);
    EXPECT_EQ(window.count(), QStringLiteral("3 / 1200"));
}

TEST(FindReplace, anInvalidPatternShowsTheErrorRowUntilFixed)
{
    FindWindow window(QStringLiteral("a(b"));
    window.find->showFindBar(false);
    window.find->findBar()->regexToggle()->click();
    window.find->findBar()->queryField()->setText("(");
    window.find->runSearch();
    EXPECT_FALSE(window.find->findBar()->errorRow()->isHidden());
    EXPECT_TRUE(window.find->findBar()->errorLabel()->text().startsWith(
        QStringLiteral("정규식이 틀렸어요 — ")));
    EXPECT_TRUE(window.count().isEmpty());
    EXPECT_FALSE(window.find->isSearching());

    window.search("\\(");
    EXPECT_TRUE(window.find->findBar()->errorRow()->isHidden());
    EXPECT_EQ(window.matches().size(), 1u);
}

TEST(FindReplace, closingDuringALongSearchLeavesNothingAndReopensEmpty)
{
    FindWindow window(QStringLiteral("eeeeeeeee\n").repeated(400'000));
    window.find->showFindBar(false);
    window.find->findBar()->queryField()->setText("e");
    window.find->runSearch();
    window.find->closeFindBar();
    BackgroundFind::pool().waitForDone();
    QCoreApplication::processEvents();
    EXPECT_EQ(window.find->findBar(), nullptr);
    EXPECT_TRUE(window.matches().empty());
    EXPECT_FALSE(window.window->display()->currentMatch);
    EXPECT_FALSE(window.find->isSearching());

    window.find->showFindBar(false);
    EXPECT_TRUE(window.find->findBar()->queryField()->text().isEmpty());
    EXPECT_TRUE(window.find->findBar()->countLabel()->text().isEmpty());
}

TEST(FindReplace, aReadOnlyTextGetsTheBarWithoutTheReplaceRow)
{
    FindWindow readOnly(QStringLiteral("abc"), true);
    readOnly.find->showFindBar(true);
    EXPECT_TRUE(readOnly.find->findBar()->replaceRow()->isHidden());
    readOnly.search("b");
    readOnly.text().setSelectedRange({1, 1});
    readOnly.find->replaceAll();
    readOnly.find->replaceCurrent();
    EXPECT_EQ(readOnly.text().text(), QStringLiteral("abc"));

    FindWindow editable(QStringLiteral("abc"));
    editable.find->showFindBar(true);
    EXPECT_FALSE(editable.find->findBar()->replaceRow()->isHidden());
    editable.find->showFindBar(false);
    EXPECT_TRUE(editable.find->findBar()->replaceRow()->isHidden());
}

TEST(FindReplace, anEditSearchesAgainAfterAPause)
{
    FindWindow window(QStringLiteral("ab"));
    window.search("ab");
    EXPECT_EQ(window.matches().size(), 1u);
    window.text().setSelectedRange({2, 0});
    window.text().insertText(QStringLiteral(" ab"));
    (void)QTest::qWaitFor([&] { return window.matches().size() == 2; }, 5000);
    EXPECT_EQ(locations(window.matches()), (std::vector<std::int64_t>{0, 3}));
}

// The search's stop: a search overtaken by a newer one stops at its next check, and every
// delivery holds one batch of at most 500 matches, not the list so far.
TEST(FindReplace, anOvertakenSearchStopsAndDeliveriesHoldOneBatch)
{
    const QString text(8'000'000, QLatin1Char('e'));
    auto compiled = EditorCore::CompiledSearch::make({u"e", false, false, false, std::nullopt});
    ASSERT_TRUE(compiled);

    QObject receiver;
    BackgroundFind find(&receiver);
    std::mutex mutex;
    std::vector<std::pair<std::uint64_t, bool>> ended;
    find.setWorkerDidEnd([&](std::uint64_t generation, bool completed) {
        std::lock_guard lock(mutex);
        ended.emplace_back(generation, completed);
    });
    std::size_t largest = 0;
    std::size_t delivered = 0;
    std::vector<std::uint64_t> generations;
    auto deliver = [&](BackgroundFind::Batch&& batch) {
        largest = std::max(largest, batch.matches.size());
        delivered += batch.matches.size();
        generations.push_back(batch.generation);
    };
    const std::uint64_t first = find.start(*compiled, snapshotOf(text), deliver);
    // Let the first search get going, then overtake it.
    while (delivered == 0) {
        QCoreApplication::processEvents();
        QThread::msleep(1);
    }
    const std::uint64_t second = find.start(*compiled, snapshotOf(QStringLiteral("eee")), deliver);
    BackgroundFind::pool().waitForDone();
    QCoreApplication::processEvents();

    ASSERT_EQ(ended.size(), 2u);
    for (const auto& [generation, completed] : ended)
        EXPECT_EQ(completed, generation == second) << generation;
    EXPECT_LE(largest, 500u);
    EXPECT_LT(delivered, 8'000'000u);
    // Nothing of the first search arrives after the second started.
    const auto firstOfSecond = std::find(generations.begin(), generations.end(), second);
    ASSERT_NE(firstOfSecond, generations.end());
    EXPECT_TRUE(std::none_of(
        firstOfSecond, generations.end(), [first](std::uint64_t g) { return g == first; }));
}

// A text longer than the matches' 32-bit offsets can reach (shown with the reach lowered): the
// search lists what fits, ends there as complete and says that it stopped short; a text within
// the reach is not cut.
TEST(FindReplace, aSearchEndsAtTheReachOfTheMatchOffsets)
{
    auto compiled = EditorCore::CompiledSearch::make({u"ab", false, false, false, std::nullopt});
    ASSERT_TRUE(compiled);
    const QString text = QStringLiteral("ab-").repeated(1000);
    struct Case
    {
        std::int64_t limit;
        std::size_t matches;
        bool cutShort;
    };
    for (const Case& c : {Case{1501, 500, true}, Case{1502, 501, true}, Case{3000, 1000, false}}) {
        SCOPED_TRACE(c.limit);
        QObject receiver;
        BackgroundFind find(&receiver);
        find.setOffsetLimit(c.limit);
        std::atomic<int> completed{-1};
        find.setWorkerDidEnd([&](std::uint64_t, bool ranToEnd) { completed = ranToEnd ? 1 : 0; });
        std::vector<FindMatch> found;
        bool finished = false;
        bool cutShort = false;
        find.start(*compiled, snapshotOf(text), [&](BackgroundFind::Batch&& batch) {
            found.insert(found.end(), batch.matches.begin(), batch.matches.end());
            finished = batch.finished;
            cutShort = batch.cutShort;
        });
        BackgroundFind::pool().waitForDone();
        QCoreApplication::processEvents();
        EXPECT_TRUE(finished);
        EXPECT_EQ(cutShort, c.cutShort);
        EXPECT_EQ(completed.load(), 1);
        ASSERT_EQ(found.size(), c.matches);
        EXPECT_LE(found.back().end(), c.limit);
        EXPECT_EQ(found.back().location, 3 * (c.matches - 1));
    }
}

TEST(FindReplace, aStepTakenWhileTheSearchRunsWaitsForItsMatch)
{
    QString text;
    for (int i = 0; i < 1200; ++i)
        text += QStringLiteral("hit ");
    for (bool backward : {false, true}) {
        SCOPED_TRACE(backward ? "previous" : "next");
        FindWindow window(text);
        window.find->showFindBar(false);
        // The caret far past the first deliveries.
        window.text().setSelectedRange({4 * 1100 + 1, 0});
        window.find->findBar()->queryField()->setText("hit");
        window.find->runSearch();
        window.find->selectMatch(backward);
        EXPECT_EQ(window.text().selectedRange(), (EditorViews::TextRange{4 * 1100 + 1, 0}))
            << "nothing chosen before the match is known";
        window.waitForSearch();
        const std::int64_t expected = backward ? 4 * 1100 : 4 * 1101;
        EXPECT_EQ(window.text().selectedRange(), (EditorViews::TextRange{expected, 3}));
        EXPECT_EQ(window.beeps, 0);
    }
}

// Replace and Replace All read the chunks of a snapshot: every replacement, the count and the
// text they make must be those of the one-string search, with matches, their groups and the
// text a look-around sees lying across chunk borders.
TEST(FindReplace, replacingOverTheChunksGivesWhatTheOneStringSearchGives)
{
    const std::u16string text =
        u"one two\r\none2 ONE tw\u00E9o\r\n\U0001F600one\u2028twoone\n\xD83D"
        u"one two";
    struct Case
    {
        const char* name;
        EditorCore::SearchQuery query;
        std::u16string replacement;
    };
    auto q = [](std::u16string pattern, bool regex, bool caseSensitive = true) {
        EditorCore::SearchQuery query;
        query.text = std::move(pattern);
        query.regularExpression = regex;
        query.caseSensitive = caseSensitive;
        return query;
    };
    auto scoped = [](EditorCore::SearchQuery query, std::int64_t from, std::int64_t to) {
        query.scope = EditorCore::SearchScope{from, to};
        return query;
    };
    const std::vector<Case> cases{
        {"literal", q(u"one", false), u"1"},
        {"literal, any case, to nothing", q(u"one", false, false), u""},
        {"literal across a break", q(u"\r\n", false), u"|"},
        {"groups swapped", q(u"(o)(ne)", true), u"$2$1"},
        {"group inside a look-ahead", q(u"t(?=(w\\S*))", true), u"[$1]"},
        {"look-behind", q(u"(?<=\\n)\\w+", true), u"<$0>"},
        {"zero-length matches", q(u"x*", true), u"-"},
        {"a missing group", q(u"(a)|(one)", true), u"$1$2$3"},
        {"in a scope", scoped(q(u"o", false), 9, 30), u"0"},
        {"expression in a scope", scoped(q(u"^(\\w)", true), 5, 40), u"_$1"},
        {"a half pair in the query", q(u"\xD83D(o)", true), u"$1"},
        {"nothing matches", q(u"three", false), u"3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto search = EditorCore::CompiledSearch::make(c.query);
        ASSERT_TRUE(search.has_value());
        const EditorCore::ReplaceAllResult inOne = search->replaceAll(text, c.replacement);
        std::vector<EditorCore::SearchMatch> matches;
        search->enumerateMatches(
            text, 0, static_cast<std::int64_t>(text.size()), false, [&](auto m) {
                matches.push_back(m);
                return true;
            });
        for (std::int64_t size : {1, 2, 3, 4, 4096}) {
            SCOPED_TRACE(::testing::Message() << "chunks of " << size);
            const EditorCore::ChunkedText chunks(text, {size, size, size});
            using EditorWindow::SnapshotReplacing::replaceAll;
            const auto replaced = replaceAll(*search, chunks.snapshot(), c.replacement);
            EXPECT_EQ(replaced.count, inOne.count);
            std::u16string applied = text;
            if (replaced.count > 0)
                applied.replace(static_cast<std::size_t>(replaced.location),
                                static_cast<std::size_t>(replaced.length),
                                replaced.text);
            EXPECT_EQ(applied, inOne.text);
            for (const auto& match : matches) {
                EXPECT_EQ(
                    EditorWindow::SnapshotReplacing::replacementText(
                        *search, chunks.snapshot(), match.location, match.length, c.replacement),
                    search->replacementText(match.location, match.length, text, c.replacement))
                    << match;
            }
        }
    }
}

// The window's text is one chunk per few thousand units: a query found right across each border
// is found there, and Replace All replaces only the stretch between the first and last match.
TEST(FindReplace, aWindowFindsAndReplacesMatchesAcrossChunkBorders)
{
    QString text;
    std::vector<std::int64_t> expected;
    for (int i = 0; i < 12; ++i) {
        text += QString(4093 + i, QLatin1Char('.'));
        expected.push_back(text.size());
        text += QStringLiteral("needle");
    }
    FindWindow window(text);
    ASSERT_GT(window.text().storage().current().stats().chunks, 8);
    window.find->showFindBar(true);
    window.search(QStringLiteral("needle"));
    EXPECT_EQ(locations(window.matches()), expected);

    window.find->findBar()->replaceField()->setText(QStringLiteral("pin"));
    window.search(QStringLiteral("needle"));
    window.find->replaceAll();
    QString wanted = text;
    wanted.replace(QStringLiteral("needle"), QStringLiteral("pin"));
    EXPECT_EQ(window.text().storage().mid(0, window.text().storage().length()), wanted);
    window.document->stack.undo();
    EXPECT_EQ(window.text().storage().mid(0, window.text().storage().length()), text);
}

// A search reads the snapshot it was given: edits made after it started change nothing it
// finds (the window drops its result and searches again).
TEST(FindReplace, aSearchReadsItsSnapshotWhileTheTextChanges)
{
    QString start;
    for (int i = 0; i < 5000; ++i)
        start += QStringLiteral("ab ");
    EditorCore::ChunkedText text(EditorKit::utf16View(start));
    auto compiled = EditorCore::CompiledSearch::make({u"ab", false, false, false, std::nullopt});
    ASSERT_TRUE(compiled);
    QObject receiver;
    BackgroundFind find(&receiver);
    std::vector<FindMatch> found;
    bool finished = false;
    find.start(*compiled, text.snapshot(), [&](BackgroundFind::Batch&& batch) {
        found.insert(found.end(), batch.matches.begin(), batch.matches.end());
        finished = finished || batch.finished;
    });
    for (int i = 0; i < 200; ++i) {
        text.replace(i * 7, 2, u"xx");
        text.replace(text.length() / 2, 0, u"ab");
    }
    BackgroundFind::pool().waitForDone();
    QCoreApplication::processEvents();
    ASSERT_TRUE(finished);
    ASSERT_EQ(found.size(), 5000u);
    for (std::size_t i = 0; i < found.size(); ++i)
        ASSERT_EQ(std::int64_t{found[i].location}, static_cast<std::int64_t>(3 * i));
}
