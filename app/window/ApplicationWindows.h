#pragma once

#include <memory>
#include <vector>

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

} // namespace ApplicationWindows

} // namespace EditorWindow
