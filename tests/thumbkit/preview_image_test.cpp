// The preview picture and the thumbnail window wrappers.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "temp_dir.h"
#include "thumbkit/thumbkit.h"

using ovtest::TempDir;

namespace {

// A dark blue picture of the given size and depth saved as PNG.
std::string savedPicture(const TempDir& dir, int w, int h, int bits) {
  OV_IMAGE image = 0;
  EXPECT_EQ(IG_image_create_DIB_ex(w, h, bits, 0, nullptr, &image), 0);
  const OV_RGB blue{120, 0, 0};  // b, g, r
  if (bits == 24) {
    std::vector<uint8_t> px(static_cast<size_t>(w) * h * 3);
    for (size_t i = 0; i < px.size(); i += 3) px[i] = 120;
    IG_DIB_area_set(image, nullptr, px.data(), OV_AREA_FORMAT);
  } else {
    IG_palette_entry_set(image, &blue, 0);  // every pixel is index 0
  }
  const std::string path = dir.file("source" + std::to_string(w) + "x" + std::to_string(h) + ".png");
  EXPECT_EQ(IG_save_file(image, path.c_str(), IG_FORMAT_PNG), 0);
  IG_image_delete(image);
  return path;
}

uint8_t blueAt(OV_IMAGE image, int x, int y) {
  uint8_t v[3] = {};
  IG_DIB_pixel_get(image, x, y, v);
  return v[0];
}

}  // namespace

TEST(CreatePreviewImage, PlacesTheFittedPictureOnGrey) {
  TempDir dir;
  const struct {
    int w, h, bits;
    int left, top, right, bottom;  // picture area in the 75 x 75 preview, right/bottom excluded
  } kCases[] = {{150, 100, 24, 0, 12, 75, 62},
                {100, 150, 8, 12, 0, 62, 75},
                {75, 75, 4, 0, 0, 75, 75},
                {300, 30, 1, 0, 34, 75, 41}};
  for (const auto& c : kCases) {
    const std::string preview = dir.file("preview.jpg");
    ASSERT_TRUE(_Create_Preview_Image(savedPicture(dir, c.w, c.h, c.bits).c_str(), preview.c_str()));
    int32_t format = 0;
    OV_IMAGE_INFO info{};
    ASSERT_EQ(IG_info_get(preview.c_str(), &format, nullptr, &info), 0);
    EXPECT_EQ(format, IG_FORMAT_JPG);
    EXPECT_EQ(info.width, 75);
    EXPECT_EQ(info.height, 75);
    OV_IMAGE image = 0;
    ASSERT_EQ(IG_load_file(preview.c_str(), &image), 0);
    // Probe away from the edges, where JPEG blurs the two colours together.
    for (int y = 0; y < 75; ++y) {
      for (int x = 0; x < 75; ++x) {
        const bool in = x >= c.left + 2 && x < c.right - 2 && y >= c.top + 2 && y < c.bottom - 2;
        const bool out = x < c.left - 2 || x >= c.right + 2 || y < c.top - 2 || y >= c.bottom + 2;
        if (in || out) {
          EXPECT_NEAR(blueAt(image, x, y), in ? 120 : 192, 12) << c.w << "x" << c.h << " at " << x << "," << y;
        }
      }
    }
    IG_image_delete(image);
  }
}

TEST(CreatePreviewImage, UnreadableSourceWritesNothing) {
  TempDir dir;
  const std::string bad = dir.file("bad.png"), preview = dir.file("p.jpg");
  FILE* f = fopen(bad.c_str(), "wb");
  fputs("not a picture", f);
  fclose(f);
  EXPECT_FALSE(_Create_Preview_Image(bad.c_str(), preview.c_str()));
  EXPECT_FALSE(_Create_Preview_Image(dir.file("missing.png").c_str(), preview.c_str()));
  EXPECT_NE(access(preview.c_str(), F_OK), 0);
}

namespace {

struct Calls {
  std::vector<std::string> log;
};

OV_HOST recordingHost(Calls& calls) {
  OV_HOST h{};
  h.ctx = &calls;
  h.thumb_create = [](void* ctx, OV_HWND parent, uint32_t style, const char* title, int32_t x,
                      int32_t y, int32_t w, int32_t hh) -> OV_HWND {
    static_cast<Calls*>(ctx)->log.push_back("create " + std::to_string(parent) + " " +
                                            std::to_string(style) + " " + title + " " +
                                            std::to_string(x) + " " + std::to_string(y) + " " +
                                            std::to_string(w) + " " + std::to_string(hh));
    return 77;
  };
  h.thumb_attr = [](void* ctx, OV_HWND, int32_t attribute, int32_t value) -> int32_t {
    static_cast<Calls*>(ctx)->log.push_back(std::to_string(attribute) + "=" + std::to_string(value));
    return 0;
  };
  h.thumb_append = [](void* ctx, OV_HWND w, const char* dir, int32_t flags) -> OV_BOOL {
    static_cast<Calls*>(ctx)->log.push_back("append " + std::string(dir) + " " + std::to_string(flags));
    return w == 77;
  };
  h.set_topmost = [](void* ctx, OV_HWND w) {
    static_cast<Calls*>(ctx)->log.push_back("topmost " + std::to_string(w));
  };
  return h;
}

}  // namespace

TEST(ThumbnailWrappers, PassTheirValuesThroughTheHost) {
  Calls calls;
  const OV_HOST host = recordingHost(calls);
  IG_host_register(&host);
  EXPECT_EQ(_Thumbnail_Create(5, 10, 20, 300, 400), 77u);
  EXPECT_EQ(_Thumbnails_attributes_set(77, 96, 72), 0);
  EXPECT_TRUE(_Thumbnail_Append(77, "/pictures", 3));
  EXPECT_FALSE(_Thumbnail_Append(78, "/pictures", 3));
  Refresh_DeskTop();
  const std::vector<std::string> expected = {
      "create 5 13565952 Orvix Viewer 20 10 300 400", "topmost 77", "0=96", "1=72", "2=1",
      "3=4", "4=20", "5=0", "6=1", "7=1", "9=2", "10=0", "11=25", "12=0", "13=0",
      "append /pictures 3", "append /pictures 3"};
  EXPECT_EQ(calls.log, expected);

  IG_host_register(nullptr);
  EXPECT_EQ(_Thumbnail_Create(5, 10, 20, 300, 400), 0u);
  EXPECT_NE(_Thumbnails_attributes_set(77, 1, 1), 0);
  EXPECT_FALSE(_Thumbnail_Append(77, "/pictures", 3));
}
