#include "app/views/EditorFont.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QStringList>

#include <algorithm>
#include <cmath>

namespace EditorViews {
namespace {

bool hasFamily(const QString& family)
{
    return !family.isEmpty() && QFontDatabase::families().contains(family, Qt::CaseInsensitive);
}

QFont sized(QFont font, int pixelSize)
{
    font.setPixelSize(pixelSize);
    font.setStyleHint(QFont::Monospace);
    return font;
}

// A font named as "Family Style" (for example "D2Coding Bold"), the way font names read.
std::optional<QFont> fontNamed(const QString& name, int pixelSize)
{
    const QStringList families = QFontDatabase::families();
    for (const QString& family : families) {
        if (!name.startsWith(family + QLatin1Char(' '), Qt::CaseInsensitive))
            continue;
        QString style = name.mid(family.size() + 1);
        const QStringList styles = QFontDatabase::styles(family);
        for (const QString& candidate : styles) {
            if (candidate.compare(style, Qt::CaseInsensitive) == 0)
                return sized(QFontDatabase::font(family, candidate, pixelSize), pixelSize);
        }
    }
    return std::nullopt;
}

} // namespace

QFont editorFont(const std::optional<QString>& family,
                 std::optional<double> size,
                 double zoom,
                 const EditorFontSettings& settings,
                 const QString& fallbackFamily)
{
    double points = size.value_or(settings.fontSize);
    int pixelSize = std::max(1, static_cast<int>(std::round(points * zoom)));
    QString wanted = family.value_or(settings.fontName);

    if (hasFamily(wanted)) {
        QFont font(wanted);
        font.setWeight(QFont::Normal);
        font.setStyle(QFont::StyleNormal);
        return sized(font, pixelSize);
    }
    if (auto named = fontNamed(wanted, pixelSize))
        return *named;
    if (hasFamily(fallbackFamily))
        return sized(QFont(fallbackFamily), pixelSize);
    QFont system = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    system.setWeight(QFont::Normal);
    return sized(system, pixelSize);
}

EditorParagraphStyle editorParagraphStyle(const QFont& font,
                                          int tabWidth,
                                          std::optional<double> lineSpacing,
                                          const EditorFontSettings& settings)
{
    QFontMetricsF metrics(font);
    double natural = metrics.ascent() + metrics.descent() + metrics.leading();
    double pointSize = font.pixelSize() > 0 ? font.pixelSize() : font.pointSizeF();
    EditorParagraphStyle style;
    style.lineHeightMultiple =
        natural <= 0 ? 1.0 : pointSize * lineSpacing.value_or(settings.lineSpacing) / natural;
    style.lineHeight = natural * style.lineHeightMultiple;
    style.defaultTabInterval =
        metrics.horizontalAdvance(QStringLiteral("0")) * std::max(tabWidth, 1);
    return style;
}

} // namespace EditorViews
