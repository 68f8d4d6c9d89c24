#include "app/views/MarkdownPreviewView.h"

#include "app/kit/Localized.h"
#include "app/views/EditorColors.h"
#include "app/views/PreviewContent.h"
#include "app/views/PreviewRendering.h"
#include "features/MarkdownHTML.h"
#include "platform/SerialQueue.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QEvent>
#include <QFile>
#include <QMenu>
#include <QPointer>
#include <QTimer>
#include <QVBoxLayout>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace EditorViews {
namespace {

// Conversions of every preview, one after another (the converter serialises them anyway).
// Never destroyed: a conversion still running at exit must not be joined.
Platform::SerialQueue& conversionQueue()
{
    static auto* queue = new Platform::SerialQueue("app.orlune.viewer.preview");
    return *queue;
}

std::function<void()>
afterDelay(QObject* context, std::chrono::milliseconds delay, std::function<void()> work)
{
    auto* timer = new QTimer(context);
    timer->setSingleShot(true);
    QObject::connect(timer, &QTimer::timeout, context, [timer, work = std::move(work)] {
        timer->deleteLater();
        work();
    });
    timer->start(delay);
    QPointer<QTimer> pending(timer);
    return [pending] {
        if (pending) {
            pending->stop();
            pending->deleteLater();
        }
    };
}

} // namespace

// MARK: folder scheme

void FolderSchemeHandler::requestStarted(QWebEngineUrlRequestJob* job)
{
    const auto file = PreviewContent::servedFile(m_root, job->requestUrl());
    if (!file) {
        job->fail(QWebEngineUrlRequestJob::UrlNotFound);
        return;
    }
    // Opened without blocking (a FIFO put in the image's place must not stall the window)
    // and only when it is a regular file; the engine reads it as the page needs it.
    const int descriptor = ::open(file->c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (descriptor < 0) {
        job->fail(QWebEngineUrlRequestJob::UrlNotFound);
        return;
    }
    struct stat status
    {};
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(descriptor);
        job->fail(QWebEngineUrlRequestJob::UrlNotFound);
        return;
    }
    auto* device = new QFile();
    if (!device->open(descriptor, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(descriptor);
        delete device;
        job->fail(QWebEngineUrlRequestJob::UrlNotFound);
        return;
    }
    // The engine does not own the device: it goes when the job goes.
    connect(job, &QObject::destroyed, device, &QObject::deleteLater);
    job->reply(PreviewContent::mimeType(*file), device);
}

// MARK: page

PreviewPage::PreviewPage(QWebEngineProfile* profile, QObject* parent)
    : QWebEnginePage(profile, parent)
{
    openExternally = [](const QUrl& url) { QDesktopServices::openUrl(url); };
}

void PreviewPage::loadTemplate(const QString& html)
{
    m_expectingOwnLoad = true;
    setHtml(html, PreviewContent::baseURL());
}

bool PreviewPage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame)
{
    using PreviewContent::Navigation;
    // The engine reports the template's load as a typed load of a data URL.
    Navigation kind = Navigation::other;
    if (m_expectingOwnLoad && isMainFrame && type == NavigationTypeTyped
        && url.scheme() == QLatin1String("data")) {
        m_expectingOwnLoad = false;
        kind = Navigation::ownLoad;
    } else if (type == NavigationTypeLinkClicked) {
        kind = Navigation::linkActivated;
    }
    const auto decision = PreviewContent::decideNavigation(url, kind);
    if (decision.openExternally && openExternally)
        openExternally(url);
    return decision.allow;
}

// MARK: web view

QMenu* PreviewWebView::makeContextMenu()
{
    QMenu* menu = createStandardContextMenu();
    for (auto action : {QWebEnginePage::Reload, QWebEnginePage::ReloadAndBypassCache}) {
        if (QAction* reload = pageAction(action))
            menu->removeAction(reload);
    }
    return menu;
}

void PreviewWebView::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu* menu = makeContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose, true);
    menu->popup(event->globalPos());
}

// MARK: preview view

void MarkdownPreviewView::registerScheme()
{
    QWebEngineUrlScheme scheme(PreviewContent::scheme);
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Host);
    QWebEngineUrlScheme::registerScheme(scheme);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

MarkdownPreviewView::MarkdownPreviewView(QWidget* parent)
    : MarkdownPreview(parent)
{
    // No storage name: off the record, nothing kept on disk.
    m_profile = new QWebEngineProfile(this);
    m_folder = new FolderSchemeHandler(m_profile);
    m_profile->installUrlSchemeHandler(PreviewContent::scheme, m_folder);

    m_page = new PreviewPage(m_profile, this);
    m_page->settings()->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
    m_page->settings()->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    m_page->setBackgroundColor(Qt::transparent);

    m_webView = new PreviewWebView(this);
    m_webView->setPage(m_page);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_webView);

    QPointer<MarkdownPreviewView> self(this);
    PreviewRendering::Page page;
    page.loadTemplate = [self] {
        if (self)
            self->m_page->loadTemplate(PreviewContent::htmlTemplate(appearanceOf(self->palette())));
    };
    page.runScript = [self](const QString& script) {
        if (self)
            self->m_page->runJavaScript(script, QWebEngineScript::ApplicationWorld);
    };
    page.setRoot = [self](const std::optional<std::filesystem::path>& folder) {
        if (self)
            self->m_folder->setRoot(folder);
    };
    PreviewRendering::Services services;
    services.convert = &EditorFeatures::MarkdownHTML::render;
    services.worker = [](std::function<void()> job) { conversionQueue().async(std::move(job)); };
    services.tooLargeMessage =
        EditorKit::localized("글이 너무 커서(5MB 넘음) 미리 보기를 멈췄어요.");
    // The timers are the view's children, so none fires after it is gone.
    services.after = [this](std::chrono::milliseconds delay, std::function<void()> work) {
        return afterDelay(this, delay, std::move(work));
    };
    m_rendering = new PreviewRendering(std::move(page), std::move(services), this);
    connect(m_page, &QWebEnginePage::loadFinished, this, [this](bool) {
        m_rendering->pageDidLoad();
        emit pageLoaded();
    });
}

MarkdownPreviewView::~MarkdownPreviewView()
{
    // The page goes before its profile.
    delete m_webView;
    m_webView = nullptr;
    delete m_page;
    m_page = nullptr;
    delete m_profile;
    m_profile = nullptr;
}

void MarkdownPreviewView::setSource(Source source)
{
    m_rendering->setSource(std::move(source));
}

void MarkdownPreviewView::scheduleRender(bool immediately)
{
    m_rendering->scheduleRender(immediately);
}

void MarkdownPreviewView::scrollToLine(int line)
{
    m_rendering->scrollToLine(line);
}

void MarkdownPreviewView::changeEvent(QEvent* event)
{
    MarkdownPreview::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && m_rendering && m_rendering->isLoaded())
        m_page->runJavaScript(PreviewContent::appearanceScript(appearanceOf(palette())),
                              QWebEngineScript::ApplicationWorld);
}

} // namespace EditorViews
