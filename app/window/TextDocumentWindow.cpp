#include "app/window/TextDocumentWindow.h"

#include "app/documents/DocumentServices.h"
#include "app/documents/DocumentTexts.h"
#include "app/documents/TextDocument.h"
#include "app/kit/Localized.h"
#include "app/kit/Presenter.h"
#include "app/views/EditorTextView.h"
#include "app/window/DisplayNames.h"
#include "app/window/HostWindows.h"
#include "store/FileMemory.h"

#include <QPointer>

namespace EditorWindow {

using EditorDocuments::TextDocument;

namespace {

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

} // namespace

// A close never drops edits silently: an edited file is saved first, and edits that cannot be
// saved (an untitled text, a file changed on disk, a refused save) are asked about.
bool mayCloseDocument(TextDocument& document, EditorKit::Presenter& presenter, QWidget* parent)
{
    if (!document.isDocumentEdited() || document.isExternalCopy)
        return true;
    const bool untitled = !document.fileURL().has_value();
    std::optional<QString> reason;
    if (!untitled) {
        if (saveBeforeClosing(document, reason))
            return true;
    }
    if (untitled && document.currentText().isEmpty())
        return true;

    EditorKit::Alert alert;
    alert.style = EditorKit::Alert::Style::warning;
    if (untitled) {
        alert.text = EditorKit::localized("이 메모를 어떻게 할까요?");
        alert.informativeText = EditorKit::localized("닫으면 보관 자리에서도 사라져요.");
        alert.buttons = {EditorKit::localized("파일로 저장…"), EditorKit::localized("지우기")};
    } else {
        alert.text = EditorKit::localized("「%1」 에 저장하지 못한 고침이 있어요")
                         .arg(document.displayName());
        alert.informativeText =
            reason ? *reason + QLatin1Char(' ') + EditorKit::localized("닫으면 고친 것이 사라져요.")
                   : EditorKit::localized("바깥에서 바뀌었거나 파일이 없어 저장을 멈췄어요. "
                                          "닫으면 고친 것이 사라져요.");
        alert.buttons = {EditorKit::localized("다른 이름으로 저장…"),
                         EditorKit::localized("버리고 닫기")};
    }
    alert.buttons.push_back(EditorKit::localized("취소"));
    enum Choice { save = 0, discard = 1, cancel = 2 };
    alert.defaultButton = save;
    alert.cancelButton = cancel;
    switch (presenter.runAlert(alert, parent)) {
    case save:
        return document.saveDocumentAs();
    case discard:
        return true;
    default:
        return false;
    }
}

TextDocumentLink::TextDocumentLink(TextDocument& document)
    : m_document(document)
{}

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
    return m_document.format.encoding;
}

bool TextDocumentLink::hasByteOrderMark() const
{
    return m_document.format.hasByteOrderMark;
}

bool TextDocumentLink::isEncodingGuessUnsure() const
{
    return m_document.format.guess
           && m_document.format.guess->confidence == EditorCore::EncodingConfidence::unsure;
}

EditorCore::LineEndingSummary TextDocumentLink::lineEndings() const
{
    return m_document.lineEndings;
}

std::optional<EditorCore::IndentStyle> TextDocumentLink::indentStyle() const
{
    return m_document.indentStyle;
}

bool TextDocumentLink::indentChosenByUser() const
{
    return m_document.indentChosenByUser;
}

bool TextDocumentLink::isReadOnly() const
{
    // Nothing may be typed into a text that the arriving file will replace.
    return m_document.readOnlyReason.has_value() || m_document.isLoading();
}

bool TextDocumentLink::isExternalCopy() const
{
    return m_document.isExternalCopy;
}

bool TextDocumentLink::hasLargeFile() const
{
    return m_document.largeFile.has_value();
}

bool TextDocumentLink::isWritingToDisk() const
{
    return m_document.isWritingToDisk;
}

QString TextDocumentLink::loadedText() const
{
    return m_document.loadedText;
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
    return m_document.format.guess;
}

void TextDocumentLink::setLineEndings(const EditorCore::LineEndingSummary& summary)
{
    m_document.lineEndings = summary;
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
    m_document.indentStyle.reset();
    m_document.indentChosenByUser = false;
    if (auto* window = m_document.editor()) {
        window->applyDisplayOptions();
        window->updateStatusBar();
    }
}

bool TextDocumentLink::reopen(EditorCore::TextEncoding encoding)
{
    auto result = m_document.reload(encoding);
    return result.has_value() && *result;
}

TextDocumentWindow::TextDocumentWindow(TextDocument& document,
                                       EditorKit::ActionRouter& router,
                                       WindowEnvironment environment)
    : m_document(document)
    , m_link(document)
    , m_controller(
          std::make_unique<DocumentWindowController>(m_link, router, std::move(environment)))
{
    QObject::connect(&document,
                     &TextDocument::documentEditedChanged,
                     m_controller.get(),
                     [controller = m_controller.get()] { controller->setNeedsRefresh(); });
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
        environment.hosts = installation.hosts;
        environment.presenter = installation.presenter;
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
            [owner, page, presenter] { return mayCloseDocument(*owner, *presenter, page); });
        window->controller().showWindow();
        return std::unique_ptr<EditorDocuments::DocumentWindow>(std::move(window));
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

bool TextDocumentWindow::hasMarkedText() const
{
    return m_controller->textView()->hasMarkedText();
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
}

void TextDocumentWindow::replaceAllText(const QString& text)
{
    m_controller->replaceAllText(text);
}

void TextDocumentWindow::setHasUnsavedEdits(bool)
{
    // The edited marker reads the document itself.
    m_controller->setNeedsRefresh();
}

void TextDocumentWindow::startFileWatcher()
{
    m_controller->startFileWatcher();
}

void TextDocumentWindow::stopWatching()
{
    m_controller->stopFileWatcher();
}

void TextDocumentWindow::showFileGoneBanner()
{
    TextDocument* document = &m_document;
    m_controller->showBanner(
        QStringLiteral("file.gone"),
        BannerView::Kind::error,
        EditorKit::localized("파일이 지워지거나 옮겨졌어요. 내용은 이 탭에 지켜 두었어요."),
        {{EditorKit::localized("다른 이름으로 저장"), [document] { document->saveDocumentAs(); }}});
}

void TextDocumentWindow::showExternalChangeBanner()
{
    // Its actions (the outside version, reloading it) come with the window features.
    m_controller->showBanner(
        QStringLiteral("external.changed"),
        BannerView::Kind::warning,
        EditorKit::localized("다른 프로그램이 이 파일을 바꿨어요. 여기서 고친 것과 겹쳐요."),
        {});
}

void TextDocumentWindow::showUnencodableBanner(const EditorDocuments::DocumentFailure& failure)
{
    const auto* error = EditorDocuments::findDocumentError(failure);
    if (!error || std::holds_alternative<EditorCore::DocumentError::Binary>(error->payload))
        return;
    // The repair actions come with the window features; the reason shows now.
    const auto encoding = std::get<EditorCore::DocumentError::Unencodable>(error->payload).encoding;
    m_controller->showBanner(
        QStringLiteral("save.unencodable"),
        BannerView::Kind::error,
        EditorDocuments::DocumentTexts::describe(*error, DisplayNames::shortName(encoding)),
        {});
}

void TextDocumentWindow::showSaveRefusedBanner(EditorDocuments::SaveRules::SaveRefusal)
{
    // The refusal banners and their texts belong to the window features.
}

void TextDocumentWindow::dismissBanner(const QString& key)
{
    m_controller->dismissBanner(key);
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
