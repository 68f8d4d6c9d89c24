#pragma once

#include "app/views/InvisibleMarks.h"
#include "app/window/TextPieces.h"
#include "core/ChunkedText.h"
#include "core/LineEnding.h"
#include "core/SuspiciousCharacters.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace EditorWindow {

// The count of a window's suspicious characters and line breaks. A count is scheduled after
// each change and runs on workers over a snapshot of the text (taken in O(1), read while the
// user goes on typing): up to three parts of it at once, each read a stretch of `pieceLength`
// units at a time out of the chunks, the parts' results joined in text order. A burst of edits
// gives one count after the last. A newer schedule drops the count under way, and a result for
// a text that was edited since (the storage's edit counter moved) is dropped: the count that
// edit scheduled replaces it. Main thread only.
class SuspiciousScan : public QObject
{
public:
    // The most occurrences a count records (its counts stay exact).
    static constexpr std::int64_t occurrenceLimit = 10'000;
    static constexpr std::chrono::milliseconds afterTyping{300};
    static constexpr std::chrono::milliseconds afterFollowedText{2000};

    struct Result
    {
        EditorCore::SuspiciousReport report;
        EditorCore::LineEndingSummary lineEndings;
    };

    // `text` gives the current text and its edit counter when a count starts; `version` the
    // edit counter when the result arrives; `apply` takes the result of exactly the current
    // text. `pieceLength`: UTF-16 units read at a time (see TextPieces).
    SuspiciousScan(std::function<std::pair<EditorCore::TextSnapshot, std::uint64_t>()> text,
                   std::function<std::uint64_t()> version,
                   std::function<void(Result)> apply,
                   QObject* parent = nullptr,
                   qsizetype pieceLength = TextPieces::defaultLength);

    ~SuspiciousScan() override;

    // Counts `text` as a whole (the benchmark and the tests time and check it).
    static Result count(const QString& text);
    // Counts [from, to) of a snapshot, each character judged with its neighbours in the whole
    // text, read `pieceLength` units at a time into `buffer`; stops early (the result is then
    // partial) when `stop` answers true between pieces. from and to lie on character borders
    // that do not split a CR LF.
    static Result count(const EditorCore::TextSnapshot& text,
                        std::int64_t from,
                        std::int64_t to,
                        std::int64_t pieceLength,
                        std::u16string& buffer,
                        const std::function<bool()>& stop = {});

    void schedule(std::chrono::milliseconds delay);
    // A count is scheduled or under way.
    bool isCounting() const { return m_timer.isActive() || m_run.has_value(); }

    // The text engine's classification as the view marks it: the space kinds get a space box.
    static EditorViews::SuspiciousClassifier classifier();

private:
    // A count under way: its parts' results as they arrive.
    struct Run
    {
        std::uint64_t version = 0;
        std::uint64_t generation = 0;
        std::vector<std::optional<Result>> parts;
        std::size_t arrived = 0;
        // Raised when the count is dropped: its workers stop at their next piece.
        std::shared_ptr<std::atomic<bool>> dropped;
    };

    void start();
    void partDone(std::uint64_t generation, std::size_t part, Result result);
    void dropRun();

    std::function<std::pair<EditorCore::TextSnapshot, std::uint64_t>()> m_text;
    std::function<std::uint64_t()> m_version;
    std::function<void(Result)> m_apply;
    qsizetype m_pieceLength;
    QTimer m_timer;
    std::uint64_t m_generation = 0;
    std::optional<Run> m_run;
};

} // namespace EditorWindow
