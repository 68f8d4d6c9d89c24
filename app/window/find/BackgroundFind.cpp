#include "app/window/find/BackgroundFind.h"

#include "app/window/find/SnapshotReplacing.h"
#include "core/SnapshotSearch.h"

#include <QMetaObject>
#include <QThreadPool>

#include <algorithm>
#include <utility>

namespace EditorWindow {

BackgroundFind::BackgroundFind(QObject* receiver)
    : m_shared(std::make_shared<Shared>())
{
    m_shared->receiver = receiver;
}

BackgroundFind::~BackgroundFind()
{
    std::lock_guard lock(m_shared->mutex);
    m_shared->generation.fetch_add(1);
    m_shared->receiver = nullptr;
}

std::uint64_t BackgroundFind::stop()
{
    return m_shared->generation.fetch_add(1) + 1;
}

std::uint64_t BackgroundFind::generation() const
{
    return m_shared->generation.load();
}

void BackgroundFind::setWorkerDidEnd(std::function<void(std::uint64_t, bool)> hook)
{
    std::lock_guard lock(m_shared->mutex);
    m_shared->workerDidEnd = std::move(hook);
}

QThreadPool& BackgroundFind::pool()
{
    static QThreadPool* threads = [] {
        auto* created = new QThreadPool;
        created->setMaxThreadCount(2);
        return created;
    }();
    return *threads;
}

std::uint64_t BackgroundFind::start(EditorCore::CompiledSearch search,
                                    EditorCore::TextSnapshot snapshot,
                                    Delivery deliver)
{
    const std::uint64_t generation = stop();
    std::shared_ptr<Shared> shared = m_shared;
    auto sharedDeliver = std::make_shared<Delivery>(std::move(deliver));

    // Hands one batch to the receiver's thread; applied there only while still current.
    auto post = [shared, sharedDeliver, generation](Batch batch) {
        std::lock_guard lock(shared->mutex);
        if (!shared->receiver || shared->generation.load() != generation)
            return;
        QMetaObject::invokeMethod(
            shared->receiver,
            [shared, sharedDeliver, batch = std::move(batch)]() mutable {
                if (shared->generation.load() == batch.generation)
                    (*sharedDeliver)(std::move(batch));
            },
            Qt::QueuedConnection);
    };

    pool().start([search = std::move(search),
                  snapshot = std::move(snapshot),
                  shared,
                  post,
                  generation,
                  limit = m_offsetLimit] {
        // Set when a match does not fit the compact form: the search ends there.
        bool cutShort = false;
        const EditorCore::StopCheck stop = [&shared, &cutShort, generation] {
            return cutShort || shared->generation.load() != generation;
        };
        Batch batch{generation, {}, false};
        batch.matches.reserve(static_cast<std::size_t>(batchSize));
        auto send = [&] {
            if (!batch.matches.empty())
                post(std::move(batch));
            batch = Batch{generation, {}, false};
            batch.matches.reserve(static_cast<std::size_t>(batchSize));
        };
        const auto [from, to] = SnapshotReplacing::scopeOf(search, snapshot.length());
        EditorCore::SnapshotScanner scanner(search, std::move(snapshot));
        bool stopped = false;
        const auto outcome = scanner.enumerate(
            from,
            to - from,
            true,
            [&](const EditorCore::SearchMatch& match) {
                if (stop()) {
                    stopped = true;
                    return false;
                }
                if (match.length < 1)
                    return true;
                auto compact = EditorViews::FindMatch::from(match);
                if (!compact || compact->end() > limit) {
                    cutShort = true;
                    return false;
                }
                batch.matches.push_back(*compact);
                if (static_cast<std::int64_t>(batch.matches.size()) >= batchSize)
                    send();
                return true;
            },
            &stop);
        // What was found before the search was cut short still counts.
        if (!stopped || cutShort)
            send();
        const bool ranToEnd =
            !stopped && !cutShort && outcome != EditorCore::SnapshotScanner::Outcome::stopped;
        // A search cut short is as complete as it can be: it was not overtaken.
        const bool completed = ranToEnd || (cutShort && shared->generation.load() == generation);
        if (completed) {
            Batch last{generation, {}, true};
            last.cutShort = cutShort;
            post(std::move(last));
        }
        std::function<void(std::uint64_t, bool)> hook;
        {
            std::lock_guard lock(shared->mutex);
            hook = shared->workerDidEnd;
        }
        if (hook)
            hook(generation, completed);
    });
    return generation;
}

} // namespace EditorWindow
