#pragma once

#include "app/views/MarkdownPreview.h"
#include "app/window/CommandState.h"
#include "app/window/WindowFeature.h"

#include <QObject>
#include <QPointer>
#include <QSize>

#include <functional>
#include <ostream>

namespace EditorWindow {

enum class PreviewMode { off, split, only };
std::ostream& operator<<(std::ostream&, PreviewMode);

// The Markdown preview of a tab: beside the text in the window's body (split) or in its place
// (only), allowed while the tab's language is Markdown and the document is no large-file load.
// The preview view exists only while a mode is shown; it renders after each edit and, in
// split mode, follows the text's scroll position.
class PreviewModesFeature
    : public QObject
    , public WindowFeature
{
    Q_OBJECT
public:
    // Makes the preview for a body of that size; by default the web view.
    using PreviewMaker = std::function<EditorViews::MarkdownPreview*(QSize)>;
    static constexpr int scrollSyncDelayMs = 50;

    explicit PreviewModesFeature(PreviewMaker maker = {});
    ~PreviewModesFeature() override;

    void attach(DocumentWindowController& window) override;
    void detach() override;
    void textDidEdit(const EditorViews::EditRecord& edit) override;
    void visibleAreaDidChange() override;

    bool canShowPreview() const;
    void applyPreviewMode(PreviewMode mode);
    void togglePreviewSplit();
    void togglePreviewOnly();
    void turnPreviewOff() { applyPreviewMode(PreviewMode::off); }
    // Any other view of the body turns the preview off.
    void bodyWasTaken(BodyClaim claim) override;

    PreviewMode previewMode() const { return m_mode; }
    EditorViews::MarkdownPreview* previewView() const { return m_view; }
    // The 1-based line at the top of the text's viewport.
    int topVisibleLine() const;

    void contributeCommandState(CommandStateInputs& inputs) const override;

    bool respondsToAction(std::string_view action) const override;
    bool validateAction(std::string_view action,
                        const EditorKit::ActionSender& sender) const override;
    void performAction(std::string_view action, const EditorKit::ActionSender& sender) override;

private:
    EditorViews::MarkdownPreview* makePreviewView();
    void schedulePreviewScrollSync();

    DocumentWindowController* m_window = nullptr;
    PreviewMaker m_maker;
    PreviewMode m_mode = PreviewMode::off;
    PreviewMode m_modeBeforeOnly = PreviewMode::off;
    QPointer<EditorViews::MarkdownPreview> m_view;
    bool m_scrollScheduled = false;
    QMetaObject::Connection m_statusConnection;
};

} // namespace EditorWindow
