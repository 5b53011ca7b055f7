// Filtered resampling in two separable passes (horizontal into an intermediate of the source
// height, then vertical) with weights computed once per output column and row.
//
// Every output channel is the sum, in contributor order and in double precision, of
// weight x source value, clamped to 0..255 and truncated. The vertical pass runs row by row
// (each output row accumulates its source rows in contributor order), which gives the same
// sums as a column-by-column pass and lets the inner loop run over whole rows.
#include <algorithm>
#include <cmath>
#include <cstring>
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

inline uint8_t toByte(double v) {
  return static_cast<uint8_t>(v <= 0 ? 0 : v >= 255 ? 255 : v);
}

// One row: out[i] = sum over the contributors of i of weight x in[index].
void horizontalRow(const uint8_t* in, uint8_t* out, const Contributors& c, int out_width) {
  for (int i = 0; i < out_width; ++i) {
    double b = 0, g = 0, r = 0;
    for (int k = c.first[i]; k < c.first[i + 1]; ++k) {
      const uint8_t* p = in + 3 * static_cast<size_t>(c.index[k]);
      const double w = c.weight[k];
      b += w * p[0];
      g += w * p[1];
      r += w * p[2];
    }
    out[3 * i] = toByte(b);
    out[3 * i + 1] = toByte(g);
    out[3 * i + 2] = toByte(r);
  }
}

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
    const Contributors cx = contributors(W, w, f, progress);
    const size_t temp_stride = static_cast<size_t>(W) * 3;
    std::vector<uint8_t> temp(temp_stride * h);
    for (int y = 0; y < h; ++y) {
      horizontalRow(src.row(y), temp.data() + temp_stride * y, cx, W);
      progress.step(y);
    }
    const Contributors cy = contributors(H, h, f, progress);
    std::vector<double> acc(temp_stride);
    long columns_reported = 0;
    for (int y = 0; y < H; ++y) {
      std::fill(acc.begin(), acc.end(), 0.0);
      for (int k = cy.first[y]; k < cy.first[y + 1]; ++k) {
        const uint8_t* in = temp.data() + temp_stride * cy.index[k];
        const double wk = cy.weight[k];
        for (size_t x = 0; x < temp_stride; ++x) acc[x] += wk * in[x];
      }
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
