#pragma once

#include <cstdint>
#include <ostream>
#include <string_view>

namespace EditorFeatures {

// One replacement in a text, in UTF-16 offsets, with the rows and columns tree-sitter needs.
struct SyntaxEdit
{
    // row counts line feeds (U+000A) only: a lone CR, NEL, U+2028 and U+2029 never start a row.
    // column counts UTF-16 units from the start of that row.
    struct Point
    {
        std::int64_t row = 0;
        std::int64_t column = 0;
        bool operator==(const Point&) const = default;
    };

    std::int64_t start = 0;
    std::int64_t oldEnd = 0;
    std::int64_t newEnd = 0;
    Point startPoint;
    Point oldEndPoint;
    Point newEndPoint;

    bool operator==(const SyntaxEdit&) const = default;

    // The units from start to oldEnd of oldText were replaced by newLength units, giving newText.
    static SyntaxEdit make(std::int64_t start,
                           std::int64_t oldEnd,
                           std::int64_t newLength,
                           std::u16string_view oldText,
                           std::u16string_view newText);

    // An offset past the end gives a column past the last row's end; offsets are never negative.
    static Point point(std::int64_t offset, std::u16string_view text);
};

std::ostream& operator<<(std::ostream&, const SyntaxEdit::Point&);
std::ostream& operator<<(std::ostream&, const SyntaxEdit&);

} // namespace EditorFeatures
