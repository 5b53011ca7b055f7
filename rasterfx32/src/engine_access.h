// Pixel areas (rows from the top, no padding, B,G,R or one byte per pixel) read and written
// through the engine, and errors recorded in the engine's list.
#pragma once

#include <cstdint>
#include <vector>

#include "ovengine/ovengine.h"

namespace rfx {

constexpr int32_t kOutOfMemory = -10000;
constexpr int32_t kUnexpectedFailure = -10002;

// Puts an error in the engine's list under the module's name.
void recordError(const char* module, int line, int32_t code);

// The byte size of the area of `rect` (null = whole image), or an engine error count.
int32_t areaSize(OV_IMAGE image, const OV_RECT* rect, int32_t& size);

// A zero-filled buffer for an area; empty when memory cannot be had.
std::vector<uint8_t> areaBuffer(int32_t size, int32_t spare = 0);

struct Size {
  int32_t width = 0, height = 0, bits = 0;
};
// Width, height and depth; all 0 for an invalid handle.
Size sizeOf(OV_IMAGE image);

// The part of `rect` inside the image, as the engine's area calls clip it (empty when none).
inline OV_RECT clipToImage(const OV_RECT& rect, const Size& size) {
  return {rect.left < 0 ? 0 : rect.left, rect.top < 0 ? 0 : rect.top,
          rect.right < size.width - 1 ? rect.right : size.width - 1,
          rect.bottom < size.height - 1 ? rect.bottom : size.height - 1};
}

}  // namespace rfx
