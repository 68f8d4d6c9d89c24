#pragma once

#include "core/CompiledSearch.h"
#include "core/LineFilter.h"
#include "core/Result.h"

#include <QString>

#include <utility>
#include <vector>

namespace EditorWindow {

// Where the filter's results go besides the list: the clipboard, a new tab, a file.
enum class FilterExport { copy = 0, newTab = 1, save = 2 };

// The find bar as the line filter's runs read and write it: its query and filter options, the
// count and the error. The find feature gives it while its bar shows.
class FilterBar
{
public:
    virtual ~FilterBar() = default;
    virtual QString filterQueryText() const = 0;
    virtual std::vector<std::pair<EditorCore::LineFilter::Join, QString>>
    filterConditionTexts() const = 0;
    virtual bool filterInverts() const = 0;
    virtual bool filterOnlyMatching() const = 0;
    virtual int filterContextLines() const = 0;
    // With the bar's case, whole-word and regular-expression flags, over the whole text.
    virtual EditorCore::Result<EditorCore::CompiledSearch, EditorCore::SearchError>
    compileFilterText(const QString& text) const = 0;
    virtual void setFilterCountText(const QString& text) = 0;
    // Shows the bar's error row with the message.
    virtual void showFilterError(const QString& message) = 0;
};

// What the find feature offers the other features of its window (the line filter reads the
// bar's query). Found through `DocumentWindowController::service`.
class FindBarService
{
public:
    virtual ~FindBarService() = default;
    // None while the window shows no find bar.
    virtual FilterBar* filterBar() = 0;
    // Opens the bar (with the replace row when `replace`), or focuses the one shown.
    virtual void showFindBar(bool replace) = 0;
    // The bar's filter row (with its toggle on) while the list shows; hiding it hides the
    // condition column too. Nothing while no bar shows.
    virtual void setFilterRowShown(bool shown) = 0;
};

// What the line filter offers the other features of its window (the find bar drives it).
// Found through `DocumentWindowController::service`.
class LineFilterService
{
public:
    virtual ~LineFilterService() = default;
    virtual bool isFilterShown() const = 0;
    // Hides a shown list, else shows it (and the find bar first when there is none).
    virtual void toggleFilter() = 0;
    virtual void hideFilter() = 0;
    // The bar's query or filter options changed: a shown list runs again a moment later.
    virtual void filterQueryDidChange() = 0;
    virtual void exportFilterResults(FilterExport destination) = 0;
    // Next and previous match while the list is shown.
    virtual void selectAdjacentMatch(bool backward) = 0;
};

} // namespace EditorWindow
