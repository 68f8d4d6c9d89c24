#include "app/views/TextStorage.h"
#include "app/window/sidebar/FolderSidebarFeature.h"

#include "app/documents/DocumentController.h"
#include "app/documents/TextDocument.h"
#include "app/kit/HostWindow.h"
#include "app/kit/TabPage.h"
#include "app/window/ApplicationWindows.h"
#include "app/window/DocumentContentView.h"
#include "app/window/DocumentWindowController.h"
#include "app/window/sidebar/FolderSession.h"
#include "app/window/sidebar/FolderSidebarView.h"
#include "app/window/WindowDocument.h"

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <QTreeView>

namespace EditorWindow {

namespace fs = std::filesystem;
using EditorDocuments::DocumentController;
using EditorDocuments::TextDocument;

void FolderSidebarFeature::attach(DocumentWindowController& window)
{
    m_window = &window;
}

void FolderSidebarFeature::detach()
{
    if (m_sidebar && m_window && m_window->content()
        && m_window->content()->sidebar() == m_sidebar.data()) {
        m_window->content()->setSidebar(nullptr);
    }
    delete m_sidebar.data();
    if (m_session)
        disconnect(m_session.get(), nullptr, this, nullptr);
    m_window = nullptr;
}

void FolderSidebarFeature::windowBecameKey()
{
    adoptFolderFromTabGroup();
    if (m_sidebar && m_window && m_window->document())
        m_sidebar->revealFile(m_window->document()->fileURL());
}

void FolderSidebarFeature::updateFolderSidebar(std::shared_ptr<FolderSession> session)
{
    if (!m_window || !session || session == m_session)
        return;
    if (m_session)
        disconnect(m_session.get(), nullptr, this, nullptr);
    delete m_sidebar.data();
    m_session = std::move(session);

    FolderSidebarView::Hooks hooks;
    QPointer<FolderSidebarFeature> self(this);
    hooks.openFile = [self](const fs::path& file) {
        if (self)
            self->openFileFromFolder(file);
    };
    hooks.currentFile = [self]() -> std::optional<fs::path> {
        if (!self || !self->m_window || !self->m_window->document())
            return std::nullopt;
        return self->m_window->document()->fileURL();
    };
    hooks.openDocumentFiles = [] {
        std::vector<fs::path> files;
        if (DocumentController* documents = ApplicationWindows::documentController()) {
            for (TextDocument* document : documents->documents()) {
                if (auto url = document->fileURL())
                    files.push_back(*url);
            }
        }
        return files;
    };
    m_sidebar = new FolderSidebarView(m_session, m_window->environment().presenter, hooks);
    m_sidebar->setVisible(m_session->visible());

    DocumentContentView* content = m_window->content();
    content->sidebarWidth = m_session->width();
    std::weak_ptr<FolderSession> weak = m_session;
    content->onSidebarResize = [weak](double width) {
        if (auto shared = weak.lock())
            shared->setWidth(width);
    };
    content->setSidebar(m_sidebar);
    m_sidebar->setVisible(m_session->visible());
    connect(m_session.get(),
            &FolderSession::stateDidChange,
            this,
            &FolderSidebarFeature::folderStateDidChange);
    m_window->setNeedsRefresh();
    if (auto& save = FolderSession::windowStateSaveRequest())
        save();
}

void FolderSidebarFeature::folderStateDidChange()
{
    if (!m_session || !m_window || !m_sidebar)
        return;
    m_sidebar->setVisible(m_session->visible());
    DocumentContentView* content = m_window->content();
    content->sidebarWidth = m_session->width();
    content->setSidebar(m_sidebar);
    content->updateGeometry();
    m_window->setNeedsRefresh();
}

void FolderSidebarFeature::adoptFolderFromTabGroup()
{
    if (m_session || !m_window)
        return;
    for (DocumentWindowController* tab : ApplicationWindows::tabsOf(*m_window)) {
        if (tab == m_window)
            continue;
        if (auto* other = tab->feature<FolderSidebarFeature>(); other && other->session()) {
            updateFolderSidebar(other->session());
            return;
        }
    }
}

void FolderSidebarFeature::toggleFolderSidebar()
{
    if (!m_session) {
        QApplication::beep();
        return;
    }
    m_session->setVisible(!m_session->visible());
    if (m_session->visible() && m_sidebar)
        m_sidebar->outline()->setFocus();
}

void FolderSidebarFeature::toggleHiddenFiles()
{
    if (!m_session) {
        QApplication::beep();
        return;
    }
    m_session->setShowsHidden(!m_session->showsHidden());
}

bool FolderSidebarFeature::isBlankUntitled() const
{
    if (!m_window)
        return false;
    WindowDocument* document = m_window->document();
    return document && !document->fileURL() && !document->isEdited()
           && m_window->textView()->storage().isEmpty();
}

void FolderSidebarFeature::openFileFromFolder(const fs::path& file)
{
    DocumentController* documents = ApplicationWindows::documentController();
    if (!documents || !m_window)
        return;
    if (TextDocument* open = documents->documentForURL(file)) {
        if (DocumentWindowController* controller = ApplicationWindows::controllerOf(open)) {
            ApplicationWindows::raise(*controller);
            return;
        }
    }
    EditorKit::HostWindow* host = m_window->hostWindow();
    if (!host || !m_session)
        return;
    QPointer<QObject> blank;
    if (host->pageCount() <= 1 && isBlankUntitled())
        blank = m_window->document()->documentObject();
    ApplicationWindows::raise(*m_window);
    ApplicationWindows::joinNext(host);
    std::shared_ptr<FolderSession> session = m_session;
    QPointer<DocumentController> controller(documents);
    documents->openURL(
        file,
        true,
        [session, blank, controller](
            TextDocument* document, bool, const std::optional<EditorDocuments::DocumentFailure>&) {
            DocumentWindowController* opened =
                document ? ApplicationWindows::controllerOf(document) : nullptr;
            if (!opened)
                return;
            if (auto* feature = opened->feature<FolderSidebarFeature>())
                feature->updateFolderSidebar(session);
            ApplicationWindows::raise(*opened);
            // Later: the pick may come from inside an event of the blank tab's own sidebar.
            QTimer::singleShot(0, controller, [blank, controller, document] {
                if (auto* blankDocument = qobject_cast<TextDocument*>(blank.data());
                    blankDocument && blankDocument != document && controller)
                    controller->removeDocument(blankDocument);
            });
        });
    ApplicationWindows::joinNext(nullptr);
}

void FolderSidebarFeature::contributeCommandState(CommandStateInputs& inputs) const
{
    inputs.hasFolderSession = m_session != nullptr;
    inputs.folderSidebarVisible = m_session && m_session->visible();
    inputs.folderShowsHiddenFiles = m_session && m_session->showsHidden();
}

bool FolderSidebarFeature::respondsToAction(std::string_view action) const
{
    return action == "toggleFolderSidebar:" || action == "toggleHiddenFiles:";
}

bool FolderSidebarFeature::validateAction(std::string_view, const EditorKit::ActionSender&) const
{
    return m_session != nullptr;
}

void FolderSidebarFeature::performAction(std::string_view action, const EditorKit::ActionSender&)
{
    if (action == "toggleFolderSidebar:")
        toggleFolderSidebar();
    else if (action == "toggleHiddenFiles:")
        toggleHiddenFiles();
}

namespace FolderWindows {

namespace {

// The sessions of the folder sidebar as the window restorer sees them.
class SidebarFolders : public WindowFolders
{
public:
    std::optional<EditorStore::FolderRestoreState>
    savedFolder(const DocumentWindowController& tab) const override
    {
        auto* feature = tab.feature<FolderSidebarFeature>();
        if (!feature || !feature->session())
            return std::nullopt;
        return feature->session()->restoreState();
    }
    Folder restoreFolder(const EditorStore::FolderRestoreState& state) override
    {
        return FolderSession::restore(state);
    }
    void showFolder(DocumentWindowController& tab, const Folder& folder) override
    {
        if (auto* feature = tab.feature<FolderSidebarFeature>())
            feature->updateFolderSidebar(std::dynamic_pointer_cast<FolderSession>(folder));
    }
    DocumentWindowController* openUntitledWindow(const Folder& folder) override
    {
        return FolderWindows::openUntitledWindow(std::dynamic_pointer_cast<FolderSession>(folder));
    }
};

} // namespace

void install(DocumentController* documents, std::shared_ptr<HostWindows> hosts)
{
    ApplicationWindows::install(documents, std::move(hosts));
    ApplicationWindows::installFolders(std::make_shared<SidebarFolders>());
    if (documents)
        documents->openFolder = [](const fs::path& folder) { openFolder(folder); };
}

namespace {

std::shared_ptr<FolderSession> sessionOf(DocumentWindowController* controller)
{
    if (!controller)
        return nullptr;
    auto* feature = controller->feature<FolderSidebarFeature>();
    return feature ? feature->session() : nullptr;
}

} // namespace

void openFolder(const fs::path& folder)
{
    DocumentController* documents = ApplicationWindows::documentController();
    if (!documents)
        return;
    std::string text = folder.lexically_normal().native();
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    const fs::path root = text;
    std::vector<DocumentWindowController*> controllers;
    for (TextDocument* document : documents->documents()) {
        if (DocumentWindowController* controller = ApplicationWindows::controllerOf(document))
            controllers.push_back(controller);
    }
    for (DocumentWindowController* controller : controllers) {
        auto session = sessionOf(controller);
        if (session && session->root() == root && controller->hostWindow()) {
            ApplicationWindows::raise(*controller);
            return;
        }
    }
    auto session = std::make_shared<FolderSession>(root);

    // The key window, else the front visible one.
    DocumentWindowController* target = nullptr;
    auto* active = qobject_cast<EditorKit::HostWindow*>(QApplication::activeWindow());
    for (DocumentWindowController* controller : controllers) {
        EditorKit::HostWindow* host = controller->hostWindow();
        if (!host || !host->isVisible())
            continue;
        if (active ? host == active && host->currentPage() == controller->page() : !target)
            target = controller;
    }
    if (!target) {
        if (EditorKit::HostWindow* host = ApplicationWindows::windowToJoin()) {
            for (DocumentWindowController* controller : controllers) {
                if (controller->hostWindow() == host && host->currentPage() == controller->page())
                    target = controller;
            }
        }
    }
    if (target && !sessionOf(target)) {
        for (DocumentWindowController* tab : ApplicationWindows::tabsOf(*target)) {
            if (auto* feature = tab->feature<FolderSidebarFeature>())
                feature->updateFolderSidebar(session);
        }
        ApplicationWindows::raise(*target);
        return;
    }
    // Opened folders are not noted as recent documents: there is no such menu, and the
    // desktop's shared list belongs to other programs too.
    openUntitledWindow(session);
}

DocumentWindowController* openUntitledWindow(std::shared_ptr<FolderSession> session)
{
    DocumentController* documents = ApplicationWindows::documentController();
    if (!documents)
        return nullptr;
    ApplicationWindows::beginNewWindowGroup();
    TextDocument* document = documents->makeUntitledDocument(true);
    ApplicationWindows::endNewWindowGroup();
    DocumentWindowController* controller = ApplicationWindows::controllerOf(document);
    if (!controller)
        return nullptr;
    if (auto* feature = controller->feature<FolderSidebarFeature>())
        feature->updateFolderSidebar(std::move(session));
    ApplicationWindows::raise(*controller);
    return controller;
}

} // namespace FolderWindows

} // namespace EditorWindow
