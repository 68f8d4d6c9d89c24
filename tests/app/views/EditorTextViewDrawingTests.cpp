// Drawing is the behaviour here, so these tests look at the pixels of a grabbed view.
#include "ViewTestSupport.h"
#include "app/views/GlyphCoverage.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFontMetricsF>
#include <QScrollBar>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

using namespace EditorViews;
using ViewTest::composite;
using ViewTest::near;
using ViewTest::ViewFixture;

namespace {

bool isReddish(QRgb pixel, int margin = 60)
{
    return qRed(pixel) > qGreen(pixel) + margin && qRed(pixel) > qBlue(pixel) + margin;
}

int countPixels(const QImage& image, QRect area, const std::function<bool(QRgb)>& test)
{
    int count = 0;
    area = area.intersected(image.rect());
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x)
            count += test(image.pixel(x, y)) ? 1 : 0;
    }
    return count;
}

double textX(const EditorTextView& view, const QString& prefix)
{
    return EditorTextView::horizontalInset
           + QFontMetricsF(view.editorFont()).horizontalAdvance(prefix);
}

SuspiciousClassifier testClassifier()
{
    return [](char32_t unit,
              std::optional<char32_t>,
              std::optional<char32_t>,
              bool) -> std::optional<SuspiciousMark> {
        if (unit == 0x00A0)
            return SuspiciousMark::spaceBox;
        if (unit == 0x200B || unit == 0xFEFF || unit == 0x2028)
            return SuspiciousMark::box;
        return std::nullopt;
    };
}

} // namespace

TEST(EditorTextViewDrawing, currentLineFillsEveryWrappedLineAcrossTheWidth)
{
    ViewFixture f("short\n" + QString(60, 'x') + "\nend", 200, 200);
    f.display->options.highlightsCurrentLine = true;
    f.view->displayOptionsDidChange();
    f.view->setSelectedRange({10, 0});
    QImage image = f.grab();
    auto paragraphs = f.view->visibleParagraphs();
    ASSERT_GE(paragraphs.size(), 3u);
    const double lh = f.view->lineHeight();
    ASSERT_GE(paragraphs[1].height, 3 * lh - 0.5) << "the long line wraps";

    const QRgb fill =
        composite(EditorColors::currentLineColor(Appearance::light), qRgb(255, 255, 255));
    for (int row = 0; row < static_cast<int>(paragraphs[1].height / lh); ++row) {
        SCOPED_TRACE(row);
        int y = static_cast<int>(paragraphs[1].top + row * lh + lh / 2);
        EXPECT_TRUE(near(image.pixel(1, y), fill, 1));
        EXPECT_TRUE(near(image.pixel(image.width() - 2, y), fill, 1));
    }
    int above = static_cast<int>(paragraphs[0].top + lh / 2);
    int below = static_cast<int>(paragraphs[2].top + lh / 2);
    EXPECT_EQ(image.pixel(image.width() - 2, above), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(image.width() - 2, below), qRgb(255, 255, 255));
}

TEST(EditorTextViewDrawing, currentMatchShowsAboveTheSelection)
{
    ViewFixture f("aa" + QString(8, ' ') + "bb");
    f.display->findMatches = {{4, 4}};
    f.display->currentMatch = EditorViews::FindMatch{4, 4};
    f.view->setSelectedRange({2, 8});
    QImage image = f.grab();
    const auto paragraph = f.view->visibleParagraphs().front();
    const int y = static_cast<int>(paragraph.top + f.view->lineHeight() / 2);
    const QRgb white = qRgb(255, 255, 255);
    const QRgb ordinary = composite(EditorColors::findMatchColor(Appearance::light), white);
    const QRgb selectedOnly = composite(EditorColors::selectionColor(f.view->palette()), white);
    // The match is drawn behind the selection in the current colour, then again above it.
    const QColor currentColor = EditorColors::currentMatchColor(Appearance::light);
    const QRgb selectedMatch =
        composite(EditorColors::selectionColor(f.view->palette()), composite(currentColor, white));
    const QRgb current = composite(currentColor, selectedMatch);
    auto pixelAt = [&](const QImage& grabbed, const char* prefix) {
        return grabbed.pixel(static_cast<int>(textX(*f.view, prefix)) + 2, y);
    };
    EXPECT_TRUE(near(pixelAt(image, "aa"), selectedOnly));
    EXPECT_TRUE(near(pixelAt(image, "aa    "), current)) << std::hex << pixelAt(image, "aa    ");

    // A match that shares only the location of the current match is an ordinary match.
    f.view->setSelectedRange({0, 0});
    f.display->currentMatch = EditorViews::FindMatch{4, 3};
    image = f.grab();
    const QRgb both = composite(EditorColors::currentMatchColor(Appearance::light), ordinary);
    EXPECT_TRUE(near(pixelAt(image, "aa  "), both)) << std::hex << pixelAt(image, "aa  ");
    EXPECT_TRUE(near(pixelAt(image, "aa     "), ordinary)) << std::hex << pixelAt(image, "aa     ");
}

TEST(EditorTextViewDrawing, zeroLengthSyntaxErrorUnderlinesOneCharacter)
{
    ViewFixture f("abc\nd");
    f.display->syntaxErrors = {{3, 0}};
    QImage image = f.grab();
    const auto paragraph = f.view->visibleParagraphs().front();
    const QFontMetricsF metrics(f.view->editorFont());
    const int left = static_cast<int>(textX(*f.view, "abc"));
    const int right = static_cast<int>(textX(*f.view, "abc") + metrics.horizontalAdvance('0'));
    const int top = static_cast<int>(paragraph.top);
    const int bottom = static_cast<int>(paragraph.top + f.view->lineHeight());
    auto red = [](QRgb p) { return isReddish(p); };
    EXPECT_GT(countPixels(image, QRect(QPoint(left, top), QPoint(right, bottom)), red), 4);
    EXPECT_EQ(
        countPixels(image, QRect(QPoint(right + 2, 0), QPoint(image.width(), image.height())), red),
        0);
    EXPECT_EQ(countPixels(image, QRect(QPoint(0, 0), QPoint(left - 2, image.height())), red), 0);

    // A zero-width character's segment has no width: nothing is drawn.
    ViewFixture zeroWidth(QString::fromUtf16(u"a\u200Bb"));
    zeroWidth.display->syntaxErrors = {{1, 1}};
    EXPECT_EQ(countPixels(zeroWidth.grab(), QRect(0, 0, 400, 200), red), 0);
}

TEST(EditorTextViewDrawing, crLfShowsOneReturnMark)
{
    auto breakCell = [](const QString& text) {
        ViewFixture f(text);
        f.display->options.showsInvisibles = true;
        f.view->displayOptionsDidChange();
        QImage image = f.grab();
        const auto paragraph = f.view->visibleParagraphs().front();
        return image.copy(QRect(static_cast<int>(textX(*f.view, "a")),
                                static_cast<int>(paragraph.top),
                                static_cast<int>(f.view->editorFont().pixelSize() * 2),
                                static_cast<int>(f.view->lineHeight())));
    };
    QImage crlf = breakCell(QString::fromUtf16(u"a\r\nb"));
    QImage cr = breakCell(QString::fromUtf16(u"a\rb"));
    QImage lf = breakCell(QString::fromUtf16(u"a\nb"));
    QImage none = breakCell(QString::fromUtf16(u"a"));
    EXPECT_NE(cr, none) << "a carriage return is marked";
    EXPECT_EQ(crlf, cr) << "CR LF shows the carriage return's mark only";
    EXPECT_NE(lf, cr);
    EXPECT_NE(lf, none);
}

TEST(EditorTextViewDrawing, invisibleMarksOnlyWhileShown)
{
    ViewFixture f(QString::fromUtf16(u"a\tb c"));
    const QImage hidden = f.grab();
    f.display->options.showsInvisibles = true;
    f.view->displayOptionsDidChange();
    const QImage shown = f.grab();
    const auto paragraph = f.view->visibleParagraphs().front();
    QRect tabCell(
        QPoint(static_cast<int>(textX(*f.view, "a")) + 1, static_cast<int>(paragraph.top)),
        QPoint(
            static_cast<int>(textX(*f.view, "a") + f.view->paragraphStyle().defaultTabInterval / 2),
            static_cast<int>(paragraph.top + f.view->lineHeight())));
    auto ink = [](QRgb p) { return qGray(p) < 235; };
    EXPECT_EQ(countPixels(hidden, tabCell, ink), 0);
    EXPECT_GT(countPixels(shown, tabCell, ink), 0);
}

TEST(EditorTextViewDrawing, noBreakSpaceGetsABoxWithAMarkAlways)
{
    ViewFixture f(QString::fromUtf16(u"a\u00A0b"));
    const auto paragraph = f.view->visibleParagraphs().front();
    QRect cell(QPoint(static_cast<int>(textX(*f.view, "a")), static_cast<int>(paragraph.top)),
               QPoint(static_cast<int>(textX(*f.view, QString::fromUtf16(u"a\u00A0"))) - 1,
                      static_cast<int>(paragraph.top + f.view->lineHeight()) - 1));
    auto tinted = [](QRgb p) { return isReddish(p, 15); };
    auto markInk = [](QRgb p) { return qRed(p) > 150 && qGreen(p) < 110 && qBlue(p) < 110; };
    EXPECT_EQ(countPixels(f.grab(), cell, tinted), 0) << "without a classifier nothing is boxed";

    f.view->setSuspiciousClassifier(testClassifier());
    const QImage image = f.grab();
    EXPECT_GT(countPixels(image, cell, tinted), cell.width() * cell.height() / 2);
    EXPECT_GT(countPixels(image, cell, markInk), 0) << "the box holds the space mark";

    // A zero-width space gets a narrow box centred on its position, without a mark.
    ViewFixture zero(QString::fromUtf16(u"a\u200Bb"));
    zero.view->setSuspiciousClassifier(testClassifier());
    const QImage zeroImage = zero.grab();
    const int x = static_cast<int>(textX(*zero.view, "a"));
    const int middle = static_cast<int>(paragraph.top + zero.view->lineHeight() / 2);
    EXPECT_TRUE(isReddish(zeroImage.pixel(x, middle), 15));
    EXPECT_FALSE(isReddish(zeroImage.pixel(x + 4, middle), 15));
    EXPECT_FALSE(isReddish(zeroImage.pixel(x - 4, middle), 15));
}

// The tag characters of a subdivision flag (England) lie outside the basic plane, as does every
// emoji: the drawing never boxes them, even when the classifier would call them invisible.
TEST(EditorTextViewDrawing, charactersOutsideTheBasicPlaneAreNeverBoxed)
{
    const QString england = QString::fromUcs4(
        U"\U0001F3F4\U000E0067\U000E0062\U000E0065\U000E006E\U000E0067\U000E007F");
    ViewFixture f("a" + england + QString::fromUtf16(u"\u00A0b"));
    const QImage plain = f.grab();
    f.view->setSuspiciousClassifier([](char32_t unit,
                                       std::optional<char32_t>,
                                       std::optional<char32_t>,
                                       bool) -> std::optional<SuspiciousMark> {
        if (unit == 0x00A0)
            return SuspiciousMark::spaceBox;
        if (unit >= 0x10000 || unit == 0xFFFD)
            return SuspiciousMark::box;
        return std::nullopt;
    });
    const QImage image = f.grab();
    const auto paragraph = f.view->visibleParagraphs().front();
    const int top = static_cast<int>(paragraph.top);
    const int bottom = static_cast<int>(paragraph.top + f.view->lineHeight()) - 1;
    const int flagLeft = static_cast<int>(textX(*f.view, "a"));
    const int flagRight = static_cast<int>(textX(*f.view, "a" + england)) - 1;
    ASSERT_GT(flagRight, flagLeft);
    const QRect flag(QPoint(flagLeft - 1, top), QPoint(flagRight, bottom));
    EXPECT_EQ(image.copy(flag), plain.copy(flag)) << "the flag is drawn as the font draws it";
    const int spaceRight =
        static_cast<int>(textX(*f.view, "a" + england + QString::fromUtf16(u"\u00A0"))) - 1;
    const QRect space(QPoint(flagRight + 2, top), QPoint(spaceRight, bottom));
    EXPECT_NE(image.copy(space), plain.copy(space)) << "the no-break space beside it is boxed";
}

// A character that no installed font has (a private-use character of plane 16 here) takes one
// character's width and shows as a box with its code point, never as nothing.
TEST(EditorTextViewDrawing, aCharacterNoFontDrawsIsABoxOneCharacterWide)
{
    const QString missing = QString::fromUcs4(U"\U0010FFFD");
    ASSERT_FALSE(GlyphCoverage::canDraw(QFont(QStringLiteral("D2Coding")), 0x10FFFD));
    EXPECT_TRUE(GlyphCoverage::canDraw(QFont(QStringLiteral("D2Coding")), U'\uAC00'));
    ViewFixture f("a" + missing + "b");
    const QFontMetricsF metrics(f.view->editorFont());
    const double zero = metrics.horizontalAdvance(QLatin1Char('0'));
    auto caretX = [&](int offset) {
        f.view->setSelectedRange({offset, 0});
        return f.view->caretRect()->left();
    };
    EXPECT_NEAR(caretX(3) - caretX(1), zero, 1.0) << "one character's width";
    const auto paragraph = f.view->visibleParagraphs().front();
    const QRect cell(QPoint(static_cast<int>(caretX(1)) + 1, static_cast<int>(paragraph.top) + 2),
                     QPoint(static_cast<int>(caretX(3)) - 1,
                            static_cast<int>(paragraph.top + f.view->lineHeight()) - 3));
    f.view->setSelectedRange({0, 0});
    const QImage shown = f.grab();
    auto ink = [](QRgb p) { return qGray(p) < 235; };
    EXPECT_GT(countPixels(shown, cell, ink), 6) << "a box is drawn in the cell";
}

TEST(EditorTextViewDrawing, layoutStaysLazyForAMillionLines)
{
    QString text;
    const int lines = 1000000;
    text.reserve(lines * 8);
    for (int i = 0; i < lines; ++i)
        text += QStringLiteral("line\t%1\n").arg(i % 10);
    ViewFixture f(text);
    f.view->grab();
    EXPECT_EQ(f.view->lineIndex().lineCount(), lines + 1);
    f.view->verticalScrollBar()->setValue(f.view->verticalScrollBar()->maximum() / 2);
    auto paragraphs = f.view->visibleParagraphs();
    ASSERT_FALSE(paragraphs.empty());
    EXPECT_LE(paragraphs.front().top, 0.0);
    EXPECT_GT(paragraphs.front().top + paragraphs.front().height, 0.0);
    EXPECT_NEAR(paragraphs.front().line, lines / 2, lines / 50);
    EXPECT_LT(paragraphs.size(), 40u);
}

TEST(EditorTextViewDrawing, editedViewDrawsLikeAFreshViewOfTheSameText)
{
    struct Edit
    {
        const char* name;
        TextRange range;
        const char16_t* text;
    };
    // Edits that join, split and re-pair line breaks, with layouts of the lines around them kept.
    const Edit edits[] = {
        {"split a line", {2, 0}, u"\n"},
        {"LF after a lone CR", {9, 0}, u"\n"},
        {"drop the CR of a CR LF", {8, 1}, u""},
        {"join two lines", {0, 3}, u"x"},
        {"insert several lines", {5, 0}, u"one\r\ntwo\u2028three\n"},
        {"replace across lines", {3, 12}, u"\u00A0\t"},
        {"append at the end", {-1, 0}, u"\r\nlast"},
    };
    QString text = QString::fromUtf16(u"ab\tcd\r\nef\rgh\nij\u0085kl\u00A0mn\n");
    ViewFixture edited(text);
    edited.display->options.showsInvisibles = true;
    edited.view->displayOptionsDidChange();
    edited.view->setSuspiciousClassifier(testClassifier());
    for (const auto& edit : edits) {
        SCOPED_TRACE(edit.name);
        edited.grab(); // lay out what is visible before the edit
        TextRange range = edit.range.location < 0 ? TextRange{text.size(), 0} : edit.range;
        QString replacement = QString::fromUtf16(edit.text);
        edited.view->storage().replace(range, replacement);
        text.replace(range.location, range.length, replacement);
        edited.view->setSelectedRange({0, 0});
        ASSERT_EQ(edited.view->text(), text);

        ViewFixture fresh(text);
        fresh.display->options.showsInvisibles = true;
        fresh.view->displayOptionsDidChange();
        fresh.view->setSuspiciousClassifier(testClassifier());
        EXPECT_EQ(edited.grab(), fresh.grab());
        EXPECT_EQ(edited.view->lineIndex(),
                  EditorCore::LineIndex(
                      std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                          static_cast<std::size_t>(text.size()))));
    }
}

TEST(EditorTextViewDrawing, indicatorBoxesItsRangeFollowsScrollingAndGoes)
{
    QString text;
    for (int i = 0; i < 40; ++i)
        text += "aa" + QString(8, ' ') + "bb\n";
    ViewFixture f(text);
    const QRgb white = qRgb(255, 255, 255);
    const QRgb yellow = composite(EditorColors::indicatorColor(Appearance::light), white);
    const int line = 30;
    const int start = line * 13;
    // Scroll the indicated line into view, then show the indicator on its spaces.
    f.grab(); // lays the viewport out
    f.view->scrollRangeToVisible({start, 0});
    ASSERT_GT(f.view->verticalScrollBar()->value(), 0);
    f.view->showIndicator({start + 2, 8});
    auto pixelAt = [&](const QImage& image, const QString& prefix) {
        const auto paragraphs = f.view->visibleParagraphs();
        auto it = std::find_if(
            paragraphs.begin(), paragraphs.end(), [&](const auto& p) { return p.line == line; });
        if (it == paragraphs.end()) {
            ADD_FAILURE() << "the indicated line is not visible";
            return QRgb(0);
        }
        const int y = static_cast<int>(it->top + f.view->lineHeight() / 2);
        return image.pixel(static_cast<int>(textX(*f.view, prefix)) + 2, y);
    };
    QImage image = f.grab();
    EXPECT_TRUE(near(pixelAt(image, "aa  "), yellow)) << std::hex << pixelAt(image, "aa  ");
    EXPECT_TRUE(near(pixelAt(image, "aa" + QString(8, ' ') + "bbb"), white));

    // It is drawn where its text is after scrolling, not where it was.
    auto* bar = f.view->verticalScrollBar();
    const int before = bar->value();
    bar->setValue(bar->value() + static_cast<int>(3 * f.view->lineHeight()));
    ASSERT_GT(bar->value(), before);
    image = f.grab();
    EXPECT_TRUE(near(pixelAt(image, "aa  "), yellow)) << std::hex << pixelAt(image, "aa  ");

    // The timer takes it away and the box is repainted plain.
    f.view->setIndicatorDuration(std::chrono::milliseconds(20));
    f.view->showIndicator({start + 2, 8});
    ASSERT_TRUE(f.view->indicatorRange());
    QElapsedTimer clock;
    clock.start();
    while (f.view->indicatorRange() && clock.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_FALSE(f.view->indicatorRange());
    image = f.grab();
    EXPECT_TRUE(near(pixelAt(image, "aa  "), white)) << std::hex << pixelAt(image, "aa  ");
}

TEST(EditorTextViewDrawing, indicatorIsReplacedByTheNextOneAndByAnEdit)
{
    ViewFixture f("abcdef");
    f.view->showIndicator({1, 2});
    f.view->showIndicator({4, 1});
    ASSERT_TRUE(f.view->indicatorRange());
    EXPECT_EQ(f.view->indicatorRange()->location, 4);
    EXPECT_EQ(f.view->indicatorRange()->length, 1);

    // A range past the end is clamped to the text; an empty one shows nothing.
    f.view->showIndicator({5, 10});
    ASSERT_TRUE(f.view->indicatorRange());
    EXPECT_EQ(f.view->indicatorRange()->length, 1);
    f.view->showIndicator({9, 1});
    EXPECT_FALSE(f.view->indicatorRange());

    f.view->showIndicator({1, 2});
    f.view->setSelectedRange({0, 0});
    f.view->insertText("x");
    EXPECT_FALSE(f.view->indicatorRange());
    const QImage image = f.grab();
    const QRgb yellow =
        composite(EditorColors::indicatorColor(Appearance::light), qRgb(255, 255, 255));
    const int y = static_cast<int>(f.view->visibleParagraphs().front().top + 4);
    for (int x = 0; x < image.width(); ++x)
        ASSERT_FALSE(near(image.pixel(x, y), yellow, 10)) << x;
}
