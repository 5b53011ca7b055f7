// Every writable format at every depth it accepts: save, load, same picture and resolution.
#include <gtest/gtest.h>

#include <unistd.h>

#include <string>

#include "temp_dir.h"
#include "test_images.h"

using namespace ovtest;

namespace {

struct RoundTrip {
  const char* name;
  int format;
  int compression;
  int bpp;
  Pattern pattern;
  double min_psnr;  // 0 = identical pixels
  int loaded_bpp;   // depth after loading (0 = same)
  bool keeps_resolution;
};

// Readable test names in CTest instead of a byte dump.
void PrintTo(const RoundTrip& c, std::ostream* os) { *os << c.name << " " << c.bpp << " bits"; }

std::string caseName(const ::testing::TestParamInfo<RoundTrip>& info) {
  return std::string(info.param.name) + "_" + std::to_string(info.param.bpp) +
         (info.param.pattern == Pattern::kGray ? "gray" : "");
}

constexpr auto C = Pattern::kColourful;
constexpr auto G = Pattern::kGray;

const RoundTrip kCases[] = {
    {"bmp", IG_FORMAT_BMP, 0, 1, C, 0, 0, true},
    {"bmp", IG_FORMAT_BMP, 0, 4, C, 0, 0, true},
    {"bmp", IG_FORMAT_BMP, 0, 8, C, 0, 0, true},
    {"bmp", IG_FORMAT_BMP, 0, 24, C, 0, 0, true},
    {"bmp_rle", IG_FORMAT_BMP, IG_COMPRESSION_RLE, 4, C, 0, 0, true},
    {"bmp_rle", IG_FORMAT_BMP, IG_COMPRESSION_RLE, 8, C, 0, 0, true},
    {"png", IG_FORMAT_PNG, 0, 1, C, 0, 0, true},
    {"png", IG_FORMAT_PNG, 0, 4, C, 0, 0, true},
    {"png", IG_FORMAT_PNG, 0, 8, C, 0, 0, true},
    {"png", IG_FORMAT_PNG, 0, 8, G, 0, 0, true},
    {"png", IG_FORMAT_PNG, 0, 24, C, 0, 0, true},
    {"gif", IG_FORMAT_GIF, 0, 1, C, 0, 0, false},
    {"gif", IG_FORMAT_GIF, 0, 4, C, 0, 0, false},
    {"gif", IG_FORMAT_GIF, 0, 8, C, 0, 0, false},
    {"jpeg", IG_FORMAT_JPG, 0, 24, C, 30, 0, true},
    {"jpeg", IG_FORMAT_JPG, 0, 8, G, 30, 0, true},
    {"tiff_none", IG_FORMAT_TIF, IG_COMPRESSION_NONE, 1, C, 0, 0, true},
    {"tiff_none", IG_FORMAT_TIF, IG_COMPRESSION_NONE, 4, C, 0, 0, true},
    {"tiff_none", IG_FORMAT_TIF, IG_COMPRESSION_NONE, 8, C, 0, 0, true},
    {"tiff_none", IG_FORMAT_TIF, IG_COMPRESSION_NONE, 8, G, 0, 0, true},
    {"tiff_none", IG_FORMAT_TIF, IG_COMPRESSION_NONE, 24, C, 0, 0, true},
    {"tiff_lzw", IG_FORMAT_TIF, IG_COMPRESSION_LZW, 1, C, 0, 0, true},
    {"tiff_lzw", IG_FORMAT_TIF, IG_COMPRESSION_LZW, 4, C, 0, 0, true},
    {"tiff_lzw", IG_FORMAT_TIF, IG_COMPRESSION_LZW, 8, C, 0, 0, true},
    {"tiff_lzw", IG_FORMAT_TIF, IG_COMPRESSION_LZW, 24, C, 0, 0, true},
    {"tiff_packbits", IG_FORMAT_TIF, IG_COMPRESSION_PACKED_BITS, 1, C, 0, 0, true},
    {"tiff_packbits", IG_FORMAT_TIF, IG_COMPRESSION_PACKED_BITS, 4, C, 0, 0, true},
    {"tiff_packbits", IG_FORMAT_TIF, IG_COMPRESSION_PACKED_BITS, 8, C, 0, 0, true},
    {"tiff_packbits", IG_FORMAT_TIF, IG_COMPRESSION_PACKED_BITS, 24, C, 0, 0, true},
    {"tiff_jpeg", IG_FORMAT_TIF, IG_COMPRESSION_JPEG, 24, C, 30, 0, true},
    {"tiff_jpeg", IG_FORMAT_TIF, IG_COMPRESSION_JPEG, 8, G, 30, 0, true},
    {"tiff_huffman", IG_FORMAT_TIF, IG_COMPRESSION_CCITT_G3_RLE, 1, C, 0, 0, true},
    {"tiff_g3", IG_FORMAT_TIF, IG_COMPRESSION_CCITT_G3, 1, C, 0, 0, true},
    {"tiff_g3_2d", IG_FORMAT_TIF, IG_COMPRESSION_CCITT_G3_2D, 1, C, 0, 0, true},
    {"tiff_g4", IG_FORMAT_TIF, IG_COMPRESSION_CCITT_G4, 1, C, 0, 0, true},
};

class RoundTripTest : public ::testing::TestWithParam<RoundTrip> {};

}  // namespace

TEST_P(RoundTripTest, SavesAndLoadsTheSamePicture) {
  const RoundTrip& c = GetParam();
  TempDir dir;
  const std::string path = dir.file("image");
  // Odd sizes catch row padding and bit-packing faults.
  ScopedImage original(makeImage(37, 23, c.bpp, c.pattern));
  ASSERT_EQ(IG_image_resolution_set(original.get(), 300, 1, 150, 1, OV_RES_PER_INCH), 0);
  IG_save_JPEG_quality_set(90);
  ASSERT_EQ(IG_save_file(original.get(), path.c_str(), IG_SAVE_CODE(c.format, c.compression)), 0)
      << takeErrorCode();

  int32_t format = 0, compression = -1;
  OV_IMAGE_INFO info{};
  ASSERT_EQ(IG_info_get(path.c_str(), &format, &compression, &info), 0) << takeErrorCode();
  EXPECT_EQ(format, c.format);
  EXPECT_EQ(info.width, 37);
  EXPECT_EQ(info.height, 23);
  const int loaded_bpp = c.loaded_bpp ? c.loaded_bpp : c.bpp;
  EXPECT_EQ(info.bits_per_pixel, loaded_bpp);

  ScopedImage loaded;
  ASSERT_EQ(IG_load_file(path.c_str(), loaded.out()), 0) << takeErrorCode();
  EXPECT_EQ(shapeOf(loaded.get()), "37x23x" + std::to_string(loaded_bpp));
  if (c.min_psnr == 0) {
    EXPECT_EQ(differingPixels(original.get(), loaded.get()), 0);
  } else {
    EXPECT_GE(psnr(original.get(), loaded.get()), c.min_psnr);
  }
  if (c.pattern == Pattern::kGray && c.bpp == 8) {
    EXPECT_TRUE(IG_image_is_gray(loaded.get()));
  }

  int32_t x = 0, y = 0;
  IG_image_resolution_get(loaded.get(), &x, nullptr, &y, nullptr, nullptr);
  if (c.keeps_resolution) {
    EXPECT_EQ(x, 300);
    EXPECT_EQ(y, 150);
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, RoundTripTest, ::testing::ValuesIn(kCases), caseName);

namespace {

struct Refusal {
  const char* name;
  int format;
  int compression;
  int bpp;
};

void PrintTo(const Refusal& c, std::ostream* os) { *os << c.name << " " << c.bpp << " bits"; }

class DepthRefusal : public ::testing::TestWithParam<Refusal> {};

}  // namespace

TEST_P(DepthRefusal, DepthTheFormatCannotHoldIsRefused) {
  const Refusal& c = GetParam();
  TempDir dir;
  const std::string path = dir.file("refused");
  ScopedImage image(makeImage(8, 8, c.bpp));
  EXPECT_EQ(IG_save_file(image.get(), path.c_str(), IG_SAVE_CODE(c.format, c.compression)), 1);
  EXPECT_EQ(takeErrorCode(), IGE_INVALID_BIT_DEPTH);
  EXPECT_NE(access(path.c_str(), F_OK), 0) << "no file may be left behind";
}

INSTANTIATE_TEST_SUITE_P(
    Formats, DepthRefusal,
    ::testing::Values(Refusal{"jpeg", IG_FORMAT_JPG, 0, 1}, Refusal{"jpeg", IG_FORMAT_JPG, 0, 4},
                      Refusal{"tiff_jpeg", IG_FORMAT_TIF, IG_COMPRESSION_JPEG, 1},
                      Refusal{"tiff_jpeg", IG_FORMAT_TIF, IG_COMPRESSION_JPEG, 4},
                      Refusal{"tiff_g4", IG_FORMAT_TIF, IG_COMPRESSION_CCITT_G4, 8},
                      Refusal{"tiff_g3", IG_FORMAT_TIF, IG_COMPRESSION_CCITT_G3, 24},
                      Refusal{"tiff_huffman", IG_FORMAT_TIF, IG_COMPRESSION_CCITT_G3_RLE, 4}),
    [](const auto& info) { return std::string(info.param.name) + "_" + std::to_string(info.param.bpp); });
