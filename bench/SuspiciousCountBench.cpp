// Counts the suspicious characters of a generated 100 MiB text (50 Mi UTF-16 units) with 1 %
// suspicious characters, as a document window does, and prints the worker's time and the main
// thread's time to schedule the count and to apply its result.
#include "app/window/suspicious/SuspiciousScan.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    using EditorWindow::SuspiciousScan;

    constexpr qsizetype units = 50 * 1024 * 1024;
    QString text;
    text.reserve(units);
    const QString line = QStringLiteral("The quick brown fox jumps over the lazy dog, 0123456789 ");
    std::uint32_t seed = 12345;
    while (text.size() < units) {
        for (QChar unit : line) {
            seed = seed * 1664525u + 1013904223u;
            // One unit in a hundred is a suspicious one, of several kinds.
            if (seed % 100 == 0) {
                static const char16_t kinds[] = {0x00a0, 0x200b, 0x202e, 0x00ad, 0x2028, 0x3000};
                text.append(QChar(kinds[(seed >> 8) % 6]));
            } else {
                text.append(unit);
            }
        }
        text.append(QLatin1Char('\n'));
    }
    text.truncate(units);

    QElapsedTimer worker;
    worker.start();
    auto direct = SuspiciousScan::count(text);
    const double workerMs = static_cast<double>(worker.nsecsElapsed()) / 1e6;

    bool started = false;
    bool applied = false;
    double applyMs = 0;
    std::int64_t total = 0;
    SuspiciousScan::Result kept;
    SuspiciousScan scan(
        [&]() -> std::pair<QString, std::uint64_t> {
            started = true;
            return {text, 1};
        },
        [] { return std::uint64_t(1); },
        [&](SuspiciousScan::Result result) {
            QElapsedTimer timer;
            timer.start();
            total = result.report.total();
            kept = std::move(result);
            applyMs = static_cast<double>(timer.nsecsElapsed()) / 1e6;
            applied = true;
        });

    QElapsedTimer schedule;
    schedule.start();
    scan.schedule(std::chrono::milliseconds(0));
    double scheduleMs = static_cast<double>(schedule.nsecsElapsed()) / 1e6;
    // The turn of the event loop that takes the copy and hands it to the worker.
    double longestTurnMs = 0;
    QElapsedTimer latency;
    latency.start();
    while (!applied) {
        QElapsedTimer turn;
        turn.start();
        const bool wasStarted = started;
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        const double turnMs = static_cast<double>(turn.nsecsElapsed()) / 1e6;
        if (!wasStarted && started)
            scheduleMs += turnMs;
        if (turnMs > longestTurnMs)
            longestTurnMs = turnMs;
        if (!applied)
            QThread::usleep(200);
    }
    const double latencyMs = static_cast<double>(latency.nsecsElapsed()) / 1e6;

    std::printf("suspicious count of %lld UTF-16 units: %lld suspicious (%lld listed)\n",
                static_cast<long long>(units),
                static_cast<long long>(total),
                static_cast<long long>(kept.report.occurrences.size()));
    std::printf(
        "worker: count %.1f ms (direct), schedule to result %.1f ms\n", workerMs, latencyMs);
    std::printf("main thread: schedule and start %.3f ms, apply %.3f ms, longest turn %.3f ms\n",
                scheduleMs,
                applyMs,
                longestTurnMs);
    return direct.report.total() == total ? 0 : 1;
}
