#pragma once

#include "core/TextEdit.h"
#include "core/TextRange.h"

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

namespace EditorCore {

// How a document indents. Indentation whitespace is U+0020 and U+0009 only.
struct IndentStyle
{
    static constexpr int minimumWidth = 1;
    static constexpr int maximumWidth = 16;

    bool usesTabs = false;
    // Columns of one level: spaces per level, or the tab width when `usesTabs`.
    int width = 4;

    // Clamps the width into 1...16. A decoded style keeps the values as stored (see
    // IndentStyleJSON.h), so the operations below read the width through `effectiveWidth`.
    IndentStyle(bool tabs, int columns);

    // The width clamped into 1...16, as the operations use it.
    int effectiveWidth() const;
    // One level: a tab, or `effectiveWidth` spaces.
    std::u16string unit() const;

    bool operator==(const IndentStyle&) const = default;
};

std::ostream& operator<<(std::ostream&, const IndentStyle&);

enum class IndentKind { spaces, tabs };

namespace Indentation {

// The style of a text from at most its first `lineLimit` lines (empty lines count); nothing
// when no line is indented.
std::optional<IndentStyle> detect(std::u16string_view text, std::int64_t lineLimit);

// Rewrites the leading whitespace of every line (cut at LF, CR and CR LF only) for the same
// column. Width and tab width are taken in 1...16.
std::u16string convert(std::u16string_view text, IndentKind to, int width, int tabWidth);

// Shift the lines a selection covers one level in or out (lines cut at LF, CR and CR LF only).
TextEdit indentLines(std::u16string_view text, TextRange selection, IndentStyle style);
TextEdit outdentLines(std::u16string_view text, TextRange selection, IndentStyle style);

// The leading spaces and tabs of the line holding the position (limited to the text).
std::u16string leadingWhitespace(std::int64_t position, std::u16string_view text);

} // namespace Indentation
} // namespace EditorCore
