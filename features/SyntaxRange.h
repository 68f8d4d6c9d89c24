#pragma once

#include <cstdint>
#include <ostream>

namespace EditorFeatures {

// A half-open range of UTF-16 offsets into a text.
struct SyntaxRange
{
    std::int64_t start = 0;
    std::int64_t end = 0;

    bool isEmpty() const { return start == end; }
    bool operator==(const SyntaxRange&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const SyntaxRange& range)
{
    return out << range.start << "..<" << range.end;
}

} // namespace EditorFeatures
