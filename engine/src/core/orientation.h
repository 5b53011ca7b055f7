// Rotations and mirrors of a whole image at any engine depth.
#pragma once

#include "core/dib.h"

namespace ov {

enum class Turn { kNone, kCw90, kCw180, kCw270 };

// Mirrors left-right and/or top-bottom in place.
void mirror(Dib& image, bool horizontal, bool vertical);
// Rotates clockwise into a new image; 0 or IGE_OUT_OF_MEMORY (the image is unchanged then).
int rotate(Dib& image, Turn turn);
// Applies an EXIF/TIFF orientation value (1..8) so that the picture is upright.
int applyExifOrientation(Dib& image, int orientation);

}  // namespace ov
