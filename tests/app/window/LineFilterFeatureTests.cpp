// The line filter in windows shown offscreen with the find bar and the filter: scheduling,
// the passes on the worker, text added at the end, opening rows and the exports.
#include "app/kit/ActionRouter.h"
#include "app/kit/HostWindow.h"
#include "app/kit/Presenter.h"
#include "app/views/EditorTextView.h"
#include "app/views/FilterView.h"
#include "app/views/TextStorage.h"
#include "app/window/DocumentContentView.h"
#include "app/window/DocumentWindowController.h"
#include "app/window/find/FindBarView.h"
#include "app/window/find/FindReplaceFeature.h"
#include "app/window/hosting/HostWindows.h"
#include "app/window/filter/LineFilterFeature.h"
#include "platform/PreferencesDomain.h"
#include "store/Settings.h"
#include "tests/app/window/FakeDocument.h"
#include "tests/platform/TemporaryFolder.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <QThread>
#include <QToolButton>

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>

using EditorCore::LineFilter;
using EditorViews::TextRange;
using EditorWindow::DocumentWindowController;
using EditorWindow::FilterPass;
using EditorWindow::FindBarView;
using EditorWindow::FindReplaceFeature;
using EditorWindow::LineFilterFeature;
using WindowTest::FakeDocument;

namespace {

struct RecordingPresenter : EditorKit::Presenter
{
    std::vector<QString> suggestedNames;
    std::optional<std::filesystem::path> answer;
    std::vector<QString> alerts;

    int runAlert(const EditorKit::Alert& alert, QWidget*) override
    {
        alerts.push_back(alert.text);
        return 0;
    }
    std::optional<std::filesystem::path> runSavePanel(QWidget*, const QString& name) override
    {
        suggestedNames.push_back(name);
        return answer;
    }
};

// Holds passes on the worker until released, to make a pass "still running" on purpose.
struct PassGate
{
    std::mutex mutex;
    std::condition_variable changed;
    bool closed = false;
    int waiting = 0;

    void pass()
    {
        std::unique_lock lock(mutex);
        ++waiting;
        changed.notify_all();
        changed.wait(lock, [this] { return !closed; });
        --waiting;
    }
    void setClosed(bool value)
    {
        std::lock_guard lock(mutex);
        closed = value;
        changed.notify_all();
    }
    bool waitForWaiter()
    {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(10), [this] { return waiting > 0; });
    }
};

struct FilterWindow
{
    TemporaryFolder folder;
    std::unique_ptr<EditorStore::Settings> settings;
    EditorKit::ActionRouter router;
    std::shared_ptr<RecordingPresenter> presenter = std::make_shared<RecordingPresenter>();
    std::unique_ptr<FakeDocument> document;
    std::unique_ptr<DocumentWindowController> window;
    FindReplaceFeature* find = nullptr;
    LineFilterFeature* filter = nullptr;
    int beeps = 0;
    std::vector<FilterPass> started;
    std::mutex startedMutex;
    PassGate gate;

    explicit FilterWindow(const QString& text)
    {
        settings = std::make_unique<EditorStore::Settings>(
            std::make_shared<Platform::PreferencesDomain>(folder / "group-defaults.json"),
            std::map<std::string, std::string>{});
        document = std::make_unique<FakeDocument>(text);
        EditorWindow::WindowEnvironment environment;
        environment.settings = settings.get();
        environment.presenter = presenter;
        environment.hosts = std::make_shared<EditorWindow::HostWindows>(router);
        environment.features = [] {
            EditorWindow::WindowFeatureList list;
            list.push_back(std::make_unique<FindReplaceFeature>());
            list.push_back(std::make_unique<LineFilterFeature>());
            return list;
        };
        window = std::make_unique<DocumentWindowController>(*document, router, environment);
        window->showWindow();
        QCoreApplication::processEvents();
        find = window->feature<FindReplaceFeature>();
        filter = window->feature<LineFilterFeature>();
        filter->setBeep([this] { ++beeps; });
        find->setBeep([this] { ++beeps; });
        filter->setPassObserver(
            [this](const FilterPass& pass) {
                {
                    std::lock_guard lock(startedMutex);
                    started.push_back(pass);
                }
                gate.pass();
            },
            {});
    }

    ~FilterWindow()
    {
        gate.setClosed(false);
        window.reset();
        document.reset();
        QCoreApplication::processEvents();
    }

    EditorViews::EditorTextView& text() { return *window->textView(); }
    FindBarView& bar() { return *find->findBar(); }
    EditorViews::FilterLinesView& lines() { return *filter->filterView()->lines(); }
    QString count() { return bar().filterCountLabel()->text(); }
    std::size_t passCount()
    {
        std::lock_guard lock(startedMutex);
        return started.size();
    }
    FilterPass lastPass()
    {
        std::lock_guard lock(startedMutex);
        return started.back();
    }

    // Runs the event loop until nothing is scheduled or running.
    void settle(int timeoutMs = 20000)
    {
        QElapsedTimer clock;
        clock.start();
        while ((filter->filterState().isRunning || filter->isFilterScheduled())
               && clock.elapsed() < timeoutMs) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            QThread::msleep(2);
        }
        QCoreApplication::processEvents();
        ASSERT_FALSE(filter->filterState().isRunning);
    }

    void showWithQuery(const QString& query)
    {
        if (!filter->isFilterShown())
            filter->toggleFilter();
        bar().queryField()->setText(query);
        filter->runFilter();
        settle();
    }

    std::vector<std::int64_t> shownLines()
    {
        std::vector<std::int64_t> result;
        for (const auto& row : lines().rows)
            result.push_back(row.line);
        return result;
    }
};

using Lines = std::vector<std::int64_t>;

QString numberedLines(int count, const QString& word)
{
    QString text;
    for (int i = 0; i < count; ++i)
        text += word + QString::number(i) + QLatin1Char('\n');
    return text;
}

} // namespace

TEST(LineFilterFeature, theCommandShowsTheListInPlaceOfTheTextWithTheBar)
{
    FilterWindow window(QStringLiteral("alpha\nbeta\n"));
    ASSERT_EQ(window.find->findBar(), nullptr);
    EXPECT_TRUE(window.router.send("toggleFilter:", {}, window.window->hostWindow()));
    ASSERT_TRUE(window.filter->isFilterShown());
    ASSERT_NE(window.find->findBar(), nullptr);
    EXPECT_TRUE(window.bar().filterRow()->isVisibleTo(window.window->page()));
    EXPECT_TRUE(window.bar().filterToggle()->isChecked());
    EXPECT_EQ(window.filter->filterView()->geometry(),
              window.window->content()->body()->geometry());
    EXPECT_EQ(window.lines().message, QStringLiteral("찾을 말을 넣으면 맞는 줄만 보여요"));
    EXPECT_TRUE(window.window->commandState({"find.filter"}).isOn);

    // The bar's toggle hides it again and leaves the bar open.
    window.bar().filterToggle()->click();
    EXPECT_FALSE(window.filter->isFilterShown());
    EXPECT_NE(window.find->findBar(), nullptr);
    EXPECT_FALSE(window.bar().filterToggle()->isChecked());
    EXPECT_FALSE(window.window->commandState({"find.filter"}).isOn);

    // Closing the bar takes a shown list with it.
    window.filter->toggleFilter();
    window.find->closeFindBar();
    EXPECT_FALSE(window.filter->isFilterShown());
    // Export with nothing listed beeps.
    window.filter->toggleFilter();
    window.filter->exportFilterResults(FindBarView::FilterExport::copy);
    EXPECT_EQ(window.beeps, 1);
}

TEST(LineFilterFeature, threeQuickLettersRunTheFilterOnce)
{
    FilterWindow window(QStringLiteral("a\nab\nabc\nabcd\n"));
    window.filter->toggleFilter();
    window.settle();
    ASSERT_EQ(window.passCount(), 0u);
    QTest::keyClicks(window.bar().queryField(), "abc");
    EXPECT_TRUE(window.filter->isFilterScheduled());
    window.settle();
    EXPECT_EQ(window.passCount(), 1u);
    EXPECT_EQ(window.shownLines(), (Lines{2, 3}));
    EXPECT_EQ(window.count(), QStringLiteral("2줄 / 전체 4줄"));
}

TEST(LineFilterFeature, anEditInTheMiddleRerunsTheWholeFilterAMomentLater)
{
    FilterWindow window(QStringLiteral("keep 1\nskip\nkeep 2\n"));
    window.showWithQuery(QStringLiteral("keep"));
    const std::size_t before = window.passCount();
    window.text().insertText(QStringLiteral("keep "), TextRange{7, 0});
    EXPECT_TRUE(window.filter->isFilterScheduled());
    EXPECT_EQ(window.filter->scheduledInterval(), std::chrono::milliseconds(250));
    window.settle();
    ASSERT_EQ(window.passCount(), before + 1);
    EXPECT_FALSE(window.lastPass().appended);
    EXPECT_EQ(window.shownLines(), (Lines{0, 1, 2}));
}

TEST(LineFilterFeature, typingAtTheEndScansOnlyTheTailAndKeepsTheListAtItsEnd)
{
    FilterWindow window(numberedLines(400, QStringLiteral("hit ")));
    window.window->hostWindow()->resize(800, 400);
    QCoreApplication::processEvents();
    window.showWithQuery(QStringLiteral("hit"));
    ASSERT_EQ(window.lines().rows.size(), 400u);
    window.lines().selection = EditorViews::FilterLinesView::Selection{3, 5};
    window.filter->filterView()->scrollToEnd();
    ASSERT_TRUE(window.filter->filterView()->isScrolledToEnd());

    const std::size_t before = window.passCount();
    const int end = static_cast<int>(window.text().text().size());
    window.text().insertText(QStringLiteral("hit 400\nhit 401\n"), TextRange{end, 0});
    window.settle();
    ASSERT_EQ(window.passCount(), before + 1);
    const FilterPass tail = window.lastPass();
    EXPECT_TRUE(tail.appended);
    EXPECT_EQ(tail.firstLine, 399);
    EXPECT_EQ(EditorViews::snapshotText(tail.text, tail.firstOffset, tail.text.length()),
              QStringLiteral("hit 399\nhit 400\nhit 401\n"));
    EXPECT_EQ(window.lines().rows.size(), 402u);
    EXPECT_TRUE(window.filter->filterView()->isScrolledToEnd());
    // Appended rows keep the selection.
    EXPECT_EQ(window.lines().selection, (EditorViews::FilterLinesView::Selection{3, 5}));
    EXPECT_EQ(window.count(), QStringLiteral("402줄 / 전체 402줄"));
}

TEST(LineFilterFeature, textAddedDuringAFullRunIsFilteredRightAfterIt)
{
    FilterWindow window(QStringLiteral("x 1\ny\n"));
    window.filter->toggleFilter();
    window.gate.setClosed(true);
    window.bar().queryField()->setText(QStringLiteral("x"));
    window.filter->runFilter();
    ASSERT_TRUE(window.gate.waitForWaiter());
    window.text().insertText(QStringLiteral("x 2\n"), TextRange{6, 0});
    EXPECT_TRUE(window.filter->filterState().pendingAppend);
    EXPECT_EQ(window.count(), QStringLiteral("거르는 중…"));
    window.gate.setClosed(false);
    window.settle();
    ASSERT_EQ(window.passCount(), 2u);
    EXPECT_TRUE(window.lastPass().appended);
    EXPECT_EQ(window.shownLines(), (Lines{0, 2}));
    EXPECT_FALSE(window.filter->filterState().pendingAppend);
}

TEST(LineFilterFeature, hidingDuringAPassShowsNothingAndTheNextShowRunsAfresh)
{
    FilterWindow window(QStringLiteral("x 1\ny\n"));
    window.filter->toggleFilter();
    window.gate.setClosed(true);
    window.bar().queryField()->setText(QStringLiteral("x"));
    window.filter->runFilter();
    ASSERT_TRUE(window.gate.waitForWaiter());
    window.filter->hideFilter();
    window.gate.setClosed(false);
    window.settle();
    EXPECT_FALSE(window.filter->isFilterShown());
    window.filter->toggleFilter();
    window.settle();
    EXPECT_EQ(window.passCount(), 2u);
    EXPECT_EQ(window.shownLines(), (Lines{0}));
}

TEST(LineFilterFeature, theErrorRowStaysAfterAGoodRun)
{
    FilterWindow window(QStringLiteral("a(b\nc\n"));
    window.filter->toggleFilter();
    window.bar().regexToggle()->setChecked(true);
    // Without the find's own run, which would show and hide the row for itself.
    window.bar().queryField()->blockSignals(true);
    window.bar().queryField()->setText(QStringLiteral("("));
    window.bar().queryField()->blockSignals(false);
    window.filter->runFilter();
    window.settle();
    EXPECT_FALSE(window.bar().errorRow()->isHidden());
    EXPECT_TRUE(
        window.bar().errorLabel()->text().startsWith(QStringLiteral("정규식이 틀렸어요 — ")));
    EXPECT_EQ(window.lines().message, QStringLiteral("정규식을 고치면 다시 걸러요"));
    EXPECT_EQ(window.count(), QString());

    window.bar().queryField()->blockSignals(true);
    window.bar().queryField()->setText(QStringLiteral("a\\("));
    window.bar().queryField()->blockSignals(false);
    window.filter->runFilter();
    window.settle();
    EXPECT_EQ(window.shownLines(), (Lines{0}));
    EXPECT_FALSE(window.bar().errorRow()->isHidden());
}

TEST(LineFilterFeature, openingARowHidesTheListAndSelectsTheMatch)
{
    FilterWindow window(QStringLiteral("one\ntwo hit here\nthree\n"));
    window.showWithQuery(QStringLiteral("hit"));
    ASSERT_EQ(window.shownLines(), (Lines{1}));
    window.lines().setFocus();
    QTest::keyClick(&window.lines(), Qt::Key_Down);
    QTest::keyClick(&window.lines(), Qt::Key_Return);
    EXPECT_FALSE(window.filter->isFilterShown());
    EXPECT_EQ(window.text().selectedRange(), (TextRange{8, 3}));
    EXPECT_FALSE(window.bar().filterToggle()->isChecked());
}

TEST(LineFilterFeature, nextMatchStepsThroughTheMatchRowsWhileTheListShows)
{
    FilterWindow window(QStringLiteral("hit 1\nx\nhit 2\n"));
    window.showWithQuery(QStringLiteral("hit"));
    window.find->selectMatch(false);
    EXPECT_EQ(window.lines().selection, (EditorViews::FilterLinesView::Selection{0, 0}));
    window.find->selectMatch(false);
    EXPECT_EQ(window.lines().selection, (EditorViews::FilterLinesView::Selection{1, 1}));
    window.find->selectMatch(true);
    EXPECT_EQ(window.lines().selection, (EditorViews::FilterLinesView::Selection{0, 0}));
}

TEST(LineFilterFeature, copyExportUsesTheDocumentsLineEndingAndCountsEveryRow)
{
    FilterWindow window(QStringLiteral("a1\r\nb\r\nc\r\nd\r\ne\r\na2\r\n"));
    window.filter->toggleFilter();
    // One line of context: a1, b, a gap, e, a2.
    window.bar().contextPopup()->setCurrentIndex(1);
    window.showWithQuery(QStringLiteral("a"));
    ASSERT_EQ(window.lines().rows.size(), 5u);
    window.filter->exportFilterResults(FindBarView::FilterExport::copy);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("a1\r\nb\r\n--\r\ne\r\na2\r\n"));
    EXPECT_EQ(window.count(), QStringLiteral("5줄 복사함"));
}

TEST(LineFilterFeature, saveExportProposesANameAndWritesUtf8WithoutAMark)
{
    struct Case
    {
        const char* name;
        std::optional<std::filesystem::path> file;
        QString proposed;
    };
    const Case cases[] = {
        {"untitled", std::nullopt, QStringLiteral("걸러 본 줄-걸러 봄.txt")},
        {"notes.txt",
         std::filesystem::path("/somewhere/notes.txt"),
         QStringLiteral("notes-걸러 봄.txt")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FilterWindow window(QStringLiteral("가 hit\nno\nhit é\n"));
        window.document->url = c.file;
        window.document->textEncoding = EditorCore::TextEncoding::shiftJIS;
        window.presenter->answer = window.folder / "out.txt";
        window.showWithQuery(QStringLiteral("hit"));
        window.filter->exportFilterResults(FindBarView::FilterExport::save);
        EXPECT_EQ(window.presenter->suggestedNames, (std::vector<QString>{c.proposed}));
        QFile written(QString::fromStdString((window.folder / "out.txt").string()));
        ASSERT_TRUE(written.open(QIODevice::ReadOnly));
        EXPECT_EQ(written.readAll(), QStringLiteral("가 hit\nhit é\n").toUtf8());
        EXPECT_TRUE(window.presenter->alerts.empty());
    }

    // A file that cannot be written: an alert.
    FilterWindow window(QStringLiteral("hit\n"));
    window.presenter->answer = window.folder / "missing" / "out.txt";
    window.showWithQuery(QStringLiteral("hit"));
    window.filter->exportFilterResults(FindBarView::FilterExport::save);
    EXPECT_EQ(window.presenter->alerts.size(), 1u);
}

TEST(LineFilterFeature, newTabExportPutsTheRowsIntoTheNewDocument)
{
    FilterWindow window(QStringLiteral("hit 1\nx\nhit 2\n"));
    FilterWindow other(QString{});
    window.filter->setUntitledOpener([&] { return other.window.get(); });
    window.showWithQuery(QStringLiteral("hit"));
    window.filter->exportFilterResults(FindBarView::FilterExport::newTab);
    EXPECT_EQ(other.text().text(), QStringLiteral("hit 1\nhit 2\n"));
    EXPECT_EQ(other.text().selectedRange(), (TextRange{0, 0}));
}

// The window's text is a tree of chunks of a few thousand units: lines whose match, break (a
// CR LF split by a border) or both straddle a chunk border are rows like any other, and a row's
// text and its export read across the border.
TEST(LineFilterFeature, rowsAcrossChunkBordersAreFoundShownAndExported)
{
    QString text;
    std::vector<std::int64_t> expected;
    std::int64_t line = 0;
    std::vector<QString> hits;
    for (int i = 0; i < 10; ++i) {
        // Filler that ends a few units before the next border of a 4096-unit chunk.
        const int filler = 4096 - static_cast<int>(text.size() % 4096) - 3 + i % 4;
        text += QString(std::max(filler, 1), QLatin1Char('.')) + QStringLiteral("\r\n");
        ++line;
        expected.push_back(line);
        const QString hit = QStringLiteral("needle %1").arg(i);
        hits.push_back(hit);
        text += hit + QStringLiteral("\r\n");
        ++line;
    }
    FilterWindow window(text);
    ASSERT_GT(window.text().storage().current().stats().chunks, 8);
    window.showWithQuery(QStringLiteral("needle"));
    EXPECT_EQ(window.shownLines(), expected);
    const auto ending = window.window->effectiveLineEnding();
    const QString separator = ending == EditorCore::LineEnding::crlf ? QStringLiteral("\r\n")
                              : ending == EditorCore::LineEnding::cr ? QStringLiteral("\r")
                                                                     : QStringLiteral("\n");
    QString exported;
    for (const QString& hit : hits)
        exported += hit + separator;
    EXPECT_EQ(window.filter->filterExportText(window.lines().rows), exported);

    // Typing goes on after the pass took its snapshot: the rows follow the text as it is now.
    window.text().insertText(QStringLiteral("needle x\r\n"), TextRange{0, 0});
    window.settle();
    window.filter->runFilter();
    window.settle();
    ASSERT_EQ(window.shownLines().size(), expected.size() + 1);
    EXPECT_EQ(window.shownLines().front(), 0);
}
