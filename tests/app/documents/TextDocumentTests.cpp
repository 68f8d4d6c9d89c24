#include "app/documents/DocumentTexts.h"
#include "tests/app/documents/DocumentFixture.h"

#include <QCoreApplication>

using namespace EditorDocuments;
using EditorCore::TextEncoding;

TEST(FileFormat, newDocumentDefaultFollowsTheSettings)
{
    struct Case
    {
        const char* encoding;
        bool bom;
        FileFormat expected;
    };
    const Case cases[] = {
        {"no-such-encoding", false, {TextEncoding::utf8, false, std::nullopt}},
        {"utf-16le", true, {TextEncoding::utf16LE, true, std::nullopt}},
        {"cp949", true, {TextEncoding::cp949, false, std::nullopt}},
        {"utf-8", false, {TextEncoding::utf8, false, std::nullopt}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.encoding);
        EXPECT_EQ(FileFormat::newDocumentDefault(c.encoding, c.bom), c.expected);
    }
}

TEST_F(DocumentTest, ordinaryReadFillsTheState)
{
    writeBytes(folder / "a.txt", "\tone\r\n\ttwo\r\n");
    TextDocument document(services);
    ASSERT_TRUE(document.readFromURL(folder / "a.txt").has_value());
    EXPECT_EQ(flatText(document.loadedText()), QStringLiteral("\tone\r\n\ttwo\r\n"));
    EXPECT_EQ(document.format().encoding, TextEncoding::utf8);
    EXPECT_EQ(document.lineEndings().crlf, 2);
    ASSERT_TRUE(document.indentStyle().has_value());
    EXPECT_TRUE(document.indentStyle()->usesTabs);
    EXPECT_TRUE(document.diskIdentity().has_value());
    EXPECT_FALSE(document.readOnlyReason().has_value());
    EXPECT_EQ(document.fileURL(), folder / "a.txt");
    EXPECT_FALSE(document.isDocumentEdited());
}

TEST_F(DocumentTest, permissionDecidesTheReadOnlyReason)
{
    writeBytes(folder / "locked.txt", "text\n");
    notWritable.insert(folder / "locked.txt");
    TextDocument locked(services);
    ASSERT_TRUE(locked.readFromURL(folder / "locked.txt").has_value());
    EXPECT_EQ(locked.readOnlyReason(), ReadOnlyReason::noPermission);

    writeBytes(folder / "free.txt", "text\n");
    TextDocument chosen(services);
    chosen.setReadOnlyReason(ReadOnlyReason::userChose);
    ASSERT_TRUE(chosen.readFromURL(folder / "free.txt").has_value());
    EXPECT_EQ(chosen.readOnlyReason(), ReadOnlyReason::userChose);
}

TEST_F(DocumentTest, theUsersReadOnlyChoiceKeepsAReasonOfTheDocumentsOwn)
{
    // Each way in: whether the window is told, and which reason the document ends with.
    const std::optional<ReadOnlyReason> before[] = {
        std::nullopt, ReadOnlyReason::noPermission, ReadOnlyReason::userChose};
    for (const auto& reason : before) {
        SCOPED_TRACE(reason ? static_cast<int>(*reason) : -1);
        TextDocument document(services);
        document.makeWindowControllers();
        auto* shown = lastWindow;
        ASSERT_NE(shown, nullptr);
        document.setReadOnlyReason(reason);
        shown->calls.clear();
        document.chooseReadOnly();
        EXPECT_EQ(document.readOnlyReason(), reason.value_or(ReadOnlyReason::userChose));
        EXPECT_EQ(shown->called("applyEditability"), !reason.has_value());

        shown->calls.clear();
        document.clearReadOnlyReason();
        EXPECT_FALSE(document.readOnlyReason().has_value());
        EXPECT_TRUE(shown->called("applyEditability"));
    }
}

TEST_F(DocumentTest, largeFileOpensReadOnlyWithoutItsText)
{
    largeFileMB = 1;
    writeBytes(folder / "big.log", std::string((1 << 20) + 1, 'x'));
    TextDocument document(services);
    ASSERT_TRUE(document.readFromURL(folder / "big.log").has_value());
    EXPECT_EQ(document.readOnlyReason(), ReadOnlyReason::largeFile);
    ASSERT_TRUE(document.largeFile().has_value());
    EXPECT_EQ(document.largeFile()->size, (1u << 20) + 1);
    EXPECT_TRUE(document.loadedText().isEmpty());
    EXPECT_FALSE(document.pendingBinaryHead().has_value());
}

TEST_F(DocumentTest, notTextWaitsForTheUserThenShowsLatin1)
{
    std::string bytes;
    for (int i = 0; i < 600; ++i)
        bytes += static_cast<char>(i % 5);
    bytes += "\xE9";
    writeBytes(folder / "data.bin", bytes);
    TextDocument document(services);
    ASSERT_TRUE(document.readFromURL(folder / "data.bin").has_value());
    ASSERT_TRUE(document.pendingBinaryHead().has_value());
    EXPECT_EQ(document.pendingBinaryHead()->size(), 512u);
    EXPECT_FALSE(document.readOnlyReason().has_value());
    EXPECT_EQ(document.format().encoding, TextEncoding::isoLatin1);

    auto shown = openNotTextAndWait(document);
    ASSERT_TRUE(shown.has_value());
    ASSERT_TRUE(shown->has_value());
    EXPECT_EQ((*shown)->size(), 601);
    EXPECT_EQ((*shown)->back(), QChar(0xE9));
    EXPECT_FALSE(document.pendingBinaryHead().has_value());
    EXPECT_EQ(document.readOnlyReason(), ReadOnlyReason::notText);

    largeFileMB = 1;
    std::string big;
    for (int i = 0; i < (1 << 20) + 10; ++i)
        big += static_cast<char>(i % 5);
    writeBytes(folder / "big.bin", big);
    TextDocument large(services);
    ASSERT_TRUE(large.readFromURL(folder / "big.bin").has_value());
    ASSERT_TRUE(large.pendingBinaryHead().has_value());
    EXPECT_FALSE(large.readOnlyReason().has_value());
    auto none = openNotTextAndWait(large);
    ASSERT_TRUE(none.has_value());
    EXPECT_FALSE(none->has_value());
    EXPECT_EQ(large.readOnlyReason(), ReadOnlyReason::notText);
}

TEST_F(DocumentTest, failedReadIsLoggedWithPathSizeAndError)
{
    TextDocument document(services);
    auto read = document.readFromURL(folder / "missing.txt");
    ASSERT_FALSE(read.has_value());
    const auto* logged = event("open.read");
    ASSERT_NE(logged, nullptr);
    EXPECT_EQ(logged->level, EditorStore::ErrorLog::Level::error);
    ASSERT_EQ(logged->fields.size(), 3u);
    EXPECT_EQ(logged->fields[0],
              (std::pair<std::string, std::string>{"path", (folder / "missing.txt").string()}));
    EXPECT_EQ(logged->fields[1], (std::pair<std::string, std::string>{"size", "0"}));
    EXPECT_EQ(logged->fields[2].first, "err");
}

TEST_F(DocumentTest, reloadWithAChosenEncodingReplacesTextAndClearsUndo)
{
    struct Case
    {
        const char* name;
        std::string bytes;
        bool mark;
    };
    for (const auto& c : {Case{"with mark", std::string("\xFF\xFEh\0i\0", 6), true},
                          Case{"without mark", std::string("h\0i\0", 4), false}}) {
        SCOPED_TRACE(c.name);
        writeBytes(folder / "u16.txt", c.bytes);
        auto document = open("u16.txt");
        document->changeEncoding(TextEncoding::cp949, false, QStringLiteral("인코딩 바꾸기"));
        ASSERT_TRUE(document->isDocumentEdited());

        auto reloaded = reloadAndWait(*document, TextEncoding::utf16LE);
        ASSERT_TRUE(reloaded.has_value());
        EXPECT_TRUE(*reloaded);
        EXPECT_EQ(document->currentText(), QStringLiteral("hi"));
        EXPECT_EQ(window->shownText, QStringLiteral("hi"));
        EXPECT_EQ(document->format().encoding, TextEncoding::utf16LE);
        EXPECT_EQ(document->format().hasByteOrderMark, c.mark);
        EXPECT_EQ(document->format().guess->source, EditorCore::EncodingSource::userChoice);
        EXPECT_FALSE(document->isDocumentEdited());
        EXPECT_EQ(document->undoStack()->count(), 0);
        EXPECT_FALSE(window->hasUnsavedEdits);
        EXPECT_EQ(remembered[folder / "u16.txt"], TextEncoding::utf16LE);
    }

    writeBytes(folder / "bad.txt", "\xFF\xFF");
    auto document = open("bad.txt");
    const auto before = document->format();
    EXPECT_FALSE(reloadAndWait(*document, TextEncoding::utf8).has_value());
    EXPECT_EQ(document->format(), before) << "a failed reload changes nothing";

    TextDocument untitled(services);
    auto noFile = reloadAndWait(untitled, TextEncoding::utf8);
    ASSERT_TRUE(noFile.has_value());
    EXPECT_FALSE(*noFile);
}

TEST_F(DocumentTest, rememberedEncodingReachesTheSecondDetection)
{
    writeBytes(folder / "latin.txt", "caf\xE9\n");
    remembered[folder / "latin.txt"] = TextEncoding::macRoman;
    TextDocument document(services);
    ASSERT_TRUE(document.readFromURL(folder / "latin.txt").has_value());
    EXPECT_EQ(document.format().encoding, TextEncoding::macRoman);
    EXPECT_EQ(document.format().guess->source, EditorCore::EncodingSource::fileMemory);
}

TEST_F(DocumentTest, changeEncodingIsOneUndoableStep)
{
    TextDocument document(services);
    document.changeEncoding(TextEncoding::utf8, false, QStringLiteral("인코딩"));
    EXPECT_EQ(document.undoStack()->count(), 0) << "the same format registers nothing";

    document.changeEncoding(TextEncoding::shiftJIS, true, QStringLiteral("인코딩"));
    EXPECT_EQ(document.format().encoding, TextEncoding::shiftJIS);
    EXPECT_FALSE(document.format().hasByteOrderMark) << "Shift_JIS has no mark";
    EXPECT_TRUE(document.isDocumentEdited());
    EXPECT_EQ(document.undoStack()->undoText(), QStringLiteral("인코딩"));

    document.changeEncoding(TextEncoding::utf16BE, true, QStringLiteral("인코딩"));
    EXPECT_TRUE(document.format().hasByteOrderMark);
    document.undoStack()->undo();
    EXPECT_EQ(document.format().encoding, TextEncoding::shiftJIS);
    EXPECT_FALSE(document.format().hasByteOrderMark);
    document.undoStack()->undo();
    EXPECT_EQ(document.format().encoding, TextEncoding::utf8);
    EXPECT_FALSE(document.isDocumentEdited());
    document.undoStack()->redo();
    EXPECT_EQ(document.format().encoding, TextEncoding::shiftJIS);
}

TEST_F(DocumentTest, displayNameRules)
{
    services->scratchTitle = [](std::u16string_view text) -> std::optional<std::u16string> {
        auto line = std::u16string(text.substr(0, text.find(u'\n')));
        if (line.empty())
            return std::nullopt;
        return line.substr(0, 20);
    };
    TextDocument untitled(services);
    EXPECT_EQ(untitled.displayName(), DocumentTexts::untitledName());
    untitled.setLoadedText(QStringLiteral("첫 줄\n둘째 줄"));
    EXPECT_EQ(untitled.displayName(), QStringLiteral("첫 줄"));

    untitled.setRescuedOrigin(std::filesystem::path("/data/notes.txt"));
    untitled.setLoadedText(QString());
    EXPECT_EQ(untitled.displayName(), QStringLiteral("notes.txt — 저장 못 한 고침"));

    writeBytes(folder / "file.txt", "x");
    auto document = open("file.txt");
    EXPECT_EQ(document->displayName(), QStringLiteral("file.txt"));
    auto copy = TextDocument::makeExternalCopy(*document, QStringLiteral("a\r\nb"));
    EXPECT_EQ(copy->displayName(), QStringLiteral("file.txt — 바깥 것"));
    EXPECT_TRUE(copy->isExternalCopy());
    EXPECT_EQ(copy->readOnlyReason(), ReadOnlyReason::externalCopy);
    EXPECT_EQ(copy->lineEndings().crlf, 1);
    EXPECT_FALSE(copy->fileURL().has_value());
    EXPECT_FALSE(copy->saveDocument()) << "an external copy is never saved";
}

TEST_F(DocumentTest, adminEditingStartsOnlyForAFileWithoutPermission)
{
    writeBytes(folder / "a.txt", "x");
    auto document = open("a.txt");
    document->setReadOnlyReason(ReadOnlyReason::largeFile);
    document->beginAdminEditing();
    EXPECT_FALSE(document->adminEditing());
    EXPECT_EQ(document->readOnlyReason(), ReadOnlyReason::largeFile);

    TextDocument untitled(services);
    untitled.setReadOnlyReason(ReadOnlyReason::noPermission);
    untitled.beginAdminEditing();
    EXPECT_FALSE(untitled.adminEditing());

    document->setReadOnlyReason(ReadOnlyReason::noPermission);
    EXPECT_TRUE(document->isLocked());
    document->beginAdminEditing();
    EXPECT_TRUE(document->adminEditing());
    EXPECT_FALSE(document->readOnlyReason().has_value());
    EXPECT_TRUE(window->called("applyEditability"));
    EXPECT_FALSE(document->isLocked());
}

TEST_F(DocumentTest, closeStopsWatchingAndSaysSoEvenWithoutWindow)
{
    writeBytes(folder / "a.txt", "x");
    auto document = open("a.txt");
    int closed = 0;
    QObject::connect(document.get(), &TextDocument::documentDidClose, [&] { ++closed; });
    document->close();
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(document->editor(), nullptr);

    TextDocument windowless(services);
    QObject::connect(&windowless, &TextDocument::documentDidClose, [&] { ++closed; });
    windowless.close();
    EXPECT_EQ(closed, 2);
}

TEST_F(DocumentTest, statusBarRefreshIsQueuedOnce)
{
    writeBytes(folder / "a.txt", "x");
    auto document = open("a.txt");
    window->calls.clear();
    document->updateChangeCount(TextDocument::ChangeType::changeDone);
    document->updateChangeCount(TextDocument::ChangeType::changeCleared);
    EXPECT_FALSE(window->called("updateStatusBar"));
    QCoreApplication::processEvents();
    EXPECT_EQ(std::count(window->calls.begin(), window->calls.end(), "updateStatusBar"), 1);
}
