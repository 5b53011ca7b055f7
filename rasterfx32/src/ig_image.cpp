#include "ig_image.h"

namespace rfx {

bool TigImage::create(int32_t width, int32_t height, int32_t bits) {
  OV_IMAGE image = 0;
  if (IG_image_create_DIB_ex(width, height, bits, 0, nullptr, &image) != 0) return false;
  attach(image);
  owns_ = true;
  return true;
}

bool TigImage::createMask(OV_IMAGE other, bool two_level) {
  int32_t w = 0, h = 0;
  if (IG_image_dimensions_get(other, &w, &h, nullptr) != 0 || !create(w, h, 8)) return false;
  for (int i = 0; i < 256; ++i) {
    const uint8_t v = two_level ? (i == 1 ? 255 : 0) : static_cast<uint8_t>(i);
    const OV_RGB grey{v, v, v};
    IG_palette_entry_set(image_, &grey, i);
  }
  return true;
}

void TigImage::attach(OV_IMAGE image) {
  if (!IG_image_is_valid(image)) return;
  release();
  image_ = image;
}

void TigImage::release() {
  if (image_ && owns_) IG_image_delete(image_);
  image_ = 0;
}

int32_t TigImage::width() const {
  int32_t v = 0;
  return IG_image_dimensions_get(image_, &v, nullptr, nullptr) == 0 ? v : 0;
}

int32_t TigImage::height() const {
  int32_t v = 0;
  return IG_image_dimensions_get(image_, nullptr, &v, nullptr) == 0 ? v : 0;
}

int32_t TigImage::bitsPerPixel() const {
  int32_t v = 0;
  return IG_image_dimensions_get(image_, nullptr, nullptr, &v) == 0 ? v : 0;
}

int32_t TigImage::bytesPerRow() const {
  int32_t v = 0;
  return IG_DIB_raster_size_get(image_, OV_AREA_FORMAT, &v) == 0 ? v : 0;
}

int32_t TigImage::readRow(int32_t row, void* buffer) const {
  if (!IG_image_is_valid(image_)) return -1;
  return IG_DIB_raster_get(image_, row, buffer, OV_AREA_FORMAT);
}

int32_t TigImage::writeRow(int32_t row, const void* buffer) {
  if (!IG_image_is_valid(image_)) return -1;
  return IG_DIB_raster_set(image_, row, buffer, OV_AREA_FORMAT);
}

}  // namespace rfx
