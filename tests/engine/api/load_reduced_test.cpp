// Reduced-size loading for previews: the scaled JPEG decode picks the smallest size that
// still covers the request, and the preview made from it looks like the one from a full decode.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "temp_dir.h"
#include "test_images.h"

using namespace ovtest;

namespace {

// A smooth picture with some texture, closer to a photograph than the test patterns.
OV_IMAGE photoLike(int width, int height) {
  OV_IMAGE image = 0;
  IG_image_create_DIB_ex(width, height, 24, 0, nullptr, &image);
  std::vector<uint8_t> row(static_cast<size_t>(width) * 3);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const double u = static_cast<double>(x) / width, v = static_cast<double>(y) / height;
      row[3 * x] = static_cast<uint8_t>(128 + 100 * std::sin(6 * u + 3 * v));
      row[3 * x + 1] = static_cast<uint8_t>(60 + 150 * v + 20 * std::sin(x * 0.05));
      row[3 * x + 2] = static_cast<uint8_t>(40 + 180 * u * (1 - v) + ((x * 7 + y * 13) % 9));
    }
    IG_DIB_raster_set(image, y, row.data(), OV_AREA_FORMAT);
  }
  return image;
}

double meanAbsoluteDifference(OV_IMAGE a, OV_IMAGE b) {
  const auto ca = coloursOf(a), cb = coloursOf(b);
  if (ca.size() != cb.size() || ca.empty()) return 1e9;
  double sum = 0;
  for (size_t i = 0; i < ca.size(); ++i)
    sum += std::abs(ca[i].b - cb[i].b) + std::abs(ca[i].g - cb[i].g) + std::abs(ca[i].r - cb[i].r);
  return sum / (3.0 * ca.size());
}

}  // namespace

TEST(LoadReduced, PicksTheSmallestScaleThatCoversTheRequest) {
  TempDir dir;
  const std::string jpeg = dir.file("a.jpg"), png = dir.file("a.png");
  ScopedImage image(photoLike(800, 600));
  ASSERT_EQ(IG_save_file(image.get(), jpeg.c_str(), IG_FORMAT_JPG), 0);
  ASSERT_EQ(IG_save_file(image.get(), png.c_str(), IG_FORMAT_PNG), 0);
  const struct {
    const std::string* path;
    int min_width, min_height;
    const char* shape;
  } kCases[] = {
      {&jpeg, 100, 75, "100x75x24"},   {&jpeg, 101, 75, "200x150x24"},
      {&jpeg, 150, 150, "200x150x24"}, {&jpeg, 300, 200, "400x300x24"},
      {&jpeg, 401, 10, "800x600x24"},  {&png, 10, 10, "800x600x24"},
  };
  for (const auto& c : kCases) {
    ScopedImage loaded;
    ASSERT_EQ(OV_load_file_reduced(c.path->c_str(), c.min_width, c.min_height, loaded.out()), 0);
    EXPECT_EQ(shapeOf(loaded.get()), c.shape) << c.min_width << "x" << c.min_height;
  }
}

TEST(LoadReduced, PreviewMatchesTheOneFromAFullDecode) {
  TempDir dir;
  const std::string jpeg = dir.file("a.jpg");
  ScopedImage image(photoLike(1200, 800));
  IG_save_JPEG_quality_set(90);
  ASSERT_EQ(IG_save_file(image.get(), jpeg.c_str(), IG_FORMAT_JPG), 0);
  ScopedImage full, reduced;
  ASSERT_EQ(IG_load_file(jpeg.c_str(), full.out()), 0);
  ASSERT_EQ(OV_load_file_reduced(jpeg.c_str(), 150, 100, reduced.out()), 0);
  EXPECT_EQ(shapeOf(reduced.get()), "150x100x24");
  ASSERT_EQ(IG_IP_resize(full.get(), 75, 50, 2), 0);
  ASSERT_EQ(IG_IP_resize(reduced.get(), 75, 50, 2), 0);
  EXPECT_LE(meanAbsoluteDifference(full.get(), reduced.get()), 2.0);
}

TEST(LoadReduced, BadArgumentsAndFilesAreErrors) {
  TempDir dir;
  OV_IMAGE image = 0;
  EXPECT_EQ(OV_load_file_reduced(nullptr, 10, 10, &image), 1);
  EXPECT_EQ(takeErrorCode(), IGE_INVALID_ARGUMENT);
  EXPECT_EQ(OV_load_file_reduced(dir.file("none.jpg").c_str(), 10, 10, &image), 1);
  EXPECT_EQ(takeErrorCode(), IGE_CANNOT_OPEN_FILE);
  writeFile(dir.file("cut.jpg"), {0xFF, 0xD8, 0xFF, 0xE0, 0, 16});
  EXPECT_EQ(OV_load_file_reduced(dir.file("cut.jpg").c_str(), 10, 10, &image), 1);
  EXPECT_EQ(takeErrorCode(), IGE_INVALID_FILE_HEADER);
  EXPECT_EQ(image, 0u);
}
