#include "app/views/InvisibleMarks.h"

#include "app/views/GlyphCoverage.h"
#include "app/views/ParagraphLayout.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <utility>

namespace EditorViews::InvisibleMarks {
namespace {

bool isHighSurrogate(char16_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool isLowSurrogate(char16_t unit)
{
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// The scalar that starts at `index` and its length in units; an unpaired surrogate reads as
// U+FFFD, as the count reads it.
std::pair<char32_t, int> scalarAt(QStringView text, int index)
{
    const char16_t unit = text[index].unicode();
    if (isHighSurrogate(unit) && index + 1 < text.size()
        && isLowSurrogate(text[index + 1].unicode()))
        return {QChar::surrogateToUcs4(unit, text[index + 1].unicode()), 2};
    if (isHighSurrogate(unit) || isLowSurrogate(unit))
        return {0xFFFD, 1};
    return {unit, 1};
}

// The scalar that ends just before `index`.
std::optional<char32_t> scalarBefore(QStringView text, int index)
{
    if (index <= 0)
        return std::nullopt;
    const char16_t unit = text[index - 1].unicode();
    if (isLowSurrogate(unit) && index >= 2 && isHighSurrogate(text[index - 2].unicode()))
        return QChar::surrogateToUcs4(text[index - 2].unicode(), unit);
    return scalarAt(text, index - 1).first;
}

double fontSize(const QFont& font)
{
    return font.pixelSize() > 0 ? font.pixelSize() : font.pointSizeF();
}

QFont markFontFor(const QFont& base)
{
    QFont mark = base;
    if (base.pixelSize() > 0)
        mark.setPixelSize(std::max(1, qRound(base.pixelSize() * 0.9)));
    else if (base.pointSizeF() > 0)
        mark.setPointSizeF(base.pointSizeF() * 0.9);
    return mark;
}

void drawCentred(QPainter& painter, const QString& mark, QRectF cell, const QColor& color)
{
    painter.setPen(color);
    painter.drawText(cell, Qt::AlignCenter | Qt::TextDontClip, mark);
}

} // namespace

void drawMarks(QPainter& painter,
               const MarkedParagraph& paragraph,
               bool showsInvisibles,
               const InvisibleMarkStyle& style,
               const SuspiciousClassifier& classify)
{
    ParagraphLayout* layout = paragraph.layout;
    if (!layout || layout->lineCount() == 0)
        return;
    const QStringView text = paragraph.text;
    const int textLength = static_cast<int>(text.size());
    const int contentLength = std::min(paragraph.contentLength, textLength);
    const double h = style.lineHeight;
    const double halfSize = fontSize(style.baseFont) * 0.5;
    const QFont markFont = markFontFor(style.baseFont);

    painter.save();
    painter.setFont(markFont);
    painter.setRenderHint(QPainter::Antialiasing, true);

    // Positions inside the layout move past a composition shown in it.
    auto layoutPosition = [&](int index) {
        if (paragraph.preeditPosition >= 0 && index > paragraph.preeditPosition)
            return index + paragraph.preeditLength;
        return index;
    };

    auto drawBox = [&](double left, double right, double top, SuspiciousMark kind) {
        double w = right - left;
        QRectF box = w > 1.0 ? QRectF(left, top + 1.0, w, h - 2.0)
                             : QRectF(left - 1.5, top + 1.0, 3.0, h - 2.0);
        QPainterPath path;
        path.addRoundedRect(box, 3.0, 3.0);
        painter.fillPath(path, style.suspiciousFillColor);
        painter.setPen(QPen(style.suspiciousStrokeColor, 1.0));
        painter.drawPath(path);
        if (w > 1.0 && kind == SuspiciousMark::spaceBox)
            drawCentred(painter,
                        QStringLiteral("\u237D"),
                        QRectF(left, top, w, h),
                        style.suspiciousMarkColor);
    };

    auto drawMissing = [&](double left, double right, double top, char32_t scalar) {
        const double w = std::max(right - left, 4.0);
        const QRectF box(left + 0.5, top + 1.5, w - 1.0, h - 3.0);
        QColor ink = style.invisiblesColor;
        ink.setAlphaF(std::min(1.0, ink.alphaF() * 3.0));
        painter.setPen(QPen(ink, 1.0));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(box);
        // The code point's hex digits in two rows, as small as the cell asks.
        const QString digits = QString::number(static_cast<uint>(scalar), 16).toUpper();
        const int perRow = static_cast<int>((digits.size() + 1) / 2);
        const QString rows[] = {digits.left(perRow), digits.mid(perRow)};
        QFont small = style.baseFont;
        small.setPixelSize(std::max(
            4, static_cast<int>(std::min(box.height() / 2.2, box.width() / (perRow * 0.62)))));
        painter.save();
        painter.setFont(small);
        painter.setPen(ink);
        const double rowHeight = box.height() / 2;
        for (int row = 0; row < 2; ++row) {
            painter.drawText(
                QRectF(box.left(), box.top() + row * rowHeight, box.width(), rowHeight),
                Qt::AlignCenter | Qt::TextDontClip,
                rows[row]);
        }
        painter.restore();
    };

    auto markFor = [&](int i) -> std::optional<QString> {
        char16_t c = text[i].unicode();
        switch (c) {
        case u'\t':
            return QStringLiteral("\u2192");
        case u'\n':
            if (i > 0 && text[i - 1] == u'\r')
                return std::nullopt;
            return QStringLiteral("\u00AC");
        case u'\r':
            return QStringLiteral("\u21B5");
        case u' ':
            return QStringLiteral("\u00B7");
        default:
            return std::nullopt;
        }
    };

    const int lastLine = layout->lineCount() - 1;
    const QRectF clip = paragraph.clip.isValid() ? paragraph.clip : QRectF(-1e9, -1e9, 2e9, 2e9);
    const int firstShown =
        std::max(0, static_cast<int>(std::floor((clip.top() - paragraph.origin.y()) / h)));
    const int lastShown = std::min(
        lastLine, static_cast<int>(std::floor((clip.bottom() - paragraph.origin.y()) / h)));
    for (int lineNumber = firstShown; lineNumber <= lastShown; ++lineNumber) {
        auto line = layout->lineAt(lineNumber);
        // The layout's positions include a composition; map the line back to text indices.
        int first = line.textStart();
        int last = line.textStart() + line.textLength();
        if (paragraph.preeditPosition >= 0) {
            auto toText = [&](int position) {
                if (position <= paragraph.preeditPosition)
                    return position;
                return std::max(paragraph.preeditPosition, position - paragraph.preeditLength);
            };
            first = toText(first);
            last = toText(last);
        }
        int end = std::min(last, contentLength);
        // The line break belongs to the last visual line.
        int visitEnd = lineNumber == lastLine ? textLength : end;
        if (paragraph.preeditPosition < 0) {
            // Only the characters between the clip's sides (one more each side for a mark
            // wider than its character).
            const double left = clip.left() - paragraph.origin.x();
            const double right = clip.right() - paragraph.origin.x();
            if (left > 0)
                first = std::max(first, line.xToCursor(left) - 2);
            if (right < 1e8) {
                const int until = line.xToCursor(right) + 2;
                if (until < end)
                    visitEnd = until;
            }
            first = std::max(0, first);
            if (first > 0 && first < textLength && text[first].isLowSurrogate()
                && text[first - 1].isHighSurrogate())
                --first;
        }
        if (visitEnd <= first)
            continue;
        const double x0 = paragraph.origin.x();
        const double top = paragraph.origin.y() + lineNumber * h;

        for (int i = first; i < visitEnd; ++i) {
            char16_t c = text[i].unicode();
            if (c >= 0x21 && c <= 0x7E)
                continue;
            if (c == u' ' && !showsInvisibles)
                continue;
            // The second half of a pair was drawn with the first.
            if (isLowSurrogate(c) && i > first && isHighSurrogate(text[i - 1].unicode()))
                continue;
            const auto [scalar, length] = scalarAt(text, i);
            double left;
            double right;
            if (i < contentLength) {
                double a = line.cursorToX(layoutPosition(i));
                double b = i + length < end ? line.cursorToX(layoutPosition(i + length))
                                            : line.cursorToX(layoutPosition(end));
                left = x0 + std::min(a, b);
                right = x0 + std::max(a, b);
            } else {
                left = right = x0 + line.cursorToX(layoutPosition(contentLength));
            }

            // Only characters of the basic plane are classified: a pair (an emoji, the tag
            // characters of a subdivision flag) is drawn as the font draws it. Its neighbours
            // are whole scalars, so a joiner between two emoji stays unboxed.
            if (!(c >= 0x20 && c <= 0x7E) && length == 1 && classify) {
                std::optional<char32_t> next;
                if (i + length < textLength)
                    next = scalarAt(text, i + length).first;
                const std::optional<char32_t> previous = scalarBefore(text, i);
                if (auto kind = classify(scalar, previous, next, false)) {
                    drawBox(left, right, top, *kind);
                    continue;
                }
            }
            // A character no font draws: a box in its reserved cell with its code point.
            if (i < contentLength && GlyphCoverage::isCandidate(scalar)
                && !GlyphCoverage::canDraw(style.baseFont, scalar)) {
                drawMissing(left, right, top, scalar);
                continue;
            }
            if (!showsInvisibles)
                continue;
            auto mark = markFor(i);
            if (!mark)
                continue;
            double cellRight = std::max(right, left + halfSize);
            drawCentred(
                painter, *mark, QRectF(left, top, cellRight - left, h), style.invisiblesColor);
        }
    }
    painter.restore();
}

} // namespace EditorViews::InvisibleMarks
