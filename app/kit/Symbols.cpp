#include "app/kit/Symbols.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

namespace EditorKit {

namespace {

QString resourcePath(std::string_view name)
{
    return QStringLiteral(":/symbols/")
           + QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()))
           + QStringLiteral(".svg");
}

// The drawings are black strokes; the colour replaces black wherever the drawing covers.
QPixmap render(QSvgRenderer& renderer, int side, const QColor& color)
{
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(image.rect(), color);
    painter.end();
    return QPixmap::fromImage(image);
}

} // namespace

bool Symbols::has(std::string_view name)
{
    return !name.empty() && QFile::exists(resourcePath(name));
}

QIcon Symbols::icon(std::string_view name, const QColor& color)
{
    if (!has(name))
        return {};
    QSvgRenderer renderer(resourcePath(name));
    if (!renderer.isValid())
        return {};
    QIcon icon;
    for (int side : {16, 32, 48})
        icon.addPixmap(render(renderer, side, color));
    return icon;
}

} // namespace EditorKit
