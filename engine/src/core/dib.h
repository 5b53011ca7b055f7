// A packed device-independent bitmap: 40-byte header, palette, bottom-up rows padded to
// 4 bytes, in one allocation so that IG_image_DIB_pntr_get can hand out a pointer to it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "ovengine/ov_types.h"

namespace ov {

class Dib {
 public:
  Dib() = default;
  Dib(const Dib&) = delete;
  Dib& operator=(const Dib&) = delete;
  Dib(Dib&& other) noexcept;
  Dib& operator=(Dib&& other) noexcept;
  ~Dib();

  // Allocates a width x height image of 1, 4, 8 or 24 bits with the default palette.
  // Pixels are zero when `zero` is set, else left as allocated (the caller fills every row).
  // Returns 0 or an engine error code (bad size or depth, out of memory).
  int allocate(int width, int height, int bits_per_pixel, bool zero = true);
  // A deep copy; 0 or IGE_OUT_OF_MEMORY.
  int copyFrom(const Dib& other);

  bool empty() const { return block_ == nullptr; }
  int width() const { return header()->biWidth; }
  int height() const { return header()->biHeight; }
  int bitsPerPixel() const { return header()->biBitCount; }
  int paletteSize() const { return paletteEntries(bitsPerPixel()); }
  size_t stride() const { return stride_; }
  size_t pixelBytes() const { return stride_ * static_cast<size_t>(height()); }
  size_t totalBytes() const { return size_; }

  OV_BITMAPINFOHEADER* header() { return reinterpret_cast<OV_BITMAPINFOHEADER*>(block_); }
  const OV_BITMAPINFOHEADER* header() const {
    return reinterpret_cast<const OV_BITMAPINFOHEADER*>(block_);
  }
  OV_RGBQUAD* palette() { return reinterpret_cast<OV_RGBQUAD*>(block_ + sizeof(OV_BITMAPINFOHEADER)); }
  const OV_RGBQUAD* palette() const {
    return reinterpret_cast<const OV_RGBQUAD*>(block_ + sizeof(OV_BITMAPINFOHEADER));
  }
  uint8_t* bits() { return block_ + bitsOffset(); }
  const uint8_t* bits() const { return block_ + bitsOffset(); }
  // Row y counted from the top of the picture.
  uint8_t* row(int y) { return bits() + static_cast<size_t>(height() - 1 - y) * stride_; }
  const uint8_t* row(int y) const {
    return bits() + static_cast<size_t>(height() - 1 - y) * stride_;
  }

  // Palette index or, for 24 bits, 0x00RRGGBB of pixel (x, y); no bounds checks.
  uint32_t indexAt(int x, int y) const;
  void setIndexAt(int x, int y, uint32_t index);
  // The colour of a pixel whatever the depth.
  OV_RGB colourAt(int x, int y) const;

  void setResolution(int32_t x_ppm, int32_t y_ppm);
  bool isGrayRamp() const;
  void setGrayPalette();

  static int paletteEntries(int bits_per_pixel) {
    return bits_per_pixel <= 8 ? 1 << bits_per_pixel : 0;
  }
  static size_t strideFor(int width, int bits_per_pixel) {
    return ((static_cast<size_t>(width) * bits_per_pixel + 31) / 32) * 4;
  }

 private:
  size_t bitsOffset() const {
    return sizeof(OV_BITMAPINFOHEADER) + sizeof(OV_RGBQUAD) * paletteEntries(bitsPerPixel());
  }
  void release();

  uint8_t* block_ = nullptr;
  size_t size_ = 0;      // bytes in use
  size_t capacity_ = 0;  // bytes of the block
  size_t stride_ = 0;
};

// Fills a palette with the default entries for a depth (see IG_image_create_DIB_ex).
void setDefaultPalette(Dib& dib);

}  // namespace ov
