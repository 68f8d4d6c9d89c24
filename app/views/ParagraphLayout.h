#pragma once

#include <QFont>
#include <QList>
#include <QRectF>
#include <QString>
#include <QTextLayout>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QPainter;

namespace EditorViews {

// What a paragraph is laid out with.
struct ParagraphSettings
{
    QFont font;
    double tabInterval = 0.0;
    bool wraps = true;
    // The width a wrapped visual line may take.
    double width = 400.0;
    double lineHeight = 16.0;
    double ascent = 12.0;
    double descent = 4.0;
    // Advance of "0": what an estimate counts per UTF-16 unit.
    double zeroWidth = 8.0;
};

// The layout of one logical line's content. A line up to pieceBound UTF-16 units is one
// QTextLayout, laid out at once. A longer line is cut into pieces at grapheme-cluster
// boundaries (after a blank where one is near); each piece is a QTextLayout of its own, made
// only when something asks for a place in it, and an edit lays out again only the pieces it
// touches. Wrapped, every piece starts a visual line of its own; unwrapped, the pieces stand
// side by side on the one visual line. A piece not laid out yet counts with an estimate (its
// length times the advance of "0"), which its layout replaces.
//
// Positions are layout positions: content offsets, moved past an input method's composition
// where one is shown (setPreedit).
class ParagraphLayout
{
public:
    static constexpr int pieceBound = 4096;

    // Display-only colours: asked with the paragraph's line and a piece's content start and
    // length whenever that piece is laid out, it fills in format ranges relative to the start
    // and returns a stamp (see colorStamp).
    using Colorizer = std::function<std::int64_t(
        int line, int start, int length, QList<QTextLayout::FormatRange>& formats)>;

    ParagraphLayout(const ParagraphSettings& settings,
                    QString content,
                    Colorizer colorizer = {},
                    int line = 0);
    ~ParagraphLayout();
    ParagraphLayout(const ParagraphLayout&) = delete;
    ParagraphLayout& operator=(const ParagraphLayout&) = delete;

    // One visual line. Unwrapped, a cut paragraph's one visual line spans all its pieces.
    class Line
    {
    public:
        bool isValid() const { return m_owner != nullptr; }
        int lineNumber() const { return m_number; }
        int textStart() const { return m_start; }
        int textLength() const { return m_length; }
        double cursorToX(int position) const;
        int xToCursor(double x) const;

    private:
        friend class ParagraphLayout;
        ParagraphLayout* m_owner = nullptr;
        int m_number = 0;
        int m_start = 0;
        int m_length = 0;
        // The piece of a wrapped visual line and its line there; -1 for a whole unwrapped line.
        int m_piece = -1;
        int m_pieceLine = 0;
    };

    // Visual lines (estimated for wrapped pieces not laid out yet).
    int lineCount() const;
    Line lineAt(int index);
    // The visual line holding a layout position; the end of a piece is the next one's start.
    Line lineForTextPosition(int position);
    // Unwrapped: the width of the whole line (estimated where not laid out).
    double naturalWidth() const;
    // Lays out the pieces inside the rectangle (in the paragraph's coordinates).
    void layoutArea(const QRectF& area);
    // Draws the pieces inside clip (in the painter's coordinates) with the paragraph at origin.
    void draw(QPainter* painter, QPointF origin, const QRectF& clip);

    // The line the paragraph stands on: the colorizer is asked with it. Lines move with edits
    // above them.
    void setLine(int line) { m_line = line; }
    // The stamp every coloured piece returned; -1 when they differ or none was coloured yet.
    std::int64_t colorStamp() const { return m_mixedStamps || !m_stamp ? -1 : *m_stamp; }

    // A composition shown at a content position; an empty text removes it.
    void
    setPreedit(int position, const QString& text, const QList<QTextLayout::FormatRange>& formats);
    int preeditPosition() const { return m_preedit.isEmpty() ? -1 : m_preeditPosition; }

    // The content changed: `removed` units at location became `inserted`. Only the pieces the
    // change touches are cut and laid out again.
    void replace(int location, int removed, const QString& inserted);
    const QString& content() const { return m_content; }

    // The pieces as content ranges, and whether each has a layout.
    int pieceCount() const { return static_cast<int>(m_pieces.size()); }
    std::pair<int, int> pieceRange(int piece) const;
    bool pieceIsLaidOut(int piece) const;
    // Where text from start to end is cut into pieces: the boundaries strictly inside it.
    static std::vector<int> cutPoints(QStringView text, int start, int end);

private:
    struct Piece
    {
        int start = 0;  // content offset
        int length = 0; // content units
        std::unique_ptr<QTextLayout> layout;
        int lines = 1;      // visual lines (wrapped)
        double width = 0.0; // natural width (unwrapped)
        bool hasTab = false;
        double laidX = 0.0; // unwrapped: the x its tab stops were placed for
    };

    int layoutStart(int piece) const;
    int layoutLength(int piece) const;
    int pieceAtPosition(int position) const;
    double pieceX(int piece) const;
    int firstLineOf(int piece) const;
    // The piece laid out (again where its tab stops moved), its left end at x when unwrapped.
    Piece& laidOut(int piece, double x);
    void cut(int start, int end, std::vector<Piece>& into) const;
    double estimatedWidth(const Piece& piece) const;
    double cursorToX(const Line& line, int position);
    int xToCursor(const Line& line, double x);

    ParagraphSettings m_settings;
    QString m_content;
    std::vector<Piece> m_pieces;
    int m_preeditPosition = -1;
    QString m_preedit;
    QList<QTextLayout::FormatRange> m_preeditFormats;
    Colorizer m_colorizer;
    int m_line = 0;
    std::optional<std::int64_t> m_stamp;
    bool m_mixedStamps = false;
};

} // namespace EditorViews
