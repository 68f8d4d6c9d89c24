// The line filter's result list: geometry, keys, the mouse, the context menu, stepping through
// match rows, and on grabbed images the cut of long rows and the cap on highlights.
#include "app/views/EditorColors.h"
#include "app/views/EditorFont.h"
#include "app/views/FilterView.h"
#include "core/CompiledSearch.h"

#include <QAction>
#include <QFontMetricsF>
#include <QImage>
#include <QMenu>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>

using EditorCore::LineFilter;
using EditorViews::FilterLinesView;
using EditorViews::FilterView;
using Kind = LineFilter::Row::Kind;
using Row = LineFilter::Row;
using Selection = FilterLinesView::Selection;

namespace {

Row match(std::int64_t line)
{
    return {Kind::match, line, std::nullopt};
}
Row context(std::int64_t line)
{
    return {Kind::context, line, std::nullopt};
}
Row gap()
{
    return {Kind::gap, -1, std::nullopt};
}

struct ListFixture
{
    FilterView view;
    std::vector<Row> opened;
    std::vector<std::vector<Row>> copied;
    int beeps = 0;

    explicit ListFixture(std::vector<Row> rows = {}, const QString& text = {}, int width = 400)
    {
        QPalette palette = view.palette();
        palette.setColor(QPalette::Base, Qt::white);
        palette.setColor(QPalette::Text, Qt::black);
        view.setPalette(palette);
        view.viewport()->setPalette(palette);
        FilterLinesView& list = lines();
        list.font = EditorViews::editorFont(QStringLiteral("D2Coding"), 14.0, 1.0);
        list.setOwnText(text);
        list.rows = std::move(rows);
        list.onOpen = [this](const Row& row) { opened.push_back(row); };
        list.onCopy = [this](const std::vector<Row>& chosen) { copied.push_back(chosen); };
        view.setBeep([this] { ++beeps; });
        view.resize(width, 200);
        view.show();
        QCoreApplication::processEvents();
        list.updateMetrics();
        view.layoutLines();
    }

    FilterLinesView& lines() { return *view.lines(); }
    double rowMiddle(int row) { return 8.0 + (row + 0.5) * lines().lineHeight(); }
    QPoint rowPoint(int row) { return QPoint(40, static_cast<int>(rowMiddle(row))); }

    QImage grab() { return lines().grab().toImage().convertToFormat(QImage::Format_ARGB32); }
};

} // namespace

TEST(FilterView, geometryFollowsTheRowHeightAndTheLastNumberedRow)
{
    ListFixture list;
    FilterLinesView& lines = list.lines();
    const QFontMetricsF metrics(lines.font);
    const double natural = metrics.ascent() + metrics.descent() + metrics.leading();
    struct Height
    {
        std::optional<double> multiple;
        double expected;
    };
    for (const Height& h : {Height{std::nullopt, std::ceil(natural + 3)},
                            Height{1.4, std::ceil(1.4 * natural + 3)},
                            Height{0.5, std::ceil(natural + 3)}}) {
        lines.lineHeightMultiple = h.multiple;
        lines.updateMetrics();
        EXPECT_EQ(lines.lineHeight(), h.expected);
    }
    EXPECT_EQ(lines.digitWidth(), metrics.horizontalAdvance(QLatin1Char('0')));

    struct Gutter
    {
        const char* name;
        std::vector<Row> rows;
        int digits;
    };
    const Gutter gutters[] = {
        {"no rows", {}, 3},
        {"short numbers still take three", {match(4)}, 3},
        {"line 999 is number 1000", {match(1), match(999)}, 4},
        {"a trailing gap is skipped", {match(99998), gap()}, 5},
        {"only gaps", {gap(), gap()}, 3},
    };
    for (const Gutter& g : gutters) {
        SCOPED_TRACE(g.name);
        lines.rows = g.rows;
        EXPECT_EQ(lines.gutterWidth(), lines.digitWidth() * g.digits + 20);
    }

    lines.rows = {match(0), match(1), match(2)};
    const double height = lines.lineHeight();
    EXPECT_EQ(lines.rowRect(2).top(), 8 + 2 * height);
    EXPECT_EQ(lines.rowAt(8.0), std::optional<int>(0));
    EXPECT_EQ(lines.rowAt(8.0 + height - 0.5), std::optional<int>(0));
    EXPECT_EQ(lines.rowAt(8.0 + height), std::optional<int>(1));
    EXPECT_EQ(lines.rowAt(8.0 + 3 * height), std::nullopt);
    // A short list fills the visible area; an empty one is still one row high plus 16.
    lines.rows.clear();
    list.view.resize(400, 10);
    EXPECT_EQ(lines.contentSize().height(), height + 16);
}

TEST(FilterView, keysMoveTheSelectionAsTheTextViewsSelectorsSay)
{
    struct Case
    {
        const char* name;
        std::optional<Selection> before;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        Selection after;
    };
    const Case cases[] = {
        {"down without a selection", std::nullopt, Qt::Key_Down, Qt::NoModifier, {0, 0}},
        {"page down without a selection", std::nullopt, Qt::Key_PageDown, Qt::NoModifier, {0, 0}},
        {"end without a selection", std::nullopt, Qt::Key_End, Qt::NoModifier, {0, 0}},
        {"up without a selection", std::nullopt, Qt::Key_Up, Qt::NoModifier, {4, 4}},
        {"page up without a selection", std::nullopt, Qt::Key_PageUp, Qt::NoModifier, {4, 4}},
        {"home without a selection", std::nullopt, Qt::Key_Home, Qt::NoModifier, {4, 4}},
        {"ctrl+home", Selection{2, 2}, Qt::Key_Home, Qt::ControlModifier, {0, 0}},
        {"down", Selection{2, 2}, Qt::Key_Down, Qt::NoModifier, {3, 3}},
        {"shift+down extends", Selection{2, 2}, Qt::Key_Down, Qt::ShiftModifier, {2, 3}},
        {"shift+up extends", Selection{2, 3}, Qt::Key_Up, Qt::ShiftModifier, {2, 2}},
        {"up stops at the first row", Selection{0, 0}, Qt::Key_Up, Qt::NoModifier, {0, 0}},
        {"end", Selection{1, 1}, Qt::Key_End, Qt::NoModifier, {4, 4}},
        {"select all", Selection{1, 1}, Qt::Key_A, Qt::ControlModifier, {0, 4}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ListFixture list({match(0), context(1), gap(), match(5), match(6)});
        list.lines().selection = c.before;
        QTest::keyClick(&list.lines(), c.key, c.modifiers);
        EXPECT_EQ(list.lines().selection, std::optional<Selection>(c.after));
    }

    // Return opens the head row; a gap opens the row after it, a final gap itself.
    ListFixture list({match(0), gap(), match(5), gap()});
    QTest::keyClick(&list.lines(), Qt::Key_Return);
    EXPECT_TRUE(list.opened.empty());
    for (int row : {0, 1, 3}) {
        list.lines().selection = Selection{row, row};
        QTest::keyClick(&list.lines(), Qt::Key_Return);
    }
    EXPECT_EQ(list.opened, (std::vector<Row>{match(0), match(5), gap()}));
    // Without rows, keys change nothing.
    ListFixture empty;
    QTest::keyClick(&empty.lines(), Qt::Key_Down);
    EXPECT_EQ(empty.lines().selection, std::nullopt);
}

TEST(FilterView, shiftClickAndDragExtendFromTheAnchor)
{
    ListFixture list({match(0), match(1), match(2), match(3)});
    FilterLinesView& lines = list.lines();
    // Shift-click without a selection selects only the clicked row.
    QTest::mouseClick(&lines, Qt::LeftButton, Qt::ShiftModifier, list.rowPoint(2));
    EXPECT_EQ(lines.selection, std::optional<Selection>(Selection{2, 2}));
    QTest::mouseClick(&lines, Qt::LeftButton, Qt::NoModifier, list.rowPoint(1));
    QTest::mouseClick(&lines, Qt::LeftButton, Qt::ShiftModifier, list.rowPoint(3));
    EXPECT_EQ(lines.selection, std::optional<Selection>(Selection{1, 3}));

    QTest::mousePress(&lines, Qt::LeftButton, Qt::NoModifier, list.rowPoint(0));
    QMouseEvent move(QEvent::MouseMove,
                     QPointF(40, list.rowMiddle(2)),
                     lines.mapToGlobal(QPointF(40, list.rowMiddle(2))),
                     Qt::NoButton,
                     Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(&lines, &move);
    EXPECT_EQ(lines.selection, std::optional<Selection>(Selection{0, 2}));
    QMouseEvent beyond(QEvent::MouseMove,
                       QPointF(40, 190),
                       lines.mapToGlobal(QPointF(40, 190)),
                       Qt::NoButton,
                       Qt::LeftButton,
                       Qt::NoModifier);
    QApplication::sendEvent(&lines, &beyond);
    EXPECT_EQ(lines.selection, std::optional<Selection>(Selection{0, 3}));
    QTest::mouseRelease(&lines, Qt::LeftButton, Qt::NoModifier, QPoint(40, 190));

    // Below the rows: the selection goes.
    QTest::mouseClick(&lines, Qt::LeftButton, Qt::NoModifier, QPoint(40, 190));
    EXPECT_EQ(lines.selection, std::nullopt);
    QTest::mouseDClick(&lines, Qt::LeftButton, Qt::NoModifier, list.rowPoint(1));
    EXPECT_EQ(list.opened, (std::vector<Row>{match(1)}));
}

TEST(FilterView, theContextMenuKeepsASelectionItWasOpenedIn)
{
    ListFixture list({match(0), match(1), match(2), match(3), match(4)});
    FilterLinesView& lines = list.lines();
    lines.selection = Selection{1, 3};
    auto menu = lines.contextMenu(QPointF(40, list.rowMiddle(2)));
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->actions().size(), 2);
    EXPECT_EQ(menu->actions()[0]->text(), QStringLiteral("원래 자리로 가기"));
    EXPECT_EQ(menu->actions()[1]->text(), QStringLiteral("복사"));
    EXPECT_EQ(lines.selection, std::optional<Selection>(Selection{1, 3}));
    menu->actions()[1]->trigger();
    EXPECT_EQ(list.copied.back(), (std::vector<Row>{match(1), match(2), match(3)}));

    menu = lines.contextMenu(QPointF(40, list.rowMiddle(4)));
    EXPECT_EQ(lines.selection, std::optional<Selection>(Selection{4, 4}));
    menu->actions()[0]->trigger();
    EXPECT_EQ(list.opened, (std::vector<Row>{match(4)}));
    EXPECT_EQ(lines.contextMenu(QPointF(40, list.rowMiddle(7))), nullptr);

    // Copy without a selection copies every row.
    lines.selection.reset();
    lines.copySelection();
    EXPECT_EQ(list.copied.back().size(), 5u);
}

TEST(FilterView, adjacentMatchesWrapForwardAndNeverReturnToTheStartBackward)
{
    struct Case
    {
        const char* name;
        std::vector<Row> rows;
        std::optional<Selection> before;
        bool backward;
        std::optional<Selection> after;
    };
    const std::vector<Row> rows = {match(0), context(1), gap(), match(5), context(6)};
    const std::vector<Row> single = {context(0), match(1), context(2)};
    const Case cases[] = {
        {"first forward", rows, std::nullopt, false, Selection{0, 0}},
        {"next skips context and gaps", rows, Selection{0, 0}, false, Selection{3, 3}},
        {"forward wraps", rows, Selection{4, 4}, false, Selection{0, 0}},
        {"first backward", rows, std::nullopt, true, Selection{3, 3}},
        {"backward wraps", rows, Selection{0, 0}, true, Selection{3, 3}},
        {"from a range's head", rows, Selection{0, 3}, true, Selection{0, 0}},
        {"the only match again forward", single, Selection{0, 1}, false, Selection{1, 1}},
        {"backward finds no other match", single, Selection{0, 1}, true, Selection{0, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ListFixture list(c.rows);
        list.lines().selection = c.before;
        list.view.selectAdjacentMatch(c.backward);
        EXPECT_EQ(list.lines().selection, c.after);
        EXPECT_EQ(list.beeps, 0);
    }
    ListFixture empty;
    empty.view.selectAdjacentMatch(false);
    EXPECT_EQ(empty.beeps, 1);
}

TEST(FilterView, aLongRowIsCutAfter4000UnitsWithASpaceAndAnEllipsis)
{
    ListFixture list({match(0)}, QString(5000, QLatin1Char('x')), 600);
    FilterLinesView& lines = list.lines();
    list.grab();
    QCoreApplication::processEvents();
    const QFontMetricsF metrics(lines.font);
    const double shown =
        metrics.horizontalAdvance(QString(4000, QLatin1Char('x')) + QStringLiteral(" \u2026"));
    EXPECT_NEAR(lines.widest(), shown, 1.0);
    const double textStart = lines.gutterWidth() + 8;
    // Scrolled so that the end of the drawn text is in view.
    const double cutAt = textStart + metrics.horizontalAdvance(QString(4000, QLatin1Char('x')));
    QScrollBar* bar = list.view.horizontalScrollBar();
    bar->setValue(bar->maximum());
    const QImage image = list.grab();
    const double offset = bar->value();
    ASSERT_GT(cutAt - 20, offset);
    const int top = static_cast<int>(8 + 1);
    const int bottom = static_cast<int>(8 + lines.lineHeight() - 1);
    auto inkIn = [&](double from, double to) {
        for (int x = std::max(0, static_cast<int>(std::ceil(from - offset)));
             x < std::min(image.width(), static_cast<int>(to - offset));
             ++x) {
            for (int y = top; y < bottom; ++y) {
                if (image.pixel(x, y) != qRgb(255, 255, 255))
                    return true;
            }
        }
        return false;
    };
    const double space = metrics.horizontalAdvance(QLatin1Char(' '));
    EXPECT_TRUE(inkIn(cutAt - 20, cutAt - 1));
    EXPECT_FALSE(inkIn(cutAt + 1, cutAt + space - 1));
    EXPECT_TRUE(inkIn(cutAt + space, textStart + shown + 1));
    EXPECT_FALSE(inkIn(textStart + shown + 2, textStart + shown + 250));
}

TEST(FilterView, aRowHighlightsAtMost200MatchesOfOneSearch)
{
    QString text;
    for (int i = 0; i < 300; ++i)
        text += QStringLiteral("ab ");
    ListFixture list({match(0)}, text, 7000);
    FilterLinesView& lines = list.lines();
    EditorCore::SearchQuery query;
    query.text = u"ab";
    lines.highlights = {*EditorCore::CompiledSearch::make(query)};
    const QImage image = list.grab();
    const QFontMetricsF metrics(lines.font);
    const double cell = metrics.horizontalAdvance(QStringLiteral("ab "));
    ASSERT_LT(lines.gutterWidth() + 8 + 300 * cell, 7000.0);
    // The top pixel row of the text: the background of a match, above every glyph.
    const int y = 9;
    const double start = lines.gutterWidth() + 8;
    const QRgb highlight = image.pixel(static_cast<int>(start + 1), y);
    ASSERT_NE(highlight, qRgb(255, 255, 255));
    // Count the highlighted stretches along the row's top.
    int runs = 0;
    bool inside = false;
    for (int x = static_cast<int>(start); x < image.width(); ++x) {
        const bool lit = image.pixel(x, y) == highlight;
        if (lit && !inside)
            ++runs;
        inside = lit;
    }
    EXPECT_EQ(runs, 200);
    EXPECT_EQ(image.pixel(static_cast<int>(start + 199 * cell + 1), y), highlight);
    EXPECT_NE(image.pixel(static_cast<int>(start + 200 * cell + 1), y), highlight);
}

TEST(FilterView, withoutRowsOnlyTheMessageIsDrawn)
{
    ListFixture list;
    EXPECT_EQ(list.grab().pixel(30, 20), qRgb(255, 255, 255));
    list.lines().message = QStringLiteral("맞는 줄이 없어요");
    const QImage image = list.grab();
    bool ink = false;
    for (int x = 20; x < 120 && !ink; ++x) {
        for (int y = 16; y < 32 && !ink; ++y)
            ink = image.pixel(x, y) != qRgb(255, 255, 255);
    }
    EXPECT_TRUE(ink);
    for (int x = 0; x < 18; ++x)
        EXPECT_EQ(image.pixel(x, 24), qRgb(255, 255, 255));
}

TEST(FilterView, numbersHaveEvenDigitsAndRowsTakeTheEditorsTabWidth)
{
    const QFontMetricsF numbers(ListFixture().lines().numberFont());
    EXPECT_EQ(numbers.horizontalAdvance(QLatin1Char('1')),
              numbers.horizontalAdvance(QLatin1Char('8')));

    auto firstInkAfterGutter = [](double tabInterval) {
        ListFixture f({match(0)}, QStringLiteral("\tX"));
        f.lines().tabInterval = tabInterval;
        f.lines().update();
        const QImage image = f.grab();
        const int y = static_cast<int>(f.rowMiddle(0));
        for (int x = static_cast<int>(f.lines().gutterWidth()) + 1; x < image.width(); ++x) {
            for (int dy = -4; dy <= 4; ++dy) {
                if (qGray(image.pixel(x, y + dy)) < 128)
                    return x;
            }
        }
        return -1;
    };
    const double digit = ListFixture().lines().digitWidth();
    const int two = firstInkAfterGutter(2 * digit);
    const int eight = firstInkAfterGutter(8 * digit);
    ASSERT_GT(two, 0);
    ASSERT_GT(eight, 0);
    EXPECT_NEAR(eight - two, 6 * digit, 2.0);
}
