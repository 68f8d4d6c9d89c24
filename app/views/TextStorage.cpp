#include "app/views/TextStorage.h"

#include <QThreadPool>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <sys/mman.h>
#include <unistd.h>

namespace EditorViews {

namespace {

// From this length a text that someone else still reads (a save being written, a search) is
// copied by the storage itself before a change, not by QString's detach.
constexpr qsizetype ownCopyFrom = qsizetype{1} << 20;
// From this length a text replaced whole is freed on a worker.
constexpr qsizetype releaseElsewhereFrom = qsizetype{1} << 20;
// Room left for typing in such a copy, so that the next keys do not copy it again.
constexpr qsizetype typingRoom = qsizetype{1} << 20;

// Asks the kernel for huge pages under a large buffer about to be filled, where it allows them.
void adviseHugePages(void* data, std::size_t bytes)
{
    constexpr std::size_t hugePage = 2 << 20;
    if (bytes < 2 * hugePage)
        return;
    const auto start = reinterpret_cast<std::uintptr_t>(data);
    const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    const std::uintptr_t first = (start + page - 1) & ~(page - 1);
    const std::uintptr_t end = (start + bytes) & ~(page - 1);
    if (end > first)
        (void)::madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
}

QThreadPool& copyingPool()
{
    // Never destroyed: a helper still starting at exit finds nothing left to copy.
    static QThreadPool* pool = [] {
        auto* created = new QThreadPool;
        created->setMaxThreadCount(3);
        return created;
    }();
    return *pool;
}

// Copies `count` units in pieces, the calling thread and up to three helpers taking pieces in
// turn: the fresh pages of a copy of 200 MB are what costs, and the kernel fills them for several
// threads at once. The caller waits only for pieces a helper has begun; a helper that starts
// after the last piece was taken copies nothing.
constexpr qsizetype pieceUnits = qsizetype{2} << 20;

void copyInPieces(QChar* to, const QChar* from, qsizetype count)
{
    const qsizetype pieces = (count + pieceUnits - 1) / pieceUnits;
    if (pieces < 2) {
        std::memcpy(to, from, static_cast<std::size_t>(count) * sizeof(QChar));
        return;
    }
    struct Progress
    {
        std::atomic<qsizetype> next{0};
        std::mutex mutex;
        std::condition_variable finished;
        qsizetype done = 0; // guarded by mutex
    };
    auto progress = std::make_shared<Progress>();
    auto work = [progress, to, from, count, pieces] {
        for (;;) {
            const qsizetype piece = progress->next.fetch_add(1);
            if (piece >= pieces)
                return;
            const qsizetype start = piece * pieceUnits;
            const qsizetype length = std::min(pieceUnits, count - start);
            std::memcpy(to + start, from + start, static_cast<std::size_t>(length) * sizeof(QChar));
            std::lock_guard lock(progress->mutex);
            if (++progress->done == pieces)
                progress->finished.notify_all();
        }
    };
    for (int helper = 0; helper < copyingPool().maxThreadCount(); ++helper)
        copyingPool().start(work);
    work();
    std::unique_lock lock(progress->mutex);
    progress->finished.wait(lock, [&] { return progress->done == pieces; });
}

} // namespace

TextStorage::TextStorage(QObject* parent)
    : QObject(parent)
{}

void TextStorage::ownTextBeforeChange(qsizetype growth)
{
    if (m_text.size() < ownCopyFrom || m_text.isDetached())
        return;
    QString copy;
    copy.reserve(m_text.size() + std::max<qsizetype>(growth, 0) + typingRoom);
    adviseHugePages(copy.data(), static_cast<std::size_t>(copy.capacity()) * sizeof(QChar));
    copy.resize(m_text.size());
    copyInPieces(copy.data(), m_text.constData(), m_text.size());
    m_text = std::move(copy);
}

void TextStorage::replace(TextRange range, const QString& replacement)
{
    TextRange clamped = clampedRange(range, length());
    if (clamped.length == 0 && replacement.isEmpty())
        return;
    emit willChange();
    ownTextBeforeChange(replacement.size() - clamped.length);
    m_text.replace(clamped.location, clamped.length, replacement);
    ++m_version;
    emit didReplace(clamped.location, clamped.length, static_cast<int>(replacement.size()));
}

void TextStorage::splice(const std::vector<Piece>& pieces)
{
    if (pieces.empty())
        return;
    const qsizetype oldLength = m_text.size();
    const qsizetype start = std::clamp<qsizetype>(pieces.front().range.location, 0, oldLength);
    const qsizetype end = std::clamp<qsizetype>(pieces.back().range.end(), start, oldLength);
    qsizetype change = 0;
    bool grows = false;
    bool shrinks = false;
    for (const auto& piece : pieces) {
        const qsizetype delta = piece.text.size() - piece.range.length;
        change += delta;
        grows = grows || delta > 0;
        shrinks = shrinks || delta < 0;
    }
    emit willChange();
    ownTextBeforeChange(change);
    if (grows && shrinks) {
        // Text moving both ways: build the new stretch aside.
        QString stretch;
        stretch.reserve(end - start + change);
        qsizetype position = start;
        for (const auto& piece : pieces) {
            stretch.append(QStringView(m_text).mid(position, piece.range.location - position));
            stretch.append(piece.text);
            position = piece.range.end();
        }
        replace({start, end - start}, stretch);
        return;
    }
    // Every stretch between the pieces moves the same way, so it moves in place: from the back
    // when the text grows, from the front when it shrinks.
    auto copy = [](QChar* to, const QChar* from, qsizetype count) {
        if (count > 0)
            std::memmove(to, from, static_cast<std::size_t>(count) * sizeof(QChar));
    };
    if (change >= 0) {
        m_text.resize(oldLength + change);
        QChar* data = m_text.data();
        copy(data + end + change, data + end, oldLength - end);
        qsizetype write = end + change;
        qsizetype stretchEnd = end;
        for (auto piece = pieces.rbegin(); piece != pieces.rend(); ++piece) {
            const qsizetype after = stretchEnd - piece->range.end();
            write -= after;
            copy(data + write, data + piece->range.end(), after);
            write -= piece->text.size();
            copy(data + write, piece->text.data(), piece->text.size());
            stretchEnd = piece->range.location;
        }
    } else {
        QChar* data = m_text.data();
        qsizetype write = start;
        for (std::size_t i = 0; i < pieces.size(); ++i) {
            const auto& piece = pieces[i];
            copy(data + write, piece.text.data(), piece.text.size());
            write += piece.text.size();
            const qsizetype next = i + 1 < pieces.size() ? pieces[i + 1].range.location : end;
            copy(data + write, data + piece.range.end(), next - piece.range.end());
            write += next - piece.range.end();
        }
        copy(data + write, data + end, oldLength - end);
        m_text.resize(oldLength + change);
    }
    ++m_version;
    emit didReplace(static_cast<int>(start),
                    static_cast<int>(end - start),
                    static_cast<int>(end - start + change));
}

void TextStorage::setText(QString text)
{
    emit willChange();
    int old = length();
    m_text.swap(text);
    ++m_version;
    emit didReplace(0, old, length());
    // Giving back the pages of a long text takes the kernel a while: the old text, when nobody
    // else holds it, goes on a worker.
    if (text.size() >= releaseElsewhereFrom && text.isDetached())
        QThreadPool::globalInstance()->start(
            [old = std::move(text)]() mutable { old = QString(); });
}

} // namespace EditorViews
