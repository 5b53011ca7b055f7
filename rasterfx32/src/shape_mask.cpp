// Frames a picture: everything outside a shape inset from the edges is painted with a colour,
// or for the rectangle and square shapes faded towards it ring by ring.
#include <algorithm>
#include <array>
#include <cstddef>

#include "blend.h"
#include "engine_access.h"
#include "progress_report.h"
#include "raster_draw.h"
#include "rasterfx32/rasterfx32.h"
#include "shape_region.h"

static_assert(sizeof(RFX_SHAPE) == 56 && offsetof(RFX_SHAPE, colour) == 36,
              "the shape record is a fixed 56-byte layout");

namespace {

// Percent of the fill colour per cell: 100 at the picture's edge, falling by 100 / E per ring
// inwards, smoothed next to the shape.
std::vector<uint8_t> fadeValues(const std::vector<uint8_t>& region, int type, int edge, int w, int h) {
  std::vector<uint8_t> fade(static_cast<size_t>(w) * h, 100);
  double v = 100;
  const double step = edge > 0 ? 100.0 / edge : 100.0;
  const int rings = std::max(1, std::min({w / 2, h / 2, edge + 5}));
  int left = 0, top = 0, right = w - 1, bottom = h - 1;
  if (type == 3 && w > h) left = (w - h) / 2, right = h + (w - h) / 2 - 1;
  if (type == 3 && w < h) top = (h - w) / 2, bottom = w + (h - w) / 2 - 1;
  for (int i = 0; i < rings; ++i) {
    const uint8_t value = static_cast<uint8_t>(v);
    rfx::drawRectangleOutline(left + i, top + i, right - i, bottom - i, [&](int x, int y) {
      if (x >= 0 && y >= 0 && x < w && y < h) fade[static_cast<size_t>(y) * w + x] = value;
    });
    v = std::clamp(v - step, 0.0, 100.0);
  }
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      uint8_t& cell = fade[static_cast<size_t>(y) * w + x];
      if (region[static_cast<size_t>(y) * w + x]) {
        cell = 1;
      } else if (cell == 100) {
        std::array<uint8_t, 9> around{};
        int n = 0;
        for (int dy = -1; dy <= 1; ++dy)
          for (int dx = -1; dx <= 1; ++dx)
            around[n++] = fade[static_cast<size_t>(std::clamp(y + dy, 0, h - 1)) * w +
                               std::clamp(x + dx, 0, w - 1)];
        std::nth_element(around.begin(), around.begin() + 4, around.end());
        cell = around[4];
      }
    }
  }
  return fade;
}

}  // namespace

extern "C" int32_t VORN_ShapeMask_apply(OV_IMAGE image, const OV_RECT* rect, const RFX_SHAPE* shape) {
  if (!shape) return -1;
  const rfx::Size s = rfx::sizeOf(image);
  int32_t size = 0;
  if (int32_t rc = rfx::areaSize(image, rect, size); rc != 0) return rc;
  const OV_RECT inside = rect ? rfx::clipToImage(*rect, s) : OV_RECT{0, 0, s.width - 1, s.height - 1};
  const int w = inside.right - inside.left + 1, h = inside.bottom - inside.top + 1;
  // The pixels are taken as 24-bit B,G,R; any other depth is left alone.
  if (s.bits != 24 || static_cast<int64_t>(size) != int64_t{w} * h * 3) return 0;
  std::vector<uint8_t> pixels = rfx::areaBuffer(size, 100);
  if (pixels.empty()) return -1;
  IG_DIB_area_get(image, rect, pixels.data(), OV_AREA_FORMAT);

  const rfx::ShapeParameters params{shape->type, shape->edge, shape->points, shape->inner_size,
                                    shape->angle};
  const std::vector<uint8_t> region = rfx::shapeRegion(params, w, h);
  if (region.empty()) return 0;  // no such shape: nothing painted
  const bool fading = shape->fade != 0 && (shape->type == 1 || shape->type == 3);
  const std::vector<uint8_t> fade =
      fading ? fadeValues(region, shape->type, shape->edge, w, h) : std::vector<uint8_t>();
  const uint8_t colour[3] = {static_cast<uint8_t>(shape->colour >> 16),
                             static_cast<uint8_t>(shape->colour >> 8),
                             static_cast<uint8_t>(shape->colour)};
  rfx::StepProgress progress(h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const size_t i = static_cast<size_t>(y) * w + x;
      if (region[i]) continue;
      uint8_t* p = pixels.data() + 3 * i;
      if (fading) {
        rfx::blendPixel(p, colour, fade[i] / 100.0);
      } else {
        p[0] = colour[0], p[1] = colour[1], p[2] = colour[2];
      }
    }
    progress.step(y + 1);
  }
  rfx::StepProgress::finish();
  IG_DIB_area_set(image, rect, pixels.data(), OV_AREA_FORMAT);
  return 0;
}
