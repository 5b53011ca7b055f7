// TEllipseMask: a w x h byte bitmap holding 1 inside the ellipse inscribed in it.
#pragma once

#include <cstdint>

#include "memory_block.h"

namespace rfx {

class TEllipseMask {
 public:
  explicit TEllipseMask(bool fill = true) : fill_(fill) {}
  void setSize(int width, int height) {
    width_ = width;
    height_ = height;
  }
  // The bitmap, rows from the top; null when a side is 0 or less or memory is short.
  const uint8_t* build();
  int width() const { return width_; }
  int height() const { return height_; }

 private:
  bool fill_;
  int width_ = 0, height_ = 0;
  TMemory bits_;
};

}  // namespace rfx
