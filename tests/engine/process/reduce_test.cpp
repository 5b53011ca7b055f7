// Reductions: result depth and colour count from every source depth, threshold edges,
// dither densities from the threshold matrices, exact colours kept, main colours kept, and
// argument errors.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "colour_fixtures.h"
#include "ovengine/ov_errors.h"

using namespace colourtest;

namespace {

struct Reduction {
  std::string name;
  std::function<OV_ERRCOUNT(OV_IMAGE)> run;
  int bits;     // result depth
  int colours;  // at most
};

std::vector<Reduction> reductions() {
  std::vector<Reduction> out = {
      {"bitonal grey", [](OV_IMAGE i) { return IG_IP_color_reduce_to_bitonal(i, 1, 128, 0, 0, 0); },
       1, 2},
      {"bitonal average",
       [](OV_IMAGE i) { return IG_IP_color_reduce_to_bitonal(i, 0, 90, 0, 0, 0); }, 1, 2},
      {"bayer 1", [](OV_IMAGE i) { return IG_IP_color_reduce_bayer(i, 1, 0); }, 1, 2},
      {"bayer 4", [](OV_IMAGE i) { return IG_IP_color_reduce_bayer(i, 4, 0); }, 4, 16},
      {"diffuse 1", [](OV_IMAGE i) { return IG_IP_color_reduce_diffuse(i, 1, 128, 0); }, 1, 2},
      {"diffuse 4", [](OV_IMAGE i) { return IG_IP_color_reduce_diffuse(i, 4, 100, 0); }, 4, 16},
      {"halftone", [](OV_IMAGE i) { return IG_IP_color_reduce_halftone(i, 0); }, 1, 2},
  };
  for (int n : {2, 3, 16, 17, 100, 256}) {
    const int bits = n <= 16 ? 4 : 8;
    out.push_back({"octree " + std::to_string(n),
                   [n](OV_IMAGE i) { return IG_IP_color_reduce_octree(i, 0, n, 0, 0); }, bits, n});
    out.push_back({"median cut " + std::to_string(n),
                   [n](OV_IMAGE i) { return IG_IP_color_reduce_median_cut(i, 0, n); }, bits, n});
    out.push_back({"popularity " + std::to_string(n),
                   [n](OV_IMAGE i) { return IG_IP_color_reduce_popularity(i, 0, n); }, bits, n});
  }
  return out;
}

TEST(Reduce, DepthAndColourCountFromEveryDepth) {
  for (const Reduction& r : reductions()) {
    for (int bpp : {1, 4, 8, 24}) {
      SCOPED_TRACE(r.name + " from " + std::to_string(bpp));
      ScopedImage image(ovtest::makeImage(45, 33, bpp));
      ASSERT_EQ(r.run(image.get()), 0);
      EXPECT_EQ(ovtest::shapeOf(image.get()), "45x33x" + std::to_string(r.bits));
      EXPECT_LE(distinctColours(image.get()).size(), static_cast<size_t>(r.colours));
    }
  }
}

TEST(Reduce, KeepsTheResolution) {
  for (const Reduction& r : reductions()) {
    SCOPED_TRACE(r.name);
    ScopedImage image(ovtest::makeImage(6, 5, 24));
    ASSERT_EQ(IG_image_resolution_set(image.get(), 200, 1, 100, 1, OV_RES_PER_INCH), 0);
    ASSERT_EQ(r.run(image.get()), 0);
    int32_t xn = 0, xd = 1, yn = 0, yd = 1, units = 0;
    IG_image_resolution_get(image.get(), &xn, &xd, &yn, &yd, &units);
    EXPECT_EQ(xn / xd, 200);
    EXPECT_EQ(yn / yd, 100);
  }
}

TEST(Bitonal, ThresholdEdges) {
  struct Case {
    int32_t method;  // 1 grey, 0 average
    OV_RGB colour;
    int32_t threshold;
    bool white;
  };
  const Case cases[] = {
      {1, rgb(100, 100, 100), 100, true},  // at the threshold: white
      {1, rgb(100, 100, 100), 101, false},
      {1, rgb(0, 0, 250), 29, true},  // grey 28.5 rounds up to 29
      {1, rgb(0, 0, 250), 30, false},
      {1, rgb(255, 0, 0), 76, true},  // grey 76.245
      {1, rgb(255, 0, 0), 77, false},
      {0, rgb(30, 60, 90), 60, true},  // average 60
      {0, rgb(30, 60, 90), 61, false},
      {0, rgb(1, 1, 2), 1, true},  // 4 / 3 = 1
      {0, rgb(1, 1, 2), 2, false},
      {1, rgb(0, 0, 0), 0, true},  // threshold 0: everything is white
      {0, rgb(255, 255, 255), 255, true},
      {0, rgb(254, 255, 255), 255, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.method) + " threshold " + std::to_string(c.threshold));
    for (int bpp : {8, 24}) {
      ScopedImage image(bpp == 24 ? solidImage(10, 3, c.colour)
                                  : indexedImage(10, 3, 8, {c.colour}, [](int, int) { return 0; }));
      ASSERT_EQ(IG_IP_color_reduce_to_bitonal(image.get(), c.method, c.threshold, 0, 0, 0), 0);
      EXPECT_EQ(bitsOf(image.get()), 1);
      const OV_RGB want = c.white ? rgb(255, 255, 255) : rgb(0, 0, 0);
      for (const OV_RGB& p : ovtest::coloursOf(image.get())) ASSERT_TRUE(same(p, want));
    }
  }
}

// White pixels in each 8 x 8 block of a solid grey: matrix thresholds sit at (rank + 0.5) / 64
// of the range, so grey g turns on every rank with 128 g > 255 (2 rank + 1).
int expectedWhitePer64(int grey) {
  int n = 0;
  for (int rank = 0; rank < 64; ++rank) n += 128 * grey > 255 * (2 * rank + 1);
  return n;
}

TEST(Dither, OrderedAndHalftoneDensitiesFollowTheMatrix) {
  const std::function<OV_ERRCOUNT(OV_IMAGE)> calls[] = {
      [](OV_IMAGE i) { return IG_IP_color_reduce_bayer(i, 1, 0); },
      [](OV_IMAGE i) { return IG_IP_color_reduce_halftone(i, 0); }};
  for (const auto& call : calls) {
    for (int grey : {0, 1, 2, 32, 64, 128, 200, 254, 255}) {
      SCOPED_TRACE(grey);
      ScopedImage image(solidImage(16, 8, rgb(grey, grey, grey)));
      ASSERT_EQ(call(image.get()), 0);
      const std::vector<OV_RGB> c = ovtest::coloursOf(image.get());
      for (int block = 0; block < 2; ++block) {
        int white = 0;
        for (int y = 0; y < 8; ++y)
          for (int x = 0; x < 8; ++x) white += c[y * 16 + block * 8 + x].g == 255;
        EXPECT_EQ(white, expectedWhitePer64(grey));
      }
    }
  }
}

// The 16 standard colours (all but light grey lie on the levels 0, 128, 255 of each
// channel) come through ordered dither and error diffusion unchanged.
TEST(Dither, StandardColoursStayExact) {
  ScopedImage standard(ovtest::makeImage(1, 1, 4));
  const std::vector<OV_RGB> palette = paletteOf(standard.get());
  const std::function<OV_ERRCOUNT(OV_IMAGE)> calls[] = {
      [](OV_IMAGE i) { return IG_IP_color_reduce_bayer(i, 4, 0); },
      [](OV_IMAGE i) { return IG_IP_color_reduce_diffuse(i, 4, 128, 0); }};
  for (const auto& call : calls) {
    for (const OV_RGB& colour : palette) {
      const bool light_grey = colour.r == 192 && colour.g == 192 && colour.b == 192;
      if (light_grey && &call == &calls[0]) continue;  // dithered between its neighbours
      SCOPED_TRACE(key(colour));
      ScopedImage image(solidImage(11, 9, colour));
      ASSERT_EQ(call(image.get()), 0);
      for (const OV_RGB& p : ovtest::coloursOf(image.get())) ASSERT_TRUE(same(p, colour));
    }
  }
}

TEST(Dither, GreysStayGreyAtFourBits) {
  for (int grey : {40, 100, 192, 230}) {
    SCOPED_TRACE(grey);
    ScopedImage image(solidImage(16, 16, rgb(grey, grey, grey)));
    ASSERT_EQ(IG_IP_color_reduce_bayer(image.get(), 4, 0), 0);
    long sum = 0;
    for (const OV_RGB& p : ovtest::coloursOf(image.get())) {
      ASSERT_TRUE(p.r == p.g && p.g == p.b);
      sum += p.g;
    }
    EXPECT_NEAR(sum / 256.0, grey, 4.0);  // the mean level is kept
  }
}

// The threshold moves where the value plus the carried error turns white, so it changes the
// pattern but never the mean level.
TEST(Diffuse, MeanLevelWhateverTheThreshold) {
  struct Case {
    int grey, threshold;
  };
  const Case cases[] = {{0, 128},  {255, 128}, {128, 128}, {64, 128}, {64, 0},
                        {64, 255}, {254, 255}, {1, 0},     {200, 20}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.grey) + " threshold " + std::to_string(c.threshold));
    ScopedImage image(solidImage(64, 64, rgb(c.grey, c.grey, c.grey)));
    ASSERT_EQ(IG_IP_color_reduce_diffuse(image.get(), 1, c.threshold, 0), 0);
    int white = 0;
    for (const OV_RGB& p : ovtest::coloursOf(image.get())) white += p.g == 255;
    // Some error leaves through the edges.
    EXPECT_NEAR(white / 4096.0, c.grey / 255.0, 0.03);
  }
}

TEST(Diffuse, FirstPixelMeetsTheThresholdAlone) {
  // Nothing is carried into the first pixel: at the threshold it is white.
  for (int threshold : {99, 100, 101}) {
    SCOPED_TRACE(threshold);
    ScopedImage image(solidImage(1, 1, rgb(100, 100, 100)));
    ASSERT_EQ(IG_IP_color_reduce_diffuse(image.get(), 1, threshold, 0), 0);
    EXPECT_EQ(ovtest::coloursOf(image.get())[0].g, threshold <= 100 ? 255 : 0);
  }
}

TEST(Diffuse, FourBitMeanColourIsKept) {
  ScopedImage image(solidImage(32, 32, rgb(64, 160, 32)));
  ASSERT_EQ(IG_IP_color_reduce_diffuse(image.get(), 4, 128, 0), 0);
  double r = 0, g = 0, b = 0;
  for (const OV_RGB& p : ovtest::coloursOf(image.get())) r += p.r, g += p.g, b += p.b;
  EXPECT_NEAR(r / 1024, 64, 6);
  EXPECT_NEAR(g / 1024, 160, 6);
  EXPECT_NEAR(b / 1024, 32, 6);
}

// ---- Palette reductions -----------------------------------------------------------------

const OV_RGB kFive[] = {rgb(10, 200, 30), rgb(250, 250, 250), rgb(0, 0, 0), rgb(128, 64, 200),
                        rgb(11, 200, 30)};

TEST(PaletteReduce, FewColoursAreKeptExactly) {
  const auto index = [](int x, int y) { return (x * 3 + y * 7 + x * y) % 5; };
  const std::function<OV_ERRCOUNT(OV_IMAGE)> calls[] = {
      [](OV_IMAGE i) { return IG_IP_color_reduce_octree(i, 0, 16, 0, 0); },
      [](OV_IMAGE i) { return IG_IP_color_reduce_octree(i, 0, 5, 0, 0); },
      [](OV_IMAGE i) { return IG_IP_color_reduce_median_cut(i, 0, 5); },
      [](OV_IMAGE i) { return IG_IP_color_reduce_median_cut(i, 0, 200); },
      [](OV_IMAGE i) { return IG_IP_color_reduce_popularity(i, 0, 5); },
      [](OV_IMAGE i) { return IG_IP_color_reduce_popularity(i, 0, 17); }};
  for (const auto& call : calls) {
    for (int bpp : {8, 24}) {
      SCOPED_TRACE(bpp);
      // The 8-bit source uses 5 of its 256 entries.
      ScopedImage image(bpp == 24
                            ? rgbImage(19, 11, [&](int x, int y) { return kFive[index(x, y)]; })
                            : indexedImage(19, 11, 8, {std::begin(kFive), std::end(kFive)}, index));
      const std::vector<OV_RGB> before = ovtest::coloursOf(image.get());
      ASSERT_EQ(call(image.get()), 0);
      const std::vector<OV_RGB> after = ovtest::coloursOf(image.get());
      for (size_t i = 0; i < before.size(); ++i) ASSERT_TRUE(same(after[i], before[i])) << i;
    }
  }
}

// Four solid blocks with a sprinkle of random pixels: each block keeps a palette entry close
// to its colour.
TEST(PaletteReduce, MainColoursSurviveNoise) {
  const OV_RGB blocks[4] = {rgb(200, 30, 30), rgb(30, 180, 40), rgb(20, 40, 220),
                            rgb(240, 240, 90)};
  const auto picture = [&](int x, int y) {
    const uint32_t h =
        (static_cast<uint32_t>(x) * 73856093u) ^ (static_cast<uint32_t>(y) * 19349663u);
    if (h % 10 == 0) return rgb(h >> 8 & 255, h >> 16 & 255, h >> 24 & 255);  // 10% noise
    return blocks[(x >= 32) + 2 * (y >= 32)];
  };
  const std::function<OV_ERRCOUNT(OV_IMAGE)> calls[] = {
      [](OV_IMAGE i) { return IG_IP_color_reduce_octree(i, 0, 16, 0, 0); },
      [](OV_IMAGE i) { return IG_IP_color_reduce_median_cut(i, 0, 16); },
      [](OV_IMAGE i) { return IG_IP_color_reduce_popularity(i, 0, 16); }};
  for (const auto& call : calls) {
    ScopedImage image(rgbImage(64, 64, picture));
    ASSERT_EQ(call(image.get()), 0);
    ASSERT_EQ(bitsOf(image.get()), 4);
    const std::vector<OV_RGB> after = ovtest::coloursOf(image.get());
    for (int b = 0; b < 4; ++b) {
      SCOPED_TRACE(b);
      // A pixel of the block that is not noise.
      int x = (b % 2) * 32 + 16, y = (b / 2) * 32 + 16;
      while (!same(picture(x, y), blocks[b])) ++x;
      const OV_RGB got = after[y * 64 + x];
      EXPECT_LE(std::abs(got.r - blocks[b].r) + std::abs(got.g - blocks[b].g) +
                    std::abs(got.b - blocks[b].b),
                12);
    }
  }
}

TEST(PaletteReduce, ManyColoursLookAlike) {
  for (int n : {16, 64, 256}) {
    const std::function<OV_ERRCOUNT(OV_IMAGE)> calls[] = {
        [n](OV_IMAGE i) { return IG_IP_color_reduce_octree(i, 0, n, 0, 0); },
        [n](OV_IMAGE i) { return IG_IP_color_reduce_median_cut(i, 0, n); }};
    for (const auto& call : calls) {
      SCOPED_TRACE(n);
      ScopedImage original(ovtest::makeImage(64, 48, 24));
      ScopedImage image;
      ASSERT_EQ(IG_image_duplicate(original.get(), image.out()), 0);
      ASSERT_EQ(call(image.get()), 0);
      const double floor_db = n == 16 ? 19.0 : n == 64 ? 23.0 : 29.0;
      EXPECT_GT(ovtest::psnr(original.get(), image.get()), floor_db);
    }
  }
}

TEST(Reduce, BadArguments) {
  struct Case {
    std::string name;
    std::function<OV_ERRCOUNT(OV_IMAGE)> run;
  };
  const Case cases[] = {
      {"bitonal method 2",
       [](OV_IMAGE i) { return IG_IP_color_reduce_to_bitonal(i, 2, 128, 0, 0, 0); }},
      {"bitonal threshold -1",
       [](OV_IMAGE i) { return IG_IP_color_reduce_to_bitonal(i, 1, -1, 0, 0, 0); }},
      {"bitonal threshold 256",
       [](OV_IMAGE i) { return IG_IP_color_reduce_to_bitonal(i, 1, 256, 0, 0, 0); }},
      {"bayer 2 bits", [](OV_IMAGE i) { return IG_IP_color_reduce_bayer(i, 2, 0); }},
      {"bayer 8 bits", [](OV_IMAGE i) { return IG_IP_color_reduce_bayer(i, 8, 0); }},
      {"diffuse 0 bits", [](OV_IMAGE i) { return IG_IP_color_reduce_diffuse(i, 0, 128, 0); }},
      {"diffuse threshold 300",
       [](OV_IMAGE i) { return IG_IP_color_reduce_diffuse(i, 1, 300, 0); }},
      {"octree 1", [](OV_IMAGE i) { return IG_IP_color_reduce_octree(i, 0, 1, 0, 0); }},
      {"octree 257", [](OV_IMAGE i) { return IG_IP_color_reduce_octree(i, 0, 257, 0, 0); }},
      {"median cut 1", [](OV_IMAGE i) { return IG_IP_color_reduce_median_cut(i, 0, 1); }},
      {"median cut 257", [](OV_IMAGE i) { return IG_IP_color_reduce_median_cut(i, 0, 257); }},
      {"popularity 0", [](OV_IMAGE i) { return IG_IP_color_reduce_popularity(i, 0, 0); }},
      {"popularity 1000", [](OV_IMAGE i) { return IG_IP_color_reduce_popularity(i, 0, 1000); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScopedImage image(ovtest::makeImage(9, 7, 24));
    const std::vector<uint8_t> before = snapshot(image.get());
    expectRefused(c.run(image.get()), IGE_INVALID_ARGUMENT, image.get(), before);
  }
}

}  // namespace
