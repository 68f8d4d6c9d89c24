#pragma once

#include "store/WindowState.h"

#include <memory>
#include <optional>
#include <vector>

class QObject;

namespace EditorDocuments {
class DocumentController;
class TextDocument;
} // namespace EditorDocuments

namespace EditorKit {
class HostWindow;
}

namespace EditorWindow {

class DocumentWindowController;
class HostWindows;

// The application's documents and windows as a window's features reach them (opening a file
// in the same window, a new tab for exported lines, the tabs of a host window). Main thread.
// The folders the windows show in their sidebars, as the window restorer saves and restores
// them; the folder sidebar gives it (see `ApplicationWindows::installFolders`).
class WindowFolders
{
public:
    // One window's folder, shared by its tabs; opaque to all but its maker.
    using Folder = std::shared_ptr<QObject>;

    virtual ~WindowFolders() = default;
    // The folder the tab's window shows, as saved; none without one.
    virtual std::optional<EditorStore::FolderRestoreState>
    savedFolder(const DocumentWindowController& tab) const = 0;
    // The saved folder made anew; none when it cannot be shown.
    virtual Folder restoreFolder(const EditorStore::FolderRestoreState& state) = 0;
    // The tab shows the folder.
    virtual void showFolder(DocumentWindowController& tab, const Folder& folder) = 0;
    // A new untitled document in a window of its own that shows the folder.
    virtual DocumentWindowController* openUntitledWindow(const Folder& folder) = 0;
};

namespace ApplicationWindows {

// The document controller and host windows of the running application (Application sets
// them; tests their own).
void install(EditorDocuments::DocumentController* documents, std::shared_ptr<HostWindows> hosts);
EditorDocuments::DocumentController* documentController();

// The window of a document, or none (no document, or one without a window).
DocumentWindowController* controllerOf(const EditorDocuments::TextDocument* document);
// The tabs of the host window the controller's page is in, in tab order.
std::vector<DocumentWindowController*> tabsOf(DocumentWindowController& controller);
// Brings the controller's tab to the front of its host window, and the window to the front.
void raise(DocumentWindowController& controller);

// The host windows' joining (see HostWindows); nothing without installed host windows.
EditorKit::HostWindow* windowToJoin();
void joinNext(EditorKit::HostWindow* window);
void beginNewWindowGroup();
void endNewWindowGroup();

// The windows' folders; none until the folder sidebar installed them (the window restorer then
// saves and restores no folder).
void installFolders(std::shared_ptr<WindowFolders> folders);
WindowFolders* folders();

} // namespace ApplicationWindows

} // namespace EditorWindow
