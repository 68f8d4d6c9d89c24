#include "app/views/SnapshotLines.h"

#include <algorithm>

namespace EditorViews {

EditorCore::LineIndex::Range contentRange(const EditorCore::LineIndex& index,
                                          std::int64_t line,
                                          const EditorCore::TextSnapshot& text)
{
    const std::int64_t length = text.length();
    if (line < 0 || line >= index.lineCount())
        return {length, 0};
    const std::int64_t start = std::min(index.lineStart(line + 1), length);
    std::int64_t end = line + 1 < index.lineCount() ? index.lineStart(line + 2) : length;
    end = std::min(end, length);
    auto isBreak = [](char16_t unit) {
        return unit == u'\n' || unit == u'\r' || unit == 0x0085 || (unit & 0xFFFE) == 0x2028;
    };
    while (end > start && isBreak(text.at(end - 1)))
        --end;
    return {start, std::max<std::int64_t>(end - start, 0)};
}

} // namespace EditorViews
