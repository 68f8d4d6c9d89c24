#pragma once

#include "app/documents/DocumentFailure.h"
#include "app/documents/RecoveryCopies.h"
#include "app/documents/SaveRules.h"
#include "core/ChunkedText.h"
#include "core/LineIndex.h"

#include <QString>

#include <optional>

namespace EditorDocuments {

// What a document asks of its window controller. The window controller implements it; the
// document creates it through its services' factory (makeWindowControllers) and owns it.
// Main thread only.
class DocumentWindow
{
public:
    virtual ~DocumentWindow() = default;

    // The text view's string, flattened (O(n) after each change): for whole-text work done
    // once, never for a save.
    virtual QString text() const = 0;
    // The text view's text as it is now, taken in O(1): what a save, autosave or keeping
    // writes while the window exists. Any thread may read it while typing goes on.
    virtual EditorCore::TextSnapshot snapshot() const = 0;
    // An input method is composing.
    virtual bool hasMarkedText() const = 0;
    // The text as the user sees it: during a composition, the composed part at the caret too.
    // What is kept for the user when the text cannot be written.
    virtual QString textWithMarkedText() const { return text(); }
    // The same as a snapshot.
    virtual EditorCore::TextSnapshot snapshotWithMarkedText() const { return snapshot(); }

    // Selects the window's tab, brings its window to the front and makes it active.
    virtual void showWindow() {}

    virtual void updateStatusBar() = 0;
    virtual void applyDisplayOptions() = 0;
    virtual void applyEditability() = 0;
    // Line index, ruler, caret at the start, status bar. The window takes the snapshot's
    // chunks over as they are. `lines`: the text's line index built already (by the reading
    // worker), so that the interface thread does not scan a large text once more; taken only
    // when it covers the text.
    virtual void replaceAllText(EditorCore::TextSnapshot text,
                                std::optional<EditorCore::LineIndex> lines = std::nullopt) = 0;
    virtual void setHasUnsavedEdits(bool edited) = 0;
    // The text grows from the file alone (follow mode): it is the file as it was read, with a
    // marker line wherever the file started over, never the user's. Written back over the file
    // it would replace the log being followed, markers and all.
    virtual bool isTextLocked() const { return false; }
    virtual void startFileWatcher() = 0;
    // Ends follow mode and cancels the file watcher.
    virtual void stopWatching() = 0;

    // Banners (the window shows each once per key).
    virtual void showFileGoneBanner() = 0;
    virtual void showExternalChangeBanner() = 0;
    // Shows "save.unencodable" for an unencodable failure, nothing for any other.
    virtual void showUnencodableBanner(const DocumentFailure& failure) = 0;
    // An explicit save that would write a text that is not the file's.
    virtual void showSaveRefusedBanner(SaveRules::SaveRefusal refusal) = 0;
    virtual void dismissBanner(const QString& key) = 0;
    // The last in-place rewrite of the file did not finish; `copy` holds what it was writing.
    // With `fileGone` the file is no more and this document is that content, untitled.
    virtual void showInterruptedSaveBanner(const RecoveryCopies::Copy& copy, bool fileGone)
    {
        (void)copy;
        (void)fileGone;
    }

    // The document's text is still being read (shown once reading takes noticeably long) or
    // has arrived.
    virtual void setLoading(bool loading) { (void)loading; }
    // The untitled text was kept under a new identifier (or no longer is): what the saved
    // window state names for its tab changed.
    virtual void keptIdentityChanged() {}
};

} // namespace EditorDocuments
