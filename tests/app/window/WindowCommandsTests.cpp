// The window commands, sent the way the main menu and its hidden shortcut items send them:
// the host window's own QActions, through the router and the responder chain.
#include "app/kit/ActionRouter.h"
#include "app/kit/CommandRouter.h"
#include "app/kit/HostWindow.h"
#include "app/kit/NotificationCenter.h"
#include "app/kit/TabPage.h"
#include "app/kit/Utf16.h"
#include "app/window/DocumentWindowController.h"
#include "app/window/hosting/HostWindows.h"
#include "platform/PreferencesDomain.h"
#include "store/Settings.h"
#include "tests/app/window/FakeDocument.h"
#include "tests/platform/TemporaryFolder.h"
#include "core/Indentation.h"
#include "core/LineCommands.h"

#include <QAction>
#include <QCoreApplication>
#include <QFont>
#include <QRegularExpression>
#include <QScrollBar>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

using EditorWindow::DocumentWindowController;
using EditorWindow::WindowEnvironment;
using EditorWindow::WindowFeature;
using WindowTest::FakeDocument;

namespace {

// Counts what the window hands its features.
struct Calls
{
    std::vector<std::vector<std::string>> settings;
    int grammars = 0;
    int visibleArea = 0;
    int becameKey = 0;
};

class SpyFeature : public WindowFeature
{
public:
    explicit SpyFeature(std::shared_ptr<Calls> calls)
        : m_calls(std::move(calls))
    {}
    void settingsDidChange(const std::vector<std::string>& keys) override
    {
        m_calls->settings.push_back(keys);
    }
    void grammarsDidChange() override { ++m_calls->grammars; }
    void visibleAreaDidChange() override { ++m_calls->visibleArea; }
    void windowBecameKey() override { ++m_calls->becameKey; }

private:
    std::shared_ptr<Calls> m_calls;
};

// Windows sharing one router, one set of host windows and one settings store, as in the
// application.
struct Windows
{
    TemporaryFolder folder;
    std::unique_ptr<EditorStore::Settings> settings;
    EditorKit::ActionRouter router;
    std::shared_ptr<EditorWindow::HostWindows> hosts;
    std::vector<std::unique_ptr<FakeDocument>> documents;
    std::vector<std::unique_ptr<DocumentWindowController>> controllers;
    std::vector<std::shared_ptr<Calls>> calls;

    // What the window environment reported.
    int stateSaves = 0;
    std::vector<std::filesystem::path> remembered;
    std::function<std::chrono::system_clock::time_point()> now;

    explicit Windows(std::map<std::string, std::string> values = {})
    {
        settings = std::make_unique<EditorStore::Settings>(
            std::make_shared<Platform::PreferencesDomain>(folder / "group-defaults.json"),
            std::move(values));
        hosts = std::make_shared<EditorWindow::HostWindows>(router);
    }

    ~Windows()
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
        auto spy = std::make_shared<Calls>();
        calls.push_back(spy);
        WindowEnvironment environment;
        environment.settings = settings.get();
        environment.hosts = hosts;
        environment.features = [spy] {
            EditorWindow::WindowFeatureList list;
            list.push_back(std::make_unique<SpyFeature>(spy));
            return list;
        };
        environment.scheduleWindowStateSave = [this] { ++stateSaves; };
        environment.rememberView = [this](const std::filesystem::path& path,
                                          const EditorViews::EditorViewOptions&) {
            remembered.push_back(path);
        };
        environment.now = [this] { return now ? now() : std::chrono::system_clock::now(); };
        controllers.push_back(
            std::make_unique<DocumentWindowController>(*documents.back(), router, environment));
        controllers.back()->showWindow();
        QCoreApplication::processEvents();
        return *controllers.back();
    }

    // The host window's item for the command (a menu item, else the hidden shortcut item),
    // triggered as a click or a chord would.
    static void trigger(EditorKit::HostWindow* host, const QString& identifier, bool hidden = false)
    {
        ASSERT_NE(host, nullptr);
        for (QAction* action : host->findChildren<QAction*>()) {
            if (action->objectName() != identifier)
                continue;
            if (action->property(EditorKit::CommandRouter::hiddenProperty).toBool() != hidden)
                continue;
            action->trigger();
            return;
        }
        FAIL() << "no item " << identifier.toStdString();
    }
    static void trigger(DocumentWindowController& window, const QString& identifier)
    {
        trigger(window.hostWindow(), identifier);
    }
};

QString undoName(DocumentWindowController& window)
{
    return window.textView()->undoStack()->undoText();
}

} // namespace

TEST(WindowCommands, zoomMovesStrictlyToTheNextStepAndStopsAtTheEnds)
{
    Windows windows;
    DocumentWindowController& window = windows.open(QStringLiteral("x"));
    auto zoom = [&] { return window.display()->options.zoom; };
    auto fontSize = [&] {
        const QFont& font = window.textView()->editorFont();
        return font.pixelSize() > 0 ? double(font.pixelSize()) : font.pointSizeF();
    };
    const double fontBefore = fontSize();

    struct Step
    {
        const char* command;
        double zoom;
    };
    const Step steps[] = {
        {"view.zoomIn", 1.125},
        {"view.zoomIn", 1.25},
        {"view.zoomIn", 1.5},
        {"view.zoomReset", 1.0},
        {"view.zoomOut", 0.875},
    };
    for (const Step& step : steps) {
        Windows::trigger(window, QString::fromLatin1(step.command));
        EXPECT_DOUBLE_EQ(zoom(), step.zoom) << step.command;
    }
    EXPECT_LT(fontSize(), fontBefore);

    // A zoom between steps (restored from a saved tab) moves to the neighbouring step.
    auto restored = window.display()->options;
    restored.zoom = 1.1;
    window.applyDisplayOptions(restored, false);
    Windows::trigger(window, QStringLiteral("view.zoomOut"));
    EXPECT_DOUBLE_EQ(zoom(), 1.0);

    for (int i = 0; i < 20; ++i)
        Windows::trigger(window, QStringLiteral("view.zoomIn"));
    EXPECT_DOUBLE_EQ(zoom(), 4.0);
    for (int i = 0; i < 20; ++i)
        Windows::trigger(window, QStringLiteral("view.zoomOut"));
    EXPECT_DOUBLE_EQ(zoom(), 0.5);
    EXPECT_GT(windows.stateSaves, 0);
    EXPECT_TRUE(windows.remembered.empty());
}

TEST(WindowCommands, viewSwitchesAskForTheStateSaveAndOnlyTheRulerIsRememberedPerFile)
{
    Windows windows;
    DocumentWindowController& window =
        windows.open(QStringLiteral("x"), [](FakeDocument& d) { d.url = "/data/file.txt"; });
    using Options = EditorViews::EditorViewOptions;
    struct Switch
    {
        const char* command;
        bool Options::*field;
        bool remembered;
    };
    const Switch switches[] = {
        {"view.invisibles", &Options::showsInvisibles, false},
        {"view.wrap", &Options::wrapsLines, false},
        {"view.lineNumbers", &Options::showsLineNumbers, false},
        {"view.currentLine", &Options::highlightsCurrentLine, false},
        {"view.ruler", &Options::showsRuler, true},
    };
    for (const Switch& s : switches) {
        SCOPED_TRACE(s.command);
        const Options before = window.display()->options;
        const int saves = windows.stateSaves;
        windows.remembered.clear();
        Windows::trigger(window, QString::fromLatin1(s.command));
        Options expected = before;
        expected.*(s.field) = !(before.*(s.field));
        EXPECT_EQ(window.display()->options, expected);
        EXPECT_EQ(windows.stateSaves, saves + 1);
        EXPECT_EQ(windows.remembered.size(), s.remembered ? 1u : 0u);
    }
    EXPECT_EQ(windows.remembered, std::vector<std::filesystem::path>{"/data/file.txt"});

    // An untitled document and an external copy have no per-file memory.
    windows.remembered.clear();
    DocumentWindowController& untitled = windows.open(QStringLiteral("y"));
    DocumentWindowController& copy = windows.open(QStringLiteral("z"), [](FakeDocument& d) {
        d.url = "/data/copy.txt";
        d.externalCopy = true;
    });
    const bool untitledRuler = untitled.display()->options.showsRuler;
    untitled.hostWindow()->setCurrentPage(untitled.page());
    Windows::trigger(untitled, QStringLiteral("view.ruler"));
    EXPECT_NE(untitled.display()->options.showsRuler, untitledRuler);
    copy.hostWindow()->setCurrentPage(copy.page());
    Windows::trigger(copy, QStringLiteral("view.ruler"));
    EXPECT_TRUE(windows.remembered.empty());
}

TEST(WindowCommands, toolBandToggleWritesTheSettingThatEveryWindowFollows)
{
    Windows windows;
    DocumentWindowController& first = windows.open(QStringLiteral("1"));
    DocumentWindowController& third = windows.open(QStringLiteral("2"));

    for (auto& calls : windows.calls)
        calls->settings.clear();
    Windows::trigger(first, QStringLiteral("view.toggleToolbar"));
    EXPECT_FALSE(windows.settings->value(EditorStore::SettingKeys::viewShowToolbar));
    for (auto& calls : windows.calls) {
        ASSERT_EQ(calls->settings.size(), 1u);
        EXPECT_EQ(calls->settings[0], std::vector<std::string>{"view.showToolbar"});
    }
    Windows::trigger(third, QStringLiteral("view.toggleToolbar"));
    EXPECT_TRUE(windows.settings->value(EditorStore::SettingKeys::viewShowToolbar));
    // Only the setting: no window state, no file memory.
    EXPECT_EQ(windows.stateSaves, 0);
    EXPECT_TRUE(windows.remembered.empty());
}

TEST(WindowCommands, tabNumberFromAMenuItemOrTheHiddenShortcutItem)
{
    Windows windows;
    DocumentWindowController& first = windows.open(QStringLiteral("1"));
    DocumentWindowController& second = windows.open(QStringLiteral("2"));
    DocumentWindowController& third = windows.open(QStringLiteral("3"));
    EditorKit::HostWindow* host = first.hostWindow();
    ASSERT_EQ(host->pageCount(), 3);

    auto sendTab = [&](int number) {
        EditorKit::ActionSender sender;
        sender.kind = EditorKit::ActionSender::Kind::menuItem;
        sender.identifier = QStringLiteral("window.selectTab%1").arg(number);
        sender.tag = number;
        host->sendAction("selectTabByNumber:", sender);
    };
    sendTab(1);
    EXPECT_EQ(host->currentPage(), first.page());
    sendTab(9);
    EXPECT_EQ(host->currentPage(), third.page());
    sendTab(2);
    EXPECT_EQ(host->currentPage(), second.page());
    sendTab(5);
    EXPECT_EQ(host->currentPage(), second.page());

    // The chords: the window's hidden items carry the same numbers.
    Windows::trigger(host, QStringLiteral("window.selectTab1"), true);
    EXPECT_EQ(host->currentPage(), first.page());
    Windows::trigger(host, QStringLiteral("window.selectTab9"), true);
    EXPECT_EQ(host->currentPage(), third.page());
    Windows::trigger(host, QStringLiteral("window.selectTab5"), true);
    EXPECT_EQ(host->currentPage(), third.page());

    // Without a menu item's tag (the palette, code) nothing is chosen.
    EditorKit::ActionSender other;
    other.tag = 1;
    host->sendAction("selectTabByNumber:", other);
    EXPECT_EQ(host->currentPage(), third.page());
}

TEST(WindowCommands, revertPutsTheOpenedTextBackAsOneUndoStep)
{
    Windows windows;
    DocumentWindowController& window = windows.open(QStringLiteral("opened\r\ntext"));
    EditorViews::EditorTextView& view = *window.textView();
    view.setSelectedRange({6, 0});
    view.insertText(QStringLiteral("\nmore"));
    ASSERT_EQ(view.text(), QStringLiteral("opened\r\nmore\r\ntext"));
    const int steps = view.undoStack()->count();

    Windows::trigger(window, QStringLiteral("file.revertToOpened"));
    EXPECT_EQ(view.text(), QStringLiteral("opened\r\ntext"));
    EXPECT_EQ(view.selectedRange(), (EditorCore::TextRange{0, 0}));
    EXPECT_EQ(undoName(window), QStringLiteral("연 상태로 되돌리기"));
    EXPECT_EQ(view.lineIndex(), EditorCore::LineIndex(u"opened\r\ntext"));

    // The second finds the opened text and makes no step.
    Windows::trigger(window, QStringLiteral("file.revertToOpened"));
    EXPECT_EQ(view.undoStack()->count(), steps + 1);

    view.undo();
    EXPECT_EQ(view.text(), QStringLiteral("opened\r\nmore\r\ntext"));
}

TEST(WindowCommands, readOnlyWindowRefusesTextCommands)
{
    Windows windows;
    DocumentWindowController& window = windows.open(QStringLiteral("a\nb"));
    EditorViews::EditorTextView& view = *window.textView();
    view.setSelectedRange({3, 0});
    view.insertText(QStringLiteral("c"));
    windows.documents.back()->readOnly = true;
    window.applyEditability();
    const int steps = view.undoStack()->count();

    for (const char* command : {"file.revertToOpened",
                                "line.duplicate",
                                "line.delete",
                                "text.indent",
                                "text.insertDateTime",
                                "line.join"})
        Windows::trigger(window, QString::fromLatin1(command));
    EXPECT_EQ(view.text(), QStringLiteral("a\nbc"));
    EXPECT_EQ(view.undoStack()->count(), steps);
}

TEST(WindowCommands, dateReplacesTheSelectionAndLeavesTheCaretAfterIt)
{
    Windows windows(std::map<std::string, std::string>{{"editor.dateFormat", "yyyy"}});
    // Mid-year, so every time zone gives the same year.
    windows.now = [] {
        return std::chrono::system_clock::time_point(std::chrono::seconds(1719835200));
    };
    DocumentWindowController& window = windows.open(QStringLiteral("ab가나cd"));
    EditorViews::EditorTextView& view = *window.textView();
    view.setSelectedRange({2, 2});
    Windows::trigger(window, QStringLiteral("text.insertDateTime"));
    EXPECT_EQ(view.text(), QStringLiteral("ab2024cd"));
    EXPECT_EQ(view.selectedRange(), (EditorCore::TextRange{6, 0}));
    EXPECT_EQ(undoName(window), QStringLiteral("날짜 · 시각 넣기"));
    view.undo();
    EXPECT_EQ(view.text(), QStringLiteral("ab가나cd"));

    // The default format.
    Windows defaults;
    DocumentWindowController& plain = defaults.open(QStringLiteral("[]"));
    plain.textView()->setSelectedRange({1, 0});
    Windows::trigger(plain, QStringLiteral("text.insertDateTime"));
    const QString text = plain.textView()->text();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\[\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}\\]$"))
                    .match(text)
                    .hasMatch())
        << text.toStdString();
    EXPECT_EQ(plain.textView()->selectedRange(), (EditorCore::TextRange{17, 0}));
}

TEST(WindowCommands, lineCommandsInACrlfFileEachUnderItsName)
{
    const QString original = QStringLiteral("one\r\ntwo\r\nthree");
    struct Case
    {
        const char* command;
        EditorCore::TextRange selection;
        QString expected;
        QString undoName;
    };
    const Case cases[] = {
        {"line.duplicate",
         {12, 0},
         QStringLiteral("one\r\ntwo\r\nthree\r\nthree"),
         QStringLiteral("줄 복제")},
        {"line.moveUp", {6, 0}, QStringLiteral("two\r\none\r\nthree"), QStringLiteral("줄 위로")},
        {"line.moveDown",
         {6, 0},
         QStringLiteral("one\r\nthree\r\ntwo"),
         QStringLiteral("줄 아래로")},
        {"line.delete", {6, 0}, QStringLiteral("one\r\nthree"), QStringLiteral("줄 지우기")},
        {"line.join", {6, 0}, QStringLiteral("one\r\ntwo three"), QStringLiteral("줄 합치기")},
        {"text.indent",
         {0, 7},
         QStringLiteral("    one\r\n    two\r\nthree"),
         QStringLiteral("들여쓰기")},
        {"text.outdent", {0, 7}, original, QString()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        Windows windows(std::map<std::string, std::string>{{"editor.indent.useTabs", "false"},
                                                           {"editor.indent.width", "4"}});
        DocumentWindowController& window = windows.open(original);
        EditorViews::EditorTextView& view = *window.textView();
        view.setSelectedRange(c.selection);
        Windows::trigger(window, QString::fromLatin1(c.command));
        EXPECT_EQ(view.text(), c.expected);
        EXPECT_EQ(undoName(window), c.undoName);
        EXPECT_EQ(view.lineIndex(),
                  EditorCore::LineIndex(
                      std::u16string_view(reinterpret_cast<const char16_t*>(view.text().utf16()),
                                          static_cast<std::size_t>(view.text().size()))));
        view.undo();
        EXPECT_EQ(view.text(), original);
    }
}

// A line command reads only the selected lines and one line each side: in a longer text, at
// its first and last lines, in the middle, with a selection that ends at a line start and with
// every kind of break, it must make the edit the command makes over the whole text.
TEST(WindowCommands, lineCommandsReadingTheirLinesEditAsOverTheWholeText)
{
    const QString original = QStringLiteral(
        "zero\n  one\r\ntwo\u2028three\rfour\n\n  six\r\nseven\u0085eight\nnine");
    const auto whole = [&] { return EditorKit::utf16View(original); };
    const EditorCore::IndentStyle style(false, 4);
    using Command = std::function<std::optional<EditorCore::TextEdit>(EditorCore::TextRange)>;
    const std::pair<const char*, Command> commands[] = {
        {"line.duplicate",
         [&](EditorCore::TextRange r) {
             return EditorCore::LineCommands::duplicateLines(whole(), r, EditorCore::LineEnding::lf);
         }},
        {"line.moveUp",
         [&](EditorCore::TextRange r) {
             return EditorCore::LineCommands::moveLines(
                 whole(), r, EditorCore::LineCommands::MoveDirection::up, EditorCore::LineEnding::lf);
         }},
        {"line.moveDown",
         [&](EditorCore::TextRange r) {
             return EditorCore::LineCommands::moveLines(
                 whole(), r, EditorCore::LineCommands::MoveDirection::down, EditorCore::LineEnding::lf);
         }},
        {"line.delete",
         [&](EditorCore::TextRange r) {
             return std::optional(EditorCore::LineCommands::deleteLines(whole(), r));
         }},
        {"line.join",
         [&](EditorCore::TextRange r) { return EditorCore::LineCommands::joinLines(whole(), r); }},
        {"text.indent",
         [&](EditorCore::TextRange r) {
             return std::optional(EditorCore::Indentation::indentLines(whole(), r, style));
         }},
        {"text.outdent",
         [&](EditorCore::TextRange r) {
             return std::optional(EditorCore::Indentation::outdentLines(whole(), r, style));
         }},
    };
    const EditorCore::TextRange selections[] = {
        {0, 0}, {2, 0}, {7, 6}, {11, 0}, {16, 0}, {21, 0}, {26, 1}, {27, 0}, {29, 9}, {39, 5},
        {static_cast<std::int64_t>(original.size()), 0}, {12, 20}, {5, 0}, {6, 0}};
    for (const auto& [name, command] : commands) {
        for (const EditorCore::TextRange selection : selections) {
            SCOPED_TRACE(testing::Message() << name << " at " << selection.location << "+"
                                            << selection.length);
            Windows windows(std::map<std::string, std::string>{{"editor.indent.useTabs", "false"},
                                                               {"editor.indent.width", "4"}});
            DocumentWindowController& window = windows.open(original);
            EditorViews::EditorTextView& view = *window.textView();
            view.setSelectedRange(selection);
            Windows::trigger(window, QString::fromLatin1(name));
            QString expected = original;
            EditorViews::TextRange expectedSelection = selection;
            if (const auto edit = command(selection)) {
                expected.replace(static_cast<qsizetype>(edit->range.location),
                                 static_cast<qsizetype>(edit->range.length),
                                 EditorKit::qstringFrom(edit->replacement));
                expectedSelection = edit->selection;
            }
            EXPECT_EQ(view.text(), expected);
            if (view.text() != original) {
                EXPECT_EQ(view.selectedRange(), expectedSelection);
            }
        }
    }
}

TEST(WindowCommands, commandsWithoutAnEditLeaveTheDocumentUnedited)
{
    Windows windows;
    DocumentWindowController& window = windows.open(QStringLiteral("a\nb"));
    EditorViews::EditorTextView& view = *window.textView();
    struct Case
    {
        const char* command;
        EditorCore::TextRange selection;
    };
    const Case cases[] = {
        {"line.moveUp", {0, 0}},   // already the first line
        {"line.moveDown", {2, 0}}, // already the last line
        {"line.join", {2, 0}},     // the last line has nothing to join
        {"text.outdent", {0, 3}},  // nothing indented
    };
    for (const Case& c : cases) {
        view.setSelectedRange(c.selection);
        Windows::trigger(window, QString::fromLatin1(c.command));
        EXPECT_EQ(view.text(), QStringLiteral("a\nb")) << c.command;
        EXPECT_EQ(view.undoStack()->count(), 0) << c.command;
    }
    EXPECT_FALSE(windows.documents.back()->isEdited());
}

TEST(WindowCommands, windowNotificationsReachTheFeatures)
{
    Windows windows;
    QString lines;
    for (int i = 0; i < 500; ++i)
        lines += QStringLiteral("line %1\n").arg(i);
    DocumentWindowController& first = windows.open(lines);
    DocumentWindowController& second = windows.open(QStringLiteral("2"));
    for (auto& calls : windows.calls)
        *calls = Calls{};

    // Scrolling the text.
    first.textView()->verticalScrollBar()->setValue(100);
    EXPECT_GT(windows.calls[0]->visibleArea, 0);
    EXPECT_EQ(windows.calls[1]->visibleArea, 0);
    // The tab that comes to the front becomes key.
    first.hostWindow()->setCurrentPage(first.page());
    EXPECT_EQ(windows.calls[0]->becameKey, 1);
    EXPECT_EQ(windows.calls[1]->becameKey, 0);
    second.hostWindow()->setCurrentPage(second.page());
    EXPECT_EQ(windows.calls[1]->becameKey, 1);

    // Resizing it.
    first.hostWindow()->setCurrentPage(first.page());
    const int scrolled = windows.calls[0]->visibleArea;
    first.textView()->resize(first.textView()->size() + QSize(0, 40));
    QCoreApplication::processEvents();
    EXPECT_GT(windows.calls[0]->visibleArea, scrolled);

    // Grammars changed: every window, and only for that name.
    EditorKit::NotificationCenter::shared().post(EditorKit::NotificationCenter::grammarsDidChange);
    EditorKit::NotificationCenter::shared().post(QStringLiteral("app.orlune.viewer.other"));
    for (auto& calls : windows.calls)
        EXPECT_EQ(calls->grammars, 1);
}
