#include "app/window/SuspiciousScan.h"

#include "platform/SerialQueue.h"

#include <QCoreApplication>
#include <QPointer>

namespace EditorWindow {
namespace {

// Shared by every window, and never destroyed: a job still running at exit finds no
// application and posts nothing.
Platform::SerialQueue& scanQueue()
{
    static auto* queue = new Platform::SerialQueue("suspicious-scan");
    return *queue;
}

} // namespace

SuspiciousScan::SuspiciousScan(std::function<QString()> text,
                               std::function<void(EditorCore::SuspiciousReport)> apply,
                               QObject* parent)
    : QObject(parent)
    , m_text(std::move(text))
    , m_apply(std::move(apply))
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &SuspiciousScan::start);
}

void SuspiciousScan::schedule(std::chrono::milliseconds delay)
{
    // A count under way for an older text is dropped when it comes back.
    ++m_generation;
    m_timer.start(delay);
}

void SuspiciousScan::start()
{
    const std::uint64_t generation = m_generation;
    QString copy = m_text ? m_text() : QString();
    QPointer<SuspiciousScan> weak(this);
    scanQueue().async([weak, generation, copy = std::move(copy)] {
        std::u16string_view text(reinterpret_cast<const char16_t*>(copy.utf16()),
                                 static_cast<std::size_t>(copy.size()));
        auto report = EditorCore::SuspiciousCharacters::scan(text, occurrenceLimit);
        QCoreApplication* application = QCoreApplication::instance();
        if (!application)
            return;
        QMetaObject::invokeMethod(
            application,
            [weak, generation, report = std::move(report)]() mutable {
                if (weak && weak->m_generation == generation && weak->m_apply)
                    weak->m_apply(std::move(report));
            },
            Qt::QueuedConnection);
    });
}

EditorViews::SuspiciousClassifier SuspiciousScan::classifier()
{
    return [](char32_t scalar,
              std::optional<char32_t> previous,
              std::optional<char32_t> next,
              bool atStart) -> std::optional<EditorViews::SuspiciousMark> {
        auto kind = EditorCore::SuspiciousCharacters::kind(scalar, previous, next, atStart);
        if (!kind)
            return std::nullopt;
        if (*kind == EditorCore::SuspiciousKind::noBreakSpace
            || *kind == EditorCore::SuspiciousKind::specialSpace)
            return EditorViews::SuspiciousMark::spaceBox;
        return EditorViews::SuspiciousMark::box;
    };
}

} // namespace EditorWindow
