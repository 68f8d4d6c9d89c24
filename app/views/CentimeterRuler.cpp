#include "app/views/CentimeterRuler.h"

#include "app/views/EditorColors.h"
#include "app/views/EditorTextView.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <cmath>

namespace EditorViews {

CentimeterRuler::CentimeterRuler(EditorTextView* editor)
    : QWidget(editor)
    , m_editor(editor)
{
    setFixedHeight(thickness);
}

double CentimeterRuler::pixelsPerCentimeter() const
{
    const double zoom = m_editor ? m_editor->display().options.zoom : 1.0;
    const double dpi = logicalDpiX() > 0 ? logicalDpiX() : 96.0;
    return dpi / 2.54 * (zoom > 0 ? zoom : 1.0);
}

double CentimeterRuler::originX() const
{
    if (!m_editor)
        return EditorTextView::horizontalInset;
    // The ruler also spans the line-number gutter; its zero stays above the text's inset.
    const double viewportLeft = m_editor->viewport()->geometry().left() - geometry().left();
    return viewportLeft + EditorTextView::horizontalInset
           - m_editor->horizontalScrollBar()->value();
}

QFont CentimeterRuler::labelFont() const
{
    QFont font = this->font();
    font.setPixelSize(9);
    return font;
}

void CentimeterRuler::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QPalette colors = palette();
    painter.fillRect(rect(), colors.color(QPalette::Window));
    const Appearance appearance = appearanceOf(colors);
    const QColor tickColor = EditorColors::lineNumberColor(appearance);
    painter.setPen(QPen(tickColor, 1.0));
    painter.drawLine(QPointF(0, height() - 0.5), QPointF(width(), height() - 0.5));

    const double unit = pixelsPerCentimeter();
    const double origin = originX();
    const QFont font = labelFont();
    const QFontMetricsF metrics(font);
    painter.setFont(font);
    // Millimetre ticks only when they stay apart; half centimetres always.
    const int subdivisions = unit / 10 >= 3.0 ? 10 : 2;
    const double step = unit / subdivisions;
    // Labels every centimetre, or every few when they would collide.
    const double labelWidth = metrics.horizontalAdvance(QStringLiteral("888")) + 4;
    const int labelEvery = std::max(1, static_cast<int>(std::ceil(labelWidth / unit)));
    const long long first = static_cast<long long>(std::floor(-origin / step));
    const long long last = static_cast<long long>(std::ceil((width() - origin) / step));
    for (long long i = std::max(0LL, first); i <= last; ++i) {
        const double x = std::round(origin + static_cast<double>(i) * step) + 0.5;
        double length = 3;
        if (i % subdivisions == 0)
            length = height() - 4;
        else if (subdivisions == 10 && i % 5 == 0)
            length = 6;
        painter.drawLine(QPointF(x, height()), QPointF(x, height() - length));
        const long long centimetre = i / subdivisions;
        if (i % subdivisions == 0 && centimetre % labelEvery == 0) {
            painter.drawText(QPointF(x + 2, metrics.ascent() + 1), QString::number(centimetre));
        }
    }
}

} // namespace EditorViews
