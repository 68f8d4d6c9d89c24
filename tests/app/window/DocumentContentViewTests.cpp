#include "app/window/DocumentContentView.h"
#include "app/window/StatusBarView.h"

#include <QTest>

#include <gtest/gtest.h>

using EditorWindow::DocumentContentView;
using EditorWindow::RowBand;
using EditorWindow::StatusBarView;

namespace {

// Stands in for the tool band: it needs a fixed number of rows.
class StandInToolBand
    : public QWidget
    , public RowBand
{
public:
    explicit StandInToolBand(int rows)
        : m_rows(rows)
    {}
    int rowsForWidth(int) const override { return m_rows; }

private:
    int m_rows;
};

class FixedBand : public QWidget
{
public:
    explicit FixedBand(int height)
        : m_height(height)
    {}
    QSize sizeHint() const override { return {100, m_height}; }

private:
    int m_height;
};

struct ContentFixture
{
    QWidget* body = new QWidget();
    StatusBarView* status = new StatusBarView();
    DocumentContentView view{body, status};

    explicit ContentFixture(int width = 800, int height = 500)
    {
        // A hidden widget gets its resize event only when shown.
        view.resize(width, height);
        view.layoutContent();
    }
};

} // namespace

TEST(DocumentContentView, statusBarAtTheBottomAndBodyAboveIt)
{
    ContentFixture f;
    EXPECT_EQ(f.status->geometry(), QRect(0, 476, 800, 24));
    EXPECT_EQ(f.body->geometry(), QRect(0, 0, 800, 476));

    f.status->hide();
    f.view.layoutContent();
    EXPECT_EQ(f.status->height(), 0);
    EXPECT_EQ(f.body->geometry(), QRect(0, 0, 800, 500));
}

TEST(DocumentContentView, toolBandHeightFollowsItsRowsAndOtherBandsStackBelow)
{
    ContentFixture f;
    auto* tools = new StandInToolBand(2);
    auto* first = new FixedBand(30);
    auto* hidden = new FixedBand(50);
    auto* second = new FixedBand(20);
    hidden->hide();
    auto* sidebar = new QWidget();
    f.view.setSidebar(sidebar);
    f.view.setBands({first, tools, hidden, second});
    // The tool band spans the whole width at the top, whatever its place in the list.
    EXPECT_EQ(tools->geometry(), QRect(0, 0, 800, 64));
    // The others keep their order, right of the sidebar; a hidden one takes no room.
    EXPECT_EQ(first->geometry(), QRect(240, 64, 560, 30));
    EXPECT_EQ(second->geometry(), QRect(240, 94, 560, 20));
    EXPECT_EQ(f.body->geometry(), QRect(240, 114, 560, 362));
    EXPECT_EQ(sidebar->geometry(), QRect(0, 64, 240, 412));

    auto* oneRow = new StandInToolBand(1);
    f.view.setBands({oneRow});
    EXPECT_EQ(oneRow->height(), 34);
    // Bands that left the list are no longer children.
    EXPECT_EQ(first->parentWidget(), nullptr);
    delete first;
    delete hidden;
    delete second;
    delete tools;
}

TEST(DocumentContentView, sidebarWidthClampsAndBandsNeverGoNegative)
{
    ContentFixture narrow(400, 300);
    auto* sidebar = new QWidget();
    narrow.view.setSidebar(sidebar);
    EXPECT_EQ(sidebar->width(), 150);

    ContentFixture wide(1000, 300);
    auto* other = new QWidget();
    wide.view.sidebarWidth = 100;
    wide.view.setSidebar(other);
    EXPECT_EQ(other->width(), 150);
    wide.view.sidebarWidth = 900;
    wide.view.layoutContent();
    EXPECT_EQ(other->width(), 700);

    // Bands taller than the window leave the body at zero height; the sidebar only gives way
    // to a tool band.
    auto* tall = new FixedBand(400);
    wide.view.setBands({tall});
    EXPECT_EQ(wide.body->height(), 0);
    EXPECT_EQ(other->height(), 276);
    auto* tallTools = new StandInToolBand(12);
    wide.view.setBands({tallTools, tall});
    EXPECT_EQ(other->height(), 0);
    EXPECT_EQ(wide.body->height(), 0);
    delete tall;
}

TEST(DocumentContentView, draggingTheSidebarEdgeTellsOnceAtTheEnd)
{
    ContentFixture f(1000, 400);
    EXPECT_TRUE(f.view.dividerGrabZone().isEmpty());
    auto* sidebar = new QWidget();
    f.view.setSidebar(sidebar);
    QRect zone = f.view.dividerGrabZone();
    EXPECT_EQ(zone, QRect(237, 0, 6, 376));

    std::vector<double> told;
    f.view.onSidebarResize = [&](double width) { told.push_back(width); };
    f.view.show();
    QWidget* handle = f.view.childAt(zone.center());
    ASSERT_NE(handle, nullptr);
    ASSERT_NE(handle, sidebar);
    QPoint inHandle = handle->mapFrom(&f.view, zone.center());
    QTest::mousePress(handle, Qt::LeftButton, {}, inHandle);
    QTest::mouseMove(handle, handle->mapFrom(&f.view, QPoint(700, 100)));
    EXPECT_EQ(sidebar->width(), 600);
    QTest::mouseMove(handle, handle->mapFrom(&f.view, QPoint(20, 100)));
    EXPECT_EQ(sidebar->width(), 150);
    EXPECT_TRUE(told.empty());
    QTest::mouseRelease(handle, Qt::LeftButton, {}, handle->mapFrom(&f.view, QPoint(20, 100)));
    EXPECT_EQ(told, (std::vector<double>{150}));

    // A press outside the zone starts nothing.
    EXPECT_FALSE(f.view.beginSidebarDrag(QPoint(500, 100)));

    sidebar->hide();
    f.view.layoutContent();
    EXPECT_TRUE(f.view.dividerGrabZone().isEmpty());
    EXPECT_EQ(f.body->geometry().left(), 0);
}
