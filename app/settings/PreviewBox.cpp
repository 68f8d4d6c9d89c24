#include "app/settings/PreviewBox.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>

namespace EditorSettings {

PreviewBox::PreviewBox(QWidget* content, int minimumWidth, QWidget* parent)
    : QWidget(parent)
    , m_content(content)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(horizontalInset, verticalInset, horizontalInset, verticalInset);
    layout->setSpacing(0);
    layout->addWidget(content, 0, Qt::AlignLeft | Qt::AlignVCenter);
    layout->addStretch(1);
    setMinimumWidth(minimumWidth);
}

QColor PreviewBox::backgroundColor() const
{
    return palette().color(QPalette::Base);
}

QColor PreviewBox::borderColor() const
{
    return palette().color(QPalette::Mid);
}

void PreviewBox::paintEvent(QPaintEvent*)
{
    // The colours are read from the palette at every paint, so a theme change recolours it.
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath path;
    path.addRoundedRect(frame, cornerRadius, cornerRadius);
    painter.fillPath(path, backgroundColor());
    painter.setPen(QPen(borderColor(), 1));
    painter.drawPath(path);
}

void PreviewBox::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange)
        update();
    QWidget::changeEvent(event);
}

} // namespace EditorSettings
