// Small 24-bit images built pixel by pixel for the library's tests.
#pragma once

#include <cstdint>
#include <vector>

#include "ovengine/ovengine.h"

namespace rfxtest {

struct Bgr {
  uint8_t b, g, r;
  bool operator==(const Bgr&) const = default;
};

// A w x h 24-bit image of one colour.
inline OV_IMAGE solid(int w, int h, Bgr colour) {
  OV_IMAGE image = 0;
  IG_image_create_DIB_ex(w, h, 24, 0, nullptr, &image);
  std::vector<uint8_t> px(static_cast<size_t>(w) * h * 3);
  for (size_t i = 0; i < px.size(); i += 3) px[i] = colour.b, px[i + 1] = colour.g, px[i + 2] = colour.r;
  IG_DIB_area_set(image, nullptr, px.data(), OV_AREA_FORMAT);
  return image;
}

inline Bgr pixel(OV_IMAGE image, int x, int y) {
  uint8_t v[3] = {};
  IG_DIB_pixel_get(image, x, y, v);
  return {v[0], v[1], v[2]};
}

inline void setPixel(OV_IMAGE image, int x, int y, Bgr c) {
  const uint8_t v[3] = {c.b, c.g, c.r};
  IG_DIB_pixel_set(image, x, y, v);
}

// All pixels, rows from the top.
inline std::vector<uint8_t> bytes(OV_IMAGE image) {
  int32_t size = 0;
  IG_DIB_area_size_get(image, nullptr, OV_AREA_FORMAT, &size);
  std::vector<uint8_t> out(static_cast<size_t>(size));
  IG_DIB_area_get(image, nullptr, out.data(), OV_AREA_FORMAT);
  return out;
}

}  // namespace rfxtest
