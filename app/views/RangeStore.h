#pragma once

#include "app/views/EditRecord.h"
#include "app/views/TextRange.h"
#include "app/views/FindMatch.h"

#include <optional>
#include <vector>

// Ranges kept beside a text (find matches, syntax-error marks, later carets and filter rows)
// follow each change of that text: a range before the change stays, a range after it moves by
// the change's delta, and a range that touches the replaced text is dropped, since what it
// marked is gone. An insertion exactly at a range's start moves the range; one at its end
// leaves it. Ascending order is kept. A find match moved past the reach of its 32-bit offsets
// is dropped too.
namespace EditorViews::RangeStore {

// None when the range is dropped.
std::optional<TextRange> moved(TextRange range, const EditRecord& edit);
std::optional<FindMatch> moved(FindMatch match, const EditRecord& edit);

void apply(std::vector<TextRange>& ranges, const EditRecord& edit);
void apply(FindMatches& matches, const EditRecord& edit);

} // namespace EditorViews::RangeStore
