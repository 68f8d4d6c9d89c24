#include "app/kit/Symbols.h"

#include <QApplication>
#include <QImage>
#include <QPixmap>

#include <gtest/gtest.h>

using namespace EditorKit;

namespace {

// The colour of the drawing's most covered pixel.
QColor inkOf(const QIcon& icon)
{
    const QImage image = icon.pixmap(QSize(32, 32)).toImage().convertToFormat(QImage::Format_ARGB32);
    QColor best;
    int alpha = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.alpha() > alpha) {
                alpha = c.alpha();
                best = c;
            }
        }
    }
    best.setAlpha(255);
    return best;
}

} // namespace

TEST(Symbols, aPaletteIconFollowsEveryThemeChange)
{
    const QPalette before = QApplication::palette();
    QPalette dark = before;
    dark.setColor(QPalette::ButtonText, QColor(240, 240, 240));
    QPalette light = before;
    light.setColor(QPalette::ButtonText, QColor(20, 20, 20));

    QApplication::setPalette(dark);
    const QIcon icon = Symbols::icon("magnifyingglass", QPalette::ButtonText);
    ASSERT_FALSE(icon.isNull());
    EXPECT_EQ(inkOf(icon), QColor(240, 240, 240));
    // Made while dark, drawn after the theme went back to light.
    QApplication::setPalette(light);
    EXPECT_EQ(inkOf(icon), QColor(20, 20, 20));
    // A fixed colour stays what it was.
    const QIcon fixed = Symbols::icon("magnifyingglass", QColor(200, 0, 0));
    QApplication::setPalette(dark);
    EXPECT_EQ(inkOf(fixed), QColor(200, 0, 0));
    EXPECT_TRUE(Symbols::icon("no.such.symbol", QPalette::ButtonText).isNull());
    QApplication::setPalette(before);
}
