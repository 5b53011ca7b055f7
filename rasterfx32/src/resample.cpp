// Filtered resampling in two separable passes (horizontal into an intermediate of the source
// height, then vertical) with weights computed once per output column and row.
//
// Every output channel is the sum, in contributor order and in double precision, of
// weight x source value, clamped to 0..255 and truncated. The vertical pass runs row by row
// (each output row accumulates its source rows in contributor order), which gives the same
// sums as a column-by-column pass and lets the inner loop run over whole rows.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "engine_access.h"
#include "progress_report.h"
#include "rasterfx32/rasterfx32.h"
#include "resample_filters.h"

namespace {

uint32_t g_filter = 4;  // the cubic B-spline

// Contributors of every output position, flattened: output i uses entries first[i]..first[i+1).
struct Contributors {
  std::vector<int> first;
  std::vector<int> index;
  std::vector<double> weight;
};

// Scale of one direction; a source of one pixel scales by the plain ratio.
double scaleOf(int out, int in) {
  return in == 1 ? static_cast<double>(out) : static_cast<double>(out - 1) / (in - 1);
}

// Reflects positions outside 0..size-1 at the edges; kernels wider than the picture reflect
// again or stick to the edge, so no index ever leaves the picture.
int mirror(int j, int size) {
  if (j < 0) j = -j;
  if (j >= size) j = 2 * size - j - 1;
  return std::clamp(j, 0, size - 1);
}

Contributors contributors(int out, int in, const rfx::ResampleFilter& f, rfx::StepProgress& progress) {
  Contributors c;
  c.first.reserve(static_cast<size_t>(out) + 1);
  double scale = scaleOf(out, in);
  // One output pixel from many: the ratio form would give scale 0. Sample the middle of the
  // source through a filter stretched over all of it instead.
  const bool single = out == 1 && in > 1;
  if (single) scale = 1.0 / in;
  const double width = scale < 1 ? f.support / scale : f.support;
  const double fscale = scale < 1 ? 1 / scale : 1;
  for (int i = 0; i < out; ++i) {
    c.first.push_back(static_cast<int>(c.index.size()));
    const double centre = single ? (in - 1) / 2.0 : i / scale;
    const int left = static_cast<int>(std::ceil(centre - width));
    const int right = static_cast<int>(std::floor(centre + width));
    for (int j = left; j <= right; ++j) {
      const double w = scale < 1 ? f.kernel((centre - j) / fscale) / fscale : f.kernel(centre - j);
      c.index.push_back(mirror(j, in));
      c.weight.push_back(w);
    }
    progress.step(i);
  }
  c.first.push_back(static_cast<int>(c.index.size()));
  return c;
}

// The lists padded to one length with terms of weight 0 (adding +0.0 changes no sum), so that
// every output pixel runs the same loop.
struct PaddedContributors {
  int taps = 0;
  std::vector<int> index;
  std::vector<double> weight;
};

PaddedContributors padded(const Contributors& c, int out) {
  PaddedContributors p;
  for (int i = 0; i < out; ++i) p.taps = std::max(p.taps, c.first[i + 1] - c.first[i]);
  p.index.assign(static_cast<size_t>(out) * p.taps, 0);
  p.weight.assign(static_cast<size_t>(out) * p.taps, 0.0);
  for (int i = 0; i < out; ++i) {
    for (int k = c.first[i]; k < c.first[i + 1]; ++k) {
      const size_t at = static_cast<size_t>(i) * p.taps + (k - c.first[i]);
      p.index[at] = c.index[k];
      p.weight[at] = c.weight[k];
    }
  }
  return p;
}

// B, G, R and a spare lane as one vector; arithmetic on it is per lane, exactly as on doubles.
// Aligned like a double, so rows of plain doubles can be read as vectors.
typedef double Pixel4 __attribute__((vector_size(32), aligned(8)));

inline uint8_t toByte(double v) {
  return static_cast<uint8_t>(v <= 0 ? 0 : v >= 255 ? 255 : v);
}

// One row: out[i] = sum over the contributors of i of weight x in[index]. The row is widened
// to doubles once (four per pixel, so each sum runs over whole vector lanes), and four output
// pixels are summed side by side so that their independent chains of additions overlap; each
// pixel still adds its own terms in contributor order, so the sums are the same.
__attribute__((target_clones("avx2", "default")))
void horizontalRow(const uint8_t* in, int in_width, double* wide, uint8_t* out,
                   const PaddedContributors& c, int out_width) {
  for (int x = 0; x < in_width; ++x) {
    wide[4 * x] = in[3 * x];
    wide[4 * x + 1] = in[3 * x + 1];
    wide[4 * x + 2] = in[3 * x + 2];
    wide[4 * x + 3] = 0;
  }
  const int taps = c.taps;
  const auto* px = reinterpret_cast<const Pixel4*>(wide);
  int i = 0;
  for (; i + 4 <= out_width; i += 4) {
    const int* ix = &c.index[static_cast<size_t>(i) * taps];
    const double* wt = &c.weight[static_cast<size_t>(i) * taps];
    Pixel4 a0{}, a1{}, a2{}, a3{};
    for (int k = 0; k < taps; ++k) {
      a0 += wt[k] * px[ix[k]];
      a1 += wt[taps + k] * px[ix[taps + k]];
      a2 += wt[2 * taps + k] * px[ix[2 * taps + k]];
      a3 += wt[3 * taps + k] * px[ix[3 * taps + k]];
    }
    const Pixel4 acc[4] = {a0, a1, a2, a3};
    for (int b = 0; b < 4; ++b) {
      uint8_t* o = out + 3 * static_cast<size_t>(i + b);
      o[0] = toByte(acc[b][0]), o[1] = toByte(acc[b][1]), o[2] = toByte(acc[b][2]);
    }
  }
  for (; i < out_width; ++i) {
    Pixel4 acc{};
    for (int k = 0; k < taps; ++k)
      acc += c.weight[static_cast<size_t>(i) * taps + k] * px[c.index[static_cast<size_t>(i) * taps + k]];
    uint8_t* o = out + 3 * static_cast<size_t>(i);
    o[0] = toByte(acc[0]), o[1] = toByte(acc[1]), o[2] = toByte(acc[2]);
  }
}

// acc[x] = weight x row[x] over a whole row.
__attribute__((target_clones("avx2", "default")))
void startRow(double* acc, const double* row, double weight, size_t n) {
  for (size_t x = 0; x < n; ++x) acc[x] = weight * row[x];
}

// acc[x] += weight x row[x] over a whole row.
__attribute__((target_clones("avx2", "default")))
void accumulateRow(double* acc, const double* row, double weight, size_t n) {
  for (size_t x = 0; x < n; ++x) acc[x] += weight * row[x];
}

// Rows of the intermediate image widened to doubles, each converted once while the output
// rows that use it are made (their source rows only ever move down).
class WideRows {
 public:
  WideRows(const uint8_t* rows, size_t stride, int slots)
      : rows_(rows), stride_(stride), index_(static_cast<size_t>(slots), -1),
        data_(static_cast<size_t>(slots) * stride) {}
  const double* row(int y) {
    const size_t slot = static_cast<size_t>(y) % index_.size();
    double* d = data_.data() + slot * stride_;
    if (index_[slot] != y) {
      const uint8_t* in = rows_ + stride_ * static_cast<size_t>(y);
      for (size_t x = 0; x < stride_; ++x) d[x] = in[x];
      index_[slot] = y;
    }
    return d;
  }

 private:
  const uint8_t* rows_;
  size_t stride_;
  std::vector<int> index_;
  std::vector<double> data_;
};

// Rows of a 24-bit engine image, from the top, straight from its DIB.
struct RowAccess {
  uint8_t* bits;
  size_t stride;
  int height;
  uint8_t* row(int y) const { return bits + static_cast<size_t>(height - 1 - y) * stride; }
};

bool rowAccess(OV_IMAGE image, RowAccess& out) {
  OV_BITMAPINFOHEADER* h = nullptr;
  if (IG_image_DIB_pntr_get(image, &h) != 0 || !h || h->biBitCount != 24) return false;
  out.bits = reinterpret_cast<uint8_t*>(h) + sizeof(OV_BITMAPINFOHEADER);
  out.stride = ((static_cast<size_t>(h->biWidth) * 24 + 31) / 32) * 4;
  out.height = h->biHeight;
  return true;
}

// 0, or 3 when memory for the passes cannot be had (the source is then untouched).
int resample(const RowAccess& src, int w, int h, const RowAccess& dst, int W, int H) {
  const rfx::ResampleFilter f = rfx::resampleFilter(g_filter);
  rfx::StepProgress progress(2.0 * W + H + h);
  try {
    const PaddedContributors cx = padded(contributors(W, w, f, progress), W);
    const size_t temp_stride = static_cast<size_t>(W) * 3;
    // Every byte is written by the horizontal pass, so the buffer needs no clearing.
    const std::unique_ptr<uint8_t[]> temp_rows(new uint8_t[temp_stride * h]);
    uint8_t* temp = temp_rows.get();
    std::vector<double> wide(static_cast<size_t>(w) * 4);
    for (int y = 0; y < h; ++y) {
      horizontalRow(src.row(y), w, wide.data(), temp + temp_stride * y, cx, W);
      progress.step(y);
    }
    const Contributors cy = contributors(H, h, f, progress);
    // Mirrored taps at the top can reach rows below the window of the current output row, so
    // the cache holds every row one output row uses, plus room for the next.
    int taps = 1;
    for (int y = 0; y < H; ++y) taps = std::max(taps, cy.first[y + 1] - cy.first[y]);
    WideRows rows(temp, temp_stride, std::min(h, 2 * taps + 2));
    std::vector<double> acc(temp_stride);
    long columns_reported = 0;
    for (int y = 0; y < H; ++y) {
      // The first term starts each sum: 0 + t is t, so the additions stay the same.
      if (cy.first[y] == cy.first[y + 1]) std::fill(acc.begin(), acc.end(), 0.0);
      else startRow(acc.data(), rows.row(cy.index[cy.first[y]]), cy.weight[cy.first[y]], temp_stride);
      for (int k = cy.first[y] + 1; k < cy.first[y + 1]; ++k)
        accumulateRow(acc.data(), rows.row(cy.index[k]), cy.weight[k], temp_stride);
      uint8_t* out = dst.row(y);
      for (size_t x = 0; x < temp_stride; ++x) out[x] = toByte(acc[x]);
      // Progress counts the vertical pass in output columns.
      for (const long done = static_cast<long>(y + 1) * W / H; columns_reported < done; ++columns_reported)
        progress.step(columns_reported);
    }
  } catch (const std::bad_alloc&) {
    return 3;
  }
  rfx::StepProgress::finish();
  return 0;
}

}  // namespace

extern "C" {

int32_t RFX_RESAMPLE_caps_set(uint32_t type, const uint32_t* filter) {
  if (type != 1 || !filter) return -1;
  g_filter = *filter;
  return 0;
}

int32_t RFX_image_resample(OV_IMAGE* image, int32_t width, int32_t height, uint32_t filter) {
  if (!image) return 1;
  rfx::Size s = rfx::sizeOf(*image);
  if (s.width < 1 || s.height < 1) return 1;
  if (s.bits < 24) {
    IG_IP_color_promote(*image, 3);
    s = rfx::sizeOf(*image);
    if (s.bits < 24) return 2;
  }
  // A destination that cannot be made leaves the source as it is.
  OV_IMAGE created = 0;
  if (width < 1 || height < 1 || IG_image_create_DIB_ex(width, height, 24, 0, nullptr, &created) != 0)
    return 3;
  g_filter = filter;
  RowAccess src{}, dst{};
  int rc = rowAccess(*image, src) && rowAccess(created, dst) ? 0 : 3;
  if (rc == 0) rc = resample(src, s.width, s.height, dst, width, height);
  if (rc != 0) {
    IG_image_delete(created);
    return rc;
  }
  const int32_t deleted = IG_image_delete(*image);
  *image = created;
  return deleted;
}

}  // extern "C"
