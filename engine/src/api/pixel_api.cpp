#include <algorithm>
#include <cstdint>
#include <cstring>

#include "core/error_list.h"
#include "core/image_table.h"
#include "core/rect.h"
#include "process/pixel_convert.h"
#include "ovengine/ovengine.h"

using namespace ov;

namespace {

int bytesPerAreaPixel(const Dib& d) { return d.bitsPerPixel() == 24 ? 3 : 1; }

size_t areaBytes(const Dib& d, const OV_RECT& r) {
  return static_cast<size_t>(r.right - r.left + 1) * static_cast<size_t>(r.bottom - r.top + 1) *
         bytesPerAreaPixel(d);
}

// Copies between a row of the image and a run of area pixels (one byte per index below 24).
void readRun(const Dib& d, int y, int x0, int count, uint8_t* out) {
  if (d.bitsPerPixel() == 24) {
    std::memcpy(out, d.row(y) + 3 * static_cast<size_t>(x0), 3 * static_cast<size_t>(count));
  } else if (d.bitsPerPixel() == 8) {
    std::memcpy(out, d.row(y) + x0, static_cast<size_t>(count));
  } else {
    for (int i = 0; i < count; ++i) out[i] = static_cast<uint8_t>(d.indexAt(x0 + i, y));
  }
}

void writeRun(Dib& d, int y, int x0, int count, const uint8_t* in) {
  if (d.bitsPerPixel() == 24) {
    std::memcpy(d.row(y) + 3 * static_cast<size_t>(x0), in, 3 * static_cast<size_t>(count));
  } else if (d.bitsPerPixel() == 8) {
    std::memcpy(d.row(y) + x0, in, static_cast<size_t>(count));
  } else {
    const uint32_t max = (1u << d.bitsPerPixel()) - 1;
    for (int i = 0; i < count; ++i) d.setIndexAt(x0 + i, y, std::min<uint32_t>(in[i], max));
  }
}

}  // namespace

extern "C" {

OV_ERRCOUNT IG_DIB_area_size_get(OV_IMAGE image, const OV_RECT* rect, int32_t format,
                                 int32_t* size) {
  ErrorScope err("pixels");
  const ImageRecord* rec = findImage(image);
  if (!rec) return err.fail(IGE_INVALID_IMAGE, __LINE__);
  if (!size || format != OV_AREA_FORMAT) return err.fail(IGE_INVALID_ARGUMENT, __LINE__);
  OV_RECT r;
  if (int rc = clipToImage(rec->dib, rect, r); rc != 0) return err.fail(rc, __LINE__);
  const size_t bytes = areaBytes(rec->dib, r);
  if (bytes > INT32_MAX) return err.fail(IGE_INVALID_RECTANGLE, __LINE__);
  *size = static_cast<int32_t>(bytes);
  return 0;
}

OV_ERRCOUNT IG_DIB_area_get(OV_IMAGE image, const OV_RECT* rect, void* buffer, int32_t format) {
  ErrorScope err("pixels");
  const ImageRecord* rec = findImage(image);
  if (!rec) return err.fail(IGE_INVALID_IMAGE, __LINE__);
  if (!buffer || format != OV_AREA_FORMAT) return err.fail(IGE_INVALID_ARGUMENT, __LINE__);
  OV_RECT r;
  if (int rc = clipToImage(rec->dib, rect, r); rc != 0) return err.fail(rc, __LINE__);
  const int w = r.right - r.left + 1;
  auto* out = static_cast<uint8_t*>(buffer);
  const size_t row_bytes = static_cast<size_t>(w) * bytesPerAreaPixel(rec->dib);
  for (int y = r.top; y <= r.bottom; ++y, out += row_bytes) readRun(rec->dib, y, r.left, w, out);
  return 0;
}

OV_ERRCOUNT IG_DIB_area_set(OV_IMAGE image, const OV_RECT* rect, const void* buffer,
                            int32_t format) {
  ErrorScope err("pixels");
  ImageRecord* rec = findImage(image);
  if (!rec) return err.fail(IGE_INVALID_IMAGE, __LINE__);
  if (!buffer || format != OV_AREA_FORMAT) return err.fail(IGE_INVALID_ARGUMENT, __LINE__);
  OV_RECT r;
  if (int rc = clipToImage(rec->dib, rect, r); rc != 0) return err.fail(rc, __LINE__);
  const int w = r.right - r.left + 1;
  const auto* in = static_cast<const uint8_t*>(buffer);
  const size_t row_bytes = static_cast<size_t>(w) * bytesPerAreaPixel(rec->dib);
  for (int y = r.top; y <= r.bottom; ++y, in += row_bytes) writeRun(rec->dib, y, r.left, w, in);
  return 0;
}

OV_ERRCOUNT IG_DIB_raster_size_get(OV_IMAGE image, int32_t format, int32_t* size) {
  ErrorScope err("pixels");
  const ImageRecord* rec = findImage(image);
  if (!rec) return err.fail(IGE_INVALID_IMAGE, __LINE__);
  if (!size || format != OV_AREA_FORMAT) return err.fail(IGE_INVALID_ARGUMENT, __LINE__);
  *size = rec->dib.width() * bytesPerAreaPixel(rec->dib);
  return 0;
}

OV_ERRCOUNT IG_DIB_raster_get(OV_IMAGE image, int32_t row, void* buffer, int32_t format) {
  ErrorScope err("pixels");
  const ImageRecord* rec = findImage(image);
  if (!rec) return err.fail(IGE_INVALID_IMAGE, __LINE__);
  if (!buffer || format != OV_AREA_FORMAT || row < 0 || row >= rec->dib.height())
    return err.fail(IGE_INVALID_ARGUMENT, __LINE__);
  readRun(rec->dib, row, 0, rec->dib.width(), static_cast<uint8_t*>(buffer));
  return 0;
}

OV_ERRCOUNT IG_DIB_raster_set(OV_IMAGE image, int32_t row, const void* buffer, int32_t format) {
  ErrorScope err("pixels");
  ImageRecord* rec = findImage(image);
  if (!rec) return err.fail(IGE_INVALID_IMAGE, __LINE__);
  if (!buffer || format != OV_AREA_FORMAT || row < 0 || row >= rec->dib.height())
    return err.fail(IGE_INVALID_ARGUMENT, __LINE__);
  writeRun(rec->dib, row, 0, rec->dib.width(), static_cast<const uint8_t*>(buffer));
  return 0;
}

OV_ERRCOUNT IG_DIB_column_get(OV_IMAGE image, int32_t column, int32_t first_row,
                              int32_t last_row, void* buffer, int32_t buffer_size,
                              int32_t* count) {
  ErrorScope err("pixels");
  const ImageRecord* rec = findImage(image);
  if (!rec) return err.fail(IGE_INVALID_IMAGE, __LINE__);
  const Dib& d = rec->dib;
  if (!buffer || column < 0 || column >= d.width() || first_row < 0 || last_row >= d.height() ||
      first_row > last_row)
    return err.fail(IGE_INVALID_ARGUMENT, __LINE__);
  const int bpp = bytesPerAreaPixel(d);
  const int n = last_row - first_row + 1;
  if (buffer_size < 0 || static_cast<int64_t>(n) * bpp > buffer_size)
    return err.fail(IGE_INVALID_ARGUMENT, __LINE__);
  auto* out = static_cast<uint8_t*>(buffer);
  for (int y = first_row; y <= last_row; ++y, out += bpp) readRun(d, y, column, 1, out);
  if (count) *count = n;
  return 0;
}

OV_ERRCOUNT IG_DIB_column_set(OV_IMAGE image, int32_t column, int32_t first_row,
                              int32_t last_row, const void* buffer, int32_t buffer_size) {
  ErrorScope err("pixels");
  ImageRecord* rec = findImage(image);
  if (!rec) return err.fail(IGE_INVALID_IMAGE, __LINE__);
  Dib& d = rec->dib;
  if (!buffer || column < 0 || column >= d.width() || first_row < 0 || last_row >= d.height() ||
      first_row > last_row)
    return err.fail(IGE_INVALID_ARGUMENT, __LINE__);
  const int bpp = bytesPerAreaPixel(d);
  const int n = last_row - first_row + 1;
  if (buffer_size < 0 || static_cast<int64_t>(n) * bpp > buffer_size)
    return err.fail(IGE_INVALID_ARGUMENT, __LINE__);
  const auto* in = static_cast<const uint8_t*>(buffer);
  for (int y = first_row; y <= last_row; ++y, in += bpp) writeRun(d, y, column, 1, in);
  return 0;
}

OV_ERRCOUNT IG_DIB_pixel_get(OV_IMAGE image, int32_t x, int32_t y, void* value) {
  ErrorScope err("pixels");
  const ImageRecord* rec = findImage(image);
  if (!rec) return err.fail(IGE_INVALID_IMAGE, __LINE__);
  if (!value || x < 0 || y < 0 || x >= rec->dib.width() || y >= rec->dib.height())
    return err.fail(IGE_INVALID_ARGUMENT, __LINE__);
  readRun(rec->dib, y, x, 1, static_cast<uint8_t*>(value));
  return 0;
}

OV_ERRCOUNT IG_DIB_pixel_set(OV_IMAGE image, int32_t x, int32_t y, const void* value) {
  ErrorScope err("pixels");
  ImageRecord* rec = findImage(image);
  if (!rec) return err.fail(IGE_INVALID_IMAGE, __LINE__);
  if (!value || x < 0 || y < 0 || x >= rec->dib.width() || y >= rec->dib.height())
    return err.fail(IGE_INVALID_ARGUMENT, __LINE__);
  writeRun(rec->dib, y, x, 1, static_cast<const uint8_t*>(value));
  return 0;
}

OV_ERRCOUNT IG_DIB_pixel_set_color(OV_IMAGE image, int32_t x, int32_t y, const OV_RGB* colour) {
  ErrorScope err("pixels");
  ImageRecord* rec = findImage(image);
  if (!rec) return err.fail(IGE_INVALID_IMAGE, __LINE__);
  Dib& d = rec->dib;
  if (!colour || x < 0 || y < 0 || x >= d.width() || y >= d.height())
    return err.fail(IGE_INVALID_ARGUMENT, __LINE__);
  if (d.bitsPerPixel() == 24) {
    d.setIndexAt(x, y, colour->b | (colour->g << 8) | (static_cast<uint32_t>(colour->r) << 16));
    return 0;
  }
  const int best = nearestPaletteIndex(d.palette(), d.paletteSize(), colour->r, colour->g, colour->b);
  d.setIndexAt(x, y, static_cast<uint32_t>(best));
  return 0;
}

OV_ERRCOUNT IG_DIB_area_remap(OV_IMAGE image, const OV_RECT* rect, const uint8_t* red,
                              const uint8_t* green, const uint8_t* blue) {
  ErrorScope err("pixels");
  ImageRecord* rec = findImage(image);
  if (!rec) return err.fail(IGE_INVALID_IMAGE, __LINE__);
  if (!red || !green || !blue) return err.fail(IGE_INVALID_ARGUMENT, __LINE__);
  Dib& d = rec->dib;
  if (d.bitsPerPixel() != 24) {
    if (rect) return err.fail(IGE_INVALID_BIT_DEPTH, __LINE__);
    for (int i = 0; i < d.paletteSize(); ++i) {
      OV_RGBQUAD& q = d.palette()[i];
      q = OV_RGBQUAD{blue[q.blue], green[q.green], red[q.red], 0};
    }
    return 0;
  }
  OV_RECT r;
  if (int rc = clipToImage(d, rect, r); rc != 0) return err.fail(rc, __LINE__);
  for (int y = r.top; y <= r.bottom; ++y) {
    uint8_t* p = d.row(y) + 3 * static_cast<size_t>(r.left);
    for (int x = r.left; x <= r.right; ++x, p += 3) {
      p[0] = blue[p[0]];
      p[1] = green[p[1]];
      p[2] = red[p[2]];
    }
  }
  return 0;
}

}  // extern "C"
