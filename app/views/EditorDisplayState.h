#pragma once

#include "app/views/EditRecord.h"
#include "app/views/FindMatch.h"
#include "app/views/TextRange.h"

#include <QString>

#include <array>
#include <optional>
#include <vector>

namespace EditorViews {

// The view switches of one tab. Plain value; compared field by field to decide whether the
// window applies them again.
struct EditorViewOptions
{
    bool showsInvisibles = false;
    bool wrapsLines = true;
    bool showsLineNumbers = false;
    bool highlightsCurrentLine = false;
    double zoom = 1.0;
    std::optional<QString> fontFamily;
    std::optional<double> fontSize;
    std::optional<double> lineSpacing;
    bool showsRuler = true;

    bool operator==(const EditorViewOptions&) const = default;

    // The five "view.newTab.*" settings as read by the caller (defaults are the settings').
    struct NewTabSettings
    {
        bool invisibles = false;
        bool wrap = true;
        bool lineNumbers = false;
        bool currentLine = false;
        bool ruler = true;
    };

    // What a file remembers of its view; each field may be absent.
    struct RememberedView
    {
        std::optional<QString> fontFamily;
        std::optional<double> fontSize;
        std::optional<double> lineSpacing;
        std::optional<bool> ruler;
    };

    static EditorViewOptions fromSettings(const NewTabSettings& settings,
                                          const std::optional<RememberedView>& memory);

    static const std::array<double, 13>& zoomSteps();
    // The first step above / the last step below the zoom; none at the ends of the list.
    static std::optional<double> zoomStepAbove(double zoom);
    static std::optional<double> zoomStepBelow(double zoom);
    // A restored zoom, clamped to the first and last step.
    static double clampedZoom(double zoom);
};

// What one tab draws besides its text. Shared by reference between the window, which writes
// it (always on the main thread, then asks the view to redraw), and the text view and ruler,
// which read it while drawing.
class EditorDisplayState
{
public:
    EditorViewOptions options;
    // Ascending by location, not overlapping; the drawing binary-searches them. Kept compact:
    // a frequent pattern in a large text gives millions.
    FindMatches findMatches;
    std::optional<FindMatch> currentMatch;
    // Ascending by location with ends that do not decrease.
    std::vector<TextRange> syntaxErrors;

    // The stored ranges follow one change of the text (see RangeStore); a whole-text
    // replacement drops them all.
    void applyEdit(const EditRecord& edit);
};

} // namespace EditorViews
