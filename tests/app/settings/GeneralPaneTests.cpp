#include "app/settings/SettingsWindowController.h"
#include "platform/PreferencesDomain.h"
#include "tests/app/settings/SettingsTestSupport.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QStandardPaths>
#include <QFile>
#include <QTest>

#include <filesystem>
#include <memory>

namespace {

using EditorSettings::SettingsPane;
using EditorSettings::SettingsSheet;
using EditorSettings::SettingsWindowController;
using EditorStore::SettingKeys;
using SettingsTests::RecordingPresenter;
using SettingsTests::SettingsTest;
using Services = SettingsWindowController::GeneralPaneServices;

// The settings window with the General pane shown and the shell's services stubbed.
class GeneralPane : public SettingsTest
{
protected:
    void SetUp() override
    {
        SettingsTest::SetUp();
        const auto file = std::filesystem::path(OLV_TEST_HOME) / "general-preferences.json";
        std::filesystem::remove(file);
        preferences = std::make_shared<Platform::PreferencesDomain>(file);
        services.launchLanguage = [this] { return launchLanguage; };
        services.systemLanguageName = [] { return QStringLiteral("English"); };
        services.appVersion = [this] { return version; };
        services.lastUpdateCheckDate = [this] { return lastCheck; };
        services.memoFileURL = [this] { return memoFile; };
        services.shortcutText = [](std::string_view value) {
            return QStringLiteral("keys:") + QString::fromUtf8(value.data(), value.size());
        };
        services.fileManagerModuleInstalled = [this] { return moduleInstalled; };
        services.commandLinkIsOurs = [this] { return linkIsOurs; };
        services.desktopEntryInstalled = [this] { return desktopEntry; };
    }
    void TearDown() override
    {
        controller.reset();
        SettingsTest::TearDown();
    }

    SettingsPane& open()
    {
        SettingsWindowController::Environment environment;
        environment.presenter = presenter;
        environment.preferences = preferences;
        environment.generalPane = services;
        controller = std::make_unique<SettingsWindowController>(environment);
        controller->showWindow();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(controller->window()));
        return *controller->panes().front();
    }

    template<class T>
    T* withText(const QString& text) const
    {
        for (T* widget : controller->window()->findChildren<T*>()) {
            if (widget->text() == text)
                return widget;
        }
        return nullptr;
    }
    template<class T>
    T* named(const char* name) const
    {
        return controller->window()->findChild<T*>(QString::fromLatin1(name));
    }

    std::string launchLanguage = "system";
    std::optional<std::string> version = std::string("1.2.3");
    std::optional<std::chrono::system_clock::time_point> lastCheck;
    std::optional<std::filesystem::path> memoFile;
    bool moduleInstalled = false;
    bool linkIsOurs = false;
    bool desktopEntry = false;
    Services services;
    std::shared_ptr<Platform::PreferencesDomain> preferences;
    std::shared_ptr<RecordingPresenter> presenter = std::make_shared<RecordingPresenter>();
    std::unique_ptr<SettingsWindowController> controller;
};

TEST_F(GeneralPane, boundRowsStoreAndShowTheirSettings)
{
    SettingsPane& pane = open();
    struct Case
    {
        const char* title;
        const EditorStore::SettingKeys::Boolean& key;
    };
    const Case cases[] = {
        {"하루 한 번 새 판 확인", SettingKeys::updateAutoCheck},
        {"메뉴 막대에 아이콘 보이기", SettingKeys::generalMenuBarIcon},
        {"맥에 로그인하면 조용히 켜기 (창 없이)", SettingKeys::generalLaunchAtLogin},
        {"껐다 켜면 창 되살리기", SettingKeys::generalRestoreWindows},
        {"만들면 바로 열기", SettingKeys::finderOpenAfterCreate},
    };
    for (const Case& item : cases) {
        SCOPED_TRACE(item.title);
        auto* box = withText<QCheckBox>(QString::fromUtf8(item.title));
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->isChecked(), item.key.defaultValue);
        box->click();
        EXPECT_EQ(settings().value(item.key), !item.key.defaultValue);
        settings().set(item.key.defaultValue, item.key);
        EXPECT_EQ(box->isChecked(), item.key.defaultValue) << "follows the store";
    }

    auto* shortcut = named<QComboBox>("quickMemoShortcutPopup");
    ASSERT_NE(shortcut, nullptr);
    ASSERT_EQ(shortcut->count(), 5);
    EXPECT_EQ(shortcut->itemText(0), QStringLiteral("keys:ctrl+opt+n"));
    EXPECT_EQ(shortcut->itemText(4), QStringLiteral("끔"));
    shortcut->activated(2);
    EXPECT_EQ(settings().value(SettingKeys::quickMemoShortcut), "shift+cmd+m");
    settings().set(std::string("off"), SettingKeys::quickMemoShortcut);
    EXPECT_EQ(shortcut->currentIndex(), 4);

    auto* language = named<QComboBox>("languagePopup");
    ASSERT_NE(language, nullptr);
    const QStringList titles = {QStringLiteral("시스템 따라 (English)"),
                                QStringLiteral("한국어"),
                                QStringLiteral("English"),
                                QStringLiteral("日本語")};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(language->itemText(i), titles[i]) << "names the environment's language";
    language->activated(3);
    EXPECT_EQ(settings().value(SettingKeys::generalLanguage), "ja");

    EXPECT_EQ(pane.resetButton(), nullptr);
    for (auto* button : pane.findChildren<QAbstractButton*>())
        EXPECT_NE(button->text(), QStringLiteral("기본값으로…"));
}

TEST_F(GeneralPane, relaunchRowsShowWhileTheLanguageDiffersFromTheLaunchAndTheWindowFits)
{
    for (const std::string atLaunch : {"system", "ko"}) {
        SCOPED_TRACE(atLaunch);
        resetAll();
        launchLanguage = atLaunch;
        settings().set(atLaunch, SettingKeys::generalLanguage);
        open();
        auto* relaunch = withText<QAbstractButton>(QStringLiteral("다시 켜기"));
        auto* note = withText<QLabel>(
            QStringLiteral("바꾼 언어는 다시 켜면 보여요. 탭 · 메모는 그대로 돌아와요."));
        ASSERT_NE(relaunch, nullptr);
        ASSERT_NE(note, nullptr);
        EXPECT_FALSE(relaunch->isVisible());
        EXPECT_FALSE(note->isVisible());
        const QRect before = controller->window()->geometry();

        named<QComboBox>("languagePopup")->activated(2);
        ASSERT_EQ(settings().value(SettingKeys::generalLanguage), "en");
        EXPECT_TRUE(relaunch->isVisible());
        EXPECT_TRUE(note->isVisible());
        const QRect grown = controller->window()->geometry();
        EXPECT_GT(grown.height(), before.height());
        EXPECT_EQ(grown.top(), before.top()) << "the top edge stays";

        settings().set(atLaunch, SettingKeys::generalLanguage);
        EXPECT_FALSE(relaunch->isVisible());
        EXPECT_EQ(controller->window()->geometry().height(), before.height());
        EXPECT_EQ(controller->window()->geometry().top(), before.top());
    }
}

TEST_F(GeneralPane, relaunchButtonCallsTheShell)
{
    int relaunches = 0;
    services.relaunch = [&relaunches] { ++relaunches; };
    settings().set(std::string("en"), SettingKeys::generalLanguage);
    open();
    auto* relaunch = withText<QAbstractButton>(QStringLiteral("다시 켜기"));
    ASSERT_NE(relaunch, nullptr);
    ASSERT_TRUE(relaunch->isVisible());
    relaunch->click();
    EXPECT_EQ(relaunches, 1);
}

TEST_F(GeneralPane, updateLineNamesTheLastCheckAndTheVersion)
{
    EXPECT_EQ(SettingsWindowController::updateStatusText(std::nullopt, std::string("1.2.3")),
              QStringLiteral("아직 확인 안 함 · 지금 1.2.3"));
    EXPECT_EQ(SettingsWindowController::updateStatusText(std::nullopt, std::nullopt),
              QStringLiteral("아직 확인 안 함 · 지금 ?"));
    EXPECT_EQ(SettingsWindowController::updateStatusText(std::nullopt, std::string()),
              QStringLiteral("아직 확인 안 함 · 지금 ?"));
    // 2026-03-04 05:06 UTC, well inside the day in every time zone but the far ones.
    const auto when = std::chrono::system_clock::time_point(std::chrono::seconds(1772600760));
    const QString dated = SettingsWindowController::updateStatusText(when, std::string("1.2.3"));
    EXPECT_TRUE(dated.startsWith(QStringLiteral("마지막 확인: "))) << dated.toStdString();
    EXPECT_TRUE(dated.contains(QStringLiteral("2026"))) << dated.toStdString();
    EXPECT_TRUE(dated.endsWith(QStringLiteral(" · 지금 1.2.3"))) << dated.toStdString();

    // The pane's note asks the services each time it refreshes.
    open();
    auto* note = named<QLabel>("updateStatus");
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(note->text(), QStringLiteral("아직 확인 안 함 · 지금 1.2.3"));
    lastCheck = when;
    version.reset();
    controller->panes().front()->refresh();
    EXPECT_TRUE(note->text().startsWith(QStringLiteral("마지막 확인: ")));
    EXPECT_TRUE(note->text().endsWith(QStringLiteral("지금 ?")));
}

TEST_F(GeneralPane, memoPathShowsTheHomeAsTildeAndTheDialogStoresOnlyAChoice)
{
    const std::filesystem::path home = QDir::homePath().toStdString();
    memoFile = home / "Documents" / "빠른 메모.txt";
    std::vector<std::pair<QString, QString>> asked;
    std::optional<std::filesystem::path> answer;
    services.chooseMemoFile = [&](QWidget*, const QString& name, const QString& folder) {
        asked.emplace_back(name, folder);
        return answer;
    };
    open();
    auto* path = named<QLabel>("quickMemoPath");
    ASSERT_NE(path, nullptr);
    EXPECT_EQ(path->text(), QStringLiteral("~/Documents/빠른 메모.txt"));

    auto* change = withText<QAbstractButton>(QStringLiteral("바꾸기…"));
    ASSERT_NE(change, nullptr);
    change->click();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].first, QStringLiteral("빠른 메모.txt"));
    EXPECT_EQ(asked[0].second, QString::fromStdString((home / "Documents").string()));
    EXPECT_EQ(settings().value(SettingKeys::quickMemoPath), "") << "cancelled: nothing changes";

    answer = std::filesystem::path("/srv/notes/memo.txt");
    change->click();
    EXPECT_EQ(settings().value(SettingKeys::quickMemoPath), "/srv/notes/memo.txt");
    // The label follows the store's notification, so it shows what the memo file now is.
    memoFile = std::filesystem::path("/srv/notes/memo.txt");
    settings().set(std::string("/srv/notes/memo.txt"), SettingKeys::quickMemoPath);
    EXPECT_EQ(path->text(), QStringLiteral("/srv/notes/memo.txt"));
}

// A sheet that stands for the file-manager guide: it installs the module while it is shown.
class InstallingSheet : public SettingsSheet
{
public:
    explicit InstallingSheet(bool& installed)
        : m_installed(installed)
    {}
    void showEvent(QShowEvent* event) override
    {
        SettingsSheet::showEvent(event);
        m_installed = true;
    }

private:
    bool& m_installed;
};

TEST_F(GeneralPane, fileManagerStatusTurnsOnAfterTheGuideSheetCloses)
{
    services.makeFileManagerSheet = [this]() -> SettingsSheet* {
        return new InstallingSheet(moduleInstalled);
    };
    SettingsPane& pane = open();
    auto* status = named<QLabel>("fileManagerStatus");
    auto* button = named<QAbstractButton>("fileManagerButton");
    ASSERT_NE(status, nullptr);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(status->text(), QStringLiteral("● 꺼짐"));
    EXPECT_EQ(button->text(), QStringLiteral("켜는 법…"));
    const QColor off = status->palette().color(QPalette::WindowText);

    button->click();
    QTRY_VERIFY(pane.presentedSheet() != nullptr);
    EXPECT_EQ(status->text(), QStringLiteral("● 꺼짐")) << "no refresh while the sheet is up";
    pane.presentedSheet()->dismiss();
    EXPECT_EQ(status->text(), QStringLiteral("● 켜짐"));
    EXPECT_EQ(button->text(), QStringLiteral("보기…"));
    const QColor on = status->palette().color(QPalette::WindowText);
    EXPECT_GT(on.green(), on.red()) << "green";
    EXPECT_GT(off.red(), off.blue()) << "orange";
}

TEST_F(GeneralPane, commandLinkCountsOnlyWhenItIsOurs)
{
    SettingsPane& pane = open();
    auto* status = named<QLabel>("commandLineToolStatus");
    auto* button = named<QAbstractButton>("commandLineToolButton");
    ASSERT_NE(status, nullptr);
    ASSERT_NE(button, nullptr);
    // A link to another copy: the check says it is not ours.
    EXPECT_EQ(status->text(), QStringLiteral("설치 안 됨"));
    EXPECT_EQ(button->text(), QStringLiteral("설치하는 법…"));
    button->click(); // no installer given: nothing to present
    QCoreApplication::processEvents();
    EXPECT_EQ(pane.presentedSheet(), nullptr);
    linkIsOurs = true;
    pane.refresh();
    EXPECT_EQ(status->text(), QStringLiteral("● 설치됨"));
    EXPECT_EQ(button->text(), QStringLiteral("보기…"));
}

TEST_F(GeneralPane, openWithNoteSaysWhetherTheDesktopEntryIsInstalled)
{
    SettingsPane& pane = open();
    auto* note = named<QLabel>("openWithNote");
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(note->text(), QStringLiteral("데스크톱 항목이 설치되지 않아 「다른 앱으로 열기」 에는 아직 없어요"));
    desktopEntry = true;
    pane.refresh();
    EXPECT_EQ(note->text(), QStringLiteral("Finder 의 「다음으로 열기」 에는 이미 있어요"));

    // Without a stub the XDG data folders are read: the test home has no entry until one is
    // put into its applications folder.
    services.desktopEntryInstalled = nullptr;
    controller.reset();
    const QString applications =
        QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation);
    QFile::remove(applications + QStringLiteral("/app.orlune.viewer.desktop"));
    SettingsPane& real = open();
    note = named<QLabel>("openWithNote");
    if (!QStandardPaths::locate(QStandardPaths::ApplicationsLocation,
                                QStringLiteral("app.orlune.viewer.desktop"))
             .isEmpty())
        GTEST_SKIP() << "an editor is installed on this machine";
    EXPECT_EQ(note->text(), QStringLiteral("데스크톱 항목이 설치되지 않아 「다른 앱으로 열기」 에는 아직 없어요"));
    ASSERT_TRUE(QDir().mkpath(applications));
    QFile entry(applications + QStringLiteral("/app.orlune.viewer.desktop"));
    ASSERT_TRUE(entry.open(QIODevice::WriteOnly));
    entry.write("[Desktop Entry]\nType=Application\nName=Orlune Viewer\nExec=orlune-viewer %F\n");
    entry.close();
    real.refresh();
    EXPECT_EQ(note->text(), QStringLiteral("Finder 의 「다음으로 열기」 에는 이미 있어요"));
    QFile::remove(applications + QStringLiteral("/app.orlune.viewer.desktop"));
}

TEST_F(GeneralPane, defaultAppHelpIsAnAlertOverTheSettingsWindow)
{
    QWidget* shownOver = nullptr;
    struct OverPresenter : RecordingPresenter
    {
        QWidget** over = nullptr;
        int runAlert(const EditorKit::Alert& alert, QWidget* parent) override
        {
            *over = parent;
            return RecordingPresenter::runAlert(alert, parent);
        }
    };
    auto recording = std::make_shared<OverPresenter>();
    recording->over = &shownOver;
    presenter = recording;
    open();
    auto* help = withText<QAbstractButton>(QStringLiteral(".txt 를 이 앱으로 여는 법…"));
    ASSERT_NE(help, nullptr);
    help->click();
    ASSERT_EQ(recording->alerts.size(), 1u);
    EXPECT_EQ(shownOver, controller->window());
    const EditorKit::Alert& alert = recording->alerts[0];
    EXPECT_EQ(alert.text, QStringLiteral(".txt 파일을 언제나 Orlune Viewer로 열려면"));
    EXPECT_TRUE(alert.informativeText.contains(QStringLiteral("\n\n.md · .log")));
    ASSERT_EQ(alert.buttons.size(), 1u);
    EXPECT_EQ(alert.buttons[0], QStringLiteral("확인"));
}

} // namespace
