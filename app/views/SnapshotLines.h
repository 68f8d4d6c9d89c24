#pragma once

#include "core/ChunkedText.h"
#include "core/LineIndex.h"

#include <cstdint>

namespace EditorViews {

// The 0-based `line` of a snapshot without its break, as LineIndex::contentRange gives it for
// the same text held in one string; (text length, 0) for a line that does not exist. `index` is
// the snapshot's line index; only the units at the line's end are read.
EditorCore::LineIndex::Range contentRange(const EditorCore::LineIndex& index,
                                          std::int64_t line,
                                          const EditorCore::TextSnapshot& text);

} // namespace EditorViews
