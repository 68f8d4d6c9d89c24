// The window restorer with real documents and host windows (offscreen), an injected save
// timer and a window-state file in a temporary folder.
#include "app/documents/DocumentController.h"
#include "app/documents/DocumentServices.h"
#include "app/documents/TextDocument.h"
#include "app/kit/ActionRouter.h"
#include "app/kit/HostWindow.h"
#include "app/kit/Presenter.h"
#include "app/kit/TabPage.h"
#include "app/views/EditorTextView.h"
#include "app/window/ApplicationWindows.h"
#include "app/window/DocumentWindowController.h"
#include "app/window/sidebar/FolderSession.h"
#include "app/window/sidebar/FolderSidebarFeature.h"
#include "app/window/hosting/HostWindows.h"
#include "app/window/hosting/TextDocumentWindow.h"
#include "app/window/hosting/WindowFrames.h"
#include "app/window/hosting/WindowRestorer.h"
#include "store/ScratchStore.h"
#include "store/WindowFrameFitter.h"
#include "tests/platform/TemporaryFolder.h"

#include <QApplication>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

#include <fstream>

using EditorDocuments::TextDocument;
using EditorKit::HostWindow;
using EditorStore::Rect;
using EditorStore::TabRestoreState;
using EditorStore::WindowRestoreState;
using EditorStore::WindowState;
using EditorWindow::DocumentWindowController;
using EditorWindow::WindowRestorer;

namespace {

struct FakeTimer : WindowRestorer::SaveTimer
{
    std::function<void()> queued;
    int starts = 0;
    std::chrono::milliseconds delay{0};
    void start(std::chrono::milliseconds after, std::function<void()> fire) override
    {
        ++starts;
        delay = after;
        queued = std::move(fire);
    }
    void cancel() override { queued = nullptr; }
    bool isActive() const override { return static_cast<bool>(queued); }
    // Fires as the timer would; false when nothing was queued.
    bool fire()
    {
        if (!queued)
            return false;
        auto fired = std::exchange(queued, nullptr);
        fired();
        return true;
    }
};

struct QuietPresenter : EditorKit::Presenter
{
    // Each alert with the tab its window showed and whether that window was in front.
    struct Asked
    {
        EditorKit::Alert alert;
        QString shownTab;
        bool inFront = false;
    };
    std::vector<Asked> asked;
    std::shared_ptr<EditorWindow::HostWindows> hosts;

    int runAlert(const EditorKit::Alert& alert, QWidget* parent) override
    {
        Asked entry{alert, {}, false};
        if (auto* page = qobject_cast<EditorKit::TabPage*>(parent); page && page->hostWindow()) {
            HostWindow* host = page->hostWindow();
            entry.shownTab = host->currentPage()->windowTitle().remove(QStringLiteral("[*]"));
            entry.inFront = hosts && !hosts->orderedWindows().empty()
                            && hosts->orderedWindows().front() == host
                            && QApplication::activeWindow() == host;
        }
        asked.push_back(entry);
        return alert.cancelButton.value_or(0);
    }
    std::optional<std::filesystem::path> runSavePanel(QWidget*, const QString&) override
    {
        return std::nullopt;
    }
};

struct RestoreFixture
{
    TemporaryFolder folder;
    EditorKit::ActionRouter router;
    std::shared_ptr<EditorDocuments::DocumentServices> services =
        std::make_shared<EditorDocuments::DocumentServices>();
    std::shared_ptr<EditorWindow::HostWindows> hosts =
        std::make_shared<EditorWindow::HostWindows>(router);
    std::unique_ptr<EditorDocuments::DocumentController> documents;
    std::shared_ptr<FakeTimer> timer = std::make_shared<FakeTimer>();
    std::shared_ptr<QuietPresenter> presenter = std::make_shared<QuietPresenter>();
    std::vector<std::string> logged;
    bool restoreEnabled = true;
    std::unique_ptr<WindowRestorer> restorer;

    RestoreFixture()
    {
        services->largeFileMB = [] { return std::int64_t(100); };
        services->newDocumentFormat = [] {
            return EditorDocuments::FileFormat::newDocumentDefault("utf-8", false);
        };
        services->isWritable = [](const std::filesystem::path&) { return true; };
        services->record = [](auto, auto, const auto&) {};
        services->scratchDirectory = folder / "scratch";
        documents = std::make_unique<EditorDocuments::DocumentController>(services);
        EditorWindow::TextDocumentWindow::Installation installation;
        installation.router = &router;
        presenter->hosts = hosts;
        installation.presenter = presenter;
        installation.hosts = hosts;
        EditorWindow::TextDocumentWindow::install(*services, installation);
        EditorWindow::FolderWindows::install(documents.get(), hosts);
        makeRestorer();
    }

    void makeRestorer()
    {
        restorer.reset();
        WindowRestorer::Environment environment;
        environment.store = EditorStore::WindowStateStore(folder / "WindowState.json");
        environment.restoreEnabled = [this] { return restoreEnabled; };
        environment.documents = documents.get();
        environment.hosts = hosts;
        environment.timer = timer;
        environment.scratchDirectory = folder / "scratch";
        environment.services = services;
        environment.record = [](auto, auto, const auto&) {};
        environment.log = [this](bool, const std::string& message) { logged.push_back(message); };
        restorer = std::make_unique<WindowRestorer>(std::move(environment));
        documents->restorer.isRestoring = [this] { return restorer->isRestoring(); };
        documents->restorer.openedDuringRestore = [this](TextDocument* document) {
            restorer->openedDuringRestore(document);
        };
        documents->restorer.saveAndFreeze = [this] { restorer->saveAndFreeze(); };
        documents->restorer.releaseFreeze = [this] { restorer->releaseFreeze(); };
    }

    ~RestoreFixture()
    {
        restorer.reset();
        EditorWindow::FolderWindows::install(nullptr, nullptr);
        for (TextDocument* document : documents->documents())
            documents->removeDocument(document);
        settle();
        documents.reset();
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (qobject_cast<HostWindow*>(widget))
                delete widget;
        settle();
    }

    static void settle()
    {
        for (int turn = 0; turn < 5; ++turn)
            QCoreApplication::processEvents();
    }

    std::filesystem::path file(const std::string& name, const std::string& text = "text\n")
    {
        auto path = folder / name;
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

    TextDocument* open(const std::filesystem::path& path)
    {
        TextDocument* opened = nullptr;
        documents->openURL(
            path, true, [&](TextDocument* document, bool, const auto&) { opened = document; });
        return opened;
    }

    std::optional<WindowState> saved() const
    {
        return EditorStore::WindowStateStore(folder / "WindowState.json").load();
    }

    void writeState(const WindowState& state)
    {
        ASSERT_TRUE(EditorStore::WindowStateStore(folder / "WindowState.json").save(state));
    }

    // Runs the restore and every later job.
    std::set<Platform::Uuid> restore()
    {
        auto identifiers = restorer->restoreWindows();
        runLaterJobs();
        return identifiers;
    }

    void runLaterJobs()
    {
        for (int turn = 0; turn < 50 && restorer->isRestoring(); ++turn)
            QCoreApplication::processEvents();
        settle();
    }

    std::vector<HostWindow*> documentWindows() const
    {
        std::vector<HostWindow*> windows;
        for (HostWindow* window : hosts->orderedWindows())
            if (window->isVisible() && window->pageCount() > 0)
                windows.push_back(window);
        return windows;
    }
};

QString tabTitle(EditorKit::TabPage* page)
{
    return page->windowTitle().remove(QStringLiteral("[*]"));
}

std::vector<QString> tabTitles(HostWindow& window)
{
    std::vector<QString> titles;
    for (auto* page : window.pages())
        titles.push_back(tabTitle(page));
    return titles;
}

TabRestoreState fileTab(const std::filesystem::path& path)
{
    TabRestoreState tab;
    tab.doc = TabRestoreState::File{std::nullopt, path.string()};
    return tab;
}

WindowRestoreState windowOf(std::vector<TabRestoreState> tabs, std::int64_t selected)
{
    WindowRestoreState window;
    window.frame = {40, 40, 500, 400};
    window.tabs = std::move(tabs);
    window.selectedTab = selected;
    return window;
}

} // namespace

TEST(WindowRestorer, debounceAndTheFreezeAndRestoreGates)
{
    RestoreFixture f;
    f.open(f.file("a.txt"));
    f.settle();

    f.restorer->scheduleSave();
    f.restorer->scheduleSave();
    EXPECT_EQ(f.timer->delay, WindowRestorer::saveDelay);
    EXPECT_TRUE(f.restorer->hasPendingSave());
    EXPECT_FALSE(f.saved());
    ASSERT_TRUE(f.timer->fire());
    ASSERT_TRUE(f.saved());
    EXPECT_EQ(f.saved()->windows.size(), 1u);
    EXPECT_FALSE(f.timer->fire()) << "one save was pending, not two";

    // A save queued before the freeze does nothing when it fires afterwards.
    f.restorer->scheduleSave();
    auto queued = f.timer->queued;
    std::filesystem::remove(f.folder / "WindowState.json");
    f.restorer->saveAndFreeze();
    ASSERT_TRUE(f.saved()) << "the freeze writes once";
    EXPECT_EQ(f.logged.back(), "끌 때 창 상태 적음");
    std::filesystem::remove(f.folder / "WindowState.json");
    queued();
    f.restorer->scheduleSave();
    EXPECT_FALSE(f.restorer->hasPendingSave());
    const auto logs = f.logged.size();
    f.restorer->saveAndFreeze();
    EXPECT_FALSE(f.saved()) << "a second freeze writes nothing";
    EXPECT_EQ(f.logged.size(), logs) << "and logs nothing";
}

TEST(WindowRestorer, aFreezeDuringARestoreWritesNothing)
{
    RestoreFixture f;
    const auto a = f.file("a.txt"), b = f.file("b.txt");
    f.writeState(WindowState({windowOf({fileTab(a), fileTab(b)}, 0)}));
    const auto before = f.saved();
    (void)f.restorer->restoreWindows();
    ASSERT_TRUE(f.restorer->isRestoring());
    f.restorer->scheduleSave();
    EXPECT_FALSE(f.restorer->hasPendingSave()) << "nothing is queued while restoring";
    f.restorer->saveAndFreeze();
    EXPECT_TRUE(f.restorer->isFrozen());
    f.settle();
    EXPECT_EQ(f.saved(), before) << "the previous run's file stays";
}

TEST(WindowRestorer, snapshotKeepsDocumentTabsAndFolders)
{
    RestoreFixture f;
    auto* a = f.open(f.file("a.txt"));
    ASSERT_TRUE(a);
    // An untitled document that was never kept joins the window and is left out; it is
    // selected, so the saved selection is the first kept tab.
    f.hosts->joinNext(EditorWindow::ApplicationWindows::controllerOf(a)->hostWindow());
    f.documents->makeUntitledDocument(true);
    f.hosts->joinNext(nullptr);
    f.settle();
    // A window that is no document window never appears.
    HostWindow other(f.router);
    other.show();
    // A window that shows only a folder with an unkept tab is saved with no tabs.
    std::filesystem::create_directory(f.folder / "project");
    auto* folderWindow = EditorWindow::FolderWindows::openUntitledWindow(
        std::make_shared<EditorWindow::FolderSession>(f.folder / "project"));
    ASSERT_TRUE(folderWindow);
    f.settle();

    const WindowState state = f.restorer->snapshot();
    ASSERT_EQ(state.windows.size(), 2u);
    // The folder window was made last, so it is in front.
    EXPECT_TRUE(state.windows[0].tabs.empty());
    ASSERT_TRUE(state.windows[0].folder);
    EXPECT_EQ(state.windows[0].folder->path, (f.folder / "project").string());
    ASSERT_EQ(state.windows[1].tabs.size(), 1u);
    EXPECT_EQ(std::get<TabRestoreState::File>(state.windows[1].tabs[0].doc).path,
              (f.folder / "a.txt").string());
    EXPECT_EQ(state.windows[1].selectedTab, 0);
    EXPECT_FALSE(state.windows[1].folder);
}

TEST(WindowRestorer, aFullScreenWindowKeepsItsFrameFromBefore)
{
    RestoreFixture f;
    f.restorer->startObserving();
    auto* a = f.open(f.file("a.txt"));
    HostWindow* window = EditorWindow::ApplicationWindows::controllerOf(a)->hostWindow();
    window->resize(520, 410);
    window->move(30, 20);
    f.settle();
    const auto normal = f.restorer->normalFrame(window);
    ASSERT_TRUE(normal);
    window->showFullScreen();
    f.settle();
    ASSERT_TRUE(window->isFullScreen());
    const auto state = f.restorer->snapshot();
    ASSERT_EQ(state.windows.size(), 1u);
    EXPECT_TRUE(state.windows[0].fullScreen);
    EXPECT_EQ(state.windows[0].frame, *normal);
    EXPECT_GE(state.windows[0].frame.width, 520);
}

TEST(WindowFrames, conversionBothWaysOnTwoScreens)
{
    // Primary 1440 x 900; a second screen beside it, then one above it (Qt's negative y).
    struct Case
    {
        const char* name;
        std::vector<QRectF> screens; // Qt's available areas
        QRectF window;               // Qt's outer frame
        QRectF fitted;
    } cases[] = {
        {"side by side, on the second",
         {{0, 25, 1440, 875}, {1440, 0, 1920, 1080}},
         {1600, 300, 800, 600},
         {1600, 300, 800, 600}},
        {"side by side, off both: onto the first",
         {{0, 25, 1440, 875}, {1440, 0, 1920, 1080}},
         {3300, 300, 800, 600},
         {640, 300, 800, 600}},
        {"stacked, on the upper screen",
         {{0, 25, 1440, 875}, {0, -1080, 1920, 1080}},
         {100, -900, 800, 600},
         {100, -900, 800, 600}},
        {"stacked, title above the upper screen: lowered",
         {{0, 25, 1440, 875}, {0, -1080, 1920, 1080}},
         {100, -1200, 800, 600},
         {100, 25, 800, 600}},
    };
    const double primaryHeight = 900;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<Rect> screens;
        for (const auto& screen : c.screens)
            screens.push_back(EditorWindow::WindowFrames::toStored(screen, primaryHeight));
        const Rect stored = EditorWindow::WindowFrames::toStored(c.window, primaryHeight);
        EXPECT_EQ(EditorWindow::WindowFrames::fromStored(stored, primaryHeight), c.window);
        const Rect fitted = EditorStore::WindowFrameFitter::fit(stored, screens);
        EXPECT_EQ(EditorWindow::WindowFrames::fromStored(fitted, primaryHeight), c.fitted);
    }
    // The primary screen's top-left corner is its bottom-left corner seen from below.
    EXPECT_EQ(EditorWindow::WindowFrames::toStored({0, 0, 1440, 900}, primaryHeight),
              (Rect{0, 0, 1440, 900}));
    EXPECT_EQ(EditorWindow::WindowFrames::toStored({0, 25, 1440, 875}, primaryHeight),
              (Rect{0, 0, 1440, 875}));
}

TEST(WindowRestorer, tabsComeBackInTheirSavedOrderWithTheSavedOneSelected)
{
    struct Case
    {
        const char* name;
        std::int64_t selected;
        const char* missing; // a tab whose file is gone
        std::vector<QString> order;
        QString selectedTitle;
        QString firstOpened;
    } cases[] = {
        {"middle selected", 2, nullptr, {"a", "b", "c", "d", "e"}, "c", "c"},
        {"first selected", 0, nullptr, {"a", "b", "c", "d", "e"}, "a", "a"},
        {"selection beyond the last", 9, nullptr, {"a", "b", "c", "d", "e"}, "e", "e"},
        // The next tab that opens becomes the anchor, takes the frame and stays selected.
        {"selected one missing", 2, "c", {"a", "b", "d", "e"}, "a", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RestoreFixture f;
        std::vector<TabRestoreState> tabs;
        for (const char* name : {"a", "b", "c", "d", "e"}) {
            auto path = f.folder / (std::string(name) + ".txt");
            if (!c.missing || std::string(name) != c.missing)
                f.file(path.filename().string());
            tabs.push_back(fileTab(path));
        }
        f.writeState(WindowState({windowOf(tabs, c.selected)}));
        (void)f.restorer->restoreWindows();
        // The first job (the selected tab's) ran inside the call.
        if (c.firstOpened.isEmpty()) {
            EXPECT_TRUE(f.documents->documents().empty());
        } else {
            ASSERT_EQ(f.documents->documents().size(), 1u);
            EXPECT_EQ(f.documents->documents()[0]->displayName(), c.firstOpened + ".txt");
        }
        f.runLaterJobs();
        const auto windows = f.documentWindows();
        ASSERT_EQ(windows.size(), 1u);
        std::vector<QString> expected;
        for (const auto& name : c.order)
            expected.push_back(name + ".txt");
        EXPECT_EQ(tabTitles(*windows[0]), expected);
        EXPECT_EQ(tabTitle(windows[0]->currentPage()), c.selectedTitle + ".txt");
        EXPECT_EQ(EditorWindow::WindowFrames::frameOf(*windows[0]), (Rect{40, 40, 500, 400}));
    }
}

TEST(WindowRestorer, missingTabsAreListedInTheBanner)
{
    RestoreFixture f;
    std::vector<TabRestoreState> tabs{fileTab(f.file("here.txt"))};
    for (const char* name : {"one.txt", "two.txt", "three.txt", "four.txt", "five.txt"})
        tabs.push_back(fileTab(f.folder / name));
    f.writeState(WindowState({windowOf(tabs, 0)}));
    f.restore();
    auto windows = f.documentWindows();
    ASSERT_EQ(windows.size(), 1u);
    auto* controller = EditorWindow::ApplicationWindows::controllerOf(f.documents->documents()[0]);
    auto* banner = controller->banner(QStringLiteral("restore.missing"));
    ASSERT_TRUE(banner);
    EXPECT_EQ(banner->message(),
              QStringLiteral("지난번 탭 중 5개는 찾지 못해 열지 않았어요: one.txt, two.txt, "
                             "three.txt …"));
    EXPECT_TRUE(f.restorer->missingNames().empty());
    bool endLogged = false;
    for (const auto& line : f.logged)
        endLogged = endLogged || line.rfind("창 되살림 끝 · 못 연 것 5 · ", 0) == 0;
    EXPECT_TRUE(endLogged);
}

TEST(WindowRestorer, openFilesAndDocumentsOpenedMeanwhile)
{
    RestoreFixture f;
    const auto a = f.file("a.txt"), b = f.file("b.txt"), c = f.file("c.txt");
    auto* before = f.open(a);
    ASSERT_TRUE(before);
    f.settle();
    f.writeState(WindowState({windowOf({fileTab(a), fileTab(b)}, 0)}));
    (void)f.restorer->restoreWindows();
    ASSERT_TRUE(f.restorer->isRestoring());
    // The user opens a file between two tabs.
    auto* meanwhile = f.open(c);
    ASSERT_TRUE(meanwhile);
    f.runLaterJobs();
    EXPECT_TRUE(f.restorer->missingNames().empty()) << "an open file is not missing";
    EXPECT_EQ(f.documents->documents().size(), 3u) << "a.txt is not opened twice";
    auto* controller = EditorWindow::ApplicationWindows::controllerOf(meanwhile);
    ASSERT_TRUE(controller && controller->hostWindow());
    EXPECT_EQ(controller->hostWindow()->currentPage(), controller->page());
    EXPECT_EQ(f.hosts->orderedWindows().front(), controller->hostWindow()) << "raised at the end";
}

TEST(WindowRestorer, returnedIdentifiersAndTheSetting)
{
    RestoreFixture f;
    EditorStore::ScratchStore store(f.folder / "scratch");
    const auto kept = Platform::Uuid::random();
    ASSERT_TRUE(store.save(kept, u"a memo", std::chrono::system_clock::now()));
    const auto emptied = Platform::Uuid::random();
    TabRestoreState keptTab, emptiedTab;
    keptTab.doc = TabRestoreState::Scratch{kept};
    emptiedTab.doc = TabRestoreState::Scratch{emptied};
    f.writeState(WindowState({windowOf({keptTab, emptiedTab}, 0)}));

    f.restoreEnabled = false;
    EXPECT_TRUE(f.restore().empty());
    EXPECT_TRUE(f.documents->documents().empty());
    EXPECT_TRUE(f.logged.empty());

    f.restoreEnabled = true;
    EXPECT_EQ(f.restore(), (std::set<Platform::Uuid>{kept, emptied}));
    ASSERT_EQ(f.documents->documents().size(), 1u);
    EXPECT_EQ(f.documents->documents()[0]->scratchID(), kept);
    // The document controller then reopens nothing twice.
    EXPECT_TRUE(f.documents->reopenScratchDocuments({kept, emptied}).empty());
}

TEST(WindowRestorer, aCancelledQuitSavesAgain)
{
    RestoreFixture f;
    f.restorer->startObserving();
    auto* a = f.open(f.file("a.txt"));
    ASSERT_TRUE(a);
    // An edit the user will not let go: the review asks and the answer is to stay.
    f.services->decideClose = [](TextDocument&) { return false; };
    a->updateChangeCount(TextDocument::ChangeType::changeDone);
    f.settle();
    EXPECT_FALSE(f.documents->reviewUnsavedDocuments());
    EXPECT_FALSE(f.restorer->isFrozen());

    HostWindow* window = EditorWindow::ApplicationWindows::controllerOf(a)->hostWindow();
    window->resize(430, 310);
    window->move(70, 60);
    f.settle();
    ASSERT_TRUE(f.timer->fire()) << "the move asks for a save";
    const auto moved = f.saved();
    ASSERT_TRUE(moved);
    ASSERT_EQ(moved->windows.size(), 1u);
    const Rect frame = moved->windows[0].frame;
    EXPECT_EQ(frame, EditorWindow::WindowFrames::frameOf(*window));

    // The next launch places the window where it was moved.
    a->updateChangeCount(TextDocument::ChangeType::changeCleared);
    for (TextDocument* document : f.documents->documents())
        f.documents->removeDocument(document);
    f.settle();
    f.makeRestorer();
    f.restore();
    const auto windows = f.documentWindows();
    ASSERT_EQ(windows.size(), 1u);
    EXPECT_EQ(EditorWindow::WindowFrames::frameOf(*windows[0]), frame);
}

TEST(WindowRestorer, windowsComeBackFrontToBackInSavedOrder)
{
    RestoreFixture f;
    std::vector<WindowRestoreState> windows;
    for (const char* name : {"front.txt", "middle.txt", "back.txt"})
        windows.push_back(windowOf({fileTab(f.file(name))}, 0));
    f.writeState(WindowState(windows));
    f.restore();
    std::vector<QString> order;
    for (HostWindow* window : f.documentWindows())
        order.push_back(tabTitle(window->currentPage()));
    EXPECT_EQ(order, (std::vector<QString>{"front.txt", "middle.txt", "back.txt"}));
    // The next save keeps that order.
    const auto state = f.restorer->snapshot();
    ASSERT_EQ(state.windows.size(), 3u);
    EXPECT_EQ(std::get<TabRestoreState::File>(state.windows[2].tabs[0].doc).path,
              (f.folder / "back.txt").string());
}

TEST(WindowRestorer, aSavedEncodingChoiceReadsTheFileAgainThatWay)
{
    RestoreFixture f;
    auto tab = fileTab(f.file("accent.txt", "caf\xC3\xA9\n"));
    tab.encodingOverride = EditorCore::TextEncoding::isoLatin1;
    f.writeState(WindowState({windowOf({tab}, 0)}));
    f.restore();
    ASSERT_EQ(f.documents->documents().size(), 1u);
    TextDocument* document = f.documents->documents()[0];
    EXPECT_EQ(document->format().encoding, EditorCore::TextEncoding::isoLatin1);
    EXPECT_EQ(document->currentText(), QString::fromUtf8("caf\xC3\x83\xC2\xA9\n"));
}

TEST(WindowRestorer, aFailedSaveIsReportedAndTheNextChangeTriesAgain)
{
    RestoreFixture f;
    f.open(f.file("a.txt"));
    // The folder of the file is taken by a file.
    std::ofstream(f.folder / "blocked") << "x";
    WindowRestorer::Environment environment;
    environment.store = EditorStore::WindowStateStore(f.folder / "blocked" / "WindowState.json");
    environment.documents = f.documents.get();
    environment.hosts = f.hosts;
    environment.timer = f.timer;
    std::vector<std::string> events, lines;
    environment.record = [&](auto, std::string_view key, const auto& fields) {
        events.push_back(std::string(key) + " " + fields.at(0).first);
    };
    environment.log = [&](bool error, const std::string& line) {
        if (error)
            lines.push_back(line);
    };
    WindowRestorer restorer(std::move(environment));
    restorer.save();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind("창 상태 저장 실패 ", 0), 0u) << lines[0];
    EXPECT_EQ(events, (std::vector<std::string>{"windowState.save err"}));
    restorer.scheduleSave();
    EXPECT_TRUE(restorer.hasPendingSave());
}

namespace {

std::vector<std::string> savedTabNames(const WindowRestoreState& window)
{
    std::vector<std::string> names;
    for (const auto& tab : window.tabs) {
        if (const auto* file = std::get_if<TabRestoreState::File>(&tab.doc))
            names.push_back(std::filesystem::path(file->path).filename().string());
        else
            names.push_back("kept");
    }
    return names;
}

// The restorer the windows of the fixture call (the document windows ask the shared one).
struct SharedRestorer
{
    explicit SharedRestorer(WindowRestorer* restorer) { WindowRestorer::setShared(restorer); }
    ~SharedRestorer() { WindowRestorer::setShared(nullptr); }
};

} // namespace

// Switching, moving, adding and closing tabs ask for the debounced save like a move does; a
// selected tab that is not saved selects the first saved one; an untitled text once kept is
// saved as a tab of its window at once, and comes back there.
TEST(WindowRestorer, tabChangesAreSavedAndComeBackInTheirWindow)
{
    RestoreFixture f;
    SharedRestorer shared(f.restorer.get());
    f.restorer->startObserving();
    auto* a = f.open(f.file("a.txt"));
    ASSERT_TRUE(a);
    HostWindow* window = EditorWindow::ApplicationWindows::controllerOf(a)->hostWindow();
    f.hosts->joinNext(window);
    auto* b = f.open(f.file("b.txt"));
    auto* c = f.open(f.file("c.txt"));
    f.hosts->joinNext(nullptr);
    f.settle();
    ASSERT_EQ(window->pageCount(), 3);
    auto pageOf = [](TextDocument* document) {
        return EditorWindow::ApplicationWindows::controllerOf(document)->page();
    };
    (void)f.timer->fire();

    struct Step
    {
        const char* name;
        std::function<void()> change;
        std::vector<std::string> tabs;
        std::int64_t selected;
    };
    TextDocument* untitled = nullptr;
    const std::vector<Step> steps = {
        {"switch", [&] { window->setCurrentPage(pageOf(a)); }, {"a.txt", "b.txt", "c.txt"}, 0},
        {"move", [&] { window->movePage(pageOf(c), 0); }, {"c.txt", "a.txt", "b.txt"}, 1},
        {"close",
         [&] {
             // What closing the tab does to its document (the fixture has no close handler).
             f.documents->removeDocument(b);
             QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
         },
         {"c.txt", "a.txt"},
         1},
        {"an unkept untitled text selected",
         [&] {
             f.hosts->joinNext(window);
             untitled = f.documents->makeUntitledDocument(true);
             f.hosts->joinNext(nullptr);
             window->movePage(pageOf(untitled), 1);
             window->setCurrentPage(pageOf(untitled));
         },
         {"c.txt", "a.txt"},
         0},
        {"kept",
         [&] {
             EditorWindow::ApplicationWindows::controllerOf(untitled)->textView()->insertText(
                 "memo");
             ASSERT_TRUE(untitled->keepScratchText().has_value());
         },
         {"c.txt", "kept", "a.txt"},
         1},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        step.change();
        f.settle();
        ASSERT_TRUE(f.timer->fire()) << "the change asks for a save";
        const auto saved = f.saved();
        ASSERT_TRUE(saved);
        ASSERT_EQ(saved->windows.size(), 1u);
        EXPECT_EQ(savedTabNames(saved->windows[0]), step.tabs);
        EXPECT_EQ(saved->windows[0].selectedTab, step.selected);
    }

    // A crash now: the next launch puts the kept text back into its window, between the files,
    // and the document controller has nothing left to reopen on its own.
    for (TextDocument* document : f.documents->documents())
        f.documents->removeDocument(document);
    f.settle();
    f.makeRestorer();
    const auto named = f.restore();
    EXPECT_TRUE(f.documents->reopenScratchDocuments(named).empty());
    const auto windows = f.documentWindows();
    ASSERT_EQ(windows.size(), 1u);
    EXPECT_EQ(tabTitles(*windows[0]).size(), 3u);
    EXPECT_EQ(tabTitles(*windows[0])[0], "c.txt");
    EXPECT_EQ(tabTitles(*windows[0])[2], "a.txt");
}

// Quit and start three times: the window comes back where it was, at the size it had.
TEST(WindowRestorer, aWindowRestoredThreeTimesKeepsItsGeometry)
{
    RestoreFixture f;
    f.restorer->startObserving();
    auto* a = f.open(f.file("a.txt"));
    ASSERT_TRUE(a);
    HostWindow* first = EditorWindow::ApplicationWindows::controllerOf(a)->hostWindow();
    const QRect placed(100, 120, 700, 500);
    first->setGeometry(placed);
    f.settle();
    f.restorer->save();
    const auto saved = f.saved();
    ASSERT_TRUE(saved && saved->windows.size() == 1u);
    const Rect frame = saved->windows[0].frame;
    EXPECT_EQ(frame.width, 700);
    EXPECT_EQ(frame.height, 500);
    for (int cycle = 1; cycle <= 3; ++cycle) {
        SCOPED_TRACE(cycle);
        f.restorer->saveAndFreeze();
        for (TextDocument* document : f.documents->documents())
            f.documents->removeDocument(document);
        f.settle();
        f.makeRestorer();
        f.restorer->startObserving();
        f.restore();
        const auto windows = f.documentWindows();
        ASSERT_EQ(windows.size(), 1u);
        EXPECT_EQ(windows[0]->geometry(), placed);
        f.restorer->save();
        const auto again = f.saved();
        ASSERT_TRUE(again && again->windows.size() == 1u);
        EXPECT_EQ(again->windows[0].frame, frame);
    }
}

// A file read on a worker (over 1 MiB, under the large-file threshold) gets its saved caret
// and encoding once its text is in.
TEST(WindowRestorer, aTabReadInTheBackgroundGetsItsStateWhenTheTextIsIn)
{
    RestoreFixture f;
    std::string body;
    while (body.size() < (std::size_t(1) << 20) + 4096)
        body += "caf\xC3\xA9 and a line\n";
    auto tab = fileTab(f.file("big.txt", body));
    tab.encodingOverride = EditorCore::TextEncoding::isoLatin1;
    tab.selectionLocation = 1000003;
    tab.selectionLength = 4;
    f.writeState(WindowState({windowOf({tab}, 0)}));
    f.restore();
    ASSERT_EQ(f.documents->documents().size(), 1u);
    TextDocument* document = f.documents->documents()[0];
    ASSERT_TRUE(QTest::qWaitFor([&] { return !document->isLoading(); }, 20000));
    f.settle();
    EXPECT_EQ(document->format().encoding, EditorCore::TextEncoding::isoLatin1);
    EXPECT_TRUE(document->currentText().startsWith(QString::fromUtf8("caf\xC3\x83\xC2\xA9")));
    const auto* view = EditorWindow::ApplicationWindows::controllerOf(document)->textView();
    EXPECT_EQ(view->selectedRange().location, 1000003);
    EXPECT_EQ(view->selectedRange().length, 4);
}

// A question about a restored tab (here: a file that is not text) waits until every window is
// placed, then names its file and shows over that file's tab, selected in the front window.
TEST(WindowRestorer, aQuestionAboutARestoredTabNamesItsFileOverItsTab)
{
    RestoreFixture f;
    SharedRestorer shared(f.restorer.get());
    const auto a = f.file("a.txt"), c = f.file("c.txt"), d = f.file("d.txt");
    const auto binary = f.file("bin.dat", std::string("\x00\x01\x02\x03\xFF\xFE\x00\x00", 8));
    f.writeState(WindowState({windowOf({fileTab(a), fileTab(binary), fileTab(c)}, 0),
                              windowOf({fileTab(d)}, 0)}));
    (void)f.restorer->restoreWindows();
    while (f.restorer->isRestoring()) {
        QCoreApplication::processEvents();
        EXPECT_TRUE(f.presenter->asked.empty()) << "no question while the windows are placed";
    }
    f.settle();
    ASSERT_EQ(f.presenter->asked.size(), 1u);
    const auto& asked = f.presenter->asked[0];
    EXPECT_EQ(asked.alert.text, QStringLiteral("글자 파일이 아닌 것 같아요."));
    EXPECT_EQ(asked.alert.subject, QStringLiteral("bin.dat"));
    EXPECT_EQ(asked.shownTab, QStringLiteral("bin.dat"));
    EXPECT_TRUE(asked.inFront);
}
