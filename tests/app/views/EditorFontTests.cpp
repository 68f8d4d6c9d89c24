#include "app/views/EditorFont.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QStringList>

#include <gtest/gtest.h>

#include <limits>

using namespace EditorViews;

namespace {

QString resolvedFamily(const QFont& font)
{
    return QFontInfo(font).family();
}

} // namespace

TEST(EditorFont, fallbackChainEndsAtTheMonospacedSystemFont)
{
    ASSERT_TRUE(QFontDatabase::families().contains("D2Coding"))
        << "fonts-naver-d2coding is not installed";
    const QString systemMono =
        QFontInfo(QFontDatabase::systemFont(QFontDatabase::FixedFont)).family();
    ASSERT_NE(systemMono, "D2Coding");

    struct Case
    {
        const char* name;
        std::optional<QString> family;
        QString fallback;
        QString expected;
    };
    const Case cases[] = {
        {"the default setting", std::nullopt, defaultEditorFontFamily, "D2Coding"},
        {"an installed family",
         QString("DejaVu Sans Mono"),
         defaultEditorFontFamily,
         "DejaVu Sans Mono"},
        {"a font name", QString("D2Coding Bold"), defaultEditorFontFamily, "D2Coding"},
        {"an unknown family falls to D2Coding",
         QString("No Such Family 42"),
         defaultEditorFontFamily,
         "D2Coding"},
        {"without the fallback family",
         QString("No Such Family 42"),
         QString("Also Not Installed"),
         systemMono},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QFont font = editorFont(c.family, 13.0, 1.0, {}, c.fallback);
        EXPECT_EQ(resolvedFamily(font), c.expected);
        EXPECT_EQ(font.pixelSize(), 13);
    }
    QFont bold = editorFont(QString("D2Coding Bold"), 13.0, 1.0);
    EXPECT_EQ(QFontInfo(bold).bold(), true);
}

TEST(EditorFont, sizeTimesZoomRoundsHalvesAwayFromZero)
{
    struct Case
    {
        std::optional<double> size;
        double zoom;
        int expected;
    };
    const Case cases[] = {{13.0, 1.125, 15},
                          {13.0, 0.5, 7},
                          {13.0, 1.0, 13},
                          {std::nullopt, 2.0, 36},
                          {12.0, 0.625, 8}};
    EditorFontSettings settings;
    settings.fontSize = 18.0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.zoom);
        EXPECT_EQ(editorFont(QString("D2Coding"), c.size, c.zoom, settings).pixelSize(),
                  c.expected);
    }
}

TEST(EditorFont, paragraphStyleLineHeightAndTabInterval)
{
    QFont font = editorFont(QString("D2Coding"), 20.0, 1.0);
    double zero = QFontMetricsF(font).horizontalAdvance("0");
    for (int width : {0, -3, 1}) {
        SCOPED_TRACE(width);
        EXPECT_DOUBLE_EQ(editorParagraphStyle(font, width, 1.4).defaultTabInterval, zero);
    }
    EXPECT_DOUBLE_EQ(editorParagraphStyle(font, 4, 1.4).defaultTabInterval, 4 * zero);
    // Line spacing 1.0 is the font size, whatever the font's own line height.
    EXPECT_NEAR(editorParagraphStyle(font, 4, 1.0).lineHeight, 20.0, 1e-9);
    EditorFontSettings settings;
    settings.lineSpacing = 1.5;
    EXPECT_NEAR(editorParagraphStyle(font, 4, std::nullopt, settings).lineHeight, 30.0, 1e-9);
}

TEST(EditorFont, damagedSizesZoomsAndSpacingsStaySane)
{
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EditorFontSettings settings;
    settings.fontSize = 15.0;
    struct Case
    {
        const char* name;
        std::optional<double> size;
        double zoom;
        int expected;
    };
    const Case cases[] = {{"NaN zoom", 13.0, nan, 15},
                          {"infinite size", inf, 1.0, 15},
                          {"negative size", -4.0, 1.0, 15},
                          {"zero zoom", 13.0, 0.0, 15},
                          {"huge size", 1e12, 4.0, 288}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(editorFont(QString("D2Coding"), c.size, c.zoom, settings).pixelSize(),
                  c.expected);
    }
    QFont font = editorFont(QString("D2Coding"), 20.0, 1.0);
    EXPECT_NEAR(editorParagraphStyle(font, 4, nan).lineHeight, 20.0, 1e-9);
}
