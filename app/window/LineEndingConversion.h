#pragma once

#include "core/LineEnding.h"

namespace EditorWindow {

// Turns every line ending of the text into one kind, as one undoable step (the format menus
// offer it; the "lineEndings.mixed" banner's buttons ask for it). Found through
// `DocumentWindowController::service`. Main thread only.
class LineEndingConversion
{
public:
    virtual ~LineEndingConversion() = default;
    virtual void convertLineEndings(EditorCore::LineEnding ending) = 0;
};

} // namespace EditorWindow
