// The line filter's runs against a stub bar and list: full and incremental passes, the
// generation check, the texts of the bar and the list, and where opening a row goes.
#include "app/kit/Utf16.h"
#include "app/views/TextStorage.h"
#include "app/window/filter/FilterState.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

using EditorCore::LineFilter;
using EditorCore::SearchMatch;
using EditorViews::TextRange;
using EditorWindow::FilterPass;
using EditorWindow::FilterPassResult;
using EditorWindow::FilterRuns;
using Kind = LineFilter::Row::Kind;

namespace {

struct StubBar : EditorWindow::FilterBar
{
    QString query;
    std::vector<std::pair<LineFilter::Join, QString>> conditions;
    bool invert = false;
    bool onlyMatching = false;
    int context = 0;
    bool regex = false;
    QString count;
    QString error;

    QString filterQueryText() const override { return query; }
    std::vector<std::pair<LineFilter::Join, QString>> filterConditionTexts() const override
    {
        return conditions;
    }
    bool filterInverts() const override { return invert; }
    bool filterOnlyMatching() const override { return onlyMatching; }
    int filterContextLines() const override { return context; }
    EditorCore::Result<EditorCore::CompiledSearch, EditorCore::SearchError>
    compileFilterText(const QString& text) const override
    {
        EditorCore::SearchQuery search;
        search.text = std::u16string(EditorKit::utf16View(text));
        search.regularExpression = regex;
        return EditorCore::CompiledSearch::make(search);
    }
    void setFilterCountText(const QString& text) override { count = text; }
    void showFilterError(const QString& message) override { error = message; }
};

struct StubList : EditorWindow::FilterList
{
    bool emptyText = false;
    std::vector<EditorCore::CompiledSearch> highlights;
    std::optional<QString> message;
    std::vector<LineFilter::Row> rows;
    int replacements = 0;
    bool selectionCleared = false;
    bool atEnd = false;
    int scrolledToEnd = 0;

    void setFilterContent(bool empty,
                          std::vector<EditorCore::CompiledSearch> searches,
                          std::optional<QString> text) override
    {
        emptyText = empty;
        highlights = std::move(searches);
        message = std::move(text);
    }
    const std::vector<LineFilter::Row>& filterRows() const override { return rows; }
    void replaceFilterRows(std::vector<LineFilter::Row> newRows, bool clear) override
    {
        rows = std::move(newRows);
        ++replacements;
        selectionCleared = clear;
    }
    bool isFilterListAtEnd() const override { return atEnd; }
    void scrollFilterListToEnd() override { ++scrolledToEnd; }
    void layoutFilterList() override {}
};

struct StubHost : EditorWindow::FilterHost
{
    StubBar bar;
    StubList list;
    bool hasBar = true;
    bool listShown = true;
    QString text;
    EditorCore::LineIndex index{std::u16string_view()};
    EditorCore::TextSnapshot snapshot;
    std::vector<FilterPass> passes;
    std::vector<std::chrono::milliseconds> scheduled;
    FilterRuns runs{*this};

    explicit StubHost(const QString& initial)
        : text(initial)
        , index(EditorKit::utf16View(initial))
        , snapshot(EditorCore::ChunkedText(EditorKit::utf16View(initial)).snapshot())
    {}

    EditorWindow::FilterBar* filterBar() override { return hasBar ? &bar : nullptr; }
    EditorWindow::FilterList* filterList() override { return listShown ? &list : nullptr; }
    const EditorCore::TextSnapshot* filterText() const override { return &snapshot; }
    const EditorCore::LineIndex& filterLineIndex() const override { return index; }
    void startFilterPass(FilterPass pass) override { passes.push_back(std::move(pass)); }
    void scheduleFilterRun(std::chrono::milliseconds delay) override { scheduled.push_back(delay); }
    void cancelScheduledFilterRun() override {}

    // Runs pass `i` as the worker would and hands its end back.
    void finish(std::size_t i)
    {
        const FilterPass& pass = passes.at(i);
        runs.passEnded(FilterPassResult{
            pass.run(), pass.generation, pass.firstLine, pass.lineCount, pass.appended});
    }

    void edit(int location, int oldLength, const QString& inserted)
    {
        text.replace(location, oldLength, inserted);
        index.update(location, oldLength, inserted.size(), EditorKit::utf16View(text));
        snapshot = EditorCore::ChunkedText(EditorKit::utf16View(text)).snapshot();
        EditorViews::EditRecord record;
        record.location = location;
        record.oldLength = oldLength;
        record.insertedText = inserted;
        runs.textDidEdit(record);
    }
    void append(const QString& inserted) { edit(static_cast<int>(text.size()), 0, inserted); }

    std::vector<std::int64_t> shownLines() const
    {
        std::vector<std::int64_t> lines;
        for (const auto& row : list.rows)
            lines.push_back(row.line);
        return lines;
    }
};

using Lines = std::vector<std::int64_t>;

} // namespace

TEST(FilterState, textAddedAtTheEndScansOnlyTheTailFromTheLastScannedLine)
{
    StubHost host(QStringLiteral("a1\nb\na2\nb"));
    host.bar.query = QStringLiteral("a");
    host.runs.runFilter();
    ASSERT_EQ(host.passes.size(), 1u);
    EXPECT_FALSE(host.passes[0].appended);
    EXPECT_EQ(host.passes[0].firstOffset, 0);
    EXPECT_EQ(host.bar.count, QStringLiteral("거르는 중…"));
    host.finish(0);
    EXPECT_EQ(host.shownLines(), (Lines{0, 2}));
    EXPECT_EQ(host.bar.count, QStringLiteral("2줄 / 전체 4줄"));
    EXPECT_TRUE(host.list.selectionCleared);

    // The last line "b" goes on as "ba": it is scanned again with the new text.
    host.list.atEnd = true;
    host.append(QStringLiteral("a\na3"));
    ASSERT_EQ(host.passes.size(), 2u);
    const FilterPass& tail = host.passes[1];
    EXPECT_TRUE(tail.appended);
    EXPECT_EQ(tail.firstLine, 3);
    EXPECT_EQ(tail.firstOffset, 8);
    EXPECT_EQ(EditorViews::snapshotText(tail.text, tail.firstOffset, tail.text.length()),
              QStringLiteral("ba\na3"));
    EXPECT_EQ(tail.generation, host.passes[0].generation);
    // The count stays until the pass is in.
    EXPECT_EQ(host.bar.count, QStringLiteral("2줄 / 전체 4줄"));
    host.list.selectionCleared = false;
    host.finish(1);
    EXPECT_EQ(host.shownLines(), (Lines{0, 2, 3, 4}));
    EXPECT_FALSE(host.list.selectionCleared);
    EXPECT_EQ(host.list.scrolledToEnd, 1);
    EXPECT_EQ(host.bar.count, QStringLiteral("4줄 / 전체 5줄"));

    // Anything but text added at the end reruns the whole filter a moment later.
    host.edit(1, 1, QString());
    EXPECT_EQ(host.passes.size(), 2u);
    EXPECT_EQ(host.scheduled, (std::vector<std::chrono::milliseconds>{FilterRuns::editDelay}));
}

TEST(FilterState, textAddedWhileAPassRunsWaitsForItsEnd)
{
    StubHost host(QStringLiteral("a1\nb\n"));
    host.bar.query = QStringLiteral("a");
    host.runs.runFilter();
    host.append(QStringLiteral("a2\n"));
    EXPECT_EQ(host.passes.size(), 1u);
    EXPECT_TRUE(host.runs.state.pendingAppend);

    host.finish(0);
    // The run saw the text before the addition; the tail pass follows at once.
    ASSERT_EQ(host.passes.size(), 2u);
    EXPECT_TRUE(host.passes[1].appended);
    EXPECT_FALSE(host.runs.state.pendingAppend);
    EXPECT_TRUE(host.runs.state.isRunning);
    host.finish(1);
    EXPECT_EQ(host.shownLines(), (Lines{0, 2}));
    EXPECT_FALSE(host.runs.state.isRunning);
}

TEST(FilterState, anOvertakenOrHiddenPassIsDropped)
{
    StubHost host(QStringLiteral("apple\nberry\ncherry\n"));
    host.bar.query = QStringLiteral("apple");
    host.runs.runFilter();
    host.bar.query = QStringLiteral("rr");
    host.runs.runFilter();
    EXPECT_TRUE(host.passes[0].cancel->isCancelled());
    EXPECT_FALSE(host.passes[1].cancel->isCancelled());
    host.finish(1);
    host.finish(0);
    EXPECT_EQ(host.shownLines(), (Lines{1, 2}));

    // Hiding while a pass runs: its end changes nothing, and the next show starts afresh.
    host.bar.query = QStringLiteral("apple");
    host.runs.runFilter();
    host.runs.stop();
    EXPECT_FALSE(host.runs.state.isRunning);
    EXPECT_TRUE(host.passes[2].cancel->isCancelled());
    const int replacements = host.list.replacements;
    host.finish(2);
    EXPECT_EQ(host.list.replacements, replacements);
    EXPECT_EQ(host.shownLines(), (Lines{1, 2}));
    host.runs.runFilter();
    host.finish(3);
    EXPECT_EQ(host.shownLines(), (Lines{0}));
}

TEST(FilterState, emptyQueriesAndBadPatternsStopBeforeAnyPass)
{
    StubHost host(QStringLiteral("a(b\n"));
    host.runs.runFilter();
    EXPECT_TRUE(host.passes.empty());
    EXPECT_EQ(host.list.message, QStringLiteral("찾을 말을 넣으면 맞는 줄만 보여요"));
    EXPECT_TRUE(host.list.emptyText);
    EXPECT_EQ(host.bar.count, QString());

    // A good query with a bad condition stops the whole filter.
    host.bar.regex = true;
    host.bar.query = QStringLiteral("a");
    host.bar.conditions = {{LineFilter::Join::and_, QStringLiteral("(")}};
    host.runs.runFilter();
    EXPECT_TRUE(host.passes.empty());
    EXPECT_FALSE(host.runs.state.filter.has_value());
    EXPECT_TRUE(host.bar.error.startsWith(QStringLiteral("정규식이 틀렸어요 — ")));
    EXPECT_GT(host.bar.error.size(), QStringLiteral("정규식이 틀렸어요 — ").size());
    EXPECT_EQ(host.list.message, QStringLiteral("정규식을 고치면 다시 걸러요"));

    // Nothing matches: the message and a count of 0.
    host.bar.conditions.clear();
    host.bar.query = QStringLiteral("zzz");
    host.runs.runFilter();
    host.finish(0);
    EXPECT_EQ(host.list.message, QStringLiteral("맞는 줄이 없어요"));
    EXPECT_EQ(host.bar.count, QStringLiteral("0줄 / 전체 1줄"));
    // No filter, no reaction to edits.
    host.bar.query.clear();
    host.runs.runFilter();
    host.append(QStringLiteral("zzz"));
    EXPECT_EQ(host.passes.size(), 1u);
    EXPECT_TRUE(host.scheduled.empty());
}

TEST(FilterState, theCountReadsInPartsOnlyForMatchedPartsWithoutInversion)
{
    struct Case
    {
        const char* name;
        bool invert;
        bool onlyMatching;
        QString count;
    };
    const Case cases[] = {
        {"lines", false, false, QStringLiteral("2줄 / 전체 3줄")},
        {"parts", false, true, QStringLiteral("3곳 / 전체 3줄")},
        {"inverted parts read in lines", true, true, QStringLiteral("1줄 / 전체 3줄")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StubHost host(QStringLiteral("x x\ny\nx\n"));
        host.bar.query = QStringLiteral("x");
        host.bar.invert = c.invert;
        host.bar.onlyMatching = c.onlyMatching;
        host.runs.runFilter();
        host.finish(0);
        EXPECT_EQ(host.bar.count, c.count);
    }
}

TEST(FilterState, openingARowTargetsItsPartOrTheEarliestMatchOfTheLine)
{
    const QString text = QStringLiteral("first line\nzz beta alpha\nplain\n");
    const EditorCore::LineIndex index(EditorKit::utf16View(text));
    auto search = [](const char16_t* pattern, bool regex = false) {
        EditorCore::SearchQuery query;
        query.text = pattern;
        query.regularExpression = regex;
        return *EditorCore::CompiledSearch::make(query);
    };
    const LineFilter filter{search(u"alpha"), {{LineFilter::Join::or_, search(u"beta")}}};
    const LineFilter emptyFirst{search(u"a*", true), {}};

    struct Case
    {
        const char* name;
        LineFilter::Row row;
        std::optional<LineFilter> filter;
        std::optional<TextRange> target;
    };
    const Case cases[] = {
        {"part", {Kind::match, 1, SearchMatch{14, 5}}, filter, TextRange{14, 5}},
        {"or-match that starts earlier", {Kind::match, 1, std::nullopt}, filter, TextRange{14, 4}},
        {"an empty match gives way", {Kind::match, 1, std::nullopt}, emptyFirst, TextRange{17, 1}},
        {"context row", {Kind::context, 1, std::nullopt}, filter, TextRange{11, 0}},
        {"no match in the line", {Kind::match, 2, std::nullopt}, filter, TextRange{25, 0}},
        {"gap row", {Kind::gap, -1, std::nullopt}, filter, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(
            FilterRuns::openTarget(c.row,
                                   c.filter,
                                   EditorCore::ChunkedText(EditorKit::utf16View(text)).snapshot(),
                                   index),
            c.target);
    }
}

TEST(FilterState, exportTextAndProposedNames)
{
    const QString string = QStringLiteral("a1\r\nb\r\nc\r\na2\r\n");
    const EditorCore::LineIndex index(EditorKit::utf16View(string));
    // Chunks of two units: a border inside every CR LF.
    const auto text = EditorCore::ChunkedText(EditorKit::utf16View(string), {2, 2, 2}).snapshot();
    const std::vector<LineFilter::Row> rows = {{Kind::match, 0, std::nullopt},
                                               {Kind::gap, -1, std::nullopt},
                                               {Kind::match, 3, std::nullopt}};
    EXPECT_EQ(FilterRuns::exportText(rows, text, index, EditorCore::LineEnding::crlf),
              QStringLiteral("a1\r\n--\r\na2\r\n"));
    EXPECT_EQ(FilterRuns::exportText(rows, text, index, EditorCore::LineEnding::lf),
              QStringLiteral("a1\n--\na2\n"));

    EXPECT_EQ(FilterRuns::proposedExportName(std::filesystem::path("/tmp/notes.txt")),
              QStringLiteral("notes-걸러 봄.txt"));
    EXPECT_EQ(FilterRuns::proposedExportName(std::nullopt),
              QStringLiteral("걸러 본 줄-걸러 봄.txt"));
}
