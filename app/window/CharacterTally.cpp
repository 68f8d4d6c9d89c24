#include "app/window/CharacterTally.h"

#include <QTextBoundaryFinder>

namespace EditorWindow {

void CharacterTally::add(QStringView piece)
{
    m_open.append(piece);
    qsizetype settled = m_open.size();
    // A high surrogate at the end may yet pair with the next piece.
    if (settled > 0 && m_open.at(settled - 1).isHighSurrogate())
        --settled;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, m_open.constData(), m_open.size());
    qsizetype last = 0;
    for (qsizetype boundary = finder.toNextBoundary(); boundary >= 0 && boundary < settled;
         boundary = finder.toNextBoundary()) {
        ++m_count;
        last = boundary;
    }
    m_open.remove(0, last);
}

std::int64_t CharacterTally::finish()
{
    if (!m_open.isEmpty()) {
        QTextBoundaryFinder finder(
            QTextBoundaryFinder::Grapheme, m_open.constData(), m_open.size());
        while (finder.toNextBoundary() >= 0)
            ++m_count;
    }
    const std::int64_t count = m_count;
    m_open.clear();
    m_count = 0;
    return count;
}

} // namespace EditorWindow
