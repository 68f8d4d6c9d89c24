#include "app/documents/DocumentTexts.h"
#include "core/TextCodec.h"
#include "tests/app/documents/DocumentFixture.h"

#include <cstdlib>

using namespace EditorDocuments;
using EditorCore::TextEncoding;

namespace {

std::string encoded(std::u16string_view text, TextEncoding encoding, bool mark)
{
    auto bytes = EditorCore::TextCodec::encode(text,
                                               encoding,
                                               mark ? EditorCore::AddByteOrderMark::yes
                                                    : EditorCore::AddByteOrderMark::no);
    EXPECT_TRUE(bytes.has_value());
    return bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
}

std::u16string sampleFor(TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::cp949:
    case TextEncoding::eucKR:
        return u"한글 텍스트\r\n둘째 줄\n";
    case TextEncoding::shiftJIS:
    case TextEncoding::eucJP:
        return u"日本語のテキスト\r\nかな\n";
    case TextEncoding::gb18030:
        return u"中文文本\r\n";
    case TextEncoding::big5:
        return u"中文字\r\n";
    case TextEncoding::windows1252:
        return u"café €\r\nœuvre\r";
    case TextEncoding::isoLatin1:
    case TextEncoding::macRoman:
        return u"café\r\nnaïve\n";
    default:
        return u"ABC 한글 日本 def\r\nxyz\ry\nthe end of the text\n";
    }
}

// Runs the administrator's copy for real, without privileges, and remembers that it ran.
class CopyingRunner : public AdminWriter::PrivilegeRunner
{
public:
    int answer = 0;
    int calls = 0;
    AdminWriter::RunResult run(const std::vector<std::string>& arguments) override
    {
        ++calls;
        if (answer != 0)
            return {std::nullopt, answer, answer == 1 ? "cat: write error\n" : ""};
        AdminWriter::ProcessRunner plain("env");
        return plain.run(arguments);
    }
};

} // namespace

TEST_F(DocumentTest, saveRoundTripsEveryEncodingByteForByte)
{
    for (auto encoding : EditorCore::allTextEncodings) {
        for (bool mark : {false, true}) {
            if (mark && !EditorCore::supportsByteOrderMark(encoding))
                continue;
            SCOPED_TRACE(std::string(EditorCore::rawValue(encoding)) + (mark ? " bom" : ""));
            const auto bytes = encoded(sampleFor(encoding), encoding, mark);
            writeBytes(folder / "round.txt", bytes);
            auto document = open("round.txt");
            ASSERT_TRUE(reloadAndWait(*document, encoding).has_value());
            EXPECT_EQ(document->format().hasByteOrderMark, mark);
            ASSERT_TRUE(saveAndWait(*document));
            EXPECT_EQ(readBytes(folder / "round.txt"), bytesOf(bytes));
        }
    }
}

TEST_F(DocumentTest, detectedFormatsSaveBackUnchanged)
{
    struct Case
    {
        const char* name;
        std::string bytes;
    };
    const Case cases[] = {
        {"UTF-8 with mark",
         "\xEF\xBB\xBF"
         "caf\xC3\xA9\n"},
        {"UTF-8 without mark", "caf\xC3\xA9\n"},
        {"CRLF", "one\r\ntwo\r\n"},
        {"mixed endings", "a\nb\r\nc\rd"},
        {"UTF-16LE with mark",
         std::string("\xFF\xFE"
                     "a\0\r\0\n\0",
                     8)},
        {"empty", ""},
        {"one byte", "x"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writeBytes(folder / "detected.txt", c.bytes);
        auto document = open("detected.txt");
        edit(*document, window->shownText);
        ASSERT_TRUE(saveAndWait(*document));
        EXPECT_EQ(readBytes(folder / "detected.txt"), bytesOf(c.bytes));
        EXPECT_FALSE(document->isDocumentEdited());
        EXPECT_FALSE(window->hasUnsavedEdits);
    }
}

TEST_F(DocumentTest, unencodableSaveWritesNothingAndNamesTheCharacters)
{
    writeBytes(folder / "k.txt", "x\n");
    auto document = open("k.txt");
    document->changeEncoding(TextEncoding::shiftJIS, false, QStringLiteral("인코딩"));
    edit(*document, QStringLiteral("かな 한글"));
    EXPECT_FALSE(saveAndWait(*document));
    EXPECT_EQ(readBytes(folder / "k.txt"), bytesOf("x\n"));
    EXPECT_TRUE(document->isDocumentEdited());
    EXPECT_EQ(window->shownText, QStringLiteral("かな 한글"));

    ASSERT_EQ(window->unencodableBanners.size(), 1u);
    const auto* error = findDocumentError(window->unencodableBanners[0]);
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(*error,
              EditorCore::DocumentError::unencodable(TextEncoding::shiftJIS, {u"한", u"글"}));
    EXPECT_EQ(
        DocumentTexts::describe(*error),
        QStringLiteral(
            "「한글」 는 SHIFT_JIS 로 쓸 수 없어 저장을 멈췄어요. 고친 내용은 그대로 있어요."));

    const auto* logged = event("save.encode");
    ASSERT_NE(logged, nullptr);
    EXPECT_EQ(logged->fields,
              (EditorStore::ErrorLog::Fields{{"path", (folder / "k.txt").string()},
                                             {"enc", "shift_jis"},
                                             {"err", "unencodable(shift_jis,2)"}}));
}

// The text is encoded while it is written; a character the encoding cannot hold is found
// before the file is touched whichever way the file would be written (replaced, rewritten in
// place for its hard links or its folder, by the administrator), and it is named before any
// failure of the file system, as when the whole text was encoded first.
TEST_F(DocumentTest, anUnencodableTextLeavesTheFileAsItWasWhicheverWayItWouldBeWritten)
{
    struct Case
    {
        const char* name;
        bool hardLinked = false;
        bool folderWritable = true;
        bool fileWritable = true;
        bool administrator = false;
    };
    const Case cases[] = {
        {"replaced"},
        {"hard links", true},
        {"folder not writable", false, false},
        {"file not writable", false, true, false},
        {"administrator", false, true, false, true},
    };
    auto runner = std::make_shared<CopyingRunner>();
    services->privilegeRunner = runner;
    services->saverOptions.recoveryFolder = folder / "recovery";
    // Long enough that the encoding has written pieces before it reaches the refusal.
    QString text;
    while (text.size() < (1 << 20))
        text += QStringLiteral("かなの行\n");
    text += QStringLiteral("한글");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string old = "the old content\n";
        writeBytes(folder / "sjis.txt", old);
        std::filesystem::remove(folder / "other.txt");
        if (c.hardLinked)
            std::filesystem::create_hard_link(folder / "sjis.txt", folder / "other.txt");
        services->saverOptions.isFolderWritable = [&](const std::filesystem::path&) {
            return c.folderWritable;
        };
        if (!c.fileWritable)
            notWritable.insert(folder / "sjis.txt");
        const auto inode = inodeOf(folder / "sjis.txt");
        auto document = open("sjis.txt");
        document->changeEncoding(TextEncoding::shiftJIS, false, QStringLiteral("인코딩"));
        if (c.administrator)
            document->beginAdminEditing();
        edit(*document, text);
        events.clear();
        runner->calls = 0;

        EXPECT_FALSE(saveAndWait(*document));
        EXPECT_EQ(readBytes(folder / "sjis.txt"), bytesOf(old));
        EXPECT_EQ(inodeOf(folder / "sjis.txt"), inode);
        EXPECT_TRUE(document->isDocumentEdited());
        EXPECT_EQ(runner->calls, 0);
        ASSERT_EQ(window->unencodableBanners.size(), 1u);
        const auto* error = findDocumentError(window->unencodableBanners[0]);
        ASSERT_NE(error, nullptr);
        EXPECT_EQ(*error,
                  EditorCore::DocumentError::unencodable(TextEncoding::shiftJIS, {u"한", u"글"}));
        ASSERT_NE(event("save.encode"), nullptr);
        const auto& fields = event("save.encode")->fields;
        EXPECT_NE(std::find(fields.begin(),
                            fields.end(),
                            std::pair<std::string, std::string>{"err", "unencodable(shift_jis,2)"}),
                  fields.end());
        EXPECT_TRUE(RecoveryCopies::list(folder / "recovery").empty());
        EXPECT_TRUE(entriesOf(folder / "admin-tmp").empty());
        for (const auto& entry : entriesOf(folder.path()))
            EXPECT_FALSE(TemporaryFile::isTemporaryName(entry, "sjis.txt")) << entry;
        notWritable.clear();
    }
}

TEST_F(DocumentTest, shiftJISFileKeepsItsByteFormsAndSaysBeforeRewritingOne)
{
    const std::string necNearlyEqual = "\x87\x90"; // U+2252; the table writes 81 E0
    const std::string tableNearlyEqual = "\x81\xE0";
    const std::string nihongo = "\x93\xFA\x96\x7B\x8C\xEA";

    const std::string file = nihongo + necNearlyEqual + "\r\n";
    writeBytes(folder / "nec.txt", file);
    remembered[folder / "nec.txt"] = TextEncoding::shiftJIS;
    auto document = open("nec.txt");
    ASSERT_EQ(document->format().encoding, TextEncoding::shiftJIS);
    ASSERT_TRUE(saveAndWait(*document));
    EXPECT_EQ(readBytes(folder / "nec.txt"), bytesOf(file));
    edit(*document, window->shownText + QStringLiteral("x"));
    ASSERT_TRUE(saveAndWait(*document));
    EXPECT_EQ(readBytes(folder / "nec.txt"), bytesOf(file + "x"));
    EXPECT_TRUE(window->unencodableBanners.empty());

    // Both forms in one file: the first save writes nothing and names the character; the
    // next one writes the table's form.
    const std::string both = "a" + tableNearlyEqual + nihongo + necNearlyEqual;
    writeBytes(folder / "both.txt", both);
    remembered[folder / "both.txt"] = TextEncoding::shiftJIS;
    auto mixed = open("both.txt");
    edit(*mixed, window->shownText + QStringLiteral("b"));
    EXPECT_FALSE(saveAndWait(*mixed));
    EXPECT_EQ(readBytes(folder / "both.txt"), bytesOf(both));
    EXPECT_TRUE(mixed->isDocumentEdited());
    ASSERT_EQ(window->unencodableBanners.size(), 1u);
    const auto* error = findDocumentError(window->unencodableBanners[0]);
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(*error, EditorCore::DocumentError::formsRewritten(TextEncoding::shiftJIS, {u"≒"}));
    EXPECT_EQ(
        DocumentTexts::describe(*error),
        QStringLiteral("「≒」 가 이 파일에 두 가지 바이트로 들어 있어, SHIFT_JIS 표의 바이트로 "
                       "맞춰 쓰면 파일이 바뀌어요. 저장을 멈췄어요 — 한 번 더 저장하면 그렇게 "
                       "써요."));

    ASSERT_TRUE(saveAndWait(*mixed));
    EXPECT_EQ(readBytes(folder / "both.txt"),
              bytesOf("a" + tableNearlyEqual + nihongo + tableNearlyEqual + "b"));
    EXPECT_EQ(window->unencodableBanners.size(), 1u);
}

TEST_F(DocumentTest, blockedSavesLeaveTheFileAndTheEdits)
{
    writeBytes(folder / "changed.txt", "one\n");
    auto changed = open("changed.txt");
    edit(*changed, QStringLiteral("mine\n"));
    writeBytes(folder / "changed.txt", "theirs, longer\n");
    EXPECT_FALSE(saveAndWait(*changed));
    EXPECT_TRUE(window->called("externalChanged"));
    EXPECT_EQ(readBytes(folder / "changed.txt"), bytesOf("theirs, longer\n"));
    EXPECT_TRUE(changed->isDocumentEdited());
    EXPECT_TRUE(changed->isSaveUnsafe());

    writeBytes(folder / "gone.txt", "one\n");
    auto gone = open("gone.txt");
    edit(*gone, QStringLiteral("mine\n"));
    std::filesystem::remove(folder / "gone.txt");
    EXPECT_FALSE(saveAndWait(*gone));
    EXPECT_TRUE(window->called("fileGone"));
    EXPECT_FALSE(std::filesystem::exists(folder / "gone.txt"));

    // The trash of a data folder of the test's own.
    const char* saved = std::getenv("XDG_DATA_HOME");
    const std::string previous = saved != nullptr ? saved : "";
    ::setenv("XDG_DATA_HOME", (folder / "data").c_str(), 1);
    std::filesystem::create_directories(folder / "data" / "Trash" / "files");
    writeBytes(folder / "data" / "Trash" / "files" / "t.txt", "one\n");
    auto trashed = open("data/Trash/files/t.txt");
    edit(*trashed, QStringLiteral("mine\n"));
    EXPECT_FALSE(saveAndWait(*trashed));
    EXPECT_TRUE(window->called("fileGone"));
    EXPECT_EQ(readBytes(folder / "data" / "Trash" / "files" / "t.txt"), bytesOf("one\n"));
    if (saved != nullptr)
        ::setenv("XDG_DATA_HOME", previous.c_str(), 1);
    else
        ::unsetenv("XDG_DATA_HOME");
}

TEST_F(DocumentTest, explicitSaveRefusesATextThatIsNotTheFile)
{
    // Waiting for the "not text" decision: the document's text is empty.
    std::string binary;
    for (int i = 0; i < 300; ++i)
        binary += static_cast<char>(i % 3);
    writeBytes(folder / "data.bin", binary);
    auto pending = open("data.bin");
    EXPECT_FALSE(saveAndWait(*pending));
    EXPECT_EQ(readBytes(folder / "data.bin"), bytesOf(binary)) << "not emptied";
    ASSERT_EQ(window->refusals.size(), 1u);
    EXPECT_EQ(window->refusals[0], SaveRules::SaveRefusal::pendingBinaryHead);

    // A large file: refused while partly loaded or lossy, even with read-only lifted.
    largeFileMB = 1;
    const std::string big((1 << 20) + 100, 'a');
    writeBytes(folder / "big.log", big);
    auto large = open("big.log");
    large->setReadOnlyReason(std::nullopt);
    edit(*large, QStringLiteral("only the first chunk"));
    EXPECT_FALSE(saveAndWait(*large));
    EXPECT_EQ(window->refusals.back(), SaveRules::SaveRefusal::partlyLoaded);
    auto state = *large->largeFile();
    state.loadedBytes = state.size;
    state.lossy = true;
    large->setLargeFileState(state);
    EXPECT_FALSE(saveAndWait(*large));
    EXPECT_EQ(window->refusals.back(), SaveRules::SaveRefusal::lossy);
    EXPECT_EQ(std::filesystem::file_size(folder / "big.log"), big.size());

    // Loaded whole and without losses: the user may save.
    state.lossy = false;
    large->setLargeFileState(state);
    edit(*large, QString::fromLatin1(big.c_str()) + QStringLiteral("b"));
    EXPECT_TRUE(saveAndWait(*large));
    EXPECT_EQ(std::filesystem::file_size(folder / "big.log"), big.size() + 1);
}

TEST_F(DocumentTest, markFlagAfterAFallbackSavesTheSameBytes)
{
    // A UTF-8 mark, valid UTF-8 through the detection sample, then a byte UTF-8 cannot hold:
    // ISO Latin-1 decodes it, and the three mark bytes are its text, not a mark to add.
    std::string bytes = "\xEF\xBB\xBF";
    while (bytes.size() < 70'000)
        bytes += "text \xC3\xA9\n";
    bytes += "\xFF\n";
    writeBytes(folder / "fallback.txt", bytes);
    auto document = open("fallback.txt");
    EXPECT_EQ(document->format().encoding, TextEncoding::isoLatin1);
    EXPECT_FALSE(document->format().hasByteOrderMark);
    ASSERT_TRUE(document->format().guess.has_value());
    EXPECT_TRUE(document->format().guess->hasByteOrderMark);
    ASSERT_TRUE(saveAndWait(*document));
    EXPECT_EQ(readBytes(folder / "fallback.txt"), bytesOf(bytes));
}

TEST_F(DocumentTest, administratorRouteWritesInPlaceThroughTheRunner)
{
    auto runner = std::make_shared<CopyingRunner>();
    services->privilegeRunner = runner;
    writeBytes(folder / "hosts", "127.0.0.1 localhost\n");
    notWritable.insert(folder / "hosts");
    auto document = open("hosts");
    ASSERT_EQ(document->readOnlyReason(), ReadOnlyReason::noPermission);
    document->beginAdminEditing();
    edit(*document, QStringLiteral("127.0.0.1 localhost mine\n"));
    const auto inode = inodeOf(folder / "hosts");

    EXPECT_TRUE(document->refusesFrameworkSave(folder / "hosts", SaveOperation::autosaveInPlace));
    EXPECT_FALSE(document->refusesFrameworkSave(folder / "other", SaveOperation::save));
    std::optional<DocumentFailure> frameworkResult;
    document->saveToURL(folder / "hosts",
                        SaveOperation::save,
                        [&](const std::optional<DocumentFailure>& f) { frameworkResult = f; });
    ASSERT_TRUE(frameworkResult.has_value()) << "the framework may not write an administrator file";
    EXPECT_EQ(readBytes(folder / "hosts"), bytesOf("127.0.0.1 localhost\n"));

    runner->answer = AdminWriter::dismissedStatus;
    EXPECT_FALSE(saveAndWait(*document));
    EXPECT_EQ(event("save.admin"), nullptr) << "a dismissed dialog is a silent no";
    EXPECT_TRUE(document->isDocumentEdited());
    EXPECT_FALSE(document->isWritingToDisk());

    runner->answer = 1;
    EXPECT_FALSE(saveAndWait(*document));
    ASSERT_NE(event("save.admin"), nullptr);
    EXPECT_EQ(event("save.admin")->level, EditorStore::ErrorLog::Level::error);
    EXPECT_EQ(event("save.admin")->fields.size(), 2u);
    events.clear();

    runner->answer = 0;
    EXPECT_TRUE(saveAndWait(*document));
    EXPECT_EQ(readBytes(folder / "hosts"), bytesOf("127.0.0.1 localhost mine\n"));
    EXPECT_EQ(inodeOf(folder / "hosts"), inode);
    EXPECT_FALSE(document->isDocumentEdited());
    EXPECT_FALSE(window->hasUnsavedEdits);
    ASSERT_NE(event("save.admin"), nullptr);
    EXPECT_EQ(event("save.admin")->level, EditorStore::ErrorLog::Level::notice);
    EXPECT_EQ(event("save.admin")->fields,
              (EditorStore::ErrorLog::Fields{{"path", (folder / "hosts").string()}}));
    EXPECT_EQ(document->diskIdentity(),
              EditorCore::DiskIdentity::read(folder / "hosts",
                                             EditorCore::DiskIdentity::documentHashLimit));
    EXPECT_TRUE(entriesOf(folder / "admin-tmp").empty());
}

TEST_F(DocumentTest, administratorSaveChecksTheDiskFirst)
{
    auto runner = std::make_shared<CopyingRunner>();
    services->privilegeRunner = runner;
    writeBytes(folder / "hosts", "old\n");
    notWritable.insert(folder / "hosts");
    auto document = open("hosts");
    document->beginAdminEditing();
    edit(*document, QStringLiteral("mine\n"));
    writeBytes(folder / "hosts", "someone else's, longer\n");

    EXPECT_FALSE(saveAndWait(*document));
    EXPECT_EQ(runner->calls, 0) << "no password prompt for a file that changed on disk";
    EXPECT_TRUE(window->called("externalChanged"));
    EXPECT_EQ(readBytes(folder / "hosts"), bytesOf("someone else's, longer\n"));

    EXPECT_FALSE(document->saveAsAdministrator()) << "the close sheet's route checks too";
    EXPECT_EQ(runner->calls, 0);
}

TEST_F(DocumentTest, saveAsMovesTheDocumentAndSaveToOnlyCopies)
{
    writeBytes(folder / "a.txt", "one\n");
    auto document = open("a.txt");
    edit(*document, QStringLiteral("two\n"));
    document->setRescuedOrigin(folder / "a.txt");

    std::optional<DocumentFailure> result;
    document->saveToURL(folder / "copy.txt",
                        SaveOperation::saveTo,
                        [&](const std::optional<DocumentFailure>& f) { result = f; });
    ASSERT_TRUE(finishSaves(*document));
    EXPECT_FALSE(result.has_value());
    EXPECT_EQ(readBytes(folder / "copy.txt"), bytesOf("two\n"));
    EXPECT_TRUE(document->isDocumentEdited()) << "a copy elsewhere leaves the edits unsaved";
    EXPECT_TRUE(window->hasUnsavedEdits);
    EXPECT_EQ(document->fileURL(), folder / "a.txt");
    EXPECT_TRUE(document->rescuedOrigin().has_value());

    services->chooseSaveLocation = [&](TextDocument&) { return std::optional(folder / "b.txt"); };
    EXPECT_TRUE(saveAsAndWait(*document));
    EXPECT_EQ(document->fileURL(), folder / "b.txt");
    EXPECT_EQ(readBytes(folder / "b.txt"), bytesOf("two\n"));
    EXPECT_EQ(readBytes(folder / "a.txt"), bytesOf("one\n"));
    EXPECT_FALSE(document->isDocumentEdited());
    EXPECT_TRUE(window->called("startFileWatcher"));
    EXPECT_FALSE(document->rescuedOrigin().has_value());
    EXPECT_TRUE(window->called("dismiss:rescued"));
    EXPECT_FALSE(document->isSaveBlocked()) << "the identity was taken again";
}

TEST_F(DocumentTest, untitledDocumentSavesThroughTheSavePanel)
{
    TextDocument document(services);
    document.setLoadedText(QStringLiteral("new text\n"));
    document.updateChangeCount(TextDocument::ChangeType::changeDone);
    EXPECT_FALSE(saveAndWait(document)) << "no save panel: nothing happens";
    services->chooseSaveLocation = [&](TextDocument&) { return std::optional(folder / "new.txt"); };
    EXPECT_TRUE(saveAndWait(document));
    EXPECT_EQ(readBytes(folder / "new.txt"), bytesOf("new text\n"));
    EXPECT_EQ(document.fileURL(), folder / "new.txt");
    EXPECT_FALSE(document.isDocumentEdited());
}

TEST_F(DocumentTest, fileWithoutPermissionIsNotWrittenByAPlainSave)
{
    writeBytes(folder / "locked.txt", "old\n");
    notWritable.insert(folder / "locked.txt");
    auto document = open("locked.txt");
    EXPECT_EQ(document->readOnlyReason(), ReadOnlyReason::noPermission);
    edit(*document, QStringLiteral("new\n"));
    std::vector<DocumentFailure> failures;
    QObject::connect(document.get(), &TextDocument::failureOccurred, [&](const DocumentFailure& f) {
        failures.push_back(f);
    });
    EXPECT_FALSE(saveAndWait(*document));
    EXPECT_EQ(readBytes(folder / "locked.txt"), bytesOf("old\n"));
    EXPECT_TRUE(document->isDocumentEdited());
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(std::get<std::error_code>(failures[0]),
              std::make_error_code(std::errc::permission_denied));
}

TEST(DocumentTexts, administratorFailuresDescribeThemselves)
{
    EXPECT_EQ(DocumentTexts::describe(AdminWriter::Failure::cancelled()),
              QStringLiteral("관리자 암호 창에서 취소했어요."));
    EXPECT_EQ(DocumentTexts::describe(AdminWriter::Failure::failed("cat: write error")),
              QStringLiteral("관리자 권한으로 저장하지 못했어요 — cat: write error"));
    EXPECT_EQ(DocumentTexts::describe(EditorCore::DocumentError::binary()),
              QStringLiteral("글자 파일이 아닌 것 같아 열지 않았어요."));
}
