// Reductions to black and white or to the 16 standard colours: threshold, ordered dither,
// error diffusion and halftone.
#include <algorithm>
#include <array>
#include <vector>

#include "ovengine/ov_errors.h"
#include "process/colour.h"
#include "process/gray.h"

namespace ov {
namespace {

constexpr uint8_t kBayer[8][8] = {{0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26},
                                  {12, 44, 4, 36, 14, 46, 6, 38}, {60, 28, 52, 20, 62, 30, 54, 22},
                                  {3, 35, 11, 43, 1, 33, 9, 41},  {51, 19, 59, 27, 49, 17, 57, 25},
                                  {15, 47, 7, 39, 13, 45, 5, 37}, {63, 31, 55, 23, 61, 29, 53, 21}};

// Two dots per 8 x 8 cell on a 45 degree screen, each growing outwards from its centre.
constexpr uint8_t kClusteredDot[8][8] = {
    {24, 10, 12, 26, 35, 47, 49, 37}, {8, 0, 2, 14, 45, 59, 61, 51},
    {22, 6, 4, 16, 43, 57, 63, 53},   {30, 20, 18, 28, 33, 41, 55, 39},
    {34, 46, 48, 36, 25, 11, 13, 27}, {44, 58, 60, 50, 9, 1, 3, 15},
    {42, 56, 62, 52, 23, 7, 5, 17},   {32, 40, 54, 38, 31, 21, 19, 29}};

// Whether a fraction `num / den` of the way between two levels passes rank `rank` (0..63)
// of a threshold matrix, whose thresholds sit at (rank + 0.5) / 64.
constexpr bool passes(int num, int den, int rank) {
  return 128 * num > den * (2 * rank + 1);
}

// The three levels every channel of the 4-bit palette is dithered between.
constexpr int kLevels[3] = {0, 128, 255};

// Level (0, 1, 2) of channel value v at matrix rank `rank`.
int ditherLevel(int v, int rank) {
  if (v < 128) return passes(v, 128, rank) ? 1 : 0;
  return passes(v - 128, 127, rank) ? 2 : 1;
}

// Grey levels of a row of any depth, by luminance or by channel average.
class GreyRows {
 public:
  GreyRows(const Dib& src, GreyMethod method)
      : rows_(src), method_(method), grey_(static_cast<size_t>(src.width())) {}
  const uint8_t* row(int y) {
    const uint8_t* bgr = rows_.row(y);
    const int width = static_cast<int>(grey_.size());
    if (method_ == GreyMethod::kLuminance) {
      greyRow(bgr, width, grey_.data());
    } else {
      for (int x = 0; x < width; ++x, bgr += 3)
        grey_[x] = static_cast<uint8_t>((bgr[0] + bgr[1] + bgr[2]) / 3);
    }
    return grey_.data();
  }

 private:
  BgrRows rows_;
  GreyMethod method_;
  std::vector<uint8_t> grey_;
};

// Black and white through a per-pixel rule on grey: on(x, y, grey) gives white.
template <class Rule>
int toBitonal(const Dib& src, GreyMethod method, Dib& out, Progress& progress, Rule&& on) {
  Dib result;
  if (int rc = allocateResult(src, 1, result); rc != 0) return rc;
  const int width = src.width();
  GreyRows greys(src, method);
  std::vector<uint8_t> bits(static_cast<size_t>(width));
  for (int y = 0; y < src.height(); ++y) {
    const uint8_t* grey = greys.row(y);
    for (int x = 0; x < width; ++x) bits[x] = on(x, y, grey[x]) ? 1 : 0;
    packRow(bits.data(), width, 1, result.row(y));
    if (!progress.advanceTo(y + 1)) return IGE_CANCELLED;
  }
  out = std::move(result);
  return 0;
}

int bayerToStandardColours(const Dib& src, Dib& out, Progress& progress) {
  Dib result;
  if (int rc = allocateResult(src, 4, result); rc != 0) return rc;
  // Every dithered colour is one of 27 level triples; each gets its nearest entry once.
  uint8_t entry[27];
  for (int i = 0; i < 27; ++i) {
    entry[i] = static_cast<uint8_t>(nearestPaletteIndex(
        result.palette(), 16, static_cast<uint8_t>(kLevels[i / 9]),
        static_cast<uint8_t>(kLevels[i / 3 % 3]), static_cast<uint8_t>(kLevels[i % 3])));
  }
  std::vector<std::array<uint8_t, 256>> level(64);
  for (int rank = 0; rank < 64; ++rank)
    for (int v = 0; v < 256; ++v) level[rank][v] = static_cast<uint8_t>(ditherLevel(v, rank));
  const int width = src.width();
  BgrRows rows(src);
  std::vector<uint8_t> indexes(static_cast<size_t>(width));
  for (int y = 0; y < src.height(); ++y) {
    const uint8_t* p = rows.row(y);
    for (int x = 0; x < width; ++x, p += 3) {
      const auto& l = level[kBayer[y & 7][x & 7]];
      indexes[x] = entry[l[p[2]] * 9 + l[p[1]] * 3 + l[p[0]]];
    }
    packRow(indexes.data(), width, 4, result.row(y));
    if (!progress.advanceTo(y + 1)) return IGE_CANCELLED;
  }
  out = std::move(result);
  return 0;
}

// Error diffusion state: the errors (in sixteenths) carried into this row and the next,
// with a guard cell at each end so that no edge needs a test.
class Carry {
 public:
  Carry(int width, int channels)
      : channels_(channels),
        here_(static_cast<size_t>(width + 2) * channels),
        next_(here_.size()) {}
  // The value of channel c of pixel x with the carried error. Not clamped: the error stays
  // bounded (every choice lies between the extremes), and clamping would lose it near the
  // ends of the range.
  int value(int x, int c, int v) const { return v + ((here_[slot(x, c)] + 8) >> 4); }
  // Floyd-Steinberg weights; `dir` is the direction of travel along the row.
  void spread(int x, int c, int dir, int error) {
    here_[slot(x + dir, c)] += 7 * error;
    next_[slot(x - dir, c)] += 3 * error;
    next_[slot(x, c)] += 5 * error;
    next_[slot(x + dir, c)] += error;
  }
  void nextRow() {
    here_.swap(next_);
    std::fill(next_.begin(), next_.end(), 0);
  }

 private:
  size_t slot(int x, int c) const { return static_cast<size_t>(x + 1) * channels_ + c; }
  int channels_;
  std::vector<int> here_, next_;
};

// Rows alternate direction so that errors do not drift one way.
template <class PixelStep>
void serpentine(int y, int width, PixelStep&& step) {
  if (y % 2 == 0) {
    for (int x = 0; x < width; ++x) step(x, 1);
  } else {
    for (int x = width - 1; x >= 0; --x) step(x, -1);
  }
}

int diffuseToBitonal(const Dib& src, int threshold, Dib& out, Progress& progress) {
  Dib result;
  if (int rc = allocateResult(src, 1, result); rc != 0) return rc;
  const int width = src.width();
  GreyRows greys(src, GreyMethod::kLuminance);
  Carry carry(width, 1);
  std::vector<uint8_t> bits(static_cast<size_t>(width));
  for (int y = 0; y < src.height(); ++y) {
    const uint8_t* grey = greys.row(y);
    serpentine(y, width, [&](int x, int dir) {
      const int v = carry.value(x, 0, grey[x]);
      bits[x] = v >= threshold ? 1 : 0;
      carry.spread(x, 0, dir, v - (bits[x] ? 255 : 0));
    });
    carry.nextRow();
    packRow(bits.data(), width, 1, result.row(y));
    if (!progress.advanceTo(y + 1)) return IGE_CANCELLED;
  }
  out = std::move(result);
  return 0;
}

// Nearest entry of a palette for colours at 5 bits a channel: close enough for error
// diffusion, which carries the rounding into the next pixels anyway.
std::vector<uint8_t> nearestTable(const OV_RGBQUAD* palette, int entries) {
  std::vector<uint8_t> table(32 * 32 * 32);
  for (int i = 0; i < 32 * 32 * 32; ++i) {
    const auto centre = [](int cell) { return static_cast<uint8_t>(cell * 8 + 4); };
    table[i] = static_cast<uint8_t>(nearestPaletteIndex(palette, entries, centre(i >> 10),
                                                        centre((i >> 5) & 31), centre(i & 31)));
  }
  return table;
}

int diffuseToStandardColours(const Dib& src, int threshold, Dib& out, Progress& progress) {
  Dib result;
  if (int rc = allocateResult(src, 4, result); rc != 0) return rc;
  const OV_RGBQUAD* palette = result.palette();
  const std::vector<uint8_t> nearest = nearestTable(palette, 16);
  const int bias = 128 - threshold;
  const int width = src.width();
  BgrRows rows(src);
  Carry carry(width, 3);
  std::vector<uint8_t> indexes(static_cast<size_t>(width));
  for (int y = 0; y < src.height(); ++y) {
    const uint8_t* p = rows.row(y);
    serpentine(y, width, [&](int x, int dir) {
      const int b = carry.value(x, 0, p[3 * x]), g = carry.value(x, 1, p[3 * x + 1]),
                r = carry.value(x, 2, p[3 * x + 2]);
      const auto cell = [bias](int v) { return std::clamp(v + bias, 0, 255) >> 3; };
      const uint8_t i = nearest[cell(r) << 10 | cell(g) << 5 | cell(b)];
      indexes[x] = i;
      carry.spread(x, 0, dir, b - palette[i].blue);
      carry.spread(x, 1, dir, g - palette[i].green);
      carry.spread(x, 2, dir, r - palette[i].red);
    });
    carry.nextRow();
    packRow(indexes.data(), width, 4, result.row(y));
    if (!progress.advanceTo(y + 1)) return IGE_CANCELLED;
  }
  out = std::move(result);
  return 0;
}

}  // namespace

int reduceToBitonal(const Dib& src, GreyMethod method, int threshold, Dib& out,
                    Progress& progress) {
  return toBitonal(src, method, out, progress,
                   [threshold](int, int, uint8_t grey) { return grey >= threshold; });
}

int reduceBayer(const Dib& src, int bits, Dib& out, Progress& progress) {
  if (bits == 4) return bayerToStandardColours(src, out, progress);
  if (bits != 1) return IGE_INVALID_ARGUMENT;
  return toBitonal(src, GreyMethod::kLuminance, out, progress, [](int x, int y, uint8_t grey) {
    return passes(grey, 255, kBayer[y & 7][x & 7]);
  });
}

int reduceDiffuse(const Dib& src, int bits, int threshold, Dib& out, Progress& progress) {
  if (threshold < 0 || threshold > 255) return IGE_INVALID_ARGUMENT;
  if (bits == 4) return diffuseToStandardColours(src, threshold, out, progress);
  if (bits != 1) return IGE_INVALID_ARGUMENT;
  return diffuseToBitonal(src, threshold, out, progress);
}

int reduceHalftone(const Dib& src, Dib& out, Progress& progress) {
  return toBitonal(src, GreyMethod::kLuminance, out, progress, [](int x, int y, uint8_t grey) {
    return passes(grey, 255, kClusteredDot[y & 7][x & 7]);
  });
}

}  // namespace ov
