#pragma once

#include "app/views/EditorTextView.h"
#include "app/views/TextStorage.h"
#include "core/TextEdit.h"

#include <QString>

#include <cstdint>
#include <optional>

namespace EditorWindow {

// The whole lines that hold a range, with `margin` more lines each side and their breaks, as
// one string, and the offset at which they start: all that a typing aid or a line command
// reads, so that neither needs the whole text as one string.
struct LinesAround
{
    QString text;
    std::int64_t start = 0;

    EditorCore::TextRange local(EditorCore::TextRange range) const
    {
        return {range.location - start, range.length};
    }
    EditorCore::TextEdit global(EditorCore::TextEdit edit) const
    {
        edit.range.location += start;
        edit.selection.location += start;
        return edit;
    }
    std::optional<EditorCore::TextEdit> global(std::optional<EditorCore::TextEdit> edit) const
    {
        if (edit)
            return global(std::move(*edit));
        return edit;
    }
};

inline LinesAround
linesAround(const EditorViews::EditorTextView& view, EditorCore::TextRange range, int margin = 0)
{
    const EditorCore::LineIndex& lines = view.lineIndex();
    const std::int64_t first = lines.lineNumber(range.location) - margin;
    const std::int64_t after = lines.lineNumber(range.location + range.length) + 1 + margin;
    const std::int64_t start = lines.lineStart(first);
    const std::int64_t end =
        after <= lines.lineCount() ? lines.lineStart(after) : view.storage().length();
    return {view.storage().mid(start, end - start), start};
}

} // namespace EditorWindow
