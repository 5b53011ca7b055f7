// Shape masks and fades on small areas.
#include <gtest/gtest.h>

#include "rasterfx32/rasterfx32.h"
#include "rfx_test_images.h"
#include "test_images.h"

using namespace rfxtest;
using ovtest::ScopedImage;

namespace {

RFX_SHAPE shape(int type, int edge, bool fade = false) {
  RFX_SHAPE s{};
  s.type = type;
  s.edge = edge;
  s.fade = fade;
  s.colour = 0x000000FF;  // red
  return s;
}

const Bgr kGrey{100, 100, 100}, kRed{0, 0, 255};

}  // namespace

TEST(ShapeMask, RectangleWithSmallEdgesAndUnknownTypesPaintNothing) {
  for (const RFX_SHAPE s : {shape(1, 0), shape(1, 1), shape(0, 5), shape(14, 5)}) {
    ScopedImage image(solid(12, 10, kGrey));
    EXPECT_EQ(VORN_ShapeMask_apply(image.get(), nullptr, &s), 0);
    EXPECT_EQ(ovtest::differingPixels(image.get(), ScopedImage(solid(12, 10, kGrey)).get()), 0)
        << s.type << " " << s.edge;
  }
}

TEST(ShapeMask, RectangleEdgePaintsTheBorderOnly) {
  ScopedImage image(solid(12, 10, kGrey));
  const RFX_SHAPE s = shape(1, 3);
  ASSERT_EQ(VORN_ShapeMask_apply(image.get(), nullptr, &s), 0);
  // The region is (2, 2) to (10, 8), right and bottom excluded.
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 12; ++x)
      EXPECT_EQ(pixel(image.get(), x, y), (x >= 2 && x < 10 && y >= 2 && y < 8) ? kGrey : kRed)
          << x << "," << y;
}

TEST(ShapeMask, FadeFallsByTenPercentPerRing) {
  ScopedImage image(solid(100, 100, {0, 0, 0}));
  RFX_SHAPE s = shape(1, 10, true);
  s.colour = 0x00C8C8C8;  // grey 200 over black: the fade percent shows as 2 x the value
  ASSERT_EQ(VORN_ShapeMask_apply(image.get(), nullptr, &s), 0);
  // Along the middle row: ring i holds 100 - 10 i percent; the ring next to the shape 20 %.
  const uint8_t expected[] = {200, 180, 160, 140, 120, 100, 80, 60, 40, 0};
  for (int x = 0; x < 10; ++x) EXPECT_EQ(pixel(image.get(), x, 50).g, expected[x]) << x;
  EXPECT_EQ(pixel(image.get(), 50, 50).g, 0);
}

TEST(ShapeMask, StarPointsUpAndCirclesStayInside) {
  ScopedImage image(solid(41, 41, kGrey));
  const RFX_SHAPE star = shape(12, 0);
  ASSERT_EQ(VORN_ShapeMask_apply(image.get(), nullptr, &star), 0);
  EXPECT_EQ(pixel(image.get(), 20, 2), kGrey);   // the top point
  EXPECT_EQ(pixel(image.get(), 20, 38), kRed);   // between the two lower points
  EXPECT_EQ(pixel(image.get(), 20, 20), kGrey);  // the middle
  EXPECT_EQ(pixel(image.get(), 0, 0), kRed);

  ScopedImage circle(solid(30, 20, kGrey));
  const RFX_SHAPE c = shape(5, 2);
  ASSERT_EQ(VORN_ShapeMask_apply(circle.get(), nullptr, &c), 0);
  EXPECT_EQ(pixel(circle.get(), 15, 10), kGrey);
  EXPECT_EQ(pixel(circle.get(), 4, 10), kRed);  // left of the centred square
  EXPECT_EQ(pixel(circle.get(), 15, 0), kRed);
}

TEST(ShapeMask, RectangleArgumentLimitsThePaint) {
  ScopedImage image(solid(20, 20, kGrey));
  const RFX_SHAPE s = shape(1, 2);
  const OV_RECT r{5, 5, 14, 14};
  ASSERT_EQ(VORN_ShapeMask_apply(image.get(), &r, &s), 0);
  EXPECT_EQ(pixel(image.get(), 5, 5), kRed);
  EXPECT_EQ(pixel(image.get(), 10, 10), kGrey);
  EXPECT_EQ(pixel(image.get(), 2, 2), kGrey);
  EXPECT_EQ(VORN_ShapeMask_apply(image.get(), nullptr, nullptr), -1);
  EXPECT_GE(VORN_ShapeMask_apply(0, nullptr, &s), 1);
}
