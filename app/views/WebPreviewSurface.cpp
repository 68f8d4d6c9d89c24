#include "app/views/WebPreviewSurface.h"

#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QFile>
#include <QMenu>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace EditorViews {

// MARK: folder scheme

FolderSchemeHandler::FolderSchemeHandler(PreviewSurface::Rules rules, QObject* parent)
    : QWebEngineUrlSchemeHandler(parent)
    , m_rules(std::move(rules))
{
}

void FolderSchemeHandler::requestStarted(QWebEngineUrlRequestJob* job)
{
    const auto file = m_rules.servedFile(m_root, job->requestUrl());
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
    job->reply(m_rules.mimeType(*file), device);
}

// MARK: page

PreviewPage::PreviewPage(PreviewSurface::Rules rules, QWebEngineProfile* profile, QObject* parent)
    : QWebEnginePage(profile, parent)
    , m_rules(std::move(rules))
{
    openExternally = [](const QUrl& url) { QDesktopServices::openUrl(url); };
}

void PreviewPage::loadTemplate(const QString& html)
{
    m_expectingOwnLoad = true;
    setHtml(html, m_rules.baseURL);
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
    const auto decision = m_rules.decideNavigation(url, kind);
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

// MARK: surface

void WebPreviewSurface::registerScheme(const Rules& rules)
{
    static bool registered = false;
    if (registered)
        return;
    registered = true;
    QWebEngineUrlScheme scheme(rules.scheme.toUtf8());
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Host);
    QWebEngineUrlScheme::registerScheme(scheme);
}

WebPreviewSurface::WebPreviewSurface(QWidget* parent, const Rules& rules)
{
    registerScheme(rules);
    // No storage name: off the record, nothing kept on disk.
    m_profile = new QWebEngineProfile();
    m_folder = new FolderSchemeHandler(rules, m_profile);
    m_profile->installUrlSchemeHandler(rules.scheme.toUtf8(), m_folder);

    m_page = new PreviewPage(rules, m_profile, nullptr);
    m_page->settings()->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
    m_page->settings()->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    // Each render loads the page again: the keyboard stays where the user had it (the text),
    // or the window's shortcuts stop until the text is clicked.
    m_page->settings()->setAttribute(QWebEngineSettings::FocusOnNavigationEnabled, false);
    m_page->setBackgroundColor(Qt::transparent);
    QObject::connect(m_page, &QWebEnginePage::loadFinished, m_page, [this](bool) {
        if (didLoad)
            didLoad();
    });

    m_webView = new PreviewWebView(parent);
    m_webView->setPage(m_page);
}

WebPreviewSurface::~WebPreviewSurface()
{
    // The page goes before its profile.
    delete m_webView;
    delete m_page;
    delete m_profile;
}

QWidget* WebPreviewSurface::widget()
{
    return m_webView;
}

void WebPreviewSurface::loadTemplate(const QString& html)
{
    m_page->loadTemplate(html);
}

void WebPreviewSurface::runScript(const QString& script)
{
    m_page->runJavaScript(script, QWebEngineScript::ApplicationWorld);
}

void WebPreviewSurface::setRoot(const std::optional<std::filesystem::path>& folder)
{
    m_folder->setRoot(folder);
}

} // namespace EditorViews
