#include "ViewTestSupport.h"
#include "app/views/LineNumberRuler.h"

#include <QFontMetricsF>

#include <gtest/gtest.h>

using namespace EditorViews;
using ViewTest::ViewFixture;

namespace {

QString linesOf(int count)
{
    QString text;
    for (int i = 1; i < count; ++i)
        text += "x\n";
    return text + "x";
}

} // namespace

TEST(LineNumberRuler, thicknessGrowsWithTheFourthDigit)
{
    ViewFixture f("");
    auto* ruler = new LineNumberRuler(f.view.get());
    f.view->setLineNumberRuler(ruler);
    const double eight = QFontMetricsF(ruler->labelFont()).horizontalAdvance('8');
    auto thicknessFor = [&](int lines) {
        QString text = linesOf(lines);
        f.view->storage().setText(text);
        ruler->updateThickness();
        return ruler->ruleThickness();
    };
    const double five = thicknessFor(5);
    EXPECT_EQ(five, std::ceil(eight * 3 + 26));
    EXPECT_EQ(thicknessFor(999), five);
    EXPECT_EQ(thicknessFor(1000), std::ceil(eight * 4 + 26));
    EXPECT_GT(thicknessFor(1000), five);
    // The label font is the editor's at 85 %.
    EXPECT_EQ(ruler->labelFont().pixelSize(), qRound(f.view->editorFont().pixelSize() * 0.85));
}

TEST(LineNumberRuler, emphasisesOnlyTheLineWhereTheSelectionStarts)
{
    ViewFixture f(QString(60, 'w') + "\n" + linesOf(10), 200, 300);
    f.display->options.showsLineNumbers = true;
    auto* ruler = new LineNumberRuler(f.view.get());
    f.view->setLineNumberRuler(ruler);
    ruler->updateThickness();
    f.view->displayOptionsDidChange();
    ASSERT_TRUE(ruler->isVisibleTo(f.view.get()));
    // Lines 4 to 9 (1-based) selected.
    f.view->setSelectedRange(
        {static_cast<int>(f.view->lineIndex().lineStart(4)),
         static_cast<int>(f.view->lineIndex().lineStart(9) - f.view->lineIndex().lineStart(4))});
    QImage image = ruler->grab().toImage();
    auto paragraphs = f.view->visibleParagraphs();
    const double lh = f.view->lineHeight();
    auto darkest = [&](double top, double height) {
        int minimum = 255;
        for (int y = static_cast<int>(top); y < static_cast<int>(top + height); ++y) {
            for (int x = 0; x < image.width(); ++x)
                minimum = std::min(minimum, qGray(image.pixel(x, y)));
        }
        return minimum;
    };
    ASSERT_GE(paragraphs.size(), 6u);
    EXPECT_LT(darkest(paragraphs[3].top, lh), 165) << "line 4 in the emphasised colour";
    EXPECT_GT(darkest(paragraphs[4].top, lh), 175) << "line 5 in the plain colour";
    EXPECT_LT(darkest(paragraphs[4].top, lh), 250) << "line 5 is drawn";
    // The wrapped first line is numbered once, on its first visual line.
    ASSERT_GE(paragraphs[0].height, 2 * lh);
    EXPECT_LT(darkest(paragraphs[0].top, lh), 250);
    EXPECT_EQ(darkest(paragraphs[0].top + lh, paragraphs[0].height - lh), 255);
}

TEST(LineNumberRuler, drawsNothingWithoutAnEditor)
{
    LineNumberRuler ruler(nullptr);
    ruler.resize(40, 40);
    QPalette palette;
    palette.setColor(QPalette::Window, Qt::red);
    palette.setColor(QPalette::Base, Qt::white);
    ruler.setPalette(palette);
    QImage image = ruler.grab().toImage();
    EXPECT_NE(image.pixel(20, 20), qRgb(255, 255, 255));
}
