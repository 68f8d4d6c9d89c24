#include "app/views/TextStorage.h"

#include "app/kit/Utf16.h"

#include <algorithm>

namespace EditorViews {

QString snapshotText(const EditorCore::TextSnapshot& text, std::int64_t location, std::int64_t length)
{
    const std::int64_t size = text.length();
    const std::int64_t start = std::clamp<std::int64_t>(location, 0, size);
    const std::int64_t end = std::clamp<std::int64_t>(location + std::max<std::int64_t>(length, 0), start, size);
    QString result;
    result.resize(static_cast<qsizetype>(end - start));
    QChar* write = result.data();
    text.visit(start, end - start, [&write](std::u16string_view piece) {
        std::copy(piece.begin(), piece.end(), reinterpret_cast<char16_t*>(write));
        write += piece.size();
        return true;
    });
    return result;
}

QString snapshotText(const EditorCore::TextSnapshot& text)
{
    return snapshotText(text, 0, text.length());
}

TextStorage::TextStorage(QObject* parent)
    : QObject(parent)
{}

QString TextStorage::mid(std::int64_t location, std::int64_t length) const
{
    return snapshotText(m_chunks.current(), location, length);
}

const QString& TextStorage::text() const
{
    if (m_flatVersion != m_version) {
        m_flat = snapshotText(m_chunks.current());
        m_flatVersion = m_version;
    }
    return m_flat;
}

void TextStorage::replace(TextRange range, const QString& replacement)
{
    TextRange clamped = clampedRange(range, length());
    if (clamped.length == 0 && replacement.isEmpty())
        return;
    emit willChange();
    m_chunks.replace(clamped.location, clamped.length, EditorKit::utf16View(replacement));
    ++m_version;
    m_flat = QString();
    emit didReplace(clamped.location, clamped.length, static_cast<int>(replacement.size()));
}

void TextStorage::splice(const std::vector<Piece>& pieces)
{
    if (pieces.empty())
        return;
    const std::int64_t oldLength = m_chunks.length();
    const std::int64_t start = std::clamp<std::int64_t>(pieces.front().range.location, 0, oldLength);
    const std::int64_t end = std::clamp<std::int64_t>(pieces.back().range.end(), start, oldLength);
    std::int64_t change = 0;
    for (const auto& piece : pieces)
        change += piece.text.size() - piece.range.length;
    emit willChange();
    // From the back, so that the ranges still ahead keep their offsets.
    for (auto piece = pieces.rbegin(); piece != pieces.rend(); ++piece) {
        const TextRange clamped = clampedRange(piece->range, oldLength);
        m_chunks.replace(
            clamped.location,
            clamped.length,
            std::u16string_view(reinterpret_cast<const char16_t*>(piece->text.utf16()),
                                static_cast<std::size_t>(piece->text.size())));
    }
    ++m_version;
    m_flat = QString();
    emit didReplace(static_cast<int>(start),
                    static_cast<int>(end - start),
                    static_cast<int>(end - start + change));
}

void TextStorage::setText(const QString& text)
{
    setText(EditorCore::ChunkedText(EditorKit::utf16View(text)).snapshot());
}

void TextStorage::setText(EditorCore::TextSnapshot text)
{
    emit willChange();
    const int old = length();
    // The old tree is released as the last snapshot holding it goes; a long one is freed chunk
    // by chunk, which costs no more than its pages.
    m_chunks = EditorCore::ChunkedText(std::move(text));
    ++m_version;
    m_flat = QString();
    emit didReplace(0, old, length());
}

} // namespace EditorViews
