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
  kFilter,  // 24 bits and 8-bit grey ramps (filterChannels)
  kAny,     // anything an image can be
};

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
  if (depths == Depths::kFilter && filterChannels(rec->dib) == 0)
    return err.fail(IGE_INVALID_BIT_DEPTH, line);
  const int64_t units = int64_t{units_per_row} * (r.bottom - r.top + 1);
  return err.result(changeInPlace(rec->dib, units,
                                  [&](Dib& dib, Progress& progress) {
                                    return work(dib, static_cast<const OV_RECT&>(r), progress);
                                  }),
                    line);
}

}  // namespace ov
