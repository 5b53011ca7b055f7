// Pixels of one depth as another: packed indexes, colours of palette pixels, and the
// nearest palette entry of a colour.
#pragma once

#include <cstdint>
#include <vector>

#include "ovengine/ov_types.h"

namespace ov {

// Index of pixel x in a packed row of 1, 4 or 8 bits (the first pixel in the high bits).
inline uint32_t packedIndex(const uint8_t* row, int x, int bpp) {
  switch (bpp) {
    case 1:
      return (row[x >> 3] >> (7 - (x & 7))) & 1u;
    case 4:
      return (x & 1) ? (row[x >> 1] & 0x0Fu) : (row[x >> 1] >> 4);
    default:
      return row[x];
  }
}

inline void setPackedIndex(uint8_t* row, int x, int bpp, uint32_t index) {
  switch (bpp) {
    case 1: {
      const auto mask = static_cast<uint8_t>(0x80u >> (x & 7));
      row[x >> 3] = (index & 1) ? (row[x >> 3] | mask) : (row[x >> 3] & ~mask);
      break;
    }
    case 4: {
      uint8_t& b = row[x >> 1];
      b = (x & 1) ? ((b & 0xF0) | (index & 0x0F)) : ((b & 0x0F) | ((index & 0x0F) << 4));
      break;
    }
    default:
      row[x] = static_cast<uint8_t>(index);
  }
}

// Copies `count` pixels of `bpp` bits from pixel sx of `src` to pixel dx of `dst`; bits of
// `dst` outside the run are kept.
void copyPixelRun(const uint8_t* src, int sx, uint8_t* dst, int dx, int count, int bpp);

// Pixels x0 .. x0+count-1 of a row of any depth as B,G,R bytes.
void rowToBgr(const uint8_t* row, int x0, int count, int bpp, const OV_RGBQUAD* palette,
              uint8_t* out);

// The entry of `palette` closest to (r, g, b) in RGB distance; the first of equals.
int nearestPaletteIndex(const OV_RGBQUAD* palette, int entries, uint8_t r, uint8_t g, uint8_t b);

// Nearest-entry look-ups for whole images: remembers recent colours, since pictures repeat
// them far more often than the full palette search can afford.
class PaletteMatcher {
 public:
  PaletteMatcher(const OV_RGBQUAD* palette, int entries);
  uint8_t match(uint8_t b, uint8_t g, uint8_t r);

 private:
  const OV_RGBQUAD* palette_;
  int entries_;
  std::vector<uint32_t> keys_;  // colour + 1, so that 0 marks an empty slot
  std::vector<uint8_t> values_;
};

// True when every entry is a grey (red = green = blue).
bool paletteIsGrey(const OV_RGBQUAD* palette, int entries);

}  // namespace ov
