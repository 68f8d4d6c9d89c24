// The application delegate in process: the settings reaction, the theme, the event log action
// and the launch's restore and untitled decisions.

#include "app/documents/DocumentServices.h"
#include "app/documents/TextDocument.h"
#include "app/kit/ActionRouter.h"
#include "app/kit/HostWindow.h"
#include "app/kit/Presenter.h"
#include "app/settings/CommandLineToolSheet.h"
#include "app/settings/FinderMenuSheet.h"
#include "app/settings/SettingsWindowController.h"
#include "app/shell/AppDelegate.h"
#include "app/shell/Application.h"
#include "app/shell/EditorUpdater.h"
#include "app/window/hosting/TextDocumentWindow.h"
#include "store/ErrorLog.h"
#include "store/Settings.h"
#include "tests/platform/TemporaryFolder.h"

#include <QApplication>
#include <QDialog>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

struct Delegate : ::testing::Test
{
    EditorKit::ActionRouter router;
    std::unique_ptr<EditorShell::Application> application;

    void SetUp() override
    {
        application = std::make_unique<EditorShell::Application>(
            router,
            std::make_shared<EditorDocuments::DocumentServices>(
                *EditorDocuments::DocumentServices::shared()),
            std::make_shared<EditorKit::WidgetPresenter>());
    }

    void TearDown() override
    {
        for (auto* document : application->documentController().documents())
            document->undoStack()->setClean();
        application.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }

    std::size_t documentCount() { return application->documentController().documents().size(); }
};

} // namespace

TEST_F(Delegate, settingsReactionRunsItsStepsInOrderOnceEach)
{
    std::vector<std::string> calls;
    std::set<std::string> windowKeys;
    EditorShell::AppDelegate::Reactions reactions;
    reactions.applyTheme = [&] { calls.push_back("theme"); };
    reactions.setAutomaticChecks = [&] { calls.push_back("checks"); };
    reactions.registerHotKey = [&] { calls.push_back("hotKey"); };
    reactions.applyMenuBarItem = [&] { calls.push_back("menuBar"); };
    reactions.syncLoginItem = [&] { calls.push_back("login"); };
    reactions.applyWindows = [&](const std::set<std::string>& keys) {
        calls.push_back("windows");
        windowKeys = keys;
    };
    EditorShell::AppDelegate delegate(*application, reactions);
    delegate.applicationWillFinishLaunching();

    struct Case
    {
        std::vector<std::string> keys;
        std::vector<std::string> calls;
    };
    const Case cases[] = {
        {{"view.theme"}, {"theme", "windows"}},
        {{"update.autoCheck"}, {"checks", "windows"}},
        {{"quickMemo.shortcut"}, {"hotKey", "menuBar", "windows"}},
        {{"general.menuBarIcon"}, {"menuBar", "windows"}},
        {{"general.launchAtLogin"}, {"login", "windows"}},
        {{"editor.fontSize"}, {"windows"}},
        {{}, {"windows"}},
        // A group reset names everything at once, in any order.
        {{"general.launchAtLogin",
          "general.menuBarIcon",
          "quickMemo.shortcut",
          "update.autoCheck",
          "general.restoreWindows",
          "view.theme"},
         {"theme", "checks", "hotKey", "menuBar", "login", "windows"}},
    };
    for (const auto& c : cases) {
        calls.clear();
        // Through the settings store's notification, as a change in the settings window posts it.
        EditorStore::SettingsChangeCenter::shared()->post(c.keys);
        EXPECT_EQ(calls, c.calls) << ::testing::PrintToString(c.keys);
        EXPECT_EQ(windowKeys, std::set<std::string>(c.keys.begin(), c.keys.end()));
    }
}

TEST_F(Delegate, onlyLightAndDarkGetAPaletteOfTheirOwn)
{
    QPalette platform;
    platform.setColor(QPalette::Window, QColor(0x12, 0x34, 0x56));
    auto light = EditorShell::AppDelegate::themePalette("light", platform);
    auto dark = EditorShell::AppDelegate::themePalette("dark", platform);
    for (const auto& palette : {light, dark})
        EXPECT_NE(palette.color(QPalette::Window), platform.color(QPalette::Window));
    EXPECT_GT(light.color(QPalette::Base).lightness(), 200);
    EXPECT_LT(light.color(QPalette::Text).lightness(), 60);
    EXPECT_LT(dark.color(QPalette::Base).lightness(), 60);
    EXPECT_GT(dark.color(QPalette::Text).lightness(), 200);
    for (const char* other : {"system", "Dark", "LIGHT", "", "sepia"})
        EXPECT_EQ(EditorShell::AppDelegate::themePalette(other, platform), platform) << other;
}

TEST_F(Delegate, openErrorLogCreatesTheLogWithItsFirstLineAndOpensItReadOnly)
{
    TemporaryFolder folder;
    EditorStore::ErrorLog log(folder.path() / "logs", EditorStore::ErrorLog::defaultLimit);
    EditorShell::AppDelegate::openErrorLog(log, application->documentController());
    std::ifstream in(log.fileURL());
    std::string first;
    ASSERT_TRUE(std::getline(in, first)) << "written before the open";
    EXPECT_NE(first.find(" INFO log.start app="), std::string::npos) << first;
    ASSERT_TRUE(QTest::qWaitFor([&] { return documentCount() == 1; }, 5000));
    auto* document = application->documentController().documents()[0];
    EXPECT_EQ(document->readOnlyReason(), EditorDocuments::ReadOnlyReason::userChose);

    // An existing log is opened as it is.
    application->documentController().removeDocument(document);
    QCoreApplication::processEvents();
    std::ofstream(log.fileURL(), std::ios::trunc) << "kept\n";
    EditorShell::AppDelegate::openErrorLog(log, application->documentController());
    ASSERT_TRUE(QTest::qWaitFor([&] { return documentCount() == 1; }, 5000));
    std::ifstream again(log.fileURL());
    std::stringstream text;
    text << again.rdbuf();
    EXPECT_EQ(text.str(), "kept\n");
}

TEST_F(Delegate, aLogTheUserCannotWriteKeepsThatReason)
{
    application.reset();
    auto services = std::make_shared<EditorDocuments::DocumentServices>(
        *EditorDocuments::DocumentServices::shared());
    services->isWritable = [](const std::filesystem::path&) { return false; };
    application = std::make_unique<EditorShell::Application>(
        router, services, std::make_shared<EditorKit::WidgetPresenter>());
    TemporaryFolder folder;
    EditorStore::ErrorLog log(folder.path() / "logs", EditorStore::ErrorLog::defaultLimit);
    EditorShell::AppDelegate::openErrorLog(log, application->documentController());
    ASSERT_TRUE(QTest::qWaitFor([&] { return documentCount() == 1; }, 5000));
    auto* document = application->documentController().documents()[0];
    EXPECT_EQ(document->readOnlyReason(), EditorDocuments::ReadOnlyReason::noPermission);
}

TEST_F(Delegate, theRouterReachesTheErrorLogActionThroughTheDelegate)
{
    EditorShell::AppDelegate delegate(*application, {});
    router.setApplicationDelegate(&delegate);
    EXPECT_TRUE(router.validate("openErrorLog:", {}, nullptr));
    for (const char* action : {"showCommandPalette:", "showShortcuts:", "showAbout:"})
        EXPECT_TRUE(router.validate(action, {}, nullptr)) << action;
    router.setApplicationDelegate(nullptr);
}

TEST_F(Delegate, theCommandLineAndFileManagerActionsPresentTheirSheetsOverTheSettingsWindow)
{
    EditorShell::AppDelegate delegate(*application, {});
    router.setApplicationDelegate(&delegate);
    auto& settingsWindow = EditorSettings::SettingsWindowController::shared();
    EditorSettings::SettingsPane* general = settingsWindow.panes().front();
    for (const char* action : {"showCommandLineTool:", "showFinderMenu:"}) {
        SCOPED_TRACE(action);
        EXPECT_TRUE(router.validate(action, {}, nullptr));
        EXPECT_TRUE(router.send(action, {}, nullptr));
        EXPECT_TRUE(settingsWindow.window()->isVisible());
        ASSERT_TRUE(QTest::qWaitFor([&] { return general->presentedSheet() != nullptr; }, 2000));
        EditorSettings::SettingsSheet* sheet = general->presentedSheet();
        if (std::string_view(action) == "showCommandLineTool:")
            EXPECT_NE(qobject_cast<EditorSettings::CommandLineToolSheet*>(sheet), nullptr);
        else
            EXPECT_NE(qobject_cast<EditorSettings::FinderMenuSheet*>(sheet), nullptr);
        sheet->dismiss();
        EXPECT_EQ(general->presentedSheet(), nullptr);
    }
    settingsWindow.window()->close();
    router.setApplicationDelegate(nullptr);
}

TEST_F(Delegate, theSettingsActionShowsTheOneSettingsWindow)
{
    EditorShell::AppDelegate delegate(*application, {});
    router.setApplicationDelegate(&delegate);
    EXPECT_TRUE(router.validate("showSettings:", {}, nullptr));
    EXPECT_TRUE(router.send("showSettings:", {}, nullptr));
    QWidget* window = EditorSettings::SettingsWindowController::shared().window();
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(router.send("showSettings:", {}, nullptr));
    EXPECT_EQ(EditorSettings::SettingsWindowController::shared().window(), window);
    window->close();
    router.setApplicationDelegate(nullptr);
}

TEST_F(Delegate, theRestoreRunsOnceAndTheUntitledAnswerFollowsTheOpenDocuments)
{
    EditorShell::AppDelegate delegate(*application, {});
    delegate.launch({});
    EXPECT_TRUE(delegate.didRestore());
    EXPECT_EQ(documentCount(), 1u) << "the untitled document of a launch without files";
    EXPECT_FALSE(delegate.applicationShouldOpenUntitledFile()) << "a document is open";
    EXPECT_TRUE(delegate.applicationShouldHandleReopen(false));
}

TEST_F(Delegate, aLoginLaunchSkipsTheRestoreUntilTheFirstReopenWithoutWindows)
{
    EditorShell::AppDelegate delegate(*application, {});
    delegate.launch({"--login-item"});
    QCoreApplication::processEvents();
    EXPECT_TRUE(delegate.launchedAsLoginItem());
    EXPECT_TRUE(delegate.skippedRestoreAtLogin());
    EXPECT_EQ(documentCount(), 0u);
    EXPECT_FALSE(delegate.applicationShouldOpenUntitledFile());

    // A reopen while a window shows changes nothing.
    EXPECT_TRUE(delegate.applicationShouldHandleReopen(true));
    EXPECT_TRUE(delegate.skippedRestoreAtLogin());

    delegate.handOver({}, true);
    EXPECT_FALSE(delegate.skippedRestoreAtLogin());
    EXPECT_TRUE(delegate.didRestore());
    EXPECT_EQ(documentCount(), 1u) << "the reopen found no window and nothing to restore";
    // A hand-over never makes a login launch.
    delegate.handOver({"--login-item"}, true);
    EXPECT_FALSE(delegate.launchedAsLoginItem());
}

TEST_F(Delegate, theHelpMenusErrorLogItemOpensTheLogReadOnly)
{
    EditorShell::AppDelegate delegate(*application, {});
    router.setApplicationDelegate(&delegate);
    auto* untitled = application->documentController().makeUntitledDocument(true);
    auto* window = dynamic_cast<EditorWindow::TextDocumentWindow*>(untitled->editor());
    ASSERT_NE(window, nullptr);
    EditorKit::HostWindow* host = window->controller().hostWindow();
    QAction* item = nullptr;
    for (QAction* menu : host->menuBar()->actions())
        if (menu->menu())
            for (QAction* action : menu->menu()->actions())
                if (action->text().startsWith(QStringLiteral("오류 기록 열기")))
                    item = action;
    ASSERT_NE(item, nullptr);
    // The menu validates as it opens.
    for (QAction* menu : host->menuBar()->actions())
        if (menu->menu() && menu->menu()->actions().contains(item))
            emit menu->menu()->aboutToShow();
    ASSERT_TRUE(item->isEnabled());
    item->trigger();

    const auto logFile = EditorStore::ErrorLog().fileURL();
    ASSERT_TRUE(QTest::qWaitFor([&] { return documentCount() == 2; }, 5000));
    auto* opened = application->documentController().documents()[1];
    EXPECT_EQ(opened->fileURL(), logFile);
    EXPECT_EQ(opened->readOnlyReason(), EditorDocuments::ReadOnlyReason::userChose);
    router.setApplicationDelegate(nullptr);
}

TEST_F(Delegate, didFinishSetsUpHotKeyMenuBarItemAndLoginItemAndAnswersTheQuickMemo)
{
    std::vector<std::string> calls;
    EditorShell::AppDelegate::Reactions reactions;
    reactions.registerHotKey = [&] { calls.push_back("hotKey"); };
    reactions.applyMenuBarItem = [&] { calls.push_back("menuBar"); };
    reactions.syncLoginItem = [&] { calls.push_back("login"); };
    reactions.toggleQuickMemo = [&] { calls.push_back("toggle"); };
    EditorShell::AppDelegate delegate(*application, reactions);
    router.setApplicationDelegate(&delegate);
    delegate.launch({"--login-item"});
    EXPECT_EQ(calls, (std::vector<std::string>{"hotKey", "menuBar", "login"}));

    // The File menu's item and the tool band's button reach the panel through the router.
    calls.clear();
    EXPECT_TRUE(router.validate("showQuickMemo:", {}, nullptr));
    EXPECT_TRUE(router.send("showQuickMemo:", {}, nullptr));
    EXPECT_EQ(calls, (std::vector<std::string>{"toggle"}));
    router.setApplicationDelegate(nullptr);
}

TEST_F(Delegate, theUpdaterStartsTwoSecondsAfterDidFinishAndTheCheckWaitsForIt)
{
    TemporaryFolder folder;
    int fetches = 0;
    EditorShell::EditorUpdater::Services services;
    services.preferences = std::make_shared<Platform::PreferencesDomain>(folder / "prefs.json");
    services.fetch = [&](const std::string&)
        -> EditorCore::Result<std::vector<std::uint8_t>, EditorFeatures::StoreFailure> {
        ++fetches;
        return EditorCore::failure(EditorFeatures::StoreFailure::download("offline"));
    };
    EditorShell::EditorUpdater updater("file:///nowhere/feed.xml", services);
    EditorShell::AppDelegate::Reactions reactions;
    reactions.updater = &updater;
    EditorShell::AppDelegate delegate(*application, reactions);
    EXPECT_EQ(delegate.updater(), &updater);
    router.setApplicationDelegate(&delegate);
    delegate.launch({"--login-item"});
    EXPECT_TRUE(router.send("checkForUpdates:", {}, nullptr));
    QCoreApplication::processEvents();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !updater.isChecking(); }, 10000));
    EXPECT_FALSE(updater.isStarted());
    EXPECT_EQ(fetches, 0) << "a check before the start does nothing";
    ASSERT_TRUE(QTest::qWaitFor([&] { return updater.isStarted(); }, 3000));
    EXPECT_EQ(updater.automaticChecks(),
              EditorStore::Settings::shared().value(EditorStore::SettingKeys::updateAutoCheck));
    router.setApplicationDelegate(nullptr);
}

// A file handed over while a question waits for its answer opens once the question is
// answered, so it does not slip in under the question.
TEST_F(Delegate, aHandOverWaitsForTheAnswerOfAQuestion)
{
    EditorShell::AppDelegate delegate(*application, {});
    TemporaryFolder folder;
    const auto file = folder / "handed.txt";
    std::ofstream(file) << "handed\n";

    QDialog question;
    question.setModal(true);
    question.show();
    ASSERT_EQ(QApplication::activeModalWidget(), &question);
    delegate.handOver({file.string()}, true);
    QTest::qWait(3 * EditorShell::AppDelegate::handOverRetryMilliseconds);
    EXPECT_EQ(documentCount(), 0u) << "nothing opens under the question";

    question.accept();
    ASSERT_TRUE(QTest::qWaitFor([&] { return documentCount() == 1u; }, 5000));
    auto* document = application->documentController().documents()[0];
    auto* window = dynamic_cast<EditorWindow::TextDocumentWindow*>(document->editor());
    ASSERT_TRUE(window && window->controller().hostWindow());
    EXPECT_EQ(window->controller().hostWindow()->currentPage(), window->controller().page());
}
