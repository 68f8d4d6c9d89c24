#pragma once

#include "app/documents/CurrentFile.h"
#include "app/documents/DocumentFailure.h"
#include "app/documents/DocumentServices.h"
#include "app/documents/DocumentWindow.h"
#include "app/documents/FileFormat.h"
#include "app/kit/OncePerTurn.h"
#include "app/kit/Responder.h"
#include "core/ChunkedText.h"
#include "core/DiskIdentity.h"
#include "core/Indentation.h"
#include "core/LineEnding.h"
#include "core/Result.h"
#include "platform/Uuid.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QUndoStack>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace EditorDocuments {

// The kinds of save, numbered as the document layer has always numbered them.
enum class SaveOperation {
    save = 0,
    saveAs = 1,
    saveTo = 2,
    autosaveElsewhere = 3,
    autosaveInPlace = 4,
    autosaveAs = 5
};

// One open file, untitled text, kept memo or read-only copy of an outside version of a file:
// the text as read, the exact stored format, the line endings and indentation found, what the
// file looked like on disk, and why it may not be edited. Undo is one QUndoStack; "edited" is
// "not clean". Main thread only.
class TextDocument
    : public QObject
    , public EditorKit::Responder
{
    Q_OBJECT

public:
    enum class ChangeType { changeDone, changeCleared };

    explicit TextDocument(std::shared_ptr<DocumentServices> services = DocumentServices::shared(),
                          QObject* parent = nullptr);
    ~TextDocument() override;

    // The stored format: encoding, byte order mark, byte forms, the detection's guess. Changed
    // by a read, a reload and `changeEncoding` (one undoable step).
    const FileFormat& format() const { return m_format; }
    // The LF, CR LF and CR breaks, as last counted: by a read, or by the window after a change
    // of the text's breaks.
    const EditorCore::LineEndingSummary& lineEndings() const { return m_lineEndings; }
    void setLineEndings(const EditorCore::LineEndingSummary& summary) { m_lineEndings = summary; }
    // The indentation found in the text or chosen by the user; none when neither says.
    const std::optional<EditorCore::IndentStyle>& indentStyle() const { return m_indentStyle; }
    // The user chose the indentation (`chooseIndentStyle`); it stays so across reads of the
    // file until `clearIndentStyle`.
    bool indentChosenByUser() const { return m_indentChosenByUser; }
    // The text until a window takes it over (and again once the window is gone): the chunks
    // the read built, which the window's storage adopts without a copy.
    const EditorCore::TextSnapshot& loadedText() const { return m_loadedText; }
    // The text of a document that has no window yet: an untitled text given by a caller.
    void setLoadedText(EditorCore::TextSnapshot text);
    void setLoadedText(const QString& text);
    // What the file looked like on disk when last read, written or refreshed.
    const std::optional<EditorCore::DiskIdentity>& diskIdentity() const { return m_diskIdentity; }
    // Why the text may not be edited; none when it may (a loading text is read-only too).
    const std::optional<ReadOnlyReason>& readOnlyReason() const { return m_readOnlyReason; }
    // Sets the reason; the window's editability follows when the caller applies it.
    void setReadOnlyReason(std::optional<ReadOnlyReason> reason) { m_readOnlyReason = reason; }
    // The user's read-only choice, unless the text already has a reason of its own; the window
    // follows at once.
    void chooseReadOnly();
    // The text may be edited again (the window follows at once).
    void clearReadOnlyReason();
    // A read-only copy of an outside version of a file (`makeExternalCopy`).
    bool isExternalCopy() const { return m_isExternalCopy; }
    // A file of at least the large-file size: its text is loaded by the window, in pieces.
    const std::optional<LargeFileState>& largeFile() const { return m_largeFile; }
    void setLargeFileState(const LargeFileState& state) { m_largeFile = state; }
    // The first bytes of a file that does not look like text, until the user chose how to see
    // it (the not-text read-only open, or a reload in another encoding).
    const std::optional<std::vector<std::uint8_t>>& pendingBinaryHead() const
    {
        return m_pendingBinaryHead;
    }
    void setPendingBinaryHead(std::optional<std::vector<std::uint8_t>> head)
    {
        m_pendingBinaryHead = std::move(head);
    }
    // Saves go through the administrator's writer (`beginAdminEditing`).
    bool adminEditing() const { return m_adminEditing; }
    // The file a kept untitled text's edits were rescued from.
    const std::optional<std::filesystem::path>& rescuedOrigin() const { return m_rescuedOrigin; }
    void setRescuedOrigin(std::optional<std::filesystem::path> origin)
    {
        m_rescuedOrigin = std::move(origin);
    }
    // This untitled document's entry in the keeping place.
    const std::optional<Platform::Uuid>& scratchID() const { return m_scratchID; }
    void setScratchID(std::optional<Platform::Uuid> id) { m_scratchID = id; }
    // The entry that holds this file's rescued unsaved edits.
    const std::optional<Platform::Uuid>& rescueID() const { return m_rescueID; }
    // Removes the rescued edits' entry from the keeping place (the user threw them away).
    void discardRescuedEdits();
    // The fixed title of an outside version's copy.
    const std::optional<QString>& externalTitle() const { return m_externalTitle; }
    void setExternalTitle(std::optional<QString> title) { m_externalTitle = std::move(title); }
    // The document writes its own file now: the disk check stays quiet while it does.
    bool isWritingToDisk() const { return m_isWritingToDisk; }
    // Marks a write to the own file made outside the save path (a recovery copy put back).
    void beginWritingToDisk() { m_isWritingToDisk = true; }
    void endWritingToDisk() { m_isWritingToDisk = false; }

    const std::shared_ptr<DocumentServices>& services() const { return m_services; }

    // The file, as it was opened (not resolved); none for an untitled document.
    const std::optional<std::filesystem::path>& fileURL() const { return m_fileURL; }
    void setFileURL(std::optional<std::filesystem::path> url);
    // The file's modification date as last read, written or refreshed.
    const QDateTime& fileModificationDate() const { return m_fileModificationDate; }

    QUndoStack* undoStack() const { return m_undoStack; }
    bool isDocumentEdited() const { return !m_undoStack->isClean(); }
    void updateChangeCount(ChangeType change);

    // The window controller, created by makeWindowControllers; null without a window.
    DocumentWindow* editor() const { return m_editor; }
    void makeWindowControllers();
    // Drops the window controller (its window closed before the document).
    void removeWindowController();

    // The first rule that applies: the fixed external title; kept edits of a file; the title
    // of the untitled text; the file's name.
    std::optional<QString> computedDisplayName() const;
    QString displayName() const;
    // The text to write: the window's when one exists, else `loadedText`. Flattens the
    // window's text: for whole-text work done once.
    QString currentText() const;
    // The same as a snapshot: O(1) from the window (a document without one builds it from
    // `loadedText`). What every save and keeping writes.
    EditorCore::TextSnapshot currentSnapshot() const;

    // Reverting. The text as last opened or saved (save, save-as, the administrator's save);
    // none for a long text, whose file is read again instead (`readOpenedText`): its opened
    // state is then the file as last read or written, autosaves included.
    const std::optional<QString>& openedText() const { return m_openedText; }
    // Texts up to this many UTF-16 units are kept as opened (a save flattens its snapshot on the
    // saving worker); longer ones are not copied.
    static constexpr qsizetype keptOpenedTextUpTo = qsizetype{8} << 20;
    using OpenedTextCompletion = std::function<void(std::optional<QString>)>;
    // The opened text: at once when it is kept, else read from the file on the services'
    // reading worker. `done` runs on the main thread, with none when the file is gone, was
    // changed by someone else or cannot be decoded as it was, and never after a later read,
    // reload or close().
    void readOpenedText(OpenedTextCompletion done);

    // Refreshes the window's status bar once, later on the main thread, if both still exist.
    void scheduleMainQueueUpdate();

    void changeEncoding(EditorCore::TextEncoding encoding,
                        bool keepByteOrderMark,
                        const QString& actionName);
    void chooseIndentStyle(EditorCore::IndentStyle style);
    // Forgets the user's indentation choice and the style found: the window's default applies.
    void clearIndentStyle();
    void beginAdminEditing();
    // A read-only document that shows `text` as the outside version of `source`'s file.
    static std::unique_ptr<TextDocument> makeExternalCopy(const TextDocument& source,
                                                          const QString& text);

    // Reading (the open decision is DocumentReading's).
    std::uint64_t largeFileThreshold() const;
    [[nodiscard]] EditorCore::Result<void, DocumentFailure>
    readFromURL(const std::filesystem::path& url);
    using ReadCompletion = std::function<void(const std::optional<DocumentFailure>&)>;
    // Reads the file on the services' reading worker. Until its text is there the document is
    // loading, and so read-only; its window shows that once reading takes longer than
    // `loadingNoticeDelay`. The completion runs on the main thread when the text is in place
    // or the read failed, never for a read made stale by a later read, a reload or close().
    void beginReadingFromURL(const std::filesystem::path& url, ReadCompletion completion = {});
    bool isLoading() const { return m_loading; }
    static constexpr int loadingNoticeDelayMilliseconds = 100;
    [[nodiscard]] EditorCore::Result<void, DocumentFailure>
    readFromData(std::span<const std::uint8_t> bytes);
    // Every later read of the file (reopening in another encoding, the not-text open, reading
    // it again after an outside change, its identity with the content hash) goes the way of
    // the open's: a file of at least the services' `backgroundReadLength` bytes is read on the
    // reading worker, a smaller one at once, before the call returns. The completion runs on
    // the main thread; a read that replaces the text leaves the document loading (read-only,
    // with the window's notice after `loadingNoticeDelay`) until then, and its completion is
    // dropped when a later read, a reload or close() came first, or the document is gone.
    using NotTextCompletion = std::function<void(
        const EditorCore::Result<std::optional<EditorCore::TextSnapshot>, DocumentFailure>&,
        EditorCore::LineIndex lines)>;
    // The user chose to look at a file that is not text: its bytes as ISO Latin-1, or none for
    // a large file or a document without a file. `lines`: the text's line index, made with it
    // on the reading worker (the empty text's without a text).
    void openNotTextReadOnly(NotTextCompletion completion);
    using ReloadCompletion = std::function<void(const EditorCore::Result<bool, DocumentFailure>&)>;
    // Reads the file again in the encoding the user chose; false without a file.
    void reload(EditorCore::TextEncoding encoding, ReloadCompletion completion = {});
    // Whether the caller replaces the text with what the read brings (the document is then
    // loading until it comes).
    enum class ReadReplacesText { no, yes };
    // The file as it is now, decoded in the document's encoding (else detected); none when it
    // cannot be read or decoded. The document itself is left as it is.
    void readCurrentFile(ReadReplacesText replaces,
                         std::function<void(std::optional<CurrentFile>)> completion);
    // The file's identity now, with the content hash within the document's hash limit.
    void readDiskIdentity(std::function<void(std::optional<EditorCore::DiskIdentity>)> completion);
    void refreshFileModificationDate(std::optional<EditorCore::DiskIdentity> identity);

    // Saving.
    // Shows the banner that explains a blocked save.
    bool isSaveBlocked();
    bool isSaveUnsafe() const;
    // Why an explicit save to the own file would write a text that is not the file's.
    std::optional<SaveRules::SaveRefusal> explicitSaveRefusal() const;
    // The window follows the file (follow mode): its text is the file as read, not to be saved.
    bool followsFile() const;
    bool saveAsAdministrator();
    // The save command. Returns whether the document was written.
    bool saveDocument();
    // Save-as: asks for a place (the services' save panel) and saves there.
    bool saveDocumentAs();

    using SaveCompletion = std::function<void(const std::optional<DocumentFailure>&)>;
    // Every framework save, save-as and autosave passes here. The text is taken on the main
    // thread at once, as a snapshot (O(1)); the saving worker encodes it chunk by chunk into the
    // file as it goes (no copy of the text, no whole encoded copy), then reads the new disk
    // identity, and the completion runs on the main thread when the file is written (or the
    // save failed). A refusal completes before it returns. Edits made after the text was taken
    // keep the document edited.
    void saveToURL(const std::filesystem::path& url,
                   SaveOperation operation,
                   SaveCompletion completion = {});
    // A save is under way on the worker.
    bool isSaving() const { return !m_saves.empty(); }
    // Blocks until the saves under way are written and completes them; whether the last one
    // succeeded (true when none was under way).
    bool waitForSaves();
    bool refusesFrameworkSave(const std::filesystem::path& url, SaveOperation operation) const;
    bool isLocked() const;

    // Keeping (the keeping place of untitled texts and rescued edits). A failed write to it is
    // logged and leaves the document edited; the error is returned so a close can stop.
    using KeepResult = EditorCore::Result<void, std::error_code>;
    EditorStore::ScratchStore scratchStore() const;
    // Keeps an untitled document's text (an empty text deletes its entry).
    KeepResult keepScratchText();
    // How a rescue leaves the document. `handOver` (quitting, closing): the edits live in the
    // keeping place from now on and the document counts as clean. `keepEdited` (a write to the
    // file was refused while the user goes on): the entry is a copy that a crash cannot take,
    // the document stays edited, and the entry goes once the file holds the text or the edits
    // are thrown away.
    enum class RescueMode { handOver, keepEdited };
    // Keeps the unsaved edits of a file that cannot be saved safely now (with `keepEdited`,
    // also of one whose last write stopped on characters its encoding cannot hold).
    KeepResult rescueUnsavedEdits(RescueMode mode = RescueMode::handOver);
    // Forgets the untitled entry (not the rescued edits).
    void discardKeptText();
    // The document of a kept entry: untitled, in the new-document format.
    static std::unique_ptr<TextDocument>
    makeScratch(const Platform::Uuid& id,
                const QString& text,
                std::shared_ptr<DocumentServices> services = DocumentServices::shared());

    // Autosave. Screens the request (composition, never-written files, untitled, administrator,
    // blocked) and otherwise saves in place; the completion runs exactly once, before this
    // returns. A refusal the caller may take silently is reported as a user cancellation.
    void autosave(bool implicitlyCancellable, SaveCompletion completion);
    // Arms the single-shot autosave timer (when the services give a delay).
    void scheduleAutosaving();
    bool hasAutosaveScheduled() const;
    static bool isUserCancellation(const DocumentFailure& failure);

    // Ends follow mode and the file watcher, drops the window, then says the document closed.
    void close();

    // Responder: the document's actions.
    bool respondsToAction(std::string_view action) const override;
    bool validateAction(std::string_view action,
                        const EditorKit::ActionSender& sender) const override;
    void performAction(std::string_view action, const EditorKit::ActionSender& sender) override;

signals:
    void documentEditedChanged(bool edited);
    // After close(): the request handler finishes command-line waits on it.
    void documentDidClose(EditorDocuments::TextDocument* document);
    // A failed read or save that the window did not show as a banner (for an alert).
    void failureOccurred(const EditorDocuments::DocumentFailure& failure);
    // A save passed to the worker has completed (after its completion ran).
    void saveFinished(bool succeeded);

private:
    void record(EditorStore::ErrorLog::Level level,
                std::string_view key,
                const EditorStore::ErrorLog::Fields& fields) const;
    std::string pathField() const;
    void takeModificationDate();
    void didFinishSaving(SaveOperation operation,
                         bool succeeded,
                         std::optional<EditorCore::DiskIdentity> identity,
                         bool editedMeanwhile);
    void logEncoded(std::size_t byteCount) const;
    void showSaveFailure(const std::optional<DocumentFailure>& failure);
    // Logs a failed encoding; a refusal for rewritten byte forms is said once, so the next
    // save writes the table's forms.
    void noteEncodingFailure(const DocumentFailure& failure);
    // From a worker: `call` runs later on the main thread.
    static void postToMainThread(std::function<void()> call);
    struct ReadJob;
    // Runs on the reading worker (or at once, for a small file) and returns what the main
    // thread does with its result.
    using ReadWork = std::function<std::function<void()>()>;
    void readFileLater(const std::filesystem::path& url, ReadReplacesText replaces, ReadWork work);
    struct Reopened;
    void applyReload(EditorCore::TextEncoding encoding, Reopened& reopened);
    [[nodiscard]] EditorCore::Result<void, DocumentFailure>
    applyRead(const std::filesystem::path& url, ReadJob& job);
    void finishReading(const std::filesystem::path& url, ReadJob& job);
    void setLoadingNotice(bool shown);
    // `text` (in `encoding`) is now what reverting goes back to.
    void keepOpenedText(const QString& text, EditorCore::TextEncoding encoding);
    // The same for a text in chunks: flattened only when it is short enough to keep.
    void keepOpenedText(const EditorCore::TextSnapshot& text, EditorCore::TextEncoding encoding);
    // The file, as it is now, is what reverting reads again.
    void keepFileAsOpened(EditorCore::TextEncoding encoding);
    struct SaveJob;
    // Takes the save's text, format and edit count now and hands them to the saving worker.
    void takeSnapshot(const std::shared_ptr<SaveJob>& job);
    // `autosave`; without `wait` it returns once the text is taken and the write under way.
    void runAutosave(bool implicitlyCancellable, SaveCompletion completion, bool wait);
    // Completes, in order, the saves the worker has finished; whether the last one succeeded.
    bool completeSaves();

    class ChangeEncodingCommand;

    FileFormat m_format;
    EditorCore::LineEndingSummary m_lineEndings;
    std::optional<EditorCore::IndentStyle> m_indentStyle;
    EditorCore::TextSnapshot m_loadedText;
    std::optional<EditorCore::DiskIdentity> m_diskIdentity;
    std::optional<ReadOnlyReason> m_readOnlyReason;
    bool m_isExternalCopy = false;
    std::optional<LargeFileState> m_largeFile;
    std::optional<std::vector<std::uint8_t>> m_pendingBinaryHead;
    bool m_adminEditing = false;
    std::optional<std::filesystem::path> m_rescuedOrigin;
    std::optional<Platform::Uuid> m_scratchID;
    std::optional<Platform::Uuid> m_rescueID;
    std::optional<QString> m_externalTitle;
    bool m_indentChosenByUser = false;
    bool m_isWritingToDisk = false;
    std::shared_ptr<DocumentServices> m_services;
    std::optional<std::filesystem::path> m_fileURL;
    QDateTime m_fileModificationDate;
    QUndoStack* m_undoStack = nullptr;
    std::unique_ptr<DocumentWindow> m_windowController;
    DocumentWindow* m_editor = nullptr;
    EditorKit::OncePerTurn m_statusUpdate{this, [this] {
                                              if (auto* window = editor())
                                                  window->updateStatusBar();
                                          }};
    // Bumped by every read, reload and close; a worker's result for an older one is dropped.
    std::uint64_t m_readGeneration = 0;
    bool m_loading = false;
    bool m_loadingNoticeShown = false;
    ReadCompletion m_readCompletion;
    std::optional<QString> m_openedText;
    // The opened text is not kept: reverting reads the file, in this encoding.
    bool m_revertReadsFile = false;
    EditorCore::TextEncoding m_openedEncoding = EditorCore::TextEncoding::utf8;
    // Bumped by every change of the undo stack's index and every counted edit: a save compares
    // it with the value its text was taken at.
    std::uint64_t m_editCount = 0;
    std::vector<std::shared_ptr<SaveJob>> m_saves;
    QTimer* m_autosaveTimer = nullptr;
    bool m_lastSaveSucceeded = true;
    // The last write to the own file stopped on characters its encoding cannot hold.
    bool m_writeRefused = false;
    // The entry of `rescueID` holds edits handed over (the document counted them as saved),
    // not only a copy of edits still open here; it goes only once the file holds the text.
    bool m_rescueHandedOver = false;
    // The edit count the `keepEdited` entry was last written at.
    std::optional<std::uint64_t> m_rescuedAtEdit;
    // A refused write: the edits go to the keeping place at once, the document stays edited.
    void keepRefusedEdits();
    // The document is clean again: a copy of edits that are gone is not brought back.
    void dropRescueCopy();
};

} // namespace EditorDocuments

Q_DECLARE_METATYPE(EditorDocuments::DocumentFailure)
