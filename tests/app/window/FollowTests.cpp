#include "app/documents/DocumentServices.h"
#include "app/documents/TextDocument.h"
#include "app/kit/ActionRouter.h"
#include "app/kit/TabPage.h"
#include "app/views/EditorTextView.h"
#include "app/window/disk/DiskStatesFeature.h"
#include "app/window/DocumentWindowController.h"
#include "app/window/follow/FollowFeature.h"
#include "app/window/largefile/LargeFileFeature.h"
#include "app/window/suspicious/SuspiciousMarksFeature.h"
#include "app/window/hosting/TextDocumentWindow.h"
#include "core/DiskIdentity.h"
#include "platform/PreferencesDomain.h"
#include "store/Settings.h"
#include "tests/platform/TemporaryFolder.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QScrollBar>
#include <QTest>
#include <QUndoStack>

#include <gtest/gtest.h>

#include <fstream>

using EditorDocuments::TextDocument;
using EditorWindow::DocumentWindowController;
using EditorWindow::FollowFeature;
using EditorWindow::TextDocumentWindow;

namespace {

void writeBytes(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

void appendBytes(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::app) << bytes;
}

// A real document in a window whose follow timer never fires by itself: the test steps.
struct FollowFixture
{
    TemporaryFolder folder;
    EditorStore::Settings settings{
        std::make_shared<Platform::PreferencesDomain>(folder / "group-defaults.json"), {}};
    EditorKit::ActionRouter router;
    std::shared_ptr<EditorDocuments::DocumentServices> services =
        std::make_shared<EditorDocuments::DocumentServices>();
    std::unique_ptr<TextDocument> document;
    std::filesystem::path path = folder / "app.log";

    // `largeFileMB`: files above it are large files, read in parts by the large-file loader.
    explicit FollowFixture(const std::string& initial, std::int64_t largeFileMB = 100)
    {
        services->largeFileMB = [largeFileMB] { return largeFileMB; };
        services->newDocumentFormat = [] {
            return EditorDocuments::FileFormat::newDocumentDefault("utf-8", false);
        };
        services->isWritable = [](const std::filesystem::path&) { return true; };
        services->record = [](auto, auto, const auto&) {};
        services->scratchDirectory = folder / "Scratch";
        services->makeWindowController = [this](TextDocument& opened) {
            EditorWindow::WindowEnvironment environment;
            environment.settings = &settings;
            environment.onDiskChange = [] {};
            environment.features = [] {
                EditorWindow::WindowFeatureList features;
                features.push_back(std::make_unique<EditorWindow::DiskStatesFeature>());
                features.push_back(std::make_unique<EditorWindow::LargeFileFeature>());
                features.push_back(
                    std::make_unique<FollowFeature>(std::chrono::milliseconds(1'000'000)));
                return features;
            };
            return std::make_unique<TextDocumentWindow>(opened, router, environment);
        };
        writeBytes(path, initial);
        document = std::make_unique<TextDocument>(services);
        EXPECT_TRUE(document->readFromURL(path).has_value());
        document->makeWindowControllers();
        controller().page()->resize(800, 400);
        QCoreApplication::processEvents();
    }

    ~FollowFixture()
    {
        if (document)
            document->close();
        document.reset();
        QCoreApplication::processEvents();
    }

    DocumentWindowController& controller()
    {
        return dynamic_cast<TextDocumentWindow*>(document->editor())->controller();
    }
    FollowFeature& follow() { return *controller().feature<FollowFeature>(); }
    QString text() { return controller().textView()->text(); }
    // A long file read again goes to the reading worker: its text is in once loading ends.
    bool readsDone()
    {
        return QTest::qWaitFor([&] { return !document->isLoading(); }, 30'000);
    }
};

std::string lines(int from, int count)
{
    std::string text;
    for (int i = from; i < from + count; ++i)
        text += "line " + std::to_string(i) + "\n";
    return text;
}

} // namespace

TEST(Follow, appendsArriveWithoutUndoAndHalfACharacterWaitsForTheRest)
{
    FollowFixture f("start\n");
    f.follow().startFollowing();
    ASSERT_TRUE(f.follow().isFollowing());
    EXPECT_FALSE(f.controller().textView()->isEditable());
    EXPECT_EQ(f.follow().followStatusText(), QStringLiteral("● 따라보는 중"));

    appendBytes(f.path, "more\r\nok \xEA\xB0");
    f.follow().followTick();
    // The line before the split character is there; the character waits.
    EXPECT_EQ(f.text(), QStringLiteral("start\nmore\r\n"));
    appendBytes(f.path, "\x80 done\n");
    f.follow().followTick();
    EXPECT_EQ(f.text(), QStringLiteral("start\nmore\r\nok 가 done\n"));
    EXPECT_FALSE(f.document->undoStack()->canUndo());
    EXPECT_FALSE(f.document->isDocumentEdited());

    // A step with nothing new changes nothing.
    f.follow().followTick();
    EXPECT_EQ(f.text(), QStringLiteral("start\nmore\r\nok 가 done\n"));
}

// Following asked for while a syllable is still being composed (the status bar's segment takes
// no focus, so nothing else ended the composition): the syllable is typed where it was
// composed, as a click would have it, and the text, edited now, is not followed. The text
// still takes input, and a click afterwards moves only the caret.
TEST(Follow, aSyllableBeingComposedLandsWhereItWasComposedAndTheEditedTextIsNotFollowed)
{
    FollowFixture f("start\nend\n");
    EditorViews::EditorTextView* view = f.controller().textView();
    view->setSelectedRange({0, 0});
    for (const char16_t* step : {u"ㄱ", u"가", u"갑", u"값"}) {
        QInputMethodEvent compose(QString::fromUtf16(step), {});
        QApplication::sendEvent(view, &compose);
    }
    ASSERT_TRUE(view->hasMarkedText());
    view->viewport()->grab(); // the composition is laid out in line 1

    f.follow().startFollowing();
    EXPECT_FALSE(view->hasMarkedText());
    EXPECT_EQ(f.text(), QString::fromUtf16(u"값start\nend\n"));
    EXPECT_EQ(view->caretPosition(), 1);
    EXPECT_FALSE(f.follow().isFollowing());
    EXPECT_TRUE(view->isEditable());

    view->setSelectedRange({10, 0});
    const QPoint endOfText = view->caretRect()->center().toPoint();
    view->setSelectedRange({1, 0});
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, endOfText);
    EXPECT_EQ(f.text(), QString::fromUtf16(u"값start\nend\n"));
    EXPECT_EQ(view->caretPosition(), 10);
}

// A followed log takes no edits, and none of its undo steps either, from the menu or its keys:
// undone, an edit made before following was saved over the file, which the follower then
// took for a new log and read again from its start (the monkey, seed 62 step 1471).
TEST(Follow, undoAndRedoDoNotChangeAFollowedLog)
{
    FollowFixture f("start\n");
    EditorViews::EditorTextView* view = f.controller().textView();
    view->setSelectedRange({6, 0});
    view->insertText(QStringLiteral("typed\n"));
    // Saved: the file is the text, the document unedited, its edit still to be undone.
    ASSERT_TRUE(f.document->saveDocument());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !f.document->isSaving(); }, 10'000));
    ASSERT_FALSE(f.document->isDocumentEdited());
    ASSERT_TRUE(f.document->undoStack()->canUndo());

    f.follow().startFollowing();
    ASSERT_TRUE(f.follow().isFollowing());
    EditorKit::TabPage* page = f.controller().page();
    const EditorKit::ActionSender sender;
    EXPECT_FALSE(page->validateAction("undo:", sender));
    page->performAction("undo:", sender);
    view->doCommandBySelector(QStringLiteral("undo:"));
    EXPECT_EQ(f.text(), QStringLiteral("start\ntyped\n"));
    EXPECT_FALSE(f.document->isDocumentEdited());

    // Editable again, the text takes its undo steps again.
    f.follow().stopFollowing();
    ASSERT_TRUE(view->isEditable());
    EXPECT_EQ(page->validateAction("undo:", sender), f.document->undoStack()->canUndo());
}

// A followed log is the file as read, and after a restart the old log, a marker and the new
// one: Save (its shortcut reaches the document whatever the menu shows) and autosave write
// none of it, so the file stays the same file with the same bytes and the follower does not
// see it start over.
TEST(Follow, savingAFollowedLogWritesNothingOverTheFile)
{
    FollowFixture f("first\n");
    f.follow().startFollowing();
    ASSERT_TRUE(f.follow().isFollowing());
    const auto inode = [&] { return EditorCore::DiskIdentity::read(f.path, 0)->fileID; };
    const auto before = inode();
    auto bytes = [&] {
        std::ifstream in(f.path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    EditorKit::TabPage* page = f.controller().page();
    const EditorKit::ActionSender sender;
    auto saveEveryWay = [&] {
        page->performAction("saveDocument:", sender);
        EXPECT_FALSE(f.document->saveDocument());
        bool finished = false;
        f.document->autosave(true, [&](const auto&) { finished = true; });
        EXPECT_TRUE(finished);
        EXPECT_FALSE(f.document->isSaving());
        QCoreApplication::processEvents();
    };

    saveEveryWay();
    EXPECT_EQ(inode(), before);
    EXPECT_EQ(bytes(), "first\n");
    f.follow().followTick();
    EXPECT_EQ(f.text(), QStringLiteral("first\n"));

    // Started over: the text is not the file's at all now.
    writeBytes(f.path, "new\n");
    f.follow().followTick();
    ASSERT_TRUE(f.follow().state()->diverged);
    saveEveryWay();
    EXPECT_EQ(bytes(), "new\n");
    f.follow().followTick();
    EXPECT_EQ(f.text().count(QStringLiteral("── ")), 1) << f.text().toStdString();

    // Not following, the document saves as before.
    f.follow().stopFollowing();
    f.controller().textView()->setSelectedRange({0, 0});
    f.controller().textView()->insertText(QStringLiteral("typed "));
    ASSERT_TRUE(f.document->saveDocument());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !f.document->isSaving(); }, 10'000));
    EXPECT_EQ(bytes(), "typed new\n");
}

// A UTF-16 log with a byte order mark that starts over (shorter, or a new file) shows its new
// text after the marker line without the mark: the mark is not a character of the log.
TEST(Follow, aLogThatStartsOverWithItsByteOrderMarkShowsNoMark)
{
    auto utf16 = [](const char16_t* text) {
        std::string bytes = "\xFF\xFE";
        for (const char16_t* c = text; *c; ++c) {
            bytes += static_cast<char>(*c & 0xFF);
            bytes += static_cast<char>(*c >> 8);
        }
        return bytes;
    };
    for (const bool replaced : {false, true}) {
        SCOPED_TRACE(replaced ? "replaced" : "truncated");
        FollowFixture f(utf16(u"first line\nsecond line\n"));
        ASSERT_TRUE(f.controller().document()->hasByteOrderMark());
        f.follow().startFollowing();
        ASSERT_TRUE(f.follow().isFollowing());
        if (replaced) {
            std::filesystem::remove(f.path);
            writeBytes(f.path, utf16(u"new log, longer than the first one was\n"));
        } else {
            writeBytes(f.path, utf16(u"new\n"));
        }
        f.follow().followTick();
        const QString text = f.text();
        EXPECT_FALSE(text.contains(QChar(0xFEFF))) << text.toStdString();
        EXPECT_TRUE(
            text.endsWith(replaced ? QStringLiteral("──\nnew log, longer than the first one was\n")
                                   : QStringLiteral("──\nnew\n")))
            << text.toStdString();
    }
}

TEST(Follow, aTruncatedOrReplacedLogGetsTheMarkerAndStartsOver)
{
    struct Case
    {
        const char* name;
        std::string initial;
        bool replace;
        QString expectedBeforeMarker;
    };
    const std::vector<Case> cases = {
        {"truncated, text ends with a break", "old log\n", false, QStringLiteral("old log\n")},
        {"truncated, no final break", "old log", false, QStringLiteral("old log\n")},
        {"replaced: the old file's rest first", "old log\n", true, QStringLiteral("old log\nrest\n")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FollowFixture f(c.initial);
        f.follow().startFollowing();
        if (c.replace) {
            appendBytes(f.path, "rest\n");
            auto fresh = f.folder / "new.log";
            writeBytes(fresh, "new 1\n");
            std::filesystem::rename(fresh, f.path);
        } else {
            writeBytes(f.path, "new 1\n");
        }
        f.follow().followTick();
        const QString shown = f.text();
        ASSERT_TRUE(shown.startsWith(c.expectedBeforeMarker)) << shown.toStdString();
        const QString rest = shown.mid(c.expectedBeforeMarker.size());
        EXPECT_TRUE(rest.startsWith(QStringLiteral("── 로그가 새로 시작됨 · "))) << rest.toStdString();
        EXPECT_TRUE(rest.endsWith(QStringLiteral(" ──\nnew 1\n"))) << rest.toStdString();
        EXPECT_TRUE(f.follow().state()->diverged);

        // Stopping after a restart reads the file again: the tab shows the file.
        f.follow().stopFollowing();
        EXPECT_EQ(f.text(), QStringLiteral("new 1\n"));
        EXPECT_TRUE(f.controller().textView()->isEditable());
    }
}

TEST(Follow, aLargeAppendIsCaughtUpInStepsAndStoppingEarlyReadsTheRest)
{
    FollowFixture f("head\n");
    f.follow().startFollowing();
    const std::string big = lines(0, 1'200'000); // about 15 MiB
    appendBytes(f.path, big);
    f.follow().followTick();
    EXPECT_LE(f.text().size() - 5, qsizetype(FollowFeature::stepLength));
    EXPECT_LT(f.follow().state()->offset, 5 + big.size());
    // Stopping now would leave the text behind the file; a save of it would cut the log.
    f.follow().stopFollowing();
    ASSERT_TRUE(f.readsDone());
    EXPECT_EQ(f.text().size(), qsizetype(5 + big.size()));

    f.follow().startFollowing();
    appendBytes(f.path, big);
    for (int step = 0; step < 3; ++step)
        f.follow().followTick();
    EXPECT_EQ(f.text().size(), qsizetype(5 + 2 * big.size()));
    EXPECT_EQ(f.follow().state()->offset, 5 + 2 * big.size());
    f.follow().stopFollowing();
    ASSERT_TRUE(f.readsDone());
    EXPECT_EQ(f.text().size(), qsizetype(5 + 2 * big.size()));
}

// Stopping takes the file's identity from what the steps read, the hash carried along, so the
// file is not read a second time; it is the identity a fresh read of the file gives.
TEST(Follow, stoppingInStepKeepsTheIdentityOfTheBytesRead)
{
    FollowFixture f(lines(0, 100));
    f.follow().startFollowing();
    ASSERT_TRUE(f.follow().state()->hash);
    appendBytes(f.path, lines(100, 50));
    f.follow().followTick();
    appendBytes(f.path, "caf\xc3\xa9\n");
    f.follow().followTick();
    f.follow().stopFollowing();
    const auto fresh = EditorCore::DiskIdentity::read(f.path, EditorCore::DiskIdentity::documentHashLimit);
    ASSERT_TRUE(fresh && fresh->contentHash);
    EXPECT_EQ(f.document->diskIdentity(), fresh);
    EXPECT_TRUE(f.text().endsWith(QStringLiteral("café\n")));
}

// A large file whose text is behind the file at the stop is read again by the large-file
// loader on its worker, not whole on the interface thread.
TEST(Follow, stoppingBehindOnALargeFileLoadsItAgainInParts)
{
    std::string initial;
    for (int block = 0; initial.size() < 1'200'000; ++block)
        initial += lines(block * 1000, 1000);
    FollowFixture f(initial, 1);
    auto* large = f.controller().feature<EditorWindow::LargeFileFeature>();
    ASSERT_TRUE(f.document->largeFile());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !large->isLoading(); }, 10'000));
    ASSERT_EQ(f.text().size(), qsizetype(initial.size()));
    f.follow().startFollowing();
    ASSERT_TRUE(f.follow().isFollowing());
    appendBytes(f.path, "after the last step\n");
    f.follow().stopFollowing();
    EXPECT_TRUE(large->isLoading()) << "the text is read again on the worker";
    EXPECT_TRUE(QTest::qWaitFor([&] { return !large->isLoading(); }, 10'000));
    EXPECT_TRUE(f.text().endsWith(QStringLiteral("after the last step\n")));
    EXPECT_EQ(f.text().size(), qsizetype(initial.size() + 20));
}

TEST(Follow, scrollingAwayPausesAndCountsNewLinesOnce)
{
    FollowFixture f(lines(0, 200));
    f.follow().startFollowing();
    auto* bar = f.controller().textView()->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    bar->setValue(0);
    f.controller().visibleAreaDidChange();
    EXPECT_FALSE(f.follow().state()->pinned);
    appendBytes(f.path, "a\r\nb\nc\rd\n");
    f.follow().followTick();
    EXPECT_EQ(f.follow().state()->newLines, 4);
    EXPECT_EQ(f.follow().followStatusText(), QStringLiteral("● 멈춤 · 새 줄 4"));
    EXPECT_EQ(bar->value(), 0);
    // The segment's click resumes at the end; a second one stops.
    f.follow().resumeFollowAtEnd();
    EXPECT_TRUE(f.follow().state()->pinned);
    EXPECT_EQ(f.follow().state()->newLines, 0);
    EXPECT_EQ(bar->value(), bar->maximum());
    f.follow().resumeFollowAtEnd();
    EXPECT_FALSE(f.follow().isFollowing());
    EXPECT_EQ(f.follow().followStatusText(), QStringLiteral("따라보기"));
}

TEST(Follow, notStartedWithEditsForAnExternalCopyANotTextFileOrAPartlyLoadedLargeFile)
{
    {
        // A copy of a file that lives elsewhere: its text is not the file's to follow.
        FollowFixture f("text\n");
        // The copy keeps naming the file, so that only its being a copy stops the following.
        auto copy = TextDocument::makeExternalCopy(*f.document, QStringLiteral("text\n"));
        copy->setFileURL(f.path);
        f.document->close();
        f.document = std::move(copy);
        f.document->makeWindowControllers();
        EXPECT_FALSE(f.follow().canFollow());
        f.follow().startFollowing();
        EXPECT_FALSE(f.follow().isFollowing());
    }
    {
        FollowFixture f("text\n");
        f.controller().textView()->insertText(QStringLiteral("x"));
        EXPECT_FALSE(f.follow().canFollow());
        f.follow().startFollowing();
        EXPECT_FALSE(f.follow().isFollowing());
        EXPECT_EQ(f.follow().followStatusText(), std::nullopt);
    }
    {
        FollowFixture f("text\n");
        f.document->setReadOnlyReason(EditorDocuments::ReadOnlyReason::notText);
        EXPECT_FALSE(f.follow().canFollow());
    }
    {
        FollowFixture f("text\n");
        f.document->setLargeFileState(EditorDocuments::LargeFileState{f.path, 100, 5, false});
        EXPECT_FALSE(f.follow().canFollow());
    }
}

TEST(Follow, bytesThatNeverDecodeDoNotHoldTheLogBackForever)
{
    FollowFixture f("start\n");
    f.follow().startFollowing();
    // An unending run of bytes no UTF-8 reader takes, with no line feed, beyond one step.
    appendBytes(f.path, std::string(FollowFeature::stepLength + 100, '\xFF'));
    for (int step = 0; step < 3; ++step)
        f.follow().followTick();
    appendBytes(f.path, "\nafter\n");
    f.follow().followTick();
    f.follow().followTick();
    EXPECT_TRUE(f.text().endsWith(QStringLiteral("after\n")));
    EXPECT_LT(f.follow().state()->carry.size(), FollowFeature::stepLength);
}
