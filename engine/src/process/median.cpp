// Median filter. 3 x 3, the common case, sorts each column of three once and takes the
// median of nine from the sorted columns with byte min / max only (it vectorises); other
// sizes keep one histogram per channel that slides along the row (Huang's method), so a
// step costs two columns of updates whatever the width.
#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "ovengine/ov_errors.h"
#include "process/convolve.h"
#include "process/filters.h"

namespace ov {
namespace {

inline uint8_t min3(uint8_t a, uint8_t b, uint8_t c) {
  return std::min(std::min(a, b), c);
}
inline uint8_t max3(uint8_t a, uint8_t b, uint8_t c) {
  return std::max(std::max(a, b), c);
}
inline uint8_t med3(uint8_t a, uint8_t b, uint8_t c) {
  return std::max(std::min(a, b), std::min(std::max(a, b), c));
}

// Each column of three sorted: its least, middle and greatest value.
void sortColumns(const uint8_t* __restrict a, const uint8_t* __restrict b,
                 const uint8_t* __restrict c, uint8_t* __restrict lo, uint8_t* __restrict mid,
                 uint8_t* __restrict hi, size_t n) {
  for (size_t i = 0; i < n; i += kLanes)
    for (size_t k = 0; k < kLanes; ++k) {
      const size_t j = i + k;
      lo[j] = min3(a[j], b[j], c[j]);
      mid[j] = med3(a[j], b[j], c[j]);
      hi[j] = max3(a[j], b[j], c[j]);
    }
}

// The median of nine is med3(largest low, median middle, smallest high) of three sorted
// columns, `step` bytes apart.
void combineColumns(const uint8_t* __restrict lo, const uint8_t* __restrict mid,
                    const uint8_t* __restrict hi, size_t step, uint8_t* __restrict out, size_t n) {
  for (size_t i = 0; i < n; i += kLanes)
    for (size_t k = 0; k < kLanes; ++k) {
      const size_t j = i + k;
      out[j] = med3(max3(lo[j], lo[j + step], lo[j + 2 * step]),
                    med3(mid[j], mid[j + step], mid[j + 2 * step]),
                    min3(hi[j], hi[j + step], hi[j + 2 * step]));
    }
}

class Median3x3 {
 public:
  Median3x3(size_t span_bytes, size_t out_bytes)
      : lo_(lanesFor(span_bytes) + kLanes),
        mid_(lo_.size()),
        hi_(lo_.size()),
        result_(lanesFor(out_bytes)),
        out_bytes_(out_bytes) {}

  void row(const SourceWindow& w, uint8_t* out) {
    sortColumns(w.row(-1), w.row(0), w.row(1), lo_.data(), mid_.data(), hi_.data(),
                lo_.size() - kLanes);
    combineColumns(lo_.data(), mid_.data(), hi_.data(), static_cast<size_t>(w.channels()),
                   result_.data(), result_.size());
    std::memcpy(out, result_.data(), out_bytes_);
  }

 private:
  std::vector<uint8_t> lo_, mid_, hi_, result_;
  size_t out_bytes_;
};

// Counts of the values in a window, with the median found by walking from the last one.
class RunningMedian {
 public:
  void clear() {
    counts_.fill(0);
    median_ = 0;
    below_ = 0;
  }
  void add(uint8_t v) {
    ++counts_[v];
    below_ += v < median_;
  }
  // One value goes, another comes; branch free, as which side of the median a value falls
  // is a coin toss on photos.
  void swap(uint8_t out, uint8_t in) {
    --counts_[out];
    ++counts_[in];
    below_ += (in < median_) - (out < median_);
  }
  // The value of 0-based rank `rank` among those counted.
  uint8_t find(int rank) {
    while (below_ > rank) below_ -= counts_[--median_];
    while (below_ + counts_[median_] <= rank) below_ += counts_[median_++];
    return static_cast<uint8_t>(median_);
  }

 private:
  std::array<uint16_t, 256> counts_{};  // not int: stores to it cannot alias median_
  int median_ = 0;
  int below_ = 0;  // values below median_
};

// One histogram per channel, all slid in the same loop: their updates are independent, so
// the processor overlaps them.
template <int kChannels>
class SlidingMedian {
 public:
  SlidingMedian(int width, int height)
      : width_(width), height_(height), rank_((width * height - 1) / 2) {}

  void row(const SourceWindow& w, uint8_t* out, int pixels) {
    const int up = (height_ - 1) / 2;
    std::array<const uint8_t*, 10> rows;
    for (int i = 0; i < height_; ++i) rows[i] = w.row(i - up);
    for (RunningMedian& m : medians_) m.clear();
    for (int i = 0; i < height_; ++i)
      for (int x = 0; x < width_ * kChannels; x += kChannels)
        for (int c = 0; c < kChannels; ++c) medians_[c].add(rows[i][x + c]);
    for (int x = 0;; ++x) {
      for (int c = 0; c < kChannels; ++c) out[x * kChannels + c] = medians_[c].find(rank_);
      if (x + 1 == pixels) break;
      // Column x leaves, column x + width comes in.
      const int leaving = x * kChannels, entering = (x + width_) * kChannels;
      for (int i = 0; i < height_; ++i)
        for (int c = 0; c < kChannels; ++c)
          medians_[c].swap(rows[i][leaving + c], rows[i][entering + c]);
    }
  }

 private:
  int width_, height_, rank_;
  std::array<RunningMedian, kChannels> medians_;
};

template <int kChannels>
int slidingMedian(Dib& image, const OV_RECT& rect, SourceWindow& window, int width, int height,
                  Progress& progress) {
  SlidingMedian<kChannels> median(width, height);
  for (int y = rect.top; y <= rect.bottom; ++y) {
    window.moveTo(y);
    median.row(window, image.row(y) + static_cast<size_t>(rect.left) * kChannels,
               rect.right - rect.left + 1);
    if (!progress.advanceTo(y - rect.top + 1)) return IGE_CANCELLED;
  }
  return IGE_SUCCESS;
}

int median3x3(Dib& image, const OV_RECT& rect, SourceWindow& window, Progress& progress) {
  const size_t out_bytes = static_cast<size_t>(rect.right - rect.left + 1) * window.channels();
  Median3x3 median(static_cast<size_t>(window.span()) * window.channels(), out_bytes);
  for (int y = rect.top; y <= rect.bottom; ++y) {
    window.moveTo(y);
    median.row(window, image.row(y) + static_cast<size_t>(rect.left) * window.channels());
    if (!progress.advanceTo(y - rect.top + 1)) return IGE_CANCELLED;
  }
  return IGE_SUCCESS;
}

}  // namespace

int medianImage(Dib& image, const OV_RECT& rect, int width, int height, Progress& progress) {
  const int64_t rows = rect.bottom - rect.top + 1;
  if (width == 1 && height == 1) return progress.advanceTo(rows) ? IGE_SUCCESS : IGE_CANCELLED;
  const OV_RECT whole{0, 0, image.width() - 1, image.height() - 1};
  const Reach reach{(width - 1) / 2, width / 2, (height - 1) / 2, height / 2};
  SourceWindow window(image, rect, whole, reach);
  if (width == 3 && height == 3) return median3x3(image, rect, window, progress);
  return window.channels() == 3 ? slidingMedian<3>(image, rect, window, width, height, progress)
                                : slidingMedian<1>(image, rect, window, width, height, progress);
}

}  // namespace ov
