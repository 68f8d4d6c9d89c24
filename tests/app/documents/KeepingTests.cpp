// Kept texts, rescued edits and autosave screening.
#include "app/documents/DocumentController.h"
#include "store/ScratchStore.h"
#include "tests/app/documents/DocumentFixture.h"

using EditorCore::TextEncoding;
using EditorDocuments::DocumentFailure;
using EditorDocuments::TextDocument;

namespace {

class KeepingTest : public DocumentTest
{
protected:
    KeepingTest()
    {
        services->scratchDirectory = folder / "scratch";
        services->now = [this] { return clock; };
        services->scratchTitle = [](std::u16string_view text) {
            return EditorStore::ScratchStore::title(text);
        };
        services->afterDelay = [this](int milliseconds, std::function<void()> call) {
            delayed.push_back({milliseconds, std::move(call)});
        };
    }

    std::unique_ptr<TextDocument> untitled(const QString& text)
    {
        auto document = std::make_unique<TextDocument>(services);
        document->makeWindowControllers();
        window = lastWindow;
        edit(*document, text);
        return document;
    }

    EditorStore::ScratchStore store() const
    {
        return EditorStore::ScratchStore(folder / "scratch");
    }

    std::chrono::system_clock::time_point clock =
        std::chrono::system_clock::time_point(std::chrono::seconds(1'700'000'000));
    std::vector<std::pair<int, std::function<void()>>> delayed;
};

TEST_F(KeepingTest, memoKeepsRewriteOneEntryUntilEmptied)
{
    auto memo = untitled(QStringLiteral("첫 줄\n둘째"));
    ASSERT_TRUE(memo->keepScratchText());
    ASSERT_TRUE(memo->scratchID().has_value());
    const auto first = *memo->scratchID();
    EXPECT_FALSE(memo->isDocumentEdited());
    EXPECT_FALSE(window->hasUnsavedEdits);
    const auto created = store().meta(first)->createdAt;

    clock += std::chrono::hours(1);
    edit(*memo, QStringLiteral("고친 줄"));
    ASSERT_TRUE(memo->keepScratchText());
    EXPECT_EQ(memo->scratchID(), first);
    EXPECT_EQ(store().meta(first)->createdAt, created) << "the first creation time stays";
    EXPECT_GT(store().meta(first)->updatedAt, created);
    EXPECT_EQ(*store().readText(first), u"고친 줄");

    // Emptied: the entry goes; typing again starts a new one.
    edit(*memo, QString());
    ASSERT_TRUE(memo->keepScratchText());
    EXPECT_FALSE(memo->scratchID().has_value());
    EXPECT_TRUE(store().list().empty());
    edit(*memo, QStringLiteral("again"));
    ASSERT_TRUE(memo->keepScratchText());
    ASSERT_TRUE(memo->scratchID().has_value());
    EXPECT_NE(*memo->scratchID(), first);

    memo->discardKeptText();
    EXPECT_FALSE(memo->scratchID().has_value());
    EXPECT_TRUE(store().list().empty());
}

TEST_F(KeepingTest, failedKeepLogsAndLeavesTheDocumentEdited)
{
    // Running as root every folder is writable: a file where the folder must be stops the keep.
    writeBytes(folder / "scratch", "in the way");
    auto memo = untitled(QStringLiteral("한글"));
    EXPECT_FALSE(memo->keepScratchText());
    EXPECT_TRUE(memo->isDocumentEdited());
    EXPECT_TRUE(window->hasUnsavedEdits);
    EXPECT_FALSE(memo->scratchID().has_value());
    const auto* logged = event("scratch.save");
    ASSERT_NE(logged, nullptr);
    EXPECT_EQ(logged->level, EditorStore::ErrorLog::Level::error);
    ASSERT_EQ(logged->fields.size(), 3u);
    EXPECT_EQ(logged->fields[0].first, "id");
    EXPECT_EQ(logged->fields[1], (std::pair<std::string, std::string>{"size", "6"}));
    EXPECT_EQ(logged->fields[2].first, "err");

    writeBytes(folder / "f.txt", "one\n");
    auto file = open("f.txt");
    edit(*file, QStringLiteral("mine\n"));
    writeBytes(folder / "f.txt", "theirs\n");
    EXPECT_FALSE(file->rescueUnsavedEdits());
    EXPECT_TRUE(file->isDocumentEdited());
    ASSERT_NE(event("save.rescue"), nullptr);
    EXPECT_EQ(event("save.rescue")->fields[0],
              (std::pair<std::string, std::string>{"path", (folder / "f.txt").string()}));
}

TEST_F(KeepingTest, rescueKeepsOnlyUnsafeEditsOfAFile)
{
    writeBytes(folder / "f.txt", "one\n");
    auto clean = open("f.txt");
    EXPECT_TRUE(clean->rescueUnsavedEdits());
    auto safe = open("f.txt");
    edit(*safe, QStringLiteral("mine\n"));
    EXPECT_TRUE(safe->rescueUnsavedEdits());
    auto copy = TextDocument::makeExternalCopy(*safe, QStringLiteral("outside"));
    copy->updateChangeCount(TextDocument::ChangeType::changeDone);
    EXPECT_TRUE(copy->rescueUnsavedEdits());
    EXPECT_TRUE(store().list().empty());
    EXPECT_EQ(event("save.rescued"), nullptr);
    EXPECT_TRUE(safe->isDocumentEdited());

    // Changed on disk: kept under the file's path, the document counts as clean.
    writeBytes(folder / "f.txt", "theirs\n");
    ASSERT_TRUE(safe->rescueUnsavedEdits());
    ASSERT_TRUE(safe->rescueID().has_value());
    const auto id = *safe->rescueID();
    EXPECT_FALSE(safe->isDocumentEdited());
    EXPECT_EQ(readBytes(folder / "f.txt"), bytesOf("theirs\n"));
    EXPECT_EQ(store().meta(id)->origin, (folder / "f.txt").string());
    const auto* rescued = event("save.rescued");
    ASSERT_NE(rescued, nullptr);
    EXPECT_EQ(rescued->level, EditorStore::ErrorLog::Level::warning);
    EXPECT_EQ(rescued->fields,
              (EditorStore::ErrorLog::Fields{
                  {"path", (folder / "f.txt").string()}, {"id", id.text()}, {"size", "5"}}));
    edit(*safe, QStringLiteral("mine, again\n"));
    ASSERT_TRUE(safe->rescueUnsavedEdits());
    EXPECT_EQ(safe->rescueID(), id) << "one entry per document";
    EXPECT_EQ(store().list().size(), 1u);
}

TEST_F(KeepingTest, keptEntriesReopenAsUntitledDocuments)
{
    const auto rescued = Platform::Uuid::random();
    ASSERT_TRUE(store().save(rescued, u"edits\r\n", clock, (folder / "gone.txt").string()));
    auto document = TextDocument::makeScratch(rescued, QStringLiteral("edits\r\n"), services);
    EXPECT_FALSE(document->fileURL().has_value());
    EXPECT_EQ(document->rescuedOrigin(), folder / "gone.txt");
    EXPECT_EQ(document->displayName(), QStringLiteral("gone.txt — 저장 못 한 고침"));
    EXPECT_EQ(document->scratchID(), rescued);

    const auto memoID = Platform::Uuid::random();
    ASSERT_TRUE(store().save(memoID, u"memo", clock));
    services->newDocumentFormat = [] {
        return EditorDocuments::FileFormat::newDocumentDefault("euc-kr", false);
    };
    auto memo = TextDocument::makeScratch(memoID, QStringLiteral("memo"), services);
    EXPECT_FALSE(memo->rescuedOrigin().has_value());
    EXPECT_EQ(memo->format().encoding, TextEncoding::eucKR);
}

TEST_F(KeepingTest, theControllerReopensEveryKeptEntry)
{
    auto memo = untitled(QStringLiteral("첫 메모"));
    ASSERT_TRUE(memo->keepScratchText());
    writeBytes(folder / "f.txt", "one\n");
    auto file = open("f.txt");
    edit(*file, QStringLiteral("mine\n"));
    std::filesystem::remove(folder / "f.txt");
    ASSERT_TRUE(file->rescueUnsavedEdits());

    // Windows that show the reopened text, as the real ones do.
    services->makeWindowController = [](TextDocument& document) {
        auto made = std::make_unique<FakeWindow>();
        made->shownText = EditorDocuments::flatText(document.loadedText());
        return made;
    };
    EditorDocuments::DocumentController controller(services);
    const auto reopened = controller.reopenScratchDocuments();
    ASSERT_EQ(reopened.size(), 2u);
    std::set<QString> titles;
    for (auto* document : reopened) {
        EXPECT_FALSE(document->fileURL().has_value());
        EXPECT_NE(document->editor(), nullptr);
        titles.insert(document->displayName());
    }
    EXPECT_EQ(
        titles,
        (std::set<QString>{QStringLiteral("f.txt — 저장 못 한 고침"), QStringLiteral("첫 메모")}));
}

TEST_F(KeepingTest, savingAFileDropsItsRescuedEdits)
{
    writeBytes(folder / "f.txt", "one\n");
    auto document = open("f.txt");
    edit(*document, QStringLiteral("mine\n"));
    writeBytes(folder / "f.txt", "theirs\n");
    ASSERT_TRUE(document->rescueUnsavedEdits());
    ASSERT_EQ(store().list().size(), 1u);

    edit(*document, QStringLiteral("mine, later\n"));
    services->chooseSaveLocation = [this](TextDocument&) { return folder / "elsewhere.txt"; };
    ASSERT_TRUE(saveAsAndWait(*document));
    EXPECT_TRUE(store().list().empty()) << "the rescued entry would come back at launch";
    EXPECT_FALSE(document->rescueID().has_value());

    // A memo saved to a file leaves the keeping place too.
    auto memo = untitled(QStringLiteral("memo"));
    ASSERT_TRUE(memo->keepScratchText());
    services->chooseSaveLocation = [this](TextDocument&) { return folder / "memo.txt"; };
    ASSERT_TRUE(saveAsAndWait(*memo));
    EXPECT_TRUE(store().list().empty());
    EXPECT_FALSE(memo->scratchID().has_value());
}

// One autosave request per kind of document, cancellable and not.
TEST_F(KeepingTest, autosaveScreensRequestsInOrder)
{
    enum class Kind {
        composing,
        composingUntitled,
        externalCopy,
        pendingBinary,
        untitled,
        admin,
        changedOnDisk
    };
    struct Row
    {
        Kind kind;
        bool cancellable;
        bool cancelled; // the caller gets the silent cancellation
        bool kept;      // an entry in the keeping place (a refusal that is not written keeps one)
        bool retried;   // a retry is scheduled one second later
    };
    const Row rows[] = {
        {Kind::composing, true, true, true, true},
        {Kind::composing, false, false, true, false},
        {Kind::composingUntitled, true, true, false, true},
        {Kind::externalCopy, true, false, false, false},
        {Kind::externalCopy, false, false, false, false},
        {Kind::pendingBinary, true, false, false, false},
        {Kind::untitled, true, false, true, false},
        {Kind::untitled, false, false, true, false},
        {Kind::admin, true, true, true, false},
        {Kind::admin, false, false, true, false},
        {Kind::changedOnDisk, true, true, true, false},
        {Kind::changedOnDisk, false, false, true, false},
    };
    std::string binary;
    for (int i = 0; i < 300; ++i)
        binary += static_cast<char>(i % 3);
    int row = 0;
    for (const auto& r : rows) {
        SCOPED_TRACE(row++);
        std::filesystem::remove_all(folder / "scratch");
        delayed.clear();
        writeBytes(folder / "a.txt", "one\n");
        writeBytes(folder / "data.bin", binary);
        std::unique_ptr<TextDocument> source;
        std::unique_ptr<TextDocument> document;
        switch (r.kind) {
        case Kind::composing:
            document = open("a.txt");
            edit(*document, QStringLiteral("mine\n"));
            window->marked = true;
            break;
        case Kind::composingUntitled:
            document = untitled(QStringLiteral("memo"));
            window->marked = true;
            break;
        case Kind::externalCopy:
            source = open("a.txt");
            document = TextDocument::makeExternalCopy(*source, QStringLiteral("outside"));
            document->updateChangeCount(TextDocument::ChangeType::changeDone);
            break;
        case Kind::pendingBinary:
            document = open("data.bin");
            edit(*document, QStringLiteral("typed"));
            break;
        case Kind::untitled:
            document = untitled(QStringLiteral("memo"));
            break;
        case Kind::admin:
            document = open("a.txt");
            document->setReadOnlyReason(EditorDocuments::ReadOnlyReason::noPermission);
            document->beginAdminEditing();
            edit(*document, QStringLiteral("mine\n"));
            break;
        case Kind::changedOnDisk:
            document = open("a.txt");
            edit(*document, QStringLiteral("mine\n"));
            writeBytes(folder / "a.txt", "theirs\n");
            break;
        }
        const auto before = readBytes(folder / "a.txt");
        int completions = 0;
        std::optional<DocumentFailure> reported;
        document->autosave(r.cancellable, [&](const std::optional<DocumentFailure>& failure) {
            ++completions;
            reported = failure;
        });
        EXPECT_EQ(completions, 1);
        EXPECT_EQ(reported.has_value() && TextDocument::isUserCancellation(*reported), r.cancelled);
        EXPECT_EQ(reported.has_value(), r.cancelled);
        EXPECT_EQ(readBytes(folder / "a.txt"), before) << "never written";
        EXPECT_EQ(readBytes(folder / "data.bin"), bytesOf(binary));
        EXPECT_EQ(!store().list().empty(), r.kept);
        if (r.cancelled) {
            EXPECT_TRUE(document->isDocumentEdited()) << "a kept copy is not a save";
        }
        ASSERT_EQ(delayed.size(), r.retried ? 1u : 0u);
        if (r.retried) {
            EXPECT_EQ(delayed[0].first, 1000);
            services->autosavingDelayMilliseconds = 60'000;
            delayed[0].second();
            EXPECT_TRUE(document->hasAutosaveScheduled());
            services->autosavingDelayMilliseconds = -1;
            // The retry holds the document weakly.
            document.reset();
            delayed[0].second();
        }
    }
}

TEST_F(KeepingTest, autosaveWritesInPlaceAndReportsItsFailures)
{
    writeBytes(folder / "a.txt", "one\n");
    auto document = open("a.txt");
    edit(*document, QStringLiteral("two\n"));
    std::optional<DocumentFailure> reported;
    int completions = 0;
    document->autosave(true, [&](const std::optional<DocumentFailure>& failure) {
        ++completions;
        reported = failure;
    });
    EXPECT_EQ(completions, 1) << "completed before it returned";
    EXPECT_FALSE(reported.has_value());
    EXPECT_EQ(readBytes(folder / "a.txt"), bytesOf("two\n"));
    EXPECT_FALSE(document->isDocumentEdited());
    EXPECT_EQ(event("save.autosave"), nullptr);

    document->changeEncoding(TextEncoding::shiftJIS, false, QStringLiteral("인코딩"));
    edit(*document, QStringLiteral("한글\n"));
    std::size_t bannersWhenCompleted = 0;
    bool recordedWhenCompleted = false;
    document->autosave(true, [&](const std::optional<DocumentFailure>& failure) {
        reported = failure;
        bannersWhenCompleted = window->unencodableBanners.size();
        recordedWhenCompleted = event("save.autosave") != nullptr;
    });
    ASSERT_TRUE(reported.has_value());
    EXPECT_NE(EditorDocuments::findDocumentError(*reported), nullptr);
    // The failure is logged and shown before the caller hears of it.
    EXPECT_TRUE(recordedWhenCompleted);
    EXPECT_EQ(bannersWhenCompleted, 1u);
    EXPECT_EQ(readBytes(folder / "a.txt"), bytesOf("two\n"));
    EXPECT_TRUE(document->isDocumentEdited());
    EXPECT_EQ(window->unencodableBanners.size(), 1u);
    const auto logged = std::count_if(
        events.begin(), events.end(), [](const auto& e) { return e.key == "save.autosave"; });
    EXPECT_EQ(logged, 1);
    EXPECT_EQ(event("save.autosave")->fields,
              (EditorStore::ErrorLog::Fields{{"path", (folder / "a.txt").string()},
                                             {"err", "unencodable(shift_jis,2)"}}));
}

// A write the file refuses keeps the edits at once and again as they change, until the file
// holds the text or the edits are gone; the document stays edited meanwhile.
TEST_F(KeepingTest, aRefusedWriteKeepsTheEditsUntilTheFileHoldsThem)
{
    writeBytes(folder / "a.txt", "one\n");
    auto document = open("a.txt");
    document->changeEncoding(TextEncoding::shiftJIS, false, QStringLiteral("인코딩"));
    auto autosave = [&] { document->autosave(true, [](const auto&) {}); };
    auto keptTexts = [&] {
        std::vector<std::u16string> texts;
        for (const auto& entry : store().list()) {
            EXPECT_EQ(store().meta(entry.id)->origin, (folder / "a.txt").string());
            texts.push_back(*store().readText(entry.id));
        }
        return texts;
    };

    edit(*document, QStringLiteral("한글\n"));
    autosave();
    EXPECT_EQ(readBytes(folder / "a.txt"), bytesOf("one\n"));
    EXPECT_EQ(keptTexts(), std::vector<std::u16string>{u"한글\n"});
    EXPECT_TRUE(document->isDocumentEdited());
    EXPECT_TRUE(window->hasUnsavedEdits);
    ASSERT_TRUE(document->rescueID().has_value());
    const auto id = *document->rescueID();

    // Typing on: the same entry follows; the event log says it once.
    edit(*document, QStringLiteral("한글 더\n"));
    autosave();
    EXPECT_EQ(keptTexts(), std::vector<std::u16string>{u"한글 더\n"});
    EXPECT_EQ(document->rescueID(), id);
    EXPECT_EQ(std::count_if(events.begin(),
                            events.end(),
                            [](const auto& e) { return e.key == "save.rescued"; }),
              1);

    // Once the text can be written, the file holds it and nothing is kept.
    edit(*document, QStringLiteral("two\n"));
    autosave();
    EXPECT_EQ(readBytes(folder / "a.txt"), bytesOf("two\n"));
    EXPECT_TRUE(keptTexts().empty());
    EXPECT_FALSE(document->rescueID().has_value());

    // The explicit save refuses too; thrown away (the document clean again), nothing is kept.
    edit(*document, QStringLiteral("한글\n"));
    EXPECT_FALSE(saveAndWait(*document));
    EXPECT_EQ(keptTexts(), std::vector<std::u16string>{u"한글\n"});
    document->updateChangeCount(TextDocument::ChangeType::changeCleared);
    EXPECT_TRUE(keptTexts().empty());

    // A blocked save keeps the edits; quitting hands the same entry over and it stays.
    edit(*document, QStringLiteral("mine\n"));
    writeBytes(folder / "a.txt", "theirs\n");
    EXPECT_FALSE(saveAndWait(*document));
    ASSERT_EQ(keptTexts(), std::vector<std::u16string>{u"mine\n"});
    const auto blocked = *document->rescueID();
    ASSERT_TRUE(document->rescueUnsavedEdits());
    EXPECT_FALSE(document->isDocumentEdited());
    EXPECT_EQ(document->rescueID(), blocked);
    EXPECT_EQ(keptTexts(), std::vector<std::u16string>{u"mine\n"});
    EXPECT_EQ(readBytes(folder / "a.txt"), bytesOf("theirs\n"));

    // Handed-over edits are not a copy: going back to the state they were kept in leaves them.
    edit(*document, QStringLiteral("mine, more\n"));
    autosave();
    EXPECT_EQ(keptTexts(), std::vector<std::u16string>{u"mine, more\n"});
    document->updateChangeCount(TextDocument::ChangeType::changeCleared);
    EXPECT_EQ(keptTexts(), std::vector<std::u16string>{u"mine, more\n"});
    EXPECT_EQ(document->rescueID(), blocked);
}

TEST_F(KeepingTest, anUnsavedChangeArmsTheAutosaveTimer)
{
    services->autosavingDelayMilliseconds = 50;
    writeBytes(folder / "a.txt", "one\n");
    auto document = open("a.txt");
    EXPECT_FALSE(document->hasAutosaveScheduled());
    edit(*document, QStringLiteral("two\n"));
    EXPECT_TRUE(document->hasAutosaveScheduled());
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return readBytes(folder / "a.txt") == bytesOf("two\n"); }, 5'000));
    // The bytes are on disk before the save's completion reaches the main thread.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !document->isDocumentEdited(); }, 5'000));
}

} // namespace
