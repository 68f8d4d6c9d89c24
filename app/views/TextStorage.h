#pragma once

#include "app/views/TextRange.h"
#include "core/ChunkedText.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <vector>

namespace EditorViews {

// The document's text exactly as it is, as a tree of chunks whose UTF-16 offsets are the
// editor's offsets. Nothing here touches line breaks or special spaces. Every change is a
// replacement of one range, announced after it happened so the window's edit pipeline can
// follow it. An edit costs O(log n) plus the edited chunks; `snapshot()` is O(1) and is what a
// worker (save, search, filter, counts, parsing) reads while the user goes on typing.
class TextStorage : public QObject
{
    Q_OBJECT
public:
    // `limits`: the chunks' sizes (tests use tiny ones to put borders everywhere).
    explicit TextStorage(QObject* parent = nullptr, EditorCore::ChunkLimits limits = {});

    // The text as it is now: a snapshot any thread may keep and read; later edits leave it.
    EditorCore::TextSnapshot snapshot() const { return m_chunks.snapshot(); }
    // The same, for reads on this thread that do not keep it (no reference taken).
    const EditorCore::TextSnapshot& current() const { return m_chunks.current(); }

    int length() const { return static_cast<int>(m_chunks.length()); }
    const EditorCore::ChunkLimits& limits() const { return m_chunks.limits(); }
    bool isEmpty() const { return m_chunks.length() == 0; }
    // The unit at offset; a null QChar outside the text.
    QChar at(std::int64_t offset) const { return QChar(m_chunks.current().at(offset)); }
    // A copy of [location, location + length), clamped to the text.
    QString mid(std::int64_t location, std::int64_t length) const;
    QString mid(TextRange range) const { return mid(range.location, range.length); }

    // The whole text as one string. After a change this flattens the tree (O(n)) once and keeps
    // the string until the next change: for whole-text commands, never for work done per key.
    const QString& text() const;

    // Counts the changes: each replace and setText adds one.
    std::uint64_t version() const { return m_version; }

    // The range is clamped into the text.
    void replace(TextRange range, const QString& replacement);
    // One piece of a splice: a range of the current text and what replaces it.
    struct Piece
    {
        TextRange range;
        QStringView text;
    };
    // Replaces ascending, non-overlapping ranges, announced as one replacement from the first
    // range's start to the last range's end.
    void splice(const std::vector<Piece>& pieces);
    // Replaces the whole text.
    void setText(const QString& text);
    void setText(EditorCore::TextSnapshot text);

signals:
    // The text is about to change.
    void willChange();
    // The range [location, location + replacedLength) of the old text now holds newLength units.
    void didReplace(int location, int replacedLength, int newLength);

private:
    EditorCore::ChunkedText m_chunks;
    std::uint64_t m_version = 0;
    // The flattened text of `text()` and the version it was made at.
    mutable QString m_flat;
    mutable std::uint64_t m_flatVersion = ~std::uint64_t{0};
};

// A copy of [location, location + length) of a snapshot, clamped to it.
QString
snapshotText(const EditorCore::TextSnapshot& text, std::int64_t location, std::int64_t length);
QString snapshotText(const EditorCore::TextSnapshot& text);
// Whether the snapshot holds exactly `other`, compared chunk by chunk.
bool snapshotEquals(const EditorCore::TextSnapshot& text, QStringView other);

} // namespace EditorViews
