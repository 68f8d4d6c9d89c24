#include "app/window/SelectionCounter.h"

#include "app/window/StatusContent.h"
#include "platform/SerialQueue.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>

namespace EditorWindow {

SelectionCounter::SelectionCounter(std::int64_t workerThreshold)
    : m_threshold(workerThreshold)
{}

SelectionCounter::~SelectionCounter()
{
    // Joins the worker after its current count.
    m_queue.reset();
}

std::optional<std::int64_t> SelectionCounter::count(const QString& text,
                                                    std::uint64_t version,
                                                    EditorViews::TextRange selection)
{
    selection = EditorViews::clampedRange(selection, text.size());
    if (selection.length < m_threshold)
        return StatusContent::characterCount(
            QStringView(text).mid(selection.location, selection.length));
    const Key key{version, selection};
    if (m_known && *m_known == key)
        return m_knownCount;
    if (m_counting) {
        if (!(*m_counting == key)) {
            m_wanted = key;
            m_wantedText = text;
        }
        return std::nullopt;
    }
    start(text, key);
    return std::nullopt;
}

void SelectionCounter::start(const QString& text, const Key& key)
{
    if (!m_queue)
        m_queue = std::make_unique<Platform::SerialQueue>("app.orlune.viewer.selection-count");
    m_counting = key;
    QPointer<SelectionCounter> weak(this);
    // The text is shared, not copied; an edit meanwhile detaches the window's copy.
    m_queue->async([text, key, weak] {
        const std::int64_t counted = StatusContent::characterCount(
            QStringView(text).mid(key.selection.location, key.selection.length));
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [weak, key, counted] {
                if (!weak || !weak->m_counting || !(*weak->m_counting == key))
                    return;
                weak->m_counting.reset();
                weak->m_known = key;
                weak->m_knownCount = counted;
                if (weak->m_wanted) {
                    Key next = *weak->m_wanted;
                    QString nextText = std::move(weak->m_wantedText);
                    weak->m_wanted.reset();
                    weak->m_wantedText.clear();
                    weak->start(nextText, next);
                }
                if (weak->onCounted)
                    weak->onCounted();
            },
            Qt::QueuedConnection);
    });
}

} // namespace EditorWindow
