// Diffuse: pixels scattered within the rectangle. The window mirrors at the rectangle's own
// edges, so every pixel taken comes from inside it.
#include "ovengine/ov_errors.h"
#include "process/convolve.h"
#include "process/effects.h"
#include "process/pseudo_random.h"

namespace ov {

int diffuseImage(Dib& image, const OV_RECT& rect, int level, Progress& progress) {
  SourceWindow window(image, rect, rect, Reach{level, level, level, level});
  const size_t bytes = static_cast<size_t>(window.channels());
  const uint32_t spread = 2 * static_cast<uint32_t>(level) + 1;
  const uint64_t seed =
      seedOf({uint64_t{'D'}, uint64_t(image.width()), uint64_t(image.height()), uint64_t(rect.left),
              uint64_t(rect.top), uint64_t(rect.right), uint64_t(rect.bottom), uint64_t(level)});
  for (int y = rect.top; y <= rect.bottom; ++y) {
    window.moveTo(y);
    PseudoRandom random(seedOf({seed, uint64_t(y)}));
    uint8_t* out = image.row(y) + rect.left * bytes;
    // Padded column of output pixel i is i + level; the offset adds -level..level.
    for (int i = 0; i <= rect.right - rect.left; ++i, out += bytes) {
      const uint64_t r = random.next();
      const int dx = static_cast<int>(((r & 0xFFFFFFFF) * spread) >> 32);
      const int dy = static_cast<int>(((r >> 32) * spread) >> 32) - level;
      const uint8_t* from = window.row(dy) + (i + dx) * bytes;
      for (size_t c = 0; c < bytes; ++c) out[c] = from[c];
    }
    if (!progress.advanceTo(y - rect.top + 1)) return IGE_CANCELLED;
  }
  return IGE_SUCCESS;
}

}  // namespace ov
