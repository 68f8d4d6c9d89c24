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

// In place: millions of find matches are neither copied nor allocated again at every key. The
// ranges ending before the edit stay as they are (their ends do not decrease, so they are a
// prefix found by halving); the rest move or go.
template<class Ranges, class Move>
void applyAll(Ranges& ranges, const EditRecord& edit, Move move)
{
    const std::int64_t editStart = edit.location;
    using Range = typename Ranges::value_type;
    auto write = std::partition_point(ranges.begin(), ranges.end(), [editStart](const Range& r) {
        return static_cast<std::int64_t>(r.location) + static_cast<std::int64_t>(r.length)
               < editStart;
    });
    for (auto read = write; read != ranges.end(); ++read) {
        if (auto result = move(*read, edit))
            *write++ = *result;
    }
    ranges.erase(write, ranges.end());
}

} // namespace

std::optional<TextRange> moved(TextRange range, const EditRecord& edit)
{
    auto location = movedLocation(range.location, range.length, edit);
    if (!location)
        return std::nullopt;
    return TextRange{static_cast<decltype(range.location)>(*location), range.length};
}

std::optional<FindMatch> moved(FindMatch match, const EditRecord& edit)
{
    auto location = movedLocation(match.location, match.length, edit);
    if (!location)
        return std::nullopt;
    return FindMatch::from(*location, match.length);
}

void apply(std::vector<TextRange>& ranges, const EditRecord& edit)
{
    applyAll(ranges, edit, [](TextRange range, const EditRecord& e) { return moved(range, e); });
}

void apply(FindMatches& matches, const EditRecord& edit)
{
    applyAll(matches, edit, [](FindMatch match, const EditRecord& e) { return moved(match, e); });
}

} // namespace EditorViews::RangeStore
