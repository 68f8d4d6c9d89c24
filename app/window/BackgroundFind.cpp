#include "app/window/BackgroundFind.h"

#include "app/kit/Utf16.h"

#include <QMetaObject>
#include <QThreadPool>

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

std::uint64_t
BackgroundFind::start(EditorCore::CompiledSearch search, QString snapshot, Delivery deliver)
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

    pool().start(
        [search = std::move(search), snapshot = std::move(snapshot), shared, post, generation] {
            const std::u16string_view text = EditorKit::utf16View(snapshot);
            const bool completed = search.collectMatches(
                text,
                batchSize,
                [&shared, generation] { return shared->generation.load() != generation; },
                [&post, generation](std::span<const EditorCore::SearchMatch> matches) {
                    post(Batch{generation, {matches.begin(), matches.end()}, false});
                });
            if (completed)
                post(Batch{generation, {}, true});
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
