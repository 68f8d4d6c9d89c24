// Types 1,000 characters one key press at a time at the end and in the middle of a generated
// 100 MiB, 1,000,000-line document, through the document window's whole pipeline (key event,
// text storage, line index, edit record to the features, line-number ruler, the refresh of
// title and status), without painting, and prints the median and 99th percentile per key.
#include "app/kit/ActionRouter.h"
#include "app/views/EditorTextView.h"
#include "app/views/TextStorage.h"
#include "app/window/DocumentWindowController.h"
#include "app/window/WindowDocument.h"
#include "bench/BenchDocument.h"
#include "bench/LargeText.h"
#include "platform/PreferencesDomain.h"
#include "store/Settings.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QUndoStack>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

namespace {

struct Figures
{
    double median = 0;
    double p99 = 0;
};

Figures
typeKeys(QApplication& application, EditorWindow::DocumentWindowController& window, int caret)
{
    EditorViews::EditorTextView& view = *window.textView();
    view.setSelectedRange({caret, 0});
    application.processEvents();
    std::vector<double> times;
    times.reserve(1000);
    QElapsedTimer timer;
    for (int i = 0; i < 1000; ++i) {
        const QChar letter = QLatin1Char(static_cast<char>('a' + i % 26));
        timer.start();
        QKeyEvent press(QEvent::KeyPress, Qt::Key_A + i % 26, Qt::NoModifier, QString(letter));
        QApplication::sendEvent(&view, &press);
        // The turn of the event loop that follows: the one refresh of title and status.
        application.processEvents();
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times[times.size() * 99 / 100]};
}

double peakResidentMiB()
{
    std::FILE* status = std::fopen("/proc/self/status", "r");
    if (!status)
        return 0;
    char line[256];
    double kib = 0;
    while (std::fgets(line, sizeof line, status))
        if (std::sscanf(line, "VmHWM: %lf kB", &kib) == 1)
            break;
    std::fclose(status);
    return kib / 1024;
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
    EditorWindow::WindowEnvironment environment;
    environment.settings = &settings;
    environment.homeFolder = home.path();
    EditorWindow::DocumentWindowController window(document, router, environment);
    // Laid out but not shown: painting is not part of the figures.
    window.page()->resize(1180, 640);
    application.processEvents();

    auto run = [&](const char* name) {
        const int length = window.textView()->storage().length();
        const Figures end = typeKeys(application, window, length);
        const Figures middle = typeKeys(application, window, length / 2);
        const Figures start = typeKeys(application, window, 10);
        std::printf("%s, keystroke at the end:    median %.3f ms, 99th percentile %.3f ms\n",
                    name,
                    end.median,
                    end.p99);
        std::printf("%s, keystroke in the middle: median %.3f ms, 99th percentile %.3f ms\n",
                    name,
                    middle.median,
                    middle.p99);
        std::printf("%s, keystroke at the start:  median %.3f ms, 99th percentile %.3f ms\n",
                    name,
                    start.median,
                    start.p99);
    };
    run("100 MiB");
    // `--gib`: the same again over 1 GiB of text (10,000,000 lines) put into the window whole.
    if (argc > 1 && std::string_view(argv[1]) == "--gib") {
        window.textView()->storage().setText(LargeText::generateChunked(10 * LargeText::lineCount));
        application.processEvents();
        run("1 GiB");
    }
    std::printf("peak resident memory: %.0f MiB\n", peakResidentMiB());
    return 0;
}
