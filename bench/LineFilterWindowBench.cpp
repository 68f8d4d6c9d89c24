// The window's line filter over a generated 1,000,000-line, ~100 MB log in which about one
// line in ten matches (offscreen Qt, window laid out but not painted): the time from a query
// change, once its delay has passed, to the rows being in the list, set beside
// `LineFilter::apply` alone on the same text; and the time from appending 1,000 lines at the
// end to the extended rows. Wall-clock medians; on a busy machine compare the ratio.
#include "app/kit/ActionRouter.h"
#include "app/kit/Utf16.h"
#include "app/views/EditorTextView.h"
#include "app/views/FilterView.h"
#include "app/views/TextStorage.h"
#include "app/window/DocumentWindowController.h"
#include "app/window/filter/LineFilterFeature.h"
#include "app/window/find/FindBarView.h"
#include "app/window/find/FindReplaceFeature.h"
#include "bench/BenchDocument.h"
#include "platform/PreferencesDomain.h"
#include "store/Settings.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// "WARN" on about 10 % of the lines, nowhere else.
QString generatedLog(int lines)
{
    static const char* const levels[] = {"INFO ", "INFO ", "DEBUG", "INFO ", "ERROR"};
    static const char* const paths[] = {
        "/api/items", "/api/users", "/static/app.js", "/index.html", "/api/orders"};
    std::string ascii;
    ascii.reserve(static_cast<std::size_t>(lines) * 105);
    std::uint32_t state = 12345;
    auto next = [&state] {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    };
    char line[192];
    for (int i = 0; i < lines; ++i) {
        const std::uint32_t r = next();
        std::snprintf(line,
                      sizeof line,
                      "2026-12-09T%02d:%02d:%02d.%03dZ %s [worker-%02u] request id=%08x served "
                      "%s/%u in %u ms status=%d\n",
                      (i / 3600000) % 24,
                      (i / 60000) % 60,
                      (i / 1000) % 60,
                      i % 1000,
                      r % 10 == 0 ? "WARN " : levels[(r >> 4) % 5],
                      r % 16,
                      next(),
                      paths[(r >> 4) % 5],
                      (r >> 7) % 10000,
                      (r >> 3) % 900 + 1,
                      r % 7 == 0 ? 404 : 200);
        ascii += line;
    }
    return QString::fromLatin1(ascii.data(), static_cast<qsizetype>(ascii.size()));
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QTemporaryDir home;
    setenv("HOME", qPrintable(home.path()), 1);
    setenv("XDG_CONFIG_HOME", qPrintable(home.path() + "/config"), 1);
    setenv("XDG_DATA_HOME", qPrintable(home.path() + "/data"), 1);
    setenv("XDG_STATE_HOME", qPrintable(home.path() + "/state"), 1);
    QApplication application(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const char* linesVariable = std::getenv("OLV_BENCH_LINES");
    const int lineCount = linesVariable ? std::atoi(linesVariable) : 1'000'000;

    EditorStore::Settings settings(
        std::make_shared<Platform::PreferencesDomain>(
            std::filesystem::path(home.path().toStdString()) / "group-defaults.json"),
        {});
    EditorKit::ActionRouter router;
    BenchDocument document(generatedLog(lineCount));
    EditorWindow::WindowEnvironment environment;
    environment.settings = &settings;
    environment.homeFolder = home.path();
    environment.features = [] {
        EditorWindow::WindowFeatureList list;
        list.push_back(std::make_unique<EditorWindow::FindReplaceFeature>());
        list.push_back(std::make_unique<EditorWindow::LineFilterFeature>());
        return list;
    };
    EditorWindow::DocumentWindowController window(document, router, environment);
    window.page()->resize(1180, 640);
    application.processEvents();

    auto* find = window.feature<EditorWindow::FindReplaceFeature>();
    auto* filter = window.feature<EditorWindow::LineFilterFeature>();
    bool shown = false;
    filter->setPassObserver({}, [&shown](const EditorWindow::FilterPassResult&) { shown = true; });
    filter->toggleFilter();
    find->findBar()->queryField()->blockSignals(true);
    find->findBar()->queryField()->setText(QStringLiteral("WARN"));
    find->findBar()->queryField()->blockSignals(false);
    application.processEvents();

    auto waitShown = [&] {
        while (!shown)
            application.processEvents(QEventLoop::WaitForMoreEvents);
    };

    const QString& text = window.textView()->text();
    std::printf("log: %lld lines, %.1f MB\n",
                static_cast<long long>(window.textView()->lineIndex().contentLineCount()),
                static_cast<double>(text.size()) / 1e6);

    // LineFilter::apply alone on the same text, index and query.
    EditorCore::SearchQuery query;
    query.text = u"WARN";
    const EditorCore::LineFilter alone{*EditorCore::CompiledSearch::make(query), {}};
    // Taken in turns, so that a change of the machine's load touches both alike.
    std::vector<double> applyTimes;
    std::vector<double> snapshotTimes;
    std::vector<double> runTimes;
    std::size_t matched = 0;
    for (int i = 0; i < 7; ++i) {
        QElapsedTimer timer;
        timer.start();
        auto hits =
            alone.apply(EditorKit::utf16View(text), &window.textView()->lineIndex(), 0, 0, [] {
                return false;
            });
        applyTimes.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        matched = hits ? hits->lines.size() : 0;

        // The same over the storage's snapshot, as a pass of the window runs it.
        timer.start();
        auto overChunks =
            alone.apply(window.textView()->storage().current(), 0, [] { return false; });
        snapshotTimes.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        if (!overChunks || !hits || *overChunks != *hits)
            std::printf("the snapshot's hits differ!\n");

        // The window's full run: from the run (the scheduled work after its delay) to the rows.
        shown = false;
        timer.start();
        filter->runFilter();
        waitShown();
        runTimes.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    const std::size_t rows = filter->filterView()->lines()->rows.size();

    // With the bar's delay: a query change through the field.
    shown = false;
    QElapsedTimer typed;
    typed.start();
    QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    QApplication::sendEvent(find->findBar()->queryField(), &space);
    waitShown();
    const double withDelay = static_cast<double>(typed.nsecsElapsed()) / 1e6;
    shown = false;
    find->findBar()->queryField()->blockSignals(true);
    find->findBar()->queryField()->setText(QStringLiteral("WARN"));
    find->findBar()->queryField()->blockSignals(false);
    filter->runFilter();
    waitShown();

    // Appending 1,000 lines at the end: the edit itself, then the tail pass to the rows.
    const QString more = generatedLog(1000);
    std::vector<double> editTimes;
    std::vector<double> appendTimes;
    std::vector<double> totalTimes;
    for (int i = 0; i < 9; ++i) {
        shown = false;
        QElapsedTimer timer;
        timer.start();
        const int end = window.textView()->storage().length();
        window.textView()->insertText(more, EditorViews::TextRange{end, 0});
        const double edited = static_cast<double>(timer.nsecsElapsed()) / 1e6;
        waitShown();
        const double total = static_cast<double>(timer.nsecsElapsed()) / 1e6;
        editTimes.push_back(edited);
        appendTimes.push_back(total - edited);
        totalTimes.push_back(total);
    }

    // The same appends with the list hidden: what the edit costs without the filter.
    filter->hideFilter();
    std::vector<double> plainEdits;
    for (int i = 0; i < 9; ++i) {
        QElapsedTimer timer;
        timer.start();
        const int end = window.textView()->storage().length();
        window.textView()->insertText(more, EditorViews::TextRange{end, 0});
        plainEdits.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        application.processEvents();
    }

    const double applyMedian = median(applyTimes);
    const double runMedian = median(runTimes);
    std::printf("matching lines: %zu (%.1f %%), rows: %zu\n",
                matched,
                100.0 * static_cast<double>(matched) / lineCount,
                rows);
    std::printf("LineFilter::apply alone:          median %8.1f ms\n", applyMedian);
    std::printf("LineFilter::apply over the chunks: median %8.1f ms\n", median(snapshotTimes));
    std::printf("full run in the window to rows:   median %8.1f ms  (%.2f x apply; target 1.3)\n",
                runMedian,
                runMedian / applyMedian);
    std::printf("query typed, 120 ms delay incl.:         %8.1f ms\n", withDelay);
    std::printf("append 1,000 lines, edit pipeline: median %7.2f ms\n", median(editTimes));
    std::printf("append 1,000 lines, edit to rows:  median %7.2f ms  (target 10)\n",
                median(appendTimes));
    std::printf("append 1,000 lines, total:         median %7.2f ms\n", median(totalTimes));
    std::printf("append 1,000 lines, list hidden:   median %7.2f ms  (the edit alone)\n",
                median(plainEdits));
    std::printf("rows after the appends: %zu\n", filter->filterView()->lines()->rows.size());
    return 0;
}
