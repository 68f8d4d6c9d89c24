#pragma once

#include "core/TextRange.h"

namespace EditorViews {

// The view speaks in the text engine's ranges (UTF-16 units), so carets and edits pass to the
// engine's multi-caret functions unchanged.
using EditorCore::clampedRange;
using EditorCore::TextRange;

} // namespace EditorViews
