// Red-eye removal on small pictures with hand-computed results.
#include <gtest/gtest.h>

#include "rasterfx32/rasterfx32.h"
#include "rfx_test_images.h"
#include "test_images.h"

using namespace rfxtest;
using ovtest::ScopedImage;

namespace {

void resetSettings() {
  const int32_t t = 36, k = 27;
  const uint8_t off = 0;
  RFX_REDEYE_caps_set(2, &t);
  RFX_REDEYE_caps_set(3, &k);
  RFX_REDEYE_caps_set(4, &off);
  RFX_REDEYE_caps_set(7, &off);
}

}  // namespace

TEST(RedEye, PureRedPupilLosesItsRedAndGreyStaysGrey) {
  resetSettings();
  ScopedImage image(solid(20, 20, {128, 128, 128}));
  for (int y = 8; y <= 11; ++y)
    for (int x = 8; x <= 11; ++x) setPixel(image.get(), x, y, {0, 0, 200});
  const OV_RECT r{0, 0, 19, 19};
  ASSERT_EQ(RFX_REDEYE_remove_rect(0, &r, image.get(), nullptr, 0), 0);
  for (int y = 8; y <= 11; ++y)
    for (int x = 8; x <= 11; ++x) EXPECT_EQ(pixel(image.get(), x, y), (Bgr{0, 0, 0}));
  // Grey pixels inside the repaired ellipse keep their value: red is only lowered to min(g, b).
  EXPECT_EQ(pixel(image.get(), 7, 9), (Bgr{128, 128, 128}));
  EXPECT_EQ(pixel(image.get(), 0, 0), (Bgr{128, 128, 128}));

  ScopedImage grey(solid(6, 6, {90, 90, 90}));
  const int32_t t = 100;
  RFX_REDEYE_caps_set(2, &t);
  const OV_RECT g{0, 0, 5, 5};
  EXPECT_EQ(RFX_REDEYE_remove_rect(0, &g, grey.get(), nullptr, 0), 0);
  EXPECT_EQ(ovtest::differingPixels(grey.get(), ScopedImage(solid(6, 6, {90, 90, 90})).get()), 0);
}

TEST(RedEye, EnlargingRaisesTheThresholdForOneRemovalOnly) {
  // Ratio (g + b) / 2 / r = 0.4: not red at 36 %, red at 36 + ceil(36 * 0.25) = 45 %.
  const Bgr pinkish{40, 40, 100};
  for (bool enlarge : {false, true}) {
    resetSettings();
    ScopedImage image(solid(12, 12, {200, 200, 200}));
    for (int y = 5; y <= 7; ++y)
      for (int x = 5; x <= 7; ++x) setPixel(image.get(), x, y, pinkish);
    const uint8_t on = enlarge;
    RFX_REDEYE_caps_set(7, &on);
    const OV_RECT r{0, 0, 11, 11};
    ASSERT_EQ(RFX_REDEYE_remove_rect(0, &r, image.get(), nullptr, 0), 0);
    EXPECT_EQ(pixel(image.get(), 6, 6), enlarge ? (Bgr{40, 40, 40}) : pinkish);
  }
}

TEST(RedEye, EllipseModeRepairsTheInscribedEllipseAndNothingBelowFiveByFive) {
  resetSettings();
  const uint8_t on = 1;
  RFX_REDEYE_caps_set(6, &on);
  uint8_t mode = 0;
  ASSERT_EQ(RFX_REDEYE_caps_get(4, &mode), 0);
  EXPECT_EQ(mode, 1);
  ScopedImage small(solid(3, 3, {10, 20, 250}));
  const OV_RECT s{0, 0, 2, 2};
  EXPECT_EQ(RFX_REDEYE_remove_rect(0, &s, small.get(), nullptr, 0), 0);
  EXPECT_EQ(pixel(small.get(), 1, 1), (Bgr{10, 20, 250}));

  // 6 x 6: a circle of radius 2 around (3, 3), filled; corners untouched.
  ScopedImage image(solid(6, 6, {10, 20, 250}));
  const OV_RECT r{0, 0, 5, 5};
  ASSERT_EQ(RFX_REDEYE_remove_rect(0, &r, image.get(), nullptr, 0), 0);
  const char* expected[] = {"......", "..###.", ".#####", ".#####", ".#####", "..###."};
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 6; ++x)
      EXPECT_EQ(pixel(image.get(), x, y).r == 10, expected[y][x] == '#') << x << "," << y;
}

TEST(RedEye, TwiceRunsTheSearchAndSwitchesEllipseModeOff) {
  resetSettings();
  const uint8_t on = 1;
  RFX_REDEYE_caps_set(4, &on);
  // A 2 x 2 red region: its box grown by 2 is 6 x 6 and the ellipse inscribed in it is
  // repaired, so red pixels next to the region lose their red too.
  ScopedImage image(solid(12, 12, {0, 200, 200}));
  for (int y = 5; y <= 6; ++y)
    for (int x = 5; x <= 6; ++x) setPixel(image.get(), x, y, {0, 0, 220});
  const OV_RECT r{0, 0, 11, 11};
  ASSERT_EQ(RFX_REDEYE_remove_rect(0, &r, image.get(), nullptr, 1), 0);
  uint8_t mode = 1;
  RFX_REDEYE_caps_get(4, &mode);
  EXPECT_EQ(mode, 0);
  EXPECT_EQ(pixel(image.get(), 5, 5), (Bgr{0, 0, 0}));
  EXPECT_EQ(pixel(image.get(), 4, 5), (Bgr{0, 200, 0}));  // inside the ellipse, not the region
  EXPECT_EQ(pixel(image.get(), 0, 0), (Bgr{0, 200, 200}));
}

TEST(RedEye, SettingsAndBadArguments) {
  resetSettings();
  int32_t v = 0;
  EXPECT_EQ(RFX_REDEYE_caps_get(2, &v), 0);
  EXPECT_EQ(v, 36);
  EXPECT_EQ(RFX_REDEYE_caps_get(3, &v), 0);
  EXPECT_EQ(v, 27);
  EXPECT_EQ(RFX_REDEYE_caps_set(5, &v), -1);
  EXPECT_EQ(RFX_REDEYE_caps_get(7, &v), -1);
  ScopedImage image(solid(4, 4, {0, 0, 255}));
  EXPECT_EQ(RFX_REDEYE_remove_rect(0, nullptr, image.get(), nullptr, 0), 1);
  const OV_RECT outside{10, 10, 12, 12};
  EXPECT_GE(RFX_REDEYE_remove_rect(0, &outside, image.get(), nullptr, 0), 1);
  EXPECT_GE(RFX_REDEYE_remove_rect(0, &outside, 0, nullptr, 0), 1);
  EXPECT_EQ(pixel(image.get(), 0, 0), (Bgr{0, 0, 255}));
}
