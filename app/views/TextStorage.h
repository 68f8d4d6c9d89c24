#pragma once

#include "app/views/TextRange.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <vector>

namespace EditorViews {

// The document's text exactly as it is: one QString whose UTF-16 offsets are the editor's
// offsets. Nothing here touches line breaks or special spaces. Every change is a replacement
// of one range, announced after it happened so the window's edit pipeline can follow it.
class TextStorage : public QObject
{
    Q_OBJECT
public:
    explicit TextStorage(QObject* parent = nullptr);

    const QString& text() const { return m_text; }
    int length() const { return static_cast<int>(m_text.size()); }
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
    // Replaces ascending, non-overlapping ranges in one pass over the text, announced as one
    // replacement from the first range's start to the last range's end.
    void splice(const std::vector<Piece>& pieces);
    // Replaces the whole text; the string is taken over without copying its characters.
    void setText(QString text);

signals:
    // The text is about to change: a reader sharing it (a count on a worker) lets go now, so that
    // the change needs no copy of the whole text.
    void willChange();
    // The range [location, location + replacedLength) of the old text now holds newLength units.
    void didReplace(int location, int replacedLength, int newLength);

private:
    // A large text still shared with a reader is copied here, quickly, before it changes.
    void ownTextBeforeChange(qsizetype growth);

    QString m_text;
    std::uint64_t m_version = 0;
};

} // namespace EditorViews
