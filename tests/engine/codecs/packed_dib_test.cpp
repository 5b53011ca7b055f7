// Packed DIBs as containers hold them: written from an image, read back through the BMP reader.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>

#include "codecs/packed_dib.h"
#include "core/image_table.h"
#include "temp_dir.h"
#include "test_images.h"

using namespace ovtest;

namespace {

std::vector<uint8_t> packed(const ov::Dib& image, const TempDir& dir) {
  const std::string path = dir.file("dib");
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
  ov::FileSink sink(fd);
  EXPECT_EQ(ov::writePackedDib(image, sink), 0);
  EXPECT_TRUE(sink.flush());
  close(fd);
  return readFile(path);
}

}  // namespace

TEST(PackedDib, EveryDepthReadsBackWithItsPaletteAndResolution) {
  TempDir dir;
  for (int bits : {1, 4, 8, 24}) {
    ScopedImage image(makeImage(13, 7, bits));
    IG_image_resolution_set(image.get(), 200, 1, 100, 1, OV_RES_PER_INCH);
    const ov::Dib* dib = &ov::findImage(image.get())->dib;
    ASSERT_NE(dib, nullptr);
    const auto bytes = packed(*dib, dir);
    ov::PageInfo info;
    ASSERT_EQ(ov::packedDibInfo(ov::Bytes(bytes.data(), bytes.size()), info), 0) << bits;
    EXPECT_EQ(info.width, 13);
    EXPECT_EQ(info.bits_per_pixel, bits);
    EXPECT_EQ(info.x_ppm, 7874);
    ov::Progress progress;
    ov::Dib back;
    ASSERT_EQ(ov::loadPackedDib(ov::Bytes(bytes.data(), bytes.size()), progress, back), 0);
    ASSERT_EQ(back.totalBytes(), dib->totalBytes());
    EXPECT_EQ(std::memcmp(back.bits(), dib->bits(), dib->pixelBytes()), 0) << bits;
    EXPECT_EQ(std::memcmp(back.palette(), dib->palette(), 4 * dib->paletteSize()), 0) << bits;
  }
}

TEST(PackedDib, ShortOrInconsistentHeadersAreRefused) {
  TempDir dir;
  ScopedImage image(makeImage(8, 8, 8));
  auto bytes = packed(ov::findImage(image.get())->dib, dir);
  ov::PageInfo info;
  ov::Progress progress;
  ov::Dib out;
  for (size_t len : {size_t{0}, size_t{15}, size_t{40}, size_t{500}}) {
    EXPECT_NE(ov::packedDibInfo(ov::Bytes(bytes.data(), len), info), 0) << len;
    EXPECT_NE(ov::loadPackedDib(ov::Bytes(bytes.data(), len), progress, out), 0) << len;
  }
  bytes[32] = 0xFF;  // more colours used than an 8-bit palette holds
  EXPECT_NE(ov::packedDibInfo(ov::Bytes(bytes.data(), bytes.size()), info), 0);
}
