#include "process/pixel_convert.h"

#include <climits>
#include <cstring>

namespace ov {

void copyPixelRun(const uint8_t* src, int sx, uint8_t* dst, int dx, int count, int bpp) {
  if (count <= 0) return;
  if (bpp >= 8) {
    const size_t bytes = static_cast<size_t>(bpp / 8);
    std::memmove(dst + bytes * dx, src + bytes * sx, bytes * count);
    return;
  }
  const int per_byte = 8 / bpp;
  if (sx % per_byte == 0 && dx % per_byte == 0) {
    // Whole bytes at once; only a trailing part byte needs merging.
    const int whole = count / per_byte;
    std::memmove(dst + dx / per_byte, src + sx / per_byte, static_cast<size_t>(whole));
    for (int i = whole * per_byte; i < count; ++i)
      setPackedIndex(dst, dx + i, bpp, packedIndex(src, sx + i, bpp));
    return;
  }
  for (int i = 0; i < count; ++i) setPackedIndex(dst, dx + i, bpp, packedIndex(src, sx + i, bpp));
}

void rowToBgr(const uint8_t* row, int x0, int count, int bpp, const OV_RGBQUAD* palette,
              uint8_t* out) {
  if (bpp == 24) {
    std::memcpy(out, row + 3 * static_cast<size_t>(x0), 3 * static_cast<size_t>(count));
    return;
  }
  for (int i = 0; i < count; ++i, out += 3) {
    const OV_RGBQUAD& q = palette[packedIndex(row, x0 + i, bpp)];
    out[0] = q.blue;
    out[1] = q.green;
    out[2] = q.red;
  }
}

int nearestPaletteIndex(const OV_RGBQUAD* palette, int entries, uint8_t r, uint8_t g, uint8_t b) {
  int best = 0;
  int best_dist = INT_MAX;
  for (int i = 0; i < entries; ++i) {
    const OV_RGBQUAD& q = palette[i];
    const int db = q.blue - b, dg = q.green - g, dr = q.red - r;
    const int dist = db * db + dg * dg + dr * dr;
    if (dist < best_dist) best_dist = dist, best = i;
  }
  return best;
}

namespace {
constexpr size_t kMatchSlots = 4096;
}  // namespace

PaletteMatcher::PaletteMatcher(const OV_RGBQUAD* palette, int entries)
    : palette_(palette), entries_(entries), keys_(kMatchSlots, 0), values_(kMatchSlots, 0) {}

uint8_t PaletteMatcher::match(uint8_t b, uint8_t g, uint8_t r) {
  const uint32_t colour = b | (g << 8) | (static_cast<uint32_t>(r) << 16);
  const size_t slot = ((colour * 2654435761u) >> 20) & (kMatchSlots - 1);
  if (keys_[slot] != colour + 1) {
    keys_[slot] = colour + 1;
    values_[slot] = static_cast<uint8_t>(nearestPaletteIndex(palette_, entries_, r, g, b));
  }
  return values_[slot];
}

bool paletteIsGrey(const OV_RGBQUAD* palette, int entries) {
  for (int i = 0; i < entries; ++i)
    if (palette[i].red != palette[i].green || palette[i].green != palette[i].blue) return false;
  return true;
}

}  // namespace ov
