// Opens a generated 100 MiB, 1,000,000-line text in the editor view (offscreen) and prints the
// time to the first paint, the time to scroll to the end and the peak memory of the process.
#include "app/views/EditorTextView.h"
#include "app/views/LineNumberRuler.h"
#include "app/views/TextStorage.h"
#include "bench/LargeText.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QScrollBar>

#include <cstdio>
#include <cstdlib>

namespace {

long long statusKilobytes(const char* field)
{
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(static_cast<qsizetype>(std::strlen(field)))
                .trimmed()
                .split(' ')
                .front()
                .toLongLong();
    }
    return -1;
}

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    using namespace EditorViews;

    using LargeText::lineCount;
    QString text = LargeText::generate();
    const double utf16MiB = text.size() * 2.0 / (1024 * 1024);
    const long long baselineKb = statusKilobytes("VmRSS:");

    auto display = std::make_shared<EditorDisplayState>();
    display->options.showsLineNumbers = true;
    EditorTextView view(display);
    view.resize(1180, 640);
    auto* ruler = new LineNumberRuler(&view);
    view.setLineNumberRuler(ruler);
    view.show();
    application.processEvents();

    QElapsedTimer timer;
    timer.start();
    view.storage().setText(std::move(text));
    const double storedMs = timer.nsecsElapsed() / 1e6;
    ruler->updateThickness();
    view.displayOptionsDidChange();
    const double optionsMs = timer.nsecsElapsed() / 1e6;
    view.viewport()->repaint();
    const double firstPaintMs = timer.nsecsElapsed() / 1e6;

    timer.restart();
    view.doCommandBySelector(QStringLiteral("moveToEndOfDocument:"));
    view.viewport()->repaint();
    const double scrollMs = timer.nsecsElapsed() / 1e6;

    timer.restart();
    view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum() / 2);
    view.viewport()->repaint();
    const double middleMs = timer.nsecsElapsed() / 1e6;

    const long long peakKb = statusKilobytes("VmHWM:");
    std::printf(
        "lines=%d utf16=%.1fMiB wraps=%d\n", lineCount, utf16MiB, display->options.wrapsLines);
    std::printf("first paint after the text is in memory: %.1f ms (text stored and indexed "
                "%.1f ms, options applied %.1f ms)\n",
                firstPaintMs,
                storedMs,
                optionsMs);
    std::printf("scroll to the end and paint: %.1f ms\n", scrollMs);
    std::printf("jump to the middle and paint: %.1f ms\n", middleMs);
    std::printf("peak memory: %.1f MiB (%.2f x the UTF-16 size; %.1f MiB before the view)\n",
                peakKb / 1024.0,
                peakKb / 1024.0 / utf16MiB,
                baselineKb / 1024.0);
    return 0;
}
