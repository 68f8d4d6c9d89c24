// The find's background search on a 100 MiB text with about ten million matches of "e": time
// to the first highlights, total time and the memory held for the matches, against the
// engine's collectMatches alone; then a second search started halfway, and when the first one
// stops.
#include "app/kit/Utf16.h"
#include "app/window/find/BackgroundFind.h"
#include "core/SnapshotSearch.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThreadPool>

#include <atomic>
#include <cstdio>
#include <malloc.h>
#include <vector>

using EditorCore::SearchMatch;
using EditorViews::FindMatch;
using EditorWindow::BackgroundFind;

namespace {

// 1,000,000 lines of 104 characters and LF (about 100 MiB in UTF-8), ten "e" per line.
QString generate()
{
    const QString filler = QStringLiteral("Here we see the excellent green trees; ");
    QString text;
    text.reserve(1'000'000 * 105);
    for (int i = 0; i < 1'000'000; ++i) {
        QString line = QStringLiteral("%1 ").arg(i, 7, 10, QLatin1Char('0'));
        while (line.size() < 104)
            line += filler;
        line.truncate(104);
        text += line;
        text += QLatin1Char('\n');
    }
    return text;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const QString text = generate();
    auto search = EditorCore::CompiledSearch::make({u"e", false, false, false, std::nullopt});
    if (!search)
        return 1;

    // The engine alone.
    QElapsedTimer clock;
    clock.start();
    std::vector<SearchMatch> alone;
    search->collectMatches(
        EditorKit::utf16View(text),
        BackgroundFind::batchSize,
        [] { return false; },
        [&](std::span<const SearchMatch> batch) {
            alone.insert(alone.end(), batch.begin(), batch.end());
        });
    const double aloneMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    std::printf("text: %lld UTF-16 units, %zu matches of \"e\"\n",
                static_cast<long long>(text.size()),
                alone.size());
    std::printf("collectMatches alone: %.1f ms\n", aloneMs);
    alone = {};

    // The window searches a snapshot of its storage's chunks.
    const EditorCore::ChunkedText chunks(EditorKit::utf16View(text));
    const EditorCore::TextSnapshot snapshot = chunks.snapshot();
    {
        clock.restart();
        std::size_t found = 0;
        EditorCore::SnapshotScanner scanner(*search, snapshot);
        (void)scanner.enumerate(0, snapshot.length(), false, [&](const SearchMatch&) {
            ++found;
            return true;
        });
        std::printf("the snapshot scanner alone over the chunks: %.1f ms (%zu matches)\n",
                    static_cast<double>(clock.nsecsElapsed()) / 1e6,
                    found);
    }

    // The window's path: batches handed to the main thread and appended there.
    {
        QObject receiver;
        BackgroundFind find(&receiver);
        // As the tab keeps them; the heap in use before and after says what they hold.
        auto heapInUse = [] {
            const struct mallinfo2 info = mallinfo2();
            return info.uordblks + info.hblkhd;
        };
        const std::size_t heapBefore = heapInUse();
        EditorViews::FindMatches matches;
        double firstMs = -1;
        bool finished = false;
        std::size_t largestDelivery = 0;
        qint64 longestAppendNs = 0;
        clock.restart();
        find.start(*search, snapshot, [&](BackgroundFind::Batch&& batch) {
            const qint64 arrived = clock.nsecsElapsed();
            if (firstMs < 0 && !batch.matches.empty())
                firstMs = static_cast<double>(arrived) / 1e6;
            largestDelivery = std::max(largestDelivery, batch.matches.size());
            // As the find part applies a batch.
            matches.insert(matches.end(), batch.matches.begin(), batch.matches.end());
            if (batch.finished)
                finished = true;
            longestAppendNs = std::max(longestAppendNs, clock.nsecsElapsed() - arrived);
        });
        while (!finished)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        const double totalMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        std::printf("background find: first highlights after %.2f ms (target < 50)\n", firstMs);
        std::printf("background find: all %zu matches after %.1f ms, %.2f x collectMatches alone "
                    "(target <= 1.5)\n",
                    matches.size(),
                    totalMs,
                    totalMs / aloneMs);
        // Settled first: the deliveries still queued hold their own batches.
        QCoreApplication::processEvents();
        const std::size_t held = heapInUse() - heapBefore;
        std::printf("memory held for matches: %zu bytes, %.2f bytes per match (target < 16, "
                    "the engine's own match being 16); largest delivery %zu matches\n",
                    held,
                    static_cast<double>(held) / static_cast<double>(matches.size()),
                    largestDelivery);
        std::printf("longest main-thread append of a delivery: %.2f ms\n",
                    static_cast<double>(longestAppendNs) / 1e6);
        clock.restart();
        matches.clear();
        matches.shrink_to_fit();
        std::printf("freeing them on one thread: %.2f ms (the find part leaves that to a worker)\n",
                    static_cast<double>(clock.nsecsElapsed()) / 1e6);
    }

    // A second search halfway through the first.
    {
        QObject receiver;
        BackgroundFind find(&receiver);
        std::atomic<qint64> firstEndedNs{-1};
        std::atomic<std::uint64_t> firstGeneration{0};
        std::atomic<bool> firstCompleted{true};
        find.setWorkerDidEnd([&](std::uint64_t generation, bool completed) {
            if (generation == firstGeneration.load()) {
                firstEndedNs = clock.nsecsElapsed();
                firstCompleted = completed;
            }
        });
        std::size_t delivered = 0;
        const std::size_t half = 5'000'000;
        bool finished = false;
        qint64 secondStartNs = 0;
        std::size_t secondCount = 0;
        std::function<void(BackgroundFind::Batch &&)> second = [&](BackgroundFind::Batch&& batch) {
            secondCount += batch.matches.size();
            finished = finished || batch.finished;
        };
        clock.restart();
        firstGeneration = find.start(*search, snapshot, [&](BackgroundFind::Batch&& batch) {
            delivered += batch.matches.size();
            if (delivered >= half && secondStartNs == 0) {
                secondStartNs = clock.nsecsElapsed();
                find.start(*search, snapshot, second);
            }
        });
        while (!finished)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        BackgroundFind::pool().waitForDone();
        std::printf("second search started at %.1f ms (%zu matches of the first delivered); the "
                    "first %s %.2f ms later; the second found %zu\n",
                    static_cast<double>(secondStartNs) / 1e6,
                    delivered,
                    firstCompleted ? "ran to the end" : "stopped",
                    static_cast<double>(firstEndedNs.load() - secondStartNs) / 1e6,
                    secondCount);
    }
    return 0;
}
