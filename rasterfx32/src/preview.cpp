// Preview files: the picture scaled to fit a box, centred on light grey, saved as JPEG (or as
// a bitmap when JPEG saving fails).
#include <algorithm>
#include <vector>

#include "engine_access.h"
#include "rasterfx32/rasterfx32.h"

namespace {

struct PreviewSettings {
  int32_t box_width = 75, box_height = 75;
  int32_t quality = 90;
  int32_t second = 1;
};

PreviewSettings& settings() {
  static PreviewSettings s;
  return s;
}

class Image {
 public:
  ~Image() {
    if (handle_) IG_image_delete(handle_);
  }
  OV_IMAGE* out() { return &handle_; }
  OV_IMAGE get() const { return handle_; }

 private:
  OV_IMAGE handle_ = 0;
};

// The box shrunk in one direction to the picture's proportions and centred, as the engine's
// fit does; computed from the full size so that a reduced decode fits the same box.
OV_RECT fittedBox(int width, int height, int box_w, int box_h) {
  OV_RECT r{0, 0, box_w, box_h};
  if (int64_t{box_w} * height > int64_t{box_h} * width) {
    const int fitted = static_cast<int>(int64_t{box_h} * width / height);
    r.left = (box_w - fitted) / 2;
    r.right = r.left + fitted;
  } else {
    const int fitted = static_cast<int>(int64_t{box_w} * height / width);
    r.top = (box_h - fitted) / 2;
    r.bottom = r.top + fitted;
  }
  return r;
}

bool promoteBelow24(OV_IMAGE image, bool keep_8_bit) {
  const int bits = rfx::sizeOf(image).bits;
  if (bits >= 24 || (keep_8_bit && bits == 8)) return true;
  return IG_IP_color_promote(image, 3) == 0;
}

bool makePreview(const char* source, const char* preview) {
  const PreviewSettings& s = settings();
  OV_IMAGE_INFO info{};
  if (IG_info_get(source, nullptr, nullptr, &info) != 0 || info.width < 1 || info.height < 1)
    return false;
  const OV_RECT box = fittedBox(info.width, info.height, s.box_width, s.box_height);
  const int w = box.right - box.left, h = box.bottom - box.top;
  if (w < 1 || h < 1) return false;
  // A reduced decode still leaves the interpolating resize at least a factor of two.
  Image image;
  if (OV_load_file_reduced(source, 2 * w, 2 * h, image.out()) != 0) return false;
  if (!promoteBelow24(image.get(), true)) return false;
  if (IG_IP_resize(image.get(), w, h, 2) != 0 && IG_IP_resize(image.get(), w, h, 0) != 0)
    return false;
  if (!promoteBelow24(image.get(), false)) return false;

  Image canvas;
  std::vector<uint8_t> grey(static_cast<size_t>(s.box_width) * s.box_height * 3, 192);
  if (IG_image_create_DIB_ex(s.box_width, s.box_height, 24, 0, nullptr, canvas.out()) != 0 ||
      IG_DIB_area_set(canvas.get(), nullptr, grey.data(), OV_AREA_FORMAT) != 0 ||
      IG_IP_merge(canvas.get(), image.get(), nullptr, box.left, box.top, 10) != 0)
    return false;
  IG_image_control_set(1813, 0);
  IG_image_control_set(533, s.second);
  IG_image_control_set(IG_CONTROL_JPEG_QUALITY, s.quality);
  IG_image_control_set(3093, 0);
  return IG_save_file(canvas.get(), preview, IG_FORMAT_JPG) == 0 ||
         IG_save_file(canvas.get(), preview, IG_FORMAT_BMP) == 0;
}

}  // namespace

extern "C" {

void RFX_TN_size_set(const int32_t* width, const int32_t* height) {
  if (width) settings().box_width = *width;
  if (height) settings().box_height = *height;
}

void RFX_TN_compression_set(const int32_t* quality, const int32_t* second) {
  if (quality) settings().quality = *quality;
  if (second) settings().second = *second;
}

uint8_t RFX_TN_preview_create(const char* source, const char* preview) {
  if (!source || !preview) return 0;
  return makePreview(source, preview) ? 1 : 0;
}

}  // extern "C"
