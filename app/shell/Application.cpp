#include "app/shell/Application.h"

#include "app/kit/ActionRouter.h"
#include "app/kit/HostWindow.h"
#include "app/shell/ShellDocument.h"
#include "app/window/DocumentWindowController.h"

#include <QMessageBox>
#include <QTimer>

#include <iostream>

namespace EditorShell {

Application::Application(EditorKit::ActionRouter& router)
    : m_router(router)
{
    addHandler("newDocument:", [this](const EditorKit::ActionSender&) { newDocument(); });
    m_router.setDocumentController(this);
}

Application::~Application()
{
    m_router.setDocumentController(nullptr);
    // Windows go before their documents.
    m_documents.clear();
}

ShellDocument* Application::documentFor(const std::filesystem::path& path) const
{
    std::error_code error;
    for (const auto& document : m_documents) {
        auto url = document->fileURL();
        if (url && (*url == path || std::filesystem::equivalent(*url, path, error)))
            return document.get();
    }
    return nullptr;
}

void Application::openArguments(const std::vector<std::string>& arguments)
{
    bool opened = false;
    for (const std::string& argument : arguments) {
        // Request URLs are carried out by the request handler, which comes with the shell's
        // full start-up; until then they are reported and skipped.
        if (argument.rfind("orlune-viewer:", 0) == 0) {
            std::cerr << "orlune-viewer: requests are not handled yet: " << argument << "\n";
            continue;
        }
        std::filesystem::path path(argument);
        if (ShellDocument* open = documentFor(path)) {
            open->editor()->showWindow();
            opened = true;
            continue;
        }
        QString error;
        auto document = ShellDocument::open(path, &error);
        if (!document) {
            std::cerr << "orlune-viewer: " << argument << ": " << error.toStdString() << "\n";
            continue;
        }
        adopt(std::move(document));
        opened = true;
    }
    if (!opened && m_documents.empty())
        newDocument();
}

void Application::newDocument()
{
    adopt(ShellDocument::untitled());
}

void Application::adopt(std::unique_ptr<ShellDocument> document)
{
    ShellDocument* raw = document.get();
    m_documents.push_back(std::move(document));
    connect(raw, &ShellDocument::closeRequested, this, &Application::close);
    raw->makeWindowControllers(m_router);
    emit documentOpened(raw);
}

void Application::close(ShellDocument* document)
{
    // Later: the close came from the document's own tab button.
    QTimer::singleShot(0, this, [this, document] {
        auto found = std::find_if(m_documents.begin(), m_documents.end(), [&](const auto& entry) {
            return entry.get() == document;
        });
        if (found != m_documents.end())
            m_documents.erase(found);
    });
}

} // namespace EditorShell
