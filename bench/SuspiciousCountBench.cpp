// Counts the suspicious characters of a generated 100 MiB text (50 Mi UTF-16 units) with 1 %
// suspicious characters, as a document window does, and prints the worker's time and the main
// thread's time to schedule the count and to apply its result. First the count alone (with the
// line-ending summary it carries) over 100 MiB of plain ASCII lines and over the mixed text, in
// GB/s of UTF-16 (target: at least 2 GB/s over ASCII), then the same read out of the chunks
// of a text storage. The window's count reads a snapshot of its storage; the figure "flatten
// after an edit" is what handing the count one string would cost the interface thread.
#include "app/views/TextStorage.h"
#include "app/window/suspicious/SuspiciousScan.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>

#include <algorithm>
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

    // The best of three counts of `of`, in GB/s of its UTF-16 bytes.
    auto countRate = [](const QString& of) {
        double best = 1e30;
        std::int64_t found = 0;
        for (int run = 0; run < 3; ++run) {
            QElapsedTimer timer;
            timer.start();
            const auto result = SuspiciousScan::count(of);
            best = std::min(best, static_cast<double>(timer.nsecsElapsed()) / 1e9);
            found = result.report.total() + result.lineEndings.total();
        }
        std::printf("  %.1f ms, %.2f GB/s (%lld found)\n",
                    best * 1e3,
                    static_cast<double>(of.size()) * 2 / best / 1e9,
                    static_cast<long long>(found));
    };
    {
        QString ascii;
        ascii.reserve(units);
        const QString logLine =
            QStringLiteral("2026-12-11 03:29:34.123 INFO  [worker-3] request served in 17 ms\n");
        while (ascii.size() + logLine.size() <= units)
            ascii.append(logLine);
        ascii.append(QString(units - ascii.size(), QLatin1Char('x')));
        std::printf("count of 100 MiB of plain ASCII lines (best of 3):\n");
        countRate(ascii);
    }
    std::printf("count of the 100 MiB text with 1 %% suspicious characters (best of 3):\n");
    countRate(text);

    EditorViews::TextStorage storage;
    storage.setText(text);
    {
        double best = 1e30;
        std::u16string buffer;
        for (int run = 0; run < 3; ++run) {
            QElapsedTimer timer;
            timer.start();
            const auto result =
                SuspiciousScan::count(storage.current(), 0, storage.length(), 1 << 20, buffer);
            best = std::min(best, static_cast<double>(timer.nsecsElapsed()) / 1e9);
            if (result.report != SuspiciousScan::count(text).report)
                std::printf("  the count over the chunks differs!\n");
        }
        std::printf("the same out of the storage's chunks, one worker (best of 3):\n  %.1f ms, "
                    "%.2f GB/s\n",
                    best * 1e3,
                    static_cast<double>(text.size()) * 2 / best / 1e9);
        storage.replace({10, 1}, QStringLiteral("x"));
        QElapsedTimer flatten;
        flatten.start();
        const QString& flat = storage.text();
        std::printf("flatten after an edit (one string for a count): %.1f ms for %lld units\n",
                    static_cast<double>(flatten.nsecsElapsed()) / 1e6,
                    static_cast<long long>(flat.size()));
        storage.replace({10, 1}, QString(text[10]));
    }

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
        [&]() -> std::pair<EditorCore::TextSnapshot, std::uint64_t> {
            started = true;
            return {storage.snapshot(), 1};
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
    // The turn of the event loop that takes the snapshot and hands it to the workers.
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
