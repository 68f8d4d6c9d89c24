#pragma once

#include <cmath>
#include <ostream>

namespace EditorStore {

// A rectangle in points in global screen coordinates: the origin at the lower-left corner of
// the primary screen, y growing upward, so a window's top edge is its maxY. The edges and
// size are those of the standard form, whose width and height are not negative.
struct Rect
{
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;

    // The same area with a width and height that are not negative.
    Rect standardized() const
    {
        Rect rect = *this;
        if (rect.width < 0) {
            rect.x += rect.width;
            rect.width = -rect.width;
        }
        if (rect.height < 0) {
            rect.y += rect.height;
            rect.height = -rect.height;
        }
        return rect;
    }

    double minX() const { return standardized().x; }
    double minY() const { return standardized().y; }
    double maxX() const { return standardized().x + std::abs(width); }
    double maxY() const { return standardized().y + std::abs(height); }

    bool operator==(const Rect&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Rect& rect)
{
    return out << '(' << rect.x << ", " << rect.y << ", " << rect.width << ", " << rect.height
               << ')';
}

} // namespace EditorStore
