// The tidy, format and line commands of a window, sent through the host window's menu items,
// and the formatter road over a test download server.
#include "app/features/FormatterCenter.h"
#include "app/kit/ActionRouter.h"
#include "app/kit/CommandRouter.h"
#include "app/kit/HostWindow.h"
#include "app/window/DocumentWindowController.h"
#include "app/window/hosting/HostWindows.h"
#include "app/window/tidy/TidyFeature.h"
#include "platform/PreferencesDomain.h"
#include "store/Settings.h"
#include "tests/app/features/FormatterServer.h"
#include "tests/app/window/FakeDocument.h"
#include "tests/platform/TemporaryFolder.h"

#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMenu>
#include <QUndoStack>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using AppFeatures::FormatterCenter;
using EditorFeatures::CodeLanguage;
using EditorWindow::DocumentWindowController;
using EditorWindow::TidyFeature;
using WindowTest::FakeDocument;

namespace {

const QString tidyKey = QStringLiteral("tidy");

// Windows with only the tidy part, sharing one router and host windows as in the application.
struct TidyWindows
{
    TemporaryFolder folder;
    std::unique_ptr<EditorStore::Settings> settings;
    EditorKit::ActionRouter router;
    std::shared_ptr<EditorWindow::HostWindows> hosts;
    std::vector<std::unique_ptr<FakeDocument>> documents;
    std::vector<std::unique_ptr<DocumentWindowController>> controllers;
    std::int64_t workerThreshold = TidyFeature::defaultWorkerThreshold;

    TidyWindows()
    {
        settings = std::make_unique<EditorStore::Settings>(
            std::make_shared<Platform::PreferencesDomain>(folder / "group-defaults.json"),
            std::map<std::string, std::string>{});
        hosts = std::make_shared<EditorWindow::HostWindows>(router);
    }

    ~TidyWindows()
    {
        controllers.clear();
        documents.clear();
        QCoreApplication::processEvents();
    }

    DocumentWindowController& open(const QString& text,
                                   std::function<void(FakeDocument&)> prepare = {})
    {
        documents.push_back(std::make_unique<FakeDocument>(text));
        if (prepare)
            prepare(*documents.back());
        EditorWindow::WindowEnvironment environment;
        environment.settings = settings.get();
        environment.hosts = hosts;
        const std::int64_t threshold = workerThreshold;
        environment.features = [threshold] {
            EditorWindow::WindowFeatureList list;
            list.push_back(std::make_unique<TidyFeature>(threshold));
            return list;
        };
        controllers.push_back(
            std::make_unique<DocumentWindowController>(*documents.back(), router, environment));
        controllers.back()->showWindow();
        QCoreApplication::processEvents();
        return *controllers.back();
    }

    // Runs the command as its main-menu item does.
    static void trigger(DocumentWindowController& window, const char* identifier)
    {
        for (QAction* action : window.hostWindow()->findChildren<QAction*>()) {
            if (action->objectName() == QLatin1String(identifier)
                && !action->property(EditorKit::CommandRouter::hiddenProperty).toBool()) {
                action->trigger();
                return;
            }
        }
        FAIL() << "no item " << identifier;
    }
};

QString bannerText(const DocumentWindowController& window)
{
    const auto* banner = window.banner(tidyKey);
    return banner ? banner->message() : QString();
}

// Lets workers end and their answers arrive.
void settle(const DocumentWindowController& window, FormatterCenter* center = nullptr)
{
    auto* feature = window.feature<TidyFeature>();
    QElapsedTimer clock;
    clock.start();
    do {
        if (center)
            center->waitForBackgroundWork();
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    } while (feature && feature->isBusy() && clock.elapsed() < 10'000);
    QCoreApplication::processEvents();
}

} // namespace

TEST(TidyCommands, transformTheSelectionOrWholeLinesOrTheWholeText)
{
    struct Case
    {
        const char* name;
        const char* command;
        QString text;
        EditorCore::TextRange selection;
        QString expected;
        EditorCore::TextRange expectedSelection;
        const char* undoName;
    };
    const Case cases[] = {
        {"no selection sorts every line, the caret stays",
         "line.sortAscending",
         "b\nc\na",
         {2, 0},
         "a\nb\nc",
         {2, 0},
         "줄 정렬"},
        {"a selection sorts the whole lines covering it, breaks included",
         "line.sortAscending",
         "z\nb\na\nc",
         {3, 2},
         "z\na\nb\nc",
         {2, 4},
         "줄 정렬"},
        {"descending",
         "line.sortDescending",
         "a\nc\nb\n",
         {0, 0},
         "c\nb\na\n",
         {0, 0},
         "줄 거꾸로 정렬"},
        {"duplicates",
         "line.removeDuplicates",
         "x\ny\nx\n",
         {0, 0},
         "x\ny\n",
         {0, 0},
         "중복 줄 지우기"},
        {"a shorter text moves the caret to its end",
         "text.trimTrailingWhitespace",
         "a  \nb  ",
         {7, 0},
         "a\nb",
         {3, 0},
         "끝 공백 지우기"},
        {"upper-casing that lengthens keeps the result selected",
         "text.uppercase",
         "straße!",
         {0, 6},
         "STRASSE!",
         {0, 7},
         "대문자로"},
        {"upper-casing without a selection keeps the caret",
         "text.uppercase",
         "straße",
         {3, 0},
         "STRASSE",
         {3, 0},
         "대문자로"},
        {"lower case", "text.lowercase", "ABC DEF", {4, 3}, "ABC def", {4, 3}, "소문자로"},
        {"words are delimited by blanks only",
         "text.capitalize",
         "hello-world fOO",
         {0, 0},
         "Hello-world Foo",
         {0, 0},
         "단어 첫 글자 대문자로"},
        {"minify",
         "text.minify",
         "{ \"a\": [1, 2] }",
         {15, 0},
         "{\"a\":[1,2]}",
         {11, 0},
         "한 줄로 줄이기"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TidyWindows windows;
        DocumentWindowController& window = windows.open(c.text);
        EditorViews::EditorTextView& view = *window.textView();
        view.setSelectedRange(c.selection);
        TidyWindows::trigger(window, c.command);
        EXPECT_EQ(view.text(), c.expected);
        EXPECT_EQ(view.selectedRange(), c.expectedSelection);
        EXPECT_EQ(view.undoStack()->undoText(), QString::fromUtf8(c.undoName));
        view.undo();
        EXPECT_EQ(view.text(), c.text);
    }
}

TEST(TidyCommands, anUnchangedResultMakesNoStepButRemovesTheBanner)
{
    TidyWindows windows;
    DocumentWindowController& window = windows.open(QStringLiteral("a\nb\n"));
    window.showBanner(tidyKey, EditorWindow::BannerView::Kind::warning, QStringLiteral("old"), {});
    const int steps = window.textView()->undoStack()->count();
    TidyWindows::trigger(window, "line.sortAscending");
    EXPECT_EQ(window.banner(tidyKey), nullptr);
    EXPECT_EQ(window.textView()->undoStack()->count(), steps);
    EXPECT_FALSE(windows.documents.back()->isEdited());
}

TEST(TidyCommands, readOnlyAndPlainTextDocumentsAreLeftAlone)
{
    TidyWindows windows;
    DocumentWindowController& readOnly =
        windows.open(QStringLiteral("{oops"), [](auto& document) { document.readOnly = true; });
    readOnly.setLanguageChoice(CodeLanguage::json);
    readOnly.performAction("formatText:", {});
    readOnly.performAction("sortLinesDescending:", {});
    EXPECT_EQ(readOnly.textView()->text(), QStringLiteral("{oops"));
    EXPECT_EQ(readOnly.banner(tidyKey), nullptr);

    DocumentWindowController& plain = windows.open(QStringLiteral("b\na"));
    plain.setLanguageChoice(CodeLanguage::plainText);
    TidyWindows::trigger(plain, "text.format");
    settle(plain);
    EXPECT_EQ(plain.textView()->text(), QStringLiteral("b\na"));
    EXPECT_EQ(plain.banner(tidyKey), nullptr);
    EXPECT_EQ(plain.textView()->undoStack()->count(), 0);
}

TEST(TidyCommands, failuresNameTheLineInTheWholeDocumentAndChangeNothing)
{
    TidyWindows windows;
    QString text;
    for (int line = 1; line <= 40; ++line)
        text += QStringLiteral("before\n");
    const auto selectionStart = text.size();
    text += QStringLiteral("[\n1,\n2 oops,\n");
    for (int line = 44; line < 60; ++line)
        text += QStringLiteral("4,\n");
    text += QStringLiteral("5]\n");
    const auto selectionEnd = text.size();
    text += QStringLiteral("after\n");

    DocumentWindowController& window = windows.open(text);
    window.setLanguageChoice(CodeLanguage::json);
    window.textView()->setSelectedRange({selectionStart, selectionEnd - selectionStart});
    TidyWindows::trigger(window, "text.format");
    EXPECT_TRUE(
        bannerText(window).startsWith(QStringLiteral("JSON 이 아니라서 고치지 않았어요 — 43줄 ")))
        << bannerText(window).toStdString();
    EXPECT_EQ(window.banner(tidyKey)->kind(), EditorWindow::BannerView::Kind::warning);
    EXPECT_EQ(window.textView()->text(), text);

    DocumentWindowController& comments = windows.open(QStringLiteral("{\"a\": 1 // note\n}"));
    TidyWindows::trigger(comments, "text.minify");
    EXPECT_EQ(bannerText(comments),
              QStringLiteral("주석이 있어 한 줄로 줄이지 않았어요 — 줄이면 주석이 사라져요."));
    EXPECT_EQ(comments.textView()->text(), QStringLiteral("{\"a\": 1 // note\n}"));

    DocumentWindowController& xml = windows.open(QStringLiteral("<a><b></a>"));
    xml.setLanguageChoice(CodeLanguage::xml);
    TidyWindows::trigger(xml, "text.format");
    EXPECT_EQ(bannerText(xml), QStringLiteral("XML 이 아니라서 고치지 않았어요."));

    // A success clears the failure's banner.
    // (The menus now reach the last window opened; ask this one directly.)
    window.textView()->setSelectedRange({0, 0});
    window.performAction("sortLinesAscending:", {});
    EXPECT_EQ(window.banner(tidyKey), nullptr);
}

TEST(TidyCommands, formattingFollowsTheIndentationAndLineEnding)
{
    TidyWindows windows;
    DocumentWindowController& json =
        windows.open(QStringLiteral("{\"a\":[1]}"), [](FakeDocument& document) {
            document.style = EditorCore::IndentStyle{true, 4};
        });
    json.setChosenLineEnding(EditorCore::LineEnding::crlf);
    json.setLanguageChoice(CodeLanguage::json);
    TidyWindows::trigger(json, "text.format");
    EXPECT_EQ(json.textView()->text(), QStringLiteral("{\r\n\t\"a\": [\r\n\t\t1\r\n\t]\r\n}"));

    DocumentWindowController& xml = windows.open(QStringLiteral("<a><b/><c>t</c></a>"));
    xml.setLanguageChoice(CodeLanguage::xml);
    TidyWindows::trigger(xml, "text.format");
    EXPECT_EQ(xml.textView()->text(), QStringLiteral("<a>\n    <b/>\n    <c>t</c>\n</a>"));
    EXPECT_EQ(xml.textView()->undoStack()->undoText(), QStringLiteral("보기 좋게 정리"));
}

TEST(TidyCommands, largeTextsAreTransformedOnTheWorkerAndDroppedWhenEdited)
{
    TidyWindows windows;
    windows.workerThreshold = 4;
    DocumentWindowController& window = windows.open(QStringLiteral("c\nb\na\n"));
    TidyWindows::trigger(window, "line.sortAscending");
    settle(window);
    EXPECT_EQ(window.textView()->text(), QStringLiteral("a\nb\nc\n"));

    // An edit while the worker runs drops its answer.
    DocumentWindowController& edited = windows.open(QStringLiteral("c\nb\na\n"));
    TidyWindows::trigger(edited, "line.sortAscending");
    edited.textView()->setSelectedRange({0, 0});
    edited.textView()->insertText(QStringLiteral("x"));
    settle(edited);
    EXPECT_EQ(edited.textView()->text(), QStringLiteral("xc\nb\na\n"));
    EXPECT_EQ(edited.textView()->undoStack()->count(), 1);
}

// MARK: the formatter road

namespace {

class FormatterRoad : public ::testing::Test
{
protected:
    void SetUp() override { useCenter(); }
    void TearDown() override
    {
        windows.reset();
        if (center)
            center->waitForBackgroundWork();
        QCoreApplication::processEvents();
        FormatterCenter::replaceShared(std::move(previous));
    }

    void useCenter()
    {
        auto made = std::make_unique<FormatterCenter>(
            server.store(),
            [this](EditorStore::ErrorLog::Level, std::string_view key, const auto&) {
                logKeys.emplace_back(key);
            });
        center = made.get();
        auto replaced = FormatterCenter::replaceShared(std::move(made));
        if (!previousTaken) {
            previous = std::move(replaced);
            previousTaken = true;
        }
    }

    // Publishes and installs a bundle with that format body.
    void install(std::string_view body)
    {
        server.publish(body);
        std::optional<bool> done;
        center->install([&](bool ok) { done = ok; });
        for (int round = 0; round < 4 && !done; ++round) {
            center->waitForBackgroundWork();
            QCoreApplication::sendPostedEvents();
            QCoreApplication::processEvents();
        }
        ASSERT_EQ(done, true);
    }

    DocumentWindowController& openScript(const QString& text)
    {
        DocumentWindowController& window = windows->open(text);
        window.setLanguageChoice(CodeLanguage::javascript);
        return window;
    }

    void settleAll(const DocumentWindowController& window)
    {
        for (int round = 0; round < 4; ++round)
            settle(window, center);
    }

    FormatterTest::FormatterServer server;
    FormatterCenter* center = nullptr;
    std::unique_ptr<FormatterCenter> previous;
    bool previousTaken = false;
    std::vector<std::string> logKeys;
    std::unique_ptr<TidyWindows> windows = std::make_unique<TidyWindows>();
};

} // namespace

TEST_F(FormatterRoad, aResultTakesTheDocumentsLineEndingWithoutDoublingCarriageReturns)
{
    install("return Promise.resolve('x\\ny\\r\\nz\\n');");
    DocumentWindowController& window = openScript(QStringLiteral("let a\r\n"));
    window.setChosenLineEnding(EditorCore::LineEnding::crlf);
    TidyWindows::trigger(window, "text.format");
    settleAll(window);
    // The whole text keeps the formatter's final line feed.
    EXPECT_EQ(window.textView()->text(), QStringLiteral("x\r\ny\r\nz\r\n"));
    EXPECT_EQ(window.textView()->undoStack()->undoText(), QStringLiteral("보기 좋게 정리"));
}

TEST_F(FormatterRoad, aSelectionWithoutAFinalLineFeedGetsNone)
{
    install(FormatterTest::upperCaseBody);
    DocumentWindowController& window = openScript(QStringLiteral("aa\nbb\ncc"));
    window.textView()->setSelectedRange({3, 2});
    TidyWindows::trigger(window, "text.format");
    settleAll(window);
    EXPECT_EQ(window.textView()->text(), QStringLiteral("aa\nBB\ncc"));
    EXPECT_EQ(window.textView()->selectedRange(), (EditorCore::TextRange{3, 2}));

    // A selection that ends with a line feed keeps the result's.
    window.textView()->setSelectedRange({3, 3});
    TidyWindows::trigger(window, "text.format");
    settleAll(window);
    EXPECT_EQ(window.textView()->text(), QStringLiteral("aa\nBB\n\ncc"));
}

TEST_F(FormatterRoad, failuresShowTheirPlaceInTheDocument)
{
    install("throw Object.assign(new Error(text.startsWith('b') ? 'boom' : 'plain'), "
            "text.startsWith('b') ? { loc: { start: { line: 2 } } } : {});");
    DocumentWindowController& window = openScript(QStringLiteral("one\ntwo\nbad\nline\n"));
    window.textView()->setSelectedRange({8, 9});
    TidyWindows::trigger(window, "text.format");
    settleAll(window);
    // Line 2 of the selection is line 4 of the document; no column counts as 1.
    EXPECT_EQ(bannerText(window), QStringLiteral("정리하지 못했어요 — 4줄 1칸 근처 — boom"));

    window.textView()->setSelectedRange({0, 3});
    TidyWindows::trigger(window, "text.format");
    settleAll(window);
    EXPECT_EQ(bannerText(window), QStringLiteral("정리하지 못했어요 — plain"));
    EXPECT_EQ(window.textView()->text(), QStringLiteral("one\ntwo\nbad\nline\n"));
}

TEST_F(FormatterRoad, anAnswerForATextEditedMeanwhileIsDropped)
{
    install(FormatterTest::upperCaseBody);
    DocumentWindowController& window = openScript(QStringLiteral("abc"));
    window.textView()->setSelectedRange({3, 0});
    TidyWindows::trigger(window, "text.format");
    window.textView()->insertText(QStringLiteral("d"));
    settleAll(window);
    EXPECT_EQ(window.textView()->text(), QStringLiteral("abcd"));
    EXPECT_EQ(window.banner(tidyKey), nullptr);
}

TEST_F(FormatterRoad, aMissingFormatterIsOfferedInstalledThenUsedInEveryWindow)
{
    server.publish(FormatterTest::upperCaseBody);
    DocumentWindowController& first = openScript(QStringLiteral("one"));
    DocumentWindowController& second = openScript(QStringLiteral("two"));
    for (DocumentWindowController* window : {&first, &second}) {
        window->performAction("formatText:", {});
        auto* offer = window->banner(tidyKey);
        ASSERT_NE(offer, nullptr);
        EXPECT_TRUE(offer->message().contains(center->serverName()));
        EXPECT_TRUE(offer->message().contains(QStringLiteral("정리기(Prettier)")));
        ASSERT_EQ(offer->actions().size(), 1u);
        EXPECT_EQ(offer->actions()[0].title, QStringLiteral("받기"));
    }
    // Both windows ask while the one installation runs.
    first.banner(tidyKey)->runAction(0);
    second.banner(tidyKey)->runAction(0);
    EXPECT_EQ(bannerText(second), QStringLiteral("정리기를 받는 중이에요…"));
    settleAll(first);
    settleAll(second);

    EXPECT_EQ(first.textView()->text(), QStringLiteral("ONE\n"));
    EXPECT_EQ(second.textView()->text(), QStringLiteral("TWO\n"));
    EXPECT_EQ(first.banner(tidyKey), nullptr);
    EXPECT_EQ(second.banner(tidyKey), nullptr);
    EXPECT_EQ(logKeys, std::vector<std::string>{"formatter.installed"});
}

TEST_F(FormatterRoad, aFailedInstallationIsShown)
{
    server.publishNothing();
    DocumentWindowController& window = openScript(QStringLiteral("one"));
    TidyWindows::trigger(window, "text.format");
    window.banner(tidyKey)->runAction(0);
    settleAll(window);
    settleAll(window);
    ASSERT_EQ(center->phase().kind, FormatterCenter::Phase::Kind::failed);
    EXPECT_EQ(bannerText(window), QStringLiteral("정리기 — ") + center->phase().message);
    EXPECT_EQ(window.textView()->text(), QStringLiteral("one"));
}

TEST(TidyCommands, popUpMenusOfferTheirCommandsAndRunThem)
{
    TidyWindows windows;
    DocumentWindowController& window = windows.open(QStringLiteral("b\na\n"));
    const auto openMenus = [&] {
        QList<QMenu*> menus;
        for (QMenu* menu : window.textView()->findChildren<QMenu*>()) {
            if (menu->isVisible())
                menus.append(menu);
        }
        return menus;
    };
    const auto titles = [](QMenu* menu) {
        QStringList result;
        for (QAction* action : menu->actions())
            result.append(action->isSeparator() ? QStringLiteral("-") : action->text());
        return result;
    };

    window.performAction("showMultiMenu:", {});
    auto menus = openMenus();
    ASSERT_EQ(menus.size(), 1);
    EXPECT_FALSE(titles(menus[0]).isEmpty());
    menus[0]->close();
    QCoreApplication::processEvents();

    window.performAction("showTidyMenu:", {});
    menus = openMenus();
    ASSERT_EQ(menus.size(), 1);
    const QStringList items = titles(menus[0]);
    EXPECT_TRUE(items.contains(QStringLiteral("보기 좋게 정리"))) << items.join('|').toStdString();
    EXPECT_TRUE(items.contains(QStringLiteral("줄 정렬"))) << items.join('|').toStdString();
    for (QAction* action : menus[0]->actions()) {
        if (action->text() == QStringLiteral("줄 정렬"))
            action->trigger();
    }
    EXPECT_EQ(window.textView()->text(), QStringLiteral("a\nb\n"));
}
