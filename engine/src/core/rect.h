// Pixel rectangles (inclusive) against an image.
#pragma once

#include "core/dib.h"
#include "ovengine/ov_types.h"

namespace ov {

// Null = the whole image; a rectangle hanging over the edge is clipped. An inverted
// rectangle, or one wholly outside the image, gives IGE_INVALID_RECTANGLE.
int clipToImage(const Dib& image, const OV_RECT* rect, OV_RECT& out);

inline bool rectInside(const OV_RECT& r, const Dib& d) {
  return r.left >= 0 && r.top >= 0 && r.left <= r.right && r.top <= r.bottom &&
         r.right < d.width() && r.bottom < d.height();
}

}  // namespace ov
