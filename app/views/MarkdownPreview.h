#pragma once

#include "core/ChunkedText.h"

#include <QString>
#include <QWidget>

#include <filesystem>
#include <functional>
#include <optional>

namespace EditorViews {

// What a preview shows: the whole Markdown text (a snapshot, taken in O(1) and flattened by
// the worker that converts it) and the folder its relative links and images resolve against
// (none for an untitled document).
struct PreviewSource
{
    EditorCore::TextSnapshot text;
    std::optional<std::filesystem::path> folder;
};

// The rendered Markdown of a document, as the window's preview modes use it. The web view
// (`MarkdownPreviewView`) is the one the application shows; tests of the modes put a plain
// widget in its place. Main thread only.
class MarkdownPreview : public QWidget
{
public:
    using Source = std::function<PreviewSource()>;

    using QWidget::QWidget;
    ~MarkdownPreview() override = default;

    // Asked at every render; none: nothing renders.
    virtual void setSource(Source source) = 0;
    // A render now (a mode was applied) or after typing pauses (an edit).
    virtual void scheduleRender(bool immediately) = 0;
    // Scrolls to the last block that starts at or before the 1-based source line.
    virtual void scrollToLine(int line) = 0;
};

} // namespace EditorViews
