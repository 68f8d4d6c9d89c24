#include "app/kit/Symbols.h"

#include <QFile>
#include <QGuiApplication>
#include <QIconEngine>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

#include <algorithm>
#include <map>

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

// Draws the symbol in the colour the application's palette gives the role now; the drawings of
// the last colour are kept per size.
class PaletteSymbolEngine : public QIconEngine
{
public:
    PaletteSymbolEngine(QString path, QPalette::ColorRole role)
        : m_path(std::move(path))
        , m_role(role)
    {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        const qreal scale = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        const QSize side = rect.size() * scale;
        painter->drawPixmap(rect, pixmap(side, mode, state));
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override
    {
        const QColor color = QGuiApplication::palette().color(
            mode == QIcon::Disabled ? QPalette::Disabled : QPalette::Active, m_role);
        if (color != m_color) {
            m_color = color;
            m_drawn.clear();
        }
        const int side = std::max(1, std::max(size.width(), size.height()));
        auto found = m_drawn.find(side);
        if (found != m_drawn.end())
            return found->second;
        QSvgRenderer renderer(m_path);
        QPixmap drawn = renderer.isValid() ? render(renderer, side, color) : QPixmap();
        m_drawn.emplace(side, drawn);
        return drawn;
    }

    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override { return size; }

    QIconEngine* clone() const override { return new PaletteSymbolEngine(m_path, m_role); }

private:
    QString m_path;
    QPalette::ColorRole m_role;
    QColor m_color;
    std::map<int, QPixmap> m_drawn;
};

} // namespace

QIcon Symbols::icon(std::string_view name, QPalette::ColorRole role)
{
    if (!has(name))
        return {};
    return QIcon(new PaletteSymbolEngine(resourcePath(name), role));
}

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
