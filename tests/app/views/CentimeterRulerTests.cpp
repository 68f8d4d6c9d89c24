#include "ViewTestSupport.h"
#include "app/views/CentimeterRuler.h"

#include <QScrollBar>

#include <gtest/gtest.h>

using namespace EditorViews;
using ViewTest::ViewFixture;

namespace {

// The x positions of the long (whole-centimetre) ticks: columns dark over most of the height.
std::vector<int> centimetreTicks(const QImage& image)
{
    std::vector<int> ticks;
    for (int x = 0; x < image.width(); ++x) {
        int dark = 0;
        for (int y = 0; y < image.height(); ++y)
            dark += qGray(image.pixel(x, y)) < 225 ? 1 : 0;
        if (dark >= image.height() - 6)
            ticks.push_back(x);
    }
    return ticks;
}

} // namespace

TEST(CentimeterRuler, showsAboveTheTextOnlyWithTheOption)
{
    ViewFixture f("hello", 400, 200);
    auto* ruler = new CentimeterRuler(f.view.get());
    f.view->setCentimeterRuler(ruler);
    f.display->options.showsRuler = true;
    f.view->layoutRuler();
    EXPECT_TRUE(ruler->isVisibleTo(f.view.get()));
    EXPECT_EQ(ruler->geometry().bottom() + 1, f.view->viewport()->geometry().top());
    EXPECT_EQ(ruler->height(), CentimeterRuler::thickness);

    f.display->options.showsRuler = false;
    f.view->layoutRuler();
    EXPECT_FALSE(ruler->isVisibleTo(f.view.get()));
    EXPECT_EQ(f.view->viewport()->geometry().top(), f.view->frameWidth());
}

TEST(CentimeterRuler, countsFromTheTextInsetAndFollowsZoomAndScrolling)
{
    ViewFixture f(QString(400, 'w'), 400, 200);
    f.display->options.wrapsLines = false;
    f.display->options.showsRuler = true;
    f.view->displayOptionsDidChange();
    auto* ruler = new CentimeterRuler(f.view.get());
    f.view->setCentimeterRuler(ruler);
    QPalette palette = ruler->palette();
    palette.setColor(QPalette::Window, Qt::white);
    ruler->setPalette(palette);

    const double unit = ruler->logicalDpiX() / 2.54;
    auto ticks = [&] { return centimetreTicks(ruler->grab().toImage()); };
    const double inset = EditorTextView::horizontalInset;

    auto atZoom1 = ticks();
    ASSERT_GE(atZoom1.size(), 3u);
    EXPECT_NEAR(atZoom1[0], inset, 1.0) << "0 cm sits at the text's left inset";
    EXPECT_NEAR(atZoom1[1] - atZoom1[0], unit, 1.0);

    f.display->options.zoom = 2.0;
    ruler->update();
    auto atZoom2 = ticks();
    ASSERT_GE(atZoom2.size(), 2u);
    EXPECT_NEAR(atZoom2[1] - atZoom2[0], 2 * unit, 1.0);

    f.display->options.zoom = 1.0;
    f.view->show();
    f.view->setSelectedRange({400, 0});
    f.view->scrollRangeToVisible({400, 0});
    const int scroll = f.view->horizontalScrollBar()->value();
    ASSERT_GT(scroll, 100);
    auto scrolled = ticks();
    ASSERT_FALSE(scrolled.empty());
    // The first tick shown is the first whole centimetre right of what scrolled away.
    const double expected = inset - scroll + std::ceil((scroll - inset) / unit) * unit;
    EXPECT_NEAR(scrolled[0], expected, 1.0);
}
