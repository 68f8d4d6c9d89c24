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
{}

PreviewRendering::~PreviewRendering()
{
    if (m_cancelScheduled)
        m_cancelScheduled();
    if (m_cancelDelivery)
        m_cancelDelivery();
}

void PreviewRendering::scheduleRender(bool immediately)
{
    if (m_cancelScheduled) {
        m_cancelScheduled();
        m_cancelScheduled = nullptr;
    }
    const std::uint64_t generation = ++m_generation;
    QPointer<PreviewRendering> self(this);
    m_cancelScheduled = m_services.after(immediately ? std::chrono::milliseconds(0) : typingDelay,
                                         [self, generation] {
                                             if (!self)
                                                 return;
                                             self->m_cancelScheduled = nullptr;
                                             self->render(generation);
                                         });
}

QStringList
PreviewRendering::articleScriptsFor(std::u16string_view markdown,
                                    const std::function<std::string(std::u16string_view)>& convert,
                                    const QString& tooLargeMessage,
                                    qsizetype pieceLength)
{
    if (markdown.size() > static_cast<std::size_t>(PreviewContent::maximumConvertedLength))
        return PreviewContent::articleScripts(PreviewContent::tooLargeHTML(tooLargeMessage),
                                              pieceLength);
    const std::string html = convert(markdown);
    return PreviewContent::articleScripts(
        QString::fromUtf8(html.data(), static_cast<qsizetype>(html.size())), pieceLength);
}

void PreviewRendering::render(std::uint64_t generation)
{
    if (!m_source)
        return;
    PreviewSource source = m_source();
    if (m_page.setRoot)
        m_page.setRoot(source.folder);
    // The job owns its snapshot of the text and flattens it there, off the main thread.
    QPointer<PreviewRendering> self(this);
    auto convert = m_services.convert;
    QString message = m_services.tooLargeMessage;
    m_services.worker([self,
                       generation,
                       text = std::move(source.text),
                       convert = std::move(convert),
                       message = std::move(message)] {
        // Past the longest text converted, one unit more says "too large" as well as all.
        const std::u16string markdown = text.text(
            0, std::min<std::int64_t>(text.length(), PreviewContent::maximumConvertedLength + 1));
        auto scripts = std::make_shared<QStringList>(articleScriptsFor(markdown, convert, message));
        // Posted to the application, since the rendering may go meanwhile; `self` is read on
        // the main thread only.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, generation, scripts] {
                // A stale conversion ran to its end; only its result is dropped.
                if (self && generation == self->m_generation)
                    self->show(std::move(*scripts));
            },
            Qt::QueuedConnection);
    });
}

void PreviewRendering::show(QStringList articleScripts)
{
    if (m_loaded) {
        deliver(std::move(articleScripts));
        return;
    }
    m_pendingArticle = std::move(articleScripts);
    if (!m_loadBegun) {
        m_loadBegun = true;
        m_page.loadTemplate();
    }
}

void PreviewRendering::deliver(QStringList scripts)
{
    if (m_cancelDelivery) {
        m_cancelDelivery();
        m_cancelDelivery = nullptr;
    }
    m_delivering = true;
    deliverPiece(++m_delivery, std::move(scripts), 0);
}

void PreviewRendering::deliverPiece(std::uint64_t delivery, QStringList scripts, qsizetype next)
{
    if (next < scripts.size())
        m_page.runScript(scripts[next]);
    if (next + 1 < scripts.size()) {
        QPointer<PreviewRendering> self(this);
        m_cancelDelivery =
            m_services.after(std::chrono::milliseconds(0),
                             [self, delivery, scripts = std::move(scripts), next]() mutable {
                                 if (!self || delivery != self->m_delivery)
                                     return;
                                 self->m_cancelDelivery = nullptr;
                                 self->deliverPiece(delivery, std::move(scripts), next + 1);
                             });
        return;
    }
    m_delivering = false;
    // A scroll asked for while the article went in follows it.
    if (m_pendingLine) {
        const int line = *m_pendingLine;
        m_pendingLine.reset();
        m_page.runScript(PreviewContent::scrollScript(line));
    }
}

void PreviewRendering::scrollToLine(int line)
{
    if (!m_loaded || m_delivering) {
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
        QStringList scripts = std::move(*m_pendingArticle);
        m_pendingArticle.reset();
        // The waiting scroll follows the article.
        deliver(std::move(scripts));
        return;
    }
    if (m_pendingLine) {
        const int line = *m_pendingLine;
        m_pendingLine.reset();
        m_page.runScript(PreviewContent::scrollScript(line));
    }
}

} // namespace EditorViews
