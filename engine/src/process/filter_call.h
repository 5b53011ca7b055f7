// What every filter and effect call does around its work: the checks (image, parameters,
// rectangle, depth, in that order) before anything is touched, then the work through
// changeInPlace, so that an error or a cancel leaves the image as it was.
#pragma once

#include <cmath>
#include <cstdint>

#include "core/error_list.h"
#include "core/image_table.h"
#include "core/rect.h"
#include "ovengine/ov_errors.h"
#include "process/convolve.h"
#include "process/operation.h"
#include "process/pixel_convert.h"

namespace ov {

inline bool within(int32_t v, int32_t lo, int32_t hi) {
  return v >= lo && v <= hi;
}
inline bool within(double v, double lo, double hi) {
  return v >= lo && v <= hi;
}  // not NaN

// Channel masks: a non-empty set of the red, green and blue bits.
inline bool validChannels(int32_t channels) {
  return within(channels, 1, 7);
}

enum class Depths {
  kFilter,          // 24 bits and 8-bit grey ramps (filterChannels)
  kThroughColours,  // those, and palette images through their colours
  kAny,             // anything an image can be
};

// Runs `work` on a palette image's colours: a 24-bit rendition of the picture is changed,
// then the pixels of `r` take the nearest palette entries, so the image keeps its depth and
// palette.
template <class Work>
int workThroughColours(Dib& image, const OV_RECT& r, Progress& progress, Work& work) {
  Dib colours;
  if (int rc = colours.allocate(image.width(), image.height(), 24, false); rc != 0) return rc;
  for (int y = 0; y < image.height(); ++y)
    rowToBgr(image.row(y), 0, image.width(), image.bitsPerPixel(), image.palette(), colours.row(y));
  if (int rc = work(colours, r, progress); rc != 0) return rc;
  PaletteMatcher nearest(image.palette(), image.paletteSize());
  for (int y = r.top; y <= r.bottom; ++y) {
    const uint8_t* p = colours.row(y) + 3 * static_cast<size_t>(r.left);
    for (int x = r.left; x <= r.right; ++x, p += 3)
      setPackedIndex(image.row(y), x, image.bitsPerPixel(), nearest.match(p[0], p[1], p[2]));
  }
  return IGE_SUCCESS;
}

// `work(Dib&, const OV_RECT& clipped, Progress&)` reports `units_per_row` units per row of
// the rectangle. `line` marks the call in the error list.
template <class Work>
OV_ERRCOUNT runOnRect(OV_IMAGE image, const OV_RECT* rect, bool arguments_ok, Depths depths,
                      int units_per_row, Work&& work, int line) {
  ErrorScope err("process");
  ImageRecord* rec = findImage(image);
  if (!rec) return err.fail(IGE_INVALID_IMAGE, line);
  if (!arguments_ok) return err.fail(IGE_INVALID_ARGUMENT, line);
  OV_RECT r;
  if (int rc = clipToImage(rec->dib, rect, r); rc != 0) return err.fail(rc, line);
  const bool filterable = filterChannels(rec->dib) != 0;
  if (depths == Depths::kFilter && !filterable) return err.fail(IGE_INVALID_BIT_DEPTH, line);
  const bool through_colours = depths == Depths::kThroughColours && !filterable;
  const int64_t units = int64_t{units_per_row} * (r.bottom - r.top + 1);
  return err.result(changeInPlace(rec->dib, units,
                                  [&](Dib& dib, Progress& progress) {
                                    const OV_RECT& clipped = r;
                                    return through_colours
                                               ? workThroughColours(dib, clipped, progress, work)
                                               : work(dib, clipped, progress);
                                  }),
                    line);
}

}  // namespace ov
