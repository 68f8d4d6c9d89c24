#include "app/views/EditorDisplayState.h"

#include "app/views/RangeStore.h"

#include <algorithm>
#include <cmath>

namespace EditorViews {

EditorViewOptions EditorViewOptions::fromSettings(const NewTabSettings& settings,
                                                  const std::optional<RememberedView>& memory)
{
    EditorViewOptions options;
    options.showsInvisibles = settings.invisibles;
    options.wrapsLines = settings.wrap;
    options.showsLineNumbers = settings.lineNumbers;
    options.highlightsCurrentLine = settings.currentLine;
    options.showsRuler = settings.ruler;
    if (memory) {
        options.fontFamily = memory->fontFamily;
        options.fontSize = memory->fontSize;
        options.lineSpacing = memory->lineSpacing;
        if (memory->ruler)
            options.showsRuler = *memory->ruler;
    }
    return options;
}

const std::array<double, 13>& EditorViewOptions::zoomSteps()
{
    static const std::array<double, 13> steps = {
        0.5, 0.625, 0.75, 0.875, 1.0, 1.125, 1.25, 1.5, 1.75, 2.0, 2.5, 3.0, 4.0};
    return steps;
}

std::optional<double> EditorViewOptions::zoomStepAbove(double zoom)
{
    for (double step : zoomSteps()) {
        if (step > zoom)
            return step;
    }
    return std::nullopt;
}

std::optional<double> EditorViewOptions::zoomStepBelow(double zoom)
{
    const auto& steps = zoomSteps();
    for (auto it = steps.rbegin(); it != steps.rend(); ++it) {
        if (*it < zoom)
            return *it;
    }
    return std::nullopt;
}

double EditorViewOptions::clampedZoom(double zoom)
{
    if (std::isnan(zoom))
        return 1.0;
    return std::clamp(zoom, zoomSteps().front(), zoomSteps().back());
}

void EditorDisplayState::applyEdit(const EditRecord& edit)
{
    if (edit.origin == EditOrigin::reload) {
        findMatches.clear();
        currentMatch.reset();
        syntaxErrors.clear();
        return;
    }
    RangeStore::apply(findMatches, edit);
    if (currentMatch)
        currentMatch = RangeStore::moved(*currentMatch, edit);
    RangeStore::apply(syntaxErrors, edit);
}

} // namespace EditorViews
