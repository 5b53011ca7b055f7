// Promotion to a greater depth, and the packing of index rows that the colour operations
// share.
#include <cstring>
#include <vector>

#include "ovengine/ov_errors.h"
#include "process/colour.h"

namespace ov {

void unpackRow(const uint8_t* row, int width, int bpp, uint8_t* indexes) {
  if (bpp == 8) {
    std::memcpy(indexes, row, static_cast<size_t>(width));
    return;
  }
  if (bpp == 4) {
    int x = 0;
    for (; x + 1 < width; x += 2) {
      indexes[x] = row[x >> 1] >> 4;
      indexes[x + 1] = row[x >> 1] & 0x0F;
    }
    if (x < width) indexes[x] = row[x >> 1] >> 4;
    return;
  }
  for (int x = 0; x < width; ++x) indexes[x] = (row[x >> 3] >> (7 - (x & 7))) & 1;
}

void packRow(const uint8_t* indexes, int width, int bpp, uint8_t* row) {
  if (bpp == 8) {
    std::memcpy(row, indexes, static_cast<size_t>(width));
    return;
  }
  if (bpp == 4) {
    for (int x = 0; x < width; x += 2) {
      const int low = x + 1 < width ? indexes[x + 1] & 0x0F : 0;
      row[x >> 1] = static_cast<uint8_t>((indexes[x] & 0x0F) << 4 | low);
    }
    return;
  }
  for (int x = 0; x < width; x += 8) {
    uint8_t byte = 0;
    for (int i = 0; i < 8 && x + i < width; ++i) byte |= (indexes[x + i] & 1) << (7 - i);
    row[x >> 3] = byte;
  }
}

int promoteImage(const Dib& src, int bits, Dib& out, Progress& progress) {
  const int from = src.bitsPerPixel();
  if (bits <= from || (bits != 4 && bits != 8 && bits != 24)) return IGE_INVALID_ARGUMENT;
  Dib result;
  if (int rc = allocateResult(src, bits, result); rc != 0) return rc;
  if (bits <= 8) {
    // The old entries keep their numbers, so the indexes copy unchanged; the rest are unused.
    OV_RGBQUAD* palette = result.palette();
    std::memset(palette, 0, sizeof(OV_RGBQUAD) * result.paletteSize());
    std::memcpy(palette, src.palette(), sizeof(OV_RGBQUAD) * src.paletteSize());
  }
  const int width = src.width();
  std::vector<uint8_t> indexes(static_cast<size_t>(width));
  for (int y = 0; y < src.height(); ++y) {
    if (bits == 24) {
      rowToBgr(src.row(y), 0, width, from, src.palette(), result.row(y));
    } else {
      unpackRow(src.row(y), width, from, indexes.data());
      packRow(indexes.data(), width, bits, result.row(y));
    }
    if (!progress.advanceTo(y + 1)) return IGE_CANCELLED;
  }
  out = std::move(result);
  return 0;
}

}  // namespace ov
