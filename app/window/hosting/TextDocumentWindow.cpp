#include "app/window/hosting/TextDocumentWindow.h"

#include "app/documents/DocumentController.h"
#include "app/documents/DocumentServices.h"
#include "app/documents/DocumentTexts.h"
#include "app/documents/FileSaver.h"
#include "app/documents/RecoveryCopies.h"
#include "app/documents/TextDocument.h"
#include "app/kit/ActionRouter.h"
#include "app/kit/HostWindow.h"
#include "app/kit/Localized.h"
#include "app/kit/Presenter.h"
#include "app/kit/TabPage.h"
#include "app/views/EditorTextView.h"
#include "app/window/DisplayNames.h"
#include "app/window/hosting/HostWindows.h"
#include "app/window/hosting/WindowRestorer.h"
#include "store/FileMemory.h"

#include <QApplication>
#include <QPointer>

#include <functional>

namespace EditorWindow {

using EditorDocuments::TextDocument;

namespace {

// While a close asks about a failed save, the failure shows in its question, not in an alert.
int closingDepth = 0;

// Saves the file of an edited document before its tab closes. When that fails for another
// reason than a change on disk (the file's encoding cannot hold some characters, the disk
// refused the write), `reason` says what it was.
bool saveBeforeClosing(TextDocument& document, std::optional<QString>& reason)
{
    std::optional<EditorDocuments::DocumentFailure> failure;
    auto connection = QObject::connect(
        &document,
        &TextDocument::failureOccurred,
        [&failure](const EditorDocuments::DocumentFailure& occurred) { failure = occurred; });
    // The save is written on a worker: its result is the one the close waits for.
    const bool saved = document.saveDocument() && document.waitForSaves();
    QObject::disconnect(connection);
    if (saved)
        return true;
    auto* window = dynamic_cast<TextDocumentWindow*>(document.editor());
    if (failure)
        reason = EditorDocuments::DocumentTexts::describe(*failure);
    else if (BannerView* banner =
                 window ? window->controller().banner(QStringLiteral("save.unencodable")) : nullptr)
        reason = banner->message();
    return false;
}

// The three close questions share their shape: save somewhere, lose the edits, or cancel.
enum Answer { first = 0, second = 1 };

int ask(EditorKit::Presenter& presenter,
        QWidget* parent,
        // Empty when the text names the document already.
        const QString& subject,
        const QString& text,
        const QString& informativeText,
        const QString& firstButton,
        const QString& secondButton)
{
    EditorKit::Alert alert;
    alert.style = EditorKit::Alert::Style::warning;
    alert.text = text;
    alert.informativeText = informativeText;
    alert.buttons = {firstButton, secondButton, EditorKit::localized("취소")};
    alert.defaultButton = first;
    alert.cancelButton = 2;
    alert.destructiveButton = second;
    alert.subject = subject;
    // Several texts closing at once are asked about one by one, each over its own tab.
    if (auto* page = qobject_cast<EditorKit::TabPage*>(parent))
        EditorKit::bringPageForward(page);
    return presenter.runAlert(alert, parent);
}

// The edits are thrown away: the document counts as unedited and may close.
void discardEdits(TextDocument& document)
{
    document.updateChangeCount(TextDocument::ChangeType::changeCleared);
    document.scheduleMainQueueUpdate();
    if (auto* editor = document.editor())
        editor->setHasUnsavedEdits(false);
}

// The save panel opened from a question: the document closes only when it was saved.
bool saveElsewhere(TextDocument& document)
{
    return document.saveDocumentAs() && document.waitForSaves();
}

// What a sheet's answer does: the first or second button's action, or no for Cancel and for a
// document that went while the sheet was up.
bool follow(const QPointer<TextDocument>& held,
            int answer,
            const std::function<bool()>& onFirst,
            const std::function<bool()>& onSecond)
{
    if (!held)
        return false;
    switch (answer) {
    case first:
        return onFirst();
    case second:
        return onSecond();
    default:
        return false;
    }
}

// A keep or rescue that failed: the document stays open with its edits, and the user sees why.
bool closesAfterKeeping(const TextDocument::KeepResult& kept,
                        EditorKit::Presenter& presenter,
                        QWidget* parent)
{
    if (kept)
        return true;
    EditorKit::Alert alert;
    alert.style = EditorKit::Alert::Style::critical;
    alert.text = EditorKit::localized("고친 것을 보관 자리에 넣지 못해 닫지 않았어요.");
    alert.informativeText = QString::fromStdString(kept.error().message());
    alert.buttons = {EditorKit::localized("확인")};
    alert.cancelButton = 0;
    presenter.runAlert(alert, parent);
    return false;
}

bool askAboutUnsavedEdits(TextDocument& document,
                          EditorKit::Presenter& presenter,
                          QWidget* parent,
                          const std::optional<QString>& reason)
{
    QPointer<TextDocument> held(&document);
    const QString informative =
        reason ? *reason + QLatin1Char(' ') + EditorKit::localized("닫으면 고친 것이 사라져요.")
               : EditorKit::localized("바깥에서 바뀌었거나 파일이 없어 저장을 멈췄어요. "
                                      "닫으면 고친 것이 사라져요.");
    const int answer = ask(
        presenter,
        parent,
        QString(),
        EditorKit::localized("「%1」 에 저장하지 못한 고침이 있어요").arg(document.displayName()),
        informative,
        EditorKit::localized("다른 이름으로 저장…"),
        EditorKit::localized("버리고 닫기"));
    return follow(
        held,
        answer,
        [&] { return saveElsewhere(document); },
        [&] {
            discardEdits(document);
            return true;
        });
}

} // namespace

bool decideClose(TextDocument& document, EditorKit::Presenter& presenter, QWidget* parent)
{
    ++closingDepth;
    struct Leave
    {
        ~Leave() { --closingDepth; }
    } leave;
    const auto& services = document.services();
    const bool quitting = services->isTerminating && services->isTerminating();
    const bool hasWindow = parent != nullptr;
    const bool titled = document.fileURL().has_value();
    QPointer<TextDocument> held(&document);

    // 1. An external copy is never written nor kept.
    if (document.isExternalCopy())
        return true;

    // A save under way ends first: until it has, the file on disk is ours but looks changed by
    // someone else, and the text looks edited.
    document.waitForSaves();
    const bool edited = document.isDocumentEdited();

    // 2. A file only an administrator may write is saved only when the user asks for it.
    if (titled && edited && document.adminEditing() && !quitting && hasWindow) {
        const int answer = ask(
            presenter,
            parent,
            QString(),
            EditorKit::localized("「%1」 의 고친 것을 저장할까요?").arg(document.displayName()),
            EditorKit::localized(
                "관리자 파일이라 저절로 저장하지 않았어요. 저장하면 맥이 관리자 암호를 물어요."),
            EditorKit::localized("저장…"),
            EditorKit::localized("버리고 닫기"));
        return follow(
            held,
            answer,
            [&] { return document.saveAsAdministrator(); },
            [&] {
                discardEdits(document);
                return true;
            });
    }

    // 3. Edits that cannot be saved safely now (changed or gone on disk, in the Trash, a
    // composition, administrator editing while quitting or without a window).
    if (titled && edited && document.isSaveUnsafe()) {
        if (!quitting && hasWindow)
            return askAboutUnsavedEdits(document, presenter, parent, std::nullopt);
        return closesAfterKeeping(document.rescueUnsavedEdits(), presenter, parent);
    }

    // 4. An untitled memo.
    if (!titled) {
        if (quitting)
            return closesAfterKeeping(document.keepScratchText(), presenter, parent);
        if (!document.currentText().isEmpty() && hasWindow) {
            const int answer = ask(presenter,
                                   parent,
                                   document.displayName(),
                                   EditorKit::localized("이 메모를 어떻게 할까요?"),
                                   EditorKit::localized("닫으면 보관 자리에서도 사라져요."),
                                   EditorKit::localized("파일로 저장…"),
                                   EditorKit::localized("지우기"));
            return follow(
                held,
                answer,
                [&] { return saveElsewhere(document); },
                [&] {
                    document.discardKeptText();
                    return true;
                });
        }
        document.discardKeptText();
        return true;
    }

    // 5. Everything else saves in place; a save that fails is asked about, never dropped.
    if (!edited)
        return true;
    std::optional<QString> reason;
    if (saveBeforeClosing(document, reason))
        return true;
    if (!held)
        return false;
    return askAboutUnsavedEdits(document, presenter, parent, reason);
}

TextDocumentLink::TextDocumentLink(TextDocument& document, EditorKit::ActionRouter* router)
    : m_document(document)
    , m_router(router)
{}

EditorDocuments::DocumentController* TextDocumentLink::documentController() const
{
    return m_router
               ? qobject_cast<EditorDocuments::DocumentController*>(m_router->documentController())
               : nullptr;
}

QObject* TextDocumentLink::documentObject()
{
    return &m_document;
}

std::optional<std::filesystem::path> TextDocumentLink::fileURL() const
{
    return m_document.fileURL();
}

QString TextDocumentLink::displayName() const
{
    return m_document.displayName();
}

EditorCore::TextEncoding TextDocumentLink::encoding() const
{
    return m_document.format().encoding;
}

bool TextDocumentLink::hasByteOrderMark() const
{
    return m_document.format().hasByteOrderMark;
}

bool TextDocumentLink::isEncodingGuessUnsure() const
{
    return m_document.format().guess
           && m_document.format().guess->confidence == EditorCore::EncodingConfidence::unsure;
}

EditorCore::LineEndingSummary TextDocumentLink::lineEndings() const
{
    return m_document.lineEndings();
}

std::optional<EditorCore::IndentStyle> TextDocumentLink::indentStyle() const
{
    return m_document.indentStyle();
}

bool TextDocumentLink::indentChosenByUser() const
{
    return m_document.indentChosenByUser();
}

bool TextDocumentLink::isReadOnly() const
{
    // Nothing may be typed into a text that the arriving file will replace.
    return m_document.readOnlyReason().has_value() || m_document.isLoading();
}

bool TextDocumentLink::isExternalCopy() const
{
    return m_document.isExternalCopy();
}

bool TextDocumentLink::hasLargeFile() const
{
    return m_document.largeFile().has_value();
}

bool TextDocumentLink::isWritingToDisk() const
{
    return m_document.isWritingToDisk();
}

QString TextDocumentLink::loadedText() const
{
    return m_document.loadedText();
}

std::optional<QString> TextDocumentLink::openedText() const
{
    return m_document.openedText();
}

void TextDocumentLink::readOpenedText(std::function<void(std::optional<QString>)> done)
{
    m_document.readOpenedText(std::move(done));
}

QUndoStack* TextDocumentLink::undoStack()
{
    return m_document.undoStack();
}

bool TextDocumentLink::isEdited() const
{
    return m_document.isDocumentEdited();
}

std::optional<EditorCore::EncodingGuess> TextDocumentLink::encodingGuess() const
{
    return m_document.format().guess;
}

void TextDocumentLink::setLineEndings(const EditorCore::LineEndingSummary& summary)
{
    m_document.setLineEndings(summary);
}

void TextDocumentLink::changeEncoding(EditorCore::TextEncoding encoding,
                                      bool byteOrderMark,
                                      const QString& actionName)
{
    m_document.changeEncoding(encoding, byteOrderMark, actionName);
}

void TextDocumentLink::chooseIndentStyle(std::optional<EditorCore::IndentStyle> style)
{
    if (style) {
        m_document.chooseIndentStyle(*style);
        return;
    }
    m_document.clearIndentStyle();
}

void TextDocumentLink::reopen(EditorCore::TextEncoding encoding, std::function<void(bool)> done)
{
    m_document.reload(
        encoding, [done](const EditorCore::Result<bool, EditorDocuments::DocumentFailure>& result) {
            if (done)
                done(result.has_value() && *result);
        });
}

void TextDocumentLink::readCurrentFile(
    bool replacesText, std::function<void(std::optional<EditorDocuments::CurrentFile>)> done)
{
    using Replaces = EditorDocuments::TextDocument::ReadReplacesText;
    m_document.readCurrentFile(replacesText ? Replaces::yes : Replaces::no, std::move(done));
}

void TextDocumentLink::readDiskIdentity(
    std::function<void(std::optional<EditorCore::DiskIdentity>)> done)
{
    m_document.readDiskIdentity(std::move(done));
}

std::optional<EditorDocuments::ReadOnlyReason> TextDocumentLink::readOnlyReason() const
{
    return m_document.readOnlyReason();
}

void TextDocumentLink::clearReadOnlyReason()
{
    m_document.clearReadOnlyReason();
}

void TextDocumentLink::chooseReadOnly()
{
    m_document.chooseReadOnly();
}

std::optional<Platform::Uuid> TextDocumentLink::scratchID() const
{
    return m_document.scratchID();
}

bool TextDocumentLink::isAdminEditing() const
{
    return m_document.adminEditing();
}

void TextDocumentLink::beginAdminEditing()
{
    m_document.beginAdminEditing();
}

std::optional<EditorDocuments::LargeFileState> TextDocumentLink::largeFileState() const
{
    return m_document.largeFile();
}

std::optional<EditorCore::DiskIdentity> TextDocumentLink::diskIdentity() const
{
    return m_document.diskIdentity();
}

void TextDocumentLink::adoptDiskIdentity(std::optional<EditorCore::DiskIdentity> identity)
{
    m_document.refreshFileModificationDate(std::move(identity));
}

void TextDocumentLink::moveToURL(const std::filesystem::path& url)
{
    m_document.setFileURL(url);
}

void TextDocumentLink::markUnedited()
{
    m_document.updateChangeCount(TextDocument::ChangeType::changeCleared);
    m_document.scheduleMainQueueUpdate();
}

void TextDocumentLink::saveDocument()
{
    m_document.saveDocument();
}

void TextDocumentLink::saveDocumentAs()
{
    m_document.saveDocumentAs();
}

void TextDocumentLink::autosave()
{
    m_document.autosave(false, [](const std::optional<EditorDocuments::DocumentFailure>&) {});
}

DocumentWindowController* TextDocumentLink::openExternalCopy(const QString& text)
{
    auto* controller = documentController();
    if (!controller)
        return nullptr;
    auto copy = TextDocument::makeExternalCopy(m_document, text);
    TextDocument* added = copy.get();
    controller->addDocument(std::move(copy));
    added->makeWindowControllers();
    auto* window = dynamic_cast<TextDocumentWindow*>(added->editor());
    return window ? &window->controller() : nullptr;
}

bool TextDocumentLink::isLoading() const
{
    return m_document.isLoading();
}

void TextDocumentLink::setLargeFileState(const EditorDocuments::LargeFileState& state)
{
    m_document.setLargeFileState(state);
}

std::optional<std::vector<std::uint8_t>> TextDocumentLink::pendingBinaryHead() const
{
    return m_document.pendingBinaryHead();
}

void TextDocumentLink::openNotTextReadOnly(
    std::function<void(std::optional<QString>, EditorCore::LineIndex lines)> done)
{
    QPointer<EditorDocuments::TextDocument> document(&m_document);
    m_document.openNotTextReadOnly(
        [document, done](const EditorCore::Result<std::optional<QString>,
                                                  EditorDocuments::DocumentFailure>& opened,
                         EditorCore::LineIndex lines) {
            if (!opened) {
                if (document)
                    emit document->failureOccurred(opened.error());
                if (done)
                    done(std::nullopt, {});
                return;
            }
            if (done)
                done(*opened, std::move(lines));
        });
}

void TextDocumentLink::setReadOnlyReason(EditorDocuments::ReadOnlyReason reason)
{
    m_document.setReadOnlyReason(reason);
}

std::optional<std::filesystem::path> TextDocumentLink::rescuedOrigin() const
{
    return m_document.rescuedOrigin();
}

void TextDocumentLink::openRescuedOrigin()
{
    auto* controller = documentController();
    if (!controller || !m_document.rescuedOrigin())
        return;
    controller->openDocumentWithContentsOfURL(*m_document.rescuedOrigin(), true, {});
}

void TextDocumentLink::openFiles(const std::vector<std::filesystem::path>& files)
{
    auto* controller = documentController();
    if (!controller)
        return;
    for (const auto& file : files)
        controller->openDocumentWithContentsOfURL(file, true, {});
}

void TextDocumentLink::discardRescuedText()
{
    m_document.discardKeptText();
    m_document.discardRescuedEdits();
    // Thrown away on purpose: the close does not ask about it.
    m_document.updateChangeCount(TextDocument::ChangeType::changeCleared);
    auto* window = dynamic_cast<TextDocumentWindow*>(m_document.editor());
    if (window)
        window->controller().closeWithoutReview();
    else
        m_document.close();
}

namespace {

// The watcher's reaction to a change of the file: the window's disk check.
WindowEnvironment withDiskCheck(WindowEnvironment environment,
                                std::shared_ptr<QPointer<DocumentWindowController>> built)
{
    if (!environment.onDiskChange) {
        environment.onDiskChange = [built] {
            if (*built)
                (*built)->documentEvent(DocumentEvent::fileChanged);
        };
    }
    return environment;
}

} // namespace

TextDocumentWindow::TextDocumentWindow(TextDocument& document,
                                       EditorKit::ActionRouter& router,
                                       WindowEnvironment environment)
    : m_document(document)
    , m_link(document, &router)
    , m_built(std::make_shared<QPointer<DocumentWindowController>>())
    , m_controller(std::make_unique<DocumentWindowController>(
          m_link, router, withDiskCheck(std::move(environment), m_built)))
{
    *m_built = m_controller.get();
    QObject::connect(&document,
                     &TextDocument::documentEditedChanged,
                     m_controller.get(),
                     [controller = m_controller.get()] { controller->setNeedsRefresh(); });
    offerLineEndingsBanner();
}

void TextDocumentWindow::offerLineEndingsBanner()
{
    // Once, when the text is there: a file read on a worker arrives after the window.
    if (m_lineEndingsOffered || m_document.isLoading())
        return;
    m_lineEndingsOffered = true;
    m_controller->showMixedLineEndingsBanner();
}

TextDocumentWindow::~TextDocumentWindow() = default;

void TextDocumentWindow::install(EditorDocuments::DocumentServices& services,
                                 Installation installation)
{
    if (!installation.presenter)
        installation.presenter = std::make_shared<EditorKit::WidgetPresenter>();
    if (!installation.hosts && installation.router)
        installation.hosts = std::make_shared<HostWindows>(*installation.router);

    // The per-file memory: the encoding the user chose for a file, and its own view settings.
    auto& fileMemory = services.fileMemory;
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

    services.makeWindowController = [installation](TextDocument& document) {
        WindowEnvironment environment;
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
            (void)EditorStore::FileMemory().rememberView(
                view, file, std::chrono::system_clock::now());
        };
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
        auto window = std::make_unique<TextDocumentWindow>(
            document, *installation.router, std::move(environment));
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
        // Failures the window does not show as a banner are shown as an alert over it.
        QObject::connect(owner,
                         &TextDocument::failureOccurred,
                         page,
                         [owner, page, presenter](const EditorDocuments::DocumentFailure& failure) {
                             if (closingDepth > 0)
                                 return;
                             if (EditorDocuments::findDocumentError(failure)) {
                                 if (auto* editor = owner->editor())
                                     editor->showUnencodableBanner(failure);
                                 return;
                             }
                             EditorKit::Alert alert;
                             alert.style = EditorKit::Alert::Style::critical;
                             alert.text = EditorDocuments::DocumentTexts::describe(failure);
                             alert.buttons = {EditorKit::localized("확인")};
                             alert.cancelButton = 0;
                             presenter->runAlert(alert, page);
                         });
        window->controller().showWindow();
        return std::unique_ptr<EditorDocuments::DocumentWindow>(std::move(window));
    };
    services.decideClose = [presenter = installation.presenter](TextDocument& document) {
        QWidget* parent = nullptr;
        if (auto* window = dynamic_cast<TextDocumentWindow*>(document.editor()))
            parent = window->controller().page();
        return decideClose(document, *presenter, parent);
    };
    services.inOneNewWindow = [hosts =
                                   installation.hosts](const std::function<void()>& makeWindows) {
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
    services.chooseFilesToOpen = [presenter = installation.presenter] {
        return presenter->runOpenPanel(QApplication::activeWindow());
    };
    services.chooseFolderToOpen = [presenter = installation.presenter] {
        return presenter->runOpenFolderPanel(QApplication::activeWindow());
    };
    services.presentOpenFailure =
        [presenter = installation.presenter](const std::filesystem::path&,
                                             const EditorDocuments::DocumentFailure& failure) {
            EditorKit::Alert alert;
            alert.style = EditorKit::Alert::Style::critical;
            alert.text = EditorDocuments::DocumentTexts::describe(failure);
            alert.buttons = {EditorKit::localized("확인")};
            alert.cancelButton = 0;
            presenter->runAlert(alert, QApplication::activeWindow());
        };
    // The save panel of an untitled document, over its window.
    services.chooseSaveLocation =
        [presenter = installation.presenter](
            TextDocument& document) -> std::optional<std::filesystem::path> {
        QWidget* parent = nullptr;
        if (auto* window = dynamic_cast<TextDocumentWindow*>(document.editor()))
            parent = window->controller().page();
        return presenter->runSavePanel(parent, document.displayName());
    };
}

QString TextDocumentWindow::text() const
{
    return m_controller->textView()->text();
}

void TextDocumentWindow::showWindow()
{
    m_controller->showWindow();
}

bool TextDocumentWindow::hasMarkedText() const
{
    return m_controller->textView()->hasMarkedText();
}

QString TextDocumentWindow::textWithMarkedText() const
{
    const auto* view = m_controller->textView();
    QString text = view->text();
    if (view->hasMarkedText())
        text.insert(view->caretPosition(), view->markedText());
    return text;
}

void TextDocumentWindow::updateStatusBar()
{
    m_controller->setNeedsRefresh();
}

void TextDocumentWindow::applyDisplayOptions()
{
    m_controller->applyDisplayOptions(m_controller->display()->options, true);
}

void TextDocumentWindow::applyEditability()
{
    m_controller->applyEditability();
    m_controller->setNeedsRefresh();
    offerLineEndingsBanner();
    // A file read on a worker is known not to be text only once it has been read.
    if (!m_document.isLoading()) {
        m_controller->documentEvent(DocumentEvent::didLoad);
        // A restored tab of a file read on a worker gets its state once the text is in.
        m_controller->applyPendingRestore();
    }
}

void TextDocumentWindow::replaceAllText(const QString& text)
{
    m_controller->replaceAllText(text);
}

void TextDocumentWindow::replaceAllTextIndexed(const QString& text, EditorCore::LineIndex lines)
{
    m_controller->replaceAllText(text, std::move(lines));
}

void TextDocumentWindow::setHasUnsavedEdits(bool)
{
    // The edited marker reads the document itself.
    m_controller->setNeedsRefresh();
}

void TextDocumentWindow::startFileWatcher()
{
    m_controller->startFileWatcher();
    m_controller->documentEvent(DocumentEvent::watcherStarted);
}

void TextDocumentWindow::stopWatching()
{
    m_controller->documentEvent(DocumentEvent::stopWatching);
}

void TextDocumentWindow::showFileGoneBanner()
{
    if (m_controller->documentEvent(DocumentEvent::fileGone))
        return;
    if (m_controller->banner(QStringLiteral("file.gone")))
        return;
    TextDocument* document = &m_document;
    m_controller->showBanner(
        QStringLiteral("file.gone"),
        BannerView::Kind::error,
        EditorKit::localized("파일이 지워지거나 옮겨졌어요. 내용은 이 탭에 지켜 두었어요."),
        {{EditorKit::localized("다른 이름으로 저장"), [document] { document->saveDocumentAs(); }}});
}

void TextDocumentWindow::showExternalChangeBanner()
{
    if (m_controller->documentEvent(DocumentEvent::externalChange))
        return;
    if (m_controller->banner(QStringLiteral("external.changed")))
        return;
    m_controller->showBanner(
        QStringLiteral("external.changed"),
        BannerView::Kind::warning,
        EditorKit::localized("다른 프로그램이 이 파일을 바꿨어요. 여기서 고친 것과 겹쳐요."),
        {});
}

void TextDocumentWindow::showUnencodableBanner(const EditorDocuments::DocumentFailure& failure)
{
    const auto* error = EditorDocuments::findDocumentError(failure);
    if (!error)
        return;
    if (std::holds_alternative<EditorCore::DocumentError::Unencodable>(error->payload)) {
        m_controller->showUnencodableBanner(*error);
        return;
    }
    // Characters the file holds in two byte forms: said once, the next save writes the table's
    // forms, so there is nothing to choose.
    if (std::holds_alternative<EditorCore::DocumentError::FormsRewritten>(error->payload))
        m_controller->showBanner(QStringLiteral("save.unencodable"),
                                 BannerView::Kind::error,
                                 EditorDocuments::DocumentTexts::describe(*error),
                                 {});
}

namespace {

const QString interruptedSaveKey = QStringLiteral("save.interrupted");

QString withFileName(const QString& message, const std::filesystem::path& file)
{
    QString text = message;
    text.replace(QLatin1String("%@"), QString::fromStdString(file.filename().string()));
    return text;
}

} // namespace

void TextDocumentWindow::showInterruptedSaveBanner(
    const EditorDocuments::RecoveryCopies::Copy& copy, bool fileGone)
{
    if (fileGone) {
        m_controller->showBanner(
            interruptedSaveKey,
            BannerView::Kind::warning,
            withFileName(EditorKit::localized("「%@」 을 저장하다가 끊겼고 그 파일은 이제 없어요. "
                                              "저장하려던 내용을 이름 없는 문서로 열었어요."),
                         copy.origin),
            {});
        return;
    }
    QPointer<DocumentWindowController> window(m_controller.get());
    std::vector<BannerView::Action> actions;
    actions.push_back({EditorKit::localized("저장한 판으로 되돌리기"), [this, window, copy] {
                           if (window)
                               restoreInterruptedSave(copy);
                       }});
    actions.push_back({EditorKit::localized("파일을 그대로 두기"), [window, copy] {
                           EditorDocuments::RecoveryCopies::remove(copy);
                           if (window)
                               window->dismissBanner(interruptedSaveKey);
                       }});
    m_controller->showBanner(
        interruptedSaveKey,
        BannerView::Kind::warning,
        EditorKit::localized("지난번 저장이 중간에 끊겼어요 — 파일이 잘렸을 수 있어요. "
                             "저장하려던 판이 따로 남아 있어요."),
        std::move(actions));
}

void TextDocumentWindow::restoreInterruptedSave(const EditorDocuments::RecoveryCopies::Copy& copy)
{
    const auto url = m_document.fileURL();
    if (!url || m_document.isLoading() || m_document.isSaving())
        return;
    auto failed = [this](const std::error_code& error) {
        m_controller->showBanner(
            interruptedSaveKey,
            BannerView::Kind::error,
            EditorKit::localized("저장한 판을 되돌리지 못했어요: %@")
                .replace(QLatin1String("%@"), QString::fromStdString(error.message())),
            {});
    };
    auto bytes = EditorDocuments::RecoveryCopies::content(copy);
    if (!bytes) {
        failed(bytes.error());
        return;
    }
    const auto& services = m_document.services();
    auto options = services->saverOptions;
    if (!options.isFileWritable)
        options.isFileWritable = services->isWritable;
    // The disk check stays quiet while the file is ours to write.
    m_document.beginWritingToDisk();
    auto written = EditorDocuments::FileSaver::write(*url, *bytes, options);
    m_document.endWritingToDisk();
    if (!written) {
        failed(written.error());
        return;
    }
    EditorDocuments::RecoveryCopies::remove(copy);
    m_controller->dismissBanner(interruptedSaveKey);
    // The text shown becomes the file's; edits made meanwhile stay one undo away.
    m_controller->documentEvent(m_document.isDocumentEdited() ? DocumentEvent::reloadUndoably
                                                              : DocumentEvent::reloadSilently);
}

void TextDocumentWindow::showSaveRefusedBanner(EditorDocuments::SaveRules::SaveRefusal refusal)
{
    // The banner that explains the state says why again, so the refusal is never silent.
    using Refusal = EditorDocuments::SaveRules::SaveRefusal;
    switch (refusal) {
    case Refusal::pendingBinaryHead:
    case Refusal::notText:
        m_controller->documentEvent(DocumentEvent::saveRefusedNotText);
        return;
    case Refusal::partlyLoaded:
    case Refusal::lossy:
        m_controller->documentEvent(DocumentEvent::saveRefusedPartlyLoaded);
        return;
    }
}

void TextDocumentWindow::dismissBanner(const QString& key)
{
    m_controller->dismissBanner(key);
}

void TextDocumentWindow::keptIdentityChanged()
{
    // A crash before the next save would leave the kept text without its place among the tabs.
    if (const auto& save = m_controller->environment().scheduleWindowStateSave)
        save();
}

void TextDocumentWindow::setLoading(bool loading)
{
    if (loading)
        m_controller->showBanner(
            QStringLiteral("document.loading"),
            BannerView::Kind::info,
            EditorKit::localized("파일을 읽는 중이에요. 다 읽으면 고칠 수 있어요."),
            {});
    else
        m_controller->dismissBanner(QStringLiteral("document.loading"));
}

} // namespace EditorWindow
