#pragma once

#include <algorithm>

namespace EditorViews {

// A range of the text in UTF-16 units; length 0 is an insertion point.
struct TextRange
{
    int location = 0;
    int length = 0;

    int end() const { return location + length; }
    bool contains(int offset) const { return offset >= location && offset <= end(); }
    bool operator==(const TextRange&) const = default;
};

inline TextRange clampedRange(TextRange range, int textLength)
{
    int start = std::clamp(range.location, 0, textLength);
    int end = std::clamp(range.location + std::max(range.length, 0), start, textLength);
    return {start, end - start};
}

} // namespace EditorViews
