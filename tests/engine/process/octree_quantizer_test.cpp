// The octree quantiser: palette size, exactness for few colours, main colours kept, and
// the same answer every time.
#include "process/octree_quantizer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <set>
#include <vector>

#include "ovengine/ov_errors.h"

using ov::Dib;

namespace {

Dib makeRgb(int width, int height, const std::function<OV_RGB(int, int)>& colour) {
  Dib dib;
  EXPECT_EQ(dib.allocate(width, height, 24), 0);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const OV_RGB c = colour(x, y);
      dib.setIndexAt(x, y, c.b | c.g << 8 | static_cast<uint32_t>(c.r) << 16);
    }
  return dib;
}

// `n` distinct colours spread over the cube, in a scattered order.
OV_RGB nthColour(int i) {
  return OV_RGB{static_cast<uint8_t>(i * 97 % 256), static_cast<uint8_t>(i * 31 % 251),
                static_cast<uint8_t>(i / 7 * 13 % 256)};
}

Dib withColours(int n) {
  return makeRgb(40, 30, [n](int x, int y) { return nthColour((x * 7 + y * 13) % n); });
}

bool same(const OV_RGB& a, const OV_RGB& b) {
  return a.r == b.r && a.g == b.g && a.b == b.b;
}

int distance2(const OV_RGB& a, const OV_RGBQUAD& b) {
  const int dr = a.r - b.red, dg = a.g - b.green, db = a.b - b.blue;
  return dr * dr + dg * dg + db * db;
}

uint32_t lcg(uint32_t& state) {
  return state = state * 1664525u + 1013904223u;
}

}  // namespace

TEST(OctreeQuantizer, FewColoursAreKeptExactly) {
  struct Case {
    int colours, max;
  };
  for (const Case c :
       {Case{1, 2}, Case{2, 2}, Case{7, 8}, Case{17, 17}, Case{200, 256}, Case{256, 256}}) {
    SCOPED_TRACE(c.colours);
    const Dib image = withColours(c.colours);
    Dib out;
    ASSERT_EQ(ov::octreeQuantize(image, c.max, out), 0);
    ASSERT_EQ(out.bitsPerPixel(), 8);
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x)
        ASSERT_TRUE(same(image.colourAt(x, y), out.colourAt(x, y))) << x << "," << y;
  }
}

TEST(OctreeQuantizer, NeverExceedsTheColourLimit) {
  const Dib image = makeRgb(256, 64, [](int x, int y) {
    return OV_RGB{static_cast<uint8_t>(y * 4), static_cast<uint8_t>(x),
                  static_cast<uint8_t>(x ^ y)};
  });
  for (int max : {2, 3, 5, 7, 8, 9, 16, 100, 255, 256}) {
    SCOPED_TRACE(max);
    ov::OctreeQuantizer q(max);
    for (int y = 0; y < image.height(); ++y) q.add(image.row(y), 256);
    q.finish();
    ASSERT_GE(q.palette().size(), 1u);
    EXPECT_LE(q.palette().size(), static_cast<size_t>(max));
    std::vector<uint8_t> indexes(256);
    std::set<int> used;
    for (int y = 0; y < image.height(); ++y) {
      q.map(image.row(y), 256, indexes.data());
      used.insert(indexes.begin(), indexes.end());
    }
    EXPECT_LT(*used.rbegin(), static_cast<int>(q.palette().size()));
    // A picture with thousands of colours should use most of what it is allowed.
    EXPECT_GE(used.size() * 2, std::min<size_t>(max, q.palette().size()));
  }
}

TEST(OctreeQuantizer, MainColoursSurviveNoise) {
  const OV_RGB kMain[4] = {{40, 40, 220}, {60, 200, 40}, {210, 60, 40}, {50, 220, 230}};
  uint32_t seed = 12345;
  const Dib image = makeRgb(64, 64, [&](int x, int y) {
    const uint32_t r = lcg(seed);
    if (r % 100 < 4)  // scattered pixels of any colour
      return OV_RGB{static_cast<uint8_t>(r >> 8), static_cast<uint8_t>(r >> 16),
                    static_cast<uint8_t>(r >> 24)};
    OV_RGB c = kMain[(x / 32) + 2 * (y / 32)];
    const int jitter = static_cast<int>((r >> 10) % 9) - 4;
    c.r = static_cast<uint8_t>(c.r + jitter);
    c.g = static_cast<uint8_t>(c.g - jitter);
    return c;
  });
  for (int max : {4, 5, 8, 16}) {
    SCOPED_TRACE(max);
    Dib out;
    ASSERT_EQ(ov::octreeQuantize(image, max, out), 0);
    std::set<uint8_t> used;
    for (int y = 0; y < 64; ++y) used.insert(out.row(y), out.row(y) + 64);
    EXPECT_LE(used.size(), static_cast<size_t>(max));
    for (const OV_RGB& main : kMain) {
      int best = 1 << 30;
      for (uint8_t i : used) best = std::min(best, distance2(main, out.palette()[i]));
      EXPECT_LE(best, 12 * 12) << int(main.r) << "," << int(main.g) << "," << int(main.b);
    }
  }
}

TEST(OctreeQuantizer, IsDeterministic) {
  uint32_t seed = 7;
  const Dib image = makeRgb(50, 40, [&](int, int) {
    const uint32_t r = lcg(seed);
    return OV_RGB{static_cast<uint8_t>(r >> 8), static_cast<uint8_t>(r >> 16),
                  static_cast<uint8_t>(r >> 24)};
  });
  Dib a, b;
  ASSERT_EQ(ov::octreeQuantize(image, 64, a), 0);
  ASSERT_EQ(ov::octreeQuantize(image, 64, b), 0);
  ASSERT_EQ(a.totalBytes(), b.totalBytes());
  EXPECT_EQ(std::memcmp(a.header(), b.header(), a.totalBytes()), 0);
}

TEST(OctreeQuantizer, RefusesPaletteImages) {
  Dib image, out;
  ASSERT_EQ(image.allocate(4, 4, 8), 0);
  EXPECT_EQ(ov::octreeQuantize(image, 16, out), IGE_INVALID_BIT_DEPTH);
}
