#include "raster_draw.h"

#include <cstdint>
#include <cstdlib>

namespace rfx {

void drawLine(int x1, int y1, int x2, int y2, const Plot& plot) {
  const int dx = std::abs(x2 - x1), dy = std::abs(y2 - y1);
  const int sx = x1 <= x2 ? 1 : -1, sy = y1 <= y2 ? 1 : -1;
  if (dx >= dy) {
    int err = 2 * dy - dx;
    for (int x = x1, y = y1, i = 0; i <= dx; ++i, x += sx) {
      plot(x, y);
      if (err >= 0) {
        y += sy;
        err -= 2 * dx;
      }
      err += 2 * dy;
    }
  } else {
    int err = 2 * dx - dy;
    for (int x = x1, y = y1, i = 0; i <= dy; ++i, y += sy) {
      plot(x, y);
      if (err >= 0) {
        x += sx;
        err -= 2 * dy;
      }
      err += 2 * dx;
    }
  }
}

void drawEllipseOutline(int cx, int cy, int a, int b, const Plot& plot) {
  if (a < 0 || b < 0) return;
  auto four = [&](int x, int y) {
    plot(cx + x, cy + y);
    if (x) plot(cx - x, cy + y);
    if (y) plot(cx + x, cy - y);
    if (x && y) plot(cx - x, cy - y);
  };
  if (a == 0 || b == 0) {  // a line
    for (int x = 0; x <= a; ++x) four(x, 0);
    for (int y = 0; y <= b; ++y) four(0, y);
    return;
  }
  const int64_t a2 = int64_t{a} * a, b2 = int64_t{b} * b;
  int64_t x = 0, y = b;
  // Region 1: the slope is above -1, x advances every step. Decision values are scaled by 4.
  int64_t d = 4 * b2 - 4 * a2 * b + a2;
  while (b2 * x < a2 * y) {
    four(static_cast<int>(x), static_cast<int>(y));
    if (d >= 0) {
      --y;
      d -= 8 * a2 * y;
    }
    ++x;
    d += 4 * b2 * (2 * x + 1);
  }
  // Region 2: y falls every step.
  d = b2 * (2 * x + 1) * (2 * x + 1) + 4 * a2 * (y - 1) * (y - 1) - 4 * a2 * b2;
  while (y >= 0) {
    four(static_cast<int>(x), static_cast<int>(y));
    if (d <= 0) {
      ++x;
      d += 8 * b2 * x;
    }
    --y;
    d += 4 * a2 - 8 * a2 * y;
  }
}

void drawRectangleOutline(int left, int top, int right, int bottom, const Plot& plot) {
  drawLine(left, top, right, top, plot);
  drawLine(right, top, right, bottom, plot);
  drawLine(right, bottom, left, bottom, plot);
  drawLine(left, bottom, left, top, plot);
}

}  // namespace rfx
