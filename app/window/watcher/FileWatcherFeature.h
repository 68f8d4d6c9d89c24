#pragma once

#include "app/window/WindowFeature.h"

#include <QObject>
#include <QPointer>

#include <memory>

class QSocketNotifier;

namespace Platform {
class FileWatcher;
}

namespace EditorWindow {

// Watches the document's file once the window opened; a change goes to the environment's
// `onDiskChange` (the disk check). A change seen while the document's own save writes goes
// there once that save is done. An external copy and an untitled text are not watched.
class FileWatcherFeature
    : public QObject
    , public WindowFeature
{
public:
    FileWatcherFeature();
    ~FileWatcherFeature() override;

    void attach(DocumentWindowController& window) override;
    void detach() override;
    void windowDidOpen() override;
    bool documentEvent(DocumentEvent event) override;

    // Stops the current watcher, then watches the document's file when it has one.
    void start();
    void stop();
    Platform::FileWatcher* watcher() const { return m_watcher.get(); }

    // How often a change seen during the document's own save looks whether the save is done.
    static constexpr int writingRecheckMilliseconds = 50;

private:
    void reportChange();

    QPointer<DocumentWindowController> m_window;
    std::unique_ptr<Platform::FileWatcher> m_watcher;
    QSocketNotifier* m_notifier = nullptr;
    // A change seen during the own save waits for its end.
    bool m_reportPending = false;
};

} // namespace EditorWindow
