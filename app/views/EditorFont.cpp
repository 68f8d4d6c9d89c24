#include "app/views/EditorFont.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QStringList>

#include <algorithm>
#include <cmath>

namespace EditorViews {
namespace {

// Four times the largest size the settings accept (72), the largest zoom step.
constexpr double maximumPixelSize = 288.0;

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
    // A damaged stored size or zoom must not reach the integer conversion (undefined for
    // infinities and NaN): such a value reads as the setting at zoom 1.0.
    double scaled = size.value_or(settings.fontSize) * zoom;
    if (!std::isfinite(scaled) || scaled <= 0)
        scaled =
            std::isfinite(settings.fontSize) && settings.fontSize > 0 ? settings.fontSize : 13.0;
    int pixelSize = static_cast<int>(std::round(std::clamp(scaled, 1.0, maximumPixelSize)));
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
    double spacing = lineSpacing.value_or(settings.lineSpacing);
    if (!std::isfinite(spacing) || spacing <= 0)
        spacing = 1.0;
    style.lineHeightMultiple = natural <= 0 ? 1.0 : pointSize * spacing / natural;
    style.lineHeight = natural * style.lineHeightMultiple;
    style.defaultTabInterval =
        metrics.horizontalAdvance(QStringLiteral("0")) * std::max(tabWidth, 1);
    return style;
}

} // namespace EditorViews
