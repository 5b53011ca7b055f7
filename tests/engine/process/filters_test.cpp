// Smooth, sharpen and median: known kernels on impulse and step images, mirroring at the
// image edge, the median against a plain sort of the neighbourhood, and for every call the
// rectangle, argument, depth and cancel rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
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

// ---- Smooth ---------------------------------------------------------------------------------

TEST(FilterSmooth, ImpulseGivesTheKernel) {
  // One pass: 255 * (1 2 1)x(1 2 1) / 16 rounded; two passes: the first gives exactly
  // 16 * kernel, so the second gives the 5 x 5 binomial (1 4 6 4 1)x(1 4 6 4 1) itself.
  struct Case {
    int factor;
    std::vector<int> weights;  // by distance from the impulse along one axis
    int scale, divisor;
  };
  for (const Case& c : {Case{1, {2, 1}, 255, 16}, Case{2, {6, 4, 1}, 1, 1}})
    for (int bpp : kFilterDepths) {
      SCOPED_TRACE("factor " + std::to_string(c.factor) + ", " + std::to_string(bpp) + " bits");
      ScopedImage image(
          makeGrey(9, 9, bpp, [](int x, int y) { return x == 4 && y == 4 ? 255 : 0; }));
      ASSERT_EQ(IG_IP_smooth(image.get(), nullptr, c.factor), 0);
      const int reach = static_cast<int>(c.weights.size()) - 1;
      expectGreys(image.get(), [&](int x, int y) {
        const int dx = std::abs(x - 4), dy = std::abs(y - 4);
        if (dx > reach || dy > reach) return 0;
        const int w = c.weights[dx] * c.weights[dy] * c.scale;
        return (2 * w + c.divisor) / (2 * c.divisor);
      });
    }
}

TEST(FilterSmooth, StepAndImageEdgeMirroring) {
  for (int bpp : kFilterDepths) {
    SCOPED_TRACE(bpp);
    // A vertical step 0 | 200 between columns 2 and 3: (0 + 0 + 200) / 4 and
    // (0 + 400 + 200) / 4 either side of it.
    ScopedImage step(makeGrey(6, 4, bpp, [](int x, int) { return x < 3 ? 0 : 200; }));
    ASSERT_EQ(IG_IP_smooth(step.get(), nullptr, 1), 0);
    expectGreys(step.get(), [](int x, int) {
      return x < 2 ? 0 : x == 2 ? 50 : x == 3 ? 150 : 200;
    });
    // An impulse in the corner is mirrored with the edge pixel repeated: the corner sees it
    // with weights 4 + 2 + 2 + 1, its neighbours with 2 + 1.
    ScopedImage corner(makeGrey(5, 5, bpp, [](int x, int y) { return x + y == 0 ? 255 : 0; }));
    ASSERT_EQ(IG_IP_smooth(corner.get(), nullptr, 1), 0);
    expectGreys(corner.get(), [](int x, int y) {
      const int weight[2][2] = {{9, 3}, {3, 1}};
      return x < 2 && y < 2 ? (2 * 255 * weight[y][x] + 16) / 32 : 0;
    });
  }
}

// ---- Sharpen --------------------------------------------------------------------------------

TEST(FilterSharpen, ImpulseGrowsWithTheFactor) {
  // 140 on 100: the centre gets 140 + (f / 2) * 40, each neighbour 100 - (f / 2) * 5
  // (halves up).
  const int centre[] = {160, 180, 200, 220, 240};
  const int neighbour[] = {98, 95, 93, 90, 88};
  for (int f = 1; f <= 5; ++f)
    for (int bpp : kFilterDepths) {
      SCOPED_TRACE("factor " + std::to_string(f) + ", " + std::to_string(bpp) + " bits");
      ScopedImage image(
          makeGrey(7, 6, bpp, [](int x, int y) { return x == 3 && y == 2 ? 140 : 100; }));
      ASSERT_EQ(IG_IP_sharpen(image.get(), nullptr, f), 0);
      expectGreys(image.get(), [&](int x, int y) {
        const int dx = std::abs(x - 3), dy = std::abs(y - 2);
        return dx + dy == 0 ? centre[f - 1] : dx <= 1 && dy <= 1 ? neighbour[f - 1] : 100;
      });
    }
}

TEST(FilterSharpen, ClampsAndKeepsFlatAreas) {
  for (int bpp : kFilterDepths) {
    SCOPED_TRACE(bpp);
    ScopedImage image(makeGrey(5, 5, bpp, [](int x, int y) { return x == 2 && y == 2 ? 255 : 0; }));
    ASSERT_EQ(IG_IP_sharpen(image.get(), nullptr, 5), 0);
    expectGreys(image.get(), [](int x, int y) { return x == 2 && y == 2 ? 255 : 0; });
    ScopedImage flat(makeGrey(4, 3, bpp, [](int, int) { return 77; }));
    ASSERT_EQ(IG_IP_sharpen(flat.get(), nullptr, 3), 0);
    expectGreys(flat.get(), [](int, int) { return 77; });
  }
}

// ---- Median ---------------------------------------------------------------------------------

TEST(FilterMedian, RemovesAnImpulseAndKeepsAStepAtEverySize) {
  for (int w = 1; w <= 10; ++w)
    for (int h = 1; h <= 10; ++h)
      for (int bpp : kFilterDepths) {
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h) + ", " + std::to_string(bpp));
        // A lone pixel is always in the minority, except in a 1 x 1 window.
        ScopedImage impulse(
            makeGrey(12, 12, bpp, [](int x, int y) { return x == 5 && y == 6 ? 255 : 90; }));
        ASSERT_EQ(IG_IP_median(impulse.get(), nullptr, w, h), 0);
        const bool kept = w * h == 1;
        expectGreys(impulse.get(),
                    [kept](int x, int y) { return kept && x == 5 && y == 6 ? 255 : 90; });
        // A straight edge has at least half of any window on its own side.
        ScopedImage step(makeGrey(12, 12, bpp, [](int x, int) { return x < 6 ? 10 : 200; }));
        ASSERT_EQ(IG_IP_median(step.get(), nullptr, w, h), 0);
        expectGreys(step.get(), [](int x, int) { return x < 6 ? 10 : 200; });
      }
}

TEST(FilterMedian, MatchesASortOfTheMirroredNeighbourhood) {
  struct Size {
    int w, h;
  };
  const int iw = 13, ih = 9;
  const OV_RECT rect{1, 2, 11, 8};
  // Edge pixel repeated: -1 -> 0, n -> n - 1.
  auto fold = [](int i, int n) { return i < 0 ? -1 - i : i >= n ? 2 * n - 1 - i : i; };
  for (const Size s :
       {Size{3, 3}, Size{2, 5}, Size{5, 2}, Size{4, 4}, Size{1, 3}, Size{7, 6}, Size{10, 10}})
    for (int bpp : kFilterDepths) {
      SCOPED_TRACE(std::to_string(s.w) + "x" + std::to_string(s.h) + ", " + std::to_string(bpp));
      ScopedImage image(makeBusy(iw, ih, bpp));
      ASSERT_EQ(IG_IP_median(image.get(), &rect, s.w, s.h), 0);
      const Pixels out = pixelsOf(image.get());
      for (int y = 0; y < ih; ++y)
        for (int x = 0; x < iw; ++x) {
          const bool inside =
              x >= rect.left && x <= rect.right && y >= rect.top && y <= rect.bottom;
          uint32_t expected = busyAt(x, y, bpp);
          if (inside) {
            expected = 0;
            for (int shift = 0; shift < (bpp == 24 ? 24 : 8); shift += 8) {
              std::vector<uint32_t> values;
              for (int dy = -(s.h - 1) / 2; dy <= s.h / 2; ++dy)
                for (int dx = -(s.w - 1) / 2; dx <= s.w / 2; ++dx)
                  values.push_back(busyAt(fold(x + dx, iw), fold(y + dy, ih), bpp) >> shift & 0xFF);
              std::sort(values.begin(), values.end());
              expected |= values[(values.size() - 1) / 2] << shift;
            }
          }
          ASSERT_EQ(out.at(x, y), expected) << "at " << x << "," << y;
        }
    }
}

// ---- Rules every filter call follows --------------------------------------------------------

namespace {

using Call = std::function<OV_ERRCOUNT(OV_IMAGE, const OV_RECT*)>;

struct FilterCall {
  const char* name;
  Call run;  // with good arguments
  std::vector<Call> bad_arguments;
  std::vector<Call> bounds;  // the least and the most of every argument
};

const std::vector<FilterCall>& filterCalls() {
  static const std::vector<FilterCall> calls = {
      {"smooth",
       [](OV_IMAGE i, const OV_RECT* r) { return IG_IP_smooth(i, r, 2); },
       {[](OV_IMAGE i, const OV_RECT* r) { return IG_IP_smooth(i, r, 0); },
        [](OV_IMAGE i, const OV_RECT* r) { return IG_IP_smooth(i, r, 5); },
        [](OV_IMAGE i, const OV_RECT* r) { return IG_IP_smooth(i, r, -1); }},
       {[](OV_IMAGE i, const OV_RECT* r) { return IG_IP_smooth(i, r, 1); },
        [](OV_IMAGE i, const OV_RECT* r) { return IG_IP_smooth(i, r, 4); }}},
      {"sharpen",
       [](OV_IMAGE i, const OV_RECT* r) { return IG_IP_sharpen(i, r, 3); },
       {[](OV_IMAGE i, const OV_RECT* r) { return IG_IP_sharpen(i, r, 0); },
        [](OV_IMAGE i, const OV_RECT* r) { return IG_IP_sharpen(i, r, 6); }},
       {[](OV_IMAGE i, const OV_RECT* r) { return IG_IP_sharpen(i, r, 1); },
        [](OV_IMAGE i, const OV_RECT* r) { return IG_IP_sharpen(i, r, 5); }}},
      {"median",
       [](OV_IMAGE i, const OV_RECT* r) { return IG_IP_median(i, r, 3, 3); },
       {[](OV_IMAGE i, const OV_RECT* r) { return IG_IP_median(i, r, 0, 3); },
        [](OV_IMAGE i, const OV_RECT* r) { return IG_IP_median(i, r, 3, 0); },
        [](OV_IMAGE i, const OV_RECT* r) { return IG_IP_median(i, r, 11, 3); },
        [](OV_IMAGE i, const OV_RECT* r) { return IG_IP_median(i, r, 3, 11); }},
       {[](OV_IMAGE i, const OV_RECT* r) { return IG_IP_median(i, r, 1, 1); },
        [](OV_IMAGE i, const OV_RECT* r) { return IG_IP_median(i, r, 10, 10); },
        [](OV_IMAGE i, const OV_RECT* r) { return IG_IP_median(i, r, 1, 10); },
        [](OV_IMAGE i, const OV_RECT* r) { return IG_IP_median(i, r, 10, 2); }}},
  };
  return calls;
}

}  // namespace

TEST(FilterRules, NothingChangesOutsideTheRectangle) {
  const int w = 20, h = 16;
  // Inside, hanging over the top-left corner (clipped), a single pixel.
  for (const FilterCall& c : filterCalls())
    for (int bpp : kFilterDepths)
      for (const OV_RECT r : {OV_RECT{5, 4, 13, 10}, OV_RECT{-3, -2, 6, 5}, OV_RECT{9, 9, 9, 9}}) {
        SCOPED_TRACE(std::string(c.name) + ", " + std::to_string(bpp) + " bits, rect " +
                     std::to_string(r.left) + "," + std::to_string(r.top));
        ScopedImage image(makeBusy(w, h, bpp));
        ASSERT_EQ(c.run(image.get(), &r), 0);
        const Pixels out = pixelsOf(image.get());
        int changed = 0;
        for (int y = 0; y < h; ++y)
          for (int x = 0; x < w; ++x) {
            const bool inside = x >= r.left && x <= r.right && y >= r.top && y <= r.bottom;
            if (!inside) {
              ASSERT_EQ(out.at(x, y), busyAt(x, y, bpp)) << "at " << x << "," << y;
            }
            changed += out.at(x, y) != busyAt(x, y, bpp);
          }
        EXPECT_GT(changed, 0);
      }
}

TEST(FilterRules, ErrorsLeaveTheImageAlone) {
  for (const FilterCall& c : filterCalls()) {
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
    if (std::string(c.name) == "median") continue;  // works on palette images' colours
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

TEST(FilterRules, ArgumentBoundsOnTinyAndOrdinaryImages) {
  struct Shape {
    int w, h;
  };
  for (const FilterCall& c : filterCalls())
    for (const Call& run : c.bounds)
      for (int bpp : kFilterDepths)
        for (const Shape s : {Shape{1, 1}, Shape{1, 7}, Shape{7, 1}, Shape{2, 2}, Shape{23, 17}}) {
          SCOPED_TRACE(std::string(c.name) + " " + std::to_string(s.w) + "x" + std::to_string(s.h));
          ScopedImage image(makeBusy(s.w, s.h, bpp));
          EXPECT_EQ(run(image.get(), nullptr), 0);
          EXPECT_EQ(pixelsOf(image.get()).v.size(), static_cast<size_t>(s.w * s.h));
        }
}

TEST(FilterRules, ProgressRunsItsCourseAndCancelChangesNothing) {
  ProgressScript progress;
  for (const FilterCall& c : filterCalls()) {
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
