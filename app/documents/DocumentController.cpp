#include "app/documents/DocumentController.h"

#include "app/documents/DocumentReading.h"
#include "app/documents/FileSaver.h"
#include "app/documents/RecoveryCopies.h"

#include <QCoreApplication>
#include <QPointer>

#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace EditorDocuments {

namespace {

// The size of a regular file that can be opened for reading; none for anything else, which
// the reading on the spot then reports as it always has.
std::optional<std::uint64_t> fileSizeIfRegular(const std::filesystem::path& path)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    struct stat info = {};
    const bool regular = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    ::close(fd);
    if (!regular)
        return std::nullopt;
    return static_cast<std::uint64_t>(info.st_size);
}

bool isUserCancellation(const DocumentFailure& failure)
{
    const auto* code = std::get_if<std::error_code>(&failure);
    return code && *code == std::make_error_code(std::errc::operation_canceled);
}

} // namespace

DocumentController::DocumentController(std::shared_ptr<DocumentServices> services, QObject* parent)
    : QObject(parent)
    , m_services(std::move(services))
{}

DocumentController::~DocumentController() = default;

std::vector<TextDocument*> DocumentController::documents() const
{
    std::vector<TextDocument*> list;
    for (const auto& document : m_documents)
        list.push_back(document.get());
    return list;
}

TextDocument* DocumentController::documentForURL(const std::filesystem::path& url) const
{
    const auto resolved = FileSaver::resolvedTarget(url);
    for (const auto& document : m_documents) {
        if (document->fileURL() && FileSaver::resolvedTarget(*document->fileURL()) == resolved)
            return document.get();
    }
    return nullptr;
}

void DocumentController::addDocument(std::unique_ptr<TextDocument> document)
{
    auto* added = document.get();
    m_documents.push_back(std::move(document));
    emit documentAdded(added);
}

std::vector<TextDocument*>
DocumentController::reopenScratchDocuments(const std::set<Platform::Uuid>& skip)
{
    std::set<Platform::Uuid> open;
    for (const auto& document : m_documents) {
        if (document->scratchID())
            open.insert(*document->scratchID());
    }
    const auto store = m_services->scratchDirectory.empty()
                           ? EditorStore::ScratchStore()
                           : EditorStore::ScratchStore(m_services->scratchDirectory);
    std::vector<TextDocument*> reopened;
    for (const auto& entry : store.list()) {
        if (skip.contains(entry.id) || open.contains(entry.id))
            continue;
        auto text = store.readText(entry.id);
        if (!text || text->empty())
            continue;
        auto document =
            TextDocument::makeScratch(entry.id, QString::fromStdU16String(*text), m_services);
        reopened.push_back(document.get());
        addDocument(std::move(document));
    }
    if (reopened.empty())
        return reopened;
    auto makeWindows = [&reopened] {
        for (TextDocument* document : reopened)
            document->makeWindowControllers();
    };
    if (m_services->inOneNewWindow)
        m_services->inOneNewWindow(makeWindows);
    else
        makeWindows();
    return reopened;
}

std::filesystem::path DocumentController::recoveryFolder() const
{
    return m_services->saverOptions.recoveryFolder.empty()
               ? RecoveryCopies::defaultFolder()
               : m_services->saverOptions.recoveryFolder;
}

void DocumentController::offerRecoveryCopy(TextDocument& document)
{
    if (!document.fileURL() || !document.editor())
        return;
    const auto copy = RecoveryCopies::pendingFor(recoveryFolder(),
                                                 FileSaver::resolvedTarget(*document.fileURL()));
    if (copy)
        document.editor()->showInterruptedSaveBanner(*copy, false);
}

void DocumentController::offerRecoveryCopies()
{
    std::vector<std::pair<TextDocument*, RecoveryCopies::Copy>> orphans;
    for (const auto& copy : RecoveryCopies::review(recoveryFolder())) {
        if (m_services->record)
            m_services->record(EditorStore::ErrorLog::Level::warning,
                               "save.recovery",
                               {{"path", copy.origin.string()}, {"copy", copy.file.string()}});
        std::error_code error;
        if (std::filesystem::exists(copy.origin, error)) {
            // A restored tab of the file shows the offer already.
            if (auto* open = documentForURL(copy.origin)) {
                open->makeWindowControllers();
                offerRecoveryCopy(*open);
                if (auto* editor = open->editor())
                    editor->showWindow();
            } else {
                openURL(copy.origin, true, {});
            }
            continue;
        }
        auto bytes = RecoveryCopies::content(copy);
        if (!bytes)
            continue;
        auto document = std::make_unique<TextDocument>(m_services);
        if (!document->readFromData(*bytes))
            continue;
        orphans.emplace_back(document.get(), copy);
        addDocument(std::move(document));
    }
    if (orphans.empty())
        return;
    auto makeWindows = [&orphans] {
        for (const auto& [document, copy] : orphans)
            document->makeWindowControllers();
    };
    if (m_services->inOneNewWindow)
        m_services->inOneNewWindow(makeWindows);
    else
        makeWindows();
    for (const auto& [document, copy] : orphans) {
        if (auto* editor = document->editor())
            editor->showInterruptedSaveBanner(copy, true);
        // The text lives on as a memo; until it is kept, the copy stays.
        if (document->keepScratchText() && document->scratchID())
            RecoveryCopies::remove(copy);
    }
}

void DocumentController::removeDocument(TextDocument* document)
{
    auto found = std::find_if(
        m_documents.begin(), m_documents.end(), [&](const auto& d) { return d.get() == document; });
    if (found == m_documents.end())
        return;
    auto owned = std::move(*found);
    m_documents.erase(found);
    owned->close();
    owned.release()->deleteLater();
}

TextDocument* DocumentController::makeUntitledDocument(bool display)
{
    auto document = std::make_unique<TextDocument>(m_services);
    auto* made = document.get();
    addDocument(std::move(document));
    if (display)
        made->makeWindowControllers();
    return made;
}

void DocumentController::openDocumentWithContentsOfURL(const std::filesystem::path& url,
                                                       bool display,
                                                       const OpenCompletion& completion)
{
    openURL(url, display, completion);
}

void DocumentController::openURL(const std::filesystem::path& url,
                                 bool display,
                                 const OpenCompletion& completion)
{
    auto finish = [&](TextDocument* document,
                      bool alreadyOpen,
                      const std::optional<DocumentFailure>& failure) {
        if (document && !alreadyOpen)
            offerRecoveryCopy(*document);
        if (document)
            finishOpen(document, display);
        if (completion)
            completion(document, alreadyOpen, failure);
    };

    std::error_code error;
    if (std::filesystem::is_directory(url, error)) {
        if (openFolder)
            openFolder(url);
        finish(
            nullptr, false, DocumentFailure{std::make_error_code(std::errc::operation_canceled)});
        return;
    }

    const auto resolved = FileSaver::resolvedTarget(url);
    if (auto* open = documentForURL(url)) {
        if (display)
            open->makeWindowControllers();
        finish(open, true, std::nullopt);
        return;
    }

    auto document = std::make_unique<TextDocument>(m_services);
    const auto size = fileSizeIfRegular(url);
    if (size && *size >= m_services->backgroundReadLength
        && !DocumentReading::isLargeFile(*size, document->largeFileThreshold())) {
        openInBackground(std::move(document), url, display, completion);
        return;
    }

    m_openingPaths.insert(resolved);
    auto read = document->readFromURL(url);
    m_openingPaths.erase(resolved);
    if (!read) {
        finish(nullptr, false, read.error());
        return;
    }
    auto* opened = document.get();
    addDocument(std::move(document));
    if (display)
        opened->makeWindowControllers();
    finish(opened, false, std::nullopt);
}

void DocumentController::finishOpen(TextDocument* document, bool display)
{
    if (isRestoring()) {
        if (restorer.openedDuringRestore)
            restorer.openedDuringRestore(document);
        return;
    }
    if (display) {
        if (auto* editor = document->editor())
            editor->showWindow();
    }
}

void DocumentController::openInBackground(std::unique_ptr<TextDocument> document,
                                          const std::filesystem::path& url,
                                          bool display,
                                          const OpenCompletion& completion)
{
    auto* opened = document.get();
    QPointer<TextDocument> weak(opened);
    QPointer<DocumentController> self(this);
    const auto resolved = FileSaver::resolvedTarget(url);
    m_openingPaths.insert(resolved);
    // The path stays among the opening ones until the text is in (or the document is gone).
    connect(opened, &TextDocument::documentDidClose, this, [this, resolved] {
        m_openingPaths.erase(resolved);
    });
    // A read that fails after the window was shown takes the document away again, with an
    // alert instead of the open's failure.
    opened->beginReadingFromURL(
        url, [self, weak, resolved](const std::optional<DocumentFailure>& failure) {
            if (!self)
                return;
            self->m_openingPaths.erase(resolved);
            if (!failure || !weak)
                return;
            emit weak->failureOccurred(*failure);
            self->removeDocument(weak.data());
        });
    addDocument(std::move(document));
    if (display)
        opened->makeWindowControllers();
    offerRecoveryCopy(*opened);
    finishOpen(opened, display);
    if (completion)
        completion(opened, false, std::nullopt);
}

void DocumentController::openReadOnly(const std::filesystem::path& url, bool display)
{
    std::error_code error;
    if (std::filesystem::is_directory(url, error)) {
        if (openFolder)
            openFolder(url);
        return;
    }
    openURL(url, display, [](TextDocument* document, bool, const std::optional<DocumentFailure>&) {
        if (!document)
            return;
        document->setReadOnlyReason(ReadOnlyReason::userChose);
        if (auto* editor = document->editor())
            editor->applyEditability();
    });
}

void DocumentController::openDocument()
{
    openChosenFiles(false);
}

void DocumentController::openFolderPanel()
{
    if (!m_services->chooseFolderToOpen)
        return;
    if (auto folder = m_services->chooseFolderToOpen(); folder && openFolder)
        openFolder(*folder);
}

void DocumentController::openDocumentReadOnly()
{
    openChosenFiles(true);
}

void DocumentController::openChosenFiles(bool readOnly)
{
    if (!m_services->chooseFilesToOpen)
        return;
    QPointer<DocumentController> self(this);
    for (const auto& file : m_services->chooseFilesToOpen()) {
        if (!self)
            return;
        openURL(file,
                true,
                [self, file, readOnly](
                    TextDocument* document, bool, const std::optional<DocumentFailure>& failure) {
                    if (document && readOnly) {
                        document->setReadOnlyReason(ReadOnlyReason::userChose);
                        if (auto* editor = document->editor())
                            editor->applyEditability();
                    }
                    if (!self || !failure || isUserCancellation(*failure))
                        return;
                    if (self->m_services->presentOpenFailure)
                        self->m_services->presentOpenFailure(file, *failure);
                });
    }
}

bool DocumentController::reviewUnsavedDocuments()
{
    isTerminating = true;
    for (const auto& document : m_documents) {
        if (!document->fileURL())
            (void)document->keepScratchText();
        else
            (void)document->rescueUnsavedEdits();
    }
    if (restorer.saveAndFreeze)
        restorer.saveAndFreeze();
    // A close decision may show a sheet and run the event loop; the list may change meanwhile.
    std::vector<QPointer<TextDocument>> reviewed;
    for (const auto& document : m_documents)
        reviewed.emplace_back(document.get());
    for (const auto& document : reviewed) {
        if (!document || !document->isDocumentEdited())
            continue;
        if (m_services->decideClose && !m_services->decideClose(*document)) {
            isTerminating = false;
            if (restorer.releaseFreeze)
                restorer.releaseFreeze();
            return false;
        }
    }
    return true;
}

void DocumentController::terminate()
{
    if (!reviewUnsavedDocuments())
        return;
    for (TextDocument* document : documents())
        removeDocument(document);
    if (quitApplication)
        quitApplication();
    else
        QCoreApplication::quit();
}

bool DocumentController::respondsToAction(std::string_view action) const
{
    return action == "newDocument:" || action == "openDocument:"
           || action == "openDocumentReadOnly:" || action == "terminate:"
           || action == "openFolderPanel:";
}

void DocumentController::performAction(std::string_view action, const EditorKit::ActionSender&)
{
    if (action == "newDocument:")
        makeUntitledDocument(true);
    else if (action == "openDocument:")
        openDocument();
    else if (action == "openDocumentReadOnly:")
        openDocumentReadOnly();
    else if (action == "terminate:")
        terminate();
    else if (action == "openFolderPanel:")
        openFolderPanel();
}

} // namespace EditorDocuments
