#pragma once

#include "app/views/InvisibleMarks.h"
#include "app/window/TextPieces.h"
#include "core/LineEnding.h"
#include "core/SuspiciousCharacters.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>

namespace EditorWindow {

// The count of a window's suspicious characters and line breaks. A count is scheduled after
// each change and runs on a worker, one copied piece of the text at a time, the pieces' results
// joined, so that no worker shares the window's text (the next edit would copy all of it on the
// interface thread); a burst of edits gives one count after the last. A newer schedule drops
// the count under way, and a result for a text that was edited since (the storage's edit
// counter moved) is dropped: the count that edit scheduled replaces it.
// A window whose storage says before each change that it will change lets the count share its
// text instead (shareTextUntilLetGo): workers count parts of the whole text in place, a stretch
// of `pieceLength` at a time, with nothing copied on the interface thread; letGoOfText, called
// before the change, waits for the stretches under way (a fraction of a millisecond), takes the
// text back from the workers and starts the count again. Main thread only.
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

    // `text` gives the current text and its edit counter whenever the next piece is cut;
    // `version` the edit counter when the result arrives; `apply` takes the result of exactly
    // the current text. `pieceLength`: UTF-16 units per piece (see TextPieces).
    SuspiciousScan(std::function<std::pair<QString, std::uint64_t>()> text,
                   std::function<std::uint64_t()> version,
                   std::function<void(Result)> apply,
                   QObject* parent = nullptr,
                   qsizetype pieceLength = TextPieces::defaultLength);

    ~SuspiciousScan() override;

    // Counts `text` as a whole (the benchmark and the tests time and check it).
    static Result count(const QString& text);

    void schedule(std::chrono::milliseconds delay);
    // From now on counts share the text, and letGoOfText is called before every change of it.
    void shareTextUntilLetGo() { m_sharesText = true; }
    // The workers drop their share of the text before this returns; a count under way starts
    // again.
    void letGoOfText();
    // A count is scheduled or under way.
    bool isCounting() const { return m_timer.isActive() || m_run.has_value(); }

    // The text engine's classification as the view marks it: the space kinds get a space box.
    static EditorViews::SuspiciousClassifier classifier();

private:
    // A count under way: the pieces before `next` are joined in `result`.
    struct Run
    {
        qsizetype length = 0;
        qsizetype next = 0;
        std::uint64_t version = 0;
        Result result;
    };

    struct Lease;
    struct Parts;

    void start();
    // Counts `text` in parts on workers, each reading the lease's text in place.
    void startSharedCount(const QString& text);
    void partDone(std::size_t part, Result result);
    // The workers of a shared count lose their share of the text (after the stretches under
    // way); their results are dropped.
    void dropLease();
    // Hands the piece of `text` that starts at the run's `next` to the worker.
    void sendPiece(const QString& text);
    void pieceDone(qsizetype end, Result part);

    std::function<std::pair<QString, std::uint64_t>()> m_text;
    std::function<std::uint64_t()> m_version;
    std::function<void(Result)> m_apply;
    qsizetype m_pieceLength;
    QTimer m_timer;
    std::uint64_t m_generation = 0;
    std::optional<Run> m_run;
    bool m_sharesText = false;
    // The text the workers of the count under way share, and their parts' results.
    std::shared_ptr<Lease> m_lease;
    std::shared_ptr<Parts> m_parts;
    // The memory of the last piece, back from the worker for the next one.
    std::u16string m_spare;
};

} // namespace EditorWindow
