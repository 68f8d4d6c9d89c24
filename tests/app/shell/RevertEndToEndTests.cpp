// Reverting to the opened text through the shipped wiring: the application object, real key
// events, the File menu's item, and the bytes that autosave then leaves on disk.
#include "app/documents/DocumentController.h"
#include "app/documents/DocumentServices.h"
#include "app/documents/TextDocument.h"
#include "app/kit/ActionRouter.h"
#include "app/kit/HostWindow.h"
#include "app/kit/Presenter.h"
#include "app/kit/TabPage.h"
#include "app/shell/Application.h"
#include "app/views/EditorTextView.h"
#include "app/window/BannerView.h"
#include "app/window/hosting/TextDocumentWindow.h"
#include "store/SettingKeys.h"
#include "store/Settings.h"
#include "tests/app/shell/EndToEndInput.h"

#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QUndoStack>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using EndToEnd::Bytes;
using EndToEnd::bytesOf;
using EndToEnd::readBytes;
using EndToEnd::typeKeys;
using EndToEnd::writeBytes;
using EditorDocuments::TextDocument;

// No alert is expected; the save panel answers with `saveTo`.
class PanelPresenter : public EditorKit::Presenter
{
public:
    std::optional<std::filesystem::path> saveTo;
    std::vector<QString> alerts;
    int runAlert(const EditorKit::Alert& alert, QWidget*) override
    {
        alerts.push_back(alert.text);
        ADD_FAILURE() << "an unexpected alert: " << alert.text.toStdString();
        return alert.cancelButton.value_or(0);
    }
    std::optional<std::filesystem::path> runSavePanel(QWidget*, const QString&) override
    {
        return saveTo;
    }
};

struct RevertEndToEnd : ::testing::Test
{
    EditorKit::ActionRouter router;
    std::shared_ptr<PanelPresenter> presenter = std::make_shared<PanelPresenter>();
    std::shared_ptr<EditorDocuments::DocumentServices> services =
        std::make_shared<EditorDocuments::DocumentServices>(
            *EditorDocuments::DocumentServices::shared());
    std::unique_ptr<EditorShell::Application> application;
    std::filesystem::path folder;

    void SetUp() override
    {
        folder = std::filesystem::path(std::getenv("HOME")) / "revert"
                 / ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        // Autosave soon, so that the bytes on disk follow the text within the test.
        services->autosavingDelayMilliseconds = 100;
        application = std::make_unique<EditorShell::Application>(router, services, presenter);
    }

    void TearDown() override
    {
        application.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }

    TextDocument* open(const std::filesystem::path& path)
    {
        TextDocument* opened = nullptr;
        application->documentController().openDocumentWithContentsOfURL(
            path, true, [&](TextDocument* document, bool, const auto& failure) {
                EXPECT_FALSE(failure.has_value());
                opened = document;
            });
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return opened && opened->editor() && !opened->isLoading(); }, 5000));
        return opened;
    }

    static EditorWindow::DocumentWindowController& window(TextDocument& document)
    {
        return dynamic_cast<EditorWindow::TextDocumentWindow&>(*document.editor()).controller();
    }

    static QString text(TextDocument& document) { return window(document).textView()->text(); }

    QWidget* focusAtEnd(TextDocument& document)
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
        return QApplication::focusWidget() ? QApplication::focusWidget() : controller.textView();
    }

    // File ▸ Revert To ▸ Revert to Opened, as the menu shows it: validated when its menu opens.
    QAction* revertItem(TextDocument& document)
    {
        EditorKit::HostWindow* host = window(document).hostWindow();
        if (!host)
            return nullptr;
        for (QMenu* menu : host->menuBar()->findChildren<QMenu*>()) {
            for (QAction* action : menu->actions()) {
                if (action->text().startsWith(QStringLiteral("연 상태로 되돌리기"))) {
                    emit menu->aboutToShow();
                    return action;
                }
            }
        }
        return nullptr;
    }

    bool revertIsEnabled(TextDocument& document)
    {
        QCoreApplication::processEvents();
        QAction* item = revertItem(document);
        EXPECT_NE(item, nullptr);
        return item && item->isEnabled();
    }

    void revert(TextDocument& document)
    {
        QAction* item = revertItem(document);
        ASSERT_NE(item, nullptr);
        ASSERT_TRUE(item->isEnabled());
        item->trigger();
    }

    // Reverting brought back `original`: one undo step of that name, autosaved to `path`.
    void expectReverted(TextDocument& document,
                        const std::filesystem::path& path,
                        const QString& original,
                        const Bytes& originalBytes)
    {
        EXPECT_TRUE(QTest::qWaitFor([&] { return text(document) == original; }, 5000));
        EXPECT_EQ(text(document), original);
        EXPECT_EQ(document.undoStack()->undoText(), QStringLiteral("연 상태로 되돌리기"));
        EXPECT_EQ(window(document).textView()->selectedRange().location, 0);
        EXPECT_TRUE(QTest::qWaitFor([&] { return readBytes(path) == originalBytes; }, 5000));
        EXPECT_EQ(readBytes(path), originalBytes);
        // A text without a copy counts as reverted once its autosave has completed.
        EXPECT_TRUE(QTest::qWaitFor([&] { return !revertIsEnabled(document); }, 5000))
            << "nothing is left to revert";
    }
};

} // namespace

TEST_F(RevertEndToEnd, aFileOpenedFromDiskGoesBackToItsBytesAfterTypingAndAutosave)
{
    // Korean text in CP949 with CRLF breaks: the revert must give back these very bytes.
    const Bytes original = {0xC7, 0xD1, 0xB1, 0xB9, 0xBE, 0xEE, 0x20, 0xB9, 0xAE, 0xBC, 0xAD,
                            0xC0, 0xD4, 0xB4, 0xCF, 0xB4, 0xD9, 0x2E, 0x0D, 0x0A, 0xB0, 0xA1,
                            0xB3, 0xAA, 0xB4, 0xD9, 0xB6, 0xF3, 0xB8, 0xB6, 0xB9, 0xD9, 0xBB,
                            0xE7, 0x20, 0xC0, 0xFA, 0xC0, 0xE5, 0xC7, 0xD1, 0x2E, 0x0D, 0x0A};
    const auto path = folder / "korean.txt";
    writeBytes(path, original);
    TextDocument* document = open(path);
    ASSERT_NE(document, nullptr);
    ASSERT_EQ(document->format().encoding, EditorCore::TextEncoding::cp949);
    const QString opened = text(*document);
    ASSERT_FALSE(opened.isEmpty());
    QWidget* target = focusAtEnd(*document);
    EXPECT_FALSE(revertIsEnabled(*document)) << "an unedited document has nothing to revert";

    // A key and its deletion leave the text as opened.
    typeKeys(target, QStringLiteral("x"));
    EXPECT_TRUE(revertIsEnabled(*document));
    QTest::keyClick(target, Qt::Key_Backspace);
    EXPECT_FALSE(revertIsEnabled(*document));

    // Typing, and the autosave that writes it.
    typeKeys(target, QStringLiteral("가x"));
    Bytes typed = original;
    for (unsigned char byte : {0xB0, 0xA1, 0x78})
        typed.push_back(byte);
    ASSERT_TRUE(QTest::qWaitFor([&] { return readBytes(path) == typed; }, 5000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !document->isDocumentEdited(); }, 5000));

    revert(*document);
    expectReverted(*document, path, opened, original);

    // Undo brings the typing back; reverting again takes it away again.
    QTest::keyClick(target, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(text(*document), opened + QStringLiteral("가x"));
    revert(*document);
    expectReverted(*document, path, opened, original);
    EXPECT_TRUE(presenter->alerts.empty());
}

TEST_F(RevertEndToEnd, anUntitledDocumentSavedAsAFileGoesBackToTheTextItWasSavedWith)
{
    TextDocument* document = application->documentController().makeUntitledDocument(true);
    ASSERT_NE(document, nullptr);
    ASSERT_NE(document->editor(), nullptr);
    QWidget* target = focusAtEnd(*document);
    typeKeys(target, QStringLiteral("memo 메모"));
    QTest::keyClick(target, Qt::Key_Return);

    const auto path = folder / "memo.txt";
    presenter->saveTo = path;
    QTest::keyClick(target, Qt::Key_S, Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier);
    const Bytes saved = bytesOf("memo \xEB\xA9\x94\xEB\xAA\xA8\n");
    ASSERT_TRUE(QTest::qWaitFor([&] { return readBytes(path) == saved; }, 5000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !document->isDocumentEdited(); }, 5000));
    ASSERT_EQ(document->fileURL(), path);
    EXPECT_FALSE(revertIsEnabled(*document));

    typeKeys(target, QStringLiteral("more"));
    Bytes typed = saved;
    for (char c : std::string("more"))
        typed.push_back(static_cast<unsigned char>(c));
    ASSERT_TRUE(QTest::qWaitFor([&] { return readBytes(path) == typed; }, 5000));
    revert(*document);
    expectReverted(*document, path, QStringLiteral("memo 메모\n"), saved);
}

TEST_F(RevertEndToEnd, aLargeFileMadeEditableIsReadAgainToRevert)
{
    // Files over 1 MiB open as large files here.
    auto& settings = EditorStore::Settings::shared();
    const auto previousLimit = settings.value(EditorStore::SettingKeys::fileLargeFileMB);
    settings.set(std::int64_t{1}, EditorStore::SettingKeys::fileLargeFileMB);
    struct Restore
    {
        EditorStore::Settings& settings;
        std::int64_t limit;
        ~Restore() { settings.set(limit, EditorStore::SettingKeys::fileLargeFileMB); }
    } restore{settings, previousLimit};
    // Autosave only after the revert: a long text goes back to its file as last written.
    services->autosavingDelayMilliseconds = 1500;

    Bytes original;
    const std::string line = "2026-12-11 00:00:00 a line of a log, CRLF\r\n";
    while (original.size() < (2u << 20))
        original.insert(original.end(), line.begin(), line.end());
    const auto path = folder / "big.log";
    writeBytes(path, original);
    TextDocument* document = open(path);
    ASSERT_NE(document, nullptr);
    ASSERT_TRUE(document->largeFile().has_value());
    auto& controller = window(*document);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return text(*document).size() == static_cast<qsizetype>(original.size()); }, 10'000));
    EditorWindow::BannerView* banner = nullptr;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return (banner = controller.banner(QStringLiteral("largeFile"))) != nullptr; },
        10'000));
    QPushButton* allow = nullptr;
    for (QPushButton* button : banner->actionButtons()) {
        if (button->text() == QStringLiteral("고치기 허용"))
            allow = button;
    }
    ASSERT_NE(allow, nullptr);
    QTest::mouseClick(allow, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller.textView()->isEditable(); }, 5000));
    EXPECT_EQ(document->openedText(), std::nullopt) << "a long text is not copied";
    const QString opened = text(*document);
    QWidget* target = focusAtEnd(*document);
    EXPECT_FALSE(revertIsEnabled(*document));

    typeKeys(target, QStringLiteral("tail"));
    revert(*document);
    expectReverted(*document, path, opened, original);

    // Someone else writes the file: it no longer holds the opened text, and reverting says so.
    typeKeys(focusAtEnd(*document), QStringLiteral("more"));
    writeBytes(path, bytesOf("theirs\n"));
    revert(*document);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return controller.banner(QStringLiteral("revert.failed")) != nullptr; }, 5000));
    EXPECT_EQ(text(*document), opened + QStringLiteral("more"));
}
