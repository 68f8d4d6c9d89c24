#pragma once

#include <QString>

class QKeyEvent;

namespace EditorViews {

// The command selector a key press stands for in the editor's views ("moveDown:",
// "moveUpAndModifySelection:", "copy:", "insertNewline:"...), the same for the text view and
// the lists beside it; empty when the key is no command (typed text, or unbound).
QString keySelector(const QKeyEvent& event);

} // namespace EditorViews
