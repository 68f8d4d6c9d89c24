#pragma once

#include "app/views/PreviewContent.h"

#include <QString>
#include <QUrl>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

class QWidget;

namespace EditorViews {

// Where the preview's page is shown: the web engine, which lives in a module of its own that
// is loaded the first time a preview opens (linked into the application, the engine starts
// OpenGL and maps itself before the first window). The surface knows nothing of Markdown: it
// loads the template, runs the view's scripts and serves the document's folder, by the rules
// it is given. Main thread only.
class PreviewSurface
{
public:
    // The page's rules (`PreviewContent`'s), handed over so that the module needs none of
    // the application's code.
    struct Rules
    {
        QUrl baseURL;
        QString scheme;
        std::function<PreviewContent::NavigationDecision(const QUrl&, PreviewContent::Navigation)>
            decideNavigation;
        std::function<std::optional<std::filesystem::path>(
            const std::optional<std::filesystem::path>& root, const QUrl& url)>
            servedFile;
        std::function<QByteArray(const std::filesystem::path&)> mimeType;

        // `PreviewContent`'s own.
        static Rules standard();
    };

    virtual ~PreviewSurface() = default;

    // The shown page, a child of the parent the surface was made with.
    virtual QWidget* widget() = 0;
    // The template; the one navigation of the view's own.
    virtual void loadTemplate(const QString& html) = 0;
    virtual void runScript(const QString& script) = 0;
    // The folder relative links and images come from; none: nothing is served.
    virtual void setRoot(const std::optional<std::filesystem::path>& folder) = 0;

    // After each load of the template.
    std::function<void()> didLoad;
};

using PreviewSurfaceMaker = std::function<std::unique_ptr<PreviewSurface>(QWidget* parent)>;

// The web engine's surface from the preview module, by default the one beside the application
// (`previewModuleFileName`); the module is loaded once, on the first call. None when it cannot
// be loaded, with the reason in `error`.
std::unique_ptr<PreviewSurface> loadWebPreviewSurface(QWidget* parent,
                                                      QString* error = nullptr,
                                                      const QString& modulePath = {});
inline constexpr const char* previewModuleFileName = "libolv-preview.so";
// The module's entry: `PreviewSurface* (QWidget* parent, const PreviewSurface::Rules&)`.
inline constexpr const char* previewModuleEntry = "olvMakePreviewSurface";
using PreviewModuleEntry = PreviewSurface* (*)(QWidget*, const PreviewSurface::Rules&);

} // namespace EditorViews
