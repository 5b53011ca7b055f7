// The thumbnail viewer window, which the program provides through the host table.
#include "core/error_list.h"
#include "core/host.h"
#include "ovengine/ovengine.h"

using namespace ov;

extern "C" {

OV_ERRCOUNT IG_GUI_thumbnail_window_create_ex(OV_HWND parent, uint32_t style, const char* title,
                                              int32_t x, int32_t y, int32_t width,
                                              int32_t height, OV_HWND* window) {
  ErrorScope err("gui");
  if (!window) return err.fail(IGE_INVALID_ARGUMENT, __LINE__);
  *window = host::thumbCreate(parent, style, title ? title : "", x, y, width, height);
  return *window ? 0 : err.fail(IGE_WINDOW_SERVICE_FAILED, __LINE__);
}

OV_ERRCOUNT IG_GUI_thumbnail_attribute_set(OV_HWND window, int32_t attribute, int32_t value) {
  ErrorScope err("gui");
  return host::thumbAttribute(window, attribute, value) == 0
             ? 0
             : err.fail(IGE_WINDOW_SERVICE_FAILED, __LINE__);
}

OV_ERRCOUNT IG_GUI_thumbnail_dir_append(OV_HWND window, const char* directory, int32_t flags) {
  ErrorScope err("gui");
  if (!directory) return err.fail(IGE_INVALID_ARGUMENT, __LINE__);
  return host::thumbAppend(window, directory, flags) ? 0 : err.fail(IGE_WINDOW_SERVICE_FAILED, __LINE__);
}

}  // extern "C"
