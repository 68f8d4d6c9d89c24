#pragma once

#include "app/kit/Responder.h"

#include <QObject>
#include <QPalette>

#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace EditorStore {
struct ErrorLog;
}

namespace EditorDocuments {
class DocumentController;
}

namespace EditorShell {

class Application;
class EditorUpdater;

// The application delegate: carries the application through its launch, the reopens and
// hand-overs of later starts, the settings changes and the application-level actions.
// Main thread only.
class AppDelegate
    : public QObject
    , public EditorKit::Responder
{
    Q_OBJECT
public:
    // What the settings reaction reaches, in its order. The program entry gives the shipped
    // ones; an empty function is a component the application does not have, and is not called.
    struct Reactions
    {
        std::function<void()> applyTheme;
        std::function<void()> setAutomaticChecks;
        std::function<void()> registerHotKey;
        std::function<void()> applyMenuBarItem;
        std::function<void()> syncLoginItem;
        // Shows the quick-memo panel, or saves and hides it: the hot key's action and
        // "showQuickMemo:". Did-finish-launching also runs the hot key, menu bar item and login
        // item steps above (the login item not while measuring the launch).
        std::function<void()> toggleQuickMemo;
        // Started 2.0 s after did-finish-launching (not while measuring the launch) with
        // "update.autoCheck"; "checkForUpdates:" asks it. None: no updater.
        EditorUpdater* updater = nullptr;
        // Every document window; the shipped windows observe the change themselves, after the
        // delegate (they start observing later), so the entry leaves this empty.
        std::function<void(const std::set<std::string>&)> applyWindows;
    };

    // Arguments that are not files: the launch is a login launch, or a new document is wanted.
    static constexpr std::string_view loginItemArgument = "--login-item";
    static constexpr std::string_view newDocumentArgument = "--new-document";

    static constexpr int updaterStartDelayMilliseconds = 2000;
    // How often a hand-over that waits for a question's answer looks again.
    static constexpr int handOverRetryMilliseconds = 100;

    AppDelegate(Application& application, Reactions reactions);
    ~AppDelegate() override;

    // The first instance's launch with its own arguments: will-finish, the arguments handled
    // as a hand-over's, did-finish, then, when the arguments opened nothing, the untitled
    // question.
    void launch(const std::vector<std::string>& arguments);
    // A later start's arguments: none is a reopen of the application.
    void handOver(const std::vector<std::string>& arguments, bool activate);

    void applicationWillFinishLaunching();
    void applicationDidFinishLaunching();
    bool applicationShouldOpenUntitledFile();
    bool applicationShouldHandleReopen(bool hasVisibleWindows);

    // The reaction to changed setting names, in the fixed order; the windows' step runs for
    // every change, the empty set included.
    void applySettings(const std::vector<std::string>& keys);

    // Follows "view.theme": "light" and "dark" get a palette of ours, anything else the
    // platform's.
    static void applyTheme();
    static QPalette themePalette(std::string_view theme, const QPalette& platform);

    // Opens the event log read-only, first creating it with its "log.start" line.
    static void openErrorLog(const EditorStore::ErrorLog& log,
                             EditorDocuments::DocumentController& documents);

    // The settings window shows its last check.
    EditorUpdater* updater() const { return m_reactions.updater; }

    bool launchedAsLoginItem() const { return m_loginLaunch; }
    bool didRestore() const { return m_didRestore; }
    bool skippedRestoreAtLogin() const { return m_skippedRestoreAtLogin; }

    bool respondsToAction(std::string_view action) const override;
    void performAction(std::string_view action, const EditorKit::ActionSender& sender) override;

private:
    void restoreWindows();
    void skipRestoreAtLogin();
    void reopen(bool activate);
    static bool hasVisibleWindows();

    Application& m_application;
    Reactions m_reactions;
    std::uint64_t m_settingsObserver = 0;
    bool m_loginLaunch = false;
    bool m_launching = false;
    bool m_skippedRestoreAtLogin = false;
    bool m_didRestore = false;
};

} // namespace EditorShell
