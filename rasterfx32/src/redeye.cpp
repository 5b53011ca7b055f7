// Red-eye removal: find the reddest pixel of a rectangle, grow the pupil from it, replace the
// pupil by an ellipse around it and lower red to min(green, blue) inside; or, in ellipse mode,
// repair the ellipse inscribed in the rectangle.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "contiguous_region.h"
#include "ellipse_mask.h"
#include "engine_access.h"
#include "ig_image.h"
#include "rasterfx32/rasterfx32.h"

namespace {

constexpr const char* kModule = "redeyered";

struct RedEyeSettings {
  OV_IMAGE image = 0;
  int32_t image_width = 0, image_height = 0, image_bits = 0;
  int32_t threshold = 36;  // percent
  int32_t tolerance = 27;
  uint8_t ellipse_mode = 0;
  uint8_t enlarge = 0;
  double enlarge_factor = 0.25;
};

RedEyeSettings& settings() {
  static RedEyeSettings s;
  return s;
}

bool isRed(const uint8_t* p, int threshold) {
  const int b = p[0], g = p[1], r = p[2];
  const double ratio = (r == 0 && g == 0 && b == 0) ? 1.0 : (g + b) * 0.5 / std::max(r, 1);
  return threshold * 0.01 > ratio;
}

// The reddest pixel; among equal ranks the last one found. False when none is red.
bool findSeed(const uint8_t* pixels, int w, int h, int threshold, int& sx, int& sy) {
  double best = 255;
  bool found = false;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const uint8_t* p = pixels + (static_cast<size_t>(y) * w + x) * 3;
      if (!isRed(p, threshold)) continue;
      const double rank = static_cast<double>((p[0] + p[1]) >> 1) / std::max<int>(p[2], 1);
      if (rank <= best) {
        best = rank;
        sx = x;
        sy = y;
        found = true;
      }
    }
  }
  return found;
}

// Replaces the region by the ellipse inscribed in its bounding box grown by 2 pixels.
void ellipseAroundRegion(std::vector<uint8_t>& mask, int w, int h) {
  int left = w, top = h, right = -1, bottom = -1;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      if (!mask[static_cast<size_t>(y) * w + x]) continue;
      left = std::min(left, x), right = std::max(right, x);
      top = std::min(top, y), bottom = std::max(bottom, y);
    }
  }
  if (!(left < right && top < bottom)) return;
  left -= 2, top -= 2, right += 2, bottom += 2;
  rfx::TEllipseMask ellipse;
  ellipse.setSize(right - left + 1, bottom - top + 1);
  const uint8_t* bits = ellipse.build();
  if (!bits) return;
  for (int y = top; y <= bottom; ++y) {
    for (int x = left; x <= right; ++x) {
      if (x < 0 || y < 0 || x >= w || y >= h) continue;  // only cells inside the mask count
      mask[static_cast<size_t>(y) * w + x] =
          bits[static_cast<size_t>(y - top) * ellipse.width() + (x - left)] == 1 ? 1 : 0;
    }
  }
}

std::vector<uint8_t> buildMask(const uint8_t* pixels, int w, int h) {
  const RedEyeSettings& s = settings();
  std::vector<uint8_t> mask(static_cast<size_t>(w) * h, 0);
  if (s.ellipse_mode) {
    rfx::TEllipseMask ellipse;
    ellipse.setSize(w, h);
    if (const uint8_t* bits = ellipse.build()) {
      for (size_t i = 0; i < mask.size(); ++i) mask[i] = bits[i] == 1;
    }
    return mask;
  }
  int threshold = s.threshold, tolerance = s.tolerance;
  if (s.enlarge) {
    threshold = static_cast<int>(threshold + std::ceil(threshold * s.enlarge_factor));
    tolerance = static_cast<int>(tolerance + std::ceil(tolerance * s.enlarge_factor));
  }
  int sx = 0, sy = 0;
  if (!findSeed(pixels, w, h, threshold, sx, sy)) return mask;
  mask = rfx::growRegion(pixels, w, h, sx, sy, tolerance);
  ellipseAroundRegion(mask, w, h);
  return mask;
}

// The part of `rect` inside the image; the rectangle itself when none is (the engine then
// reports it).
OV_RECT clipped(const OV_RECT& rect, const rfx::Size& size) {
  const OV_RECT r = rfx::clipToImage(rect, size);
  return r.left <= r.right && r.top <= r.bottom ? r : rect;
}

int32_t removeOnce(const OV_RECT& requested, OV_IMAGE image) {
  const rfx::Size image_size = rfx::sizeOf(image);
  const OV_RECT rect = clipped(requested, image_size);
  const int w = rect.right - rect.left + 1, h = rect.bottom - rect.top + 1;
  int32_t size = 0;
  if (int32_t rc = rfx::areaSize(image, &rect, size); rc != 0) return rc;
  std::vector<uint8_t> area = rfx::areaBuffer(size);
  if (area.empty()) {
    rfx::recordError(kModule, 606, rfx::kOutOfMemory);
    return 1;
  }
  rfx::TigImage work;
  if (!work.create(w, h, 24)) {
    rfx::recordError(kModule, 615, rfx::kOutOfMemory);
    return 1;
  }
  if (int32_t n = IG_DIB_area_get(image, &rect, area.data(), OV_AREA_FORMAT); n != 0) {
    rfx::recordError(kModule, 622, rfx::kOutOfMemory);
    return n + 1;
  }
  // Only 24-bit pictures are repaired; the program converts the image before the tool starts.
  if (image_size.bits != 24) return 0;
  IG_DIB_area_set(work.handle(), nullptr, area.data(), OV_AREA_FORMAT);
  const std::vector<uint8_t> mask = buildMask(area.data(), w, h);
  for (size_t i = 0; i < mask.size(); ++i) {
    if (!mask[i]) continue;
    uint8_t* p = area.data() + i * 3;
    p[2] = std::min(p[0], p[1]);
  }
  IG_DIB_area_set(work.handle(), nullptr, area.data(), OV_AREA_FORMAT);
  IG_DIB_area_set(image, &rect, area.data(), OV_AREA_FORMAT);
  return 0;
}

}  // namespace

extern "C" {

int32_t RFX_REDEYE_caps_set(uint32_t type, const void* value) {
  RedEyeSettings& s = settings();
  if (!value) return -1;
  switch (type) {
    case 0:
      std::memcpy(&s.image, value, 4);
      IG_image_dimensions_get(s.image, &s.image_width, &s.image_height, &s.image_bits);
      return 0;
    case 2:
      std::memcpy(&s.threshold, value, 4);
      return 0;
    case 3:
      std::memcpy(&s.tolerance, value, 4);
      return 0;
    case 4:
    case 6:
      s.ellipse_mode = *static_cast<const uint8_t*>(value);
      return 0;
    case 7:
      s.enlarge = *static_cast<const uint8_t*>(value);
      return 0;
    case 8: {
      int32_t percent = 0;
      std::memcpy(&percent, value, 4);
      s.enlarge_factor = std::clamp(percent, 1, 100) * 0.01;
      return 0;
    }
    default:
      return -1;
  }
}

int32_t RFX_REDEYE_caps_get(uint32_t type, void* value) {
  const RedEyeSettings& s = settings();
  if (!value) return -1;
  switch (type) {
    case 0:
      std::memcpy(value, &s.image, 4);
      return 0;
    case 2:
      std::memcpy(value, &s.threshold, 4);
      return 0;
    case 3:
      std::memcpy(value, &s.tolerance, 4);
      return 0;
    case 4:
    case 6:
      *static_cast<uint8_t*>(value) = s.ellipse_mode;
      return 0;
    default:
      return -1;
  }
}

int32_t RFX_REDEYE_remove_rect(int32_t, const OV_RECT* rect, OV_IMAGE image, OV_RECT*,
                               uint8_t twice) {
  RedEyeSettings& s = settings();
  int32_t rc = 1;
  if (!rect) {
    rfx::recordError(kModule, __LINE__, IGE_INVALID_ARGUMENT);
  } else if (twice) {
    s.ellipse_mode = 0;
    rc = removeOnce(*rect, image);
    if (rc == 0) rc = removeOnce(*rect, image);
  } else {
    rc = removeOnce(*rect, image);
  }
  s.enlarge = 0;
  return rc;
}

}  // extern "C"
