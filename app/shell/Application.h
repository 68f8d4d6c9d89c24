#pragma once

#include "app/kit/Responder.h"

#include <QObject>
#include <QStringList>

#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

namespace EditorKit {
class ActionRouter;
}

namespace EditorWindow {
struct WindowEnvironment;
}

namespace EditorShell {

class ShellDocument;

// The application object of the program entry: it keeps the open documents and opens the
// files and untitled documents asked for, from the command line or from a later start. In the
// responder chain it answers "newDocument:" as the document controller.
class Application
    : public QObject
    , public EditorKit::ActionTableResponder
{
    Q_OBJECT
public:
    explicit Application(EditorKit::ActionRouter& router);
    ~Application() override;

    // Absolute paths (an open file's tab comes to the front) and request URLs, in order; a new
    // untitled document when nothing opened and no document is open.
    void openArguments(const std::vector<std::string>& arguments);
    void newDocument();

    const std::vector<std::unique_ptr<ShellDocument>>& documents() const { return m_documents; }

signals:
    // Each document as its window is made (the status report of the smoke test hooks in here).
    void documentOpened(EditorShell::ShellDocument* document);

private:
    ShellDocument* documentFor(const std::filesystem::path& path) const;
    void adopt(std::unique_ptr<ShellDocument> document);
    void close(ShellDocument* document);

    EditorKit::ActionRouter& m_router;
    std::vector<std::unique_ptr<ShellDocument>> m_documents;
};

} // namespace EditorShell
