// Pixel fixtures shared by the filter and effect tests: images made from a pixel function,
// their pixels as values, and the rules every call is checked against.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "ovengine/ovengine.h"
#include "test_images.h"

namespace ovtest {

// Pixel value: palette index, or 0x00RRGGBB at 24 bits.
using PixelFn = std::function<uint32_t(int x, int y)>;

struct Pixels {
  int w = 0, h = 0, bpp = 0;
  std::vector<uint32_t> v;
  uint32_t at(int x, int y) const { return v[static_cast<size_t>(y) * w + x]; }
};

inline OV_IMAGE makeFrom(int w, int h, int bpp, const PixelFn& fn) {
  OV_IMAGE image = 0;
  EXPECT_EQ(IG_image_create_DIB_ex(w, h, bpp, 0, nullptr, &image), 0);
  const int bytes = bpp == 24 ? 3 : 1;
  std::vector<uint8_t> area(static_cast<size_t>(w) * h * bytes);
  for (int y = 0, i = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int b = 0; b < bytes; ++b) area[i++] = static_cast<uint8_t>(fn(x, y) >> (8 * b));
  EXPECT_EQ(IG_DIB_area_set(image, nullptr, area.data(), OV_AREA_FORMAT), 0);
  return image;
}

inline Pixels pixelsOf(OV_IMAGE image) {
  Pixels p;
  IG_image_dimensions_get(image, &p.w, &p.h, &p.bpp);
  const int bytes = p.bpp == 24 ? 3 : 1;
  std::vector<uint8_t> area(static_cast<size_t>(p.w) * p.h * bytes);
  IG_DIB_area_get(image, nullptr, area.data(), OV_AREA_FORMAT);
  p.v.resize(static_cast<size_t>(p.w) * p.h);
  for (size_t i = 0; i < p.v.size(); ++i)
    for (int b = 0; b < bytes; ++b) p.v[i] |= static_cast<uint32_t>(area[i * bytes + b]) << (8 * b);
  return p;
}

// Header, palette and pixel bytes, to show that an image was left exactly as it was.
inline std::vector<uint8_t> rawBytes(OV_IMAGE image) {
  OV_BITMAPINFOHEADER* h = nullptr;
  if (IG_image_DIB_pntr_get(image, &h) != 0) return {};
  const size_t palette = h->biBitCount <= 8 ? (size_t{1} << h->biBitCount) * 4 : 0;
  const auto* p = reinterpret_cast<const uint8_t*>(h);
  return {p, p + h->biSize + palette + h->biSizeImage};
}

// Grey level g as a pixel value: the index of an 8-bit grey image, (g, g, g) at 24 bits.
inline uint32_t grey(int g, int bpp) {
  return bpp == 24 ? 0x010101u * static_cast<uint32_t>(g) : g;
}

inline OV_IMAGE makeGrey(int w, int h, int bpp, const std::function<int(int, int)>& level) {
  return makeFrom(w, h, bpp, [&](int x, int y) { return grey(level(x, y), bpp); });
}

// Every pixel of `image` against the grey level `expected(x, y)`.
inline void expectGreys(OV_IMAGE image, const std::function<int(int, int)>& expected) {
  const Pixels p = pixelsOf(image);
  for (int y = 0; y < p.h; ++y)
    for (int x = 0; x < p.w; ++x)
      ASSERT_EQ(p.at(x, y), grey(expected(x, y), p.bpp)) << "at " << x << "," << y;
}

// Detail everywhere, each channel different, so that every filter changes something.
inline uint32_t busy(int x, int y) {
  const uint32_t r = (x * 37 + y * 91 + (x * y) % 7 * 20) & 0xFF;
  const uint32_t g = (x * x * 5 + y * 13) & 0xFF;
  const uint32_t b = ((x ^ y) * 29 + 7) & 0xFF;
  return r << 16 | g << 8 | b;
}

inline uint32_t busyAt(int x, int y, int bpp) {
  return bpp == 24 ? busy(x, y) : busy(x, y) & 0xFF;
}

inline OV_IMAGE makeBusy(int w, int h, int bpp) {
  return makeFrom(w, h, bpp, [bpp](int x, int y) { return busyAt(x, y, bpp); });
}

inline void expectError(OV_ERRCOUNT count, int32_t code) {
  EXPECT_EQ(count, 1);
  EXPECT_EQ(takeErrorCode(), code);
}

}  // namespace ovtest
