#pragma once

#include "app/documents/DocumentController.h"

#include <QObject>

#include <string>
#include <vector>

namespace EditorKit {
class ActionRouter;
}

namespace EditorShell {

// The application object of the program entry: the document controller with the window
// module's window factory installed, opening the files and untitled documents asked for, from
// the command line or from a later start.
class Application : public QObject
{
    Q_OBJECT
public:
    explicit Application(EditorKit::ActionRouter& router);
    ~Application() override;

    // Absolute paths (an open file's tab comes to the front) and request URLs, in order; a new
    // untitled document when nothing opened and no document is open. With `activate`, the
    // window of every file opened is shown (also when minimised) and raised.
    void openArguments(const std::vector<std::string>& arguments, bool activate = true);

    EditorDocuments::DocumentController& documentController() { return m_documents; }

signals:
    // Each document as its window is shown (the status report of the smoke test hooks in here).
    void documentShown(EditorDocuments::TextDocument* document);

private:
    void show(EditorDocuments::TextDocument* document);

    EditorKit::ActionRouter& m_router;
    EditorDocuments::DocumentController m_documents;
};

} // namespace EditorShell
