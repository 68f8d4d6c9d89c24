#include "store/WindowFrameFitter.h"

#include <gtest/gtest.h>

#include <vector>

using namespace EditorStore;

TEST(WindowFrameFitter, oneScreenExamples)
{
    const std::vector<Rect> screen = {{0, 0, 1440, 875}};
    struct Case
    {
        const char* name;
        Rect frame;
        Rect fitted;
    };
    const Case cases[] = {
        {"wholly on the screen", {100, 100, 800, 600}, {100, 100, 800, 600}},
        {"140 points of the strip on the screen", {1300, 100, 800, 600}, {1300, 100, 800, 600}},
        {"40 points of the strip: moved in", {1400, 100, 800, 600}, {640, 100, 800, 600}},
        {"100 points at the left edge", {-700, 100, 800, 600}, {-700, 100, 800, 600}},
        {"40 points at the left edge", {-760, 100, 800, 600}, {0, 100, 800, 600}},
        {"top above the screen", {100, 400, 800, 600}, {100, 275, 800, 600}},
        {"exactly 20 points high: raised", {200, -580, 800, 600}, {200, -572, 800, 600}},
        {"10 points high: moved in", {200, -590, 800, 600}, {200, 0, 800, 600}},
        {"larger than the screen", {100, 100, 2000, 1200}, {0, 0, 1440, 875}},
        {"zero width", {5000, 5000, 0, 600}, {5000, 5000, 0, 600}},
        {"zero height", {-5000, 5000, 800, 0}, {-5000, 5000, 800, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(WindowFrameFitter::fit(c.frame, screen), c.fitted);
    }
}

TEST(WindowFrameFitter, withoutScreensTheFrameStays)
{
    EXPECT_EQ(WindowFrameFitter::fit({-9000, 9000, 800, 600}, {}), (Rect{-9000, 9000, 800, 600}));
}

TEST(WindowFrameFitter, twoScreensTheFirstThatHoldsTheStripWins)
{
    const std::vector<Rect> screens = {{0, 0, 1440, 875}, {1440, 0, 1920, 1055}};
    EXPECT_EQ(WindowFrameFitter::fit({1600, 200, 800, 600}, screens), (Rect{1600, 200, 800, 600}));
    // 60 points on the second screen: moved onto the first, not the second.
    EXPECT_EQ(WindowFrameFitter::fit({3300, 200, 800, 600}, screens), (Rect{640, 200, 800, 600}));

    // 79 points of width on the first screen, 80 on a later one.
    const std::vector<Rect> apart = {{0, 0, 1000, 800}, {1500, 0, 1000, 800}};
    Rect frame{921, 100, 659, 600}; // strip 921..1580
    EXPECT_EQ(WindowFrameFitter::fit(frame, apart),
              WindowFrameFitter::place(frame, apart[1], WindowFrameFitter::TitleRule::on));
    EXPECT_EQ(WindowFrameFitter::fit(frame, apart), frame);
}

TEST(WindowFrameFitter, placeKeepsTheStripReachable)
{
    using WindowFrameFitter::TitleRule;
    // The screen and the window together narrower than 160 points: the right limit wins.
    EXPECT_EQ(WindowFrameFitter::place({0, 0, 50, 50}, {0, 0, 100, 100}, TitleRule::on),
              (Rect{20, 0, 50, 50}));
    // A negative size is read as the same area.
    EXPECT_EQ(WindowFrameFitter::fit({900, 700, -800, -600}, std::vector<Rect>{{0, 0, 1440, 875}}),
              (Rect{100, 100, 800, 600}));
}
