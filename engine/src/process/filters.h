// Smoothing, sharpening and median filters on 24-bit images and 8-bit grey ramps (see
// filterChannels). Each works in place within `rect` (inside the image), reads around it
// with the image mirrored at its edges, and changes nothing outside it. Each returns 0 or
// IGE_CANCELLED and may leave the image half done on a cancel: callers run them through
// process/operation.h.
#pragma once

#include "core/dib.h"
#include "core/progress.h"
#include "ovengine/ov_types.h"

namespace ov {

// The 1 2 1 / 2 4 2 / 1 2 1 (/16) kernel applied `passes` times (1..4), each pass on the
// result of the one before, so that the blur widens with the count. `passes` units per row.
int smoothImage(Dib& image, const OV_RECT& rect, int passes, Progress& progress);

// Unsharp masking against the mean of the eight neighbours N:
// out = in + (factor / 2) * (in - N), factor 1..5; i.e. the kernel -f all round, 16 + 8f in
// the centre, divided by 16. One unit per row.
int sharpenImage(Dib& image, const OV_RECT& rect, int factor, Progress& progress);

// Per channel, the median of the width x height (1..10) neighbourhood; for an even count
// the lower of the two middle values. An even size reaches one pixel further right (down)
// than left (up). One unit per row.
int medianImage(Dib& image, const OV_RECT& rect, int width, int height, Progress& progress);

}  // namespace ov
