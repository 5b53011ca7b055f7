#include "process/gray.h"

#include <cstring>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define OV_GREY_SSSE3 1
#endif

#include "ovengine/ov_errors.h"
#include "process/colour.h"

namespace ov {

namespace {

#ifdef OV_GREY_SSSE3
// 299 R + 587 G + 114 B + 500 of the four pixels in the first 12 bytes at `p`.
__attribute__((target("ssse3"))) inline __m128i weightedSums(const uint8_t* p) {
  const __m128i green_red = _mm_setr_epi8(1, -1, 2, -1, 4, -1, 5, -1, 7, -1, 8, -1, 10, -1, 11, -1);
  const __m128i blue = _mm_setr_epi8(0, -1, -1, -1, 3, -1, -1, -1, 6, -1, -1, -1, 9, -1, -1, -1);
  const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  const __m128i gr =
      _mm_madd_epi16(_mm_shuffle_epi8(v, green_red), _mm_set1_epi32(299 << 16 | 587));
  const __m128i b = _mm_madd_epi16(_mm_shuffle_epi8(v, blue), _mm_set1_epi32(114));
  return _mm_add_epi32(_mm_add_epi32(gr, b), _mm_set1_epi32(500));
}

// The same grey levels as greyLevel(), 16 pixels at a time: the exact sum (at most 255500)
// divided by 1000 as (sum / 8) / 125, the second step a 16-bit multiply that is exact below
// 32768. Returns the pixels done; the caller finishes the row.
__attribute__((target("ssse3"))) int greyRowSsse3(const uint8_t* bgr, int count, uint8_t* out) {
  const __m128i by_125 = _mm_set1_epi16(static_cast<int16_t>(33555));  // 2^22 / 125, rounded up
  int x = 0;
  // The last load of a step reads 4 bytes beyond its 48.
  for (; 3 * (x + 16) + 4 <= 3 * count; x += 16, bgr += 48) {
    const __m128i s0 = _mm_srli_epi32(weightedSums(bgr), 3);
    const __m128i s1 = _mm_srli_epi32(weightedSums(bgr + 12), 3);
    const __m128i s2 = _mm_srli_epi32(weightedSums(bgr + 24), 3);
    const __m128i s3 = _mm_srli_epi32(weightedSums(bgr + 36), 3);
    const __m128i lo = _mm_srli_epi16(_mm_mulhi_epu16(_mm_packs_epi32(s0, s1), by_125), 6);
    const __m128i hi = _mm_srli_epi16(_mm_mulhi_epu16(_mm_packs_epi32(s2, s3), by_125), 6);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), _mm_packus_epi16(lo, hi));
  }
  return x;
}
#endif

}  // namespace

void greyRow(const uint8_t* bgr, int count, uint8_t* out) {
  int x = 0;
#ifdef OV_GREY_SSSE3
  if (cpuHasSsse3()) x = greyRowSsse3(bgr, count, out);
#endif
  for (bgr += 3 * x; x < count; ++x, bgr += 3) out[x] = greyLevel(bgr[2], bgr[1], bgr[0]);
}

int convertToGray(const Dib& src, Dib& out, Progress& progress) {
  Dib result;
  // Every byte is written below, so the block need not be cleared first.
  if (int rc = allocateResult(src, 8, result, false); rc != 0) return rc;
  result.setGrayPalette();
  const size_t padding = result.stride() - static_cast<size_t>(src.width());
  const int width = src.width(), bpp = src.bitsPerPixel();
  // Palette images: one grey per entry, then a look-up per pixel.
  uint8_t entry_grey[256] = {};
  for (int i = 0; i < src.paletteSize(); ++i) {
    const OV_RGBQUAD& q = src.palette()[i];
    entry_grey[i] = greyLevel(q.red, q.green, q.blue);
  }
  std::vector<uint8_t> indexes(bpp == 24 ? 0 : static_cast<size_t>(width));
  for (int y = 0; y < src.height(); ++y) {
    uint8_t* dst = result.row(y);
    if (bpp == 24) {
      greyRow(src.row(y), width, dst);
    } else {
      unpackRow(src.row(y), width, bpp, indexes.data());
      for (int x = 0; x < width; ++x) dst[x] = entry_grey[indexes[x]];
    }
    std::memset(dst + width, 0, padding);
    if (!progress.advanceTo(y + 1)) return IGE_CANCELLED;
  }
  out = std::move(result);
  return 0;
}

}  // namespace ov
