#pragma once

#include <QFont>

namespace EditorViews {

// Whether any installed font draws a character: the font itself, or a font the platform falls
// back to for it. A character no font has would otherwise show as nothing or a thin blank; the
// editor reserves one character's width for it and boxes it with its code point. Answers are
// kept per font family and character. Main thread only.
namespace GlyphCoverage {

bool canDraw(const QFont& font, char32_t scalar);
// Whether a character needs the test at all. ASCII, controls, spaces, format characters and
// combining marks never do: they draw nothing of their own (the suspicious-character marks
// show the ones that matter).
bool isCandidate(char32_t scalar);

} // namespace GlyphCoverage
} // namespace EditorViews
