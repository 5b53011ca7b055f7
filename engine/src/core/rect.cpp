#include "core/rect.h"

#include <algorithm>

#include "ovengine/ov_errors.h"

namespace ov {

int clipToImage(const Dib& image, const OV_RECT* rect, OV_RECT& out) {
  if (!rect) {
    out = OV_RECT{0, 0, image.width() - 1, image.height() - 1};
    return IGE_SUCCESS;
  }
  if (rect->left > rect->right || rect->top > rect->bottom) return IGE_INVALID_RECTANGLE;
  out.left = std::max(rect->left, 0);
  out.top = std::max(rect->top, 0);
  out.right = std::min(rect->right, image.width() - 1);
  out.bottom = std::min(rect->bottom, image.height() - 1);
  if (out.left > out.right || out.top > out.bottom) return IGE_INVALID_RECTANGLE;
  return IGE_SUCCESS;
}

}  // namespace ov
