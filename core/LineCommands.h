#pragma once

#include "core/LineEnding.h"
#include "core/TextEdit.h"
#include "core/TextRange.h"

#include <optional>
#include <string_view>

// The line commands of the document window: each works on the lines that the primary
// selection covers and returns one edit, or nothing when it cannot act.
namespace EditorCore::LineCommands {

struct SplitLine
{
    std::u16string_view body;
    std::u16string_view lineBreak; // empty when the text has no trailing terminator
};

// Body and trailing terminator (CR LF, LF, CR, U+0085, U+2028 or U+2029) of a line's text.
SplitLine splitTrailingBreak(std::u16string_view lineText);

// The whole lines a selection covers; a selection that ends right after a CR or LF does not
// take in the line that follows.
TextRange coveredLineRange(std::u16string_view text, TextRange selection);

enum class MoveDirection { up, down };

// `ending` is the document's line ending, for the break a copy of the last line needs.
TextEdit duplicateLines(std::u16string_view text, TextRange selection, LineEnding ending);

TextEdit deleteLines(std::u16string_view text, TextRange selection);

// Swaps the covered lines with the line above or below; nothing when there is none. Each line
// keeps its own terminator, and a missing terminator on the text's last line stays at the end.
std::optional<TextEdit> moveLines(std::u16string_view text,
                                  TextRange selection,
                                  MoveDirection direction,
                                  LineEnding ending);

// Nothing on the last line of the text when the selection covers only that line.
std::optional<TextEdit> joinLines(std::u16string_view text, TextRange selection);

} // namespace EditorCore::LineCommands
