#include "contiguous_region.h"

#include <algorithm>
#include <cstdlib>

namespace rfx {
namespace {

// 255 within the tolerance, falling linearly to 0 at 1.5 x the tolerance.
uint8_t weight(const uint8_t* pixel, const uint8_t* reference, int tolerance) {
  int d = 0;
  for (int c = 0; c < 3; ++c) d = std::max(d, std::abs(pixel[c] - reference[c]));
  const float v = 1.5f - static_cast<float>(d) / static_cast<float>(tolerance);
  if (v <= 0) return 0;
  if (v >= 0.5f) return 255;
  return static_cast<uint8_t>(v * 512);
}

}  // namespace

std::vector<uint8_t> growRegion(const uint8_t* pixels, int width, int height, int seed_x,
                                int seed_y, int tolerance) {
  std::vector<uint8_t> mask(static_cast<size_t>(width) * height, 0);
  if (tolerance == 0) tolerance = 1;
  const uint8_t* reference = pixels + (static_cast<size_t>(seed_y) * width + seed_x) * 3;
  auto weightAt = [&](int x, int y) {
    return weight(pixels + (static_cast<size_t>(y) * width + x) * 3, reference, tolerance);
  };
  // Span filling with an explicit stack, so no image is too large for the call depth.
  struct Point {
    int x, y;
  };
  std::vector<Point> pending{{seed_x, seed_y}};
  while (!pending.empty()) {
    const auto [x, y] = pending.back();
    pending.pop_back();
    if (x < 0 || y < 0 || x >= width || y >= height) continue;
    uint8_t* row = mask.data() + static_cast<size_t>(y) * width;
    if (row[x] != 0) continue;
    const uint8_t w = weightAt(x, y);
    if (w == 0) continue;
    row[x] = w;
    int left = x - 1;
    for (; left >= 0; --left) {
      const uint8_t v = weightAt(left, y);
      if (v == 0) break;
      row[left] = v;
    }
    int right = x + 1;
    for (; right < width; ++right) {
      const uint8_t v = weightAt(right, y);
      if (v == 0) break;
      row[right] = v;
    }
    for (int xx = right - 1; xx > left; --xx) {
      pending.push_back({xx, y + 1});
      pending.push_back({xx, y - 1});
    }
  }
  return mask;
}

}  // namespace rfx
