#include "process/convolve.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>

#include "ovengine/ov_errors.h"
#include "process/gray.h"

namespace ov {

int filterChannels(const Dib& image) {
  if (image.bitsPerPixel() == 24) return 3;
  return image.isGrayRamp() ? 1 : 0;
}

Step compassStep(int direction) {
  static constexpr Step kSteps[8] = {{0, -1}, {1, -1}, {1, 0},  {1, 1},
                                     {0, 1},  {-1, 1}, {-1, 0}, {-1, -1}};
  return kSteps[(direction - 1) & 7];
}

// ---- SourceWindow -----------------------------------------------------------------------

SourceWindow::SourceWindow(const Dib& image, const OV_RECT& rect, const OV_RECT& bounds,
                           Reach reach, Edge edge, RowForm form)
    : image_(image),
      rect_(rect),
      bounds_(bounds),
      reach_(reach),
      edge_(edge),
      form_(image.bitsPerPixel() == 24 ? form : RowForm::kAsIs),
      channels_(form_ == RowForm::kLuminance ? 1 : filterChannels(image)),
      span_(rect.right - rect.left + 1 + reach.left + reach.right),
      slots_(reach.up + reach.down + 1),
      slot_bytes_(lanesFor(static_cast<size_t>(span_) * channels_) + kLanes),
      next_load_(std::max(bounds.top, rect.top - reach.up)),
      ring_(slot_bytes_ * slots_),
      zeros_(edge == Edge::kZero ? slot_bytes_ : 0),
      raw_(form_ == RowForm::kLuminance ? 3 * static_cast<size_t>(span_) : 0) {}

void SourceWindow::moveTo(int y) {
  y_ = y;
  const int last = std::min(bounds_.bottom, y + reach_.down);
  for (; next_load_ <= last; ++next_load_)
    load(next_load_, &ring_[static_cast<size_t>(next_load_ % slots_) * slot_bytes_]);
}

const uint8_t* SourceWindow::row(int dy) const {
  int sy = y_ + dy;
  if (sy < bounds_.top || sy > bounds_.bottom) {
    if (edge_ == Edge::kZero) return zeros_.data();
    sy = bounds_.top + mirror(sy - bounds_.top, bounds_.bottom - bounds_.top + 1);
  }
  // The rows in use are a run of at most `slots_` consecutive rows, so none share a slot.
  return &ring_[static_cast<size_t>(sy % slots_) * slot_bytes_];
}

void SourceWindow::load(int source_y, uint8_t* out) {
  const size_t bytes = image_.bitsPerPixel() == 24 ? 3 : 1;
  uint8_t* target = form_ == RowForm::kLuminance ? raw_.data() : out;
  const uint8_t* src = image_.row(source_y);
  const int first = rect_.left - reach_.left, last = rect_.right + reach_.right;
  const int lo = std::max(first, bounds_.left), hi = std::min(last, bounds_.right);
  std::memcpy(target + (lo - first) * bytes, src + lo * bytes, (hi - lo + 1) * bytes);
  const int width = bounds_.right - bounds_.left + 1;
  auto pad = [&](int x) {
    uint8_t* p = target + (x - first) * bytes;
    if (edge_ == Edge::kZero) {
      std::memset(p, 0, bytes);
    } else {
      const int from = bounds_.left + mirror(x - bounds_.left, width);
      std::memcpy(p, src + from * bytes, bytes);
    }
  };
  for (int x = first; x < lo; ++x) pad(x);
  for (int x = hi + 1; x <= last; ++x) pad(x);
  if (form_ == RowForm::kLuminance) greyRow(raw_.data(), span_, out);
}

// ---- Kernels ------------------------------------------------------------------------------

Kernel Kernel::fromVectors(int size, const std::array<int32_t, 5>& column,
                           const std::array<int32_t, 5>& row, int32_t divisor) {
  Kernel k;
  k.size = size;
  k.divisor = divisor;
  k.separable = true;
  k.column = column;
  k.row = row;
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) k.weights[y * size + x] = column[y] * row[x];
  return k;
}

namespace {

// Sums up to 128 * 255 fit 16 bits, which doubles the values per vector.
template <class Acc>
struct Sums {
  std::vector<Acc> acc, vertical;
};

// acc[i] += weight * p[i] for i < n rounded up to whole blocks.
template <class Acc, class T>
void addScaled(Acc* __restrict acc, const T* __restrict p, int32_t weight, size_t n) {
  const Acc w = static_cast<Acc>(weight);
  for (size_t i = 0; i < n; i += kLanes)
    for (size_t j = 0; j < kLanes; ++j) acc[i + j] = static_cast<Acc>(acc[i + j] + w * p[i + j]);
}

// The weighted sums of one output row into sums.acc (width * channels values, padded).
template <class Acc>
void kernelSums(const SourceWindow& window, const Kernel& k, Sums<Acc>& sums) {
  const int r = k.size / 2;
  const size_t c = static_cast<size_t>(window.channels());
  std::vector<Acc>& acc = sums.acc;
  std::fill(acc.begin(), acc.end(), 0);
  if (!k.separable) {
    for (int ky = 0; ky < k.size; ++ky) {
      const uint8_t* src = window.row(ky - r);
      for (int kx = 0; kx < k.size; ++kx)
        if (const int32_t w = k.weights[ky * k.size + kx]; w != 0)
          addScaled(acc.data(), src + kx * c, w, acc.size());
    }
    return;
  }
  std::vector<Acc>& vertical = sums.vertical;
  std::fill(vertical.begin(), vertical.end(), 0);
  for (int ky = 0; ky < k.size; ++ky)
    if (k.column[ky] != 0)
      addScaled(vertical.data(), window.row(ky - r), k.column[ky], vertical.size() - kLanes);
  for (int kx = 0; kx < k.size; ++kx)
    if (k.row[kx] != 0) addScaled(acc.data(), vertical.data() + kx * c, k.row[kx], acc.size());
}

// Sums to bytes: divided, rounded, biased and clamped; out holds acc.size() bytes.
template <class Acc>
void finishSums(const std::vector<Acc>& sums, const Kernel& k, uint8_t* __restrict out) {
  const Acc* __restrict acc = sums.data();
  const int32_t bias = k.bias;
  if (std::has_single_bit(static_cast<uint32_t>(k.divisor))) {
    const int shift = std::countr_zero(static_cast<uint32_t>(k.divisor));
    const int32_t half = k.divisor >> 1;
    for (size_t i = 0; i < sums.size(); i += kLanes)
      for (size_t j = 0; j < kLanes; ++j)
        out[i + j] =
            static_cast<uint8_t>(std::clamp(((acc[i + j] + half) >> shift) + bias, 0, 255));
    return;
  }
  const RoundedDivider divide(static_cast<uint32_t>(k.divisor));
  for (size_t i = 0; i < sums.size(); i += kLanes)
    for (size_t j = 0; j < kLanes; ++j)
      out[i + j] = static_cast<uint8_t>(
          std::min<uint32_t>(divide(static_cast<uint32_t>(acc[i + j])) + bias, 255));
}

// Whether every partial sum of `k` on bytes fits 16 bits.
bool fitsSixteenBits(const Kernel& k) {
  int64_t total = 0;
  for (int i = 0; i < k.size * k.size; ++i) total += std::abs(k.weights[i]);
  int64_t column = 0;
  for (int i = 0; i < k.size; ++i) column += std::abs(k.column[i]);
  return std::max(total, column) * 255 + k.divisor <= 32767;
}

template <class Acc>
int convolveWith(Dib& image, const OV_RECT& rect, const Kernel& kernel, RowForm form,
                 Progress& progress, int64_t first) {
  const int r = kernel.size / 2;
  const OV_RECT whole{0, 0, image.width() - 1, image.height() - 1};
  SourceWindow window(image, rect, whole, Reach{r, r, r, r}, Edge::kMirror, form);
  const int out_channels = filterChannels(image);
  const size_t width = static_cast<size_t>(rect.right - rect.left + 1);
  const size_t values = width * window.channels();
  Sums<Acc> sums;
  sums.acc.resize(lanesFor(values));
  // The horizontal pass reads (size - 1) pixels beyond the row's values.
  if (kernel.separable)
    sums.vertical.resize(lanesFor(static_cast<size_t>(window.span()) * window.channels()) + kLanes);
  std::vector<uint8_t> result(sums.acc.size());
  for (int y = rect.top; y <= rect.bottom; ++y) {
    window.moveTo(y);
    kernelSums(window, kernel, sums);
    finishSums(sums.acc, kernel, result.data());
    uint8_t* out = image.row(y) + static_cast<size_t>(rect.left) * out_channels;
    if (window.channels() == out_channels) {
      std::memcpy(out, result.data(), values);
    } else {
      // Grey levels spread over the channels.
      for (size_t x = 0; x < width; ++x, out += 3) out[0] = out[1] = out[2] = result[x];
    }
    if (!progress.advanceTo(first + y - rect.top + 1)) return IGE_CANCELLED;
  }
  return IGE_SUCCESS;
}

}  // namespace

int convolve(Dib& image, const OV_RECT& rect, const Kernel& kernel, RowForm form,
             Progress& progress, int64_t first) {
  return fitsSixteenBits(kernel)
             ? convolveWith<int16_t>(image, rect, kernel, form, progress, first)
             : convolveWith<int32_t>(image, rect, kernel, form, progress, first);
}

}  // namespace ov
