#include "app/window/hosting/WindowRestorer.h"

#include "app/documents/DocumentController.h"
#include "app/documents/FileSaver.h"
#include "app/documents/TextDocument.h"
#include "app/kit/HostWindow.h"
#include "app/kit/Localized.h"
#include "app/kit/TabPage.h"
#include "app/kit/AppLog.h"
#include "app/window/ApplicationWindows.h"
#include "app/window/DocumentWindowController.h"
#include "app/window/hosting/HostWindows.h"
#include "app/window/hosting/WindowFrames.h"
#include "platform/FileBookmark.h"
#include "platform/SystemLog.h"
#include "store/ScratchStore.h"
#include "store/SettingKeys.h"
#include "store/Settings.h"
#include "store/WindowFrameFitter.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>

#include <algorithm>

namespace EditorWindow {

using EditorDocuments::TextDocument;
using EditorKit::HostWindow;
using EditorStore::TabRestoreState;
using EditorStore::WindowRestoreState;

namespace {

WindowRestorer* s_shared = nullptr;

class QtSaveTimer : public WindowRestorer::SaveTimer
{
public:
    QtSaveTimer() { m_timer.setSingleShot(true); }
    void start(std::chrono::milliseconds delay, std::function<void()> fire) override
    {
        m_timer.disconnect();
        QObject::connect(&m_timer, &QTimer::timeout, std::move(fire));
        m_timer.start(delay);
    }
    void cancel() override { m_timer.stop(); }
    bool isActive() const override { return m_timer.isActive(); }

private:
    QTimer m_timer;
};

// The document window controller of a tab page, or null for any other page.
DocumentWindowController* controllerOf(EditorKit::TabPage* page)
{
    return page ? dynamic_cast<DocumentWindowController*>(page->windowControllerResponder())
                : nullptr;
}

bool isDocumentWindow(const HostWindow* window)
{
    const auto pages = window->pages();
    return std::any_of(pages.begin(), pages.end(), [](auto* page) { return controllerOf(page); });
}

QString fileName(const std::filesystem::path& path)
{
    return QString::fromStdString(path.filename().string());
}

std::string describeError(const EditorDocuments::DocumentFailure& failure)
{
    return EditorDocuments::describeForLog(failure);
}

} // namespace

// The jobs of one saved window share its saved state, folder session and anchor.
struct WindowRestorer::WindowJobs
{
    WindowRestoreState saved;
    WindowFolders::Folder session;
    QPointer<HostWindow> anchor;
    QPointer<EditorKit::TabPage> anchorPage;
    // The pages placed so far with their saved index.
    std::vector<std::pair<std::size_t, QPointer<EditorKit::TabPage>>> placed;
};

WindowRestorer::WindowRestorer(Environment environment)
    : m_environment(std::move(environment))
    , m_timer(m_environment.timer ? m_environment.timer : std::make_shared<QtSaveTimer>())
    , m_restoreStarted(std::chrono::steady_clock::now())
{}

WindowRestorer::~WindowRestorer()
{
    m_timer->cancel();
    if (s_shared == this)
        s_shared = nullptr;
}

WindowRestorer* WindowRestorer::shared()
{
    return s_shared;
}

void WindowRestorer::setShared(WindowRestorer* restorer)
{
    s_shared = restorer;
}

void WindowRestorer::write(bool error, const std::string& message) const
{
    if (m_environment.log)
        m_environment.log(error, message);
    else
        Platform::SystemLog::write("app.orlune.viewer",
                                   "restore",
                                   error ? Platform::SystemLog::Level::error
                                         : Platform::SystemLog::Level::notice,
                                   message);
}

void WindowRestorer::record(EditorStore::ErrorLog::Level level,
                            std::string_view key,
                            const EditorStore::ErrorLog::Fields& fields) const
{
    if (m_environment.record)
        m_environment.record(level, key, fields);
    else
        AppLog::record(level, key, fields);
}

std::int64_t WindowRestorer::millisecondsSinceStart() const
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now()
                                                                 - m_restoreStarted)
        .count();
}

// MARK: saving

void WindowRestorer::startObserving()
{
    qApp->installEventFilter(this);
}

bool WindowRestorer::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::WindowActivate:
    case QEvent::Close:
    case QEvent::WindowStateChange:
    case QEvent::Show:
        if (auto* window = qobject_cast<HostWindow*>(watched)) {
            observeTabs(window);
            windowDidChange(
                window, event->type() == QEvent::Close, event->type() == QEvent::WindowActivate);
        }
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void WindowRestorer::observeTabs(HostWindow* window)
{
    if (!m_observed.insert(window).second)
        return;
    connect(window, &QObject::destroyed, this, [this, window] {
        m_observed.erase(window);
        m_normalFrames.erase(window);
    });
    // Switching, adding, moving and closing tabs change what a snapshot records.
    auto changed = [this, window] {
        if (isDocumentWindow(window) || window->pageCount() == 0)
            scheduleSave();
    };
    connect(window, &HostWindow::currentPageChanged, this, changed);
    connect(window, &HostWindow::pagesChanged, this, changed);
}

void WindowRestorer::windowDidChange(HostWindow* window, bool closing, bool becameKey)
{
    if (!isDocumentWindow(window))
        return;
    if (!closing && !window->isFullScreen())
        m_normalFrames[window] = WindowFrames::frameOf(*window);
    if (becameKey && !m_isRestoring) {
        if (auto* controller = controllerOf(window->currentPage()))
            showMissingFilesBanner(*controller);
    }
    scheduleSave();
}

std::optional<EditorStore::Rect> WindowRestorer::normalFrame(const HostWindow* window) const
{
    auto found = m_normalFrames.find(window);
    if (found == m_normalFrames.end())
        return std::nullopt;
    return found->second;
}

bool WindowRestorer::hasPendingSave() const
{
    return m_timer->isActive();
}

void WindowRestorer::scheduleSave()
{
    if (m_isFrozen || m_isRestoring)
        return;
    QPointer<WindowRestorer> self(this);
    m_timer->start(saveDelay, [self] {
        if (self)
            self->save();
    });
}

void WindowRestorer::save()
{
    if (m_isFrozen)
        return;
    m_timer->cancel();
    auto written = m_environment.store.save(snapshot());
    if (!written) {
        write(true, "창 상태 저장 실패 " + written.error().message());
        record(EditorStore::ErrorLog::Level::error,
               "windowState.save",
               {{"err", AppLog::describe(written.error())}});
    }
}

void WindowRestorer::saveAndFreeze()
{
    if (m_isFrozen)
        return;
    if (!m_isRestoring)
        save();
    m_timer->cancel();
    m_isFrozen = true;
    write(false, "끌 때 창 상태 적음");
}

void WindowRestorer::releaseFreeze()
{
    if (!m_isFrozen)
        return;
    m_isFrozen = false;
    // What changed during the review (and anything after it) is saved as usual.
    scheduleSave();
}

EditorStore::WindowState WindowRestorer::snapshot() const
{
    std::vector<HostWindow*> candidates;
    if (m_environment.hosts)
        candidates = m_environment.hosts->orderedWindows();
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* host = qobject_cast<HostWindow*>(widget);
        if (host && std::find(candidates.begin(), candidates.end(), host) == candidates.end())
            candidates.push_back(host);
    }

    std::vector<WindowRestoreState> windows;
    for (HostWindow* host : candidates) {
        // A closed window waits hidden until it is deleted.
        if (!host->isVisible() || !isDocumentWindow(host))
            continue;
        EditorKit::TabPage* selected = host->currentPage();
        WindowRestoreState window;
        for (EditorKit::TabPage* page : host->pages()) {
            DocumentWindowController* controller = controllerOf(page);
            if (!controller)
                continue;
            if (auto tab = controller->makeTabRestoreState()) {
                // A selected tab that is left out selects the first, not the one after it.
                if (page == selected)
                    window.selectedTab = static_cast<std::int64_t>(window.tabs.size());
                window.tabs.push_back(std::move(*tab));
            }
        }
        if (DocumentWindowController* controller = controllerOf(selected)) {
            if (WindowFolders* folders = ApplicationWindows::folders())
                window.folder = folders->savedFolder(*controller);
        }
        if (window.tabs.empty() && !window.folder)
            continue;
        window.fullScreen = host->isFullScreen();
        const auto normal = normalFrame(host);
        window.frame = window.fullScreen && normal ? *normal : WindowFrames::frameOf(*host);
        window.screenID = WindowFrames::screenNumber(host->screen());
        windows.push_back(std::move(window));
    }
    return EditorStore::WindowState(std::move(windows));
}

// MARK: restoring

std::set<Platform::Uuid> WindowRestorer::restoreWindows()
{
    const bool enabled = m_environment.restoreEnabled
                             ? m_environment.restoreEnabled()
                             : EditorStore::Settings::shared().value(
                                 EditorStore::SettingKeys::generalRestoreWindows);
    if (!enabled || !m_environment.documents || !m_environment.hosts)
        return {};
    auto state = m_environment.store.load();
    if (!state || state->windows.empty())
        return {};

    m_isRestoring = true;
    m_timer->cancel();
    const auto open = m_environment.documents->documents();
    m_openedDuringRestore = open.empty() ? nullptr : open.back();
    m_restoreStarted = std::chrono::steady_clock::now();
    m_lastPlaced = nullptr;
    m_firstPlaced = nullptr;
    m_placed.clear();
    m_notOpened = 0;

    std::deque<std::function<void()>> jobs;
    QPointer<WindowRestorer> self(this);
    for (const WindowRestoreState& saved : state->windows) {
        auto window = std::make_shared<WindowJobs>();
        window->saved = saved;
        if (saved.folder) {
            if (WindowFolders* folders = ApplicationWindows::folders())
                window->session = folders->restoreFolder(*saved.folder);
        }
        if (saved.tabs.empty()) {
            if (window->session)
                jobs.push_back([self, window] {
                    if (self)
                        self->runFolderJob(window);
                });
            continue;
        }
        const auto count = static_cast<std::int64_t>(saved.tabs.size());
        const auto selected =
            static_cast<std::size_t>(std::clamp<std::int64_t>(saved.selectedTab, 0, count - 1));
        auto tabJob = [self, window](std::size_t index) {
            return [self, window, index] {
                if (self)
                    self->runTabJob(window, index);
            };
        };
        jobs.push_back(tabJob(selected));
        for (std::size_t index = 0; index < saved.tabs.size(); ++index) {
            if (index != selected)
                jobs.push_back(tabJob(index));
        }
    }

    if (!jobs.empty()) {
        auto first = std::move(jobs.front());
        jobs.pop_front();
        m_pendingJobs = std::move(jobs);
        first();
    }
    write(false,
          "창 되살림 첫 탭 " + std::to_string(millisecondsSinceStart()) + "ms · 남은 탭 "
              + std::to_string(m_pendingJobs.size()));
    continueRestore();
    return EditorStore::WindowStateStore::scratchIDs(*state);
}

void WindowRestorer::continueRestore()
{
    if (m_pendingJobs.empty()) {
        finishRestore();
        return;
    }
    QPointer<WindowRestorer> self(this);
    QTimer::singleShot(0, this, [self] {
        if (!self || self->m_pendingJobs.empty())
            return;
        auto job = std::move(self->m_pendingJobs.front());
        self->m_pendingJobs.pop_front();
        job();
        if (self)
            self->continueRestore();
    });
}

void WindowRestorer::finishRestore()
{
    m_isRestoring = false;
    // X11 cannot place a window below another when it is shown: each later window came up
    // above the ones before it (and some platforms activate every window they show). Stack
    // them again in saved order, the first in front and key, a document the user opened
    // meanwhile before all; once now and once after the activations still queued.
    std::vector<QPointer<HostWindow>> stack = std::exchange(m_placed, {});
    if (m_openedDuringRestore) {
        if (auto* controller = ApplicationWindows::controllerOf(m_openedDuringRestore)) {
            if (HostWindow* window = controller->hostWindow()) {
                window->setCurrentPage(controller->page());
                stack.insert(stack.begin(), window);
            }
        }
        m_openedDuringRestore = nullptr;
    }
    std::shared_ptr<HostWindows> hosts = m_environment.hosts;
    auto restack = [hosts, stack] {
        for (auto window = stack.rbegin(); window != stack.rend(); ++window) {
            if (*window) {
                (*window)->setAttribute(Qt::WA_ShowWithoutActivating, false);
                hosts->bringToFront(*window);
            }
        }
        for (const auto& window : stack) {
            if (window) {
                window->activateWindow();
                break;
            }
        }
    };
    restack();
    QTimer::singleShot(0, this, restack);
    // The questions about restored tabs come after the last restacking, one after the other:
    // each brings its own tab forward.
    QPointer<WindowRestorer> self(this);
    m_isSettling = true;
    QTimer::singleShot(0, this, [self] {
        if (self)
            self->m_isSettling = false;
        while (self && !self->m_waitingQuestions.empty() && !self->m_isRestoring) {
            auto question = std::move(self->m_waitingQuestions.front());
            self->m_waitingQuestions.pop_front();
            question();
        }
    });
    HostWindow* key = nullptr;
    for (const auto& window : stack) {
        if (window) {
            key = window;
            break;
        }
    }
    const auto notOpened = m_notOpened;
    HostWindow* active = key ? key : qobject_cast<HostWindow*>(QApplication::activeWindow());
    if (active) {
        if (auto* controller = controllerOf(active->currentPage()))
            showMissingFilesBanner(*controller);
    }
    write(false,
          "창 되살림 끝 · 못 연 것 " + std::to_string(notOpened) + " · "
              + std::to_string(millisecondsSinceStart()) + "ms");
    scheduleSave();
}

void WindowRestorer::whenWindowsSettle(std::function<void()> question)
{
    // Until the last restacking has run: a question shown before it would end up behind.
    if (m_isRestoring || m_isSettling || !m_waitingQuestions.empty())
        m_waitingQuestions.push_back(std::move(question));
    else
        question();
}

void WindowRestorer::openedDuringRestore(TextDocument* document)
{
    if (!m_openingOwnTab)
        m_openedDuringRestore = document;
}

TextDocument* WindowRestorer::openRestoredTab(const TabRestoreState& tab)
{
    EditorDocuments::DocumentController& documents = *m_environment.documents;
    TextDocument* document = nullptr;
    if (const auto* scratch = std::get_if<TabRestoreState::Scratch>(&tab.doc)) {
        for (TextDocument* open : documents.documents()) {
            if (open->scratchID() == scratch->id)
                return nullptr;
        }
        const auto& directory = m_environment.scratchDirectory;
        const auto store =
            directory.empty() ? EditorStore::ScratchStore() : EditorStore::ScratchStore(directory);
        auto text = store.readText(scratch->id);
        if (!text || text->empty()) {
            m_missingNames.push_back(EditorKit::localized("이름 없는 문서"));
            ++m_notOpened;
            return nullptr;
        }
        auto made = TextDocument::makeScratch(scratch->id,
                                              QString::fromStdU16String(*text),
                                              m_environment.services
                                                  ? m_environment.services
                                                  : EditorDocuments::DocumentServices::shared());
        document = made.get();
        documents.addDocument(std::move(made));
    } else {
        const auto& file = std::get<TabRestoreState::File>(tab.doc);
        std::optional<std::filesystem::path> url;
        std::error_code error;
        if (file.bookmark) {
            if (auto bookmark = Platform::FileBookmark::fromBytes(*file.bookmark)) {
                if (auto resolved = bookmark->resolve();
                    resolved && std::filesystem::exists(*resolved, error))
                    url = *resolved;
            }
        }
        if (!url) {
            if (!std::filesystem::exists(file.path, error)) {
                m_missingNames.push_back(fileName(file.path));
                ++m_notOpened;
                return nullptr;
            }
            url = std::filesystem::path(file.path);
        }
        if (documents.documentForURL(*url)
            || documents.openingPaths().contains(EditorDocuments::FileSaver::resolvedTarget(*url)))
            return nullptr;
        std::optional<EditorDocuments::DocumentFailure> failure;
        m_openingOwnTab = true;
        documents.openURL(*url,
                          false,
                          [&](TextDocument* opened,
                              bool,
                              const std::optional<EditorDocuments::DocumentFailure>& failed) {
                              document = opened;
                              failure = failed;
                          });
        m_openingOwnTab = false;
        if (!document) {
            const std::string described =
                failure ? describeError(*failure) : std::string("unknown");
            write(true, "되살리기 못 엶 " + described);
            record(EditorStore::ErrorLog::Level::warning,
                   "restore.open",
                   {{"path", url->string()}, {"err", described}});
            m_missingNames.push_back(fileName(*url));
            ++m_notOpened;
            return nullptr;
        }
        if (tab.encodingOverride && *tab.encodingOverride != document->format().encoding
            && !document->isLoading())
            document->reload(*tab.encodingOverride);
    }
    return document;
}

void WindowRestorer::placeWindow(HostWindow* window, const WindowRestoreState& saved)
{
    const auto screens = WindowFrames::visibleFrames(saved.screenID);
    WindowFrames::setFrame(*window, EditorStore::WindowFrameFitter::fit(saved.frame, screens));
}

void WindowRestorer::runTabJob(const std::shared_ptr<WindowJobs>& jobs, std::size_t index)
{
    const TabRestoreState& tab = jobs->saved.tabs[index];
    // The opened document, not yet in any window.
    TextDocument* document = openRestoredTab(tab);
    if (!document)
        return;
    HostWindows& hosts = *m_environment.hosts;
    HostWindow* window = jobs->anchor;
    const bool starts = !window;
    if (starts) {
        window = hosts.makeWindow();
        // Later windows open behind the ones before them: only the first takes the focus.
        if (m_lastPlaced)
            window->setAttribute(Qt::WA_ShowWithoutActivating);
        placeWindow(window, jobs->saved);
    }
    hosts.joinNext(window);
    document->makeWindowControllers();
    hosts.joinNext(nullptr);
    DocumentWindowController* controller = ApplicationWindows::controllerOf(document);
    if (!controller || controller->hostWindow() != window) {
        if (starts && window->pageCount() == 0)
            window->close();
        return;
    }
    EditorKit::TabPage* page = controller->page();
    if (starts) {
        // Once shown the window has its frame's decoration, which the frame includes.
        placeWindow(window, jobs->saved);
        jobs->anchor = window;
        jobs->anchorPage = page;
        if (!m_firstPlaced)
            m_firstPlaced = window;
        m_lastPlaced = window;
        m_placed.emplace_back(window);
        if (jobs->saved.fullScreen)
            window->showFullScreen();
    } else {
        // The saved order: after every placed tab that came before it.
        int position = 0;
        for (const auto& [placedIndex, placedPage] : jobs->placed) {
            if (placedPage && placedIndex < index)
                ++position;
        }
        window->movePage(page, position);
        if (jobs->anchorPage)
            window->setCurrentPage(jobs->anchorPage);
    }
    jobs->placed.emplace_back(index, page);
    if (jobs->session) {
        if (WindowFolders* folders = ApplicationWindows::folders())
            folders->showFolder(*controller, jobs->session);
    }
    controller->applyTabRestoreState(tab);
}

void WindowRestorer::runFolderJob(const std::shared_ptr<WindowJobs>& jobs)
{
    WindowFolders* folders = ApplicationWindows::folders();
    DocumentWindowController* controller =
        folders ? folders->openUntitledWindow(jobs->session) : nullptr;
    if (!controller || !controller->hostWindow())
        return;
    HostWindow* window = controller->hostWindow();
    placeWindow(window, jobs->saved);
    if (!m_firstPlaced)
        m_firstPlaced = window;
    if (!m_lastPlaced)
        m_lastPlaced = window;
    m_placed.emplace_back(window);
}

void WindowRestorer::showMissingFilesBanner(DocumentWindowController& controller)
{
    if (m_missingNames.empty())
        return;
    const std::vector<QString> names = std::exchange(m_missingNames, {});
    QStringList shown;
    for (std::size_t index = 0; index < std::min<std::size_t>(3, names.size()); ++index)
        shown << names[index];
    QString listed = shown.join(QStringLiteral(", "));
    if (names.size() > 3)
        listed += QStringLiteral(" …");
    QString message = EditorKit::localized(
        "지난번 탭 중 %n개는 찾지 못해 열지 않았어요: %@", nullptr, names.size());
    message.replace(QStringLiteral("%@"), listed);
    controller.showBanner(QStringLiteral("restore.missing"), BannerView::Kind::info, message, {});
}

HostWindow*
WindowRestorer::adoptOpenedWindow(const std::vector<DocumentWindowController*>& controllers,
                                  std::optional<EditorStore::Rect> frame,
                                  int selectedIndex)
{
    std::vector<DocumentWindowController*> placed;
    for (auto* controller : controllers) {
        if (controller && controller->page())
            placed.push_back(controller);
    }
    if (placed.empty())
        return nullptr;
    HostWindow* window = placed.front()->hostWindow();
    if (!window)
        return nullptr;
    if (frame)
        WindowFrames::setFrame(*window, *frame);
    // Pages already in another window stay there.
    std::erase_if(placed,
                  [window](auto* controller) { return controller->hostWindow() != window; });
    int position = 0;
    for (auto* controller : placed)
        window->movePage(controller->page(), position++);
    const auto selected =
        static_cast<std::size_t>(std::clamp<int>(selectedIndex, 0, int(placed.size()) - 1));
    window->setCurrentPage(placed[selected]->page());
    window->show();
    window->raise();
    return window;
}

} // namespace EditorWindow
