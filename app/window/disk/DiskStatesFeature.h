#pragma once

#include "app/documents/CurrentFile.h"
#include "app/window/WindowFeature.h"
#include "core/DiskIdentity.h"
#include "platform/FileBookmark.h"

#include <QObject>
#include <QPointer>

#include <filesystem>
#include <memory>
#include <optional>

namespace Platform {
class SerialQueue;
}

namespace EditorWindow {

// Keeps a window's text in step with its file on disk without ever dropping the user's edits:
// after every sign of change it compares the file with the identity the document last read or
// wrote (on a worker), reloads silently when nothing would be lost, and otherwise explains in
// a banner ("file.gone", "external.changed") and offers the outside version, loading it, or
// saving over it. It also shows the banner of edits rescued at the last quit and lifts a
// read-only state on request. Main thread only, except the comparison.
class DiskStatesFeature
    : public QObject
    , public WindowFeature
{
public:
    DiskStatesFeature();
    ~DiskStatesFeature() override;

    void attach(DocumentWindowController& window) override;
    void detach() override;
    void windowDidOpen() override;
    bool documentEvent(DocumentEvent event) override;

    // The file watcher's reaction, and the document's when it learns its file changed.
    void checkDisk();
    // The main-thread end of a check: applies only while the document still holds `stored`.
    void handleExternalChange(const EditorCore::DiskIdentity& stored,
                              EditorCore::DiskIdentity::Change change,
                              const std::optional<EditorCore::DiskIdentity>& current);
    // Replaces the text with the file's: silently (undo cleared, unedited) or as one undoable
    // step named "바깥 것 불러오기". A large file is read again in parts by its loader.
    void reloadFromDisk(bool undoable);
    // The outside version as a read-only document in a window of its own, side by side.
    void showExternalCopy();
    // Keep mine: the file's present state becomes the known one and the text is saved over it.
    void overwriteExternal();
    bool canAllowEditing() const;
    void allowEditing();

    // Each is shown once: a second call while it stands does nothing.
    void showFileGoneBanner();
    void showExternalChangeBanner();
    void showRescuedBanner(const std::filesystem::path& origin);

    // The window watches the document's file anew (after a save, perhaps under another name):
    // a later rename is followed from this file.
    void fileWatcherStarted() { rememberBookmark(); }

    // Comparisons started since the window opened (a trashed file needs none).
    int comparisonsStarted() const { return m_comparisonsStarted; }
    // Of those, the ones whose result came back to the window (applied or found stale).
    int comparisonsFinished() const { return m_comparisonsFinished; }
    // How long a vanished file is given to reappear (another program's write-and-rename-over)
    // before the window decides that it was renamed or is gone: a little over the watcher's
    // re-arm delay.
    static constexpr int settleMilliseconds = 600;

    bool respondsToAction(std::string_view action) const override;
    bool validateAction(std::string_view action,
                        const EditorKit::ActionSender& sender) const override;
    void performAction(std::string_view action, const EditorKit::ActionSender& sender) override;

private:
    // The end of a reload on the main thread: the file's text in the text's place (none: the
    // file could not be read or decoded).
    void applyCurrentFile(bool undoable, std::optional<EditorDocuments::CurrentFile> decoded);
    void showExternalCopyOf(const QString& text);
    // A large file's load starts over on its worker with `identity` as the known one (reading it
    // whole here would stall the window and lose track of what was read); false without a
    // large-file loader.
    bool restartLargeLoad(const std::optional<EditorCore::DiskIdentity>& identity);
    void fileVanished(const EditorCore::DiskIdentity& stored);
    void rememberBookmark();

    QPointer<DocumentWindowController> m_window;
    std::shared_ptr<Platform::SerialQueue> m_queue;
    // Where the file was last seen: a rename within its folder is followed through it.
    std::optional<Platform::FileBookmark> m_bookmark;
    // The document's file when the bookmark was made.
    std::filesystem::path m_bookmarkURL;
    int m_comparisonsStarted = 0;
    int m_comparisonsFinished = 0;
    bool m_rescuedShown = false;
};

} // namespace EditorWindow
