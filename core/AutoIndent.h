#pragma once

#include "core/Indentation.h"
#include "core/LineEnding.h"
#include "core/TextEdit.h"
#include "core/TextRange.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

// What Return and a typed closing bracket do to indentation.
namespace EditorCore::AutoIndent {

// Opening to closing bracket.
inline constexpr std::array<std::pair<char16_t, char16_t>, 3> bracketPairs = {{
    {u'{', u'}'},
    {u'[', u']'},
    {u'(', u')'},
}};
inline constexpr std::u16string_view closingBrackets = u"}])";

// Smart: a level more after an opening bracket (and, with ColonIndent::on, after ":"), and
// Return between a bracket pair splits it over three lines.
enum class SmartIndent { off, on };
enum class ColonIndent { off, on };

// Return over the selection: the line ending and the indentation of the current line, and
// the caret at the end of the new indented line.
TextEdit newLineText(std::u16string_view text,
                     TextRange selection,
                     IndentStyle style,
                     LineEnding ending,
                     SmartIndent smart,
                     ColonIndent colon);

// A closing bracket typed into an indentation-only line takes one level off it; nothing when
// the character needs no special handling. Only the style's width is used.
std::optional<TextEdit> closingBracketEdit(std::u16string_view typed,
                                           std::u16string_view text,
                                           std::int64_t position,
                                           IndentStyle style);

// From the position to the end of its line, without the line's trailing CR and LF units
// (other terminators stay).
std::u16string restOfLine(std::u16string_view text, std::int64_t position);

} // namespace EditorCore::AutoIndent
