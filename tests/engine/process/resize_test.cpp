// IG_IP_resize: nearest-pixel mapping at every depth, and the interpolating resize against
// means, constants, gradients and edges worked out from the source pixels.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "ovengine/ov_process.h"
#include "test_images.h"

using namespace ovtest;

namespace {

// Pixel value: palette index, or 0x00RRGGBB at 24 bits.
using PixelFn = std::function<uint32_t(int x, int y)>;

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

uint32_t grey(int v) {
  return static_cast<uint32_t>(v) * 0x010101u;
}

struct Shape {
  int w = 0, h = 0, bpp = 0;
};

Shape shapeOfImage(OV_IMAGE image) {
  Shape s;
  IG_image_dimensions_get(image, &s.w, &s.h, &s.bpp);
  return s;
}

std::string text(int w, int h) {
  return std::to_string(w) + "x" + std::to_string(h);
}

std::vector<uint8_t> rawBytes(OV_IMAGE image) {
  OV_BITMAPINFOHEADER* h = nullptr;
  if (IG_image_DIB_pntr_get(image, &h) != 0) return {};
  const size_t palette = h->biBitCount <= 8 ? (size_t{1} << h->biBitCount) * 4 : 0;
  const auto* p = reinterpret_cast<const uint8_t*>(h);
  return {p, p + h->biSize + palette + h->biSizeImage};
}

// Channel c (0 blue, 1 green, 2 red) of pixel (x, y) of a colour list w wide.
int channel(const std::vector<OV_RGB>& px, int w, int x, int y, int c) {
  const OV_RGB& p = px[static_cast<size_t>(y) * w + x];
  return c == 0 ? p.b : c == 1 ? p.g : p.r;
}

const int kDepths[] = {1, 4, 8, 24};

}  // namespace

TEST(ResizeNearest, TakesThePixelUnderEachCentre) {
  struct Case {
    int w, h, nw, nh;
  };
  for (int bpp : kDepths)
    for (const Case c :
         {Case{13, 5, 5, 9}, Case{13, 5, 26, 10}, Case{13, 5, 1, 1}, Case{7, 3, 20, 2},
          Case{1, 1, 4, 3}, Case{17, 9, 17, 9}, Case{10, 10, 3, 7}}) {
      SCOPED_TRACE(std::to_string(bpp) + " bits " + text(c.w, c.h) + " to " + text(c.nw, c.nh));
      ScopedImage image(makeFrom(c.w, c.h, bpp, [bpp](int x, int y) {
        return bpp == 24 ? static_cast<uint32_t>(x * 19 | y << 8 | (x * y) << 16)
                         : static_cast<uint32_t>(x * 3 + y * 5) % (1u << bpp);
      }));
      const auto before = coloursOf(image.get());
      ASSERT_EQ(IG_IP_resize(image.get(), c.nw, c.nh, 0), 0);
      const Shape s = shapeOfImage(image.get());
      ASSERT_EQ(s.w, c.nw);
      ASSERT_EQ(s.h, c.nh);
      ASSERT_EQ(s.bpp, bpp);
      const auto after = coloursOf(image.get());
      for (int y = 0; y < c.nh; ++y)
        for (int x = 0; x < c.nw; ++x) {
          // The source pixel that holds the centre of the output pixel.
          const int sx = (2 * x + 1) * c.w / (2 * c.nw), sy = (2 * y + 1) * c.h / (2 * c.nh);
          for (int ch = 0; ch < 3; ++ch)
            ASSERT_EQ(channel(after, c.nw, x, y, ch), channel(before, c.w, sx, sy, ch))
                << x << "," << y;
        }
    }
}

TEST(ResizeSmooth, ConstantImagesStayConstant) {
  struct Case {
    int w, h, nw, nh;
  };
  const uint32_t colour = 0xC8640A;
  for (const Case c : {Case{20, 12, 10, 6}, Case{20, 12, 7, 5}, Case{20, 12, 53, 29},
                       Case{20, 12, 5, 40}, Case{20, 12, 1, 1}, Case{1, 1, 9, 4}, Case{3, 2, 3, 2},
                       Case{20, 12, 1, 30}, Case{20, 12, 45, 1}}) {
    SCOPED_TRACE(text(c.w, c.h) + " to " + text(c.nw, c.nh));
    ScopedImage rgb(makeFrom(c.w, c.h, 24, [=](int, int) { return colour; }));
    ASSERT_EQ(IG_IP_resize(rgb.get(), c.nw, c.nh, 2), 0);
    for (const OV_RGB& p : coloursOf(rgb.get())) {
      ASSERT_EQ(p.r, 0xC8);
      ASSERT_EQ(p.g, 0x64);
      ASSERT_EQ(p.b, 0x0A);
    }
    ScopedImage gray(makeFrom(c.w, c.h, 8, [](int, int) { return 77u; }));
    ASSERT_EQ(IG_IP_resize(gray.get(), c.nw, c.nh, 2), 0);
    EXPECT_EQ(shapeOfImage(gray.get()).bpp, 8);
    EXPECT_TRUE(IG_image_is_gray(gray.get()));
    for (const OV_RGB& p : coloursOf(gray.get())) ASSERT_EQ(p.g, 77);
  }
}

TEST(ResizeSmooth, GradientsAndStepsStayInRangeAndInOrder) {
  struct Case {
    int w, nw, nh;
    bool step;
  };
  for (const Case c : {Case{64, 32, 5, false}, Case{64, 23, 3, false}, Case{64, 150, 9, false},
                       Case{10, 97, 4, false}, Case{40, 13, 2, true}, Case{40, 120, 3, true},
                       Case{41, 20, 6, true}, Case{7, 2, 1, true}}) {
    SCOPED_TRACE(text(c.w, 6) + " to " + text(c.nw, c.nh) + (c.step ? " step" : " gradient"));
    const int lo = c.step ? 40 : 0, hi = c.step ? 220 : 255;
    auto value = [&](int x) { return c.step ? (x < c.w / 2 ? lo : hi) : x * 255 / (c.w - 1); };
    for (int bpp : {8, 24}) {
      // The same ramp across, and down in a second image turned a quarter.
      ScopedImage across(makeFrom(c.w, 6, bpp, [&](int x, int) {
        return bpp == 24 ? grey(value(x)) : static_cast<uint32_t>(value(x));
      }));
      ScopedImage down(makeFrom(6, c.w, bpp, [&](int, int y) {
        return bpp == 24 ? grey(value(y)) : static_cast<uint32_t>(value(y));
      }));
      ASSERT_EQ(IG_IP_resize(across.get(), c.nw, c.nh, 2), 0);
      ASSERT_EQ(IG_IP_resize(down.get(), c.nh, c.nw, 2), 0);
      const auto a = coloursOf(across.get()), d = coloursOf(down.get());
      for (int y = 0; y < c.nh; ++y)
        for (int x = 0; x < c.nw; ++x) {
          const int v = a[static_cast<size_t>(y) * c.nw + x].g;
          ASSERT_GE(v, lo);
          ASSERT_LE(v, hi);
          if (x > 0) {
            ASSERT_GE(v, a[static_cast<size_t>(y) * c.nw + x - 1].g) << x << "," << y;
          }
          // Rows and columns of a one-way ramp are all alike, and so are both directions.
          ASSERT_EQ(v, a[x].g);
          ASSERT_NEAR(v, d[static_cast<size_t>(x) * c.nh + y].g, 1) << x << "," << y;
          ASSERT_EQ(a[static_cast<size_t>(y) * c.nw + x].r, v);
        }
    }
  }
}

TEST(ResizeSmooth, HalvingGivesTheMeanOfEachTwoByTwoBlock) {
  const int w = 22, h = 14;
  auto block = [](int bx, int by, int c) { return (bx * 37 + by * 91 + c * 53) % 256; };
  auto any = [](int x, int y, int c) {
    return (x * 73 + y * 29 + (x * y) % 7 * 31 + c * 11) % 256;
  };
  for (bool blocks : {true, false}) {
    SCOPED_TRACE(blocks ? "blocks" : "any pixels");
    auto value = [&](int x, int y, int c) {
      return blocks ? block(x / 2, y / 2, c) : any(x, y, c);
    };
    ScopedImage image(makeFrom(w, h, 24, [&](int x, int y) {
      return static_cast<uint32_t>(value(x, y, 0) | value(x, y, 1) << 8 | value(x, y, 2) << 16);
    }));
    ASSERT_EQ(IG_IP_resize(image.get(), w / 2, h / 2, 2), 0);
    const auto out = coloursOf(image.get());
    for (int y = 0; y < h / 2; ++y)
      for (int x = 0; x < w / 2; ++x)
        for (int c = 0; c < 3; ++c) {
          const double mean = (value(2 * x, 2 * y, c) + value(2 * x + 1, 2 * y, c) +
                               value(2 * x, 2 * y + 1, c) + value(2 * x + 1, 2 * y + 1, c)) /
                              4.0;
          ASSERT_NEAR(channel(out, w / 2, x, y, c), mean, blocks ? 0.0 : 1.0) << x << "," << y;
        }
  }
}

TEST(ResizeSmooth, ShrinkingAveragesTheCoveredArea) {
  // Output pixel i covers source [i * in / out, (i + 1) * in / out); source pixels cut by
  // its edges count by the part inside.
  auto value = [](int x) { return (x * 71 + (x * x) % 13 * 17) % 256; };
  for (auto [in, out] : {std::pair{5, 2},
                         {5, 3},
                         {7, 3},
                         {10, 4},
                         {64, 23},
                         {50, 7},
                         {9, 8},
                         {9000, 70},
                         {4000, 3},
                         {20000, 1}}) {
    SCOPED_TRACE(std::to_string(in) + " to " + std::to_string(out));
    ScopedImage across(makeFrom(in, 2, 24, [&](int x, int) { return grey(value(x)); }));
    ScopedImage down(makeFrom(3, in, 8, [&](int, int y) { return uint32_t(value(y)); }));
    ASSERT_EQ(IG_IP_resize(across.get(), out, 2, 2), 0);
    ASSERT_EQ(IG_IP_resize(down.get(), 3, out, 2), 0);
    const auto a = coloursOf(across.get()), d = coloursOf(down.get());
    for (int i = 0; i < out; ++i) {
      const double lo = static_cast<double>(i) * in / out,
                   hi = static_cast<double>(i + 1) * in / out;
      double sum = 0;
      for (int j = 0; j < in; ++j)
        sum +=
            std::max(0.0, std::min(hi, j + 1.0) - std::max(lo, static_cast<double>(j))) * value(j);
      const double mean = sum / (hi - lo);
      EXPECT_NEAR(a[i].g, mean, 1.0) << i;
      EXPECT_NEAR(d[static_cast<size_t>(i) * 3].g, mean, 1.0) << i;
    }
  }
}

TEST(ResizeSmooth, ToOnePixelWideOrHighAndBack) {
  const int w = 7, h = 5;
  auto value = [](int x, int y) { return (x * 31 + y * 17 + x * y * 5) % 256; };
  {
    ScopedImage image(makeFrom(w, h, 8, [&](int x, int y) { return uint32_t(value(x, y)); }));
    ASSERT_EQ(IG_IP_resize(image.get(), 1, h, 2), 0);
    const auto out = coloursOf(image.get());
    for (int y = 0; y < h; ++y) {
      double mean = 0;
      for (int x = 0; x < w; ++x) mean += value(x, y) / static_cast<double>(w);
      EXPECT_NEAR(out[y].g, mean, 1.0) << y;
    }
  }
  {
    ScopedImage image(makeFrom(w, h, 24, [&](int x, int y) { return grey(value(x, y)); }));
    ASSERT_EQ(IG_IP_resize(image.get(), w, 1, 2), 0);
    const auto out = coloursOf(image.get());
    for (int x = 0; x < w; ++x) {
      double mean = 0;
      for (int y = 0; y < h; ++y) mean += value(x, y) / static_cast<double>(h);
      EXPECT_NEAR(out[x].b, mean, 1.0) << x;
    }
  }
  {
    // A single column widened: every output row is its source row.
    ScopedImage image(makeFrom(1, h, 24, [&](int, int y) { return grey(value(0, y)); }));
    ASSERT_EQ(IG_IP_resize(image.get(), 6, h, 2), 0);
    const auto out = coloursOf(image.get());
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < 6; ++x) ASSERT_EQ(out[static_cast<size_t>(y) * 6 + x].r, value(0, y));
  }
}

TEST(ResizeSmooth, EnlargingInterpolatesBetweenCentres) {
  // Two pixels to four: output centres fall at -0.25, 0.25, 0.75 and 1.25 source pixels.
  ScopedImage image(makeFrom(2, 1, 24, [](int x, int) { return grey(x ? 200 : 0); }));
  ASSERT_EQ(IG_IP_resize(image.get(), 4, 1, 2), 0);
  const auto out = coloursOf(image.get());
  const int expected[4] = {0, 50, 150, 200};
  for (int x = 0; x < 4; ++x) EXPECT_NEAR(out[x].g, expected[x], 1.0) << x;
}

TEST(ResizeSmooth, PaletteImagesAreResizedByColour) {
  {
    // 4-bit colours: a 24-bit result holding the colours, not blends of indexes.
    ScopedImage image(makeFrom(8, 6, 4, [](int x, int) { return x < 4 ? 9u : 12u; }));
    ASSERT_EQ(IG_IP_resize(image.get(), 4, 3, 2), 0);
    EXPECT_EQ(shapeOfImage(image.get()).bpp, 24);
    const auto out = coloursOf(image.get());
    for (int y = 0; y < 3; ++y) {
      const OV_RGB& left = out[static_cast<size_t>(y) * 4];
      const OV_RGB& right = out[static_cast<size_t>(y) * 4 + 3];
      EXPECT_EQ(left.r, 255);  // entry 9: red
      EXPECT_EQ(left.b, 0);
      EXPECT_EQ(right.b, 255);  // entry 12: blue
      EXPECT_EQ(right.r, 0);
    }
  }
  {
    // 8-bit colourful palette, two colours side by side, enlarged: the blend in between.
    ScopedImage image(makeFrom(2, 1, 8, [](int x, int) { return x ? 5u : 200u; }));
    const OV_RGB a{0, 0, 200}, b{100, 40, 0};
    IG_palette_entry_set(image.get(), &a, 200);
    IG_palette_entry_set(image.get(), &b, 5);
    ASSERT_EQ(IG_IP_resize(image.get(), 4, 1, 2), 0);
    EXPECT_EQ(shapeOfImage(image.get()).bpp, 24);
    const auto out = coloursOf(image.get());
    EXPECT_NEAR(out[1].r, 150, 1);
    EXPECT_NEAR(out[1].b, 25, 1);
    EXPECT_NEAR(out[2].g, 30, 1);
  }
  {
    // Black and white: an 8-bit grey result.
    ScopedImage image(makeFrom(4, 4, 1, [](int x, int y) { return uint32_t((x + y) % 2); }));
    ASSERT_EQ(IG_IP_resize(image.get(), 2, 2, 2), 0);
    EXPECT_EQ(shapeOfImage(image.get()).bpp, 8);
    EXPECT_TRUE(IG_image_is_gray(image.get()));
    for (const OV_RGB& p : coloursOf(image.get())) EXPECT_NEAR(p.g, 128, 1);
  }
}

TEST(ResizeSmooth, KeepsResolutionAndDropsTheImageRect) {
  for (int mode : {0, 2}) {
    ScopedImage image(makeFrom(30, 20, 24, [](int x, int y) { return grey(x + y); }));
    ASSERT_EQ(IG_image_resolution_set(image.get(), 240, 1, 120, 1, OV_RES_PER_INCH), 0);
    const OV_RECT part{1, 1, 8, 4};
    ASSERT_EQ(IG_image_rect_set(image.get(), &part), 0);
    ASSERT_EQ(IG_IP_resize(image.get(), 12, 50, mode), 0);
    int32_t xr = 0, yr = 0;
    IG_image_resolution_get(image.get(), &xr, nullptr, &yr, nullptr, nullptr);
    EXPECT_EQ(xr, 240);
    EXPECT_EQ(yr, 120);
    OV_RECT r{};
    IG_image_rect_get(image.get(), &r);
    EXPECT_EQ(r.right, 11);
    EXPECT_EQ(r.bottom, 49);
  }
}

TEST(Resize, BadSizesAndModesChangeNothing) {
  ScopedImage image(makeFrom(9, 5, 4, [](int x, int y) { return uint32_t(x + y) % 16; }));
  const auto before = rawBytes(image.get());
  struct Case {
    int w, h, mode;
  };
  for (const Case c :
       {Case{0, 5, 0}, Case{5, 0, 2}, Case{-1, 5, 2}, Case{5, -3, 0}, Case{65536, 1, 0},
        Case{1, 65536, 2}, Case{40000, 30000, 0}, Case{5, 5, 1}, Case{5, 5, 3}, Case{5, 5, -1}}) {
    SCOPED_TRACE(text(c.w, c.h) + " mode " + std::to_string(c.mode));
    EXPECT_EQ(IG_IP_resize(image.get(), c.w, c.h, c.mode), 1);
    EXPECT_EQ(takeErrorCode(), IGE_INVALID_ARGUMENT);
  }
  EXPECT_EQ(rawBytes(image.get()), before);
}
