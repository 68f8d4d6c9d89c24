#include "app/documents/TextDocument.h"

#include "app/documents/DocumentReading.h"
#include "app/documents/DocumentTexts.h"
#include "app/kit/Utf16.h"
#include "app/documents/SnapshotStrings.h"
#include "platform/Files.h"
#include "platform/SystemLog.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QThread>
#include <QTimer>
#include <QUndoCommand>

#include <chrono>

namespace EditorDocuments {

using EditorCore::DiskIdentity;
using EditorStore::ErrorLog;

namespace {

void checkMainThread()
{
    Q_ASSERT(QCoreApplication::instance() == nullptr
             || QThread::currentThread() == QCoreApplication::instance()->thread());
}

void logDocument(Platform::SystemLog::Level level, const QString& message)
{
    Platform::SystemLog::write("app.orlune.viewer", "document", level, message.toStdString());
}

QString pathText(const std::filesystem::path& path)
{
    return QString::fromStdString(path.string());
}

} // namespace

// The encoding change as one undoable step; undoing it changes the encoding back through the
// same operation, so redo and undo behave alike.
class TextDocument::ChangeEncodingCommand : public QUndoCommand
{
public:
    ChangeEncodingCommand(TextDocument& document,
                          EditorCore::TextEncoding before,
                          bool beforeMark,
                          EditorCore::TextEncoding after,
                          bool afterMark,
                          const QString& actionName)
        : QUndoCommand(actionName)
        , m_document(&document)
        , m_before{before, beforeMark}
        , m_after{after, afterMark}
    {}

    void undo() override { apply(m_before); }
    void redo() override { apply(m_after); }

private:
    struct State
    {
        EditorCore::TextEncoding encoding;
        bool mark;
    };
    void apply(const State& state)
    {
        if (!m_document)
            return;
        m_document->m_format.encoding = state.encoding;
        m_document->m_format.hasByteOrderMark = state.mark;
        if (auto* editor = m_document->editor())
            editor->updateStatusBar();
    }

    QPointer<TextDocument> m_document;
    State m_before;
    State m_after;
};

struct TextDocument::ReadJob
{
    std::optional<EditorCore::Result<DocumentReading::ReadOutcome, DocumentReading::ReadError>>
        outcome;
    EditorCore::TextSnapshot text;
    // Built beside the reading, off the interface thread, for the window to take over.
    std::optional<EditorCore::LineIndex> lines;
    // A copy of a short text for reverting, made off the interface thread so that the window's
    // text stays its own and the first key press copies nothing.
    std::optional<QString> opened;
};

void TextDocument::postToMainThread(std::function<void()> call)
{
    // Gone only while the process ends; the result then has nobody to go to.
    if (auto* application = QCoreApplication::instance())
        QMetaObject::invokeMethod(application, std::move(call), Qt::QueuedConnection);
}

TextDocument::TextDocument(std::shared_ptr<DocumentServices> services, QObject* parent)
    : QObject(parent)
    , m_services(std::move(services))
    , m_undoStack(new QUndoStack(this))
{
    if (m_services->newDocumentFormat)
        m_format = m_services->newDocumentFormat();
    connect(m_undoStack, &QUndoStack::cleanChanged, this, [this](bool clean) {
        if (clean)
            dropRescueCopy();
        scheduleMainQueueUpdate();
        emit documentEditedChanged(!clean);
    });
    connect(m_undoStack, &QUndoStack::indexChanged, this, [this] {
        ++m_editCount;
        if (!m_undoStack->isClean())
            scheduleAutosaving();
    });
}

TextDocument::~TextDocument()
{
    // A save's bytes reach the disk even when its document goes first.
    if (!m_saves.empty())
        m_services->savingQueue->waitUntilIdle();
}

void TextDocument::setFileURL(std::optional<std::filesystem::path> url)
{
    m_fileURL = std::move(url);
}

void TextDocument::updateChangeCount(ChangeType change)
{
    checkMainThread();
    if (change == ChangeType::changeCleared) {
        m_undoStack->setClean();
    } else {
        ++m_editCount;
        m_undoStack->resetClean();
        scheduleAutosaving();
    }
    scheduleMainQueueUpdate();
}

void TextDocument::makeWindowControllers()
{
    checkMainThread();
    if (m_windowController || !m_services->makeWindowController)
        return;
    m_windowController = m_services->makeWindowController(*this);
    m_editor = m_windowController.get();
    // A text made here (untitled, kept, handed over) is opened as it is; a file's read keeps
    // its own when it arrives.
    if (!m_openedText && !m_revertReadsFile)
        keepOpenedText(m_loadedText, m_format.encoding);
    // The window holds the text now; the document lets go of its reference to the chunks.
    if (m_editor)
        m_loadedText = {};
}

void TextDocument::removeWindowController()
{
    if (m_editor)
        m_loadedText = snapshotOf(m_editor->text());
    m_editor = nullptr;
    m_windowController.reset();
}

std::optional<QString> TextDocument::computedDisplayName() const
{
    if (m_externalTitle)
        return *m_externalTitle;
    if (!m_fileURL && m_rescuedOrigin)
        return DocumentTexts::rescuedTitle(pathText(m_rescuedOrigin->filename()));
    if (!m_fileURL) {
        if (m_services->scratchTitle) {
            // Asked at every refresh of the title: only the first line's start is read.
            const std::u16string source =
                EditorStore::ScratchStore::titleSource(m_editor ? m_editor->snapshot() : m_loadedText);
            if (auto title = m_services->scratchTitle(source))
                return QString::fromStdU16String(*title);
        }
        return DocumentTexts::untitledName();
    }
    return pathText(m_fileURL->filename());
}

QString TextDocument::displayName() const
{
    return computedDisplayName().value_or(QString());
}

QString TextDocument::currentText() const
{
    return m_editor ? m_editor->text() : flatText(m_loadedText);
}

EditorCore::TextSnapshot TextDocument::currentSnapshot() const
{
    if (m_editor)
        return m_editor->snapshot();
    return m_loadedText;
}

void TextDocument::scheduleMainQueueUpdate()
{
    m_statusUpdate.schedule();
}

void TextDocument::changeEncoding(EditorCore::TextEncoding encoding,
                                  bool keepByteOrderMark,
                                  const QString& actionName)
{
    checkMainThread();
    const bool mark = keepByteOrderMark && EditorCore::supportsByteOrderMark(encoding);
    if (m_format.encoding == encoding && m_format.hasByteOrderMark == mark)
        return;
    // push() runs redo(), which applies the change and refreshes the status bar.
    m_undoStack->push(new ChangeEncodingCommand(
        *this, m_format.encoding, m_format.hasByteOrderMark, encoding, mark, actionName));
}

void TextDocument::chooseIndentStyle(EditorCore::IndentStyle style)
{
    checkMainThread();
    m_indentStyle = style;
    m_indentChosenByUser = true;
    if (m_editor) {
        m_editor->applyDisplayOptions();
        m_editor->updateStatusBar();
    }
}

void TextDocument::clearIndentStyle()
{
    checkMainThread();
    m_indentStyle.reset();
    m_indentChosenByUser = false;
    if (m_editor) {
        m_editor->applyDisplayOptions();
        m_editor->updateStatusBar();
    }
}

void TextDocument::setLoadedText(EditorCore::TextSnapshot text)
{
    m_loadedText = std::move(text);
}

void TextDocument::setLoadedText(const QString& text)
{
    m_loadedText = snapshotOf(text);
}

void TextDocument::chooseReadOnly()
{
    checkMainThread();
    if (m_readOnlyReason)
        return;
    m_readOnlyReason = ReadOnlyReason::userChose;
    if (m_editor)
        m_editor->applyEditability();
}

void TextDocument::clearReadOnlyReason()
{
    checkMainThread();
    m_readOnlyReason.reset();
    if (m_editor)
        m_editor->applyEditability();
}

void TextDocument::beginAdminEditing()
{
    checkMainThread();
    if (m_readOnlyReason != ReadOnlyReason::noPermission || !m_fileURL)
        return;
    m_adminEditing = true;
    m_readOnlyReason.reset();
    if (m_editor)
        m_editor->applyEditability();
}

std::unique_ptr<TextDocument> TextDocument::makeExternalCopy(const TextDocument& source,
                                                             const QString& text)
{
    auto copy = std::make_unique<TextDocument>(source.m_services);
    copy->m_isExternalCopy = true;
    copy->m_readOnlyReason = ReadOnlyReason::externalCopy;
    copy->m_loadedText = snapshotOf(text);
    copy->m_format = source.m_format;
    copy->m_lineEndings = EditorCore::LineEndingSummary(std::u16string_view(
        reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())));
    copy->m_indentStyle.reset();
    copy->m_externalTitle =
        DocumentTexts::externalCopyTitle(source.computedDisplayName().value_or(QString()));
    return copy;
}

std::uint64_t TextDocument::largeFileThreshold() const
{
    checkMainThread();
    return DocumentReading::largeFileThreshold(m_services->largeFileMB ? m_services->largeFileMB()
                                                                       : 100);
}

EditorCore::Result<void, DocumentFailure>
TextDocument::readFromURL(const std::filesystem::path& url)
{
    checkMainThread();
    ++m_readGeneration;
    DocumentReading::Environment environment;
    environment.largeFileThreshold = largeFileThreshold();
    environment.fileMemory = m_services->fileMemory;
    if (m_services->isWritable)
        environment.isWritable = m_services->isWritable;

    ReadJob job;
    job.outcome = DocumentReading::readFile(url, environment);
    if (*job.outcome) {
        if (auto* read = std::get_if<DocumentReading::OrdinaryText>(&**job.outcome))
            job.text = std::move(read->loaded.text);
    }
    return applyRead(url, job);
}

void TextDocument::beginReadingFromURL(const std::filesystem::path& url, ReadCompletion completion)
{
    checkMainThread();
    const auto generation = ++m_readGeneration;
    m_fileURL = url;
    m_loading = true;
    m_readCompletion = std::move(completion);
    if (m_editor)
        m_editor->applyEditability();

    // The worker touches neither the services nor the document: what they would answer is
    // asked here.
    DocumentReading::Environment environment;
    environment.largeFileThreshold = largeFileThreshold();
    const auto remembered = m_services->fileMemory.rememberedEncoding(url);
    environment.fileMemory.entry =
        [remembered](const std::filesystem::path&) -> std::optional<RememberedFile> {
        return RememberedFile{remembered};
    };
    const bool writable = m_services->isWritable ? m_services->isWritable(url)
                                                 : DocumentReading::isWritableByUser(url);
    environment.isWritable = [writable](const std::filesystem::path&) { return writable; };

    QPointer<TextDocument> self(this);
    m_services->readingQueue->async([self, generation, url, environment] {
        auto job = std::make_shared<ReadJob>();
        job->outcome = DocumentReading::readFile(url, environment);
        if (*job->outcome
            && std::holds_alternative<DocumentReading::OrdinaryText>(**job->outcome)) {
            // Decoded into chunks and indexed by the read, with its line endings.
            auto& read = std::get<DocumentReading::OrdinaryText>(**job->outcome);
            job->text = std::move(read.loaded.text);
            job->lines = std::move(read.loaded.lines);
            if (job->text.length() <= keptOpenedTextUpTo)
                job->opened = flatText(job->text);
        }
        postToMainThread([self, generation, url, job] {
            if (!self || self->m_readGeneration != generation)
                return;
            self->finishReading(url, *job);
        });
    });

    QTimer::singleShot(loadingNoticeDelayMilliseconds, this, [this, generation] {
        if (m_loading && m_readGeneration == generation)
            setLoadingNotice(true);
    });
}

void TextDocument::setLoadingNotice(bool shown)
{
    if (m_loadingNoticeShown == shown)
        return;
    m_loadingNoticeShown = shown;
    if (m_editor)
        m_editor->setLoading(shown);
}

void TextDocument::finishReading(const std::filesystem::path& url, ReadJob& job)
{
    m_loading = false;
    setLoadingNotice(false);
    auto completion = std::move(m_readCompletion);
    m_readCompletion = {};
    auto applied = applyRead(url, job);
    if (!applied) {
        if (m_editor)
            m_editor->applyEditability();
        if (completion)
            completion(applied.error());
        return;
    }
    if (m_editor) {
        m_editor->replaceAllText(std::exchange(m_loadedText, {}), std::move(job.lines));
        job.lines.reset();
        m_editor->applyDisplayOptions();
        m_editor->applyEditability();
    }
    m_undoStack->clear();
    updateChangeCount(ChangeType::changeCleared);
    if (completion)
        completion(std::nullopt);
}

EditorCore::Result<void, DocumentFailure> TextDocument::applyRead(const std::filesystem::path& url,
                                                                  ReadJob& job)
{
    auto& outcome = *job.outcome;
    if (!outcome) {
        const auto& error = outcome.error();
        DocumentFailure failure =
            std::visit([](const auto& cause) { return DocumentFailure{cause}; }, error.cause);
        if (error.stage == DocumentReading::ReadError::Stage::wholeFile) {
            record(ErrorLog::Level::error,
                   "open.read",
                   {{"path", url.string()},
                    {"size", std::to_string(error.size)},
                    {"err", describeForLog(failure)}});
        }
        return EditorCore::failure(std::move(failure));
    }

    bool isText = false;
    std::visit(
        [this, &job, &isText](auto& read) {
            using T = std::decay_t<decltype(read)>;
            if constexpr (std::is_same_v<T, DocumentReading::OrdinaryText>) {
                isText = true;
                m_loadedText = std::move(job.text);
                m_format = read.loaded.format;
                m_lineEndings = read.loaded.lineEndings;
                m_indentStyle = read.loaded.indentStyle;
                m_diskIdentity = read.diskIdentity;
                // The user's own read-only choice, made while the text was being read, stays.
                if (!read.isWritable && m_readOnlyReason != ReadOnlyReason::userChose)
                    m_readOnlyReason = ReadOnlyReason::noPermission;
            } else if constexpr (std::is_same_v<T, DocumentReading::LargeFile>) {
                m_largeFile = read.state;
                m_diskIdentity = read.diskIdentity;
                m_format = read.format;
                if (read.binaryHead)
                    m_pendingBinaryHead = std::move(read.binaryHead);
                else
                    m_readOnlyReason = ReadOnlyReason::largeFile;
            } else {
                m_pendingBinaryHead = std::move(read.head);
                m_format = read.format;
                m_diskIdentity = read.diskIdentity;
            }
        },
        *outcome);
    m_fileURL = url;
    if (isText) {
        if (job.opened)
            keepOpenedText(*std::move(job.opened), m_format.encoding);
        else
            keepOpenedText(m_loadedText, m_format.encoding);
    } else {
        // A large file's text is loaded by the window and read again to revert; a file that
        // is not text has none until the user chooses to look at it.
        if (m_largeFile) {
            keepFileAsOpened(m_format.encoding);
        } else {
            m_openedText.reset();
            m_revertReadsFile = false;
        }
    }
    takeModificationDate();
    return {};
}

void TextDocument::keepOpenedText(const QString& text, EditorCore::TextEncoding encoding)
{
    m_openedEncoding = encoding;
    m_revertReadsFile = m_fileURL.has_value() && text.size() > keptOpenedTextUpTo;
    if (m_revertReadsFile)
        m_openedText.reset();
    else
        m_openedText = text;
}

void TextDocument::keepOpenedText(const EditorCore::TextSnapshot& text,
                                  EditorCore::TextEncoding encoding)
{
    m_openedEncoding = encoding;
    m_revertReadsFile = m_fileURL.has_value() && text.length() > keptOpenedTextUpTo;
    if (m_revertReadsFile)
        m_openedText.reset();
    else
        m_openedText = flatText(text);
}

void TextDocument::keepFileAsOpened(EditorCore::TextEncoding encoding)
{
    m_openedEncoding = encoding;
    m_revertReadsFile = true;
    m_openedText.reset();
}

void TextDocument::readOpenedText(OpenedTextCompletion done)
{
    checkMainThread();
    if (!m_revertReadsFile || !m_fileURL) {
        done(m_openedText);
        return;
    }
    // The file holds the opened text only while nobody else has written it.
    QPointer<TextDocument> self(this);
    m_services->readingQueue->async([self,
                                     generation = m_readGeneration,
                                     url = *m_fileURL,
                                     stored = m_diskIdentity,
                                     encoding = m_openedEncoding,
                                     done] {
        auto text = std::make_shared<std::optional<QString>>();
        if (stored && DiskIdentity::compare(*stored, url).change == DiskIdentity::Change::same) {
            auto bytes = Platform::readWholeFile(url);
            if (bytes) {
                auto loaded = DocumentReading::reloadWithEncoding(*bytes, encoding);
                bytes = {};
                if (loaded)
                    *text = flatText(loaded->text);
            }
        }
        postToMainThread([self, generation, text, done] {
            if (!self || self->m_readGeneration != generation)
                return;
            done(std::move(*text));
        });
    });
}

EditorCore::Result<void, DocumentFailure>
TextDocument::readFromData(std::span<const std::uint8_t> bytes)
{
    checkMainThread();
    auto loaded = DocumentReading::readData(bytes);
    if (!loaded)
        return EditorCore::failure(DocumentFailure{loaded.error()});
    m_loadedText = std::move(loaded->text);
    m_format = loaded->format;
    m_lineEndings = loaded->lineEndings;
    m_indentStyle = loaded->indentStyle;
    keepOpenedText(m_loadedText, m_format.encoding);
    return {};
}

std::optional<CurrentFile> readCurrentFile(const std::filesystem::path& url,
                                           EditorCore::TextEncoding encoding)
{
    // The attributes first, then the bytes, which give the hash: read the other way round, a
    // write in between would pair new attributes with the old bytes' text.
    CurrentFile current;
    current.identity = DiskIdentity::read(url, 0);
    auto bytes = Platform::readWholeFile(url);
    if (!bytes)
        return std::nullopt;
    if (current.identity) {
        current.identity->contentHash.reset();
        if (bytes->size() == current.identity->size
            && bytes->size() <= DiskIdentity::documentHashLimit)
            current.identity->contentHash = DiskIdentity::fnv1a(*bytes);
    }
    // The document's encoding first; its format stays as it is either way.
    std::optional<Loaded> loaded;
    if (auto chosen = DocumentReading::reloadWithEncoding(*bytes, encoding))
        loaded = std::move(*chosen);
    else if (auto detected = DocumentReading::readData(*bytes))
        loaded = std::move(*detected);
    else
        return std::nullopt;
    bytes = {};
    current.text = std::move(loaded->text);
    current.lines = std::move(loaded->lines);
    current.lineEndings = loaded->lineEndings;
    return current;
}

void TextDocument::readFileLater(const std::filesystem::path& url,
                                 ReadReplacesText replaces,
                                 ReadWork work)
{
    std::error_code error;
    const auto size = std::filesystem::file_size(url, error);
    if (error || size < m_services->backgroundReadLength) {
        // A small file reads faster than a window could show that it is loading.
        work()();
        return;
    }
    QPointer<TextDocument> self(this);
    if (replaces == ReadReplacesText::no) {
        m_services->readingQueue->async([self, work] {
            auto apply = work();
            postToMainThread([self, apply] {
                if (self)
                    apply();
            });
        });
        return;
    }
    // The text is replaced when the read is done: until then nothing may be typed into it.
    const auto generation = ++m_readGeneration;
    m_loading = true;
    m_readCompletion = {};
    if (m_editor)
        m_editor->applyEditability();
    m_services->readingQueue->async([self, generation, work] {
        auto apply = work();
        postToMainThread([self, generation, apply] {
            if (!self || self->m_readGeneration != generation)
                return;
            self->m_loading = false;
            self->setLoadingNotice(false);
            if (self->m_editor)
                self->m_editor->applyEditability();
            apply();
        });
    });
    QTimer::singleShot(loadingNoticeDelayMilliseconds, this, [this, generation] {
        if (m_loading && m_readGeneration == generation)
            setLoadingNotice(true);
    });
}

void TextDocument::openNotTextReadOnly(NotTextCompletion completion)
{
    checkMainThread();
    m_pendingBinaryHead.reset();
    m_readOnlyReason = ReadOnlyReason::notText;
    if (m_largeFile || !m_fileURL) {
        if (completion)
            completion(std::optional<EditorCore::TextSnapshot>(), {});
        return;
    }
    const auto url = *m_fileURL;
    QPointer<TextDocument> self(this);
    readFileLater(url, ReadReplacesText::yes, [self, url, completion]() -> std::function<void()> {
        auto bytes = Platform::readWholeFile(url);
        if (!bytes) {
            DocumentFailure failure{bytes.error()};
            return [completion, failure] {
                if (completion)
                    completion(EditorCore::failure(failure), {});
            };
        }
        auto loaded = std::make_shared<Loaded>(DocumentReading::latin1Loaded(*bytes));
        bytes = {};
        return [self, completion, loaded] {
            if (self)
                self->keepOpenedText(loaded->text, EditorCore::TextEncoding::isoLatin1);
            if (completion)
                completion(std::optional<EditorCore::TextSnapshot>(loaded->text),
                           std::move(loaded->lines));
        };
    });
}

struct TextDocument::Reopened
{
    EditorCore::TextSnapshot text;
    EditorCore::LineIndex lines;
    FileFormat format;
    EditorCore::LineEndingSummary lineEndings;
    std::optional<EditorCore::IndentStyle> indentStyle;
};

void TextDocument::reload(EditorCore::TextEncoding encoding, ReloadCompletion completion)
{
    checkMainThread();
    if (!m_fileURL) {
        if (completion)
            completion(false);
        return;
    }
    const auto url = *m_fileURL;
    QPointer<TextDocument> self(this);
    readFileLater(
        url, ReadReplacesText::yes, [self, url, encoding, completion]() -> std::function<void()> {
            auto fail = [completion](DocumentFailure failure) -> std::function<void()> {
                return [completion, failure] {
                    if (completion)
                        completion(EditorCore::failure(failure));
                };
            };
            auto bytes = Platform::readWholeFile(url);
            if (!bytes)
                return fail(DocumentFailure{bytes.error()});
            auto loaded = DocumentReading::reloadWithEncoding(*bytes, encoding);
            bytes = {};
            if (!loaded)
                return fail(DocumentFailure{loaded.error()});
            auto reopened = std::make_shared<Reopened>();
            reopened->text = std::move(loaded->text);
            reopened->lines = std::move(loaded->lines);
            reopened->format = loaded->format;
            reopened->lineEndings = loaded->lineEndings;
            reopened->indentStyle = loaded->indentStyle;
            return [self, encoding, completion, reopened] {
                if (!self)
                    return;
                self->applyReload(encoding, *reopened);
                if (completion)
                    completion(true);
            };
        });
}

void TextDocument::applyReload(EditorCore::TextEncoding encoding, Reopened& reopened)
{
    m_loadedText = std::move(reopened.text);
    m_format = reopened.format;
    m_lineEndings = reopened.lineEndings;
    m_indentStyle = reopened.indentStyle;
    // The whole file now decodes in the user's encoding: the "not text" question is answered,
    // and the text is the file's, so a save may write it.
    m_pendingBinaryHead.reset();
    keepOpenedText(m_loadedText, m_format.encoding);
    if (m_fileURL && m_services->fileMemory.rememberEncoding)
        (void)m_services->fileMemory.rememberEncoding(
            encoding, *m_fileURL, std::chrono::system_clock::now());
    // A read still under way is for the text this one replaces.
    ++m_readGeneration;
    const bool wasLoading = m_loading;
    m_loading = false;
    m_readCompletion = {};
    setLoadingNotice(false);
    if (m_editor) {
        m_editor->replaceAllText(std::exchange(m_loadedText, {}), std::move(reopened.lines));
        m_editor->setHasUnsavedEdits(false);
        if (wasLoading)
            m_editor->applyEditability();
    }
    m_undoStack->clear();
    updateChangeCount(ChangeType::changeCleared);
    logDocument(Platform::SystemLog::Level::notice,
                QStringLiteral("다시 열기 %1")
                    .arg(QString::fromLatin1(EditorCore::rawValue(encoding).data())));
}

void TextDocument::readCurrentFile(ReadReplacesText replaces,
                                   std::function<void(std::optional<CurrentFile>)> completion)
{
    checkMainThread();
    if (!m_fileURL) {
        if (completion)
            completion(std::nullopt);
        return;
    }
    const auto url = *m_fileURL;
    const auto encoding = m_format.encoding;
    readFileLater(url, replaces, [url, encoding, completion]() -> std::function<void()> {
        auto current = std::make_shared<std::optional<CurrentFile>>(
            EditorDocuments::readCurrentFile(url, encoding));
        return [completion, current] {
            if (completion)
                completion(std::move(*current));
        };
    });
}

void TextDocument::readDiskIdentity(
    std::function<void(std::optional<EditorCore::DiskIdentity>)> completion)
{
    checkMainThread();
    if (!m_fileURL) {
        if (completion)
            completion(std::nullopt);
        return;
    }
    const auto url = *m_fileURL;
    readFileLater(url, ReadReplacesText::no, [url, completion]() -> std::function<void()> {
        auto identity = DiskIdentity::read(url, DiskIdentity::documentHashLimit);
        return [completion, identity] {
            if (completion)
                completion(identity);
        };
    });
}

void TextDocument::refreshFileModificationDate(std::optional<DiskIdentity> identity)
{
    m_diskIdentity = std::move(identity);
    takeModificationDate();
}

void TextDocument::takeModificationDate()
{
    if (!m_fileURL)
        return;
    QFileInfo info(pathText(*m_fileURL));
    auto date = info.lastModified();
    if (info.exists() && date.isValid())
        m_fileModificationDate = date;
}

void TextDocument::close()
{
    checkMainThread();
    ++m_readGeneration;
    m_loading = false;
    m_readCompletion = {};
    waitForSaves();
    if (m_editor)
        m_editor->stopWatching();
    removeWindowController();
    emit documentDidClose(this);
}

bool TextDocument::respondsToAction(std::string_view action) const
{
    return action == "saveDocument:" || action == "saveDocumentAs:";
}

bool TextDocument::validateAction(std::string_view action, const EditorKit::ActionSender&) const
{
    return respondsToAction(action);
}

void TextDocument::performAction(std::string_view action, const EditorKit::ActionSender&)
{
    if (action == "saveDocument:")
        saveDocument();
    else if (action == "saveDocumentAs:")
        saveDocumentAs();
}

void TextDocument::record(ErrorLog::Level level,
                          std::string_view key,
                          const ErrorLog::Fields& fields) const
{
    if (m_services->record)
        m_services->record(level, key, fields);
}

std::string TextDocument::pathField() const
{
    return m_fileURL ? m_fileURL->string() : std::string("untitled");
}

} // namespace EditorDocuments
