#include "app/views/EditorDisplayState.h"

#include <gtest/gtest.h>

#include <limits>

using namespace EditorViews;

TEST(EditorViewOptions, newTabFollowsTheSettings)
{
    EditorViewOptions plain = EditorViewOptions::fromSettings({}, std::nullopt);
    EXPECT_TRUE(plain.wrapsLines);
    EXPECT_TRUE(plain.showsRuler);
    EXPECT_FALSE(plain.showsLineNumbers);
    EXPECT_FALSE(plain.highlightsCurrentLine);
    EXPECT_FALSE(plain.showsInvisibles);
    EXPECT_EQ(plain.zoom, 1.0);
    EXPECT_FALSE(plain.fontFamily || plain.fontSize || plain.lineSpacing);

    EditorViewOptions::NewTabSettings settings{true, false, true, true, false};
    EditorViewOptions chosen = EditorViewOptions::fromSettings(settings, std::nullopt);
    EXPECT_TRUE(chosen.showsInvisibles);
    EXPECT_FALSE(chosen.wrapsLines);
    EXPECT_TRUE(chosen.showsLineNumbers);
    EXPECT_TRUE(chosen.highlightsCurrentLine);
    EXPECT_FALSE(chosen.showsRuler);
}

TEST(EditorViewOptions, fileMemoryOverridesOnlyWhatItHolds)
{
    EditorViewOptions::RememberedView sizeOnly;
    sizeOnly.fontSize = 16.0;
    auto options = EditorViewOptions::fromSettings({}, sizeOnly);
    EXPECT_EQ(options.fontSize, 16.0);
    EXPECT_FALSE(options.fontFamily);
    EXPECT_TRUE(options.showsRuler) << "no ruler choice keeps the setting";

    EditorViewOptions::RememberedView withRuler;
    withRuler.ruler = false;
    EXPECT_FALSE(EditorViewOptions::fromSettings({}, withRuler).showsRuler);
    withRuler.ruler = true;
    EditorViewOptions::NewTabSettings noRuler;
    noRuler.ruler = false;
    EXPECT_TRUE(EditorViewOptions::fromSettings(noRuler, withRuler).showsRuler);
}

TEST(EditorViewOptions, equalityTellsAbsentFromPresent)
{
    EditorViewOptions a;
    EditorViewOptions b;
    EXPECT_EQ(a, b);
    b.lineSpacing = 1.4;
    EXPECT_NE(a, b);
    a.lineSpacing = 1.4;
    EXPECT_EQ(a, b);
    a.fontFamily = QString("D2Coding");
    b.fontFamily = QString("d2coding");
    EXPECT_NE(a, b);
}

TEST(EditorViewOptions, zoomSteps)
{
    EXPECT_EQ(EditorViewOptions::zoomSteps().size(), 13u);
    EXPECT_EQ(EditorViewOptions::zoomStepAbove(1.0), 1.125);
    EXPECT_EQ(EditorViewOptions::zoomStepBelow(1.0), 0.875);
    EXPECT_EQ(EditorViewOptions::zoomStepAbove(1.1), 1.125);
    EXPECT_EQ(EditorViewOptions::zoomStepAbove(4.0), std::nullopt);
    EXPECT_EQ(EditorViewOptions::zoomStepBelow(0.5), std::nullopt);
    EXPECT_EQ(EditorViewOptions::clampedZoom(6.0), 4.0);
    EXPECT_EQ(EditorViewOptions::clampedZoom(0.1), 0.5);
    EXPECT_EQ(EditorViewOptions::clampedZoom(1.75), 1.75);
    EXPECT_EQ(EditorViewOptions::clampedZoom(std::numeric_limits<double>::quiet_NaN()), 1.0);
    EXPECT_EQ(EditorViewOptions::clampedZoom(std::numeric_limits<double>::infinity()), 4.0);
}
