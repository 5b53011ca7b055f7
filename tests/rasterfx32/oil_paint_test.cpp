// Oil paint: per-channel neighbourhood modes of the unchanged picture.
#include <gtest/gtest.h>

#include "rasterfx32/rasterfx32.h"
#include "rfx_test_images.h"
#include "test_images.h"

using namespace rfxtest;
using ovtest::ScopedImage;

TEST(OilPaint, SizeOneTakesTheModeOfTheTwoByTwoBlock) {
  PCB_register(nullptr);
  // Blue values by position; green and red are constant.
  const uint8_t blue[3][3] = {{10, 20, 20}, {30, 10, 40}, {50, 50, 60}};
  ScopedImage image(solid(3, 3, {0, 7, 9}));
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 3; ++x) setPixel(image.get(), x, y, {blue[y][x], 7, 9});
  ASSERT_EQ(OilPaintImage(image.get(), nullptr, 1), 0);
  // (0,0): 10 20 / 30 10 -> 10. (1,0): 20 20 / 10 40 -> 20. (2,0): cut to 20 / 40 -> 20 first.
  // (0,1): 30 10 / 50 50 -> 50 reaches 2 first. (1,1): 10 40 / 50 60 -> 10 (first seen).
  // (2,2): the last pixel alone -> 60.
  const uint8_t expected[3][3] = {{10, 20, 20}, {50, 10, 40}, {50, 50, 60}};
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(pixel(image.get(), x, y), (Bgr{expected[y][x], 7, 9})) << x << "," << y;
}

TEST(OilPaint, UniformStaysAndPaletteImagesBecomeTrueColour) {
  ScopedImage uniform(solid(17, 13, {1, 2, 3}));
  const auto before = bytes(uniform.get());
  for (uint32_t size : {1u, 4u, 9u}) {
    ASSERT_EQ(OilPaintImage(uniform.get(), nullptr, size), 0);
    EXPECT_EQ(bytes(uniform.get()), before);
  }
  ScopedImage palette(ovtest::makeImage(8, 8, 8));
  EXPECT_EQ(OilPaintImage(palette.get(), nullptr, 3), 0);
  EXPECT_EQ(ovtest::shapeOf(palette.get()), "8x8x24");
}

TEST(OilPaint, CancelAtTheFirstReportChangesNothing) {
  static std::vector<int32_t> reports;
  reports.clear();
  PCB_register([](int32_t percent) -> int32_t {
    reports.push_back(percent);
    return 0;
  });
  ScopedImage image(ovtest::makeImage(30, 40, 24));
  const auto before = bytes(image.get());
  IG_error_clear();
  EXPECT_EQ(OilPaintImage(image.get(), nullptr, 3), 1);
  // The error list is read first: every engine call empties it.
  char module[32] = {};
  int32_t line = 0, code = 0;
  ASSERT_EQ(IG_error_get(0, module, sizeof module, &line, &code, nullptr, nullptr), 0);
  EXPECT_STREQ(module, "OilPaint");
  EXPECT_EQ(line, 243);
  EXPECT_EQ(code, IGE_CANCELLED);
  EXPECT_EQ(bytes(image.get()), before);
  EXPECT_EQ(reports, (std::vector<int32_t>{25, 0}));  // after row 10 of 40, then 0
  PCB_register(nullptr);
}

TEST(OilPaint, RectangleLimitsTheChangeAndBadHandlesFail) {
  ScopedImage image(ovtest::makeImage(20, 20, 24)), copy(ovtest::makeImage(20, 20, 24));
  const OV_RECT r{5, 5, 9, 9};
  ASSERT_EQ(OilPaintImage(image.get(), &r, 5), 0);
  const auto a = ovtest::coloursOf(image.get()), b = ovtest::coloursOf(copy.get());
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x)
      if (x < 5 || x > 9 || y < 5 || y > 9) {
        EXPECT_TRUE(a[y * 20 + x].r == b[y * 20 + x].r && a[y * 20 + x].g == b[y * 20 + x].g);
      }
  EXPECT_GE(OilPaintImage(0, nullptr, 3), 1);
}
