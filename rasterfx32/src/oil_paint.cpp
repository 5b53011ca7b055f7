// Oil paint: every pixel takes, channel by channel, the most frequent value of the
// neighbourhood of the unchanged picture.
#include <algorithm>
#include <array>
#include <exception>

#include "engine_access.h"
#include "progress_report.h"
#include "rasterfx32/rasterfx32.h"

namespace {

constexpr const char* kModule = "OilPaint";

// The mode of one channel over rows y0..y1 and columns x0..x1 of `pixels` (rows of `stride`
// bytes), visited row by row: the first value to reach the highest count wins ties.
uint8_t channelMode(const uint8_t* pixels, size_t stride, int channel, int x0, int x1, int y0,
                    int y1) {
  std::array<uint16_t, 256> counts{};
  int best_count = 0;
  uint8_t best = 0;
  for (int y = y0; y <= y1; ++y) {
    const uint8_t* p = pixels + static_cast<size_t>(y) * stride + static_cast<size_t>(x0) * 3 + channel;
    for (int x = x0; x <= x1; ++x, p += 3) {
      const int c = ++counts[*p];
      if (c > best_count) {
        best_count = c;
        best = *p;
      }
    }
  }
  return best;
}

int32_t paint(OV_IMAGE image, const OV_RECT* rect, uint32_t size) {
  int32_t width = 0, height = 0, bits = 0;
  if (int32_t rc = IG_image_dimensions_get(image, &width, &height, &bits); rc >= 1) return rc;
  if (bits < 24) {
    if (int32_t rc = IG_IP_color_promote(image, 3); rc > 0) return rc;
  }
  const OV_RECT area = rect ? *rect : OV_RECT{0, 0, width, height};
  int32_t bytes = 0;
  if (int32_t rc = rfx::areaSize(image, &area, bytes); rc >= 1) return rc;
  std::vector<uint8_t> pixels = rfx::areaBuffer(bytes);
  if (pixels.empty()) {
    rfx::recordError(kModule, 94, rfx::kOutOfMemory);
    return 1;
  }
  std::vector<uint8_t> result = rfx::areaBuffer(bytes);
  if (result.empty()) {
    rfx::recordError(kModule, 111, rfx::kOutOfMemory);
    return 1;
  }
  if (int32_t rc = IG_DIB_area_get(image, &area, pixels.data(), OV_AREA_FORMAT); rc != 0) return rc;
  // The engine clips the area to the image: its real size follows from the clipped corners.
  const OV_RECT inside = rfx::clipToImage(area, {width, height, 24});
  const int w = inside.right - inside.left + 1;
  const int h = static_cast<int>(bytes / (static_cast<int64_t>(w) * 3));
  const size_t stride = static_cast<size_t>(w) * 3;
  const int r = static_cast<int>(std::min<uint32_t>(size, 0x10000) >> 1);

  double percent = 0;
  const RFX_PROGRESS_CB cb = rfx::progressCallback();
  for (int y = 0; y < h; ++y) {
    const int y0 = std::max(0, y - r), y1 = std::min(h - 1, y + r + 1);
    uint8_t* out = result.data() + static_cast<size_t>(y) * stride;
    for (int x = 0; x < w; ++x) {
      const int x0 = std::max(0, x - r), x1 = std::min(w - 1, x + r + 1);
      for (int c = 0; c < 3; ++c) out[3 * x + c] = channelMode(pixels.data(), stride, c, x0, x1, y0, y1);
    }
    percent += 100.0 / h;
    if ((y + 1) % 10 == 0 && cb && cb(static_cast<int32_t>(percent)) == 0) {
      rfx::recordError(kModule, 243, IGE_CANCELLED);
      cb(0);
      return 1;
    }
  }
  const int32_t rc = IG_DIB_area_set(image, &area, result.data(), OV_AREA_FORMAT);
  rfx::StepProgress::finish();
  return rc;
}

}  // namespace

extern "C" int32_t OilPaintImage(OV_IMAGE image, const OV_RECT* rect, uint32_t size) {
  try {
    return paint(image, rect, size == 0 ? 1 : size);
  } catch (const std::exception&) {
    rfx::recordError(kModule, 80, rfx::kUnexpectedFailure);
    return 1;
  }
}
