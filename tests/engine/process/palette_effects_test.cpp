// Median, noise and posterize on palette images: they work on the picture's colours and
// the image keeps its depth and palette.
#include <gtest/gtest.h>

#include <vector>

#include "ovengine/ov_process.h"
#include "test_images.h"

using namespace ovtest;

namespace {

// A 9 x 7 image of `bpp` bits whose palette holds blue, red, white, black and greys; the
// picture is blue with one red pixel at (4, 3) and a white bottom row.
OV_IMAGE makePalettePicture(int bpp) {
  OV_IMAGE image = 0;
  EXPECT_EQ(IG_image_create_DIB_ex(9, 7, bpp, 0, nullptr, &image), 0);
  const OV_RGB entries[] = {{200, 30, 20}, {20, 30, 220}, {255, 255, 255}, {0, 0, 0}, {90, 90, 90}};
  const int n = bpp == 4 ? 16 : 256;
  for (int i = 0; i < n; ++i) {
    const OV_RGB grey{static_cast<uint8_t>(100 + i % 50), static_cast<uint8_t>(100 + i % 50),
                      static_cast<uint8_t>(100 + i % 50)};
    IG_palette_entry_set(image, i < 5 ? &entries[i] : &grey, i);
  }
  std::vector<uint8_t> area(9 * 7, 0);  // blue
  area[3 * 9 + 4] = 1;                   // red
  for (int x = 0; x < 9; ++x) area[6 * 9 + x] = 2;  // white
  IG_DIB_area_set(image, nullptr, area.data(), OV_AREA_FORMAT);
  return image;
}

std::vector<uint8_t> indexes(OV_IMAGE image) {
  std::vector<uint8_t> area(9 * 7);
  IG_DIB_area_get(image, nullptr, area.data(), OV_AREA_FORMAT);
  return area;
}

std::vector<OV_RGB> palette(OV_IMAGE image, int entries) {
  std::vector<OV_RGB> p(entries);
  for (int i = 0; i < entries; ++i) IG_palette_entry_get(image, i, &p[i]);
  return p;
}

bool samePalette(const std::vector<OV_RGB>& a, const std::vector<OV_RGB>& b) {
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i].b != b[i].b || a[i].g != b[i].g || a[i].r != b[i].r) return false;
  return a.size() == b.size();
}

class PaletteEffects : public ::testing::TestWithParam<int> {};

}  // namespace

TEST_P(PaletteEffects, MedianRemovesAnImpulseKeepingDepthAndPalette) {
  ScopedImage image(makePalettePicture(GetParam()));
  const auto before = palette(image.get(), 16);
  ASSERT_EQ(IG_IP_median(image.get(), nullptr, 3, 3), 0);
  EXPECT_EQ(shapeOf(image.get()), "9x7x" + std::to_string(GetParam()));
  EXPECT_TRUE(samePalette(palette(image.get(), 16), before));
  const auto after = indexes(image.get());
  EXPECT_EQ(after[3 * 9 + 4], 0) << "the red pixel takes its blue surroundings";
  EXPECT_EQ(after[6 * 9 + 4], 2) << "the white row is an edge, not noise";
}

TEST_P(PaletteEffects, PosterizeTakesTheNearestEntries) {
  ScopedImage image(makePalettePicture(GetParam()));
  ASSERT_EQ(IG_FX_posterize(image.get(), nullptr, 2, 7), 0);
  const auto after = indexes(image.get());
  // Two levels turn blue (200, 30, 20) into (255, 0, 0) as B,G,R: still nearest to blue,
  // red into (0, 0, 255): nearest to red; white stays white.
  EXPECT_EQ(after[0], 0);
  EXPECT_EQ(after[3 * 9 + 4], 1);
  EXPECT_EQ(after[6 * 9], 2);
}

TEST_P(PaletteEffects, ChangesStayInsideTheRectangle) {
  const OV_RECT rect{3, 2, 5, 4};
  for (int call = 0; call < 3; ++call) {
    ScopedImage image(makePalettePicture(GetParam()));
    const auto before = indexes(image.get());
    const OV_ERRCOUNT n = call == 0   ? IG_IP_median(image.get(), &rect, 3, 3)
                          : call == 1 ? IG_FX_noise(image.get(), &rect, 0, 127, 500, 1.0, 7)
                                      : IG_FX_posterize(image.get(), &rect, 2, 7);
    ASSERT_EQ(n, 0) << call;
    const auto after = indexes(image.get());
    for (int y = 0; y < 7; ++y)
      for (int x = 0; x < 9; ++x)
        if (x < rect.left || x > rect.right || y < rect.top || y > rect.bottom) {
          EXPECT_EQ(after[y * 9 + x], before[y * 9 + x]) << call << " at " << x << "," << y;
        }
  }
}

INSTANTIATE_TEST_SUITE_P(Depths, PaletteEffects, ::testing::Values(4, 8));
