// Small fixtures shared by the colour tests: images from explicit pixels, their pixels and
// palettes back, a byte snapshot for "unchanged" checks, and a cancelling progress routine.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <set>
#include <vector>

#include "ovengine/ov_process.h"
#include "test_images.h"

namespace colourtest {

using ovtest::ScopedImage;

inline OV_RGB rgb(int r, int g, int b) {
  return OV_RGB{static_cast<uint8_t>(b), static_cast<uint8_t>(g), static_cast<uint8_t>(r)};
}
inline uint32_t key(const OV_RGB& c) {
  return c.b | c.g << 8 | static_cast<uint32_t>(c.r) << 16;
}
inline bool same(const OV_RGB& a, const OV_RGB& b) {
  return key(a) == key(b);
}

// A 24-bit image whose pixel (x, y) is colour(x, y).
inline OV_IMAGE rgbImage(int w, int h, const std::function<OV_RGB(int, int)>& colour) {
  OV_IMAGE image = 0;
  EXPECT_EQ(IG_image_create_DIB_ex(w, h, 24, 0, nullptr, &image), 0);
  std::vector<uint8_t> area;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const OV_RGB c = colour(x, y);
      area.insert(area.end(), {c.b, c.g, c.r});
    }
  EXPECT_EQ(IG_DIB_area_set(image, nullptr, area.data(), OV_AREA_FORMAT), 0);
  return image;
}

inline OV_IMAGE solidImage(int w, int h, OV_RGB c) {
  return rgbImage(w, h, [c](int, int) { return c; });
}

// A palette image of `bpp` bits: `palette` (the rest of the entries black) and pixel (x, y)
// = index(x, y).
inline OV_IMAGE indexedImage(int w, int h, int bpp, const std::vector<OV_RGB>& palette,
                             const std::function<int(int, int)>& index) {
  OV_IMAGE image = 0;
  EXPECT_EQ(IG_image_create_DIB_ex(w, h, bpp, 0, nullptr, &image), 0);
  for (int i = 0; i < (1 << bpp); ++i) {
    const OV_RGB c = i < static_cast<int>(palette.size()) ? palette[i] : OV_RGB{0, 0, 0};
    IG_palette_entry_set(image, &c, i);
  }
  std::vector<uint8_t> area;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) area.push_back(static_cast<uint8_t>(index(x, y)));
  EXPECT_EQ(IG_DIB_area_set(image, nullptr, area.data(), OV_AREA_FORMAT), 0);
  return image;
}

// An 8-bit grey image (palette entry i = grey i) whose pixel (x, y) is level(x, y).
inline OV_IMAGE greyImage(int w, int h, const std::function<int(int, int)>& level) {
  std::vector<OV_RGB> ramp;
  for (int i = 0; i < 256; ++i) ramp.push_back(rgb(i, i, i));
  return indexedImage(w, h, 8, ramp, level);
}

inline int bitsOf(OV_IMAGE image) {
  int32_t bpp = 0;
  IG_image_dimensions_get(image, nullptr, nullptr, &bpp);
  return bpp;
}

// Palette indexes (one byte per pixel) or B,G,R bytes, rows from the top.
inline std::vector<uint8_t> areaOf(OV_IMAGE image) {
  int32_t size = 0;
  IG_DIB_area_size_get(image, nullptr, OV_AREA_FORMAT, &size);
  std::vector<uint8_t> area(static_cast<size_t>(size));
  IG_DIB_area_get(image, nullptr, area.data(), OV_AREA_FORMAT);
  return area;
}

inline std::vector<OV_RGB> paletteOf(OV_IMAGE image) {
  const int bpp = bitsOf(image);
  std::vector<OV_RGB> palette(bpp <= 8 ? 1u << bpp : 0u);
  for (size_t i = 0; i < palette.size(); ++i)
    IG_palette_entry_get(image, static_cast<int32_t>(i), &palette[i]);
  return palette;
}

inline std::set<uint32_t> distinctColours(OV_IMAGE image) {
  std::set<uint32_t> out;
  for (const OV_RGB& c : ovtest::coloursOf(image)) out.insert(key(c));
  return out;
}

// Every byte of the image's packed DIB: header, palette, pixels.
inline std::vector<uint8_t> snapshot(OV_IMAGE image) {
  OV_BITMAPINFOHEADER* dib = nullptr;
  if (IG_image_DIB_pntr_get(image, &dib) != 0 || !dib) return {};
  const size_t palette = dib->biBitCount <= 8 ? (4u << dib->biBitCount) : 0;
  const size_t stride = ((static_cast<size_t>(dib->biWidth) * dib->biBitCount + 31) / 32) * 4;
  const size_t size = sizeof(OV_BITMAPINFOHEADER) + palette + stride * dib->biHeight;
  const auto* bytes = reinterpret_cast<const uint8_t*>(dib);
  return std::vector<uint8_t>(bytes, bytes + size);
}

// Expects exactly one error with `code`, and the image untouched.
inline void expectRefused(OV_ERRCOUNT count, int32_t code, OV_IMAGE image,
                          const std::vector<uint8_t>& before) {
  EXPECT_EQ(count, 1);
  EXPECT_EQ(ovtest::takeErrorCode(), code);
  if (image != 0) {
    EXPECT_EQ(snapshot(image), before) << "image changed";
  }
}

}  // namespace colourtest
