#include "app/views/TextStorage.h"

#include "app/kit/Utf16.h"
#include "app/views/EditRecord.h"

#include <QThreadPool>

#include <algorithm>

namespace EditorViews {

namespace {

// From this length a text replaced whole is freed on a worker.
constexpr std::int64_t releaseElsewhereFrom = std::int64_t{1} << 20;

} // namespace

QString
snapshotText(const EditorCore::TextSnapshot& text, std::int64_t location, std::int64_t length)
{
    return EditorKit::qstringFrom(text, location, length);
}

QString snapshotText(const EditorCore::TextSnapshot& text)
{
    return snapshotText(text, 0, text.length());
}

QString EditRecord::inserted() const
{
    if (insertedLength > insertedText.size())
        return snapshotText(text, location, insertedLength);
    return insertedText;
}

bool snapshotEquals(const EditorCore::TextSnapshot& text, QStringView other)
{
    if (text.length() != other.size())
        return false;
    const auto* compared = reinterpret_cast<const char16_t*>(other.utf16());
    return text.visit(0, text.length(), [&compared](std::u16string_view piece) {
        if (!std::equal(piece.begin(), piece.end(), compared))
            return false;
        compared += piece.size();
        return true;
    });
}

TextStorage::TextStorage(QObject* parent, EditorCore::ChunkLimits limits)
    : QObject(parent)
    , m_chunks(limits)
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
    const std::int64_t start =
        std::clamp<std::int64_t>(pieces.front().range.location, 0, oldLength);
    const std::int64_t end = std::clamp<std::int64_t>(pieces.back().range.end(), start, oldLength);
    std::int64_t change = 0;
    for (const auto& piece : pieces)
        change += piece.text.size() - piece.range.length;
    emit willChange();
    // From the back, so that the ranges still ahead keep their offsets.
    for (auto piece = pieces.rbegin(); piece != pieces.rend(); ++piece) {
        const TextRange clamped = clampedRange(piece->range, oldLength);
        m_chunks.replace(clamped.location,
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
    setText(EditorCore::ChunkedText(EditorKit::utf16View(text), m_chunks.limits()).snapshot());
}

void TextStorage::setText(EditorCore::TextSnapshot text)
{
    emit willChange();
    const int oldLength = length();
    EditorCore::TextSnapshot old = m_chunks.snapshot();
    m_chunks = EditorCore::ChunkedText(std::move(text), m_chunks.limits());
    ++m_version;
    m_flat = QString();
    emit didReplace(0, oldLength, length());
    // Freeing a long text's chunks takes a while: when this was its last holder, a worker
    // does it.
    if (old.length() >= releaseElsewhereFrom)
        QThreadPool::globalInstance()->start(
            [old = std::move(old)]() mutable { old = EditorCore::TextSnapshot(); });
}

} // namespace EditorViews
