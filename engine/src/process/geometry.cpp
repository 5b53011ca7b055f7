#include "process/geometry.h"

#include <atomic>
#include <cstdint>
#include <cstring>

namespace ov {
namespace {

std::atomic<bool> g_vector_kernels{true};

// Large results (backed by huge pages, see Dib::allocate) are faulted in up front, so that
// the kernel clearing fresh pages does not evict the working set of an operation halfway
// through.
void prepareLargeResult(Dib& image) {
  constexpr size_t kPage = 4096;
  constexpr size_t kMinBytes = size_t{4} << 20;
  if (image.pixelBytes() < kMinBytes) return;
  const auto start = reinterpret_cast<uintptr_t>(image.bits());
  const uintptr_t first = (start + kPage - 1) & ~(kPage - 1);
  const uintptr_t end = (start + image.pixelBytes()) & ~(kPage - 1);
  if (end <= first) return;
  // Every pixel is written afterwards, so a zero per page changes nothing.
  for (uintptr_t page = first; page < end; page += kPage)
    *reinterpret_cast<volatile uint8_t*>(page) = 0;
}

}  // namespace

void setVectorKernels(bool enabled) { g_vector_kernels = enabled; }
bool vectorKernelsEnabled() { return g_vector_kernels; }

int allocateLike(const Dib& like, int width, int height, int bpp, Dib& out) {
  // Every caller writes every pixel; rows of whole-byte pixels then only need their padding
  // cleared, while bit-packed rows, written pixel by pixel, start from zero.
  const bool packed = bpp < 8;
  if (int rc = out.allocate(width, height, bpp, packed); rc != 0) return rc;
  const size_t used = static_cast<size_t>(width) * (bpp / 8);
  if (!packed && used < out.stride())
    for (int y = 0; y < height; ++y) std::memset(out.row(y) + used, 0, out.stride() - used);
  prepareLargeResult(out);
  if (bpp == like.bitsPerPixel())
    std::memcpy(out.palette(), like.palette(), sizeof(OV_RGBQUAD) * out.paletteSize());
  out.setResolution(like.header()->biXPelsPerMeter, like.header()->biYPelsPerMeter);
  return 0;
}

}  // namespace ov
