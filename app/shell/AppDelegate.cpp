#include "app/shell/AppDelegate.h"

#include "app/documents/DocumentController.h"
#include "app/documents/TextDocument.h"
#include "app/kit/AppLog.h"
#include "app/kit/HostWindow.h"
#include "app/panels/AboutWindow.h"
#include "app/panels/CommandPalette.h"
#include "app/panels/ShortcutsWindow.h"
#include "app/settings/CommandLineToolSheet.h"
#include "app/settings/FinderMenuSheet.h"
#include "app/settings/SettingsWindowController.h"
#include "app/shell/Application.h"
#include "app/shell/EditorUpdater.h"
#include "app/shell/LaunchMeasurement.h"
#include "app/window/hosting/WindowRestorer.h"
#include "store/ErrorLog.h"
#include "store/Settings.h"

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <filesystem>
#include <optional>

namespace EditorShell {

using EditorStore::SettingKeys;
using EditorStore::Settings;

namespace {

QPalette paletteOf(std::initializer_list<std::pair<QPalette::ColorRole, QColor>> roles,
                   const QColor& disabledText)
{
    QPalette palette;
    for (const auto& [role, colour] : roles)
        palette.setColor(role, colour);
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, disabledText);
    return palette;
}

QPalette lightPalette()
{
    return paletteOf({{QPalette::Window, QColor(0xef, 0xef, 0xef)},
                      {QPalette::WindowText, QColor(0x1e, 0x1e, 0x1e)},
                      {QPalette::Base, Qt::white},
                      {QPalette::AlternateBase, QColor(0xf6, 0xf6, 0xf6)},
                      {QPalette::Text, QColor(0x1e, 0x1e, 0x1e)},
                      {QPalette::Button, QColor(0xef, 0xef, 0xef)},
                      {QPalette::ButtonText, QColor(0x1e, 0x1e, 0x1e)},
                      {QPalette::BrightText, Qt::white},
                      {QPalette::Light, Qt::white},
                      {QPalette::Midlight, QColor(0xe3, 0xe3, 0xe3)},
                      {QPalette::Mid, QColor(0xb8, 0xb8, 0xb8)},
                      {QPalette::Dark, QColor(0x9f, 0x9f, 0x9f)},
                      {QPalette::Shadow, QColor(0x76, 0x76, 0x76)},
                      {QPalette::Highlight, QColor(0x30, 0x8c, 0xc6)},
                      {QPalette::HighlightedText, Qt::white},
                      {QPalette::Link, QColor(0x00, 0x66, 0xcc)},
                      {QPalette::LinkVisited, QColor(0x80, 0x40, 0xa0)},
                      {QPalette::ToolTipBase, QColor(0xff, 0xff, 0xdc)},
                      {QPalette::ToolTipText, Qt::black},
                      {QPalette::PlaceholderText, QColor(0x80, 0x80, 0x80)}},
                     QColor(0xa0, 0xa0, 0xa0));
}

QPalette darkPalette()
{
    return paletteOf({{QPalette::Window, QColor(0x32, 0x32, 0x32)},
                      {QPalette::WindowText, QColor(0xe8, 0xe8, 0xe8)},
                      {QPalette::Base, QColor(0x1e, 0x1e, 0x1e)},
                      {QPalette::AlternateBase, QColor(0x2a, 0x2a, 0x2a)},
                      {QPalette::Text, QColor(0xe8, 0xe8, 0xe8)},
                      {QPalette::Button, QColor(0x3a, 0x3a, 0x3a)},
                      {QPalette::ButtonText, QColor(0xe8, 0xe8, 0xe8)},
                      {QPalette::BrightText, QColor(0xff, 0x6e, 0x6e)},
                      {QPalette::Light, QColor(0x4a, 0x4a, 0x4a)},
                      {QPalette::Midlight, QColor(0x40, 0x40, 0x40)},
                      {QPalette::Mid, QColor(0x2c, 0x2c, 0x2c)},
                      {QPalette::Dark, QColor(0x20, 0x20, 0x20)},
                      {QPalette::Shadow, QColor(0x10, 0x10, 0x10)},
                      {QPalette::Highlight, QColor(0x2a, 0x6f, 0xb0)},
                      {QPalette::HighlightedText, Qt::white},
                      {QPalette::Link, QColor(0x6a, 0xb0, 0xff)},
                      {QPalette::LinkVisited, QColor(0xc0, 0x90, 0xf0)},
                      {QPalette::ToolTipBase, QColor(0x3a, 0x3a, 0x3a)},
                      {QPalette::ToolTipText, QColor(0xe8, 0xe8, 0xe8)},
                      {QPalette::PlaceholderText, QColor(0x8a, 0x8a, 0x8a)}},
                     QColor(0x7a, 0x7a, 0x7a));
}

} // namespace

AppDelegate::AppDelegate(Application& application, Reactions reactions)
    : m_application(application)
    , m_reactions(std::move(reactions))
{}

AppDelegate::~AppDelegate()
{
    if (m_settingsObserver)
        EditorStore::SettingsChangeCenter::shared()->removeObserver(m_settingsObserver);
}

void AppDelegate::launch(const std::vector<std::string>& arguments)
{
    m_loginLaunch =
        std::find(arguments.begin(), arguments.end(), loginItemArgument) != arguments.end();
    m_launching = true;
    applicationWillFinishLaunching();
    // The launch's own files, URLs and new document come the way a hand-over's do; the
    // untitled question is asked once they have been handled and only when they opened
    // nothing, after did-finish at the earliest.
    auto opened = std::make_shared<std::optional<bool>>();
    QPointer<AppDelegate> self(this);
    auto askUntitled = [self] {
        if (self && self->applicationShouldOpenUntitledFile())
            self->m_application.documentController().makeUntitledDocument(true);
    };
    m_application.openArguments(arguments, true, [self, opened, askUntitled](bool any) {
        *opened = any;
        if (self && !self->m_launching && !any)
            askUntitled();
    });
    applicationDidFinishLaunching();
    m_launching = false;
    if (opened->has_value() && !**opened)
        askUntitled();
}

void AppDelegate::handOver(const std::vector<std::string>& arguments, bool activate)
{
    // While a question waits for its answer every window is blocked: files handed over now
    // would slip in under it, into a window that cannot come forward. They wait for the answer.
    if (QApplication::activeModalWidget()) {
        QPointer<AppDelegate> self(this);
        QTimer::singleShot(handOverRetryMilliseconds, this, [self, arguments, activate] {
            if (self)
                self->handOver(arguments, activate);
        });
        return;
    }
    // A later start is never a login launch.
    std::vector<std::string> handed;
    std::copy_if(arguments.begin(),
                 arguments.end(),
                 std::back_inserter(handed),
                 [](const std::string& argument) { return argument != loginItemArgument; });
    if (handed.empty()) {
        reopen(activate);
        return;
    }
    m_application.openArguments(handed, activate);
}

void AppDelegate::reopen(bool activate)
{
    bool visible = hasVisibleWindows();
    if (!applicationShouldHandleReopen(visible))
        return;
    if (!visible) {
        if (applicationShouldOpenUntitledFile())
            m_application.documentController().makeUntitledDocument(true);
        return;
    }
    if (!activate)
        return;
    EditorKit::bringFrontWindowForward();
}

bool AppDelegate::hasVisibleWindows()
{
    const auto widgets = QApplication::topLevelWidgets();
    return std::any_of(widgets.begin(), widgets.end(), [](QWidget* widget) {
        auto type = widget->windowType();
        return widget->isVisible() && type != Qt::Popup && type != Qt::ToolTip
               && type != Qt::SplashScreen;
    });
}

void AppDelegate::applicationWillFinishLaunching()
{
    LaunchMeasurement::start();
    LaunchMeasurement::mark("willFinish");
    // Every host window builds its main menu from the catalog as it is made.
    LaunchMeasurement::mark("menu");
    LaunchMeasurement::mark("requests");
    applyTheme();
    LaunchMeasurement::mark("theme");
    QPointer<AppDelegate> self(this);
    m_settingsObserver = EditorStore::SettingsChangeCenter::shared()->addObserver(
        [self](const std::vector<std::string>& keys) {
            if (self)
                self->applySettings(keys);
        });
}

void AppDelegate::applicationDidFinishLaunching()
{
    LaunchMeasurement::mark("didFinish");
    EditorWindow::WindowRestorer& restorer = m_application.windowRestorer();
    restorer.startObserving();
    // The windows close while the application quits; the file keeps them as they were.
    connect(
        qApp, &QCoreApplication::aboutToQuit, &restorer, [&restorer] { restorer.saveAndFreeze(); });
    restoreWindows();
    for (const auto* step : {&m_reactions.registerHotKey, &m_reactions.applyMenuBarItem})
        if (*step)
            (*step)();
    if (m_reactions.syncLoginItem && !LaunchMeasurement::isEnabled())
        m_reactions.syncLoginItem();
    if (m_reactions.updater && !LaunchMeasurement::isEnabled()) {
        QPointer<AppDelegate> self(this);
        QTimer::singleShot(updaterStartDelayMilliseconds, this, [self] {
            if (self && self->m_reactions.updater)
                self->m_reactions.updater->start(
                    Settings::shared().value(SettingKeys::updateAutoCheck));
        });
    }
}

void AppDelegate::skipRestoreAtLogin()
{
    if (!m_didRestore) {
        m_skippedRestoreAtLogin = true;
        m_didRestore = true;
    }
}

void AppDelegate::restoreWindows()
{
    if (m_loginLaunch) {
        skipRestoreAtLogin();
        return;
    }
    if (m_didRestore)
        return;
    m_didRestore = true;
    // The saved windows come back, then the kept untitled documents (memos, rescued edits)
    // that none of their tabs shows, then what in-place saves that did not finish left.
    const auto restored = m_application.windowRestorer().restoreWindows();
    m_application.documentController().reopenScratchDocuments(restored);
    m_application.documentController().offerRecoveryCopies();
    LaunchMeasurement::mark("restored");
}

bool AppDelegate::applicationShouldOpenUntitledFile()
{
    LaunchMeasurement::mark("askUntitled");
    if (m_loginLaunch) {
        skipRestoreAtLogin();
        return false;
    }
    restoreWindows();
    return m_application.documentController().documents().empty();
}

bool AppDelegate::applicationShouldHandleReopen(bool hasVisibleWindows)
{
    if (hasVisibleWindows || !m_skippedRestoreAtLogin)
        return true;
    // The first reopen after a login launch: the launch is over, and the restore takes place.
    m_skippedRestoreAtLogin = false;
    m_didRestore = false;
    m_loginLaunch = false;
    restoreWindows();
    return m_application.documentController().documents().empty();
}

void AppDelegate::applySettings(const std::vector<std::string>& keys)
{
    const std::set<std::string> changed(keys.begin(), keys.end());
    auto has = [&changed](const auto& key) { return changed.contains(std::string(key.name)); };
    auto call = [](const std::function<void()>& step) {
        if (step)
            step();
    };
    if (has(SettingKeys::viewTheme))
        call(m_reactions.applyTheme);
    if (has(SettingKeys::updateAutoCheck))
        call(m_reactions.setAutomaticChecks);
    if (has(SettingKeys::quickMemoShortcut))
        call(m_reactions.registerHotKey);
    if (has(SettingKeys::quickMemoShortcut) || has(SettingKeys::generalMenuBarIcon))
        call(m_reactions.applyMenuBarItem);
    if (has(SettingKeys::generalLaunchAtLogin))
        call(m_reactions.syncLoginItem);
    if (m_reactions.applyWindows)
        m_reactions.applyWindows(changed);
}

QPalette AppDelegate::themePalette(std::string_view theme, const QPalette& platform)
{
    if (theme == "light")
        return lightPalette();
    if (theme == "dark")
        return darkPalette();
    return platform;
}

void AppDelegate::applyTheme()
{
    // The platform's palette as it was before a theme of ours replaced it.
    static const QPalette platform = QApplication::palette();
    QApplication::setPalette(
        themePalette(Settings::shared().value(SettingKeys::viewTheme), platform));
}

void AppDelegate::openErrorLog(const EditorStore::ErrorLog& log,
                               EditorDocuments::DocumentController& documents)
{
    auto file = log.fileURL();
    std::error_code error;
    if (!std::filesystem::exists(file, error)) {
        // Written at once, so the window shows it; a failed append is left unreported.
        log.append(EditorStore::ErrorLog::formatLine(EditorStore::ErrorLog::Level::notice,
                                                     "log.start",
                                                     {{"app", AppLog::appVersion()}},
                                                     std::chrono::system_clock::now()));
    }
    // Read-only by the user's choice unless the log already has a reason of its own (no
    // permission), which the window then says.
    documents.openURL(file, true, [](EditorDocuments::TextDocument* document, bool, const auto&) {
        if (document)
            document->chooseReadOnly();
    });
}

bool AppDelegate::respondsToAction(std::string_view action) const
{
    if (action == "showSettings:" || action == "showCommandLineTool:"
        || action == "showFinderMenu:")
        return true;
    // The other application actions answer here as their windows come.
    return action == "openErrorLog:" || action == "showCommandPalette:"
           || action == "showShortcuts:" || action == "showAbout:"
           || (action == "showQuickMemo:" && m_reactions.toggleQuickMemo)
           || (action == "checkForUpdates:" && m_reactions.updater);
}

void AppDelegate::performAction(std::string_view action, const EditorKit::ActionSender&)
{
    if (action == "showSettings:") {
        EditorSettings::SettingsWindowController::shared().showWindow();
        return;
    }
    // A new sheet for each presentation, over the General pane.
    if (action == "showCommandLineTool:") {
        EditorSettings::SettingsWindowController::shared().presentSheet(
            [] { return new EditorSettings::CommandLineToolSheet; });
        return;
    }
    if (action == "showFinderMenu:") {
        EditorSettings::SettingsWindowController::shared().presentSheet(
            [] { return new EditorSettings::FinderMenuSheet; });
        return;
    }
    if (action == "openErrorLog:")
        openErrorLog(EditorStore::ErrorLog(), m_application.documentController());
    else if (action == "showCommandPalette:")
        EditorPanels::CommandPalette::shared().show();
    else if (action == "showShortcuts:")
        EditorPanels::ShortcutsWindow::shared().showWindow();
    else if (action == "showAbout:")
        EditorPanels::AboutWindow::shared().showWindow();
    else if (action == "showQuickMemo:" && m_reactions.toggleQuickMemo)
        m_reactions.toggleQuickMemo();
    else if (action == "checkForUpdates:" && m_reactions.updater)
        m_reactions.updater->checkForUpdates();
}

} // namespace EditorShell
