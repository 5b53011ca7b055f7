// PNG: every colour type and bit depth (fixtures written here with libpng itself),
// transparency, resolution, what saving writes, and hostile input.
//
// Alpha is composited over white per channel as round((c * a + 255 * (255 - a)) / 255),
// computed as (c * a + 255 * (255 - a) + 127) / 255; 16-bit samples are first rounded to
// 8 bits as round(v / 257).
#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

#include "codecs/codec.h"
#include "core/image_table.h"
#include "progress_script.h"
#include "temp_dir.h"
#include "test_images.h"

using namespace ovtest;

namespace {

struct Rgb {
  int r, g, b;
  bool operator==(const Rgb&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Rgb& c) {
  return os << "(" << c.r << "," << c.g << "," << c.b << ")";
}

Rgb rgb(OV_RGB c) {
  return {c.r, c.g, c.b};
}

// Entry i of every fixture palette.
png_color paletteEntry(int i) {
  return {static_cast<png_byte>(i), static_cast<png_byte>(255 - i), static_cast<png_byte>(i * 7)};
}

// A PNG file to write. The pixels, in reading order, cycle through `pixels`, each one sample
// per channel in the file's bit depth.
struct Fixture {
  int colour_type = PNG_COLOR_TYPE_RGB;
  int bit_depth = 8;
  std::vector<std::vector<uint16_t>> pixels{};
  bool interlaced = false;
  int width = 13;  // 13 x 11 puts pixels in all seven interlace passes
  int height = 11;
  int palette_entries = 0;       // 0: 2^bit_depth
  std::vector<uint8_t> alpha{};  // tRNS of a palette image
  std::vector<uint16_t> key{};   // tRNS of a grey (one sample) or RGB (three) image
  int phys_unit = -1;            // -1: no pHYs
  uint32_t phys_x = 0, phys_y = 0;
};

size_t pixelIndex(const Fixture& f, int x, int y) {
  return (x + static_cast<size_t>(f.width) * y) % f.pixels.size();
}

std::vector<uint8_t> packRow(const Fixture& f, int y) {
  const int channels = static_cast<int>(f.pixels[0].size());
  std::vector<uint8_t> row((f.width * channels * f.bit_depth + 7) / 8);
  for (int x = 0; x < f.width; ++x) {
    const auto& px = f.pixels[pixelIndex(f, x, y)];
    for (int c = 0; c < channels; ++c) {
      const int bit = (x * channels + c) * f.bit_depth;
      if (f.bit_depth == 16) {
        row[bit / 8] = static_cast<uint8_t>(px[c] >> 8);
        row[bit / 8 + 1] = static_cast<uint8_t>(px[c]);
      } else {
        row[bit / 8] |= static_cast<uint8_t>(px[c] << (8 - f.bit_depth - bit % 8));
      }
    }
  }
  return row;
}

void appendTo(png_structp png, png_bytep data, size_t length) {
  auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}

std::vector<uint8_t> encode(const Fixture& f) {
  std::vector<std::vector<uint8_t>> rows;
  std::vector<png_bytep> pointers;
  for (int y = 0; y < f.height; ++y) rows.push_back(packRow(f, y));
  for (auto& r : rows) pointers.push_back(r.data());
  std::vector<png_color> palette;
  const int entries = f.palette_entries ? f.palette_entries : 1 << f.bit_depth;
  for (int i = 0; i < entries; ++i) palette.push_back(paletteEntry(i));
  png_color_16 key{};
  if (f.key.size() == 1) key.gray = f.key[0];
  if (f.key.size() == 3) key.red = f.key[0], key.green = f.key[1], key.blue = f.key[2];
  std::vector<uint8_t> out;

  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    ADD_FAILURE() << "libpng could not write the fixture";
    return {};
  }
  png_set_write_fn(png, &out, appendTo, nullptr);
  png_set_check_for_invalid_index(png, 0);  // some fixtures point past their palette
  png_set_IHDR(png, info, f.width, f.height, f.bit_depth, f.colour_type,
               f.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (f.colour_type == PNG_COLOR_TYPE_PALETTE) png_set_PLTE(png, info, palette.data(), entries);
  if (!f.alpha.empty())
    png_set_tRNS(png, info, f.alpha.data(), static_cast<int>(f.alpha.size()), nullptr);
  if (!f.key.empty()) png_set_tRNS(png, info, nullptr, 0, &key);
  if (f.phys_unit >= 0) png_set_pHYs(png, info, f.phys_x, f.phys_y, f.phys_unit);
  png_write_info(png, info);
  png_write_image(png, pointers.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

// Information and decoding through the codec itself, to see the attributes too.
struct Decoded {
  int info_rc = 0;
  ov::PageInfo info;
  int rc = 0;
  ov::Dib dib;
  ov::ImageAttributes attributes;
};

Decoded decode(const std::vector<uint8_t>& file) {
  Decoded d;
  d.info_rc = ov::pngCodec().info(file, 1, d.info);
  ov::Progress progress;
  d.rc = ov::pngCodec().load(file, 1, progress, d.dib, d.attributes);
  return d;
}

// ---- Chunk surgery for damaged files -----------------------------------------------------

struct Chunk {
  std::string type;
  std::vector<uint8_t> data;
  uint32_t crc_xor = 0;  // non-zero spoils the chunk's CRC
};

uint32_t be32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
}

void putBe32(std::vector<uint8_t>& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

std::vector<Chunk> chunksOf(const std::vector<uint8_t>& file) {
  std::vector<Chunk> chunks;
  for (size_t at = 8; at + 12 <= file.size();) {
    const uint32_t length = be32(&file[at]);
    const auto data = file.begin() + static_cast<std::ptrdiff_t>(at + 8);
    chunks.push_back({std::string(data - 4, data), std::vector<uint8_t>(data, data + length)});
    at += 12 + length;
  }
  return chunks;
}

std::vector<uint8_t> assemble(const std::vector<Chunk>& chunks) {
  std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  for (const Chunk& c : chunks) {
    putBe32(out, static_cast<uint32_t>(c.data.size()));
    const size_t start = out.size();
    out.insert(out.end(), c.type.begin(), c.type.end());
    out.insert(out.end(), c.data.begin(), c.data.end());
    putBe32(out,
            static_cast<uint32_t>(crc32(0, &out[start], static_cast<uInt>(out.size() - start))) ^
                c.crc_xor);
  }
  return out;
}

const Chunk* findChunk(const std::vector<Chunk>& chunks, const std::string& type) {
  for (const Chunk& c : chunks)
    if (c.type == type) return &c;
  return nullptr;
}

// ---- Decoding every colour type and depth --------------------------------------------------

struct DecodeCase {
  const char* name;
  Fixture file;
  int loaded_bpp;
  std::vector<Rgb> colours;  // expected colour of each of file.pixels
  bool transparent = false;
  Rgb transparent_colour{};
};

constexpr int P = PNG_COLOR_TYPE_PALETTE;
constexpr int G = PNG_COLOR_TYPE_GRAY;
constexpr int GA = PNG_COLOR_TYPE_GRAY_ALPHA;
constexpr int RGB = PNG_COLOR_TYPE_RGB;
constexpr int RGBA = PNG_COLOR_TYPE_RGB_ALPHA;
constexpr Rgb kWhite{255, 255, 255};

const DecodeCase kDecodeCases[] = {
    // Palette entry i is (i, 255 - i, 7 * i mod 256).
    {"palette1",
     {.colour_type = P, .bit_depth = 1, .pixels = {{0}, {1}}},
     1,
     {{0, 255, 0}, {1, 254, 7}}},
    {"palette2",
     {.colour_type = P, .bit_depth = 2, .pixels = {{0}, {3}, {2}}},
     4,
     {{0, 255, 0}, {3, 252, 21}, {2, 253, 14}}},
    {"palette4",
     {.colour_type = P, .bit_depth = 4, .pixels = {{15}, {5}}},
     4,
     {{15, 240, 105}, {5, 250, 35}}},
    {"palette8",
     {.colour_type = P, .bit_depth = 8, .pixels = {{200}, {0}, {77}}},
     8,
     {{200, 55, 120}, {0, 255, 0}, {77, 178, 27}}},
    // Entries past a short palette are black; libpng lets such indexes through.
    {"palette8_index_past_palette",
     {.colour_type = P, .bit_depth = 8, .pixels = {{3}, {200}, {255}}, .palette_entries = 4},
     8,
     {{3, 252, 21}, {0, 0, 0}, {0, 0, 0}}},
    {"grey1", {.colour_type = G, .bit_depth = 1, .pixels = {{0}, {1}}}, 1, {{0, 0, 0}, kWhite}},
    {"grey2",
     {.colour_type = G, .bit_depth = 2, .pixels = {{0}, {1}, {2}, {3}}},
     4,
     {{0, 0, 0}, {85, 85, 85}, {170, 170, 170}, kWhite}},
    {"grey4",
     {.colour_type = G, .bit_depth = 4, .pixels = {{7}, {15}, {1}}},
     4,
     {{119, 119, 119}, kWhite, {17, 17, 17}}},
    {"grey8",
     {.colour_type = G, .bit_depth = 8, .pixels = {{0}, {93}, {255}}},
     8,
     {{0, 0, 0}, {93, 93, 93}, kWhite}},
    {"grey16",
     {.colour_type = G, .bit_depth = 16, .pixels = {{0xABCD}, {0x0080}, {0xFFFF}}},
     8,
     {{171, 171, 171}, {0, 0, 0}, kWhite}},
    {"rgb8",
     {.colour_type = RGB, .bit_depth = 8, .pixels = {{200, 100, 0}, {1, 2, 3}}},
     24,
     {{200, 100, 0}, {1, 2, 3}}},
    {"rgb16",
     {.colour_type = RGB, .bit_depth = 16, .pixels = {{0xFFFF, 0x8080, 0x1234}, {0, 0, 0}}},
     24,
     {{255, 128, 18}, {0, 0, 0}}},
    // (100 * 128 + 255 * 127) / 255 = 177.2
    {"grey_alpha8",
     {.colour_type = GA, .bit_depth = 8, .pixels = {{100, 128}, {0, 0}, {37, 255}}},
     8,
     {{177, 177, 177}, kWhite, {37, 37, 37}}},
    // Alpha 0x8080 is 128: 255 * 127 / 255 = 127.
    {"grey_alpha16",
     {.colour_type = GA, .bit_depth = 16, .pixels = {{0, 0x8080}, {0xFFFF, 0xFFFF}}},
     8,
     {{127, 127, 127}, kWhite}},
    // Red (200 * 64 + 255 * 191) / 255 = 241.2, green 216.1, blue 191.
    {"rgba8",
     {.colour_type = RGBA,
      .bit_depth = 8,
      .pixels = {{200, 100, 0, 64}, {9, 8, 7, 255}, {50, 60, 70, 0}}},
     24,
     {{241, 216, 191}, {9, 8, 7}, kWhite}},
    {"rgba16",
     {.colour_type = RGBA, .bit_depth = 16, .pixels = {{0x8080, 0, 0xFFFF, 0xFFFF}}},
     24,
     {{128, 0, 255}}},
    // Interlaced: libpng's interlace handling (no alpha) and pass-by-pass compositing (alpha).
    {"interlaced_palette4",
     {.colour_type = P, .bit_depth = 4, .pixels = {{15}, {5}, {0}}, .interlaced = true},
     4,
     {{15, 240, 105}, {5, 250, 35}, {0, 255, 0}}},
    {"interlaced_grey2",
     {.colour_type = G, .bit_depth = 2, .pixels = {{3}, {1}}, .interlaced = true},
     4,
     {kWhite, {85, 85, 85}}},
    {"interlaced_rgb8",
     {.colour_type = RGB, .bit_depth = 8, .pixels = {{200, 100, 0}, {1, 2, 3}}, .interlaced = true},
     24,
     {{200, 100, 0}, {1, 2, 3}}},
    {"interlaced_grey_alpha8",
     {.colour_type = GA, .bit_depth = 8, .pixels = {{100, 128}, {37, 255}}, .interlaced = true},
     8,
     {{177, 177, 177}, {37, 37, 37}}},
    {"interlaced_rgba8",
     {.colour_type = RGBA,
      .bit_depth = 8,
      .pixels = {{200, 100, 0, 64}, {9, 8, 7, 255}},
      .interlaced = true},
     24,
     {{241, 216, 191}, {9, 8, 7}}},
    // tRNS. One clear entry, the rest opaque: the palette stays and names the colour.
    {"trns_one_clear_entry",
     {.colour_type = P, .bit_depth = 8, .pixels = {{3}, {4}}, .alpha = {255, 255, 255, 0}},
     8,
     {{3, 252, 21}, {4, 251, 28}},
     true,
     {3, 252, 21}},
    // Partial alpha: entries composited. Entry 1 at alpha 128: (127.5, 254.5, 130.5) ->
    // (1 * 128 + 32385) / 255 = 127.502 -> 128, 254.498 -> 254, 130.514 -> 131.
    {"trns_partial_alpha",
     {.colour_type = P, .bit_depth = 4, .pixels = {{0}, {1}, {2}, {3}}, .alpha = {255, 128, 0}},
     4,
     {{0, 255, 0}, {128, 254, 131}, kWhite, {3, 252, 21}}},
    {"trns_two_clear_entries",
     {.colour_type = P, .bit_depth = 2, .pixels = {{0}, {1}, {2}}, .alpha = {0, 0}},
     4,
     {kWhite, kWhite, {2, 253, 14}}},
    {"trns_grey8_key",
     {.colour_type = G, .bit_depth = 8, .pixels = {{77}, {78}}, .key = {77}},
     8,
     {{77, 77, 77}, {78, 78, 78}},
     true,
     {77, 77, 77}},
    {"trns_grey2_key",
     {.colour_type = G, .bit_depth = 2, .pixels = {{1}, {2}}, .key = {1}},
     4,
     {{85, 85, 85}, {170, 170, 170}},
     true,
     {85, 85, 85}},
    {"trns_rgb8_key",
     {.colour_type = RGB, .bit_depth = 8, .pixels = {{10, 20, 30}, {1, 2, 3}}, .key = {10, 20, 30}},
     24,
     {{10, 20, 30}, {1, 2, 3}},
     true,
     {10, 20, 30}},
    {"trns_rgb16_key",
     {.colour_type = RGB,
      .bit_depth = 16,
      .pixels = {{0x8080, 0xFFFF, 0}},
      .key = {0x8080, 0xFFFF, 0}},
     24,
     {{128, 255, 0}},
     true,
     {128, 255, 0}},
};

class PngDecode : public ::testing::TestWithParam<DecodeCase> {};

}  // namespace

TEST_P(PngDecode, LoadsAtTheEngineDepthWithTheRightColours) {
  const DecodeCase& c = GetParam();
  const Fixture& f = c.file;
  const auto file = encode(f);
  ASSERT_FALSE(file.empty());
  ASSERT_TRUE(ov::pngCodec().detect(file));
  const Decoded d = decode(file);
  ASSERT_EQ(d.info_rc, 0);
  EXPECT_EQ(d.info.compression, IG_COMPRESSION_DEFLATE);
  EXPECT_EQ(d.info.bits_per_pixel, c.loaded_bpp);
  ASSERT_EQ(d.rc, 0);
  ASSERT_EQ(d.dib.width(), f.width);
  ASSERT_EQ(d.dib.height(), f.height);
  ASSERT_EQ(d.dib.bitsPerPixel(), c.loaded_bpp);
  if (c.loaded_bpp == 8 && (f.colour_type == G || f.colour_type == GA)) {
    EXPECT_TRUE(d.dib.isGrayRamp());
  }
  int wrong = 0;
  for (int y = 0; y < f.height; ++y) {
    for (int x = 0; x < f.width; ++x) {
      const Rgb want = c.colours[pixelIndex(f, x, y)];
      const Rgb got = rgb(d.dib.colourAt(x, y));
      if (got != want && ++wrong <= 3) ADD_FAILURE() << "pixel " << x << "," << y << " " << got;
    }
  }
  EXPECT_EQ(wrong, 0) << "expected e.g. " << c.colours[0];
  EXPECT_EQ(d.attributes.transparent, c.transparent);
  if (c.transparent) {
    EXPECT_EQ(rgb(d.attributes.transparent_colour), c.transparent_colour);
  }
}

INSTANTIATE_TEST_SUITE_P(Png, PngDecode, ::testing::ValuesIn(kDecodeCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- Resolution ----------------------------------------------------------------------------

TEST(PngResolution, PhysInMetresIsKeptAndOtherUnitsAreNone) {
  struct Case {
    int unit;
    uint32_t x, y;
    int want_x, want_y;
  };
  const Case cases[] = {{PNG_RESOLUTION_METER, 3780, 2835, 3780, 2835},
                        {PNG_RESOLUTION_UNKNOWN, 1, 2, 0, 0},
                        {-1, 0, 0, 0, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.unit);
    const Decoded d =
        decode(encode({.pixels = {{1, 2, 3}}, .phys_unit = c.unit, .phys_x = c.x, .phys_y = c.y}));
    ASSERT_EQ(d.rc, 0);
    EXPECT_EQ(d.info.x_ppm, c.want_x);
    EXPECT_EQ(d.info.y_ppm, c.want_y);
    EXPECT_EQ(d.dib.header()->biXPelsPerMeter, c.want_x);
    EXPECT_EQ(d.dib.header()->biYPelsPerMeter, c.want_y);
  }
}

// ---- Saving --------------------------------------------------------------------------------

namespace {

struct SaveCase {
  const char* name;
  int bpp;
  Pattern pattern;
  int png_depth;
  int png_colour_type;
};

const SaveCase kSaveCases[] = {{"bilevel", 1, Pattern::kColourful, 1, P},
                               {"palette4", 4, Pattern::kColourful, 4, P},
                               {"palette8", 8, Pattern::kColourful, 8, P},
                               {"grey8", 8, Pattern::kGray, 8, G},
                               {"rgb", 24, Pattern::kColourful, 8, RGB}};

class PngSave : public ::testing::TestWithParam<SaveCase> {};

}  // namespace

TEST_P(PngSave, WritesTheMatchingColourTypeAndResolution) {
  const SaveCase& c = GetParam();
  TempDir dir;
  const std::string path = dir.file("saved.png");
  ScopedImage image(makeImage(21, 7, c.bpp, c.pattern));
  ASSERT_EQ(IG_image_resolution_set(image.get(), 300, 1, 150, 1, OV_RES_PER_INCH), 0);
  ASSERT_EQ(IG_save_file(image.get(), path.c_str(), IG_FORMAT_PNG), 0) << takeErrorCode();

  const auto chunks = chunksOf(readFile(path));
  const Chunk* ihdr = findChunk(chunks, "IHDR");
  ASSERT_TRUE(ihdr && ihdr->data.size() == 13);
  EXPECT_EQ(ihdr->data[8], c.png_depth);
  EXPECT_EQ(ihdr->data[9], c.png_colour_type);
  EXPECT_EQ(findChunk(chunks, "PLTE") != nullptr, c.png_colour_type == P);
  const Chunk* phys = findChunk(chunks, "pHYs");
  ASSERT_TRUE(phys && phys->data.size() == 9);
  EXPECT_EQ(be32(&phys->data[0]), 11811u);  // 300 dpi
  EXPECT_EQ(be32(&phys->data[4]), 5906u);   // 150 dpi
  EXPECT_EQ(phys->data[8], PNG_RESOLUTION_METER);

  int32_t compression = -1;
  ASSERT_EQ(IG_info_get(path.c_str(), nullptr, &compression, nullptr), 0);
  EXPECT_EQ(compression, IG_COMPRESSION_DEFLATE);
  ScopedImage loaded;
  ASSERT_EQ(IG_load_file(path.c_str(), loaded.out()), 0);
  EXPECT_EQ(differingPixels(image.get(), loaded.get()), 0);
}

INSTANTIATE_TEST_SUITE_P(Png, PngSave, ::testing::ValuesIn(kSaveCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PngSave, TransparentColourBecomesTrnsAndComesBack) {
  struct Case {
    int bpp;
    Pattern pattern;
    OV_RGB colour;
    std::vector<uint8_t> trns;  // expected chunk data
  };
  // The colourful 8-bit palette has entry i = (i * 37, 255 - i, (i * 91) ^ 0x55) as B, G, R;
  // entry 5 is also copied to entry 9, and the first one must be the one hidden.
  const OV_RGB entry5{185, 250, 0x55 ^ 199};
  const Case cases[] = {
      {8, Pattern::kColourful, entry5, {255, 255, 255, 255, 255, 0}},
      {8, Pattern::kGray, {77, 77, 77}, {0, 77}},
      {24, Pattern::kColourful, {30, 20, 10}, {0, 10, 0, 20, 0, 30}},
  };
  TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bpp);
    const std::string path = dir.file("t.png");
    ScopedImage image(makeImage(9, 4, c.bpp, c.pattern));
    if (c.pattern == Pattern::kColourful && c.bpp == 8)
      IG_palette_entry_set(image.get(), &entry5, 9);
    ov::ImageRecord* record = ov::findImage(image.get());
    ASSERT_NE(record, nullptr);
    record->attributes.transparent = true;
    record->attributes.transparent_colour = c.colour;
    ASSERT_EQ(IG_save_file(image.get(), path.c_str(), IG_FORMAT_PNG), 0) << takeErrorCode();

    const auto file = readFile(path);
    const auto chunks = chunksOf(file);
    const Chunk* trns = findChunk(chunks, "tRNS");
    ASSERT_NE(trns, nullptr);
    EXPECT_EQ(trns->data, c.trns);
    const Decoded d = decode(file);
    ASSERT_EQ(d.rc, 0);
    EXPECT_TRUE(d.attributes.transparent);
    EXPECT_EQ(rgb(d.attributes.transparent_colour), rgb(c.colour));
  }
}

// ---- Progress ------------------------------------------------------------------------------

TEST(PngProgress, CancelledLoadsAndSavesStopCleanly) {
  TempDir dir;
  const std::string path = dir.file("c.png");
  ScopedImage image(makeImage(16, 16, 24));
  ASSERT_EQ(IG_save_file(image.get(), path.c_str(), IG_FORMAT_PNG), 0);
  writeFile(dir.file("i.png"),
            encode({.colour_type = RGBA, .pixels = {{1, 2, 3, 4}}, .interlaced = true}));

  ProgressScript cancel;
  for (const std::string& name : {path, dir.file("i.png")}) {
    cancel.reset(1);
    OV_IMAGE loaded = 0;
    EXPECT_EQ(IG_load_file(name.c_str(), &loaded), 1);
    EXPECT_EQ(takeErrorCode(), IGE_CANCELLED);
    EXPECT_EQ(loaded, 0u);
  }
  cancel.reset(1);
  EXPECT_EQ(IG_save_file(image.get(), dir.file("d.png").c_str(), IG_FORMAT_PNG), 1);
  EXPECT_EQ(takeErrorCode(), IGE_CANCELLED);
}

// ---- Hostile input -------------------------------------------------------------------------

namespace {

using Bytes = std::vector<uint8_t>;

// A 64 x 48 RGB picture of noise: several kilobytes of image data.
Bytes goodFile() {
  Fixture f{.width = 64, .height = 48};
  uint32_t seed = 12345;
  for (int i = 0; i < f.width * f.height; ++i) {
    seed = seed * 1103515245u + 12345u;
    f.pixels.push_back({static_cast<uint16_t>(seed >> 24), static_cast<uint16_t>(seed >> 16 & 255),
                        static_cast<uint16_t>(seed >> 8 & 255)});
  }
  return encode(f);
}

Bytes cut(const Bytes& b, size_t n) {
  return Bytes(b.begin(), b.begin() + static_cast<long>(n));
}

Bytes withIhdrSize(const Bytes& b, uint32_t width, uint32_t height) {
  auto chunks = chunksOf(b);
  Bytes data;
  putBe32(data, width);
  putBe32(data, height);
  std::copy(chunks[0].data.begin() + 8, chunks[0].data.end(), std::back_inserter(data));
  chunks[0].data = data;
  return assemble(chunks);
}

Bytes withBadCrc(const Bytes& b, const std::string& type) {
  auto chunks = chunksOf(b);
  for (Chunk& c : chunks)
    if (c.type == type) c.crc_xor = 0x10;
  return assemble(chunks);
}

// The image data stops halfway, in one well-formed IDAT followed by IEND.
Bytes withShortImageData(const Bytes& b) {
  std::vector<Chunk> chunks;
  for (const Chunk& c : chunksOf(b)) {
    if (c.type != "IDAT") {
      chunks.push_back(c);
    } else if (!findChunk(chunks, "IDAT")) {
      const auto half = c.data.begin() + static_cast<long>(c.data.size() / 2);
      chunks.push_back({c.type, Bytes(c.data.begin(), half)});
    }
  }
  return assemble(chunks);
}

Bytes withoutImageData(const Bytes& b) {
  auto chunks = chunksOf(b);
  std::erase_if(chunks, [](const Chunk& c) { return c.type == "IDAT"; });
  return assemble(chunks);
}

Bytes noise(size_t n, bool signature) {
  Bytes b(n);
  for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(i * 131 + 7);
  if (signature) std::memcpy(b.data(), "\x89PNG\r\n\x1a\n", 8);
  return b;
}

}  // namespace

TEST(PngHostile, DamagedFilesAreInvalidHeadersAndLeaveNoImage) {
  const Bytes good = goodFile();
  ASSERT_GT(good.size(), 2000u);
  ASSERT_EQ(chunksOf(good).back().type, "IEND");
  const struct {
    const char* name;
    Bytes file;
    bool header_bad;  // information fails too
  } cases[] = {
      {"empty", {}, true},
      {"garbage", noise(300, false), true},
      {"signature then noise", noise(300, true), true},
      {"cut in signature", cut(good, 5), true},
      {"cut after signature", cut(good, 8), true},
      {"cut in IHDR", cut(good, 20), true},
      {"cut before IDAT", cut(good, 33), true},
      {"cut in IDAT", cut(good, good.size() / 2), false},
      {"cut in IDAT CRC", cut(good, good.size() - 14), false},
      {"IHDR 100000 x 100000", withIhdrSize(good, 100000, 100000), true},
      {"IHDR above a gigapixel", withIhdrSize(good, 65535, 65535), true},
      {"IHDR zero width", withIhdrSize(good, 0, 48), true},
      // Allowed, but far more pixels than the data could inflate to: refused unallocated.
      {"IHDR 60000 x 16000", withIhdrSize(good, 60000, 16000), false},
      {"bad IHDR CRC", withBadCrc(good, "IHDR"), true},
      {"bad IDAT CRC", withBadCrc(good, "IDAT"), false},
      {"image data ends early", withShortImageData(good), false},
      {"no image data", withoutImageData(good), true},
  };
  TempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir.file("bad.png");
    writeFile(path, c.file);
    OV_IMAGE image = 0;
    EXPECT_EQ(IG_load_file(path.c_str(), &image), 1);
    EXPECT_EQ(takeErrorCode(), IGE_INVALID_FILE_HEADER);
    EXPECT_EQ(image, 0u);
    OV_IMAGE_INFO info{};
    EXPECT_EQ(IG_info_get(path.c_str(), nullptr, nullptr, &info) != 0, c.header_bad);
  }
  // The intact file, through the same path, loads.
  writeFile(dir.file("good.png"), good);
  ScopedImage loaded;
  EXPECT_EQ(IG_load_file(dir.file("good.png").c_str(), loaded.out()), 0);
}
