// The preview on the real web engine, offscreen. Each test starts a page (the engine's
// process is shared), so they are kept few.
#include "app/views/MarkdownPreviewView.h"
#include "app/views/PreviewContent.h"
#include "app/views/PreviewRendering.h"
#include "app/views/WebPreviewSurface.h"
#include "tests/app/EventLoopWaits.h"
#include "tests/platform/TemporaryFolder.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <QWebEngineScript>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <unistd.h>

using EditorViews::MarkdownPreviewView;
using EditorViews::PreviewSource;
using EditorViews::PreviewSurface;
using EditorViews::WebPreviewSurface;
namespace PreviewContent = EditorViews::PreviewContent;
namespace fs = std::filesystem;

namespace {

// The preview reads a snapshot of the text.
EditorCore::TextSnapshot snapshotOf(const QString& text)
{
    return EditorCore::ChunkedText(
               std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                   static_cast<std::size_t>(text.size())))
        .snapshot();
}

constexpr int timeoutMs = 30000;

std::unique_ptr<PreviewSurface> makeWebSurface(QWidget* parent)
{
    return std::make_unique<WebPreviewSurface>(parent, PreviewSurface::Rules::standard());
}

WebPreviewSurface& web(const MarkdownPreviewView& view)
{
    return dynamic_cast<WebPreviewSurface&>(*view.surface());
}

template<class Predicate>
bool waitFor(Predicate predicate, int ms = timeoutMs)
{
    return QTest::qWaitFor(predicate, ms);
}

QVariant evaluate(MarkdownPreviewView& view, const QString& script)
{
    QVariant result;
    bool done = false;
    web(view).page()->runJavaScript(script, QWebEngineScript::ApplicationWorld, [&](const QVariant& v) {
        result = v;
        done = true;
    });
    waitFor([&] { return done; });
    return result;
}

// A shown view whose source is `text` in `folder`, rendered once and loaded.
struct ShownPreview
{
    MarkdownPreviewView view{makeWebSurface};
    PreviewSource source;

    explicit ShownPreview(const QString& text, std::optional<fs::path> folder = std::nullopt)
    {
        source = {snapshotOf(text), std::move(folder)};
        view.resize(600, 400);
        view.show();
        view.setSource([this] { return source; });
        view.scheduleRender(true);
    }
    // The article holds something (the first render went in).
    bool waitForArticle()
    {
        if (!waitFor([&] { return view.rendering().isLoaded(); }))
            return false;
        return waitFor([&] {
            return evaluate(view,
                            QStringLiteral("document.getElementById('content').childElementCount"))
                       .toInt()
                   > 0;
        });
    }
};

long residentKilobytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    }
    return 0;
}

} // namespace

// Without its engine (a module missing beside the application) the preview says so and its
// renders go nowhere; the window keeps working.
TEST(MarkdownPreviewView, aMissingEngineLeavesALineThatSaysSo)
{
    QString error;
    QWidget parent;
    EXPECT_EQ(EditorViews::loadWebPreviewSurface(&parent, &error, QStringLiteral("/nonexistent/x.so")),
              nullptr);
    EXPECT_TRUE(error.contains(QStringLiteral("/nonexistent/x.so"))) << error.toStdString();

    MarkdownPreviewView view([](QWidget*) { return std::unique_ptr<PreviewSurface>(); });
    EXPECT_EQ(view.surface(), nullptr);
    const auto labels = view.findChildren<QLabel*>();
    ASSERT_EQ(labels.size(), 1);
    EXPECT_FALSE(labels.front()->text().isEmpty());
    view.resize(400, 300);
    view.show();
    view.setSource([] {
        return PreviewSource{snapshotOf(QStringLiteral("# Title")), std::nullopt};
    });
    view.scheduleRender(true);
    view.scrollToLine(3);
    // The immediate render has had its turn.
    ASSERT_TRUE(OlvTests::waitPastTimersOf(std::chrono::milliseconds(0)));
    EXPECT_FALSE(view.rendering().isLoaded());
}

TEST(MarkdownPreviewView, aLargeArticlePutInByScriptReadsBackWhole)
{
    ShownPreview preview(QStringLiteral("start"));
    ASSERT_TRUE(preview.waitForArticle());
    // 3 MiB of text with everything a string literal must escape, well over setHtml's limit.
    QString text;
    const QString piece = QStringLiteral("한글 😀 \"quotes\" \\back\\ \u2028 line\nbreak ");
    while (text.size() < 3 * 1024 * 1024)
        text += piece;
    QString escaped = text.toHtmlEscaped();
    // In pieces, one per turn, some cut right after a surrogate pair's first half would be;
    // hidden, since laying out 100,000 lines is not what is tested.
    const QStringList scripts = PreviewContent::articleScripts(
        QStringLiteral("<pre id=\"big\" hidden>") + escaped + QStringLiteral("</pre>"));
    ASSERT_GT(scripts.size(), 10);
    preview.view.rendering().show(scripts);
    ASSERT_TRUE(waitFor([&] {
        return evaluate(preview.view, QStringLiteral("!!document.getElementById('big')")).toBool();
    }));
    EXPECT_EQ(evaluate(preview.view, QStringLiteral("document.getElementById('big').textContent"))
                  .toString(),
              text);
    EXPECT_EQ(web(preview.view).page()->url(), PreviewContent::baseURL())
        << "updated in place, no navigation";
}

TEST(MarkdownPreviewView, relativeImagesComeFromTheDocumentsFolderOnly)
{
    TemporaryFolder temporary;
    const fs::path folder = temporary.path() / "notes";
    fs::create_directories(folder / "pics");
    QImage image(5, 3, QImage::Format_RGB32);
    image.fill(Qt::red);
    ASSERT_TRUE(image.save(QString::fromStdString((folder / "pics" / "a.png").string())));
    ASSERT_TRUE(image.save(QString::fromStdString((temporary.path() / "outside.png").string())));

    ShownPreview preview(QStringLiteral("![a](pics/a.png)\n\n![b](../outside.png)\n"), folder);
    ASSERT_TRUE(preview.waitForArticle());
    const QString widths = QStringLiteral(
        "Array.from(document.images).map(i => i.complete + ':' + i.naturalWidth).join(' ')");
    EXPECT_TRUE(waitFor([&] {
        return evaluate(preview.view, widths).toString() == QStringLiteral("true:5 true:0");
    })) << evaluate(preview.view, widths).toString().toStdString();

    // An untitled document serves nothing (a new URL, so the engine's cache cannot answer).
    preview.source = {snapshotOf(QStringLiteral("![a](pics/a.png?untitled)\n")), std::nullopt};
    preview.view.scheduleRender(true);
    EXPECT_TRUE(waitFor([&] {
        return evaluate(preview.view, QStringLiteral("document.images[0].src"))
                   .toString()
                   .endsWith(QStringLiteral("?untitled"))
               && evaluate(preview.view, widths).toString() == QStringLiteral("true:0");
    })) << evaluate(preview.view, widths).toString().toStdString();
    EXPECT_FALSE(web(preview.view).folder()->root());
}

TEST(MarkdownPreviewView, scriptsInTheMarkdownDoNotRun)
{
    ShownPreview preview(
        QStringLiteral("# Title\n\n<script>document.title = 'script';</script>\n\n"
                       "<img src=\"missing.png\" onerror=\"document.title = 'onerror'\">\n\n"
                       "<a id=\"link\" href=\"#\" onclick=\"document.title = 'click'\">x</a>\n"));
    ASSERT_TRUE(preview.waitForArticle());
    ASSERT_TRUE(waitFor([&] {
        return evaluate(
                   preview.view,
                   QStringLiteral("document.images.length ? document.images[0].complete : false"))
            .toBool();
    }));
    // A click's handler would run inside click() itself: the next script already sees its effect.
    evaluate(preview.view, QStringLiteral("document.getElementById('link').click()"));
    EXPECT_EQ(evaluate(preview.view, QStringLiteral("document.title")).toString(), QString());
    EXPECT_EQ(evaluate(preview.view, QStringLiteral("document.images[0].getAttribute('onerror')"))
                  .toString(),
              QStringLiteral("document.title = 'onerror'"))
        << "the raw HTML is there; only its scripts are off";
}

TEST(MarkdownPreviewView, scrollsToTheBlockOfASourceLine)
{
    // A paragraph over lines 10 to 14, with enough text around it to scroll.
    QString text;
    for (int line = 1; line <= 7; line += 2)
        text += QStringLiteral("Paragraph at %1.\n\n").arg(line);
    text += QStringLiteral("\nten\neleven\ntwelve\nthirteen\nfourteen\n\n");
    for (int line = 16; line < 200; line += 2)
        text += QStringLiteral("Paragraph at %1.\n\n").arg(line);
    ShownPreview preview(text);
    ASSERT_TRUE(preview.waitForArticle());

    preview.view.scrollToLine(12);
    const QString expected =
        QStringLiteral("(function(){var p=Array.from(document.querySelectorAll('p')).find("
                       "e=>e.getAttribute('data-sourcepos').startsWith('10:'));"
                       "return p.getBoundingClientRect().top;})()");
    // Within the pixel that rounding the scroll offset takes.
    EXPECT_TRUE(waitFor([&] {
        return std::abs(evaluate(preview.view, expected).toDouble() - 8) < 1;
    })) << evaluate(preview.view, expected).toDouble();
    EXPECT_GT(evaluate(preview.view, QStringLiteral("window.scrollY")).toDouble(), 100);
    preview.view.scrollToLine(1);
    EXPECT_TRUE(waitFor(
        [&] { return evaluate(preview.view, QStringLiteral("window.scrollY")).toInt() == 0; }));
}

TEST(MarkdownPreviewView, theContextMenuOffersNoReload)
{
    ShownPreview preview(QStringLiteral("Some text to click beside."));
    ASSERT_TRUE(preview.waitForArticle());
    QWidget* surface = web(preview.view).webView()->focusProxy();
    ASSERT_NE(surface, nullptr);
    QMenu* menu = nullptr;
    ASSERT_TRUE(waitFor(
        [&] {
            QTest::mouseClick(surface, Qt::RightButton, {}, QPoint(300, 300));
            return QTest::qWaitFor(
                [&] {
                    for (QWidget* widget : QApplication::topLevelWidgets()) {
                        if (auto* shown = qobject_cast<QMenu*>(widget); shown && shown->isVisible())
                            menu = shown;
                    }
                    return menu != nullptr;
                },
                500);
        },
        10000));
    const QList<QAction*> actions = menu->actions();
    EXPECT_FALSE(actions.contains(web(preview.view).webView()->pageAction(QWebEnginePage::Reload)));
    EXPECT_FALSE(
        actions.contains(web(preview.view).webView()->pageAction(QWebEnginePage::ReloadAndBypassCache)));
    EXPECT_TRUE(actions.contains(web(preview.view).webView()->pageAction(QWebEnginePage::Back)))
        << "the rest of the standard menu stays";
    menu->close();
}

TEST(MarkdownPreviewView, aHugeImageFileLeavesTheWindowResponsive)
{
    TemporaryFolder temporary;
    const fs::path folder = temporary.path();
    {
        // 2 GB without its blocks: what a whole read would bring into memory.
        QFile big(QString::fromStdString((folder / "big.png").string()));
        ASSERT_TRUE(big.open(QIODevice::WriteOnly));
        ASSERT_TRUE(big.resize(2'000'000'000LL));
    }
    const long residentBefore = residentKilobytes();
    ShownPreview preview(QStringLiteral("![big](big.png)\n\ntext\n"), folder);

    // The longest the main thread went without running a 10 ms timer while the page took it.
    QElapsedTimer clock;
    clock.start();
    qint64 last = 0;
    qint64 longestGap = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        longestGap = std::max(longestGap, now - last);
        last = now;
    });
    ASSERT_TRUE(preview.waitForArticle());
    last = clock.elapsed();
    ticker.start(10);
    // The page did ask for the file: its image has ended (as an image that cannot be shown).
    // The ticker runs until then, so the gaps cover the whole time the page took the file.
    const bool ended = waitFor([&] {
        return evaluate(preview.view,
                        QStringLiteral(
                            "document.images[0].complete + ':' + document.images[0].naturalWidth"))
                   .toString()
               == QStringLiteral("true:0");
    });
    ticker.stop();
    EXPECT_LT(longestGap, 500) << "ms without an event-loop turn";
    EXPECT_TRUE(ended);
    EXPECT_LT(residentKilobytes() - residentBefore, 400 * 1024) << "kB more resident";
}

TEST(MarkdownPreviewView, thePageTakesTheColoursOfTheApplicationsTheme)
{
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(30, 30, 30));
    dark.setColor(QPalette::WindowText, Qt::white);
    MarkdownPreviewView* view = nullptr;
    {
        ShownPreview preview(QStringLiteral("text"));
        preview.view.setPalette(dark);
        ASSERT_TRUE(preview.waitForArticle());
        view = &preview.view;
        const QString foreground = QStringLiteral(
            "getComputedStyle(document.documentElement).getPropertyValue('--fg').trim()");
        EXPECT_EQ(evaluate(*view, foreground).toString(), QStringLiteral("#e6edf3"));
        // The engine itself keeps to light: the reason the colours are written in.
        EXPECT_FALSE(
            evaluate(*view, QStringLiteral("matchMedia('(prefers-color-scheme: dark)').matches"))
                .toBool());
        preview.view.setPalette(QPalette(QColor(240, 240, 240)));
        EXPECT_TRUE(waitFor(
            [&] { return evaluate(*view, foreground).toString() == QStringLiteral("#1f2328"); }));
    }
}

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // The engine refuses to start its sandbox as root.
    if (::geteuid() == 0)
        setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 1);
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
