#include "core/orientation.h"

#include <utility>

#include "core/progress.h"
#include "ovengine/ov_errors.h"
#include "process/geometry.h"

namespace ov {

// These run inside a load, which reports its own progress.

void mirror(Dib& image, bool horizontal, bool vertical) {
  Progress silent(Progress::Silent{});
  if (horizontal && vertical)
    rotateHalf(image, silent);
  else if (horizontal)
    mirrorHorizontal(image, silent);
  else if (vertical)
    mirrorVertical(image, silent);
}

int rotate(Dib& image, Turn turn) {
  Progress silent(Progress::Silent{});
  if (turn == Turn::kNone) return IGE_SUCCESS;
  if (turn == Turn::kCw180) return rotateHalf(image, silent);
  Dib out;
  if (int rc = rotateQuarter(image, turn, out, silent); rc != 0) return rc;
  image = std::move(out);
  return IGE_SUCCESS;
}

int applyExifOrientation(Dib& image, int orientation) {
  switch (orientation) {
    case 2: mirror(image, true, false); return IGE_SUCCESS;
    case 3: return rotate(image, Turn::kCw180);
    case 4: mirror(image, false, true); return IGE_SUCCESS;
    case 5: {  // transpose: mirror left-right, then turn anticlockwise
      mirror(image, true, false);
      return rotate(image, Turn::kCw270);
    }
    case 6: return rotate(image, Turn::kCw90);
    case 7: {  // transverse: mirror left-right, then turn clockwise
      mirror(image, true, false);
      return rotate(image, Turn::kCw90);
    }
    case 8: return rotate(image, Turn::kCw270);
    default: return IGE_SUCCESS;
  }
}

}  // namespace ov
