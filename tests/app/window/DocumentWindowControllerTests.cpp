#include "app/documents/FileFormat.h"
#include "app/kit/ActionRouter.h"
#include "app/kit/HostWindow.h"
#include "app/kit/TabPage.h"
#include "app/views/CentimeterRuler.h"
#include "app/views/LineNumberRuler.h"
#include "app/views/TextStorage.h"
#include "app/window/DocumentContentView.h"
#include "app/window/DocumentWindowController.h"
#include "app/window/hosting/HostWindows.h"
#include "app/window/suspicious/SuspiciousMarksFeature.h"
#include "platform/FileWatcher.h"
#include "platform/PreferencesDomain.h"
#include "store/SettingKeys.h"
#include "store/Settings.h"
#include "tests/app/EventLoopWaits.h"
#include "tests/app/window/FakeDocument.h"
#include "tests/app/window/FileWatcherOf.h"
#include "tests/platform/TemporaryFolder.h"

#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <fstream>

using EditorWindow::BannerView;
using EditorWindow::DocumentWindowController;
using EditorWindow::StatusBarView;
using EditorWindow::WindowEnvironment;
using WindowTest::FakeDocument;

namespace {

std::u16string_view view(const QString& text)
{
    return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())};
}

// Settings of one test: command-line values over an empty preferences file.
struct TestSettings
{
    TemporaryFolder folder;
    std::unique_ptr<EditorStore::Settings> settings;

    explicit TestSettings(std::map<std::string, std::string> values = {})
    {
        settings = std::make_unique<EditorStore::Settings>(
            std::make_shared<Platform::PreferencesDomain>(folder / "group-defaults.json"),
            std::move(values));
    }
};

struct WindowFixture
{
    TestSettings settings;
    EditorKit::ActionRouter router;
    std::unique_ptr<FakeDocument> document;
    std::unique_ptr<DocumentWindowController> controller;

    explicit WindowFixture(const QString& text,
                           std::map<std::string, std::string> values = {},
                           std::function<void(FakeDocument&)> prepare = {},
                           WindowEnvironment environment = {})
        : settings(std::move(values))
    {
        document = std::make_unique<FakeDocument>(text);
        if (prepare)
            prepare(*document);
        environment.settings = settings.settings.get();
        controller = std::make_unique<DocumentWindowController>(*document, router, environment);
    }

    ~WindowFixture()
    {
        controller.reset();
        document.reset();
        QCoreApplication::processEvents();
    }

    EditorViews::EditorTextView& textView() { return *controller->textView(); }
    QString text() { return textView().text(); }
    void caretAtEnd() { textView().setSelectedRange({static_cast<int>(text().size()), 0}); }
};

} // namespace

TEST(DocumentWindowController, twoDocumentsAreTwoTabsOfOneNewWindow)
{
    EditorKit::ActionRouter router;
    WindowEnvironment environment;
    environment.hosts = std::make_shared<EditorWindow::HostWindows>(router);
    WindowFixture first(QStringLiteral("one"), {}, {}, environment);
    WindowFixture second(QStringLiteral("two"), {}, {}, environment);
    first.controller->showWindow();
    second.controller->showWindow();
    EditorKit::HostWindow* host = first.controller->hostWindow();
    ASSERT_NE(host, nullptr);
    EXPECT_EQ(second.controller->hostWindow(), host);
    EXPECT_EQ(host->pageCount(), 2);
    EXPECT_EQ(host->size(), QSize(1180, 640));
    EXPECT_EQ(host->currentPage(), second.controller->page());

    // "view.showTabBarAlways" (on by default) decides only while a window has one tab.
    QCoreApplication::processEvents();
    EXPECT_FALSE(host->isTabBarAlwaysShown());

    // Closing one document's window leaves the other tab.
    second.controller.reset();
    QCoreApplication::processEvents();
    EXPECT_EQ(host->pageCount(), 1);
    first.controller->updateTabBarVisibility();
    EXPECT_TRUE(host->isTabBarAlwaysShown());
}

TEST(DocumentWindowController, openingNeitherEditsNorCountsAChange)
{
    WindowFixture f(QStringLiteral("line one\nline two\n"), {}, [](FakeDocument& d) {
        d.name = QStringLiteral("notes.txt");
    });
    QCoreApplication::processEvents();
    EXPECT_FALSE(f.document->isEdited());
    EXPECT_EQ(f.controller->page()->windowTitle(), QStringLiteral("notes.txt"));
    EXPECT_EQ(f.text(), QStringLiteral("line one\nline two\n"));
    EXPECT_EQ(f.textView().selectedRange(), (EditorCore::TextRange{0, 0}));
    EXPECT_EQ(f.textView().lineIndex(), EditorCore::LineIndex(view(f.text())));
    EXPECT_EQ(f.controller->statusBar()->content().position, QStringLiteral("1:1"));
}

TEST(DocumentWindowController, theFilesViewMemoryIsApplied)
{
    int reads = 0;
    WindowEnvironment environment;
    environment.viewMemory = [&](const std::filesystem::path& path) {
        ++reads;
        EXPECT_EQ(path, std::filesystem::path("/data/remembered.txt"));
        EditorViews::EditorViewOptions::RememberedView memory;
        memory.fontSize = 15.0;
        memory.ruler = true;
        return std::optional(memory);
    };
    {
        WindowFixture f(
            QStringLiteral("x"),
            {{"view.newTab.ruler", "false"}},
            [](FakeDocument& d) { d.url = "/data/remembered.txt"; },
            environment);
        EXPECT_EQ(f.controller->display()->options.fontSize, std::optional(15.0));
        EXPECT_TRUE(f.controller->display()->options.showsRuler);
    }
    EXPECT_EQ(reads, 1);
    // An untitled document never reads view memory.
    WindowFixture untitled(QStringLiteral("x"), {{"view.newTab.ruler", "false"}}, {}, environment);
    EXPECT_EQ(reads, 1);
    EXPECT_FALSE(untitled.controller->display()->options.showsRuler);
    EXPECT_EQ(untitled.controller->display()->options.fontSize, std::nullopt);
}

TEST(DocumentWindowController, theWindowsConstructionPhasesAreMarkedInOrder)
{
    std::vector<std::string> phases;
    WindowEnvironment environment;
    environment.markLaunchPhase = [&](std::string_view name) { phases.emplace_back(name); };
    WindowFixture f(QStringLiteral("x"), {}, {}, environment);
    EXPECT_EQ(phases,
              (std::vector<std::string>{"window",
                                        "w.nswindow",
                                        "w.toolbar",
                                        "w.textview",
                                        "w.views",
                                        "w.text",
                                        "w.options",
                                        "window.built",
                                        "window.status"}));
}

TEST(DocumentWindowController, theRulerAndTheAutocorrectionFollowOptionsAndSettings)
{
    WindowFixture f(QStringLiteral("x"), {{"view.newTab.ruler", "true"}});
    auto* ruler = f.controller->centimeterRuler();
    ASSERT_NE(ruler, nullptr);
    EXPECT_TRUE(ruler->isVisibleTo(f.controller->textView()));
    f.controller->toggleCentimeterRuler();
    EXPECT_FALSE(f.controller->display()->options.showsRuler);
    EXPECT_FALSE(ruler->isVisibleTo(f.controller->textView()));

    EXPECT_EQ(f.textView().autocorrection(), EditorViews::EditorTextView::Autocorrection{});
    f.settings.settings->set(true, EditorStore::SettingKeys::editorAutocorrectQuotes);
    f.settings.settings->set(true, EditorStore::SettingKeys::editorAutocorrectDashes);
    f.controller->applySettings({"editor.autocorrect.quotes", "editor.autocorrect.dashes"});
    EXPECT_EQ(f.textView().autocorrection(),
              (EditorViews::EditorTextView::Autocorrection{false, true, true}));
    f.settings.settings->set(true, EditorStore::SettingKeys::editorAutocorrectSpelling);
    f.controller->applySettings({"editor.autocorrect.spelling"});
    EXPECT_TRUE(f.textView().autocorrection().spelling);
    EXPECT_NE(f.textView().spellChecker(), nullptr);
    // The command state keeps the spelling item unchecked, whatever the setting.
    const auto state =
        f.controller->commandState(EditorCommands::CommandID{"edit.autocorrect.spelling"});
    EXPECT_FALSE(state.isOn);
}

TEST(DocumentWindowController, insertedBreaksTakeTheDocumentsEnding)
{
    WindowFixture f(QStringLiteral("a\r\nb\r\n"));
    f.caretAtEnd();
    f.textView().insertText(QStringLiteral("x\ny\rz"));
    EXPECT_EQ(f.text(), QStringLiteral("a\r\nb\r\nx\r\ny\r\nz"));
    EXPECT_EQ(f.textView().selectedRange(), (EditorCore::TextRange{13, 0}));

    // A text without breaks inserts what "file.new.lineEnding" says.
    WindowFixture single(QStringLiteral("one line"), {{"file.new.lineEnding", "crlf"}});
    single.caretAtEnd();
    single.textView().insertText(QStringLiteral("\nnext"));
    EXPECT_EQ(single.text(), QStringLiteral("one line\r\nnext"));
    // Return inserts it too.
    single.textView().doCommandBySelector(QStringLiteral("insertNewline:"));
    EXPECT_EQ(single.text(), QStringLiteral("one line\r\nnext\r\n"));
}

TEST(DocumentWindowController, commandEditsAreAppliedUnchangedUnderTheirName)
{
    WindowFixture f(QStringLiteral("a\r\nb"));
    f.controller->replaceText(EditorCore::TextEdit{{1, 0}, u"x\ny", {4, 0}},
                              QStringLiteral("날짜 넣기"));
    EXPECT_EQ(f.text(), QStringLiteral("ax\ny\r\nb"));
    EXPECT_EQ(f.textView().selectedRange(), (EditorCore::TextRange{4, 0}));
    EXPECT_EQ(f.document->stack.undoText(), QStringLiteral("날짜 넣기"));
    EXPECT_FALSE(f.controller->isApplyingCommand());

    f.document->readOnly = true;
    f.controller->applyEditability();
    f.controller->replaceText(EditorCore::TextEdit{{0, 0}, u"!", {1, 0}}, QStringLiteral("x"));
    f.controller->replaceText(std::nullopt, QStringLiteral("x"));
    EXPECT_EQ(f.text(), QStringLiteral("ax\ny\r\nb"));
}

TEST(DocumentWindowController, closingBracketStepsBackOneLevel)
{
    auto spaces = [](FakeDocument& d) { d.style = EditorCore::IndentStyle(false, 4); };
    WindowFixture f(QStringLiteral("{\n        "), {}, spaces);
    f.caretAtEnd();
    f.textView().insertText(QStringLiteral("}"));
    EXPECT_EQ(f.text(), QStringLiteral("{\n    }"));
    EXPECT_EQ(f.textView().selectedRange(), (EditorCore::TextRange{7, 0}));
    f.textView().undo();
    EXPECT_EQ(f.text(), QStringLiteral("{\n        "));

    WindowFixture off(QStringLiteral("{\n        "), {{"editor.indent.brackets", "false"}}, spaces);
    off.caretAtEnd();
    off.textView().insertText(QStringLiteral("}"));
    EXPECT_EQ(off.text(), QStringLiteral("{\n        }"));

    // A command's bracket is left alone.
    WindowFixture command(QStringLiteral("{\n        "), {}, spaces);
    command.controller->replaceText(EditorCore::TextEdit{{10, 0}, u"}", {11, 0}},
                                    QStringLiteral("x"));
    EXPECT_EQ(command.text(), QStringLiteral("{\n        }"));
}

TEST(DocumentWindowController, returnAfterAColonInYamlIndentsWithSpaces)
{
    WindowFixture f(QStringLiteral("key:"),
                    {{"editor.indent.useTabs", "true"}},
                    [](FakeDocument& d) { d.url = "/data/config.yaml"; });
    f.caretAtEnd();
    f.textView().doCommandBySelector(QStringLiteral("insertNewline:"));
    EXPECT_EQ(f.text(), QStringLiteral("key:\n  "));
    EXPECT_EQ(f.textView().selectedRange(), (EditorCore::TextRange{7, 0}));
}

TEST(DocumentWindowController, lineIndexFollowsEveryEditAndUndo)
{
    WindowFixture f(QStringLiteral("alpha\r\nbeta\rgamma\ndelta"));
    auto& text = f.textView();
    auto expectFresh = [&](const char* step) {
        SCOPED_TRACE(step);
        EXPECT_EQ(f.textView().lineIndex(), EditorCore::LineIndex(view(f.text())));
    };
    text.setSelectedRange({6, 0});
    text.insertText(QStringLiteral("\n")); // splits the CR LF pair
    expectFresh("inside a CR LF");
    text.setSelectedRange({0, 3});
    text.insertText(QStringLiteral("x\ny\nz"));
    expectFresh("replacing with breaks");
    text.setSelectedRange({4, 6});
    text.doCommandBySelector(QStringLiteral("deleteBackward:"));
    expectFresh("deleting across breaks");
    text.doCommandBySelector(QStringLiteral("insertNewline:"));
    expectFresh("return");
    text.undo();
    text.undo();
    expectFresh("undo");
    text.redo();
    expectFresh("redo");
    f.controller->replaceAllText(QStringLiteral("new\ntext"));
    expectFresh("whole text");
    EXPECT_EQ(text.selectedRange(), (EditorCore::TextRange{0, 0}));
}

TEST(DocumentWindowController, firstKeystrokeMarksTheDocumentEditedUntilUndone)
{
    WindowFixture f(QStringLiteral("hello\nworld"), {}, [](FakeDocument& d) {
        d.name = QStringLiteral("notes.txt");
        d.url = "/data/notes.txt";
    });
    f.textView().setSelectedRange({8, 0});
    f.textView().insertText(QStringLiteral("X"));
    EXPECT_TRUE(f.document->isEdited());
    QCoreApplication::processEvents();
    EXPECT_EQ(f.controller->page()->windowTitle(), QStringLiteral("*notes.txt"));
    EXPECT_EQ(f.controller->statusBar()->content().position, QStringLiteral("2:4"));

    f.textView().undo();
    QCoreApplication::processEvents();
    EXPECT_EQ(f.text(), QStringLiteral("hello\nworld"));
    EXPECT_FALSE(f.document->isEdited());
    EXPECT_EQ(f.controller->page()->windowTitle(), QStringLiteral("notes.txt"));
    f.textView().redo();
    EXPECT_EQ(f.text(), QStringLiteral("hello\nwoXrld"));
}

TEST(DocumentWindowController, titleAndStatusAreComputedOncePerTurn)
{
    WindowFixture f(QStringLiteral("abc\ndef"), {}, [](FakeDocument& d) {
        d.name = QStringLiteral("notes.txt");
    });
    int refreshes = 0;
    QObject::connect(f.controller.get(),
                     &DocumentWindowController::statusDidUpdate,
                     [&](const StatusBarView::Content&) { ++refreshes; });
    f.caretAtEnd();
    f.textView().insertText(QStringLiteral("1"));
    f.textView().doCommandBySelector(QStringLiteral("insertNewline:"));
    f.textView().insertText(QStringLiteral("2"));
    f.textView().setSelectedRange({0, 2});
    EXPECT_EQ(refreshes, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(refreshes, 1);
    EXPECT_EQ(f.controller->statusBar()->content().position, QStringLiteral("1:1 · 선택 2"));
    EXPECT_EQ(f.controller->page()->windowTitle(), QStringLiteral("*notes.txt"));

    // The document's own flag counts too, with the undo stack clean again.
    f.document->stack.setClean();
    f.document->editedByDocument = true;
    f.controller->setNeedsRefresh();
    QCoreApplication::processEvents();
    EXPECT_EQ(f.controller->page()->windowTitle(), QStringLiteral("*notes.txt"));
    f.document->editedByDocument = false;
    f.controller->setNeedsRefresh();
    QCoreApplication::processEvents();
    EXPECT_EQ(f.controller->page()->windowTitle(), QStringLiteral("notes.txt"));
    EXPECT_EQ(refreshes, 3);
}

TEST(DocumentWindowController, statusNamesTheFormatAndFollowsTheSelection)
{
    WindowFixture f(QStringLiteral("가나다\r\n라마\r\n"), {}, [](FakeDocument& d) {
        d.textEncoding = EditorCore::TextEncoding::utf16LE;
        d.byteOrderMark = true;
        d.url = "/data/korean.txt";
    });
    const auto& content = f.controller->statusBar()->content();
    EXPECT_EQ(content.encoding, QStringLiteral("UTF-16 LE BOM"));
    EXPECT_EQ(content.lineEnding, QStringLiteral("CRLF"));
    EXPECT_EQ(content.language, QStringLiteral("일반 텍스트"));
    EXPECT_EQ(content.path, QStringLiteral("/data/korean.txt"));
    EXPECT_FALSE(content.readOnly);
    EXPECT_EQ(f.textView().newlineString(), QStringLiteral("\r\n"));
    f.textView().setSelectedRange({5, 2});
    QCoreApplication::processEvents();
    EXPECT_EQ(f.controller->statusBar()->content().position, QStringLiteral("2:1 · 선택 2"));

    WindowFixture readOnly(QStringLiteral("x"), {}, [](FakeDocument& d) { d.readOnly = true; });
    EXPECT_FALSE(readOnly.textView().isEditable());
    EXPECT_EQ(readOnly.controller->statusBar()->content().readOnly, QStringLiteral("읽기 전용"));
    EXPECT_FALSE(readOnly.controller->statusBar()->content().path);
}

TEST(DocumentWindowController, toggleStatusBarIsPerTab)
{
    WindowFixture first(QStringLiteral("1"));
    WindowFixture second(QStringLiteral("2"));
    first.controller->toggleStatusBar();
    EXPECT_TRUE(first.controller->statusBar()->isHidden());
    EXPECT_FALSE(second.controller->statusBar()->isHidden());
    EXPECT_EQ(first.controller->statusBar()->height(), 0);

    WindowFixture hiddenBySetting(QStringLiteral("3"), {{"view.showStatusBar", "false"}});
    EXPECT_TRUE(hiddenBySetting.controller->statusBar()->isHidden());
}

TEST(DocumentWindowController, aBannerReplacesTheOneWithItsKeyAndClosesItself)
{
    // The banners alone among the bands: no tool band.
    WindowFixture f(QStringLiteral("x"), {{"view.showToolbar", "false"}});
    auto* firstA = f.controller->showBanner(
        QStringLiteral("a"), BannerView::Kind::info, QStringLiteral("first"), {});
    f.controller->showBanner(
        QStringLiteral("b"), BannerView::Kind::warning, QStringLiteral("b"), {});
    QPointer<BannerView> old(firstA);
    auto* secondA = f.controller->showBanner(
        QStringLiteral("a"), BannerView::Kind::error, QStringLiteral("second"), {});
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(old.isNull());
    // The replacing banner goes below the one still shown.
    ASSERT_EQ(f.controller->banners().size(), 2u);
    EXPECT_EQ(f.controller->banners()[1], secondA);
    EXPECT_EQ(f.controller->banner(QStringLiteral("a"))->message(), QStringLiteral("second"));
    const auto& bands = f.controller->content()->bands();
    ASSERT_EQ(bands.size(), 2u);
    EXPECT_EQ(bands[1], secondA);

    QPointer<BannerView> b(f.controller->banner(QStringLiteral("b")));
    b->closeButton()->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(b.isNull());
    EXPECT_EQ(f.controller->banner(QStringLiteral("b")), nullptr);
    EXPECT_EQ(f.controller->content()->bands().size(), 1u);
    f.controller->dismissBanner(QStringLiteral("nothing"));
    EXPECT_EQ(f.controller->banners().size(), 1u);
}

namespace {

// Stands for the tool band (above the banners) and the find bar (below them).
class BandsFeature : public EditorWindow::WindowFeature
{
public:
    QWidget toolBand;
    QWidget findBar;
    bool showsToolBand = true;

    static std::vector<QWidget*> shown(const DocumentWindowController& window)
    {
        std::vector<QWidget*> list;
        for (const auto& band : window.content()->bands())
            list.push_back(band);
        return list;
    }

    Bands bands() const override
    {
        Bands bands;
        if (showsToolBand)
            bands.aboveBanners.push_back(const_cast<QWidget*>(&toolBand));
        bands.belowBanners.push_back(const_cast<QWidget*>(&findBar));
        return bands;
    }
};

} // namespace

TEST(DocumentWindowController, bandsStackToolBandExtraBandsBannersFindBar)
{
    BandsFeature* part = nullptr;
    WindowEnvironment environment;
    environment.features = [&] {
        EditorWindow::WindowFeatureList list;
        auto made = std::make_unique<BandsFeature>();
        part = made.get();
        list.push_back(std::move(made));
        return list;
    };
    WindowFixture f(QStringLiteral("x"), {}, {}, environment);
    QWidget progress;
    QWidget other;
    f.controller->setExtraBands({&progress, &other});
    auto* first = f.controller->showBanner(
        QStringLiteral("tidy"), BannerView::Kind::info, QStringLiteral("1"), {});
    auto* second = f.controller->showBanner(
        QStringLiteral("grammar"), BannerView::Kind::info, QStringLiteral("2"), {});
    EXPECT_EQ(
        BandsFeature::shown(*f.controller),
        (std::vector<QWidget*>{&part->toolBand, &progress, &other, first, second, &part->findBar}));

    // Without the tool band the extra bands lead; the find bar stays last.
    part->showsToolBand = false;
    f.controller->removeExtraBand(&progress);
    EXPECT_EQ(BandsFeature::shown(*f.controller),
              (std::vector<QWidget*>{&other, first, second, &part->findBar}));
    f.controller->dismissBanner(QStringLiteral("nothing shown"));
    EXPECT_EQ(BandsFeature::shown(*f.controller),
              (std::vector<QWidget*>{&other, first, second, &part->findBar}));
}

TEST(DocumentWindowController, unencodableBannerConvertsOrRemovesTheCharacters)
{
    auto unencodable =
        EditorCore::DocumentError::unencodable(EditorCore::TextEncoding::windows1252, {u"한"});
    // "UTF-8 로 바꿔 저장": the encoding changes, the banner goes before the autosave runs.
    {
        WindowFixture f(QStringLiteral("café 한글\n"), {}, [](FakeDocument& d) {
            d.textEncoding = EditorCore::TextEncoding::windows1252;
        });
        f.controller->showUnencodableBanner(unencodable);
        BannerView* banner = f.controller->banner(QStringLiteral("save.unencodable"));
        ASSERT_NE(banner, nullptr);
        EXPECT_EQ(banner->kind(), BannerView::Kind::error);
        EXPECT_TRUE(banner->message().startsWith(QStringLiteral("「한」 는 ")));
        bool bannerAtAutosave = true;
        f.document->onAutosave = [&] {
            bannerAtAutosave = f.controller->banner(QStringLiteral("save.unencodable"));
        };
        banner->runAction(0);
        EXPECT_EQ(f.document->textEncoding, EditorCore::TextEncoding::utf8);
        EXPECT_FALSE(f.document->byteOrderMark);
        EXPECT_EQ(f.document->autosaves, 1);
        EXPECT_FALSE(bannerAtAutosave);
    }
    // "그 글자 지우기": every character the encoding cannot write goes, in one undoable step;
    // once nothing is left to remove the banner stays.
    {
        WindowFixture f(QStringLiteral("café 한글 ü\n"), {}, [](FakeDocument& d) {
            d.textEncoding = EditorCore::TextEncoding::windows1252;
        });
        f.caretAtEnd();
        f.controller->showUnencodableBanner(unencodable);
        f.controller->banner(QStringLiteral("save.unencodable"))->runAction(1);
        EXPECT_EQ(f.text(), QStringLiteral("café  ü\n"));
        EXPECT_EQ(f.textView().selectedRange(), (EditorViews::TextRange{0, 0}));
        EXPECT_EQ(f.document->stack.undoText(), QStringLiteral("그 글자 지우기"));
        EXPECT_EQ(f.controller->banner(QStringLiteral("save.unencodable")), nullptr);

        f.controller->showUnencodableBanner(unencodable);
        f.controller->banner(QStringLiteral("save.unencodable"))->runAction(1);
        EXPECT_EQ(f.document->stack.count(), 1);
        EXPECT_NE(f.controller->banner(QStringLiteral("save.unencodable")), nullptr);
    }
    // Any other error shows nothing.
    WindowFixture f(QStringLiteral("x"));
    f.controller->showUnencodableBanner(
        EditorCore::DocumentError{EditorCore::DocumentError::Binary{}});
    EXPECT_TRUE(f.controller->banners().empty());
}

TEST(DocumentWindowController, mixedLineEndingsAreCountedAndConvertedOnRequest)
{
    const QString text = QStringLiteral("a\r\nb\r\nc\r\nd\ne\nf");
    WindowFixture readOnly(text, {}, [](FakeDocument& d) { d.readOnly = true; });
    readOnly.controller->showMixedLineEndingsBanner();
    EXPECT_TRUE(readOnly.controller->banners().empty());

    WindowFixture f(text);
    f.controller->showMixedLineEndingsBanner();
    BannerView* banner = f.controller->banner(QStringLiteral("lineEndings.mixed"));
    ASSERT_NE(banner, nullptr);
    EXPECT_EQ(banner->kind(), BannerView::Kind::warning);
    EXPECT_TRUE(banner->message().contains(QStringLiteral("CRLF 3줄 · LF 2줄 · CR 0줄")))
        << banner->message().toStdString();
    ASSERT_EQ(banner->actions().size(), 2u);
    EXPECT_EQ(banner->actions()[1].title, QStringLiteral("모두 LF 로"));
    banner->runAction(1);
    EXPECT_EQ(f.text(), QStringLiteral("a\nb\nc\nd\ne\nf"));
    EXPECT_EQ(f.document->stack.undoText(), QStringLiteral("줄끝 바꾸기"));
    EXPECT_EQ(f.controller->banner(QStringLiteral("lineEndings.mixed")), nullptr);

    WindowFixture unmixed(QStringLiteral("a\nb\n"));
    unmixed.controller->showMixedLineEndingsBanner();
    EXPECT_TRUE(unmixed.controller->banners().empty());
}

TEST(DocumentWindowController, permissionAndAdministratorBannersFollowEditability)
{
    WindowFixture f(QStringLiteral("x"), {}, [](FakeDocument& d) {
        d.url = std::filesystem::path("/tmp/locked.txt");
        d.reason = EditorDocuments::ReadOnlyReason::noPermission;
    });
    BannerView* permission = f.controller->banner(QStringLiteral("readOnly.permission"));
    ASSERT_NE(permission, nullptr);
    EXPECT_FALSE(f.textView().isEditable());
    ASSERT_EQ(permission->actions().size(), 2u);
    EXPECT_EQ(permission->actions()[0].title, QStringLiteral("관리자로 고치기"));

    // Rebuilt at every pass, never doubled.
    f.controller->applyEditability();
    EXPECT_EQ(f.controller->banners().size(), 1u);

    permission->runAction(0);
    f.controller->applyEditability();
    EXPECT_TRUE(f.textView().isEditable());
    EXPECT_EQ(f.controller->banner(QStringLiteral("readOnly.permission")), nullptr);
    ASSERT_NE(f.controller->banner(QStringLiteral("admin")), nullptr);
    EXPECT_EQ(f.controller->banner(QStringLiteral("admin"))->kind(), BannerView::Kind::warning);

    f.document->admin = false;
    f.controller->applyEditability();
    EXPECT_TRUE(f.controller->banners().empty());
}

TEST(DocumentWindowController, watchesItsFileOnceOpened)
{
    TemporaryFolder folder;
    auto path = folder / "watched.txt";
    std::ofstream(path) << "one\n";
    int diskChecks = 0;
    WindowEnvironment environment;
    environment.onDiskChange = [&] { ++diskChecks; };
    WindowFixture f(
        QStringLiteral("one\n"), {}, [&](FakeDocument& d) { d.url = path; }, environment);
    EXPECT_EQ(WindowTest::fileWatcherOf(*f.controller), nullptr);
    QCoreApplication::processEvents();
    ASSERT_NE(WindowTest::fileWatcherOf(*f.controller), nullptr);
    EXPECT_TRUE(WindowTest::fileWatcherOf(*f.controller)->isArmed());

    // Replaced by another file: seen, and watched again half a second later. What the new file
    // went through before that is unseen, so the re-arm asks for a check of its own.
    std::ofstream(folder / "new.txt") << "two\n";
    std::filesystem::rename(folder / "new.txt", path);
    EXPECT_TRUE(QTest::qWaitFor([&] { return diskChecks == 1; }, 2000));
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return WindowTest::fileWatcherOf(*f.controller)->isArmed(); }, 2000));
    EXPECT_EQ(diskChecks, 2);
    std::ofstream(path, std::ios::app) << "three\n";
    EXPECT_TRUE(QTest::qWaitFor([&] { return diskChecks == 3; }, 2000));

    // An external copy is never watched.
    WindowFixture copy(QStringLiteral("x"), {}, [&](FakeDocument& d) {
        d.url = path;
        d.externalCopy = true;
    });
    QCoreApplication::processEvents();
    EXPECT_EQ(WindowTest::fileWatcherOf(*copy.controller), nullptr);
}

TEST(DocumentWindowController, ownSaveUnderWayIsNotAnOutsideChange)
{
    TemporaryFolder folder;
    auto path = folder / "saving.txt";
    std::ofstream(path) << "one\n";
    int diskChecks = 0;
    WindowEnvironment environment;
    environment.onDiskChange = [&] { ++diskChecks; };
    WindowFixture f(
        QStringLiteral("one\n"), {}, [&](FakeDocument& d) { d.url = path; }, environment);
    QCoreApplication::processEvents();
    ASSERT_NE(WindowTest::fileWatcherOf(*f.controller), nullptr);

    // Signs that come while the document writes are not checked while it writes, however many
    // there are (another program may have written just after our bytes, so they are not
    // forgotten either)...
    f.document->writing = true;
    for (const char* line : {"ours\n", "ours too\n", "someone else's, just after\n"}) {
        std::ofstream(path, std::ios::app) << line;
        ASSERT_TRUE(OlvTests::waitUntilDescriptorRead(
            WindowTest::fileWatcherOf(*f.controller)->descriptor()));
    }
    ASSERT_TRUE(OlvTests::waitPastTimersOf(std::chrono::milliseconds(200)));
    EXPECT_EQ(diskChecks, 0);

    // ...but looked at once, when the writing is done.
    f.document->writing = false;
    EXPECT_TRUE(QTest::qWaitFor([&] { return diskChecks == 1; }, 2000));
    ASSERT_TRUE(OlvTests::waitPastTimersOf(std::chrono::milliseconds(200)));
    EXPECT_EQ(diskChecks, 1);
    EXPECT_TRUE(WindowTest::fileWatcherOf(*f.controller)->isArmed());
    std::ofstream(path, std::ios::app) << "someone else's\n";
    EXPECT_TRUE(QTest::qWaitFor([&] { return diskChecks == 2; }, 2000));
}

TEST(DocumentWindowController, aDiskCheckMayArmANewWatcher)
{
    TemporaryFolder folder;
    auto path = folder / "moved.txt";
    std::ofstream(path) << "one\n";
    int diskChecks = 0;
    DocumentWindowController* window = nullptr;
    WindowEnvironment environment;
    // As after a move: the check replaces the watcher that is reporting to it.
    environment.onDiskChange = [&] {
        ++diskChecks;
        if (window)
            window->documentEvent(EditorWindow::DocumentEvent::startWatcher);
    };
    WindowFixture f(
        QStringLiteral("one\n"), {}, [&](FakeDocument& d) { d.url = path; }, environment);
    window = f.controller.get();
    QCoreApplication::processEvents();
    std::ofstream(path, std::ios::app) << "two\n";
    EXPECT_TRUE(QTest::qWaitFor([&] { return diskChecks == 1; }, 2000));
    std::ofstream(path, std::ios::app) << "three\n";
    EXPECT_TRUE(QTest::qWaitFor([&] { return diskChecks == 2; }, 2000));
    EXPECT_TRUE(WindowTest::fileWatcherOf(*f.controller)->isArmed());
}

TEST(DocumentWindowController, suspiciousCharactersAreBoxedAndCounted)
{
    auto reddish = [](QRgb p) { return qRed(p) > qGreen(p) + 15 && qRed(p) > qBlue(p) + 15; };
    auto boxedPixels = [&](WindowFixture& f) {
        f.controller->page()->resize(600, 200);
        f.controller->page()->show();
        QCoreApplication::processEvents();
        const QImage image =
            f.textView().viewport()->grab().toImage().convertToFormat(QImage::Format_ARGB32);
        f.controller->page()->hide();
        int count = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x)
                count += reddish(image.pixel(x, y)) ? 1 : 0;
        }
        return count;
    };
    auto countShown = [](WindowFixture& f) {
        (void)QTest::qWaitFor(
            [&] { return f.controller->statusBar()->content().suspicious.has_value(); }, 10'000);
        return f.controller->statusBar()->content().suspicious;
    };
    const struct
    {
        const char* name;
        const char16_t* text;
        int count;
        bool boxed;
    } cases[] = {
        {"right-to-left override", u"abc \u202Edef ghi", 1, true},
        {"zero-width space", u"abc\u200Bdef", 1, true},
        {"a Hangul filler for a name", u"\u3164\u3164 said", 2, true},
        // Outside the basic plane nothing is boxed (the tags of a subdivision flag are such
        // characters); the count still names it.
        {"a tag character", u"ok\U000E0041", 1, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WindowFixture f(QString::fromUtf16(c.text));
        EXPECT_EQ(boxedPixels(f) > 0, c.boxed);
        EXPECT_EQ(countShown(f), QStringLiteral("수상한 글자 %1").arg(c.count));
    }

    WindowFixture plain(QStringLiteral("abc def"));
    EXPECT_EQ(boxedPixels(plain), 0);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return !plain.controller->feature<EditorWindow::SuspiciousMarksFeature>()->isCounting(); },
        2000));
    EXPECT_FALSE(plain.controller->statusBar()->content().suspicious.has_value());

    // The count follows an edit: the added character is counted, the removed ones are not.
    WindowFixture edited(QString::fromUtf16(u"a\u200Bb"));
    ASSERT_TRUE(countShown(edited).has_value());
    edited.caretAtEnd();
    edited.textView().insertText(QString::fromUtf16(u"\u00A0\u00A0"));
    // The count comes back from the worker; the status bar shows it at its next refresh.
    (void)QTest::qWaitFor(
        [&] {
            return edited.controller->statusBar()->content().suspicious
                   == QStringLiteral("수상한 글자 3");
        },
        10'000);
    EXPECT_EQ(edited.controller->statusBar()->content().suspicious,
              QStringLiteral("수상한 글자 3"));
}
