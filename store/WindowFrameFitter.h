#pragma once

#include "store/Rect.h"

#include <span>

// Fits a saved window frame onto the screens present now, so that its title strip can be
// reached. Works in bottom-left-origin coordinates (see Rect); turning the result into a
// screen's top-left coordinates is the application's business.
namespace EditorStore::WindowFrameFitter {

inline constexpr double titleStripHeight = 28;
// The least visible width of the title strip, and the margin kept at the left and right
// screen edges.
inline constexpr double minimumVisibleWidth = 80;
inline constexpr double minimumVisibleHeight = 20;

enum class TitleRule { off, on };

// `screens` are visible frames, the window's old screen first. A frame keeps its place on the
// first screen that shows at least 80 x 20 points of its title strip; otherwise it is moved
// wholly onto the first screen. No screens, or an empty frame: the frame unchanged.
Rect fit(const Rect& frame, std::span<const Rect> screens);

// The frame shrunk to the screen's size and placed on it: with the title rule it keeps its
// top edge as far as the screen allows and its title strip stays reachable; without it, it is
// moved wholly into the screen.
Rect place(const Rect& frame, const Rect& screen, TitleRule titleRule);

} // namespace EditorStore::WindowFrameFitter
