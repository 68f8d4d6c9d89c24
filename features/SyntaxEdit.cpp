#include "features/SyntaxEdit.h"

#include <algorithm>

namespace EditorFeatures {

SyntaxEdit SyntaxEdit::make(std::int64_t start,
                            std::int64_t oldEnd,
                            std::int64_t newLength,
                            std::u16string_view oldText,
                            std::u16string_view newText)
{
    SyntaxEdit edit;
    edit.start = start;
    edit.oldEnd = oldEnd;
    edit.newEnd = start + newLength;
    edit.startPoint = point(start, oldText);
    edit.oldEndPoint = point(oldEnd, oldText);
    edit.newEndPoint = point(edit.newEnd, newText);
    return edit;
}

SyntaxEdit::Point SyntaxEdit::point(std::int64_t offset, std::u16string_view text)
{
    auto scanned = std::min<std::size_t>(static_cast<std::size_t>(offset), text.size());
    Point result;
    std::size_t lineStart = 0;
    for (std::size_t index = 0; index < scanned; ++index) {
        if (text[index] == u'\n') {
            ++result.row;
            lineStart = index + 1;
        }
    }
    result.column = offset - static_cast<std::int64_t>(lineStart);
    return result;
}

std::ostream& operator<<(std::ostream& out, const SyntaxEdit::Point& point)
{
    return out << "(" << point.row << ", " << point.column << ")";
}

std::ostream& operator<<(std::ostream& out, const SyntaxEdit& edit)
{
    return out << "{" << edit.start << " " << edit.oldEnd << " " << edit.newEnd << " "
               << edit.startPoint << " " << edit.oldEndPoint << " " << edit.newEndPoint << "}";
}

} // namespace EditorFeatures
