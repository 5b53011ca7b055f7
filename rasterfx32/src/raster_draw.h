// Integer outlines drawn into byte grids: straight lines (Bresenham) and ellipse outlines
// (midpoint), shared by the masks and the brushes.
#pragma once

#include <functional>

namespace rfx {

using Plot = std::function<void(int x, int y)>;

// Both end points included; steps along the longer axis.
void drawLine(int x1, int y1, int x2, int y2, const Plot& plot);
// Closed 8-connected outline through (cx ± a, cy) and (cx, cy ± b).
void drawEllipseOutline(int cx, int cy, int a, int b, const Plot& plot);
// Top, right, bottom and left edges of the rectangle with the given corners.
void drawRectangleOutline(int left, int top, int right, int bottom, const Plot& plot);

}  // namespace rfx
