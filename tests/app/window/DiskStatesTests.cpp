#include "app/documents/DocumentController.h"
#include "app/documents/DocumentServices.h"
#include "app/documents/TextDocument.h"
#include "app/kit/ActionRouter.h"
#include "app/kit/HostWindow.h"
#include "app/kit/TabPage.h"
#include "app/views/EditorTextView.h"
#include "app/window/DocumentWindowController.h"
#include "app/window/disk/DiskStatesFeature.h"
#include "app/window/hosting/TextDocumentWindow.h"
#include "app/window/watcher/FileWatcherFeature.h"
#include "platform/FileWatcher.h"
#include "platform/Folders.h"
#include "platform/PreferencesDomain.h"
#include "platform/Uuid.h"
#include "store/ScratchStore.h"
#include "store/Settings.h"
#include "tests/app/EventLoopWaits.h"
#include "tests/app/window/FakeDocument.h"
#include "tests/app/window/FileWatcherOf.h"
#include "tests/platform/TemporaryFolder.h"

#include <QInputMethodEvent>
#include <QPushButton>
#include <QScopeGuard>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <future>
#include <iterator>
#include <unistd.h>

using EditorCore::DiskIdentity;
using EditorDocuments::TextDocument;
using EditorWindow::BannerView;
using EditorWindow::DiskStatesFeature;
using EditorWindow::DocumentWindowController;
using EditorWindow::TextDocumentWindow;
using WindowTest::FakeDocument;

namespace {

constexpr int patience = 3000;

std::string readBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void writeBytes(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// Another program's safe save: a new file renamed over the old one.
void replaceBySafeSave(const std::filesystem::path& path, const std::string& bytes)
{
    auto temporary = path;
    temporary += ".new";
    writeBytes(temporary, bytes);
    std::filesystem::rename(temporary, path);
}

QStringList bannerKeys(const DocumentWindowController& controller)
{
    QStringList keys;
    for (const auto& banner : controller.banners()) {
        if (banner)
            keys << banner->key();
    }
    return keys;
}

void clickAction(BannerView* banner, const QString& title)
{
    ASSERT_NE(banner, nullptr);
    for (auto* button : banner->actionButtons()) {
        if (button->text() == title) {
            button->click();
            return;
        }
    }
    FAIL() << "no action " << title.toStdString();
}

QStringList actionTitles(BannerView* banner)
{
    QStringList titles;
    for (const auto& action : banner->actions())
        titles << action.title;
    return titles;
}

// A real document read from a file, in a window with the shipped features and file watcher.
struct DiskFixture
{
    TemporaryFolder folder;
    EditorStore::Settings settings{
        std::make_shared<Platform::PreferencesDomain>(folder / "group-defaults.json"), {}};
    EditorKit::ActionRouter router;
    std::shared_ptr<EditorDocuments::DocumentServices> services =
        std::make_shared<EditorDocuments::DocumentServices>();
    std::unique_ptr<TextDocument> document;

    DiskFixture()
    {
        services->largeFileMB = [] { return std::int64_t(100); };
        services->newDocumentFormat = [] {
            return EditorDocuments::FileFormat::newDocumentDefault("utf-8", false);
        };
        services->isWritable = [](const std::filesystem::path&) { return true; };
        services->record = [](auto, auto, const auto&) {};
        services->scratchDirectory = folder / "Scratch";
        services->makeWindowController = [this](TextDocument& opened) {
            EditorWindow::WindowEnvironment environment;
            environment.settings = &settings;
            return std::make_unique<TextDocumentWindow>(opened, router, environment);
        };
    }

    ~DiskFixture()
    {
        if (document)
            document->close();
        document.reset();
        QCoreApplication::processEvents();
    }

    DocumentWindowController& open(const std::filesystem::path& path)
    {
        document = std::make_unique<TextDocument>(services);
        EXPECT_TRUE(document->readFromURL(path).has_value());
        document->makeWindowControllers();
        auto& opened = controller();
        // The watcher arms once the window has opened.
        QCoreApplication::processEvents();
        EXPECT_TRUE(WindowTest::fileWatcherOf(opened)
                    && WindowTest::fileWatcherOf(opened)->isArmed());
        return opened;
    }

    DocumentWindowController& controller()
    {
        return dynamic_cast<TextDocumentWindow*>(document->editor())->controller();
    }
    DiskStatesFeature& disk() { return *controller().feature<DiskStatesFeature>(); }

    // The watcher has taken what the file's last writes raised, a vanished file's time to
    // come back is over, and every comparison started meanwhile has come back.
    bool settled()
    {
        if (auto* watcher = WindowTest::fileWatcherOf(controller());
            watcher && !OlvTests::waitUntilDescriptorRead(watcher->descriptor()))
            return false;
        if (!OlvTests::waitPastTimersOf(
                std::chrono::milliseconds(DiskStatesFeature::settleMilliseconds)))
            return false;
        return QTest::qWaitFor(
            [&] { return disk().comparisonsFinished() == disk().comparisonsStarted(); }, patience);
    }
    QString text() { return controller().textView()->text(); }
};

// A window around a fake document whose every fact the test sets; its watcher reports to the
// disk-states part as the shipped window's does.
struct FakeDiskFixture
{
    TemporaryFolder folder;
    EditorStore::Settings settings{
        std::make_shared<Platform::PreferencesDomain>(folder / "group-defaults.json"), {}};
    EditorKit::ActionRouter router;
    std::unique_ptr<FakeDocument> document;
    std::unique_ptr<DocumentWindowController> controller;

    explicit FakeDiskFixture(const std::string& bytes,
                             std::function<void(FakeDocument&)> prepare = {})
    {
        auto path = folder / "notes.txt";
        writeBytes(path, bytes);
        document = std::make_unique<FakeDocument>(QString::fromStdString(bytes));
        document->url = path;
        document->identity = DiskIdentity::read(path, DiskIdentity::documentHashLimit);
        if (prepare)
            prepare(*document);
        EditorWindow::WindowEnvironment environment;
        environment.settings = &settings;
        environment.onDiskChange = [this] {
            if (controller)
                disk().checkDisk();
        };
        controller = std::make_unique<DocumentWindowController>(*document, router, environment);
        QCoreApplication::processEvents();
    }

    ~FakeDiskFixture()
    {
        controller.reset();
        document.reset();
        QCoreApplication::processEvents();
    }

    std::filesystem::path path() const { return *document->url; }
    DiskStatesFeature& disk() { return *controller->feature<DiskStatesFeature>(); }
    QString text() { return controller->textView()->text(); }
};

} // namespace

TEST(DiskStates, anOutsideWriteToAnUneditedDocumentReloadsSilently)
{
    DiskFixture f;
    auto path = f.folder / "notes.txt";
    // One CR LF among LFs: the window offers to unify them.
    std::string lines = "line 0\r\n";
    for (int line = 1; line < 300; ++line)
        lines += "line " + std::to_string(line) + "\n";
    writeBytes(path, lines);
    auto& controller = f.open(path);
    const QStringList mixed{QStringLiteral("lineEndings.mixed")};
    EXPECT_EQ(bannerKeys(controller), mixed);
    controller.showWindow();
    controller.page()->window()->resize(800, 400);
    QCoreApplication::processEvents();
    auto* view = controller.textView();
    view->setSelectedRange({100, 0});
    view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum() / 2);
    const int scrolled = view->verticalScrollBar()->value();
    ASSERT_GT(scrolled, 0);

    // Longer than the caret's offset: the caret stays where it was, so does the scroll.
    writeBytes(path, "changed\n" + lines);
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.text().startsWith("changed\n"); }, patience));
    EXPECT_EQ(view->selectedRange().location, 100);
    EXPECT_EQ(view->verticalScrollBar()->value(), scrolled);
    EXPECT_EQ(f.document->undoStack()->count(), 0);
    EXPECT_FALSE(f.document->isDocumentEdited());
    EXPECT_EQ(bannerKeys(controller), mixed);
    EXPECT_EQ(f.document->diskIdentity(),
              DiskIdentity::read(path, DiskIdentity::documentHashLimit));

    // Shorter: the caret is clamped to the new end. Bytes that no longer decode as UTF-8 are
    // read in a detected encoding, while the document keeps its own.
    writeBytes(path, "caf\xe9\n");
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.text() == QStringLiteral("café\n"); }, patience));
    EXPECT_EQ(view->selectedRange().location, 5);
    EXPECT_EQ(f.document->format().encoding, EditorCore::TextEncoding::utf8);
    EXPECT_FALSE(f.document->isDocumentEdited());
    EXPECT_EQ(f.document->lineEndings().crlf, 0);
    EXPECT_TRUE(bannerKeys(controller).isEmpty()) << "the endings are no longer mixed";
}

// Past its open, a file read again goes to the reading worker when it is long (here every
// file is): the window takes no typing until the file's text is in, and the edited window's
// load of the outside version is still one undoable step.
TEST(DiskStates, theReadsAfterAnOutsideChangeRunOnTheReadingWorker)
{
    DiskFixture f;
    auto path = f.folder / "notes.txt";
    writeBytes(path, "one\n");
    auto& controller = f.open(path);
    f.services->backgroundReadLength = 1;
    {
        std::promise<void> gate;
        f.services->readingQueue->async([held = gate.get_future().share()] { held.wait(); });
        writeBytes(path, "two\n");
        const bool waiting = QTest::qWaitFor([&] { return f.document->isLoading(); }, patience);
        EXPECT_TRUE(waiting);
        EXPECT_FALSE(controller.textView()->isEditable())
            << "nothing is typed into a text about to be replaced";
        EXPECT_EQ(f.text(), QStringLiteral("one\n"));
        gate.set_value();
        ASSERT_TRUE(waiting);
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.text() == QStringLiteral("two\n"); }, patience));
    EXPECT_TRUE(controller.textView()->isEditable());
    EXPECT_FALSE(f.document->isDocumentEdited());
    EXPECT_EQ(f.document->diskIdentity(),
              DiskIdentity::read(path, DiskIdentity::documentHashLimit));

    ASSERT_TRUE(f.settled());
    controller.textView()->setSelectedRange({4, 0});
    controller.textView()->insertText(QStringLiteral("mine\n"));
    writeBytes(path, "theirs\n");
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return controller.banner(QStringLiteral("external.changed")); }, patience));
    clickAction(controller.banner(QStringLiteral("external.changed")),
                QStringLiteral("바깥 것 불러오기"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.text() == QStringLiteral("theirs\n"); }, patience));
    EXPECT_EQ(f.document->undoStack()->undoText(), QStringLiteral("바깥 것 불러오기"));
    f.document->undoStack()->undo();
    EXPECT_EQ(f.text(), QStringLiteral("two\nmine\n"));
}

TEST(DiskStates, anEditOrACompositionGetsOneExternalChangeBanner)
{
    struct Case
    {
        const char* name;
        std::function<void(EditorViews::EditorTextView&)> prepare;
    };
    const Case cases[] = {
        {"typed", [](auto& view) { view.insertText(QStringLiteral("mine ")); }},
        {"composing",
         [](auto& view) {
             QInputMethodEvent composing(QStringLiteral("ㅎ"), {});
             QCoreApplication::sendEvent(&view, &composing);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DiskFixture f;
        auto path = f.folder / "notes.txt";
        writeBytes(path, "one\n");
        auto& controller = f.open(path);
        c.prepare(*controller.textView());
        const QString before = f.text();

        writeBytes(path, "two\n");
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return controller.banner(QStringLiteral("external.changed")); }, patience));
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return WindowTest::fileWatcherOf(controller)->isArmed(); }, patience));
        const int checked = f.disk().comparisonsStarted();
        writeBytes(path, "three\n");
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return f.disk().comparisonsStarted() > checked; }, patience));
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return f.disk().comparisonsFinished() == f.disk().comparisonsStarted(); },
            patience));
        EXPECT_EQ(bannerKeys(controller), QStringList{QStringLiteral("external.changed")});
        EXPECT_EQ(f.text(), before) << "the edits stay";
        EXPECT_EQ(actionTitles(controller.banner(QStringLiteral("external.changed"))),
                  (QStringList{QStringLiteral("바깥 것 보기"),
                               QStringLiteral("바깥 것 불러오기"),
                               QStringLiteral("내 것 저장")}));
    }
}

TEST(DiskStates, loadingTheOutsideVersionIsOneUndoableStep)
{
    DiskFixture f;
    auto path = f.folder / "notes.txt";
    writeBytes(path, "one\n");
    auto& controller = f.open(path);
    controller.textView()->setSelectedRange({4, 0});
    controller.textView()->insertText(QStringLiteral("mine\n"));
    writeBytes(path, "theirs\n");
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return controller.banner(QStringLiteral("external.changed")); }, patience));

    clickAction(controller.banner(QStringLiteral("external.changed")),
                QStringLiteral("바깥 것 불러오기"));
    EXPECT_EQ(f.text(), QStringLiteral("theirs\n"));
    EXPECT_EQ(controller.banner(QStringLiteral("external.changed")), nullptr);
    EXPECT_TRUE(f.document->isDocumentEdited());
    EXPECT_EQ(f.document->undoStack()->undoText(), QStringLiteral("바깥 것 불러오기"));
    f.document->undoStack()->undo();
    EXPECT_EQ(f.text(), QStringLiteral("one\nmine\n"));
}

TEST(DiskStates, keepingMineSavesOverTheOutsideVersion)
{
    DiskFixture f;
    auto path = f.folder / "notes.txt";
    writeBytes(path, "one\n");
    auto& controller = f.open(path);
    controller.textView()->insertText(QStringLiteral("mine "));
    writeBytes(path, "theirs\n");
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return controller.banner(QStringLiteral("external.changed")); }, patience));

    clickAction(controller.banner(QStringLiteral("external.changed")),
                QStringLiteral("내 것 저장"));
    ASSERT_TRUE(f.document->waitForSaves());
    QCoreApplication::processEvents();
    EXPECT_EQ(readBytes(path), "mine one\n");
    EXPECT_FALSE(f.document->isDocumentEdited());
    ASSERT_TRUE(f.settled());
    EXPECT_TRUE(bannerKeys(controller).isEmpty()) << "the own save raises nothing";
}

TEST(DiskStates, theOutsideVersionOpensReadOnlyInAWindowOfItsOwn)
{
    DiskFixture f;
    EditorDocuments::DocumentController documents(f.services);
    f.router.setDocumentController(&documents);
    auto path = f.folder / "notes.txt";
    writeBytes(path, "one\n");
    auto& controller = f.open(path);
    controller.showWindow();
    controller.textView()->insertText(QStringLiteral("mine "));
    writeBytes(path, "theirs\n");
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return controller.banner(QStringLiteral("external.changed")); }, patience));

    clickAction(controller.banner(QStringLiteral("external.changed")),
                QStringLiteral("바깥 것 보기"));
    ASSERT_EQ(documents.documents().size(), 1u);
    TextDocument* copy = documents.documents().front();
    EXPECT_TRUE(copy->isExternalCopy());
    EXPECT_EQ(copy->displayName(), QStringLiteral("notes.txt — 바깥 것"));
    auto& copyWindow = dynamic_cast<TextDocumentWindow*>(copy->editor())->controller();
    EXPECT_EQ(copyWindow.textView()->text(), QStringLiteral("theirs\n"));
    EXPECT_FALSE(copyWindow.textView()->isEditable());
    ASSERT_NE(copyWindow.hostWindow(), nullptr);
    EXPECT_NE(copyWindow.hostWindow(), controller.hostWindow());
    EXPECT_GT(copyWindow.hostWindow()->geometry().x(), controller.hostWindow()->geometry().x());
    QCoreApplication::processEvents();
    EXPECT_EQ(WindowTest::fileWatcherOf(copyWindow), nullptr);
    // Mine stays as it was, and so does the question.
    EXPECT_EQ(f.text(), QStringLiteral("mine one\n"));
    EXPECT_NE(controller.banner(QStringLiteral("external.changed")), nullptr);
    f.router.setDocumentController(nullptr);
}

TEST(DiskStates, aTouchedFileAdoptsItsIdentityWithoutABanner)
{
    DiskFixture f;
    auto path = f.folder / "notes.txt";
    writeBytes(path, "one\n");
    auto& controller = f.open(path);
    controller.textView()->insertText(QStringLiteral("mine "));
    const auto before = *f.document->diskIdentity();

    std::filesystem::last_write_time(
        path, std::filesystem::last_write_time(path) + std::chrono::hours(1));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return f.document->diskIdentity()->modifiedAt != before.modifiedAt; }, patience));
    EXPECT_EQ(f.document->diskIdentity()->contentHash, before.contentHash);
    EXPECT_TRUE(bannerKeys(controller).isEmpty());
    EXPECT_EQ(f.text(), QStringLiteral("mine one\n"));
}

TEST(DiskStates, aFileOverTheHashLimitWhoseDateChangesCountsAsChanged)
{
    const std::string line(1023, 'a');
    std::string bytes;
    bytes.reserve(101u << 20);
    while (bytes.size() < (101u << 20))
        bytes += line + "\n";
    FakeDiskFixture f(std::string("small\n"), [&](FakeDocument& document) {
        writeBytes(*document.url, bytes);
        document.identity = DiskIdentity::read(*document.url, DiskIdentity::documentHashLimit);
        // Edited, so a change shows a banner instead of reloading.
        document.editedByDocument = true;
    });
    ASSERT_FALSE(f.document->identity->contentHash.has_value());
    std::filesystem::last_write_time(
        f.path(), std::filesystem::last_write_time(f.path()) + std::chrono::hours(1));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return f.controller->banner(QStringLiteral("external.changed")); }, patience));
}

TEST(DiskStates, aLargeFilesChangeAsksInsteadOfReadingItWhole)
{
    // A large file's text is read in parts, and reading it whole here would stall the window
    // and duplicate text later. Unedited, its load starts over (the large-file tests show
    // that); with edits it asks, without the actions that would read the file whole.
    FakeDiskFixture f("first part\n", [](FakeDocument& document) {
        document.largeFile = true;
        document.editedByDocument = true;
        document.largeFileDetails =
            EditorDocuments::LargeFileState{*document.url, 11, 11, false};
    });
    writeBytes(f.path(), "first part\nand more\n");
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return f.controller->banner(QStringLiteral("external.changed")); }, patience));
    EXPECT_EQ(f.text(), QStringLiteral("first part\n"));
    // Keeping mine needs no read of the file, so it stays.
    EXPECT_EQ(actionTitles(f.controller->banner(QStringLiteral("external.changed"))),
              QStringList{QStringLiteral("내 것 저장")});
}

TEST(DiskStates, aFileInTheTrashIsGoneWithoutAComparison)
{
    DiskFixture f;
    const auto trash = Platform::Folders::dataHome() / "Trash" / "files";
    std::filesystem::create_directories(trash);
    auto inTrash = trash / "trashed-notes.txt";
    writeBytes(inTrash, "one\n");
    auto& controller = f.open(inTrash);
    f.disk().checkDisk();
    EXPECT_NE(controller.banner(QStringLiteral("file.gone")), nullptr);
    EXPECT_EQ(f.disk().comparisonsStarted(), 0);
    f.document->close();
    f.document.reset();
    std::filesystem::remove(inTrash);

    // A file moved into the trash while open is gone from its folder.
    auto path = f.folder / "notes.txt";
    writeBytes(path, "one\n");
    auto& moved = f.open(path);
    std::filesystem::rename(path, trash / "notes.txt");
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return moved.banner(QStringLiteral("file.gone")); }, patience));
    EXPECT_EQ(f.document->fileURL(), path);
    EXPECT_EQ(f.text(), QStringLiteral("one\n"));
    std::filesystem::remove(trash / "notes.txt");
}

TEST(DiskStates, anotherProgramsSafeSaveIsReadAndWatchedAgain)
{
    DiskFixture f;
    auto path = f.folder / "notes.txt";
    writeBytes(path, "one\n");
    auto& controller = f.open(path);
    replaceBySafeSave(path, "two\n");
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.text() == QStringLiteral("two\n"); }, patience));
    ASSERT_TRUE(QTest::qWaitFor([&] { return WindowTest::fileWatcherOf(controller)->isArmed(); },
                                patience));
    writeBytes(path, "three\n");
    EXPECT_TRUE(QTest::qWaitFor([&] { return f.text() == QStringLiteral("three\n"); }, patience));
    ASSERT_TRUE(f.settled());
    EXPECT_TRUE(bannerKeys(controller).isEmpty());
    EXPECT_EQ(f.document->fileURL(), path);
}

TEST(DiskStates, aRenameInTheSameFolderIsFollowed)
{
    DiskFixture f;
    auto path = f.folder / "notes.txt";
    auto renamed = f.folder / "renamed.txt";
    writeBytes(path, "one\n");
    auto& controller = f.open(path);
    std::filesystem::rename(path, renamed);
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.document->fileURL() == renamed; }, patience));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return WindowTest::fileWatcherOf(controller)
                   && WindowTest::fileWatcherOf(controller)->path() == renamed
                   && WindowTest::fileWatcherOf(controller)->isArmed();
        },
        patience));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return controller.page()->windowTitle() == QStringLiteral("renamed.txt"); },
        patience));

    writeBytes(renamed, "two\n");
    EXPECT_TRUE(QTest::qWaitFor([&] { return f.text() == QStringLiteral("two\n"); }, patience));
    EXPECT_TRUE(bannerKeys(controller).isEmpty());
}

TEST(DiskStates, aRenameAfterSavingUnderAnotherNameFollowsTheNewFile)
{
    DiskFixture f;
    auto path = f.folder / "notes.txt";
    auto other = f.folder / "other.txt";
    auto moved = f.folder / "moved.txt";
    f.services->chooseSaveLocation = [&](TextDocument&) { return std::optional(other); };
    writeBytes(path, "one\n");
    auto& controller = f.open(path);
    controller.textView()->insertText(QStringLiteral("x"));
    ASSERT_TRUE(f.document->saveDocumentAs());
    ASSERT_TRUE(f.document->waitForSaves());
    QCoreApplication::processEvents();
    ASSERT_EQ(f.document->fileURL(), other);

    std::filesystem::rename(other, moved);
    EXPECT_TRUE(QTest::qWaitFor([&] { return f.document->fileURL() == moved; }, patience))
        << "followed to " << f.document->fileURL()->string();
    EXPECT_TRUE(bannerKeys(controller).isEmpty());
}

TEST(DiskStates, aDeletedFileIsGoneAndItsTextStays)
{
    DiskFixture f;
    auto path = f.folder / "notes.txt";
    writeBytes(path, "one\n");
    auto& controller = f.open(path);
    std::filesystem::remove(path);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return controller.banner(QStringLiteral("file.gone")); }, patience));
    EXPECT_EQ(f.text(), QStringLiteral("one\n"));
    EXPECT_EQ(f.document->fileURL(), path);
    // Shown once, however often it is asked for.
    f.disk().showFileGoneBanner();
    EXPECT_EQ(bannerKeys(controller), QStringList{QStringLiteral("file.gone")});
}

TEST(DiskStates, theDocumentsOwnSaveRaisesNothing)
{
    DiskFixture f;
    auto path = f.folder / "notes.txt";
    writeBytes(path, "one\n");
    auto& controller = f.open(path);
    for (int save = 0; save < 3; ++save) {
        controller.textView()->insertText(QStringLiteral("x"));
        ASSERT_TRUE(f.document->saveDocument());
        ASSERT_TRUE(f.document->waitForSaves());
        ASSERT_TRUE(f.settled());
    }
    EXPECT_TRUE(bannerKeys(controller).isEmpty());
    EXPECT_EQ(f.text(), QStringLiteral("xxxone\n"));
    EXPECT_EQ(readBytes(path), "xxxone\n");
}

// Another program appends to the file the moment the document's own save has put its bytes
// there, and the window handles what its watcher saw while it still takes the file's changes
// for that save's writing. Unedited after the save, the document takes the appended line in
// silently; a later save would otherwise write the file without it.
TEST(DiskStates, anAppendRightAfterTheDocumentsOwnSaveIsReloaded)
{
    for (bool inPlace : {false, true}) {
        SCOPED_TRACE(inPlace ? "rewritten in place" : "replaced by a rename");
        DiskFixture f;
        auto path = f.folder / "growing.log";
        writeBytes(path, "log line 1\n");
        f.services->saverOptions.recoveryFolder = f.folder / "recovery";
        if (inPlace)
            f.services->saverOptions.isFolderWritable = [](const std::filesystem::path&) {
                return false;
            };
        auto appended = std::make_shared<std::atomic<bool>>(false);
        auto release = std::make_shared<std::promise<void>>();
        std::shared_future<void> released = release->get_future().share();
        bool releasedYet = false;
        auto releaseOnExit = qScopeGuard([&] {
            if (!releasedYet)
                release->set_value();
        });
        // The first flush that finds the saved bytes at the path comes after the rename (the
        // folder's) or after the cut (the file's own); the save has not finished.
        f.services->saverOptions.calls.fsync =
            [path, appended, released](int fd, const std::filesystem::path&) {
                if (!*appended && readBytes(path) == "xlog line 1\n") {
                    std::ofstream(path, std::ios::binary | std::ios::app) << "log line 2 한글\n";
                    *appended = true;
                    released.wait_for(std::chrono::seconds(30));
                }
                return ::fsync(fd);
            };
        auto& controller = f.open(path);
        auto* watcher = WindowTest::fileWatcherOf(controller);
        controller.textView()->insertText(QStringLiteral("x"));
        ASSERT_TRUE(f.document->saveDocument());
        ASSERT_TRUE(QTest::qWaitFor([&] { return appended->load(); }, patience));
        ASSERT_TRUE(OlvTests::waitUntilDescriptorRead(watcher->descriptor()));
        ASSERT_TRUE(f.document->isWritingToDisk());
        releasedYet = true;
        release->set_value();

        const QString both = QString::fromUtf8("xlog line 1\nlog line 2 한글\n");
        EXPECT_TRUE(QTest::qWaitFor([&] { return f.text() == both; }, patience))
            << f.text().toStdString();
        ASSERT_TRUE(f.settled());
        EXPECT_FALSE(f.document->isDocumentEdited());
        EXPECT_TRUE(bannerKeys(controller).isEmpty());
        EXPECT_EQ(f.document->diskIdentity(),
                  DiskIdentity::read(path, DiskIdentity::documentHashLimit));
    }
}

TEST(DiskStates, allowingEditingFollowsTheReadOnlyReason)
{
    using Reason = EditorDocuments::ReadOnlyReason;
    using State = EditorDocuments::LargeFileState;
    struct Case
    {
        const char* name;
        std::optional<Reason> reason;
        std::optional<State> largeFile;
        bool allowed;
    };
    const Case cases[] = {
        {"chosen by the user", Reason::userChose, std::nullopt, true},
        {"large, no state", Reason::largeFile, std::nullopt, true},
        {"large, all read", Reason::largeFile, State{{}, 100, 100, false}, true},
        {"large, partly read", Reason::largeFile, State{{}, 100, 40, false}, false},
        {"large, lossy", Reason::largeFile, State{{}, 100, 100, true}, false},
        {"no permission", Reason::noPermission, std::nullopt, false},
        {"outside copy", Reason::externalCopy, std::nullopt, false},
        {"editable", std::nullopt, std::nullopt, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeDiskFixture f("text\n", [&](FakeDocument& document) {
            document.reason = c.reason;
            document.readOnly = c.reason.has_value();
            document.largeFileDetails = c.largeFile;
        });
        f.controller->showBanner(
            QStringLiteral("largeFile"), BannerView::Kind::info, QStringLiteral("large"), {});
        EXPECT_EQ(f.controller->validateAction("allowEditing:", {}), c.allowed);
        f.controller->performAction("allowEditing:", {});
        EXPECT_EQ(f.controller->textView()->isEditable(), c.allowed || !c.reason);
        EXPECT_EQ(f.controller->banner(QStringLiteral("largeFile")) == nullptr, c.allowed);
    }
}

TEST(DiskStates, theRescuedBannerOffersTheOriginOnlyWhileItExists)
{
    TemporaryFolder folder;
    auto origin = folder / "origin.txt";
    writeBytes(origin, "file\n");
    for (bool exists : {true, false}) {
        SCOPED_TRACE(exists);
        if (!exists)
            std::filesystem::remove(origin);
        FakeDiskFixture f("kept edits\n", [&](FakeDocument& document) {
            document.url.reset();
            document.origin = origin;
        });
        BannerView* rescued = f.controller->banner(QStringLiteral("rescued"));
        ASSERT_NE(rescued, nullptr);
        EXPECT_TRUE(rescued->message().startsWith(QStringLiteral("「origin.txt」 에 저장하지")));
        QStringList expected{QStringLiteral("다른 이름으로 저장"), QStringLiteral("버리기")};
        if (exists)
            expected.prepend(QStringLiteral("원래 파일 열기"));
        EXPECT_EQ(actionTitles(rescued), expected);
        clickAction(rescued, QStringLiteral("버리기"));
        EXPECT_TRUE(QTest::qWaitFor([&] { return f.document->discards == 1; }, patience));
    }
}

TEST(DiskStates, discardingRescuedEditsDeletesThemAndReportsTheClose)
{
    DiskFixture f;
    auto origin = f.folder / "origin.txt";
    writeBytes(origin, "file\n");
    EditorStore::ScratchStore store(f.services->scratchDirectory);
    const auto id = Platform::Uuid::random();
    ASSERT_TRUE(
        store.save(id, u"unsaved edits\n", std::chrono::system_clock::now(), origin.string())
            .has_value());

    auto rescued = TextDocument::makeScratch(id, QStringLiteral("unsaved edits\n"), f.services);
    ASSERT_EQ(rescued->rescuedOrigin(), origin);
    bool closeReported = false;
    QObject::connect(rescued.get(), &TextDocument::documentDidClose, [&] { closeReported = true; });
    rescued->makeWindowControllers();
    auto& window = dynamic_cast<TextDocumentWindow*>(rescued->editor())->controller();
    window.setCloseHandler([&] { rescued->close(); });
    clickAction(window.banner(QStringLiteral("rescued")), QStringLiteral("버리기"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return closeReported; }, patience));
    EXPECT_EQ(rescued->editor(), nullptr);
    EXPECT_FALSE(store.meta(id).has_value()) << "the kept text is deleted";
}
