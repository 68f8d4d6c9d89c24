#include "app/window/preview/PreviewModesFeature.h"

#include "app/views/EditorTextView.h"
#include "app/views/MarkdownPreviewView.h"
#include "app/views/TextStorage.h"
#include "app/window/DocumentContentView.h"
#include "app/window/DocumentWindowController.h"
#include "app/window/WindowDocument.h"
#include "commands/CommandID.h"

#include <QEvent>
#include <QSplitter>
#include <QTimer>

namespace EditorWindow {

using EditorFeatures::CodeLanguage;

std::ostream& operator<<(std::ostream& out, PreviewMode mode)
{
    switch (mode) {
    case PreviewMode::off:
        return out << "off";
    case PreviewMode::split:
        return out << "split";
    case PreviewMode::only:
        return out << "only";
    }
    return out << "?";
}

namespace {

// Activates `host` again when its native window is made anew, for the next few seconds (the
// web view's surface comes up a moment after it is shown).
class ActivationKeeper : public QObject
{
public:
    explicit ActivationKeeper(QWidget* host)
        : QObject(host)
        , m_host(host)
    {
        host->installEventFilter(this);
        QTimer::singleShot(std::chrono::seconds(3), this, &QObject::deleteLater);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_host && event->type() == QEvent::WinIdChange) {
            QTimer::singleShot(0, this, [this] {
                if (m_host->isVisible() && !m_host->isActiveWindow())
                    m_host->activateWindow();
            });
        }
        return false;
    }

private:
    QWidget* m_host;
};

void keepActiveThroughNewNativeWindow(QWidget* host)
{
    new ActivationKeeper(host);
}

} // namespace

PreviewModesFeature::PreviewModesFeature(PreviewMaker maker)
    : m_maker(std::move(maker))
{
    if (!m_maker)
        m_maker = [](QSize size) {
            auto* view = new EditorViews::MarkdownPreviewView();
            view->resize(size);
            return view;
        };
}

PreviewModesFeature::~PreviewModesFeature()
{
    delete m_view.data();
}

void PreviewModesFeature::attach(DocumentWindowController& window)
{
    m_window = &window;
    // The status update turns the preview off once it is no longer allowed (the language
    // changed, the document became a large-file load).
    m_statusConnection = connect(&window, &DocumentWindowController::statusDidUpdate, this, [this] {
        if (m_mode != PreviewMode::off && !canShowPreview())
            applyPreviewMode(PreviewMode::off);
    });
}

void PreviewModesFeature::detach()
{
    disconnect(m_statusConnection);
    delete m_view.data();
    m_window = nullptr;
}

void PreviewModesFeature::textDidEdit(const EditorViews::EditRecord&)
{
    if (m_mode != PreviewMode::off && m_view)
        m_view->scheduleRender(false);
}

void PreviewModesFeature::visibleAreaDidChange()
{
    if (m_mode == PreviewMode::split)
        schedulePreviewScrollSync();
}

bool PreviewModesFeature::canShowPreview() const
{
    if (!m_window)
        return false;
    const CodeLanguage language = m_window->languageChoice().value_or(m_window->detectedLanguage());
    if (language != CodeLanguage::markdown)
        return false;
    WindowDocument* document = m_window->document();
    return !document || !document->hasLargeFile();
}

void PreviewModesFeature::applyPreviewMode(PreviewMode mode)
{
    if (!m_window)
        return;
    const PreviewMode effective = canShowPreview() ? mode : PreviewMode::off;
    if (effective == m_mode)
        return;
    QSplitter* body = m_window->bodySplit();
    EditorViews::EditorTextView* text = m_window->textView();
    if (effective == PreviewMode::off) {
        m_mode = PreviewMode::off;
        m_window->releaseBody(*this);
        // A later preview is a new view with a fresh page.
        delete m_view.data();
        text->show();
        text->setFocus();
    } else {
        m_window->claimBody(*this, BodyClaim::text);
        m_mode = effective;
        // The web view is the window's first OpenGL surface: Qt makes the window's native
        // window again for it, and the new one comes up inactive, so that the window's
        // shortcuts stopped until the user clicked into it.
        QWidget* host = body->window();
        const bool wasActive = host->isActiveWindow();
        if (!m_view)
            m_view = makePreviewView();
        if (m_view->parentWidget() != body)
            body->addWidget(m_view);
        m_view->show();
        if (wasActive)
            keepActiveThroughNewNativeWindow(host);
        text->setVisible(effective == PreviewMode::split);
        if (effective == PreviewMode::split) {
            const int width = body->width();
            body->setSizes({width / 2, width - width / 2});
            text->setFocus();
        }
        m_view->scheduleRender(true);
        m_view->scrollToLine(topVisibleLine());
    }
    // The tool band follows at the status refresh.
    m_window->setNeedsRefresh();
}

void PreviewModesFeature::togglePreviewSplit()
{
    applyPreviewMode(m_mode == PreviewMode::split ? PreviewMode::off : PreviewMode::split);
}

void PreviewModesFeature::togglePreviewOnly()
{
    if (m_mode != PreviewMode::only) {
        // Only when the mode changes: a refused toggle keeps the way back as it was.
        const PreviewMode before = m_mode;
        applyPreviewMode(PreviewMode::only);
        if (m_mode == PreviewMode::only)
            m_modeBeforeOnly = before;
    } else {
        applyPreviewMode(m_modeBeforeOnly);
    }
}

EditorViews::MarkdownPreview* PreviewModesFeature::makePreviewView()
{
    QSplitter* body = m_window->bodySplit();
    EditorViews::MarkdownPreview* view = m_maker(QSize(body->width() / 2, body->height()));
    QPointer<DocumentWindowController> weak(m_window);
    view->setSource([weak]() -> EditorViews::PreviewSource {
        if (!weak)
            return {};
        EditorViews::PreviewSource source;
        source.text = weak->textView()->storage().snapshot();
        if (WindowDocument* document = weak->document()) {
            if (auto url = document->fileURL())
                source.folder = url->parent_path();
        }
        return source;
    });
    return view;
}

void PreviewModesFeature::schedulePreviewScrollSync()
{
    if (m_scrollScheduled)
        return;
    m_scrollScheduled = true;
    QPointer<PreviewModesFeature> self(this);
    QTimer::singleShot(scrollSyncDelayMs, this, [self] {
        if (!self)
            return;
        self->m_scrollScheduled = false;
        if (self->m_mode == PreviewMode::split && self->m_view)
            self->m_view->scrollToLine(self->topVisibleLine());
    });
}

int PreviewModesFeature::topVisibleLine() const
{
    if (!m_window)
        return 1;
    for (const auto& paragraph : m_window->textView()->visibleParagraphs()) {
        if (paragraph.top + paragraph.height > 0)
            return paragraph.line + 1;
    }
    return 1;
}

void PreviewModesFeature::bodyWasTaken(BodyClaim)
{
    turnPreviewOff();
}

void PreviewModesFeature::contributeCommandState(CommandStateInputs& inputs) const
{
    inputs.canShowPreview = canShowPreview();
    switch (m_mode) {
    case PreviewMode::off:
        inputs.preview = CommandStateInputs::Preview::none;
        break;
    case PreviewMode::split:
        inputs.preview = CommandStateInputs::Preview::split;
        break;
    case PreviewMode::only:
        inputs.preview = CommandStateInputs::Preview::only;
        break;
    }
}

bool PreviewModesFeature::respondsToAction(std::string_view action) const
{
    return action == "togglePreviewSplit:" || action == "togglePreviewOnly:";
}

bool PreviewModesFeature::validateAction(std::string_view action,
                                         const EditorKit::ActionSender&) const
{
    if (!m_window)
        return false;
    const char* id = action == "togglePreviewSplit:" ? "view.previewSplit" : "view.previewOnly";
    return m_window->commandState(EditorCommands::CommandID{id}).enabled;
}

void PreviewModesFeature::performAction(std::string_view action, const EditorKit::ActionSender&)
{
    if (action == "togglePreviewSplit:")
        togglePreviewSplit();
    else if (action == "togglePreviewOnly:")
        togglePreviewOnly();
}

} // namespace EditorWindow
