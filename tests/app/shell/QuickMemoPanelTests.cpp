// The quick-memo panel offscreen: where memos go, when they are written, what a failed save
// keeps, and "탭으로 열기".

#include "app/documents/DocumentServices.h"
#include "app/documents/TextDocument.h"
#include "app/kit/ActionRouter.h"
#include "app/kit/Localized.h"
#include "app/kit/Presenter.h"
#include "app/shell/Application.h"
#include "app/shell/QuickMemoPanel.h"
#include "app/views/EditorTextView.h"
#include "app/window/DocumentWindowController.h"
#include "app/window/hosting/TextDocumentWindow.h"
#include "core/QuickMemoFile.h"
#include "platform/Files.h"
#include "store/Settings.h"
#include "tests/platform/TemporaryFolder.h"

#include <QApplication>
#include <QLabel>
#include <QLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using EditorShell::QuickMemoPanel;
using EditorStore::SettingKeys;
using EditorStore::Settings;

namespace {

struct RecordingPresenter : EditorKit::Presenter
{
    std::vector<EditorKit::Alert> alerts;
    int runAlert(const EditorKit::Alert& alert, QWidget*) override
    {
        alerts.push_back(alert);
        return 0;
    }
    std::optional<std::filesystem::path> runSavePanel(QWidget*, const QString&) override
    {
        return std::nullopt;
    }
};

const auto memoTime =
    std::chrono::sys_days{std::chrono::year{2026} / 3 / 1} + std::chrono::hours{12};

std::string readText(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeText(const std::filesystem::path& file, const std::string& text)
{
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
}

// What the text engine makes of the memo after `existing`.
std::string entryAfter(const std::u16string& memo, std::optional<std::string> existing)
{
    std::optional<std::span<const std::uint8_t>> bytes;
    if (existing)
        bytes =
            std::span(reinterpret_cast<const std::uint8_t*>(existing->data()), existing->size());
    auto entry = EditorCore::QuickMemoFile::append(
        memo, bytes, memoTime, QTimeZone::systemTimeZoneId().toStdString());
    return entry ? std::string(entry->begin(), entry->end()) : std::string();
}

struct QuickMemo : ::testing::Test
{
    TemporaryFolder folder;
    EditorKit::ActionRouter router;
    std::unique_ptr<EditorShell::Application> application;
    std::shared_ptr<RecordingPresenter> presenter = std::make_shared<RecordingPresenter>();
    std::unique_ptr<QuickMemoPanel> panel;
    std::function<EditorCore::Result<std::vector<std::uint8_t>, std::error_code>(
        const std::filesystem::path&)>
        readFile;

    void SetUp() override
    {
        application = std::make_unique<EditorShell::Application>(
            router,
            std::make_shared<EditorDocuments::DocumentServices>(
                *EditorDocuments::DocumentServices::shared()),
            presenter);
        QuickMemoPanel::Services services;
        services.presenter = presenter;
        services.documents = &application->documentController();
        services.now = [] { return std::chrono::system_clock::time_point(memoTime); };
        services.readFile = [this](const std::filesystem::path& file) {
            return readFile ? readFile(file) : Platform::readWholeFile(file);
        };
        panel = std::make_unique<QuickMemoPanel>(std::move(services));
    }

    void TearDown() override
    {
        Settings::shared().set("", SettingKeys::quickMemoPath);
        panel.reset();
        for (auto* document : application->documentController().documents())
            document->undoStack()->setClean();
        application.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }

    void useMemoFile(const std::filesystem::path& file)
    {
        Settings::shared().set(file.string(), SettingKeys::quickMemoPath);
    }

    // Shows the panel with `text` typed into it, then presses Escape.
    void writeAndEscape(const QString& text)
    {
        panel->show();
        panel->textView()->setPlainText(text);
        QTest::keyClick(panel->textView(), Qt::Key_Escape);
    }
};

} // namespace

TEST_F(QuickMemo, theMemoFileIsTheSettingOrTheDocumentsFolders)
{
    EXPECT_EQ(QuickMemoPanel::memoFileURL(), EditorCore::QuickMemoFile::url(u"빠른 메모.txt"));
    useMemoFile("/srv/memo.txt");
    EXPECT_EQ(QuickMemoPanel::memoFileURL(), std::filesystem::path("/srv/memo.txt"));

    // "~" is the home folder.
    const std::string savedHome = std::getenv("HOME");
    ::setenv("HOME", folder.path().c_str(), 1);
    useMemoFile("~/notes/memo.txt");
    EXPECT_EQ(QuickMemoPanel::memoFileURL(), folder / "notes" / "memo.txt");
    writeAndEscape(QStringLiteral("in my notes"));
    ::setenv("HOME", savedHome.c_str(), 1);
    EXPECT_EQ(readText(folder / "notes" / "memo.txt"), entryAfter(u"in my notes", std::nullopt));
}

TEST_F(QuickMemo, escapeOnABlankMemoHidesAndWritesNothing)
{
    const auto file = folder / "memo.txt";
    useMemoFile(file);
    writeAndEscape(QStringLiteral("  \n\t \n"));
    EXPECT_FALSE(panel->isVisible());
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_EQ(panel->textView()->toPlainText(), QStringLiteral("  \n\t \n")) << "not cleared";
    EXPECT_TRUE(presenter->alerts.empty());
}

TEST_F(QuickMemo, theFirstMemoMakesFolderAndFileAndLaterOnesAppendKeepingCrLf)
{
    const auto file = folder / "deep" / "er" / "memo.txt";
    useMemoFile(file);
    writeAndEscape(QStringLiteral("first"));
    EXPECT_FALSE(panel->isVisible());
    EXPECT_TRUE(panel->textView()->toPlainText().isEmpty()) << "a saved memo is cleared";
    const std::string first = entryAfter(u"first", std::nullopt);
    EXPECT_EQ(readText(file), first);

    writeAndEscape(QStringLiteral("second"));
    const std::string second = first + entryAfter(u"second", first);
    EXPECT_EQ(readText(file), second);

    // A file with CR LF gets its entry with CR LF, after a blank line.
    writeText(file, "kept\r\n");
    writeAndEscape(QStringLiteral("third\nline"));
    EXPECT_EQ(readText(file), "kept\r\n" + entryAfter(u"third\nline", std::string("kept\r\n")));
    EXPECT_NE(readText(file).find("kept\r\n\r\n"), std::string::npos);
}

TEST_F(QuickMemo, aFailedSaveKeepsPanelAndTextAfterTheAlert)
{
    // A regular file where the memo's folder should be (the tests run as root, so a folder
    // without write permission would not stop the write).
    writeText(folder / "blocker", "a file");
    useMemoFile(folder / "blocker" / "memo.txt");
    writeAndEscape(QStringLiteral("keep me"));
    ASSERT_EQ(presenter->alerts.size(), 1u);
    EXPECT_EQ(presenter->alerts[0].text, QStringLiteral("빠른 메모를 저장하지 못했어요."));
    EXPECT_FALSE(presenter->alerts[0].informativeText.isEmpty());
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(panel->textView()->toPlainText(), QStringLiteral("keep me"));

    // The close button saves the same way, and never closes the panel for good.
    panel->panel()->close();
    EXPECT_EQ(presenter->alerts.size(), 2u);
    EXPECT_TRUE(panel->isVisible());
    useMemoFile(folder / "memo.txt");
    panel->panel()->close();
    EXPECT_FALSE(panel->isVisible());
    EXPECT_EQ(readText(folder / "memo.txt"), entryAfter(u"keep me", std::nullopt));
    panel->show();
    EXPECT_TRUE(panel->isVisible()) << "the same panel again";
}

TEST_F(QuickMemo, aMemoFileThatCannotBeReadIsNeverReplaced)
{
    const auto file = folder / "memo.txt";
    writeText(file, "years of notes\n");
    useMemoFile(file);
    readFile = [](const std::filesystem::path&)
        -> EditorCore::Result<std::vector<std::uint8_t>, std::error_code> {
        return EditorCore::failure(std::make_error_code(std::errc::io_error));
    };
    writeAndEscape(QStringLiteral("new note"));
    EXPECT_EQ(readText(file), "years of notes\n");
    ASSERT_EQ(presenter->alerts.size(), 1u);
    EXPECT_EQ(presenter->alerts[0].informativeText,
              QString::fromStdString(std::make_error_code(std::errc::io_error).message()));
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(panel->textView()->toPlainText(), QStringLiteral("new note"));
}

TEST_F(QuickMemo, openAsTabSavesFirstAndPutsTheCaretAfterTheNewEntry)
{
    const auto file = folder / "memo.txt";
    writeText(file, "old\n");
    useMemoFile(file);
    panel->show();
    panel->textView()->setPlainText(QStringLiteral("new"));
    QTest::mouseClick(panel->openButton(), Qt::LeftButton);
    EXPECT_FALSE(panel->isVisible());
    const std::string expected = "old\n" + entryAfter(u"new", std::string("old\n"));
    EXPECT_EQ(readText(file), expected);

    auto& documents = application->documentController();
    ASSERT_TRUE(QTest::qWaitFor([&] { return documents.documents().size() == 1; }, 5000));
    auto* document = documents.documents()[0];
    auto* window = dynamic_cast<EditorWindow::TextDocumentWindow*>(document->editor());
    ASSERT_NE(window, nullptr);
    auto* view = window->controller().textView();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return !document->isLoading() && view->selectedRange().location > 0; }, 5000));
    EXPECT_EQ(view->text(), QString::fromStdString(expected));
    EXPECT_EQ(view->selectedRange(), (EditorCore::TextRange{view->text().size(), 0}));
}

TEST_F(QuickMemo, openAsTabMakesAMissingFileAndStopsWhenTheSaveFails)
{
    const auto file = folder / "new" / "memo.txt";
    useMemoFile(file);
    panel->show();
    QTest::mouseClick(panel->openButton(), Qt::LeftButton);
    EXPECT_TRUE(std::filesystem::exists(file));
    EXPECT_EQ(readText(file), "");
    auto& documents = application->documentController();
    ASSERT_TRUE(QTest::qWaitFor([&] { return documents.documents().size() == 1; }, 5000));

    writeText(folder / "blocker", "a file");
    useMemoFile(folder / "blocker" / "memo.txt");
    panel->show();
    panel->textView()->setPlainText(QStringLiteral("unsaved"));
    QTest::mouseClick(panel->openButton(), Qt::LeftButton);
    EXPECT_EQ(presenter->alerts.size(), 1u);
    EXPECT_TRUE(panel->isVisible());
    QCoreApplication::processEvents();
    EXPECT_EQ(documents.documents().size(), 1u) << "nothing more opened";
}

// The hint names the shortcut and the file in full, in each language, at the panel's first size
// and at its smallest: it wraps instead of being cut.
TEST_F(QuickMemo, theHintShowsWholeInEveryLanguage)
{
    Settings::shared().set("ctrl+opt+n", SettingKeys::quickMemoShortcut);
    for (const char* language : {"en", "ja", "ko"}) {
        SCOPED_TRACE(language);
        ASSERT_TRUE(EditorKit::installTranslation(QString::fromLatin1(language)));
        const QString name = EditorKit::localized("빠른 메모") + QStringLiteral(".txt");
        useMemoFile(folder / name.toStdString());
        panel->show();
        for (const QSize size : {QSize(520, 240), panel->panel()->minimumSize()}) {
            SCOPED_TRACE(size.width());
            panel->panel()->resize(size);
            QCoreApplication::processEvents();
            panel->panel()->layout()->activate();
            QLabel* hint = panel->hint();
            ASSERT_TRUE(hint->text().contains(QStringLiteral("Meta+Alt+N")));
            if (hint->wordWrap()) {
                EXPECT_LE(hint->heightForWidth(hint->width()), hint->height());
            } else {
                EXPECT_LE(hint->fontMetrics().horizontalAdvance(hint->text()), hint->width());
            }
            const QRect inPanel(hint->mapTo(panel->panel(), QPoint(0, 0)), hint->size());
            EXPECT_TRUE(panel->panel()->rect().contains(inPanel));
            EXPECT_FALSE(inPanel.intersects(panel->openButton()->geometry()));
        }
        panel->toggle();
    }
    EditorKit::installTranslation(QString());
}

TEST_F(QuickMemo, showPlacesTheHintAndThePanelAboveTheMiddle)
{
    useMemoFile(folder / "memo.txt");
    Settings::shared().set("ctrl+opt+n", SettingKeys::quickMemoShortcut);
    panel->show();
    EXPECT_EQ(panel->hint()->text(),
              QStringLiteral("Esc · Meta+Alt+N — 저장하고 닫기 · memo.txt 에 이어 써요"));
    EXPECT_EQ(panel->panel()->windowTitle(), QStringLiteral("빠른 메모"));
    EXPECT_EQ(panel->panel()->size(), QSize(520, 240));
    EXPECT_TRUE(panel->panel()->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(panel->textView()->hasFocus() || QApplication::focusWidget() == nullptr);
    const QRect available = panel->panel()->screen()->availableGeometry();
    const QRect frame = panel->panel()->frameGeometry();
    EXPECT_NEAR(frame.bottom() + 1, available.center().y() - 0.12 * available.height(), 2.0);
    EXPECT_NEAR(frame.center().x(), available.center().x(), 2.0);

    Settings::shared().set("off", SettingKeys::quickMemoShortcut);
    panel->toggle();
    EXPECT_FALSE(panel->isVisible());
    panel->toggle();
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(panel->hint()->text(),
              QStringLiteral("Esc · 끔 — 저장하고 닫기 · memo.txt 에 이어 써요"));
    Settings::shared().set("ctrl+opt+n", SettingKeys::quickMemoShortcut);
}
