// The preview modes of a window shown offscreen, with a plain widget in place of the web view.
#include "app/kit/ActionRouter.h"
#include "app/kit/HostWindow.h"
#include "app/views/MarkdownPreview.h"
#include "app/views/TextStorage.h"
#include "app/window/DocumentWindowController.h"
#include "app/window/filter/LineFilterFeature.h"
#include "app/window/find/FindReplaceFeature.h"
#include "app/window/hex/HexViewFeature.h"
#include "app/window/hosting/HostWindows.h"
#include "app/window/preview/PreviewModesFeature.h"
#include "app/window/toolband/ToolBand.h"
#include "app/window/toolband/ToolBandFeature.h"
#include "platform/PreferencesDomain.h"
#include "store/Settings.h"
#include "tests/app/EventLoopWaits.h"
#include "tests/app/window/FakeDocument.h"
#include "tests/platform/TemporaryFolder.h"

#include <QCoreApplication>
#include <QScrollBar>
#include <QSplitter>
#include <QTest>

#include <gtest/gtest.h>

#include <fstream>
#include <functional>

using EditorWindow::DocumentWindowController;
using EditorWindow::PreviewMode;
using EditorWindow::PreviewModesFeature;
using WindowTest::FakeDocument;

namespace {

struct PreviewLog
{
    int made = 0;
    int destroyed = 0;
    // true: at once; false: after typing.
    std::vector<bool> renders;
    std::vector<int> scrolls;
    EditorViews::MarkdownPreview::Source source;
};

class FakePreview : public EditorViews::MarkdownPreview
{
public:
    explicit FakePreview(PreviewLog& log)
        : m_log(log)
    {
        ++m_log.made;
    }
    ~FakePreview() override { ++m_log.destroyed; }
    void setSource(Source source) override { m_log.source = std::move(source); }
    void scheduleRender(bool immediately) override { m_log.renders.push_back(immediately); }
    void scrollToLine(int line) override { m_log.scrolls.push_back(line); }

private:
    PreviewLog& m_log;
};

// A window over the fake document with the features a test names, shown at a size where the
// preview fits beside the text.
struct FeatureWindow
{
    TemporaryFolder folder;
    std::unique_ptr<EditorStore::Settings> settings;
    EditorKit::ActionRouter router;
    PreviewLog log;
    FakeDocument document;
    std::unique_ptr<DocumentWindowController> controller;

    explicit FeatureWindow(const QString& text)
        : document(text)
    {
    }
    ~FeatureWindow()
    {
        controller.reset();
        QCoreApplication::processEvents();
    }
    void open(std::function<EditorWindow::WindowFeatureList()> features)
    {
        settings = std::make_unique<EditorStore::Settings>(
            std::make_shared<Platform::PreferencesDomain>(folder / "group-defaults.json"),
            std::map<std::string, std::string>{});
        EditorWindow::WindowEnvironment environment;
        environment.settings = settings.get();
        environment.hosts = std::make_shared<EditorWindow::HostWindows>(router);
        environment.features = std::move(features);
        controller = std::make_unique<DocumentWindowController>(document, router, environment);
        controller->showWindow();
        controller->hostWindow()->resize(1000, 600);
        QCoreApplication::processEvents();
    }
    std::unique_ptr<PreviewModesFeature> makePreview()
    {
        return std::make_unique<PreviewModesFeature>([this](QSize) { return new FakePreview(log); });
    }
};

struct PreviewWindow : FeatureWindow
{
    explicit PreviewWindow(
        const QString& text,
        std::optional<std::filesystem::path> url = std::filesystem::path("/notes/read me.md"),
        bool largeFile = false,
        bool withFilter = false)
        : FeatureWindow(text)
    {
        document.url = std::move(url);
        document.largeFile = largeFile;
        open([this, withFilter] {
            EditorWindow::WindowFeatureList list;
            list.push_back(std::make_unique<EditorWindow::ToolBandFeature>());
            if (withFilter) {
                list.push_back(std::make_unique<EditorWindow::FindReplaceFeature>());
                list.push_back(std::make_unique<EditorWindow::LineFilterFeature>());
            }
            list.push_back(makePreview());
            return list;
        });
    }
    PreviewModesFeature& modes() { return *controller->feature<PreviewModesFeature>(); }
    void send(const char* action) { controller->performAction(action, {}); }
    bool validates(const char* action) const { return controller->validateAction(action, {}); }
};

QString markdownText()
{
    QString text;
    for (int line = 1; line <= 400; ++line)
        text += QStringLiteral("Line %1\n").arg(line);
    return QStringLiteral("# Title\n\n") + text;
}

} // namespace

TEST(PreviewModes, theTogglesMoveBetweenTheModesAndOnlyRemembersWhereItCameFrom)
{
    PreviewWindow w(markdownText());
    PreviewModesFeature& modes = w.modes();
    ASSERT_TRUE(modes.canShowPreview());
    EXPECT_TRUE(w.validates("togglePreviewSplit:"));
    EXPECT_TRUE(w.validates("togglePreviewOnly:"));

    struct Step
    {
        const char* action;
        PreviewMode expected;
    };
    const Step steps[] = {
        {"togglePreviewOnly:", PreviewMode::only},   // from off
        {"togglePreviewOnly:", PreviewMode::off},    // back to off
        {"togglePreviewSplit:", PreviewMode::split}, // split
        {"togglePreviewOnly:", PreviewMode::only},   // from split
        {"togglePreviewOnly:", PreviewMode::split},  // back to split
        {"togglePreviewOnly:", PreviewMode::only},   //
        {"togglePreviewSplit:", PreviewMode::split}, // split from only
        {"togglePreviewSplit:", PreviewMode::off},   // off again
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(std::string(step.action) + " to " + ::testing::PrintToString(step.expected));
        const std::size_t rendersBefore = w.log.renders.size();
        w.send(step.action);
        EXPECT_EQ(modes.previewMode(), step.expected);
        EditorViews::MarkdownPreview* view = modes.previewView();
        if (step.expected == PreviewMode::off) {
            EXPECT_EQ(view, nullptr);
            EXPECT_EQ(w.log.made, w.log.destroyed) << "the view goes with the preview";
            EXPECT_TRUE(w.controller->textView()->isVisible());
            continue;
        }
        ASSERT_NE(view, nullptr);
        EXPECT_EQ(view->parentWidget(), w.controller->bodySplit());
        EXPECT_TRUE(view->isVisible());
        EXPECT_EQ(w.controller->textView()->isVisible(), step.expected == PreviewMode::split);
        ASSERT_EQ(w.log.renders.size(), rendersBefore + 1);
        EXPECT_TRUE(w.log.renders.back()) << "a mode renders at once";
        EXPECT_EQ(w.log.scrolls.back(), 1) << "to the text's top line";
        if (step.expected == PreviewMode::split) {
            const QList<int> sizes = w.controller->bodySplit()->sizes();
            ASSERT_EQ(sizes.size(), 2);
            EXPECT_LE(std::abs(sizes[0] - sizes[1]), 8) << sizes[0] << " " << sizes[1];
            EXPECT_TRUE(w.controller->textView()->hasFocus());
        }
    }
    // Each showing (off to a mode) made a view of its own; changing between modes kept it.
    EXPECT_EQ(w.log.made, 2);
}

TEST(PreviewModes, theTogglesDoNothingWithoutMarkdownOrForALargeFile)
{
    struct Case
    {
        const char* name;
        QString text;
        std::optional<std::filesystem::path> url;
        bool largeFile;
    };
    const Case cases[] = {
        {"plain text",
         QStringLiteral("# not markdown"),
         std::filesystem::path("/a/notes.txt"),
         false},
        {"large Markdown file", markdownText(), std::filesystem::path("/a/big.md"), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PreviewWindow w(c.text, c.url, c.largeFile);
        EXPECT_FALSE(w.modes().canShowPreview());
        EXPECT_FALSE(w.validates("togglePreviewSplit:"));
        EXPECT_FALSE(w.validates("togglePreviewOnly:"));
        w.modes().togglePreviewSplit();
        w.modes().togglePreviewOnly();
        EXPECT_EQ(w.modes().previewMode(), PreviewMode::off);
        EXPECT_EQ(w.log.made, 0);
        // Leaving a refused "only" goes nowhere either.
        w.modes().togglePreviewOnly();
        EXPECT_EQ(w.modes().previewMode(), PreviewMode::off);
    }
}

TEST(PreviewModes, theStatusUpdateTurnsThePreviewOffWhenItIsNoLongerAllowed)
{
    PreviewWindow w(markdownText());
    w.send("togglePreviewSplit:");
    ASSERT_EQ(w.modes().previewMode(), PreviewMode::split);
    w.controller->setLanguageChoice(EditorFeatures::CodeLanguage::plainText);
    QCoreApplication::processEvents();
    EXPECT_EQ(w.modes().previewMode(), PreviewMode::off);
    EXPECT_EQ(w.modes().previewView(), nullptr);

    // Another feature's way to turn it off (the hex view's).
    w.controller->setLanguageChoice(EditorFeatures::CodeLanguage::markdown);
    w.send("togglePreviewOnly:");
    ASSERT_EQ(w.modes().previewMode(), PreviewMode::only);
    w.modes().turnPreviewOff();
    EXPECT_EQ(w.modes().previewMode(), PreviewMode::off);
    EXPECT_TRUE(w.controller->textView()->isVisible());
}

TEST(PreviewModes, thePreviewAndTheLineFilterTakeTheBodyInTurn)
{
    PreviewWindow w(markdownText(), std::filesystem::path("/notes/read me.md"), false, true);
    auto* filter = w.controller->feature<EditorWindow::LineFilterFeature>();
    ASSERT_NE(filter, nullptr);

    w.send("togglePreviewSplit:");
    ASSERT_EQ(w.modes().previewMode(), PreviewMode::split);
    filter->toggleFilter();
    EXPECT_TRUE(filter->isFilterShown());
    EXPECT_EQ(w.modes().previewMode(), PreviewMode::off);
    EXPECT_EQ(w.modes().previewView(), nullptr);

    w.send("togglePreviewOnly:");
    EXPECT_EQ(w.modes().previewMode(), PreviewMode::only);
    EXPECT_FALSE(filter->isFilterShown());
}

// The three views that take the text's place, in a window with all of them and a file on disk
// for the hex view.
struct BodyViewsWindow : FeatureWindow
{
    BodyViewsWindow()
        : FeatureWindow(markdownText())
    {
        const std::filesystem::path file = folder / "read me.md";
        std::ofstream(file) << markdownText().toStdString();
        document.url = file;
        open([this] {
            EditorWindow::WindowFeatureList list;
            list.push_back(std::make_unique<EditorWindow::FindReplaceFeature>());
            list.push_back(std::make_unique<EditorWindow::LineFilterFeature>());
            list.push_back(makePreview());
            list.push_back(std::make_unique<EditorWindow::HexViewFeature>());
            return list;
        });
    }
    EditorWindow::LineFilterFeature& filter()
    {
        return *controller->feature<EditorWindow::LineFilterFeature>();
    }
    PreviewModesFeature& preview() { return *controller->feature<PreviewModesFeature>(); }
    EditorWindow::HexViewFeature& hex()
    {
        return *controller->feature<EditorWindow::HexViewFeature>();
    }
};

TEST(PreviewModes, theViewsOfTheBodySendEachOtherAwayButTheHexViewStaysOverAPreview)
{
    enum class View { filter, split, only, hex };
    struct Case
    {
        const char* name;
        std::vector<View> shown;
        bool filter;
        PreviewMode preview;
        bool hex;
    };
    const Case cases[] = {
        {"the filter after the preview",
         {View::split, View::filter},
         true,
         PreviewMode::off,
         false},
        {"the preview after the filter",
         {View::filter, View::only},
         false,
         PreviewMode::only,
         false},
        {"the filter after hex", {View::hex, View::filter}, true, PreviewMode::off, false},
        {"hex after the filter", {View::filter, View::hex}, false, PreviewMode::off, true},
        {"hex after the preview", {View::only, View::hex}, false, PreviewMode::off, true},
        {"the preview after hex", {View::hex, View::split}, false, PreviewMode::split, true},
        {"the filter after hex and the preview",
         {View::hex, View::split, View::filter},
         true,
         PreviewMode::off,
         false},
        {"split to only keeps hex",
         {View::hex, View::split, View::only},
         false,
         PreviewMode::only,
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BodyViewsWindow w;
        ASSERT_TRUE(w.preview().canShowPreview());
        for (View view : c.shown) {
            switch (view) {
            case View::filter:
                w.filter().toggleFilter();
                break;
            case View::split:
                w.preview().applyPreviewMode(PreviewMode::split);
                break;
            case View::only:
                w.preview().applyPreviewMode(PreviewMode::only);
                break;
            case View::hex:
                w.hex().setHexMode(true);
                break;
            }
        }
        EXPECT_EQ(w.filter().isFilterShown(), c.filter);
        EXPECT_EQ(w.preview().previewMode(), c.preview);
        EXPECT_EQ(w.hex().isHexShown(), c.hex);
        // Each view that went gave the body back.
        EXPECT_EQ(w.controller->holdsBody(w.filter()), c.filter);
        EXPECT_EQ(w.controller->holdsBody(w.preview()), c.preview != PreviewMode::off);
        EXPECT_EQ(w.controller->holdsBody(w.hex()), c.hex);
    }
}

TEST(PreviewModes, editsRenderAfterTypingAndScrollingIsFollowedOncePerBurstInSplitOnly)
{
    PreviewWindow w(markdownText());
    w.send("togglePreviewSplit:");
    w.log.renders.clear();
    w.log.scrolls.clear();
    w.controller->textView()->insertText(QStringLiteral("x"));
    EXPECT_EQ(w.log.renders, (std::vector<bool>{false}));

    // The source: the text as it is now and the file's folder.
    ASSERT_TRUE(w.log.source);
    const EditorViews::PreviewSource source = w.log.source();
    EXPECT_EQ(EditorViews::snapshotText(source.text), w.controller->textView()->text());
    EXPECT_EQ(source.folder, std::filesystem::path("/notes"));

    // Many scrolls within 0.05 s move the preview once, to the text's top line.
    auto* scrollBar = w.controller->textView()->verticalScrollBar();
    for (int step = 1; step <= 10; ++step)
        scrollBar->setValue(step * 40);
    EXPECT_TRUE(w.log.scrolls.empty());
    ASSERT_TRUE(OlvTests::waitPastTimersOf(
        std::chrono::milliseconds(PreviewModesFeature::scrollSyncDelayMs)));
    ASSERT_EQ(w.log.scrolls.size(), 1u);
    EXPECT_EQ(w.log.scrolls[0], w.modes().topVisibleLine());
    EXPECT_GT(w.log.scrolls[0], 1);

    // Preview only: no sync.
    w.send("togglePreviewOnly:");
    w.log.scrolls.clear();
    scrollBar->setValue(0);
    ASSERT_TRUE(OlvTests::waitPastTimersOf(
        std::chrono::milliseconds(PreviewModesFeature::scrollSyncDelayMs)));
    EXPECT_TRUE(w.log.scrolls.empty());
}

TEST(PreviewModes, theToolBandShowsTheTogglesForMarkdownAndTheirState)
{
    PreviewWindow w(markdownText());
    auto* band = w.controller->feature<EditorWindow::ToolBandFeature>()->band();
    ASSERT_NE(band, nullptr);
    EditorWindow::ToolBandButton* split = nullptr;
    for (const auto& entry : band->commandButtons()) {
        if (entry.command.id.rawValue == "view.previewSplit")
            split = entry.button;
    }
    ASSERT_NE(split, nullptr);
    EXPECT_FALSE(split->isHidden());
    split->click();
    QCoreApplication::processEvents();
    EXPECT_EQ(w.modes().previewMode(), PreviewMode::split);
    EXPECT_TRUE(split->isOn());

    // An untitled document previews with no folder.
    PreviewWindow untitled(markdownText(), std::nullopt);
    untitled.controller->setLanguageChoice(EditorFeatures::CodeLanguage::markdown);
    untitled.send("togglePreviewSplit:");
    ASSERT_TRUE(untitled.log.source);
    EXPECT_EQ(untitled.log.source().folder, std::nullopt);
}
