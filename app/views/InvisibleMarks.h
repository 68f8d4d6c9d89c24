#pragma once

#include <QColor>
#include <QFont>
#include <QPointF>
#include <QRectF>
#include <QStringView>

#include <functional>
#include <optional>

class QPainter;

namespace EditorViews {

class ParagraphLayout;

// How a suspicious character is marked: the space kinds (no-break and special spaces) get
// "⍽" inside their box, every other kind a box alone.
enum class SuspiciousMark { box, spaceBox };

// Classifies one scalar with its neighbouring scalars (absent at the paragraph's ends; an
// unpaired surrogate is U+FFFD); answers none for an ordinary character. The window hands in
// the text engine's classifier.
using SuspiciousClassifier = std::function<std::optional<SuspiciousMark>(
    char32_t scalar, std::optional<char32_t> previous, std::optional<char32_t> next, bool atStart)>;

struct InvisibleMarkStyle
{
    QFont baseFont;
    QColor invisiblesColor;
    QColor suspiciousFillColor;
    QColor suspiciousStrokeColor;
    QColor suspiciousMarkColor;
    // Height of one visual line; every visual line of a paragraph has it.
    double lineHeight = 0.0;
};

// One paragraph as laid out: its text (content and line break), the layout of its content,
// where the layout's visual line i has its top (origin.y + i * lineHeight) and left (origin.x).
struct MarkedParagraph
{
    QStringView text;
    int contentLength = 0;
    ParagraphLayout* layout = nullptr;
    QPointF origin;
    // Only what lies inside this rectangle (the painter's coordinates) is marked.
    QRectF clip;
    // An input method's composition shown inside the layout at this content position.
    int preeditPosition = -1;
    int preeditLength = 0;
};

namespace InvisibleMarks {

// Marks tabs, line feeds (not after a carriage return), carriage returns and spaces while
// showsInvisibles is on, and boxes every suspicious character always. A line break has no
// width in the layout: its cell starts where the last visual line's text ends.
void drawMarks(QPainter& painter,
               const MarkedParagraph& paragraph,
               bool showsInvisibles,
               const InvisibleMarkStyle& style,
               const SuspiciousClassifier& classify);

} // namespace InvisibleMarks
} // namespace EditorViews
