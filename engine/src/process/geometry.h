// Geometry of whole images: quarter turns, mirrors, crop, resize and merge, at depths 1, 4,
// 8 and 24. Each function reports rows to `progress` and returns 0, IGE_CANCELLED when the
// routine cancelled, or another engine error; a function building `out` leaves its source
// alone, one working in place may leave it half done on a cancel (callers run it on a copy
// then, see process/operation.h).
#pragma once

#include "core/dib.h"
#include "core/orientation.h"
#include "core/progress.h"
#include "ovengine/ov_types.h"

namespace ov {

// Vector kernels run where the processor has them; tests switch them off to check the
// portable code on the same machine.
void setVectorKernels(bool enabled);
bool vectorKernelsEnabled();

// A new width x height image of `bpp` bits with the palette and resolution of `like`.
// The caller writes every pixel (row padding and bit-packed rows start at zero).
int allocateLike(const Dib& like, int width, int height, int bpp, Dib& out);

// Turns `src` by 90 or 270 degrees clockwise into `out`; the resolutions swap.
int rotateQuarter(const Dib& src, Turn turn, Dib& out, Progress& progress);
// Mirrors in place: left-right, or top-bottom.
int mirrorHorizontal(Dib& image, Progress& progress);
int mirrorVertical(Dib& image, Progress& progress);
// Turns in place by 180 degrees.
int rotateHalf(Dib& image, Progress& progress);

// The pixels of `rect` (inside `src`) as a new image with the same palette and resolution.
int cropImage(const Dib& src, const OV_RECT& rect, Dib& out, Progress& progress);

// Nearest pixel; keeps depth and palette.
int resizeNearest(const Dib& src, int width, int height, Dib& out, Progress& progress);
// Area average when shrinking, bilinear when enlarging (per axis). 24-bit stays 24-bit;
// images whose palette is all greys become 8-bit grey; other palette images become 24-bit.
int resizeSmooth(const Dib& src, int width, int height, Dib& out, Progress& progress);

// Where a merge copies: `rows` rows of `width` pixels from (src_x, src_y) to (dst_x, dst_y).
struct MergePlacement {
  int src_x = 0, src_y = 0, dst_x = 0, dst_y = 0, width = 0, rows = 0;
};
// `rect` of the source placed with its top-left corner at (x, y) on `dst`, clipped to it;
// no rows when nothing of it lands on `dst`.
MergePlacement placeMerge(const Dib& dst, const OV_RECT& rect, int x, int y);
// Copies the placed pixels of `src` onto `dst`, converting them to the depth and palette of
// `dst`. `src` must not share pixels with `dst`.
int mergeImage(Dib& dst, const Dib& src, const MergePlacement& place, Progress& progress);

}  // namespace ov
