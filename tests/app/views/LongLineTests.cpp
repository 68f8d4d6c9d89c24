#include "ViewTestSupport.h"
#include "app/views/ParagraphLayout.h"

#include <QApplication>
#include <QFontDatabase>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTextBoundaryFinder>

#include <gtest/gtest.h>

#include <cmath>

using namespace EditorViews;
using ViewTest::ViewFixture;

namespace {

constexpr int bound = ParagraphLayout::pieceBound;

ParagraphSettings settings(bool wraps)
{
    ParagraphSettings s;
    s.font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    s.tabInterval = 32.0;
    s.wraps = wraps;
    s.width = 300.0;
    return s;
}

bool isGraphemeBoundary(const QString& text, int index)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    finder.setPosition(index);
    return finder.isAtBoundary();
}

void key(EditorTextView& view, int code, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QKeyEvent press(QEvent::KeyPress, code, modifiers);
    QApplication::sendEvent(&view, &press);
}

// Letters without blanks, so cuts fall at the bound itself unless a case puts something there.
QString letters(int count)
{
    QString text;
    text.reserve(count);
    for (int i = 0; i < count; ++i)
        text += QChar(u'a' + i % 26);
    return text;
}

} // namespace

// Every cut lies on a grapheme boundary, pieces stay within the bound, and a blank near the
// bound is preferred.
TEST(ParagraphLayoutCuts, fallOnClusterBoundariesAfterANearbyBlank)
{
    const QString emoji = QStringLiteral("\U0001F469\u200D\U0001F4BB"); // woman technologist
    const QString flag = QStringLiteral("\U0001F1F0\U0001F1F7");
    struct Case
    {
        const char* name;
        QString text;
        std::optional<int> expectedFirstCut;
    };
    const std::vector<Case> cases = {
        {"letters only: at the bound", letters(3 * bound), bound},
        {"a space 10 before the bound", letters(bound - 11) + " " + letters(2 * bound), bound - 10},
        {"a tab 100 before the bound", letters(bound - 101) + "\t" + letters(bound), bound - 100},
        {"a blank too far back is not used", letters(100) + " " + letters(2 * bound), bound},
        {"a surrogate pair across the bound", letters(bound - 1) + emoji + letters(bound), {}},
        {"a ZWJ sequence across the bound", letters(bound - 2) + emoji + letters(bound), {}},
        {"a flag across the bound", letters(bound - 3) + flag + letters(bound), {}},
        {"a combining mark after the bound",
         letters(bound - 1) + "e\u0301\u0301" + letters(bound),
         {}},
        {"a combining mark after a blank", letters(bound - 2) + " \u0301" + letters(bound), {}},
        {"emoji everywhere", QString(emoji).repeated(2 * bound / 5), {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto points = ParagraphLayout::cutPoints(c.text, 0, static_cast<int>(c.text.size()));
        ASSERT_FALSE(points.empty());
        if (c.expectedFirstCut) {
            EXPECT_EQ(points.front(), *c.expectedFirstCut);
        }
        int previous = 0;
        for (int point : points) {
            EXPECT_GT(point, previous);
            EXPECT_LE(point - previous, bound);
            EXPECT_TRUE(isGraphemeBoundary(c.text, point)) << "cut at " << point;
            previous = point;
        }
        EXPECT_LE(c.text.size() - previous, bound);
    }
    // A line within the bound is not cut.
    EXPECT_TRUE(ParagraphLayout::cutPoints(letters(bound), 0, bound).empty());
}

// Pieces are laid out only where something looks; an edit lays out again only what it touched
// and keeps the cuts on cluster boundaries.
TEST(ParagraphLayoutCuts, layOutOnlyWhatIsShownAndWhatAnEditTouches)
{
    for (bool wraps : {true, false}) {
        SCOPED_TRACE(wraps ? "wrapping" : "unwrapped");
        QString text = letters(20 * bound);
        ParagraphLayout layout(settings(wraps), text);
        ASSERT_EQ(layout.pieceCount(), 20);
        layout.layoutArea(QRectF(0, 0, 300, 200));
        int laid = 0;
        for (int i = 0; i < layout.pieceCount(); ++i)
            laid += layout.pieceIsLaidOut(i) ? 1 : 0;
        EXPECT_EQ(laid, 1) << "only the first piece shows";

        // Lay everything out, then replace two letters in the middle of piece 10.
        layout.layoutArea(QRectF(-1e9, -1e9, 2e9, 2e9));
        const int at = 10 * bound + 50;
        layout.replace(at, 2, QStringLiteral("\u0301x"));
        text.replace(at, 2, QStringLiteral("\u0301x"));
        EXPECT_EQ(layout.content(), text);
        ASSERT_EQ(layout.pieceCount(), 20);
        for (int i = 0; i < layout.pieceCount(); ++i) {
            const bool touched = i == 10;
            EXPECT_EQ(layout.pieceIsLaidOut(i), !touched) << "piece " << i;
            EXPECT_TRUE(isGraphemeBoundary(text, layout.pieceRange(i).first));
        }
        // A mark typed right after a cut joins the character before it: the cut moves.
        const int cut = layout.pieceRange(5).first;
        layout.replace(cut, 0, QStringLiteral("\u0301"));
        text.insert(cut, QStringLiteral("\u0301"));
        for (int i = 0; i < layout.pieceCount(); ++i)
            EXPECT_TRUE(isGraphemeBoundary(text, layout.pieceRange(i).first)) << "piece " << i;
        int covered = 0;
        for (int i = 0; i < layout.pieceCount(); ++i) {
            EXPECT_EQ(layout.pieceRange(i).first, covered);
            covered += layout.pieceRange(i).second;
        }
        EXPECT_EQ(covered, text.size());

        // Shrinking below the bound makes it one piece again; growing cuts it again.
        layout.replace(bound, static_cast<int>(text.size()) - bound, QString());
        EXPECT_EQ(layout.pieceCount(), 1);
        layout.replace(0, 0, letters(bound));
        EXPECT_EQ(layout.pieceCount(), 2);
    }
}

// Unwrapped pieces stand side by side: x grows by one advance per letter across every cut,
// and a tab in a later piece stops at the line's tab stops, not the piece's.
TEST(ParagraphLayoutCuts, unwrappedPiecesKeepTheLinesAdvanceAndTabStops)
{
    const QString text = letters(bound + 7) + "\t" + letters(bound);
    ParagraphLayout layout(settings(false), text);
    ASSERT_GE(layout.pieceCount(), 2);
    auto line = layout.lineAt(0);
    const double advance = line.cursorToX(1);
    ASSERT_GT(advance, 0);
    for (int offset : {bound - 1, bound, bound + 1, bound + 7}) {
        SCOPED_TRACE(offset);
        EXPECT_NEAR(line.cursorToX(offset), offset * advance, 0.5);
        EXPECT_EQ(line.xToCursor(offset * advance + advance / 4), offset);
    }
    const double afterTab = line.cursorToX(bound + 8);
    EXPECT_GT(afterTab, (bound + 7) * advance);
    const double stops = afterTab / 32.0;
    EXPECT_NEAR(stops, std::round(stops), 0.01) << "on the line's tab stops";

    // Wrapped, a piece starts a visual line at the left edge: its tabs count from there, as
    // a wrapped line's do.
    ParagraphLayout wrapped(settings(true), letters(bound) + "ab\tc" + letters(10));
    ASSERT_EQ(wrapped.pieceCount(), 2);
    auto second = wrapped.lineForTextPosition(bound + 3);
    EXPECT_EQ(second.textStart(), bound);
    EXPECT_NEAR(second.cursorToX(bound + 3), 32.0, 0.01);
}

// The view across a piece boundary, wrapping on and off: caret places, hit testing, moving
// with the keys and selection drawing agree on both sides of the cut, with an emoji and a
// CR LF placed at it.
TEST(LongLines, caretHitTestAndSelectionAcrossAPieceBoundary)
{
    const QString emoji = QStringLiteral("\U0001F600");
    struct Case
    {
        const char* name;
        QString text;
        int around; // an offset near the cut
    };
    // An emoji across the bound; a line cut once whose CR LF follows its second piece.
    const std::vector<Case> cases = {
        {"letters", letters(3 * bound), bound},
        {"emoji at the cut", letters(bound - 1) + emoji + letters(bound), bound - 1},
        {"CR LF after a cut line", letters(2 * bound) + "\r\n" + letters(bound + 10), 2 * bound},
    };
    for (bool wraps : {false, true}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (wraps ? ", wrapping" : ", unwrapped"));
            ViewFixture f(c.text, 400, 200);
            EditorTextView& view = *f.view;
            f.display->options.wrapsLines = wraps;
            view.displayOptionsDidChange();
            view.show();
            view.setFocus();

            // Every offset around the cut: the caret's place hits back to the same offset.
            std::optional<double> previousX;
            std::optional<double> previousTop;
            for (int offset = c.around - 3; offset <= c.around + 3; ++offset) {
                if (offset > 0 && c.text[offset].isLowSurrogate())
                    continue;
                if (c.text[offset] == u'\n')
                    continue;
                view.setSelectedRange({offset, 0});
                view.scrollRangeToVisible({offset, 0});
                const auto rect = view.caretRect();
                ASSERT_TRUE(rect);
                ASSERT_TRUE(view.viewport()->rect().contains(rect->center().toPoint()))
                    << "offset " << offset << " shown";
                EXPECT_EQ(view.offsetAt(rect->center() + QPointF(1, 0)), offset)
                    << "offset " << offset;
                const double x = rect->left() + view.horizontalScrollBar()->value();
                const double top = rect->top() + view.verticalScrollBar()->value();
                if (previousX && previousTop && std::abs(top - *previousTop) < 0.5) {
                    EXPECT_GT(x, *previousX) << "offset " << offset;
                    EXPECT_LT(x - *previousX, 40.0) << "no gap at offset " << offset;
                }
                previousX = x;
                previousTop = top;
            }

            // Right arrow steps over the cut one character at a time.
            view.setSelectedRange({c.around - 2, 0});
            int position = c.around - 2;
            for (int step = 0; step < 4; ++step) {
                key(view, Qt::Key_Right);
                const int next = view.selectedRange().location;
                EXPECT_GT(next, position);
                EXPECT_LE(next - position, 2) << "one character";
                position = next;
            }

            // A selection across the cut is drawn on both sides.
            for (int offset : {c.around - 1, c.around + 2}) {
                view.setSelectedRange({c.around - 2, 0});
                view.scrollRangeToVisible({offset, 0});
                const QImage plain = f.grab();
                view.setSelectedRange({c.around - 2, 5});
                const QImage selected = f.grab();
                view.setSelectedRange({offset, 0});
                const QPoint at = (view.caretRect()->topLeft() + QPointF(3, 1)).toPoint();
                ASSERT_TRUE(plain.rect().contains(at));
                EXPECT_NE(plain.pixel(at), selected.pixel(at))
                    << "selection drawn at offset " << offset;
            }
        }
    }
}

// Moving down through a wrapped long line visits every visual line once and the line's count
// of visual lines agrees with its pieces.
TEST(LongLines, movingDownThroughAWrappedLongLineVisitsEveryVisualLine)
{
    ViewFixture f(letters(3 * bound) + "\nend", 400, 200);
    EditorTextView& view = *f.view;
    view.show();
    view.setSelectedRange({0, 0});
    int steps = 0;
    int previous = 0;
    while (view.selectedRange().location < 3 * bound && steps < 10000) {
        key(view, Qt::Key_Down);
        const int now = view.selectedRange().location;
        ASSERT_GT(now, previous) << "step " << steps;
        previous = now;
        ++steps;
    }
    // Every visual line holds the same number of letters except the last of each piece.
    const int perLine = [&] {
        view.setSelectedRange({0, 0});
        key(view, Qt::Key_End);
        return view.selectedRange().location + 1;
    }();
    ASSERT_GT(perLine, 1);
    const int perPiece = (bound + perLine - 1) / perLine;
    EXPECT_EQ(steps, 3 * perPiece) << "one step per visual line, then the next line";

    // The far end of a long line not shown yet: the view scrolls to it and shows the caret.
    ViewFixture far(letters(40 * bound) + "\nend", 400, 200);
    far.view->show();
    far.view->setFocus();
    far.grab();
    key(*far.view, Qt::Key_End, Qt::ControlModifier);
    key(*far.view, Qt::Key_Up);
    far.grab();
    const auto rect = far.view->caretRect();
    ASSERT_TRUE(rect);
    EXPECT_TRUE(far.view->viewport()->rect().contains(rect->center().toPoint()));
    EXPECT_GT(far.view->selectedRange().location, 39 * bound);
    EXPECT_EQ(far.view->offsetAt(rect->center() + QPointF(1, 0)),
              far.view->selectedRange().location);
}

// A composition inside a later piece shows there and pushes only that piece's text; a click
// after it still finds the text offset.
TEST(LongLines, compositionInALaterPiece)
{
    ViewFixture f(letters(3 * bound), 400, 200);
    EditorTextView& view = *f.view;
    f.display->options.wrapsLines = false;
    view.displayOptionsDidChange();
    view.show();
    view.setFocus();
    const int at = 2 * bound + 5;
    view.setSelectedRange({at, 0});
    view.scrollRangeToVisible({at, 0});
    const double before = view.caretRect()->left();
    // The input method is offered the text around the caret, its positions inside that.
    const QString surrounding = view.inputMethodQuery(Qt::ImSurroundingText).toString();
    const int cursor = view.inputMethodQuery(Qt::ImCursorPosition).toInt();
    EXPECT_LE(surrounding.size(), 2050);
    EXPECT_EQ(surrounding.mid(cursor, 20), view.text().mid(at, 20));
    EXPECT_EQ(surrounding.left(cursor).right(20), view.text().mid(at - 20, 20));
    QInputMethodEvent compose(QStringLiteral("한한"), {});
    QApplication::sendEvent(&view, &compose);
    ASSERT_TRUE(view.hasMarkedText());
    EXPECT_GT(view.caretRect()->left(), before + 4.0) << "the caret follows the composition";
    // Text after the composition hits back to its own offset.
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("한"));
    QApplication::sendEvent(&view, &commit);
    EXPECT_FALSE(view.hasMarkedText());
    EXPECT_EQ(view.text().mid(at, 1), QStringLiteral("한"));
    EXPECT_EQ(view.text().size(), 3 * bound + 1);
    EXPECT_EQ(view.selectedRange(), (TextRange{at + 1, 0}));
    const auto rect = view.caretRect();
    ASSERT_TRUE(rect);
    EXPECT_EQ(view.offsetAt(rect->center() + QPointF(1, 0)), at + 1);
}

// Matches, a selection and carets all over a long line lay out only the pieces the viewport
// shows; typing lays out again only the piece it touches.
TEST(LongLines, drawingRangesOverTheWholeLineLaysOutOnlyShownPieces)
{
    for (bool wraps : {false, true}) {
        SCOPED_TRACE(wraps ? "wrapping" : "unwrapped");
        const int length = 30 * bound;
        QString text;
        while (text.size() < length)
            text += QStringLiteral("lorem ipsum dolor sit amet ");
        text.truncate(length);
        ViewFixture f(text, 400, 200);
        EditorTextView& view = *f.view;
        f.display->options.wrapsLines = wraps;
        f.display->options.showsInvisibles = true;
        for (int at = 0; at + 5 <= length; at += 27)
            f.display->findMatches.push_back({static_cast<std::uint32_t>(at), 5});
        view.displayOptionsDidChange();
        view.show();
        view.setFocus();
        std::vector<TextRange> carets;
        for (int at = 6; at < length; at += 2700)
            carets.push_back({at, 0});
        view.setCarets(carets, carets[carets.size() / 2].location);
        view.scrollRangeToVisible(view.selectedRange());
        f.grab();
        const auto laidOut = [&] {
            const ParagraphLayout* layout = view.keptLayout(0);
            std::vector<int> pieces;
            for (int i = 0; layout && i < layout->pieceCount(); ++i) {
                if (layout->pieceIsLaidOut(i))
                    pieces.push_back(i);
            }
            return pieces;
        };
        const auto shown = laidOut();
        EXPECT_GE(shown.size(), 1u);
        EXPECT_LE(shown.size(), 3u) << "of " << view.keptLayout(0)->pieceCount();

        // One letter at every caret: still only the shown pieces are laid out.
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Q, Qt::NoModifier, QStringLiteral("q"));
        QApplication::sendEvent(&view, &press);
        f.grab();
        EXPECT_LE(laidOut().size(), 3u);
        EXPECT_EQ(view.text().size(), length + static_cast<int>(carets.size()));
        EXPECT_EQ(view.keptLayout(0)->content(), view.text());
    }
}
