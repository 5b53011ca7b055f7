// How processing calls change an image: either the whole picture is changed or nothing is.
// An operation that a progress routine could cancel works on a copy that replaces the
// image only at the end; without a routine nothing can cancel, and the work goes straight
// into the image (no extra copy on the fast path).
#pragma once

#include <utility>

#include "core/dib.h"
#include "core/progress.h"
#include "core/rect.h"
#include "ovengine/ov_errors.h"
#include "ovengine/ov_types.h"

namespace ov {

// Runs `work(Dib& pixels, Progress&)`, which changes pixels in place and returns 0 or an
// error code.
template <class Work>
int changeInPlace(Dib& image, int64_t progress_units, Work&& work) {
  Progress progress(progress_units);
  if (!progress.canCancel()) {
    return work(image, progress);
  }
  Dib copy;
  if (int rc = copy.copyFrom(image); rc != 0) return rc;
  if (int rc = work(copy, progress); rc != 0) return rc;
  if (progress.cancelled()) return IGE_CANCELLED;
  image = std::move(copy);
  return IGE_SUCCESS;
}

// Runs `make(const Dib& source, Dib& result, Progress&)`, which builds a new picture that
// replaces the image on success.
template <class Make>
int replaceWith(Dib& image, int64_t progress_units, Make&& make) {
  Progress progress(progress_units);
  Dib result;
  if (int rc = make(static_cast<const Dib&>(image), result, progress); rc != 0) return rc;
  if (progress.cancelled()) return IGE_CANCELLED;
  image = std::move(result);
  return IGE_SUCCESS;
}

}  // namespace ov
