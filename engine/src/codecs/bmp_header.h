// BMP headers: every header generation reduced to one description of where the palette and
// the pixels are and how to read them, checked against the file's real size.
#pragma once

#include <cstddef>
#include <cstdint>

#include "io/mapped_file.h"

namespace ov {

enum class BmpEncoding { kRgb, kRle8, kRle4, kBitfields };

struct BmpLayout {
  int width = 0;
  int height = 0;  // always positive; see top_down
  bool top_down = false;
  int bits = 0;  // as stored: 1, 2, 4, 8, 16, 24 or 32
  BmpEncoding encoding = BmpEncoding::kRgb;
  // Channel masks of 16- and 32-bit pixels: red, green, blue, alpha (0 = no alpha).
  uint32_t masks[4] = {0, 0, 0, 0};
  size_t palette_offset = 0;
  int palette_entries = 0;     // entries actually stored in the file (may be under 2^bits)
  int palette_entry_size = 4;  // 3 for the OS/2 1.x core header
  size_t data_offset = 0;
  size_t data_size = 0;  // bytes from data_offset to the end of the file
  int32_t x_ppm = 0;
  int32_t y_ppm = 0;

  bool rle() const { return encoding == BmpEncoding::kRle8 || encoding == BmpEncoding::kRle4; }
  // The engine depth the image loads as.
  int loadedBits() const { return bits > 8 ? 24 : bits == 2 ? 4 : bits; }
  size_t fileStride() const { return ((static_cast<size_t>(width) * bits + 31) / 32) * 4; }
};

inline uint16_t readLe16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline uint32_t readLe32(const uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// "BM" and a header size this reader knows.
bool looksLikeBmp(Bytes file);
// Fills `out` from the headers; 0, or IGE_INVALID_FILE_HEADER for anything that cannot be
// decoded (unknown header or compression, impossible sizes, palette or uncompressed pixels
// past the end of the file).
int parseBmpLayout(Bytes file, BmpLayout& out);

}  // namespace ov
