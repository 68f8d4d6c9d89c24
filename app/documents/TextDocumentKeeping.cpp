// Keeping what cannot be written to a file (untitled texts, unsafe edits) and autosaving.
#include "app/documents/DocumentTexts.h"
#include "app/documents/SnapshotStrings.h"
#include "app/documents/TextDocument.h"
#include "app/kit/Utf16.h"
#include "core/LineEnding.h"
#include "platform/SystemLog.h"

#include <QPointer>

namespace EditorDocuments {

using EditorStore::ErrorLog;

namespace {

void logDocument(Platform::SystemLog::Level level, const std::string& message)
{
    Platform::SystemLog::write("app.orlune.viewer", "document", level, message);
}

// Counted chunk by chunk, as the keeping place writes it (a lone surrogate as U+FFFD).
std::string utf8Size(const EditorCore::TextSnapshot& text)
{
    std::uint64_t size = 0;
    text.visit(0, text.length(), [&size](std::u16string_view piece) {
        for (std::size_t i = 0; i < piece.size(); ++i) {
            const char16_t unit = piece[i];
            if (unit < 0x80)
                size += 1;
            else if (unit < 0x800)
                size += 2;
            else if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < piece.size()
                     && piece[i + 1] >= 0xDC00 && piece[i + 1] <= 0xDFFF) {
                size += 4;
                ++i;
            } else
                size += 3;
        }
        return true;
    });
    return std::to_string(size);
}

std::error_code userCancelled()
{
    return std::make_error_code(std::errc::operation_canceled);
}

} // namespace

EditorStore::ScratchStore TextDocument::scratchStore() const
{
    if (m_services->scratchDirectory.empty())
        return EditorStore::ScratchStore();
    return EditorStore::ScratchStore(m_services->scratchDirectory);
}

TextDocument::KeepResult TextDocument::keepScratchText()
{
    if (m_fileURL || m_isExternalCopy)
        return {};
    const EditorCore::TextSnapshot text =
        m_editor ? m_editor->snapshotWithMarkedText() : currentSnapshot();
    const Platform::Uuid id = m_scratchID.value_or(Platform::Uuid::random());
    auto saved = scratchStore().save(id, text, m_services->now());
    if (!saved) {
        const std::error_code error = saved.error();
        logDocument(Platform::SystemLog::Level::error, "보관 실패 " + error.message());
        record(ErrorLog::Level::error,
               "scratch.save",
               {{"id", id.text()},
                {"size", utf8Size(text)},
                {"err", describeForLog(DocumentFailure{error})}});
        return EditorCore::failure(error);
    }
    const auto before = m_scratchID;
    if (text.isEmpty())
        m_scratchID.reset();
    else
        m_scratchID = id;
    updateChangeCount(ChangeType::changeCleared);
    if (m_editor && m_scratchID != before)
        m_editor->keptIdentityChanged();
    scheduleMainQueueUpdate();
    if (m_editor)
        m_editor->setHasUnsavedEdits(false);
    logDocument(Platform::SystemLog::Level::notice,
                "보관 자리에 넣음 " + std::to_string(text.length()) + " 글자");
    return {};
}

TextDocument::KeepResult TextDocument::rescueUnsavedEdits(RescueMode mode)
{
    if (!m_fileURL)
        return {};
    const bool keepEdited = mode == RescueMode::keepEdited;
    if (!isDocumentEdited() || !(isSaveUnsafe() || (keepEdited && m_writeRefused)))
        return {};
    // Kept already as it is now (a composition changes without counting an edit).
    if (keepEdited && m_rescueID && m_rescuedAtEdit == m_editCount
        && !(m_editor && m_editor->hasMarkedText()))
        return {};
    const EditorCore::TextSnapshot text =
        m_editor ? m_editor->snapshotWithMarkedText() : currentSnapshot();
    const bool first = !m_rescueID;
    const Platform::Uuid id = m_rescueID.value_or(Platform::Uuid::random());
    m_rescueID = id;
    auto saved = scratchStore().save(id, text, m_services->now(), m_fileURL->string());
    if (!saved) {
        const std::error_code error = saved.error();
        logDocument(Platform::SystemLog::Level::error,
                    "저장 못 한 고침 보관 실패 " + error.message());
        record(ErrorLog::Level::error,
               "save.rescue",
               {{"path", m_fileURL->string()}, {"err", describeForLog(DocumentFailure{error})}});
        return EditorCore::failure(error);
    }
    // Edits handed over once stay so: the document counts them as saved, so the entry is
    // their only place until the file holds them.
    if (!keepEdited)
        m_rescueHandedOver = true;
    m_rescuedAtEdit = m_editCount;
    if (!keepEdited) {
        updateChangeCount(ChangeType::changeCleared);
        scheduleMainQueueUpdate();
        if (m_editor)
            m_editor->setHasUnsavedEdits(false);
    }
    logDocument(Platform::SystemLog::Level::notice,
                "저장 못 한 고침을 보관 자리에 넣음 " + std::to_string(text.length()) + " 글자");
    // A copy kept while the user goes on is said once, not at every pause in the typing.
    if (!keepEdited || first)
        record(ErrorLog::Level::warning,
               "save.rescued",
               {{"path", m_fileURL->string()}, {"id", id.text()}, {"size", utf8Size(text)}});
    return {};
}

void TextDocument::keepRefusedEdits()
{
    (void)rescueUnsavedEdits(RescueMode::keepEdited);
}

void TextDocument::dropRescueCopy()
{
    m_writeRefused = false;
    if (!m_rescueID || m_rescueHandedOver)
        return;
    scratchStore().remove(*m_rescueID);
    m_rescueID.reset();
    m_rescuedAtEdit.reset();
}

void TextDocument::discardKeptText()
{
    if (m_scratchID)
        scratchStore().remove(*m_scratchID);
    m_scratchID.reset();
}

void TextDocument::discardRescuedEdits()
{
    if (!m_rescueID)
        return;
    scratchStore().remove(*m_rescueID);
    m_rescueID.reset();
}

std::unique_ptr<TextDocument> TextDocument::makeScratch(const Platform::Uuid& id,
                                                        const QString& text,
                                                        std::shared_ptr<DocumentServices> services)
{
    auto document = std::make_unique<TextDocument>(std::move(services));
    document->m_scratchID = id;
    document->m_loadedText = snapshotOf(text);
    document->m_lineEndings = EditorCore::LineEndingSummary(EditorKit::utf16View(text));
    if (auto meta = document->scratchStore().meta(id); meta && meta->origin)
        document->m_rescuedOrigin = std::filesystem::path(*meta->origin);
    return document;
}

bool TextDocument::isUserCancellation(const DocumentFailure& failure)
{
    const auto* code = std::get_if<std::error_code>(&failure);
    return code && *code == userCancelled();
}

void TextDocument::scheduleAutosaving()
{
    if (m_services->autosavingDelayMilliseconds < 0)
        return;
    if (!m_autosaveTimer) {
        m_autosaveTimer = new QTimer(this);
        m_autosaveTimer->setSingleShot(true);
        connect(m_autosaveTimer, &QTimer::timeout, this, [this] {
            if (!isDocumentEdited())
                return;
            // The autosave waits for its write; behind a long save still being written that
            // would hold the interface for seconds. It comes again once that save is done.
            if (isSaving()) {
                scheduleAutosaving();
                return;
            }
            // Typing goes on while it is written: a 100 MB text would hold the interface for
            // its encoding, write and flush at every pause.
            runAutosave(true, {}, false);
        });
    }
    m_autosaveTimer->start(m_services->autosavingDelayMilliseconds);
}

bool TextDocument::hasAutosaveScheduled() const
{
    return m_autosaveTimer && m_autosaveTimer->isActive();
}

void TextDocument::autosave(bool implicitlyCancellable, SaveCompletion completion)
{
    runAutosave(implicitlyCancellable, std::move(completion), true);
}

void TextDocument::runAutosave(bool implicitlyCancellable, SaveCompletion completion, bool wait)
{
    auto finish = [&completion](std::optional<DocumentFailure> failure) {
        if (completion)
            completion(failure);
    };
    // A refused request that must not be silent keeps the edits elsewhere and reports success.
    auto declineOrRescue = [&] {
        if (implicitlyCancellable) {
            // Not written, not lost: a crash until the next save leaves the edits kept.
            keepRefusedEdits();
            finish(DocumentFailure{userCancelled()});
            return;
        }
        (void)rescueUnsavedEdits();
        finish(std::nullopt);
    };

    if (m_editor && m_editor->hasMarkedText()) {
        logDocument(Platform::SystemLog::Level::notice, "자동 저장 미룸 — 조합 중");
        if (implicitlyCancellable) {
            keepRefusedEdits();
            finish(DocumentFailure{userCancelled()});
            QPointer<TextDocument> self(this);
            auto retry = [self] {
                if (self)
                    self->scheduleAutosaving();
            };
            if (m_services->afterDelay)
                m_services->afterDelay(1000, retry);
            else
                QTimer::singleShot(1000, retry);
        } else {
            (void)rescueUnsavedEdits();
            finish(std::nullopt);
        }
        return;
    }
    if (m_isExternalCopy || (m_fileURL && (explicitSaveRefusal() || followsFile()))) {
        finish(std::nullopt);
        return;
    }
    if (!m_fileURL) {
        (void)keepScratchText();
        finish(std::nullopt);
        return;
    }
    if (m_adminEditing) {
        declineOrRescue();
        return;
    }
    if (isSaveBlocked()) {
        declineOrRescue();
        return;
    }

    logDocument(Platform::SystemLog::Level::notice, "자동 저장");
    QPointer<TextDocument> self(this);
    saveToURL(*m_fileURL,
              SaveOperation::autosaveInPlace,
              [self, services = m_services, completion = std::move(completion)](
                  const std::optional<DocumentFailure>& failure) {
                  if (!failure) {
                      if (completion)
                          completion(failure);
                      return;
                  }
                  // Every failure of the write is logged and recorded, a refusal that the caller
                  // takes as a cancellation too; the caller hears of it last.
                  logDocument(Platform::SystemLog::Level::error,
                              "자동 저장 실패 " + DocumentTexts::describe(*failure).toStdString());
                  const std::string path =
                      self && self->fileURL() ? self->fileURL()->string() : std::string("?");
                  if (services->record)
                      services->record(ErrorLog::Level::error,
                                       "save.autosave",
                                       {{"path", path}, {"err", describeForLog(*failure)}});
                  if (self && self->m_editor)
                      self->m_editor->showUnencodableBanner(*failure);
                  if (completion)
                      completion(failure);
              });
    // Asked for by a caller, the in-place autosave completes before it returns.
    if (wait)
        waitForSaves();
}

} // namespace EditorDocuments
