// Per-image display settings and the window services reached through the host table.
#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <vector>

#include "test_images.h"

using namespace ovtest;

TEST(DisplayLut, SetGetRemoveAndDuplicateLeavePixelsAlone) {
  ScopedImage image(makeImage(4, 3, 24));
  const auto before = coloursOf(image.get());
  std::vector<uint8_t> r(256), g(256), b(256);
  std::iota(r.begin(), r.end(), 0);
  for (int i = 0; i < 256; ++i) g[i] = static_cast<uint8_t>(255 - i), b[i] = 7;
  ASSERT_EQ(IG_display_LUT_set(image.get(), r.data(), g.data(), b.data()), 0);
  ScopedImage copy;
  ASSERT_EQ(IG_image_duplicate(image.get(), copy.out()), 0);
  for (OV_IMAGE handle : {image.get(), copy.get()}) {
    std::vector<uint8_t> gr(256), gg(256), gb(256);
    OV_BOOL on = 0;
    ASSERT_EQ(IG_display_LUT_get(handle, gr.data(), gg.data(), gb.data(), &on), 0);
    EXPECT_TRUE(on);
    EXPECT_EQ(gr, r);
    EXPECT_EQ(gg, g);
    EXPECT_EQ(gb, b);
  }
  EXPECT_EQ(coloursOf(image.get()).size(), before.size());
  EXPECT_EQ(differingPixels(image.get(), copy.get()), 0);
  ASSERT_EQ(IG_display_LUT_remove(image.get()), 0);
  OV_BOOL on = 1;
  IG_display_LUT_get(image.get(), nullptr, nullptr, nullptr, &on);
  EXPECT_FALSE(on);

  EXPECT_EQ(IG_display_LUT_set(image.get(), r.data(), nullptr, b.data()), 1);
  EXPECT_EQ(takeErrorCode(), IGE_INVALID_ARGUMENT);
  EXPECT_EQ(IG_display_LUT_remove(0), 1);
  EXPECT_EQ(takeErrorCode(), IGE_INVALID_IMAGE);
}

TEST(AdjustAspect, ShrinksTheBoxToThePictureAndCentresIt) {
  const struct {
    int w, h;
    OV_RECT box, expected;
  } kCases[] = {
      {150, 100, {0, 0, 75, 75}, {0, 12, 75, 62}},
      {100, 150, {0, 0, 75, 75}, {12, 0, 62, 75}},
      {75, 75, {0, 0, 75, 75}, {0, 0, 75, 75}},
      {300, 150, {0, 0, 75, 75}, {0, 19, 75, 56}},
      {1, 1000, {10, 20, 110, 70}, {60, 20, 60, 70}},  // narrower than a pixel: zero width
  };
  for (const auto& c : kCases) {
    ScopedImage image(makeImage(c.w, c.h, 8));
    OV_RECT r = c.box;
    ASSERT_EQ(IG_display_adjust_aspect(image.get(), &r, 1), 0);
    EXPECT_EQ(std::vector<int>({r.left, r.top, r.right, r.bottom}),
              std::vector<int>({c.expected.left, c.expected.top, c.expected.right,
                                c.expected.bottom}))
        << c.w << "x" << c.h;
  }
  ScopedImage image(makeImage(10, 10, 24));
  OV_RECT box{0, 0, 75, 75}, empty{5, 5, 5, 9};
  EXPECT_EQ(IG_display_adjust_aspect(image.get(), &box, 0), 1);
  EXPECT_EQ(takeErrorCode(), IGE_INVALID_ARGUMENT);
  EXPECT_EQ(IG_display_adjust_aspect(image.get(), &empty, 1), 1);
  EXPECT_EQ(takeErrorCode(), IGE_INVALID_RECTANGLE);
  EXPECT_EQ(IG_display_adjust_aspect(0, &box, 1), 1);
  EXPECT_EQ(takeErrorCode(), IGE_INVALID_IMAGE);
}

namespace {

struct ThumbHost {
  std::vector<std::string> calls;
};

OV_HOST thumbHost(ThumbHost& recorder) {
  OV_HOST h{};
  h.ctx = &recorder;
  h.thumb_create = [](void* ctx, OV_HWND parent, uint32_t style, const char* title, int32_t x,
                      int32_t y, int32_t w, int32_t hgt) -> OV_HWND {
    static_cast<ThumbHost*>(ctx)->calls.push_back(
        "create " + std::to_string(parent) + " " + std::to_string(style) + " " + title + " " +
        std::to_string(x) + "," + std::to_string(y) + "," + std::to_string(w) + "," +
        std::to_string(hgt));
    return 42;
  };
  h.thumb_attr = [](void* ctx, OV_HWND window, int32_t attribute, int32_t value) -> int32_t {
    static_cast<ThumbHost*>(ctx)->calls.push_back("attr " + std::to_string(window) + " " +
                                                  std::to_string(attribute) + "=" +
                                                  std::to_string(value));
    return attribute == 99 ? 5 : 0;
  };
  h.thumb_append = [](void* ctx, OV_HWND window, const char* dir, int32_t flags) -> OV_BOOL {
    static_cast<ThumbHost*>(ctx)->calls.push_back("append " + std::to_string(window) + " " +
                                                  dir + " " + std::to_string(flags));
    return window == 42;
  };
  return h;
}

}  // namespace

TEST(ThumbnailWindow, CallsReachTheHostAndFailWithoutOne) {
  ThumbHost recorder;
  const OV_HOST host = thumbHost(recorder);
  IG_host_register(&host);
  OV_HWND window = 0;
  EXPECT_EQ(IG_GUI_thumbnail_window_create_ex(3, 0xCF0000, "Title", 1, 2, 300, 200, &window), 0);
  EXPECT_EQ(window, 42u);
  EXPECT_EQ(IG_GUI_thumbnail_attribute_set(window, 4, 20), 0);
  EXPECT_EQ(IG_GUI_thumbnail_attribute_set(window, 99, 1), 1);
  EXPECT_EQ(IG_GUI_thumbnail_dir_append(window, "/pictures", 1), 0);
  EXPECT_EQ(IG_GUI_thumbnail_dir_append(7, "/pictures", 1), 1);
  EXPECT_EQ(recorder.calls,
            (std::vector<std::string>{"create 3 13565952 Title 1,2,300,200", "attr 42 4=20",
                                      "attr 42 99=1", "append 42 /pictures 1",
                                      "append 7 /pictures 1"}));
  IG_host_register(nullptr);
  EXPECT_EQ(IG_GUI_thumbnail_window_create_ex(3, 0, "T", 0, 0, 1, 1, &window), 1);
  EXPECT_EQ(takeErrorCode(), IGE_WINDOW_SERVICE_FAILED);
  EXPECT_EQ(window, 0u);
  EXPECT_EQ(IG_GUI_thumbnail_attribute_set(42, 0, 0), 1);
  EXPECT_EQ(IG_GUI_thumbnail_dir_append(42, "/x", 0), 1);
}
