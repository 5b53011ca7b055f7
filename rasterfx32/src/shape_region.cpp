#include "shape_region.h"

#include <algorithm>
#include <cmath>

namespace rfx {
namespace {

struct Box {
  int left, top, right, bottom;  // right and bottom excluded
};
struct Point {
  double x, y;
};

class Grid {
 public:
  Grid(int w, int h) : w_(w), h_(h), cells_(static_cast<size_t>(w) * h, 0) {}
  template <typename Inside>
  void fill(Inside inside) {
    for (int y = 0; y < h_; ++y)
      for (int x = 0; x < w_; ++x) cells_[static_cast<size_t>(y) * w_ + x] = inside(x + 0.5, y + 0.5);
  }
  std::vector<uint8_t> take() { return std::move(cells_); }

 private:
  int w_, h_;
  std::vector<uint8_t> cells_;
};

bool inBox(const Box& b, double x, double y) {
  return x >= b.left && x < b.right && y >= b.top && y < b.bottom;
}

bool inEllipse(const Box& b, double x, double y) {
  const double rx = (b.right - b.left) / 2.0, ry = (b.bottom - b.top) / 2.0;
  if (rx <= 0 || ry <= 0) return false;
  const double dx = (x - (b.left + rx)) / rx, dy = (y - (b.top + ry)) / ry;
  return dx * dx + dy * dy <= 1.0;
}

// A rectangle with its corners cut by quarter ellipses of corner_w x corner_h.
bool inRoundRect(const Box& b, int corner_w, int corner_h, double x, double y) {
  if (!inBox(b, x, y)) return false;
  const double rx = corner_w / 2.0, ry = corner_h / 2.0;
  if (rx <= 0 || ry <= 0) return true;
  const double cx = x < b.left + rx ? b.left + rx : x > b.right - rx ? b.right - rx : x;
  const double cy = y < b.top + ry ? b.top + ry : y > b.bottom - ry ? b.bottom - ry : y;
  const double dx = (x - cx) / rx, dy = (y - cy) / ry;
  return dx * dx + dy * dy <= 1.0;
}

// Alternate (even-odd) fill.
bool inPolygon(const std::vector<Point>& p, double x, double y) {
  bool inside = false;
  for (size_t i = 0, j = p.size() - 1; i < p.size(); j = i++) {
    if ((p[i].y > y) != (p[j].y > y) &&
        x < (p[j].x - p[i].x) * (y - p[i].y) / (p[j].y - p[i].y) + p[i].x)
      inside = !inside;
  }
  return inside;
}

std::vector<Point> star(const Box& b, int n, int inner_size, int angle) {
  std::vector<Point> points;
  if (n <= 0) return points;
  if (n > 12 && n % 2 == 1) ++n;
  const int hx = (b.right - b.left) / 2, hy = (b.bottom - b.top) / 2;
  const int radius = std::min(hx, hy);
  for (int i = 0; i < n; ++i) {
    const double r = i % 2 == 0 ? radius : radius * (100 - inner_size) * 0.01;
    const double a = (360.0 / n * i - angle) * 0.017453292522222223;
    points.push_back({static_cast<double>(b.left + hx + static_cast<int>(std::cos(a) * r)),
                      static_cast<double>(b.top + hy + static_cast<int>(r * std::sin(a)))});
  }
  return points;
}

// The square centred in the area, inset by the edge width.
Box centredSquare(int w, int h, int e) {
  if (w > h) {
    const int half = (w - h) / 2;
    return {half + e - 1, e - 1, h + half - e - 1, h - e + 1};
  }
  if (w < h) {
    const int half = (h - w) / 2;
    return {e - 1, half + e - 1, w - e + 1, w + half - e - 1};
  }
  return {e - 1, e - 1, w - e + 1, h - e + 1};
}

}  // namespace

std::vector<uint8_t> shapeRegion(const ShapeParameters& s, int w, int h) {
  Grid grid(w, h);
  const int e = s.edge;
  const Box inset{e, e, w - e + 1, h - e + 1};
  const Box outer{e - 1, e - 1, w - e + 1, h - e + 1};
  const Box square = centredSquare(w, h, e);
  const int corner_w = static_cast<int>(w * 0.1), corner_h = static_cast<int>(h * 0.1);
  const int l = inset.left, t = inset.top, r = inset.right, b = inset.bottom;
  const int cx = l + (r - l) / 2, cy = t + (b - t) / 2;
  auto polygon = [&](std::vector<Point> p) {
    grid.fill([&](double x, double y) { return p.size() >= 3 && inPolygon(p, x, y); });
  };
  switch (s.type) {
    case 1: grid.fill([&](double x, double y) { return inBox(outer, x, y); }); break;
    case 2: grid.fill([&](double x, double y) { return inRoundRect(outer, corner_w, corner_h, x, y); }); break;
    case 3: grid.fill([&](double x, double y) { return inBox(square, x, y); }); break;
    case 4: grid.fill([&](double x, double y) { return inRoundRect(square, corner_w, corner_h, x, y); }); break;
    case 5: grid.fill([&](double x, double y) { return inEllipse(square, x, y); }); break;
    case 6: grid.fill([&](double x, double y) { return inEllipse(inset, x, y); }); break;
    case 7: polygon({{1.0 * r, 1.0 * t}, {1.0 * r, 1.0 * b}, {1.0 * l, 1.0 * cy}}); break;
    case 8: polygon({{1.0 * l, 1.0 * t}, {1.0 * r, 1.0 * cy}, {1.0 * l, 1.0 * b}}); break;
    case 9: polygon({{1.0 * cx, 1.0 * t}, {1.0 * l, 1.0 * b}, {1.0 * r, 1.0 * b}}); break;
    case 10: polygon({{1.0 * l, 1.0 * t}, {1.0 * cx, 1.0 * b}, {1.0 * r, 1.0 * t}}); break;
    case 11: polygon({{1.0 * cx, 1.0 * t}, {1.0 * r, 1.0 * cy}, {1.0 * cx, 1.0 * b}, {1.0 * l, 1.0 * cy}}); break;
    case 12: polygon(star(inset, 10, 50, 90)); break;
    case 13: polygon(star(inset, s.points, s.inner_size, s.angle)); break;
    default: return {};
  }
  return grid.take();
}

}  // namespace rfx
