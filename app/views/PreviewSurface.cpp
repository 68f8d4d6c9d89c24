#include "app/views/PreviewSurface.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QOpenGLContext>

#include <dlfcn.h>

// Qt's own setter of the context every other context shares with (exported by QtGui, declared
// only in its private headers).
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext* context);

namespace EditorViews {

PreviewSurface::Rules PreviewSurface::Rules::standard()
{
    Rules rules;
    rules.baseURL = PreviewContent::baseURL();
    rules.scheme = QString::fromLatin1(PreviewContent::scheme);
    rules.decideNavigation = &PreviewContent::decideNavigation;
    rules.servedFile = &PreviewContent::servedFile;
    rules.mimeType = &PreviewContent::mimeType;
    return rules;
}

namespace {

struct LoadedModule
{
    PreviewModuleEntry entry = nullptr;
    QString error;
};

// The engine draws through a context shared with the application's, which it creates itself
// when it is linked in, as the application is constructed (loading the OpenGL drivers before
// the first window). Loaded later, it finds none and stops: the same context, made now.
void provideSharedContext()
{
    if (QOpenGLContext::globalShareContext())
        return;
    auto* context = new QOpenGLContext(QCoreApplication::instance());
    context->create();
    qt_gl_set_global_share_context(context);
}

// Loaded once and never unloaded: the engine's threads outlive every surface.
const LoadedModule& previewModule(const QString& modulePath)
{
    static const LoadedModule module = [&] {
        LoadedModule loaded;
        provideSharedContext();
        const QString path = modulePath.isEmpty()
                                 ? QDir(QCoreApplication::applicationDirPath())
                                       .filePath(QString::fromLatin1(previewModuleFileName))
                                 : modulePath;
        void* handle = ::dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            const char* reason = ::dlerror();
            loaded.error = reason ? QString::fromLocal8Bit(reason) : path;
            return loaded;
        }
        loaded.entry = reinterpret_cast<PreviewModuleEntry>(::dlsym(handle, previewModuleEntry));
        if (!loaded.entry)
            loaded.error = QStringLiteral("%1: no %2").arg(path, QLatin1String(previewModuleEntry));
        return loaded;
    }();
    return module;
}

} // namespace

std::unique_ptr<PreviewSurface>
loadWebPreviewSurface(QWidget* parent, QString* error, const QString& modulePath)
{
    const LoadedModule& module = previewModule(modulePath);
    if (!module.entry) {
        if (error)
            *error = module.error;
        return nullptr;
    }
    return std::unique_ptr<PreviewSurface>(module.entry(parent, PreviewSurface::Rules::standard()));
}

} // namespace EditorViews
