#include "app/views/EditorColors.h"
#include "app/window/StatusBarView.h"

#include <QCoreApplication>
#include <QGlyphRun>
#include <QPushButton>
#include <QTextLayout>

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

using EditorWindow::StatusBarView;
using Segment = StatusBarView::Segment;

namespace {

StatusBarView::Content sample()
{
    StatusBarView::Content content;
    content.position = QStringLiteral("1:1");
    content.encoding = QStringLiteral("UTF-8");
    content.lineEnding = QStringLiteral("LF");
    content.indentation = QStringLiteral("공백 4");
    content.language = QStringLiteral("일반 텍스트");
    content.path = QStringLiteral("~/notes.txt");
    return content;
}

} // namespace

TEST(StatusBarView, clicksReachTheHandlerExceptPositionAndReadOnly)
{
    StatusBarView bar;
    bar.update(sample());
    std::vector<std::pair<Segment, QPushButton*>> clicks;
    bar.onClick = [&](Segment segment, QPushButton* button) {
        clicks.emplace_back(segment, button);
    };

    bar.button(Segment::position)->click();
    bar.button(Segment::readOnly)->click();
    EXPECT_TRUE(clicks.empty());

    bar.button(Segment::encoding)->click();
    ASSERT_EQ(clicks.size(), 1u);
    EXPECT_EQ(clicks[0].first, Segment::encoding);
    EXPECT_EQ(clicks[0].second, bar.button(Segment::encoding));

    // A button whose tag names no segment is ignored.
    QPushButton stray;
    stray.setProperty("olvTag", 42);
    bar.clicked(&stray);
    EXPECT_EQ(clicks.size(), 1u);

    int pathClicks = 0;
    bar.onPathClick = [&] { ++pathClicks; };
    bar.pathButton()->click();
    EXPECT_EQ(pathClicks, 1);
}

TEST(StatusBarView, optionalSegmentsHideAndCarryTheirPrefixes)
{
    StatusBarView bar;
    StatusBarView::Content content = sample();
    bar.update(content);
    EXPECT_TRUE(bar.button(Segment::problems)->isHidden());
    EXPECT_TRUE(bar.button(Segment::suspicious)->isHidden());
    EXPECT_TRUE(bar.button(Segment::follow)->isHidden());
    EXPECT_TRUE(bar.button(Segment::readOnly)->isHidden());
    EXPECT_FALSE(bar.button(Segment::encoding)->isHidden());

    content.problems = QStringLiteral("오류 2");
    content.suspicious = QStringLiteral("수상한 글자 1");
    content.readOnly = QStringLiteral("읽기 전용");
    content.follow = QStringLiteral("● 따라보는 중");
    bar.update(content);
    // The no-entry sign and the padlock are icons: no installed font has their characters.
    EXPECT_EQ(bar.button(Segment::problems)->text(), QStringLiteral("오류 2"));
    EXPECT_FALSE(bar.button(Segment::problems)->icon().isNull());
    EXPECT_EQ(bar.button(Segment::suspicious)->text(), QStringLiteral("⚠ 수상한 글자 1"));
    EXPECT_TRUE(bar.button(Segment::suspicious)->icon().isNull());
    EXPECT_EQ(bar.button(Segment::readOnly)->text(), QStringLiteral("읽기 전용"));
    EXPECT_FALSE(bar.button(Segment::readOnly)->icon().isNull());
    EXPECT_EQ(bar.button(Segment::follow)->text(), QStringLiteral("● 따라보는 중"));
    EXPECT_FALSE(bar.button(Segment::problems)->isHidden());
    EXPECT_EQ(bar.content(), content);
}

TEST(StatusBarView, coloursFollowTheWarningAndFollowFlags)
{
    StatusBarView bar;
    const auto appearance = EditorViews::appearanceOf(bar.palette());
    const QColor orange = EditorViews::EditorColors::systemColor("systemOrange", appearance);
    const QColor red = EditorViews::EditorColors::systemColor("systemRed", appearance);
    StatusBarView::Content content = sample();
    content.follow = QStringLiteral("따라보기");
    content.problems = QStringLiteral("오류 1");
    bar.update(content);
    EXPECT_NE(bar.titleColor(Segment::lineEnding), orange);
    EXPECT_NE(bar.titleColor(Segment::follow),
              EditorViews::EditorColors::accentColor(bar.palette()));
    EXPECT_EQ(bar.titleColor(Segment::problems), red);

    content.lineEndingWarning = true;
    content.following = true;
    bar.update(content);
    EXPECT_EQ(bar.titleColor(Segment::lineEnding), orange);
    EXPECT_EQ(bar.titleColor(Segment::follow),
              EditorViews::EditorColors::accentColor(bar.palette()));
}

TEST(StatusBarView, aThemeChangeRecoloursTheTitlesOfAHiddenBarToo)
{
    const QPalette before = QApplication::palette();
    QPalette dark = before;
    dark.setColor(QPalette::WindowText, QColor(235, 235, 235));
    dark.setColor(QPalette::Window, QColor(30, 30, 30));
    QPalette light = before;
    light.setColor(QPalette::WindowText, QColor(25, 25, 25));
    light.setColor(QPalette::Window, QColor(250, 250, 250));

    QApplication::setPalette(dark);
    // A window whose tab, made while dark, is not the one shown.
    QWidget window;
    auto* tab = new QWidget(&window);
    auto& bar = *new StatusBarView(tab);
    tab->hide();
    window.show();
    bar.update(sample());
    EXPECT_EQ(bar.titleColor(Segment::encoding), QColor(235, 235, 235));
    // Back to the light theme, with no new content for the bar.
    QApplication::setPalette(light);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return bar.palette().color(QPalette::WindowText) == QColor(25, 25, 25); }));
    EXPECT_EQ(bar.titleColor(Segment::encoding), QColor(25, 25, 25));
    EXPECT_TRUE(bar.button(Segment::encoding)->styleSheet().contains(QColor(25, 25, 25).name(QColor::HexArgb)))
        << bar.button(Segment::encoding)->styleSheet().toStdString();
    QApplication::setPalette(before);
}

TEST(StatusBarView, theTitlesStartAtTheLeftWithAndWithoutAPath)
{
    StatusBarView bar;
    bar.resize(900, 24);
    bar.show();
    StatusBarView::Content content = sample();
    std::vector<int> lefts;
    for (bool withPath : {true, false}) {
        content.path = withPath ? std::optional<QString>(QStringLiteral("/tmp/a.txt")) : std::nullopt;
        bar.update(content);
        QCoreApplication::processEvents();
        lefts.push_back(bar.button(Segment::position)->geometry().left());
    }
    EXPECT_EQ(lefts[0], lefts[1]);
    EXPECT_LT(lefts[1], 60);
}

TEST(StatusBarView, pathShrinksFirstAndHidesWithoutAPath)
{
    StatusBarView bar;
    bar.resize(420, 24);
    StatusBarView::Content content = sample();
    content.path = QStringLiteral("/very/long/folder/name/that/goes/on/and/on/and/on/file.txt");
    bar.update(content);
    bar.show();
    bar.resize(420, 24);
    QCoreApplication::processEvents();
    // The segments keep their full titles; the path is cut in its middle.
    EXPECT_EQ(bar.button(Segment::language)->text(), QStringLiteral("일반 텍스트"));
    EXPECT_LE(bar.button(Segment::language)->geometry().right(), bar.width());
    EXPECT_TRUE(bar.pathButton()->text().contains(QStringLiteral("…")));
    EXPECT_TRUE(bar.pathButton()->text().endsWith(QStringLiteral("file.txt")));
    EXPECT_TRUE(bar.pathButton()->toolTip().startsWith(*content.path + QLatin1Char('\n')));

    content.path.reset();
    bar.update(content);
    EXPECT_TRUE(bar.pathButton()->isHidden());
    EXPECT_TRUE(bar.pathButton()->toolTip().isEmpty());
}

TEST(StatusBarView, theStatusFontsDrawEverySymbolOfTheBar)
{
    // Laid out with the button's font and the system's fallbacks, no character may come out
    // as the missing-glyph box.
    auto missingGlyphs = [](const QString& text, const QFont& font) {
        QTextLayout layout(text, font);
        layout.beginLayout();
        layout.createLine();
        layout.endLayout();
        int missing = 0;
        for (const QGlyphRun& run : layout.glyphRuns()) {
            for (quint32 glyph : run.glyphIndexes())
                missing += glyph == 0 ? 1 : 0;
        }
        return missing;
    };
    ASSERT_EQ(missingGlyphs(QStringLiteral("\U0001F512"), QFont()), 1)
        << "a character without a glyph is seen";

    StatusBarView bar;
    StatusBarView::Content content = sample();
    content.position = QStringLiteral("12:3 (5)");
    content.encoding = QStringLiteral("UTF-16 LE BOM");
    content.lineEnding = QStringLiteral("섞임");
    content.problems = QStringLiteral("오류 2");
    content.suspicious = QStringLiteral("수상한 글자 1");
    content.readOnly = QStringLiteral("읽기 전용");
    content.follow = QStringLiteral("● 따라보는 중");
    bar.update(content);
    for (Segment segment : StatusBarView::allSegments) {
        QPushButton* button = bar.button(segment);
        ASSERT_NE(button, nullptr);
        SCOPED_TRACE(button->text().toStdString());
        EXPECT_EQ(missingGlyphs(button->text(), button->font()), 0);
    }
}
