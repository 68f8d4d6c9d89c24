#include "store/WindowFrameFitter.h"

#include <algorithm>

namespace EditorStore::WindowFrameFitter {
namespace {

// The overlap of two standard rectangles; none when they do not overlap.
bool intersect(const Rect& a, const Rect& b, Rect& overlap)
{
    double minX = std::max(a.minX(), b.minX());
    double maxX = std::min(a.maxX(), b.maxX());
    double minY = std::max(a.minY(), b.minY());
    double maxY = std::min(a.maxY(), b.maxY());
    if (!(minX < maxX) || !(minY < maxY))
        return false;
    overlap = {minX, minY, maxX - minX, maxY - minY};
    return true;
}

} // namespace

Rect fit(const Rect& frame, std::span<const Rect> screens)
{
    if (screens.empty())
        return frame;
    if (frame.width == 0 || frame.height == 0)
        return frame;
    auto standard = frame.standardized();
    Rect strip{
        standard.minX(), standard.maxY() - titleStripHeight, standard.width, titleStripHeight};
    for (const auto& screen : screens) {
        Rect overlap;
        if (!intersect(screen, strip, overlap))
            continue;
        if (overlap.width < minimumVisibleWidth || overlap.height < minimumVisibleHeight)
            continue;
        return place(frame, screen, TitleRule::on);
    }
    return place(frame, screens.front(), TitleRule::off);
}

Rect place(const Rect& frame, const Rect& screen, TitleRule titleRule)
{
    auto window = frame.standardized();
    auto area = screen.standardized();
    double w = std::min(window.width, area.width);
    double h = std::min(window.height, area.height);
    double x = 0;
    double y = 0;
    if (titleRule == TitleRule::on) {
        y = std::max(std::min(window.maxY(), area.maxY()) - h, area.minY() + titleStripHeight - h);
        x = std::min(std::max(window.minX(), area.minX() + minimumVisibleWidth - w),
                     area.maxX() - minimumVisibleWidth);
    } else {
        x = std::min(std::max(window.minX(), area.minX()), area.maxX() - w);
        y = std::min(std::max(window.minY(), area.minY()), area.maxY() - h);
    }
    return {x, y, w, h};
}

} // namespace EditorStore::WindowFrameFitter
