// Noise. Gaussian changes come from a table of 65536 equally likely offsets built from the
// rounded, clipped normal distribution, so a pixel costs one table read rather than a
// logarithm and a cosine.
#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <vector>

#include "ovengine/ov_errors.h"
#include "process/convolve.h"
#include "process/effects.h"
#include "process/pseudo_random.h"

namespace ov {
namespace {

constexpr int kTableBits = 16;

// Offsets -strength..strength in proportion to how often round(N(0, sigma)) lands on each,
// the tails beyond +-strength piled onto the ends.
std::vector<int8_t> gaussianTable(int strength, double sigma) {
  std::vector<int8_t> table(size_t{1} << kTableBits);
  auto cdf = [sigma](double x) { return 0.5 * std::erfc(-x / (sigma * std::sqrt(2.0))); };
  int offset = -strength;
  double upper = cdf(offset + 0.5);
  for (size_t i = 0; i < table.size(); ++i) {
    const double u = (static_cast<double>(i) + 0.5) / static_cast<double>(table.size());
    while (offset < strength && u >= upper) upper = ++offset < strength ? cdf(offset + 0.5) : 1.0;
    table[i] = static_cast<int8_t>(offset);
  }
  return table;
}

// Which bytes of a pixel the noise reaches: B, G, R order at 24 bits, the index of a grey.
std::array<bool, 3> chosenBytes(int channels, int bytes) {
  if (bytes == 1) return {channels != 0, false, false};
  return {(channels & kBlueBit) != 0, (channels & kGreenBit) != 0, (channels & kRedBit) != 0};
}

}  // namespace

int addNoise(Dib& image, const OV_RECT& rect, const NoiseSettings& s, Progress& progress) {
  const int64_t rows = rect.bottom - rect.top + 1;
  if (s.strength == 0) return progress.advanceTo(rows) ? IGE_SUCCESS : IGE_CANCELLED;
  const bool gaussian = s.type == NoiseType::kGaussian;
  const std::vector<int8_t> table =
      gaussian ? gaussianTable(s.strength, s.sigma) : std::vector<int8_t>();
  const uint32_t spread = 2 * static_cast<uint32_t>(s.strength) + 1;
  const int bytes = filterChannels(image);
  const std::array<bool, 3> chosen = chosenBytes(s.channels, bytes);
  const uint64_t seed =
      seedOf({uint64_t{'N'}, uint64_t(image.width()), uint64_t(image.height()), uint64_t(rect.left),
              uint64_t(rect.top), uint64_t(rect.right), uint64_t(rect.bottom), uint64_t(s.type),
              uint64_t(s.strength), uint64_t(s.hit_rate), std::bit_cast<uint64_t>(s.sigma),
              uint64_t(s.channels)});
  for (int y = rect.top; y <= rect.bottom; ++y) {
    // A generator per row: a row's noise does not depend on how the others were drawn.
    PseudoRandom random(seedOf({seed, uint64_t(y)}));
    uint8_t* p = image.row(y) + static_cast<size_t>(rect.left) * bytes;
    for (int x = rect.left; x <= rect.right; ++x, p += bytes) {
      // One draw per pixel: 16 bits for the hit, 16 for each channel's change.
      const uint64_t r = random.next();
      if (static_cast<int>(((r & 0xFFFF) * 500) >> 16) >= s.hit_rate) continue;
      for (int c = 0; c < bytes; ++c) {
        if (!chosen[c]) continue;
        const uint32_t bits = (r >> (16 * (c + 1))) & 0xFFFF;
        const int offset =
            gaussian ? table[bits] : static_cast<int>((bits * spread) >> 16) - s.strength;
        p[c] = static_cast<uint8_t>(std::clamp(p[c] + offset, 0, 255));
      }
    }
    if (!progress.advanceTo(y - rect.top + 1)) return IGE_CANCELLED;
  }
  return IGE_SUCCESS;
}

}  // namespace ov
