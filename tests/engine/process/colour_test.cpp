// Conversion to grey, red/blue exchange and inversion; and, for every colour call, the
// invalid handle and the cancel that must leave the image as it was.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "colour_fixtures.h"
#include "ovengine/ov_errors.h"
#include "process/gray.h"
#include "progress_script.h"

using namespace colourtest;

namespace {

// round(0.299 R + 0.587 G + 0.114 B) worked out by hand.
struct GreyCase {
  OV_RGB colour;
  int grey;
};
const GreyCase kGreyCases[] = {
    {rgb(0, 0, 0), 0},          // black
    {rgb(255, 255, 255), 255},  // white
    {rgb(255, 0, 0), 76},       // 76.245
    {rgb(0, 255, 0), 150},      // 149.685
    {rgb(0, 0, 255), 29},       // 29.07
    {rgb(100, 150, 200), 141},  // 29.9 + 88.05 + 22.8 = 140.75
    {rgb(10, 20, 30), 18},      // 2.99 + 11.74 + 3.42 = 18.15
    {rgb(0, 0, 250), 29},       // 28.5: halves go up
    {rgb(1, 0, 0), 0},          // 0.299
    {rgb(2, 0, 0), 1},          // 0.598
};

TEST(ConvertToGray, ExactLevelsFromEveryDepth) {
  const int n = static_cast<int>(std::size(kGreyCases));
  std::vector<OV_RGB> palette;
  for (const GreyCase& c : kGreyCases) palette.push_back(c.colour);
  for (int bpp : {4, 8, 24}) {
    SCOPED_TRACE(bpp);
    ScopedImage image(bpp == 24 ? rgbImage(n, 2, [](int x, int) { return kGreyCases[x].colour; })
                                : indexedImage(n, 2, bpp, palette, [](int x, int) { return x; }));
    ASSERT_EQ(IG_IP_convert_to_gray(image.get()), 0);
    EXPECT_EQ(bitsOf(image.get()), 8);
    EXPECT_TRUE(IG_image_is_gray(image.get()));
    const std::vector<uint8_t> levels = areaOf(image.get());
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < n; ++x) EXPECT_EQ(levels[y * n + x], kGreyCases[x].grey) << x;
  }
}

TEST(ConvertToGray, BlackAndWhiteStaysBlackAndWhite) {
  ScopedImage image(indexedImage(9, 3, 1, {rgb(0, 0, 0), rgb(255, 255, 255)},
                                 [](int x, int y) { return (x + y) % 2; }));
  ASSERT_EQ(IG_IP_convert_to_gray(image.get()), 0);
  const std::vector<uint8_t> levels = areaOf(image.get());
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 9; ++x) EXPECT_EQ(levels[y * 9 + x], (x + y) % 2 ? 255 : 0);
}

TEST(GreyLevel, MatchesTheIntegerFormulaForEveryColour) {
  int wrong = 0;
  for (uint32_t r = 0; r < 256; ++r)
    for (uint32_t g = 0; g < 256; ++g)
      for (uint32_t b = 0; b < 256; ++b)
        wrong += ov::greyLevel(r, g, b) != (299 * r + 587 * g + 114 * b + 500) / 1000;
  EXPECT_EQ(wrong, 0);
}

TEST(GreyLevel, WholeRowsMatchSinglePixels) {
  // Widths around the 16-pixel steps of the fast path, with its tail.
  std::vector<uint8_t> bgr(3 * 80);
  for (size_t i = 0; i < bgr.size(); ++i) bgr[i] = static_cast<uint8_t>(i * 97 + i / 3 * 31);
  for (int width : {1, 15, 16, 17, 18, 19, 33, 47, 48, 80}) {
    std::vector<uint8_t> out(static_cast<size_t>(width), 0xAA);
    ov::greyRow(bgr.data(), width, out.data());
    for (int x = 0; x < width; ++x)
      ASSERT_EQ(out[x], ov::greyLevel(bgr[3 * x + 2], bgr[3 * x + 1], bgr[3 * x]))
          << width << " " << x;
  }
}

TEST(SwapRedBlue, ExchangesTheChannelsOfEveryPixel) {
  // 37 pixels: two blocks of the fast path and a tail.
  const auto colour = [](int x, int y) { return rgb(x * 7 + y, x * 3 + 100, 255 - x - y * 5); };
  ScopedImage image(rgbImage(37, 3, colour));
  ASSERT_EQ(IG_IP_swap_red_blue(image.get()), 0);
  const std::vector<OV_RGB> after = ovtest::coloursOf(image.get());
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 37; ++x) {
      const OV_RGB c = colour(x, y);
      EXPECT_TRUE(same(after[y * 37 + x], rgb(c.b, c.g, c.r))) << x << "," << y;
    }
}

TEST(SwapRedBlue, PaletteImagesSwapTheirEntries) {
  ScopedImage image(
      indexedImage(5, 2, 4, {rgb(1, 2, 3), rgb(200, 100, 50)}, [](int x, int) { return x % 2; }));
  const std::vector<uint8_t> indexes = areaOf(image.get());
  ASSERT_EQ(IG_IP_swap_red_blue(image.get()), 0);
  EXPECT_EQ(areaOf(image.get()), indexes);
  EXPECT_TRUE(same(paletteOf(image.get())[0], rgb(3, 2, 1)));
  EXPECT_TRUE(same(paletteOf(image.get())[1], rgb(50, 100, 200)));
}

OV_RGB negative(OV_RGB c) {
  return rgb(255 - c.r, 255 - c.g, 255 - c.b);
}

TEST(Invert, PixelsOfColourImagesAndTwiceIsIdentity) {
  const auto colour = [](int x, int y) { return rgb(x * 9, y * 40, (x * y) % 256); };
  ScopedImage image(rgbImage(21, 4, colour));
  const std::vector<uint8_t> before = snapshot(image.get());
  ASSERT_EQ(IG_IP_contrast_invert(image.get(), nullptr, 1), 0);
  const std::vector<OV_RGB> after = ovtest::coloursOf(image.get());
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 21; ++x) EXPECT_TRUE(same(after[y * 21 + x], negative(colour(x, y))));
  ASSERT_EQ(IG_IP_contrast_invert(image.get(), nullptr, 1), 0);
  EXPECT_EQ(snapshot(image.get()), before);
}

TEST(Invert, PaletteFlagInvertsEntriesOnly) {
  ScopedImage image(
      indexedImage(6, 2, 8, {rgb(10, 20, 30), rgb(255, 0, 128)}, [](int x, int) { return x % 2; }));
  const std::vector<uint8_t> indexes = areaOf(image.get());
  ASSERT_EQ(IG_IP_contrast_invert(image.get(), nullptr, 0), 0);
  EXPECT_EQ(areaOf(image.get()), indexes);
  EXPECT_TRUE(same(paletteOf(image.get())[0], rgb(245, 235, 225)));
  EXPECT_TRUE(same(paletteOf(image.get())[1], rgb(0, 255, 127)));
}

TEST(Invert, GreyImagesInvertIndexesAndStayGrey) {
  ScopedImage image(greyImage(7, 3, [](int x, int y) { return x * 30 + y; }));
  ASSERT_EQ(IG_IP_contrast_invert(image.get(), nullptr, 1), 0);
  EXPECT_TRUE(IG_image_is_gray(image.get()));
  const std::vector<uint8_t> levels = areaOf(image.get());
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 7; ++x) EXPECT_EQ(levels[y * 7 + x], 255 - (x * 30 + y));
}

TEST(Invert, OtherPalettesWholeImageInvertThePalette) {
  ScopedImage image(ovtest::makeImage(9, 4, 4));  // the 16 standard colours
  const std::vector<uint8_t> indexes = areaOf(image.get());
  const std::vector<OV_RGB> palette = paletteOf(image.get());
  ASSERT_EQ(IG_IP_contrast_invert(image.get(), nullptr, 1), 0);
  EXPECT_EQ(areaOf(image.get()), indexes);
  for (size_t i = 0; i < palette.size(); ++i)
    EXPECT_TRUE(same(paletteOf(image.get())[i], negative(palette[i])));
}

// Every pixel inside the rectangle is the negative of what it was, every pixel outside is
// unchanged; the rectangles start and end inside bytes of packed rows.
TEST(Invert, ChangesNothingOutsideTheRectangle) {
  struct Case {
    std::string name;
    std::function<OV_IMAGE()> make;
  };
  const std::vector<OV_RGB> grey16 = [] {
    std::vector<OV_RGB> p;
    for (int i = 0; i < 16; ++i) p.push_back(rgb(i * 17, i * 17, i * 17));
    return p;
  }();
  const Case cases[] = {
      {"24-bit", [] { return ovtest::makeImage(23, 9, 24); }},
      {"8-bit grey", [] { return greyImage(23, 9, [](int x, int y) { return x * 11 + y; }); }},
      {"4-bit grey",
       [&] { return indexedImage(23, 9, 4, grey16, [](int x, int y) { return (x + y) % 16; }); }},
      {"1-bit", [] { return ovtest::makeImage(23, 9, 1); }},
  };
  const OV_RECT rect{3, 2, 13, 6};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScopedImage image(c.make());
    const std::vector<OV_RGB> before = ovtest::coloursOf(image.get());
    ASSERT_EQ(IG_IP_contrast_invert(image.get(), &rect, 1), 0);
    const std::vector<OV_RGB> after = ovtest::coloursOf(image.get());
    for (int y = 0; y < 9; ++y)
      for (int x = 0; x < 23; ++x) {
        const bool inside = x >= rect.left && x <= rect.right && y >= rect.top && y <= rect.bottom;
        const OV_RGB want = inside ? negative(before[y * 23 + x]) : before[y * 23 + x];
        EXPECT_TRUE(same(after[y * 23 + x], want)) << x << "," << y;
      }
  }
}

TEST(Invert, BadArguments) {
  ScopedImage colour(ovtest::makeImage(8, 8, 24));
  ScopedImage standard(ovtest::makeImage(8, 8, 4));
  const OV_RECT rect{1, 1, 4, 4}, inverted{4, 1, 1, 4}, outside{20, 20, 30, 30};
  struct Case {
    OV_IMAGE image;
    const OV_RECT* rect;
    int32_t flag;
    int32_t code;
  };
  const Case cases[] = {
      {colour.get(), nullptr, 2, IGE_INVALID_ARGUMENT},
      {colour.get(), nullptr, -1, IGE_INVALID_ARGUMENT},
      {standard.get(), &rect, 0, IGE_INVALID_ARGUMENT},   // palette flag takes no rectangle
      {colour.get(), nullptr, 0, IGE_INVALID_BIT_DEPTH},  // no palette to invert
      {standard.get(), &rect, 1, IGE_INVALID_BIT_DEPTH},  // a palette cannot change part
      {colour.get(), &inverted, 1, IGE_INVALID_RECTANGLE},
      {colour.get(), &outside, 1, IGE_INVALID_RECTANGLE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    const std::vector<uint8_t> before = snapshot(c.image);
    expectRefused(IG_IP_contrast_invert(c.image, c.rect, c.flag), c.code, c.image, before);
  }
}

// ---- Every colour call ------------------------------------------------------------------

struct Call {
  std::string name;
  std::function<OV_ERRCOUNT(OV_IMAGE)> run;
  int bpp = 24;  // of the image it is tried on
};

const std::vector<Call>& everyCall() {
  static const OV_RECT rect{1, 1, 30, 20};
  static const std::vector<Call> calls = {
      {"promote", [](OV_IMAGE i) { return IG_IP_color_promote(i, 3); }, 8},
      {"bitonal", [](OV_IMAGE i) { return IG_IP_color_reduce_to_bitonal(i, 1, 128, 0, 0, 0); }},
      {"bayer 1", [](OV_IMAGE i) { return IG_IP_color_reduce_bayer(i, 1, 0); }},
      {"bayer 4", [](OV_IMAGE i) { return IG_IP_color_reduce_bayer(i, 4, 0); }},
      {"diffuse 1", [](OV_IMAGE i) { return IG_IP_color_reduce_diffuse(i, 1, 128, 0); }},
      {"diffuse 4", [](OV_IMAGE i) { return IG_IP_color_reduce_diffuse(i, 4, 128, 0); }},
      {"halftone", [](OV_IMAGE i) { return IG_IP_color_reduce_halftone(i, 0); }},
      {"octree", [](OV_IMAGE i) { return IG_IP_color_reduce_octree(i, 0, 16, 0, 0); }},
      {"median cut", [](OV_IMAGE i) { return IG_IP_color_reduce_median_cut(i, 0, 100); }},
      {"popularity", [](OV_IMAGE i) { return IG_IP_color_reduce_popularity(i, 0, 100); }},
      {"gray", [](OV_IMAGE i) { return IG_IP_convert_to_gray(i); }},
      {"swap", [](OV_IMAGE i) { return IG_IP_swap_red_blue(i); }},
      {"invert", [](OV_IMAGE i) { return IG_IP_contrast_invert(i, &rect, 1); }},
      {"adjust", [](OV_IMAGE i) { return IG_IP_contrast_adjust(i, &rect, 1, 2.0, 10.0); }},
      {"gamma", [](OV_IMAGE i) { return IG_IP_contrast_gamma(i, &rect, 1, 2.0); }},
      {"equalize", [](OV_IMAGE i) { return IG_IP_contrast_equalize(i, &rect, 1); }},
      {"stretch", [](OV_IMAGE i) { return IG_IP_contrast_stretch(i, &rect, 1); }},
  };
  return calls;
}

TEST(ColourCalls, InvalidHandle) {
  for (const Call& call : everyCall()) {
    SCOPED_TRACE(call.name);
    expectRefused(call.run(0), IGE_INVALID_IMAGE, 0, {});
    expectRefused(call.run(0x7FFFFFF0), IGE_INVALID_IMAGE, 0, {});
  }
}

TEST(ColourCalls, SucceedOnAColourImage) {
  for (const Call& call : everyCall()) {
    SCOPED_TRACE(call.name);
    ScopedImage image(ovtest::makeImage(40, 30, call.bpp));
    const std::vector<uint8_t> before = snapshot(image.get());
    EXPECT_EQ(call.run(image.get()), 0);
    EXPECT_NE(snapshot(image.get()), before);
  }
}

TEST(ColourCalls, ProgressRunsToItsTotal) {
  ovtest::ProgressScript progress;
  for (const Call& call : everyCall()) {
    SCOPED_TRACE(call.name);
    ScopedImage image(ovtest::makeImage(40, 30, call.bpp));
    progress.reset();
    EXPECT_EQ(call.run(image.get()), 0);
    EXPECT_GE(progress.calls(), 1);
    EXPECT_EQ(progress.calls(), progress.total());
    EXPECT_EQ(progress.counter(), 0);
  }
}

TEST(ColourCalls, CancelChangesNothing) {
  ovtest::ProgressScript cancel;
  for (const Call& call : everyCall()) {
    for (int cancel_at : {1, 2}) {
      SCOPED_TRACE(call.name + " at call " + std::to_string(cancel_at));
      ScopedImage image(ovtest::makeImage(40, 30, call.bpp));
      const std::vector<uint8_t> before = snapshot(image.get());
      cancel.reset(cancel_at);
      expectRefused(call.run(image.get()), IGE_CANCELLED, image.get(), before);
      EXPECT_EQ(cancel.calls(), cancel_at);
    }
  }
}

}  // namespace
