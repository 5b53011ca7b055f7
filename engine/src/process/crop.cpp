#include "ovengine/ov_errors.h"
#include "process/geometry.h"
#include "process/pixel_convert.h"

namespace ov {

int cropImage(const Dib& src, const OV_RECT& rect, Dib& out, Progress& progress) {
  const int w = rect.right - rect.left + 1, h = rect.bottom - rect.top + 1;
  const int bpp = src.bitsPerPixel();
  if (int rc = allocateLike(src, w, h, bpp, out); rc != 0) return rc;
  progress.start(h);
  for (int y = 0; y < h; ++y) {
    copyPixelRun(src.row(rect.top + y), rect.left, out.row(y), 0, w, bpp);
    if (!progress.advanceTo(y + 1)) return IGE_CANCELLED;
  }
  return 0;
}

}  // namespace ov
