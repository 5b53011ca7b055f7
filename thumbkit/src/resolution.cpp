#include "ovengine/ovengine.h"
#include "thumbkit/thumbkit.h"

namespace {
// The library's version, as the program's about box and packaging name it.
[[maybe_unused]] __attribute__((used)) const char kThumbkitVersion[] = "thumbkit 1.0.0.56";
}  // namespace

extern "C" uint8_t _GetImageDPI(OV_IMAGE image, int32_t* dpi_x, int32_t* dpi_y, int32_t fallback) {
  OV_BITMAPINFOHEADER* header = nullptr;
  int32_t x = fallback, y = fallback;
  if (IG_image_DIB_pntr_get(image, &header) == 0 && header) {
    x = IG_convert_PPM_to_DPI(header->biXPelsPerMeter);
    y = IG_convert_PPM_to_DPI(header->biYPelsPerMeter);
  }
  if (dpi_x) *dpi_x = x;
  if (dpi_y) *dpi_y = y;
  return 1;
}

extern "C" uint8_t _VORN_image_inch_get(int32_t width, int32_t height, int32_t dpi_x, int32_t dpi_y,
                                        double* inch_width, double* inch_height) {
  const bool divisible = dpi_x != 0 && dpi_y != 0;
  if (inch_width) *inch_width = divisible ? static_cast<double>(width) / dpi_x : 0.0;
  if (inch_height) *inch_height = divisible ? static_cast<double>(height) / dpi_y : 0.0;
  return 1;
}
