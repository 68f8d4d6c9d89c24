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

SuspiciousScan::SuspiciousScan(std::function<std::pair<QString, std::uint64_t>()> text,
                               std::function<std::uint64_t()> version,
                               std::function<void(Result)> apply,
                               QObject* parent)
    : QObject(parent)
    , m_text(std::move(text))
    , m_version(std::move(version))
    , m_apply(std::move(apply))
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &SuspiciousScan::start);
}

void SuspiciousScan::schedule(std::chrono::milliseconds delay)
{
    // Restarting drops a count that has not started; one under way is judged when it returns.
    m_timer.start(delay);
}

SuspiciousScan::Result SuspiciousScan::count(const QString& text)
{
    std::u16string_view units(reinterpret_cast<const char16_t*>(text.utf16()),
                              static_cast<std::size_t>(text.size()));
    return {EditorCore::SuspiciousCharacters::scan(units, occurrenceLimit),
            EditorCore::LineEndingSummary(units)};
}

void SuspiciousScan::start()
{
    if (!m_text)
        return;
    auto [copy, version] = m_text();
    QPointer<SuspiciousScan> weak(this);
    scanQueue().async([weak, version, copy = std::move(copy)] {
        Result result = count(copy);
        QCoreApplication* application = QCoreApplication::instance();
        if (!application)
            return;
        QMetaObject::invokeMethod(
            application,
            [weak, version, result = std::move(result)]() mutable {
                if (!weak || !weak->m_apply)
                    return;
                if (weak->m_version && weak->m_version() != version)
                    return;
                weak->m_apply(std::move(result));
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
