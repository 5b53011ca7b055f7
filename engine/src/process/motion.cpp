// Motion blur: the window holds black beyond the image edge, so a plain sum of `length`
// shifted rows adds nothing for the pixels outside, and the count of those inside (known
// from the position) divides it.
#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "ovengine/ov_errors.h"
#include "process/convolve.h"
#include "process/effects.h"

namespace ov {
namespace {

// How many of the pixels p, p + d, p + 2d, ... lie inside 0 .. n - 1 along one axis, at
// most `length`.
int insideCount(int position, int step, int n, int length) {
  if (step == 0) return length;
  return std::min(length, step > 0 ? n - position : position + 1);
}

void addRow(uint16_t* __restrict acc, const uint8_t* __restrict src, size_t n) {
  for (size_t i = 0; i < n; i += kLanes)
    for (size_t k = 0; k < kLanes; ++k) acc[i + k] = static_cast<uint16_t>(acc[i + k] + src[i + k]);
}

}  // namespace

int motionBlur(Dib& image, const OV_RECT& rect, int length, int direction, Progress& progress) {
  const Step d = compassStep(direction);
  const int far = length - 1;
  const Reach reach{d.dx < 0 ? far : 0, d.dx > 0 ? far : 0, d.dy < 0 ? far : 0, d.dy > 0 ? far : 0};
  const OV_RECT whole{0, 0, image.width() - 1, image.height() - 1};
  SourceWindow window(image, rect, whole, reach, Edge::kZero);
  const int bytes = window.channels();
  const size_t values = static_cast<size_t>(rect.right - rect.left + 1) * bytes;
  // At most 22 * 255: 16 bits hold the sums.
  std::vector<uint16_t> sums(lanesFor(values));
  std::vector<uint8_t> result(sums.size());
  std::array<RoundedDivider, 23> divide;
  for (int n = 1; n <= length; ++n) divide[n] = RoundedDivider(n);
  for (int y = rect.top; y <= rect.bottom; ++y) {
    window.moveTo(y);
    std::fill(sums.begin(), sums.end(), 0);
    // Pixel i of the row reads padded column i + reach.left + k * dx.
    for (int k = 0; k < length; ++k)
      addRow(sums.data(), window.row(k * d.dy) + (reach.left + k * d.dx) * bytes, sums.size());
    // Most pixels share the count of the rows; those near a side edge count fewer.
    const int count = insideCount(y, d.dy, image.height(), length);
    divide[count].divideRow(sums.data(), result.data(), sums.size());
    int first = rect.left, last = rect.right;
    if (d.dx > 0) first = std::max(first, image.width() - count + 1);
    if (d.dx < 0) last = std::min(last, count - 2);
    if (d.dx == 0) last = first - 1;
    for (int x = first; x <= last; ++x) {
      const int n = insideCount(x, d.dx, image.width(), count);
      for (int c = 0; c < bytes; ++c) {
        const size_t j = static_cast<size_t>(x - rect.left) * bytes + c;
        result[j] = static_cast<uint8_t>(divide[n](sums[j]));
      }
    }
    std::memcpy(image.row(y) + static_cast<size_t>(rect.left) * bytes, result.data(), values);
    if (!progress.advanceTo(y - rect.top + 1)) return IGE_CANCELLED;
  }
  return IGE_SUCCESS;
}

}  // namespace ov
