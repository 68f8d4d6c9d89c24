#include "app/window/suspicious/SuspiciousScan.h"

#include "platform/SerialQueue.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThreadPool>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <vector>

namespace EditorWindow {
namespace {

// Shared by every window, and never destroyed: a job still running at exit finds no
// application and posts nothing.
Platform::SerialQueue& scanQueue()
{
    static auto* queue = new Platform::SerialQueue("suspicious-scan");
    return *queue;
}

// The workers of shared counts; never destroyed, as the queue above.
QThreadPool& partPool()
{
    static QThreadPool* pool = [] {
        auto* created = new QThreadPool;
        created->setMaxThreadCount(3);
        return created;
    }();
    return *pool;
}

constexpr qsizetype maxParts = 3;

// The end of a stretch of about `length` units from `from`, at most `limit`: never inside a
// surrogate pair or a CR LF, so that the stretches' results add up to the text's.
qsizetype stretchEnd(QStringView text, qsizetype from, qsizetype length, qsizetype limit)
{
    qsizetype end = TextPieces::pieceEnd(text, from, std::min(length, limit - from));
    if (end > from && end < text.size() && text[end - 1] == QLatin1Char('\r')
        && text[end] == QLatin1Char('\n'))
        ++end;
    return std::min(end, limit);
}

void join(SuspiciousScan::Result& joined, SuspiciousScan::Result part)
{
    for (const auto& [kind, count] : part.report.counts)
        joined.report.counts[kind] += count;
    for (auto& occurrence : part.report.occurrences) {
        if (static_cast<std::int64_t>(joined.report.occurrences.size())
            >= SuspiciousScan::occurrenceLimit)
            break;
        joined.report.occurrences.push_back(occurrence);
    }
    joined.lineEndings.lf += part.lineEndings.lf;
    joined.lineEndings.crlf += part.lineEndings.crlf;
    joined.lineEndings.cr += part.lineEndings.cr;
    joined.lineEndings.hasFinalNewline = part.lineEndings.hasFinalNewline;
}

} // namespace

// The text a shared count reads. A worker holds `mutex` shared while it counts one stretch; the
// interface thread takes it alone to take the text back, saying so first in `takingBack`: the
// lock lets readers in ahead of a waiting writer, so the workers must stop asking for it.
struct SuspiciousScan::Lease
{
    std::atomic<bool> takingBack{false};
    std::shared_mutex mutex;
    QString text;
    bool released = false;
};

struct SuspiciousScan::Parts
{
    std::vector<std::optional<Result>> results;
    std::size_t arrived = 0;
};

SuspiciousScan::~SuspiciousScan()
{
    letGoOfText();
}

SuspiciousScan::SuspiciousScan(std::function<std::pair<QString, std::uint64_t>()> text,
                               std::function<std::uint64_t()> version,
                               std::function<void(Result)> apply,
                               QObject* parent,
                               qsizetype pieceLength)
    : QObject(parent)
    , m_text(std::move(text))
    , m_version(std::move(version))
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
    dropLease();
    m_timer.start(delay);
}

void SuspiciousScan::dropLease()
{
    if (m_lease) {
        m_lease->takingBack.store(true, std::memory_order_release);
        std::unique_lock lock(m_lease->mutex);
        m_lease->released = true;
        m_lease->text = QString();
    }
    m_lease.reset();
    m_parts.reset();
}

void SuspiciousScan::letGoOfText()
{
    if (!m_lease)
        return;
    dropLease();
    ++m_generation;
    const bool wasCounting = m_run.has_value();
    m_run.reset();
    if (wasCounting && !m_timer.isActive())
        m_timer.start(0);
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
    const auto [text, version] = m_text();
    m_run = Run{text.size(), 0, version, {}};
    if (m_sharesText) {
        startSharedCount(text);
        return;
    }
    sendPiece(text);
}

void SuspiciousScan::startSharedCount(const QString& text)
{
    const qsizetype length = text.size();
    m_lease = std::make_shared<Lease>();
    m_lease->text = text;
    m_parts = std::make_shared<Parts>();
    const qsizetype wanted =
        std::clamp<qsizetype>(length / (4 * std::max<qsizetype>(m_pieceLength, 1)), 1, maxParts);
    std::vector<qsizetype> borders{0};
    for (qsizetype part = 1; part < wanted; ++part) {
        const qsizetype from = borders.back();
        const qsizetype end = stretchEnd(text, from, length * part / wanted - from, length);
        if (end > from && end < length)
            borders.push_back(end);
    }
    borders.push_back(length);
    m_parts->results.resize(borders.size() - 1);
    const std::uint64_t generation = m_generation;
    const qsizetype stretch = m_pieceLength;
    QPointer<SuspiciousScan> weak(this);
    for (std::size_t part = 0; part + 1 < borders.size(); ++part) {
        partPool().start([weak,
                          generation,
                          lease = m_lease,
                          part,
                          from = borders[part],
                          end = borders[part + 1],
                          length,
                          stretch] {
            Result result;
            for (qsizetype at = from; at < end || (at == 0 && end == 0);) {
                if (lease->takingBack.load(std::memory_order_acquire))
                    return;
                std::shared_lock lock(lease->mutex);
                if (lease->released || lease->text.size() != length)
                    return;
                const QString& shared = lease->text;
                const qsizetype stop = stretchEnd(shared, at, stretch, end);
                std::u16string_view units(reinterpret_cast<const char16_t*>(shared.utf16()),
                                          static_cast<std::size_t>(length));
                const std::int64_t limit =
                    occurrenceLimit - static_cast<std::int64_t>(result.report.occurrences.size());
                Result piece{
                    EditorCore::SuspiciousCharacters::scan(
                        units, static_cast<std::size_t>(at), static_cast<std::size_t>(stop), limit),
                    EditorCore::LineEndingSummary(units.substr(
                        static_cast<std::size_t>(at), static_cast<std::size_t>(stop - at)))};
                lock.unlock();
                join(result, std::move(piece));
                if (stop == at)
                    break;
                at = stop;
            }
            QCoreApplication* application = QCoreApplication::instance();
            if (!application)
                return;
            QMetaObject::invokeMethod(
                application,
                [weak, generation, part, result = std::move(result)]() mutable {
                    if (weak && weak->m_generation == generation && weak->m_parts)
                        weak->partDone(part, std::move(result));
                },
                Qt::QueuedConnection);
        });
    }
}

void SuspiciousScan::partDone(std::size_t part, Result result)
{
    m_parts->results[part] = std::move(result);
    if (++m_parts->arrived < m_parts->results.size())
        return;
    Result joined;
    for (auto& each : m_parts->results)
        join(joined, std::move(*each));
    m_lease.reset();
    m_parts.reset();
    Run finished = std::move(*m_run);
    m_run.reset();
    if (m_version && m_version() != finished.version)
        return;
    if (m_apply)
        m_apply(std::move(joined));
}

void SuspiciousScan::sendPiece(const QString& text)
{
    const qsizetype from = m_run->next;
    qsizetype end = TextPieces::pieceEnd(text, from, m_pieceLength);
    // Never between CR and LF, so that the pieces' line breaks add up to the text's.
    if (end > from && end < text.size() && text[end - 1] == QLatin1Char('\r')
        && text[end] == QLatin1Char('\n'))
        ++end;
    // The piece's neighbours come along, so the characters at its edges are judged as in the
    // whole text: a joiner between emoji, a pair's halves, U+FEFF only at the very start.
    constexpr qsizetype neighbours = 4;
    const qsizetype copyFrom = std::max<qsizetype>(0, from - neighbours);
    const qsizetype copyEnd = std::min(text.size(), end + neighbours);
    // Into the memory of the piece before: a fresh buffer per piece costs fresh pages, which
    // the kernel zeroes on this thread.
    std::u16string piece = std::move(m_spare);
    piece.assign(reinterpret_cast<const char16_t*>(text.utf16()) + copyFrom,
                 static_cast<std::size_t>(copyEnd - copyFrom));
    const std::int64_t limit =
        occurrenceLimit - static_cast<std::int64_t>(m_run->result.report.occurrences.size());
    const std::uint64_t generation = m_generation;
    QPointer<SuspiciousScan> weak(this);
    scanQueue().async(
        [weak, generation, piece = std::move(piece), copyFrom, from, end, limit]() mutable {
            const auto start = static_cast<std::size_t>(from - copyFrom);
            const auto stop = static_cast<std::size_t>(end - copyFrom);
            Result part{EditorCore::SuspiciousCharacters::scan(piece, start, stop, limit),
                        EditorCore::LineEndingSummary(
                            std::u16string_view(piece).substr(start, stop - start))};
            for (auto& occurrence : part.report.occurrences)
                occurrence.location += copyFrom;
            QCoreApplication* application = QCoreApplication::instance();
            if (!application)
                return;
            QMetaObject::invokeMethod(
                application,
                [weak,
                 generation,
                 end,
                 part = std::move(part),
                 piece = std::move(piece)]() mutable {
                    if (!weak)
                        return;
                    weak->m_spare = std::move(piece);
                    if (weak->m_generation == generation && weak->m_run)
                        weak->pieceDone(end, std::move(part));
                },
                Qt::QueuedConnection);
        });
}

void SuspiciousScan::pieceDone(qsizetype end, Result part)
{
    join(m_run->result, std::move(part));
    m_run->next = end;
    if (end < m_run->length) {
        const auto [text, version] = m_text();
        if (version != m_run->version || text.size() != m_run->length) {
            // Every edit schedules a new count; this one was not told of a change.
            m_run.reset();
            m_timer.start(0);
            return;
        }
        sendPiece(text);
        return;
    }
    Run finished = std::move(*m_run);
    m_run.reset();
    // A window keeps no piece's memory between counts.
    m_spare = std::u16string();
    if (m_version && m_version() != finished.version)
        return;
    if (m_apply)
        m_apply(std::move(finished.result));
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
