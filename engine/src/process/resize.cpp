// Resizing. The interpolating resize is separable, in two passes: the first turns bytes
// into 16-bit values with extra fraction bits, the second turns those into output bytes.
// Shrinking vertically, rows are combined first and the (costlier) horizontal pass runs
// over output rows only; otherwise each source row is filtered horizontally once. Weights
// are fixed-point integers worked out once per output column and row, so results are the
// same on every machine.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <functional>
#include <type_traits>
#include <utility>
#include <vector>

#include "ovengine/ov_errors.h"
#include "process/geometry.h"
#include "process/pixel_convert.h"

namespace ov {
namespace {

constexpr int kWeightBits = 14;  // the weights of one output pixel add up to 1 << 14
constexpr int kMidBits = 7;      // fraction bits kept between the two passes
constexpr int kOne = 1 << kWeightBits;

// For each output pixel along one axis: the first source pixel and `taps` weights, which
// add up to 1 << bits.
struct AxisFilter {
  int taps = 1;
  int bits = kWeightBits;
  std::vector<int32_t> start;
  std::vector<int32_t> weights;  // taps per output pixel
};

// Makes the weights of each output pixel add up to exactly `one`, by putting the rounding
// left-over on the largest one.
void normalise(int32_t* w, int taps, int32_t one) {
  int32_t sum = 0;
  int largest = 0;
  for (int t = 0; t < taps; ++t) {
    sum += w[t];
    if (w[t] > w[largest]) largest = t;
  }
  w[largest] += one - sum;
}

// Shrinking (out <= in): each output pixel is the mean of the source area it covers, with
// source pixels cut by its edges counted by the part inside.
AxisFilter areaFilter(int in, int out) {
  // In units of 1/out source pixel, output i covers [i*in, (i+1)*in).
  AxisFilter f;
  for (int64_t i = 0; i < out; ++i) {
    const int64_t first = i * in / out, last = ((i + 1) * in - 1) / out;
    f.taps = std::max(f.taps, static_cast<int>(last - first + 1));
  }
  // Each source pixel weighs about `one` / (in / out): keep at least 64 steps for it.
  for (int64_t factor = (in + out - 1) / out; (factor >> (f.bits - kWeightBits)) > 64;) ++f.bits;
  const int64_t one = int64_t{1} << f.bits;
  f.start.resize(static_cast<size_t>(out));
  f.weights.assign(static_cast<size_t>(out) * f.taps, 0);
  for (int64_t i = 0; i < out; ++i) {
    const int64_t lo = i * in, hi = (i + 1) * in;
    const int64_t first = lo / out, last = (hi - 1) / out;
    const int64_t start = std::min<int64_t>(first, in - f.taps);
    int32_t* w = &f.weights[static_cast<size_t>(i) * f.taps];
    for (int64_t j = first; j <= last; ++j) {
      const int64_t overlap = std::min(hi, (j + 1) * out) - std::max(lo, j * out);
      w[j - start] = static_cast<int32_t>((overlap * one + in / 2) / in);
    }
    f.start[static_cast<size_t>(i)] = static_cast<int32_t>(start);
    normalise(w, f.taps, static_cast<int32_t>(one));
  }
  return f;
}

// Enlarging (out > in): linear interpolation between the two source pixels around the
// output pixel's centre; the outermost pixels repeat beyond the edges.
AxisFilter bilinearFilter(int in, int out) {
  AxisFilter f;
  f.taps = in >= 2 ? 2 : 1;
  f.start.resize(static_cast<size_t>(out));
  f.weights.assign(static_cast<size_t>(out) * f.taps, 0);
  for (int64_t i = 0; i < out; ++i) {
    int32_t* w = &f.weights[static_cast<size_t>(i) * f.taps];
    if (f.taps == 1) {
      f.start[static_cast<size_t>(i)] = 0;
      w[0] = kOne;
      continue;
    }
    // Centre of output i in source pixels: ((2i+1) * in - out) / (2 * out).
    const int64_t num = (2 * i + 1) * in - out, den = 2 * out;
    int64_t j = num >= 0 ? num / den : -((-num + den - 1) / den);
    int64_t frac = num - j * den;
    if (j < 0) j = 0, frac = 0;
    if (j >= in - 1) j = in - 2, frac = den;
    f.start[static_cast<size_t>(i)] = static_cast<int32_t>(j);
    w[1] = static_cast<int32_t>((frac * kOne + den / 2) / den);
    w[0] = kOne - w[1];
  }
  return f;
}

AxisFilter axisFilter(int in, int out) {
  return out <= in ? areaFilter(in, out) : bilinearFilter(in, out);
}

// The two passes: the first turns bytes into 16-bit values with kMidBits fraction bits,
// the second turns those into bytes. Either pass may be the horizontal one.
template <class Out>
inline Out finish(int32_t acc) {
  if constexpr (sizeof(Out) == 2) {
    constexpr int kShift = kWeightBits - kMidBits;
    return static_cast<Out>((acc + (1 << (kShift - 1))) >> kShift);
  } else {
    constexpr int kShift = kWeightBits + kMidBits;
    return static_cast<Out>(std::min((acc + (1 << (kShift - 1))) >> kShift, 255));
  }
}

// The same for sums of weights that add up to 1 << bits, in 64 bits.
template <class Out>
inline Out finishWide(int64_t acc, int bits) {
  const int shift = sizeof(Out) == 2 ? bits - kMidBits : bits + kMidBits;
  return static_cast<Out>(std::min<int64_t>((acc + (int64_t{1} << (shift - 1))) >> shift,
                                            sizeof(Out) == 2 ? 0xFFFF : 255));
}

// Horizontal pass over one row of C (1 or 3) channels. T taps with weights of kWeightBits
// summed in 32 bits, or (T = 0) f.taps of any precision summed in 64. Channels are spelled
// out so that the sums stay in registers at every optimisation level.
template <class In, class Out, int C, int T>
void filterRow(const In* __restrict in, const AxisFilter& f, int out_w, Out* __restrict out) {
  using Sum = std::conditional_t<T == 0, int64_t, int32_t>;
  const int taps = T ? T : f.taps;
  const int32_t* __restrict w = f.weights.data();
  const int32_t* __restrict start = f.start.data();
  auto done = [&f](Sum a) {
    return T ? finish<Out>(static_cast<int32_t>(a)) : finishWide<Out>(a, f.bits);
  };
  for (int x = 0; x < out_w; ++x, w += taps, out += C) {
    const In* s = in + C * static_cast<ptrdiff_t>(start[x]);
    Sum a0 = 0, a1 = 0, a2 = 0;
    for (int t = 0; t < taps; ++t, s += C) {
      const Sum wt = w[t];
      a0 += wt * s[0];
      if constexpr (C == 3) {
        a1 += wt * s[1];
        a2 += wt * s[2];
      }
    }
    out[0] = done(a0);
    if constexpr (C == 3) {
      out[1] = done(a1);
      out[2] = done(a2);
    }
  }
}

template <class In, class Out>
void horizontalPass(const In* in, const AxisFilter& f, int channels, int out_w, Out* out) {
  auto run = [&](auto c) {
    constexpr int C = decltype(c)::value;
    switch (f.bits == kWeightBits ? f.taps : 0) {
      case 1:
        return filterRow<In, Out, C, 1>(in, f, out_w, out);
      case 2:
        return filterRow<In, Out, C, 2>(in, f, out_w, out);
      case 3:
        return filterRow<In, Out, C, 3>(in, f, out_w, out);
      default:
        return filterRow<In, Out, C, 0>(in, f, out_w, out);
    }
  };
  if (channels == 3)
    run(std::integral_constant<int, 3>{});
  else
    run(std::integral_constant<int, 1>{});
}

// The two most recently asked rows of some kind, made on demand by `make(y, buffer)`,
// which returns the row (in `buffer` or elsewhere). Output rows ask for source rows in
// rising order and neighbours share at most their boundary rows, so two rows are enough
// to make each row once.
template <class T>
class RecentRows {
 public:
  using Make = std::function<const T*(int y, T* buffer)>;
  RecentRows(size_t length, Make make) : make_(std::move(make)) {
    for (auto& b : buffers_) b.resize(length);
  }
  // Row y; the row `keep` stays available.
  const T* get(int y, int keep = -1) {
    for (int s = 0; s < 2; ++s)
      if (rows_[s] == y) return rows_ptr_[s];
    int s = rows_[0] < rows_[1] ? 0 : 1;
    if (rows_[s] == keep) s = 1 - s;
    rows_[s] = y;
    rows_ptr_[s] = make_(y, buffers_[s].data());
    return rows_ptr_[s];
  }

 private:
  Make make_;
  std::array<std::vector<T>, 2> buffers_;
  std::array<int, 2> rows_{-1, -1};
  std::array<const T*, 2> rows_ptr_{};
};

// Row loops of the vertical pass. Sixteen values at a time with a fixed count, and
// unaliased rows, so that compilers vectorise them even under their cheapest cost models.
template <class In, class Out>
void weighRow(const In* __restrict r, int32_t w, Out* __restrict out, int n) {
  int i = 0;
  for (; i + 16 <= n; i += 16)
    for (int k = 0; k < 16; ++k) out[i + k] = finish<Out>(r[i + k] * w);
  for (; i < n; ++i) out[i] = finish<Out>(r[i] * w);
}

template <class In, class Out>
void blendRows(const In* __restrict r0, const In* __restrict r1, int32_t w0, int32_t w1,
               Out* __restrict out, int n) {
  int i = 0;
  for (; i + 16 <= n; i += 16)
    for (int k = 0; k < 16; ++k) out[i + k] = finish<Out>(r0[i + k] * w0 + r1[i + k] * w1);
  for (; i < n; ++i) out[i] = finish<Out>(r0[i] * w0 + r1[i] * w1);
}

template <class In>
void addRow(const In* __restrict r, int64_t w, int64_t* __restrict acc, int n) {
  int i = 0;
  for (; i + 16 <= n; i += 16)
    for (int k = 0; k < 16; ++k) acc[i + k] += r[i + k] * w;
  for (; i < n; ++i) acc[i] += r[i] * w;
}

template <class Out>
void finishRow(const int64_t* __restrict acc, int bits, Out* __restrict out, int n) {
  for (int i = 0; i < n; ++i) out[i] = finishWide<Out>(acc[i], bits);
}

// Vertical pass for output row y over rows of n values.
template <class In, class Out>
void verticalPass(RecentRows<In>& rows, const AxisFilter& v, int y, int n, Out* out,
                  std::vector<int64_t>& acc) {
  const int32_t* w = &v.weights[static_cast<size_t>(y) * v.taps];
  const int first = v.start[static_cast<size_t>(y)];
  // One or two weights of the usual precision: the 32-bit loops.
  int used[2], count = v.bits == kWeightBits ? 0 : 3;
  for (int t = 0; t < v.taps && count < 3; ++t)
    if (w[t] != 0) {
      if (count < 2) used[count] = t;
      ++count;
    }
  if (count == 1) {
    weighRow(rows.get(first + used[0]), kOne, out, n);
    return;
  }
  if (count == 2) {
    const In* r0 = rows.get(first + used[0]);
    const In* r1 = rows.get(first + used[1], first + used[0]);
    blendRows(r0, r1, w[used[0]], w[used[1]], out, n);
    return;
  }
  std::fill(acc.begin(), acc.begin() + n, 0);
  for (int t = 0; t < v.taps; ++t)
    if (w[t] != 0) addRow(rows.get(first + t), w[t], acc.data(), n);
  finishRow(acc.data(), v.bits, out, n);
}

// Source rows as bytes of `channels` channels: the image's own rows where they already
// are, palette rows looked up into the buffer.
const uint8_t* sourceRow(const Dib& src, int channels, int y, uint8_t* buffer) {
  const uint8_t* r = src.row(y);
  const int bpp = src.bitsPerPixel(), w = src.width();
  if (bpp == 24 || (channels == 1 && src.isGrayRamp())) return r;
  const OV_RGBQUAD* pal = src.palette();
  if (channels == 3) {
    rowToBgr(r, 0, w, bpp, pal, buffer);
  } else {
    for (int x = 0; x < w; ++x) buffer[x] = pal[packedIndex(r, x, bpp)].red;
  }
  return buffer;
}

// Source index of each output pixel along an axis: the pixel under the output's centre.
std::vector<int32_t> nearestMap(int in, int out) {
  std::vector<int32_t> map(static_cast<size_t>(out));
  for (int64_t i = 0; i < out; ++i)
    map[static_cast<size_t>(i)] = static_cast<int32_t>((2 * i + 1) * in / (2 * out));
  return map;
}

void nearestRow(const uint8_t* s, const std::vector<int32_t>& xs, int bpp, uint8_t* d) {
  const int n = static_cast<int>(xs.size());
  switch (bpp) {
    case 24:
      for (int x = 0; x < n; ++x) std::memcpy(d + 3 * static_cast<size_t>(x), s + 3 * xs[x], 3);
      break;
    case 8:
      for (int x = 0; x < n; ++x) d[x] = s[xs[x]];
      break;
    default:
      for (int x = 0; x < n; ++x) setPackedIndex(d, x, bpp, packedIndex(s, xs[x], bpp));
  }
}

}  // namespace

int resizeNearest(const Dib& src, int width, int height, Dib& out, Progress& progress) {
  const int bpp = src.bitsPerPixel();
  if (int rc = allocateLike(src, width, height, bpp, out); rc != 0) return rc;
  progress.start(height);
  const std::vector<int32_t> xs = nearestMap(src.width(), width);
  const std::vector<int32_t> ys = nearestMap(src.height(), height);
  for (int y = 0; y < height; ++y) {
    if (y > 0 && ys[y] == ys[y - 1])
      std::memcpy(out.row(y), out.row(y - 1), out.stride());
    else
      nearestRow(src.row(ys[y]), xs, bpp, out.row(y));
    if (!progress.advanceTo(y + 1)) return IGE_CANCELLED;
  }
  return 0;
}

int resizeSmooth(const Dib& src, int width, int height, Dib& out, Progress& progress) {
  const int bpp = src.bitsPerPixel();
  // Palette images are resized as the colours they show, never as their indexes.
  const bool grey = bpp != 24 && paletteIsGrey(src.palette(), src.paletteSize());
  const int channels = grey ? 1 : 3;
  if (int rc = allocateLike(src, width, height, grey ? 8 : 24, out); rc != 0) return rc;
  if (grey) out.setGrayPalette();
  progress.start(height);
  const AxisFilter h = axisFilter(src.width(), width);
  const AxisFilter v = axisFilter(src.height(), height);
  const bool direct = bpp == 24 || (grey && src.isGrayRamp());
  const size_t in_n = static_cast<size_t>(src.width()) * channels;
  const int out_n = width * channels;
  std::vector<int64_t> acc(std::max<size_t>(in_n, out_n));
  auto source = [&](int y, uint8_t* buffer) { return sourceRow(src, channels, y, buffer); };
  // The horizontal pass is the costlier one: run it over as few rows as possible, so after
  // the vertical pass when that lowers the number of rows.
  if (height <= src.height()) {
    RecentRows<uint8_t> rows(direct ? 0 : in_n, source);
    std::vector<uint16_t> mid(in_n);
    for (int y = 0; y < height; ++y) {
      verticalPass(rows, v, y, static_cast<int>(in_n), mid.data(), acc);
      horizontalPass(mid.data(), h, channels, width, out.row(y));
      if (!progress.advanceTo(y + 1)) return IGE_CANCELLED;
    }
    return 0;
  }
  std::vector<uint8_t> line(direct ? 0 : in_n);
  RecentRows<uint16_t> rows(static_cast<size_t>(out_n), [&](int y, uint16_t* buffer) {
    horizontalPass(source(y, line.data()), h, channels, width, buffer);
    return static_cast<const uint16_t*>(buffer);
  });
  for (int y = 0; y < height; ++y) {
    verticalPass(rows, v, y, out_n, out.row(y), acc);
    if (!progress.advanceTo(y + 1)) return IGE_CANCELLED;
  }
  return 0;
}

}  // namespace ov
