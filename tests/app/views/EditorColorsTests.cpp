#include "app/views/EditorColors.h"

#include <gtest/gtest.h>

using namespace EditorViews;

namespace {

QPalette paletteWithWindow(QColor window)
{
    QPalette palette;
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::Highlight, QColor(0, 0, 255));
    return palette;
}

} // namespace

TEST(EditorColors, appearanceFollowsThePalette)
{
    EXPECT_EQ(appearanceOf(paletteWithWindow(QColor(240, 240, 240))), Appearance::light);
    EXPECT_EQ(appearanceOf(paletteWithWindow(QColor(30, 30, 30))), Appearance::dark);
}

TEST(EditorColors, darkMatchesAreLessOpaque)
{
    EXPECT_NEAR(EditorColors::findMatchColor(Appearance::light).alphaF(), 0.55, 0.001);
    EXPECT_NEAR(EditorColors::findMatchColor(Appearance::dark).alphaF(), 0.4, 0.001);
    EXPECT_NEAR(EditorColors::currentMatchColor(Appearance::light).alphaF(), 0.85, 0.001);
    EXPECT_NEAR(EditorColors::currentMatchColor(Appearance::dark).alphaF(), 0.8, 0.001);
}

TEST(EditorColors, selectionIsTheAccentWithAlpha)
{
    QColor light = EditorColors::selectionColor(paletteWithWindow(Qt::white));
    QColor dark = EditorColors::selectionColor(paletteWithWindow(Qt::black));
    EXPECT_EQ(light.rgb(), qRgb(0, 0, 255));
    EXPECT_NEAR(light.alphaF(), 0.22, 0.01);
    EXPECT_NEAR(dark.alphaF(), 0.3, 0.01);
}

TEST(EditorColors, suspiciousMarkUsesTheExactComponents)
{
    EXPECT_EQ(EditorColors::suspiciousMarkColor(Appearance::light), QColor(215, 0, 21));
    EXPECT_EQ(EditorColors::suspiciousMarkColor(Appearance::dark), QColor(255, 105, 97));
}

TEST(EditorColors, syntaxColoursDifferByAppearanceExceptPunctuation)
{
    auto light = EditorColors::syntaxPalette(Appearance::light);
    auto dark = EditorColors::syntaxPalette(Appearance::dark);
    for (std::size_t role = 0; role < 7; ++role) {
        SCOPED_TRACE(role);
        EXPECT_NE(light[role], dark[role]);
        // Light is the system colour darkened by 30 %.
        QColor system = EditorColors::systemColor(std::array{"systemPurple",
                                                             "systemBrown",
                                                             "systemIndigo",
                                                             "systemGreen",
                                                             "systemTeal",
                                                             "systemCyan",
                                                             "systemBlue"}[role],
                                                  Appearance::light);
        EXPECT_NEAR(light[role].redF(), system.redF() * 0.7, 0.01);
        EXPECT_EQ(dark[role],
                  EditorColors::systemColor(std::array{"systemPurple",
                                                       "systemBrown",
                                                       "systemIndigo",
                                                       "systemGreen",
                                                       "systemTeal",
                                                       "systemCyan",
                                                       "systemBlue"}[role],
                                            Appearance::dark));
    }
    EXPECT_EQ(light[7], EditorColors::currentLineNumberColor(Appearance::light));
    EXPECT_EQ(dark[7], EditorColors::currentLineNumberColor(Appearance::dark));
}
