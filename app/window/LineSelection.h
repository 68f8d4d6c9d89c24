#pragma once

#include <cstdint>
#include <optional>

namespace EditorWindow {

// Puts the caret of a window at a line (1-based) and column, scrolls to it and gives the text
// the keyboard: what a request from outside the window (a command line, another program)
// asks. The go-to-line feature gives it; look it up with `DocumentWindowController::service`.
class LineSelection
{
public:
    virtual ~LineSelection() = default;
    virtual void selectLine(std::int64_t line, std::optional<std::int64_t> column) = 0;
};

} // namespace EditorWindow
