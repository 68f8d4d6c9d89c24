#include "app/window/hosting/TextDocumentWindow.h"

#include "app/documents/DocumentController.h"
#include "app/documents/DocumentServices.h"
#include "app/documents/DocumentTexts.h"
#include "app/documents/FileSaver.h"
#include "app/documents/RecoveryCopies.h"
#include "app/documents/TextDocument.h"
#include "app/kit/ActionRouter.h"
#include "app/kit/Localized.h"
#include "app/kit/Utf16.h"
#include "app/views/EditorTextView.h"
#include "app/views/TextStorage.h"

#include <QPointer>

#include <functional>

namespace EditorWindow {

using EditorDocuments::TextDocument;

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

EditorCore::TextSnapshot TextDocumentLink::loadedText() const
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
    std::function<void(std::optional<EditorCore::TextSnapshot>, EditorCore::LineIndex lines)> done)
{
    QPointer<EditorDocuments::TextDocument> document(&m_document);
    m_document.openNotTextReadOnly(
        [document, done](const EditorCore::Result<std::optional<EditorCore::TextSnapshot>,
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

QString TextDocumentWindow::text() const
{
    return m_controller->textView()->text();
}

EditorCore::TextSnapshot TextDocumentWindow::snapshot() const
{
    return m_controller->textView()->storage().snapshot();
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

EditorCore::TextSnapshot TextDocumentWindow::snapshotWithMarkedText() const
{
    auto* view = m_controller->textView();
    if (!view->hasMarkedText())
        return view->storage().snapshot();
    // An edit of a copy of the tree: O(log n), and the view's own text stays as it is.
    EditorCore::ChunkedText composed(view->storage().snapshot());
    composed.replace(view->caretPosition(), 0, EditorKit::utf16View(view->markedText()));
    return composed.snapshot();
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
    // A file read on a worker is known not to be text only once it has been read, and a
    // restored tab waits for its text (nothing waits after the first time).
    if (!m_document.isLoading()) {
        m_controller->documentEvent(DocumentEvent::didLoad);
        m_controller->textArrived();
    }
}

void TextDocumentWindow::replaceAllText(EditorCore::TextSnapshot text,
                                        std::optional<EditorCore::LineIndex> lines)
{
    m_controller->replaceAllText(std::move(text), std::move(lines));
}

void TextDocumentWindow::setHasUnsavedEdits(bool)
{
    // The edited marker reads the document itself.
    m_controller->setNeedsRefresh();
}

bool TextDocumentWindow::isTextLocked() const
{
    return m_controller && m_controller->isTextLocked();
}

void TextDocumentWindow::startFileWatcher()
{
    m_controller->documentEvent(DocumentEvent::startWatcher);
    m_controller->documentEvent(DocumentEvent::watcherStarted);
}

void TextDocumentWindow::stopWatching()
{
    m_controller->documentEvent(DocumentEvent::stopWatching);
}

void TextDocumentWindow::showFileGoneBanner()
{
    m_controller->documentEvent(DocumentEvent::fileGone);
}

void TextDocumentWindow::showExternalChangeBanner()
{
    m_controller->documentEvent(DocumentEvent::externalChange);
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
    const auto& services = m_document.services();
    auto options = services->saverOptions;
    if (!options.isFileWritable)
        options.isFileWritable = services->isWritable;
    // The disk check stays quiet while the file is ours to write. The copy is read in pieces
    // as it is written; one cut short leaves the file as it was.
    m_document.beginWritingToDisk();
    std::error_code readError;
    auto written = EditorDocuments::FileSaver::writeFrom(
        *url,
        EditorDocuments::fileContent(copy.file, copy.contentOffset, copy.size, readError),
        options);
    m_document.endWritingToDisk();
    if (!written) {
        failed(readError ? readError : written.error());
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
