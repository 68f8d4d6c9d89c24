// The shipped wiring, end to end: the application object with its document controller and
// window installation, real key events sent to the focused widget (menu shortcuts included),
// and the bytes that land on disk. Prompts are answered by the test's presenter.
#include "app/documents/DocumentServices.h"
#include "app/documents/RecoveryCopies.h"
#include "app/documents/TextDocument.h"
#include "app/features/FormatterCenter.h"
#include "app/features/GrammarCenter.h"
#include "app/kit/ActionRouter.h"
#include "app/kit/HostWindow.h"
#include "app/kit/Presenter.h"
#include "app/kit/TabPage.h"
#include "app/shell/AppDelegate.h"
#include "app/shell/Application.h"
#include "app/views/EditorColors.h"
#include "app/views/EditorTextView.h"
#include "app/window/ApplicationWindows.h"
#include "app/window/BannerView.h"
#include "app/window/find/FindBarView.h"
#include "app/window/find/FindReplaceFeature.h"
#include "app/window/sidebar/FolderSession.h"
#include "app/window/sidebar/FolderSidebarFeature.h"
#include "app/window/sidebar/FolderSidebarView.h"
#include "app/window/StatusBarView.h"
#include "app/window/coloring/SyntaxColoring.h"
#include "app/window/coloring/SyntaxColoringFeature.h"
#include "app/window/hosting/TextDocumentWindow.h"
#include "app/window/toolband/ToolBand.h"
#include "app/window/toolband/ToolBandFeature.h"
#include "store/ScratchStore.h"
#include "tests/app/features/GrammarServer.h"
#include "tests/app/shell/EndToEndInput.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPrinter>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QUndoStack>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

using EndToEnd::Bytes;
using EndToEnd::bytesOf;
using EndToEnd::readBytes;
using EndToEnd::typeKeys;
using EndToEnd::writeBytes;

std::filesystem::path testFolder;

// Answers every alert with the next scripted button and records what was asked.
class ScriptedPresenter : public EditorKit::Presenter
{
public:
    std::deque<int> answers;
    std::vector<EditorKit::Alert> asked;
    std::vector<QString> panels;

    // Sees each alert with its parent as it is asked.
    std::function<void(const EditorKit::Alert&, QWidget*)> onAlert;

    int runAlert(const EditorKit::Alert& alert, QWidget* parent) override
    {
        asked.push_back(alert);
        if (onAlert)
            onAlert(alert, parent);
        if (answers.empty()) {
            ADD_FAILURE() << "an unexpected alert: " << alert.text.toStdString();
            return alert.cancelButton.value_or(0);
        }
        int answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::optional<std::filesystem::path> runSavePanel(QWidget*, const QString& name) override
    {
        panels.push_back(name);
        return std::nullopt;
    }
    // The print panel prints to this PDF file when set; otherwise it is cancelled.
    std::optional<std::filesystem::path> printTo;
    std::vector<QString> printPanels;
    bool runPrintPanel(QPrinter& printer, QWidget*) override
    {
        printPanels.push_back(printer.docName());
        if (!printTo)
            return false;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(printTo->string()));
        return true;
    }

    // What the open panel answers next (empty: cancelled).
    std::vector<std::filesystem::path> filesToOpen;
    int openPanels = 0;
    std::vector<std::filesystem::path> runOpenPanel(QWidget*) override
    {
        ++openPanels;
        return std::exchange(filesToOpen, {});
    }
    // What the folder panel answers next (none: cancelled).
    std::optional<std::filesystem::path> folderToOpen;
    std::optional<std::filesystem::path> runOpenFolderPanel(QWidget*) override
    {
        return std::exchange(folderToOpen, std::nullopt);
    }
};

QPushButton* bannerButton(EditorWindow::BannerView& banner, const QString& title)
{
    for (auto* button : banner.actionButtons()) {
        if (button->text() == title)
            return button;
    }
    return nullptr;
}

struct EndToEnd : ::testing::Test
{
    EditorKit::ActionRouter router;
    std::shared_ptr<ScriptedPresenter> presenter = std::make_shared<ScriptedPresenter>();
    // The application's services as the program entry has them, in a copy of their own.
    std::shared_ptr<EditorDocuments::DocumentServices> services =
        std::make_shared<EditorDocuments::DocumentServices>(
            *EditorDocuments::DocumentServices::shared());
    std::unique_ptr<EditorShell::Application> application;
    std::filesystem::path folder;

    void SetUp() override
    {
        folder = testFolder / ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        application = std::make_unique<EditorShell::Application>(router, services, presenter);
    }

    void TearDown() override
    {
        application.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }

    EditorDocuments::TextDocument* open(const std::filesystem::path& path)
    {
        EditorDocuments::TextDocument* opened = nullptr;
        application->documentController().openDocumentWithContentsOfURL(
            path, true, [&](EditorDocuments::TextDocument* document, bool, const auto& failure) {
                EXPECT_FALSE(failure.has_value());
                opened = document;
            });
        EXPECT_TRUE(QTest::qWaitFor([&] { return opened && opened->editor(); }, 5000));
        return opened;
    }

    static EditorWindow::DocumentWindowController& window(EditorDocuments::TextDocument& document)
    {
        return dynamic_cast<EditorWindow::TextDocumentWindow&>(*document.editor()).controller();
    }

    // The document's tab in front, its window active and its text view focused, the caret at
    // the end of the text.
    QWidget* focusAtEnd(EditorDocuments::TextDocument& document)
    {
        auto& controller = window(document);
        controller.showWindow();
        EditorKit::HostWindow* host = controller.hostWindow();
        EXPECT_NE(host, nullptr);
        QApplication::setActiveWindow(host);
        EXPECT_TRUE(QTest::qWaitForWindowActive(host));
        controller.textView()->setFocus();
        QCoreApplication::processEvents();
        controller.textView()->setSelectedRange(
            {static_cast<int>(controller.textView()->text().size()), 0});
        QWidget* focused = QApplication::focusWidget();
        EXPECT_EQ(focused, controller.textView());
        return focused ? focused : controller.textView();
    }

    // Opens the file, waits for its window's grammar banner to offer the language from the
    // center's server and clicks "받기"; none when something on the way is missing.
    EditorWindow::DocumentWindowController* acceptGrammarOffer(const std::filesystem::path& path,
                                                               const QString& displayName)
    {
        auto* document = open(path);
        if (!document)
            return nullptr;
        auto& controller = window(*document);
        focusAtEnd(*document);
        EditorWindow::BannerView* offer = nullptr;
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return (offer = controller.banner(QStringLiteral("grammar"))) != nullptr; },
            5000));
        if (!offer)
            return nullptr;
        EXPECT_TRUE(offer->message().startsWith(QStringLiteral("「") + displayName
                                                + QStringLiteral("」 에 색을 칠하려면")))
            << offer->message().toStdString();
        EXPECT_TRUE(offer->message().contains(AppFeatures::GrammarCenter::shared().serverName()));
        QPushButton* download = bannerButton(*offer, QStringLiteral("받기"));
        EXPECT_TRUE(download && download->isVisible());
        if (!download)
            return nullptr;
        QTest::mouseClick(download, Qt::LeftButton);
        return &controller;
    }

    // Types, then Return, more typing, two BackSpaces, Ctrl+Z and Ctrl+S: the same keys for
    // every file.
    void typeEditUndoAndSave(QWidget* target, const QString& first, const QString& second)
    {
        typeKeys(target, first);
        QTest::keyClick(target, Qt::Key_Return);
        typeKeys(target, second);
        QTest::keyClick(target, Qt::Key_Backspace);
        QTest::keyClick(target, Qt::Key_Backspace);
        // Undo takes back both deletions (one step).
        QTest::keyClick(target, Qt::Key_Z, Qt::ControlModifier);
        QTest::keyClick(target, Qt::Key_S, Qt::ControlModifier);
    }

    void expectSaved(EditorDocuments::TextDocument& document,
                     const std::filesystem::path& path,
                     const Bytes& expected)
    {
        EXPECT_TRUE(QTest::qWaitFor([&] { return readBytes(path) == expected; }, 5000));
        EXPECT_EQ(readBytes(path), expected);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !document.isDocumentEdited(); }, 5000));
        QCoreApplication::processEvents();
        EXPECT_FALSE(window(document).page()->windowTitle().startsWith(QLatin1Char('*')));
    }
};

} // namespace

TEST_F(EndToEnd, keysEditAndSaveACrlfFileKeepingItsBreaks)
{
    const auto path = folder / "crlf.txt";
    writeBytes(path, bytesOf("one\r\ntwo\r\n"));
    auto* document = open(path);
    ASSERT_NE(document, nullptr);
    QWidget* target = focusAtEnd(*document);
    typeKeys(target, QStringLiteral("abc"));
    QCoreApplication::processEvents();
    EXPECT_TRUE(window(*document).page()->windowTitle().startsWith(QLatin1Char('*')));
    QTest::keyClick(target, Qt::Key_Return);
    typeKeys(target, QStringLiteral("xyz"));
    QTest::keyClick(target, Qt::Key_Backspace);
    QTest::keyClick(target, Qt::Key_Backspace);
    QTest::keyClick(target, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(window(*document).textView()->text(), QStringLiteral("one\r\ntwo\r\nabc\r\nxyz"));
    QTest::keyClick(target, Qt::Key_S, Qt::ControlModifier);
    expectSaved(*document, path, bytesOf("one\r\ntwo\r\nabc\r\nxyz"));
    EXPECT_TRUE(presenter->asked.empty());
}

// Two lines of Korean in CP949, long enough for the detection to be sure.
const Bytes cp949Korean = {0xC7, 0xD1, 0xB1, 0xB9, 0xBE, 0xEE, 0x20, 0xB9, 0xAE, 0xBC, 0xAD,
                           0xC0, 0xD4, 0xB4, 0xCF, 0xB4, 0xD9, 0x2E, 0x0A, 0xB0, 0xA1, 0xB3,
                           0xAA, 0xB4, 0xD9, 0xB6, 0xF3, 0xB8, 0xB6, 0xB9, 0xD9, 0xBB, 0xE7,
                           0x20, 0xC0, 0xFA, 0xC0, 0xE5, 0xC7, 0xD1, 0x20, 0xC6, 0xC4, 0xC0,
                           0xCF, 0xC0, 0xD4, 0xB4, 0xCF, 0xB4, 0xD9, 0x2E, 0x0A};

TEST_F(EndToEnd, keysEditAndSaveACp949FileInItsEncoding)
{
    const Bytes& original = cp949Korean;
    const auto path = folder / "korean.txt";
    writeBytes(path, original);
    auto* document = open(path);
    ASSERT_NE(document, nullptr);
    ASSERT_EQ(document->format().encoding, EditorCore::TextEncoding::cp949);
    QWidget* target = focusAtEnd(*document);
    typeEditUndoAndSave(target, QStringLiteral("가나"), QStringLiteral("다라마"));
    Bytes expected = original;
    // 가나 LF 다라마
    for (unsigned char byte : {0xB0, 0xA1, 0xB3, 0xAA, 0x0A, 0xB4, 0xD9, 0xB6, 0xF3, 0xB8, 0xB6})
        expected.push_back(byte);
    expectSaved(*document, path, expected);
}

TEST_F(EndToEnd, keysEditAndSaveAUtf16FileKeepingItsMark)
{
    const auto path = folder / "utf16.txt";
    // BOM, "hi" CR LF "가" CR LF in UTF-16 LE.
    writeBytes(path, {0xFF, 0xFE, 'h', 0, 'i', 0, '\r', 0, '\n', 0, 0x00, 0xAC, '\r', 0, '\n', 0});
    auto* document = open(path);
    ASSERT_NE(document, nullptr);
    ASSERT_EQ(document->format().encoding, EditorCore::TextEncoding::utf16LE);
    QWidget* target = focusAtEnd(*document);
    typeEditUndoAndSave(target, QStringLiteral("A"), QStringLiteral("bc"));
    expectSaved(*document, path, {0xFF, 0xFE, 'h',  0,    'i', 0,    '\r', 0,   '\n',
                                  0,    0x00, 0xAC, '\r', 0,   '\n', 0,    'A', 0,
                                  '\r', 0,    '\n', 0,    'b', 0,    'c',  0});
}

TEST_F(EndToEnd, caretKeysEditAtEveryCaretAsOneStep)
{
    const auto path = folder / "carets.txt";
    writeBytes(path, bytesOf("ab\r\nab\r\nab\r\n"));
    auto* document = open(path);
    ASSERT_NE(document, nullptr);
    QWidget* target = focusAtEnd(*document);
    auto* view = window(*document).textView();
    view->setSelectedRange({0, 2});
    // Ctrl+D twice: every "ab"; Return goes to each with the file's CR LF.
    QTest::keyClick(target, Qt::Key_D, Qt::ControlModifier);
    QTest::keyClick(target, Qt::Key_D, Qt::ControlModifier);
    EXPECT_EQ(view->carets().size(), 3u);
    QTest::keyClick(target, Qt::Key_Return);
    EXPECT_EQ(view->text(), QStringLiteral("\r\n\r\n\r\n\r\n\r\n\r\n"));
    QTest::keyClick(target, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(view->text(), QStringLiteral("ab\r\nab\r\nab\r\n"));
    EXPECT_EQ(view->carets().size(), 3u);
    QTest::keyClick(target, Qt::Key_Escape);
    EXPECT_TRUE(view->extraCarets().empty());

    // Alt+Shift+Up adds a caret above and makes it the main one.
    view->setSelectedRange({5, 0});
    QTest::keyClick(target, Qt::Key_Up, Qt::AltModifier | Qt::ShiftModifier);
    EXPECT_EQ(view->carets().size(), 2u);
    EXPECT_EQ(view->selectedRange(), (EditorViews::TextRange{1, 0}));
    typeKeys(target, QStringLiteral("x"));
    EXPECT_EQ(view->text(), QStringLiteral("axb\r\naxb\r\nab\r\n"));
}

TEST_F(EndToEnd, closingAnEditedUntitledTabAsksAndObeysTheAnswer)
{
    auto& documents = application->documentController();
    EditorDocuments::TextDocument* memo = documents.makeUntitledDocument(true);
    ASSERT_NE(memo, nullptr);
    ASSERT_NE(memo->editor(), nullptr);
    QPointer<EditorDocuments::TextDocument> watched(memo);
    QWidget* target = focusAtEnd(*memo);
    typeKeys(target, QStringLiteral("memo"));
    EXPECT_TRUE(memo->isDocumentEdited());

    // Cancel keeps the tab and the text.
    presenter->answers = {2};
    QTest::keyClick(target, Qt::Key_W, Qt::ControlModifier);
    QCoreApplication::processEvents();
    ASSERT_EQ(presenter->asked.size(), 1u);
    EXPECT_EQ(presenter->asked[0].text, QStringLiteral("이 메모를 어떻게 할까요?"));
    ASSERT_TRUE(watched);
    EXPECT_EQ(window(*memo).textView()->text(), QStringLiteral("memo"));

    // "Save to a file" with the panel cancelled keeps it too; then "delete" closes it.
    presenter->answers = {0, 1};
    QTest::keyClick(target, Qt::Key_W, Qt::ControlModifier);
    QCoreApplication::processEvents();
    EXPECT_EQ(presenter->panels.size(), 1u);
    ASSERT_TRUE(watched);
    QTest::keyClick(target, Qt::Key_W, Qt::ControlModifier);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            return watched.isNull();
        },
        5000));
    EXPECT_EQ(presenter->asked.size(), 3u);
    EXPECT_TRUE(documents.documents().empty());
}

TEST_F(EndToEnd, typingAutosavesAndAChangedFileIsAskedAboutOnClose)
{
    services->autosavingDelayMilliseconds = 100;
    const auto path = folder / "auto.txt";
    writeBytes(path, bytesOf("one\n"));
    EditorDocuments::TextDocument* document = open(path);
    ASSERT_NE(document, nullptr);
    QPointer<EditorDocuments::TextDocument> watched(document);
    QWidget* target = focusAtEnd(*document);

    // No save command: the file follows the typing on its own.
    typeKeys(target, QStringLiteral("two"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return readBytes(path) == bytesOf("one\ntwo"); }, 5000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !document->isDocumentEdited(); }, 5000));

    // Another program changes the file: autosave stops, and closing asks before losing edits.
    writeBytes(path, bytesOf("theirs\n"));
    typeKeys(target, QStringLiteral("!"));
    // The pause's autosave has come and gone (refused, or written over theirs).
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return !document->hasAutosaveScheduled() && !document->isSaving(); }, 5000));
    EXPECT_EQ(readBytes(path), bytesOf("theirs\n"));
    EXPECT_TRUE(document->isDocumentEdited());
    presenter->answers = {2};
    QTest::keyClick(target, Qt::Key_W, Qt::ControlModifier);
    QCoreApplication::processEvents();
    ASSERT_EQ(presenter->asked.size(), 1u);
    EXPECT_EQ(presenter->asked[0].text,
              QStringLiteral("「auto.txt」 에 저장하지 못한 고침이 있어요"));
    ASSERT_TRUE(watched);

    presenter->answers = {1};
    QTest::keyClick(target, Qt::Key_W, Qt::ControlModifier);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            return watched.isNull();
        },
        5000));
    EXPECT_EQ(readBytes(path), bytesOf("theirs\n"));
}

// An emoji typed into a CP949 file cannot be written to it: the file stays as it was, the edit
// is kept at once, and when the process ends without quitting the next start brings it back.
TEST_F(EndToEnd, anEditTheFileRefusesSurvivesACrashAndComesBackWithItsBanner)
{
    services->autosavingDelayMilliseconds = 100;
    const auto path = folder / "korean.txt";
    writeBytes(path, cp949Korean);
    auto* document = open(path);
    ASSERT_NE(document, nullptr);
    ASSERT_EQ(document->format().encoding, EditorCore::TextEncoding::cp949);
    QWidget* target = focusAtEnd(*document);
    typeKeys(target, QStringLiteral("가"));
    QTest::sendKeyEvent(
        QTest::Click, target, Qt::Key_unknown, QStringLiteral("\U0001F600"), Qt::NoModifier);
    const QString typed = window(*document).textView()->text();
    ASSERT_TRUE(typed.endsWith(QStringLiteral("가\U0001F600")));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return window(*document).banner(QStringLiteral("save.unencodable")) != nullptr; },
        5000));

    const EditorStore::ScratchStore store =
        services->scratchDirectory.empty() ? EditorStore::ScratchStore()
                                           : EditorStore::ScratchStore(services->scratchDirectory);
    auto keptFor = [&]() -> std::optional<Platform::Uuid> {
        for (const auto& entry : store.list()) {
            auto meta = store.meta(entry.id);
            if (meta && meta->origin == path.string())
                return entry.id;
        }
        return std::nullopt;
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return keptFor().has_value(); }, 5000));
    EXPECT_EQ(store.readText(*keptFor()), typed.toStdU16String());
    EXPECT_TRUE(document->isDocumentEdited());
    EXPECT_TRUE(window(*document).page()->windowTitle().startsWith(QLatin1Char('*')));

    // Typing on: the kept text follows.
    typeKeys(target, QStringLiteral("나"));
    const QString later = window(*document).textView()->text();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return keptFor() && store.readText(*keptFor()) == later.toStdU16String(); }, 5000));

    // The application goes without its quit path.
    application.reset();
    EXPECT_EQ(readBytes(path), cp949Korean);
    const auto kept = keptFor();
    ASSERT_TRUE(kept.has_value());

    // The next start.
    application = std::make_unique<EditorShell::Application>(router, services, presenter);
    {
        EditorShell::AppDelegate delegate(*application, {});
        delegate.launch({});
    }
    EditorDocuments::TextDocument* rescued = nullptr;
    for (auto* candidate : application->documentController().documents()) {
        if (candidate->rescuedOrigin() == path)
            rescued = candidate;
    }
    ASSERT_NE(rescued, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return rescued->editor() != nullptr; }, 5000));
    EXPECT_EQ(window(*rescued).textView()->text(), later);
    EditorWindow::BannerView* banner = window(*rescued).banner(QStringLiteral("rescued"));
    ASSERT_NE(banner, nullptr);
    EXPECT_TRUE(banner->message().startsWith(QStringLiteral("「korean.txt」")));
    EXPECT_NE(bannerButton(*banner, QStringLiteral("원래 파일 열기")), nullptr);
    EXPECT_EQ(readBytes(path), cp949Korean);
    store.remove(*kept);
}

// What an in-place rewrite that was cut off leaves (a whole copy of the new content, the file
// part new and part old) is offered at the next start: restoring writes the copy's bytes, keeping
// leaves the file, and the copy of a file that is gone opens untitled in its encoding.
TEST_F(EndToEnd, aCopyLeftByAnInterruptedSaveIsOfferedAndItsAnswersGiveTheRightBytes)
{
    namespace RecoveryCopies = EditorDocuments::RecoveryCopies;
    const auto copies = services->saverOptions.recoveryFolder.empty()
                            ? RecoveryCopies::defaultFolder()
                            : services->saverOptions.recoveryFolder;
    const Bytes saved = bytesOf("the new text, all of it\n");
    const Bytes damaged = bytesOf("the new text that was here before\n");
    // Hard-linked files are rewritten in place.
    const auto restore = folder / "restore.txt";
    const auto keep = folder / "keep.txt";
    for (const auto& path : {restore, keep}) {
        writeBytes(path, damaged);
        std::filesystem::create_hard_link(path, path.string() + ".link");
        ASSERT_TRUE(RecoveryCopies::keep(copies, path, saved));
    }
    const auto gone = folder / "gone.txt";
    ASSERT_TRUE(RecoveryCopies::keep(copies, gone, cp949Korean));
    auto pendingFor = [&](const std::filesystem::path& path) {
        return RecoveryCopies::pendingFor(copies, path).has_value();
    };

    {
        EditorShell::AppDelegate delegate(*application, {});
        delegate.launch({});
    }
    auto& documents = application->documentController();
    EditorDocuments::TextDocument* restored = documents.documentForURL(restore);
    EditorDocuments::TextDocument* kept = documents.documentForURL(keep);
    EditorDocuments::TextDocument* orphan = nullptr;
    for (auto* document : documents.documents()) {
        if (!document->fileURL() && document->format().encoding == EditorCore::TextEncoding::cp949)
            orphan = document;
    }
    ASSERT_NE(restored, nullptr);
    ASSERT_NE(kept, nullptr);
    ASSERT_NE(orphan, nullptr);
    const QString key = QStringLiteral("save.interrupted");

    EditorWindow::BannerView* offer = window(*restored).banner(key);
    ASSERT_NE(offer, nullptr);
    EXPECT_TRUE(offer->message().startsWith(QStringLiteral("지난번 저장이 중간에 끊겼어요")));
    QPushButton* button = bannerButton(*offer, QStringLiteral("저장한 판으로 되돌리기"));
    ASSERT_NE(button, nullptr);
    focusAtEnd(*restored);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(readBytes(restore), saved);
    EXPECT_EQ(readBytes(restore.string() + ".link"), saved) << "rewritten in place";
    EXPECT_FALSE(pendingFor(restore));
    EXPECT_EQ(window(*restored).banner(key), nullptr);
    EXPECT_EQ(window(*restored).textView()->text(), QStringLiteral("the new text, all of it\n"));
    EXPECT_FALSE(restored->isDocumentEdited());

    offer = window(*kept).banner(key);
    ASSERT_NE(offer, nullptr);
    button = bannerButton(*offer, QStringLiteral("파일을 그대로 두기"));
    ASSERT_NE(button, nullptr);
    focusAtEnd(*kept);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(readBytes(keep), damaged);
    EXPECT_FALSE(pendingFor(keep));
    EXPECT_EQ(window(*kept).banner(key), nullptr);

    // The file that is gone: its content, untitled, in its own window, kept as a memo.
    ASSERT_NE(orphan->editor(), nullptr);
    EXPECT_NE(window(*orphan).banner(key), nullptr);
    EXPECT_TRUE(window(*orphan).textView()->text().startsWith(QStringLiteral("한국어")));
    EXPECT_NE(window(*orphan).hostWindow(), window(*restored).hostWindow());
    EXPECT_FALSE(pendingFor(gone));
    ASSERT_TRUE(orphan->scratchID().has_value());
    EXPECT_TRUE(RecoveryCopies::list(copies).empty()) << "nothing piles up";

    // Opening the file later offers its copy too.
    application->documentController().removeDocument(kept);
    ASSERT_TRUE(RecoveryCopies::keep(copies, keep, saved));
    auto* again = open(keep);
    ASSERT_NE(again, nullptr);
    EXPECT_NE(window(*again).banner(key), nullptr);
    if (auto left = RecoveryCopies::pendingFor(copies, keep))
        RecoveryCopies::remove(*left);
    orphan->discardKeptText();
}

int main(int argc, char** argv)
{
    // A home folder of this run only: the settings, file memory and logs of the shipped
    // services land there.
    char pattern[] = "/tmp/olv-end-to-end-XXXXXX";
    const char* made = ::mkdtemp(pattern);
    if (!made)
        return 1;
    testFolder = std::filesystem::path(made);
    const std::pair<const char*, const char*> folders[] = {
        {"HOME", ""},
        {"XDG_CONFIG_HOME", ".config"},
        {"XDG_DATA_HOME", ".local/share"},
        {"XDG_STATE_HOME", ".local/state"},
        {"XDG_CACHE_HOME", ".cache"},
    };
    for (const auto& [name, relative] : folders) {
        const auto path = testFolder / "home" / relative;
        std::filesystem::create_directories(path);
        ::setenv(name, path.c_str(), 1);
    }
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    const int status = RUN_ALL_TESTS();
    std::error_code ignored;
    std::filesystem::remove_all(testFolder, ignored);
    return status;
}

TEST_F(EndToEnd, theLineEndingSegmentsMenuConvertsTheFileAndUndoTakesItBack)
{
    const auto path = folder / "endings.txt";
    writeBytes(path, bytesOf("one\r\ntwo\r\n"));
    auto* document = open(path);
    ASSERT_NE(document, nullptr);
    QWidget* target = focusAtEnd(*document);
    auto& controller = window(*document);
    controller.refreshNow();
    QPushButton* segment =
        controller.statusBar()->button(EditorWindow::StatusBarView::Segment::lineEnding);
    ASSERT_NE(segment, nullptr);

    // The click pops the menu up; the user picks "LF" in it.
    QStringList offered;
    QTimer::singleShot(100, [&offered] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu)
            return;
        QAction* lf = nullptr;
        for (QAction* action : menu->actions()) {
            offered << action->text();
            if (action->text() == QLatin1String("LF"))
                lf = action;
        }
        if (!lf) {
            menu->close();
            return;
        }
        menu->setActiveAction(lf);
        QTest::keyClick(menu, Qt::Key_Return);
    });
    QTest::mouseClick(segment, Qt::LeftButton);
    EXPECT_EQ(offered, (QStringList{"LF", "CRLF", "CR"}));
    EXPECT_EQ(controller.textView()->text(), QStringLiteral("one\ntwo\n"));
    EXPECT_EQ(document->undoStack()->undoText(), QStringLiteral("줄끝 바꾸기"));

    QTest::keyClick(target, Qt::Key_S, Qt::ControlModifier);
    expectSaved(*document, path, bytesOf("one\ntwo\n"));
    QTest::keyClick(target, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(controller.textView()->text(), QStringLiteral("one\r\ntwo\r\n"));
    EXPECT_TRUE(presenter->asked.empty());
}

TEST_F(EndToEnd, windowCommandChordsEditZoomAndChooseTabs)
{
    const auto path = folder / "lines.txt";
    writeBytes(path, bytesOf("one\r\ntwo\r\n"));
    auto* document = open(path);
    ASSERT_NE(document, nullptr);
    QWidget* target = focusAtEnd(*document);
    auto& controller = window(*document);
    EditorViews::EditorTextView& view = *controller.textView();

    view.setSelectedRange({5, 0});
    QTest::keyClick(target, Qt::Key_D, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(view.text(), QStringLiteral("one\r\ntwo\r\ntwo\r\n"));
    EXPECT_EQ(view.undoStack()->undoText(), QStringLiteral("줄 복제"));
    QTest::keyClick(target, Qt::Key_Z, Qt::ControlModifier);
    view.setSelectedRange({5, 0});
    QTest::keyClick(target, Qt::Key_Up, Qt::AltModifier);
    EXPECT_EQ(view.text(), QStringLiteral("two\r\none\r\n"));
    EXPECT_EQ(view.undoStack()->undoText(), QStringLiteral("줄 위로"));

    // Both zoom-in chords, then reset.
    QTest::keyClick(target, Qt::Key_Plus, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(controller.display()->options.zoom, 1.125);
    QTest::keyClick(target, Qt::Key_Equal, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(controller.display()->options.zoom, 1.25);
    QTest::keyClick(target, Qt::Key_0, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(controller.display()->options.zoom, 1.0);

    // A second tab; Ctrl+1 brings the first back, Ctrl+9 the last.
    const auto otherPath = folder / "other.txt";
    writeBytes(otherPath, bytesOf("x"));
    auto* other = open(otherPath);
    ASSERT_NE(other, nullptr);
    QWidget* otherTarget = focusAtEnd(*other);
    EditorKit::HostWindow* host = window(*other).hostWindow();
    ASSERT_EQ(host, controller.hostWindow());
    QTest::keyClick(otherTarget, Qt::Key_1, Qt::ControlModifier);
    EXPECT_EQ(host->currentPage(), controller.page());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_9, Qt::ControlModifier);
    EXPECT_EQ(host->currentPage(), window(*other).page());
}

TEST_F(EndToEnd, ctrlPAndTheFileMenuPrintTheDocumentThroughThePrintPanel)
{
    const auto path = folder / "print.txt";
    writeBytes(path, bytesOf("hello\nworld\n"));
    auto* document = open(path);
    ASSERT_NE(document, nullptr);
    QWidget* target = focusAtEnd(*document);

    presenter->printTo = folder / "by-key.pdf";
    QTest::keyClick(target, Qt::Key_P, Qt::ControlModifier);
    EXPECT_EQ(presenter->printPanels, std::vector<QString>{QStringLiteral("print.txt")});
    const Bytes pdf = readBytes(folder / "by-key.pdf");
    ASSERT_GE(pdf.size(), 4u);
    EXPECT_EQ(std::string(pdf.begin(), pdf.begin() + 4), "%PDF");

    // The file menu's item is enabled for the document and prints it as well.
    EditorKit::HostWindow* host = window(*document).hostWindow();
    ASSERT_NE(host, nullptr);
    QAction* print = nullptr;
    QMenu* fileMenu = nullptr;
    for (QMenu* menu : host->menuBar()->findChildren<QMenu*>()) {
        for (QAction* action : menu->actions()) {
            if (action->text().startsWith(QStringLiteral("인쇄"))) {
                print = action;
                fileMenu = menu;
            }
        }
    }
    ASSERT_NE(print, nullptr);
    emit fileMenu->aboutToShow();
    EXPECT_TRUE(print->isEnabled());
    presenter->printTo = folder / "by-menu.pdf";
    print->trigger();
    EXPECT_EQ(presenter->printPanels.size(), 2u);
    EXPECT_TRUE(std::filesystem::exists(folder / "by-menu.pdf"));
}

TEST_F(EndToEnd, aMarkdownFileOffersItsGrammarAndTheClickInstallsIt)
{
    GrammarTest::GrammarServer server;
    server.publish(GrammarTest::GrammarServer::markdownPackages());
    auto previous = AppFeatures::GrammarCenter::replaceShared(
        std::make_unique<AppFeatures::GrammarCenter>(server.store()));
    auto& center = AppFeatures::GrammarCenter::shared();

    const auto path = folder / "notes.md";
    writeBytes(path, bytesOf("# Title\n\nSome *text*.\n"));
    auto* accepted = acceptGrammarOffer(path, QStringLiteral("Markdown"));
    ASSERT_NE(accepted, nullptr);
    auto& controller = *accepted;

    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return !controller.banner(QStringLiteral("grammar"))
                   && center.grammar(EditorFeatures::CodeLanguage::markdown);
        },
        10000));
    EXPECT_EQ(center.grammar(EditorFeatures::CodeLanguage::markdown)->language.name(), "markdown");
    EXPECT_TRUE(center.isInstalled(EditorFeatures::CodeLanguage::markdown));
    EXPECT_EQ(controller.statusBar()->content().language, QStringLiteral("Markdown"));
    // The text view has the keyboard again.
    EXPECT_EQ(QApplication::focusWidget(), controller.textView());
    AppFeatures::GrammarCenter::replaceShared(std::move(previous));
}

TEST_F(EndToEnd, anOutsideChangeIsReadInOrAskedAboutAndLoadedUndoably)
{
    const auto path = folder / "shared.txt";
    writeBytes(path, bytesOf("one\n"));
    auto* document = open(path);
    ASSERT_NE(document, nullptr);
    auto& controller = window(*document);
    QWidget* target = focusAtEnd(*document);

    // No unsaved edits: the tab shows the new content without asking.
    writeBytes(path, bytesOf("two\n"));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return controller.textView()->text() == QStringLiteral("two\n"); }, 5000));
    EXPECT_TRUE(controller.banners().empty());

    // Typed edits are never overwritten: the banner asks, and loading is one undoable step.
    typeKeys(target, QStringLiteral("mine"));
    writeBytes(path, bytesOf("theirs\n"));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return controller.banner(QStringLiteral("external.changed")) != nullptr; }, 5000));
    EXPECT_EQ(controller.textView()->text(), QStringLiteral("two\nmine"));
    QPushButton* load = nullptr;
    for (auto* button : controller.banner(QStringLiteral("external.changed"))->actionButtons()) {
        if (button->text() == QStringLiteral("바깥 것 불러오기"))
            load = button;
    }
    ASSERT_NE(load, nullptr);
    QTest::mouseClick(load, Qt::LeftButton);
    EXPECT_EQ(controller.textView()->text(), QStringLiteral("theirs\n"));
    EXPECT_EQ(controller.banner(QStringLiteral("external.changed")), nullptr);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(controller.textView()->text(), QStringLiteral("two\nmine"));
    EXPECT_TRUE(presenter->asked.empty());
}

TEST_F(EndToEnd, theToolBandFollowsKeysAndItsButtonsWorkOnTheText)
{
    const auto path = folder / "band.txt";
    writeBytes(path, bytesOf("one\n"));
    auto* document = open(path);
    ASSERT_NE(document, nullptr);
    QWidget* target = focusAtEnd(*document);
    auto& controller = window(*document);
    auto* band = controller.feature<EditorWindow::ToolBandFeature>()->band();
    ASSERT_NE(band, nullptr);
    ASSERT_TRUE(band->isVisible());
    auto button = [&](const char* id) -> EditorWindow::ToolBandButton* {
        for (const auto& entry : band->commandButtons()) {
            if (entry.command.id.rawValue == id)
                return entry.button;
        }
        return nullptr;
    };

    // The menu's chord for line numbers: the button shows it on at the next turn.
    ASSERT_FALSE(button("view.lineNumbers")->isOn());
    QTest::keyClick(target, Qt::Key_N, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_TRUE(controller.display()->options.showsLineNumbers);
    EXPECT_TRUE(QTest::qWaitFor([&] { return button("view.lineNumbers")->isOn(); }, 2000));

    // Typing enables undo; the undo button takes the step back and the keys stay on the text.
    EXPECT_FALSE(button("edit.undo")->isEnabled());
    typeKeys(target, QStringLiteral("x"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return button("edit.undo")->isEnabled(); }, 2000));
    QTest::mouseClick(button("edit.undo"), Qt::LeftButton);
    EXPECT_EQ(controller.textView()->text(), QStringLiteral("one\n"));
    EXPECT_EQ(QApplication::focusWidget(), controller.textView());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !button("edit.undo")->isEnabled(); }, 2000));
}

// Ctrl+O opens the chosen files through the open panel, the last one in front; Ctrl+Q keeps
// the memo and the edits that cannot be saved, saves the rest and closes every tab.
TEST_F(EndToEnd, openAndQuitKeysGoThroughTheDocumentController)
{
    const auto a = folder / "a.txt";
    const auto b = folder / "b.txt";
    std::ofstream(a, std::ios::binary) << "a\n";
    std::ofstream(b, std::ios::binary) << "b\n";
    auto& documents = application->documentController();
    EditorDocuments::TextDocument* first = open(a);
    ASSERT_NE(first, nullptr);
    QWidget* target = focusAtEnd(*first);

    QTest::keyClick(target, Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(presenter->openPanels, 1);
    EXPECT_EQ(documents.documents().size(), 1u) << "cancelled";

    presenter->filesToOpen = {b, a};
    QTest::keyClick(target, Qt::Key_O, Qt::ControlModifier);
    ASSERT_EQ(documents.documents().size(), 2u);
    EditorDocuments::TextDocument* second = documents.documents()[1];
    ASSERT_TRUE(QTest::qWaitFor([&] { return second->editor() != nullptr; }, 5000));
    EditorKit::HostWindow* host = window(*first).hostWindow();
    ASSERT_NE(host, nullptr);
    EXPECT_EQ(host->currentPage(), window(*first).page()) << "a.txt was chosen last";

    // An edited memo and an edited file, then Ctrl+Q.
    EditorDocuments::TextDocument* memo = documents.makeUntitledDocument(true);
    typeKeys(focusAtEnd(*memo), QStringLiteral("memo"));
    target = focusAtEnd(*first);
    typeKeys(target, QStringLiteral("x"));
    QTest::keyClick(target, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_TRUE(presenter->asked.empty());
    EXPECT_TRUE(documents.documents().empty());
    EXPECT_TRUE(documents.isTerminating);
    EXPECT_EQ(readBytes(a), bytesOf("a\nx"));
    const EditorStore::ScratchStore store =
        services->scratchDirectory.empty() ? EditorStore::ScratchStore()
                                           : EditorStore::ScratchStore(services->scratchDirectory);
    bool kept = false;
    for (const auto& entry : store.list()) {
        auto text = store.readText(entry.id);
        if (text && *text == u"memo") {
            kept = true;
            store.remove(entry.id);
        }
    }
    EXPECT_TRUE(kept);
}

// A line laid out in several pieces in the shipped window: keys edit across a piece boundary,
// a triple-click takes the line with its break for Ctrl+X, and the file is saved as edited.
TEST_F(EndToEnd, keysAndClicksEditALongLineAcrossItsPieces)
{
    std::string line;
    while (line.size() < 12000)
        line += "lorem ipsum dolor ";
    const auto path = folder / "long.txt";
    writeBytes(path, bytesOf("head\r\n" + line + "\r\ntail"));
    auto* document = open(path);
    ASSERT_NE(document, nullptr);
    QWidget* target = focusAtEnd(*document);
    EditorViews::EditorTextView& view = *window(*document).textView();

    // Typing at the first piece boundary and over it.
    const int boundary = 6 + 4096;
    view.setSelectedRange({boundary - 1, 0});
    typeKeys(target, QStringLiteral("XY"));
    QTest::keyClick(target, Qt::Key_Right);
    QTest::keyClick(target, Qt::Key_Right);
    QTest::keyClick(target, Qt::Key_Backspace);
    std::string expected = "head\r\n" + line + "\r\ntail";
    expected.insert(static_cast<std::size_t>(boundary - 1), "XY");
    expected.erase(static_cast<std::size_t>(boundary + 2), 1);
    EXPECT_EQ(view.text().toStdString(), expected);

    // A triple-click in the long line selects it with its CR LF.
    view.setSelectedRange({boundary, 0});
    view.scrollRangeToVisible({boundary, 0});
    const QPoint inLine = view.caretRect()->center().toPoint();
    QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, inLine);
    QTest::mousePress(view.viewport(), Qt::LeftButton, {}, inLine);
    QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, inLine);
    const int lineLength = static_cast<int>(expected.size()) - 6 - 4;
    EXPECT_EQ(view.selectedRange(), (EditorViews::TextRange{6, lineLength}));
    QTest::keyClick(target, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(view.text(), QStringLiteral("head\r\ntail"));
    QTest::keyClick(target, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(view.text().toStdString(), expected);

    QTest::keyClick(target, Qt::Key_S, Qt::ControlModifier);
    expectSaved(*document, path, bytesOf(expected));
    EXPECT_TRUE(presenter->asked.empty());
}

TEST_F(EndToEnd, aJsonFileIsColouredAndCtrlApostropheSelectsItsSyntaxError)
{
    const auto path = folder / "broken.json";
    writeBytes(path, bytesOf("{\"a\": [1, 2],\n \"b\" 3}\n"));
    auto* document = open(path);
    ASSERT_NE(document, nullptr);
    QWidget* target = focusAtEnd(*document);
    auto& controller = window(*document);
    auto* view = controller.textView();
    // The parse runs on the session's queue; the mark follows at once (nothing was typed).
    EXPECT_TRUE(QTest::qWaitFor([&] { return !controller.display()->syntaxErrors.empty(); }, 5000));
    ASSERT_FALSE(controller.display()->syntaxErrors.empty());
    const auto mark = controller.display()->syntaxErrors.front();

    view->setSelectedRange({0, 0});
    QTest::keyClick(target, Qt::Key_Apostrophe, Qt::ControlModifier);
    EXPECT_EQ(view->selectedRange(), mark);
    controller.refreshNow();
    const auto problems = controller.statusBar()->content().problems;
    ASSERT_TRUE(problems.has_value());
    EXPECT_TRUE(problems->startsWith(QStringLiteral("오류 "))) << problems->toStdString();
    EXPECT_FALSE(document->isDocumentEdited()) << "colouring and marks change no text";
}

// The format chord tidies a JSON file in place as one step that Ctrl+Z takes back.
TEST_F(EndToEnd, theFormatChordTidiesJSONAndUndoTakesItBack)
{
    const auto path = folder / "data.json";
    writeBytes(path, bytesOf("{\"a\":[1,2]}\n"));
    auto* document = open(path);
    ASSERT_NE(document, nullptr);
    QWidget* target = focusAtEnd(*document);
    auto& controller = window(*document);

    QTest::keyClick(target, Qt::Key_F, Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier);
    const QString formatted = controller.textView()->text();
    EXPECT_TRUE(formatted.startsWith(QStringLiteral("{\n"))) << formatted.toStdString();
    EXPECT_TRUE(formatted.contains(QStringLiteral("\"a\": ["))) << formatted.toStdString();

    QTest::keyClick(target, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(controller.textView()->text(), QStringLiteral("{\"a\":[1,2]}\n"));
}

namespace {

EditorWindow::FolderSidebarFeature& folderPart(EditorWindow::DocumentWindowController& controller)
{
    return *controller.feature<EditorWindow::FolderSidebarFeature>();
}

std::set<EditorKit::HostWindow*> hostsOf(EditorDocuments::DocumentController& documents)
{
    std::set<EditorKit::HostWindow*> hosts;
    for (auto* document : documents.documents()) {
        if (auto* controller = EditorWindow::ApplicationWindows::controllerOf(document))
            hosts.insert(controller->hostWindow());
    }
    return hosts;
}

} // namespace

TEST_F(EndToEnd, ctrlShiftOOpensAFolderIntoTheBlankWindowAndAClickOpensItsFile)
{
    const auto root = folder / "project";
    std::filesystem::create_directories(root / "sub");
    std::ofstream(root / "a.txt", std::ios::binary) << "alpha\n";
    auto& documents = application->documentController();
    EditorDocuments::TextDocument* blank = documents.makeUntitledDocument(true);
    QWidget* target = focusAtEnd(*blank);

    QTest::keyClick(target, Qt::Key_O, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(folderPart(window(*blank)).session(), nullptr) << "cancelled";
    // Without a folder the sidebar's menu items are greyed out, as the tool band hides them.
    EditorKit::HostWindow* blankHost = window(*blank).hostWindow();
    for (const char* action : {"toggleFolderSidebar:", "toggleHiddenFiles:"}) {
        EXPECT_FALSE(blankHost->router().validate(action, {}, blankHost)) << action;
    }

    presenter->folderToOpen = root;
    QTest::keyClick(target, Qt::Key_O, Qt::ControlModifier | Qt::ShiftModifier);
    auto& part = folderPart(window(*blank));
    ASSERT_NE(part.session(), nullptr);
    EXPECT_EQ(part.session()->root(), root);
    ASSERT_NE(part.sidebar(), nullptr);
    EXPECT_TRUE(part.sidebar()->isVisible());
    EXPECT_EQ(documents.documents().size(), 1u);
    EXPECT_TRUE(blankHost->router().validate("toggleFolderSidebar:", {}, blankHost));

    // A click on the file's row replaces the blank tab with the file.
    auto* sidebar = part.sidebar();
    QTreeView* outline = sidebar->outline();
    const QRect row = outline->visualRect(sidebar->indexOf(sidebar->nodeForPath(root / "a.txt")));
    QTest::mouseClick(outline->viewport(), Qt::LeftButton, {}, row.center());
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            auto* file = documents.documentForURL(root / "a.txt");
            return file && file->editor() && documents.documents().size() == 1;
        },
        5000));
    auto* file = documents.documentForURL(root / "a.txt");
    EXPECT_EQ(folderPart(window(*file)).session()->root(), root);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window(*file).textView()->text() == "alpha\n"; }));

    // The same folder again (as from the command line): its window comes forward, nothing new.
    application->documentController().openURL(root, true, [](auto*, bool, const auto&) {});
    EXPECT_EQ(documents.documents().size(), 1u);

    // The menu's toggle hides the sidebar; without a folder the toggle does nothing.
    EditorKit::HostWindow* host = window(*file).hostWindow();
    host->sendAction("toggleFolderSidebar:", {});
    EXPECT_FALSE(folderPart(window(*file)).sidebar()->isVisible());
    EXPECT_FALSE(folderPart(window(*file)).session()->visible());
}

TEST_F(EndToEnd, aFolderGoesToEveryTabOfTheKeyWindowAndAnotherFolderToANewWindow)
{
    auto& documents = application->documentController();
    std::vector<EditorDocuments::TextDocument*> tabs;
    for (const char* name : {"1.txt", "2.txt", "3.txt"}) {
        std::ofstream(folder / name, std::ios::binary) << name;
        tabs.push_back(open(folder / name));
        ASSERT_NE(tabs.back(), nullptr);
        focusAtEnd(*tabs.back());
    }
    ASSERT_EQ(hostsOf(documents).size(), 1u);
    const auto first = folder / "first";
    const auto second = folder / "second";
    std::filesystem::create_directories(first);
    std::filesystem::create_directories(second);

    documents.openURL(first, true, [](auto*, bool, const auto&) {});
    for (auto* tab : tabs) {
        ASSERT_NE(folderPart(window(*tab)).session(), nullptr);
        EXPECT_EQ(folderPart(window(*tab)).session()->root(), first);
    }
    window(*tabs[1]).hostWindow()->setCurrentPage(window(*tabs[1]).page());
    window(*tabs[1]).hostWindow()->sendAction("toggleFolderSidebar:", {});
    for (auto* tab : tabs)
        EXPECT_TRUE(folderPart(window(*tab)).sidebar()->isHidden());
    window(*tabs[1]).hostWindow()->sendAction("toggleHiddenFiles:", {});
    EXPECT_TRUE(folderPart(window(*tabs[0])).session()->showsHidden());

    // A tab opened later into the window takes its folder when it comes to the front.
    std::ofstream(folder / "4.txt", std::ios::binary) << "4";
    auto* later = open(folder / "4.txt");
    ASSERT_NE(later, nullptr);
    focusAtEnd(*later);
    EXPECT_EQ(window(*later).hostWindow(), window(*tabs[0]).hostWindow());
    EXPECT_EQ(folderPart(window(*later)).session(), folderPart(window(*tabs[0])).session());

    focusAtEnd(*tabs[2]);
    documents.openURL(second, true, [](auto*, bool, const auto&) {});
    ASSERT_EQ(documents.documents().size(), 5u);
    EXPECT_EQ(hostsOf(documents).size(), 2u) << "a new window, not a tab";
    auto* made = documents.documents().back();
    EXPECT_EQ(folderPart(window(*made)).session()->root(), second);
    EXPECT_NE(window(*made).hostWindow(), window(*tabs[0]).hostWindow());

    // A file already open in the other window is brought forward, not opened twice.
    folderPart(window(*made)).openFileFromFolder(folder / "1.txt");
    EXPECT_EQ(documents.documents().size(), 5u);
    EXPECT_EQ(window(*tabs[0]).hostWindow()->currentPage(), window(*tabs[0]).page());
}

// Ctrl+F opens the find bar with the keyboard in its field; typing searches, Return steps
// through the matches, Escape closes. Ctrl+Alt+F opens it with the replace row; replace all
// is one step that Ctrl+Z takes back.
TEST_F(EndToEnd, findKeysSearchStepReplaceAllAndClose)
{
    const auto path = folder / "find.txt";
    std::ofstream(path, std::ios::binary) << "cat dog cat";
    EditorDocuments::TextDocument* document = open(path);
    ASSERT_NE(document, nullptr);
    auto& controller = window(*document);
    auto* find = controller.feature<EditorWindow::FindReplaceFeature>();
    ASSERT_NE(find, nullptr);
    QWidget* text = focusAtEnd(*document);

    QTest::keyClick(text, Qt::Key_F, Qt::ControlModifier);
    ASSERT_NE(find->findBar(), nullptr);
    EditorWindow::FindBarView* bar = find->findBar();
    EXPECT_TRUE(bar->isVisible());
    EXPECT_TRUE(bar->replaceRow()->isHidden());
    ASSERT_EQ(QApplication::focusWidget(), bar->queryField());
    typeKeys(bar->queryField(), QStringLiteral("cat"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return bar->countLabel()->text() == "2"; }, 5000));

    QTest::keyClick(bar->queryField(), Qt::Key_Return);
    EXPECT_EQ(controller.textView()->selectedRange(), (EditorViews::TextRange{0, 3}));
    EXPECT_EQ(bar->countLabel()->text(), QStringLiteral("1 / 2"));
    QTest::keyClick(bar->queryField(), Qt::Key_Return);
    EXPECT_EQ(controller.textView()->selectedRange(), (EditorViews::TextRange{8, 3}));
    QTest::keyClick(bar->queryField(), Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(controller.textView()->selectedRange(), (EditorViews::TextRange{0, 3}));

    QTest::keyClick(bar->queryField(), Qt::Key_Escape);
    EXPECT_EQ(find->findBar(), nullptr);
    EXPECT_TRUE(controller.display()->findMatches.empty());
    EXPECT_EQ(QApplication::focusWidget(), controller.textView());

    text = focusAtEnd(*document);
    QTest::keyClick(text, Qt::Key_F, Qt::ControlModifier | Qt::AltModifier);
    ASSERT_NE(find->findBar(), nullptr);
    bar = find->findBar();
    EXPECT_FALSE(bar->replaceRow()->isHidden());
    EXPECT_TRUE(bar->queryField()->text().isEmpty()) << "a closed bar starts afresh";
    typeKeys(bar->queryField(), QStringLiteral("cat"));
    bar->replaceField()->setFocus();
    typeKeys(bar->replaceField(), QStringLiteral("cow"));
    QTest::mouseClick(bar->replaceAllButton(), Qt::LeftButton);
    EXPECT_EQ(controller.textView()->text(), QStringLiteral("cow dog cow"));

    bar->queryField()->setFocus();
    QTest::keyClick(bar->queryField(), Qt::Key_Escape);
    EXPECT_EQ(find->findBar(), nullptr);
    QTest::keyClick(controller.textView(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(controller.textView()->text(), QStringLiteral("cat dog cat"));
}

// MARK: downloads from the build's own index

// The shipped wiring on a fresh home: the grammar center as the program makes it, from the
// preferences' defaults, downloading from the index this build published and checking it with
// the key the editor is built with.
TEST_F(EndToEnd, aPythonFileIsColouredWithTheGrammarOfTheBuildsOwnIndex)
{
    auto previous = AppFeatures::GrammarCenter::replaceShared(nullptr);
    auto& center = AppFeatures::GrammarCenter::shared();
    ASSERT_FALSE(center.isInstalled(EditorFeatures::CodeLanguage::python));

    const auto path = folder / "greet.py";
    writeBytes(path, bytesOf("def greet(name):\n    return name\n"));
    auto* accepted = acceptGrammarOffer(path, QStringLiteral("Python"));
    ASSERT_NE(accepted, nullptr);
    auto& controller = *accepted;

    auto* coloring = controller.feature<EditorWindow::SyntaxColoringFeature>()->coloring();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return !controller.banner(QStringLiteral("grammar")) && coloring && coloring->hasTree();
        },
        20000));
    EXPECT_TRUE(center.isInstalled(EditorFeatures::CodeLanguage::python));
    ASSERT_TRUE(coloring && coloring->hasTree());

    // "def" takes the keyword colour; the parameter "name" stays plain text.
    QList<QTextLayout::FormatRange> formats;
    coloring->colorLine(0, 0, 16, formats);
    const auto colourAt = [&](int at) {
        QColor colour;
        for (const auto& format : formats) {
            if (at >= format.start && at < format.start + format.length)
                colour = format.format.foreground().color();
        }
        return colour;
    };
    const auto palette = EditorViews::EditorColors::syntaxPalette(
        EditorViews::appearanceOf(controller.textView()->palette()));
    EXPECT_EQ(colourAt(0),
              palette[static_cast<std::size_t>(
                  EditorFeatures::rawValue(EditorFeatures::SyntaxRole::keyword))]);
    EXPECT_NE(colourAt(0), colourAt(10));
    EXPECT_FALSE(colourAt(10).isValid()) << "plain text takes the view's own colour";
    EXPECT_FALSE(controller.document()->isEdited()) << "colouring changes no text";
    auto made = AppFeatures::GrammarCenter::replaceShared(std::move(previous));
    made->waitForBackgroundWork();
}

// The same for the formatter: the format chord on a TypeScript file offers Prettier, and
// accepting it installs the bundle of the build's index and formats the text.
TEST_F(EndToEnd, aTypeScriptFileIsFormattedWithThePrettierOfTheBuildsOwnIndex)
{
    auto previous = AppFeatures::FormatterCenter::replaceShared(nullptr);
    auto& center = AppFeatures::FormatterCenter::shared();

    const auto path = folder / "main.ts";
    writeBytes(path, bytesOf("let  x:number=1\n"));
    auto* document = open(path);
    ASSERT_NE(document, nullptr);
    QWidget* target = focusAtEnd(*document);
    auto& controller = window(*document);

    QTest::keyClick(target, Qt::Key_F, Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier);
    EditorWindow::BannerView* offer = controller.banner(QStringLiteral("tidy"));
    ASSERT_NE(offer, nullptr);
    EXPECT_TRUE(offer->message().contains(QStringLiteral("정리기(Prettier)")))
        << offer->message().toStdString();
    EXPECT_TRUE(offer->message().contains(center.serverName()));
    QPushButton* download = bannerButton(*offer, QStringLiteral("받기"));
    ASSERT_NE(download, nullptr);
    QTest::mouseClick(download, Qt::LeftButton);

    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return controller.textView()->text() == QStringLiteral("let x: number = 1;\n"); },
        20000))
        << controller.textView()->text().toStdString();
    EXPECT_EQ(controller.banner(QStringLiteral("tidy")), nullptr);
    EXPECT_TRUE(std::filesystem::exists(EditorFeatures::FormatterStore::defaultRoot() / "prettier"
                                        / "current.json"));
    auto made = AppFeatures::FormatterCenter::replaceShared(std::move(previous));
    made->waitForBackgroundWork();
}

// Closing a window of three memos asks about each one over its own tab, naming it, so the user
// knows which text "지우기" deletes.
TEST_F(EndToEnd, closingAWindowOfMemosAsksAboutEachOverItsOwnTab)
{
    auto& documents = application->documentController();
    std::vector<QPointer<EditorDocuments::TextDocument>> memos;
    for (const char* text : {"first", "second", "third"}) {
        auto* memo = documents.makeUntitledDocument(true);
        ASSERT_NE(memo, nullptr);
        focusAtEnd(*memo);
        window(*memo).textView()->insertText(QString::fromUtf8(text));
        memos.emplace_back(memo);
    }
    EditorKit::HostWindow* host = window(*memos[0]).hostWindow();
    ASSERT_EQ(host->pageCount(), 3);
    ASSERT_EQ(window(*memos[2]).hostWindow(), host);

    QCoreApplication::processEvents();
    std::map<QString, EditorKit::TabPage*> pageNamed;
    for (auto& memo : memos)
        pageNamed[memo->displayName()] = window(*memo).page();
    ASSERT_EQ(pageNamed.size(), 3u);

    std::vector<std::pair<QString, EditorKit::TabPage*>> seen; // the subject, the tab shown
    presenter->onAlert = [&](const EditorKit::Alert& alert, QWidget*) {
        seen.emplace_back(alert.subject, host->currentPage());
    };
    presenter->answers = {1, 1, 1};
    host->close();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            return std::all_of(memos.begin(), memos.end(), [](auto& m) { return m.isNull(); });
        },
        5000));
    ASSERT_EQ(seen.size(), 3u);
    std::set<QString> subjects;
    for (const auto& [subject, shown] : seen) {
        SCOPED_TRACE(subject.toStdString());
        ASSERT_TRUE(pageNamed.contains(subject)) << "the question names its text";
        EXPECT_EQ(shown, pageNamed[subject]) << "the question shows over the text it is about";
        subjects.insert(subject);
    }
    EXPECT_EQ(subjects.size(), 3u) << "three texts, three different questions";
    presenter->onAlert = nullptr;
}

// What a later start hands over ends selected in a window in front and active, also while a
// dialog is up; a folder handed over opens without a failure on the standard error.
TEST_F(EndToEnd, aHandOverEndsInFrontAndAFolderIsNoFailure)
{
    std::ofstream(folder / "a.txt") << "a\n";
    std::ofstream(folder / "b.txt") << "b\n";
    std::filesystem::create_directory(folder / "project");
    auto* a = open(folder / "a.txt");
    ASSERT_TRUE(a);
    focusAtEnd(*a);
    EditorKit::HostWindow* host = window(*a).hostWindow();

    QDialog dialog;
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));

    std::ostringstream errors;
    auto* kept = std::cerr.rdbuf(errors.rdbuf());
    std::optional<bool> opened;
    application->openArguments({(folder / "b.txt").string()}, true, [&](bool any) {
        opened = any;
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return opened.has_value(); }, 5000));
    EXPECT_TRUE(*opened);
    auto* b = application->documentController().documentForURL(folder / "b.txt");
    ASSERT_TRUE(b && b->editor());
    EditorKit::HostWindow* shown = window(*b).hostWindow();
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->currentPage(), window(*b).page());
    EXPECT_TRUE(QTest::qWaitForWindowActive(shown));
    EXPECT_EQ(QApplication::activeWindow(), shown);

    opened.reset();
    application->openArguments({(folder / "project").string()}, true, [&](bool any) {
        opened = any;
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return opened.has_value(); }, 5000));
    std::cerr.rdbuf(kept);
    EXPECT_TRUE(*opened) << "the folder opened";
    EXPECT_EQ(errors.str(), "");
    (void)host;
}
