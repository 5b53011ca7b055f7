// Display settings kept per image.
#include <algorithm>

#include "core/error_list.h"
#include "core/image_table.h"
#include "ovengine/ovengine.h"

using namespace ov;

extern "C" {

OV_ERRCOUNT IG_display_LUT_set(OV_IMAGE image, const uint8_t* red, const uint8_t* green,
                               const uint8_t* blue) {
  ErrorScope err("display");
  if (!red || !green || !blue) return err.fail(IGE_INVALID_ARGUMENT, __LINE__);
  ImageRecord* rec = findImage(image);
  if (!rec) return err.fail(IGE_INVALID_IMAGE, __LINE__);
  DisplayState& d = rec->display;
  std::copy(red, red + 256, d.lut_red.begin());
  std::copy(green, green + 256, d.lut_green.begin());
  std::copy(blue, blue + 256, d.lut_blue.begin());
  d.lut_on = true;
  return 0;
}

OV_ERRCOUNT IG_display_LUT_remove(OV_IMAGE image) {
  ErrorScope err("display");
  ImageRecord* rec = findImage(image);
  if (!rec) return err.fail(IGE_INVALID_IMAGE, __LINE__);
  rec->display.lut_on = false;
  return 0;
}

OV_ERRCOUNT IG_display_LUT_get(OV_IMAGE image, uint8_t* red, uint8_t* green, uint8_t* blue,
                               OV_BOOL* on) {
  ErrorScope err("display");
  const ImageRecord* rec = findImage(image);
  if (!rec) return err.fail(IGE_INVALID_IMAGE, __LINE__);
  const DisplayState& d = rec->display;
  if (red) std::copy(d.lut_red.begin(), d.lut_red.end(), red);
  if (green) std::copy(d.lut_green.begin(), d.lut_green.end(), green);
  if (blue) std::copy(d.lut_blue.begin(), d.lut_blue.end(), blue);
  if (on) *on = d.lut_on;
  return 0;
}

OV_ERRCOUNT IG_display_adjust_aspect(OV_IMAGE image, OV_RECT* rect, int32_t mode) {
  ErrorScope err("display");
  const ImageRecord* rec = findImage(image);
  if (!rec) return err.fail(IGE_INVALID_IMAGE, __LINE__);
  if (!rect || mode != 1) return err.fail(IGE_INVALID_ARGUMENT, __LINE__);
  const int64_t box_w = int64_t{rect->right} - rect->left;
  const int64_t box_h = int64_t{rect->bottom} - rect->top;
  if (box_w <= 0 || box_h <= 0) return err.fail(IGE_INVALID_RECTANGLE, __LINE__);
  const int64_t w = rec->dib.width(), h = rec->dib.height();
  // Shrink the side that is too long for the picture's proportions and centre it.
  if (box_w * h > box_h * w) {
    const int64_t fitted = box_h * w / h;
    rect->left += static_cast<int32_t>((box_w - fitted) / 2);
    rect->right = rect->left + static_cast<int32_t>(fitted);
  } else {
    const int64_t fitted = box_w * h / w;
    rect->top += static_cast<int32_t>((box_h - fitted) / 2);
    rect->bottom = rect->top + static_cast<int32_t>(fitted);
  }
  return 0;
}

}  // extern "C"
