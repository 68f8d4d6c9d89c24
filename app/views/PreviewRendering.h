#pragma once

#include "app/views/MarkdownPreview.h"
#include "app/views/PreviewContent.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace EditorViews {

// When the preview converts, where, which result it shows and how the page is fed: renders
// are debounced, numbered, converted off the main thread, and put into the page's article by
// script once the template has loaded (earlier results and scroll requests wait for the load,
// content first). The web view supplies the page; tests supply fakes for it, the timer, the
// worker and the converter. Main thread only, except the converter.
class PreviewRendering : public QObject
{
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds typingDelay{150};

    // What the rendering drives of the page.
    struct Page
    {
        // Starts the one load of the template (with an empty article).
        std::function<void()> loadTemplate;
        // Runs one of the view's own scripts in the loaded page, ignoring its result.
        std::function<void(const QString& script)> runScript;
        // The folder the page's "memo-doc" files come from (none: serve nothing).
        std::function<void(const std::optional<std::filesystem::path>& folder)> setRoot;
    };
    struct Services
    {
        // Markdown to UTF-8 HTML; called off the main thread.
        std::function<std::string(std::u16string_view)> convert;
        // Runs `work` on the main thread after `delay`; the returned function cancels it.
        std::function<std::function<void()>(std::chrono::milliseconds delay,
                                            std::function<void()> work)>
            after;
        // Runs `job` off the main thread.
        std::function<void(std::function<void()> job)> worker;
        // The message shown instead of a text too long to convert.
        QString tooLargeMessage;
    };

    PreviewRendering(Page page, Services services, QObject* parent = nullptr);
    ~PreviewRendering() override;

    void setSource(MarkdownPreview::Source source) { m_source = std::move(source); }
    void scheduleRender(bool immediately);
    void scrollToLine(int line);
    // The template finished loading.
    void pageDidLoad();

    bool isLoaded() const { return m_loaded; }
    std::uint64_t renderGeneration() const { return m_generation; }
    // A result (as its scripts) or a scroll request waiting for the load.
    const std::optional<QStringList>& pendingArticle() const { return m_pendingArticle; }
    const std::optional<int>& pendingLine() const { return m_pendingLine; }

    // The scripts that put the HTML of `markdown` into the article, as a render makes them off
    // the main thread (the benchmark measures what is left for the main thread).
    static QStringList
    articleScriptsFor(std::u16string_view markdown,
                      const std::function<std::string(std::u16string_view)>& convert,
                      const QString& tooLargeMessage,
                      qsizetype pieceLength = PreviewContent::articlePieceLength);
    // Puts a converted article on the page: now, or when the template has loaded. Its scripts
    // run one per turn; a newer article stops the rest of an older one.
    void show(QStringList articleScripts);

private:
    void render(std::uint64_t generation);
    void deliver(QStringList scripts);
    void deliverPiece(std::uint64_t delivery, QStringList scripts, qsizetype next);

    Page m_page;
    Services m_services;
    MarkdownPreview::Source m_source;
    bool m_loaded = false;
    bool m_loadBegun = false;
    std::optional<QStringList> m_pendingArticle;
    std::uint64_t m_delivery = 0;
    bool m_delivering = false;
    std::function<void()> m_cancelDelivery;
    std::optional<int> m_pendingLine;
    std::uint64_t m_generation = 0;
    std::function<void()> m_cancelScheduled;
};

} // namespace EditorViews
