#pragma once

#include "app/kit/Responder.h"
#include "app/views/EditRecord.h"
#include "app/views/TextRange.h"
#include "app/window/StatusContent.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QPushButton;
class QWidget;

namespace EditorDocuments {
class DocumentController;
}

namespace EditorStore {
struct TabRestoreState;
}

namespace EditorWindow {

class DocumentWindowController;
class HostWindows;
struct CommandStateInputs;

// What happens to a window's document and its file, told to every feature in list order.
enum class DocumentEvent {
    // The document's text is in (it was read on a worker, or was there from the start).
    didLoad,
    // Watch the document's file anew (after a save, perhaps under another name), or no more.
    startWatcher,
    stopWatcher,
    // The window watches the document's file anew: a later rename is followed from it.
    watcherStarted,
    // The document leaves its file (it closes): following and watching end.
    stopWatching,
    // A sign that another program changed the file: the window compares it with what it knows.
    fileChanged,
    // Such a sign while a feature locks the text (follow mode): that feature reads what came.
    lockedFileChanged,
    // Replace the text with the file's as it is now, silently (unedited, undo cleared).
    reloadSilently,
    // The same as one undoable step, for a text with edits of its own.
    reloadUndoably,
    // The file's text as it is now took the text's place (after an outside change).
    reloaded,
    // Banners the document asks for; the feature that shows them answers true.
    fileGone,
    externalChange,
    // An explicit save was refused: the text is not the file read as text, or only part of it.
    saveRefusedNotText,
    saveRefusedPartlyLoaded,
};

// How a feature's view takes the window's body (see `DocumentWindowController::claimBody`).
enum class BodyClaim {
    // Over the whole body, the text hidden underneath (the line filter's list, the hex view).
    whole,
    // Inside the body, in the text's place or beside it (the preview); a view over the whole
    // body stays over it.
    text,
};

// One feature of a document window (find bar, filter view, preview, colouring, banners of its
// own, the file watcher...). The window controller holds a list of them, formed in one place
// (`standardWindowFeatures`), and forwards to each in list order: the edit record of every
// change, selection and settings changes, the status refresh, the bands and the actions it
// answers (after the controller's own, before the document). Main thread only.
class WindowFeature : public EditorKit::Responder
{
public:
    ~WindowFeature() override = default;

    // Once the window's views exist; `window` outlives the attachment.
    virtual void attach(DocumentWindowController& window) { (void)window; }
    // Before the window's views go.
    virtual void detach() {}
    // The window finished opening (it is shown and the first turn of the event loop ran).
    virtual void windowDidOpen() {}

    // After every change of the text, in order, once the line index followed it.
    virtual void textDidEdit(const EditorViews::EditRecord& edit) { (void)edit; }
    virtual void selectionDidChange(EditorViews::TextRange selection) { (void)selection; }
    virtual void settingsDidChange(const std::vector<std::string>& changedKeys)
    {
        (void)changedKeys;
    }

    // The window applied its display options (zoom, the tab's font, size and spacing, the
    // switches) to the text view: views that show the text's font follow it.
    virtual void displayOptionsDidChange() {}
    // The text view scrolled or resized (colouring of the newly visible part, preview scroll
    // sync).
    virtual void visibleAreaDidChange() {}
    // The window's tab became the key tab (folder adoption, revealing the file in a sidebar).
    virtual void windowBecameKey() {}
    // Installed grammars changed (the colouring re-evaluates its state).
    virtual void grammarsDidChange() {}

    // Fills in its own fields of the status (problems, follow, suspicious count...), once per
    // refresh. A feature whose status changed asks the window for a refresh.
    virtual void contributeStatus(StatusContent::Inputs& inputs) const { (void)inputs; }
    // Fills in its own fields of what the command rules read (the filter shown, following...),
    // whenever a command's state is asked for.
    virtual void contributeCommandState(CommandStateInputs& inputs) const { (void)inputs; }

    // Fills in its own fields of the tab's part of the saved window state (following...).
    virtual void contributeTabRestoreState(EditorStore::TabRestoreState& state) const
    {
        (void)state;
    }
    // A reopened tab got its saved view back; told on the turn after, when the window has its
    // size (a tab saved while following follows again).
    virtual void tabStateRestored(const EditorStore::TabRestoreState& state) { (void)state; }

    // The document's event; true when this feature acted on it (for a banner: showed it).
    virtual bool documentEvent(DocumentEvent event)
    {
        (void)event;
        return false;
    }
    // Another feature claimed the window's body while this one held it; a feature whose view
    // yields to such a claim takes its view away and releases the body.
    virtual void bodyWasTaken(BodyClaim claim) { (void)claim; }

    // Nothing may be typed into the text while this holds (follow mode: the file alone writes
    // it).
    virtual bool locksText() const { return false; }
    // A click on a status-bar segment (its menu); true when this feature handled it, which
    // ends the search.
    virtual bool statusSegmentClicked(StatusBarView::Segment segment, QPushButton* button)
    {
        (void)segment;
        (void)button;
        return false;
    }

    // Bands above the banners (tool band, progress) and below them (find bar), top first.
    // A feature whose bands changed asks the window to lay them out again.
    struct Bands
    {
        std::vector<QWidget*> aboveBanners;
        std::vector<QWidget*> belowBanners;
    };
    virtual Bands bands() const { return {}; }

    // Responder: by default the feature answers no action.
    bool respondsToAction(std::string_view action) const override
    {
        (void)action;
        return false;
    }
    void performAction(std::string_view action, const EditorKit::ActionSender& sender) override
    {
        (void)action;
        (void)sender;
    }
};

using WindowFeatureList = std::vector<std::unique_ptr<WindowFeature>>;
// Makes the features of one new window.
using WindowFeatureFactory = std::function<WindowFeatureList()>;

// The one place where the list of a document window's features is formed.
WindowFeatureList standardWindowFeatures();

// What the application gives the features whose work reaches beyond one window (the folder
// commands, the saves of the windows' state).
struct ApplicationFeatures
{
    EditorDocuments::DocumentController* documents = nullptr;
    std::shared_ptr<HostWindows> hosts;
    // Asks for the windows' state to be saved soon.
    std::function<void()> scheduleWindowStateSave;
};
// Sets the features' application-wide part up; an empty `ApplicationFeatures` takes it down
// again (before the documents and the host windows go).
void installApplicationFeatures(const ApplicationFeatures& application);

} // namespace EditorWindow
