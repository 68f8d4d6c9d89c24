#include "app/kit/ActionRouter.h"
#include "app/kit/TabPage.h"
#include "app/window/DocumentWindowController.h"
#include "app/window/largefile/LargeFileFeature.h"
#include "platform/FileBookmark.h"
#include "platform/PreferencesDomain.h"
#include "store/Settings.h"
#include "store/WindowState.h"
#include "tests/app/window/FakeDocument.h"
#include "tests/platform/TemporaryFolder.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <fstream>

using EditorDocuments::ReadOnlyReason;
using EditorStore::TabRestoreState;
using EditorWindow::DocumentWindowController;
using WindowTest::FakeDocument;

namespace {

QString numberedLines(int count)
{
    QString text;
    for (int line = 1; line <= count; ++line)
        text += QStringLiteral("line %1\n").arg(line);
    return text;
}

// One tab in a sized page, so that it can scroll.
struct Tab
{
    TemporaryFolder folder;
    std::unique_ptr<EditorStore::Settings> settings;
    EditorKit::ActionRouter router;
    std::unique_ptr<FakeDocument> document;
    std::unique_ptr<DocumentWindowController> controller;

    // `withoutLargeLoader`: the test installs a large file's text itself, with no loader's job
    // that could finish after it and put the file's own text in.
    explicit Tab(const QString& text,
                 std::function<void(FakeDocument&)> prepare = {},
                 bool withoutLargeLoader = false)
    {
        settings = std::make_unique<EditorStore::Settings>(
            std::make_shared<Platform::PreferencesDomain>(folder / "group-defaults.json"),
            std::map<std::string, std::string>{});
        document = std::make_unique<FakeDocument>(text);
        if (prepare)
            prepare(*document);
        EditorWindow::WindowEnvironment environment;
        environment.settings = settings.get();
        if (withoutLargeLoader) {
            environment.features = [] {
                auto features = EditorWindow::standardWindowFeatures();
                std::erase_if(features, [](const auto& feature) {
                    return dynamic_cast<EditorWindow::LargeFileFeature*>(feature.get()) != nullptr;
                });
                return features;
            };
        }
        controller = std::make_unique<DocumentWindowController>(*document, router, environment);
        controller->page()->resize(600, 300);
        controller->page()->show();
        QCoreApplication::processEvents();
    }

    ~Tab()
    {
        controller.reset();
        document.reset();
        QCoreApplication::processEvents();
    }

    EditorViews::EditorTextView& textView() { return *controller->textView(); }
    const EditorViews::EditorViewOptions& options() const { return controller->display()->options; }
    // The restore scrolls one turn after it is applied.
    void applyAndSettle(const TabRestoreState& state)
    {
        controller->applyTabRestoreState(state);
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }
};

std::filesystem::path writeFile(const TemporaryFolder& folder, const char* name)
{
    auto path = folder / name;
    std::ofstream(path) << "x";
    return path;
}

TabRestoreState fileTab(const std::filesystem::path& path)
{
    TabRestoreState state;
    state.doc = TabRestoreState::File{std::nullopt, path.string()};
    return state;
}

} // namespace

TEST(TabRestoreState, roundTripThroughTheWindowStateFile)
{
    TemporaryFolder files;
    const auto path = writeFile(files, "notes.txt");
    const QString text = numberedLines(200);
    auto prepare = [&](FakeDocument& document) {
        document.url = path;
        document.textEncoding = EditorCore::TextEncoding::eucKR;
        EditorCore::EncodingGuess guess;
        guess.encoding = EditorCore::TextEncoding::eucKR;
        guess.source = EditorCore::EncodingSource::userChoice;
        document.guess = guess;
        document.reason = ReadOnlyReason::userChose;
        document.readOnly = true;
    };
    Tab saved(text, prepare);
    auto options = saved.options();
    options.zoom = 1.5;
    options.wrapsLines = false;
    options.showsLineNumbers = true;
    options.highlightsCurrentLine = true;
    options.showsInvisibles = true;
    options.fontFamily = QStringLiteral("DejaVu Sans Mono");
    options.fontSize = 15;
    options.lineSpacing = 1.4;
    options.showsRuler = false;
    saved.controller->applyDisplayOptions(options, false);
    saved.textView().setSelectedRange({42, 7});
    saved.controller->scrollToSavedTopLine(60);
    QCoreApplication::processEvents();
    const auto top = saved.controller->topVisibleLine();
    EXPECT_GT(top, 50);

    auto made = saved.controller->makeTabRestoreState();
    ASSERT_TRUE(made);
    const auto& file = std::get<TabRestoreState::File>(made->doc);
    EXPECT_EQ(file.path, path.string());
    ASSERT_TRUE(file.bookmark);
    EXPECT_EQ(Platform::FileBookmark::fromBytes(*file.bookmark)->resolve(), path);
    EXPECT_EQ(made->encodingOverride, EditorCore::TextEncoding::eucKR);
    EXPECT_TRUE(made->readOnlyByUser);

    EditorStore::WindowRestoreState window;
    window.tabs = {*made};
    auto encoded = EditorStore::WindowState({window}).encode();
    ASSERT_TRUE(encoded);
    auto decoded = EditorStore::WindowState::decode(*encoded);
    ASSERT_TRUE(decoded);
    const TabRestoreState restored = decoded->windows.at(0).tabs.at(0);
    EXPECT_EQ(restored, *made);

    Tab reopened(text, [&](FakeDocument& document) { document.url = path; });
    reopened.applyAndSettle(restored);
    EXPECT_EQ(reopened.options().zoom, 1.5);
    EXPECT_FALSE(reopened.options().wrapsLines);
    EXPECT_TRUE(reopened.options().showsLineNumbers);
    EXPECT_TRUE(reopened.options().highlightsCurrentLine);
    EXPECT_TRUE(reopened.options().showsInvisibles);
    EXPECT_EQ(reopened.options().fontFamily, QStringLiteral("DejaVu Sans Mono"));
    EXPECT_EQ(reopened.options().fontSize, 15);
    EXPECT_EQ(reopened.options().lineSpacing, 1.4);
    EXPECT_FALSE(reopened.options().showsRuler);
    EXPECT_EQ(reopened.textView().selectedRange(), (EditorViews::TextRange{42, 7}));
    EXPECT_EQ(reopened.document->reason, ReadOnlyReason::userChose);
    EXPECT_FALSE(reopened.textView().isEditable());
    EXPECT_EQ(reopened.controller->topVisibleLine(), top);
}

TEST(TabRestoreState, zoomIsClampedToTheZoomRange)
{
    struct Case
    {
        const char* name;
        double saved;
        double applied;
    } cases[] = {
        {"below the range", 0.2, 0.5},
        {"above the range", 9.0, 4.0},
        {"inside the range", 1.25, 1.25},
        {"not a number", std::nan(""), 1.0},
    };
    TemporaryFolder files;
    const auto path = writeFile(files, "a.txt");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Tab tab(QStringLiteral("text"));
        auto state = fileTab(path);
        state.zoom = c.saved;
        tab.applyAndSettle(state);
        EXPECT_EQ(tab.options().zoom, c.applied);
    }
}

TEST(TabRestoreState, selectionIsClampedToTheText)
{
    struct Case
    {
        const char* name;
        std::int64_t location, length;
        EditorViews::TextRange applied;
    } cases[] = {
        {"past the end of a shortened file", 500, 20, {10, 0}},
        {"running over the end", 6, 40, {6, 4}},
        {"negative values", -3, -2, {0, 0}},
    };
    TemporaryFolder files;
    const auto path = writeFile(files, "a.txt");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Tab tab(QStringLiteral("0123456789"));
        auto state = fileTab(path);
        state.selectionLocation = c.location;
        state.selectionLength = c.length;
        tab.applyAndSettle(state);
        EXPECT_EQ(tab.textView().selectedRange(), c.applied);
    }
}

TEST(TabRestoreState, scrollsToTheSavedLineUnlessFollowing)
{
    TemporaryFolder files;
    const auto path = writeFile(files, "log.txt");
    const QString text = numberedLines(300);
    {
        Tab tab(text);
        auto state = fileTab(path);
        state.scrollTopLine = 120;
        tab.applyAndSettle(state);
        EXPECT_EQ(tab.controller->topVisibleLine(), 120);
    }
    {
        Tab tab(text);
        auto state = fileTab(path);
        state.scrollTopLine = 120;
        state.follow = true;
        tab.applyAndSettle(state);
        EXPECT_EQ(tab.controller->topVisibleLine(), 1);
    }
    {
        // A line beyond the shortened text ends at its last line; lines below 2 stay at the top.
        Tab tab(text);
        auto state = fileTab(path);
        state.scrollTopLine = 100'000;
        tab.applyAndSettle(state);
        EXPECT_GT(tab.controller->topVisibleLine(), 250);
        state.scrollTopLine = -4;
        tab.applyAndSettle(state);
        EXPECT_GT(tab.controller->topVisibleLine(), 250);
    }
}

TEST(TabRestoreState, whichDocumentsGiveAState)
{
    TemporaryFolder files;
    const auto path = writeFile(files, "a.txt");
    const auto id = Platform::Uuid::parse("0B6D1F6E-5E0A-4C46-9D2B-0A8F9B0E3C11");
    ASSERT_TRUE(id);
    {
        Tab copy(QStringLiteral("outside"), [&](FakeDocument& d) {
            d.url = path;
            d.externalCopy = true;
        });
        EXPECT_FALSE(copy.controller->makeTabRestoreState());
    }
    {
        Tab untitled(QStringLiteral("never kept"));
        EXPECT_FALSE(untitled.controller->makeTabRestoreState());
    }
    {
        Tab kept(QStringLiteral("kept"), [&](FakeDocument& d) { d.keptID = *id; });
        auto state = kept.controller->makeTabRestoreState();
        ASSERT_TRUE(state);
        EXPECT_EQ(state->doc, TabRestoreState::Document(TabRestoreState::Scratch{*id}));
    }
    {
        // A file that is gone still gives its path, without a bookmark.
        Tab gone(QStringLiteral("text"), [&](FakeDocument& d) { d.url = files / "gone.txt"; });
        auto state = gone.controller->makeTabRestoreState();
        ASSERT_TRUE(state);
        EXPECT_EQ(state->doc,
                  TabRestoreState::Document(
                      TabRestoreState::File{std::nullopt, (files / "gone.txt").string()}));
    }
}

TEST(TabRestoreState, encodingOverrideOnlyForTheUsersChoice)
{
    TemporaryFolder files;
    const auto path = writeFile(files, "a.txt");
    for (auto source :
         {EditorCore::EncodingSource::heuristic, EditorCore::EncodingSource::userChoice}) {
        Tab tab(QStringLiteral("text"), [&](FakeDocument& d) {
            d.url = path;
            d.textEncoding = EditorCore::TextEncoding::shiftJIS;
            EditorCore::EncodingGuess guess;
            guess.encoding = EditorCore::TextEncoding::shiftJIS;
            guess.source = source;
            d.guess = guess;
        });
        auto state = tab.controller->makeTabRestoreState();
        ASSERT_TRUE(state);
        EXPECT_EQ(state->encodingOverride.has_value(),
                  source == EditorCore::EncodingSource::userChoice);
    }
}

TEST(TabRestoreState, largeFileWaitsForItsTextAndKeepsWrappingOff)
{
    TemporaryFolder files;
    const auto path = writeFile(files, "big.log");
    Tab tab(QString(), [&](FakeDocument& d) {
        d.url = path;
        d.largeFile = true;
        d.reason = ReadOnlyReason::largeFile;
        d.readOnly = true;
        d.largeFileDetails = EditorDocuments::LargeFileState{path, 300 << 20, 0, false};
    }, true);
    auto options = tab.options();
    options.wrapsLines = false;
    options.showsInvisibles = false;
    tab.controller->applyDisplayOptions(options, false);

    auto state = fileTab(path);
    state.zoom = 2.0;
    state.wrap = true;
    state.invisibles = true;
    state.selectionLocation = 8;
    state.scrollTopLine = 150;
    state.readOnlyByUser = true;
    tab.applyAndSettle(state);
    ASSERT_TRUE(tab.controller->pendingRestore());
    EXPECT_EQ(tab.options().zoom, 1.0);

    // The loader installs the text and its line index, then applies what waited.
    tab.document->largeFileDetails->loadedBytes = 300 << 20;
    tab.textView().setText(numberedLines(300));
    tab.controller->textArrived();
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_FALSE(tab.controller->pendingRestore());
    EXPECT_EQ(tab.options().zoom, 2.0);
    EXPECT_FALSE(tab.options().wrapsLines);
    EXPECT_FALSE(tab.options().showsInvisibles);
    EXPECT_EQ(tab.textView().selectedRange(), (EditorViews::TextRange{8, 0}));
    EXPECT_EQ(tab.controller->topVisibleLine(), 150);
    // The saved read-only choice does not replace the large file's own reason.
    EXPECT_EQ(tab.document->reason, ReadOnlyReason::largeFile);

    // Nothing waits any more: a second call changes nothing.
    tab.textView().setSelectedRange({0, 0});
    tab.controller->textArrived();
    EXPECT_EQ(tab.textView().selectedRange(), (EditorViews::TextRange{0, 0}));
}
