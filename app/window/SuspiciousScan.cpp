#include "app/window/SuspiciousScan.h"

#include "platform/SerialQueue.h"

#include <QCoreApplication>
#include <QPointer>

#include <algorithm>
#include <string>

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
                               QObject* parent,
                               qsizetype pieceLength)
    : QObject(parent)
    , m_text(std::move(text))
    , m_apply(std::move(apply))
    , m_pieceLength(pieceLength)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &SuspiciousScan::start);
}

void SuspiciousScan::schedule(std::chrono::milliseconds delay)
{
    // A count under way is for an older text: its piece in flight is dropped when it comes back.
    ++m_generation;
    m_run.reset();
    m_timer.start(delay);
}

void SuspiciousScan::start()
{
    const QString text = m_text ? m_text() : QString();
    m_run = Run{text.size(), 0, {}};
    sendPiece();
}

void SuspiciousScan::sendPiece()
{
    const QString text = m_text ? m_text() : QString();
    if (text.size() != m_run->length) {
        // Every edit schedules a new count; this one was not told of a change.
        start();
        return;
    }
    const qsizetype from = m_run->next;
    const qsizetype end = TextPieces::pieceEnd(text, from, m_pieceLength);
    // The piece's neighbours come along, so the characters at its edges are judged as in the
    // whole text: a joiner between emoji, a pair's halves, U+FEFF only at the very start.
    constexpr qsizetype neighbours = 4;
    const qsizetype copyFrom = std::max<qsizetype>(0, from - neighbours);
    const qsizetype copyEnd = std::min(text.size(), end + neighbours);
    std::u16string piece(reinterpret_cast<const char16_t*>(text.utf16()) + copyFrom,
                         static_cast<std::size_t>(copyEnd - copyFrom));
    const std::int64_t limit =
        occurrenceLimit - static_cast<std::int64_t>(m_run->report.occurrences.size());
    const std::uint64_t generation = m_generation;
    QPointer<SuspiciousScan> weak(this);
    scanQueue().async([weak, generation, piece = std::move(piece), copyFrom, from, end, limit] {
        auto part =
            EditorCore::SuspiciousCharacters::scan(piece,
                                                   static_cast<std::size_t>(from - copyFrom),
                                                   static_cast<std::size_t>(end - copyFrom),
                                                   limit);
        for (auto& occurrence : part.occurrences)
            occurrence.location += copyFrom;
        QCoreApplication* application = QCoreApplication::instance();
        if (!application)
            return;
        QMetaObject::invokeMethod(
            application,
            [weak, generation, end, part = std::move(part)]() mutable {
                if (weak && weak->m_generation == generation && weak->m_run)
                    weak->pieceDone(end, std::move(part));
            },
            Qt::QueuedConnection);
    });
}

void SuspiciousScan::pieceDone(qsizetype end, EditorCore::SuspiciousReport part)
{
    EditorCore::SuspiciousReport& report = m_run->report;
    for (const auto& [kind, count] : part.counts)
        report.counts[kind] += count;
    for (auto& occurrence : part.occurrences) {
        if (static_cast<std::int64_t>(report.occurrences.size()) >= occurrenceLimit)
            break;
        report.occurrences.push_back(occurrence);
    }
    m_run->next = end;
    if (end < m_run->length) {
        sendPiece();
        return;
    }
    EditorCore::SuspiciousReport finished = std::move(report);
    m_run.reset();
    if (m_apply)
        m_apply(std::move(finished));
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
