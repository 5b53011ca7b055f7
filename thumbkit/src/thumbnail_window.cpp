// Wrappers of the engine's thumbnail viewer window.
#include "thumbkit/thumbkit.h"

namespace {

constexpr uint32_t kOverlappedWindow = 0x00CF0000;  // caption, menu, sizing border, boxes

}  // namespace

extern "C" {

int32_t _Thumbnails_attributes_set(OV_HWND window, int32_t value0, int32_t value1) {
  const int32_t values[][2] = {{0, value0}, {1, value1}, {2, 1},  {3, 4},   {4, 20},
                               {5, 0},      {6, 1},      {7, 1},  {9, 2},   {10, 0},
                               {11, 25},    {12, 0},     {13, 0}};
  int32_t result = 0;
  for (const auto& [attribute, value] : values)
    result = IG_GUI_thumbnail_attribute_set(window, attribute, value);
  return result;
}

OV_HWND _Thumbnail_Create(OV_HWND parent, int32_t a, int32_t b, int32_t c, int32_t d) {
  OV_HWND window = 0;
  if (IG_GUI_thumbnail_window_create_ex(parent, kOverlappedWindow, "Orvix Viewer", b, a, c, d,
                                        &window) != 0)
    return 0;
  OV_HOST host;
  IG_host_get(&host);
  if (host.set_topmost) host.set_topmost(host.ctx, window);
  return window;
}

uint8_t _Thumbnail_Append(OV_HWND window, const char* directory, int32_t flags) {
  return IG_GUI_thumbnail_dir_append(window, directory, flags) == 0;
}

}  // extern "C"

// The one export with C++ linkage.
OV_API void Refresh_DeskTop() {}
