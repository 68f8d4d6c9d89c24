#include "app/documents/DocumentController.h"
#include "app/documents/DocumentServices.h"
#include "app/documents/TextDocument.h"
#include "app/kit/ActionRouter.h"
#include "app/kit/TabPage.h"
#include "app/views/EditorTextView.h"
#include "app/window/TextDocumentWindow.h"
#include "platform/PreferencesDomain.h"
#include "store/Settings.h"
#include "tests/platform/TemporaryFolder.h"

#include <QCoreApplication>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

using EditorDocuments::TextDocument;
using EditorWindow::TextDocumentWindow;

namespace {

std::string readBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// A document of the documents module, read from a file, in a window of this module.
struct TextDocumentFixture
{
    TemporaryFolder folder;
    EditorStore::Settings settings{
        std::make_shared<Platform::PreferencesDomain>(folder / "group-defaults.json"), {}};
    EditorKit::ActionRouter router;
    std::shared_ptr<EditorDocuments::DocumentServices> services =
        std::make_shared<EditorDocuments::DocumentServices>();

    TextDocumentFixture()
    {
        services->largeFileMB = [] { return std::int64_t(100); };
        services->newDocumentFormat = [] {
            return EditorDocuments::FileFormat::newDocumentDefault("utf-8", false);
        };
        services->isWritable = [](const std::filesystem::path&) { return true; };
        services->record = [](auto, auto, const auto&) {};
        services->makeWindowController = [this](TextDocument& document) {
            EditorWindow::WindowEnvironment environment;
            environment.settings = &settings;
            return std::make_unique<TextDocumentWindow>(document, router, environment);
        };
    }

    TextDocumentWindow& windowOf(TextDocument& document)
    {
        return *dynamic_cast<TextDocumentWindow*>(document.editor());
    }
};

} // namespace

TEST(TextDocumentWindow, aTypedLineKeepsTheFilesFormatThroughTheSave)
{
    TextDocumentFixture f;
    auto path = f.folder / "notes.txt";
    std::ofstream(path, std::ios::binary) << std::string("\xff\xfe"
                                                         "a\0\r\0\n\0",
                                                         8);
    TextDocument document(f.services);
    ASSERT_TRUE(document.readFromURL(path).has_value());
    document.makeWindowControllers();
    auto& window = f.windowOf(document);
    auto& controller = window.controller();
    QCoreApplication::processEvents();
    EXPECT_FALSE(document.isDocumentEdited());
    EXPECT_EQ(controller.statusBar()->content().encoding, QStringLiteral("UTF-16 LE BOM"));
    EXPECT_EQ(controller.statusBar()->content().lineEnding, QStringLiteral("CRLF"));

    // A pasted line feed becomes the file's CR LF.
    controller.textView()->setSelectedRange({3, 0});
    controller.textView()->insertText(QStringLiteral("b\nc"));
    QCoreApplication::processEvents();
    EXPECT_TRUE(document.isDocumentEdited());
    EXPECT_EQ(controller.page()->windowTitle(), QStringLiteral("*notes.txt"));
    EXPECT_EQ(window.text(), QStringLiteral("a\r\nb\r\nc"));

    ASSERT_TRUE(document.saveDocument());
    ASSERT_TRUE(document.waitForSaves());
    QCoreApplication::processEvents();
    EXPECT_EQ(readBytes(path),
              std::string("\xff\xfe"
                          "a\0\r\0\n\0b\0\r\0\n\0c\0",
                          16));
    EXPECT_FALSE(document.isDocumentEdited());
    EXPECT_EQ(controller.page()->windowTitle(), QStringLiteral("notes.txt"));

    // Closing drops the window before the document.
    document.close();
    EXPECT_EQ(document.editor(), nullptr);
}

// A 20 MiB file opens without holding up the event loop: its window is there, read-only and
// saying so, before its text arrives; then the text is in the view and may be edited.
TEST(TextDocumentWindow, largeFileOpensWithoutBlockingTheEventLoop)
{
    TextDocumentFixture f;
    auto path = f.folder / "big.log";
    {
        std::ofstream out(path, std::ios::binary);
        const std::string line = "2026-12-10 05:00:00 a line of a log that keeps on going\n";
        for (std::size_t written = 0; written < (20u << 20); written += line.size())
            out << line;
    }
    EditorDocuments::DocumentController documents(f.services);

    EditorDocuments::TextDocument* opened = nullptr;
    documents.openURL(
        path, true, [&](TextDocument* document, bool, const auto&) { opened = document; });
    ASSERT_NE(opened, nullptr) << "the open completes with the window, not with the text";
    auto& controller = f.windowOf(*opened).controller();
    EXPECT_TRUE(opened->isLoading());
    EXPECT_TRUE(controller.textView()->text().isEmpty());
    EXPECT_FALSE(controller.textView()->isEditable());

    // The loop keeps turning while the worker reads.
    int turns = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++turns; });
    ticker.start(1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !opened->isLoading(); }, 30'000));
    EXPECT_GT(turns, 0);
    EXPECT_EQ(static_cast<std::uintmax_t>(controller.textView()->text().size()),
              std::filesystem::file_size(path));
    EXPECT_TRUE(controller.textView()->isEditable());
    EXPECT_FALSE(opened->isDocumentEdited());
    EXPECT_TRUE(opened->loadedText.isNull()) << "the view holds the only copy of the text";
}
