// The preview module's entry: the application loads this library the first time a preview
// opens and makes its surfaces here.
#include "app/views/WebPreviewSurface.h"

extern "C" __attribute__((visibility("default"))) EditorViews::PreviewSurface*
olvMakePreviewSurface(QWidget* parent, const EditorViews::PreviewSurface::Rules& rules)
{
    return new EditorViews::WebPreviewSurface(parent, rules);
}
