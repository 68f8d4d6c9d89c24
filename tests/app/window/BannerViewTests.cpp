#include "app/window/BannerView.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>

#include <gtest/gtest.h>

using EditorWindow::BandBackgroundView;
using EditorWindow::BannerView;

TEST(BannerView, actionsRunByTagAndOnlyTheFirstCarriesTheAccent)
{
    std::vector<int> runs;
    BannerView banner(QStringLiteral("external.changed"),
                      BannerView::Kind::warning,
                      QStringLiteral("다른 프로그램이 이 파일을 바꿨어요."),
                      {{QStringLiteral("바깥 것 보기"), [&] { runs.push_back(0); }},
                       {QStringLiteral("바깥 것 불러오기"), [&] { runs.push_back(1); }},
                       {QStringLiteral("내 것 저장"), [&] { runs.push_back(2); }}});
    ASSERT_EQ(banner.actionButtons().size(), 3);
    banner.actionButtons()[2]->click();
    banner.actionButtons()[0]->click();
    banner.runAction(7);
    banner.runAction(-1);
    EXPECT_EQ(runs, (std::vector<int>{2, 0}));
    EXPECT_TRUE(banner.actionButtons()[0]->property("olvAccent").toBool());
    EXPECT_FALSE(banner.actionButtons()[1]->property("olvAccent").toBool());
    EXPECT_FALSE(banner.actionButtons()[2]->property("olvAccent").toBool());
}

TEST(BannerView, closeButtonOnlyRunsOnClose)
{
    BannerView banner(QStringLiteral("k"), BannerView::Kind::info, QStringLiteral("안내"), {});
    EXPECT_TRUE(banner.actionButtons().isEmpty());
    // Without a handler the click changes nothing.
    banner.closeButton()->click();
    EXPECT_EQ(banner.key(), QStringLiteral("k"));
    int closes = 0;
    banner.onClose = [&] { ++closes; };
    banner.closeButton()->click();
    EXPECT_EQ(closes, 1);
}

TEST(BannerView, longMessageWrapsBeforeButtonsShrink)
{
    BannerView banner(QStringLiteral("k"),
                      BannerView::Kind::error,
                      QString(40, QLatin1Char('w')) + QStringLiteral(" ")
                          + QString(40, QLatin1Char('w')) + QStringLiteral(" end"),
                      {{QStringLiteral("다른 이름으로 저장"), [] {}}});
    banner.resize(500, banner.heightForWidth(500));
    banner.show();
    QCoreApplication::processEvents();
    QPushButton* button = banner.actionButtons()[0];
    EXPECT_GE(button->width(), button->sizeHint().width());
    EXPECT_TRUE(banner.messageLabel()->wordWrap());
    EXPECT_GT(banner.heightForWidth(500), banner.heightForWidth(3000));
}

TEST(BandBackgroundView, fillFollowsThePalette)
{
    BannerView banner(QStringLiteral("k"), BannerView::Kind::error, QStringLiteral("x"), {});
    QPalette light = banner.palette();
    light.setColor(QPalette::Window, Qt::white);
    light.setColor(QPalette::WindowText, Qt::black);
    banner.setPalette(light);
    QColor before = banner.currentFillColor();
    QPalette dark = light;
    dark.setColor(QPalette::Window, QColor(30, 30, 30));
    dark.setColor(QPalette::WindowText, Qt::white);
    banner.setPalette(dark);
    QColor after = banner.currentFillColor();
    EXPECT_NE(before.rgb(), after.rgb());
    EXPECT_NEAR(after.alphaF(), 0.14, 0.01);

    BandBackgroundView plain;
    EXPECT_EQ(plain.currentFillColor(), plain.palette().color(QPalette::Window));
}
