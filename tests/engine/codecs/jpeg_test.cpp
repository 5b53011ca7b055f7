// JPEG: EXIF orientation, density, depths, CMYK, quality, damaged files and progress.
#include <gtest/gtest.h>

// clang-format off
#include <cstdio>  // jpeglib.h needs FILE first
#include <jpeglib.h>
// clang-format on

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "progress_script.h"
#include "temp_dir.h"
#include "test_images.h"

using namespace ovtest;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes saveJpeg(OV_IMAGE image, int quality = 90) {
  TempDir dir;
  const std::string path = dir.file("saved.jpg");
  IG_save_JPEG_quality_set(quality);
  if (IG_save_file(image, path.c_str(), IG_FORMAT_JPG) != 0) return {};
  return readFile(path);
}

// Writes `bytes` to a file and loads it; the error code (0 on success).
int loadBytes(const Bytes& bytes, ScopedImage& image) {
  TempDir dir;
  const std::string path = dir.file("in.jpg");
  writeFile(path, bytes);
  return IG_load_file(path.c_str(), image.out()) == 0 ? 0 : takeErrorCode();
}

int infoOfBytes(const Bytes& bytes, OV_IMAGE_INFO& info) {
  TempDir dir;
  const std::string path = dir.file("in.jpg");
  writeFile(path, bytes);
  return IG_info_get(path.c_str(), nullptr, nullptr, &info) == 0 ? 0 : takeErrorCode();
}

void put16(Bytes& b, uint16_t v, bool big_endian) {
  if (big_endian) {
    b.push_back(static_cast<uint8_t>(v >> 8));
    b.push_back(static_cast<uint8_t>(v));
  } else {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
  }
}

void put32(Bytes& b, uint32_t v, bool big_endian) {
  put16(b, static_cast<uint16_t>(big_endian ? v >> 16 : v), big_endian);
  put16(b, static_cast<uint16_t>(big_endian ? v : v >> 16), big_endian);
}

// An APP1 EXIF segment whose IFD0 holds one orientation entry.
Bytes exifSegment(int orientation, bool big_endian, uint32_t ifd_offset = 8) {
  Bytes tiff = {static_cast<uint8_t>(big_endian ? 'M' : 'I'),
                static_cast<uint8_t>(big_endian ? 'M' : 'I')};
  put16(tiff, 42, big_endian);
  put32(tiff, ifd_offset, big_endian);
  put16(tiff, 1, big_endian);       // one entry
  put16(tiff, 0x0112, big_endian);  // orientation, one SHORT
  put16(tiff, 3, big_endian);
  put32(tiff, 1, big_endian);
  put16(tiff, static_cast<uint16_t>(orientation), big_endian);
  put16(tiff, 0, big_endian);
  put32(tiff, 0, big_endian);  // no next IFD
  Bytes segment = {0xFF, 0xE1};
  put16(segment, static_cast<uint16_t>(2 + 6 + tiff.size()), true);
  for (char c : std::string("Exif\0\0", 6)) segment.push_back(static_cast<uint8_t>(c));
  segment.insert(segment.end(), tiff.begin(), tiff.end());
  return segment;
}

Bytes withSegmentAfterSoi(Bytes jpeg, const Bytes& segment) {
  jpeg.insert(jpeg.begin() + 2, segment.begin(), segment.end());
  return jpeg;
}

// ---- EXIF orientation -----------------------------------------------------------------

struct Orientation {
  int value;
  bool turned;  // width and height swap
  bool flip_x;  // source column counted from the right
  bool flip_y;  // source row counted from the bottom
};

// Where upright pixel (x, y) comes from in the stored picture, as the EXIF values define.
const Orientation kOrientations[] = {
    {1, false, false, false}, {2, false, true, false}, {3, false, true, true},
    {4, false, false, true},  {5, true, false, false}, {6, true, false, true},
    {7, true, true, true},    {8, true, true, false},
};

std::vector<OV_RGB> upright(const std::vector<OV_RGB>& stored, int w, int h, const Orientation& o) {
  const int uw = o.turned ? h : w, uh = o.turned ? w : h;
  std::vector<OV_RGB> out(stored.size());
  for (int y = 0; y < uh; ++y) {
    for (int x = 0; x < uw; ++x) {
      int sx = o.turned ? y : x, sy = o.turned ? x : y;
      if (o.flip_x) sx = w - 1 - sx;
      if (o.flip_y) sy = h - 1 - sy;
      out[static_cast<size_t>(y) * uw + x] = stored[static_cast<size_t>(sy) * w + sx];
    }
  }
  return out;
}

class JpegOrientation : public ::testing::TestWithParam<Orientation> {};

TEST_P(JpegOrientation, LoadsUprightAndReportsUprightSize) {
  const Orientation& o = GetParam();
  constexpr int kW = 40, kH = 24;
  ScopedImage original(makeImage(kW, kH, 24));
  const Bytes plain = saveJpeg(original.get());
  ASSERT_FALSE(plain.empty());
  ScopedImage stored;
  ASSERT_EQ(loadBytes(plain, stored), 0);

  // Both byte orders: odd values big-endian, even ones little-endian.
  const Bytes oriented = withSegmentAfterSoi(plain, exifSegment(o.value, o.value % 2 == 1));
  OV_IMAGE_INFO info{};
  ASSERT_EQ(infoOfBytes(oriented, info), 0);
  EXPECT_EQ(info.width, o.turned ? kH : kW);
  EXPECT_EQ(info.height, o.turned ? kW : kH);

  ScopedImage loaded;
  ASSERT_EQ(loadBytes(oriented, loaded), 0);
  EXPECT_EQ(shapeOf(loaded.get()),
            std::to_string(info.width) + "x" + std::to_string(info.height) + "x24");
  const auto expected = upright(coloursOf(stored.get()), kW, kH, o);
  const auto actual = coloursOf(loaded.get());
  ASSERT_EQ(actual.size(), expected.size());
  int64_t differing = 0;
  for (size_t i = 0; i < actual.size(); ++i)
    differing += actual[i].b != expected[i].b || actual[i].g != expected[i].g ||
                 actual[i].r != expected[i].r;
  EXPECT_EQ(differing, 0);
}

INSTANTIATE_TEST_SUITE_P(Exif, JpegOrientation, ::testing::ValuesIn(kOrientations),
                         [](const auto& info) { return std::to_string(info.param.value); });

TEST(JpegExif, DamagedBlocksAreIgnored) {
  ScopedImage original(makeImage(16, 8, 24));
  const Bytes plain = saveJpeg(original.get());
  const Bytes damaged[] = {
      exifSegment(6, false, 0xFFFFFFF0u),  // IFD far outside the block
      exifSegment(6, true, 25),            // IFD on the block's last byte
      exifSegment(9, false),               // no such orientation
  };
  for (const Bytes& segment : damaged) {
    ScopedImage loaded;
    ASSERT_EQ(loadBytes(withSegmentAfterSoi(plain, segment), loaded), 0);
    EXPECT_EQ(shapeOf(loaded.get()), "16x8x24");
  }
}

// ---- Density --------------------------------------------------------------------------

struct Density {
  const char* name;
  uint8_t unit;  // the JFIF unit: 0 aspect ratio only, 1 per inch, 2 per centimetre
  uint16_t x, y;
  int32_t x_ppm, y_ppm;
  int32_t x_dpi, y_dpi;
};

class JpegDensity : public ::testing::TestWithParam<Density> {};

TEST_P(JpegDensity, BecomesPixelsPerMetre) {
  const Density& d = GetParam();
  ScopedImage original(makeImage(8, 8, 24));
  Bytes jpeg = saveJpeg(original.get());
  // The engine writes JFIF first: FFD8 FFE0 len "JFIF\0" version unit x y.
  ASSERT_GT(jpeg.size(), 18u);
  ASSERT_EQ(std::string(jpeg.begin() + 6, jpeg.begin() + 10), "JFIF");
  jpeg[13] = d.unit;
  jpeg[14] = static_cast<uint8_t>(d.x >> 8), jpeg[15] = static_cast<uint8_t>(d.x);
  jpeg[16] = static_cast<uint8_t>(d.y >> 8), jpeg[17] = static_cast<uint8_t>(d.y);

  OV_IMAGE_INFO info{};
  ASSERT_EQ(infoOfBytes(jpeg, info), 0);
  EXPECT_EQ(info.x_pixels_per_metre, d.x_ppm);
  EXPECT_EQ(info.y_pixels_per_metre, d.y_ppm);
  ScopedImage loaded;
  ASSERT_EQ(loadBytes(jpeg, loaded), 0);
  int32_t x = -1, y = -1;
  IG_image_resolution_get(loaded.get(), &x, nullptr, &y, nullptr, nullptr);
  EXPECT_EQ(x, d.x_dpi);
  EXPECT_EQ(y, d.y_dpi);
}

INSTANTIATE_TEST_SUITE_P(Jfif, JpegDensity,
                         ::testing::Values(Density{"dpi", 1, 300, 72, 11811, 2835, 300, 72},
                                           Density{"dpcm", 2, 118, 40, 11800, 4000, 300, 102},
                                           Density{"aspect", 0, 2, 1, 0, 0, 0, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(JpegDensity, SavedAsWholeDotsPerInch) {
  ScopedImage image(makeImage(8, 8, 24));
  ASSERT_EQ(IG_image_resolution_set(image.get(), 300, 1, 96, 1, OV_RES_PER_INCH), 0);
  const Bytes jpeg = saveJpeg(image.get());
  ASSERT_GT(jpeg.size(), 18u);
  EXPECT_EQ(jpeg[13], 1);  // dots per inch
  EXPECT_EQ(jpeg[14] << 8 | jpeg[15], 300);
  EXPECT_EQ(jpeg[16] << 8 | jpeg[17], 96);
}

// ---- Depths and colour spaces ---------------------------------------------------------

// An 8-bit image with a colour palette that changes smoothly across the picture, so that
// JPEG keeps it close.
OV_IMAGE smoothPalette(int width, int height) {
  OV_IMAGE image = 0;
  IG_image_create_DIB_ex(width, height, 8, 0, nullptr, &image);
  for (int i = 0; i < 256; ++i) {
    const OV_RGB c{128, static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i)};
    IG_palette_entry_set(image, &c, i);
  }
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const uint8_t index = static_cast<uint8_t>(x * 255 / (width - 1));
      IG_DIB_pixel_set(image, x, y, &index);
    }
  return image;
}

struct Depth {
  const char* name;
  OV_IMAGE (*make)(int width, int height);
  int loaded_bpp;
};

class JpegDepth : public ::testing::TestWithParam<Depth> {};

TEST_P(JpegDepth, SavesAndLoadsAtTheRightDepth) {
  const Depth& d = GetParam();
  ScopedImage original(d.make(33, 17));
  const Bytes jpeg = saveJpeg(original.get(), 95);
  ASSERT_FALSE(jpeg.empty()) << takeErrorCode();
  OV_IMAGE_INFO info{};
  ASSERT_EQ(infoOfBytes(jpeg, info), 0);
  EXPECT_EQ(info.bits_per_pixel, d.loaded_bpp);
  ScopedImage loaded;
  ASSERT_EQ(loadBytes(jpeg, loaded), 0);
  EXPECT_EQ(shapeOf(loaded.get()), "33x17x" + std::to_string(d.loaded_bpp));
  EXPECT_EQ(IG_image_is_gray(loaded.get()) != 0, d.loaded_bpp == 8);
  EXPECT_GE(psnr(original.get(), loaded.get()), 30);
}

INSTANTIATE_TEST_SUITE_P(
    Save, JpegDepth,
    ::testing::Values(Depth{"rgb", [](int w, int h) { return makeImage(w, h, 24); }, 24},
                      Depth{"grey_ramp",
                            [](int w, int h) { return makeImage(w, h, 8, Pattern::kGray); }, 8},
                      Depth{"palette", smoothPalette, 24}),
    [](const auto& info) { return std::string(info.param.name); });

// Four bars of ink percentages, written with libjpeg as Adobe programs write CMYK.
struct Ink {
  uint8_t c, m, y, k;
  OV_RGB rgb;
};
const Ink kInks[] = {
    {0, 255, 255, 0, {0, 0, 255}},    // red
    {255, 0, 255, 0, {0, 255, 0}},    // green
    {255, 255, 0, 0, {255, 0, 0}},    // blue
    {0, 0, 0, 128, {127, 127, 127}},  // half black
};
constexpr int kBar = 16;

struct Coding {
  J_COLOR_SPACE in = JCS_RGB;  // 3 or 4 components
  J_COLOR_SPACE stored_as = JCS_YCbCr;
  bool progressive = false;
  bool arithmetic = false;
};

// Writes a picture with libjpeg directly; `fill` makes row y of the input.
Bytes writeWithLibjpeg(int width, int height, const Coding& coding,
                       const std::function<void(int y, uint8_t* row)>& fill) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr err{};
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = width;
  cinfo.image_height = height;
  cinfo.input_components = coding.in == JCS_CMYK ? 4 : 3;
  cinfo.in_color_space = coding.in;
  jpeg_set_defaults(&cinfo);
  jpeg_set_colorspace(&cinfo, coding.stored_as);
  jpeg_set_quality(&cinfo, 95, TRUE);
  if (coding.progressive) jpeg_simple_progression(&cinfo);
  cinfo.arith_code = coding.arithmetic;
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<uint8_t> row(static_cast<size_t>(width) * cinfo.input_components);
  JSAMPROW rows[1] = {row.data()};
  while (cinfo.next_scanline < cinfo.image_height) {
    fill(static_cast<int>(cinfo.next_scanline), row.data());
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  Bytes out(buffer, buffer + size);
  std::free(buffer);
  return out;
}

Bytes cmykBars(J_COLOR_SPACE stored_as) {
  return writeWithLibjpeg(kBar * 4, 16, {JCS_CMYK, stored_as}, [](int, uint8_t* row) {
    for (int x = 0; x < kBar * 4; ++x) {
      const Ink& ink = kInks[x / kBar];
      const uint8_t values[4] = {ink.c, ink.m, ink.y, ink.k};
      for (int i = 0; i < 4; ++i) row[4 * x + i] = static_cast<uint8_t>(255 - values[i]);
    }
  });
}

class JpegCmyk : public ::testing::TestWithParam<J_COLOR_SPACE> {};

TEST_P(JpegCmyk, LoadsAsRgb) {
  const Bytes jpeg = cmykBars(GetParam());
  OV_IMAGE_INFO info{};
  ASSERT_EQ(infoOfBytes(jpeg, info), 0);
  EXPECT_EQ(info.bits_per_pixel, 24);
  ScopedImage loaded;
  ASSERT_EQ(loadBytes(jpeg, loaded), 0);
  ASSERT_EQ(shapeOf(loaded.get()), "64x16x24");
  const auto colours = coloursOf(loaded.get());
  for (int bar = 0; bar < 4; ++bar) {
    const OV_RGB got = colours[8 * 64 + bar * kBar + kBar / 2];
    const OV_RGB want = kInks[bar].rgb;
    EXPECT_NEAR(got.r, want.r, 8) << "bar " << bar;
    EXPECT_NEAR(got.g, want.g, 8) << "bar " << bar;
    EXPECT_NEAR(got.b, want.b, 8) << "bar " << bar;
  }
}

INSTANTIATE_TEST_SUITE_P(Adobe, JpegCmyk, ::testing::Values(JCS_CMYK, JCS_YCCK),
                         [](const auto& info) {
                           return std::string(info.param == JCS_CMYK ? "cmyk" : "ycck");
                         });

TEST(JpegQuality, HigherQualityMakesLargerFiles) {
  ScopedImage image(makeImage(64, 64, 24));
  size_t previous = 0;
  for (int quality : {5, 50, 95}) {
    const size_t size = saveJpeg(image.get(), quality).size();
    EXPECT_GT(size, previous) << "quality " << quality;
    previous = size;
  }
}

// ---- Damaged files --------------------------------------------------------------------

// Offset of the first marker `code` (FF code) in a file the engine wrote.
size_t markerAt(const Bytes& jpeg, uint8_t code) {
  for (size_t i = 0; i + 1 < jpeg.size(); ++i)
    if (jpeg[i] == 0xFF && jpeg[i + 1] == code) return i;
  return jpeg.size();
}

// Rewrites the frame header (FFCn len precision height width) of a baseline, progressive or
// arithmetic-coded file.
Bytes withSize(Bytes jpeg, uint16_t width, uint16_t height) {
  size_t sof = jpeg.size();
  for (uint8_t code : {0xC0, 0xC2, 0xC9, 0xCA}) sof = std::min(sof, markerAt(jpeg, code));
  if (sof + 9 > jpeg.size()) return {};
  jpeg[sof + 5] = static_cast<uint8_t>(height >> 8), jpeg[sof + 6] = static_cast<uint8_t>(height);
  jpeg[sof + 7] = static_cast<uint8_t>(width >> 8), jpeg[sof + 8] = static_cast<uint8_t>(width);
  return jpeg;
}

Bytes cut(const Bytes& jpeg, size_t size) {
  return Bytes(jpeg.begin(), jpeg.begin() + size);
}

struct Damage {
  const char* name;
  Bytes bytes;
  bool header_intact;  // information still reads
};

TEST(JpegDamage, UndecodableFilesAreRefused) {
  ScopedImage image(makeImage(64, 64, 24));
  const Bytes good = saveJpeg(image.get());
  const size_t sos = markerAt(good, 0xDA);
  ASSERT_LT(sos + 40, good.size());
  const auto grey_rows = [](int y, uint8_t* row) { std::fill_n(row, 3 * 64, y * 4); };
  const Bytes progressive = writeWithLibjpeg(64, 64, {.progressive = true}, grey_rows);
  const Bytes arithmetic = writeWithLibjpeg(64, 64, {.arithmetic = true}, grey_rows);
  Bytes garbage = {0xFF, 0xD8, 0xFF};
  for (int i = 0; i < 300; ++i) garbage.push_back(static_cast<uint8_t>(i * 151 + 7));

  const Damage cases[] = {
      {"empty", {}, false},
      {"soi_only", cut(good, 3), false},
      {"in_the_tables", cut(good, 40), false},
      {"before_the_scan", cut(good, sos), false},
      {"scan_header", cut(good, sos + 6), false},
      {"entropy_start", cut(good, sos + 40), true},
      {"entropy_middle", cut(good, (sos + good.size()) / 2), true},
      {"entropy_end", cut(good, good.size() - 20), true},
      {"garbage_after_soi", garbage, false},
      {"too_many_pixels", withSize(good, 60000, 60000), false},
      {"too_little_data", withSize(good, 30000, 30000), false},
      {"too_little_progressive_data", withSize(progressive, 30000, 2000), false},
      {"too_little_arithmetic_data", withSize(arithmetic, 30000, 2000), false},
  };
  for (const Damage& d : cases) {
    SCOPED_TRACE(d.name);
    ScopedImage loaded;
    EXPECT_EQ(loadBytes(d.bytes, loaded), IGE_INVALID_FILE_HEADER);
    EXPECT_EQ(loaded.get(), 0u);
    OV_IMAGE_INFO info{};
    EXPECT_EQ(infoOfBytes(d.bytes, info), d.header_intact ? 0 : IGE_INVALID_FILE_HEADER);
  }
}

// ---- Progress -------------------------------------------------------------------------

TEST(JpegProgress, CalledOncePerUnitAndCancels) {
  ScopedImage image(makeImage(40, 48, 24));
  TempDir dir;
  const std::string path = dir.file("progress.jpg");
  IG_save_JPEG_quality_set(90);
  ASSERT_EQ(IG_save_file(image.get(), path.c_str(), IG_FORMAT_JPG), 0);
  ProgressScript progress;
  ScopedImage loaded;
  EXPECT_EQ(IG_load_file(path.c_str(), loaded.out()), 0);
  EXPECT_EQ(progress.total(), 48);
  EXPECT_EQ(progress.calls(), progress.total());

  progress.reset(2);
  OV_IMAGE cancelled = 0;
  EXPECT_EQ(IG_load_file(path.c_str(), &cancelled), 1);
  EXPECT_EQ(takeErrorCode(), IGE_CANCELLED);
  EXPECT_EQ(cancelled, 0u);
  EXPECT_EQ(progress.calls(), 2);
}

}  // namespace
