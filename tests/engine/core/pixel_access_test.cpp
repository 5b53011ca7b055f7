#include <gtest/gtest.h>

#include <vector>

#include "test_images.h"

using namespace ovtest;

namespace {

std::vector<uint8_t> area(OV_IMAGE image, const OV_RECT* rect) {
  int32_t size = 0;
  EXPECT_EQ(IG_DIB_area_size_get(image, rect, OV_AREA_FORMAT, &size), 0);
  std::vector<uint8_t> buf(static_cast<size_t>(size));
  EXPECT_EQ(IG_DIB_area_get(image, rect, buf.data(), OV_AREA_FORMAT), 0);
  return buf;
}

}  // namespace

class PixelAccess : public ::testing::TestWithParam<int> {};

TEST_P(PixelAccess, AreaRasterColumnAndPixelAgree) {
  const int bpp = GetParam();
  const int bytes = bpp == 24 ? 3 : 1;
  ScopedImage image(makeImage(11, 7, bpp));
  const std::vector<uint8_t> whole = area(image.get(), nullptr);
  ASSERT_EQ(whole.size(), 11u * 7 * bytes);

  const OV_RECT rect{3, 2, 5, 4};  // inclusive: 3 x 3
  const std::vector<uint8_t> part = area(image.get(), &rect);
  ASSERT_EQ(part.size(), 9u * bytes);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 3 * bytes; ++x)
      EXPECT_EQ(part[y * 3 * bytes + x], whole[(y + 2) * 11 * bytes + 3 * bytes + x]);

  int32_t row_size = 0;
  ASSERT_EQ(IG_DIB_raster_size_get(image.get(), OV_AREA_FORMAT, &row_size), 0);
  ASSERT_EQ(row_size, 11 * bytes);
  std::vector<uint8_t> row(static_cast<size_t>(row_size));
  ASSERT_EQ(IG_DIB_raster_get(image.get(), 6, row.data(), OV_AREA_FORMAT), 0);
  EXPECT_TRUE(std::equal(row.begin(), row.end(), whole.begin() + 6 * 11 * bytes));

  std::vector<uint8_t> column(7 * bytes);
  int32_t count = 0;
  ASSERT_EQ(IG_DIB_column_get(image.get(), 10, 0, 6, column.data(), 7 * bytes, &count), 0);
  EXPECT_EQ(count, 7);
  for (int y = 0; y < 7; ++y)
    for (int b = 0; b < bytes; ++b)
      EXPECT_EQ(column[y * bytes + b], whole[(y * 11 + 10) * bytes + b]);

  uint8_t pixel[3] = {};
  ASSERT_EQ(IG_DIB_pixel_get(image.get(), 4, 5, pixel), 0);
  for (int b = 0; b < bytes; ++b) EXPECT_EQ(pixel[b], whole[(5 * 11 + 4) * bytes + b]);
}

TEST_P(PixelAccess, WritesLandWhereTheyShouldAndNowhereElse) {
  const int bpp = GetParam();
  const int bytes = bpp == 24 ? 3 : 1;
  const uint8_t value = bpp == 1 ? 1 : 5;
  ScopedImage image(makeImage(9, 6, bpp));
  ScopedImage original;
  ASSERT_EQ(IG_image_duplicate(image.get(), original.out()), 0);

  const OV_RECT rect{1, 1, 2, 2};
  std::vector<uint8_t> patch(4 * bytes, value);
  ASSERT_EQ(IG_DIB_area_set(image.get(), &rect, patch.data(), OV_AREA_FORMAT), 0);
  std::vector<uint8_t> row(9 * bytes, value);
  ASSERT_EQ(IG_DIB_raster_set(image.get(), 5, row.data(), OV_AREA_FORMAT), 0);
  std::vector<uint8_t> column(2 * bytes, value);
  ASSERT_EQ(IG_DIB_column_set(image.get(), 8, 0, 1, column.data(), 2 * bytes), 0);
  uint8_t pixel[3] = {value, value, value};
  ASSERT_EQ(IG_DIB_pixel_set(image.get(), 6, 3, pixel), 0);

  const std::vector<uint8_t> before = area(original.get(), nullptr);
  const std::vector<uint8_t> after = area(image.get(), nullptr);
  for (int y = 0; y < 6; ++y) {
    for (int x = 0; x < 9; ++x) {
      const bool written = (x >= 1 && x <= 2 && y >= 1 && y <= 2) || y == 5 ||
                           (x == 8 && y <= 1) || (x == 6 && y == 3);
      for (int b = 0; b < bytes; ++b) {
        const size_t i = (static_cast<size_t>(y) * 9 + x) * bytes + b;
        EXPECT_EQ(after[i], written ? value : before[i]) << "x=" << x << " y=" << y;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Depths, PixelAccess, ::testing::Values(1, 4, 8, 24));

TEST(PixelAccess, RectanglesAreClippedToTheImage) {
  ScopedImage image(makeImage(6, 4, 24));
  const OV_RECT hanging{4, 2, 9, 9};  // only 2 x 2 inside
  int32_t size = 0;
  ASSERT_EQ(IG_DIB_area_size_get(image.get(), &hanging, OV_AREA_FORMAT, &size), 0);
  EXPECT_EQ(size, 2 * 2 * 3);
  const OV_RECT negative{-3, -3, 0, 0};
  ASSERT_EQ(IG_DIB_area_size_get(image.get(), &negative, OV_AREA_FORMAT, &size), 0);
  EXPECT_EQ(size, 3);
  std::vector<uint8_t> buf(3, 0xAB);
  ASSERT_EQ(IG_DIB_area_set(image.get(), &negative, buf.data(), OV_AREA_FORMAT), 0);
  uint8_t px[3];
  IG_DIB_pixel_get(image.get(), 0, 0, px);
  EXPECT_EQ(px[0], 0xAB);
}

TEST(PixelAccess, BadArgumentsAreErrors) {
  ScopedImage image(makeImage(6, 4, 8));
  std::vector<uint8_t> buf(100);
  int32_t size = 0;
  const OV_RECT outside{10, 10, 12, 12};
  const OV_RECT inverted{3, 3, 1, 1};
  EXPECT_EQ(IG_DIB_area_size_get(image.get(), &outside, OV_AREA_FORMAT, &size), 1);
  EXPECT_EQ(takeErrorCode(), IGE_INVALID_RECTANGLE);
  EXPECT_EQ(IG_DIB_area_get(image.get(), &inverted, buf.data(), OV_AREA_FORMAT), 1);
  EXPECT_EQ(IG_DIB_area_get(image.get(), nullptr, buf.data(), 1), 1);
  EXPECT_EQ(takeErrorCode(), IGE_INVALID_ARGUMENT);
  EXPECT_EQ(IG_DIB_raster_get(image.get(), 4, buf.data(), OV_AREA_FORMAT), 1);
  EXPECT_EQ(IG_DIB_pixel_get(image.get(), -1, 0, buf.data()), 1);
  EXPECT_EQ(IG_DIB_pixel_set(image.get(), 6, 0, buf.data()), 1);
  EXPECT_EQ(IG_DIB_column_get(image.get(), 0, 0, 3, buf.data(), 3, nullptr), 1);  // too small
  EXPECT_EQ(IG_DIB_column_set(image.get(), 0, 2, 1, buf.data(), 100), 1);
  EXPECT_EQ(IG_DIB_area_get(0, nullptr, buf.data(), OV_AREA_FORMAT), 1);
  EXPECT_EQ(takeErrorCode(), IGE_INVALID_IMAGE);
}

TEST(PixelAccess, ColourOnPaletteImageTakesNearestEntry) {
  ScopedImage image;
  ASSERT_EQ(IG_image_create_DIB_ex(2, 1, 8, 0, nullptr, image.out()), 0);  // grey ramp
  const OV_RGB almost{101, 99, 100};
  ASSERT_EQ(IG_DIB_pixel_set_color(image.get(), 1, 0, &almost), 0);
  uint8_t index = 0;
  IG_DIB_pixel_get(image.get(), 1, 0, &index);
  EXPECT_EQ(index, 100);
}

TEST(PixelAccess, LookupTableRemapsOnlyTheRectangle) {
  ScopedImage image(makeImage(5, 5, 24));
  ScopedImage original;
  IG_image_duplicate(image.get(), original.out());
  uint8_t invert[256], same[256];
  for (int i = 0; i < 256; ++i) invert[i] = static_cast<uint8_t>(255 - i), same[i] = static_cast<uint8_t>(i);
  const OV_RECT rect{1, 1, 3, 2};
  ASSERT_EQ(IG_DIB_area_remap(image.get(), &rect, invert, same, same), 0);
  const auto a = coloursOf(original.get()), b = coloursOf(image.get());
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 5; ++x) {
      const size_t i = y * 5 + x;
      const bool inside = x >= 1 && x <= 3 && y >= 1 && y <= 2;
      EXPECT_EQ(b[i].r, inside ? 255 - a[i].r : a[i].r);
      EXPECT_EQ(b[i].g, a[i].g);
      EXPECT_EQ(b[i].b, a[i].b);
    }
}
