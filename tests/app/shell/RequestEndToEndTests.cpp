// The request mailbox end to end: the application object with its instance socket and request
// handler in this process, offscreen, and the real olv (and git, and the file-manager
// extension's request writer) as the other side.
#include "app/documents/DocumentServices.h"
#include "app/documents/TextDocument.h"
#include "app/kit/ActionRouter.h"
#include "app/kit/HostWindow.h"
#include "app/kit/Presenter.h"
#include "app/shell/Application.h"
#include "app/shell/CommandRequestHandler.h"
#include "app/shell/InstanceListener.h"
#include "app/views/EditorTextView.h"
#include "app/window/gotoline/GoToLineFeature.h"
#include "app/window/hosting/NewTextFileWindow.h"
#include "app/window/hosting/TextDocumentWindow.h"
#include "finder/FinderSync.h"
#include "platform/AppSocket.h"
#include "platform/Folders.h"
#include "store/AppGroup.h"
#include "store/RequestBox.h"

#include <QApplication>
#include <QFrame>
#include <QLineEdit>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <thread>

namespace {

using EditorDocuments::TextDocument;

class SilentPresenter : public EditorKit::Presenter
{
public:
    std::vector<QString> alerts;
    int runAlert(const EditorKit::Alert& alert, QWidget*) override
    {
        alerts.push_back(alert.text);
        return alert.cancelButton.value_or(0);
    }
    std::optional<std::filesystem::path> runSavePanel(QWidget*, const QString&) override
    {
        return std::nullopt;
    }
};

std::string contentOf(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

struct ProgramRun
{
    int status = -1;
    QString standardError;
    QString standardOutput;
};

class RequestEndToEnd : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_folder = std::filesystem::path(std::getenv("HOME")) / "requests-e2e"
                   / ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::filesystem::remove_all(m_folder);
        std::filesystem::create_directories(m_folder);
        // A socket of this test's own: test programs may run side by side.
        const auto runtime = m_folder / "run";
        std::filesystem::create_directories(runtime);
        std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
        ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        m_application = std::make_unique<EditorShell::Application>(m_router, m_services, m_presenter);
        m_handler = std::make_unique<EditorShell::CommandRequestHandler>(*m_application);
        m_handler->install(*m_application);
        const auto socket = Platform::AppSocket::path(
            Platform::Folders::appGroupContainer(EditorStore::appGroupIdentifier));
        auto claim = EditorShell::InstanceListener::claim(socket, {}, std::chrono::seconds(2));
        ASSERT_EQ(claim.outcome, EditorShell::InstanceListener::Claim::Outcome::listening)
            << claim.error.toStdString();
        m_listener = std::move(claim.listener);
        m_listener->onHandOver = [this](const Platform::AppSocket::HandOver& handOver) {
            m_application->openArguments(handOver.arguments, handOver.activate);
        };
    }

    void TearDown() override
    {
        m_listener.reset();
        m_handler.reset();
        m_application.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }

    // Starts a program with this process's environment (its HOME and XDG folders, so olv
    // finds the socket and the mailbox) in the test's folder.
    QProcess* start(const QString& program,
                    const QStringList& arguments,
                    const std::filesystem::path& folder,
                    const QStringList& extraEnvironment = {})
    {
        auto* process = new QProcess();
        m_processes.emplace_back(process);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("LANGUAGE"), QStringLiteral("en"));
        for (const QString& entry : extraEnvironment)
            environment.insert(entry.section(QLatin1Char('='), 0, 0),
                               entry.section(QLatin1Char('='), 1));
        process->setProcessEnvironment(environment);
        process->setWorkingDirectory(QString::fromStdString(folder.string()));
        process->start(program, arguments);
        EXPECT_TRUE(process->waitForStarted(5000));
        return process;
    }

    // Waits (with the event loop running) for the program to end.
    static ProgramRun finished(QProcess* process, int timeout = 30000)
    {
        ProgramRun run;
        if (!QTest::qWaitFor([&] { return process->state() == QProcess::NotRunning; }, timeout)) {
            process->kill();
            process->waitForFinished(2000);
            return run;
        }
        run.status = process->exitStatus() == QProcess::NormalExit ? process->exitCode() : -1;
        run.standardError = QString::fromUtf8(process->readAllStandardError());
        run.standardOutput = QString::fromUtf8(process->readAllStandardOutput());
        return run;
    }

    ProgramRun runToEnd(const QString& program, const QStringList& arguments, int timeout = 30000)
    {
        return finished(start(program, arguments, m_folder), timeout);
    }

    static QString olv() { return QStringLiteral(OLV_BINARY); }

    TextDocument* documentNamed(const std::string& name) const
    {
        for (TextDocument* document : m_application->documentController().documents()) {
            if (document->fileURL() && document->fileURL()->filename() == name && document->editor())
                return document;
        }
        return nullptr;
    }

    static EditorWindow::DocumentWindowController& window(TextDocument& document)
    {
        return dynamic_cast<EditorWindow::TextDocumentWindow&>(*document.editor()).controller();
    }

    std::vector<std::string> mailboxFiles() const
    {
        std::vector<std::string> names;
        std::error_code error;
        for (const auto& entry :
             std::filesystem::directory_iterator(EditorStore::RequestBox().directory(), error))
            names.push_back(entry.path().filename().string());
        return names;
    }

    // The request files left (answers of earlier tests' olv runs may stay behind).
    std::vector<std::string> requestFiles() const
    {
        auto names = mailboxFiles();
        std::erase_if(names, [](const std::string& name) { return !name.ends_with(".json"); });
        return names;
    }

    EditorKit::ActionRouter m_router;
    std::shared_ptr<SilentPresenter> m_presenter = std::make_shared<SilentPresenter>();
    std::shared_ptr<EditorDocuments::DocumentServices> m_services =
        std::make_shared<EditorDocuments::DocumentServices>(
            *EditorDocuments::DocumentServices::shared());
    std::unique_ptr<EditorShell::Application> m_application;
    std::unique_ptr<EditorShell::CommandRequestHandler> m_handler;
    std::unique_ptr<EditorShell::InstanceListener> m_listener;
    std::vector<std::unique_ptr<QProcess>> m_processes;
    std::filesystem::path m_folder;
};

} // namespace

// olv -w with a line and column: the file opens, the caret goes there, and olv ends (0) only
// when the document closes.
TEST_F(RequestEndToEnd, olvWaitsAtTheLineAndColumnUntilTheDocumentCloses)
{
    std::ofstream(m_folder / "notes.txt") << "one\ntwo\nthree\nfour\n";
    QProcess* waiting = start(olv(), {QStringLiteral("-w"), QStringLiteral("notes.txt:3:2")}, m_folder);
    TextDocument* document = nullptr;
    ASSERT_TRUE(QTest::qWaitFor([&] { return (document = documentNamed("notes.txt")); }, 10000));
    auto* view = window(*document).textView();
    // Line 3 starts at 8; column 2 is one unit in.
    EXPECT_TRUE(QTest::qWaitFor([&] { return view->selectedRange().location == 9; }, 5000))
        << view->selectedRange().location;
    QTest::qWait(300);
    EXPECT_EQ(waiting->state(), QProcess::Running) << "olv waits while the file is open";

    QPointer<TextDocument> closing(document);
    m_application->documentController().removeDocument(document);
    ProgramRun run = finished(waiting);
    EXPECT_EQ(run.status, 0) << run.standardError.toStdString();
    EXPECT_EQ(mailboxFiles(), std::vector<std::string>{});
}

// Was: a waited request of folders only was never finished, so olv -w waited for ever.
TEST_F(RequestEndToEnd, olvWaitOnAFolderReturnsAtOnce)
{
    std::filesystem::create_directory(m_folder / "folder");
    const auto started = std::chrono::steady_clock::now();
    ProgramRun run = runToEnd(olv(), {QStringLiteral("-w"), QStringLiteral("folder")});
    EXPECT_EQ(run.status, 0) << run.standardError.toStdString();
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(8));
}

// Was: a file that never opened was finished like a closed one, so olv -w exited 0.
TEST_F(RequestEndToEnd, aFileTheApplicationCannotOpenFailsTheWait)
{
    // It exists (olv checks), but it is no regular file, so the application refuses it.
    ASSERT_EQ(::mkfifo((m_folder / "pipe.txt").c_str(), 0600), 0);
    ProgramRun run = runToEnd(olv(), {QStringLiteral("-w"), QStringLiteral("pipe.txt")}, 40000);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.standardError.toStdString(), "olv: The app couldn’t open the file\n");
}

// git with olv -w as its editor: the message opens in the editor, is typed and saved there,
// and the commit completes when the tab is closed.
TEST_F(RequestEndToEnd, gitCommitWithOlvAsItsEditor)
{
    const auto repository = m_folder / "repository";
    std::filesystem::create_directory(repository);
    auto git = [&](QStringList arguments, const QStringList& environment = {}) {
        return finished(start(QStringLiteral("git"), arguments, repository, environment));
    };
    ASSERT_EQ(git({"init", "-q"}).status, 0);
    ASSERT_EQ(git({"config", "user.name", "Tester"}).status, 0);
    ASSERT_EQ(git({"config", "user.email", "tester@example.org"}).status, 0);
    std::ofstream(repository / "file.txt") << "content\n";
    ASSERT_EQ(git({"add", "file.txt"}).status, 0);

    QProcess* commit = start(QStringLiteral("git"),
                             {QStringLiteral("commit"), QStringLiteral("-q")},
                             repository,
                             {QStringLiteral("GIT_EDITOR=") + olv() + QStringLiteral(" -w")});
    TextDocument* message = nullptr;
    ASSERT_TRUE(QTest::qWaitFor([&] { return (message = documentNamed("COMMIT_EDITMSG")); }, 10000));
    auto& controller = window(*message);
    controller.showWindow();
    QApplication::setActiveWindow(controller.hostWindow());
    // The shortcuts (save, close) go to the active window.
    ASSERT_TRUE(QTest::qWaitForWindowActive(controller.hostWindow()));
    QCoreApplication::processEvents();
    QWidget* text = controller.textView();
    text->setFocus();
    controller.textView()->setSelectedRange({0, 0});
    QTest::keyClicks(text, QStringLiteral("Typed in the editor"));
    QTest::keyClick(text, Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return contentOf(repository / ".git" / "COMMIT_EDITMSG").starts_with("Typed in the editor");
        },
        5000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !message->isDocumentEdited(); }, 5000));
    EXPECT_EQ(commit->state(), QProcess::Running);
    QPointer<TextDocument> closing(message);
    QTest::keyClick(text, Qt::Key_W, Qt::ControlModifier);
    ProgramRun run = finished(commit);
    EXPECT_EQ(run.status, 0) << run.standardError.toStdString();
    for (const QString& alert : m_presenter->alerts)
        ADD_FAILURE() << "alert: " << alert.toStdString();
    ProgramRun subject = git({"log", "-1", "--format=%s"});
    EXPECT_EQ(subject.standardOutput.toStdString(), "Typed in the editor\n");
}

// The file-manager extension's "새 파일 만들기": its request reaches the handler through the
// socket and shows the new-file window for the folder.
TEST_F(RequestEndToEnd, theExtensionsNewFileRequestOpensTheNewFileWindow)
{
    ::setenv("OL_TEST_BACKGROUND", "1", 1);
    const std::string folder = m_folder.string();
    // The extension blocks while it wakes the application, which answers on this thread.
    std::atomic<bool> handed = false;
    std::thread extension([folder, &handed] {
        OrluneViewerFinder::FinderSync().newTextFile(folder);
        handed = true;
    });
    const bool shown = QTest::qWaitFor(
        [&] { return !EditorWindow::NewTextFileWindow::openWindows().empty(); }, 10000);
    EXPECT_TRUE(QTest::qWaitFor([&] { return handed.load(); }, 10000));
    extension.join();
    ::unsetenv("OL_TEST_BACKGROUND");
    ASSERT_TRUE(shown);
    auto windows = EditorWindow::NewTextFileWindow::openWindows();
    ASSERT_EQ(windows.size(), 1u);
    EXPECT_EQ(windows[0]->folder(), m_folder);
    EXPECT_EQ(requestFiles(), std::vector<std::string>{});
    windows[0]->close();
    QCoreApplication::processEvents();
}

// The go-to-line command with real keys: Ctrl+L opens the field at the caret, the typed line
// and column with Return move the caret and close it.
TEST_F(RequestEndToEnd, goToLineKeys)
{
    std::ofstream(m_folder / "lines.txt") << "one\ntwo\nthree\n";
    m_application->openArguments({(m_folder / "lines.txt").string()});
    TextDocument* document = nullptr;
    ASSERT_TRUE(QTest::qWaitFor([&] { return (document = documentNamed("lines.txt")); }, 5000));
    auto& controller = window(*document);
    controller.showWindow();
    QApplication::setActiveWindow(controller.hostWindow());
    ASSERT_TRUE(QTest::qWaitForWindowActive(controller.hostWindow()));
    controller.textView()->setFocus();
    QCoreApplication::processEvents();
    QTest::keyClick(controller.textView(), Qt::Key_L, Qt::ControlModifier);
    auto* feature = controller.feature<EditorWindow::GoToLineFeature>();
    ASSERT_NE(feature, nullptr);
    ASSERT_NE(feature->goToLineField(), nullptr) << "Ctrl+L opens the popup";
    QTest::keyClicks(feature->goToLineField(), QStringLiteral("3:4"));
    QTest::keyClick(feature->goToLineField(), Qt::Key_Return);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !feature->goToLinePopover(); }, 2000));
    EXPECT_EQ(controller.textView()->selectedRange().location, 11);
}
