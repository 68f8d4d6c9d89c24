#include "app/shell/Application.h"

#include "app/documents/DocumentTexts.h"
#include "app/kit/ActionRouter.h"
#include "app/kit/HostWindow.h"
#include "app/kit/TabPage.h"
#include "app/shell/LaunchMeasurement.h"
#include "app/window/hosting/HostWindows.h"
#include "app/window/hosting/TextDocumentWindow.h"
#include "app/window/hosting/WindowRestorer.h"
#include "app/window/WindowFeature.h"

#include <QPointer>
#include <QTimer>

#include <filesystem>

#include <iostream>
#include <memory>

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
    if (LaunchMeasurement::isEnabled())
        installation.markLaunchPhase = [](std::string_view name) { LaunchMeasurement::mark(name); };
    installation.closeDocument = [controller](TextDocument& document) {
        QPointer<TextDocument> closing(&document);
        // Later: the close came from the document's own tab.
        QTimer::singleShot(0, [controller, closing] {
            if (controller && closing)
                controller->removeDocument(closing);
        });
    };
    services->isTerminating = [controller] { return controller && controller->isTerminating; };
    EditorWindow::TextDocumentWindow::install(*services, std::move(installation));
    m_router.setDocumentController(&m_documents);
    EditorWindow::ApplicationFeatures features;
    features.documents = &m_documents;
    features.hosts = m_hosts;
    features.scheduleWindowStateSave = [] {
        if (auto* shared = EditorWindow::WindowRestorer::shared())
            shared->scheduleSave();
    };
    EditorWindow::installApplicationFeatures(features);
    installWindowRestorer(services);
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

void Application::installWindowRestorer(
    const std::shared_ptr<EditorDocuments::DocumentServices>& services)
{
    using EditorWindow::WindowRestorer;
    WindowRestorer::Environment environment;
    environment.documents = &m_documents;
    environment.hosts = m_hosts;
    environment.services = services;
    environment.scratchDirectory = services->scratchDirectory;
    m_restorer = std::make_unique<WindowRestorer>(std::move(environment));
    WindowRestorer::setShared(m_restorer.get());
    QPointer<WindowRestorer> restorer(m_restorer.get());
    m_documents.restorer.isRestoring = [restorer] { return restorer && restorer->isRestoring(); };
    m_documents.restorer.openedDuringRestore = [restorer](TextDocument* document) {
        if (restorer)
            restorer->openedDuringRestore(document);
    };
    m_documents.restorer.saveAndFreeze = [restorer] {
        if (restorer)
            restorer->saveAndFreeze();
    };
    m_documents.restorer.releaseFreeze = [restorer] {
        if (restorer)
            restorer->releaseFreeze();
    };
}

Application::~Application()
{
    m_documents.restorer = {};
    m_router.setDocumentController(nullptr);
    EditorWindow::installApplicationFeatures({});
    for (TextDocument* document : m_documents.documents())
        m_documents.removeDocument(document);
}

void Application::show(TextDocument* document, bool activate)
{
    auto* window = dynamic_cast<EditorWindow::TextDocumentWindow*>(document->editor());
    if (!window)
        return;
    EditorWindow::DocumentWindowController& controller = window->controller();
    controller.showWindow();
    if (!activate)
        return;
    // A handed-over file ends in front and active, also over a window kept behind during a
    // restore or one that shows a question.
    EditorKit::bringPageForward(controller.page());
    if (EditorKit::HostWindow* host = controller.hostWindow())
        if (const auto& hosts = controller.environment().hosts)
            hosts->bringToFront(host);
}

void Application::openArguments(const std::vector<std::string>& arguments,
                                bool activate,
                                std::function<void(bool opened)> done)
{
    // Opening may finish later than this call; the last file to finish reports.
    struct Opening
    {
        std::size_t remaining = 0;
        bool opened = false;
    };
    auto opening = std::make_shared<Opening>();
    std::vector<std::string> files;
    for (const std::string& argument : arguments) {
        if (argument.rfind("orlune-viewer:", 0) == 0) {
            if (handleRequestURL)
                handleRequestURL(argument);
            else
                std::cerr << "orlune-viewer: requests are not handled here: " << argument << "\n";
            continue;
        }
        if (argument == "--new-document") {
            m_documents.makeUntitledDocument(true);
            opening->opened = true;
            continue;
        }
        // Other options have no meaning here; files come as absolute paths.
        if (argument.rfind("--", 0) == 0)
            continue;
        files.push_back(argument);
    }
    auto finish = [opening, done = std::move(done)] {
        if (done)
            done(opening->opened);
    };
    if (files.empty()) {
        finish();
        return;
    }
    QPointer<Application> self(this);
    opening->remaining = files.size();
    for (const std::string& file : files) {
        m_documents.openDocumentWithContentsOfURL(
            file,
            true,
            [self, opening, finish, file, activate](
                TextDocument* document,
                bool alreadyOpen,
                const std::optional<EditorDocuments::DocumentFailure>& failure) {
                --opening->remaining;
                std::error_code ignored;
                if (failure && TextDocument::isUserCancellation(*failure)
                    && std::filesystem::is_directory(file, ignored)) {
                    // A folder opens in a window of its own (or in the front window's
                    // sidebar): no document, and nothing failed.
                    opening->opened = true;
                } else if (failure) {
                    std::cerr << "orlune-viewer: " << file << ": "
                              << EditorDocuments::DocumentTexts::describe(*failure).toStdString()
                              << "\n";
                } else if (document) {
                    opening->opened = true;
                    if (self && (alreadyOpen || activate))
                        self->show(document, activate);
                }
                if (opening->remaining == 0)
                    finish();
            });
    }
}

} // namespace EditorShell
