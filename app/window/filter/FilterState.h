#pragma once

#include "app/views/EditRecord.h"
#include "app/views/TextRange.h"
#include "app/window/FindFilterLink.h"
#include "core/ChunkedText.h"
#include "core/CompiledSearch.h"
#include "core/LineEnding.h"
#include "core/LineFilter.h"
#include "core/LineIndex.h"
#include "core/Result.h"

#include <QString>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace EditorWindow {

// Shared by the main thread, which sets it, and one filter pass, which polls it.
class FilterCancel
{
public:
    void cancel() { m_cancelled.store(true, std::memory_order_relaxed); }
    bool isCancelled() const { return m_cancelled.load(std::memory_order_relaxed); }

private:
    std::atomic<bool> m_cancelled{false};
};

// The line filter of one window. Main thread only.
struct FilterState
{
    // Compiled at the last full run; none when the query was empty or did not compile.
    std::optional<EditorCore::LineFilter> filter;
    // Context lines chosen at the last full run.
    std::int64_t context = 0;
    // The hits of the whole text gathered so far.
    EditorCore::LineFilter::Hits hits;
    // Lines of the text that `hits` covers.
    std::int64_t scannedLines = 0;
    // Of the current full run: a pass that ends with another number is dropped.
    std::uint64_t generation = 0;
    bool isRunning = false;
    // Text was added at the end while a pass ran.
    bool pendingAppend = false;
    // Of the latest pass.
    std::shared_ptr<FilterCancel> cancel;
};

// One pass over a snapshot of the text (taken in O(1); the worker reads its chunks and counts
// its lines itself): the whole text (a full run), or the tail from the last scanned line on
// (after text was added at the end).
struct FilterPass
{
    explicit FilterPass(EditorCore::LineFilter passFilter)
        : filter(std::move(passFilter))
    {}

    EditorCore::LineFilter filter;
    EditorCore::TextSnapshot text;
    // The 0-based line the pass starts at, and where it starts.
    std::int64_t firstLine = 0;
    std::int64_t firstOffset = 0;
    // Content lines of the whole text when the pass was made.
    std::int64_t lineCount = 0;
    std::uint64_t generation = 0;
    bool appended = false;
    std::shared_ptr<FilterCancel> cancel;

    // Any thread. None when cancelled.
    std::optional<EditorCore::LineFilter::Hits> run() const;
};

struct FilterPassResult
{
    std::optional<EditorCore::LineFilter::Hits> hits;
    std::uint64_t generation = 0;
    std::int64_t firstLine = 0;
    std::int64_t lineCount = 0;
    bool appended = false;
};

// The result list as the filter fills it. Its text and line index are the window's (or the
// empty text when `emptyText`).
class FilterList
{
public:
    virtual ~FilterList() = default;
    virtual void setFilterContent(bool emptyText,
                                  std::vector<EditorCore::CompiledSearch> highlights,
                                  std::optional<QString> message) = 0;
    virtual const std::vector<EditorCore::LineFilter::Row>& filterRows() const = 0;
    virtual void replaceFilterRows(std::vector<EditorCore::LineFilter::Row> rows,
                                   bool clearSelection) = 0;
    virtual bool isFilterListAtEnd() const = 0;
    virtual void scrollFilterListToEnd() = 0;
    virtual void layoutFilterList() = 0;
};

// What the filter needs of its window.
class FilterHost
{
public:
    virtual ~FilterHost() = default;
    // None while the window has no find bar.
    virtual FilterBar* filterBar() = 0;
    // None while the list is hidden.
    virtual FilterList* filterList() = 0;
    // The current text; none without a text storage.
    virtual const EditorCore::TextSnapshot* filterText() const = 0;
    // The line index the edit pipeline keeps current.
    virtual const EditorCore::LineIndex& filterLineIndex() const = 0;
    // Runs the pass off the main thread and hands its end to `FilterRuns::passEnded`.
    virtual void startFilterPass(FilterPass pass) = 0;
    // Replaces the scheduled full run (if any) by one after `delay`.
    virtual void scheduleFilterRun(std::chrono::milliseconds delay) = 0;
    virtual void cancelScheduledFilterRun() = 0;
};

// The runs of the line filter: full runs, the incremental pass after text added at the end,
// the generation check at the end of a pass, and what the bar and the list show. Main thread.
class FilterRuns
{
public:
    static constexpr std::chrono::milliseconds barDelay{120};
    static constexpr std::chrono::milliseconds editDelay{250};

    explicit FilterRuns(FilterHost& host)
        : m_host(host)
    {}

    FilterState state;

    // A full run over the whole text (nothing without a bar and a shown list).
    void runFilter();
    // The list goes: every pass started before is dropped; the hits stay for the next run to
    // reset.
    void stop();
    void passEnded(FilterPassResult result);
    void showFilterResults(bool appended);
    // An edit once the line index followed it: text added at the end is filtered at once (or
    // after the running pass), any other change reruns the filter a moment later.
    void textDidEdit(const EditorViews::EditRecord& edit);
    void appendFilterAfterEdit();

    // "12줄 / 전체 340줄", or in "곳" for the matched parts.
    static QString countText(std::int64_t count, bool parts, std::int64_t lineCount);
    // Where opening a row puts the selection; none for a gap row.
    static std::optional<EditorViews::TextRange>
    openTarget(const EditorCore::LineFilter::Row& row,
               const std::optional<EditorCore::LineFilter>& filter,
               const EditorCore::TextSnapshot& text,
               const EditorCore::LineIndex& index);
    // The rows as exported: joined by the document's line ending, a gap as "--".
    static QString exportText(const std::vector<EditorCore::LineFilter::Row>& rows,
                              const EditorCore::TextSnapshot& text,
                              const EditorCore::LineIndex& index,
                              EditorCore::LineEnding ending);
    // notes-걸러 봄.txt, or 걸러 본 줄-걸러 봄.txt without a file.
    static QString proposedExportName(const std::optional<std::filesystem::path>& file);

private:
    void showEmptyList(const QString& message);
    std::shared_ptr<FilterCancel> renewCancel();

    FilterHost& m_host;
};

} // namespace EditorWindow
