#include "app/views/TextStorage.h"

#include <algorithm>
#include <cstring>

namespace EditorViews {

TextStorage::TextStorage(QObject* parent)
    : QObject(parent)
{}

void TextStorage::replace(TextRange range, const QString& replacement)
{
    TextRange clamped = clampedRange(range, length());
    if (clamped.length == 0 && replacement.isEmpty())
        return;
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
    int old = length();
    m_text = std::move(text);
    ++m_version;
    emit didReplace(0, old, length());
}

} // namespace EditorViews
