#pragma once

#include "core/TextRange.h"

#include <ostream>
#include <string>
#include <string_view>

namespace EditorCore {

// One replacement that the editor applies as a single undoable step, then selects `selection`.
struct TextEdit
{
    TextRange range; // in the text before the edit
    std::u16string replacement;
    TextRange selection; // in the text after the edit

    // The text with `range` (limited to the text) replaced by `replacement`.
    [[nodiscard]] std::u16string applied(std::u16string_view text) const;

    bool operator==(const TextEdit&) const = default;
};

std::ostream& operator<<(std::ostream&, const TextEdit&);

// Text for test failures and logs: ASCII as is, everything else as \uXXXX.
std::string escapedForDisplay(std::u16string_view text);

} // namespace EditorCore
