#pragma once

#include "app/views/InvisibleMarks.h"
#include "core/LineEnding.h"
#include "core/SuspiciousCharacters.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <cstdint>
#include <functional>
#include <utility>

namespace EditorWindow {

// The count of a window's suspicious characters and line breaks. A count is scheduled after
// each change and runs on a worker on a copy of the text (the storage's string, shared, not
// copied); a burst of edits gives one count after the last. A result for a text that was edited
// since its copy (the storage's edit counter moved) is dropped: the count that edit scheduled
// replaces it. Main thread only.
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

    // `text` gives the text to count and its edit counter at the moment the count starts;
    // `version` the edit counter when the result arrives; `apply` takes the result of exactly
    // the current text.
    SuspiciousScan(std::function<std::pair<QString, std::uint64_t>()> text,
                   std::function<std::uint64_t()> version,
                   std::function<void(Result)> apply,
                   QObject* parent = nullptr);

    // Counts `text` as the worker does (the benchmark and the tests time and check it).
    static Result count(const QString& text);

    void schedule(std::chrono::milliseconds delay);

    // The text engine's classification as the view marks it: the space kinds get a space box.
    static EditorViews::SuspiciousClassifier classifier();

private:
    void start();

    std::function<std::pair<QString, std::uint64_t>()> m_text;
    std::function<std::uint64_t()> m_version;
    std::function<void(Result)> m_apply;
    QTimer m_timer;
};

} // namespace EditorWindow
