#include "app/views/MarkdownPreviewView.h"

#include "app/kit/Localized.h"
#include "app/views/EditorColors.h"
#include "app/views/PreviewContent.h"
#include "app/views/PreviewRendering.h"
#include "features/MarkdownHTML.h"
#include "platform/SerialQueue.h"

#include <QEvent>
#include <QLabel>
#include <QPointer>
#include <QTimer>
#include <QVBoxLayout>

namespace EditorViews {
namespace {

// Conversions of every preview, one after another (the converter serialises them anyway).
// Never destroyed: a conversion still running at exit must not be joined.
Platform::SerialQueue& conversionQueue()
{
    static auto* queue = new Platform::SerialQueue("app.orlune.viewer.preview");
    return *queue;
}

std::function<void()>
afterDelay(QObject* context, std::chrono::milliseconds delay, std::function<void()> work)
{
    auto* timer = new QTimer(context);
    timer->setSingleShot(true);
    QObject::connect(timer, &QTimer::timeout, context, [timer, work = std::move(work)] {
        timer->deleteLater();
        work();
    });
    timer->start(delay);
    QPointer<QTimer> pending(timer);
    return [pending] {
        if (pending) {
            pending->stop();
            pending->deleteLater();
        }
    };
}

} // namespace

// MARK: preview view

MarkdownPreviewView::MarkdownPreviewView(QWidget* parent)
    : MarkdownPreviewView(
          [](QWidget* surfaceParent) {
              QString error;
              auto surface = loadWebPreviewSurface(surfaceParent, &error);
              if (!surface)
                  qWarning("preview: %s", qUtf8Printable(error));
              return surface;
          },
          parent)
{
}

MarkdownPreviewView::MarkdownPreviewView(const PreviewSurfaceMaker& makeSurface, QWidget* parent)
    : MarkdownPreview(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_surface = makeSurface ? makeSurface(this) : nullptr;
    if (m_surface) {
        layout->addWidget(m_surface->widget());
    } else {
        auto* unavailable = new QLabel(EditorKit::localized("미리 보기를 불러오지 못했어요."), this);
        unavailable->setAlignment(Qt::AlignCenter);
        unavailable->setWordWrap(true);
        layout->addWidget(unavailable);
    }

    QPointer<MarkdownPreviewView> self(this);
    PreviewRendering::Page page;
    page.loadTemplate = [self] {
        if (self && self->m_surface)
            self->m_surface->loadTemplate(
                PreviewContent::htmlTemplate(appearanceOf(self->palette())));
    };
    page.runScript = [self](const QString& script) {
        if (self && self->m_surface)
            self->m_surface->runScript(script);
    };
    page.setRoot = [self](const std::optional<std::filesystem::path>& folder) {
        if (self && self->m_surface)
            self->m_surface->setRoot(folder);
    };
    PreviewRendering::Services services;
    services.convert = &EditorFeatures::MarkdownHTML::render;
    services.worker = [](std::function<void()> job) { conversionQueue().async(std::move(job)); };
    services.tooLargeMessage =
        EditorKit::localized("글이 너무 커서(5MB 넘음) 미리 보기를 멈췄어요.");
    // The timers are the view's children, so none fires after it is gone.
    services.after = [this](std::chrono::milliseconds delay, std::function<void()> work) {
        return afterDelay(this, delay, std::move(work));
    };
    m_rendering = new PreviewRendering(std::move(page), std::move(services), this);
    if (m_surface) {
        m_surface->didLoad = [self] {
            if (!self)
                return;
            self->m_rendering->pageDidLoad();
            emit self->pageLoaded();
        };
    }
}

MarkdownPreviewView::~MarkdownPreviewView()
{
    // The surface (its page and profile) before the children it shares with the view.
    m_surface.reset();
}

void MarkdownPreviewView::setSource(Source source)
{
    m_rendering->setSource(std::move(source));
}

void MarkdownPreviewView::scheduleRender(bool immediately)
{
    m_rendering->scheduleRender(immediately);
}

void MarkdownPreviewView::scrollToLine(int line)
{
    m_rendering->scrollToLine(line);
}

void MarkdownPreviewView::changeEvent(QEvent* event)
{
    MarkdownPreview::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && m_surface && m_rendering
        && m_rendering->isLoaded())
        m_surface->runScript(PreviewContent::appearanceScript(appearanceOf(palette())));
}

} // namespace EditorViews
