// Promotion to a greater depth: every pair of depths keeps every colour exactly; the same
// or a lower depth is refused.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "colour_fixtures.h"
#include "ovengine/ov_errors.h"

using namespace colourtest;

namespace {

struct Pair {
  int from;
  int32_t mode;
  int to;
};
const Pair kPairs[] = {{1, 1, 4}, {1, 2, 8}, {1, 3, 24}, {4, 2, 8}, {4, 3, 24}, {8, 3, 24}};

TEST(Promote, KeepsEveryColourForEveryDepthPair) {
  for (const Pair& p : kPairs) {
    SCOPED_TRACE(std::to_string(p.from) + " -> " + std::to_string(p.to));
    // Odd widths leave part bytes at the ends of packed rows.
    ScopedImage image(ovtest::makeImage(13, 5, p.from));
    const std::vector<OV_RGB> before = ovtest::coloursOf(image.get());
    const std::vector<uint8_t> indexes = areaOf(image.get());
    const std::vector<OV_RGB> palette = paletteOf(image.get());
    ASSERT_EQ(IG_IP_color_promote(image.get(), p.mode), 0);
    EXPECT_EQ(bitsOf(image.get()), p.to);
    const std::vector<OV_RGB> after = ovtest::coloursOf(image.get());
    ASSERT_EQ(after.size(), before.size());
    for (size_t i = 0; i < before.size(); ++i) EXPECT_TRUE(same(after[i], before[i])) << i;
    if (p.to <= 8) {
      // The palette is copied, so the indexes stay as they were.
      EXPECT_EQ(areaOf(image.get()), indexes);
      const std::vector<OV_RGB> promoted = paletteOf(image.get());
      for (size_t i = 0; i < palette.size(); ++i) EXPECT_TRUE(same(promoted[i], palette[i])) << i;
    }
  }
}

TEST(Promote, KeepsTheResolution) {
  ScopedImage image(ovtest::makeImage(4, 4, 8));
  ASSERT_EQ(IG_image_resolution_set(image.get(), 300, 1, 150, 1, OV_RES_PER_INCH), 0);
  ASSERT_EQ(IG_IP_color_promote(image.get(), 3), 0);
  int32_t xn = 0, xd = 0, yn = 0, yd = 0, units = 0;
  ASSERT_EQ(IG_image_resolution_get(image.get(), &xn, &xd, &yn, &yd, &units), 0);
  EXPECT_EQ(xn / xd, 300);
  EXPECT_EQ(yn / yd, 150);
}

TEST(Promote, RefusesTheSameOrALowerDepthAndUnknownModes) {
  struct Case {
    int bpp;
    int32_t mode;
  };
  const Case cases[] = {{4, 1}, {8, 1}, {8, 2}, {24, 1}, {24, 2}, {24, 3}, {1, 0}, {1, 4}, {8, -1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.bpp) + " mode " + std::to_string(c.mode));
    ScopedImage image(ovtest::makeImage(5, 3, c.bpp));
    const std::vector<uint8_t> before = snapshot(image.get());
    expectRefused(IG_IP_color_promote(image.get(), c.mode), IGE_INVALID_ARGUMENT, image.get(),
                  before);
  }
}

}  // namespace
