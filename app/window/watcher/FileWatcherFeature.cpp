#include "app/window/watcher/FileWatcherFeature.h"

#include "app/window/DocumentWindowController.h"
#include "app/window/WindowDocument.h"
#include "platform/FileWatcher.h"

#include <QSocketNotifier>
#include <QTimer>

namespace EditorWindow {

FileWatcherFeature::FileWatcherFeature() = default;

FileWatcherFeature::~FileWatcherFeature()
{
    stop();
}

void FileWatcherFeature::attach(DocumentWindowController& window)
{
    m_window = &window;
}

void FileWatcherFeature::detach()
{
    stop();
    m_window = nullptr;
}

void FileWatcherFeature::windowDidOpen()
{
    start();
}

void FileWatcherFeature::stop()
{
    if (m_notifier) {
        // Possibly from inside its own signal (a disk check that re-arms the watcher).
        m_notifier->setEnabled(false);
        m_notifier->deleteLater();
        m_notifier = nullptr;
    }
    if (m_watcher)
        m_watcher->stop();
    m_watcher.reset();
}

void FileWatcherFeature::start()
{
    stop();
    WindowDocument* current = m_window ? m_window->document() : nullptr;
    if (!current || current->isExternalCopy())
        return;
    auto url = current->fileURL();
    if (!url)
        return;
    QPointer<FileWatcherFeature> weak(this);
    m_watcher = std::make_unique<Platform::FileWatcher>(
        *url,
        [weak] {
            if (weak)
                weak->reportChange();
        },
        [weak](std::chrono::milliseconds delay, std::function<void()> task) {
            if (weak)
                QTimer::singleShot(delay, weak.data(), std::move(task));
        });
    m_watcher->start();
    if (m_watcher->descriptor() >= 0) {
        m_notifier = new QSocketNotifier(m_watcher->descriptor(), QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, [this] {
            if (m_watcher)
                m_watcher->handleEvents();
        });
    }
}

void FileWatcherFeature::reportChange()
{
    if (!m_window || !m_window->environment().onDiskChange)
        return;
    WindowDocument* document = m_window->document();
    if (!document)
        return;
    if (document->isWritingToDisk()) {
        // Our own save's writing is not someone else's change, but another program may have
        // written just after our bytes, and its sign came with ours. Once the save is done the
        // disk check compares the file with the identity of the bytes written, which our own
        // writing left as it is.
        if (!m_reportPending) {
            m_reportPending = true;
            QTimer::singleShot(writingRecheckMilliseconds, this, [this] {
                m_reportPending = false;
                if (m_watcher)
                    reportChange();
            });
        }
        return;
    }
    m_window->environment().onDiskChange();
}

bool FileWatcherFeature::documentEvent(DocumentEvent event)
{
    switch (event) {
    case DocumentEvent::startWatcher:
        start();
        return true;
    case DocumentEvent::stopWatcher:
    case DocumentEvent::stopWatching:
        stop();
        return true;
    default:
        return false;
    }
}

} // namespace EditorWindow
