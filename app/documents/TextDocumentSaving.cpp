// Writing a document back in the format it was read in, and refusing every write that could
// damage the file.
#include "app/documents/DocumentTexts.h"
#include "app/documents/SaveContent.h"
#include "app/documents/TextDocument.h"
#include "app/kit/Utf16.h"
#include "platform/SystemLog.h"

#include <QPointer>

#include <atomic>

namespace EditorDocuments {

using EditorCore::DiskIdentity;
using EditorStore::ErrorLog;

namespace {

void logDocument(Platform::SystemLog::Level level, const std::string& message)
{
    Platform::SystemLog::write("app.orlune.viewer", "document", level, message);
}

// The framework's silent cancellation.
std::error_code userCancelled()
{
    return std::make_error_code(std::errc::operation_canceled);
}

// Writes the text it was made with and hands the bytes to a writer piece by piece, encoded from
// a snapshot chunk by chunk; any thread.
class EncodedText
{
public:
    EncodedText(EditorCore::TextSnapshot text, FileFormat format)
        : m_text(std::move(text))
        , m_format(std::move(format))
    {}

    // For the writer, which calls it once.
    SaveContent content()
    {
        return [this](const ByteSink& sink) {
            auto count = SaveRules::writeEncoded(m_text, m_format, sink);
            if (count) {
                m_byteCount = *count;
                m_finished = true;
                return true;
            }
            if (count.error())
                m_failure = toFailure(*count.error());
            return false;
        };
    }

    // After the writer failed before the encoding reached its end: a save reports the text's
    // refusal before any failure of the file system, as it did when it encoded the whole text
    // before writing. A pass that keeps no bytes finds it.
    void checkAfterFailedWrite()
    {
        if (m_finished || m_failure)
            return;
        auto count = SaveRules::writeEncoded(
            m_text, m_format, [](std::span<const std::uint8_t>) { return true; });
        if (!count && count.error())
            m_failure = toFailure(*count.error());
    }

    // Why the text could not be encoded.
    const std::optional<DocumentFailure>& failure() const { return m_failure; }
    std::uint64_t byteCount() const { return m_byteCount; }
    const EditorCore::TextSnapshot& text() const { return m_text; }
    // Lets go of the text (a snapshot that typing may have made the only holder of its chunks).
    void release() { m_text = {}; }

private:
    static DocumentFailure toFailure(const SaveRules::EncodeFailure& failure)
    {
        return std::visit([](const auto& e) { return DocumentFailure{e}; }, failure);
    }

    EditorCore::TextSnapshot m_text;
    FileFormat m_format;
    std::optional<DocumentFailure> m_failure;
    std::uint64_t m_byteCount = 0;
    bool m_finished = false;
};

QString flattened(const EditorCore::TextSnapshot& text)
{
    QString flat;
    flat.reserve(static_cast<qsizetype>(text.length()));
    text.visit(0, text.length(), [&flat](std::u16string_view piece) {
        flat.append(reinterpret_cast<const QChar*>(piece.data()),
                    static_cast<qsizetype>(piece.size()));
        return true;
    });
    return flat;
}

} // namespace

// What a save took on the main thread, and what the worker found.
struct TextDocument::SaveJob
{
    std::filesystem::path url;
    SaveOperation operation = SaveOperation::save;
    SaveCompletion completion;
    EditorCore::TextSnapshot text;
    FileFormat format;
    FileSaver::Options options;
    std::uint64_t editCount = 0;
    // A short text of a save the user asked for stays, written, as the text to revert to.
    bool keepsText = false;
    // The written text to revert to, flattened by the worker.
    QString openedText;

    // Written by the worker before `done`; read on the main thread after it.
    std::optional<DocumentFailure> failure;
    bool encodingFailed = false;
    std::size_t byteCount = 0;
    std::optional<EditorCore::DiskIdentity> identity;
    std::atomic<bool> done = false;
};

void TextDocument::logEncoded(std::size_t byteCount) const
{
    logDocument(Platform::SystemLog::Level::notice,
                "쓰기 " + std::string(EditorCore::rawValue(m_format.encoding)) + " "
                    + std::to_string(byteCount) + " 바이트");
}

void TextDocument::noteEncodingFailure(const DocumentFailure& failure)
{
    const std::string raw(EditorCore::rawValue(m_format.encoding));
    const auto* error = findDocumentError(failure);
    if (error
        && std::holds_alternative<EditorCore::DocumentError::FormsRewritten>(error->payload)) {
        // Said once: the next save writes the table's forms.
        m_format.byteForms.acceptTableForms();
        logDocument(Platform::SystemLog::Level::notice,
                    "쓰기 멈춤 — " + raw + " 표의 바이트로 바뀌는 글자");
    } else if (error) {
        const auto* unencodable =
            std::get_if<EditorCore::DocumentError::Unencodable>(&error->payload);
        const auto count = unencodable ? unencodable->characters.size() : 0;
        logDocument(Platform::SystemLog::Level::error,
                    "쓰기 멈춤 — " + raw + " 로 쓸 수 없는 글자 " + std::to_string(count) + "개");
    } else {
        logDocument(Platform::SystemLog::Level::error,
                    "쓰기 멈춤 " + DocumentTexts::describe(failure).toStdString());
    }
    record(ErrorLog::Level::error,
           "save.encode",
           {{"path", pathField()}, {"enc", raw}, {"err", describeForLog(failure)}});
}

bool TextDocument::isSaveBlocked()
{
    switch (SaveRules::saveBlock(m_fileURL, m_diskIdentity)) {
    case SaveRules::SaveBlock::none:
        return false;
    case SaveRules::SaveBlock::inTrash:
    case SaveRules::SaveBlock::missing:
        if (m_editor)
            m_editor->showFileGoneBanner();
        return true;
    case SaveRules::SaveBlock::changed:
        if (m_editor)
            m_editor->showExternalChangeBanner();
        return true;
    }
    return true;
}

bool TextDocument::isSaveUnsafe() const
{
    if (!m_fileURL || m_isExternalCopy)
        return false;
    if (m_adminEditing)
        return true;
    if (m_editor && m_editor->hasMarkedText())
        return true;
    if (SaveRules::isInTrash(*m_fileURL))
        return true;
    if (!m_diskIdentity)
        return false;
    return DiskIdentity::compare(*m_diskIdentity, *m_fileURL).change != DiskIdentity::Change::same;
}

std::optional<SaveRules::SaveRefusal> TextDocument::explicitSaveRefusal() const
{
    return SaveRules::explicitSaveRefusal(
        m_pendingBinaryHead.has_value(), m_readOnlyReason, m_largeFile);
}

bool TextDocument::followsFile() const
{
    return m_editor && m_editor->isTextLocked();
}

bool TextDocument::saveAsAdministrator()
{
    if (!m_fileURL)
        return false;
    // The administrator route writes over the file like any save: the same refusals first, so
    // neither a partial text nor a file someone else changed meanwhile is overwritten.
    if (auto refusal = explicitSaveRefusal()) {
        if (m_editor)
            m_editor->showSaveRefusedBanner(*refusal);
        return false;
    }
    if (followsFile() || isSaveBlocked())
        return false;

    auto fail = [this](const DocumentFailure& failure) {
        if (const auto* writer = std::get_if<AdminWriter::Failure>(&failure);
            writer != nullptr && writer->isCancelled())
            return false;
        record(ErrorLog::Level::error,
               "save.admin",
               {{"path", pathField()}, {"err", describeForLog(failure)}});
        if (m_editor)
            m_editor->showUnencodableBanner(failure);
        if (!findDocumentError(failure))
            emit failureOccurred(failure);
        return false;
    };

    // The file is staged from the snapshot, encoded as it is written: a text the encoding cannot
    // hold stops there, before any copy or command.
    EncodedText encoded(currentSnapshot(), m_format);
    auto runner = m_services->privilegeRunner;
    if (!runner)
        runner = std::make_shared<AdminWriter::ProcessRunner>();
    auto base = m_services->adminTemporaryBase.empty() ? AdminWriter::defaultTemporaryBase()
                                                       : m_services->adminTemporaryBase;
    m_isWritingToDisk = true;
    auto written = AdminWriter::writeFrom(encoded.content(), *m_fileURL, *runner, base);
    if (!written)
        encoded.checkAfterFailedWrite();
    if (encoded.failure()) {
        m_isWritingToDisk = false;
        noteEncodingFailure(*encoded.failure());
        return fail(*encoded.failure());
    }
    logEncoded(encoded.byteCount());
    if (!written) {
        m_isWritingToDisk = false;
        return fail(std::visit([](const auto& e) { return DocumentFailure{e}; }, written.error()));
    }
    if (encoded.text().length() <= keptOpenedTextUpTo)
        keepOpenedText(flattened(encoded.text()), m_format.encoding);
    else
        keepFileAsOpened(m_format.encoding);
    updateChangeCount(ChangeType::changeCleared);
    scheduleMainQueueUpdate();
    if (m_editor)
        m_editor->setHasUnsavedEdits(false);
    m_diskIdentity = DiskIdentity::read(*m_fileURL, DiskIdentity::documentHashLimit);
    takeModificationDate();
    record(ErrorLog::Level::notice, "save.admin", {{"path", pathField()}});
    m_isWritingToDisk = false;
    return true;
}

bool TextDocument::saveDocument()
{
    if (m_isExternalCopy)
        return false;
    // Menus and shortcuts reach here whatever the window's command state says: a text that is
    // not the whole file (a large file partly loaded or decoded with losses, a file still
    // waiting for the "not text" decision) must not be written over it.
    if (m_fileURL) {
        if (auto refusal = explicitSaveRefusal()) {
            if (m_editor)
                m_editor->showSaveRefusedBanner(*refusal);
            return false;
        }
        // A followed file's text cannot be edited: it is the file's already, or, once the
        // file started over, the old log and the new one with a marker between them, which
        // must not replace the file (rewritten, the file would also start over for the
        // follower, which would show it all once more).
        if (followsFile())
            return false;
    }
    if (m_adminEditing)
        return saveAsAdministrator();
    if (isSaveBlocked()) {
        keepRefusedEdits();
        return false;
    }
    if (!m_fileURL)
        return saveDocumentAs();

    saveToURL(*m_fileURL,
              SaveOperation::save,
              [this](const std::optional<DocumentFailure>& failure) { showSaveFailure(failure); });
    // A refusal completes at once; a save under way reports through the completion.
    return isSaving();
}

// A failed save of a command: a document error shows as the window's banner, any other
// failure goes to an alert.
void TextDocument::showSaveFailure(const std::optional<DocumentFailure>& failure)
{
    if (!failure)
        return;
    if (m_editor)
        m_editor->showUnencodableBanner(*failure);
    if (!findDocumentError(*failure))
        emit failureOccurred(*failure);
}

bool TextDocument::saveDocumentAs()
{
    if (m_isExternalCopy || !m_services->chooseSaveLocation)
        return false;
    auto location = m_services->chooseSaveLocation(*this);
    if (!location)
        return false;
    saveToURL(*location,
              SaveOperation::saveAs,
              [this](const std::optional<DocumentFailure>& failure) { showSaveFailure(failure); });
    return isSaving();
}

bool TextDocument::refusesFrameworkSave(const std::filesystem::path& url,
                                        SaveOperation operation) const
{
    return m_adminEditing && m_fileURL && url == *m_fileURL
           && (operation == SaveOperation::save || operation == SaveOperation::autosaveElsewhere
               || operation == SaveOperation::autosaveInPlace);
}

bool TextDocument::isLocked() const
{
    if (m_adminEditing)
        return false;
    return m_readOnlyReason == ReadOnlyReason::noPermission;
}

void TextDocument::saveToURL(const std::filesystem::path& url,
                             SaveOperation operation,
                             SaveCompletion completion)
{
    // Until its text is there the document's text is empty: writing it would empty the file.
    if (refusesFrameworkSave(url, operation) || m_loading) {
        if (completion)
            completion(DocumentFailure{userCancelled()});
        return;
    }
    m_isWritingToDisk = true;
    auto job = std::make_shared<SaveJob>();
    job->url = url;
    job->operation = operation;
    job->completion = std::move(completion);
    job->options = m_services->saverOptions;
    if (!job->options.isFileWritable)
        job->options.isFileWritable = m_services->isWritable;
    m_saves.push_back(job);
    takeSnapshot(job);
}

void TextDocument::takeSnapshot(const std::shared_ptr<SaveJob>& job)
{
    // The text is shared with the window (or the document's own text), chunk by chunk: typing
    // while the worker encodes it copies only the chunks it changes.
    job->text = m_editor ? m_editor->snapshot() : m_loadedText;
    job->format = m_format;
    job->editCount = m_editCount;
    job->keepsText =
        (job->operation == SaveOperation::save || job->operation == SaveOperation::saveAs)
        && job->text.length() <= keptOpenedTextUpTo;

    QPointer<TextDocument> self(this);
    m_services->savingQueue->async([self, job] {
        EncodedText encoded(std::move(job->text), job->format);
        job->text = {};
        auto written = FileSaver::writeFrom(job->url, encoded.content(), job->options);
        if (!written)
            encoded.checkAfterFailedWrite();
        if (encoded.failure()) {
            job->failure = encoded.failure();
            job->encodingFailed = true;
        } else if (!written) {
            job->failure = DocumentFailure{written.error()};
        } else {
            job->byteCount = encoded.byteCount();
            // The identity of the bytes written, not of the file as it is now: another program
            // may have appended to it since, and the next disk check must see that.
            job->identity = written->identity
                                ? written->identity
                                : DiskIdentity::read(job->url, DiskIdentity::documentHashLimit);
            // The text to revert to is a copy of its own, made here rather than at the next
            // key press.
            if (job->keepsText)
                job->openedText = flattened(encoded.text());
        }
        // The last hold on chunks the typing replaced meanwhile goes here, off the interface.
        encoded.release();
        job->done = true;
        postToMainThread([self] {
            if (self)
                self->completeSaves();
        });
    });
}

bool TextDocument::completeSaves()
{
    while (!m_saves.empty() && m_saves.front()->done) {
        auto job = m_saves.front();
        m_saves.erase(m_saves.begin());
        if (job->encodingFailed)
            noteEncodingFailure(*job->failure);
        else
            logEncoded(job->byteCount);
        const bool succeeded = !job->failure;
        if (succeeded
            && (job->operation == SaveOperation::saveAs
                || job->operation == SaveOperation::autosaveAs))
            m_fileURL = job->url;
        if (succeeded && m_fileURL) {
            if (job->keepsText)
                keepOpenedText(std::move(job->openedText), job->format.encoding);
            else if (job->operation == SaveOperation::save
                     || job->operation == SaveOperation::saveAs
                     || (m_revertReadsFile
                         && (job->operation == SaveOperation::autosaveInPlace
                             || job->operation == SaveOperation::autosaveAs)))
                // A long text is not copied: reverting reads the file, which holds it now.
                keepFileAsOpened(job->format.encoding);
        }
        didFinishSaving(
            job->operation, succeeded, std::move(job->identity), m_editCount != job->editCount);
        m_lastSaveSucceeded = succeeded;
        // The own file refused characters it cannot hold: the edits are kept elsewhere at once
        // and at every later refusal, so that a crash does not take them.
        if (job->encodingFailed && m_fileURL && job->url == *m_fileURL
            && job->operation != SaveOperation::saveTo) {
            const auto* error = findDocumentError(*job->failure);
            if (error
                && std::holds_alternative<EditorCore::DocumentError::Unencodable>(error->payload)) {
                m_writeRefused = true;
                keepRefusedEdits();
            }
        }
        if (job->completion)
            job->completion(job->failure);
        emit saveFinished(succeeded);
    }
    return m_lastSaveSucceeded;
}

bool TextDocument::waitForSaves()
{
    if (m_saves.empty())
        return true;
    m_services->savingQueue->waitUntilIdle();
    return completeSaves();
}

void TextDocument::didFinishSaving(SaveOperation operation,
                                   bool succeeded,
                                   std::optional<DiskIdentity> identity,
                                   bool editedMeanwhile)
{
    m_isWritingToDisk = !m_saves.empty();
    if (!succeeded || !m_fileURL)
        return;
    if (operation != SaveOperation::saveTo) {
        if (editedMeanwhile) {
            // The file holds the text as it was when the save began; the undo stack cannot
            // mark that step clean any more, so no step is.
            m_undoStack->resetClean();
            scheduleMainQueueUpdate();
        } else {
            updateChangeCount(ChangeType::changeCleared);
            if (m_editor)
                m_editor->setHasUnsavedEdits(false);
        }
    }
    if ((operation == SaveOperation::saveAs || operation == SaveOperation::saveTo) && m_editor)
        m_editor->startFileWatcher();
    m_diskIdentity = std::move(identity);
    takeModificationDate();
    if (operation != SaveOperation::saveTo)
        m_writeRefused = false;
    if (m_rescueID
        && (operation == SaveOperation::save || operation == SaveOperation::saveAs
            || operation == SaveOperation::autosaveInPlace)) {
        // The file holds the text now: rescued edits of it may not come back at the next launch.
        scratchStore().remove(*m_rescueID);
        m_rescueID.reset();
        m_rescuedAtEdit.reset();
        m_rescueHandedOver = false;
    }
    if (operation == SaveOperation::save || operation == SaveOperation::saveAs) {
        // Nor may the untitled entry.
        discardKeptText();
        if (m_rescuedOrigin) {
            m_rescuedOrigin.reset();
            if (m_editor)
                m_editor->dismissBanner(QStringLiteral("rescued"));
        }
    }
}

} // namespace EditorDocuments
