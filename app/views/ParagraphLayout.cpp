#include "app/views/ParagraphLayout.h"

#include "app/views/GlyphCoverage.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTextBoundaryFinder>

#include <algorithm>
#include <cmath>

namespace EditorViews {
namespace {

// How far back from the bound a cut looks for a blank to cut after.
constexpr int blankReach = 256;
// How much text around a place the grapheme rules look at.
constexpr int clusterReach = 128;

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

// Whether a grapheme cluster boundary lies at index (between index - 1 and index).
bool isClusterBoundary(QStringView text, int index)
{
    const auto size = static_cast<int>(text.size());
    if (index <= 0 || index >= size)
        return true;
    const int from = std::max(0, index - clusterReach);
    const int to = std::min(size, index + clusterReach);
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text.mid(from, to - from));
    finder.setPosition(index - from);
    return finder.isAtBoundary();
}

// The last grapheme cluster boundary at or before index and after floor, or -1.
int clusterBoundaryBefore(QStringView text, int index, int floor)
{
    const auto size = static_cast<int>(text.size());
    const int from = std::max(floor, index - 2 * clusterReach);
    const int to = std::min(size, index + clusterReach);
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text.mid(from, to - from));
    finder.setPosition(index - from);
    if (finder.isAtBoundary())
        return index;
    const auto previous = finder.toPreviousBoundary();
    // The window's own start counts as a boundary only where it is the floor.
    if (previous <= 0)
        return -1;
    return from + static_cast<int>(previous);
}

} // namespace

ParagraphLayout::ParagraphLayout(const ParagraphSettings& settings,
                                 QString content,
                                 Colorizer colorizer,
                                 int line)
    : m_settings(settings)
    , m_content(std::move(content))
    , m_colorizer(std::move(colorizer))
    , m_line(line)
{
    cut(0, static_cast<int>(m_content.size()), m_pieces);
    if (m_pieces.size() == 1)
        laidOut(0, 0.0);
}

ParagraphLayout::~ParagraphLayout() = default;

std::vector<int> ParagraphLayout::cutPoints(QStringView text, int start, int end)
{
    std::vector<int> points;
    int position = start;
    while (end - position > pieceBound) {
        const int target = position + pieceBound;
        int cut = -1;
        for (int i = target - 1; i > position && i >= target - blankReach; --i) {
            if (isBlank(text[i]) && isClusterBoundary(text, i + 1)) {
                cut = i + 1;
                break;
            }
        }
        if (cut < 0)
            cut = clusterBoundaryBefore(text, target, position);
        if (cut <= position) {
            // A cluster longer than the reach: cut anyway, but never inside a surrogate pair
            // or a CR LF.
            cut = target;
            if ((text[cut - 1].isHighSurrogate() && text[cut].isLowSurrogate())
                || (text[cut - 1] == u'\r' && text[cut] == u'\n'))
                --cut;
        }
        points.push_back(cut);
        position = cut;
    }
    return points;
}

void ParagraphLayout::cut(int start, int end, std::vector<Piece>& into) const
{
    int position = start;
    auto add = [&](int until) {
        Piece piece;
        piece.start = position;
        piece.length = until - position;
        piece.hasTab = QStringView(m_content).mid(position, piece.length).contains(u'\t');
        piece.width = estimatedWidth(piece);
        // As many units per visual line as "0"s fit: exact for a monospaced text.
        const double columns =
            std::max(1.0, std::floor(m_settings.width / std::max(1.0, m_settings.zeroWidth)));
        piece.lines =
            m_settings.wraps ? std::max(1, static_cast<int>(std::ceil(piece.length / columns))) : 1;
        into.push_back(std::move(piece));
        position = until;
    };
    for (int point : cutPoints(m_content, start, end))
        add(point);
    add(end);
}

double ParagraphLayout::estimatedWidth(const Piece& piece) const
{
    return piece.length * m_settings.zeroWidth;
}

std::pair<int, int> ParagraphLayout::pieceRange(int piece) const
{
    const Piece& p = m_pieces[static_cast<std::size_t>(piece)];
    return {p.start, p.length};
}

bool ParagraphLayout::pieceIsLaidOut(int piece) const
{
    return m_pieces[static_cast<std::size_t>(piece)].layout != nullptr;
}

// MARK: positions

int ParagraphLayout::layoutStart(int piece) const
{
    const Piece& p = m_pieces[static_cast<std::size_t>(piece)];
    if (!m_preedit.isEmpty() && p.start > m_preeditPosition)
        return p.start + static_cast<int>(m_preedit.size());
    return p.start;
}

int ParagraphLayout::layoutLength(int piece) const
{
    const Piece& p = m_pieces[static_cast<std::size_t>(piece)];
    const bool holds = !m_preedit.isEmpty() && p.start <= m_preeditPosition
                       && (m_preeditPosition < p.start + p.length || piece + 1 == pieceCount());
    return p.length + (holds ? static_cast<int>(m_preedit.size()) : 0);
}

int ParagraphLayout::pieceAtPosition(int position) const
{
    // The last piece starting at or before the position.
    int low = 0;
    int high = pieceCount() - 1;
    while (low < high) {
        const int middle = (low + high + 1) / 2;
        if (layoutStart(middle) <= position)
            low = middle;
        else
            high = middle - 1;
    }
    return low;
}

double ParagraphLayout::pieceX(int piece) const
{
    double x = 0.0;
    for (int i = 0; i < piece; ++i)
        x += m_pieces[static_cast<std::size_t>(i)].width;
    return x;
}

int ParagraphLayout::firstLineOf(int piece) const
{
    int lines = 0;
    for (int i = 0; i < piece; ++i)
        lines += m_pieces[static_cast<std::size_t>(i)].lines;
    return lines;
}

int ParagraphLayout::lineCount() const
{
    if (!m_settings.wraps)
        return 1;
    return firstLineOf(pieceCount());
}

double ParagraphLayout::naturalWidth() const
{
    if (m_settings.wraps) {
        double widest = 0.0;
        for (const auto& piece : m_pieces)
            widest = std::max(widest, std::min(piece.width, m_settings.width));
        return widest;
    }
    return pieceX(pieceCount());
}

// MARK: laying out

ParagraphLayout::Piece& ParagraphLayout::laidOut(int index, double x)
{
    Piece& piece = m_pieces[static_cast<std::size_t>(index)];
    const double interval = m_settings.tabInterval > 0 ? m_settings.tabInterval : 80.0;
    // Unwrapped, a piece's tab stops are the line's: they depend on where the piece begins.
    const bool tabsMoved = !m_settings.wraps && piece.hasTab && std::abs(piece.laidX - x) > 0.001;
    if (piece.layout && !tabsMoved)
        return piece;

    QString text = m_content.mid(piece.start, piece.length);
    piece.layout = std::make_unique<QTextLayout>(text, m_settings.font);
    QTextOption option;
    option.setTabStopDistance(interval);
    option.setWrapMode(m_settings.wraps ? QTextOption::WrapAtWordBoundaryOrAnywhere
                                        : QTextOption::NoWrap);
    const double phase = std::fmod(x, interval);
    if (!m_settings.wraps && piece.hasTab && phase > 0.001) {
        // Stops at the line's multiples of the interval, counted from this piece's start.
        QList<QTextOption::Tab> tabs;
        const double reach = piece.length * m_settings.zeroWidth * 4 + interval;
        for (double stop = interval - phase; stop < reach; stop += interval)
            tabs.append(QTextOption::Tab(stop, QTextOption::LeftTab));
        option.setTabs(tabs);
    }
    piece.layout->setTextOption(option);
    piece.layout->setCacheEnabled(true);
    const int preeditLength = static_cast<int>(m_preedit.size());
    const bool holdsPreedit =
        !m_preedit.isEmpty() && layoutLength(index) == piece.length + preeditLength;
    const int at = holdsPreedit ? m_preeditPosition - piece.start : -1;
    QList<QTextLayout::FormatRange> formats;
    if (m_colorizer) {
        const std::int64_t stamp = m_colorizer(m_line, piece.start, piece.length, formats);
        if (m_stamp && *m_stamp != stamp)
            m_mixedStamps = true;
        m_stamp = stamp;
        // The composition is inserted into the layout's text: later colours move past it.
        for (auto& format : formats) {
            if (holdsPreedit && format.start >= at)
                format.start += preeditLength;
        }
    }
    if (holdsPreedit) {
        piece.layout->setPreeditArea(at, m_preedit);
        for (QTextLayout::FormatRange format : m_preeditFormats) {
            format.start += at;
            formats.append(format);
        }
    }
    // A character no font draws keeps one character's width, blank: the marks box it there.
    for (int i = 0; i < text.size(); ++i) {
        char32_t scalar = text[i].unicode();
        int units = 1;
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            scalar = QChar::surrogateToUcs4(text[i], text[i + 1]);
            units = 2;
        }
        if (GlyphCoverage::isCandidate(scalar)
            && !GlyphCoverage::canDraw(m_settings.font, scalar)) {
            QTextLayout::FormatRange missing;
            missing.start = holdsPreedit && i >= at ? i + preeditLength : i;
            missing.length = units;
            const double advance =
                QFontMetricsF(m_settings.font).horizontalAdvance(text.mid(i, units));
            missing.format.setFontLetterSpacingType(QFont::AbsoluteSpacing);
            missing.format.setFontLetterSpacing(std::max(0.0, m_settings.zeroWidth - advance));
            missing.format.setForeground(Qt::transparent);
            formats.append(missing);
        }
        i += units - 1;
    }
    if (!formats.isEmpty())
        piece.layout->setFormats(formats);

    const double pad = (m_settings.lineHeight - (m_settings.ascent + m_settings.descent)) / 2;
    int lines = 0;
    double width = 0.0;
    piece.layout->beginLayout();
    for (QTextLine line = piece.layout->createLine(); line.isValid();
         line = piece.layout->createLine()) {
        line.setLineWidth(m_settings.width);
        // Every visual line is one line height tall, baselines at the same place in each.
        const double baseline = lines * m_settings.lineHeight + pad + m_settings.ascent;
        line.setPosition(QPointF(0, baseline - line.ascent()));
        width = std::max(width, line.naturalTextWidth());
        ++lines;
    }
    piece.layout->endLayout();
    piece.lines = std::max(lines, 1);
    piece.width = width;
    piece.laidX = x;
    return piece;
}

void ParagraphLayout::layoutArea(const QRectF& area)
{
    if (m_settings.wraps) {
        double top = 0.0;
        for (int i = 0; i < pieceCount() && top <= area.bottom(); ++i) {
            const Piece& piece = m_pieces[static_cast<std::size_t>(i)];
            if (top + piece.lines * m_settings.lineHeight >= area.top())
                laidOut(i, 0.0);
            top += piece.lines * m_settings.lineHeight;
        }
        return;
    }
    double x = 0.0;
    for (int i = 0; i < pieceCount() && x <= area.right(); ++i) {
        if (x + m_pieces[static_cast<std::size_t>(i)].width >= area.left())
            laidOut(i, x);
        x += m_pieces[static_cast<std::size_t>(i)].width;
    }
}

void ParagraphLayout::draw(QPainter* painter, QPointF origin, const QRectF& clip)
{
    const QRectF area = clip.translated(-origin);
    layoutArea(area);
    double top = 0.0;
    double x = 0.0;
    for (int i = 0; i < pieceCount(); ++i) {
        Piece& piece = m_pieces[static_cast<std::size_t>(i)];
        const double height = piece.lines * m_settings.lineHeight;
        const bool inside = m_settings.wraps ? top + height >= area.top() && top <= area.bottom()
                                             : x + piece.width >= area.left() && x <= area.right();
        if (inside && piece.layout)
            piece.layout->draw(painter, origin + QPointF(x, top));
        if (m_settings.wraps)
            top += height;
        else
            x += piece.width;
    }
}

// MARK: lines

ParagraphLayout::Line ParagraphLayout::lineAt(int index)
{
    Line line;
    if (!m_settings.wraps) {
        line.m_owner = this;
        line.m_length = layoutStart(pieceCount() - 1) + layoutLength(pieceCount() - 1);
        return line;
    }
    index = std::clamp(index, 0, lineCount() - 1);
    // Laying a piece out may change its count of lines; look again until the piece is laid.
    for (;;) {
        int first = 0;
        int piece = 0;
        while (piece + 1 < pieceCount()
               && first + m_pieces[static_cast<std::size_t>(piece)].lines <= index) {
            first += m_pieces[static_cast<std::size_t>(piece)].lines;
            ++piece;
        }
        Piece& p = m_pieces[static_cast<std::size_t>(piece)];
        if (!p.layout) {
            laidOut(piece, 0.0);
            index = std::clamp(index, 0, lineCount() - 1);
            continue;
        }
        if (p.layout->lineCount() == 0)
            return line;
        const int sub = std::clamp(index - first, 0, p.layout->lineCount() - 1);
        const QTextLine textLine = p.layout->lineAt(sub);
        if (!textLine.isValid())
            return line;
        line.m_owner = this;
        line.m_number = first + sub;
        line.m_piece = piece;
        line.m_pieceLine = sub;
        line.m_start = layoutStart(piece) + textLine.textStart();
        line.m_length = textLine.textLength();
        return line;
    }
}

ParagraphLayout::Line ParagraphLayout::lineForTextPosition(int position)
{
    if (!m_settings.wraps)
        return lineAt(0);
    const int piece = pieceAtPosition(position);
    Piece& p = laidOut(piece, 0.0);
    const int local = std::clamp(position - layoutStart(piece), 0, layoutLength(piece));
    QTextLine textLine = p.layout->lineForTextPosition(local);
    if (!textLine.isValid())
        textLine = p.layout->lineAt(p.layout->lineCount() - 1);
    Line line;
    if (!textLine.isValid())
        return line;
    line.m_owner = this;
    line.m_number = firstLineOf(piece) + textLine.lineNumber();
    line.m_piece = piece;
    line.m_pieceLine = textLine.lineNumber();
    line.m_start = layoutStart(piece) + textLine.textStart();
    line.m_length = textLine.textLength();
    return line;
}

double ParagraphLayout::Line::cursorToX(int position) const
{
    return m_owner ? m_owner->cursorToX(*this, position) : 0.0;
}

int ParagraphLayout::Line::xToCursor(double x) const
{
    return m_owner ? m_owner->xToCursor(*this, x) : 0;
}

double ParagraphLayout::cursorToX(const Line& line, int position)
{
    int piece = line.m_piece;
    if (piece < 0)
        piece = pieceAtPosition(position);
    const double x = m_settings.wraps ? 0.0 : pieceX(piece);
    Piece& p = laidOut(piece, x);
    const int local = std::clamp(position - layoutStart(piece), 0, layoutLength(piece));
    const QTextLine textLine = p.layout->lineAt(line.m_piece < 0 ? 0 : line.m_pieceLine);
    return textLine.isValid() ? x + textLine.cursorToX(local) : x;
}

int ParagraphLayout::xToCursor(const Line& line, double x)
{
    if (line.m_piece >= 0) {
        Piece& p = laidOut(line.m_piece, 0.0);
        const QTextLine textLine = p.layout->lineAt(line.m_pieceLine);
        return layoutStart(line.m_piece) + (textLine.isValid() ? textLine.xToCursor(x) : 0);
    }
    double left = 0.0;
    for (int i = 0; i < pieceCount(); ++i) {
        const bool last = i + 1 == pieceCount();
        if (!last && x >= left + m_pieces[static_cast<std::size_t>(i)].width)
            left += m_pieces[static_cast<std::size_t>(i)].width;
        else {
            Piece& p = laidOut(i, left);
            // Its estimate may have been short; the pointer may lie in a later piece.
            if (!last && x >= left + p.width) {
                left += p.width;
                continue;
            }
            const QTextLine textLine = p.layout->lineAt(0);
            return layoutStart(i) + (textLine.isValid() ? textLine.xToCursor(x - left) : 0);
        }
    }
    return 0;
}

// MARK: changes

void ParagraphLayout::setPreedit(int position,
                                 const QString& text,
                                 const QList<QTextLayout::FormatRange>& formats)
{
    auto dropHolder = [&] {
        if (m_preedit.isEmpty())
            return;
        for (int i = 0; i < pieceCount(); ++i) {
            if (layoutLength(i) != m_pieces[static_cast<std::size_t>(i)].length)
                m_pieces[static_cast<std::size_t>(i)].layout.reset();
        }
    };
    dropHolder();
    m_preedit = text;
    m_preeditFormats = formats;
    m_preeditPosition = std::clamp(position, 0, static_cast<int>(m_content.size()));
    dropHolder();
    if (m_pieces.size() == 1)
        laidOut(0, 0.0);
}

void ParagraphLayout::replace(int location, int removed, const QString& inserted)
{
    const int oldLength = static_cast<int>(m_content.size());
    location = std::clamp(location, 0, oldLength);
    removed = std::clamp(removed, 0, oldLength - location);
    m_content.replace(location, removed, inserted);
    const int delta = static_cast<int>(inserted.size()) - removed;
    if (!m_preedit.isEmpty() && m_preeditPosition > location)
        m_preeditPosition = std::max(location, m_preeditPosition + delta);
    const int newLength = static_cast<int>(m_content.size());

    const bool wasCut = m_pieces.size() > 1;
    const bool isCut = newLength > pieceBound;
    if (!wasCut || !isCut) {
        m_pieces.clear();
        cut(0, newLength, m_pieces);
        if (m_pieces.size() == 1)
            laidOut(0, 0.0);
        return;
    }
    // The pieces the change touches, with a neighbour where it reaches a boundary (text
    // added there may join a cluster across it).
    int first = 0;
    while (first + 1 < pieceCount()
           && m_pieces[static_cast<std::size_t>(first)].start
                      + m_pieces[static_cast<std::size_t>(first)].length
                  < location)
        ++first;
    int last = first;
    while (last + 1 < pieceCount()
           && m_pieces[static_cast<std::size_t>(last + 1)].start <= location + removed)
        ++last;
    const int regionStart = m_pieces[static_cast<std::size_t>(first)].start;
    const Piece& lastPiece = m_pieces[static_cast<std::size_t>(last)];
    const int regionEnd = lastPiece.start + lastPiece.length + delta;

    std::vector<Piece> pieces;
    pieces.reserve(m_pieces.size() + 2);
    for (int i = 0; i < first; ++i)
        pieces.push_back(std::move(m_pieces[static_cast<std::size_t>(i)]));
    cut(regionStart, regionEnd, pieces);
    for (int i = last + 1; i < pieceCount(); ++i) {
        Piece& piece = m_pieces[static_cast<std::size_t>(i)];
        piece.start += delta;
        pieces.push_back(std::move(piece));
    }
    m_pieces = std::move(pieces);
}

} // namespace EditorViews
