#include "codecs/packed_dib.h"

#include <cstring>
#include <vector>

#include "codecs/bmp_header.h"

namespace ov {
namespace {

constexpr size_t kFileHeaderSize = 14;

// Bytes between the start of the info header and the pixels.
bool pixelOffset(Bytes dib, size_t& offset) {
  if (dib.size() < 16) return false;
  const uint32_t size = readLe32(dib.data());
  if (size < 12 || size > dib.size()) return false;
  int bits = 0;
  uint32_t compression = 0, used = 0;
  if (size == 12) {
    bits = readLe16(dib.data() + 10);
  } else {
    bits = readLe16(dib.data() + 14);
    if (size >= 36) compression = readLe32(dib.data() + 16);
    if (size >= 36) used = readLe32(dib.data() + 32);
  }
  if (used > 256) return false;
  const size_t entries = used ? used : bits <= 8 ? size_t{1} << bits : 0;
  size_t masks = 0;
  if (size == 40 && compression == 3) masks = 12;
  if (size == 40 && compression == 6) masks = 16;
  offset = size + masks + entries * (size == 12 ? 3 : 4);
  return offset <= dib.size();
}

// The DIB behind a synthetic file header, so that the BMP reader can take it.
bool withFileHeader(Bytes dib, std::vector<uint8_t>& file) {
  size_t offset = 0;
  if (!pixelOffset(dib, offset)) return false;
  file.resize(kFileHeaderSize + dib.size());
  const uint32_t total = static_cast<uint32_t>(file.size());
  const uint32_t bits = static_cast<uint32_t>(kFileHeaderSize + offset);
  const uint8_t header[kFileHeaderSize] = {
      'B', 'M',
      static_cast<uint8_t>(total), static_cast<uint8_t>(total >> 8),
      static_cast<uint8_t>(total >> 16), static_cast<uint8_t>(total >> 24),
      0, 0, 0, 0,
      static_cast<uint8_t>(bits), static_cast<uint8_t>(bits >> 8),
      static_cast<uint8_t>(bits >> 16), static_cast<uint8_t>(bits >> 24)};
  std::memcpy(file.data(), header, kFileHeaderSize);
  std::memcpy(file.data() + kFileHeaderSize, dib.data(), dib.size());
  return true;
}

}  // namespace

int packedDibInfo(Bytes dib, PageInfo& out) {
  std::vector<uint8_t> file;
  if (dib.size() > UINT32_MAX - kFileHeaderSize || !withFileHeader(dib, file))
    return IGE_INVALID_FILE_HEADER;
  return bmpCodec().info(Bytes(file.data(), file.size()), 1, out);
}

int loadPackedDib(Bytes dib, Progress& progress, Dib& out) {
  std::vector<uint8_t> file;
  if (dib.size() > UINT32_MAX - kFileHeaderSize || !withFileHeader(dib, file))
    return IGE_INVALID_FILE_HEADER;
  ImageAttributes ignored;
  return bmpCodec().load(Bytes(file.data(), file.size()), 1, progress, out, ignored);
}

int writePackedDib(const Dib& image, FileSink& out) {
  // The image in memory is a packed DIB already; only the image size field may be unset.
  OV_BITMAPINFOHEADER header = *image.header();
  header.biSize = sizeof(OV_BITMAPINFOHEADER);
  header.biCompression = 0;
  header.biSizeImage = static_cast<uint32_t>(image.pixelBytes());
  header.biClrUsed = static_cast<uint32_t>(image.paletteSize());
  const auto* rest = reinterpret_cast<const uint8_t*>(image.header()) + sizeof header;
  if (!out.write(&header, sizeof header) || !out.write(rest, image.totalBytes() - sizeof header))
    return IGE_FILE_WRITE_ERROR;
  return 0;
}

}  // namespace ov
