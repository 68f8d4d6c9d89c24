#include "app/kit/ActionRouter.h"
#include "app/views/EditorColors.h"
#include "app/views/EditorTextView.h"
#include "app/window/DocumentWindowController.h"
#include "app/window/StatusBarView.h"
#include "app/window/coloring/SyntaxColoring.h"
#include "app/window/coloring/SyntaxColoringFeature.h"
#include "app/window/coloring/SyntaxErrorMarks.h"
#include "features/SyntaxGrammars.h"
#include "platform/PreferencesDomain.h"
#include "store/SettingKeys.h"
#include "store/Settings.h"
#include "tests/app/window/FakeDocument.h"
#include "tests/features/MarkdownGrammars.h"
#include "tests/platform/TemporaryFolder.h"

#include <QCoreApplication>
#include <QPushButton>

#include <gtest/gtest.h>

#include <deque>
#include <mutex>

using EditorFeatures::CodeLanguage;
using EditorFeatures::SyntaxGrammar;
using EditorFeatures::SyntaxParsed;
using EditorFeatures::SyntaxProblem;
using EditorFeatures::SyntaxRole;
using EditorFeatures::SyntaxSession;
using EditorViews::EditorTextView;
using EditorViews::EditRecord;
using EditorViews::TextRange;
using EditorWindow::DocumentWindowController;
using EditorWindow::SyntaxColoring;
using EditorWindow::SyntaxColoringFeature;
using EditorWindow::WindowEnvironment;
using State = SyntaxColoring::State;
using Pending = SyntaxColoring::PendingEdit;
namespace Marks = EditorWindow::SyntaxErrorMarks;

namespace {

// Keeps the sessions' jobs until the test runs them.
class HeldQueue
{
public:
    std::function<SyntaxSession::JobPoster()> factory()
    {
        return [this] {
            return [this](SyntaxSession::Job job) {
                std::lock_guard guard(m_mutex);
                m_jobs.push_back(std::move(job));
            };
        };
    }
    // Runs the jobs, then hands their results to the main thread's colouring.
    void runAll(bool deliver = true)
    {
        for (;;) {
            SyntaxSession::Job job;
            {
                std::lock_guard guard(m_mutex);
                if (m_jobs.empty())
                    break;
                job = std::move(m_jobs.front());
                m_jobs.pop_front();
            }
            job();
        }
        if (deliver)
            QCoreApplication::processEvents();
    }

private:
    std::mutex m_mutex;
    std::deque<SyntaxSession::Job> m_jobs;
};

struct GrammarLog
{
    std::vector<std::set<std::string>> loads;
};

SyntaxColoring::GrammarSource testGrammars(GrammarLog* log = nullptr)
{
    SyntaxColoring::GrammarSource source;
    source.grammar = [](CodeLanguage language) -> std::optional<SyntaxGrammar> {
        if (language == CodeLanguage::markdown)
            return EditorFeatures::TestGrammars::markdown();
        return EditorFeatures::SyntaxGrammars::grammar(language);
    };
    source.injectionGrammars = [] {
        SyntaxSession::Grammars grammars;
        grammars.emplace("json", EditorFeatures::TestGrammars::json());
        grammars.emplace("markdown_inline", EditorFeatures::TestGrammars::markdownInline());
        return grammars;
    };
    source.loadInjected = [log](const std::set<std::string>& names) {
        if (log)
            log->loads.push_back(names);
    };
    return source;
}

QColor roleColor(const EditorTextView& view, SyntaxRole role)
{
    return EditorViews::EditorColors::syntaxPalette(EditorViews::appearanceOf(
        view.palette()))[static_cast<std::size_t>(EditorFeatures::rawValue(role))];
}

// The colour of each unit of a line, as the view's layout would get it (invalid: none).
std::vector<QColor> lineColors(SyntaxColoring& coloring, const EditorTextView& view, int line)
{
    const auto& lines = view.lineIndex();
    const auto start = lines.lineStart(line + 1);
    auto end = line + 1 < lines.lineCount() ? lines.lineStart(line + 2) : view.text().size();
    while (end > start && (view.text()[end - 1] == u'\n' || view.text()[end - 1] == u'\r'))
        --end;
    QList<QTextLayout::FormatRange> formats;
    coloring.colorLine(line, 0, static_cast<int>(end - start), formats);
    std::vector<QColor> colors(static_cast<std::size_t>(end - start));
    for (const auto& format : formats) {
        for (int at = format.start; at < format.start + format.length; ++at)
            colors[static_cast<std::size_t>(at)] = format.format.foreground().color();
    }
    return colors;
}

struct ColoringFixture
{
    HeldQueue queue;
    GrammarLog log;
    EditorTextView view{std::make_shared<EditorViews::EditorDisplayState>()};
    SyntaxColoring coloring{view, testGrammars(&log), queue.factory()};
    std::vector<std::vector<SyntaxProblem>> reported;

    explicit ColoringFixture(const QString& text)
    {
        view.resize(600, 400);
        view.setText(text);
        coloring.onProblems = [this](const std::vector<SyntaxProblem>& problems) {
            reported.push_back(problems);
        };
    }
    // Types into the view; the colouring hears of it as the window's part would tell it.
    void type(int at, const QString& text, int replacing = 0)
    {
        view.insertText(text, {at, replacing});
        coloring.textDidChange(at, replacing, text);
    }
};

} // namespace

// MARK: colouring

TEST(SyntaxColoring, stateFollowsSettingsGrammarAndSize)
{
    struct Case
    {
        CodeLanguage language;
        bool enabled;
        bool force;
        qsizetype length;
        State state;
    };
    const Case cases[] = {
        {CodeLanguage::json, true, false, 2'097'152, State::on},
        {CodeLanguage::json, true, false, 2'097'153, State::tooLarge},
        {CodeLanguage::markdown, true, false, 1'048'576, State::on},
        {CodeLanguage::markdown, true, false, 1'048'577, State::tooLarge},
        {CodeLanguage::yaml, true, true, 10, State::tooLarge},
        {CodeLanguage::plainText, true, false, 10, State::noGrammar},
        {CodeLanguage::plainText, false, false, 10, State::off},
        {CodeLanguage::json, false, true, 10, State::off},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << EditorFeatures::rawValue(c.language) << " " << c.length
                                        << " force " << c.force);
        ColoringFixture f(QString(c.length, QLatin1Char(' ')));
        f.coloring.setLanguage(c.language, c.enabled, 2, c.force);
        EXPECT_EQ(f.coloring.state(), c.state);
        EXPECT_EQ(f.coloring.hasSession(), c.state == State::on);
    }
}

TEST(SyntaxColoring, theSameStateAndLanguageRestartNothing)
{
    ColoringFixture f(QStringLiteral("{\"a\": 1}"));
    f.coloring.setLanguage(CodeLanguage::json, true, 2, false);
    f.queue.runAll();
    ASSERT_TRUE(f.coloring.hasTree());
    const auto version = f.coloring.version();
    f.coloring.setLanguage(CodeLanguage::json, true, 2, false);
    EXPECT_EQ(f.coloring.version(), version);
    EXPECT_TRUE(f.coloring.hasTree());
    // Markdown's grammar has injections: one request for them, one for the text.
    f.coloring.setLanguage(CodeLanguage::markdown, true, 2, false);
    EXPECT_EQ(f.coloring.version(), version + 2);
    EXPECT_FALSE(f.coloring.hasTree());
}

TEST(SyntaxColoring, colorsFollowRolesAndSwitchingOffRemovesThemAll)
{
    ColoringFixture f(QStringLiteral("{\"a\": 12, \"b\": true}"));
    f.coloring.setLanguage(CodeLanguage::json, true, 2, false);
    f.queue.runAll();
    ASSERT_TRUE(f.coloring.hasTree());
    ASSERT_FALSE(f.reported.empty());
    EXPECT_TRUE(f.reported.back().empty()) << "valid JSON";
    const auto reports = f.reported.size();

    auto colors = lineColors(f.coloring, f.view, 0);
    EXPECT_EQ(colors[6], roleColor(f.view, SyntaxRole::number)) << "12";
    EXPECT_EQ(colors[7], roleColor(f.view, SyntaxRole::number));
    EXPECT_NE(colors[1], colors[6]) << "a key is not a number";
    EXPECT_TRUE(colors[1].isValid());

    // The view lays out visible lines with the colouring's stamp: a pass without a new tree
    // lays out nothing again.
    f.view.visibleParagraphs();
    f.coloring.recolorVisible(false);
    EXPECT_EQ(f.coloring.lastRecolorCount(), 0);

    f.coloring.setLanguage(CodeLanguage::json, false, 2, false);
    EXPECT_EQ(f.coloring.state(), State::off);
    ASSERT_EQ(f.reported.size(), reports + 1);
    EXPECT_TRUE(f.reported.back().empty());
    for (const auto& color : lineColors(f.coloring, f.view, 0))
        EXPECT_FALSE(color.isValid());
}

TEST(SyntaxColoring, twoQuickKeystrokesUseTheFirstResultThroughTheSecondEdit)
{
    ColoringFixture f(QStringLiteral("[1, 2]"));
    f.coloring.setLanguage(CodeLanguage::json, true, 2, false);
    f.queue.runAll();
    const auto start = f.coloring.version();
    ASSERT_EQ(f.coloring.treeVersion(), start);

    f.type(1, QStringLiteral("3"));
    f.queue.runAll(false);
    f.type(0, QStringLiteral("x"));
    const auto reportsBefore = f.reported.size();
    QCoreApplication::processEvents();

    EXPECT_EQ(f.coloring.treeVersion(), start + 1);
    ASSERT_EQ(f.coloring.pending().size(), 1u);
    EXPECT_EQ(f.coloring.pending()[0].version, start + 2);
    EXPECT_EQ(f.reported.size(), reportsBefore) << "the parse does not cover the text";
    // "x[31, 2]": the first tree's number 31 is mapped one unit right.
    auto colors = lineColors(f.coloring, f.view, 0);
    EXPECT_EQ(colors[2], roleColor(f.view, SyntaxRole::number));
    EXPECT_EQ(colors[3], roleColor(f.view, SyntaxRole::number));
    EXPECT_FALSE(colors[0].isValid()) << "the pending text takes no colour";
    // Coloured while an edit waits: the next pass colours again.
    f.view.visibleParagraphs();
    f.coloring.recolorVisible(false);
    EXPECT_EQ(f.coloring.lastRecolorCount(), 1);

    f.queue.runAll();
    EXPECT_TRUE(f.coloring.pending().empty());
    EXPECT_EQ(f.reported.size(), reportsBefore + 1);
    EXPECT_FALSE(f.reported.back().empty()) << "x is not JSON";
}

TEST(SyntaxColoring, aStaleOrRepeatedResultIsIgnored)
{
    ColoringFixture f(QStringLiteral("[1]"));
    f.coloring.setLanguage(CodeLanguage::json, true, 2, false);
    f.queue.runAll();
    const auto applied = f.coloring.treeVersion();
    const auto reports = f.reported.size();
    SyntaxParsed stale;
    stale.version = applied;
    f.coloring.applyParsed(1, stale);
    stale.version = applied - 1;
    f.coloring.applyParsed(1, stale);
    EXPECT_EQ(f.coloring.treeVersion(), applied);
    EXPECT_TRUE(f.coloring.hasTree());
    EXPECT_EQ(f.reported.size(), reports);
}

TEST(SyntaxColoring, aResultOfTheSessionBeforeALanguageSwitchIsDropped)
{
    // The JSON parse is posted to the main thread, then the language changes before it is
    // applied: the JSON tree must never meet YAML's highlight query.
    ColoringFixture f(QStringLiteral("a: [1, 2]\n"));
    f.coloring.setLanguage(CodeLanguage::json, true, 2, false);
    f.queue.runAll(false);
    f.coloring.setLanguage(CodeLanguage::yaml, true, 2, false);
    QCoreApplication::processEvents();
    EXPECT_FALSE(f.coloring.hasTree()) << "the old session's result was applied";

    f.queue.runAll();
    ASSERT_TRUE(f.coloring.hasTree());
    EXPECT_EQ(f.coloring.treeVersion(), f.coloring.version());
    EXPECT_TRUE(f.reported.back().empty()) << "valid YAML";
    EXPECT_EQ(lineColors(f.coloring, f.view, 0)[4], roleColor(f.view, SyntaxRole::number));
}

TEST(SyntaxColoring, aResultAskingForTheWholeTextSendsItAgain)
{
    ColoringFixture f(QStringLiteral("[1]"));
    f.coloring.setLanguage(CodeLanguage::json, true, 2, false);
    f.queue.runAll();
    f.type(3, QStringLiteral(" "));
    SyntaxParsed outOfStep;
    outOfStep.needsWholeText = true;
    outOfStep.version = f.coloring.version();
    const auto version = f.coloring.version();
    f.coloring.applyParsed(1, outOfStep);
    EXPECT_EQ(f.coloring.version(), version + 1);
    EXPECT_TRUE(f.coloring.pending().empty());
    f.queue.runAll();
    EXPECT_EQ(f.coloring.treeVersion(), version + 1);
}

TEST(SyntaxColoring, spanPositionsFollowPendingEdits)
{
    // A span 10..<20 of the tree; each row is one pending edit (location, old, new).
    struct Case
    {
        const char* what;
        Pending edit;
        std::int64_t start;
        std::int64_t end;
    };
    const Case cases[] = {
        {"inserted inside", {1, 15, 0, 3}, 10, 23},
        {"inserted at the start", {1, 10, 0, 3}, 13, 23},
        {"inserted at the end", {1, 20, 0, 3}, 10, 23},
        {"inserted before", {1, 2, 0, 3}, 13, 23},
        {"inserted after", {1, 25, 0, 3}, 10, 20},
        {"deleted inside", {1, 12, 4, 0}, 10, 16},
        {"deleted over the start", {1, 8, 4, 0}, 8, 16},
        {"replaced inside", {1, 12, 2, 5}, 10, 23},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<Pending> pending = {c.edit};
        EXPECT_EQ(SyntaxColoring::mapForward(10, pending), c.start);
        EXPECT_EQ(SyntaxColoring::mapForward(20, pending), c.end);
    }
    // Back to the tree: text inserted since the parse maps to where it went in.
    const std::vector<Pending> pending = {{1, 15, 0, 3}, {2, 0, 2, 0}};
    EXPECT_EQ(SyntaxColoring::mapBack(0, pending), 2) << "after the deleted text";
    EXPECT_EQ(SyntaxColoring::mapBack(13, pending), 15);
    EXPECT_EQ(SyntaxColoring::mapBack(14, pending), 15);
    EXPECT_EQ(SyntaxColoring::mapBack(16, pending), 15);
    EXPECT_EQ(SyntaxColoring::mapBack(21, pending), 20);
}

TEST(SyntaxColoring, aFencedJsonBlockInMarkdownClearsTheHostColours)
{
    const QString text = QStringLiteral("# Title\n\n```json\n{\"a\": 12}\n```\n\n*em* text\n");
    ColoringFixture f(text);
    f.coloring.setLanguage(CodeLanguage::markdown, true, 2, false);
    f.queue.runAll();
    ASSERT_TRUE(f.coloring.hasTree());
    const auto json = lineColors(f.coloring, f.view, 3);
    EXPECT_EQ(json[6], roleColor(f.view, SyntaxRole::number));
    EXPECT_EQ(json[7], roleColor(f.view, SyntaxRole::number));
    EXPECT_TRUE(f.log.loads.empty()) << "every injected grammar was at hand";

    // Without a JSON grammar the block shows the host's colour, and the grammar is asked for.
    ColoringFixture hostOnly(text);
    auto grammars = testGrammars(&hostOnly.log);
    grammars.injectionGrammars = [] {
        SyntaxSession::Grammars only;
        only.emplace("markdown_inline", EditorFeatures::TestGrammars::markdownInline());
        return only;
    };
    SyntaxColoring coloring(hostOnly.view, grammars, hostOnly.queue.factory());
    coloring.setLanguage(CodeLanguage::markdown, true, 2, false);
    hostOnly.queue.runAll();
    ASSERT_TRUE(coloring.hasTree());
    const auto host = lineColors(coloring, hostOnly.view, 3);
    ASSERT_TRUE(host[5].isValid()) << "the host colours a code block";
    ASSERT_FALSE(hostOnly.log.loads.empty());
    EXPECT_TRUE(hostOnly.log.loads.front().contains("json"));
    // With it, the space after the colon has no colour of JSON's and none of the host's.
    EXPECT_FALSE(json[5].isValid()) << "host colour showed through the JSON block";

    // The inline layer paints over the host without clearing it: the heading keeps colour.
    EXPECT_TRUE(lineColors(f.coloring, f.view, 0)[2].isValid());
    const auto inlineLine = lineColors(f.coloring, f.view, 6);
    EXPECT_TRUE(std::any_of(
        inlineLine.begin(), inlineLine.end(), [](const QColor& color) { return color.isValid(); }));
}

// MARK: marks

TEST(SyntaxErrorMarks, markRangeTable)
{
    const std::u16string text = u"ab\ncd\r\nef";
    struct Case
    {
        std::int64_t lower;
        std::int64_t upper;
        std::optional<TextRange> mark;
    };
    const Case cases[] = {
        {0, 2, TextRange{0, 2}},
        {1, 1, TextRange{0, 1}}, // empty: the character before
        {0, 0, TextRange{0, 1}}, // empty at the start: the first character
        {9, 9, TextRange{8, 1}}, // at the very end: the last character
        {20, 30, TextRange{8, 1}},
        {1, 8, TextRange{1, 1}}, // several lines: to the end of the first
        {3, 9, TextRange{3, 2}}, // a CRLF line ends before its CR
        {2, 3, TextRange{1, 1}}, // a lone line break: the character before
        {7, 9, TextRange{7, 2}}, // the last line has no break to leave out
        {2, 2, TextRange{1, 1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.lower << ".." << c.upper);
        EXPECT_EQ(Marks::markRange(c.lower, c.upper, EditorCore::ChunkedText(text).snapshot()), c.mark);
    }
    EXPECT_EQ(Marks::markRange(0, 0, EditorCore::TextSnapshot()), std::nullopt);
}

TEST(SyntaxErrorMarks, editsDropWhatTheyTouchAndMoveWhatFollows)
{
    auto problem = [](std::int64_t start, std::int64_t end) {
        return SyntaxProblem{{start, end}, SyntaxProblem::Unexpected{}};
    };
    struct Case
    {
        const char* what;
        EditRecord edit;
        std::vector<SyntaxProblem> left;
    };
    auto edit = [](int location, int oldLength, const char* inserted) {
        EditRecord record;
        record.location = location;
        record.oldLength = oldLength;
        record.insertedText = QString::fromUtf8(inserted);
        return record;
    };
    // Problems 2..4 and 10..12.
    const Case cases[] = {
        {"typing before both", edit(0, 0, "xy"), {problem(4, 6), problem(12, 14)}},
        {"typing inside the first", edit(3, 0, "x"), {problem(11, 13)}},
        {"typing at the first's end", edit(4, 0, "x"), {problem(11, 13)}},
        {"typing between", edit(6, 0, "x"), {problem(2, 4), problem(11, 13)}},
        {"deleting over the second", edit(9, 2, ""), {problem(2, 4)}},
        {"deleting before the second", edit(6, 2, ""), {problem(2, 4), problem(8, 10)}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<SyntaxProblem> problems = {problem(2, 4), problem(10, 12)};
        Marks::shift(problems, c.edit);
        EXPECT_EQ(problems, c.left);
        std::vector<Marks::Mark> marks = {{{2, 2}, problem(2, 4)}, {{10, 2}, problem(10, 12)}};
        Marks::shift(marks, c.edit);
        ASSERT_EQ(marks.size(), c.left.size());
        for (std::size_t i = 0; i < marks.size(); ++i) {
            EXPECT_EQ(marks[i].range.location, c.left[i].range.start);
            EXPECT_EQ(marks[i].problem, c.left[i]);
        }
    }
}

TEST(SyntaxErrorMarks, statusTextNamesTheProblemOfTheMarkUnderTheCaret)
{
    const std::u16string text = u"ab\ncd\nef\ngh";
    const std::vector<SyntaxProblem> problems = {
        {{0, 7}, SyntaxProblem::Unexpected{}},
        {{4, 4}, SyntaxProblem::Missing{":"}},
        {{10, 11}, SyntaxProblem::Missing{}},
    };
    auto marks = Marks::marksFor(problems, EditorCore::ChunkedText(text).snapshot());
    ASSERT_EQ(marks.size(), 3u);
    EXPECT_EQ(marks[0].range, (TextRange{0, 2})) << "only the first line";
    const std::pair<std::int64_t, const char*> carets[] = {
        {6, "오류 3"},
        {0, "오류 3 · 문법에 안 맞음"},
        {4, "오류 3 · 「:」 빠짐"}, // at a mark's end
        {11, "오류 3 · 빠진 것이 있음"},
    };
    for (const auto& [caret, expected] : carets)
        EXPECT_EQ(Marks::problemsText(3, marks, caret), QString::fromUtf8(expected)) << caret;

    // Typing on the third line drops the first problem (it spans there) but not its mark on
    // the first line: each mark still names its own problem.
    EditRecord edit;
    edit.location = 6;
    edit.insertedText = QStringLiteral("y");
    std::vector<SyntaxProblem> left = problems;
    Marks::shift(left, edit);
    Marks::shift(marks, edit);
    ASSERT_EQ(left.size(), 2u);
    ASSERT_EQ(marks.size(), 3u);
    EXPECT_EQ(Marks::problemsText(left.size(), marks, 0),
              QStringLiteral("오류 2 · 문법에 안 맞음"));
    EXPECT_EQ(Marks::problemsText(left.size(), marks, 4), QStringLiteral("오류 2 · 「:」 빠짐"));
    EXPECT_EQ(Marks::problemsText(left.size(), marks, 12),
              QStringLiteral("오류 2 · 빠진 것이 있음"));
}

TEST(SyntaxErrorMarks, nextMarkIsStrictlyAfterTheCaretAndWraps)
{
    std::vector<Marks::Mark> marks = {{{2, 1}, {}}, {{8, 2}, {}}};
    EXPECT_EQ(Marks::nextMark(marks, 0), (TextRange{2, 1}));
    EXPECT_EQ(Marks::nextMark(marks, 2), (TextRange{8, 2}));
    EXPECT_EQ(Marks::nextMark(marks, 8), (TextRange{2, 1}));
    EXPECT_EQ(Marks::nextMark({}, 0), std::nullopt);
}

// MARK: the window's part

namespace {

struct ColoredWindow
{
    TemporaryFolder folder;
    std::unique_ptr<EditorStore::Settings> settings;
    EditorKit::ActionRouter router;
    HeldQueue queue;
    std::chrono::steady_clock::time_point clock{std::chrono::hours(1)};
    int beeps = 0;
    WindowTest::FakeDocument document;
    std::unique_ptr<DocumentWindowController> controller;
    SyntaxColoringFeature* part = nullptr;

    explicit ColoredWindow(const QString& text)
        : document(text)
    {
        settings = std::make_unique<EditorStore::Settings>(
            std::make_shared<Platform::PreferencesDomain>(folder / "group-defaults.json"),
            std::map<std::string, std::string>{});
        WindowEnvironment environment;
        environment.settings = settings.get();
        environment.features = [this] {
            SyntaxColoringFeature::Options options;
            options.grammars = testGrammars();
            options.poster = queue.factory();
            options.now = [this] { return clock; };
            options.beep = [this] { ++beeps; };
            EditorWindow::WindowFeatureList list;
            list.push_back(std::make_unique<SyntaxColoringFeature>(std::move(options)));
            return list;
        };
        controller = std::make_unique<DocumentWindowController>(document, router, environment);
        part = controller->feature<SyntaxColoringFeature>();
        controller->setLanguageChoice(CodeLanguage::json);
        controller->refreshNow();
    }
    EditorTextView& view() { return *controller->textView(); }
    QString status()
    {
        controller->refreshNow();
        return controller->statusBar()->content().problems.value_or(QString());
    }
};

} // namespace

TEST(SyntaxColoringFeature, colouringNeitherEditsNorAddsUndoSteps)
{
    ColoredWindow w(QStringLiteral("{\"a\": [1, 2]}"));
    ASSERT_EQ(w.part->coloring()->state(), State::on);
    w.queue.runAll();
    ASSERT_TRUE(w.part->coloring()->hasTree());
    w.view().visibleParagraphs();
    w.controller->visibleAreaDidChange();
    QCoreApplication::processEvents();
    EXPECT_EQ(w.part->coloring()->lastRecolorCount(), 0) << "a scroll without edits";
    EXPECT_EQ(w.view().text(), QStringLiteral("{\"a\": [1, 2]}"));
    EXPECT_EQ(w.document.stack.count(), 0);
    EXPECT_FALSE(w.document.isEdited());
}

TEST(SyntaxColoringFeature, marksAppearAfterTypingPausesAndAreSteppedThrough)
{
    ColoredWindow w(QStringLiteral("[1, 2]"));
    w.queue.runAll();
    EXPECT_EQ(w.status(), QString());

    // Three faults typed; the parse arrives 0.3 s after the last keystroke.
    w.view().setSelectedRange({1, 0});
    w.view().insertText(QStringLiteral("@"));
    w.view().setSelectedRange({5, 0});
    w.view().insertText(QStringLiteral("#"));
    w.view().setSelectedRange({8, 0});
    w.view().insertText(QStringLiteral("$"));
    w.clock += std::chrono::milliseconds(300);
    w.queue.runAll();
    ASSERT_FALSE(w.part->problems().empty());
    EXPECT_TRUE(w.controller->display()->syntaxErrors.empty()) << "too soon";
    const auto wait = w.part->pendingMarksDelay();
    ASSERT_TRUE(wait);
    EXPECT_EQ(*wait, std::chrono::milliseconds(500));

    // Stepping runs the waiting update first, then selects the next mark, wrapping.
    const EditorKit::ActionSender sender;
    w.view().setSelectedRange({0, 0});
    ASSERT_TRUE(w.controller->validateAction("nextSyntaxError:", sender));
    w.controller->performAction("nextSyntaxError:", sender);
    const auto& marks = w.controller->display()->syntaxErrors;
    ASSERT_FALSE(marks.empty());
    EXPECT_EQ(w.view().selectedRange(), marks.front());
    const auto count = w.part->problems().size();
    EXPECT_EQ(w.status(), QStringLiteral("오류 %1 · 문법에 안 맞음").arg(count));
    w.view().setSelectedRange({marks.back().end(), 0});
    w.controller->performAction("nextSyntaxError:", sender);
    EXPECT_EQ(w.view().selectedRange(), marks.front());
    EXPECT_EQ(w.beeps, 0);

    // Typing inside a mark drops it at once; the switch hides the marks and the segment.
    const auto before = marks.size();
    w.view().setSelectedRange({marks.front().location, 0});
    w.view().insertText(QStringLiteral("!"));
    EXPECT_EQ(w.controller->display()->syntaxErrors.size(), before - 1);
    w.controller->performAction("toggleSyntaxErrors:", sender);
    w.controller->applySettings({"view.syntaxErrors"});
    EXPECT_TRUE(w.controller->display()->syntaxErrors.empty());
    EXPECT_EQ(w.status(), QString());
    w.controller->performAction("nextSyntaxError:", sender);
    EXPECT_EQ(w.beeps, 1) << "no marks: a beep";
}

TEST(SyntaxColoringFeature, aClickOnTheProblemsSegmentGoesToTheNextError)
{
    ColoredWindow w(QStringLiteral("[1 2 3]"));
    w.clock += std::chrono::seconds(5);
    w.queue.runAll();
    QCoreApplication::processEvents();
    ASSERT_FALSE(w.status().isEmpty());
    const auto& marks = w.controller->display()->syntaxErrors;
    ASSERT_FALSE(marks.empty());
    w.view().setSelectedRange({0, 0});
    QPushButton* problems =
        w.controller->statusBar()->button(EditorWindow::StatusBarView::Segment::problems);
    ASSERT_NE(problems, nullptr);
    ASSERT_TRUE(problems->isVisibleTo(w.controller->statusBar()));
    problems->click();
    EXPECT_EQ(w.view().selectedRange(), marks.front());
    EXPECT_EQ(w.beeps, 0);
}

TEST(SyntaxColoringFeature, anEmptyListClearsTheMarksAtOnce)
{
    ColoredWindow w(QStringLiteral("[1 2]"));
    w.clock += std::chrono::seconds(5);
    w.queue.runAll();
    ASSERT_FALSE(w.part->problems().empty());
    // The pause is long over: no waiting.
    EXPECT_NE(w.part->pendingMarksDelay(), std::chrono::milliseconds(800));
    QCoreApplication::processEvents();
    EXPECT_FALSE(w.controller->display()->syntaxErrors.empty());

    w.view().setSelectedRange({2, 1});
    w.view().insertText(QStringLiteral(","));
    w.queue.runAll();
    EXPECT_TRUE(w.part->problems().empty());
    QCoreApplication::processEvents();
    EXPECT_TRUE(w.controller->display()->syntaxErrors.empty());
}

TEST(SyntaxColoringFeature, theStatusSaysWhenALargeFileIsNotColoured)
{
    ColoredWindow w(QStringLiteral("[1]"));
    w.controller->refreshNow();
    EXPECT_EQ(w.controller->statusBar()->content().language, QStringLiteral("JSON"));
    w.document.largeFile = true;
    w.controller->refreshNow();
    EXPECT_EQ(w.part->coloring()->state(), State::tooLarge);
    EXPECT_EQ(w.controller->statusBar()->content().language,
              QStringLiteral("JSON · 크기 때문에 색 끔"));
}
