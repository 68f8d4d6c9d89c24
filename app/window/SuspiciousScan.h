#pragma once

#include "app/views/InvisibleMarks.h"
#include "core/SuspiciousCharacters.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <cstdint>
#include <functional>

namespace EditorWindow {

// The count of a window's suspicious characters. A count is scheduled after each change and
// runs on a worker on a copy of the text; a burst of edits gives one count after the last. A
// result that comes back after a newer schedule is dropped. Main thread only.
class SuspiciousScan : public QObject
{
public:
    // The most occurrences a count records (its counts stay exact).
    static constexpr std::int64_t occurrenceLimit = 10'000;
    static constexpr std::chrono::milliseconds afterTyping{300};

    // `text` gives the text to count at the moment the count starts; `apply` takes the report
    // of exactly the current text.
    SuspiciousScan(std::function<QString()> text,
                   std::function<void(EditorCore::SuspiciousReport)> apply,
                   QObject* parent = nullptr);

    void schedule(std::chrono::milliseconds delay);

    // The text engine's classification as the view marks it: the space kinds get a space box.
    static EditorViews::SuspiciousClassifier classifier();

private:
    void start();

    std::function<QString()> m_text;
    std::function<void(EditorCore::SuspiciousReport)> m_apply;
    QTimer m_timer;
    std::uint64_t m_generation = 0;
};

} // namespace EditorWindow
