// How the document services make, close and ask over the windows of TextDocuments.
#include "app/documents/DocumentServices.h"
#include "app/documents/DocumentTexts.h"
#include "app/documents/TextDocument.h"
#include "app/kit/ActionRouter.h"
#include "app/kit/HostWindow.h"
#include "app/kit/Localized.h"
#include "app/kit/Presenter.h"
#include "app/kit/TabPage.h"
#include "app/window/hosting/CloseDecision.h"
#include "app/window/hosting/HostWindows.h"
#include "app/window/hosting/TextDocumentWindow.h"
#include "app/window/hosting/WindowRestorer.h"
#include "store/FileMemory.h"

#include <QApplication>
#include <QPointer>

#include <functional>

namespace EditorWindow {

using EditorDocuments::TextDocument;

namespace {

// The per-file memory: the encoding the user chose for a file.
void rememberEncodings(EditorDocuments::FileMemoryLink& fileMemory)
{
    fileMemory.entry =
        [](const std::filesystem::path& file) -> std::optional<EditorDocuments::RememberedFile> {
        auto entry = EditorStore::FileMemory().entry(file);
        if (!entry)
            return std::nullopt;
        return EditorDocuments::RememberedFile{entry->encoding};
    };
    fileMemory.rememberEncoding = [](EditorCore::TextEncoding encoding,
                                     const std::filesystem::path& file,
                                     std::chrono::system_clock::time_point chosenAt) {
        return EditorStore::FileMemory().rememberEncoding(encoding, file, chosenAt).has_value();
    };
}

// The per-file memory of a window: the file's own view settings.
void rememberViews(WindowEnvironment& environment)
{
    environment.viewMemory = [](const std::filesystem::path& file)
        -> std::optional<EditorViews::EditorViewOptions::RememberedView> {
        auto view = EditorStore::FileMemory().view(file);
        if (!view)
            return std::nullopt;
        EditorViews::EditorViewOptions::RememberedView remembered;
        if (view->fontFamily)
            remembered.fontFamily = QString::fromStdString(*view->fontFamily);
        remembered.fontSize = view->fontSize;
        remembered.lineSpacing = view->lineSpacing;
        remembered.ruler = view->ruler;
        return remembered;
    };
    environment.rememberView = [](const std::filesystem::path& file,
                                  const EditorViews::EditorViewOptions& options) {
        EditorStore::FileViewMemory view;
        if (options.fontFamily)
            view.fontFamily = options.fontFamily->toStdString();
        view.fontSize = options.fontSize;
        view.lineSpacing = options.lineSpacing;
        view.ruler = options.showsRuler;
        // A memory that cannot be written leaves the window as it is; the next choice
        // tries again.
        (void)EditorStore::FileMemory().rememberView(view, file, std::chrono::system_clock::now());
    };
}

// What every window of the installation shares: hosts, presenter, the restorer's saves.
WindowEnvironment windowEnvironment(const TextDocumentWindow::Installation& installation)
{
    WindowEnvironment environment;
    rememberViews(environment);
    environment.hosts = installation.hosts;
    environment.presenter = installation.presenter;
    environment.markLaunchPhase = installation.markLaunchPhase;
    environment.scheduleWindowStateSave = [] {
        if (auto* restorer = WindowRestorer::shared())
            restorer->scheduleSave();
    };
    environment.whenWindowsSettle = [](std::function<void()> question) {
        if (auto* restorer = WindowRestorer::shared())
            restorer->whenWindowsSettle(std::move(question));
        else
            question();
    };
    return environment;
}

void alertFailure(EditorKit::Presenter& presenter,
                  const EditorDocuments::DocumentFailure& failure,
                  QWidget* parent)
{
    EditorKit::Alert alert;
    alert.style = EditorKit::Alert::Style::critical;
    alert.text = EditorDocuments::DocumentTexts::describe(failure);
    alert.buttons = {EditorKit::localized("확인")};
    alert.cancelButton = 0;
    presenter.runAlert(alert, parent);
}

// Failures the window does not show as a banner are shown as an alert over it.
void showFailuresOf(TextDocument& document,
                    QWidget* page,
                    std::shared_ptr<EditorKit::Presenter> presenter)
{
    TextDocument* owner = &document;
    QPointer<QWidget> held(page);
    QObject::connect(owner,
                     &TextDocument::failureOccurred,
                     page,
                     [owner, held, presenter](const EditorDocuments::DocumentFailure& failure) {
                         if (isDecidingClose())
                             return;
                         if (EditorDocuments::findDocumentError(failure)) {
                             if (auto* editor = owner->editor())
                                 editor->showUnencodableBanner(failure);
                             return;
                         }
                         alertFailure(*presenter, failure, held);
                     });
}

// The window of a document the services opened or made, with its close and its alerts.
std::unique_ptr<EditorDocuments::DocumentWindow>
makeWindow(TextDocument& document, const TextDocumentWindow::Installation& installation)
{
    auto window = std::make_unique<TextDocumentWindow>(
        document, *installation.router, windowEnvironment(installation));
    TextDocument* owner = &document;
    auto closeDocument = installation.closeDocument;
    window->controller().setCloseHandler([closeDocument, owner] {
        if (closeDocument)
            closeDocument(*owner);
    });
    QPointer<QWidget> page = window->controller().page();
    std::shared_ptr<EditorKit::Presenter> presenter = installation.presenter;
    window->controller().page()->setCloseGuard(
        [owner, page, presenter] { return decideClose(*owner, *presenter, page); });
    showFailuresOf(document, page, presenter);
    window->controller().showWindow();
    return window;
}

// The page of a document's window, the parent of its questions and panels; none without one.
QWidget* pageOf(TextDocument& document)
{
    auto* window = dynamic_cast<TextDocumentWindow*>(document.editor());
    return window ? window->controller().page() : nullptr;
}

// Documents opened together arrive in one new host window, showing the first of them.
void openInOneNewWindow(EditorDocuments::DocumentServices& services,
                        std::shared_ptr<HostWindows> hosts)
{
    services.inOneNewWindow = [hosts](const std::function<void()>& makeWindows) {
        if (!hosts) {
            makeWindows();
            return;
        }
        hosts->beginNewWindowGroup();
        makeWindows();
        EditorKit::HostWindow* window = hosts->endNewWindowGroup();
        if (!window || window->pageCount() == 0)
            return;
        window->setCurrentPage(window->pages().front());
        window->show();
        window->raise();
        window->activateWindow();
    };
}

// The questions and panels the services ask for, over the document's window when it has one.
void askThrough(EditorDocuments::DocumentServices& services,
                std::shared_ptr<EditorKit::Presenter> presenter)
{
    services.decideClose = [presenter](TextDocument& document) {
        return decideClose(document, *presenter, pageOf(document));
    };
    services.chooseFilesToOpen = [presenter] {
        return presenter->runOpenPanel(QApplication::activeWindow());
    };
    services.chooseFolderToOpen = [presenter] {
        return presenter->runOpenFolderPanel(QApplication::activeWindow());
    };
    services.presentOpenFailure = [presenter](const std::filesystem::path&,
                                              const EditorDocuments::DocumentFailure& failure) {
        alertFailure(*presenter, failure, QApplication::activeWindow());
    };
    // The save panel of an untitled document, over its window.
    services.chooseSaveLocation =
        [presenter](TextDocument& document) -> std::optional<std::filesystem::path> {
        return presenter->runSavePanel(pageOf(document), document.displayName());
    };
}

} // namespace

void TextDocumentWindow::install(EditorDocuments::DocumentServices& services,
                                 Installation installation)
{
    if (!installation.presenter)
        installation.presenter = std::make_shared<EditorKit::WidgetPresenter>();
    if (!installation.hosts && installation.router)
        installation.hosts = std::make_shared<HostWindows>(*installation.router);

    rememberEncodings(services.fileMemory);
    services.makeWindowController = [installation](TextDocument& document) {
        return makeWindow(document, installation);
    };
    openInOneNewWindow(services, installation.hosts);
    askThrough(services, installation.presenter);
}

} // namespace EditorWindow
