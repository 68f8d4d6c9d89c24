// The new-file window, offscreen, with the file manager and the document controller recorded.
#include "app/documents/DocumentController.h"
#include "app/window/FileManagerReveal.h"
#include "app/window/hosting/NewTextFileWindow.h"
#include "tests/platform/TemporaryFolder.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

using EditorWindow::NewTextFileWindow;

namespace {

std::string readBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

struct NewFileFixture
{
    TemporaryFolder folder;
    std::vector<std::filesystem::path> revealed;
    std::vector<std::filesystem::path> opened;
    bool openAfterCreate = false;

    NewFileFixture() { unsetenv("OL_TEST_BACKGROUND"); }
    ~NewFileFixture()
    {
        for (auto* window : NewTextFileWindow::openWindows())
            delete window;
    }

    NewTextFileWindow* show()
    {
        NewTextFileWindow::Environment environment;
        environment.reveal = [this](const std::filesystem::path& p) { revealed.push_back(p); };
        environment.openDocument = [this](const std::filesystem::path& p) { opened.push_back(p); };
        environment.openAfterCreate = [this] { return openAfterCreate; };
        return NewTextFileWindow::show(folder.path(), false, environment);
    }
};

} // namespace

TEST(NewTextFileWindow, startsWithTheBaseNameSelected)
{
    NewFileFixture f;
    auto* window = f.show();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("새 파일 만들기"));
    EXPECT_EQ(window->size(), QSize(420, 150));
    EXPECT_EQ(window->minimumSize(), window->maximumSize()) << "not resizable";
    EXPECT_TRUE(window->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(window->nameField()->text(), QStringLiteral("새 파일.txt"));
    EXPECT_EQ(window->nameField()->selectedText(), QStringLiteral("새 파일"));
    EXPECT_EQ(window->folderLine()->text(),
              QStringLiteral("만들 곳: ") + QString::fromStdString(f.folder.path().filename()));
    EXPECT_EQ(window->folderLine()->toolTip(), QString::fromStdString(f.folder.path().string()));
    EXPECT_TRUE(window->createButton()->isEnabled());
    EXPECT_TRUE(window->message()->isHidden());
    EXPECT_EQ(NewTextFileWindow::openWindows(), std::vector<NewTextFileWindow*>{window});
    // Shown without activating the application, it still becomes the key window.
    EXPECT_TRUE(QTest::qWaitForWindowActive(window));

    // A second window for the same folder, where the default name is taken now.
    std::ofstream(f.folder / "새 파일.txt") << "x";
    auto* second = f.show();
    ASSERT_NE(second, nullptr);
    EXPECT_FALSE(second->createButton()->isEnabled());
    EXPECT_FALSE(second->message()->isHidden());
    EXPECT_EQ(second->message()->text(),
              QStringLiteral("「새 파일.txt」 가 이미 있어요. 다른 이름을 써 주세요."));
    EXPECT_EQ(NewTextFileWindow::openWindows().size(), 2u);

    // Escape cancels; the window goes away.
    QTest::keyClick(second->nameField(), Qt::Key_Escape);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(NewTextFileWindow::openWindows(), std::vector<NewTextFileWindow*>{window});
}

TEST(NewTextFileWindow, checksTheNameAsItIsTyped)
{
    NewFileFixture f;
    std::filesystem::create_directory(f.folder / "taken");
    auto* window = f.show();
    ASSERT_NE(window, nullptr);
    const QString refused = QStringLiteral("이름에 / 나 : 는 쓸 수 없어요.");
    struct Row
    {
        QString text;
        bool enabled;
        bool messageShown;
        QString message;
    };
    const Row rows[] = {
        {QString(), false, false, refused},
        {QStringLiteral("   "), false, true, refused},
        {QStringLiteral("\t"), false, true, refused},
        {QStringLiteral("."), false, true, refused},
        {QStringLiteral(" .. "), false, true, refused},
        {QStringLiteral("a/b"), false, true, refused},
        {QStringLiteral("a:b"), false, true, refused},
        {QStringLiteral("taken"),
         false,
         true,
         QStringLiteral("「taken」 가 이미 있어요. 다른 이름을 써 주세요.")},
        {QStringLiteral("  x.txt  "), true, false, QString()},
        {QStringLiteral("README"), true, false, QString()},
        {QStringLiteral("..."), true, false, QString()},
        // A name the file system cannot even look up is not said to exist.
        {QString(300, QLatin1Char('n')),
         false,
         true,
         QStringLiteral("만들지 못했어요: ")
             + QString::fromLocal8Bit(
                 std::make_error_code(std::errc::filename_too_long).message().c_str())},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text.left(40).toStdString());
        window->nameField()->selectAll();
        QTest::keyClick(window->nameField(), Qt::Key_Backspace);
        // Tab moves the focus when typed, so the text is inserted as a paste would.
        window->nameField()->insert(row.text);
        EXPECT_EQ(window->createButton()->isEnabled(), row.enabled);
        EXPECT_EQ(window->nameField()->text(), row.text);
        EXPECT_EQ(!window->message()->isHidden(), row.messageShown);
        EXPECT_EQ(window->message()->text(), row.message);
    }
}

TEST(NewTextFileWindow, createsTheFileWithoutOverwriting)
{
    struct Row
    {
        const char* typed;
        const char* created;
        bool background;
        bool openAfterCreate;
    };
    const Row rows[] = {
        {"  x.txt  ", "x.txt", false, false},
        {"README", "README", true, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.typed);
        NewFileFixture f;
        f.openAfterCreate = row.openAfterCreate;
        if (row.background)
            setenv("OL_TEST_BACKGROUND", "", 1);
        auto* window = f.show();
        ASSERT_NE(window, nullptr);
        window->nameField()->setText(QString::fromUtf8(row.typed));
        QTest::keyClick(window->nameField(), Qt::Key_Return);
        const auto created = f.folder / row.created;
        EXPECT_TRUE(std::filesystem::is_regular_file(created));
        EXPECT_EQ(std::filesystem::file_size(created), 0u);
        EXPECT_EQ(f.revealed,
                  row.background ? std::vector<std::filesystem::path>{}
                                 : std::vector<std::filesystem::path>{created});
        EXPECT_EQ(f.opened,
                  row.openAfterCreate ? std::vector<std::filesystem::path>{created}
                                      : std::vector<std::filesystem::path>{});
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(NewTextFileWindow::openWindows().empty()) << "closed after creating";
    }

    // Another program makes the file after the name was checked: it stays as it was.
    NewFileFixture f;
    auto* window = f.show();
    ASSERT_NE(window, nullptr);
    window->nameField()->setText(QStringLiteral("late.txt"));
    ASSERT_TRUE(window->createButton()->isEnabled());
    std::ofstream(f.folder / "late.txt") << "theirs";
    window->create();
    EXPECT_EQ(readBytes(f.folder / "late.txt"), "theirs");
    EXPECT_TRUE(window->message()->text().startsWith(QStringLiteral("만들지 못했어요: ")));
    EXPECT_FALSE(window->message()->isHidden());
    EXPECT_TRUE(window->createButton()->isEnabled());
    EXPECT_TRUE(f.revealed.empty());
    EXPECT_EQ(NewTextFileWindow::openWindows(), std::vector<NewTextFileWindow*>{window});
}

TEST(NewTextFileWindow, showsNothingWithoutAFolder)
{
    NewFileFixture f;
    std::ofstream(f.folder / "file.txt") << "x";
    EXPECT_EQ(NewTextFileWindow::show(f.folder / "missing", false), nullptr);
    EXPECT_EQ(NewTextFileWindow::show(f.folder / "file.txt", false), nullptr);
    EXPECT_TRUE(NewTextFileWindow::openWindows().empty());
}

namespace {

// The file manager's D-Bus object, recording the calls it gets.
class FakeFileManager : public QDBusVirtualObject
{
public:
    std::vector<QDBusMessage> calls;

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        calls.push_back(message);
        connection.send(message.createReply());
        return true;
    }
};

} // namespace

// The file is shown through org.freedesktop.FileManager1.ShowItems, on a bus of the test's own.
TEST(FileManagerReveal, asksTheFileManagerToShowTheFile)
{
    QProcess daemon;
    daemon.start(QStringLiteral("dbus-daemon"),
                 {QStringLiteral("--session"),
                  QStringLiteral("--nofork"),
                  QStringLiteral("--print-address=1")});
    if (!daemon.waitForStarted(5000) || !daemon.waitForReadyRead(5000))
        GTEST_SKIP() << "no dbus-daemon to run a private bus";
    const QString address = QString::fromUtf8(daemon.readLine()).trimmed();
    {
        QDBusConnection service =
            QDBusConnection::connectToBus(address, QStringLiteral("file-manager"));
        QDBusConnection client = QDBusConnection::connectToBus(address, QStringLiteral("editor"));
        ASSERT_TRUE(service.isConnected());
        ASSERT_TRUE(client.isConnected());
        FakeFileManager manager;
        ASSERT_TRUE(service.registerVirtualObject(QStringLiteral("/org/freedesktop/FileManager1"),
                                                  &manager));
        ASSERT_TRUE(service.registerService(QStringLiteral("org.freedesktop.FileManager1")));

        EditorWindow::revealInFileManager("/tmp/some folder/a.txt", client);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !manager.calls.empty(); }, 5000));
        const QDBusMessage& call = manager.calls.front();
        EXPECT_EQ(call.interface(), QStringLiteral("org.freedesktop.FileManager1"));
        EXPECT_EQ(call.member(), QStringLiteral("ShowItems"));
        ASSERT_EQ(call.arguments().size(), 2);
        EXPECT_EQ(call.arguments()[0].toStringList(),
                  QStringList{QStringLiteral("file:///tmp/some%20folder/a.txt")});
        service.unregisterObject(QStringLiteral("/org/freedesktop/FileManager1"));
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("file-manager"));
    QDBusConnection::disconnectFromBus(QStringLiteral("editor"));
    daemon.terminate();
    daemon.waitForFinished(5000);
}

// In the running application the created file opens as a document of the document controller.
TEST(NewTextFileWindow, opensTheCreatedFileThroughTheDocumentController)
{
    NewFileFixture f;
    auto services = std::make_shared<EditorDocuments::DocumentServices>();
    services->largeFileMB = [] { return std::int64_t(100); };
    services->newDocumentFormat = [] {
        return EditorDocuments::FileFormat::newDocumentDefault("utf-8", false);
    };
    services->isWritable = [](const std::filesystem::path&) { return true; };
    services->record = [](auto, auto, const auto&) {};
    EditorDocuments::DocumentController controller(services);
    auto environment = NewTextFileWindow::environmentFor(controller);
    environment.openAfterCreate = [] { return true; };
    environment.reveal = [](const std::filesystem::path&) {};
    auto* window = NewTextFileWindow::show(f.folder.path(), false, environment);
    ASSERT_NE(window, nullptr);
    window->nameField()->setText(QStringLiteral("made.txt"));
    QTest::mouseClick(window->createButton(), Qt::LeftButton);
    ASSERT_EQ(controller.documents().size(), 1u);
    EXPECT_EQ(controller.documents()[0]->fileURL(), f.folder / "made.txt");
}
