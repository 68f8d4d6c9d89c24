#pragma once

#include <QColor>
#include <QIcon>

// The symbols of the status bar that no installed font may have (the padlock, the no-entry
// sign), drawn as icons in the segment's colour instead of missing-glyph boxes.
namespace EditorWindow::StatusSymbols {

enum class Symbol { padlock, noEntry };

// Square, `size` device-independent pixels, sharp on high-density screens.
QIcon icon(Symbol symbol, const QColor& color, int size);

} // namespace EditorWindow::StatusSymbols
