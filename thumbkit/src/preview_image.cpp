// A 75 x 75 preview picture of an image file: scaled to fit, centred on light grey, saved as
// JPEG or, when that fails, as an uncompressed bitmap.
#include <vector>

#include "thumbkit/thumbkit.h"

namespace {

constexpr int kBox = 75;

class Image {
 public:
  ~Image() {
    if (IG_image_is_valid(handle_)) IG_image_delete(handle_);
  }
  OV_IMAGE* out() { return &handle_; }
  OV_IMAGE get() const { return handle_; }

 private:
  OV_IMAGE handle_ = 0;
};

// Fitted size of a width x height picture in the box, truncating.
void fittedSize(int width, int height, int& w, int& h) {
  h = static_cast<int>(int64_t{kBox} * height / width);
  w = kBox;
  if (h > kBox) {
    w = static_cast<int>(int64_t{kBox} * width / height);
    h = kBox;
  }
}

bool promoteBelow24(OV_IMAGE image, bool keep_8_bit) {
  int32_t bits = 0;
  if (IG_image_dimensions_get(image, nullptr, nullptr, &bits) != 0) return false;
  if (bits >= 24 || (keep_8_bit && bits == 8)) return true;
  return IG_IP_color_promote(image, 3) == 0;
}

// Steps after loading; false at the first engine error.
bool compose(OV_IMAGE source, int w, int h, Image& canvas) {
  if (!promoteBelow24(source, true)) return false;
  if (IG_IP_resize(source, w, h, 2) != 0 && IG_IP_resize(source, w, h, 0) != 0) return false;
  if (!promoteBelow24(source, false)) return false;
  if (IG_image_create_DIB_ex(kBox, kBox, 24, 0, nullptr, canvas.out()) != 0) return false;
  const std::vector<uint8_t> grey(kBox * kBox * 3, 192);
  if (IG_DIB_area_set(canvas.get(), nullptr, grey.data(), OV_AREA_FORMAT) != 0) return false;
  const int x = w == kBox ? 0 : (kBox - w) / 2;
  const int y = w == kBox ? (kBox - h) / 2 : 0;
  return IG_IP_merge(canvas.get(), source, nullptr, x, y, 10) == 0;
}

}  // namespace

extern "C" uint8_t _Create_Preview_Image(const char* source, const char* preview) {
  if (!source || !preview) return 0;
  OV_IMAGE_INFO info{};
  if (IG_info_get(source, nullptr, nullptr, &info) != 0 || info.width < 1 || info.height < 1)
    return 0;
  int w = 0, h = 0;
  fittedSize(info.width, info.height, w, h);
  // A reduced decode still leaves the interpolating resize at least a factor of two.
  Image image;
  if (OV_load_file_reduced(source, 2 * w > 0 ? 2 * w : 1, 2 * h > 0 ? 2 * h : 1, image.out()) != 0)
    return 0;
  Image canvas;
  const bool composed = compose(image.get(), w, h, canvas);
  if (!composed || IG_save_file(canvas.get(), preview, IG_FORMAT_JPG) != 0)
    IG_save_file(canvas.get(), preview, IG_FORMAT_BMP);
  return IG_info_get(preview, nullptr, nullptr, nullptr) == 0;
}
