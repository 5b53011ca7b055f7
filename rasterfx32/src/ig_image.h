// TigImage: an engine image handle the library may own, with row access in area format.
#pragma once

#include <cstdint>

#include "ovengine/ovengine.h"

namespace rfx {

class TigImage {
 public:
  TigImage() = default;
  TigImage(const TigImage&) = delete;
  TigImage& operator=(const TigImage&) = delete;
  ~TigImage() { release(); }

  // A new image of the given size and depth; false when the engine refuses.
  bool create(int32_t width, int32_t height, int32_t bits);
  // A new 8-bit mask of `other`'s size, all 0, with a grey (or black/white) palette.
  bool createMask(OV_IMAGE other, bool two_level = false);
  // Takes a valid handle, releasing the previous one; an invalid handle is ignored.
  void attach(OV_IMAGE image);
  // Deletes the engine image when owned.
  void release();
  void setOwns(bool owns) { owns_ = owns; }

  OV_IMAGE handle() const { return image_; }
  int32_t width() const;
  int32_t height() const;
  int32_t bitsPerPixel() const;
  int32_t bytesPerRow() const;
  // -1 on an invalid handle, else the engine's result.
  int32_t readRow(int32_t row, void* buffer) const;
  int32_t writeRow(int32_t row, const void* buffer);

 private:
  OV_IMAGE image_ = 0;
  bool owns_ = true;
};

}  // namespace rfx
