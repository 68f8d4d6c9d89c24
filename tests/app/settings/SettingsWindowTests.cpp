#include "app/kit/Localized.h"
#include "app/settings/PreviewBox.h"
#include "app/settings/SettingsWindowController.h"
#include "platform/PreferencesDomain.h"
#include "tests/app/settings/SettingsTestSupport.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTest>
#include <QToolBar>
#include <QVBoxLayout>

#include <filesystem>
#include <memory>

namespace {

using EditorSettings::PreviewBox;
using EditorSettings::SettingsSheet;
using EditorSettings::SettingsWindowController;
using EditorStore::SettingGroup;
using SettingsTests::RecordingPresenter;
using SettingsTests::SettingsTest;

class Window : public SettingsTest
{
protected:
    void SetUp() override
    {
        SettingsTest::SetUp();
        // A file of each test's own: ctest runs the tests of this suite side by side, and
        // each of them stores the window's frame.
        const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        const auto file =
            std::filesystem::path(OLV_TEST_HOME) / ("window-preferences-" + name + ".json");
        std::filesystem::remove(file);
        preferences = std::make_shared<Platform::PreferencesDomain>(file);
    }

    std::unique_ptr<SettingsWindowController> makeController()
    {
        SettingsWindowController::Environment environment;
        environment.presenter = presenter;
        environment.preferences = preferences;
        return std::make_unique<SettingsWindowController>(environment);
    }

    std::shared_ptr<Platform::PreferencesDomain> preferences;
    std::shared_ptr<RecordingPresenter> presenter = std::make_shared<RecordingPresenter>();
};

TEST_F(Window, hasTheFourPanesAsToolBarTabsInOrder)
{
    auto controller = makeController();
    const QList<QAction*> tabs = controller->tabActions();
    ASSERT_EQ(tabs.size(), 4);
    const QString titles[] = {QStringLiteral("일반"),
                              QStringLiteral("편집"),
                              QStringLiteral("보기"),
                              QStringLiteral("파일")};
    const char* symbols[] = {"gearshape", "pencil", "eye", "doc"};
    const std::optional<SettingGroup> groups[] = {
        std::nullopt, SettingGroup::editor, SettingGroup::view, SettingGroup::file};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(tabs[i]->text(), titles[i]);
        EXPECT_FALSE(tabs[i]->icon().isNull()) << symbols[i];
        EXPECT_TRUE(tabs[i]->isCheckable());
        auto* pane = controller->panes()[static_cast<std::size_t>(i)];
        EXPECT_EQ(pane->symbol(), symbols[i]);
        EXPECT_EQ(pane->group(), groups[i]);
        EXPECT_EQ(pane->resetButton() != nullptr, groups[i].has_value());
    }
    EXPECT_TRUE(tabs[0]->isChecked());
    tabs[2]->trigger();
    EXPECT_EQ(controller->selectedPane(), controller->panes()[2]);
    EXPECT_FALSE(tabs[0]->isChecked()) << "the tabs are exclusive";
    EXPECT_EQ(controller->window()->windowTitle(), QStringLiteral("보기"));

    // Closable, not minimisable or resizable.
    const Qt::WindowFlags flags = controller->window()->windowFlags();
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(controller->window()->layout()->sizeConstraint(), QLayout::SetFixedSize);
}

TEST_F(Window, openingTwiceShowsTheSameWindowCentredTheFirstTime)
{
    auto controller = makeController();
    QWidget* window = controller->window();
    controller->showWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_LE((window->frameGeometry().center() - screen.center()).manhattanLength(), 2)
        << window->frameGeometry().x() << "," << window->frameGeometry().y() << " "
        << window->frameGeometry().width() << "x" << window->frameGeometry().height() << " in "
        << screen.width() << "x" << screen.height();
    EXPECT_GE(window->width(), 540);

    window->move(window->pos() + QPoint(30, 20));
    const QPoint moved = window->pos();
    controller->showWindow();
    EXPECT_EQ(controller->window(), window);
    EXPECT_EQ(window->pos(), moved) << "a visible window stays where it is";

    // Ctrl+W closes it, and the position is remembered under the window's name.
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    QTest::keyClick(window, Qt::Key_W, Qt::ControlModifier);
    EXPECT_FALSE(window->isVisible());
    const auto stored = preferences->object("SettingsWindow");
    ASSERT_TRUE(stored.has_value());
    const auto* text = std::get_if<std::string>(&*stored);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(
        QString::fromStdString(*text).section(QLatin1Char(' '), 0, 1),
        QStringLiteral("%1 %2").arg(window->frameGeometry().x()).arg(window->frameGeometry().y()));
}

TEST_F(Window, theSharedControllerIsOneForTheRun)
{
    EXPECT_EQ(&SettingsWindowController::shared(), &SettingsWindowController::shared());
    EXPECT_EQ(SettingsWindowController::shared().panes().size(), 4u);
}

TEST_F(Window, theWindowsSizeFollowsTheSelectedPane)
{
    auto controller = makeController();
    controller->showWindow();
    QWidget* window = controller->window();
    const QRect screen = window->screen()->availableGeometry();
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        // Low on the screen: a taller pane must not reach below it.
        window->move(window->x(), screen.bottom() - 150);
        controller->selectTab(i);
        QSize content = controller->panes()[static_cast<std::size_t>(i)]->fittingContentSize();
        EXPECT_EQ(controller->panes()[static_cast<std::size_t>(i)]->size(), content);
        EXPECT_EQ(window->height(), content.height() + controller->toolBar()->sizeHint().height());
        if (window->frameGeometry().height() <= screen.height()) {
            EXPECT_LE(window->frameGeometry().bottom(), screen.bottom());
        }
    }
}

class PlainSheet : public SettingsSheet
{
public:
    PlainSheet()
    {
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(new QLabel(QStringLiteral("sheet")));
    }
};

TEST_F(Window, presentingASheetShowsTheWindowOnTheGeneralPane)
{
    auto controller = makeController();
    controller->selectTab(3);
    QPointer<SettingsSheet> sheet;
    controller->presentSheet([&] {
        sheet = new PlainSheet;
        return sheet.data();
    });
    EXPECT_TRUE(controller->window()->isVisible());
    EXPECT_EQ(controller->selectedPane(), controller->panes()[0]);
    QCoreApplication::processEvents();
    ASSERT_FALSE(sheet.isNull());
    EXPECT_EQ(controller->panes()[0]->presentedSheet(), sheet.data());
    EXPECT_EQ(sheet->parentWidget(), controller->window());
    EXPECT_EQ(sheet->windowModality(), Qt::WindowModal);
    sheet->dismiss();
}

TEST(PreviewBoxTest, isNeverNarrowerThanItsMinimumAndInsetsItsContent)
{
    auto* content = new QLabel(QStringLiteral("x"));
    PreviewBox box(content, 380);
    box.adjustSize();
    EXPECT_GE(box.width(), 380);
    box.resize(100, 40);
    EXPECT_GE(box.width(), 380);
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    EXPECT_EQ(content->x(), 10);
    EXPECT_EQ(box.layout()->contentsMargins(), QMargins(10, 8, 10, 8));
}

TEST(PreviewBoxTest, takesItsColoursFromThePaletteAtEveryChange)
{
    PreviewBox box(new QLabel(QStringLiteral(" ")), 100);
    box.resize(120, 40);
    const auto colours = [&box](QColor base, QColor mid) {
        QPalette palette = box.palette();
        palette.setColor(QPalette::Base, base);
        palette.setColor(QPalette::Mid, mid);
        box.setPalette(palette);
        const QImage image = box.grab().toImage();
        return std::make_pair(image.pixelColor(image.width() - 20, image.height() / 2),
                              image.pixelColor(image.width() / 2, 0));
    };
    auto [inside, border] = colours(Qt::white, QColor(0x80, 0x80, 0x80));
    EXPECT_EQ(inside, QColor(Qt::white));
    EXPECT_LT(border.red(), 0xf0);
    std::tie(inside, border) = colours(QColor(0x20, 0x20, 0x20), QColor(0xe0, 0x40, 0x40));
    EXPECT_EQ(inside, QColor(0x20, 0x20, 0x20));
    EXPECT_GT(border.red(), border.green());
    EXPECT_EQ(box.backgroundColor(), QColor(0x20, 0x20, 0x20));
}

} // namespace

namespace {

bool hasHangul(const QString& text)
{
    for (QChar c : text) {
        if (c.unicode() >= 0xAC00 && c.unicode() <= 0xD7A3)
            return true;
    }
    return false;
}

TEST_F(Window, everyTextOfThePanesIsTranslated)
{
    for (const char* language : {"en", "ja"}) {
        SCOPED_TRACE(language);
        ASSERT_TRUE(EditorKit::installTranslation(QString::fromLatin1(language)));
        auto controller = makeController();
        QStringList texts;
        for (auto* action : controller->tabActions())
            texts << action->text();
        for (auto* label : controller->window()->findChildren<QLabel*>()) {
            // The font sample shows Hangul on purpose.
            if (label->objectName() != QStringLiteral("fontSample"))
                texts << label->text();
        }
        for (auto* button : controller->window()->findChildren<QAbstractButton*>())
            texts << button->text();
        for (auto* popup : controller->window()->findChildren<QComboBox*>()) {
            for (int i = 0; i < popup->count(); ++i) {
                // The language choices name each language in its own words.
                if (popup->itemText(i) != QStringLiteral("한국어"))
                    texts << popup->itemText(i);
            }
        }
        for (const QString& text : texts)
            EXPECT_FALSE(hasHangul(text)) << text.toStdString();
    }
    // Later tests of this program read the Korean texts themselves.
    EditorKit::installTranslation(QString());
}

} // namespace
