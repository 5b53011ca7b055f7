// Quarter turns, mirrors, crop and merge at every depth, their argument errors, progress and
// cancel. Expected pixels come from the coordinate mapping of each operation.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "ovengine/ov_process.h"
#include "process/geometry.h"
#include "progress_script.h"
#include "test_images.h"

using namespace ovtest;

namespace {

// Pixel value: palette index, or 0x00RRGGBB at 24 bits.
using PixelFn = std::function<uint32_t(int x, int y)>;

struct Pixels {
  int w = 0, h = 0, bpp = 0;
  std::vector<uint32_t> v;
  uint32_t at(int x, int y) const { return v[static_cast<size_t>(y) * w + x]; }
};

OV_IMAGE makeFrom(int w, int h, int bpp, const PixelFn& fn) {
  OV_IMAGE image = 0;
  EXPECT_EQ(IG_image_create_DIB_ex(w, h, bpp, 0, nullptr, &image), 0);
  const int bytes = bpp == 24 ? 3 : 1;
  std::vector<uint8_t> area(static_cast<size_t>(w) * h * bytes);
  for (int y = 0, i = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint32_t v = fn(x, y);
      for (int b = 0; b < bytes; ++b) area[i++] = static_cast<uint8_t>(v >> (8 * b));
    }
  EXPECT_EQ(IG_DIB_area_set(image, nullptr, area.data(), OV_AREA_FORMAT), 0);
  return image;
}

Pixels pixelsOf(OV_IMAGE image) {
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

// A value for every pixel that differs from its neighbours; at 24 bits unique per pixel.
uint32_t patternValue(int x, int y, int bpp) {
  if (bpp == 24) return x | (y << 8) | (((x * 7) ^ (y * 3)) & 0xFF) << 16;
  return static_cast<uint32_t>(x * 7 + y * 13 + x * y / 3) % (1u << bpp);
}

OV_IMAGE makePattern(int w, int h, int bpp) {
  return makeFrom(w, h, bpp, [bpp](int x, int y) { return patternValue(x, y, bpp); });
}

// Header, palette and pixel bytes, to show that an image was left exactly as it was.
std::vector<uint8_t> rawBytes(OV_IMAGE image) {
  OV_BITMAPINFOHEADER* h = nullptr;
  if (IG_image_DIB_pntr_get(image, &h) != 0) return {};
  const size_t palette = h->biBitCount <= 8 ? (size_t{1} << h->biBitCount) * 4 : 0;
  const auto* p = reinterpret_cast<const uint8_t*>(h);
  return {p, p + h->biSize + palette + h->biSizeImage};
}

// Whether every bit after the last pixel of each row is 0.
bool paddingIsClean(OV_IMAGE image) {
  OV_BITMAPINFOHEADER* h = nullptr;
  if (IG_image_DIB_pntr_get(image, &h) != 0) return false;
  const size_t palette = h->biBitCount <= 8 ? (size_t{1} << h->biBitCount) * 4 : 0;
  const auto* bits = reinterpret_cast<const uint8_t*>(h) + h->biSize + palette;
  const size_t used_bits = static_cast<size_t>(h->biWidth) * h->biBitCount;
  const size_t stride = (used_bits + 31) / 32 * 4;
  for (int y = 0; y < h->biHeight; ++y) {
    const uint8_t* row = bits + stride * y;
    for (size_t bit = used_bits; bit < stride * 8; ++bit)
      if (row[bit / 8] & (0x80 >> (bit % 8))) return false;
  }
  return true;
}

std::vector<OV_RGB> paletteOf(OV_IMAGE image) {
  int32_t bpp = 0;
  IG_image_dimensions_get(image, nullptr, nullptr, &bpp);
  std::vector<OV_RGB> out(bpp <= 8 ? 1u << bpp : 0);
  for (size_t i = 0; i < out.size(); ++i) IG_palette_entry_get(image, static_cast<int>(i), &out[i]);
  return out;
}

bool samePalette(const std::vector<OV_RGB>& a, const std::vector<OV_RGB>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i].r != b[i].r || a[i].g != b[i].g || a[i].b != b[i].b) return false;
  return true;
}

// A palette that is not the default one, so that keeping it is visible.
void setOddPalette(OV_IMAGE image, int bpp) {
  if (bpp == 24) return;
  for (int i = 0; i < (1 << bpp); ++i) {
    const OV_RGB c{static_cast<uint8_t>(i * 29 + 3), static_cast<uint8_t>(255 - i),
                   static_cast<uint8_t>(i * 5 + 1)};
    IG_palette_entry_set(image, &c, i);
  }
}

// (width, height) pairs: odd sizes, sizes around multiples of 8 and of the 16-pixel
// blocks, single rows and columns.
const std::vector<std::pair<int, int>> kShapes = {{1, 1},   {1, 7},   {7, 1},   {13, 5},
                                                  {8, 3},   {9, 17},  {17, 16}, {33, 9},
                                                  {40, 37}, {37, 50}, {67, 53}, {40, 33}};

const int kDepths[] = {1, 4, 8, 24};

struct Mapping {
  const char* name;
  std::function<OV_ERRCOUNT(OV_IMAGE)> run;
  bool swaps;  // width and height trade places
  // The source pixel of result pixel (x, y) for a w x h source.
  std::function<std::pair<int, int>(int x, int y, int w, int h)> from;
};

const std::vector<Mapping>& mappings() {
  static const std::vector<Mapping> m = {
      {"rotate 90", [](OV_IMAGE i) { return IG_IP_rotate_multiple_90(i, 1); }, true,
       [](int x, int y, int, int h) {
         return std::pair{y, h - 1 - x};
       }},
      {"rotate 180", [](OV_IMAGE i) { return IG_IP_rotate_multiple_90(i, 2); }, false,
       [](int x, int y, int w, int h) {
         return std::pair{w - 1 - x, h - 1 - y};
       }},
      {"rotate 270", [](OV_IMAGE i) { return IG_IP_rotate_multiple_90(i, 3); }, true,
       [](int x, int y, int w, int) {
         return std::pair{w - 1 - y, x};
       }},
      {"flip left-right", [](OV_IMAGE i) { return IG_IP_flip(i, 0); }, false,
       [](int x, int y, int w, int) {
         return std::pair{w - 1 - x, y};
       }},
      {"flip top-bottom", [](OV_IMAGE i) { return IG_IP_flip(i, 1); }, false,
       [](int x, int y, int, int h) {
         return std::pair{x, h - 1 - y};
       }},
  };
  return m;
}

void expectError(OV_ERRCOUNT count, int32_t code) {
  EXPECT_EQ(count, 1);
  EXPECT_EQ(takeErrorCode(), code);
}

}  // namespace

// Runs the mapping checks with the vector kernels on and then off, whatever the processor.
class GeometryKernels : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override { ov::setVectorKernels(GetParam()); }
  void TearDown() override { ov::setVectorKernels(true); }
};

INSTANTIATE_TEST_SUITE_P(VectorKernels, GeometryKernels, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "on" : "off"; });

TEST_P(GeometryKernels, EveryMappingAtEveryDepthAndShape) {
  for (const Mapping& m : mappings())
    for (int bpp : kDepths)
      for (auto [w, h] : kShapes) {
        SCOPED_TRACE(std::string(m.name) + " " + std::to_string(w) + "x" + std::to_string(h) + "x" +
                     std::to_string(bpp));
        ScopedImage image(makePattern(w, h, bpp));
        setOddPalette(image.get(), bpp);
        const auto palette = paletteOf(image.get());
        ASSERT_EQ(m.run(image.get()), 0);
        const Pixels out = pixelsOf(image.get());
        ASSERT_EQ(out.w, m.swaps ? h : w);
        ASSERT_EQ(out.h, m.swaps ? w : h);
        ASSERT_EQ(out.bpp, bpp);
        for (int y = 0; y < out.h; ++y)
          for (int x = 0; x < out.w; ++x) {
            const auto [sx, sy] = m.from(x, y, w, h);
            ASSERT_EQ(out.at(x, y), patternValue(sx, sy, bpp)) << "at " << x << "," << y;
          }
        EXPECT_TRUE(samePalette(paletteOf(image.get()), palette));
        EXPECT_TRUE(paddingIsClean(image.get()));
      }
}

TEST(GeometryTurns, QuarterTurnsSwapResolutionAndDropTheImageRect) {
  struct Case {
    int multiple;
    bool swapped;
  };
  for (const Case c : {Case{1, true}, Case{2, false}, Case{3, true}}) {
    SCOPED_TRACE(c.multiple);
    ScopedImage image(makePattern(20, 10, 24));
    ASSERT_EQ(IG_image_resolution_set(image.get(), 100, 1, 300, 1, OV_RES_PER_INCH), 0);
    const OV_RECT part{2, 2, 5, 5};
    ASSERT_EQ(IG_image_rect_set(image.get(), &part), 0);
    ASSERT_EQ(IG_IP_rotate_multiple_90(image.get(), c.multiple), 0);
    int32_t xr = 0, yr = 0;
    IG_image_resolution_get(image.get(), &xr, nullptr, &yr, nullptr, nullptr);
    EXPECT_EQ(xr, c.swapped ? 300 : 100);
    EXPECT_EQ(yr, c.swapped ? 100 : 300);
    OV_RECT r{};
    IG_image_rect_get(image.get(), &r);
    if (c.swapped) {
      EXPECT_EQ(r.right, 9);
      EXPECT_EQ(r.bottom, 19);
      EXPECT_EQ(r.left + r.top, 0);
    }
  }
}

TEST(GeometryTurns, FourQuarterTurnsGiveTheImageBack) {
  for (int bpp : kDepths) {
    SCOPED_TRACE(bpp);
    ScopedImage image(makePattern(45, 19, bpp));
    const auto before = rawBytes(image.get());
    for (int i = 0; i < 4; ++i) ASSERT_EQ(IG_IP_rotate_multiple_90(image.get(), 1), 0);
    EXPECT_EQ(rawBytes(image.get()), before);
    for (int i = 0; i < 2; ++i) ASSERT_EQ(IG_IP_rotate_multiple_90(image.get(), 3), 0);
    for (int i = 0; i < 2; ++i) ASSERT_EQ(IG_IP_flip(image.get(), 0), 0);
    ASSERT_EQ(IG_IP_rotate_multiple_90(image.get(), 2), 0);
    EXPECT_EQ(rawBytes(image.get()), before);
  }
}

TEST(GeometryTurns, BadArgumentsChangeNothing) {
  ScopedImage image(makePattern(9, 4, 8));
  const auto before = rawBytes(image.get());
  for (int multiple : {0, 4, -1, 90})
    expectError(IG_IP_rotate_multiple_90(image.get(), multiple), IGE_INVALID_ARGUMENT);
  for (int direction : {-1, 2, 3})
    expectError(IG_IP_flip(image.get(), direction), IGE_INVALID_ARGUMENT);
  EXPECT_EQ(rawBytes(image.get()), before);
}

TEST(GeometryCrop, KeepsTheRectangleItsPaletteAndResolution) {
  const int w = 21, h = 11;
  for (int bpp : kDepths)
    for (const OV_RECT r :
         {OV_RECT{0, 0, w - 1, h - 1}, OV_RECT{3, 2, 9, 7}, OV_RECT{1, 0, 1, 0},
          OV_RECT{w - 1, h - 1, w - 1, h - 1}, OV_RECT{5, 1, w - 1, 6}, OV_RECT{0, 4, 12, h - 1}}) {
      SCOPED_TRACE(std::to_string(bpp) + " bits, rect " + std::to_string(r.left) + "," +
                   std::to_string(r.top) + "," + std::to_string(r.right) + "," +
                   std::to_string(r.bottom));
      ScopedImage image(makePattern(w, h, bpp));
      setOddPalette(image.get(), bpp);
      ASSERT_EQ(IG_image_resolution_set(image.get(), 150, 1, 75, 1, OV_RES_PER_INCH), 0);
      const auto palette = paletteOf(image.get());
      ASSERT_EQ(IG_IP_crop(image.get(), &r), 0);
      const Pixels out = pixelsOf(image.get());
      ASSERT_EQ(out.w, r.right - r.left + 1);
      ASSERT_EQ(out.h, r.bottom - r.top + 1);
      ASSERT_EQ(out.bpp, bpp);
      for (int y = 0; y < out.h; ++y)
        for (int x = 0; x < out.w; ++x)
          ASSERT_EQ(out.at(x, y), patternValue(r.left + x, r.top + y, bpp)) << x << "," << y;
      EXPECT_TRUE(samePalette(paletteOf(image.get()), palette));
      EXPECT_TRUE(paddingIsClean(image.get()));
      int32_t xr = 0, yr = 0;
      IG_image_resolution_get(image.get(), &xr, nullptr, &yr, nullptr, nullptr);
      EXPECT_EQ(xr, 150);
      EXPECT_EQ(yr, 75);
    }
}

TEST(GeometryCrop, RectanglesNotInsideTheImageAreRefused) {
  ScopedImage image(makePattern(10, 6, 4));
  const auto before = rawBytes(image.get());
  for (const OV_RECT r :
       {OV_RECT{-1, 0, 3, 3}, OV_RECT{0, -1, 3, 3}, OV_RECT{0, 0, 10, 3}, OV_RECT{0, 0, 3, 6},
        OV_RECT{4, 0, 3, 3}, OV_RECT{0, 3, 3, 2}, OV_RECT{20, 20, 30, 30}}) {
    SCOPED_TRACE(std::to_string(r.left) + "," + std::to_string(r.top) + "," +
                 std::to_string(r.right) + "," + std::to_string(r.bottom));
    expectError(IG_IP_crop(image.get(), &r), IGE_INVALID_RECTANGLE);
  }
  EXPECT_EQ(rawBytes(image.get()), before);
}

TEST(GeometryCrop, DropsTheImageRect) {
  ScopedImage image(makePattern(10, 6, 24));
  const OV_RECT part{1, 1, 8, 4}, cut{2, 0, 6, 5};
  ASSERT_EQ(IG_image_rect_set(image.get(), &part), 0);
  ASSERT_EQ(IG_IP_crop(image.get(), &cut), 0);
  OV_RECT r{};
  IG_image_rect_get(image.get(), &r);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.top, 0);
  EXPECT_EQ(r.right, 4);
  EXPECT_EQ(r.bottom, 5);
}

namespace {

constexpr uint32_t kBackground = 0x00203040;

// Target w x h at 24 bits filled with kBackground; source sw x sh with the 24-bit pattern.
struct MergeCase {
  int x, y;
  const OV_RECT* source_rect;
};

}  // namespace

TEST(GeometryMerge, PlacesAndClipsTheSource) {
  const int w = 12, h = 9, sw = 5, sh = 4;
  const OV_RECT part{1, 1, 3, 2};
  for (const MergeCase c :
       {MergeCase{0, 0, nullptr}, MergeCase{3, 2, nullptr}, MergeCase{-2, -1, nullptr},
        MergeCase{9, 7, nullptr}, MergeCase{-4, 5, nullptr}, MergeCase{6, 3, &part},
        MergeCase{-1, 8, &part}, MergeCase{12, 0, nullptr}, MergeCase{0, -4, nullptr},
        MergeCase{INT_MAX, INT_MIN, nullptr}}) {
    SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y) + (c.source_rect ? " part" : ""));
    ScopedImage target(makeFrom(w, h, 24, [](int, int) { return kBackground; }));
    ScopedImage source(makePattern(sw, sh, 24));
    ASSERT_EQ(IG_IP_merge(target.get(), source.get(), c.source_rect, c.x, c.y, 10), 0);
    const OV_RECT r = c.source_rect ? *c.source_rect : OV_RECT{0, 0, sw - 1, sh - 1};
    const Pixels out = pixelsOf(target.get());
    ASSERT_EQ(out.w, w);
    ASSERT_EQ(out.h, h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const int64_t sx = int64_t{x} - c.x + r.left, sy = int64_t{y} - c.y + r.top;
        const bool inside = sx >= r.left && sx <= r.right && sy >= r.top && sy <= r.bottom;
        const uint32_t expected =
            inside ? patternValue(static_cast<int>(sx), static_cast<int>(sy), 24) : kBackground;
        ASSERT_EQ(out.at(x, y), expected) << x << "," << y;
      }
  }
}

TEST(GeometryMerge, ConvertsTheSourceToTheTargetDepth) {
  // 1-bit black and white onto 24 bits: the palette colours exactly.
  {
    ScopedImage target(makeFrom(6, 5, 24, [](int, int) { return kBackground; }));
    ScopedImage source(makeFrom(4, 3, 1, [](int x, int y) { return (x + y) % 2; }));
    const OV_RGB dark{10, 20, 30}, light{200, 210, 220};
    IG_palette_entry_set(source.get(), &dark, 0);
    IG_palette_entry_set(source.get(), &light, 1);
    ASSERT_EQ(IG_IP_merge(target.get(), source.get(), nullptr, 1, 1, 10), 0);
    const Pixels out = pixelsOf(target.get());
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 6; ++x) {
        const bool inside = x >= 1 && x <= 4 && y >= 1 && y <= 3;
        const uint32_t colour = (x - 1 + y - 1) % 2 ? 0xDCD2C8u : 0x1E140Au;  // 0xRRGGBB
        ASSERT_EQ(out.at(x, y), inside ? colour : kBackground) << x << "," << y;
      }
  }
  // 24 bits onto an 8-bit palette: each pixel takes the nearest entry.
  {
    ScopedImage target(makeFrom(4, 2, 8, [](int, int) { return 0u; }));
    const OV_RGB entries[] = {{0, 0, 0}, {0, 0, 250}, {0, 240, 0}, {230, 0, 0}, {128, 128, 128}};
    for (int i = 0; i < 256; ++i) IG_palette_entry_set(target.get(), &entries[i < 5 ? i : 0], i);
    // B,G,R near entries 2, 3, 4 and 1, then 0 and 4 again.
    const uint32_t colours[] = {0x00E00A, 0x0505E0, 0x707888, 0xF00000, 0x0A0A0A, 0x909090};
    ScopedImage source(makeFrom(3, 2, 24, [&](int x, int y) { return colours[y * 3 + x]; }));
    ASSERT_EQ(IG_IP_merge(target.get(), source.get(), nullptr, 1, 0, 10), 0);
    const Pixels out = pixelsOf(target.get());
    const uint32_t expected[2][4] = {{0, 2, 3, 4}, {0, 1, 0, 4}};
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 4; ++x) EXPECT_EQ(out.at(x, y), expected[y][x]) << x << "," << y;
  }
  // 4 bits onto 1 bit: by colour (black and white of the 16 VGA colours).
  {
    ScopedImage target(makeFrom(3, 1, 1, [](int, int) { return 0u; }));
    ScopedImage source(makeFrom(3, 1, 4, [](int x, int) {
      return x == 0 ? 15u : x == 1 ? 0u : 7u;
    }));
    ASSERT_EQ(IG_IP_merge(target.get(), source.get(), nullptr, 0, 0, 10), 0);
    const Pixels out = pixelsOf(target.get());
    EXPECT_EQ(out.at(0, 0), 1u);  // white
    EXPECT_EQ(out.at(1, 0), 0u);  // black
    EXPECT_EQ(out.at(2, 0), 1u);  // light grey (192) is nearer white
  }
}

TEST(GeometryMerge, SameDepthCopiesIndexesAtAnyBitOffset) {
  for (int bpp : {1, 4, 8}) {
    SCOPED_TRACE(bpp);
    ScopedImage target(makeFrom(19, 6, bpp, [](int, int) { return 0u; }));
    ScopedImage source(makePattern(11, 5, bpp));
    const OV_RECT part{3, 1, 9, 4};
    ASSERT_EQ(IG_IP_merge(target.get(), source.get(), &part, 5, 2, 10), 0);
    const Pixels out = pixelsOf(target.get());
    for (int y = 0; y < 6; ++y)
      for (int x = 0; x < 19; ++x) {
        const bool inside = x >= 5 && x <= 11 && y >= 2;
        const uint32_t expected = inside ? patternValue(x - 5 + 3, y - 2 + 1, bpp) : 0u;
        ASSERT_EQ(out.at(x, y), expected) << x << "," << y;
      }
  }
}

TEST(GeometryMerge, AnImageOntoItself) {
  ScopedImage image(makePattern(8, 6, 24));
  const OV_RECT part{0, 0, 4, 3};
  ASSERT_EQ(IG_IP_merge(image.get(), image.get(), &part, 2, 1, 10), 0);
  const Pixels out = pixelsOf(image.get());
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 8; ++x) {
      const bool inside = x >= 2 && x <= 6 && y >= 1 && y <= 4;
      const uint32_t expected = inside ? patternValue(x - 2, y - 1, 24) : patternValue(x, y, 24);
      ASSERT_EQ(out.at(x, y), expected) << x << "," << y;
    }
}

TEST(GeometryMerge, BadArgumentsChangeNothing) {
  ScopedImage target(makePattern(8, 6, 24));
  ScopedImage source(makePattern(3, 3, 8));
  const auto before = rawBytes(target.get());
  for (int mode : {0, 1, 9, 11, -10})
    expectError(IG_IP_merge(target.get(), source.get(), nullptr, 0, 0, mode), IGE_INVALID_ARGUMENT);
  const OV_RECT outside{5, 5, 8, 8}, inverted{2, 0, 1, 2};
  expectError(IG_IP_merge(target.get(), source.get(), &outside, 0, 0, 10), IGE_INVALID_RECTANGLE);
  expectError(IG_IP_merge(target.get(), source.get(), &inverted, 0, 0, 10), IGE_INVALID_RECTANGLE);
  expectError(IG_IP_merge(target.get(), 0, nullptr, 0, 0, 10), IGE_INVALID_IMAGE);
  expectError(IG_IP_merge(0, source.get(), nullptr, 0, 0, 10), IGE_INVALID_IMAGE);
  EXPECT_EQ(rawBytes(target.get()), before);
}

TEST(Geometry, InvalidHandlesAreRefused) {
  OV_IMAGE gone = 0;
  ASSERT_EQ(IG_image_create_DIB_ex(4, 4, 24, 0, nullptr, &gone), 0);
  IG_image_delete(gone);
  const OV_RECT r{0, 0, 1, 1};
  for (OV_IMAGE h : {OV_IMAGE{0}, gone}) {
    expectError(IG_IP_rotate_multiple_90(h, 1), IGE_INVALID_IMAGE);
    expectError(IG_IP_flip(h, 0), IGE_INVALID_IMAGE);
    expectError(IG_IP_crop(h, &r), IGE_INVALID_IMAGE);
    expectError(IG_IP_resize(h, 2, 2, 0), IGE_INVALID_IMAGE);
    expectError(IG_IP_merge(h, h, nullptr, 0, 0, 10), IGE_INVALID_IMAGE);
  }
}

namespace {

class GeometryProgress : public ::testing::Test {
 protected:
  ProgressScript progress_;
};

struct Operation {
  const char* name;
  std::function<OV_ERRCOUNT(OV_IMAGE image, OV_IMAGE other)> run;
};

const std::vector<Operation>& operations() {
  static const OV_RECT crop{2, 3, 40, 150};
  static const std::vector<Operation> ops = {
      {"rotate 90", [](OV_IMAGE i, OV_IMAGE) { return IG_IP_rotate_multiple_90(i, 1); }},
      {"rotate 180", [](OV_IMAGE i, OV_IMAGE) { return IG_IP_rotate_multiple_90(i, 2); }},
      {"rotate 270", [](OV_IMAGE i, OV_IMAGE) { return IG_IP_rotate_multiple_90(i, 3); }},
      {"flip 0", [](OV_IMAGE i, OV_IMAGE) { return IG_IP_flip(i, 0); }},
      {"flip 1", [](OV_IMAGE i, OV_IMAGE) { return IG_IP_flip(i, 1); }},
      {"crop", [](OV_IMAGE i, OV_IMAGE) { return IG_IP_crop(i, &crop); }},
      {"resize 0", [](OV_IMAGE i, OV_IMAGE) { return IG_IP_resize(i, 31, 170, 0); }},
      {"resize 2", [](OV_IMAGE i, OV_IMAGE) { return IG_IP_resize(i, 31, 170, 2); }},
      {"merge", [](OV_IMAGE i, OV_IMAGE o) { return IG_IP_merge(i, o, nullptr, -5, 7, 10); }},
      {"merge self", [](OV_IMAGE i, OV_IMAGE) { return IG_IP_merge(i, i, nullptr, 3, 4, 10); }},
  };
  return ops;
}

}  // namespace

TEST_F(GeometryProgress, CalledExactlyTotalTimes) {
  for (const Operation& op : operations())
    for (int bpp : kDepths) {
      SCOPED_TRACE(std::string(op.name) + " " + std::to_string(bpp));
      ScopedImage image(makePattern(57, 203, bpp));
      ScopedImage other(makePattern(60, 300, 24));
      progress_.reset();
      ASSERT_EQ(op.run(image.get(), other.get()), 0);
      EXPECT_GE(progress_.total(), 1);
      EXPECT_EQ(progress_.calls(), progress_.total());
      EXPECT_EQ(progress_.counter(), 0);
    }
}

TEST_F(GeometryProgress, ACancelLeavesTheImageUnchanged) {
  for (const Operation& op : operations())
    for (int cancel_at : {1, 2, 50}) {
      SCOPED_TRACE(std::string(op.name) + " cancel at " + std::to_string(cancel_at));
      ScopedImage image(makePattern(57, 203, 24));
      ScopedImage other(makePattern(60, 300, 8));
      const OV_RECT part{1, 1, 9, 9};
      ASSERT_EQ(IG_image_rect_set(image.get(), &part), 0);
      const auto before = rawBytes(image.get());
      progress_.reset(cancel_at);
      expectError(op.run(image.get(), other.get()), IGE_CANCELLED);
      EXPECT_EQ(progress_.calls(), cancel_at);
      EXPECT_EQ(rawBytes(image.get()), before);
      OV_RECT r{};
      IG_image_rect_get(image.get(), &r);
      EXPECT_EQ(r.right, 9);
    }
}
