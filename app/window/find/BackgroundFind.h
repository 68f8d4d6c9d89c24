#pragma once

#include "app/views/FindMatch.h"
#include "core/ChunkedText.h"
#include "core/CompiledSearch.h"

#include <QObject>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class QThreadPool;

namespace EditorWindow {

// The find's search off the main thread: one search at a time per owner, over an immutable
// snapshot of the text, handing each batch of matches on its own to the owner's thread. A new
// start or `stop()` raises the generation: the search that was running stops at its next
// check and nothing it found afterwards is delivered. Matches travel in the tab's compact
// form; a search reaching a match past what that form can hold ends there, saying so.
class BackgroundFind
{
public:
    static constexpr std::int64_t batchSize = 500;

    struct Batch
    {
        std::uint64_t generation = 0;
        std::vector<EditorViews::FindMatch> matches;
        // The last delivery of a search that ran to the end (its matches may be empty).
        bool finished = false;
        // With `finished`: the text goes on past the matches' reach, so what lies beyond
        // the last match delivered was not searched.
        bool cutShort = false;
    };
    using Delivery = std::function<void(Batch&&)>;

    // Deliveries run on `receiver`'s thread while it lives and this object lives.
    explicit BackgroundFind(QObject* receiver);
    // Stops the running search; nothing more is delivered.
    ~BackgroundFind();
    BackgroundFind(const BackgroundFind&) = delete;
    BackgroundFind& operator=(const BackgroundFind&) = delete;

    // Starts searching `snapshot` (taken in O(1) on the caller's thread, read on the worker
    // while the text goes on changing); returns the new generation.
    std::uint64_t
    start(EditorCore::CompiledSearch search, EditorCore::TextSnapshot snapshot, Delivery deliver);
    // Raises the generation without starting anything.
    std::uint64_t stop();
    std::uint64_t generation() const;

    // Called on the worker thread when a search ends: its generation and whether it ran to the
    // end (false: it stopped because it was overtaken). For measurements and tests.
    void setWorkerDidEnd(std::function<void(std::uint64_t, bool)> hook);
    // The last offset a match may reach, `FindMatch::limit` unless a test lowers it so that a
    // short text shows what a text of four billion units would do.
    void setOffsetLimit(std::int64_t limit) { m_offsetLimit = limit; }

    // The pool the searches run in.
    static QThreadPool& pool();

private:
    struct Shared
    {
        std::atomic<std::uint64_t> generation{0};
        std::mutex mutex;
        QObject* receiver = nullptr; // guarded by mutex
        std::function<void(std::uint64_t, bool)> workerDidEnd;
    };
    std::shared_ptr<Shared> m_shared;
    std::int64_t m_offsetLimit = EditorViews::FindMatch::limit;
};

} // namespace EditorWindow
