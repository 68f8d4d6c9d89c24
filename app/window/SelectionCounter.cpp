#include "app/window/SelectionCounter.h"

#include "app/views/TextStorage.h"

#include "app/window/CharacterTally.h"
#include "app/window/StatusContent.h"
#include "platform/SerialQueue.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>
#include <QString>

namespace EditorWindow {

SelectionCounter::SelectionCounter(std::function<Source()> source,
                                   std::int64_t workerThreshold,
                                   qsizetype pieceLength)
    : m_source(std::move(source))
    , m_threshold(workerThreshold)
    , m_pieceLength(pieceLength)
{}

SelectionCounter::~SelectionCounter()
{
    // Joins the worker after its current piece.
    m_queue.reset();
}

std::optional<std::int64_t> SelectionCounter::count(EditorViews::TextRange selection)
{
    const Source source = m_source ? m_source() : Source{};
    selection = EditorViews::clampedRange(selection, source.text.length());
    if (selection.length < m_threshold)
        return StatusContent::characterCount(
            EditorViews::snapshotText(source.text, selection.location, selection.length));
    const Key key{source.version, selection};
    if (m_known && *m_known == key)
        return m_knownCount;
    if (m_run) {
        if (!(m_run->key == key))
            m_wanted = key;
        else
            m_wanted.reset();
        return std::nullopt;
    }
    start(key);
    return std::nullopt;
}

void SelectionCounter::start(const Key& key)
{
    if (!m_queue)
        m_queue = std::make_unique<Platform::SerialQueue>("app.orlune.viewer.selection-count");
    m_run = Run{key, key.selection.location, std::make_shared<CharacterTally>()};
    sendPiece();
}

void SelectionCounter::sendPiece()
{
    const Source source = m_source ? m_source() : Source{};
    if (source.version != m_run->key.version) {
        // The text changed: the count is asked for again with its new version.
        m_run.reset();
        return;
    }
    const std::int64_t from = m_run->next;
    const std::int64_t selectionEnd = m_run->key.selection.location + m_run->key.selection.length;
    const EditorCore::TextSnapshot& text = source.text;
    const std::int64_t end = TextPieces::pieceEnd(
        std::min(selectionEnd, text.length()),
        [&text](qsizetype i) { return text.at(i); },
        from,
        m_pieceLength);
    const bool last = end >= selectionEnd;
    QPointer<SelectionCounter> weak(this);
    m_queue->async([weak, tally = m_run->tally, text, from, last, end] {
        tally->add(EditorViews::snapshotText(text, from, end - from));
        std::optional<std::int64_t> counted;
        if (last)
            counted = tally->finish();
        QCoreApplication* application = QCoreApplication::instance();
        if (!application)
            return;
        QMetaObject::invokeMethod(
            application,
            [weak, tally, end, counted] {
                // The tally tells this count's pieces from those of a count given up since.
                if (weak && weak->m_run && weak->m_run->tally == tally)
                    weak->pieceDone(end, counted);
            },
            Qt::QueuedConnection);
    });
}

void SelectionCounter::pieceDone(std::int64_t end, std::optional<std::int64_t> counted)
{
    const Key key = m_run->key;
    if (counted) {
        m_run.reset();
        m_known = key;
        m_knownCount = *counted;
    } else {
        m_run->next = end;
        if (!m_wanted) {
            sendPiece();
            return;
        }
        // A newer selection: this count is of no use any more.
        m_run.reset();
    }
    if (m_wanted) {
        const Key next = *m_wanted;
        m_wanted.reset();
        start(next);
    }
    if (counted && onCounted)
        onCounted();
}

} // namespace EditorWindow
