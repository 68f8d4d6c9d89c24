// Writing a document back in the format it was read in, and refusing every write that could
// damage the file.
#include "app/documents/DocumentTexts.h"
#include "app/documents/TextDocument.h"
#include "platform/SystemLog.h"

namespace EditorDocuments {

using EditorCore::DiskIdentity;
using EditorStore::ErrorLog;

namespace {

void logDocument(Platform::SystemLog::Level level, const std::string& message)
{
    Platform::SystemLog::write("app.orlune.viewer", "document", level, message);
}

std::u16string_view viewOf(const QString& text)
{
    return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())};
}

// The framework's silent cancellation.
std::error_code userCancelled()
{
    return std::make_error_code(std::errc::operation_canceled);
}

} // namespace

EditorCore::Result<std::vector<std::uint8_t>, DocumentFailure> TextDocument::encodedData()
{
    const QString text = currentText();
    const auto encoding = format.encoding;
    const std::string raw(EditorCore::rawValue(encoding));
    auto bytes = SaveRules::encodedData(viewOf(text), format);
    if (bytes) {
        logDocument(Platform::SystemLog::Level::notice,
                    "쓰기 " + raw + " " + std::to_string(bytes->size()) + " 바이트");
        return std::move(*bytes);
    }
    DocumentFailure failure =
        std::visit([](const auto& e) { return DocumentFailure{e}; }, bytes.error());
    const auto* error = findDocumentError(failure);
    if (error
        && std::holds_alternative<EditorCore::DocumentError::FormsRewritten>(error->payload)) {
        // Said once: the next save writes the table's forms.
        format.byteForms.acceptTableForms();
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
    return EditorCore::failure(std::move(failure));
}

bool TextDocument::isSaveBlocked()
{
    switch (SaveRules::saveBlock(m_fileURL, diskIdentity)) {
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
    if (!m_fileURL || isExternalCopy)
        return false;
    if (adminEditing)
        return true;
    if (m_editor && m_editor->hasMarkedText())
        return true;
    if (SaveRules::isInTrash(*m_fileURL))
        return true;
    if (!diskIdentity)
        return false;
    return DiskIdentity::compare(*diskIdentity, *m_fileURL).change != DiskIdentity::Change::same;
}

std::optional<SaveRules::SaveRefusal> TextDocument::explicitSaveRefusal() const
{
    return SaveRules::explicitSaveRefusal(pendingBinaryHead.has_value(), readOnlyReason, largeFile);
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
    if (isSaveBlocked())
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

    auto bytes = encodedData();
    if (!bytes)
        return fail(bytes.error());

    isWritingToDisk = true;
    auto runner = m_services->privilegeRunner;
    if (!runner)
        runner = std::make_shared<AdminWriter::ProcessRunner>();
    auto base = m_services->adminTemporaryBase.empty() ? AdminWriter::defaultTemporaryBase()
                                                       : m_services->adminTemporaryBase;
    auto written = AdminWriter::write(*bytes, *m_fileURL, *runner, base);
    if (!written) {
        isWritingToDisk = false;
        return fail(std::visit([](const auto& e) { return DocumentFailure{e}; }, written.error()));
    }
    updateChangeCount(ChangeType::changeCleared);
    scheduleMainQueueUpdate();
    if (m_editor)
        m_editor->setHasUnsavedEdits(false);
    diskIdentity = DiskIdentity::read(*m_fileURL, DiskIdentity::documentHashLimit);
    takeModificationDate();
    record(ErrorLog::Level::notice, "save.admin", {{"path", pathField()}});
    isWritingToDisk = false;
    return true;
}

bool TextDocument::saveDocument()
{
    if (isExternalCopy)
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
    }
    if (adminEditing)
        return saveAsAdministrator();
    if (isSaveBlocked())
        return false;
    if (!m_fileURL)
        return saveDocumentAs();

    bool saved = false;
    saveToURL(*m_fileURL, SaveOperation::save, [&](const std::optional<DocumentFailure>& failure) {
        saved = !failure;
        if (failure) {
            if (m_editor)
                m_editor->showUnencodableBanner(*failure);
            if (!findDocumentError(*failure))
                emit failureOccurred(*failure);
        }
    });
    return saved;
}

bool TextDocument::saveDocumentAs()
{
    if (isExternalCopy || !m_services->chooseSaveLocation)
        return false;
    auto location = m_services->chooseSaveLocation(*this);
    if (!location)
        return false;
    bool saved = false;
    saveToURL(*location, SaveOperation::saveAs, [&](const std::optional<DocumentFailure>& failure) {
        saved = !failure;
        if (failure) {
            if (m_editor)
                m_editor->showUnencodableBanner(*failure);
            if (!findDocumentError(*failure))
                emit failureOccurred(*failure);
        }
    });
    return saved;
}

bool TextDocument::refusesFrameworkSave(const std::filesystem::path& url,
                                        SaveOperation operation) const
{
    return adminEditing && m_fileURL && url == *m_fileURL
           && (operation == SaveOperation::save || operation == SaveOperation::autosaveElsewhere
               || operation == SaveOperation::autosaveInPlace);
}

bool TextDocument::isLocked() const
{
    if (adminEditing)
        return false;
    return readOnlyReason == ReadOnlyReason::noPermission;
}

void TextDocument::saveToURL(const std::filesystem::path& url,
                             SaveOperation operation,
                             const SaveCompletion& completion)
{
    auto finish = [&](const std::optional<DocumentFailure>& failure) {
        if (completion)
            completion(failure);
    };
    if (refusesFrameworkSave(url, operation)) {
        finish(DocumentFailure{userCancelled()});
        return;
    }
    isWritingToDisk = true;
    auto bytes = encodedData();
    if (!bytes) {
        didFinishSaving(operation, false);
        finish(bytes.error());
        return;
    }
    auto options = m_services->saverOptions;
    if (!options.isFileWritable)
        options.isFileWritable = m_services->isWritable;
    auto written = FileSaver::write(url, *bytes, options);
    if (!written) {
        didFinishSaving(operation, false);
        finish(DocumentFailure{written.error()});
        return;
    }
    if (operation == SaveOperation::saveAs || operation == SaveOperation::autosaveAs)
        m_fileURL = url;
    didFinishSaving(operation, true);
    finish(std::nullopt);
}

void TextDocument::didFinishSaving(SaveOperation operation, bool succeeded)
{
    isWritingToDisk = false;
    if (!succeeded || !m_fileURL)
        return;
    if (operation != SaveOperation::saveTo) {
        updateChangeCount(ChangeType::changeCleared);
        if (m_editor)
            m_editor->setHasUnsavedEdits(false);
    }
    if ((operation == SaveOperation::saveAs || operation == SaveOperation::saveTo) && m_editor)
        m_editor->startFileWatcher();
    diskIdentity = DiskIdentity::read(*m_fileURL, DiskIdentity::documentHashLimit);
    takeModificationDate();
    if (operation == SaveOperation::save || operation == SaveOperation::saveAs) {
        if (rescuedOrigin) {
            rescuedOrigin.reset();
            if (m_editor)
                m_editor->dismissBanner(QStringLiteral("rescued"));
        }
    }
}

} // namespace EditorDocuments
