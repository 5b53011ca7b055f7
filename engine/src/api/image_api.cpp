#include <cmath>
#include <cstring>
#include <limits>

#include "core/error_list.h"
#include "core/image_table.h"
#include "core/rect.h"
#include "core/resolution.h"
#include "core/progress.h"
#include "ovengine/ovengine.h"

using namespace ov;

namespace {

// dots per unit as num/den to pixels per metre, rounded; -1 when out of range
int64_t toPixelsPerMetre(int32_t num, int32_t den, int32_t units) {
  if (den <= 0 || num < 0) return -1;
  double per_metre;
  if (units == OV_RES_PER_INCH)
    per_metre = static_cast<double>(num) / den * 10000.0 / 254.0;
  else if (units == OV_RES_PER_CENTIMETRE)
    per_metre = static_cast<double>(num) / den * 100.0;
  else if (units == OV_RES_NONE)
    return num == 0 ? 0 : -1;
  else
    return -1;
  if (per_metre > std::numeric_limits<int32_t>::max()) return -1;
  return std::llround(per_metre);
}

}  // namespace

extern "C" {

OV_BOOL IG_image_is_valid(OV_IMAGE image) { return image != 0 && findImage(image) != nullptr; }

OV_ERRCOUNT IG_image_delete(OV_IMAGE image) {
  ErrorScope err("image");
  return err.result(removeImage(image) ? 0 : IGE_INVALID_IMAGE, __LINE__);
}

OV_ERRCOUNT IG_image_duplicate(OV_IMAGE image, OV_IMAGE* copy) {
  ErrorScope err("image");
  if (!copy) return err.fail(IGE_INVALID_ARGUMENT, __LINE__);
  const ImageRecord* src = findImage(image);
  if (!src) return err.fail(IGE_INVALID_IMAGE, __LINE__);
  auto rec = std::make_unique<ImageRecord>();
  const Dib& s = src->dib;
  // Copy by bands so that a large duplicate reports progress and can be cancelled.
  if (int rc = rec->dib.allocate(s.width(), s.height(), s.bitsPerPixel(), false); rc != 0)
    return err.fail(rc, __LINE__);
  std::memcpy(rec->dib.header(), s.header(), sizeof(OV_BITMAPINFOHEADER));
  std::memcpy(rec->dib.palette(), s.palette(), sizeof(OV_RGBQUAD) * s.paletteSize());
  {
    Progress progress(s.height());
    const int band = 64;
    for (int y = 0; y < s.height(); y += band) {
      const int n = std::min(band, s.height() - y);
      // Rows y .. y+n-1 from the top are stored contiguously, the last of them first.
      std::memcpy(rec->dib.row(y + n - 1), s.row(y + n - 1), s.stride() * n);
      if (!progress.advanceTo(y + n)) return err.fail(IGE_CANCELLED, __LINE__);
    }
  }
  rec->attributes = src->attributes;
  rec->has_image_rect = src->has_image_rect;
  rec->image_rect = src->image_rect;
  rec->display = src->display;
  *copy = addImage(std::move(rec));
  return *copy ? 0 : err.fail(IGE_OUT_OF_MEMORY, __LINE__);
}

OV_ERRCOUNT IG_image_create_DIB_ex(int32_t width, int32_t height, int32_t bits_per_pixel,
                                   uint32_t compression, const void* pixels, OV_IMAGE* image) {
  ErrorScope err("image");
  if (!image || compression != 0) return err.fail(IGE_INVALID_ARGUMENT, __LINE__);
  Dib dib;
  if (int rc = dib.allocate(width, height, bits_per_pixel, pixels == nullptr); rc != 0)
    return err.fail(rc, __LINE__);
  if (pixels) std::memcpy(dib.bits(), pixels, dib.pixelBytes());
  *image = addImage(std::move(dib));
  return *image ? 0 : err.fail(IGE_OUT_OF_MEMORY, __LINE__);
}

OV_ERRCOUNT IG_image_dimensions_get(OV_IMAGE image, int32_t* width, int32_t* height,
                                    int32_t* bits_per_pixel) {
  ErrorScope err("image");
  const ImageRecord* rec = findImage(image);
  if (!rec) return err.fail(IGE_INVALID_IMAGE, __LINE__);
  if (width) *width = rec->dib.width();
  if (height) *height = rec->dib.height();
  if (bits_per_pixel) *bits_per_pixel = rec->dib.bitsPerPixel();
  return 0;
}

OV_ERRCOUNT IG_image_DIB_pntr_get(OV_IMAGE image, OV_BITMAPINFOHEADER** dib) {
  ErrorScope err("image");
  ImageRecord* rec = findImage(image);
  if (!rec) return err.fail(IGE_INVALID_IMAGE, __LINE__);
  if (!dib) return err.fail(IGE_INVALID_ARGUMENT, __LINE__);
  *dib = rec->dib.header();
  return 0;
}

int32_t IG_convert_PPM_to_DPI(int32_t pixels_per_metre) {
  return ppmToDpi(pixels_per_metre);
}

OV_ERRCOUNT IG_image_resolution_get(OV_IMAGE image, int32_t* x_num, int32_t* x_den,
                                    int32_t* y_num, int32_t* y_den, int32_t* units) {
  ErrorScope err("image");
  const ImageRecord* rec = findImage(image);
  if (!rec) return err.fail(IGE_INVALID_IMAGE, __LINE__);
  const OV_BITMAPINFOHEADER* h = rec->dib.header();
  if (x_num) *x_num = IG_convert_PPM_to_DPI(h->biXPelsPerMeter);
  if (y_num) *y_num = IG_convert_PPM_to_DPI(h->biYPelsPerMeter);
  if (x_den) *x_den = 1;
  if (y_den) *y_den = 1;
  if (units) *units = OV_RES_PER_INCH;
  return 0;
}

OV_ERRCOUNT IG_image_resolution_set(OV_IMAGE image, int32_t x_num, int32_t x_den, int32_t y_num,
                                    int32_t y_den, int32_t units) {
  ErrorScope err("image");
  ImageRecord* rec = findImage(image);
  if (!rec) return err.fail(IGE_INVALID_IMAGE, __LINE__);
  const int64_t x = toPixelsPerMetre(x_num, x_den, units);
  const int64_t y = toPixelsPerMetre(y_num, y_den, units);
  if (x < 0 || y < 0) return err.fail(IGE_INVALID_ARGUMENT, __LINE__);
  rec->dib.setResolution(static_cast<int32_t>(x), static_cast<int32_t>(y));
  return 0;
}

OV_BOOL IG_image_is_gray(OV_IMAGE image) {
  const ImageRecord* rec = findImage(image);
  return rec && rec->dib.isGrayRamp();
}

OV_ERRCOUNT IG_palette_entry_get(OV_IMAGE image, int32_t index, OV_RGB* colour) {
  ErrorScope err("image");
  const ImageRecord* rec = findImage(image);
  if (!rec) return err.fail(IGE_INVALID_IMAGE, __LINE__);
  if (!colour || index < 0 || index >= rec->dib.paletteSize())
    return err.fail(IGE_INVALID_ARGUMENT, __LINE__);
  const OV_RGBQUAD& q = rec->dib.palette()[index];
  *colour = OV_RGB{q.blue, q.green, q.red};
  return 0;
}

OV_ERRCOUNT IG_palette_entry_set(OV_IMAGE image, const OV_RGB* colour, int32_t index) {
  ErrorScope err("image");
  ImageRecord* rec = findImage(image);
  if (!rec) return err.fail(IGE_INVALID_IMAGE, __LINE__);
  if (!colour || index < 0 || index >= rec->dib.paletteSize())
    return err.fail(IGE_INVALID_ARGUMENT, __LINE__);
  rec->dib.palette()[index] = OV_RGBQUAD{colour->b, colour->g, colour->r, 0};
  return 0;
}

OV_ERRCOUNT IG_image_rect_get(OV_IMAGE image, OV_RECT* rect) {
  ErrorScope err("image");
  const ImageRecord* rec = findImage(image);
  if (!rec) return err.fail(IGE_INVALID_IMAGE, __LINE__);
  if (!rect) return err.fail(IGE_INVALID_ARGUMENT, __LINE__);
  *rect = rec->has_image_rect
              ? rec->image_rect
              : OV_RECT{0, 0, rec->dib.width() - 1, rec->dib.height() - 1};
  return 0;
}

OV_ERRCOUNT IG_image_rect_set(OV_IMAGE image, const OV_RECT* rect) {
  ErrorScope err("image");
  ImageRecord* rec = findImage(image);
  if (!rec) return err.fail(IGE_INVALID_IMAGE, __LINE__);
  if (!rect) return err.fail(IGE_INVALID_ARGUMENT, __LINE__);
  if (!rectInside(*rect, rec->dib)) return err.fail(IGE_INVALID_RECTANGLE, __LINE__);
  rec->has_image_rect = true;
  rec->image_rect = *rect;
  return 0;
}

}  // extern "C"
