#pragma once

#include <QStringView>

#include <algorithm>

namespace EditorWindow::TextPieces {

// How much of a long text a worker gets at a time. The interface thread copies each piece, a
// millisecond or two, so a worker never shares the window's text: sharing it would make the
// next edit copy the whole text on the interface thread.
inline constexpr qsizetype defaultLength = qsizetype{1} << 20;

// The end of the piece of about `length` units that starts at `from`, in a text of `size`
// units read by `unit(i)`: never between the halves of a surrogate pair, never past the text,
// and past `from` while text remains.
template <typename UnitAt>
qsizetype pieceEnd(qsizetype size, const UnitAt& unit, qsizetype from, qsizetype length)
{
    qsizetype end = std::min(size, from + std::max<qsizetype>(length, 1));
    if (end < size && QChar::isLowSurrogate(unit(end)) && QChar::isHighSurrogate(unit(end - 1)))
        end = end - 1 > from ? end - 1 : end + 1;
    return end;
}

inline qsizetype pieceEnd(QStringView text, qsizetype from, qsizetype length)
{
    return pieceEnd(
        text.size(), [text](qsizetype i) { return text[i].unicode(); }, from, length);
}

} // namespace EditorWindow::TextPieces
