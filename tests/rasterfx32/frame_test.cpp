// The library frame: area copies, images from rectangles, shortcut resolution.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "rasterfx32/rasterfx32.h"
#include "temp_dir.h"
#include "test_images.h"

using namespace ovtest;

TEST(ImageFromRect, CopiesTheRectangleAndRefusesNone) {
  ScopedImage source(makeImage(9, 7, 24));
  OV_IMAGE image = 0;
  EXPECT_EQ(Image_from_Rect(source.get(), &image, nullptr), -1);
  EXPECT_EQ(image, 0u);

  const OV_RECT one{3, 2, 3, 2};
  ASSERT_EQ(Image_from_Rect(source.get(), &image, &one), 0);
  ScopedImage pixel(image);
  EXPECT_EQ(shapeOf(pixel.get()), "1x1x24");
  int32_t size = 0;
  IG_DIB_area_size_get(source.get(), &one, OV_AREA_FORMAT, &size);
  EXPECT_EQ(size, 3);
  EXPECT_EQ(coloursOf(pixel.get())[0].r, coloursOf(source.get())[2 * 9 + 3].r);

  // A rectangle hanging over the edge gives the part inside the image.
  const OV_RECT over{6, 5, 20, 20};
  ASSERT_EQ(Image_from_Rect(source.get(), &image, &over), 0);
  ScopedImage corner(image);
  EXPECT_EQ(shapeOf(corner.get()), "3x2x24");
  const OV_RECT outside{50, 50, 60, 60};
  image = 0;
  EXPECT_GE(Image_from_Rect(source.get(), &image, &outside), 1);
  EXPECT_EQ(image, 0u);
}

TEST(SwapImageData, CopiesOneWayAndLeavesAnImageWithItselfAlone) {
  ScopedImage a(makeImage(8, 6, 24)), b(makeImage(8, 6, 24, Pattern::kGray));
  const auto before = coloursOf(a.get());
  Swap_image_data(a.get(), a.get(), nullptr);
  EXPECT_EQ(differingPixels(a.get(), a.get()), 0);
  EXPECT_EQ(coloursOf(a.get()).size(), before.size());
  const OV_RECT r{1, 1, 3, 2};
  Swap_image_data(a.get(), b.get(), &r);
  const auto ca = coloursOf(a.get()), cb = coloursOf(b.get());
  for (int y = 0; y < 6; ++y) {
    for (int x = 0; x < 8; ++x) {
      const bool inside = x >= 1 && x <= 3 && y >= 1 && y <= 2;
      const OV_RGB p = ca[y * 8 + x], q = cb[y * 8 + x];
      EXPECT_EQ(p.r == q.r && p.g == q.g && p.b == q.b, inside || (p.r == p.g && p.g == p.b))
          << x << "," << y;
    }
  }
}

TEST(ResolveIt, FollowsLinksAndReportsMissingFiles) {
  TempDir dir;
  const std::string target = dir.file("picture.png");
  writeFile(target, {1, 2, 3});
  ASSERT_EQ(symlink(target.c_str(), dir.file("link").c_str()), 0);
  writeFile(dir.file("entry.desktop"),
            [&] {
              const std::string text = "[Desktop Entry]\nType=Link\nName=x\nURL=file://" +
                                       dir.path() + "/my%20picture.png\n";
              return std::vector<uint8_t>(text.begin(), text.end());
            }());
  // A shell link with only a LinkInfo holding a local base path.
  std::vector<uint8_t> lnk(76, 0);
  lnk[0] = 76;
  const uint8_t clsid[16] = {0x01, 0x14, 0x02, 0, 0, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46};
  std::copy(clsid, clsid + 16, lnk.begin() + 4);
  lnk[20] = 0x2;  // HasLinkInfo
  const std::string base = "C:\\Pictures\\a.jpg";
  std::vector<uint8_t> info(28, 0);
  info[8] = 1;    // VolumeIDAndLocalBasePath
  info[16] = 28;  // LocalBasePathOffset
  info.insert(info.end(), base.begin(), base.end());
  info.push_back(0);
  info[0] = static_cast<uint8_t>(info.size());
  lnk.insert(lnk.end(), info.begin(), info.end());
  writeFile(dir.file("a.lnk"), lnk);

  const struct {
    std::string shortcut;
    int32_t result;
    std::string target;
  } kCases[] = {
      {dir.file("link"), 0, target},
      {dir.file("entry.desktop"), 0, dir.path() + "/my picture.png"},
      {dir.file("a.lnk"), 0, base},
      {dir.file("missing"), static_cast<int32_t>(0x80070002u), ""},
  };
  for (const auto& c : kCases) {
    char out[260] = "stale";
    EXPECT_EQ(ResolveIt(0, c.shortcut.c_str(), out), c.result) << c.shortcut;
    EXPECT_EQ(std::string(out), c.target) << c.shortcut;
  }
}
