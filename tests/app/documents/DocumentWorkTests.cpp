// Reading and saving on the workers: results that come back late, the loading state, and
// edits made while a save is written.
#include "app/documents/DocumentController.h"
#include "tests/app/EventLoopWaits.h"
#include "tests/app/documents/DocumentFixture.h"

#include <QElapsedTimer>
#include <QUndoCommand>

#include <chrono>
#include <future>
#include <thread>

using namespace EditorDocuments;
using EditorCore::TextEncoding;

namespace {

// Holds a worker queue until opened, so that a test acts while the jobs behind it wait.
class QueueGate
{
public:
    explicit QueueGate(Platform::SerialQueue& queue)
    {
        auto opened = m_open.get_future().share();
        queue.async([opened] { opened.wait(); });
    }
    ~QueueGate()
    {
        if (m_opener.joinable())
            m_opener.join();
        open();
    }
    QueueGate(const QueueGate&) = delete;
    QueueGate& operator=(const QueueGate&) = delete;

    void open()
    {
        if (!m_opened) {
            m_opened = true;
            m_open.set_value();
        }
    }
    // Opens the gate from another thread after `delay`, while this one goes on or waits for
    // the jobs behind it.
    void openAfter(std::chrono::milliseconds delay)
    {
        m_opener = std::thread([this, delay] {
            std::this_thread::sleep_for(delay);
            open();
        });
    }

private:
    std::promise<void> m_open;
    bool m_opened = false;
    std::thread m_opener;
};

// Lets every result the reading worker has posted reach the main thread.
void drainReads(DocumentServices& services)
{
    services.readingQueue->waitUntilIdle();
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

// A step on the undo stack that changes the window's text.
class TypingCommand : public QUndoCommand
{
public:
    TypingCommand(FakeWindow& window, QString text)
        : m_window(window)
        , m_after(std::move(text))
        , m_before(window.shownText)
    {}
    void redo() override { m_window.shownText = m_after; }
    void undo() override { m_window.shownText = m_before; }

private:
    FakeWindow& m_window;
    QString m_after;
    QString m_before;
};

} // namespace

TEST_F(DocumentTest, backgroundReadShowsLoadingThenHandsTheTextToTheWindow)
{
    writeBytes(folder / "a.txt", "\tone\r\n\ttwo\r\n");
    TextDocument document(services);
    document.makeWindowControllers();
    window = lastWindow;

    QueueGate gate(*services->readingQueue);
    int completions = 0;
    document.beginReadingFromURL(folder / "a.txt",
                                 [&](const std::optional<DocumentFailure>& failure) {
                                     ++completions;
                                     EXPECT_FALSE(failure.has_value());
                                 });
    EXPECT_TRUE(document.isLoading());
    EXPECT_EQ(document.fileURL(), folder / "a.txt") << "the tab names its file at once";
    EXPECT_FALSE(window->called("loading")) << "a quick read shows no notice";
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->called("loading"); }, 5'000));
    EXPECT_EQ(completions, 0);
    EXPECT_FALSE(document.saveDocument()) << "the empty text of a loading file is not written";
    EXPECT_FALSE(document.isSaving());

    gate.open();
    drainReads(*services);
    EXPECT_FALSE(document.isLoading());
    EXPECT_EQ(completions, 1);
    EXPECT_EQ(window->shownText, QStringLiteral("\tone\r\n\ttwo\r\n"));
    EXPECT_TRUE(window->called("loaded"));
    EXPECT_TRUE(document.loadedText().isEmpty()) << "the window holds the only copy";
    EXPECT_EQ(document.lineEndings().dominant(), EditorCore::LineEnding::crlf);
    EXPECT_EQ(document.diskIdentity(),
              EditorCore::DiskIdentity::read(folder / "a.txt",
                                             EditorCore::DiskIdentity::documentHashLimit));
    EXPECT_FALSE(document.isDocumentEdited());
    EXPECT_EQ(readBytes(folder / "a.txt"), bytesOf("\tone\r\n\ttwo\r\n"));
}

TEST_F(DocumentTest, everyReadOnTheWorkerHandsOverTheLineIndexCountedWithItsEndings)
{
    // Every kind of break, so that an index or a count taken from the wrong text shows.
    const std::string bytes = "a\r\nb\nc\rd\xE2\x80\xA8"
                              "e\r\n\r";
    writeBytes(folder / "a.txt", bytes);
    services->backgroundReadLength = 1;
    auto view = [](const QString& text) {
        return std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                   static_cast<std::size_t>(text.size()));
    };
    TextDocument document(services);
    document.makeWindowControllers();
    window = lastWindow;

    document.beginReadingFromURL(folder / "a.txt");
    drainReads(*services);
    ASSERT_TRUE(window->givenLines) << "the open";
    EXPECT_EQ(*window->givenLines, EditorCore::LineIndex(view(window->shownText)));
    EXPECT_EQ(document.lineEndings(), EditorCore::LineEndingSummary(view(window->shownText)));

    window->givenLines.reset();
    document.reload(TextEncoding::isoLatin1);
    drainReads(*services);
    ASSERT_TRUE(window->givenLines) << "the reopen in another encoding";
    EXPECT_EQ(window->shownText.size(), static_cast<qsizetype>(bytes.size()));
    EXPECT_EQ(*window->givenLines, EditorCore::LineIndex(view(window->shownText)));
    EXPECT_EQ(document.lineEndings(), EditorCore::LineEndingSummary(view(window->shownText)));

    std::optional<EditorDocuments::CurrentFile> current;
    document.readCurrentFile(TextDocument::ReadReplacesText::yes,
                             [&](auto read) { current = std::move(read); });
    drainReads(*services);
    ASSERT_TRUE(current) << "the read as it is now";
    const std::u16string currentText = current->text.text();
    EXPECT_EQ(current->lines, EditorCore::LineIndex(currentText));
    EXPECT_EQ(current->lineEndings, EditorCore::LineEndingSummary(currentText));
    EXPECT_EQ(current->lineEndings.crlf, 2);
    EXPECT_EQ(current->lineEndings.cr, 2);
    EXPECT_EQ(current->lineEndings.lf, 1);

    std::optional<EditorCore::LineIndex> notTextLines;
    std::optional<QString> notText;
    document.openNotTextReadOnly([&](const auto& opened, EditorCore::LineIndex lines) {
        ASSERT_TRUE(opened && opened->has_value());
        notText = flatText(**opened);
        notTextLines = std::move(lines);
    });
    drainReads(*services);
    ASSERT_TRUE(notText && notTextLines) << "the not-text open";
    EXPECT_EQ(notText->size(), static_cast<qsizetype>(bytes.size()));
    EXPECT_EQ(*notTextLines, EditorCore::LineIndex(view(*notText)));
}

TEST_F(DocumentTest, staleReadIsDroppedNeverApplied)
{
    struct Case
    {
        const char* name;
        // What happens while the first read waits; the text the window then shows.
        std::function<void(std::unique_ptr<TextDocument>&)> meanwhile;
        QString shownAfter;
    };
    const std::vector<Case> cases{
        {"reloaded in another encoding",
         [&](std::unique_ptr<TextDocument>& document) {
             ASSERT_TRUE(reloadAndWait(*document, TextEncoding::isoLatin1).has_value());
         },
         QStringLiteral("second\n")},
        {"read again",
         [&](std::unique_ptr<TextDocument>& document) {
             document->beginReadingFromURL(folder / "a.txt");
         },
         QStringLiteral("second\n")},
        {"closed", [&](std::unique_ptr<TextDocument>& document) { document->close(); }, {}},
        {"deleted", [&](std::unique_ptr<TextDocument>& document) { document.reset(); }, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writeBytes(folder / "a.txt", "first\n");
        auto document = std::make_unique<TextDocument>(services);
        document->makeWindowControllers();
        window = lastWindow;
        window->shownText.clear();

        int firstCompletions = 0;
        {
            QueueGate gate(*services->readingQueue);
            document->beginReadingFromURL(
                folder / "a.txt",
                [&](const std::optional<DocumentFailure>&) { ++firstCompletions; });
            // Runs on the worker before the first read's result comes back.
            services->readingQueue->async([&] { writeBytes(folder / "a.txt", "second\n"); });
            gate.open();
            services->readingQueue->waitUntilIdle();
            c.meanwhile(document);
        }
        drainReads(*services);

        EXPECT_EQ(firstCompletions, 0);
        if (document && document->editor()) {
            EXPECT_EQ(window->shownText, c.shownAfter);
            EXPECT_FALSE(document->isLoading());
        }
    }
}

TEST_F(DocumentTest, editsDuringASaveKeepTheDocumentEditedAndTheFileTheSnapshot)
{
    struct Case
    {
        const char* name;
        std::function<void(TextDocument&, const QString&)> type;
        std::string snapshot;
    };
    auto counted = [&](TextDocument& d, const QString& text) { edit(d, text); };
    const std::vector<Case> cases{
        {"counted edit", counted, "snapshot\n"},
        {"undo step",
         [&](TextDocument& d, const QString& text) {
             d.undoStack()->push(new TypingCommand(*window, text));
         },
         "snapshot\n"},
        // A large text is copied for the save instead of shared with the window.
        {"counted edit of a large text", counted, std::string(1'500'000, 'L') + "\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writeBytes(folder / "s.txt", "old\n");
        auto document = open("s.txt");
        const QString snapshot = QString::fromStdString(c.snapshot);
        c.type(*document, snapshot);
        {
            QueueGate gate(*services->savingQueue);
            ASSERT_TRUE(document->saveDocument());
            EXPECT_TRUE(document->isWritingToDisk());
            c.type(*document, snapshot + QStringLiteral("and more\n"));
        }
        ASSERT_TRUE(finishSaves(*document));
        EXPECT_TRUE(readBytes(folder / "s.txt") == bytesOf(c.snapshot));
        EXPECT_TRUE(document->isDocumentEdited());
        EXPECT_TRUE(window->hasUnsavedEdits);
        EXPECT_FALSE(document->isWritingToDisk());
        EXPECT_FALSE(document->isSaveBlocked()) << "the identity is the written file's";

        // Undoing back to the saved step does not claim the file holds it.
        document->undoStack()->undo();
        EXPECT_TRUE(document->isDocumentEdited());

        document->undoStack()->redo();
        ASSERT_TRUE(saveAndWait(*document));
        EXPECT_TRUE(readBytes(folder / "s.txt") == bytesOf(c.snapshot + "and more\n"));
        EXPECT_FALSE(document->isDocumentEdited());
    }
}

TEST_F(DocumentTest, closingWaitsForTheSaveUnderWay)
{
    writeBytes(folder / "c.txt", "old\n");
    auto document = open("c.txt");
    edit(*document, QStringLiteral("new\n"));
    int completions = 0;
    {
        QueueGate gate(*services->savingQueue);
        document->saveToURL(folder / "c.txt",
                            SaveOperation::save,
                            [&](const std::optional<DocumentFailure>& failure) {
                                ++completions;
                                EXPECT_FALSE(failure.has_value());
                            });
        gate.openAfter(std::chrono::milliseconds(50));
        document->close();
    }
    EXPECT_EQ(readBytes(folder / "c.txt"), bytesOf("new\n"));
    EXPECT_EQ(completions, 1) << "the completion ran before the document closed";
    EXPECT_FALSE(document->isDocumentEdited());
}

// A very long text is taken at the save command like a short one (a snapshot, no copy): what
// is typed after it is not written and keeps the document edited; a later, shorter save is
// written after it; closing waits for the long save under way.
TEST_F(DocumentTest, aVeryLongTextIsTakenAtTheCommandAndSavesKeepTheirOrder)
{
    const std::string longText = std::string(9 << 20, 'L') + "\n";
    writeBytes(folder / "v.txt", "old\n");
    auto document = open("v.txt");
    edit(*document, QString::fromStdString(longText));
    {
        QueueGate gate(*services->savingQueue);
        ASSERT_TRUE(document->saveDocument());
        edit(*document, QString::fromStdString(longText) + QStringLiteral("typed at once\n"));
        ASSERT_TRUE(document->saveDocument());
        edit(*document, QStringLiteral("short\n"));
    }
    ASSERT_TRUE(finishSaves(*document));
    EXPECT_TRUE(readBytes(folder / "v.txt") == bytesOf(longText + "typed at once\n"))
        << "the later save is last";
    EXPECT_TRUE(document->isDocumentEdited()) << "typed after the last save";

    edit(*document, QString::fromStdString(longText));
    {
        QueueGate gate(*services->savingQueue);
        ASSERT_TRUE(document->saveDocument());
        edit(*document, QString::fromStdString(longText) + QStringLiteral("typed at once\n"));
    }
    ASSERT_TRUE(finishSaves(*document));
    EXPECT_TRUE(readBytes(folder / "v.txt") == bytesOf(longText))
        << "the text as it was at the command";
    EXPECT_TRUE(document->isDocumentEdited()) << "what was typed after the command is not saved";

    edit(*document, QString::fromStdString(longText) + QStringLiteral("closing\n"));
    int completions = 0;
    {
        QueueGate gate(*services->savingQueue);
        document->saveToURL(folder / "v.txt",
                            SaveOperation::save,
                            [&](const std::optional<DocumentFailure>& failure) {
                                ++completions;
                                EXPECT_FALSE(failure.has_value());
                            });
        gate.openAfter(std::chrono::milliseconds(50));
        document->close();
    }
    EXPECT_TRUE(readBytes(folder / "v.txt") == bytesOf(longText + "closing\n"));
    EXPECT_EQ(completions, 1);
}

// The autosave waits for its own write; its timer going off while a long save is still being
// written must not hold the interface until that save is done: it comes again afterwards.
TEST_F(DocumentTest, theAutosaveTimerWaitsForNoSaveUnderWay)
{
    services->autosavingDelayMilliseconds = 30;
    writeBytes(folder / "a.txt", "one\n");
    auto document = open("a.txt");
    edit(*document, QStringLiteral("two\n"));
    {
        QueueGate gate(*services->savingQueue);
        ASSERT_TRUE(document->saveDocument());
        edit(*document, QStringLiteral("three\n"));
        gate.openAfter(std::chrono::milliseconds(1500));
        QElapsedTimer clock;
        clock.start();
        // The autosave's timer goes off while the save is still behind the gate.
        EXPECT_TRUE(OlvTests::waitPastTimersOf(
            std::chrono::milliseconds(services->autosavingDelayMilliseconds)));
        EXPECT_LT(clock.elapsed(), 1000) << "the event loop kept turning";
        EXPECT_TRUE(document->hasAutosaveScheduled());
    }
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return readBytes(folder / "a.txt") == bytesOf("three\n"); }, 5'000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !document->isDocumentEdited(); }, 5'000));
}

// The autosave after a pause in typing takes the text and lets the worker write it: the keys
// typed while it is written go on, and the next pause saves them too.
TEST_F(DocumentTest, thePausesAutosaveDoesNotHoldTheInterfaceForItsWrite)
{
    services->autosavingDelayMilliseconds = 30;
    writeBytes(folder / "a.txt", "one\n");
    auto document = open("a.txt");
    {
        QueueGate gate(*services->savingQueue);
        gate.openAfter(std::chrono::milliseconds(1500));
        edit(*document, QStringLiteral("two\n"));
        QElapsedTimer clock;
        clock.start();
        // Past the autosave's delay (30 ms): its write is on the saving queue, behind the gate.
        EXPECT_TRUE(QTest::qWaitFor([&] { return document->isSaving(); }, 1'000));
        EXPECT_LT(clock.elapsed(), 1000) << "the event loop kept turning";
        EXPECT_TRUE(document->isSaving()) << "the autosave's write waits behind the gate";
        edit(*document, QStringLiteral("three\n"));
    }
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return readBytes(folder / "a.txt") == bytesOf("three\n"); }, 5'000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !document->isDocumentEdited(); }, 5'000));
}

TEST_F(DocumentTest, controllerShowsTheWindowBeforeABackgroundReadEnds)
{
    services->backgroundReadLength = 1;
    writeBytes(folder / "big.txt", "big text\n");
    DocumentController controller(services);

    TextDocument* opened = nullptr;
    {
        QueueGate gate(*services->readingQueue);
        controller.openURL(folder / "big.txt",
                           true,
                           [&](TextDocument* document,
                               bool,
                               const std::optional<DocumentFailure>&) { opened = document; });
        ASSERT_NE(opened, nullptr);
        EXPECT_TRUE(opened->isLoading());
        ASSERT_NE(opened->editor(), nullptr);
        EXPECT_TRUE(lastWindow->shownText.isEmpty());
        EXPECT_EQ(controller.documentForURL(folder / "big.txt"), opened) << "opened once";
    }
    drainReads(*services);
    EXPECT_FALSE(opened->isLoading());
    EXPECT_EQ(lastWindow->shownText, QStringLiteral("big text\n"));

    // A file that disappears before its read is not opened; the failure is an alert.
    writeBytes(folder / "gone.txt", "soon gone\n");
    std::vector<DocumentFailure> alerts;
    TextDocument* gone = nullptr;
    {
        QueueGate gate(*services->readingQueue);
        controller.openURL(folder / "gone.txt",
                           true,
                           [&](TextDocument* document,
                               bool,
                               const std::optional<DocumentFailure>&) { gone = document; });
        ASSERT_NE(gone, nullptr);
        QObject::connect(gone, &TextDocument::failureOccurred, [&](const DocumentFailure& f) {
            alerts.push_back(f);
        });
        std::filesystem::remove(folder / "gone.txt");
    }
    drainReads(*services);
    EXPECT_EQ(alerts.size(), 1u);
    EXPECT_EQ(controller.documents().size(), 1u);
    ASSERT_NE(event("open.read"), nullptr);
}

// Every later read of a file of at least the background length runs on the reading worker: the
// call returns before the file is read, a read whose text takes the text's place leaves the
// document loading until it is in, and a document gone meanwhile gets nothing.
TEST_F(DocumentTest, laterReadsOfALongFileRunOnTheReadingWorker)
{
    using Done = std::function<void()>;
    struct Case
    {
        const char* name;
        bool replacesText;
        std::function<void(TextDocument&, Done)> read;
        QString shownAfter;
    };
    const std::vector<Case> cases{
        {"reopened in another encoding",
         true,
         [](TextDocument& document, Done done) {
             document.reload(TextEncoding::isoLatin1, [done](const auto& reopened) {
                 EXPECT_TRUE(reopened && *reopened);
                 done();
             });
         },
         QString::fromUtf16(u"caf\u00C3\u00A9\n")},
        {"opened as not text",
         true,
         [](TextDocument& document, Done done) {
             document.openNotTextReadOnly([done](const auto& opened, auto) {
                 ASSERT_TRUE(opened && opened->has_value());
                 EXPECT_EQ(flatText(**opened), QString::fromUtf16(u"caf\u00C3\u00A9\n"));
                 done();
             });
         },
         QString::fromUtf16(u"caf\u00E9\n")},
        {"read as it is now",
         true,
         [](TextDocument& document, Done done) {
             document.readCurrentFile(TextDocument::ReadReplacesText::yes, [done](auto current) {
                 ASSERT_TRUE(current);
                 EXPECT_EQ(flatText(current->text), QString::fromUtf16(u"caf\u00E9\n"));
                 EXPECT_EQ(current->lines.lineCount(), 2);
                 EXPECT_EQ(current->lineEndings.lf, 1);
                 ASSERT_TRUE(current->identity);
                 EXPECT_TRUE(current->identity->contentHash.has_value());
                 done();
             });
         },
         QString::fromUtf16(u"caf\u00E9\n")},
        {"its identity hashed",
         false,
         [](TextDocument& document, Done done) {
             document.readDiskIdentity([done](auto identity) {
                 ASSERT_TRUE(identity);
                 EXPECT_TRUE(identity->contentHash.has_value());
                 done();
             });
         },
         QString::fromUtf16(u"caf\u00E9\n")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // A file of its own: the reopen remembers its encoding for the file.
        const std::string name = std::string(c.name) + ".txt";
        writeBytes(folder / name, "caf\xC3\xA9\n");
        auto document = open(name);
        services->backgroundReadLength = 1;
        int completions = 0;
        {
            QueueGate gate(*services->readingQueue);
            c.read(*document, [&] { ++completions; });
            EXPECT_EQ(completions, 0) << "the file waits for the worker";
            EXPECT_EQ(document->isLoading(), c.replacesText);
        }
        EXPECT_TRUE(QTest::qWaitFor([&] { return completions == 1; }, 5'000));
        EXPECT_FALSE(document->isLoading());
        EXPECT_EQ(window->shownText, c.shownAfter);

        {
            QueueGate gate(*services->readingQueue);
            c.read(*document, [&] { ++completions; });
            document.reset();
        }
        drainReads(*services);
        EXPECT_EQ(completions, 1) << "nothing for a document that is gone";
        services->backgroundReadLength = 1 << 20;
    }
}
