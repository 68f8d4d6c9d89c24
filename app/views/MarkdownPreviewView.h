#pragma once

#include "app/views/MarkdownPreview.h"

#include <QWebEnginePage>
#include <QWebEngineUrlSchemeHandler>
#include <QWebEngineView>

#include <filesystem>
#include <functional>
#include <optional>

class QMenu;
class QWebEngineProfile;

namespace EditorViews {

class PreviewRendering;

// Serves "memo-doc" requests from the document's folder: the file opened and handed to the
// engine as a device, which it reads off the main thread as the page needs it; a request that
// leaves the folder, names no regular file or comes with no folder fails as "not found".
class FolderSchemeHandler : public QWebEngineUrlSchemeHandler
{
    Q_OBJECT
public:
    using QWebEngineUrlSchemeHandler::QWebEngineUrlSchemeHandler;

    void setRoot(std::optional<std::filesystem::path> root) { m_root = std::move(root); }
    const std::optional<std::filesystem::path>& root() const { return m_root; }

    void requestStarted(QWebEngineUrlRequestJob* job) override;

private:
    std::optional<std::filesystem::path> m_root;
};

// The preview's page: its own template load and links within the page are allowed, web and
// mail links go to the system, every other navigation is refused.
class PreviewPage : public QWebEnginePage
{
    Q_OBJECT
public:
    PreviewPage(QWebEngineProfile* profile, QObject* parent);

    // Loads the template; the one navigation of the view's own.
    void loadTemplate(const QString& html);
    // Where web and mail links go; by default the desktop's handler.
    std::function<void(const QUrl&)> openExternally;

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;

private:
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

// The rendered Markdown of a document on a web engine page: an off-the-record profile with
// the "memo-doc" scheme for the document's folder, scripts of the page switched off (the
// view's own run in the application world), a transparent background. Rendering is
// `PreviewRendering`'s. Main thread only.
class MarkdownPreviewView : public MarkdownPreview
{
    Q_OBJECT
public:
    explicit MarkdownPreviewView(QWidget* parent = nullptr);
    ~MarkdownPreviewView() override;

    // Before the QApplication exists: the "memo-doc" scheme and the engine's shared contexts.
    static void registerScheme();

    void setSource(Source source) override;
    void scheduleRender(bool immediately) override;
    void scrollToLine(int line) override;

    PreviewWebView* webView() const { return m_webView; }
    PreviewPage* page() const { return m_page; }
    FolderSchemeHandler* folder() const { return m_folder; }
    PreviewRendering& rendering() const { return *m_rendering; }

signals:
    // The template finished loading and the waiting content went in.
    void pageLoaded();

protected:
    void changeEvent(QEvent* event) override;

private:
    QWebEngineProfile* m_profile = nullptr;
    FolderSchemeHandler* m_folder = nullptr;
    PreviewPage* m_page = nullptr;
    PreviewWebView* m_webView = nullptr;
    PreviewRendering* m_rendering = nullptr;
};

} // namespace EditorViews
