#include "app/documents/DocumentController.h"
#include "app/documents/DocumentServices.h"
#include "app/documents/TextDocument.h"
#include "app/kit/ActionRouter.h"
#include "app/kit/HostWindow.h"
#include "app/kit/Presenter.h"
#include "app/kit/TabPage.h"
#include "app/views/EditorTextView.h"
#include "app/window/DisplayNames.h"
#include "app/window/hosting/TextDocumentWindow.h"
#include "platform/PreferencesDomain.h"
#include "store/FileMemory.h"
#include "store/Settings.h"
#include "tests/platform/TemporaryFolder.h"

#include <QApplication>
#include <QCoreApplication>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
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

TEST(TextDocumentWindow, closingAfterARefusedSaveNamesTheRefusal)
{
    TextDocumentFixture f;
    auto path = f.folder / "menu.txt";
    std::ofstream(path, std::ios::binary) << "caf\xe9 au lait\n";
    TextDocument document(f.services);
    ASSERT_TRUE(document.readFromURL(path).has_value());
    document.makeWindowControllers();
    auto& controller = f.windowOf(document).controller();
    QCoreApplication::processEvents();
    const auto encoding = EditorWindow::DisplayNames::shortName(document.format().encoding);
    ASSERT_NE(document.format().encoding, EditorCore::TextEncoding::utf8);

    controller.textView()->setSelectedRange({0, 0});
    controller.textView()->insertText(QStringLiteral("한"));
    QCoreApplication::processEvents();

    // Answers the close prompt with Cancel and keeps what it said.
    struct CancellingPresenter : EditorKit::Presenter
    {
        QString informative;
        int runAlert(const EditorKit::Alert& alert, QWidget*) override
        {
            informative = alert.informativeText;
            return alert.cancelButton.value_or(0);
        }
        std::optional<std::filesystem::path> runSavePanel(QWidget*, const QString&) override
        {
            return std::nullopt;
        }
    } presenter;
    EXPECT_FALSE(EditorWindow::decideClose(document, presenter, controller.page()));
    const QString& informative = presenter.informative;
    EXPECT_TRUE(informative.contains(QStringLiteral("「한」"))) << informative.toStdString();
    EXPECT_TRUE(informative.contains(encoding)) << informative.toStdString();
    EXPECT_FALSE(informative.contains(QStringLiteral("바깥에서"))) << informative.toStdString();
    // The banner names the encoding as the status bar does.
    auto* banner = controller.banner(QStringLiteral("save.unencodable"));
    ASSERT_NE(banner, nullptr);
    EXPECT_TRUE(banner->message().contains(QStringLiteral(" ") + encoding + QStringLiteral(" ")))
        << banner->message().toStdString();
    EXPECT_EQ(controller.statusBar()->content().encoding.left(encoding.size()), encoding);
    EXPECT_TRUE(document.isDocumentEdited());
}

TEST(TextDocumentWindow, theShownTabsTextTakesTheKeyboard)
{
    TextDocumentFixture f;
    auto shown = f.services->makeWindowController;
    f.services->makeWindowController = [shown](TextDocument& document) {
        auto window = shown(document);
        dynamic_cast<TextDocumentWindow&>(*window).controller().showWindow();
        return window;
    };
    auto open = [&](const char* name, const std::string& bytes) {
        auto path = f.folder / name;
        std::ofstream(path, std::ios::binary) << bytes;
        auto document = std::make_unique<TextDocument>(f.services);
        EXPECT_TRUE(document->readFromURL(path).has_value());
        document->makeWindowControllers();
        return document;
    };
    // Keys as the window system delivers them: to the window, then to its focused widget.
    auto type = [](EditorKit::HostWindow* host, const QString& keys) {
        for (QChar key : keys)
            QTest::keyClick(host->windowHandle(), key.toLatin1());
        QCoreApplication::processEvents();
    };

    auto first = open("first.txt", std::string(1024, 'a'));
    auto& firstController = f.windowOf(*first).controller();
    EditorKit::HostWindow* host = firstController.hostWindow();
    ASSERT_NE(host, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowActive(host));
    EXPECT_TRUE(f.router.validate("selectAll:", {}, host)) << "the text is in the chain at once";
    type(host, QStringLiteral("xy"));
    EXPECT_TRUE(f.windowOf(*first).text().startsWith(QStringLiteral("xy")));

    // A second file opens as a tab that takes the keyboard; selecting the first gives it back.
    auto second = open("second.txt", "second\n");
    auto& secondController = f.windowOf(*second).controller();
    EXPECT_EQ(secondController.hostWindow(), host);
    type(host, QStringLiteral("s"));
    EXPECT_EQ(f.windowOf(*second).text(), QStringLiteral("ssecond\n"));
    host->setCurrentPage(firstController.page());
    type(host, QStringLiteral("f"));
    EXPECT_TRUE(f.windowOf(*first).text().startsWith(QStringLiteral("xyf")));

    // A banner's button takes the keyboard while it is pressed; the text gets it back.
    firstController.showBanner(
        QStringLiteral("test"),
        EditorWindow::BannerView::Kind::warning,
        QStringLiteral("message"),
        {{QStringLiteral("go"), [&] { firstController.dismissBanner(QStringLiteral("test")); }}});
    QCoreApplication::processEvents();
    auto* button = firstController.banner(QStringLiteral("test"))->findChild<QPushButton*>();
    ASSERT_NE(button, nullptr);
    button->setFocus();
    QTest::mouseClick(button, Qt::LeftButton);
    QCoreApplication::processEvents();
    type(host, QStringLiteral("b"));
    EXPECT_TRUE(f.windowOf(*first).text().startsWith(QStringLiteral("xyfb")));

    second->close();
    first->close();
}

TEST(TextDocumentWindow, aMinimisedWindowComesBackForTheTabItIsAskedToShow)
{
    TextDocumentFixture f;
    auto shown = f.services->makeWindowController;
    f.services->makeWindowController = [shown](TextDocument& document) {
        auto window = shown(document);
        dynamic_cast<TextDocumentWindow&>(*window).controller().showWindow();
        return window;
    };
    std::vector<std::unique_ptr<TextDocument>> documents;
    for (const char* name : {"one.txt", "two.txt"}) {
        std::ofstream(f.folder / name) << name;
        documents.push_back(std::make_unique<TextDocument>(f.services));
        ASSERT_TRUE(documents.back()->readFromURL(f.folder / name).has_value());
    }
    documents[0]->makeWindowControllers();
    EditorKit::HostWindow* host = f.windowOf(*documents[0]).controller().hostWindow();
    ASSERT_NE(host, nullptr);

    // A file handed over while the window is hidden ("hide", Ctrl+H, minimises it).
    host->showMinimized();
    QCoreApplication::processEvents();
    ASSERT_TRUE(host->isMinimized());
    documents[1]->makeWindowControllers();
    EXPECT_EQ(f.windowOf(*documents[1]).controller().hostWindow(), host);
    EXPECT_FALSE(host->isMinimized());
    EXPECT_TRUE(host->isVisible());

    // An open file handed over again shows its tab the same way.
    host->showMinimized();
    QCoreApplication::processEvents();
    f.windowOf(*documents[0]).controller().showWindow();
    EXPECT_FALSE(host->isMinimized());
    EXPECT_EQ(host->currentPage(), f.windowOf(*documents[0]).controller().page());

    for (auto& document : documents)
        document->close();
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
    EXPECT_TRUE(opened->loadedText().isEmpty()) << "the view holds the only copy of the text";
}

TEST(TextDocumentWindow, aRefusedSaveConvertsToUtf8AsOneUndoableStepAndSaves)
{
    TextDocumentFixture f;
    auto path = f.folder / "menu.txt";
    std::ofstream(path, std::ios::binary) << "caf\xe9\n";
    TextDocument document(f.services);
    ASSERT_TRUE(document.readFromURL(path).has_value());
    document.makeWindowControllers();
    auto& controller = f.windowOf(document).controller();
    QCoreApplication::processEvents();
    controller.textView()->setSelectedRange({4, 0});
    controller.textView()->insertText(QStringLiteral("한"));
    // The save stops on the worker; its banner comes with its completion.
    document.saveDocument();
    EXPECT_FALSE(document.waitForSaves());
    auto* banner = controller.banner(QStringLiteral("save.unencodable"));
    ASSERT_NE(banner, nullptr);
    ASSERT_EQ(banner->actions().size(), 2u);
    EXPECT_EQ(banner->actions()[0].title, QStringLiteral("UTF-8 로 바꿔 저장"));

    banner->runAction(0);
    ASSERT_TRUE(document.waitForSaves());
    QCoreApplication::processEvents();
    EXPECT_EQ(controller.banner(QStringLiteral("save.unencodable")), nullptr);
    EXPECT_EQ(document.format().encoding, EditorCore::TextEncoding::utf8);
    EXPECT_EQ(document.undoStack()->undoText(), QStringLiteral("인코딩 바꾸기"));
    EXPECT_EQ(readBytes(path), "caf\xc3\xa9\xed\x95\x9c\n");
}

TEST(TextDocumentWindow, charactersInTwoByteFormsAreSaidInTheBanner)
{
    TextDocumentFixture f;
    TextDocument document(f.services);
    document.makeWindowControllers();
    auto& window = f.windowOf(document);
    window.showUnencodableBanner(EditorDocuments::DocumentFailure{
        EditorCore::DocumentError::formsRewritten(EditorCore::TextEncoding::cp949, {u"∼"})});
    auto* banner = window.controller().banner(QStringLiteral("save.unencodable"));
    ASSERT_NE(banner, nullptr);
    EXPECT_TRUE(banner->message().startsWith(QStringLiteral("「∼」")))
        << banner->message().toStdString();
    EXPECT_TRUE(banner->actions().empty()) << "the next save writes them; nothing to choose";
}

TEST(TextDocumentWindow, mixedLineEndingsAreOfferedOnceTheTextIsThereAndEditable)
{
    TextDocumentFixture f;
    auto path = f.folder / "mixed.txt";
    std::ofstream(path, std::ios::binary) << "a\r\nb\r\nc\r\nd\ne\n";
    // Read on the worker: the window is there before its text.
    f.services->backgroundReadLength = 1;
    EditorDocuments::DocumentController documents(f.services);
    TextDocument* opened = nullptr;
    documents.openURL(
        path, true, [&](TextDocument* document, bool, const auto&) { opened = document; });
    ASSERT_NE(opened, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !opened->isLoading(); }, 5000));
    auto& controller = f.windowOf(*opened).controller();
    auto* banner = controller.banner(QStringLiteral("lineEndings.mixed"));
    ASSERT_NE(banner, nullptr);
    EXPECT_TRUE(banner->message().contains(QStringLiteral("CRLF 3줄 · LF 2줄 · CR 0줄")));
    EXPECT_EQ(opened->lineEndings().crlf, 3);
    // An added line is counted in the banner once the text has been counted again.
    controller.textView()->setSelectedRange({0, 0});
    controller.textView()->insertText(QStringLiteral("z\r\n"));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            auto* now = controller.banner(QStringLiteral("lineEndings.mixed"));
            return now && now->message().contains(QStringLiteral("CRLF 4줄 · LF 2줄 · CR 0줄"));
        },
        5000));
    documents.removeDocument(opened);

    // Without permission to write: the reason is said, the endings are not offered.
    f.services->backgroundReadLength = 1 << 20;
    f.services->isWritable = [](const std::filesystem::path&) { return false; };
    TextDocument readOnly(f.services);
    ASSERT_TRUE(readOnly.readFromURL(path).has_value());
    readOnly.makeWindowControllers();
    auto& window = f.windowOf(readOnly).controller();
    QCoreApplication::processEvents();
    EXPECT_EQ(window.banner(QStringLiteral("lineEndings.mixed")), nullptr);
    auto* permission = window.banner(QStringLiteral("readOnly.permission"));
    ASSERT_NE(permission, nullptr);

    // Editing as administrator: the permission banner gives way to the administrator's.
    permission->runAction(0);
    QCoreApplication::processEvents();
    EXPECT_TRUE(readOnly.adminEditing());
    EXPECT_TRUE(window.textView()->isEditable());
    EXPECT_EQ(window.banner(QStringLiteral("readOnly.permission")), nullptr);
    EXPECT_NE(window.banner(QStringLiteral("admin")), nullptr);
}

// The shipped wiring remembers a file's ruler and font choices where the next window of the file
// reads them.
TEST(TextDocumentWindow, theViewChoicesOfAFileAreRememberedForItsNextWindow)
{
    TextDocumentFixture f;
    const char* saved = std::getenv("XDG_DATA_HOME");
    const std::string previous = saved ? saved : "";
    ::setenv("XDG_DATA_HOME", (f.folder / "data").c_str(), 1);
    struct Restore
    {
        bool had;
        std::string value;
        ~Restore()
        {
            if (had)
                ::setenv("XDG_DATA_HOME", value.c_str(), 1);
            else
                ::unsetenv("XDG_DATA_HOME");
        }
    } restore{saved != nullptr, previous};

    TextDocumentWindow::Installation installation;
    installation.router = &f.router;
    installation.presenter = std::make_shared<EditorKit::WidgetPresenter>();
    TextDocumentWindow::install(*f.services, installation);
    auto path = f.folder / "plain.txt";
    std::ofstream(path, std::ios::binary) << "one\n";
    {
        TextDocument document(f.services);
        ASSERT_TRUE(document.readFromURL(path).has_value());
        document.makeWindowControllers();
        auto& controller = f.windowOf(document).controller();
        const bool shown = controller.display()->options.showsRuler;
        controller.toggleCentimeterRuler();
        EXPECT_NE(controller.display()->options.showsRuler, shown);
        auto options = controller.display()->options;
        options.fontSize = 17.0;
        controller.applyDisplayOptions(options, false);
        controller.rememberViewOptions();
        document.close();
        QCoreApplication::processEvents();

        auto remembered = EditorStore::FileMemory().view(path);
        ASSERT_TRUE(remembered.has_value());
        EXPECT_EQ(remembered->ruler, std::optional<bool>(!shown));
        EXPECT_EQ(remembered->fontSize, std::optional<double>(17.0));

        TextDocument again(f.services);
        ASSERT_TRUE(again.readFromURL(path).has_value());
        again.makeWindowControllers();
        auto& next = f.windowOf(again).controller();
        EXPECT_EQ(next.display()->options.showsRuler, !shown);
        EXPECT_EQ(next.display()->options.fontSize, std::optional<double>(17.0));
        again.close();
    }
}

TEST(TextDocumentWindow, filesDroppedOnTheTextOpenAsDocuments)
{
    TextDocumentFixture f;
    EditorDocuments::DocumentController documents(f.services);
    f.router.setDocumentController(&documents);
    for (const char* name : {"a.txt", "b.txt", "c.txt"})
        std::ofstream(f.folder / name, std::ios::binary) << name << "\n";
    TextDocument* first = nullptr;
    documents.openURL(f.folder / "a.txt", true, [&](TextDocument* document, bool, const auto&) {
        first = document;
    });
    ASSERT_NE(first, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !first->isLoading(); }, 5000));
    auto* view = f.windowOf(*first).controller().textView();

    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(QString::fromStdString((f.folder / "b.txt").string())),
                   QUrl::fromLocalFile(QString::fromStdString((f.folder / "c.txt").string()))});
    const QPoint at(40, 20);
    QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, &files, Qt::LeftButton, {});
    QApplication::sendEvent(view->viewport(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    EXPECT_EQ(enter.dropAction(), Qt::CopyAction);
    QDropEvent drop(QPointF(at), Qt::CopyAction | Qt::MoveAction, &files, Qt::LeftButton, {});
    QApplication::sendEvent(view->viewport(), &drop);
    ASSERT_TRUE(QTest::qWaitFor([&] { return documents.documents().size() == 3; }, 5000));
    EXPECT_EQ(view->text(), QStringLiteral("a.txt\n")) << "nothing inserted";
    std::vector<std::string> names;
    for (TextDocument* document : documents.documents())
        names.push_back(document->fileURL() ? document->fileURL()->filename().string() : "");
    EXPECT_EQ(names, (std::vector<std::string>{"a.txt", "b.txt", "c.txt"}));
    f.router.setDocumentController(nullptr);
    while (!documents.documents().empty())
        documents.removeDocument(documents.documents().front());
}
