// Channel operations: red/blue exchange and inversion.
#include <utility>

#include "ovengine/ov_errors.h"
#include "process/colour.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define OV_CHANNEL_SIMD 1
#endif

namespace ov {
namespace {

#ifdef OV_CHANNEL_SIMD
// Shuffle masks for red/blue exchange in blocks of 48 bytes (16 pixels) held in three
// registers: mask[out][in] picks the bytes of output register `out` found in input register
// `in`, zeroing the rest.
struct SwapMasks {
  alignas(16) int8_t mask[3][3][16];
};

constexpr SwapMasks makeSwapMasks() {
  SwapMasks m{};
  for (int k = 0; k < 48; ++k) {
    const int source = 3 * (k / 3) + 2 - k % 3;
    for (int in = 0; in < 3; ++in)
      m.mask[k / 16][in][k % 16] = static_cast<int8_t>(source / 16 == in ? source % 16 : -1);
  }
  return m;
}

constexpr SwapMasks kSwapMasks = makeSwapMasks();

__attribute__((target("ssse3"))) inline __m128i pick(__m128i v, int out, int in) {
  return _mm_shuffle_epi8(
      v, _mm_load_si128(reinterpret_cast<const __m128i*>(kSwapMasks.mask[out][in])));
}

// Returns the pixels done; the caller finishes the row.
__attribute__((target("ssse3"))) int swapRowSsse3(uint8_t* p, int width) {
  int x = 0;
  for (; x + 16 <= width; x += 16, p += 48) {
    auto* v = reinterpret_cast<__m128i*>(p);
    const __m128i a = _mm_loadu_si128(v), b = _mm_loadu_si128(v + 1), c = _mm_loadu_si128(v + 2);
    // Only neighbouring registers share pixels.
    _mm_storeu_si128(v, _mm_or_si128(pick(a, 0, 0), pick(b, 0, 1)));
    _mm_storeu_si128(v + 1,
                     _mm_or_si128(_mm_or_si128(pick(a, 1, 0), pick(b, 1, 1)), pick(c, 1, 2)));
    _mm_storeu_si128(v + 2, _mm_or_si128(pick(b, 2, 1), pick(c, 2, 2)));
  }
  return x;
}
#endif

void swapRow(uint8_t* p, int width) {
  int x = 0;
#ifdef OV_CHANNEL_SIMD
  if (cpuHasSsse3()) x = swapRowSsse3(p, width);
#endif
  for (p += 3 * x; x < width; ++x, p += 3) std::swap(p[0], p[2]);
}

// Flips every bit of `count` bytes.
void flipBytes(uint8_t* p, size_t count) {
  size_t i = 0;
#ifdef OV_CHANNEL_SIMD
  const __m128i ones = _mm_set1_epi8(-1);
  for (; i + 16 <= count; i += 16) {
    auto* v = reinterpret_cast<__m128i*>(p + i);
    _mm_storeu_si128(v, _mm_xor_si128(_mm_loadu_si128(v), ones));
  }
#endif
  for (; i < count; ++i) p[i] ^= 0xFF;
}

// Flips bits [first, last) of a row, most significant bit first, as packed pixels are.
void flipBits(uint8_t* row, size_t first, size_t last) {
  if (first >= last) return;
  const size_t first_byte = first >> 3, last_byte = (last - 1) >> 3;
  const auto head = static_cast<uint8_t>(0xFFu >> (first & 7));
  const auto tail = static_cast<uint8_t>(0xFFu << (7 - ((last - 1) & 7)));
  if (first_byte == last_byte) {
    row[first_byte] ^= head & tail;
    return;
  }
  row[first_byte] ^= head;
  flipBytes(row + first_byte + 1, last_byte - first_byte - 1);
  row[last_byte] ^= tail;
}

}  // namespace

int swapRedBlue(Dib& image, Progress& progress) {
  if (image.bitsPerPixel() != 24) {
    for (int i = 0; i < image.paletteSize(); ++i) {
      OV_RGBQUAD& q = image.palette()[i];
      std::swap(q.red, q.blue);
    }
    return progress.advanceTo(image.height()) ? 0 : IGE_CANCELLED;
  }
  for (int y = 0; y < image.height(); ++y) {
    swapRow(image.row(y), image.width());
    if (!progress.advanceTo(y + 1)) return IGE_CANCELLED;
  }
  return 0;
}

void invertPalette(Dib& image) {
  for (int i = 0; i < image.paletteSize(); ++i) {
    OV_RGBQUAD& q = image.palette()[i];
    q = OV_RGBQUAD{static_cast<uint8_t>(255 - q.blue), static_cast<uint8_t>(255 - q.green),
                   static_cast<uint8_t>(255 - q.red), q.reserved};
  }
}

bool paletteInvertsByIndex(const Dib& image) {
  const int n = image.paletteSize();
  const OV_RGBQUAD* p = image.palette();
  for (int i = 0; i < n; ++i) {
    const OV_RGBQUAD& a = p[i];
    const OV_RGBQUAD& b = p[n - 1 - i];
    if (a.red + b.red != 255 || a.green + b.green != 255 || a.blue + b.blue != 255) return false;
  }
  return n > 0;
}

int invertPixels(Dib& image, const OV_RECT& rect, Progress& progress) {
  const size_t bpp = static_cast<size_t>(image.bitsPerPixel());
  const size_t first = static_cast<size_t>(rect.left) * bpp;
  const size_t last = static_cast<size_t>(rect.right + 1) * bpp;
  for (int y = rect.top; y <= rect.bottom; ++y) {
    flipBits(image.row(y), first, last);
    if (!progress.advanceTo(y - rect.top + 1)) return IGE_CANCELLED;
  }
  return 0;
}

}  // namespace ov
