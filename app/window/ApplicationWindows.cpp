#include "app/window/ApplicationWindows.h"

#include "app/documents/DocumentController.h"
#include "app/documents/TextDocument.h"
#include "app/kit/HostWindow.h"
#include "app/kit/TabPage.h"
#include "app/window/DocumentWindowController.h"
#include "app/window/hosting/HostWindows.h"
#include "app/window/hosting/TextDocumentWindow.h"

#include <QPointer>

namespace EditorWindow::ApplicationWindows {

using EditorDocuments::DocumentController;
using EditorDocuments::TextDocument;

namespace {

QPointer<DocumentController>& installedController()
{
    static QPointer<DocumentController> controller;
    return controller;
}

std::shared_ptr<HostWindows>& installedHosts()
{
    static std::shared_ptr<HostWindows> hosts;
    return hosts;
}

std::shared_ptr<WindowFolders>& installedFolders()
{
    static std::shared_ptr<WindowFolders> folders;
    return folders;
}

} // namespace

void install(DocumentController* documents, std::shared_ptr<HostWindows> hosts)
{
    installedController() = documents;
    installedHosts() = std::move(hosts);
}

DocumentController* documentController()
{
    return installedController().data();
}

DocumentWindowController* controllerOf(const TextDocument* document)
{
    if (!document)
        return nullptr;
    auto* window = dynamic_cast<TextDocumentWindow*>(document->editor());
    return window ? &window->controller() : nullptr;
}

std::vector<DocumentWindowController*> tabsOf(DocumentWindowController& controller)
{
    std::vector<DocumentWindowController*> tabs;
    EditorKit::HostWindow* host = controller.hostWindow();
    DocumentController* documents = documentController();
    if (!host || !documents)
        return {&controller};
    for (EditorKit::TabPage* page : host->pages()) {
        for (TextDocument* document : documents->documents()) {
            DocumentWindowController* tab = controllerOf(document);
            if (tab && tab->page() == page)
                tabs.push_back(tab);
        }
    }
    return tabs;
}

void raise(DocumentWindowController& controller)
{
    EditorKit::HostWindow* host = controller.hostWindow();
    if (!host)
        return;
    host->setCurrentPage(controller.page());
    host->show();
    host->raise();
    host->activateWindow();
}

EditorKit::HostWindow* windowToJoin()
{
    return installedHosts() ? installedHosts()->windowToJoin() : nullptr;
}

void joinNext(EditorKit::HostWindow* window)
{
    if (installedHosts())
        installedHosts()->joinNext(window);
}

void beginNewWindowGroup()
{
    if (installedHosts())
        installedHosts()->beginNewWindowGroup();
}

void endNewWindowGroup()
{
    if (installedHosts())
        installedHosts()->endNewWindowGroup();
}

void installFolders(std::shared_ptr<WindowFolders> folders)
{
    installedFolders() = std::move(folders);
}

WindowFolders* folders()
{
    return installedFolders().get();
}

} // namespace EditorWindow::ApplicationWindows
