// Resampling: hand-worked cases and a column-by-column reference of the two-pass algorithm,
// which the library's row-by-row vertical pass must match bit for bit.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>
#include <numbers>
#include <vector>

#include "rasterfx32/rasterfx32.h"
#include "rfx_test_images.h"
#include "test_images.h"

using namespace rfxtest;
using ovtest::ScopedImage;

namespace {

double kernel(uint32_t filter, double x, double& support) {
  const double a = std::fabs(x);
  auto sinc = [](double t) { return t == 0 ? 1.0 : std::sin(std::numbers::pi * t) / (std::numbers::pi * t); };
  switch (filter) {
    case 0: support = 0.5; return x > -0.5 && x <= 0.5 ? 1 : 0;
    case 1: support = 1; return a < 1 ? 1 - a : 0;
    case 2: support = 1; return a < 1 ? (2 * a - 3) * a * a + 1 : 0;
    case 3: support = 1.5; return a < 0.5 ? 0.75 - a * a : a < 1.5 ? 0.5 * (a - 1.5) * (a - 1.5) : 0;
    case 5: support = 3; return a < 3 ? sinc(a) * sinc(a / 3) : 0;
    case 6:
      support = 2;
      if (a < 1) return (7 * a * a * a - 12 * a * a + 16.0 / 3) / 6;
      if (a < 2) return (-(7.0 / 3) * a * a * a + 12 * a * a - 20 * a + 32.0 / 3) / 6;
      return 0;
    default:
      support = 2;
      if (a < 1) return a * a * a / 2 - a * a + 2.0 / 3;
      if (a < 2) return (2 - a) * (2 - a) * (2 - a) / 6;
      return 0;
  }
}

struct Contribution {
  int n;
  double w;
};

// The contributor lists exactly as the algorithm states them (sources of at least 2 pixels
// and destinations of at least 2).
std::vector<std::vector<Contribution>> lists(int out, int in, uint32_t filter) {
  double s = 0;
  kernel(filter, 0, s);
  const double scale = in == 1 ? out : static_cast<double>(out - 1) / (in - 1);
  std::vector<std::vector<Contribution>> all(out);
  for (int i = 0; i < out; ++i) {
    const double centre = i / scale;
    const double width = scale < 1 ? s / scale : s, fscale = 1 / scale;
    for (int j = static_cast<int>(std::ceil(centre - width)); j <= static_cast<int>(std::floor(centre + width)); ++j) {
      double unused = 0;
      const double w = scale < 1 ? kernel(filter, (centre - j) / fscale, unused) / fscale
                                 : kernel(filter, centre - j, unused);
      const int n = j < 0 ? -j : j >= in ? 2 * in - j - 1 : j;
      all[i].push_back({n, w});
    }
  }
  return all;
}

uint8_t clampTruncate(double v) { return static_cast<uint8_t>(v <= 0 ? 0 : v >= 255 ? 255 : v); }

std::vector<uint8_t> reference(const std::vector<uint8_t>& src, int w, int h, int W, int H, uint32_t filter) {
  std::vector<uint8_t> temp(static_cast<size_t>(W) * h * 3), out(static_cast<size_t>(W) * H * 3);
  const auto cx = lists(W, w, filter), cy = lists(H, h, filter);
  for (int y = 0; y < h; ++y)
    for (int i = 0; i < W; ++i)
      for (int c = 0; c < 3; ++c) {
        double sum = 0;
        for (const auto& k : cx[i]) sum += k.w * src[(static_cast<size_t>(y) * w + k.n) * 3 + c];
        temp[(static_cast<size_t>(y) * W + i) * 3 + c] = clampTruncate(sum);
      }
  for (int x = 0; x < W; ++x)  // column by column, as written
    for (int i = 0; i < H; ++i)
      for (int c = 0; c < 3; ++c) {
        double sum = 0;
        for (const auto& k : cy[i]) sum += k.w * temp[(static_cast<size_t>(k.n) * W + x) * 3 + c];
        out[(static_cast<size_t>(i) * W + x) * 3 + c] = clampTruncate(sum);
      }
  return out;
}

}  // namespace

TEST(Resample, MatchesTheTwoPassAlgorithmBitForBit) {
  const struct {
    int w, h, W, H;
  } kSizes[] = {{37, 23, 18, 11}, {37, 23, 80, 50}, {40, 30, 40, 30}, {9, 7, 31, 4}, {64, 48, 7, 9}};
  for (uint32_t filter : {0u, 1u, 2u, 3u, 4u, 5u, 6u}) {
    for (const auto& s : kSizes) {
      ScopedImage image(ovtest::makeImage(s.w, s.h, 24));
      const auto src = bytes(image.get());
      OV_IMAGE handle = image.get();
      ASSERT_EQ(RFX_image_resample(&handle, s.W, s.H, filter), 0);
      ScopedImage result(handle);
      static_cast<void>(image.out());  // the source was deleted by the call
      EXPECT_EQ(bytes(result.get()), reference(src, s.w, s.h, s.W, s.H, filter))
          << "filter " << filter << ", " << s.w << "x" << s.h << " to " << s.W << "x" << s.H;
    }
  }
}

TEST(Resample, HandWorkedCases) {
  // Same size with the nearest filter: unchanged.
  ScopedImage same(ovtest::makeImage(5, 4, 24));
  const auto before = bytes(same.get());
  OV_IMAGE h = same.get();
  ASSERT_EQ(RFX_image_resample(&h, 5, 4, 0), 0);
  ScopedImage same_out(h);
  static_cast<void>(same.out());
  EXPECT_EQ(bytes(same_out.get()), before);

  // 2 x 2 doubled with the bilinear filter: x-scale 3, so output columns 0 and 3 (and rows 0
  // and 3) fall exactly on the sources.
  ScopedImage two(solid(2, 2, {0, 0, 0}));
  const Bgr corners[4] = {{100, 100, 100}, {200, 200, 200}, {10, 20, 30}, {250, 0, 5}};
  for (int i = 0; i < 4; ++i) setPixel(two.get(), i % 2, i / 2, corners[i]);
  h = two.get();
  ASSERT_EQ(RFX_image_resample(&h, 4, 4, 1), 0);
  ScopedImage four(h);
  static_cast<void>(two.out());
  for (int i = 0; i < 4; ++i) EXPECT_EQ(pixel(four.get(), 3 * (i % 2), 3 * (i / 2)), corners[i]) << i;

  // One row: columns 1 and 2 lie a third and two thirds of the way, 133.3 and 166.7 truncated.
  ScopedImage row(solid(2, 1, {100, 100, 100}));
  setPixel(row.get(), 1, 0, {200, 200, 200});
  h = row.get();
  ASSERT_EQ(RFX_image_resample(&h, 4, 1, 1), 0);
  ScopedImage wide(h);
  static_cast<void>(row.out());
  const uint8_t expected[4] = {100, 133, 166, 200};
  for (int x = 0; x < 4; ++x) EXPECT_EQ(pixel(wide.get(), x, 0).g, expected[x]) << x;
}

TEST(Resample, OddSizesFiltersAndFailures) {
  // A one-pixel-wide source scales by the new width; a one-pixel destination is an average.
  // Lanczos weights are not normalised, so a flat picture may come back a little darker.
  for (auto [w, h, W, H] : {std::array{1, 5, 6, 5}, std::array{8, 6, 1, 1}, std::array{8, 6, 8, 1}}) {
    OV_IMAGE handle = solid(w, h, {10, 20, 30});
    ASSERT_EQ(RFX_image_resample(&handle, W, H, 5), 0);
    ScopedImage out(handle);
    EXPECT_EQ(ovtest::shapeOf(out.get()), std::to_string(W) + "x" + std::to_string(H) + "x24");
    EXPECT_NEAR(pixel(out.get(), 0, 0).r, 30, 3);
  }
  // Unknown filter numbers are the cubic B-spline.
  std::vector<uint8_t> results[3];
  const uint32_t filters[3] = {4, 7, 99};
  for (int i = 0; i < 3; ++i) {
    OV_IMAGE handle = ovtest::makeImage(12, 9, 24);
    ASSERT_EQ(RFX_image_resample(&handle, 7, 5, filters[i]), 0);
    results[i] = bytes(handle);
    IG_image_delete(handle);
  }
  EXPECT_EQ(results[0], results[1]);
  EXPECT_EQ(results[0], results[2]);
  // Palette images come back as 24 bits; bad input leaves the source alone.
  OV_IMAGE palette = ovtest::makeImage(6, 6, 4);
  ASSERT_EQ(RFX_image_resample(&palette, 3, 3, 1), 0);
  ScopedImage p(palette);
  EXPECT_EQ(ovtest::shapeOf(p.get()), "3x3x24");
  OV_IMAGE none = 0;
  EXPECT_EQ(RFX_image_resample(&none, 3, 3, 1), 1);
  ScopedImage keep(ovtest::makeImage(6, 6, 24));
  OV_IMAGE k = keep.get();
  EXPECT_NE(RFX_image_resample(&k, 0, 3, 1), 0);
  EXPECT_EQ(k, keep.get());
  EXPECT_TRUE(IG_image_is_valid(keep.get()));
  uint32_t filter = 5;
  EXPECT_EQ(RFX_RESAMPLE_caps_set(1, &filter), 0);
  EXPECT_EQ(RFX_RESAMPLE_caps_set(2, &filter), -1);
}
