#include "app/views/PreviewContent.h"
#include "app/views/PreviewRendering.h"
#include "tests/platform/TemporaryFolder.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <fstream>
#include <memory>

using EditorViews::PreviewRendering;
using EditorViews::PreviewSource;
namespace PreviewContent = EditorViews::PreviewContent;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

// The preview reads a snapshot of the text.
EditorCore::TextSnapshot snapshotOf(const QString& text)
{
    return EditorCore::ChunkedText(
               std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                   static_cast<std::size_t>(text.size())))
        .snapshot();
}

// Main-queue delays on a clock the test moves.
class FakeTimers
{
public:
    std::function<void()> after(std::chrono::milliseconds delay, std::function<void()> work)
    {
        auto entry = std::make_shared<Entry>(Entry{m_now + delay, std::move(work), false});
        m_entries.push_back(entry);
        return [entry] { entry->cancelled = true; };
    }
    void advance(std::chrono::milliseconds by)
    {
        const auto until = m_now + by;
        for (;;) {
            std::shared_ptr<Entry> next;
            for (const auto& entry : m_entries) {
                if (!entry->cancelled && !entry->ran && entry->due <= until
                    && (!next || entry->due < next->due))
                    next = entry;
            }
            if (!next)
                break;
            m_now = next->due;
            next->ran = true;
            next->work();
        }
        m_now = until;
    }

private:
    struct Entry
    {
        std::chrono::milliseconds due;
        std::function<void()> work;
        bool cancelled = false;
        bool ran = false;
    };
    std::chrono::milliseconds m_now{0};
    std::vector<std::shared_ptr<Entry>> m_entries;
};

struct Harness
{
    FakeTimers timers;
    std::vector<std::function<void()>> jobs;
    std::vector<std::string> pageCalls;
    std::vector<std::u16string> converted;
    std::vector<std::optional<fs::path>> roots;
    PreviewSource source{snapshotOf(QStringLiteral("# one")), std::nullopt};
    std::unique_ptr<PreviewRendering> rendering;

    Harness()
    {
        PreviewRendering::Page page;
        page.loadTemplate = [this] { pageCalls.push_back("load"); };
        page.runScript = [this](const QString& script) {
            pageCalls.push_back("script " + script.left(60).toStdString());
        };
        page.setRoot = [this](const std::optional<fs::path>& folder) { roots.push_back(folder); };
        PreviewRendering::Services services;
        services.convert = [this](std::u16string_view text) {
            converted.emplace_back(text);
            // Whatever the text, a short result naming it.
            return "<p>"
                   + QString::fromStdU16String(std::u16string(text.substr(0, 20))).toStdString()
                   + "</p>";
        };
        services.after = [this](std::chrono::milliseconds delay, std::function<void()> work) {
            return timers.after(delay, std::move(work));
        };
        services.worker = [this](std::function<void()> job) { jobs.push_back(std::move(job)); };
        services.tooLargeMessage = QStringLiteral("too large");
        rendering = std::make_unique<PreviewRendering>(std::move(page), std::move(services));
        rendering->setSource([this] { return source; });
    }

    // Runs the converter jobs in the given order and delivers their results.
    void runJobs(std::vector<std::size_t> order = {})
    {
        if (order.empty())
            for (std::size_t i = 0; i < jobs.size(); ++i)
                order.push_back(i);
        for (std::size_t i : order)
            jobs[i]();
        jobs.clear();
        QCoreApplication::processEvents();
    }
};

std::string articleCall(const QString& html)
{
    return "script " + PreviewContent::articleScript(html).left(60).toStdString();
}

} // namespace

TEST(PreviewRendering, editsInQuickSuccessionRenderOnceAfterTheTypingPauses)
{
    Harness h;
    h.rendering->scheduleRender(false);
    h.timers.advance(100ms);
    h.rendering->scheduleRender(false);
    h.timers.advance(100ms);
    h.rendering->scheduleRender(false);
    h.timers.advance(149ms);
    EXPECT_TRUE(h.jobs.empty()) << "0.15 s after the last edit, not before";
    h.timers.advance(1ms);
    ASSERT_EQ(h.jobs.size(), 1u);
    h.runJobs();
    EXPECT_EQ(h.converted.size(), 1u);
    EXPECT_EQ(h.pageCalls, (std::vector<std::string>{"load"}));

    // A render asked for at once does not wait.
    h.rendering->pageDidLoad();
    h.rendering->scheduleRender(true);
    h.timers.advance(0ms);
    EXPECT_EQ(h.jobs.size(), 1u);
}

TEST(PreviewRendering, aStaleResultIsDroppedAfterItsConversionRan)
{
    Harness h;
    h.rendering->pageDidLoad();
    h.source.text = snapshotOf(QStringLiteral("older"));
    h.rendering->scheduleRender(true);
    h.timers.advance(0ms);
    h.source.text = snapshotOf(QStringLiteral("newer"));
    h.rendering->scheduleRender(true);
    h.timers.advance(0ms);
    ASSERT_EQ(h.jobs.size(), 2u);
    // The newer conversion finishes first; the older one still runs to its end.
    h.runJobs({1, 0});
    EXPECT_EQ(h.converted, (std::vector<std::u16string>{u"newer", u"older"}));
    EXPECT_EQ(h.pageCalls, (std::vector<std::string>{articleCall(QStringLiteral("<p>newer</p>"))}));

    // A result still under way when a newer render is scheduled is dropped as well.
    h.pageCalls.clear();
    h.rendering->scheduleRender(true);
    h.timers.advance(0ms);
    h.rendering->scheduleRender(false);
    h.runJobs();
    EXPECT_TRUE(h.pageCalls.empty());
}

TEST(PreviewRendering, contentAndScrollBeforeTheLoadAreAppliedWhenItEndsContentFirst)
{
    Harness h;
    h.source.text = snapshotOf(QStringLiteral("first"));
    h.rendering->scheduleRender(true);
    h.timers.advance(0ms);
    h.runJobs();
    h.rendering->scrollToLine(7);
    h.rendering->scrollToLine(12);
    // A second result during the load replaces the first and starts no second load.
    h.source.text = snapshotOf(QStringLiteral("second"));
    h.rendering->scheduleRender(true);
    h.timers.advance(0ms);
    h.runJobs();
    EXPECT_EQ(h.pageCalls, (std::vector<std::string>{"load"}));
    EXPECT_TRUE(h.rendering->pendingArticle().has_value());
    EXPECT_EQ(h.rendering->pendingLine(), 12);

    h.rendering->pageDidLoad();
    EXPECT_EQ(h.pageCalls,
              (std::vector<std::string>{
                  "load",
                  articleCall(QStringLiteral("<p>second</p>")),
                  "script " + PreviewContent::scrollScript(12).left(60).toStdString()}));
    EXPECT_FALSE(h.rendering->pendingArticle().has_value());
    EXPECT_FALSE(h.rendering->pendingLine().has_value());

    // Once loaded, both go to the page at once.
    h.pageCalls.clear();
    h.rendering->scrollToLine(3);
    EXPECT_EQ(h.pageCalls.size(), 1u);
}

TEST(PreviewRendering, aLongArticleGoesInPieceByPieceAndANewerOneStopsIt)
{
    Harness h;
    h.rendering->pageDidLoad();
    const QString html(PreviewContent::articlePieceLength * 3, QLatin1Char('x'));
    const QStringList scripts = PreviewContent::articleScripts(html);
    ASSERT_EQ(scripts.size(), 4) << "three pieces and the one that puts them in";
    h.rendering->show(scripts);
    h.rendering->scrollToLine(40);
    EXPECT_EQ(h.pageCalls.size(), 1u) << "one piece per turn";
    h.timers.advance(0ms);
    h.timers.advance(0ms);
    h.timers.advance(0ms);
    ASSERT_EQ(h.pageCalls.size(), 5u);
    EXPECT_EQ(h.pageCalls[3], "script " + scripts[3].left(60).toStdString());
    EXPECT_EQ(h.pageCalls[4], "script " + PreviewContent::scrollScript(40).left(60).toStdString())
        << "the scroll waits for the whole article";

    // A newer article in the middle: the rest of the older one never goes in.
    h.pageCalls.clear();
    h.rendering->show(scripts);
    h.rendering->show({PreviewContent::articleScript(u"<p>new</p>")});
    h.timers.advance(0ms);
    h.timers.advance(0ms);
    EXPECT_EQ(h.pageCalls,
              (std::vector<std::string>{"script " + scripts[0].left(60).toStdString(),
                                        articleCall(QStringLiteral("<p>new</p>"))}));
}

TEST(PreviewRendering, textsBeyondTheCapShowTheMessageInsteadOfConverting)
{
    Harness h;
    h.rendering->pageDidLoad();
    const QString message = QStringLiteral("too large");
    struct Case
    {
        const char* name;
        qsizetype length;
        bool converts;
    };
    for (const Case& c :
         {Case{"exactly the cap", PreviewContent::maximumConvertedLength, true},
          Case{"one unit more", PreviewContent::maximumConvertedLength + 1, false}}) {
        SCOPED_TRACE(c.name);
        h.converted.clear();
        h.pageCalls.clear();
        h.source.text = snapshotOf(QString(c.length, QLatin1Char('a')));
        h.rendering->scheduleRender(true);
        h.timers.advance(0ms);
        h.runJobs();
        EXPECT_EQ(h.converted.size(), c.converts ? 1u : 0u);
        ASSERT_EQ(h.pageCalls.size(), 1u);
        EXPECT_EQ(h.pageCalls[0] == articleCall(QStringLiteral("<p><em>too large</em></p>")),
                  !c.converts);
    }
}

TEST(PreviewRendering, theServedFolderFollowsTheDocumentAtEveryRender)
{
    Harness h;
    h.source.folder = fs::path("/docs/a");
    h.rendering->scheduleRender(true);
    h.timers.advance(0ms);
    h.source.folder = std::nullopt;
    h.rendering->scheduleRender(false);
    h.timers.advance(150ms);
    EXPECT_EQ(h.roots, (std::vector<std::optional<fs::path>>{fs::path("/docs/a"), std::nullopt}));
}

TEST(PreviewContent, navigationPolicy)
{
    using PreviewContent::Navigation;
    using PreviewContent::NavigationDecision;
    struct Case
    {
        const char* name;
        const char* url;
        Navigation kind;
        NavigationDecision expected;
    };
    const Case cases[] = {
        {"anchor on the page", "memo-doc://doc/#usage", Navigation::linkActivated, {true, false}},
        {"https link", "https://example.org/a", Navigation::linkActivated, {false, true}},
        {"http link, capitals", "HTTP://example.org/", Navigation::linkActivated, {false, true}},
        {"mail link", "mailto:someone@example.org", Navigation::linkActivated, {false, true}},
        {"ftp link", "ftp://example.org/f", Navigation::linkActivated, {false, false}},
        {"another Markdown file",
         "memo-doc://doc/other.md",
         Navigation::linkActivated,
         {false, false}},
        {"a file's anchor", "memo-doc://doc/other.md#x", Navigation::linkActivated, {false, false}},
        {"file URL", "file:///etc/passwd", Navigation::linkActivated, {false, false}},
        {"javascript URL", "javascript:alert(1)", Navigation::linkActivated, {false, false}},
        {"link without URL", "", Navigation::linkActivated, {false, false}},
        {"the view's own load", "data:text/html,x", Navigation::ownLoad, {true, false}},
        {"reload, history, forms, redirects", "memo-doc://doc/", Navigation::other, {false, false}},
        {"other navigation to the web", "https://example.org/", Navigation::other, {false, false}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto decision =
            PreviewContent::decideNavigation(QUrl(QString::fromUtf8(c.url)), c.kind);
        EXPECT_EQ(decision.allow, c.expected.allow);
        EXPECT_EQ(decision.openExternally, c.expected.openExternally);
    }
}

TEST(PreviewContent, servesOnlyRegularPathsInsideTheDocumentsFolder)
{
    TemporaryFolder temporary;
    const fs::path root = temporary.path() / "doc folder";
    fs::create_directories(root / "pics");
    std::ofstream(root / "pics" / "a.png") << "png";
    std::ofstream(root / "pics" / "a b.png") << "png";
    std::ofstream(temporary.path() / "secret.txt") << "secret";
    fs::create_symlink(temporary.path() / "secret.txt", root / "out.txt");
    fs::create_symlink(root / "pics" / "a.png", root / "in.png");
    const fs::path canonicalRoot = fs::canonical(root);

    struct Case
    {
        const char* name;
        std::optional<fs::path> root;
        const char* url;
        std::optional<fs::path> expected;
    };
    const Case cases[] = {
        {"image in a subfolder", root, "memo-doc://doc/pics/a.png", canonicalRoot / "pics/a.png"},
        {"escaped space", root, "memo-doc://doc/pics/a%20b.png", canonicalRoot / "pics/a b.png"},
        {"parent components", root, "memo-doc://doc/../secret.txt", std::nullopt},
        {"parent components encoded twice",
         root,
         "memo-doc://doc/%252e%252e/secret.txt",
         std::nullopt},
        {"symbolic link out of the folder", root, "memo-doc://doc/out.txt", std::nullopt},
        {"symbolic link inside the folder",
         root,
         "memo-doc://doc/in.png",
         canonicalRoot / "pics/a.png"},
        {"the folder itself", root, "memo-doc://doc/", std::nullopt},
        {"the folder by name", root, "memo-doc://doc/pics/..", std::nullopt},
        {"untitled document", std::nullopt, "memo-doc://doc/pics/a.png", std::nullopt},
        {"no URL", root, "", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(PreviewContent::servedFile(c.root, QUrl(QString::fromUtf8(c.url))), c.expected);
    }

    EXPECT_EQ(PreviewContent::mimeType(root / "pics" / "a.png"), "image/png");
    EXPECT_EQ(PreviewContent::mimeType(root / "data.qqqunknown"), "application/octet-stream");
    EXPECT_EQ(PreviewContent::mimeType(root / "LICENSE-no-extension"), "application/octet-stream");
}

TEST(PreviewContent, thePageKeepsScriptsOutAndCarriesTheThemesColours)
{
    for (auto appearance : {EditorViews::Appearance::light, EditorViews::Appearance::dark}) {
        const QString page = PreviewContent::htmlTemplate(appearance);
        EXPECT_TRUE(page.contains(QStringLiteral("content=\"default-src 'none'; img-src * data: "
                                                 "memo-doc:; style-src 'unsafe-inline'\"")));
        EXPECT_TRUE(page.contains(QStringLiteral("<article id=\"content\"></article>")));
        const bool dark = appearance == EditorViews::Appearance::dark;
        EXPECT_EQ(page.contains(QStringLiteral("--fg: #e6edf3;")), dark);
        EXPECT_EQ(page.contains(QStringLiteral("--fg: #1f2328;")), !dark);
    }
    // Everything that would end or bend a string literal is escaped.
    EXPECT_EQ(PreviewContent::javaScriptString(u"a\"b\\c\nd\r\u2028\u2029\u0001</p>"),
              QStringLiteral("\"a\\\"b\\\\c\\nd\\r\\u2028\\u2029\\u0001</p>\""));
}
