#pragma once

#include "app/documents/DocumentController.h"

#include <QObject>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace EditorKit {
class ActionRouter;
class Presenter;
} // namespace EditorKit

namespace EditorWindow {
class HostWindows;
class WindowRestorer;
} // namespace EditorWindow

namespace EditorShell {

// The application object of the program entry: the document controller with the window
// module's window factory installed, opening the files and untitled documents asked for, from
// the command line or from a later start. It takes every service it uses (the program entry
// gives the shared ones, a test its own); the services get the window factory installed.
class Application : public QObject
{
    Q_OBJECT
public:
    Application(EditorKit::ActionRouter& router,
                std::shared_ptr<EditorDocuments::DocumentServices> services,
                std::shared_ptr<EditorKit::Presenter> presenter);
    ~Application() override;

    // Absolute paths (an open file's tab comes to the front), request URLs and "--new-document"
    // (a new untitled document), in order. With `activate`, the window of every file opened is
    // shown (also when minimised) and raised. `done` is called once every opening has ended,
    // telling whether any document was opened or made (at once when there was nothing to do).
    void openArguments(const std::vector<std::string>& arguments,
                       bool activate = true,
                       std::function<void(bool opened)> done = {});

    EditorDocuments::DocumentController& documentController() { return m_documents; }
    // Saves and rebuilds the document windows (the application's shared restorer).
    EditorWindow::WindowRestorer& windowRestorer() { return *m_restorer; }

    // Where request URLs ("orlune-viewer:…") go (the request handler); none: they are
    // reported and skipped.
    std::function<void(const std::string& url)> handleRequestURL;

signals:
    // Each document as its window is shown (the status report of the smoke test hooks in here).
    void documentShown(EditorDocuments::TextDocument* document);

private:
    // Shows the document's tab; with `activate` its window also comes in front, active.
    void show(EditorDocuments::TextDocument* document, bool activate = true);
    void installWindowRestorer(const std::shared_ptr<EditorDocuments::DocumentServices>& services);

    EditorKit::ActionRouter& m_router;
    std::shared_ptr<EditorWindow::HostWindows> m_hosts;
    EditorDocuments::DocumentController m_documents;
    std::unique_ptr<EditorWindow::WindowRestorer> m_restorer;
};

} // namespace EditorShell
