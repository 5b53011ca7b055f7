#include "ellipse_mask.h"

#include <algorithm>

#include "raster_draw.h"

namespace rfx {

const uint8_t* TEllipseMask::build() {
  if (width_ <= 0 || height_ <= 0) return nullptr;
  const long size = static_cast<long>(width_) * height_;
  if (!bits_.setSize(0) || !bits_.setSize(size)) return nullptr;
  uint8_t* bits = bits_.data();
  // Below 5 x 5 no ellipse is drawn: the mask holds 100 everywhere and 1 nowhere.
  if (width_ < 5 && height_ < 5) {
    std::fill(bits, bits + size, 100);
    return bits;
  }
  const int cx = width_ / 2, cy = height_ / 2;
  const int rx = std::min(cx < 2 ? 1 : cx - 1, width_);
  const int ry = std::min(cy < 2 ? 1 : cy - 1, height_);
  drawEllipseOutline(cx, cy, rx, ry, [&](int x, int y) {
    if (x >= 0 && y >= 0 && x < width_ && y < height_) bits[static_cast<long>(y) * width_ + x] = 1;
  });
  if (fill_) {
    for (int y = 0; y < height_; ++y) {
      uint8_t* row = bits + static_cast<long>(y) * width_;
      int first = -1, last = -1;
      for (int x = 0; x < width_; ++x) {
        if (row[x] != 1) continue;
        if (first < 0) first = x;
        last = x;
      }
      for (int x = first + 1; x < last; ++x) row[x] = 1;
    }
  }
  return bits;
}

}  // namespace rfx
