#pragma once

#include "app/views/TextRange.h"
#include "app/window/TextPieces.h"
#include "core/ChunkedText.h"

#include <QObject>
#include <QStringView>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace Platform {
class SerialQueue;
}

namespace EditorWindow {

class CharacterTally;

// The user-perceived characters of the selection for the status bar. A short selection is
// counted at once; a long one is counted on a worker, one copied piece at a time, so the worker
// never shares the window's text. One count at a time: while dragging, only the latest selection
// is counted next (a count under way gives way to it at its next piece), and a result for an
// older text or selection is dropped. Main thread only.
class SelectionCounter : public QObject
{
public:
    // Selections of at least this many UTF-16 units are counted on the worker.
    static constexpr std::int64_t defaultWorkerThreshold = 65'536;

    // The window's text and its version, taken on the main thread whenever a piece is cut; the
    // worker reads its piece from the snapshot.
    struct Source
    {
        EditorCore::TextSnapshot text;
        std::uint64_t version = 0;
    };

    explicit SelectionCounter(std::function<Source()> source,
                              std::int64_t workerThreshold = defaultWorkerThreshold,
                              qsizetype pieceLength = TextPieces::defaultLength);
    ~SelectionCounter() override;

    // The count of `selection` in the current text; none while a worker counts it, in which case
    // `onCounted` is called once the count is known.
    std::optional<std::int64_t> count(EditorViews::TextRange selection);
    std::function<void()> onCounted;
    // A count runs on the worker or waits for the one under way.
    bool isCounting() const { return m_run.has_value() || m_wanted.has_value(); }

private:
    struct Key
    {
        std::uint64_t version = 0;
        EditorViews::TextRange selection;
        bool operator==(const Key&) const = default;
    };
    // A count under way: the pieces before `next` went to `tally`, which only the worker touches.
    struct Run
    {
        Key key;
        std::int64_t next = 0;
        std::shared_ptr<CharacterTally> tally;
    };

    void start(const Key& key);
    void sendPiece();
    void pieceDone(std::int64_t end, std::optional<std::int64_t> counted);

    std::function<Source()> m_source;
    std::int64_t m_threshold;
    qsizetype m_pieceLength;
    std::unique_ptr<Platform::SerialQueue> m_queue;
    std::optional<Key> m_known;
    std::int64_t m_knownCount = 0;
    std::optional<Run> m_run;
    // The latest selection asked for while another was being counted.
    std::optional<Key> m_wanted;
};

} // namespace EditorWindow
