#pragma once

#include <cstdint>
#include <ostream>

namespace EditorCore {

// A half-open stretch of a text as (location, length), both in UTF-16 code units.
struct TextRange
{
    std::int64_t location = 0;
    std::int64_t length = 0;

    constexpr std::int64_t end() const { return location + length; }
    constexpr bool isEmpty() const { return length == 0; }
    bool operator==(const TextRange&) const = default;
};

// The range limited to a text of the given length: the start goes into 0...length, the end
// into start...length.
constexpr TextRange clampedRange(TextRange range, std::int64_t textLength)
{
    if (textLength < 0)
        textLength = 0;
    std::int64_t start = range.location < 0 ? 0 : range.location;
    if (start > textLength)
        start = textLength;
    std::int64_t end = range.location + range.length;
    if (end < start)
        end = start;
    if (end > textLength)
        end = textLength;
    return {start, end - start};
}

std::ostream& operator<<(std::ostream&, const TextRange&);

} // namespace EditorCore
