// Small synthetic images and comparisons for engine tests, all through the C interface.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ovengine/ovengine.h"

namespace ovtest {

// Deletes the image when it goes out of scope.
class ScopedImage {
 public:
  explicit ScopedImage(OV_IMAGE handle = 0) : handle_(handle) {}
  ScopedImage(const ScopedImage&) = delete;
  ScopedImage& operator=(const ScopedImage&) = delete;
  ~ScopedImage() { reset(); }
  void reset(OV_IMAGE handle = 0) {
    if (handle_) IG_image_delete(handle_);
    handle_ = handle;
  }
  OV_IMAGE get() const { return handle_; }
  OV_IMAGE* out() {
    reset();
    return &handle_;
  }

 private:
  OV_IMAGE handle_;
};

enum class Pattern {
  kColourful,  // every palette entry used; 24-bit: gradients with fine detail
  kGray,       // 8-bit grey ramp palette; 24-bit: grey pixels
};

// A width x height image of 1, 4, 8 or 24 bits with a deterministic picture. 1-bit images
// are black and white; 4-bit images use 16 distinct colours; 8-bit colourful images 256.
OV_IMAGE makeImage(int width, int height, int bits_per_pixel, Pattern pattern = Pattern::kColourful);

// The colour of every pixel, row by row from the top.
std::vector<OV_RGB> coloursOf(OV_IMAGE image);
// Number of pixels whose colours differ; -1 when the sizes differ.
int64_t differingPixels(OV_IMAGE a, OV_IMAGE b);
// Peak signal-to-noise ratio over the three channels (infinity when identical).
double psnr(OV_IMAGE a, OV_IMAGE b);
// Width, height and depth as "WxHxB".
std::string shapeOf(OV_IMAGE image);

// Takes the oldest pending engine error code off the list (0 when none).
int32_t takeErrorCode();

std::vector<uint8_t> readFile(const std::string& path);
void writeFile(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace ovtest
