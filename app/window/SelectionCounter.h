#pragma once

#include "app/views/TextRange.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace Platform {
class SerialQueue;
}

namespace EditorWindow {

// The user-perceived characters of the selection for the status bar. A short selection is
// counted at once; a long one is counted on a worker, one count at a time: while dragging, only
// the latest selection is counted next, and a result for an older text or selection is dropped.
// Main thread only.
class SelectionCounter : public QObject
{
public:
    // Selections of at least this many UTF-16 units are counted on the worker.
    static constexpr std::int64_t defaultWorkerThreshold = 65'536;

    explicit SelectionCounter(std::int64_t workerThreshold = defaultWorkerThreshold);
    ~SelectionCounter() override;

    // The count of `selection` in `text` at `version`; none while a worker counts it, in which
    // case `onCounted` is called once the count is known.
    std::optional<std::int64_t>
    count(const QString& text, std::uint64_t version, EditorViews::TextRange selection);
    std::function<void()> onCounted;

private:
    struct Key
    {
        std::uint64_t version = 0;
        EditorViews::TextRange selection;
        bool operator==(const Key&) const = default;
    };
    void start(const QString& text, const Key& key);

    std::int64_t m_threshold;
    std::unique_ptr<Platform::SerialQueue> m_queue;
    std::optional<Key> m_known;
    std::int64_t m_knownCount = 0;
    std::optional<Key> m_counting;
    // The latest selection asked for while another was being counted, and its text.
    std::optional<Key> m_wanted;
    QString m_wantedText;
};

} // namespace EditorWindow
