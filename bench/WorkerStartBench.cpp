// How long the interface thread is kept from running when a worker of the window starts on a
// ~100 MiB log (1.0 M lines, one in ten with "WARN"; offscreen Qt, laid out, not painted): after
// a one-character edit in the middle, the find searching again, the line filter running again
// and the suspicious count counting again, each in a window of its own, up to its result being
// shown. Prints the edit's own time apart and, per worker, the longest gap between ticks of a
// 1 ms timer from the end of the edit to the result (target: under 16 ms), median and worst of
// the rounds.
#include "app/kit/ActionRouter.h"
#include "app/views/EditorTextView.h"
#include "app/views/TextStorage.h"
#include "app/window/DocumentWindowController.h"
#include "app/window/filter/LineFilterFeature.h"
#include "app/window/find/FindBarView.h"
#include "app/window/find/FindReplaceFeature.h"
#include "app/window/suspicious/SuspiciousMarksFeature.h"
#include "bench/BenchDocument.h"
#include "bench/EventLoopStalls.h"
#include "platform/PreferencesDomain.h"
#include "store/Settings.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

namespace {

QString generatedLog(qsizetype units)
{
    static const char* const levels[] = {"INFO ", "INFO ", "DEBUG", "INFO ", "ERROR"};
    std::string ascii;
    ascii.reserve(static_cast<std::size_t>(units) + 256);
    std::uint32_t state = 12345;
    auto next = [&state] {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    };
    char line[192];
    for (int i = 0; static_cast<qsizetype>(ascii.size()) < units; ++i) {
        const std::uint32_t r = next();
        std::snprintf(line,
                      sizeof line,
                      "2026-12-09T%02d:%02d:%02d.%03dZ %s [worker-%02u] request id=%08x served "
                      "/api/items/%u in %u ms status=%d\n",
                      (i / 3600000) % 24,
                      (i / 60000) % 60,
                      (i / 1000) % 60,
                      i % 1000,
                      r % 10 == 0 ? "WARN " : levels[(r >> 4) % 5],
                      r % 16,
                      next(),
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

struct Bench
{
    QTemporaryDir home;
    std::unique_ptr<EditorStore::Settings> settings;
    EditorKit::ActionRouter router;
};

struct Window
{
    BenchDocument document;
    std::unique_ptr<EditorWindow::DocumentWindowController> controller;

    Window(Bench& bench,
           const QString& text,
           std::function<EditorWindow::WindowFeatureList()> features)
        : document(text)
    {
        EditorWindow::WindowEnvironment environment;
        environment.settings = bench.settings.get();
        environment.homeFolder = bench.home.path();
        environment.features = std::move(features);
        controller = std::make_unique<EditorWindow::DocumentWindowController>(
            document, bench.router, environment);
        controller->page()->resize(1180, 640);
        QCoreApplication::processEvents();
    }
    EditorViews::EditorTextView& text() { return *controller->textView(); }
};

// Rounds of: a one-character edit in the middle (inserted, then taken out again), then the
// event loop runs until `done` holds; the longest stall from the edit's end to then.
void measure(const char* name,
             Window& window,
             const QString& inserted,
             const std::function<void()>& armed,
             const std::function<bool()>& done)
{
    StallMeter meter;
    std::vector<double> edits;
    std::vector<double> stalls;
    std::vector<double> latencies;
    const std::int64_t middle = window.text().storage().length() / 2;
    for (int round = 0; round < 8; ++round) {
        armed();
        QElapsedTimer clock;
        clock.start();
        if (round % 2 == 0)
            window.text().insertText(inserted, EditorViews::TextRange{middle, 0});
        else
            window.text().insertText(QString(), EditorViews::TextRange{middle, inserted.size()});
        edits.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
        meter.reset();
        clock.restart();
        if (!spin(done, 60'000)) {
            std::printf("%s: no result within a minute\n", name);
            return;
        }
        stalls.push_back(static_cast<double>(meter.longest()));
        if (std::getenv("OLV_BENCH_ROUNDS"))
            std::printf("  %s round %d: longest stall %.0f ms\n", name, round, stalls.back());
        latencies.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
    }
    std::printf("%-32s edit median %6.2f ms | longest stall median %5.1f ms, worst %5.1f ms "
                "(target 16) | edit end to result median %7.1f ms\n",
                name,
                median(edits),
                median(stalls),
                *std::max_element(stalls.begin(), stalls.end()),
                median(latencies));
}

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    Bench bench;
    setenv("HOME", qPrintable(bench.home.path()), 1);
    setenv("XDG_CONFIG_HOME", qPrintable(bench.home.path() + "/config"), 1);
    setenv("XDG_DATA_HOME", qPrintable(bench.home.path() + "/data"), 1);
    setenv("XDG_STATE_HOME", qPrintable(bench.home.path() + "/state"), 1);
    QApplication application(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    bench.settings = std::make_unique<EditorStore::Settings>(
        std::make_shared<Platform::PreferencesDomain>(
            std::filesystem::path(bench.home.path().toStdString()) / "group-defaults.json"),
        std::map<std::string, std::string>{});
    const char* mebibytes = std::getenv("OLV_BENCH_MIB");
    const qsizetype units = qsizetype{mebibytes ? std::atoi(mebibytes) : 100} * 1024 * 1024;
    const QString log = generatedLog(units);
    std::printf("log: %.1f MiB of ASCII, %lld lines\n",
                static_cast<double>(log.size()) / (1024.0 * 1024.0),
                static_cast<long long>(log.count(QLatin1Char('\n'))));

    {
        // The floor: a window without these workers, its event loop watched for as long as a
        // worker's round takes, after the same edit.
        Window window(bench, log, [] { return EditorWindow::WindowFeatureList{}; });
        QElapsedTimer since;
        measure(
            "none (the edit's own aftermath)",
            window,
            QStringLiteral("x"),
            [&] { since.invalidate(); },
            [&] {
                if (!since.isValid())
                    since.start();
                return since.elapsed() > 700;
            });
    }
    {
        Window window(bench, log, [] {
            EditorWindow::WindowFeatureList list;
            list.push_back(std::make_unique<EditorWindow::FindReplaceFeature>());
            return list;
        });
        auto* find = window.controller->feature<EditorWindow::FindReplaceFeature>();
        find->showFindBar(false);
        find->findBar()->queryField()->blockSignals(true);
        find->findBar()->queryField()->setText(QStringLiteral("WARN"));
        find->findBar()->queryField()->blockSignals(false);
        find->runSearch();
        spin([&] { return !find->isSearching(); }, 60'000);
        std::uint64_t before = 0;
        measure(
            "find",
            window,
            QStringLiteral("x"),
            [&] { before = find->findGeneration(); },
            [&] { return find->findGeneration() != before && !find->isSearching(); });
    }
    {
        Window window(bench, log, [] {
            EditorWindow::WindowFeatureList list;
            list.push_back(std::make_unique<EditorWindow::FindReplaceFeature>());
            list.push_back(std::make_unique<EditorWindow::LineFilterFeature>());
            return list;
        });
        auto* find = window.controller->feature<EditorWindow::FindReplaceFeature>();
        auto* filter = window.controller->feature<EditorWindow::LineFilterFeature>();
        bool shown = false;
        filter->setPassObserver({},
                                [&shown](const EditorWindow::FilterPassResult&) { shown = true; });
        filter->toggleFilter();
        find->findBar()->queryField()->blockSignals(true);
        find->findBar()->queryField()->setText(QStringLiteral("WARN"));
        find->findBar()->queryField()->blockSignals(false);
        filter->runFilter();
        spin([&] { return shown; }, 60'000);
        measure(
            "line filter",
            window,
            QStringLiteral("x"),
            [&] { shown = false; },
            [&] { return shown; });
    }
    {
        Window window(bench, log, [] {
            EditorWindow::WindowFeatureList list;
            list.push_back(std::make_unique<EditorWindow::SuspiciousMarksFeature>());
            return list;
        });
        auto* marks = window.controller->feature<EditorWindow::SuspiciousMarksFeature>();
        spin([&] { return false; }, 2'000);
        // A no-break space in, then out: the count shows 1, then 0.
        std::int64_t wanted = 0;
        measure(
            "suspicious count",
            window,
            QString(QChar(0x00A0)),
            [&] { wanted = marks->report().total() == 0 ? 1 : 0; },
            [&] { return marks->report().total() == wanted; });
    }
    return 0;
}
