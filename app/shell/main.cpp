// The program entry: one instance of the editor. A start while another instance runs hands
// its files over to it and exits.
#include "app/documents/TextDocument.h"
#include "app/kit/DialogFocusReturn.h"
#include "app/kit/ActionRouter.h"
#include "app/kit/HostWindow.h"
#include "app/kit/Localized.h"
#include "app/kit/Presenter.h"
#include "app/settings/CommandLineTool.h"
#include "app/settings/CommandLineToolSheet.h"
#include "app/settings/FinderMenuSheet.h"
#include "app/settings/SettingsWindowController.h"
#include "app/shell/AppDelegate.h"
#include "app/shell/AppLanguage.h"
#include "app/kit/AppLog.h"
#include "app/shell/Application.h"
#include "app/shell/CommandRequestHandler.h"
#include "app/shell/EditorUpdater.h"
#include "app/shell/GlobalHotKey.h"
#include "app/shell/InstanceListener.h"
#include "app/shell/LaunchMeasurement.h"
#include "app/shell/LoginItem.h"
#include "app/shell/MemoMigration.h"
#include "app/shell/MenuBarItem.h"
#include "app/shell/QuickMemoPanel.h"
#include "app/window/DocumentWindowController.h"
#include "app/window/hosting/TextDocumentWindow.h"
#include "platform/AppSocket.h"
#include "platform/Folders.h"
#include "store/AppGroup.h"
#include "store/Settings.h"

#include <QApplication>
#include <QFile>
#include <QMenuBar>
#include <QPointer>
#include <QTimer>
#include <QUrl>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// The files and request URLs of the command line, and the options "--login-item" and
// "--new-document". "-name value" pairs are settings (the
// argument domain) and "--" ends them; relative paths are made absolute here, since the
// instance that opens them may run in another folder.
std::vector<std::string> fileArguments(int argc, char** argv)
{
    std::vector<std::string> files;
    bool settingsEnded = false;
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i];
        if (!settingsEnded && argument == "--") {
            settingsEnded = true;
            continue;
        }
        // The two options without a value travel on as arguments of their own.
        if (!settingsEnded
            && (argument == EditorShell::AppDelegate::loginItemArgument
                || argument == EditorShell::AppDelegate::newDocumentArgument)) {
            files.push_back(argument);
            continue;
        }
        if (!settingsEnded && argument.size() > 1 && argument[0] == '-') {
            ++i; // its value
            continue;
        }
        if (argument.rfind("orlune-viewer:", 0) == 0) {
            files.push_back(argument);
            continue;
        }
        // The desktop entry hands files over as URLs.
        if (argument.rfind("file://", 0) == 0) {
            QUrl url(QString::fromLocal8Bit(argument.c_str()));
            if (url.isLocalFile())
                argument = url.toLocalFile().toLocal8Bit().toStdString();
        }
        std::error_code error;
        auto absolute = std::filesystem::absolute(argument, error);
        files.push_back(error ? argument : absolute.lexically_normal().string());
    }
    return files;
}

// With OLV_STATUS_REPORT set, every status refresh appends one line to that file: the
// document's name, then the status texts, tab-separated. The smoke test reads it.
void reportStatus(EditorShell::Application& application)
{
    const char* report = std::getenv("OLV_STATUS_REPORT");
    if (!report || !*report)
        return;
    QString path = QString::fromLocal8Bit(report);
    QObject::connect(
        &application,
        &EditorShell::Application::documentShown,
        &application,
        [path](EditorDocuments::TextDocument* document) {
            auto* window = dynamic_cast<EditorWindow::TextDocumentWindow*>(document->editor());
            if (!window)
                return;
            QPointer<EditorDocuments::TextDocument> reported(document);
            auto write = [path, reported](const EditorWindow::StatusBarView::Content& content) {
                QFile file(path);
                if (!reported || !file.open(QIODevice::Append | QIODevice::Text))
                    return;
                QStringList fields{reported->displayName(),
                                   content.position,
                                   content.encoding,
                                   content.lineEnding,
                                   content.indentation,
                                   content.language};
                file.write((fields.join(QLatin1Char('\t')) + QLatin1Char('\n')).toUtf8());
            };
            auto& controller = window->controller();
            QObject::connect(&controller,
                             &EditorWindow::DocumentWindowController::statusDidUpdate,
                             &controller,
                             write);
            write(controller.statusBar()->content());
        });
}

// With OLV_SHOWN_REPORT set, each document's name is appended to that file as its window is
// shown, one a line (the launch tests count the documents this way).
void reportShown(EditorShell::Application& application)
{
    const char* report = std::getenv("OLV_SHOWN_REPORT");
    if (!report || !*report)
        return;
    QString path = QString::fromLocal8Bit(report);
    QObject::connect(&application,
                     &EditorShell::Application::documentShown,
                     &application,
                     [path](EditorDocuments::TextDocument* document) {
                         QFile file(path);
                         if (file.open(QIODevice::Append | QIODevice::Text))
                             file.write((document->displayName() + QLatin1Char('\n')).toUtf8());
                     });
}

// With OLV_MENU_REPORT set, the titles of the first window's menus are written to that file,
// one a line, once the window shows (the interface-language test reads them).
void reportMenus(EditorShell::Application& application)
{
    const char* report = std::getenv("OLV_MENU_REPORT");
    if (!report || !*report)
        return;
    QString path = QString::fromLocal8Bit(report);
    auto written = std::make_shared<bool>(false);
    QObject::connect(
        &application,
        &EditorShell::Application::documentShown,
        &application,
        [path, written](EditorDocuments::TextDocument* document) {
            auto* window = dynamic_cast<EditorWindow::TextDocumentWindow*>(document->editor());
            if (*written || !window || !window->controller().hostWindow())
                return;
            QStringList titles;
            for (QAction* menu : window->controller().hostWindow()->menuBar()->actions())
                titles << menu->text();
            QFile file(path);
            if (file.open(QIODevice::WriteOnly | QIODevice::Text))
                file.write((titles.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
            *written = true;
        });
}

// With OLV_TEST_UNCAUGHT set, an exception that nothing catches is thrown once the launch is
// over (the test of the crash record starts the editor this way).
void throwWhenAsked()
{
    const char* asked = std::getenv("OLV_TEST_UNCAUGHT");
    if (!asked || !*asked)
        return;
    QTimer::singleShot(0, [] { throw std::runtime_error("uncaught at launch"); });
}

// The application's front window comes forward (a menu of the tray icon was chosen).
void bringApplicationToFront()
{
    EditorKit::bringFrontWindowForward();
}

} // namespace

int main(int argc, char** argv)
{
    namespace LaunchMeasurement = EditorShell::LaunchMeasurement;
    LaunchMeasurement::mark("main");
    AppLog::installUncaughtExceptionHandler();
    // Before anything reads the settings; not while measuring, nor with OLNoMigration.
    EditorShell::MemoMigration::runAtLaunch();
    EditorStore::Settings::setInvalidValueHandler([](const std::string& name) {
        AppLog::record(EditorStore::ErrorLog::Level::warning, "settings.invalid", {{"key", name}});
    });
    EditorShell::AppLanguage::applyAtLaunch();
    const QString language = EditorShell::AppLanguage::interfaceLanguage();
    LaunchMeasurement::mark("m.language");

    const std::vector<std::string> arguments = fileArguments(argc, argv);
    QApplication qtApplication(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Orlune Viewer"));
    QApplication::setOrganizationDomain(QStringLiteral("orlune.app"));
    QApplication::setDesktopFileName(QStringLiteral("app.orlune.viewer"));
    LaunchMeasurement::mark("m.nsapp");

    const auto socketPath = Platform::AppSocket::path(
        Platform::Folders::appGroupContainer(EditorStore::appGroupIdentifier));
    Platform::AppSocket::HandOver handOver;
    handOver.arguments = arguments;
    auto claim = EditorShell::InstanceListener::claim(socketPath, handOver);
    using Outcome = EditorShell::InstanceListener::Claim::Outcome;
    if (claim.outcome == Outcome::handedOver)
        return 0;
    if (claim.outcome == Outcome::failed) {
        std::cerr << "orlune-viewer: " << claim.error.toStdString() << "\n";
        return 1;
    }

    EditorKit::installInterfaceTranslations(language);
    EditorKit::DialogFocusReturn::install();
    auto presenter = std::make_shared<EditorKit::WidgetPresenter>();
    EditorShell::Application application(
        EditorKit::ActionRouter::shared(), EditorDocuments::DocumentServices::shared(), presenter);
    // Before the launch's own arguments, so a request URL among them is carried out.
    EditorShell::CommandRequestHandler requests(application);
    requests.install(application);
    reportStatus(application);
    reportMenus(application);
    reportShown(application);

    EditorShell::QuickMemoPanel::Services memoServices;
    memoServices.presenter = presenter;
    memoServices.documents = &application.documentController();
    memoServices.activate = bringApplicationToFront;
    EditorShell::QuickMemoPanel quickMemo(std::move(memoServices));
    EditorShell::MenuBarItem::Actions trayActions;
    trayActions.showQuickMemo = [&quickMemo] { quickMemo.show(); };
    trayActions.send = [](std::string_view action) {
        EditorKit::ActionRouter::shared().send(action, {}, nullptr);
    };
    trayActions.activate = bringApplicationToFront;
    EditorShell::MenuBarItem menuBarItem(std::move(trayActions));
    auto& hotKey = EditorShell::GlobalHotKey::shared();
    // With the tray icon or the hot key the application stays without windows, to be called
    // back from there.
    auto keepRunningWithoutWindows = [&menuBarItem, &hotKey] {
        QApplication::setQuitOnLastWindowClosed(!menuBarItem.item() && !hotKey.isRegistered());
    };

    // The document windows follow a settings change on their own.
    EditorShell::AppDelegate::Reactions reactions;
    reactions.applyTheme = &EditorShell::AppDelegate::applyTheme;
    reactions.toggleQuickMemo = [&quickMemo] { quickMemo.toggle(); };
    reactions.registerHotKey = [&hotKey, &quickMemo, keepRunningWithoutWindows] {
        hotKey.registerHotKey(
            EditorStore::Settings::shared().value(EditorStore::SettingKeys::quickMemoShortcut),
            [&quickMemo] { quickMemo.toggle(); });
        keepRunningWithoutWindows();
    };
    reactions.applyMenuBarItem = [&menuBarItem, keepRunningWithoutWindows] {
        menuBarItem.apply();
        keepRunningWithoutWindows();
    };
    reactions.syncLoginItem = [] { EditorShell::LoginItem::sync(); };
    EditorShell::EditorUpdater::Services updaterServices;
    updaterServices.presenter = presenter;
    EditorShell::EditorUpdater updater(EditorStore::standardPreference("OLUpdateFeedURL"),
                                       std::move(updaterServices));
    reactions.updater = &updater;
    reactions.setAutomaticChecks = [&updater] {
        updater.setAutomaticChecks(
            EditorStore::Settings::shared().value(EditorStore::SettingKeys::updateAutoCheck));
    };
    // What the settings window's General pane shows of the shell and of the installations.
    auto& generalPane = EditorSettings::SettingsWindowController::sharedGeneralPaneServices();
    generalPane.launchLanguage = [] { return EditorShell::AppLanguage::launchLanguage(); };
    generalPane.systemLanguageName = [] { return EditorShell::AppLanguage::systemLanguageName(); };
    generalPane.relaunch = [] { EditorShell::AppLanguage::relaunch(); };
    generalPane.lastUpdateCheckDate = [&updater] { return updater.lastUpdateCheckDate(); };
    generalPane.appVersion = []() -> std::optional<std::string> {
        // "<short version>(<build>)": the pane names the short version.
        const std::string& version = AppLog::appVersion();
        std::string shortVersion = version.substr(0, version.find('('));
        if (shortVersion.empty() || shortVersion == "?")
            return std::nullopt;
        return shortVersion;
    };
    generalPane.shortcutText = [](std::string_view value) {
        return EditorShell::GlobalHotKey::shortcutText(value);
    };
    generalPane.memoFileURL = [] { return EditorShell::QuickMemoPanel::memoFileURL(); };
    generalPane.fileManagerModuleInstalled = [] {
        return EditorSettings::FinderMenuSheet::isExtensionEnabled();
    };
    generalPane.commandLinkIsOurs = [] {
        return EditorSettings::CommandLineTool::isInstalled(
            EditorSettings::CommandLineTool::linkState());
    };
    generalPane.makeFileManagerSheet = []() -> EditorSettings::SettingsSheet* {
        return new EditorSettings::FinderMenuSheet;
    };
    generalPane.makeCommandLineToolSheet = []() -> EditorSettings::SettingsSheet* {
        return new EditorSettings::CommandLineToolSheet;
    };
    EditorShell::AppDelegate delegate(application, std::move(reactions));
    LaunchMeasurement::mark("m.delegate");
    EditorKit::ActionRouter::shared().setApplicationDelegate(&delegate);

    claim.listener->onHandOver = [&delegate](const Platform::AppSocket::HandOver& request) {
        delegate.handOver(request.arguments, request.activate);
    };
    // What the file manager or olv left while no editor answered comes with the launch's own
    // arguments.
    std::vector<std::string> launchArguments = arguments;
    for (auto& url : requests.takeWaitingRequests())
        launchArguments.push_back(std::move(url));
    delegate.launch(launchArguments);
    throwWhenAsked();
    int status = QApplication::exec();
    EditorKit::ActionRouter::shared().setApplicationDelegate(nullptr);
    hotKey.registerHotKey("off", {});
    claim.listener.reset();
    AppLog::waitUntilWritten();
    return status;
}
