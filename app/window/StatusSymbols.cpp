#include "app/window/StatusSymbols.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace EditorWindow::StatusSymbols {
namespace {

void drawPadlock(QPainter& painter, const QColor& color, double s)
{
    // The shackle: an arch above the body.
    QPen shackle(color, s * 0.11);
    shackle.setCapStyle(Qt::FlatCap);
    painter.setPen(shackle);
    painter.setBrush(Qt::NoBrush);
    QRectF arch(s * 0.3, s * 0.1, s * 0.4, s * 0.5);
    QPainterPath path;
    path.moveTo(arch.left(), s * 0.48);
    path.lineTo(arch.left(), arch.center().y());
    path.arcTo(arch, 180.0, -180.0);
    path.lineTo(arch.right(), s * 0.48);
    painter.drawPath(path);
    // The body.
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawRoundedRect(QRectF(s * 0.18, s * 0.45, s * 0.64, s * 0.45), s * 0.08, s * 0.08);
}

void drawNoEntry(QPainter& painter, const QColor& color, double s)
{
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawEllipse(QRectF(s * 0.08, s * 0.08, s * 0.84, s * 0.84));
    painter.setBrush(Qt::white);
    painter.drawRect(QRectF(s * 0.25, s * 0.42, s * 0.5, s * 0.16));
}

} // namespace

QIcon icon(Symbol symbol, const QColor& color, int size)
{
    const qreal ratio = qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
    QPixmap pixmap(QSize(size, size) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing, true);
    switch (symbol) {
    case Symbol::padlock:
        drawPadlock(painter, color, size);
        break;
    case Symbol::noEntry:
        drawNoEntry(painter, color, size);
        break;
    }
    painter.end();
    return QIcon(pixmap);
}

} // namespace EditorWindow::StatusSymbols
