// Twist: square blocks of the rectangle turned in place. A band of whole blocks is copied
// out as pixel values and written back turned, so it works the same at every depth; the
// band of 1- and 4-bit images goes through indexAt / setIndexAt.
#include <cstring>
#include <vector>

#include "ovengine/ov_errors.h"
#include "process/effects.h"
#include "process/pseudo_random.h"

namespace ov {
namespace {

constexpr int kRandomTurn = 4;

class Band {
 public:
  Band(Dib& image, int left, int width, int size)
      : image_(image),
        left_(left),
        width_(width),
        size_(size),
        bytes_(image.bitsPerPixel() == 24 ? 3 : 1),
        pixels_(static_cast<size_t>(width) * size * bytes_) {}

  void copyOut(int top) {
    for (int j = 0; j < size_; ++j) {
      uint8_t* to = at(0, j);
      if (image_.bitsPerPixel() >= 8)
        std::memcpy(to, image_.row(top + j) + left_ * bytes_, static_cast<size_t>(width_) * bytes_);
      else
        for (int i = 0; i < width_; ++i)
          to[i] = static_cast<uint8_t>(image_.indexAt(left_ + i, top + j));
    }
  }

  // Block `block` written to the image turned clockwise by `turn` quarter turns.
  void writeTurned(int top, int block, int turn) {
    const int n = size_, x0 = block * n;
    for (int y = 0; y < n; ++y)
      for (int x = 0; x < n; ++x) {
        int sx, sy;  // source of result pixel (x, y) within the block
        switch (turn) {
          case 1:
            sx = y, sy = n - 1 - x;
            break;
          case 2:
            sx = n - 1 - x, sy = n - 1 - y;
            break;
          default:
            sx = n - 1 - y, sy = x;
            break;
        }
        put(left_ + x0 + x, top + y, at(x0 + sx, sy));
      }
  }

 private:
  uint8_t* at(int x, int y) { return &pixels_[(static_cast<size_t>(y) * width_ + x) * bytes_]; }
  void put(int x, int y, const uint8_t* value) {
    if (bytes_ == 3) {
      uint8_t* p = image_.row(y) + static_cast<size_t>(x) * 3;
      p[0] = value[0], p[1] = value[1], p[2] = value[2];
    } else if (image_.bitsPerPixel() == 8) {
      image_.row(y)[x] = *value;
    } else {
      image_.setIndexAt(x, y, *value);
    }
  }

  Dib& image_;
  int left_, width_, size_;
  size_t bytes_;
  std::vector<uint8_t> pixels_;
};

}  // namespace

int twistBlocks(Dib& image, const OV_RECT& rect, int turn, int size, Progress& progress) {
  const int blocks_across = (rect.right - rect.left + 1) / size;
  const int bands = (rect.bottom - rect.top + 1) / size;
  const int64_t rows = rect.bottom - rect.top + 1;
  if (blocks_across == 0 || bands == 0)
    return progress.advanceTo(rows) ? IGE_SUCCESS : IGE_CANCELLED;
  PseudoRandom random(
      seedOf({uint64_t{'T'}, uint64_t(image.width()), uint64_t(image.height()), uint64_t(rect.left),
              uint64_t(rect.top), uint64_t(rect.right), uint64_t(rect.bottom), uint64_t(size)}));
  Band band(image, rect.left, blocks_across * size, size);
  for (int b = 0; b < bands; ++b) {
    const int top = rect.top + b * size;
    band.copyOut(top);
    for (int block = 0; block < blocks_across; ++block) {
      const int t = turn == kRandomTurn ? 1 + static_cast<int>(random.below(3)) : turn;
      band.writeTurned(top, block, t);
    }
    if (!progress.advanceTo(top + size - rect.top)) return IGE_CANCELLED;
  }
  return progress.advanceTo(rows) ? IGE_SUCCESS : IGE_CANCELLED;
}

}  // namespace ov
