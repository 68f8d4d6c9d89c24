#pragma once

#include "app/documents/DocumentFailure.h"
#include "platform/Uuid.h"
#include "store/ErrorLog.h"
#include "store/Rect.h"
#include "store/WindowState.h"

#include <QObject>
#include <QPointer>

#include <chrono>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

class QTimer;

namespace EditorDocuments {
class DocumentController;
struct DocumentServices;
class TextDocument;
} // namespace EditorDocuments

namespace EditorKit {
class HostWindow;
}

namespace EditorWindow {

class DocumentWindowController;
class HostWindows;

// Keeps WindowState.json in step with the document windows (a host window is a window, its
// tabs the tab group) and rebuilds them at the next launch: the first tab at once, every
// further tab or folder window in a later turn of the event loop. Main thread only.
class WindowRestorer : public QObject
{
public:
    // The delay between the last change and the save it asks for.
    static constexpr std::chrono::milliseconds saveDelay{1000};

    // The one-shot timer of the debounced save; tests give one they fire themselves.
    class SaveTimer
    {
    public:
        virtual ~SaveTimer() = default;
        // Replaces what is queued.
        virtual void start(std::chrono::milliseconds delay, std::function<void()> fire) = 0;
        virtual void cancel() = 0;
        virtual bool isActive() const = 0;
    };

    struct Environment
    {
        EditorStore::WindowStateStore store;
        // "general.restoreWindows"; none: the application's settings.
        std::function<bool()> restoreEnabled;
        EditorDocuments::DocumentController* documents = nullptr;
        std::shared_ptr<HostWindows> hosts;
        // None: a QTimer.
        std::shared_ptr<SaveTimer> timer;
        // The kept untitled documents; empty: the default place.
        std::filesystem::path scratchDirectory;
        // What kept documents are made with; none: the shared services.
        std::shared_ptr<EditorDocuments::DocumentServices> services;
        // The event log; none: AppLog::record.
        std::function<void(
            EditorStore::ErrorLog::Level, std::string_view, const EditorStore::ErrorLog::Fields&)>
            record;
        // The unified log; none: Platform::SystemLog, category "restore".
        std::function<void(bool error, const std::string& message)> log;
    };

    explicit WindowRestorer(Environment environment);
    ~WindowRestorer() override;

    // The application's instance (null until the application sets one).
    static WindowRestorer* shared();
    static void setShared(WindowRestorer* restorer);

    // Watches the host windows (move, resize, activation, close, full screen) from now on.
    void startObserving();
    void scheduleSave();
    void save();
    // Writes once (not while restoring) and stops every later save, until `releaseFreeze`.
    void saveAndFreeze();
    // The quit was cancelled: changes are saved again.
    void releaseFreeze();
    EditorStore::WindowState snapshot() const;

    // Rebuilds the saved windows; returns the kept-untitled identifiers the saved tabs name
    // (also those that will fail to open), empty when nothing is restored.
    std::set<Platform::Uuid> restoreWindows();
    // A document the user opened while restoring: raised when the restore ends.
    void openedDuringRestore(EditorDocuments::TextDocument* document);
    void showMissingFilesBanner(DocumentWindowController& controller);
    // Runs the question at once, or while restoring once every window has been placed and
    // stacked, in the order asked.
    void whenWindowsSettle(std::function<void()> question);

    // Puts the controllers' pages into one host window (the first's), in order, at the frame
    // when one is given, and selects the one at `selectedIndex` (clamped). The window, or null
    // when no controller has a page in a window.
    static EditorKit::HostWindow*
    adoptOpenedWindow(const std::vector<DocumentWindowController*>& controllers,
                      std::optional<EditorStore::Rect> frame,
                      int selectedIndex);

    bool isFrozen() const { return m_isFrozen; }
    bool isRestoring() const { return m_isRestoring; }
    bool hasPendingSave() const;
    const std::vector<QString>& missingNames() const { return m_missingNames; }
    // The frame a host window had when last seen outside full screen.
    std::optional<EditorStore::Rect> normalFrame(const EditorKit::HostWindow* window) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct WindowJobs;
    void windowDidChange(EditorKit::HostWindow* window, bool closing, bool becameKey);
    void observeTabs(EditorKit::HostWindow* window);
    // The document of a saved tab, opened without a window; null when it is skipped or missing.
    EditorDocuments::TextDocument* openRestoredTab(const EditorStore::TabRestoreState& tab);
    void runTabJob(const std::shared_ptr<WindowJobs>& jobs, std::size_t index);
    void runFolderJob(const std::shared_ptr<WindowJobs>& jobs);
    void continueRestore();
    void finishRestore();
    void placeWindow(EditorKit::HostWindow* window, const EditorStore::WindowRestoreState& saved);
    void write(bool error, const std::string& message) const;
    void record(EditorStore::ErrorLog::Level level,
                std::string_view key,
                const EditorStore::ErrorLog::Fields& fields) const;
    std::int64_t millisecondsSinceStart() const;

    Environment m_environment;
    std::shared_ptr<SaveTimer> m_timer;
    bool m_isFrozen = false;
    bool m_isRestoring = false;
    bool m_openingOwnTab = false;
    QPointer<EditorDocuments::TextDocument> m_openedDuringRestore;
    std::vector<QString> m_missingNames;
    std::deque<std::function<void()>> m_pendingJobs;
    std::chrono::steady_clock::time_point m_restoreStarted;
    std::int64_t m_notOpened = 0;
    QPointer<EditorKit::HostWindow> m_lastPlaced;
    QPointer<EditorKit::HostWindow> m_firstPlaced;
    // The rebuilt windows in saved order, front first.
    std::vector<QPointer<EditorKit::HostWindow>> m_placed;
    std::map<const EditorKit::HostWindow*, EditorStore::Rect> m_normalFrames;
    std::set<const EditorKit::HostWindow*> m_observed;
    std::deque<std::function<void()>> m_waitingQuestions;
    bool m_isSettling = false;
};

} // namespace EditorWindow
