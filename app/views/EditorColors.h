#pragma once

#include <QColor>
#include <QPalette>

#include <array>

namespace EditorViews {

// The editor's colours. Two-valued colours pick their dark value when the palette they are
// drawn with is dark, so a theme change shows at the next redraw without rebuilding anything.
enum class Appearance { light, dark };

Appearance appearanceOf(const QPalette& palette);

namespace EditorColors {

QColor accentColor(const QPalette& palette);
QColor selectionColor(const QPalette& palette);
QColor currentLineColor(Appearance appearance);
QColor findMatchColor(Appearance appearance);
QColor currentMatchColor(Appearance appearance);
QColor indicatorColor(Appearance appearance);
QColor syntaxErrorUnderlineColor(Appearance appearance);
// The dots under misspelled words.
QColor misspellingColor(Appearance appearance);
QColor invisiblesColor(Appearance appearance);
QColor suspiciousMarkColor(Appearance appearance);
QColor suspiciousFillColor(Appearance appearance);
QColor suspiciousStrokeColor(Appearance appearance);
QColor lineNumberColor(Appearance appearance);
QColor currentLineNumberColor(Appearance appearance);

// One colour per syntax role, in the roles' case order: keyword, string, number, comment,
// type, function, property, punctuation.
std::array<QColor, 8> syntaxPalette(Appearance appearance);

// The desktop's system colours that the editor's colours are built from.
QColor systemColor(const char* name, Appearance appearance);

} // namespace EditorColors
} // namespace EditorViews
