// Noise, blur, diffuse, emboss, twist, posterize and motion: expected pixels from the
// formula of each effect on impulse, step, ramp and flat images; the random effects checked
// for determinism and for where their pixels may come from; and for every call the
// rectangle, argument, depth and cancel rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include "ovengine/ov_process.h"
#include "pixel_fixtures.h"
#include "progress_script.h"
#include "test_images.h"

using namespace ovtest;

namespace {

const int kFilterDepths[] = {8, 24};

}  // namespace

// ---- Noise ----------------------------------------------------------------------------------

namespace {

// Counts over every pixel of `a` against `b` (same size and depth): pixels that differ, and
// the largest change of one channel.
struct Changes {
  int pixels = 0;
  int largest = 0;
};

Changes compare(const Pixels& a, const Pixels& b) {
  Changes c;
  for (size_t i = 0; i < a.v.size(); ++i) {
    c.pixels += a.v[i] != b.v[i];
    for (int shift = 0; shift < 24; shift += 8)
      c.largest = std::max(c.largest, std::abs(static_cast<int>(a.v[i] >> shift & 0xFF) -
                                               static_cast<int>(b.v[i] >> shift & 0xFF)));
  }
  return c;
}

}  // namespace

TEST(EffectNoise, SameCallSamePixelsAndSomethingChanges) {
  for (int type : {0, 1})
    for (int bpp : kFilterDepths) {
      SCOPED_TRACE("type " + std::to_string(type) + ", " + std::to_string(bpp) + " bits");
      ScopedImage a(makeBusy(31, 23, bpp)), b(makeBusy(31, 23, bpp));
      const Pixels before = pixelsOf(a.get());
      ASSERT_EQ(IG_FX_noise(a.get(), nullptr, type, 60, 300, 12.0, 7), 0);
      ASSERT_EQ(IG_FX_noise(b.get(), nullptr, type, 60, 300, 12.0, 7), 0);
      EXPECT_EQ(pixelsOf(a.get()).v, pixelsOf(b.get()).v);
      EXPECT_GT(compare(pixelsOf(a.get()), before).pixels, 31 * 23 / 3);
    }
}

TEST(EffectNoise, ValuesAreClampedNotWrapped) {
  // At most 127 from white is 128; at most 127 from black is 127.
  for (int bpp : kFilterDepths)
    for (int level : {0, 255}) {
      SCOPED_TRACE(std::to_string(bpp) + " bits, level " + std::to_string(level));
      ScopedImage image(makeGrey(40, 30, bpp, [level](int, int) { return level; }));
      ASSERT_EQ(IG_FX_noise(image.get(), nullptr, 0, 127, 500, 1.0, 7), 0);
      const Pixels out = pixelsOf(image.get());
      int moved = 0;
      for (uint32_t v : out.v)
        for (int shift = 0; shift < (bpp == 24 ? 24 : 8); shift += 8) {
          const int c = v >> shift & 0xFF;
          ASSERT_TRUE(level == 0 ? c <= 127 : c >= 128) << c;
          moved += c != level;
        }
      EXPECT_GT(moved, 0);
    }
}

TEST(EffectNoise, StrengthLimitsGaussianNoise) {
  struct Case {
    int strength;
    double sigma;
    int largest_at_most;
    int changed_at_least, changed_at_most;
  };
  // Sigma 25 against a limit of 10: most changes sit at the limit. Sigma 0.1 rounds to 0
  // but for one draw in millions. Strength 0 changes nothing.
  for (const Case c :
       {Case{10, 25.0, 10, 3000, 4000}, Case{127, 0.1, 1, 0, 2}, Case{0, 25.0, 0, 0, 0}})
    for (int bpp : kFilterDepths) {
      SCOPED_TRACE(std::to_string(c.strength) + ", sigma " + std::to_string(c.sigma));
      ScopedImage image(makeGrey(80, 50, bpp, [](int, int) { return 128; }));
      const Pixels before = pixelsOf(image.get());
      ASSERT_EQ(IG_FX_noise(image.get(), nullptr, 1, c.strength, 500, c.sigma, 7), 0);
      const Changes changes = compare(pixelsOf(image.get()), before);
      EXPECT_LE(changes.largest, c.largest_at_most);
      EXPECT_GE(changes.pixels, c.changed_at_least);
      EXPECT_LE(changes.pixels, c.changed_at_most);
      if (c.strength == 10) {
        EXPECT_EQ(changes.largest, 10);
      }
    }
}

TEST(EffectNoise, HitRateIsTheShareOfPixelsTouched) {
  // 100 x 100 pixels, hit / 500 of them touched; a touched pixel keeps its colour only when
  // all three changes are 0 (one in 255^3).
  struct Case {
    int hit_rate, at_least, at_most;
  };
  for (const Case c :
       {Case{1, 5, 50}, Case{50, 800, 1200}, Case{250, 4600, 5400}, Case{500, 9990, 10000}}) {
    SCOPED_TRACE(c.hit_rate);
    ScopedImage image(makeGrey(100, 100, 24, [](int, int) { return 128; }));
    const Pixels before = pixelsOf(image.get());
    ASSERT_EQ(IG_FX_noise(image.get(), nullptr, 0, 127, c.hit_rate, 1.0, 7), 0);
    const int changed = compare(pixelsOf(image.get()), before).pixels;
    EXPECT_GE(changed, c.at_least);
    EXPECT_LE(changed, c.at_most);
  }
}

TEST(EffectNoise, OnlyTheChosenChannels) {
  struct Case {
    int channels;
    uint32_t kept;  // mask of the 0xRRGGBB bits that must not change
  };
  for (const Case c :
       {Case{1, 0x00FFFF}, Case{2, 0xFF00FF}, Case{4, 0xFFFF00}, Case{6, 0xFF0000}, Case{7, 0}}) {
    SCOPED_TRACE(c.channels);
    ScopedImage image(makeBusy(30, 20, 24));
    const Pixels before = pixelsOf(image.get());
    ASSERT_EQ(IG_FX_noise(image.get(), nullptr, 0, 50, 500, 1.0, c.channels), 0);
    const Pixels out = pixelsOf(image.get());
    uint32_t moved = 0;
    for (size_t i = 0; i < out.v.size(); ++i) {
      ASSERT_EQ(out.v[i] & c.kept, before.v[i] & c.kept) << i;
      moved |= out.v[i] ^ before.v[i];
    }
    for (uint32_t mask : {0xFF0000u, 0x00FF00u, 0x0000FFu})
      if (!(mask & c.kept)) {
        EXPECT_NE(moved & mask, 0u) << std::hex << mask;
      }
  }
}

// ---- Blur -----------------------------------------------------------------------------------

TEST(EffectBlur, BoxOfThreeOrFive) {
  // 255 / 9 = 28.3 over a 3 x 3 square; 255 / 25 = 10.2 over 5 x 5.
  struct Case {
    int size, reach, value;
  };
  for (const Case c : {Case{0, 1, 28}, Case{3, 1, 28}, Case{1, 2, 10}, Case{5, 2, 10}})
    for (int bpp : kFilterDepths) {
      SCOPED_TRACE("size " + std::to_string(c.size) + ", " + std::to_string(bpp) + " bits");
      ScopedImage image(
          makeGrey(9, 8, bpp, [](int x, int y) { return x == 4 && y == 3 ? 255 : 0; }));
      ASSERT_EQ(IG_FX_blur(image.get(), nullptr, c.size), 0);
      expectGreys(image.get(), [&](int x, int y) {
        return std::abs(x - 4) <= c.reach && std::abs(y - 3) <= c.reach ? c.value : 0;
      });
      ScopedImage flat(makeGrey(3, 2, bpp, [](int, int) { return 201; }));
      ASSERT_EQ(IG_FX_blur(flat.get(), nullptr, c.size), 0);
      expectGreys(flat.get(), [](int, int) { return 201; });
    }
}

// ---- Diffuse --------------------------------------------------------------------------------

TEST(EffectDiffuse, PixelsComeFromNearbyInsideTheRectangle) {
  // Each colour names its own position, so every result shows where it came from.
  auto where = [](int x, int y) { return static_cast<uint32_t>(0x5A0000 | y << 8 | x); };
  const OV_RECT r{5, 3, 30, 25};
  for (int level : {1, 4, 16}) {
    SCOPED_TRACE(level);
    ScopedImage image(makeFrom(40, 30, 24, where));
    ASSERT_EQ(IG_FX_diffuse(image.get(), &r, level), 0);
    const Pixels out = pixelsOf(image.get());
    int moved = 0;
    for (int y = 0; y < out.h; ++y)
      for (int x = 0; x < out.w; ++x) {
        const uint32_t v = out.at(x, y);
        const int sx = v & 0xFF, sy = v >> 8 & 0xFF;
        ASSERT_EQ(v >> 16, 0x5Au);
        const bool inside = x >= r.left && x <= r.right && y >= r.top && y <= r.bottom;
        if (!inside) {
          ASSERT_EQ(v, where(x, y));
          continue;
        }
        ASSERT_TRUE(sx >= r.left && sx <= r.right && sy >= r.top && sy <= r.bottom)
            << x << "," << y;
        ASSERT_LE(std::abs(sx - x), level);
        ASSERT_LE(std::abs(sy - y), level);
        moved += v != where(x, y);
      }
    EXPECT_GT(moved, 26 * 23 / 2);
  }
}

TEST(EffectDiffuse, SameCallSamePixels) {
  for (int bpp : kFilterDepths) {
    SCOPED_TRACE(bpp);
    ScopedImage a(makeBusy(25, 19, bpp)), b(makeBusy(25, 19, bpp));
    ASSERT_EQ(IG_FX_diffuse(a.get(), nullptr, 3), 0);
    ASSERT_EQ(IG_FX_diffuse(b.get(), nullptr, 3), 0);
    EXPECT_EQ(pixelsOf(a.get()).v, pixelsOf(b.get()).v);
    ScopedImage original(makeBusy(25, 19, bpp));
    EXPECT_GT(differingPixels(a.get(), original.get()), 25 * 19 / 2);
  }
}

// ---- Emboss ---------------------------------------------------------------------------------

TEST(EffectEmboss, FlatImagesBecomeMidGrey) {
  for (int direction = 1; direction <= 8; ++direction)
    for (double depth : {1.0, 2.7, 5.0}) {
      SCOPED_TRACE(std::to_string(direction) + ", " + std::to_string(depth));
      ScopedImage colour(makeFrom(6, 5, 24, [](int, int) { return 0xC80A32u; }));
      ASSERT_EQ(IG_FX_emboss(colour.get(), nullptr, depth, direction), 0);
      expectGreys(colour.get(), [](int, int) { return 128; });
      ScopedImage grey8(makeGrey(6, 5, 8, [](int, int) { return 17; }));
      ASSERT_EQ(IG_FX_emboss(grey8.get(), nullptr, depth, direction), 0);
      expectGreys(grey8.get(), [](int, int) { return 128; });
    }
}

TEST(EffectEmboss, StepIsLitFromTheDirection) {
  // 100 | 140 between columns 3 and 4: 128 + depth * (L(p - d) - L(p + d)) is
  // 128 - 40 * depth for light from the east side, 128 + 40 * depth from the west, 128
  // straight from north or south; clamped to 0..255.
  struct Case {
    int direction;
    double depth;
    int at_edge;
  };
  for (const Case c : {Case{3, 1.0, 88}, Case{2, 1.0, 88}, Case{4, 2.0, 48}, Case{7, 1.0, 168},
                       Case{6, 2.0, 208}, Case{8, 1.5, 188}, Case{1, 5.0, 128}, Case{5, 3.0, 128},
                       Case{3, 5.0, 0}, Case{7, 5.0, 255}})
    for (int bpp : kFilterDepths) {
      SCOPED_TRACE(std::to_string(c.direction) + ", " + std::to_string(c.depth) + ", " +
                   std::to_string(bpp) + " bits");
      ScopedImage image(makeGrey(8, 5, bpp, [](int x, int) { return x < 4 ? 100 : 140; }));
      ASSERT_EQ(IG_FX_emboss(image.get(), nullptr, c.depth, c.direction), 0);
      expectGreys(image.get(), [&c](int x, int) { return x == 3 || x == 4 ? c.at_edge : 128; });
    }
}

// ---- Twist ----------------------------------------------------------------------------------

namespace {

// A value for every pixel that differs from its neighbours; at 24 bits unique per pixel.
uint32_t patternValue(int x, int y, int bpp) {
  if (bpp == 24) return x | (y << 8) | (((x * 7) ^ (y * 3)) & 0xFF) << 16;
  return static_cast<uint32_t>(x * 7 + y * 13 + x * y / 3) % (1u << bpp);
}

// Where result pixel (x, y) of a twist comes from: whole blocks turned clockwise by
// `turn` quarter turns, everything else in place.
std::pair<int, int> twistSource(int x, int y, const OV_RECT& r, int n, int turn) {
  const int across = (r.right - r.left + 1) / n, down = (r.bottom - r.top + 1) / n;
  if (x < r.left || y < r.top || x >= r.left + across * n || y >= r.top + down * n) return {x, y};
  const int bx = r.left + (x - r.left) / n * n, by = r.top + (y - r.top) / n * n;
  const int u = x - bx, v = y - by;
  switch (turn) {
    case 1:
      return {bx + v, by + n - 1 - u};
    case 2:
      return {bx + n - 1 - u, by + n - 1 - v};
    default:
      return {bx + n - 1 - v, by + u};
  }
}

}  // namespace

TEST(EffectTwist, HalfTurnOfATwoByTwoBlockReversesIt) {
  // a b / c d  ->  d c / b a
  ScopedImage image(makeFrom(2, 2, 24, [](int x, int y) { return 0x111111u * (1 + x + 2 * y); }));
  ASSERT_EQ(IG_FX_twist(image.get(), nullptr, 2, 2), 0);
  const Pixels out = pixelsOf(image.get());
  EXPECT_EQ(out.v, (std::vector<uint32_t>{0x444444, 0x333333, 0x222222, 0x111111}));
}

TEST(EffectTwist, WholeBlocksTurnAtEveryDepth) {
  struct Case {
    int w, h, size;
    OV_RECT rect;
  };
  for (const Case c : {Case{7, 5, 2, {0, 0, 6, 4}}, Case{11, 9, 3, {1, 1, 8, 7}},
                       Case{12, 12, 4, {0, 0, 11, 11}}, Case{9, 6, 5, {2, 0, 8, 5}}})
    for (int turn = 1; turn <= 3; ++turn)
      for (int bpp : {1, 4, 8, 24}) {
        SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h) + " size " +
                     std::to_string(c.size) + " turn " + std::to_string(turn) + ", " +
                     std::to_string(bpp) + " bits");
        ScopedImage image(
            makeFrom(c.w, c.h, bpp, [bpp](int x, int y) { return patternValue(x, y, bpp); }));
        ASSERT_EQ(IG_FX_twist(image.get(), &c.rect, turn, c.size), 0);
        const Pixels out = pixelsOf(image.get());
        for (int y = 0; y < c.h; ++y)
          for (int x = 0; x < c.w; ++x) {
            const auto [sx, sy] = twistSource(x, y, c.rect, c.size, turn);
            ASSERT_EQ(out.at(x, y), patternValue(sx, sy, bpp)) << "at " << x << "," << y;
          }
      }
}

TEST(EffectTwist, RandomTurnsEachBlockSomeWayAndRepeats) {
  const OV_RECT whole{0, 0, 39, 29};
  const int n = 2;
  ScopedImage a(makeFrom(40, 30, 24, [](int x, int y) { return patternValue(x, y, 24); }));
  ScopedImage b(makeFrom(40, 30, 24, [](int x, int y) { return patternValue(x, y, 24); }));
  ASSERT_EQ(IG_FX_twist(a.get(), nullptr, 4, n), 0);
  ASSERT_EQ(IG_FX_twist(b.get(), nullptr, 4, n), 0);
  const Pixels out = pixelsOf(a.get());
  EXPECT_EQ(out.v, pixelsOf(b.get()).v);
  std::set<int> turns_seen;
  for (int by = 0; by < 30; by += n)
    for (int bx = 0; bx < 40; bx += n) {
      int matching = 0;
      for (int turn = 1; turn <= 3; ++turn) {
        bool same = true;
        for (int y = by; y < by + n; ++y)
          for (int x = bx; x < bx + n; ++x) {
            const auto [sx, sy] = twistSource(x, y, whole, n, turn);
            same = same && out.at(x, y) == patternValue(sx, sy, 24);
          }
        if (same) {
          ++matching;
          turns_seen.insert(turn);
        }
      }
      ASSERT_EQ(matching, 1) << "block at " << bx << "," << by;
    }
  EXPECT_EQ(turns_seen.size(), 3u);
}

// ---- Posterize ------------------------------------------------------------------------------

TEST(EffectPosterize, LevelsOnARamp) {
  struct Case {
    int levels;
    std::function<int(int)> expected;
  };
  const auto two = [](int v) { return v < 128 ? 0 : 255; };
  // Nearest of 0, 127.5 and 255: thresholds at 63.75 and 191.25.
  const auto three = [](int v) { return v < 64 ? 0 : v < 192 ? 128 : 255; };
  for (const Case& c : {Case{1, two}, Case{2, two}, Case{3, three}})
    for (int bpp : kFilterDepths) {
      SCOPED_TRACE(std::to_string(c.levels) + " levels, " + std::to_string(bpp) + " bits");
      ScopedImage image(makeGrey(256, 2, bpp, [](int x, int) { return x; }));
      ASSERT_EQ(IG_FX_posterize(image.get(), nullptr, c.levels, 7), 0);
      expectGreys(image.get(), [&c](int x, int) { return c.expected(x); });
    }
}

TEST(EffectPosterize, TwiceIsOnceAndTheEndsStay) {
  for (int levels : {1, 2, 3, 5, 16, 100, 128, 254, 255})
    for (int bpp : kFilterDepths) {
      SCOPED_TRACE(std::to_string(levels) + " levels, " + std::to_string(bpp) + " bits");
      ScopedImage image(makeGrey(256, 1, bpp, [](int x, int) { return x; }));
      ASSERT_EQ(IG_FX_posterize(image.get(), nullptr, levels, 7), 0);
      const Pixels once = pixelsOf(image.get());
      ASSERT_EQ(IG_FX_posterize(image.get(), nullptr, levels, 7), 0);
      EXPECT_EQ(pixelsOf(image.get()).v, once.v);
      std::set<uint32_t> values(once.v.begin(), once.v.end());
      EXPECT_EQ(values.size(), static_cast<size_t>(std::max(levels, 2)));
      EXPECT_EQ(*values.begin(), grey(0, bpp));
      EXPECT_EQ(*values.rbegin(), grey(255, bpp));
      // Levels keep their order.
      for (int x = 1; x < 256; ++x) ASSERT_GE(once.v[x] & 0xFF, once.v[x - 1] & 0xFF);
    }
}

TEST(EffectPosterize, OnlyTheChosenChannels) {
  // Red ramp, green and blue ramps the other way: 2 levels on red only.
  ScopedImage image(makeFrom(256, 1, 24, [](int x, int) {
    return static_cast<uint32_t>(x << 16 | (255 - x) << 8 | (x ^ 0x55));
  }));
  ASSERT_EQ(IG_FX_posterize(image.get(), nullptr, 2, 1), 0);
  const Pixels out = pixelsOf(image.get());
  for (int x = 0; x < 256; ++x)
    ASSERT_EQ(out.at(x, 0),
              static_cast<uint32_t>((x < 128 ? 0 : 255) << 16 | (255 - x) << 8 | (x ^ 0x55)))
        << x;
}

// ---- Motion ---------------------------------------------------------------------------------

TEST(EffectMotion, FlatImagesStayFlat) {
  for (int length : {2, 7, 22})
    for (int direction = 1; direction <= 8; ++direction)
      for (int bpp : kFilterDepths) {
        SCOPED_TRACE(std::to_string(length) + ", " + std::to_string(direction));
        ScopedImage image(makeGrey(9, 7, bpp, [](int, int) { return 93; }));
        ASSERT_EQ(IG_FX_motion(image.get(), nullptr, length, direction), 0);
        expectGreys(image.get(), [](int, int) { return 93; });
      }
}

TEST(EffectMotion, MeanAlongTheDirectionLeavesOutWhatIsOffTheImage) {
  // Each pixel with the pixels after it in the direction, only those on the image counted.
  struct Case {
    const char* name;
    int w, h, length, direction;
    std::vector<int> in, out;  // grey levels, row by row
  };
  const std::vector<int> row{90, 0, 0, 0, 30};
  const std::vector<int> impulse{0, 0, 0, 0, 255, 0, 0, 0, 0};
  const std::vector<Case> cases = {
      {"east", 5, 1, 3, 3, row, {30, 0, 10, 15, 30}},
      {"west", 5, 1, 3, 7, row, {90, 45, 30, 0, 10}},
      {"south", 1, 5, 3, 5, row, {30, 0, 10, 15, 30}},
      {"north", 1, 5, 3, 1, row, {90, 45, 30, 0, 10}},
      {"north on a row", 5, 1, 3, 1, row, row},
      {"east on a column", 1, 5, 3, 3, row, row},
      {"south-east", 3, 3, 3, 4, impulse, {85, 0, 0, 0, 128, 0, 0, 0, 0}},
      {"north-west", 3, 3, 3, 8, impulse, {0, 0, 0, 0, 128, 0, 0, 0, 85}},
      {"north-east", 3, 3, 3, 2, impulse, {0, 0, 0, 0, 128, 0, 85, 0, 0}},
      {"south-west", 3, 3, 3, 6, impulse, {0, 0, 85, 0, 128, 0, 0, 0, 0}},
      {"length 2", 5, 1, 2, 3, row, {45, 0, 0, 15, 30}},
  };
  for (const Case& c : cases)
    for (int bpp : kFilterDepths) {
      SCOPED_TRACE(std::string(c.name) + ", " + std::to_string(bpp) + " bits");
      ScopedImage image(makeGrey(c.w, c.h, bpp, [&c](int x, int y) { return c.in[y * c.w + x]; }));
      ASSERT_EQ(IG_FX_motion(image.get(), nullptr, c.length, c.direction), 0);
      expectGreys(image.get(), [&c](int x, int y) { return c.out[y * c.w + x]; });
    }
}

TEST(EffectMotion, LongestStreak) {
  // 220 at x = 25 of 30: pixels 4..25 take it in, divided by min(22, 30 - x).
  ScopedImage image(makeGrey(30, 2, 24, [](int x, int) { return x == 25 ? 220 : 0; }));
  ASSERT_EQ(IG_FX_motion(image.get(), nullptr, 22, 3), 0);
  expectGreys(image.get(), [](int x, int) {
    if (x < 4 || x > 25) return 0;
    const int n = std::min(22, 30 - x);
    return (2 * 220 + n) / (2 * n);
  });
}

// ---- Rules every effect call follows --------------------------------------------------------

namespace {

using Call = std::function<OV_ERRCOUNT(OV_IMAGE, const OV_RECT*)>;

struct EffectCall {
  const char* name;
  Call run;  // with good arguments
  std::vector<Call> bad_arguments;
  std::vector<Call> bounds;  // the least and the most of every argument
  bool any_depth;
};

const std::vector<EffectCall>& effectCalls() {
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  static const std::vector<EffectCall> calls = {
      {"noise",
       [](OV_IMAGE i, const OV_RECT* r) { return IG_FX_noise(i, r, 0, 40, 500, 1.0, 7); },
       {[](OV_IMAGE i, const OV_RECT* r) { return IG_FX_noise(i, r, -1, 40, 500, 1.0, 7); },
        [](OV_IMAGE i, const OV_RECT* r) { return IG_FX_noise(i, r, 2, 40, 500, 1.0, 7); },
        [](OV_IMAGE i, const OV_RECT* r) { return IG_FX_noise(i, r, 0, -1, 500, 1.0, 7); },
        [](OV_IMAGE i, const OV_RECT* r) { return IG_FX_noise(i, r, 0, 128, 500, 1.0, 7); },
        [](OV_IMAGE i, const OV_RECT* r) { return IG_FX_noise(i, r, 0, 40, 0, 1.0, 7); },
        [](OV_IMAGE i, const OV_RECT* r) { return IG_FX_noise(i, r, 0, 40, 501, 1.0, 7); },
        [](OV_IMAGE i, const OV_RECT* r) { return IG_FX_noise(i, r, 1, 40, 500, 0.09, 7); },
        [](OV_IMAGE i, const OV_RECT* r) { return IG_FX_noise(i, r, 1, 40, 500, 25.01, 7); },
        [=](OV_IMAGE i, const OV_RECT* r) { return IG_FX_noise(i, r, 1, 40, 500, kNaN, 7); },
        [](OV_IMAGE i, const OV_RECT* r) { return IG_FX_noise(i, r, 0, 40, 500, 1.0, 0); },
        [](OV_IMAGE i, const OV_RECT* r) { return IG_FX_noise(i, r, 0, 40, 500, 1.0, 8); }},
       {[](OV_IMAGE i, const OV_RECT* r) { return IG_FX_noise(i, r, 0, 0, 1, 0.1, 1); },
        [](OV_IMAGE i, const OV_RECT* r) { return IG_FX_noise(i, r, 1, 127, 500, 25.0, 7); },
        [](OV_IMAGE i, const OV_RECT* r) { return IG_FX_noise(i, r, 1, 127, 500, 0.1, 4); },
        [](OV_IMAGE i, const OV_RECT* r) { return IG_FX_noise(i, r, 0, 127, 1, 25.0, 7); }},
       false},
      {"blur",
       [](OV_IMAGE i, const OV_RECT* r) { return IG_FX_blur(i, r, 5); },
       {[](OV_IMAGE i, const OV_RECT* r) { return IG_FX_blur(i, r, -1); },
        [](OV_IMAGE i, const OV_RECT* r) { return IG_FX_blur(i, r, 2); },
        [](OV_IMAGE i, const OV_RECT* r) { return IG_FX_blur(i, r, 4); },
        [](OV_IMAGE i, const OV_RECT* r) { return IG_FX_blur(i, r, 7); }},
       {[](OV_IMAGE i, const OV_RECT* r) { return IG_FX_blur(i, r, 0); },
        [](OV_IMAGE i, const OV_RECT* r) { return IG_FX_blur(i, r, 1); },
        [](OV_IMAGE i, const OV_RECT* r) { return IG_FX_blur(i, r, 3); },
        [](OV_IMAGE i, const OV_RECT* r) { return IG_FX_blur(i, r, 5); }},
       false},
      {"diffuse",
       [](OV_IMAGE i, const OV_RECT* r) { return IG_FX_diffuse(i, r, 3); },
       {[](OV_IMAGE i, const OV_RECT* r) { return IG_FX_diffuse(i, r, 0); },
        [](OV_IMAGE i, const OV_RECT* r) { return IG_FX_diffuse(i, r, 17); }},
       {[](OV_IMAGE i, const OV_RECT* r) { return IG_FX_diffuse(i, r, 1); },
        [](OV_IMAGE i, const OV_RECT* r) { return IG_FX_diffuse(i, r, 16); }},
       false},
      {"emboss",
       [](OV_IMAGE i, const OV_RECT* r) { return IG_FX_emboss(i, r, 2.0, 4); },
       {[](OV_IMAGE i, const OV_RECT* r) { return IG_FX_emboss(i, r, 0.99, 4); },
        [](OV_IMAGE i, const OV_RECT* r) { return IG_FX_emboss(i, r, 5.01, 4); },
        [=](OV_IMAGE i, const OV_RECT* r) { return IG_FX_emboss(i, r, kNaN, 4); },
        [](OV_IMAGE i, const OV_RECT* r) { return IG_FX_emboss(i, r, 2.0, 0); },
        [](OV_IMAGE i, const OV_RECT* r) { return IG_FX_emboss(i, r, 2.0, 9); }},
       {[](OV_IMAGE i, const OV_RECT* r) { return IG_FX_emboss(i, r, 1.0, 1); },
        [](OV_IMAGE i, const OV_RECT* r) { return IG_FX_emboss(i, r, 5.0, 8); }},
       false},
      {"twist",
       [](OV_IMAGE i, const OV_RECT* r) { return IG_FX_twist(i, r, 1, 2); },
       {[](OV_IMAGE i, const OV_RECT* r) { return IG_FX_twist(i, r, 0, 2); },
        [](OV_IMAGE i, const OV_RECT* r) { return IG_FX_twist(i, r, 5, 2); },
        [](OV_IMAGE i, const OV_RECT* r) { return IG_FX_twist(i, r, 1, 1); },
        [](OV_IMAGE i, const OV_RECT* r) { return IG_FX_twist(i, r, 1, 51); }},
       {[](OV_IMAGE i, const OV_RECT* r) { return IG_FX_twist(i, r, 1, 2); },
        [](OV_IMAGE i, const OV_RECT* r) { return IG_FX_twist(i, r, 4, 50); },
        [](OV_IMAGE i, const OV_RECT* r) { return IG_FX_twist(i, r, 4, 2); },
        [](OV_IMAGE i, const OV_RECT* r) { return IG_FX_twist(i, r, 3, 50); }},
       true},
      {"posterize",
       [](OV_IMAGE i, const OV_RECT* r) { return IG_FX_posterize(i, r, 3, 7); },
       {[](OV_IMAGE i, const OV_RECT* r) { return IG_FX_posterize(i, r, 0, 7); },
        [](OV_IMAGE i, const OV_RECT* r) { return IG_FX_posterize(i, r, 256, 7); },
        [](OV_IMAGE i, const OV_RECT* r) { return IG_FX_posterize(i, r, 3, 0); },
        [](OV_IMAGE i, const OV_RECT* r) { return IG_FX_posterize(i, r, 3, 8); }},
       {[](OV_IMAGE i, const OV_RECT* r) { return IG_FX_posterize(i, r, 1, 1); },
        [](OV_IMAGE i, const OV_RECT* r) { return IG_FX_posterize(i, r, 255, 7); }},
       false},
      {"motion",
       [](OV_IMAGE i, const OV_RECT* r) { return IG_FX_motion(i, r, 5, 3); },
       {[](OV_IMAGE i, const OV_RECT* r) { return IG_FX_motion(i, r, 1, 3); },
        [](OV_IMAGE i, const OV_RECT* r) { return IG_FX_motion(i, r, 23, 3); },
        [](OV_IMAGE i, const OV_RECT* r) { return IG_FX_motion(i, r, 5, 0); },
        [](OV_IMAGE i, const OV_RECT* r) { return IG_FX_motion(i, r, 5, 9); }},
       {[](OV_IMAGE i, const OV_RECT* r) { return IG_FX_motion(i, r, 2, 1); },
        [](OV_IMAGE i, const OV_RECT* r) { return IG_FX_motion(i, r, 22, 8); },
        [](OV_IMAGE i, const OV_RECT* r) { return IG_FX_motion(i, r, 22, 4); }},
       false},
  };
  return calls;
}

}  // namespace

TEST(EffectRules, NothingChangesOutsideTheRectangle) {
  const int w = 20, h = 16;
  // Inside, hanging over the top-left corner (clipped), a single pixel (which a twist or a
  // diffuse cannot change).
  for (const EffectCall& c : effectCalls())
    for (int bpp : c.any_depth ? std::vector<int>{1, 4, 8, 24} : std::vector<int>{8, 24})
      for (const OV_RECT r : {OV_RECT{5, 4, 13, 10}, OV_RECT{-3, -2, 6, 5}, OV_RECT{9, 9, 9, 9}}) {
        SCOPED_TRACE(std::string(c.name) + ", " + std::to_string(bpp) + " bits, rect " +
                     std::to_string(r.left) + "," + std::to_string(r.top));
        ScopedImage image(makeFrom(w, h, bpp, [bpp](int x, int y) {
          return bpp < 8 ? patternValue(x, y, bpp) : busyAt(x, y, bpp);
        }));
        const Pixels before = pixelsOf(image.get());
        ASSERT_EQ(c.run(image.get(), &r), 0);
        const Pixels out = pixelsOf(image.get());
        int changed = 0;
        for (int y = 0; y < h; ++y)
          for (int x = 0; x < w; ++x) {
            const bool inside = x >= r.left && x <= r.right && y >= r.top && y <= r.bottom;
            if (!inside) {
              ASSERT_EQ(out.at(x, y), before.at(x, y)) << "at " << x << "," << y;
            }
            changed += out.at(x, y) != before.at(x, y);
          }
        if (r.right > r.left) {
          EXPECT_GT(changed, 0);
        }
      }
}

TEST(EffectRules, ErrorsLeaveTheImageAlone) {
  for (const EffectCall& c : effectCalls()) {
    SCOPED_TRACE(c.name);
    ScopedImage image(makeBusy(12, 10, 24));
    const auto before = rawBytes(image.get());
    for (const OV_RECT r : {OV_RECT{5, 5, 2, 8}, OV_RECT{5, 5, 8, 2}, OV_RECT{12, 0, 20, 5},
                            OV_RECT{0, 10, 5, 20}, OV_RECT{-9, -9, -1, -1}})
      expectError(c.run(image.get(), &r), IGE_INVALID_RECTANGLE);
    for (const Call& bad : c.bad_arguments)
      expectError(bad(image.get(), nullptr), IGE_INVALID_ARGUMENT);
    EXPECT_EQ(rawBytes(image.get()), before);
    expectError(c.run(0, nullptr), IGE_INVALID_IMAGE);
    // Noise and posterize work on palette images through their colours.
    if (c.any_depth || std::string(c.name) == "noise" || std::string(c.name) == "posterize")
      continue;
    // 1 and 4 bits, and 8 bits whose palette is not a grey ramp.
    for (int bpp : {1, 4, 8}) {
      ScopedImage other(makeBusy(12, 10, bpp));
      if (bpp == 8) {
        const OV_RGB red{200, 0, 0};
        IG_palette_entry_set(other.get(), &red, 3);
      }
      const auto other_before = rawBytes(other.get());
      expectError(c.run(other.get(), nullptr), IGE_INVALID_BIT_DEPTH);
      EXPECT_EQ(rawBytes(other.get()), other_before);
    }
  }
}

TEST(EffectRules, ArgumentBoundsOnTinyAndOrdinaryImages) {
  struct Shape {
    int w, h;
  };
  for (const EffectCall& c : effectCalls())
    for (const Call& run : c.bounds)
      for (int bpp : c.any_depth ? std::vector<int>{1, 4, 8, 24} : std::vector<int>{8, 24})
        for (const Shape s : {Shape{1, 1}, Shape{1, 7}, Shape{7, 1}, Shape{2, 2}, Shape{53, 51}}) {
          SCOPED_TRACE(std::string(c.name) + " " + std::to_string(s.w) + "x" + std::to_string(s.h) +
                       "x" + std::to_string(bpp));
          ScopedImage image(makeBusy(s.w, s.h, bpp));
          EXPECT_EQ(run(image.get(), nullptr), 0);
          EXPECT_EQ(pixelsOf(image.get()).v.size(), static_cast<size_t>(s.w * s.h));
        }
}

TEST(EffectRules, ProgressRunsItsCourseAndCancelChangesNothing) {
  ProgressScript progress;
  for (const EffectCall& c : effectCalls()) {
    SCOPED_TRACE(c.name);
    ScopedImage image(makeBusy(30, 40, 24));
    const auto before = rawBytes(image.get());
    progress.reset(3);
    expectError(c.run(image.get(), nullptr), IGE_CANCELLED);
    EXPECT_EQ(progress.calls(), 3);
    EXPECT_EQ(rawBytes(image.get()), before);
    progress.reset();
    ASSERT_EQ(c.run(image.get(), nullptr), 0);
    EXPECT_GT(progress.total(), 1);
    EXPECT_EQ(progress.calls(), progress.total());
    EXPECT_NE(rawBytes(image.get()), before);
  }
}
