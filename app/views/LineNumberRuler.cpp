#include "app/views/LineNumberRuler.h"

#include "app/views/EditorColors.h"
#include "app/views/EditorFont.h"
#include "app/views/EditorTextView.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace EditorViews {

LineNumberRuler::LineNumberRuler(EditorTextView* editor)
    : QWidget(editor)
    , m_editor(editor)
{
    updateThickness();
}

QFont LineNumberRuler::labelFont() const
{
    QFont font = m_editor ? m_editor->editorFont() : editorFont(std::nullopt, std::nullopt, 1.0);
    if (font.pixelSize() > 0)
        font.setPixelSize(std::max(1, qRound(font.pixelSize() * 0.85)));
    else if (font.pointSizeF() > 0)
        font.setPointSizeF(font.pointSizeF() * 0.85);
    return font;
}

void LineNumberRuler::updateThickness()
{
    QFontMetricsF metrics(labelFont());
    double digitWidth = metrics.horizontalAdvance(QLatin1Char('8'));
    int digits = 1;
    for (auto count = m_editor ? m_editor->lineIndex().lineCount() : 1; count >= 10; count /= 10)
        ++digits;
    double thickness = std::ceil(digitWidth * std::max(3, digits) + 26);
    if (thickness == m_thickness)
        return;
    m_thickness = thickness;
    if (m_editor)
        m_editor->layoutRuler();
}

void LineNumberRuler::paintEvent(QPaintEvent*)
{
    if (!m_editor)
        return;
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Base));
    const Appearance appearance = appearanceOf(m_editor->palette());
    const QFont font = labelFont();
    const QFontMetricsF metrics(font);
    const double labelHeight = metrics.ascent() + metrics.descent();
    painter.setFont(font);

    const EditorCore::LineIndex& lineIndex = m_editor->lineIndex();
    const auto current = lineIndex.lineNumber(m_editor->selectedRange().location);
    for (const auto& paragraph : m_editor->visibleParagraphs()) {
        const auto number = lineIndex.lineNumber(paragraph.start);
        const QString label = QString::number(number);
        const double width = metrics.horizontalAdvance(label);
        const double y = paragraph.top + (paragraph.firstLineHeight - labelHeight) / 2;
        painter.setPen(number == current ? EditorColors::currentLineNumberColor(appearance)
                                         : EditorColors::lineNumberColor(appearance));
        painter.drawText(QPointF(m_thickness - 12 - width, y + metrics.ascent()), label);
    }
}

} // namespace EditorViews
