#pragma once

#include "core/TextBounds.h"
#include "core/TextRange.h"

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

// Editing at several places at once. A caret list holds empty carets and selections; the
// operations that build a list normalise it (sorted, no overlaps, inside the text, never empty).
namespace EditorCore::MultiCursor {

using CaretList = std::vector<TextRange>;

struct Edit
{
    TextRange range; // in the unedited text
    std::u16string text;
    bool operator==(const Edit&) const = default;
};

struct Result
{
    // Ascending and in the coordinates of the unedited text: apply them from the last to the
    // first and every range stays valid.
    std::vector<Edit> edits;
    // One empty caret per edit, in the coordinates of the text after all edits.
    CaretList carets;
    bool operator==(const Result&) const = default;
};

enum class Movement { left, right, up, down, lineStart, lineEnd, wordLeft, wordRight };
bool isBackward(Movement);

enum class Selecting { move, extend };
enum class DeleteDirection { backward, forward };
enum class VerticalDirection { above, below };

std::ostream& operator<<(std::ostream&, const Edit&);
std::ostream& operator<<(std::ostream&, const Result&);
std::ostream& operator<<(std::ostream&, Movement);

// Limits every range to the text, sorts, merges overlapping ranges and duplicate carets;
// ranges that only touch stay apart. An empty list becomes one caret at 0.
CaretList normalize(CaretList ranges, std::int64_t textLength);

// `texts` holds one text for every range or one for all. The ranges must be normalised.
Result insert(const CaretList& ranges, const std::vector<std::u16string>& texts);

// Deletes each selection, or the user-perceived character before (after, forwards) each caret.
Result deleteBackward(const CaretList& ranges, std::u16string_view text, DeleteDirection);

CaretList
move(const CaretList& ranges, std::u16string_view text, Movement movement, Selecting selecting);

CaretList addNextOccurrence(const CaretList& ranges, std::u16string_view text);
CaretList selectAllOccurrences(const CaretList& ranges, std::u16string_view text);
CaretList
addCaretVertically(const CaretList& ranges, std::u16string_view text, VerticalDirection direction);
CaretList caretsPerLine(const CaretList& ranges, std::u16string_view text);
CaretList columnSelection(std::int64_t anchor, std::int64_t head, std::u16string_view text);

// One piece per caret when the pasted lines match the carets (two or more), else the text whole.
std::vector<std::u16string> pasteLines(std::u16string_view pasted, std::int64_t caretCount);

// One position moved by one movement. Columns count UTF-16 units (a tab is one column).
std::int64_t step(std::int64_t position, std::u16string_view text, Movement movement);

TextBounds::LineBounds lineBounds(std::int64_t position, std::u16string_view text);

// The run of word units around the position; empty when it touches none.
TextRange wordRange(std::int64_t position, std::u16string_view text);

} // namespace EditorCore::MultiCursor
