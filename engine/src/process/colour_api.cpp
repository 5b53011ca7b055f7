// The colour calls. Arguments are checked (image, parameters, rectangle, depth, in that
// order) before anything is touched; the work runs through changeInPlace / replaceWith so
// that an error or a cancel changes nothing.
//
// Choices the one-line contracts leave open:
// - reserved arguments are ignored, whatever their value;
// - promotion to the same or a lower depth is IGE_INVALID_ARGUMENT;
// - reductions accept every depth (palette images through their colours) and always give
//   the stated depth, even when the picture has fewer colours;
// - `deep` of the tone calls is only checked: TRUE on a palette image is
//   IGE_INVALID_BIT_DEPTH;
// - a rectangle on a palette image that cannot be changed pixel by pixel (anything but a
//   grey ramp, and for inversion anything but a palette symmetric under inversion) is
//   IGE_INVALID_BIT_DEPTH, as in IG_DIB_area_remap.
#include "core/error_list.h"
#include "core/image_table.h"
#include "core/rect.h"
#include "ovengine/ov_errors.h"
#include "ovengine/ov_process.h"
#include "process/colour.h"
#include "process/contrast.h"
#include "process/gray.h"
#include "process/operation.h"

using namespace ov;

namespace {

constexpr int32_t kInvertPalette = 0;
constexpr int32_t kInvertPixels = 1;

bool inRange(double v, double lo, double hi) {
  return v >= lo && v <= hi;
}  // false for NaN
bool inRange(int32_t v, int32_t lo, int32_t hi) {
  return v >= lo && v <= hi;
}

int64_t rows(const Dib& dib) {
  return dib.height();
}
int64_t rows(const OV_RECT& r) {
  return r.bottom - r.top + 1;
}

// Checks shared by the tone calls; fills the clipped rectangle and the target.
int checkTone(const Dib& dib, const OV_RECT* rect, OV_BOOL deep, OV_RECT& r, ToneTarget& target) {
  if (int rc = clipToImage(dib, rect, r); rc != 0) return rc;
  // `deep` claims pixels above 8 bits; a palette image has none.
  if (deep && dib.bitsPerPixel() != 24) return IGE_INVALID_BIT_DEPTH;
  return toneTarget(dib, rect != nullptr, target);
}

// The palette reductions: at most `colours` colours (2..256) chosen by `reduce`, which
// reports two passes over the rows (gathering, then mapping).
OV_ERRCOUNT reduceToPalette(OV_IMAGE image, int32_t colours,
                            int (*reduce)(const Dib&, int, Dib&, Progress&), int line) {
  ErrorScope err("process");
  ImageRecord* rec = findImage(image);
  if (!rec) return err.fail(IGE_INVALID_IMAGE, line);
  if (!inRange(colours, 2, 256)) return err.fail(IGE_INVALID_ARGUMENT, line);
  const int rc = replaceWith(rec->dib, 2 * rows(rec->dib), [=](const Dib& src, Dib& out, Progress& p) {
    return reduce(src, colours, out, p);
  });
  return err.result(rc, line);
}

}  // namespace

extern "C" {

OV_ERRCOUNT IG_IP_color_promote(OV_IMAGE image, int32_t mode) {
  ErrorScope err("process");
  ImageRecord* rec = findImage(image);
  if (!rec) return err.fail(IGE_INVALID_IMAGE, __LINE__);
  if (!inRange(mode, 1, 3)) return err.fail(IGE_INVALID_ARGUMENT, __LINE__);
  const int bits = mode == 1 ? 4 : mode == 2 ? 8 : 24;
  if (bits <= rec->dib.bitsPerPixel()) return err.fail(IGE_INVALID_ARGUMENT, __LINE__);
  const int rc = replaceWith(
      rec->dib, rows(rec->dib),
      [bits](const Dib& src, Dib& out, Progress& p) { return promoteImage(src, bits, out, p); });
  return err.result(rc, __LINE__);
}

OV_ERRCOUNT IG_IP_color_reduce_to_bitonal(OV_IMAGE image, int32_t method, int32_t threshold,
                                          int32_t, int32_t, int32_t) {
  ErrorScope err("process");
  ImageRecord* rec = findImage(image);
  if (!rec) return err.fail(IGE_INVALID_IMAGE, __LINE__);
  if (!inRange(method, 0, 1) || !inRange(threshold, 0, 255))
    return err.fail(IGE_INVALID_ARGUMENT, __LINE__);
  const auto how = method == 1 ? GreyMethod::kLuminance : GreyMethod::kAverage;
  const int rc = replaceWith(rec->dib, rows(rec->dib), [=](const Dib& src, Dib& out, Progress& p) {
    return reduceToBitonal(src, how, threshold, out, p);
  });
  return err.result(rc, __LINE__);
}

OV_ERRCOUNT IG_IP_color_reduce_bayer(OV_IMAGE image, int32_t bits, int32_t) {
  ErrorScope err("process");
  ImageRecord* rec = findImage(image);
  if (!rec) return err.fail(IGE_INVALID_IMAGE, __LINE__);
  if (bits != 1 && bits != 4) return err.fail(IGE_INVALID_ARGUMENT, __LINE__);
  const int rc = replaceWith(rec->dib, rows(rec->dib), [=](const Dib& src, Dib& out, Progress& p) {
    return reduceBayer(src, bits, out, p);
  });
  return err.result(rc, __LINE__);
}

OV_ERRCOUNT IG_IP_color_reduce_diffuse(OV_IMAGE image, int32_t bits, int32_t threshold, int32_t) {
  ErrorScope err("process");
  ImageRecord* rec = findImage(image);
  if (!rec) return err.fail(IGE_INVALID_IMAGE, __LINE__);
  if ((bits != 1 && bits != 4) || !inRange(threshold, 0, 255))
    return err.fail(IGE_INVALID_ARGUMENT, __LINE__);
  const int rc = replaceWith(rec->dib, rows(rec->dib), [=](const Dib& src, Dib& out, Progress& p) {
    return reduceDiffuse(src, bits, threshold, out, p);
  });
  return err.result(rc, __LINE__);
}

OV_ERRCOUNT IG_IP_color_reduce_halftone(OV_IMAGE image, int32_t) {
  ErrorScope err("process");
  ImageRecord* rec = findImage(image);
  if (!rec) return err.fail(IGE_INVALID_IMAGE, __LINE__);
  const int rc = replaceWith(rec->dib, rows(rec->dib), reduceHalftone);
  return err.result(rc, __LINE__);
}

OV_ERRCOUNT IG_IP_color_reduce_octree(OV_IMAGE image, int32_t, int32_t colours, int32_t, int32_t) {
  return reduceToPalette(image, colours, reduceOctree, __LINE__);
}

OV_ERRCOUNT IG_IP_color_reduce_median_cut(OV_IMAGE image, int32_t, int32_t colours) {
  return reduceToPalette(image, colours, reduceMedianCut, __LINE__);
}

OV_ERRCOUNT IG_IP_color_reduce_popularity(OV_IMAGE image, int32_t, int32_t colours) {
  return reduceToPalette(image, colours, reducePopularity, __LINE__);
}

OV_ERRCOUNT IG_IP_convert_to_gray(OV_IMAGE image) {
  ErrorScope err("process");
  ImageRecord* rec = findImage(image);
  if (!rec) return err.fail(IGE_INVALID_IMAGE, __LINE__);
  const int rc = replaceWith(rec->dib, rows(rec->dib), convertToGray);
  return err.result(rc, __LINE__);
}

OV_ERRCOUNT IG_IP_swap_red_blue(OV_IMAGE image) {
  ErrorScope err("process");
  ImageRecord* rec = findImage(image);
  if (!rec) return err.fail(IGE_INVALID_IMAGE, __LINE__);
  return err.result(changeInPlace(rec->dib, rows(rec->dib), swapRedBlue), __LINE__);
}

// flag 1 inverts pixels: the colours of 24-bit images, the indexes of palette images whose
// palette is symmetric under inversion (grey ramps, black and white). Any other palette
// image can only be inverted whole, through its palette.
OV_ERRCOUNT IG_IP_contrast_invert(OV_IMAGE image, const OV_RECT* rect, int32_t flag) {
  ErrorScope err("process");
  ImageRecord* rec = findImage(image);
  if (!rec) return err.fail(IGE_INVALID_IMAGE, __LINE__);
  Dib& dib = rec->dib;
  if (flag != kInvertPalette && flag != kInvertPixels)
    return err.fail(IGE_INVALID_ARGUMENT, __LINE__);
  const auto palette_only = [](Dib& d, Progress& p) {
    invertPalette(d);
    return p.advanceTo(1) ? 0 : IGE_CANCELLED;
  };
  if (flag == kInvertPalette) {
    if (rect) return err.fail(IGE_INVALID_ARGUMENT, __LINE__);
    if (dib.bitsPerPixel() == 24) return err.fail(IGE_INVALID_BIT_DEPTH, __LINE__);
    return err.result(changeInPlace(dib, 1, palette_only), __LINE__);
  }
  OV_RECT r;
  if (int rc = clipToImage(dib, rect, r); rc != 0) return err.fail(rc, __LINE__);
  if (dib.bitsPerPixel() == 24 || paletteInvertsByIndex(dib)) {
    const int rc =
        changeInPlace(dib, rows(r), [&r](Dib& d, Progress& p) { return invertPixels(d, r, p); });
    return err.result(rc, __LINE__);
  }
  if (rect) return err.fail(IGE_INVALID_BIT_DEPTH, __LINE__);
  return err.result(changeInPlace(dib, 1, palette_only), __LINE__);
}

OV_ERRCOUNT IG_IP_contrast_adjust(OV_IMAGE image, const OV_RECT* rect, OV_BOOL deep,
                                  double contrast, double brightness) {
  ErrorScope err("process");
  ImageRecord* rec = findImage(image);
  if (!rec) return err.fail(IGE_INVALID_IMAGE, __LINE__);
  if (!inRange(contrast, -3.0, 5.0) || !inRange(brightness, -255.0, 255.0))
    return err.fail(IGE_INVALID_ARGUMENT, __LINE__);
  OV_RECT r;
  ToneTarget target;
  if (int rc = checkTone(rec->dib, rect, deep, r, target); rc != 0) return err.fail(rc, __LINE__);
  const ToneTable table = toneTable(contrast, brightness, 1.0);
  const int rc = changeInPlace(
      rec->dib, rows(r), [&](Dib& d, Progress& p) { return applyTone(d, target, r, table, p); });
  return err.result(rc, __LINE__);
}

OV_ERRCOUNT IG_IP_contrast_gamma(OV_IMAGE image, const OV_RECT* rect, OV_BOOL deep, double gamma) {
  ErrorScope err("process");
  ImageRecord* rec = findImage(image);
  if (!rec) return err.fail(IGE_INVALID_IMAGE, __LINE__);
  if (!inRange(gamma, 0.0, 3.0)) return err.fail(IGE_INVALID_ARGUMENT, __LINE__);
  OV_RECT r;
  ToneTarget target;
  if (int rc = checkTone(rec->dib, rect, deep, r, target); rc != 0) return err.fail(rc, __LINE__);
  const ToneTable table = toneTable(1.0, 0.0, gamma);
  const int rc = changeInPlace(
      rec->dib, rows(r), [&](Dib& d, Progress& p) { return applyTone(d, target, r, table, p); });
  return err.result(rc, __LINE__);
}

OV_ERRCOUNT IG_IP_contrast_equalize(OV_IMAGE image, const OV_RECT* rect, OV_BOOL deep) {
  ErrorScope err("process");
  ImageRecord* rec = findImage(image);
  if (!rec) return err.fail(IGE_INVALID_IMAGE, __LINE__);
  OV_RECT r;
  ToneTarget target;
  if (int rc = checkTone(rec->dib, rect, deep, r, target); rc != 0) return err.fail(rc, __LINE__);
  const int rc = changeInPlace(rec->dib, 2 * rows(r),
                               [&](Dib& d, Progress& p) { return equalizeTones(d, target, r, p); });
  return err.result(rc, __LINE__);
}

OV_ERRCOUNT IG_IP_contrast_stretch(OV_IMAGE image, const OV_RECT* rect, OV_BOOL deep) {
  ErrorScope err("process");
  ImageRecord* rec = findImage(image);
  if (!rec) return err.fail(IGE_INVALID_IMAGE, __LINE__);
  OV_RECT r;
  ToneTarget target;
  if (int rc = checkTone(rec->dib, rect, deep, r, target); rc != 0) return err.fail(rc, __LINE__);
  const int rc = changeInPlace(rec->dib, 2 * rows(r),
                               [&](Dib& d, Progress& p) { return stretchTones(d, target, r, p); });
  return err.result(rc, __LINE__);
}

}  // extern "C"
