// Posterize: a table per channel.
#include <algorithm>
#include <array>

#include "ovengine/ov_errors.h"
#include "process/convolve.h"
#include "process/effects.h"

namespace ov {
namespace {

// Each value to its nearest level; a level's own value maps to itself (the levels lie at
// least one value apart), which is what makes a second pass change nothing.
std::array<uint8_t, 256> levelTable(int levels) {
  const int steps = std::max(levels, 2) - 1;
  std::array<uint8_t, 256> t;
  for (int v = 0; v < 256; ++v) {
    const int level = (v * steps + 127) / 255;
    t[v] = static_cast<uint8_t>((level * 255 * 2 + steps) / (2 * steps));
  }
  return t;
}

}  // namespace

int posterizeImage(Dib& image, const OV_RECT& rect, int levels, int channels, Progress& progress) {
  const int bytes = filterChannels(image);
  std::array<uint8_t, 256> identity;
  for (int v = 0; v < 256; ++v) identity[v] = static_cast<uint8_t>(v);
  const std::array<uint8_t, 256> posterized = levelTable(levels);
  // Per byte of a pixel, B, G, R at 24 bits; a grey index counts as every channel.
  const bool grey = bytes == 1;
  const std::array<const uint8_t*, 3> tables = {
      (grey || (channels & kBlueBit)) ? posterized.data() : identity.data(),
      (channels & kGreenBit) ? posterized.data() : identity.data(),
      (channels & kRedBit) ? posterized.data() : identity.data()};
  for (int y = rect.top; y <= rect.bottom; ++y) {
    uint8_t* p = image.row(y) + static_cast<size_t>(rect.left) * bytes;
    for (int x = rect.left; x <= rect.right; ++x, p += bytes)
      for (int c = 0; c < bytes; ++c) p[c] = tables[c][p[c]];
    if (!progress.advanceTo(y - rect.top + 1)) return IGE_CANCELLED;
  }
  return IGE_SUCCESS;
}

}  // namespace ov
