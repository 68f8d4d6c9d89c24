#include "app/window/filter/FilterState.h"

#include "app/kit/Localized.h"
#include "app/kit/Utf16.h"

namespace EditorWindow {

using EditorCore::LineFilter;
using EditorKit::localized;

std::optional<LineFilter::Hits> FilterPass::run() const
{
    const std::shared_ptr<FilterCancel> token = cancel;
    const EditorCore::StopCheck check = [token] { return token && token->isCancelled(); };
    return filter.apply(
        EditorKit::utf16View(text), index ? &*index : nullptr, firstLine, firstOffset, check);
}

std::shared_ptr<FilterCancel> FilterRuns::renewCancel()
{
    if (state.cancel)
        state.cancel->cancel();
    state.cancel = std::make_shared<FilterCancel>();
    return state.cancel;
}

void FilterRuns::stop()
{
    ++state.generation;
    m_host.cancelScheduledFilterRun();
    if (state.cancel)
        state.cancel->cancel();
    state.isRunning = false;
}

void FilterRuns::showEmptyList(const QString& message)
{
    FilterList* list = m_host.filterList();
    list->setFilterContent(true, {}, message);
    if (!list->filterRows().empty())
        list->replaceFilterRows({}, true);
    list->layoutFilterList();
}

void FilterRuns::runFilter()
{
    FilterBar* bar = m_host.filterBar();
    FilterList* list = m_host.filterList();
    if (!bar || !list)
        return;
    m_host.cancelScheduledFilterRun();
    if (state.cancel)
        state.cancel->cancel();
    ++state.generation;
    state.isRunning = false;
    state.pendingAppend = false;
    state.hits = {};
    state.scannedLines = 0;

    state.context = bar->filterContextLines();
    const QString query = bar->filterQueryText();
    if (query.isEmpty()) {
        state.filter.reset();
        bar->setFilterCountText({});
        showEmptyList(localized("찾을 말을 넣으면 맞는 줄만 보여요"));
        return;
    }

    // Conditions first, then the query: the first pattern that does not compile stops the run.
    auto fail = [&](const EditorCore::SearchError& error) {
        state.filter.reset();
        const std::u16string* message = error.invalidPatternMessage();
        bar->showFilterError(localized("정규식이 틀렸어요 — %@")
                                 .replace(QStringLiteral("%@"),
                                          message ? EditorKit::qstringFrom(*message) : QString()));
        bar->setFilterCountText({});
        showEmptyList(localized("정규식을 고치면 다시 걸러요"));
    };
    std::vector<LineFilter::Condition> conditions;
    for (const auto& [join, text] : bar->filterConditionTexts()) {
        auto compiled = bar->compileFilterText(text);
        if (!compiled) {
            fail(compiled.error());
            return;
        }
        conditions.push_back(LineFilter::Condition{join, std::move(*compiled)});
    }
    auto primary = bar->compileFilterText(query);
    if (!primary) {
        fail(primary.error());
        return;
    }
    state.filter = LineFilter{std::move(*primary),
                              std::move(conditions),
                              bar->filterInverts(),
                              bar->filterOnlyMatching()};

    const QString* text = m_host.filterText();
    if (!text)
        return;
    FilterPass pass(*state.filter);
    // Shares the storage's characters until the text changes under the running pass.
    pass.text = *text;
    pass.index = m_host.filterLineIndex();
    pass.lineCount = pass.index->contentLineCount();
    pass.generation = state.generation;
    state.isRunning = true;
    bar->setFilterCountText(localized("거르는 중…"));
    pass.cancel = renewCancel();
    m_host.startFilterPass(std::move(pass));
}

void FilterRuns::passEnded(FilterPassResult result)
{
    if (result.generation != state.generation || !result.hits)
        return;
    if (result.firstLine < 1)
        state.hits = {};
    else
        state.hits.removeFrom(result.firstLine);
    state.hits.append(*result.hits);
    state.scannedLines = result.lineCount;
    state.isRunning = false;
    showFilterResults(result.appended);
    if (state.pendingAppend) {
        state.pendingAppend = false;
        appendFilterAfterEdit();
    }
}

void FilterRuns::showFilterResults(bool appended)
{
    FilterList* list = m_host.filterList();
    if (!list || !state.filter || !m_host.filterText())
        return;
    const LineFilter& filter = *state.filter;
    const std::int64_t lineCount = m_host.filterLineIndex().contentLineCount();
    const bool parts = filter.showsParts();
    std::vector<LineFilter::Row> rows = LineFilter::rows(
        state.hits.lines, state.hits.parts, state.hits.partLines, state.context, lineCount, parts);
    std::optional<QString> message;
    if (rows.empty())
        message = localized("맞는 줄이 없어요");
    const bool wasAtEnd = list->isFilterListAtEnd();
    list->setFilterContent(false, filter.positiveQueries(), message);
    if (rows != list->filterRows())
        list->replaceFilterRows(std::move(rows), !appended);
    list->layoutFilterList();
    if (appended && wasAtEnd)
        list->scrollFilterListToEnd();

    if (FilterBar* bar = m_host.filterBar()) {
        const auto count =
            static_cast<std::int64_t>(parts ? state.hits.parts.size() : state.hits.lines.size());
        bar->setFilterCountText(countText(count, parts, lineCount));
    }
}

void FilterRuns::textDidEdit(const EditorViews::EditRecord& edit)
{
    if (!m_host.filterList() || !state.filter)
        return;
    if (edit.oldLength == 0 && edit.newLength() == 0)
        return;
    const QString* text = m_host.filterText();
    const std::int64_t newLength = text ? text->size() : 0;
    const bool appendsAtEnd =
        edit.oldLength == 0 && edit.delta() >= 1 && edit.location == newLength - edit.delta();
    if (appendsAtEnd) {
        if (state.isRunning)
            state.pendingAppend = true;
        else
            appendFilterAfterEdit();
        return;
    }
    m_host.scheduleFilterRun(editDelay);
}

void FilterRuns::appendFilterAfterEdit()
{
    const QString* text = m_host.filterText();
    if (!state.filter || !text)
        return;
    const EditorCore::LineIndex& index = m_host.filterLineIndex();
    // The last scanned line again: the added text may have continued it.
    const std::int64_t first = std::max<std::int64_t>(state.scannedLines - 1, 0);
    const std::int64_t offset = first < index.lineCount() ? index.lineStart(first + 1)
                                                          : static_cast<std::int64_t>(text->size());
    FilterPass pass(*state.filter);
    pass.text = text->mid(static_cast<qsizetype>(offset));
    pass.firstLine = first;
    pass.firstOffset = offset;
    pass.lineCount = index.contentLineCount();
    pass.generation = state.generation;
    pass.appended = true;
    state.isRunning = true;
    pass.cancel = renewCancel();
    m_host.startFilterPass(std::move(pass));
}

// MARK: - Texts and targets

QString FilterRuns::countText(std::int64_t count, bool parts, std::int64_t lineCount)
{
    const QString first =
        parts ? localized("%n곳", nullptr, count) : localized("%n줄", nullptr, count);
    return localized("%@ / 전체 %n줄", nullptr, lineCount).replace(QStringLiteral("%@"), first);
}

std::optional<EditorViews::TextRange>
FilterRuns::openTarget(const LineFilter::Row& row,
                       const std::optional<LineFilter>& filter,
                       std::u16string_view text,
                       const EditorCore::LineIndex& index)
{
    if (row.line < 0)
        return std::nullopt;
    if (row.part)
        return EditorViews::TextRange{row.part->location, row.part->length};
    const auto line = index.contentRange(row.line, text);
    EditorViews::TextRange target{line.location, 0};
    if (row.kind != LineFilter::Row::Kind::match || !filter)
        return target;
    bool keptNonEmpty = false;
    for (const EditorCore::CompiledSearch& search : filter->positiveQueries()) {
        search.enumerateMatches(
            text, line.location, line.length, true, [&](const EditorCore::SearchMatch& match) {
                // A search's matches come in order: once one that counts is kept, the later
                // ones cannot start earlier.
                if (keptNonEmpty && match.location >= target.location)
                    return false;
                target = EditorViews::TextRange{match.location, match.length};
                if (match.length > 0)
                    keptNonEmpty = true;
                return true;
            });
    }
    return target;
}

QString FilterRuns::exportText(const std::vector<LineFilter::Row>& rows,
                               const QString& text,
                               const EditorCore::LineIndex& index,
                               EditorCore::LineEnding ending)
{
    const char16_t* separator = ending == EditorCore::LineEnding::crlf ? u"\r\n"
                                : ending == EditorCore::LineEnding::cr ? u"\r"
                                                                       : u"\n";
    return EditorKit::qstringFrom(
        LineFilter::joinedText(rows, index, EditorKit::utf16View(text), separator));
}

QString FilterRuns::proposedExportName(const std::optional<std::filesystem::path>& file)
{
    QString base = localized("걸러 본 줄");
    if (file && !file->filename().empty())
        base = QString::fromStdString(file->stem().string());
    return base + QLatin1Char('-') + localized("걸러 봄") + QStringLiteral(".txt");
}

} // namespace EditorWindow
