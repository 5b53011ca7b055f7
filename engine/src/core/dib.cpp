#include "core/dib.h"

#include <cstdint>
#include <cstring>
#include <utility>

#include "core/block_store.h"
#include "core/limits.h"
#include "ovengine/ov_errors.h"

namespace ov {

Dib::Dib(Dib&& other) noexcept
    : block_(std::exchange(other.block_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      capacity_(std::exchange(other.capacity_, 0)),
      stride_(std::exchange(other.stride_, 0)) {}

Dib& Dib::operator=(Dib&& other) noexcept {
  if (this != &other) {
    release();
    block_ = std::exchange(other.block_, nullptr);
    size_ = std::exchange(other.size_, 0);
    capacity_ = std::exchange(other.capacity_, 0);
    stride_ = std::exchange(other.stride_, 0);
  }
  return *this;
}

Dib::~Dib() { release(); }

void Dib::release() {
  releaseBlock(block_, capacity_);
  block_ = nullptr;
  size_ = 0;
  capacity_ = 0;
  stride_ = 0;
}

int Dib::allocate(int width, int height, int bits_per_pixel, bool zero) {
  if (bits_per_pixel != 1 && bits_per_pixel != 4 && bits_per_pixel != 8 && bits_per_pixel != 24)
    return IGE_INVALID_BIT_DEPTH;
  if (!dimensionsAllowed(width, height)) return IGE_INVALID_ARGUMENT;
  const size_t stride = strideFor(width, bits_per_pixel);
  const size_t header = sizeof(OV_BITMAPINFOHEADER) + sizeof(OV_RGBQUAD) * paletteEntries(bits_per_pixel);
  const size_t total = header + stride * static_cast<size_t>(height);
  size_t capacity = 0;
  uint8_t* block = acquireBlock(total, zero, capacity);
  if (!block) return IGE_OUT_OF_MEMORY;
  if (!zero) std::memset(block, 0, header);
  release();
  block_ = block;
  size_ = total;
  capacity_ = capacity;
  stride_ = stride;
  OV_BITMAPINFOHEADER* h = this->header();
  h->biSize = sizeof(OV_BITMAPINFOHEADER);
  h->biWidth = width;
  h->biHeight = height;
  h->biPlanes = 1;
  h->biBitCount = static_cast<uint16_t>(bits_per_pixel);
  h->biCompression = 0;
  h->biSizeImage = static_cast<uint32_t>(stride * static_cast<size_t>(height));
  h->biClrUsed = static_cast<uint32_t>(paletteEntries(bits_per_pixel));
  setDefaultPalette(*this);
  return IGE_SUCCESS;
}

int Dib::copyFrom(const Dib& other) {
  if (other.empty()) {
    release();
    return IGE_SUCCESS;
  }
  size_t capacity = 0;
  uint8_t* block = acquireBlock(other.size_, false, capacity);
  if (!block) return IGE_OUT_OF_MEMORY;
  std::memcpy(block, other.block_, other.size_);
  release();
  block_ = block;
  size_ = other.size_;
  capacity_ = capacity;
  stride_ = other.stride_;
  return IGE_SUCCESS;
}

uint32_t Dib::indexAt(int x, int y) const {
  const uint8_t* r = row(y);
  switch (bitsPerPixel()) {
    case 1:
      return (r[x >> 3] >> (7 - (x & 7))) & 1;
    case 4:
      return (x & 1) ? (r[x >> 1] & 0x0F) : (r[x >> 1] >> 4);
    case 8:
      return r[x];
    default: {
      const uint8_t* p = r + 3 * static_cast<size_t>(x);
      return p[0] | (p[1] << 8) | (static_cast<uint32_t>(p[2]) << 16);
    }
  }
}

void Dib::setIndexAt(int x, int y, uint32_t index) {
  uint8_t* r = row(y);
  switch (bitsPerPixel()) {
    case 1: {
      const uint8_t mask = static_cast<uint8_t>(0x80 >> (x & 7));
      r[x >> 3] = (index & 1) ? (r[x >> 3] | mask) : (r[x >> 3] & ~mask);
      break;
    }
    case 4: {
      uint8_t& b = r[x >> 1];
      b = (x & 1) ? ((b & 0xF0) | (index & 0x0F)) : ((b & 0x0F) | ((index & 0x0F) << 4));
      break;
    }
    case 8:
      r[x] = static_cast<uint8_t>(index);
      break;
    default: {
      uint8_t* p = r + 3 * static_cast<size_t>(x);
      p[0] = static_cast<uint8_t>(index);
      p[1] = static_cast<uint8_t>(index >> 8);
      p[2] = static_cast<uint8_t>(index >> 16);
    }
  }
}

OV_RGB Dib::colourAt(int x, int y) const {
  const uint32_t v = indexAt(x, y);
  if (bitsPerPixel() == 24)
    return OV_RGB{static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16)};
  const OV_RGBQUAD& q = palette()[v];
  return OV_RGB{q.blue, q.green, q.red};
}

void Dib::setResolution(int32_t x_ppm, int32_t y_ppm) {
  header()->biXPelsPerMeter = x_ppm;
  header()->biYPelsPerMeter = y_ppm;
}

bool Dib::isGrayRamp() const {
  if (empty() || bitsPerPixel() != 8) return false;
  const OV_RGBQUAD* p = palette();
  for (int i = 0; i < 256; ++i)
    if (p[i].red != i || p[i].green != i || p[i].blue != i) return false;
  return true;
}

void Dib::setGrayPalette() {
  const int n = paletteSize();
  OV_RGBQUAD* p = palette();
  for (int i = 0; i < n; ++i) {
    const auto v = static_cast<uint8_t>(n > 1 ? i * 255 / (n - 1) : 0);
    p[i] = OV_RGBQUAD{v, v, v, 0};
  }
}

void setDefaultPalette(Dib& dib) {
  if (dib.bitsPerPixel() != 4) {
    dib.setGrayPalette();
    return;
  }
  // The 16 colours of the classic VGA palette.
  static constexpr uint8_t kVga[16][3] = {
      {0, 0, 0},     {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
      {0, 0, 128},   {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
      {128, 128, 128}, {255, 0, 0}, {0, 255, 0},   {255, 255, 0},
      {0, 0, 255},   {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
  for (int i = 0; i < 16; ++i)
    dib.palette()[i] = OV_RGBQUAD{kVga[i][2], kVga[i][1], kVga[i][0], 0};
}

}  // namespace ov
