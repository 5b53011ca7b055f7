#include "engine_access.h"

#include <cstddef>
#include <new>

namespace rfx {

void recordError(const char* module, int line, int32_t code) { IG_error_set(module, line, code, 0, 0); }

int32_t areaSize(OV_IMAGE image, const OV_RECT* rect, int32_t& size) {
  size = 0;
  return IG_DIB_area_size_get(image, rect, OV_AREA_FORMAT, &size);
}

std::vector<uint8_t> areaBuffer(int32_t size, int32_t spare) {
  if (size <= 0) return {};
  try {
    return std::vector<uint8_t>(static_cast<size_t>(size) + static_cast<size_t>(spare), 0);
  } catch (const std::bad_alloc&) {
    return {};
  }
}

Size sizeOf(OV_IMAGE image) {
  Size s;
  if (IG_image_dimensions_get(image, &s.width, &s.height, &s.bits) != 0) return {};
  return s;
}

}  // namespace rfx
