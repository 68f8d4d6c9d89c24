#include "app/window/suspicious/SuspiciousScan.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThreadPool>

#include <algorithm>
#include <string>
#include <vector>

namespace EditorWindow {
namespace {

// The workers of the counts, shared by every window and never destroyed: a job still running
// at exit finds no application and posts nothing.
QThreadPool& partPool()
{
    static QThreadPool* pool = [] {
        auto* created = new QThreadPool;
        created->setMaxThreadCount(3);
        return created;
    }();
    return *pool;
}

constexpr std::int64_t maxParts = 3;
// The characters at a piece's edges are judged with their neighbours: a joiner between emoji,
// a pair's halves, U+FEFF only at the very start.
constexpr std::int64_t neighbours = 4;

// The nearest offset at or after `at` that splits neither a surrogate pair nor a CR LF, so
// that the pieces' results add up to the text's.
std::int64_t borderFrom(const EditorCore::TextSnapshot& text, std::int64_t at, std::int64_t limit)
{
    while (at > 0 && at < limit) {
        const char16_t before = text.at(at - 1);
        const char16_t after = text.at(at);
        const bool splitsPair = QChar::isHighSurrogate(before) && QChar::isLowSurrogate(after);
        const bool splitsBreak = before == u'\r' && after == u'\n';
        if (!splitsPair && !splitsBreak)
            break;
        ++at;
    }
    return std::min(at, limit);
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

SuspiciousScan::SuspiciousScan(
    std::function<std::pair<EditorCore::TextSnapshot, std::uint64_t>()> text,
    std::function<std::uint64_t()> version,
    std::function<void(Result)> apply,
    QObject* parent,
    qsizetype pieceLength)
    : QObject(parent)
    , m_text(std::move(text))
    , m_version(std::move(version))
    , m_apply(std::move(apply))
    , m_pieceLength(std::max<qsizetype>(pieceLength, 1))
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &SuspiciousScan::start);
}

SuspiciousScan::~SuspiciousScan()
{
    dropRun();
}

SuspiciousScan::Result SuspiciousScan::count(const QString& text)
{
    std::u16string_view units(reinterpret_cast<const char16_t*>(text.utf16()),
                              static_cast<std::size_t>(text.size()));
    return {EditorCore::SuspiciousCharacters::scan(units, occurrenceLimit),
            EditorCore::LineEndingSummary(units)};
}

SuspiciousScan::Result SuspiciousScan::count(const EditorCore::TextSnapshot& text,
                                             std::int64_t from,
                                             std::int64_t to,
                                             std::int64_t pieceLength,
                                             std::u16string& buffer,
                                             const std::function<bool()>& stop)
{
    Result result;
    const std::int64_t length = text.length();
    to = std::clamp<std::int64_t>(to, 0, length);
    from = std::clamp<std::int64_t>(from, 0, to);
    if (from == to && from > 0)
        return result;
    for (std::int64_t at = from;;) {
        if (stop && stop())
            return result;
        const std::int64_t end =
            borderFrom(text, std::min(to, at + std::max<std::int64_t>(pieceLength, 1)), to);
        // The piece and its neighbours, the one-byte chunks widened on the way.
        const std::int64_t copyFrom = std::max<std::int64_t>(0, at - neighbours);
        const std::int64_t copyEnd = std::min(length, end + neighbours);
        buffer.clear();
        text.visit(copyFrom, copyEnd - copyFrom, [&](std::u16string_view piece) {
            buffer.append(piece);
            return true;
        });
        const auto start = static_cast<std::size_t>(at - copyFrom);
        const auto stopAt = static_cast<std::size_t>(end - copyFrom);
        const std::int64_t limit =
            occurrenceLimit - static_cast<std::int64_t>(result.report.occurrences.size());
        Result piece{EditorCore::SuspiciousCharacters::scan(buffer, start, stopAt, limit),
                     EditorCore::LineEndingSummary(
                         std::u16string_view(buffer).substr(start, stopAt - start))};
        for (auto& occurrence : piece.report.occurrences)
            occurrence.location += copyFrom;
        join(result, std::move(piece));
        if (end >= to)
            break;
        at = end;
    }
    return result;
}

void SuspiciousScan::schedule(std::chrono::milliseconds delay)
{
    // A count under way is for an older text: its parts are dropped when they come back.
    dropRun();
    m_timer.start(delay);
}

void SuspiciousScan::dropRun()
{
    ++m_generation;
    if (m_run)
        m_run->dropped->store(true, std::memory_order_relaxed);
    m_run.reset();
}

void SuspiciousScan::start()
{
    if (!m_text)
        return;
    dropRun();
    auto [text, version] = m_text();
    const std::int64_t length = text.length();
    const std::int64_t wanted =
        std::clamp<std::int64_t>(length / (4 * std::int64_t{m_pieceLength}), 1, maxParts);
    std::vector<std::int64_t> borders{0};
    for (std::int64_t part = 1; part < wanted; ++part) {
        const std::int64_t end = borderFrom(text, length * part / wanted, length);
        if (end > borders.back() && end < length)
            borders.push_back(end);
    }
    borders.push_back(length);

    Run run;
    run.version = version;
    run.generation = m_generation;
    run.parts.resize(borders.size() - 1);
    run.dropped = std::make_shared<std::atomic<bool>>(false);
    const std::shared_ptr<std::atomic<bool>> dropped = run.dropped;
    m_run = std::move(run);

    const std::uint64_t generation = m_generation;
    const std::int64_t pieceLength = m_pieceLength;
    QPointer<SuspiciousScan> weak(this);
    for (std::size_t part = 0; part + 1 < borders.size(); ++part) {
        partPool().start([weak,
                          generation,
                          dropped,
                          text,
                          part,
                          from = borders[part],
                          end = borders[part + 1],
                          pieceLength] {
            std::u16string buffer;
            const auto isDropped = [&dropped] { return dropped->load(std::memory_order_relaxed); };
            Result result = count(text, from, end, pieceLength, buffer, isDropped);
            if (isDropped())
                return;
            QCoreApplication* application = QCoreApplication::instance();
            if (!application)
                return;
            QMetaObject::invokeMethod(
                application,
                [weak, generation, part, result = std::move(result)]() mutable {
                    if (weak)
                        weak->partDone(generation, part, std::move(result));
                },
                Qt::QueuedConnection);
        });
    }
}

void SuspiciousScan::partDone(std::uint64_t generation, std::size_t part, Result result)
{
    if (!m_run || m_run->generation != generation || generation != m_generation)
        return;
    m_run->parts[part] = std::move(result);
    if (++m_run->arrived < m_run->parts.size())
        return;
    Result joined;
    for (auto& each : m_run->parts)
        join(joined, std::move(*each));
    const std::uint64_t version = m_run->version;
    m_run.reset();
    if (m_version && m_version() != version)
        return;
    if (m_apply)
        m_apply(std::move(joined));
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
