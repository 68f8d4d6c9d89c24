#include "app/shell/Application.h"

#include "app/documents/DocumentTexts.h"
#include "app/kit/ActionRouter.h"
#include "app/window/HostWindows.h"
#include "app/window/TextDocumentWindow.h"

#include <QPointer>
#include <QTimer>

#include <iostream>

namespace EditorShell {

using EditorDocuments::TextDocument;

Application::Application(EditorKit::ActionRouter& router,
                         std::shared_ptr<EditorDocuments::DocumentServices> services,
                         std::shared_ptr<EditorKit::Presenter> presenter)
    : m_router(router)
    , m_hosts(std::make_shared<EditorWindow::HostWindows>(router))
    , m_documents(services)
{
    QPointer<EditorDocuments::DocumentController> controller(&m_documents);
    EditorWindow::TextDocumentWindow::Installation installation;
    installation.router = &router;
    installation.presenter = std::move(presenter);
    installation.hosts = m_hosts;
    installation.closeDocument = [controller](TextDocument& document) {
        QPointer<TextDocument> closing(&document);
        // Later: the close came from the document's own tab.
        QTimer::singleShot(0, [controller, closing] {
            if (controller && closing)
                controller->removeDocument(closing);
        });
    };
    EditorWindow::TextDocumentWindow::install(*services, std::move(installation));
    m_router.setDocumentController(&m_documents);
    connect(&m_documents,
            &EditorDocuments::DocumentController::documentAdded,
            this,
            [this](TextDocument* document) {
                // Untitled documents made from the menu show as they are made.
                QTimer::singleShot(0, this, [this, document = QPointer<TextDocument>(document)] {
                    if (document && document->editor())
                        emit documentShown(document);
                });
            });
}

Application::~Application()
{
    m_router.setDocumentController(nullptr);
    for (TextDocument* document : m_documents.documents())
        m_documents.removeDocument(document);
}

void Application::show(TextDocument* document)
{
    if (auto* window = dynamic_cast<EditorWindow::TextDocumentWindow*>(document->editor()))
        window->controller().showWindow();
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
        m_documents.openDocumentWithContentsOfURL(
            argument,
            true,
            [&, argument](TextDocument* document,
                          bool alreadyOpen,
                          const std::optional<EditorDocuments::DocumentFailure>& failure) {
                if (failure) {
                    std::cerr << "orlune-viewer: " << argument << ": "
                              << EditorDocuments::DocumentTexts::describe(*failure).toStdString()
                              << "\n";
                    return;
                }
                if (!document)
                    return;
                opened = true;
                if (alreadyOpen)
                    show(document);
            });
    }
    if (!opened && m_documents.documents().empty())
        m_documents.makeUntitledDocument(true);
}

} // namespace EditorShell
