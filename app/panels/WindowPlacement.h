#pragma once

class QWidget;

namespace EditorPanels {

// Centres a top-level window on its screen (the primary one before it was first shown).
void centerOnScreen(QWidget& window);

// Shows a window the way the application's small windows are shown: centred first when it is
// not on screen, then raised and made active. A visible window keeps its place.
void showCentredWhenHidden(QWidget& window);

} // namespace EditorPanels
