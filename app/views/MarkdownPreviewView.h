#pragma once

#include "app/views/MarkdownPreview.h"
#include "app/views/PreviewSurface.h"

#include <memory>

namespace EditorViews {

class PreviewRendering;

// The rendered Markdown of a document on its surface (by default the web engine's, loaded the
// first time a preview opens; when it cannot be loaded, a line that says so). Rendering is
// `PreviewRendering`'s. Main thread only.
class MarkdownPreviewView : public MarkdownPreview
{
    Q_OBJECT
public:
    explicit MarkdownPreviewView(QWidget* parent = nullptr);
    explicit MarkdownPreviewView(const PreviewSurfaceMaker& makeSurface, QWidget* parent = nullptr);
    ~MarkdownPreviewView() override;

    void setSource(Source source) override;
    void scheduleRender(bool immediately) override;
    void scrollToLine(int line) override;

    // None when the engine could not be loaded.
    PreviewSurface* surface() const { return m_surface.get(); }
    PreviewRendering& rendering() const { return *m_rendering; }

signals:
    // The template finished loading and the waiting content went in.
    void pageLoaded();

protected:
    void changeEvent(QEvent* event) override;

private:
    std::unique_ptr<PreviewSurface> m_surface;
    PreviewRendering* m_rendering = nullptr;
};

} // namespace EditorViews
