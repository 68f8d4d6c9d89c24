// One refresh of the tool band in a window holding an edited 100 MiB, 1,000,000-line document
// (offscreen Qt): the steady refresh, and the first one after an edit that keeps the text's
// length (the one that compares the text with the loaded text). Prints median and 99th
// percentile.
#include "app/kit/ActionRouter.h"
#include "app/views/EditorTextView.h"
#include "app/window/DocumentWindowController.h"
#include "app/window/toolband/ToolBand.h"
#include "app/window/toolband/ToolBandFeature.h"
#include "app/window/WindowDocument.h"
#include "bench/BenchDocument.h"
#include "bench/LargeText.h"
#include "platform/PreferencesDomain.h"
#include "store/Settings.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QUndoStack>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

struct Figures
{
    double median = 0;
    double p99 = 0;
};

Figures figures(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times[times.size() * 99 / 100]};
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

    EditorStore::Settings settings(
        std::make_shared<Platform::PreferencesDomain>(
            std::filesystem::path(home.path().toStdString()) / "group-defaults.json"),
        {});
    EditorKit::ActionRouter router;
    BenchDocument document(LargeText::generate());
    document.setFileURL("/tmp/bench.txt");
    EditorWindow::WindowEnvironment environment;
    environment.settings = &settings;
    environment.homeFolder = home.path();
    environment.features = [] {
        EditorWindow::WindowFeatureList list;
        list.push_back(std::make_unique<EditorWindow::ToolBandFeature>());
        return list;
    };
    EditorWindow::DocumentWindowController window(document, router, environment);
    window.page()->resize(1180, 640);
    application.processEvents();
    EditorWindow::ToolBandView* band = window.feature<EditorWindow::ToolBandFeature>()->band();

    // Edited: one letter typed in the middle.
    EditorViews::EditorTextView& view = *window.textView();
    const int middle = static_cast<int>(view.text().size() / 2);
    view.setSelectedRange({middle, 0});
    view.insertText(QStringLiteral("x"));
    application.processEvents();

    QElapsedTimer timer;
    std::vector<double> steady;
    for (int i = 0; i < 1000; ++i) {
        timer.start();
        band->refresh();
        steady.push_back(timer.nsecsElapsed() / 1e6);
    }

    // The typed letter deleted again, then a letter replaced by another: the length is the
    // loaded text's, so the first refresh of each new version compares the texts.
    view.setSelectedRange({middle, 1});
    view.insertText(QString());
    application.processEvents();
    std::vector<double> afterEdit;
    for (int i = 0; i < 20; ++i) {
        view.setSelectedRange({middle, 1});
        view.insertText(QString(QLatin1Char(static_cast<char>('a' + i % 26))));
        application.processEvents();
        view.setSelectedRange({middle, 1});
        view.insertText(QString(QLatin1Char(static_cast<char>('b' + i % 26))));
        timer.start();
        band->refresh();
        afterEdit.push_back(timer.nsecsElapsed() / 1e6);
        application.processEvents();
    }

    const Figures a = figures(steady);
    const Figures b = figures(afterEdit);
    std::printf("tool band refresh, edited 100 MiB: median %.4f ms, 99th percentile %.4f ms\n",
                a.median,
                a.p99);
    std::printf("first refresh after an edit keeping the loaded length: median %.3f ms, 99th "
                "percentile %.3f ms\n",
                b.median,
                b.p99);
    return 0;
}
