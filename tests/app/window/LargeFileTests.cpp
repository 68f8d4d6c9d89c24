#include "app/documents/DocumentServices.h"
#include "app/documents/TextDocument.h"
#include "app/kit/ActionRouter.h"
#include "app/kit/Presenter.h"
#include "app/views/EditorTextView.h"
#include "app/views/TextStorage.h"
#include "app/window/BannerView.h"
#include "app/window/disk/DiskStatesFeature.h"
#include "app/window/DocumentContentView.h"
#include "app/window/DocumentWindowController.h"
#include "app/window/watcher/FileWatcherFeature.h"
#include "app/window/hex/HexViewFeature.h"
#include "app/window/largefile/LargeFileFeature.h"
#include "app/window/largefile/LargeFileLoad.h"
#include "app/window/largefile/LargeLoadBand.h"
#include "app/window/hosting/TextDocumentWindow.h"
#include "core/LineIndex.h"
#include "core/TextCodec.h"
#include "platform/PreferencesDomain.h"
#include "store/Settings.h"
#include "tests/platform/TemporaryFolder.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <fstream>

using EditorDocuments::LargeFileState;
using EditorDocuments::ReadOnlyReason;
using EditorDocuments::TextDocument;
using EditorWindow::BannerView;
using EditorWindow::DocumentWindowController;
using EditorWindow::HexViewFeature;
using EditorWindow::LargeFileFeature;
using EditorWindow::LargeLoadRequest;
using EditorWindow::LargeLoadSteps;
using EditorWindow::TextDocumentWindow;

namespace {

constexpr int patience = 5000;

void writeBytes(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::vector<std::uint8_t> bytesOf(const std::string& bytes)
{
    return {bytes.begin(), bytes.end()};
}

QString flat(const EditorCore::TextSnapshot& text)
{
    return EditorViews::snapshotText(text);
}

QStringList actionTitles(const BannerView* banner)
{
    QStringList titles;
    if (banner) {
        for (const auto& action : banner->actions())
            titles << action.title;
    }
    return titles;
}

void runAction(BannerView* banner, const QString& title)
{
    ASSERT_NE(banner, nullptr);
    for (const auto& action : banner->actions()) {
        if (action.title == title) {
            action.run();
            return;
        }
    }
    FAIL() << "no action " << title.toStdString();
}

// Answers every alert with the next scripted answer and keeps what it was shown.
struct ScriptedPresenter : EditorKit::Presenter
{
    std::vector<int> answers;
    std::vector<EditorKit::Alert> shown;
    int runAlert(const EditorKit::Alert& alert, QWidget*) override
    {
        shown.push_back(alert);
        if (answers.empty())
            return alert.cancelButton.value_or(0);
        const int answer = answers.front();
        answers.erase(answers.begin());
        return answer;
    }
    std::optional<std::filesystem::path> runSavePanel(QWidget*, const QString&) override
    {
        return std::nullopt;
    }
};

// A real document read from a file (every file counts as large unless said otherwise), in a
// window with the loader, the hex view and the disk parts, loading in small steps.
struct LargeFixture
{
    TemporaryFolder folder;
    EditorStore::Settings settings{
        std::make_shared<Platform::PreferencesDomain>(folder / "group-defaults.json"), {}};
    EditorKit::ActionRouter router;
    std::shared_ptr<EditorDocuments::DocumentServices> services =
        std::make_shared<EditorDocuments::DocumentServices>();
    std::shared_ptr<ScriptedPresenter> presenter = std::make_shared<ScriptedPresenter>();
    std::unique_ptr<TextDocument> document;
    LargeLoadSteps steps;
    std::int64_t largeFileMB = 0;
    bool closed = false;

    explicit LargeFixture(LargeLoadSteps loadSteps = {})
        : steps(loadSteps)
    {
        services->largeFileMB = [this] { return largeFileMB; };
        services->newDocumentFormat = [] {
            return EditorDocuments::FileFormat::newDocumentDefault("utf-8", false);
        };
        services->isWritable = [](const std::filesystem::path&) { return true; };
        services->record = [](auto, auto, const auto&) {};
        services->scratchDirectory = folder / "Scratch";
        services->backgroundReadLength = std::uint64_t(1) << 40;
        services->makeWindowController = [this](TextDocument& opened) {
            EditorWindow::WindowEnvironment environment;
            environment.settings = &settings;
            environment.presenter = presenter;
            const LargeLoadSteps chosen = steps;
            environment.features = [chosen] {
                EditorWindow::WindowFeatureList features;
                features.push_back(std::make_unique<EditorWindow::FileWatcherFeature>());
                features.push_back(std::make_unique<EditorWindow::DiskStatesFeature>());
                features.push_back(std::make_unique<LargeFileFeature>(chosen));
                features.push_back(std::make_unique<HexViewFeature>());
                return features;
            };
            auto window = std::make_unique<TextDocumentWindow>(opened, router, environment);
            window->controller().setCloseHandler([this] { closed = true; });
            return window;
        };
    }

    ~LargeFixture()
    {
        if (document)
            document->close();
        document.reset();
        QCoreApplication::processEvents();
    }

    std::filesystem::path file(const std::string& name, const std::string& bytes)
    {
        auto path = folder / name;
        writeBytes(path, bytes);
        return path;
    }

    // Reads the file's head and builds the window; the window opens on the next turn.
    DocumentWindowController& open(const std::filesystem::path& path)
    {
        document = std::make_unique<TextDocument>(services);
        EXPECT_TRUE(document->readFromURL(path).has_value());
        document->makeWindowControllers();
        return controller();
    }

    DocumentWindowController& controller()
    {
        return dynamic_cast<TextDocumentWindow*>(document->editor())->controller();
    }
    LargeFileFeature& large() { return *controller().feature<LargeFileFeature>(); }
    HexViewFeature& hex() { return *controller().feature<HexViewFeature>(); }
    QString text() { return controller().textView()->text(); }
    BannerView* banner(const char* key) { return controller().banner(QString::fromLatin1(key)); }

    // The load under way has finished and its banner is up.
    bool waitForLoad()
    {
        return QTest::qWaitFor(
            [&] {
                return document && document->editor() && !large().isLoading()
                       && document->largeFile() && document->largeFile()->loadedBytes > 0;
            },
            patience);
    }
};

std::string numberedLines(int count)
{
    std::string lines;
    for (int i = 0; i < count; ++i)
        lines += "line " + std::to_string(i) + " 가나다\n";
    return lines;
}

} // namespace

// MARK: the job

TEST(LargeFileLoad, targetIsTheWholeFileUpToTheLimitThenOneStepMore)
{
    struct Case
    {
        const char* name;
        std::uint64_t size;
        std::uint64_t loaded;
        LargeLoadSteps steps;
        std::uint64_t expected;
    };
    const LargeLoadSteps small{100, 30, 8};
    const std::vector<Case> cases = {
        {"exactly 512 MiB is read whole", 536'870'912, 0, {}, 536'870'912},
        {"one byte more reads 64 MiB", 536'870'913, 0, {}, 67'108'864},
        {"the next step starts at what is loaded", 536'870'913, 1'000, {}, 67'109'864},
        {"the last step stops at the end", 536'870'913, 500'000'000, {}, 536'870'913},
        {"small steps: at the limit whole", 100, 0, small, 100},
        {"small steps: over the limit one step", 101, 0, small, 30},
        {"small steps: never past the end", 101, 90, small, 101},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(EditorWindow::largeLoadTarget(c.size, c.loaded, c.steps), c.expected);
    }
}

TEST(LargeFileLoad, charactersAcrossReadsAndStepsArriveWhole)
{
    TemporaryFolder folder;
    // Three-byte characters at every offset against reads of 1 to 5 bytes.
    const std::string bytes = "a가나\n다b라마바\n사아";
    const auto path = folder / "split.txt";
    writeBytes(path, bytes);
    for (std::size_t read = 1; read <= 5; ++read) {
        SCOPED_TRACE(read);
        LargeLoadRequest request;
        request.url = path;
        request.target = bytes.size();
        request.readLength = read;
        request.buildIndex = true;
        auto whole = EditorWindow::runLargeLoad(request, {}, {});
        EXPECT_EQ(flat(whole.text), QString::fromUtf8(bytes.data(), qsizetype(bytes.size())));
        EXPECT_FALSE(whole.lossy);
        EXPECT_EQ(whole.carry, 0u);
        ASSERT_TRUE(whole.index.has_value());
        EXPECT_EQ(whole.index->lineCount(), 3);

        // A job that stops inside "라" (before the end of the file) keeps its first byte for
        // the next job, which continues exactly there.
        request.target = 13;
        request.targetIsEndOfFile = false;
        auto head = EditorWindow::runLargeLoad(request, {}, {});
        EXPECT_FALSE(head.lossy);
        EXPECT_EQ(head.offset, 13u);
        EXPECT_EQ(head.carry, 1u);
        EXPECT_EQ(flat(head.text), QStringLiteral("a가나\n다b"));
        LargeLoadRequest rest = request;
        rest.start = head.offset - head.carry;
        rest.target = bytes.size();
        rest.targetIsEndOfFile = true;
        auto tail = EditorWindow::runLargeLoad(rest, {}, {});
        EXPECT_EQ(flat(head.text) + flat(tail.text),
                  QString::fromUtf8(bytes.data(), qsizetype(bytes.size())));
    }
}

// The first job's index is built from its pieces as they are decoded: a CR LF split between two
// reads is one break, and ASCII runs kept one byte per unit index like decoded ones.
TEST(LargeFileLoad, theIndexOfPiecesIsTheIndexOfTheWholeText)
{
    TemporaryFolder folder;
    struct Case
    {
        const char* name;
        std::string bytes;
        EditorCore::TextEncoding encoding;
    };
    const std::vector<Case> cases{
        {"ASCII UTF-8", "ab\r\ncd\r\r\n\ne\rf\r\n", EditorCore::TextEncoding::utf8},
        {"UTF-8 with NEL and a separator",
         "a\r\n\xC2\x85 b\xE2\x80\xA8\r\nz\r",
         EditorCore::TextEncoding::utf8},
        {"ISO Latin-1 with NEL", "a\r\n\x85\xE9\r\r\n", EditorCore::TextEncoding::isoLatin1},
    };
    for (const auto& c : cases) {
        const auto path = folder / "breaks.txt";
        writeBytes(path, c.bytes);
        const auto expected = EditorCore::TextCodec::decode(
            bytesOf(c.bytes), c.encoding, EditorCore::StripByteOrderMark::no);
        ASSERT_TRUE(expected.has_value());
        for (std::size_t read = 1; read <= 5; ++read) {
            SCOPED_TRACE(testing::Message() << c.name << ", reads of " << read);
            LargeLoadRequest request;
            request.url = path;
            request.target = c.bytes.size();
            request.readLength = read;
            request.encoding = c.encoding;
            request.buildIndex = true;
            auto result = EditorWindow::runLargeLoad(request, {}, {});
            EXPECT_TRUE(result.text.text() == *expected) << "the texts differ";
            ASSERT_TRUE(result.index.has_value());
            EXPECT_EQ(*result.index, EditorCore::LineIndex(*expected));
        }
    }
}

TEST(LargeFileLoad, theMarkIsDroppedOnlyAtTheStartOfAFirstJob)
{
    TemporaryFolder folder;
    std::string bytes = "\xFF\xFE";
    for (char c : std::string("ab\ncd\n"))
        bytes += std::string{c, '\0'};
    const auto path = folder / "marked.txt";
    writeBytes(path, bytes);
    LargeLoadRequest request;
    request.url = path;
    request.target = bytes.size();
    request.encoding = EditorCore::TextEncoding::utf16LE;
    request.skipByteOrderMark = true;
    request.readLength = 4;
    EXPECT_EQ(flat(EditorWindow::runLargeLoad(request, {}, {}).text), QStringLiteral("ab\ncd\n"));
    // A job that begins at the mark's bytes without being asked to drop them keeps them.
    request.skipByteOrderMark = false;
    EXPECT_EQ(flat(EditorWindow::runLargeLoad(request, {}, {}).text),
              QStringLiteral("\uFEFFab\ncd\n"));
}

TEST(LargeFileLoad, aBadByteInCP949BecomesOneReplacementAndAMissingFileAnError)
{
    TemporaryFolder folder;
    auto korean = EditorCore::TextCodec::encode(
        u"한국어 줄\n", EditorCore::TextEncoding::cp949, EditorCore::AddByteOrderMark::no);
    ASSERT_TRUE(korean.has_value());
    std::string line(korean->begin(), korean->end());
    std::string bytes;
    for (int i = 0; i < 50; ++i)
        bytes += line;
    bytes += "\xB0 x\n" + line;
    const auto path = folder / "korean.txt";
    writeBytes(path, bytes);
    LargeLoadRequest request;
    request.url = path;
    request.target = bytes.size();
    request.encoding = EditorCore::TextEncoding::cp949;
    request.readLength = 64;
    auto result = EditorWindow::runLargeLoad(request, {}, {});
    EXPECT_TRUE(result.lossy);
    EXPECT_EQ(flat(result.text).count(QChar(0xFFFD)), 1);
    EXPECT_EQ(flat(result.text).count(QStringLiteral("한국어 줄\n")), 51);

    // A file shorter than when it was opened ends the job at its end, decoded whole.
    request.target = bytes.size() + 100;
    auto shorter = EditorWindow::runLargeLoad(request, {}, {});
    EXPECT_TRUE(shorter.endedEarly);
    EXPECT_EQ(shorter.offset, bytes.size());
    EXPECT_EQ(shorter.carry, 0u);

    request.url = folder / "missing.txt";
    auto missing = EditorWindow::runLargeLoad(request, {}, {});
    EXPECT_TRUE(missing.error.has_value());
    EXPECT_TRUE(missing.text.isEmpty());
    EXPECT_EQ(missing.offset, 0u);
}

// MARK: the window

TEST(LargeFile, aHeadOnlyLoadContinuesExactlyWhereItStopped)
{
    LargeFixture f({200, 120, 16});
    const std::string bytes = numberedLines(30);
    auto& controller = f.open(f.file("log.txt", bytes));
    ASSERT_TRUE(f.waitForLoad());
    // Wrap and invisibles went off before the text came.
    EXPECT_FALSE(controller.display()->options.wrapsLines);
    EXPECT_FALSE(controller.display()->options.showsInvisibles);
    const auto head = *f.document->largeFile();
    EXPECT_LT(head.loadedBytes, 120u);
    EXPECT_EQ(f.text(), QString::fromUtf8(bytes.data(), qsizetype(head.loadedBytes)));
    EXPECT_TRUE(f.text().endsWith(QLatin1Char('\n')));
    EXPECT_EQ(actionTitles(f.banner("largeFile")), QStringList{QStringLiteral("더 읽기")});

    std::uint64_t previous = head.loadedBytes;
    while (f.document->largeFile()->loadedBytes < bytes.size()) {
        runAction(f.banner("largeFile"), QStringLiteral("더 읽기"));
        ASSERT_NE(f.large().band(), nullptr);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !f.large().isLoading(); }, patience));
        ASSERT_GT(f.document->largeFile()->loadedBytes, previous);
        previous = f.document->largeFile()->loadedBytes;
        EXPECT_EQ(f.text(), QString::fromUtf8(bytes.data(), qsizetype(previous)));
    }
    EXPECT_EQ(f.text(), QString::fromUtf8(bytes.data(), qsizetype(bytes.size())));
    EXPECT_EQ(actionTitles(f.banner("largeFile")), QStringList{QStringLiteral("고치기 허용")});
    EXPECT_TRUE(QTest::qWaitFor([&] { return f.document->lineEndings().lf == 30; }, patience));
}

TEST(LargeFile, cancellingClosesTheTabAlsoDuringAContinuation)
{
    LargeFixture f({1 << 20, 1 << 10, 1});
    std::string bytes = numberedLines(200'000);
    f.open(f.file("log.txt", bytes));
    ASSERT_TRUE(f.waitForLoad());
    EXPECT_FALSE(f.closed);
    runAction(f.banner("largeFile"), QStringLiteral("더 읽기"));
    ASSERT_NE(f.large().band(), nullptr);
    f.large().band()->cancelButton()->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return f.closed; }, patience));
    EXPECT_FALSE(f.large().isLoading());
}

TEST(LargeFile, aLossyLoadOffersNoEditing)
{
    LargeFixture f;
    // Past the head that detection reads: the file is taken for UTF-8.
    f.open(f.file("bad.txt", numberedLines(5000) + "bad \xFF byte\nmore\n"));
    ASSERT_TRUE(f.waitForLoad());
    EXPECT_TRUE(f.document->largeFile()->lossy);
    EXPECT_EQ(f.text().count(QChar(0xFFFD)), 1);
    ASSERT_NE(f.banner("largeFile"), nullptr);
    EXPECT_TRUE(actionTitles(f.banner("largeFile")).isEmpty());
    EXPECT_EQ(f.document->readOnlyReason(), ReadOnlyReason::largeFile);
}

TEST(LargeFile, aRefusedSaveShowsItsBannerAgain)
{
    LargeFixture f({20, 12, 4});
    f.open(f.file("log.txt", numberedLines(10)));
    ASSERT_TRUE(f.waitForLoad());
    f.controller().dismissBanner(QStringLiteral("largeFile"));
    ASSERT_EQ(f.banner("largeFile"), nullptr);
    EXPECT_FALSE(f.document->saveDocument());
    EXPECT_NE(f.banner("largeFile"), nullptr);
}

TEST(LargeFile, aFileGoneBeforeItsLoadEndsWithTheBanner)
{
    LargeFixture f;
    auto path = f.file("gone.txt", numberedLines(5));
    auto& controller = f.open(path);
    std::filesystem::remove(path);
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.banner("largeFile") != nullptr; }, patience));
    EXPECT_FALSE(f.large().isLoading());
    EXPECT_EQ(f.large().band(), nullptr);
    EXPECT_TRUE(controller.extraBands().empty() || !controller.extraBands().front());
    EXPECT_EQ(f.document->largeFile()->loadedBytes, 0u);
    EXPECT_EQ(actionTitles(f.banner("largeFile")), QStringList{QStringLiteral("더 읽기")});
}

TEST(LargeFile, theBandShowsProgressInFileSizes)
{
    EditorWindow::LargeLoadBand band(2'000'000, 0, 2'000'000);
    band.update(1'000'000);
    EXPECT_EQ(band.bar()->value(), band.bar()->maximum() / 2);
    EXPECT_TRUE(band.label()->text().contains(QStringLiteral("1.0 MB")));
    EXPECT_TRUE(band.label()->text().contains(QStringLiteral("2.0 MB")));
}

TEST(LargeFile, anOutsideChangeLoadsTheFileAgainFromItsStart)
{
    LargeFixture f;
    auto path = f.file("log.txt", "first\n");
    f.open(path);
    ASSERT_TRUE(f.waitForLoad());
    ASSERT_EQ(f.text(), QStringLiteral("first\n"));
    writeBytes(path, "second version\nof the file\n");
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return f.text() == QStringLiteral("second version\nof the file\n"); }, patience));
    EXPECT_EQ(f.document->largeFile()->size, 27u);
    EXPECT_EQ(f.document->largeFile()->loadedBytes, 27u);
    EXPECT_EQ(f.banner("external.changed"), nullptr);
}

// MARK: not text and hex

TEST(NotText, hexPreviewShowsEightBytesALine)
{
    const std::vector<std::uint8_t> nine = {0, 1, 2, 3, 4, 5, 6, 7, 0xAB};
    EXPECT_EQ(HexViewFeature::hexPreview(nine), QStringLiteral("00 01 02 03 04 05 06 07\nAB"));
    EXPECT_EQ(HexViewFeature::hexPreview({}), QString());
    std::vector<std::uint8_t> forty(40, 0xFF);
    EXPECT_EQ(HexViewFeature::hexPreview(forty).count(QLatin1Char('\n')), 3);
    EXPECT_EQ(HexViewFeature::hexPreview(forty).size(), 32 * 3 - 1);
}

TEST(NotText, eachAnswerOfTheQuestion)
{
    const std::string binary("\x01\x02\x00\x00\xFFhello\x00\x00\x03", 13);
    struct Case
    {
        const char* name;
        int answer;
        bool closes;
        bool hex;
    };
    const std::vector<Case> cases = {
        {"open anyway", HexViewFeature::openAnyway, false, false},
        {"cancel", HexViewFeature::cancel, true, false},
        {"as hex", HexViewFeature::openAsHex, false, true},
        {"closing the alert otherwise", 7, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        LargeFixture f;
        f.largeFileMB = 100;
        f.presenter->answers = {c.answer};
        f.open(f.file("data.bin", binary));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !f.presenter->shown.empty(); }, patience));
        const auto& alert = f.presenter->shown.front();
        EXPECT_EQ(alert.text, QStringLiteral("글자 파일이 아닌 것 같아요."));
        EXPECT_EQ(alert.buttons.size(), 3u);
        EXPECT_EQ(alert.buttons[2], QStringLiteral("16진으로 열기"));
        EXPECT_TRUE(alert.accessoryText.startsWith(QStringLiteral("01 02 00 00 FF 68 65 6C\n6C")));
        QCoreApplication::processEvents();
        EXPECT_EQ(f.closed, c.closes);
        if (c.closes)
            continue;
        EXPECT_EQ(f.document->readOnlyReason(), ReadOnlyReason::notText);
        EXPECT_FALSE(f.document->pendingBinaryHead().has_value());
        EXPECT_NE(f.banner("notText"), nullptr);
        EXPECT_EQ(f.hex().isHexShown(), c.hex);
        EXPECT_EQ(f.text(), QString::fromLatin1(binary.data(), qsizetype(binary.size())));
        EXPECT_FALSE(f.controller().textView()->isEditable());
        // A save is refused, and says why again.
        f.controller().dismissBanner(QStringLiteral("notText"));
        EXPECT_FALSE(f.document->saveDocument());
        EXPECT_NE(f.banner("notText"), nullptr);
    }
}

TEST(NotText, aLargeFileOpenedAsHexLoadsAsLatin1WhenHexIsLeft)
{
    LargeFixture f;
    const std::string binary("\x00\x01\xE9\x00 abc\n\x00\xFF", 11);
    f.presenter->answers = {HexViewFeature::openAsHex};
    f.open(f.file("large.bin", binary));
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.hex().isHexShown(); }, patience));
    EXPECT_EQ(f.document->readOnlyReason(), ReadOnlyReason::notText);
    EXPECT_EQ(f.controller().content()->bodyCover(), f.hex().hexView());
    // A load would start from the interface thread's own turn: let what is queued there run.
    QCoreApplication::processEvents();
    EXPECT_FALSE(f.large().isLoading());
    EXPECT_EQ(f.document->largeFile()->loadedBytes, 0u);
    EXPECT_TRUE(f.text().isEmpty());

    f.controller().performAction("toggleHex:", {});
    EXPECT_FALSE(f.hex().isHexShown());
    ASSERT_TRUE(f.waitForLoad());
    EXPECT_EQ(f.text(), QString::fromLatin1(binary.data(), qsizetype(binary.size())));
    // Shown not as text: no large-file banner, the not-text one stays.
    EXPECT_EQ(f.banner("largeFile"), nullptr);
    EXPECT_NE(f.banner("notText"), nullptr);
}

TEST(NotText, anUntitledDocumentOffersNoHex)
{
    LargeFixture f;
    f.document = std::make_unique<TextDocument>(f.services);
    f.document->setPendingBinaryHead(std::vector<std::uint8_t>{0, 1, 2});
    f.document->makeWindowControllers();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !f.presenter->shown.empty(); }, patience));
    EXPECT_EQ(f.presenter->shown.front().buttons.size(), 2u);
    EXPECT_TRUE(f.closed);
    f.closed = false;
    f.hex().toggleHex();
    EXPECT_FALSE(f.hex().isHexShown());
    EXPECT_FALSE(f.controller().validateAction("toggleHex:", {}));
}

TEST(NotText, aFileThatCannotBeReadForHexSaysSoAndStaysText)
{
    LargeFixture f;
    f.largeFileMB = 100;
    auto path = f.file("notes.txt", "text\n");
    f.open(path);
    QCoreApplication::processEvents();
    std::filesystem::remove(path);
    f.hex().setHexMode(true);
    EXPECT_FALSE(f.hex().isHexShown());
    ASSERT_NE(f.banner("hex"), nullptr);
    EXPECT_EQ(f.banner("hex")->kind(), BannerView::Kind::warning);
    EXPECT_TRUE(f.banner("hex")->message().startsWith(QStringLiteral("16진으로 열지 못했어요 — ")));
}
