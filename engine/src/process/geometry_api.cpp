// The geometry calls. Arguments are checked before anything is touched; the work runs
// through changeInPlace / replaceWith so that an error or a cancel changes nothing.
#include "core/error_list.h"
#include "core/image_table.h"
#include "core/limits.h"
#include "core/rect.h"
#include "ovengine/ov_errors.h"
#include "ovengine/ov_process.h"
#include "process/geometry.h"
#include "process/operation.h"

using namespace ov;

namespace {

constexpr int32_t kMergeCopy = 10;
constexpr int32_t kResizeNearest = 0;
constexpr int32_t kResizeInterpolate = 2;

// The image rectangle names pixels of the old picture; after a change of size it is gone.
void sizeChanged(ImageRecord& rec) {
  rec.has_image_rect = false;
}

}  // namespace

extern "C" {

OV_ERRCOUNT IG_IP_rotate_multiple_90(OV_IMAGE image, int32_t multiple) {
  ErrorScope err("process");
  ImageRecord* rec = findImage(image);
  if (!rec) return err.fail(IGE_INVALID_IMAGE, __LINE__);
  if (multiple < 1 || multiple > 3) return err.fail(IGE_INVALID_ARGUMENT, __LINE__);
  Dib& dib = rec->dib;
  if (multiple == 2) {
    return err.result(changeInPlace(dib, dib.height(), rotateHalf), __LINE__);
  }
  const Turn turn = multiple == 1 ? Turn::kCw90 : Turn::kCw270;
  const int rc = replaceWith(dib, dib.width(), [turn](const Dib& src, Dib& out, Progress& p) {
    return rotateQuarter(src, turn, out, p);
  });
  if (rc == 0) sizeChanged(*rec);
  return err.result(rc, __LINE__);
}

OV_ERRCOUNT IG_IP_flip(OV_IMAGE image, int32_t direction) {
  ErrorScope err("process");
  ImageRecord* rec = findImage(image);
  if (!rec) return err.fail(IGE_INVALID_IMAGE, __LINE__);
  if (direction != 0 && direction != 1) return err.fail(IGE_INVALID_ARGUMENT, __LINE__);
  Dib& dib = rec->dib;
  const int rc =
      changeInPlace(dib, dib.height(), direction == 0 ? mirrorHorizontal : mirrorVertical);
  return err.result(rc, __LINE__);
}

OV_ERRCOUNT IG_IP_crop(OV_IMAGE image, const OV_RECT* rect) {
  ErrorScope err("process");
  ImageRecord* rec = findImage(image);
  if (!rec) return err.fail(IGE_INVALID_IMAGE, __LINE__);
  Dib& dib = rec->dib;
  const OV_RECT r = rect ? *rect : OV_RECT{0, 0, dib.width() - 1, dib.height() - 1};
  if (!rectInside(r, dib)) return err.fail(IGE_INVALID_RECTANGLE, __LINE__);
  const int rc = replaceWith(
      dib, r.bottom - r.top + 1,
      [&r](const Dib& src, Dib& out, Progress& p) { return cropImage(src, r, out, p); });
  if (rc == 0) sizeChanged(*rec);
  return err.result(rc, __LINE__);
}

OV_ERRCOUNT IG_IP_resize(OV_IMAGE image, int32_t width, int32_t height, int32_t mode) {
  ErrorScope err("process");
  ImageRecord* rec = findImage(image);
  if (!rec) return err.fail(IGE_INVALID_IMAGE, __LINE__);
  if (mode != kResizeNearest && mode != kResizeInterpolate)
    return err.fail(IGE_INVALID_ARGUMENT, __LINE__);
  if (!dimensionsAllowed(width, height)) return err.fail(IGE_INVALID_ARGUMENT, __LINE__);
  const int rc = replaceWith(rec->dib, height, [=](const Dib& src, Dib& out, Progress& p) {
    return mode == kResizeNearest ? resizeNearest(src, width, height, out, p)
                                  : resizeSmooth(src, width, height, out, p);
  });
  if (rc == 0) sizeChanged(*rec);
  return err.result(rc, __LINE__);
}

OV_ERRCOUNT IG_IP_merge(OV_IMAGE target, OV_IMAGE source, const OV_RECT* source_rect, int32_t x,
                        int32_t y, int32_t mode) {
  ErrorScope err("process");
  ImageRecord* dst = findImage(target);
  const ImageRecord* src = findImage(source);
  if (!dst || !src) return err.fail(IGE_INVALID_IMAGE, __LINE__);
  if (mode != kMergeCopy) return err.fail(IGE_INVALID_ARGUMENT, __LINE__);
  OV_RECT r;
  if (int rc = clipToImage(src->dib, source_rect, r); rc != 0) return err.fail(rc, __LINE__);
  const MergePlacement place = placeMerge(dst->dib, r, x, y);
  // Merging an image onto itself reads from a snapshot, so that no pixel is read after it
  // was overwritten.
  Dib snapshot;
  const Dib* from = &src->dib;
  if (dst == src && place.rows > 0) {
    if (int rc = snapshot.copyFrom(src->dib); rc != 0) return err.fail(rc, __LINE__);
    from = &snapshot;
  }
  const int rc = changeInPlace(dst->dib, place.rows,
                               [&](Dib& d, Progress& p) { return mergeImage(d, *from, place, p); });
  return err.result(rc, __LINE__);
}

}  // extern "C"
