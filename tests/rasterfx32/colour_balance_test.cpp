// Colour balance tables checked on pixels whose expected values are worked out by hand.
#include <gtest/gtest.h>

#include <vector>

#include "rasterfx32/rasterfx32.h"
#include "rfx_test_images.h"
#include "test_images.h"

using namespace rfxtest;
using ovtest::ScopedImage;

namespace {

void resetValues() {
  const double zero = 0;
  for (uint32_t t = 0; t <= 8; ++t) ColorBal_caps_set(t, &zero);
  const int32_t none = 0;
  ColorBal_caps_set(10, &none);
  ColorBal_caps_set(11, &none);
}

// A 1-pixel-high image whose pixel i has every channel at values[i].
OV_IMAGE ramp(const std::vector<uint8_t>& values) {
  const int w = static_cast<int>(values.size());
  OV_IMAGE image = solid(w, 1, {0, 0, 0});
  for (int x = 0; x < w; ++x) setPixel(image, x, 0, {values[x], values[x], values[x]});
  return image;
}

std::vector<uint8_t> channel(OV_IMAGE image, int c) {
  std::vector<uint8_t> out;
  const auto b = bytes(image);
  for (size_t i = c; i < b.size(); i += 3) out.push_back(b[i]);
  return out;
}

}  // namespace

TEST(ColourBalance, CorrectionFollowsTheTables) {
  const struct {
    const char* name;
    uint32_t type;  // 0..8 balance, 10 contrast, 11 brightness
    double value;
    std::vector<uint8_t> in, red, green;
  } kCases[] = {
      {"neutral", 0, 0, {0, 64, 128, 255}, {0, 64, 128, 255}, {0, 64, 128, 255}},
      {"cyan-red shadows +100", 0, 100, {0, 64, 128}, {0, 114, 194}, {0, 64, 128}},
      {"brightness +127", 11, 127, {0, 128, 255}, {127, 191, 255}, {127, 191, 255}},
      {"brightness -127", 11, -127, {0, 128, 255}, {0, 64, 128}, {0, 64, 128}},
      {"contrast 127", 10, 127, {0, 125, 127, 128, 130, 135}, {0, 10, 77, 178, 245, 255},
       {0, 10, 77, 178, 245, 255}},
  };
  for (const auto& c : kCases) {
    resetValues();
    if (c.type <= 8) {
      ColorBal_caps_set(c.type, &c.value);
    } else {
      const int32_t v = static_cast<int32_t>(c.value);
      ColorBal_caps_set(c.type, &v);
    }
    ScopedImage image(ramp(c.in));
    Color_balance_correct(image.get(), nullptr, 0);
    EXPECT_EQ(channel(image.get(), 2), c.red) << c.name;
    EXPECT_EQ(channel(image.get(), 1), c.green) << c.name;
  }
}

TEST(ColourBalance, ContrastBelowMinus126IsMinus126) {
  std::vector<uint8_t> results[2];
  for (int i = 0; i < 2; ++i) {
    resetValues();
    const int32_t contrast = i == 0 ? -127 : -126;
    ColorBal_caps_set(10, &contrast);
    ScopedImage image(ramp({0, 30, 100, 200, 255}));
    Color_balance_correct(image.get(), nullptr, 0);
    results[i] = channel(image.get(), 0);
  }
  EXPECT_EQ(results[0], results[1]);
  EXPECT_NE(results[0], (std::vector<uint8_t>{0, 30, 100, 200, 255}));
}

TEST(ColourBalance, PreviewSetsTheDisplayRemapOnlyAndRepaints) {
  resetValues();
  const double plus = 100;
  ColorBal_caps_set(0, &plus);
  ScopedImage image(ovtest::makeImage(4, 4, 8));
  const auto before = ovtest::coloursOf(image.get());
  struct Counts {
    int invalidated = 0, updated = 0;
  } counts;
  OV_HOST host{};
  host.ctx = &counts;
  host.invalidate = [](void* ctx, OV_HWND, const OV_RECT* r, OV_BOOL erase) {
    if (!r && !erase) ++static_cast<Counts*>(ctx)->invalidated;
  };
  host.update = [](void* ctx, OV_HWND) { ++static_cast<Counts*>(ctx)->updated; };
  IG_host_register(&host);

  EXPECT_EQ(Color_balance_display_update(image.get(), 5, 0), 1);
  uint8_t red[256];
  OV_BOOL on = 0;
  IG_display_LUT_get(image.get(), red, nullptr, nullptr, &on);
  EXPECT_TRUE(on);
  EXPECT_EQ(red[64], 114);
  EXPECT_EQ(ovtest::shapeOf(image.get()), "4x4x8");  // the preview converts nothing
  EXPECT_EQ(Color_balance_display_update(image.get(), 5, 1), 0);
  IG_display_LUT_get(image.get(), nullptr, nullptr, nullptr, &on);
  EXPECT_FALSE(on);
  EXPECT_EQ(counts.invalidated, 2);
  EXPECT_EQ(counts.updated, 2);
  const auto after = ovtest::coloursOf(image.get());
  for (size_t i = 0; i < before.size(); ++i) EXPECT_EQ(after[i].r, before[i].r);

  Color_balance_correct(image.get(), nullptr, 5);  // a palette image becomes 24-bit first
  EXPECT_EQ(ovtest::shapeOf(image.get()), "4x4x24");
  IG_host_register(nullptr);
  EXPECT_EQ(ColorBal_caps_set(12, &plus), -1);
}
