#include "app/views/EditorColors.h"

#include <cstring>

namespace EditorViews {

Appearance appearanceOf(const QPalette& palette)
{
    return palette.color(QPalette::Window).lightness() < 128 ? Appearance::dark : Appearance::light;
}

namespace EditorColors {
namespace {

struct SystemColor
{
    const char* name;
    QRgb light;
    QRgb dark;
};

// The system palette of the original design, so the editor looks the same on every desktop.
constexpr SystemColor systemColors[] = {
    {"systemRed", qRgb(255, 59, 48), qRgb(255, 69, 58)},
    {"systemOrange", qRgb(255, 149, 0), qRgb(255, 159, 10)},
    {"systemYellow", qRgb(255, 204, 0), qRgb(255, 214, 10)},
    {"systemGreen", qRgb(52, 199, 89), qRgb(48, 209, 88)},
    {"systemTeal", qRgb(48, 176, 199), qRgb(64, 200, 224)},
    {"systemCyan", qRgb(50, 173, 230), qRgb(100, 210, 255)},
    {"systemBlue", qRgb(0, 122, 255), qRgb(10, 132, 255)},
    {"systemIndigo", qRgb(88, 86, 214), qRgb(94, 92, 230)},
    {"systemPurple", qRgb(175, 82, 222), qRgb(191, 90, 242)},
    {"systemBrown", qRgb(162, 132, 94), qRgb(172, 142, 104)},
};

QColor withAlpha(QColor color, double alpha)
{
    color.setAlphaF(static_cast<float>(alpha));
    return color;
}

QColor labelColor(Appearance appearance, double lightAlpha, double darkAlpha)
{
    return appearance == Appearance::dark ? withAlpha(Qt::white, darkAlpha)
                                          : withAlpha(Qt::black, lightAlpha);
}

QColor twoValued(Appearance appearance, const char* system, double lightAlpha, double darkAlpha)
{
    return withAlpha(systemColor(system, appearance),
                     appearance == Appearance::dark ? darkAlpha : lightAlpha);
}

} // namespace

QColor systemColor(const char* name, Appearance appearance)
{
    for (const auto& entry : systemColors) {
        if (std::strcmp(entry.name, name) == 0)
            return QColor::fromRgb(appearance == Appearance::dark ? entry.dark : entry.light);
    }
    return QColor(Qt::black);
}

QColor accentColor(const QPalette& palette)
{
    QColor accent = palette.color(QPalette::Active, QPalette::Highlight);
    accent.setAlpha(255);
    return accent;
}

QColor selectionColor(const QPalette& palette)
{
    return withAlpha(accentColor(palette), appearanceOf(palette) == Appearance::dark ? 0.3 : 0.22);
}

QColor currentLineColor(Appearance appearance)
{
    return labelColor(appearance, 0.04, 0.05);
}

QColor findMatchColor(Appearance appearance)
{
    return twoValued(appearance, "systemYellow", 0.55, 0.4);
}

QColor currentMatchColor(Appearance appearance)
{
    return twoValued(appearance, "systemOrange", 0.85, 0.8);
}

QColor indicatorColor(Appearance appearance)
{
    return twoValued(appearance, "systemYellow", 1.0, 1.0);
}

QColor syntaxErrorUnderlineColor(Appearance appearance)
{
    return twoValued(appearance, "systemRed", 0.9, 0.9);
}

QColor misspellingColor(Appearance appearance)
{
    return twoValued(appearance, "systemRed", 0.85, 0.85);
}

QColor invisiblesColor(Appearance appearance)
{
    return labelColor(appearance, 0.26, 0.25);
}

QColor suspiciousMarkColor(Appearance appearance)
{
    return appearance == Appearance::dark ? QColor(255, 105, 97) : QColor(215, 0, 21);
}

QColor suspiciousFillColor(Appearance appearance)
{
    return twoValued(appearance, "systemRed", 0.14, 0.22);
}

QColor suspiciousStrokeColor(Appearance appearance)
{
    return twoValued(appearance, "systemRed", 0.45, 0.45);
}

QColor lineNumberColor(Appearance appearance)
{
    return labelColor(appearance, 0.26, 0.25);
}

QColor currentLineNumberColor(Appearance appearance)
{
    return labelColor(appearance, 0.5, 0.55);
}

std::array<QColor, 8> syntaxPalette(Appearance appearance)
{
    // In light appearance the role colours are darkened by 30 % so they read on white.
    auto adapted = [appearance](const char* name) {
        QColor color = systemColor(name, appearance);
        if (appearance == Appearance::dark)
            return color;
        return QColor::fromRgbF(
            color.redF() * 0.7f, color.greenF() * 0.7f, color.blueF() * 0.7f, color.alphaF());
    };
    return {adapted("systemPurple"),
            adapted("systemBrown"),
            adapted("systemIndigo"),
            adapted("systemGreen"),
            adapted("systemTeal"),
            adapted("systemCyan"),
            adapted("systemBlue"),
            labelColor(appearance, 0.5, 0.55)};
}

} // namespace EditorColors
} // namespace EditorViews
