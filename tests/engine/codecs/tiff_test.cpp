// TIFF: files written here with libtiff itself in the layouts other programs use, resolution,
// compression codes, multi-page writing through descriptors, and hostile input.
//
// 16-bit samples become 8 bits as (v * 255 + 32767) / 65535. Unassociated alpha is first
// premultiplied as (c * a + 127) / 255, then composited over white as c + 255 - a.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <tiffio.h>
#include <unistd.h>

#include <cstdarg>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "temp_dir.h"
#include "test_images.h"

using namespace ovtest;

namespace {

struct Rgb {
  int r, g, b;
};

// libtiff's own warnings about the odd files made here stay out of the test log.
int quiet(TIFF*, void*, const char*, const char*, va_list) {
  return 1;
}

// Writes a TIFF file with libtiff; `body` sets up and writes every directory.
void writeWithLibtiff(const std::string& path, const std::function<void(TIFF*)>& body) {
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  TIFFOpenOptionsSetErrorHandlerExtR(options, quiet, nullptr);
  TIFFOpenOptionsSetWarningHandlerExtR(options, quiet, nullptr);
  TIFF* tif = TIFFOpenExt(path.c_str(), "w", options);
  TIFFOpenOptionsFree(options);
  ASSERT_NE(tif, nullptr);
  body(tif);
  TIFFClose(tif);
}

void basicTags(TIFF* t, uint32_t w, uint32_t h, int bits, int samples, int photometric) {
  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, w);
  TIFFSetField(t, TIFFTAG_IMAGELENGTH, h);
  TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, bits);
  TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, samples);
  TIFFSetField(t, TIFFTAG_PHOTOMETRIC, photometric);
  TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, h);
}

// Writes `rows` rows of `row_bytes` each from `data`.
void writeRows(TIFF* t, const void* data, size_t row_bytes, uint32_t rows, uint16_t sample = 0) {
  std::vector<uint8_t> row(row_bytes);
  for (uint32_t y = 0; y < rows; ++y) {
    std::memcpy(row.data(), static_cast<const uint8_t*>(data) + y * row_bytes, row_bytes);
    TIFFWriteScanline(t, row.data(), y, sample);
  }
}

template <typename T, size_t N>
void writeAll(TIFF* t, const T (&data)[N], uint32_t rows) {
  writeRows(t, data, sizeof(data) / rows, rows);
}

void colourMap(TIFF* t, int entries, const std::function<Rgb(int)>& entry, int scale) {
  std::vector<uint16_t> r(entries), g(entries), b(entries);
  for (int i = 0; i < entries; ++i) {
    const Rgb c = entry(i);
    r[i] = static_cast<uint16_t>(c.r * scale);
    g[i] = static_cast<uint16_t>(c.g * scale);
    b[i] = static_cast<uint16_t>(c.b * scale);
  }
  TIFFSetField(t, TIFFTAG_COLORMAP, r.data(), g.data(), b.data());
}

// Four palette entries, then greys.
Rgb paletteEntry(int i) {
  static const Rgb kFirst[4] = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {40, 80, 120}};
  return i < 4 ? kFirst[i] : Rgb{i * 10, i * 10, i * 10};
}

// 3 x 2 grey image 10 20 30 / 40 50 60 with an orientation tag.
void oriented(TIFF* t, int orientation) {
  basicTags(t, 3, 2, 8, 1, PHOTOMETRIC_MINISBLACK);
  TIFFSetField(t, TIFFTAG_ORIENTATION, orientation);
  const uint8_t px[] = {10, 20, 30, 40, 50, 60};
  writeAll(t, px, 2);
}

struct Probe {
  int x, y;
  Rgb colour;
};

struct Fixture {
  const char* name;
  void (*make)(TIFF*);
  const char* shape;  // as loaded: upright width x height x depth
  std::vector<Probe> probes;
  int tolerance = 0;
};

const Fixture kFixtures[] = {
    {"grey16",
     [](TIFF* t) {
       basicTags(t, 4, 1, 16, 1, PHOTOMETRIC_MINISBLACK);
       const uint16_t px[] = {0, 0x8000, 0xFFFF, 0x4040};
       writeAll(t, px, 1);
     },
     "4x1x8",
     {{0, 0, {0, 0, 0}}, {1, 0, {128, 128, 128}}, {2, 0, {255, 255, 255}}, {3, 0, {64, 64, 64}}}},
    {"rgb16",
     [](TIFF* t) {
       basicTags(t, 2, 1, 16, 3, PHOTOMETRIC_RGB);
       const uint16_t px[] = {0xFFFF, 0, 0x8000, 0x1010, 0x2020, 0x3030};
       writeAll(t, px, 1);
     },
     "2x1x24",
     {{0, 0, {255, 0, 128}}, {1, 0, {16, 32, 48}}}},
    {"rgba_over_white",
     [](TIFF* t) {
       basicTags(t, 2, 1, 8, 4, PHOTOMETRIC_RGB);
       const uint16_t extra[] = {EXTRASAMPLE_UNASSALPHA};
       TIFFSetField(t, TIFFTAG_EXTRASAMPLES, 1, extra);
       const uint8_t px[] = {255, 0, 0, 128, 0, 0, 255, 255};
       writeAll(t, px, 1);
     },
     "2x1x24",
     {{0, 0, {255, 127, 127}}, {1, 0, {0, 0, 255}}}},
    {"planar_separate",
     [](TIFF* t) {
       basicTags(t, 2, 2, 8, 3, PHOTOMETRIC_RGB);
       TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_SEPARATE);
       const uint8_t planes[3][4] = {{10, 20, 30, 40}, {50, 60, 70, 80}, {90, 100, 110, 120}};
       for (uint16_t s = 0; s < 3; ++s) writeRows(t, planes[s], 2, 2, s);
     },
     "2x2x24",
     {{0, 0, {10, 50, 90}}, {1, 1, {40, 80, 120}}}},
    {"tiled",
     [](TIFF* t) {
       basicTags(t, 20, 18, 8, 3, PHOTOMETRIC_RGB);
       TIFFSetField(t, TIFFTAG_TILEWIDTH, 16);
       TIFFSetField(t, TIFFTAG_TILELENGTH, 16);
       TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
       std::vector<uint8_t> tile(16 * 16 * 3);
       for (uint32_t ty = 0; ty < 18; ty += 16) {
         for (uint32_t tx = 0; tx < 20; tx += 16) {
           for (uint32_t i = 0; i < 256; ++i) {
             tile[3 * i] = static_cast<uint8_t>((tx + i % 16) * 10);
             tile[3 * i + 1] = static_cast<uint8_t>((ty + i / 16) * 10);
             tile[3 * i + 2] = 100;
           }
           TIFFWriteTile(t, tile.data(), tx, ty, 0, 0);
         }
       }
     },
     "20x18x24",
     {{0, 0, {0, 0, 100}}, {16, 0, {160, 0, 100}}, {19, 17, {190, 170, 100}}}},
    {"ycbcr_jpeg",
     [](TIFF* t) {
       basicTags(t, 16, 16, 8, 3, PHOTOMETRIC_YCBCR);
       TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_JPEG);
       TIFFSetField(t, TIFFTAG_JPEGQUALITY, 95);
       TIFFSetField(t, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
       std::vector<uint8_t> px(16 * 16 * 3);
       for (size_t i = 0; i < px.size(); i += 3) px[i] = 200, px[i + 1] = 100, px[i + 2] = 50;
       writeRows(t, px.data(), 48, 16);
     },
     "16x16x24",
     {{8, 8, {200, 100, 50}}},
     4},
    {"cmyk",
     [](TIFF* t) {
       basicTags(t, 2, 1, 8, 4, PHOTOMETRIC_SEPARATED);
       TIFFSetField(t, TIFFTAG_INKSET, INKSET_CMYK);
       const uint8_t px[] = {0, 255, 255, 0, 0, 0, 0, 255};
       writeAll(t, px, 1);
     },
     "2x1x24",
     {{0, 0, {255, 0, 0}}, {1, 0, {0, 0, 0}}}},
    {"bilevel_min_is_white",
     [](TIFF* t) {
       basicTags(t, 8, 1, 1, 1, PHOTOMETRIC_MINISWHITE);
       const uint8_t px[] = {0b10100000};
       writeAll(t, px, 1);
     },
     "8x1x1",
     {{0, 0, {0, 0, 0}}, {1, 0, {255, 255, 255}}, {2, 0, {0, 0, 0}}, {7, 0, {255, 255, 255}}}},
    {"grey2",
     [](TIFF* t) {
       basicTags(t, 4, 1, 2, 1, PHOTOMETRIC_MINISBLACK);
       const uint8_t px[] = {0b00011011};
       writeAll(t, px, 1);
     },
     "4x1x4",
     {{0, 0, {0, 0, 0}}, {1, 0, {85, 85, 85}}, {2, 0, {170, 170, 170}}, {3, 0, {255, 255, 255}}}},
    {"palette4",
     [](TIFF* t) {
       basicTags(t, 4, 1, 4, 1, PHOTOMETRIC_PALETTE);
       colourMap(t, 16, paletteEntry, 257);
       const uint8_t px[] = {0x12, 0x30};
       writeAll(t, px, 1);
     },
     "4x1x4",
     {{0, 0, {255, 0, 0}}, {1, 0, {0, 255, 0}}, {2, 0, {40, 80, 120}}, {3, 0, {0, 0, 0}}}},
    {"palette2_with_8bit_map",  // some old programs store 8-bit values in the 16-bit map
     [](TIFF* t) {
       basicTags(t, 4, 1, 2, 1, PHOTOMETRIC_PALETTE);
       colourMap(t, 4, paletteEntry, 1);
       const uint8_t px[] = {0b00011011};
       writeAll(t, px, 1);
     },
     "4x1x4",
     {{1, 0, {255, 0, 0}}, {3, 0, {40, 80, 120}}}},
    {"float_grey",
     [](TIFF* t) {
       basicTags(t, 3, 1, 32, 1, PHOTOMETRIC_MINISBLACK);
       TIFFSetField(t, TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_IEEEFP);
       const float px[] = {0.0f, 0.5f, 1.0f};
       writeAll(t, px, 1);
     },
     "3x1x8",
     {{0, 0, {0, 0, 0}}, {1, 0, {128, 128, 128}}, {2, 0, {255, 255, 255}}}},
    // Orientation 6: stored rows are the picture's columns from the right.
    {"orientation6",
     [](TIFF* t) { oriented(t, ORIENTATION_RIGHTTOP); },
     "2x3x8",
     {{0, 0, {40, 40, 40}}, {1, 0, {10, 10, 10}}, {0, 2, {60, 60, 60}}, {1, 2, {30, 30, 30}}}},
    {"orientation3",
     [](TIFF* t) { oriented(t, ORIENTATION_BOTRIGHT); },
     "3x2x8",
     {{0, 0, {60, 60, 60}}, {2, 1, {10, 10, 10}}}},
    // Alpha takes libtiff's RGBA route: the rows must still be turned exactly once.
    {"rgba_orientation4",
     [](TIFF* t) {
       basicTags(t, 1, 2, 8, 4, PHOTOMETRIC_RGB);
       TIFFSetField(t, TIFFTAG_ORIENTATION, ORIENTATION_BOTLEFT);
       const uint16_t extra[] = {EXTRASAMPLE_ASSOCALPHA};
       TIFFSetField(t, TIFFTAG_EXTRASAMPLES, 1, extra);
       const uint8_t px[] = {10, 20, 30, 255, 40, 50, 60, 255};
       writeAll(t, px, 2);
     },
     "1x2x24",
     {{0, 0, {40, 50, 60}}, {0, 1, {10, 20, 30}}}},
};

class ForeignFile : public ::testing::TestWithParam<Fixture> {};

}  // namespace

TEST_P(ForeignFile, LoadsWithTheExpectedColours) {
  const Fixture& f = GetParam();
  TempDir dir;
  const std::string path = dir.file("foreign.tif");
  writeWithLibtiff(path, [&](TIFF* t) { f.make(t); });

  OV_IMAGE_INFO info{};
  int32_t format = 0;
  ASSERT_EQ(IG_info_get(path.c_str(), &format, nullptr, &info), 0) << takeErrorCode();
  EXPECT_EQ(format, IG_FORMAT_TIF);
  EXPECT_EQ(std::to_string(info.width) + "x" + std::to_string(info.height) + "x" +
                std::to_string(info.bits_per_pixel),
            f.shape);

  ScopedImage image;
  ASSERT_EQ(IG_load_file(path.c_str(), image.out()), 0) << takeErrorCode();
  ASSERT_EQ(shapeOf(image.get()), f.shape);
  int32_t width = 0;
  IG_image_dimensions_get(image.get(), &width, nullptr, nullptr);
  const auto colours = coloursOf(image.get());
  for (const Probe& p : f.probes) {
    const OV_RGB c = colours[static_cast<size_t>(p.y) * width + p.x];
    EXPECT_NEAR(c.r, p.colour.r, f.tolerance) << "at " << p.x << "," << p.y;
    EXPECT_NEAR(c.g, p.colour.g, f.tolerance) << "at " << p.x << "," << p.y;
    EXPECT_NEAR(c.b, p.colour.b, f.tolerance) << "at " << p.x << "," << p.y;
  }
}

INSTANTIATE_TEST_SUITE_P(Tiff, ForeignFile, ::testing::ValuesIn(kFixtures),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TiffResolution, InchesAndCentimetresBecomePixelsPerMetre) {
  struct Case {
    int unit;
    float x, y;
    int x_ppm, y_ppm;
  };
  const Case cases[] = {{RESUNIT_INCH, 300, 150, 11811, 5906},
                        {RESUNIT_CENTIMETER, 40, 100, 4000, 10000},
                        {RESUNIT_NONE, 300, 300, 0, 0}};
  TempDir dir;
  for (const Case& c : cases) {
    const std::string path = dir.file("res.tif");
    writeWithLibtiff(path, [&](TIFF* t) {
      basicTags(t, 1, 1, 8, 1, PHOTOMETRIC_MINISBLACK);
      TIFFSetField(t, TIFFTAG_RESOLUTIONUNIT, c.unit);
      TIFFSetField(t, TIFFTAG_XRESOLUTION, c.x);
      TIFFSetField(t, TIFFTAG_YRESOLUTION, c.y);
      const uint8_t px[] = {7};
      writeAll(t, px, 1);
    });
    OV_IMAGE_INFO info{};
    ASSERT_EQ(IG_info_get(path.c_str(), nullptr, nullptr, &info), 0) << "unit " << c.unit;
    EXPECT_EQ(info.x_pixels_per_metre, c.x_ppm) << "unit " << c.unit;
    EXPECT_EQ(info.y_pixels_per_metre, c.y_ppm) << "unit " << c.unit;
  }
}

TEST(TiffSave, ReportsTheCompressionItWrote) {
  struct Case {
    int compression, bpp, reported;
  };
  // Deflate is written as LZW.
  const Case cases[] = {{IG_COMPRESSION_NONE, 8, 0},         {IG_COMPRESSION_PACKED_BITS, 4, 1},
                        {IG_COMPRESSION_CCITT_G3_RLE, 1, 2}, {IG_COMPRESSION_CCITT_G3, 1, 3},
                        {IG_COMPRESSION_CCITT_G4, 1, 4},     {IG_COMPRESSION_CCITT_G3_2D, 1, 5},
                        {IG_COMPRESSION_JPEG, 24, 6},        {IG_COMPRESSION_LZW, 24, 8},
                        {IG_COMPRESSION_DEFLATE, 24, 8}};
  TempDir dir;
  for (const Case& c : cases) {
    const std::string path = dir.file("c.tif");
    ScopedImage image(makeImage(20, 10, c.bpp));
    ASSERT_EQ(IG_save_file(image.get(), path.c_str(), IG_SAVE_CODE(IG_FORMAT_TIF, c.compression)),
              0)
        << c.compression;
    int32_t compression = -1;
    ASSERT_EQ(IG_info_get(path.c_str(), nullptr, &compression, nullptr), 0);
    EXPECT_EQ(compression, c.reported) << "saved with " << c.compression;
  }
}

TEST(TiffSave, TwoColourPalettesKeepColoursOrAtLeastIndexes) {
  TempDir dir;
  const std::string path = dir.file("two.tif");
  ScopedImage image(makeImage(21, 5, 1));
  const OV_RGB red{0, 0, 200}, blue{180, 0, 0};  // OV_RGB is b, g, r
  IG_palette_entry_set(image.get(), &red, 0);
  IG_palette_entry_set(image.get(), &blue, 1);

  // Without fax coding the palette is kept.
  ASSERT_EQ(
      IG_save_file(image.get(), path.c_str(), IG_SAVE_CODE(IG_FORMAT_TIF, IG_COMPRESSION_LZW)), 0);
  ScopedImage loaded;
  ASSERT_EQ(IG_load_file(path.c_str(), loaded.out()), 0);
  EXPECT_EQ(differingPixels(image.get(), loaded.get()), 0);

  // Fax codings are black and white: the indexes survive.
  ASSERT_EQ(
      IG_save_file(image.get(), path.c_str(), IG_SAVE_CODE(IG_FORMAT_TIF, IG_COMPRESSION_CCITT_G4)),
      0);
  ASSERT_EQ(IG_load_file(path.c_str(), loaded.out()), 0);
  ScopedImage bw(makeImage(21, 5, 1));
  EXPECT_EQ(differingPixels(bw.get(), loaded.get()), 0);
}

namespace {

// The raw (still compressed) strips of one directory, as libtiff reads them.
std::vector<uint8_t> rawStrips(const std::string& path, int directory) {
  std::vector<uint8_t> out;
  TIFF* t = TIFFOpen(path.c_str(), "r");
  if (!t) return out;
  if (TIFFSetDirectory(t, static_cast<tdir_t>(directory))) {
    for (uint32_t s = 0; s < TIFFNumberOfStrips(t); ++s) {
      std::vector<uint8_t> strip(TIFFRawStripSize(t, s));
      TIFFReadRawStrip(t, s, strip.data(), static_cast<tmsize_t>(strip.size()));
      out.insert(out.end(), strip.begin(), strip.end());
    }
  }
  TIFFClose(t);
  return out;
}

class ScopedFd {
 public:
  explicit ScopedFd(const std::string& path) : fd_(open(path.c_str(), O_RDWR | O_CREAT, 0644)) {}
  ~ScopedFd() {
    if (fd_ >= 0) close(fd_);
  }
  int get() const { return fd_; }

 private:
  int fd_;
};

}  // namespace

TEST(TiffPages, AppendsAndInsertsKeepingEveryPage) {
  TempDir dir;
  const std::string path = dir.file("pages.tif");
  ScopedFd fd(path);
  ASSERT_GE(fd.get(), 0);
  IG_save_JPEG_quality_set(80);

  ScopedImage images[5];
  images[0].reset(makeImage(37, 23, 24));
  images[1].reset(makeImage(40, 21, 1));
  images[2].reset(makeImage(33, 17, 24, Pattern::kGray));
  images[3].reset(makeImage(19, 11, 8));
  images[4].reset(makeImage(25, 13, 4));
  const int kJpeg = 2;

  struct Step {
    int image, page, compression;
    std::vector<int> order;  // images page by page afterwards
    std::vector<int> compressions;
  };
  const Step steps[] = {
      {0, 1, IG_COMPRESSION_LZW, {0}, {8}},
      {1, 2, IG_COMPRESSION_CCITT_G4, {0, 1}, {8, 4}},
      {kJpeg, 10, IG_COMPRESSION_JPEG, {0, 1, 2}, {8, 4, 6}},  // past the end appends
      {3, 2, IG_COMPRESSION_PACKED_BITS, {0, 3, 1, 2}, {8, 1, 4, 6}},
      {4, 1, IG_COMPRESSION_NONE, {4, 0, 3, 1, 2}, {0, 8, 1, 4, 6}},
  };
  ScopedImage jpeg_page;  // the JPEG page as first written: it must never be re-encoded
  std::vector<uint8_t> jpeg_bytes;
  for (const Step& step : steps) {
    SCOPED_TRACE("after saving image " + std::to_string(step.image) + " at page " +
                 std::to_string(step.page));
    ASSERT_EQ(IG_save_FD(images[step.image].get(), fd.get(), step.page, 0,
                         IG_SAVE_CODE(IG_FORMAT_TIF, step.compression)),
              0)
        << takeErrorCode();
    int32_t count = 0;
    ASSERT_EQ(IG_page_count_get_FD(fd.get(), 0, &count), 0);
    ASSERT_EQ(count, static_cast<int32_t>(step.order.size()));
    for (int page = 1; page <= count; ++page) {
      const int expected = step.order[page - 1];
      int32_t compression = -1;
      ASSERT_EQ(IG_info_get_FD(fd.get(), 0, page, nullptr, &compression, nullptr), 0);
      EXPECT_EQ(compression, step.compressions[page - 1]) << "page " << page;
      ScopedImage loaded;
      ASSERT_EQ(IG_load_FD(fd.get(), 0, page, loaded.out()), 0) << "page " << page;
      if (expected != kJpeg) {
        EXPECT_EQ(differingPixels(images[expected].get(), loaded.get()), 0) << "page " << page;
        continue;
      }
      const std::vector<uint8_t> bytes = rawStrips(path, page - 1);
      if (jpeg_bytes.empty()) {
        EXPECT_GE(psnr(images[kJpeg].get(), loaded.get()), 30);
        jpeg_bytes = bytes;
        ASSERT_EQ(IG_load_FD(fd.get(), 0, page, jpeg_page.out()), 0);
      } else {
        EXPECT_EQ(bytes, jpeg_bytes) << "page " << page;
        EXPECT_EQ(differingPixels(jpeg_page.get(), loaded.get()), 0) << "page " << page;
      }
    }
    ScopedImage missing;
    EXPECT_NE(IG_load_FD(fd.get(), 0, count + 1, missing.out()), 0);
    EXPECT_EQ(takeErrorCode(), IGE_PAGE_NOT_FOUND);
  }
  ASSERT_FALSE(jpeg_bytes.empty());

  // A refused save leaves the file as it was.
  const std::vector<uint8_t> before = readFile(path);
  ScopedImage eight(makeImage(8, 8, 8));
  EXPECT_NE(
      IG_save_FD(eight.get(), fd.get(), 1, 0, IG_SAVE_CODE(IG_FORMAT_TIF, IG_COMPRESSION_CCITT_G4)),
      0);
  EXPECT_EQ(takeErrorCode(), IGE_INVALID_BIT_DEPTH);
  EXPECT_EQ(readFile(path), before);
}

namespace {

// A little-endian TIFF built by hand: header, one directory of entries whose values fit in
// the entry, then `data`. A STRIPOFFSETS of 0 points at the data.
struct Entry {
  uint16_t tag, type;
  uint32_t count, value;
};

constexpr uint32_t kSelf = 8;  // the directory's own offset

std::vector<uint8_t> handMade(const std::vector<Entry>& entries, const std::vector<uint8_t>& data,
                              uint32_t next_ifd = 0) {
  std::vector<uint8_t> out = {'I', 'I', 42, 0, 8, 0, 0, 0};
  auto put16 = [&](uint16_t v) { out.push_back(v & 0xFF), out.push_back(v >> 8); };
  auto put32 = [&](uint32_t v) { put16(v & 0xFFFF), put16(v >> 16); };
  const auto data_offset = static_cast<uint32_t>(8 + 2 + 12 * entries.size() + 4);
  put16(static_cast<uint16_t>(entries.size()));
  for (const Entry& e : entries) {
    put16(e.tag), put16(e.type), put32(e.count);
    const uint32_t v = e.tag == TIFFTAG_STRIPOFFSETS && e.value == 0 ? data_offset : e.value;
    if (e.type == TIFF_SHORT)
      put16(static_cast<uint16_t>(v)), put16(0);
    else
      put32(v);
  }
  put32(next_ifd);
  out.insert(out.end(), data.begin(), data.end());
  return out;
}

std::vector<Entry> greyEntries(uint32_t w, uint32_t h, uint32_t strip_offset = 0) {
  return {{TIFFTAG_IMAGEWIDTH, TIFF_LONG, 1, w},
          {TIFFTAG_IMAGELENGTH, TIFF_LONG, 1, h},
          {TIFFTAG_BITSPERSAMPLE, TIFF_SHORT, 1, 8},
          {TIFFTAG_COMPRESSION, TIFF_SHORT, 1, COMPRESSION_NONE},
          {TIFFTAG_PHOTOMETRIC, TIFF_SHORT, 1, PHOTOMETRIC_MINISBLACK},
          {TIFFTAG_STRIPOFFSETS, TIFF_LONG, 1, strip_offset},
          {TIFFTAG_ROWSPERSTRIP, TIFF_LONG, 1, h},
          {TIFFTAG_STRIPBYTECOUNTS, TIFF_LONG, 1, w * h}};
}

const std::vector<uint8_t> k16Pixels(16, 0x80);

}  // namespace

TEST(TiffHostile, BadFilesGiveInvalidHeaderAndNoImage) {
  TempDir dir;
  // A good file to cut short.
  const std::string good = dir.file("good.tif");
  ScopedImage original(makeImage(64, 48, 24));
  ASSERT_EQ(
      IG_save_file(original.get(), good.c_str(), IG_SAVE_CODE(IG_FORMAT_TIF, IG_COMPRESSION_LZW)),
      0);
  const std::vector<uint8_t> whole = readFile(good);

  std::vector<std::pair<std::string, std::vector<uint8_t>>> cases = {
      {"empty", {}},
      {"garbage after the header", {'I', 'I', 42, 0, 8, 0, 0, 0, 0xde, 0xad, 0xbe, 0xef, 0x55}},
      {"100000 x 100000", handMade(greyEntries(100000, 100000), k16Pixels)},
      {"strip past the end", handMade(greyEntries(4, 4, 1'000'000), k16Pixels)},
      {"half the strip", handMade(greyEntries(4, 4), std::vector<uint8_t>(8, 0x80))},
  };
  for (size_t length : {size_t{4}, size_t{8}, size_t{100}, whole.size() / 2, whole.size() - 20})
    cases.push_back({"cut at " + std::to_string(length),
                     std::vector<uint8_t>(whole.begin(), whole.begin() + length)});

  for (const auto& [name, bytes] : cases) {
    const std::string path = dir.file("bad.tif");
    writeFile(path, bytes);
    ScopedImage image;
    EXPECT_NE(IG_load_file(path.c_str(), image.out()), 0) << name;
    EXPECT_EQ(takeErrorCode(), IGE_INVALID_FILE_HEADER) << name;
    EXPECT_EQ(image.get(), 0) << name;
  }
}

TEST(TiffHostile, DirectoryLoopEndsThePageChain) {
  TempDir dir;
  const std::string path = dir.file("loop.tif");
  writeFile(path, handMade(greyEntries(4, 4), k16Pixels, kSelf));
  ScopedFd fd(path);
  int32_t count = 0;
  ASSERT_EQ(IG_page_count_get_FD(fd.get(), 0, &count), 0);
  EXPECT_EQ(count, 1);
  ScopedImage image;
  EXPECT_EQ(IG_load_FD(fd.get(), 0, 1, image.out()), 0);
  EXPECT_EQ(shapeOf(image.get()), "4x4x8");
  EXPECT_NE(IG_load_FD(fd.get(), 0, 2, image.out()), 0);
  EXPECT_EQ(takeErrorCode(), IGE_PAGE_NOT_FOUND);
}

TEST(TiffPages, KeepsByteOrderAndReencodesPagesItCannotCopy) {
  TempDir dir;
  const std::string path = dir.file("be.tif");
  // Big-endian 16-bit samples only stay right if copied into a big-endian file; PixarLog
  // is not copied as it is but decoded and written again without loss.
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  TIFFOpenOptionsSetWarningHandlerExtR(options, quiet, nullptr);
  TIFF* t = TIFFOpenExt(path.c_str(), "wb", options);
  TIFFOpenOptionsFree(options);
  ASSERT_NE(t, nullptr);
  basicTags(t, 3, 1, 16, 1, PHOTOMETRIC_MINISBLACK);
  const uint16_t grey[] = {0x0100, 0x8000, 0xFE00};
  writeAll(t, grey, 1);
  TIFFWriteDirectory(t);
  basicTags(t, 2, 2, 8, 3, PHOTOMETRIC_RGB);
  TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_PIXARLOG);
  const uint8_t rgb[] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 128, 128, 128};
  writeAll(t, rgb, 2);
  TIFFClose(t);

  ScopedFd fd(path);
  ScopedImage before[2];
  for (int page = 1; page <= 2; ++page)
    ASSERT_EQ(IG_load_FD(fd.get(), 0, page, before[page - 1].out()), 0) << page;
  ScopedImage added(makeImage(5, 4, 24));
  ASSERT_EQ(
      IG_save_FD(added.get(), fd.get(), 2, 0, IG_SAVE_CODE(IG_FORMAT_TIF, IG_COMPRESSION_LZW)), 0);

  const OV_IMAGE expected[] = {before[0].get(), added.get(), before[1].get()};
  const int compressions[] = {IG_COMPRESSION_NONE, IG_COMPRESSION_LZW, IG_COMPRESSION_LZW};
  int32_t count = 0;
  ASSERT_EQ(IG_page_count_get_FD(fd.get(), 0, &count), 0);
  ASSERT_EQ(count, 3);
  for (int page = 1; page <= 3; ++page) {
    ScopedImage loaded;
    ASSERT_EQ(IG_load_FD(fd.get(), 0, page, loaded.out()), 0) << page;
    EXPECT_EQ(differingPixels(expected[page - 1], loaded.get()), 0) << page;
    int32_t compression = -1;
    ASSERT_EQ(IG_info_get_FD(fd.get(), 0, page, nullptr, &compression, nullptr), 0);
    EXPECT_EQ(compression, compressions[page - 1]) << page;
  }
  const std::vector<uint8_t> bytes = readFile(path);
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ(bytes[0], 'M');
}
