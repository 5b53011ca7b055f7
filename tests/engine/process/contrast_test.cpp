// Tone changes: the shared look-up table at neutral and at hand-worked points, where each
// call applies it (pixels, grey indexes, palette), rectangle confinement, equalisation and
// automatic levels on narrow-range images, and argument errors.
#include "process/contrast.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "colour_fixtures.h"
#include "ovengine/ov_errors.h"

using namespace colourtest;

namespace {

TEST(ToneTable, NeutralIsIdentity) {
  const ov::ToneTable t = ov::toneTable(1.0, 0.0, 1.0);
  for (int i = 0; i < 256; ++i) EXPECT_EQ(t[i], i);
}

TEST(ToneTable, KnownPoints) {
  struct Case {
    double contrast, brightness, gamma;
    int in, out;
  };
  const Case cases[] = {
      {2, 0, 1, 100, 72},     // (100 - 128) * 2 + 128
      {2, 0, 1, 200, 255},    // 272, clamped
      {2, 0, 1, 0, 0},        // -128, clamped
      {0.5, 0, 1, 100, 114},  // 114
      {0.5, 0, 1, 101, 115},  // 114.5: halves go up
      {1, 10, 1, 100, 110},   // brightness adds
      {1, -255, 1, 200, 0},   // -55, clamped
      {1, 255, 1, 0, 255},    // 255
      {-1, 0, 1, 100, 156},   // negative contrast mirrors about 128
      {0, 0, 1, 7, 128},      // no contrast: all mid grey
      {5, 0, 1, 129, 133},    // 5 * 1 + 128
      {-3, 0, 1, 128, 128},   // the centre never moves
      {1, 0, 2, 64, 128},     // 255 * sqrt(64 / 255) = 127.75
      {1, 0, 0.5, 128, 64},   // 255 * (128 / 255)^2 = 64.25
      {1, 0, 3, 1, 40},       // 255 * (1 / 255)^(1/3) = 40.2
      {1, 0, 0, 254, 0},      // gamma 0: the darkest limit
      {1, 0, 0, 255, 255},    // ... which keeps full white
      {1, 0, 0, 0, 0},        // ... and black
      {2, 10, 2, 100, 145},   // 82 first, then 255 * sqrt(82 / 255) = 144.6
  };

  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.contrast) + " " + std::to_string(c.brightness) + " " +
                 std::to_string(c.gamma) + " at " + std::to_string(c.in));
    EXPECT_EQ(ov::toneTable(c.contrast, c.brightness, c.gamma)[c.in], c.out);
  }
}

TEST(ToneTable, ExtremesStayInRangeAndOrdered) {
  for (double contrast : {0.0, 0.01, 1.0, 5.0})
    for (double brightness : {-255.0, 0.0, 255.0})
      for (double gamma : {0.0, 0.001, 1.0, 3.0}) {
        const ov::ToneTable t = ov::toneTable(contrast, brightness, gamma);
        EXPECT_TRUE(std::is_sorted(t.begin(), t.end()))
            << contrast << " " << brightness << " " << gamma;
      }
  // A vanishing gamma approaches the gamma 0 curve.
  EXPECT_EQ(ov::toneTable(1, 0, 0.001)[200], ov::toneTable(1, 0, 0)[200]);
}

// Pixel (x, y) of the 24-bit fixture: every channel a different value.
OV_RGB fixtureColour(int x, int y) {
  return rgb(x * 12 + y, 255 - x * 9, (x * y * 7) % 256);
}

bool inside(const OV_RECT& r, int x, int y) {
  return x >= r.left && x <= r.right && y >= r.top && y <= r.bottom;
}

TEST(ContrastAdjust, AppliesTheTableToEveryChannelWithinTheRectangle) {
  const OV_RECT rect{2, 1, 14, 4};
  struct Case {
    std::string name;
    std::function<OV_ERRCOUNT(OV_IMAGE, const OV_RECT*)> run;
    ov::ToneTable table;
  };
  const Case cases[] = {
      {"contrast",
       [](OV_IMAGE i, const OV_RECT* r) {
         return IG_IP_contrast_adjust(i, r, bitsOf(i) == 24, 1.7, -20);
       },
       ov::toneTable(1.7, -20, 1)},
      {"gamma",
       [](OV_IMAGE i, const OV_RECT* r) {
         return IG_IP_contrast_gamma(i, r, bitsOf(i) == 24, 0.6);
       },
       ov::toneTable(1, 0, 0.6)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // 24 bits: each channel through the table inside, untouched outside.
    ScopedImage colour(rgbImage(17, 6, fixtureColour));
    ASSERT_EQ(c.run(colour.get(), &rect), 0);
    const std::vector<OV_RGB> got = ovtest::coloursOf(colour.get());
    for (int y = 0; y < 6; ++y)
      for (int x = 0; x < 17; ++x) {
        const OV_RGB was = fixtureColour(x, y);
        const OV_RGB want =
            inside(rect, x, y) ? rgb(c.table[was.r], c.table[was.g], c.table[was.b]) : was;
        EXPECT_TRUE(same(got[y * 17 + x], want)) << x << "," << y;
      }
    // 8-bit grey: the indexes inside, and the image stays grey.
    const auto level = [](int x, int y) { return x * 15 + y; };
    ScopedImage grey(greyImage(17, 6, level));
    ASSERT_EQ(c.run(grey.get(), &rect), 0);
    EXPECT_TRUE(IG_image_is_gray(grey.get()));
    const std::vector<uint8_t> levels = areaOf(grey.get());
    for (int y = 0; y < 6; ++y)
      for (int x = 0; x < 17; ++x)
        EXPECT_EQ(levels[y * 17 + x], inside(rect, x, y) ? c.table[level(x, y)] : level(x, y));
    // Other palettes: the entries, whole image only.
    ScopedImage standard(ovtest::makeImage(7, 5, 4));
    const std::vector<OV_RGB> palette = paletteOf(standard.get());
    const std::vector<uint8_t> indexes = areaOf(standard.get());
    const std::vector<uint8_t> before = snapshot(standard.get());
    expectRefused(c.run(standard.get(), &rect), IGE_INVALID_BIT_DEPTH, standard.get(), before);
    ASSERT_EQ(c.run(standard.get(), nullptr), 0);
    EXPECT_EQ(areaOf(standard.get()), indexes);
    for (size_t i = 0; i < palette.size(); ++i) {
      const OV_RGB& p = palette[i];
      EXPECT_TRUE(
          same(paletteOf(standard.get())[i], rgb(c.table[p.r], c.table[p.g], c.table[p.b])));
    }
  }
}

// Values of one channel, for the histogram calls.
std::vector<int> greenOf(OV_IMAGE image) {
  std::vector<int> out;
  for (const OV_RGB& c : ovtest::coloursOf(image)) out.push_back(c.g);
  return out;
}

TEST(Equalize, SpreadsFourLevelsEvenly) {
  // One pixel each of 100, 110, 120, 130: the cumulative counts 1..4 map to 0, 85, 170, 255.
  const int levels[] = {100, 110, 120, 130};
  ScopedImage image(
      rgbImage(4, 1, [&](int x, int) { return rgb(levels[x], levels[x], levels[x]); }));
  ASSERT_EQ(IG_IP_contrast_equalize(image.get(), nullptr, 1), 0);
  EXPECT_EQ(greenOf(image.get()), (std::vector<int>{0, 85, 170, 255}));
}

TEST(Equalize, EachChannelOnItsOwn) {
  // Red varies, green is flat (left alone), blue varies the other way.
  ScopedImage image(rgbImage(3, 1, [](int x, int) { return rgb(50 + x, 90, 60 - 10 * x); }));
  ASSERT_EQ(IG_IP_contrast_equalize(image.get(), nullptr, 1), 0);
  const std::vector<OV_RGB> c = ovtest::coloursOf(image.get());
  EXPECT_TRUE(same(c[0], rgb(0, 90, 255)));
  EXPECT_TRUE(same(c[1], rgb(128, 90, 128)));  // 1 * 255 / 2 = 127.5
  EXPECT_TRUE(same(c[2], rgb(255, 90, 0)));
}

TEST(Stretch, MapsTheRangeOntoFullScale) {
  // 32 levels 100..131, fewer than 200 pixels: nothing is clipped.
  ScopedImage image(greyImage(32, 1, [](int x, int) { return 100 + x; }));
  ASSERT_EQ(IG_IP_contrast_stretch(image.get(), nullptr, 0), 0);
  const std::vector<uint8_t> v = areaOf(image.get());
  EXPECT_EQ(v[0], 0);
  EXPECT_EQ(v[31], 255);
  EXPECT_EQ(v[15], 123);  // 15 * 255 / 31 = 123.4
}

TEST(Stretch, ClipsHalfAPercentAtEachEnd) {
  // 1000 pixels: 4 black and 4 white outliers (within the 5 clipped at each end), the rest
  // 100..150.
  const auto level = [](int x, int y) {
    const int i = y * 100 + x;
    return i < 4 ? 0 : i < 8 ? 255 : 100 + i % 51;
  };
  ScopedImage image(
      rgbImage(100, 10, [&](int x, int y) { return rgb(level(x, y), level(x, y), level(x, y)); }));
  ASSERT_EQ(IG_IP_contrast_stretch(image.get(), nullptr, 1), 0);
  const std::vector<int> g = greenOf(image.get());
  for (int i = 0; i < 1000; ++i) {
    const int was = level(i % 100, i / 100);
    const int want = was <= 100 ? 0 : was >= 150 ? 255 : ((was - 100) * 510 + 50) / 100;
    ASSERT_EQ(g[i], want) << i;
  }
  EXPECT_EQ(g[25], 128);  // 125: 25 * 255 / 50 = 127.5
}

TEST(HistogramCalls, NarrowRangeSpreadsWithinTheRectangleOnly) {
  const std::function<OV_ERRCOUNT(OV_IMAGE, const OV_RECT*)> calls[] = {
      [](OV_IMAGE i, const OV_RECT* r) { return IG_IP_contrast_equalize(i, r, 0); },
      [](OV_IMAGE i, const OV_RECT* r) { return IG_IP_contrast_stretch(i, r, 0); }};
  const OV_RECT rect{3, 2, 20, 9};
  const auto level = [](int x, int y) { return 110 + (x * 3 + y * 5) % 20; };
  for (const auto& call : calls) {
    for (int bpp : {8, 24}) {
      SCOPED_TRACE(bpp);
      ScopedImage image(bpp == 8 ? greyImage(24, 12, level) : rgbImage(24, 12, [&](int x, int y) {
        return rgb(level(x, y), level(x, y), level(x, y));
      }));
      ASSERT_EQ(call(image.get(), &rect), 0);
      const std::vector<int> g = greenOf(image.get());
      int lo = 255, hi = 0;
      for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 24; ++x) {
          if (!inside(rect, x, y)) {
            EXPECT_EQ(g[y * 24 + x], level(x, y)) << x << "," << y;
            continue;
          }
          lo = std::min(lo, g[y * 24 + x]);
          hi = std::max(hi, g[y * 24 + x]);
        }
      EXPECT_EQ(lo, 0);
      EXPECT_EQ(hi, 255);
    }
  }
}

TEST(HistogramCalls, PaletteImagesChangeTheirEntries) {
  // Entries 0..2 used by 1, 1 and 2 pixels; entry 3 unused.
  const std::vector<OV_RGB> palette = {rgb(100, 50, 10), rgb(110, 60, 20), rgb(120, 70, 30),
                                       rgb(0, 0, 0)};
  const auto index = [](int x, int) { return x < 2 ? x : 2; };
  ScopedImage image(indexedImage(4, 1, 4, palette, index));
  ASSERT_EQ(IG_IP_contrast_stretch(image.get(), nullptr, 0), 0);
  const std::vector<OV_RGB> p = paletteOf(image.get());
  EXPECT_TRUE(same(p[0], rgb(0, 0, 0)));
  EXPECT_TRUE(same(p[1], rgb(128, 128, 128)));
  EXPECT_TRUE(same(p[2], rgb(255, 255, 255)));
  const OV_RECT rect{0, 0, 1, 0};
  const std::vector<uint8_t> before = snapshot(image.get());
  expectRefused(IG_IP_contrast_equalize(image.get(), &rect, 0), IGE_INVALID_BIT_DEPTH, image.get(),
                before);
}

TEST(ToneCalls, BadArguments) {
  ScopedImage colour(ovtest::makeImage(8, 8, 24));
  ScopedImage grey(ovtest::makeImage(8, 8, 8, ovtest::Pattern::kGray));
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const OV_RECT inverted{5, 1, 2, 4}, outside{-20, -20, -10, -10};
  struct Case {
    std::string name;
    OV_IMAGE image;
    std::function<OV_ERRCOUNT(OV_IMAGE)> run;
    int32_t code;
  };
  const Case cases[] = {
      {"contrast 5.01", colour.get(),
       [](OV_IMAGE i) { return IG_IP_contrast_adjust(i, nullptr, 1, 5.01, 0); },
       IGE_INVALID_ARGUMENT},
      {"contrast -3.5", colour.get(),
       [](OV_IMAGE i) { return IG_IP_contrast_adjust(i, nullptr, 1, -3.5, 0); },
       IGE_INVALID_ARGUMENT},
      {"contrast NaN", colour.get(),
       [=](OV_IMAGE i) { return IG_IP_contrast_adjust(i, nullptr, 1, nan, 0); },
       IGE_INVALID_ARGUMENT},
      {"brightness 256", colour.get(),
       [](OV_IMAGE i) { return IG_IP_contrast_adjust(i, nullptr, 1, 1, 256); },
       IGE_INVALID_ARGUMENT},
      {"brightness -255.5", colour.get(),
       [](OV_IMAGE i) { return IG_IP_contrast_adjust(i, nullptr, 1, 1, -255.5); },
       IGE_INVALID_ARGUMENT},
      {"gamma -0.1", colour.get(),
       [](OV_IMAGE i) { return IG_IP_contrast_gamma(i, nullptr, 1, -0.1); }, IGE_INVALID_ARGUMENT},
      {"gamma 3.1", colour.get(),
       [](OV_IMAGE i) { return IG_IP_contrast_gamma(i, nullptr, 1, 3.1); }, IGE_INVALID_ARGUMENT},
      {"gamma NaN", colour.get(),
       [=](OV_IMAGE i) { return IG_IP_contrast_gamma(i, nullptr, 1, nan); }, IGE_INVALID_ARGUMENT},
      {"adjust inverted", colour.get(),
       [&](OV_IMAGE i) { return IG_IP_contrast_adjust(i, &inverted, 1, 2, 0); },
       IGE_INVALID_RECTANGLE},
      {"gamma outside", colour.get(),
       [&](OV_IMAGE i) { return IG_IP_contrast_gamma(i, &outside, 1, 2); }, IGE_INVALID_RECTANGLE},
      {"equalize inverted", colour.get(),
       [&](OV_IMAGE i) { return IG_IP_contrast_equalize(i, &inverted, 1); }, IGE_INVALID_RECTANGLE},
      {"stretch outside", colour.get(),
       [&](OV_IMAGE i) { return IG_IP_contrast_stretch(i, &outside, 1); }, IGE_INVALID_RECTANGLE},
      // `deep` claims more than 8 bits a pixel.
      {"adjust deep grey", grey.get(),
       [](OV_IMAGE i) { return IG_IP_contrast_adjust(i, nullptr, 1, 2, 0); },
       IGE_INVALID_BIT_DEPTH},
      {"gamma deep grey", grey.get(),
       [](OV_IMAGE i) { return IG_IP_contrast_gamma(i, nullptr, 1, 2); }, IGE_INVALID_BIT_DEPTH},
      {"equalize deep grey", grey.get(),
       [](OV_IMAGE i) { return IG_IP_contrast_equalize(i, nullptr, 1); }, IGE_INVALID_BIT_DEPTH},
      {"stretch deep grey", grey.get(),
       [](OV_IMAGE i) { return IG_IP_contrast_stretch(i, nullptr, 1); }, IGE_INVALID_BIT_DEPTH},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<uint8_t> before = snapshot(c.image);
    expectRefused(c.run(c.image), c.code, c.image, before);
  }
}

}  // namespace
