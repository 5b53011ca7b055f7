// One saved rectangle of pixels; undoing swaps it with the image, so undoing again redoes.
#include <cstring>
#include <optional>

#include "engine_access.h"
#include "memory_block.h"
#include "rasterfx32/rasterfx32.h"

namespace {

struct UndoArea {
  rfx::TMemory block;
  std::optional<OV_RECT> rect;  // none = the whole image
  int32_t tag = 0;

  const OV_RECT* rectOrNull() const { return rect ? &*rect : nullptr; }
};

UndoArea& saved() {
  static UndoArea area;
  return area;
}

}  // namespace

extern "C" {

void Undo_area_free(void) {
  UndoArea& u = saved();
  u.block.setSize(0);
  u.rect.reset();
  u.tag = 0;
}

uint8_t Undo_area_set(OV_IMAGE image, const OV_RECT* rect, int32_t tag) {
  Undo_area_free();
  UndoArea& u = saved();
  if (rect) u.rect = *rect;
  int32_t size = 0;
  if (rfx::areaSize(image, u.rectOrNull(), size) != 0 || !u.block.setSize(size)) {
    Undo_area_free();
    return 0;
  }
  IG_DIB_area_get(image, u.rectOrNull(), u.block.data(), OV_AREA_FORMAT);
  u.tag = tag;
  return 1;
}

uint8_t Undo_last_operation(OV_IMAGE image, OV_IMAGE second) {
  UndoArea& u = saved();
  rfx::TMemory current;
  if (u.block.size() <= 0 || !current.setSize(u.block.size())) return 0;
  // An image of another size or depth would not fit the saved bytes.
  int32_t size = 0;
  if (rfx::areaSize(image, u.rectOrNull(), size) != 0 || size != u.block.size()) return 0;
  IG_DIB_area_get(image, u.rectOrNull(), current.data(), OV_AREA_FORMAT);
  IG_DIB_area_set(image, u.rectOrNull(), u.block.data(), OV_AREA_FORMAT);
  if (IG_image_is_valid(second)) IG_DIB_area_set(second, u.rectOrNull(), u.block.data(), OV_AREA_FORMAT);
  std::memcpy(u.block.data(), current.data(), static_cast<size_t>(u.block.size()));
  return 1;
}

}  // extern "C"
