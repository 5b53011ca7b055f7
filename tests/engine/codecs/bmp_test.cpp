// BMP reading of every header generation and depth, RLE, bad files, and the writer.
#include <gtest/gtest.h>

#include <ostream>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "codecs/codec.h"
#include "temp_dir.h"
#include "test_images.h"

using namespace ovtest;

namespace {

using Bytes = std::vector<uint8_t>;
using Grid = std::vector<std::vector<uint32_t>>;  // rows top first: indexes or 0xRRGGBB

struct Le {
  Bytes b;
  Le& u8(uint32_t v) {
    b.push_back(static_cast<uint8_t>(v));
    return *this;
  }
  Le& u16(uint32_t v) { return u8(v).u8(v >> 8); }
  Le& u32(uint32_t v) { return u16(v).u16(v >> 16); }
  Le& zeros(size_t n) {
    b.insert(b.end(), n, 0);
    return *this;
  }
};

uint32_t readLe32(const Bytes& b, size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

// One row as a file stores it, padded to 4 bytes.
Bytes packRow(const std::vector<uint32_t>& px, int bits) {
  Le row;
  if (bits < 8) {
    const int per_byte = 8 / bits;
    for (size_t x = 0; x < px.size(); x += per_byte) {
      uint32_t byte = 0;
      for (int k = 0; k < per_byte; ++k) {
        const uint32_t v = x + k < px.size() ? px[x + k] : 0;
        byte |= v << (8 - bits * (k + 1));
      }
      row.u8(byte);
    }
  } else {
    for (uint32_t v : px) {
      if (bits == 8) row.u8(v);
      if (bits == 16) row.u16(v);
      if (bits == 24) row.u8(v).u8(v >> 8).u8(v >> 16);
      if (bits == 32) row.u32(v);
    }
  }
  row.zeros((4 - row.b.size() % 4) % 4);
  return row.b;
}

struct Layout {
  uint32_t header = 40;
  int bits = 8;
  uint32_t compression = 0;
  bool top_down = false;
  std::vector<uint32_t> palette;  // 0xRRGGBB
  std::vector<uint32_t> masks;    // red, green, blue[, alpha]
  Grid rows;                      // uncompressed picture
  int width = 0, height = 0;      // needed only with `coded`
  Bytes coded;                    // pixel data as stored (RLE), instead of rows
  int64_t clr_used = -1;          // -1: the palette's size
  int64_t off_bits = -1;          // -1: right after the palette
  int32_t ppm = 0;
};

Bytes build(const Layout& s) {
  const int w = s.rows.empty() ? s.width : static_cast<int>(s.rows[0].size());
  const int h = s.rows.empty() ? s.height : static_cast<int>(s.rows.size());
  Le f;
  f.u8('B').u8('M').u32(0).u32(0).u32(0);
  if (s.header == 12) {
    f.u32(12).u16(w).u16(h).u16(1).u16(s.bits);
  } else {
    f.u32(s.header).u32(w).u32(s.top_down ? -h : h).u16(1).u16(s.bits);
    if (s.header >= 40) {
      const uint32_t used = s.clr_used < 0 ? s.palette.size() : static_cast<uint32_t>(s.clr_used);
      f.u32(s.compression).u32(0).u32(s.ppm).u32(s.ppm).u32(used).u32(0);
    }
    // The 52-byte and later Windows headers hold the masks; the 40-byte one has them after.
    const size_t in_header = s.header == 52 ? 3 : s.header >= 56 && s.header != 64 ? 4 : 0;
    for (size_t i = 0; i < in_header; ++i) f.u32(i < s.masks.size() ? s.masks[i] : 0);
    f.zeros(14 + s.header - f.b.size());
    if (s.header == 40) {
      for (uint32_t m : s.masks) f.u32(m);
    }
  }
  for (uint32_t c : s.palette) {
    f.u8(c).u8(c >> 8).u8(c >> 16);
    if (s.header != 12) f.u8(0);
  }
  const size_t off = s.off_bits < 0 ? f.b.size() : static_cast<size_t>(s.off_bits);
  if (s.coded.empty()) {
    for (int i = 0; i < h; ++i) {
      const Bytes row = packRow(s.rows[s.top_down ? i : h - 1 - i], s.bits);
      f.b.insert(f.b.end(), row.begin(), row.end());
    }
  } else {
    f.b.insert(f.b.end(), s.coded.begin(), s.coded.end());
  }
  const uint32_t size = static_cast<uint32_t>(f.b.size());
  for (int i = 0; i < 4; ++i) {
    f.b[2 + i] = static_cast<uint8_t>(size >> (8 * i));
    f.b[10 + i] = static_cast<uint8_t>(off >> (8 * i));
  }
  return f.b;
}

struct Decoded {
  int rc = 0;
  int info_rc = 0;
  ov::PageInfo info;
  ov::Dib dib;
};

Decoded decode(const Bytes& file) {
  Decoded d;
  const ov::Bytes view(file.data(), file.size());
  EXPECT_TRUE(ov::bmpCodec().detect(view));
  d.info_rc = ov::bmpCodec().info(view, 1, d.info);
  ov::Progress progress;
  ov::ImageAttributes attributes;
  d.rc = ov::bmpCodec().load(view, 1, progress, d.dib, attributes);
  return d;
}

uint32_t rgbAt(const ov::Dib& dib, int x, int y) {
  const OV_RGB c = dib.colourAt(x, y);
  return (c.r << 16) | (c.g << 8) | c.b;
}

const std::vector<uint32_t> kPalette = {0x102030, 0xFF8000, 0x00C0FF, 0x7F7F7F};

// ---- Header generations x depths ----------------------------------------------------------

struct DepthCase {
  int bits;
  Grid rows;
  uint32_t at00, at20, at11;  // expected colours of (0,0), (2,0), (1,1)
};

const DepthCase kDepths[] = {
    {1, {{1, 0, 0}, {0, 1, 1}}, 0xFF8000, 0x102030, 0xFF8000},
    {4, {{1, 2, 3}, {3, 0, 1}}, 0xFF8000, 0x7F7F7F, 0x102030},
    {8, {{1, 2, 3}, {3, 0, 1}}, 0xFF8000, 0x7F7F7F, 0x102030},
    {24, {{0xFF0000, 0x00FF00, 0x0000FF}, {0x123456, 0xABCDEF, 0}}, 0xFF0000, 0x0000FF, 0xABCDEF},
};

Layout depthLayout(uint32_t header, const DepthCase& d) {
  Layout s;
  s.header = header;
  s.bits = d.bits;
  s.rows = d.rows;
  if (d.bits <= 8) s.palette.assign(kPalette.begin(), kPalette.begin() + (d.bits == 1 ? 2 : 4));
  s.ppm = 2835;
  return s;
}

void expectPicture(const Decoded& d, const DepthCase& c) {
  ASSERT_EQ(d.rc, 0);
  ASSERT_EQ(d.info_rc, 0);
  EXPECT_EQ(d.dib.width(), 3);
  EXPECT_EQ(d.dib.height(), 2);
  EXPECT_EQ(d.dib.bitsPerPixel(), c.bits);
  EXPECT_EQ(d.info.bits_per_pixel, c.bits);
  EXPECT_EQ(d.info.compression, IG_COMPRESSION_NONE);
  EXPECT_EQ(rgbAt(d.dib, 0, 0), c.at00);
  EXPECT_EQ(rgbAt(d.dib, 2, 0), c.at20);
  EXPECT_EQ(rgbAt(d.dib, 1, 1), c.at11);
}

class BmpHeaders : public ::testing::TestWithParam<std::tuple<uint32_t, DepthCase>> {};

TEST_P(BmpHeaders, EveryGenerationReadsTheSamePicture) {
  const auto& [header, depth] = GetParam();
  const Decoded d = decode(build(depthLayout(header, depth)));
  ASSERT_NO_FATAL_FAILURE(expectPicture(d, depth));
  // Only the OS/2 1.x header and the short OS/2 2.x one lack a resolution.
  const int ppm = header == 12 || header == 16 ? 0 : 2835;
  EXPECT_EQ(d.info.x_ppm, ppm);
  EXPECT_EQ(d.dib.header()->biYPelsPerMeter, ppm);
}

INSTANTIATE_TEST_SUITE_P(Generations, BmpHeaders,
                         ::testing::Combine(::testing::Values(12u, 16u, 40u, 52u, 56u, 64u, 108u,
                                                              124u),
                                            ::testing::ValuesIn(kDepths)),
                         [](const auto& info) {
                           return "header" + std::to_string(std::get<0>(info.param)) + "_" +
                                  std::to_string(std::get<1>(info.param).bits) + "bit";
                         });

TEST(BmpRead, TopDownRowsGiveTheSamePicture) {
  for (const DepthCase& c : kDepths) {
    SCOPED_TRACE(c.bits);
    Layout s = depthLayout(40, c);
    s.top_down = true;
    EXPECT_NO_FATAL_FAILURE(expectPicture(decode(build(s)), c));
  }
}

// ---- 16- and 32-bit pixels -----------------------------------------------------------------

struct MaskCase {
  const char* name;
  uint32_t header;
  int bits;
  uint32_t compression;
  std::vector<uint32_t> masks;
  uint32_t pixel[2];
  uint32_t expected[2];  // computed by hand: v * 255 / max rounded, alpha over white
};

// clang-format off
const MaskCase kMasks[] = {
    // 5-5-5: 16 -> 16 * 255 / 31 = 131.6 -> 0x84.
    {"rgb555", 40, 16, 0, {}, {0x7C00, 0x0210}, {0xFF0000, 0x008484}},
    // 5-6-5: green 33 -> 33 * 255 / 63 = 133.6 -> 0x86; blue 1 -> 8.2 -> 8.
    {"bitfields565", 40, 16, 3, {0xF800, 0x07E0, 0x001F}, {0x07E0, 0x0421}, {0x00FF00, 0x008608}},
    {"bitfields565_v2", 52, 16, 3, {0xF800, 0x07E0, 0x001F}, {0xF800, 0xFFFF}, {0xFF0000, 0xFFFFFF}},
    // 1-5-5-5 with alpha: a transparent pixel shows the white beneath.
    {"argb1555_v3", 56, 16, 3, {0x7C00, 0x03E0, 0x001F, 0x8000}, {0xFC00, 0x001F},
     {0xFF0000, 0xFFFFFF}},
    // B,G,R,x: the fourth byte is no alpha without an alpha mask.
    {"rgb32", 40, 32, 0, {}, {0x12345678, 0x00FFFFFF}, {0x345678, 0xFFFFFF}},
    {"bitfields32_swapped", 40, 32, 3, {0x0000FF, 0x00FF00, 0xFF0000}, {0x030201, 0x0000FF},
     {0x010203, 0xFF0000}},
    // Alpha 128 over white: (0 * 128 + 255 * 127) / 255 = 127 -> 0x7F; red stays 255.
    {"alpha_v5", 124, 32, 3, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}, {0x80FF0000, 0xFF102030},
     {0xFF7F7F, 0x102030}},
    {"alpha_v4_rgb", 108, 32, 0, {0, 0, 0, 0xFF000000}, {0x80000000, 0xFFABCDEF},
     {0x7F7F7F, 0xABCDEF}},
    // Alpha that is zero everywhere means the writer never filled it in.
    {"zero_alpha_v5", 124, 32, 3, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}, {0x00102030, 0},
     {0x102030, 0}},
};
// clang-format on

void PrintTo(const MaskCase& c, std::ostream* os) {
  *os << c.name;
}

class BmpMasks : public ::testing::TestWithParam<MaskCase> {};

TEST_P(BmpMasks, ChannelsScaleToEightBits) {
  const MaskCase& c = GetParam();
  Layout s;
  s.header = c.header;
  s.bits = c.bits;
  s.compression = c.compression;
  s.masks = c.masks;
  s.rows = {{c.pixel[0], c.pixel[1]}};
  const Decoded d = decode(build(s));
  ASSERT_EQ(d.rc, 0);
  EXPECT_EQ(d.dib.bitsPerPixel(), 24);
  EXPECT_EQ(d.info.bits_per_pixel, 24);
  EXPECT_EQ(rgbAt(d.dib, 0, 0), c.expected[0]);
  EXPECT_EQ(rgbAt(d.dib, 1, 0), c.expected[1]);
}

INSTANTIATE_TEST_SUITE_P(Depths, BmpMasks, ::testing::ValuesIn(kMasks),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- RLE -----------------------------------------------------------------------------------

struct RleCase {
  const char* name;
  int bits;
  int width, height;
  Bytes coded;
  Grid indexes;  // expected, top row first
};

// clang-format off
const RleCase kRle[] = {
    {"rle8_every_escape", 8, 6, 4,
     {0x03, 0x05, 0x00, 0x03, 0x01, 0x02, 0x03, 0x00,  // run; odd absolute run + pad
      0x00, 0x00,                                      // end of line
      0x02, 0x07, 0x00, 0x02, 0x02, 0x01,              // run; delta right 2, up 1
      0x02, 0x09, 0x00, 0x00,                          // run; end of line
      0x00, 0x04, 0x0A, 0x0B, 0x0C, 0x0D,              // even absolute run
      0x00, 0x01},                                     // end of bitmap
     {{10, 11, 12, 13, 0, 0}, {0, 0, 0, 0, 9, 9}, {7, 7, 0, 0, 0, 0}, {5, 5, 5, 1, 2, 3}}},
    {"rle4_every_escape", 4, 7, 3,
     {0x05, 0x12, 0x02, 0x33, 0x00, 0x00,        // alternating run; run; end of line
      0x00, 0x05, 0x45, 0x67, 0x80, 0x00,        // 5 pixels in 3 bytes + pad
      0x00, 0x02, 0x01, 0x01,                    // delta right 1, up 1
      0x01, 0xF0, 0x00, 0x01},                   // one pixel; end of bitmap
     {{0, 0, 0, 0, 0, 0, 15}, {4, 5, 6, 7, 8, 0, 0}, {1, 2, 1, 2, 1, 3, 3}}},
    // A run and an absolute run past the row end are cut, not wrapped; a delta past the
    // last row ends the picture even without end of bitmap.
    {"rle8_clipped", 8, 4, 2,
     {0x0A, 0x05, 0x00, 0x05, 0x01, 0x02, 0x03, 0x04, 0x05, 0x00, 0x00, 0x00,
      0x01, 0x06, 0x00, 0x02, 0x00, 0x05},
     {{6, 0, 0, 0}, {5, 5, 5, 5}}},
    {"rle4_clipped", 4, 3, 2,
     {0x09, 0x12, 0x00, 0x00,                                // run past the end; end of line
      0x00, 0x09, 0x34, 0x56, 0x78, 0x9A, 0xB0, 0x00,        // absolute run past the end
      0x00, 0x02, 0x00, 0x09},                               // delta past the last row
     {{3, 4, 5}, {1, 2, 1}}},
};
// clang-format on

void PrintTo(const RleCase& c, std::ostream* os) {
  *os << c.name;
}

class BmpRle : public ::testing::TestWithParam<RleCase> {};

TEST_P(BmpRle, DecodesEveryEscape) {
  const RleCase& c = GetParam();
  Layout s;
  s.bits = c.bits;
  s.compression = c.bits == 8 ? 1 : 2;
  s.width = c.width;
  s.height = c.height;
  s.coded = c.coded;
  for (int i = 0; i < 16; ++i) s.palette.push_back(0x010101u * i * 16);
  const Decoded d = decode(build(s));
  ASSERT_EQ(d.rc, 0);
  EXPECT_EQ(d.info.compression, IG_COMPRESSION_RLE);
  EXPECT_EQ(d.info.bits_per_pixel, c.bits);
  ASSERT_EQ(d.dib.bitsPerPixel(), c.bits);
  Grid got(c.height, std::vector<uint32_t>(c.width));
  for (int y = 0; y < c.height; ++y)
    for (int x = 0; x < c.width; ++x) got[y][x] = d.dib.indexAt(x, y);
  EXPECT_EQ(got, c.indexes);
}

INSTANTIATE_TEST_SUITE_P(Streams, BmpRle, ::testing::ValuesIn(kRle),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(BmpRead, IndexesPastAShortPaletteAreBlack) {
  Layout s;
  s.palette = {0x112233, 0x445566};
  s.rows = {{0, 1, 2, 255}};
  const Decoded d = decode(build(s));
  ASSERT_EQ(d.rc, 0);
  EXPECT_EQ(rgbAt(d.dib, 0, 0), 0x112233u);
  EXPECT_EQ(rgbAt(d.dib, 1, 0), 0x445566u);
  EXPECT_EQ(rgbAt(d.dib, 2, 0), 0u);
  EXPECT_EQ(rgbAt(d.dib, 3, 0), 0u);
}

// ---- Bad files -----------------------------------------------------------------------------

Bytes valid() {
  return build(depthLayout(40, kDepths[2]));
}

Bytes truncated(size_t size) {
  Bytes b = valid();
  b.resize(size);
  return b;
}

Bytes withSpec(void (*change)(Layout&)) {
  Layout s = depthLayout(40, kDepths[2]);
  change(s);
  return build(s);
}

Bytes hugeHeader() {
  Bytes b = build(depthLayout(40, kDepths[3]));
  const uint8_t side[4] = {0xA0, 0x86, 0x01, 0x00};  // 100000
  std::copy(side, side + 4, b.begin() + 18);
  std::copy(side, side + 4, b.begin() + 22);
  return b;
}

Bytes garbage() {
  std::mt19937 rng(7);
  Bytes b(200);
  for (auto& v : b) v = static_cast<uint8_t>(rng());
  b[0] = 'B', b[1] = 'M', b[14] = 40, b[15] = b[16] = b[17] = 0;
  return b;
}

struct BadCase {
  const char* name;
  Bytes file;
};

const std::vector<BadCase>& badCases() {
  static const std::vector<BadCase> cases = {
      {"empty", {}},
      {"signature_only", {'B', 'M'}},
      {"cut_in_file_header", truncated(12)},
      {"cut_in_info_header", truncated(30)},
      {"cut_in_palette", truncated(60)},
      {"cut_in_pixels", truncated(valid().size() - 1)},
      {"garbage", garbage()},
      {"off_bits_past_end", withSpec([](Layout& s) { s.off_bits = 100000; })},
      {"clr_used_huge", withSpec([](Layout& s) { s.clr_used = 0x7FFFFFFF; })},
      {"palette_past_end", withSpec([](Layout& s) { s.clr_used = 200, s.off_bits = 0; })},
      {"huge_dimensions", hugeHeader()},
      {"jpeg_inside", withSpec([](Layout& s) { s.bits = 24, s.compression = 4; })},
      {"png_inside", withSpec([](Layout& s) { s.bits = 24, s.compression = 5; })},
      {"os2_huffman", withSpec([](Layout& s) { s.header = 64, s.bits = 1, s.compression = 3; })},
      {"rle8_on_24_bits", withSpec([](Layout& s) { s.bits = 24, s.compression = 1; })},
      {"depth_7", withSpec([](Layout& s) { s.bits = 7; })},
      {"rle_cut_short", withSpec([](Layout& s) {
         s.compression = 1, s.width = 4, s.height = 2, s.rows.clear();
         s.coded = {0x04, 0x01, 0x00, 0x00, 0x02};
       })},
      {"rle_absolute_past_end", withSpec([](Layout& s) {
         s.compression = 1, s.width = 4, s.height = 2, s.rows.clear();
         s.coded = {0x00, 0x09, 0x01, 0x02};
       })},
  };
  return cases;
}

TEST(BmpRead, BadFilesAreRefusedWithoutAnImage) {
  for (const BadCase& c : badCases()) {
    SCOPED_TRACE(c.name);
    OV_IMAGE image = 0;
    EXPECT_EQ(OV_load_memory(c.file.data(), static_cast<uint32_t>(c.file.size()), 1, &image), 1);
    EXPECT_EQ(takeErrorCode(), IGE_INVALID_FILE_HEADER);
    EXPECT_EQ(image, 0);
    if (image) IG_image_delete(image);
  }
}

// ---- Writing -------------------------------------------------------------------------------

OV_IMAGE imageOfIndexes(int width, int height, int bits, const std::vector<uint8_t>& indexes) {
  OV_IMAGE image = 0;
  EXPECT_EQ(IG_image_create_DIB_ex(width, height, bits, 0, nullptr, &image), 0);
  EXPECT_EQ(IG_DIB_area_set(image, nullptr, indexes.data(), OV_AREA_FORMAT), 0);
  return image;
}

enum class Rows { kRandom, kRunHeavy };

std::vector<uint8_t> makeIndexes(int width, int height, int bits, Rows rows) {
  std::mt19937 rng(bits * 31 + static_cast<int>(rows));
  const uint32_t colours = 1u << bits;
  std::vector<uint8_t> px(static_cast<size_t>(width) * height);
  for (size_t i = 0; i < px.size();) {
    // Run-heavy rows mix long runs with short stretches of noise.
    const size_t n = rows == Rows::kRandom ? 1 : 1 + rng() % (rng() % 4 ? 40 : 3);
    const auto v = static_cast<uint8_t>(rng() % colours);
    for (size_t k = 0; k < n && i < px.size(); ++k) px[i++] = v;
  }
  return px;
}

class BmpRleWriter : public ::testing::TestWithParam<std::tuple<int, Rows>> {};

TEST_P(BmpRleWriter, OutputDecodesToTheSamePixels) {
  const auto [bits, rows] = GetParam();
  const int w = 301, h = 9;  // wider than one run or absolute run can be
  ScopedImage image(imageOfIndexes(w, h, bits, makeIndexes(w, h, bits, rows)));
  TempDir dir;
  const std::string rle = dir.file("rle.bmp"), plain = dir.file("plain.bmp");
  ASSERT_EQ(IG_save_file(image.get(), rle.c_str(), IG_SAVE_CODE(IG_FORMAT_BMP, IG_COMPRESSION_RLE)),
            0);
  ASSERT_EQ(IG_save_file(image.get(), plain.c_str(), IG_FORMAT_BMP), 0);

  const Bytes coded = readFile(rle);
  ASSERT_GT(coded.size(), 54u);
  EXPECT_EQ(readLe32(coded, 2), coded.size());
  EXPECT_EQ(readLe32(coded, 30), bits == 8 ? 1u : 2u);
  EXPECT_EQ(readLe32(coded, 34), coded.size() - readLe32(coded, 10));
  EXPECT_EQ(coded[coded.size() - 2], 0);  // ends with end of bitmap
  EXPECT_EQ(coded[coded.size() - 1], 1);

  int32_t compression = 0;
  ASSERT_EQ(IG_info_get(rle.c_str(), nullptr, &compression, nullptr), 0);
  EXPECT_EQ(compression, IG_COMPRESSION_RLE);
  ScopedImage loaded;
  ASSERT_EQ(IG_load_file(rle.c_str(), loaded.out()), 0);
  EXPECT_EQ(differingPixels(image.get(), loaded.get()), 0);

  const double ratio = static_cast<double>(coded.size()) / readFile(plain).size();
  if (rows == Rows::kRunHeavy) {
    EXPECT_LT(ratio, 0.6);
  } else {
    EXPECT_LT(ratio, 1.06);  // absolute runs cost little over plain rows
  }
}

INSTANTIATE_TEST_SUITE_P(Rows, BmpRleWriter,
                         ::testing::Combine(::testing::Values(4, 8),
                                            ::testing::Values(Rows::kRandom, Rows::kRunHeavy)),
                         [](const auto& info) {
                           return std::to_string(std::get<0>(info.param)) +
                                  (std::get<1>(info.param) == Rows::kRandom ? "bit_random"
                                                                            : "bit_runs");
                         });

TEST(BmpWrite, HeadersAreUncompressedWhereRleDoesNotApply) {
  struct Case {
    int bits;
    int compression;
    uint32_t expected_compression;
  };
  for (const Case c : {Case{1, IG_COMPRESSION_RLE, 0}, Case{24, IG_COMPRESSION_RLE, 0},
                       Case{8, IG_COMPRESSION_LZW, 0}, Case{4, IG_COMPRESSION_NONE, 0},
                       Case{8, IG_COMPRESSION_RLE, 1}}) {
    SCOPED_TRACE(std::to_string(c.bits) + " bits, compression " + std::to_string(c.compression));
    ScopedImage image(makeImage(13, 5, c.bits));
    TempDir dir;
    const std::string path = dir.file("out.bmp");
    ASSERT_EQ(IG_save_file(image.get(), path.c_str(), IG_SAVE_CODE(IG_FORMAT_BMP, c.compression)),
              0);
    const Bytes b = readFile(path);
    const uint32_t entries = c.bits <= 8 ? 1u << c.bits : 0;
    const uint32_t stride = ((13 * c.bits + 31) / 32) * 4;
    ASSERT_GE(b.size(), 54u);
    EXPECT_EQ(readLe32(b, 2), b.size());
    EXPECT_EQ(readLe32(b, 10), 54 + 4 * entries);
    EXPECT_EQ(readLe32(b, 14), 40u);
    EXPECT_EQ(readLe32(b, 30), c.expected_compression);
    EXPECT_EQ(readLe32(b, 46), entries);
    if (c.expected_compression == 0) {
      EXPECT_EQ(b.size(), 54 + 4 * entries + stride * 5);
    }
    ScopedImage loaded;
    ASSERT_EQ(IG_load_file(path.c_str(), loaded.out()), 0);
    EXPECT_EQ(differingPixels(image.get(), loaded.get()), 0);
  }
}

}  // namespace
