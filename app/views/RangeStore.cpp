#include "app/views/RangeStore.h"

#include <algorithm>

namespace EditorViews::RangeStore {

namespace {

// The one rule for a [location, location + length) range of the old text.
std::optional<std::int64_t>
movedLocation(std::int64_t location, std::int64_t length, const EditRecord& edit)
{
    const std::int64_t editStart = edit.location;
    const std::int64_t editEnd = editStart + edit.oldLength;
    const std::int64_t end = location + length;
    const bool insertsOnly = edit.oldLength == 0;
    if (end < editStart || (end == editStart && !(location == editStart && insertsOnly)))
        return location;
    if (location >= editEnd)
        return location + edit.delta();
    return std::nullopt;
}

template<class Range, class Move>
void applyAll(std::vector<Range>& ranges, const EditRecord& edit, Move move)
{
    std::vector<Range> kept;
    kept.reserve(ranges.size());
    for (const Range& range : ranges) {
        if (auto result = move(range, edit))
            kept.push_back(*result);
    }
    ranges = std::move(kept);
}

} // namespace

std::optional<TextRange> moved(TextRange range, const EditRecord& edit)
{
    auto location = movedLocation(range.location, range.length, edit);
    if (!location)
        return std::nullopt;
    return TextRange{static_cast<decltype(range.location)>(*location), range.length};
}

std::optional<EditorCore::SearchMatch> moved(EditorCore::SearchMatch match, const EditRecord& edit)
{
    auto location = movedLocation(match.location, match.length, edit);
    if (!location)
        return std::nullopt;
    return EditorCore::SearchMatch{*location, match.length};
}

void apply(std::vector<TextRange>& ranges, const EditRecord& edit)
{
    applyAll(ranges, edit, [](TextRange range, const EditRecord& e) { return moved(range, e); });
}

void apply(std::vector<EditorCore::SearchMatch>& matches, const EditRecord& edit)
{
    applyAll(matches, edit, [](EditorCore::SearchMatch match, const EditRecord& e) {
        return moved(match, e);
    });
}

} // namespace EditorViews::RangeStore
