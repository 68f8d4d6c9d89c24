#pragma once

#include "app/views/PreviewSurface.h"

#include <QWebEnginePage>
#include <QWebEngineUrlSchemeHandler>
#include <QWebEngineView>

#include <filesystem>
#include <functional>
#include <optional>

class QMenu;
class QWebEngineProfile;

namespace EditorViews {

// Serves the preview scheme's requests from the document's folder: the file opened and handed
// to the engine as a device, which it reads off the main thread as the page needs it; a
// request that leaves the folder, names no regular file or comes with no folder fails as "not
// found".
class FolderSchemeHandler : public QWebEngineUrlSchemeHandler
{
    Q_OBJECT
public:
    FolderSchemeHandler(PreviewSurface::Rules rules, QObject* parent);

    void setRoot(std::optional<std::filesystem::path> root) { m_root = std::move(root); }
    const std::optional<std::filesystem::path>& root() const { return m_root; }

    void requestStarted(QWebEngineUrlRequestJob* job) override;

private:
    PreviewSurface::Rules m_rules;
    std::optional<std::filesystem::path> m_root;
};

// The preview's page: its own template load and links within the page are allowed, web and
// mail links go to the system, every other navigation is refused.
class PreviewPage : public QWebEnginePage
{
    Q_OBJECT
public:
    PreviewPage(PreviewSurface::Rules rules, QWebEngineProfile* profile, QObject* parent);

    // Loads the template; the one navigation of the view's own.
    void loadTemplate(const QString& html);
    // Where web and mail links go; by default the desktop's handler.
    std::function<void(const QUrl&)> openExternally;

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;

private:
    PreviewSurface::Rules m_rules;
    bool m_expectingOwnLoad = false;
};

// The web view, whose context menu offers no reload.
class PreviewWebView : public QWebEngineView
{
    Q_OBJECT
public:
    using QWebEngineView::QWebEngineView;

    // The standard menu of the last context-menu request, without its reload items.
    QMenu* makeContextMenu();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
};

// The preview's page on the web engine: an off-the-record profile with the preview scheme for
// the document's folder, scripts of the page switched off (the view's own run in the
// application world), a transparent background.
class WebPreviewSurface : public PreviewSurface
{
public:
    WebPreviewSurface(QWidget* parent, const Rules& rules);
    ~WebPreviewSurface() override;

    // Before the first surface: the scheme is known to the engine only when registered before
    // its first profile.
    static void registerScheme(const Rules& rules);

    QWidget* widget() override;
    void loadTemplate(const QString& html) override;
    void runScript(const QString& script) override;
    void setRoot(const std::optional<std::filesystem::path>& folder) override;

    PreviewWebView* webView() const { return m_webView; }
    PreviewPage* page() const { return m_page; }
    FolderSchemeHandler* folder() const { return m_folder; }

private:
    QWebEngineProfile* m_profile = nullptr;
    FolderSchemeHandler* m_folder = nullptr;
    PreviewPage* m_page = nullptr;
    PreviewWebView* m_webView = nullptr;
};

} // namespace EditorViews
