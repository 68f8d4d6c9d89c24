#include "app/views/PreviewRendering.h"

#include "app/views/PreviewContent.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>

#include <memory>

namespace EditorViews {

PreviewRendering::PreviewRendering(Page page, Services services, QObject* parent)
    : QObject(parent)
    , m_page(std::move(page))
    , m_services(std::move(services))
{
}

PreviewRendering::~PreviewRendering()
{
    if (m_cancelScheduled)
        m_cancelScheduled();
}

void PreviewRendering::scheduleRender(bool immediately)
{
    if (m_cancelScheduled) {
        m_cancelScheduled();
        m_cancelScheduled = nullptr;
    }
    const std::uint64_t generation = ++m_generation;
    QPointer<PreviewRendering> self(this);
    m_cancelScheduled = m_services.after(
        immediately ? std::chrono::milliseconds(0) : typingDelay, [self, generation] {
            if (!self)
                return;
            self->m_cancelScheduled = nullptr;
            self->render(generation);
        });
}

QString PreviewRendering::articleScriptFor(
    std::u16string_view markdown,
    const std::function<std::string(std::u16string_view)>& convert,
    const QString& tooLargeMessage)
{
    if (markdown.size() > static_cast<std::size_t>(PreviewContent::maximumConvertedLength))
        return PreviewContent::articleScript(PreviewContent::tooLargeHTML(tooLargeMessage));
    const std::string html = convert(markdown);
    return PreviewContent::articleScript(
        QString::fromUtf8(html.data(), static_cast<qsizetype>(html.size())));
}

void PreviewRendering::render(std::uint64_t generation)
{
    if (!m_source)
        return;
    PreviewSource source = m_source();
    if (m_page.setRoot)
        m_page.setRoot(source.folder);
    // The job owns its copy of the text (QString shares it without copying).
    QPointer<PreviewRendering> self(this);
    auto convert = m_services.convert;
    QString message = m_services.tooLargeMessage;
    m_services.worker([self,
                       generation,
                       text = std::move(source.text),
                       convert = std::move(convert),
                       message = std::move(message)] {
        std::u16string_view markdown(reinterpret_cast<const char16_t*>(text.utf16()),
                                     static_cast<std::size_t>(text.size()));
        auto script = std::make_shared<QString>(articleScriptFor(markdown, convert, message));
        // Posted to the application, since the rendering may go meanwhile; `self` is read on
        // the main thread only.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, generation, script] {
                // A stale conversion ran to its end; only its result is dropped.
                if (self && generation == self->m_generation)
                    self->show(*script);
            },
            Qt::QueuedConnection);
    });
}

void PreviewRendering::show(const QString& articleScript)
{
    if (m_loaded) {
        m_page.runScript(articleScript);
        return;
    }
    m_pendingArticle = articleScript;
    if (!m_loadBegun) {
        m_loadBegun = true;
        m_page.loadTemplate();
    }
}

void PreviewRendering::scrollToLine(int line)
{
    if (!m_loaded) {
        m_pendingLine = line;
        return;
    }
    m_page.runScript(PreviewContent::scrollScript(line));
}

void PreviewRendering::pageDidLoad()
{
    if (m_loaded)
        return;
    m_loaded = true;
    if (m_pendingArticle) {
        QString script = std::move(*m_pendingArticle);
        m_pendingArticle.reset();
        m_page.runScript(script);
    }
    if (m_pendingLine) {
        const int line = *m_pendingLine;
        m_pendingLine.reset();
        m_page.runScript(PreviewContent::scrollScript(line));
    }
}

} // namespace EditorViews
