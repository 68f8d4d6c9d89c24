#include "app/window/WindowFormat.h"

#include <algorithm>

namespace EditorWindow::WindowFormat {

using EditorCore::IndentStyle;
using EditorCore::LineEnding;

IndentStyle effectiveIndentStyle(const std::optional<IndentStyle>& found,
                                 bool chosenByUser,
                                 const IndentSettings& settings)
{
    if (found && (chosenByUser || settings.detect))
        return *found;
    auto width = std::clamp<std::int64_t>(
        settings.width, IndentStyle::minimumWidth, IndentStyle::maximumWidth);
    return IndentStyle(settings.useTabs, static_cast<int>(width));
}

LineEnding effectiveLineEnding(const EditorCore::LineEndingSummary& summary,
                               std::string_view newLineEndingSetting,
                               std::optional<LineEnding> chosen)
{
    if (auto dominant = summary.dominant())
        return *dominant;
    if (chosen)
        return *chosen;
    return EditorCore::lineEndingFromRawValue(newLineEndingSetting).value_or(LineEnding::lf);
}

std::string_view upperCaseName(LineEnding ending)
{
    switch (ending) {
    case LineEnding::lf:
        return "LF";
    case LineEnding::crlf:
        return "CRLF";
    case LineEnding::cr:
        return "CR";
    }
    return "LF";
}

} // namespace EditorWindow::WindowFormat
