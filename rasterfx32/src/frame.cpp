// The library frame: host instance, progress routine, area copies, module entries.
#include <algorithm>
#include <atomic>
#include <cstring>

#include "engine_access.h"
#include "progress_report.h"
#include "rasterfx32/rasterfx32.h"

namespace rfx {
namespace {

uintptr_t g_instance = 0;
RFX_PROGRESS_CB g_progress = nullptr;

}  // namespace

RFX_PROGRESS_CB progressCallback() { return g_progress; }
void setProgressCallback(RFX_PROGRESS_CB callback) { g_progress = callback; }

}  // namespace rfx

using namespace rfx;

extern "C" {

uintptr_t SetAppHinstance(uintptr_t instance) {
  g_instance = instance;
  return instance;
}

RFX_PROGRESS_CB PCB_register(RFX_PROGRESS_CB callback) {
  setProgressCallback(callback);
  return callback;
}

void Swap_image_data(OV_IMAGE source, OV_IMAGE destination, const OV_RECT* rect) {
  int32_t size = 0;
  if (areaSize(source, rect, size) != 0) return;
  std::vector<uint8_t> buffer = areaBuffer(size);
  if (buffer.empty()) return;
  if (IG_DIB_area_get(source, rect, buffer.data(), OV_AREA_FORMAT) != 0) return;
  IG_DIB_area_set(destination, rect, buffer.data(), OV_AREA_FORMAT);
}

int32_t Image_from_Rect(OV_IMAGE source, OV_IMAGE* image, const OV_RECT* rect) {
  if (!rect || !image) return -1;
  const Size s = sizeOf(source);
  int32_t size = 0;
  if (int32_t rc = areaSize(source, rect, size); rc != 0) return rc;
  // The engine clips the area to the image, so the new image takes the clipped size.
  const OV_RECT inside = clipToImage(*rect, s);
  const int32_t width = inside.right - inside.left + 1, height = inside.bottom - inside.top + 1;
  std::vector<uint8_t> buffer = areaBuffer(size);
  if (buffer.empty()) return -1;
  IG_DIB_area_get(source, rect, buffer.data(), OV_AREA_FORMAT);
  OV_IMAGE created = 0;
  if (int32_t rc = IG_image_create_DIB_ex(width, height, s.bits, 0, nullptr, &created); rc != 0)
    return rc;
  *image = created;
  return IG_DIB_area_set(created, nullptr, buffer.data(), OV_AREA_FORMAT);
}

}  // extern "C"

// Module start and end entries: each counts its calls and does nothing else.
namespace {
std::atomic<int> g_module_calls{0};
}
#define RFX_MODULE(name)                                              \
  extern "C" RFX_API void name##_Initialize() { ++g_module_calls; } \
  extern "C" RFX_API void name##_Finalize() { ++g_module_calls; }
RFX_MODULE(Airbrush)
RFX_MODULE(Brightness_contrast)
RFX_MODULE(Cloneimage)
RFX_MODULE(Colorbal)
RFX_MODULE(Common)
RFX_MODULE(Contiguous_region)
RFX_MODULE(Oilpaint)
RFX_MODULE(Pixelregion)
RFX_MODULE(Shapes)
RFX_MODULE(Undoredo)
RFX_MODULE(Redeyered)
RFX_MODULE(Point_class)
RFX_MODULE(Memclass)
RFX_MODULE(Ellpse)
RFX_MODULE(Igimage)
