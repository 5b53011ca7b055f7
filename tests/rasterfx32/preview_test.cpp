// Preview files and file dates.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "rasterfx32/rasterfx32.h"
#include "rfx_test_images.h"
#include "temp_dir.h"
#include "test_images.h"

using namespace rfxtest;
using ovtest::ScopedImage;
using ovtest::TempDir;

TEST(PreviewCreate, FitsTheBoxOnGreyAndSavesJpeg) {
  TempDir dir;
  const struct {
    int w, h, bits;
    int left, top, right, bottom;  // where the picture lands in the 75 x 75 box
  } kCases[] = {{300, 150, 24, 0, 19, 75, 56}, {150, 300, 8, 19, 0, 56, 75}, {80, 80, 1, 0, 0, 75, 75}};
  for (const auto& c : kCases) {
    const std::string source = dir.file("source.png"), preview = dir.file("preview.jpg");
    OV_IMAGE picture = c.bits == 24 ? solid(c.w, c.h, {0, 0, 255}) : ovtest::makeImage(c.w, c.h, c.bits);
    if (c.bits == 8) {  // one dark colour everywhere
      std::vector<uint8_t> zero(static_cast<size_t>(c.w) * c.h, 0);
      const OV_RGB dark{0, 0, 60};
      IG_palette_entry_set(picture, &dark, 0);
      IG_DIB_area_set(picture, nullptr, zero.data(), OV_AREA_FORMAT);
    }
    ScopedImage image(picture);
    ASSERT_EQ(IG_save_file(image.get(), source.c_str(), IG_FORMAT_PNG), 0);
    ASSERT_EQ(RFX_TN_preview_create(source.c_str(), preview.c_str()), 1);
    int32_t format = 0;
    ASSERT_EQ(IG_info_get(preview.c_str(), &format, nullptr, nullptr), 0);
    EXPECT_EQ(format, IG_FORMAT_JPG);
    ScopedImage out;
    ASSERT_EQ(IG_load_file(preview.c_str(), out.out()), 0);
    EXPECT_EQ(ovtest::shapeOf(out.get()), "75x75x24");
    for (int y = 0; y < 75; y += 2) {
      for (int x = 0; x < 75; x += 2) {
        const bool inside = x >= c.left + 1 && x < c.right - 1 && y >= c.top + 1 && y < c.bottom - 1;
        const bool outside = x < c.left - 1 || x > c.right || y < c.top - 1 || y > c.bottom;
        const Bgr p = pixel(out.get(), x, y);
        if (outside) {
          EXPECT_NEAR(p.g, 192, 6) << x << "," << y;
        }
        if (inside && c.bits != 1) {
          EXPECT_LT(p.g, 40) << x << "," << y;
        }
      }
    }
  }
}

TEST(PreviewCreate, BoxAndQualitySettingsAndUnreadableSources) {
  TempDir dir;
  const std::string source = dir.file("s.png"), preview = dir.file("p.jpg");
  ScopedImage image(ovtest::makeImage(64, 32, 24));
  ASSERT_EQ(IG_save_file(image.get(), source.c_str(), IG_FORMAT_PNG), 0);
  const int32_t w = 40, h = 30, q = 95;
  RFX_TN_size_set(&w, &h);
  RFX_TN_compression_set(&q, nullptr);
  ASSERT_EQ(RFX_TN_preview_create(source.c_str(), preview.c_str()), 1);
  ScopedImage out;
  ASSERT_EQ(IG_load_file(preview.c_str(), out.out()), 0);
  EXPECT_EQ(ovtest::shapeOf(out.get()), "40x30x24");
  const int32_t back = 75;
  RFX_TN_size_set(&back, &back);

  ovtest::writeFile(dir.file("bad.png"), {1, 2, 3, 4});
  const std::string none = dir.file("none.jpg");
  EXPECT_EQ(RFX_TN_preview_create(dir.file("bad.png").c_str(), none.c_str()), 0);
  EXPECT_EQ(RFX_TN_preview_create(dir.file("missing.png").c_str(), none.c_str()), 0);
  EXPECT_NE(access(none.c_str(), F_OK), 0);
}

TEST(FileDateInfo, ReportsAttributesSizeAndTimesOrLeavesOutputsAlone) {
  TempDir dir;
  const std::string file = dir.file("a.bin");
  ovtest::writeFile(file, std::vector<uint8_t>(1234, 7));
  uint32_t attributes = 9, size = 9, written = 9, accessed = 9, created = 9;
  EXPECT_EQ(RFX_filedate_info_get(dir.file("missing").c_str(), &attributes, &size, &written, &accessed, &created), 0);
  EXPECT_EQ(attributes + size + written + accessed + created, 45u);

  ASSERT_EQ(RFX_filedate_info_get(file.c_str(), &attributes, &size, &written, &accessed, &created), 0);
  EXPECT_EQ(attributes & 0x10, 0u);
  EXPECT_EQ(size, 1234u);
  EXPECT_GT(written >> 25, 40u);  // a DOS date after 2020
  EXPECT_NE(accessed, 0u);
  EXPECT_NE(created, 0u);
  ASSERT_EQ(RFX_filedate_info_get(dir.path().c_str(), &attributes, &size, nullptr, nullptr, nullptr), 0);
  EXPECT_EQ(attributes, 0x10u);
  EXPECT_EQ(size, 0u);
  ASSERT_EQ(RFX_filedate_info_get((dir.path() + "/A.*").c_str(), nullptr, &size, nullptr, nullptr, nullptr), 0);
  EXPECT_EQ(size, 1234u);
}
