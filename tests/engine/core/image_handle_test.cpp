#include <gtest/gtest.h>

#include <set>

#include "test_images.h"

using namespace ovtest;

TEST(ImageHandles, AreNeverReused) {
  std::set<OV_IMAGE> seen;
  for (int i = 0; i < 50; ++i) {
    OV_IMAGE image = 0;
    ASSERT_EQ(IG_image_create_DIB_ex(4, 4, 8, 0, nullptr, &image), 0);
    EXPECT_TRUE(seen.insert(image).second);
    EXPECT_TRUE(IG_image_is_valid(image));
    EXPECT_EQ(IG_image_delete(image), 0);
    EXPECT_FALSE(IG_image_is_valid(image));
  }
  EXPECT_FALSE(IG_image_is_valid(0));
}

TEST(ImageHandles, CallsOnDeadHandlesFailCleanly) {
  OV_IMAGE image = makeImage(3, 3, 24);
  IG_image_delete(image);
  int32_t w = -1;
  EXPECT_EQ(IG_image_dimensions_get(image, &w, nullptr, nullptr), 1);
  EXPECT_EQ(takeErrorCode(), IGE_INVALID_IMAGE);
  EXPECT_EQ(w, -1);
  EXPECT_EQ(IG_image_delete(image), 1);
  OV_IMAGE copy = 0;
  EXPECT_EQ(IG_image_duplicate(image, &copy), 1);
  EXPECT_EQ(copy, 0u);
}

struct CreateCase {
  int width, height, bpp;
  bool ok;
};

void PrintTo(const CreateCase& c, std::ostream* os) {
  *os << c.width << "x" << c.height << "x" << c.bpp;
}

class CreateDib : public ::testing::TestWithParam<CreateCase> {};

TEST_P(CreateDib, AcceptsEngineDepthsAndSaneSizes) {
  const CreateCase c = GetParam();
  ScopedImage image;
  const OV_ERRCOUNT n = IG_image_create_DIB_ex(c.width, c.height, c.bpp, 0, nullptr, image.out());
  if (!c.ok) {
    EXPECT_GE(n, 1);
    EXPECT_EQ(image.get(), 0u);
    return;
  }
  ASSERT_EQ(n, 0);
  EXPECT_EQ(shapeOf(image.get()), std::to_string(c.width) + "x" + std::to_string(c.height) + "x" +
                                      std::to_string(c.bpp));
  OV_BITMAPINFOHEADER* dib = nullptr;
  ASSERT_EQ(IG_image_DIB_pntr_get(image.get(), &dib), 0);
  EXPECT_EQ(dib->biSize, 40u);
  EXPECT_EQ(dib->biHeight, c.height);  // bottom-up
  EXPECT_EQ(dib->biSizeImage, ((c.width * c.bpp + 31) / 32) * 4u * c.height);
  // zero-filled pixels
  const auto* bits = reinterpret_cast<const uint8_t*>(dib) + 40 + 4 * (c.bpp <= 8 ? 1 << c.bpp : 0);
  for (uint32_t i = 0; i < dib->biSizeImage; ++i) ASSERT_EQ(bits[i], 0) << i;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CreateDib,
    ::testing::Values(CreateCase{1, 1, 1, true}, CreateCase{13, 7, 1, true}, CreateCase{13, 7, 4, true},
                      CreateCase{13, 7, 8, true}, CreateCase{13, 7, 24, true},
                      CreateCase{75, 75, 24, true}, CreateCase{10, 10, 16, false},
                      CreateCase{10, 10, 32, false}, CreateCase{0, 10, 24, false},
                      CreateCase{10, -1, 24, false}, CreateCase{100000, 10, 8, false}));

TEST(ImageObjects, DefaultPalettes) {
  ScopedImage gray, mono;
  ASSERT_EQ(IG_image_create_DIB_ex(2, 2, 8, 0, nullptr, gray.out()), 0);
  ASSERT_EQ(IG_image_create_DIB_ex(2, 2, 1, 0, nullptr, mono.out()), 0);
  EXPECT_TRUE(IG_image_is_gray(gray.get()));
  OV_RGB c{};
  ASSERT_EQ(IG_palette_entry_get(mono.get(), 1, &c), 0);
  EXPECT_EQ(c.r + c.g + c.b, 3 * 255);
  const OV_RGB red{0, 0, 255};
  ASSERT_EQ(IG_palette_entry_set(gray.get(), &red, 7), 0);
  EXPECT_FALSE(IG_image_is_gray(gray.get()));
  EXPECT_EQ(IG_palette_entry_get(gray.get(), 256, &c), 1);
  EXPECT_EQ(takeErrorCode(), IGE_INVALID_ARGUMENT);
}

TEST(ImageObjects, DuplicateIsIndependent) {
  ScopedImage a(makeImage(9, 5, 8));
  ScopedImage b;
  ASSERT_EQ(IG_image_resolution_set(a.get(), 300, 1, 150, 1, OV_RES_PER_INCH), 0);
  ASSERT_EQ(IG_image_duplicate(a.get(), b.out()), 0);
  EXPECT_NE(a.get(), b.get());
  EXPECT_EQ(differingPixels(a.get(), b.get()), 0);
  int32_t x = 0, y = 0;
  IG_image_resolution_get(b.get(), &x, nullptr, &y, nullptr, nullptr);
  EXPECT_EQ(x, 300);
  EXPECT_EQ(y, 150);
  const uint8_t index = 200;
  ASSERT_EQ(IG_DIB_pixel_set(b.get(), 0, 0, &index), 0);
  EXPECT_EQ(differingPixels(a.get(), b.get()), 1);
}

TEST(Resolution, PixelsPerMetreRoundTripWholeDpi) {
  EXPECT_EQ(IG_convert_PPM_to_DPI(11811), 300);
  EXPECT_EQ(IG_convert_PPM_to_DPI(3780), 96);
  EXPECT_EQ(IG_convert_PPM_to_DPI(2835), 72);
  EXPECT_EQ(IG_convert_PPM_to_DPI(0), 0);
  EXPECT_EQ(IG_convert_PPM_to_DPI(-5), 0);
  ScopedImage image(makeImage(2, 2, 24));
  for (int dpi : {1, 72, 96, 150, 200, 300, 600, 1200, 2400}) {
    ASSERT_EQ(IG_image_resolution_set(image.get(), dpi, 1, dpi, 1, OV_RES_PER_INCH), 0);
    int32_t x = 0, xd = 0, units = 0;
    IG_image_resolution_get(image.get(), &x, &xd, nullptr, nullptr, &units);
    EXPECT_EQ(x, dpi);
    EXPECT_EQ(xd, 1);
    EXPECT_EQ(units, OV_RES_PER_INCH);
  }
  OV_BITMAPINFOHEADER* dib = nullptr;
  IG_image_resolution_set(image.get(), 300, 1, 72, 1, OV_RES_PER_INCH);
  IG_image_DIB_pntr_get(image.get(), &dib);
  EXPECT_EQ(dib->biXPelsPerMeter, 11811);
  EXPECT_EQ(dib->biYPelsPerMeter, 2835);
  EXPECT_EQ(IG_image_resolution_set(image.get(), 300, 0, 300, 1, OV_RES_PER_INCH), 1);
  EXPECT_EQ(IG_image_resolution_set(image.get(), 300, 1, 300, 1, 9), 1);
}

TEST(ImageRect, DefaultsToWholeImageAndRejectsOutside) {
  ScopedImage image(makeImage(10, 6, 24));
  OV_RECT r{};
  ASSERT_EQ(IG_image_rect_get(image.get(), &r), 0);
  EXPECT_EQ(r.right, 9);
  EXPECT_EQ(r.bottom, 5);
  const OV_RECT inner{2, 1, 4, 3};
  ASSERT_EQ(IG_image_rect_set(image.get(), &inner), 0);
  IG_image_rect_get(image.get(), &r);
  EXPECT_EQ(r.left, 2);
  EXPECT_EQ(r.bottom, 3);
  const OV_RECT outside{2, 1, 10, 3};
  EXPECT_EQ(IG_image_rect_set(image.get(), &outside), 1);
  EXPECT_EQ(takeErrorCode(), IGE_INVALID_RECTANGLE);
}
