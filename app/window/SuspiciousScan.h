#pragma once

#include "app/views/InvisibleMarks.h"
#include "app/window/TextPieces.h"
#include "core/SuspiciousCharacters.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>

namespace EditorWindow {

// The count of a window's suspicious characters. A count is scheduled after each change and
// runs on a worker, one copied piece of the text at a time, the pieces' reports joined; a burst
// of edits gives one count after the last. A newer schedule drops the count under way, and a
// piece's result that comes back after it is dropped. Main thread only.
class SuspiciousScan : public QObject
{
public:
    // The most occurrences a count records (its counts stay exact).
    static constexpr std::int64_t occurrenceLimit = 10'000;
    static constexpr std::chrono::milliseconds afterTyping{300};

    // `text` gives the current text whenever the next piece is cut; `apply` takes the report of
    // exactly the current text. `pieceLength`: UTF-16 units per piece (see TextPieces).
    SuspiciousScan(std::function<QString()> text,
                   std::function<void(EditorCore::SuspiciousReport)> apply,
                   QObject* parent = nullptr,
                   qsizetype pieceLength = TextPieces::defaultLength);

    void schedule(std::chrono::milliseconds delay);

    // The text engine's classification as the view marks it: the space kinds get a space box.
    static EditorViews::SuspiciousClassifier classifier();

private:
    // A count under way: the pieces before `next` are joined in `report`.
    struct Run
    {
        qsizetype length = 0;
        qsizetype next = 0;
        EditorCore::SuspiciousReport report;
    };

    void start();
    void sendPiece();
    void pieceDone(qsizetype end, EditorCore::SuspiciousReport part);

    std::function<QString()> m_text;
    std::function<void(EditorCore::SuspiciousReport)> m_apply;
    qsizetype m_pieceLength;
    QTimer m_timer;
    std::uint64_t m_generation = 0;
    std::optional<Run> m_run;
};

} // namespace EditorWindow
