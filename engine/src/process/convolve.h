// Shared machinery of the neighbourhood filters and effects: the depths they take, a window
// of source rows around the row being written, and 3x3 / 5x5 integer kernels.
//
// The filters write their results straight back into the image, row after row. Each row a
// filter reads is copied into a ring (SourceWindow) before the filter can overwrite it, so
// every result is computed from the untouched source without a copy of the whole picture.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/dib.h"
#include "core/progress.h"
#include "ovengine/ov_types.h"

namespace ov {

// The row loops run in blocks of kLanes values with a fixed count, which compilers turn
// into vector code even at -O2; buffers are padded to whole blocks (lanesFor).
constexpr size_t kLanes = 16;
inline size_t lanesFor(size_t n) {
  return (n + kLanes - 1) / kLanes * kLanes;
}

// Bytes per pixel the filters work on: 3 for 24 bits, 1 for an 8-bit grey ramp (the
// indexes are the grey levels); 0 for any other depth or palette.
int filterChannels(const Dib& image);

// Coordinate i folded into 0..n-1 by mirroring at both ends with the edge pixel repeated
// (-1 -> 0, n -> n-1). Works for any reach, even past an image one pixel wide.
inline int mirror(int i, int n) {
  if (i >= 0 && i < n) return i;
  const int period = 2 * n;
  int m = i % period;
  if (m < 0) m += period;
  return m < n ? m : period - 1 - m;
}

// One pixel step towards a compass point, direction 1..8 = N, NE, E, SE, S, SW, W, NW (y
// grows downwards).
struct Step {
  int dx, dy;
};
Step compassStep(int direction);

// How far reads go from the pixel being written, in pixels.
struct Reach {
  int left, right, up, down;
};

// What lies beyond the bounds of a window: the mirrored picture, or black (zeros).
enum class Edge { kMirror, kZero };
// Rows as they are, or (24-bit images) as one grey level per pixel.
enum class RowForm { kAsIs, kLuminance };

// Copies of the source rows that the output row of `rect` reads, widened by the reach on
// both sides. Reads never leave `bounds` (the image, or the rectangle itself); positions
// beyond it follow `edge`.
class SourceWindow {
 public:
  SourceWindow(const Dib& image, const OV_RECT& rect, const OV_RECT& bounds, Reach reach,
               Edge edge = Edge::kMirror, RowForm form = RowForm::kAsIs);

  // Brings in the rows output row y reads. Call for y = rect.top .. rect.bottom in order,
  // each before row y of the image is written.
  void moveTo(int y);
  // Source row y + dy (dy in -up .. down) from column rect.left - reach.left: span()
  // pixels of channels() bytes, then at least kLanes readable bytes of padding.
  const uint8_t* row(int dy) const;

  int channels() const { return channels_; }
  // Pixels per row: the rectangle's width plus the reach on both sides.
  int span() const { return span_; }

 private:
  void load(int source_y, uint8_t* out);

  const Dib& image_;
  OV_RECT rect_, bounds_;
  Reach reach_;
  Edge edge_;
  RowForm form_;
  int channels_;
  int span_;
  int slots_;
  size_t slot_bytes_;
  int y_ = 0;
  int next_load_;
  std::vector<uint8_t> ring_;
  std::vector<uint8_t> zeros_;
  std::vector<uint8_t> raw_;
};

// n / d rounded, halves up, by a 32-bit multiply and a shift, for
// 1 <= d <= 32 and 0 <= n < 8192: there the multiplier's excess over 2^19 / d, times n,
// stays below one step of the quotient, so the result is exact (checked for every n, d).
class RoundedDivider {
 public:
  explicit RoundedDivider(uint32_t d = 1)
      : half_(d / 2), multiplier_(((uint32_t{1} << kShift) + d - 1) / d) {}
  uint32_t operator()(uint32_t n) const { return ((n + half_) * multiplier_) >> kShift; }
  // out[i] = in[i] / d for n values, n a whole number of blocks.
  void divideRow(const uint16_t* __restrict in, uint8_t* __restrict out, size_t n) const {
    const uint32_t half = half_, multiplier = multiplier_;
    for (size_t i = 0; i < n; i += kLanes)
      for (size_t k = 0; k < kLanes; ++k)
        out[i + k] = static_cast<uint8_t>(((in[i + k] + half) * multiplier) >> kShift);
  }

 private:
  static constexpr int kShift = 19;
  uint32_t half_;
  uint32_t multiplier_;  // 2^19 / d rounded up
};

// out = clamp(round(sum(weight * pixel) / divisor) + bias, 0, 255), halves rounded up. The
// divisor is a power of two (any sums) or at most 32 with sums that cannot be negative
// (see RoundedDivider).
struct Kernel {
  int size = 3;                       // 3 or 5
  std::array<int32_t, 25> weights{};  // size x size, the top row first
  int32_t divisor = 1;
  int32_t bias = 0;
  // Set when weights = column (x) row, which halves the work of a 3 x 3 kernel and
  // cuts that of a 5 x 5 one by 60%.
  bool separable = false;
  std::array<int32_t, 5> column{};  // weights down
  std::array<int32_t, 5> row{};     // weights across

  static Kernel fromVectors(int size, const std::array<int32_t, 5>& column,
                            const std::array<int32_t, 5>& row, int32_t divisor);
};

// `kernel` applied within `rect` (inside the image), reading around it with the image
// mirrored at its edges. With RowForm::kLuminance the kernel sees grey levels and every
// channel of a pixel gets the result. Reports units first + 1 .. first + rows.
int convolve(Dib& image, const OV_RECT& rect, const Kernel& kernel, RowForm form,
             Progress& progress, int64_t first = 0);

}  // namespace ov
