// Quarter turns and mirrors. Turns work in small square blocks (a bit transpose for 1-bit
// images, vector transposes of 4 x 4 pixels at 24 bits) walked so that the source is read
// forwards in few streams; mirrors move whole words or vectors, never single pixels.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

#include "ovengine/ov_errors.h"
#include "process/geometry.h"
#include "process/pixel_convert.h"

namespace ov {
namespace {

template <class T>
inline T load(const uint8_t* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

template <class T>
inline void store(uint8_t* p, T v) {
  std::memcpy(p, &v, sizeof v);
}

// How a quarter turn reads its source: result row y is source column col(y), and result
// pixel x lies in the source row stored at first + x * step.
struct QuarterWalk {
  const uint8_t* first;
  ptrdiff_t step;
  bool clockwise;
  int src_width;

  QuarterWalk(const Dib& src, Turn turn) : clockwise(turn == Turn::kCw90), src_width(src.width()) {
    const auto stride = static_cast<ptrdiff_t>(src.stride());
    // Clockwise, result pixel x comes from source row h-1-x, which is stored x rows from
    // the start of the bottom-up buffer.
    first = clockwise ? src.bits() : src.bits() + (src.height() - 1) * stride;
    step = clockwise ? stride : -stride;
  }
  int col(int y) const { return clockwise ? y : src_width - 1 - y; }
  const uint8_t* sourceRow(int x) const { return first + x * step; }
};

// 8- and 24-bit turns move 16 x 16 blocks. A block's source pixels are passed as `s`, the
// pixel of the block's lowest source column in the source row of result column x0, and
// `s_step` to the next such row; `d` is result pixel (x0, y0) and `d_step` leads to result
// row y0+1. Clockwise, result row y0+k shows source column lowest+k; anticlockwise row
// y0+15-k does.
//
// The 24-bit kernels move pixels in wider loads and stores than 3 bytes: they read up to 5
// bytes past the block's last source column and write up to 4 bytes past its last result
// column (bytes of later pixels of the same result row, which the walk writes afterwards).
// Blocks where that could leave a row take the exact path.
constexpr int kBlock = 16;

template <bool kClockwise>
inline uint8_t* blockRow(uint8_t* d, ptrdiff_t d_step, int k) {
  return d + (kClockwise ? k : kBlock - 1 - k) * d_step;
}

template <bool kClockwise>
void block24Scalar(const uint8_t* s, ptrdiff_t s_step, uint8_t* d, ptrdiff_t d_step) {
  for (int i = 0; i < kBlock; ++i, s += s_step, d += 3)
    for (int k = 0; k < kBlock; ++k)
      store(blockRow<kClockwise>(d, d_step, k), load<uint32_t>(s + 3 * k));
}

template <bool kClockwise>
void block8Scalar(const uint8_t* s, ptrdiff_t s_step, uint8_t* d, ptrdiff_t d_step) {
  for (int i = 0; i < kBlock; ++i, s += s_step, ++d)
    for (int k = 0; k < kBlock; ++k) *blockRow<kClockwise>(d, d_step, k) = s[k];
}

#if defined(__x86_64__) || defined(__i386__)
#define OV_GEOMETRY_SSSE3 1
// 4 x 4 pixel transposes: pixels widened to 32-bit lanes, lanes transposed, narrowed back.
template <bool kClockwise>
__attribute__((target("ssse3"))) void block24Ssse3(const uint8_t* s, ptrdiff_t s_step, uint8_t* d,
                                                   ptrdiff_t d_step) {
  const __m128i widen = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
  const __m128i narrow = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
  auto row = [d, d_step](int k) { return blockRow<kClockwise>(d, d_step, k); };
  for (int g = 0; g < kBlock; g += 4) {
    for (int i = 0; i < kBlock; i += 4) {
      const uint8_t* p = s + i * s_step + 3 * g;
      const __m128i e0 =
          _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), widen);
      const __m128i e1 =
          _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + s_step)), widen);
      const __m128i e2 = _mm_shuffle_epi8(
          _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 2 * s_step)), widen);
      const __m128i e3 = _mm_shuffle_epi8(
          _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 3 * s_step)), widen);
      const __m128i lo01 = _mm_unpacklo_epi32(e0, e1), lo23 = _mm_unpacklo_epi32(e2, e3);
      const __m128i hi01 = _mm_unpackhi_epi32(e0, e1), hi23 = _mm_unpackhi_epi32(e2, e3);
      const size_t x = 3 * static_cast<size_t>(i);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(row(g) + x),
                       _mm_shuffle_epi8(_mm_unpacklo_epi64(lo01, lo23), narrow));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(row(g + 1) + x),
                       _mm_shuffle_epi8(_mm_unpackhi_epi64(lo01, lo23), narrow));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(row(g + 2) + x),
                       _mm_shuffle_epi8(_mm_unpacklo_epi64(hi01, hi23), narrow));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(row(g + 3) + x),
                       _mm_shuffle_epi8(_mm_unpackhi_epi64(hi01, hi23), narrow));
    }
  }
}

// A 16 x 16 byte transpose in four rounds of interleaving.
template <bool kClockwise>
__attribute__((target("sse2"))) void block8Sse2(const uint8_t* s, ptrdiff_t s_step, uint8_t* d,
                                                ptrdiff_t d_step) {
  __m128i a[kBlock], b[kBlock];
  for (int i = 0; i < kBlock; ++i)
    a[i] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i * s_step));
  for (int i = 0; i < kBlock / 2; ++i) {
    b[2 * i] = _mm_unpacklo_epi8(a[2 * i], a[2 * i + 1]);
    b[2 * i + 1] = _mm_unpackhi_epi8(a[2 * i], a[2 * i + 1]);
  }
  // b[2i] holds columns 0-7 of rows 2i, 2i+1 interleaved; b[2i+1] columns 8-15.
  for (int i = 0; i < kBlock / 4; ++i)
    for (int h = 0; h < 2; ++h) {
      a[4 * i + 2 * h] = _mm_unpacklo_epi16(b[4 * i + h], b[4 * i + 2 + h]);
      a[4 * i + 2 * h + 1] = _mm_unpackhi_epi16(b[4 * i + h], b[4 * i + 2 + h]);
    }
  for (int i = 0; i < kBlock / 8; ++i)
    for (int h = 0; h < 4; ++h) {
      b[8 * i + 2 * h] = _mm_unpacklo_epi32(a[8 * i + h], a[8 * i + 4 + h]);
      b[8 * i + 2 * h + 1] = _mm_unpackhi_epi32(a[8 * i + h], a[8 * i + 4 + h]);
    }
  for (int h = 0; h < 8; ++h) {
    a[2 * h] = _mm_unpacklo_epi64(b[h], b[8 + h]);
    a[2 * h + 1] = _mm_unpackhi_epi64(b[h], b[8 + h]);
  }
  for (int k = 0; k < kBlock; ++k)
    _mm_storeu_si128(reinterpret_cast<__m128i*>(blockRow<kClockwise>(d, d_step, k)), a[k]);
}
#endif

bool useSsse3() {
#ifdef OV_GEOMETRY_SSSE3
  static const bool supported = __builtin_cpu_supports("ssse3");
  return supported && vectorKernelsEnabled();
#else
  return false;
#endif
}

bool useSse2() {
#ifdef OV_GEOMETRY_SSSE3
  static const bool supported = __builtin_cpu_supports("sse2");
  return supported && vectorKernelsEnabled();
#else
  return false;
#endif
}

using BlockKernel = void (*)(const uint8_t*, ptrdiff_t, uint8_t*, ptrdiff_t);

template <bool kClockwise>
BlockKernel pickKernel(int bytes) {
#ifdef OV_GEOMETRY_SSSE3
  if (bytes == 3 && useSsse3()) return block24Ssse3<kClockwise>;
  if (bytes == 1 && useSse2()) return block8Sse2<kClockwise>;
#endif
  return bytes == 3 ? block24Scalar<kClockwise> : block8Scalar<kClockwise>;
}

// Any block, one exact move per pixel.
void edgeBlock(const QuarterWalk& q, Dib& out, int bytes, int x0, int xn, int y0, int yn) {
  for (int j = 0; j < yn; ++j) {
    uint8_t* d = out.row(y0 + j) + bytes * static_cast<size_t>(x0);
    const size_t sc = bytes * static_cast<size_t>(q.col(y0 + j));
    for (int i = 0; i < xn; ++i, d += bytes) std::memcpy(d, q.sourceRow(x0 + i) + sc, bytes);
  }
}

// Result rows per sweep down the source. Each sweep reads 16 source rows at a time along a
// long run of each, few enough streams for the hardware prefetchers to follow.
constexpr int kBand = 1024;

// Turns images of whole bytes per pixel (1 or 3).
template <bool kClockwise>
int rotateBytes(const QuarterWalk& q, int bytes, Dib& out, Progress& progress) {
  const BlockKernel block = pickKernel<kClockwise>(bytes);
  // Whole pixels a kernel may touch beyond its block (see above).
  const int margin = bytes == 3 ? 2 : 0;
  const int dw = out.width(), dh = out.height();
  const auto d_step = -static_cast<ptrdiff_t>(out.stride());
  for (int y0 = 0; y0 < dh; y0 += kBand) {
    const int y_end = std::min(y0 + kBand, dh);
    const int blocks = (y_end - y0 + kBlock - 1) / kBlock;
    for (int x0 = 0; x0 < dw; x0 += kBlock) {
      const int xn = std::min(kBlock, dw - x0);
      // Blocks in the order of their source columns, so that each source row is read
      // forwards.
      for (int b = 0; b < blocks; ++b) {
        const int yb = y0 + (kClockwise ? b : blocks - 1 - b) * kBlock;
        const int yn = std::min(kBlock, y_end - yb);
        const int lowest = std::min(q.col(yb), q.col(yb + yn - 1));
        const bool exact =
            yn < kBlock || x0 + kBlock + margin > dw || lowest + kBlock + margin > q.src_width;
        if (exact) {
          edgeBlock(q, out, bytes, x0, xn, yb, yn);
        } else {
          block(q.sourceRow(x0) + bytes * static_cast<size_t>(lowest), q.step,
                out.row(yb) + bytes * static_cast<size_t>(x0), d_step);
        }
      }
    }
    if (!progress.advanceTo(y_end)) return IGE_CANCELLED;
  }
  return 0;
}

int rotate4(const QuarterWalk& q, Dib& out, Progress& progress) {
  constexpr int kRows = 16;
  const int dw = out.width(), dh = out.height();
  for (int y0 = 0; y0 < dh; y0 += kRows) {
    const int yn = std::min(kRows, dh - y0);
    std::array<uint8_t*, kRows> rows{};
    for (int j = 0; j < yn; ++j) rows[j] = out.row(y0 + j);
    for (int x = 0; x < dw; x += 2) {
      const uint8_t* s0 = q.sourceRow(x);
      const uint8_t* s1 = x + 1 < dw ? q.sourceRow(x + 1) : nullptr;
      for (int j = 0; j < yn; ++j) {
        const int c = q.col(y0 + j);
        const uint32_t hi = packedIndex(s0, c, 4), lo = s1 ? packedIndex(s1, c, 4) : 0;
        rows[j][x >> 1] = static_cast<uint8_t>(hi << 4 | lo);
      }
    }
    if (!progress.advanceTo(y0 + yn)) return IGE_CANCELLED;
  }
  return 0;
}

// Eight 1-bit pixels of a source row: columns col(y0) .. col(y0+7), the first in the high
// bit; columns outside the row read as 0.
uint8_t gather1(const uint8_t* s, const QuarterWalk& q, int y0) {
  if (q.clockwise) return s[y0 >> 3];  // y0 is a multiple of 8
  static constexpr auto kReverse = [] {
    std::array<uint8_t, 256> t{};
    for (int v = 0; v < 256; ++v)
      for (int b = 0; b < 8; ++b)
        if (v & (1 << b)) t[v] |= static_cast<uint8_t>(0x80 >> b);
    return t;
  }();
  const int hi = q.src_width - 1 - y0, lo = hi - 7;
  uint8_t bits;
  if (lo >= 0) {
    const int shift = lo & 7;
    const unsigned pair = (s[lo >> 3] << 8) | (shift ? s[(lo >> 3) + 1] : 0u);
    bits = static_cast<uint8_t>(pair << shift >> 8);
  } else {
    bits = static_cast<uint8_t>(s[0] >> (7 - hi));
  }
  return kReverse[bits];  // column hi first
}

// Transposes an 8 x 8 bit matrix held as 8 bytes, row 0 in the high byte.
inline uint64_t transpose8x8(uint64_t x) {
  uint64_t t = (x ^ (x >> 7)) & 0x00AA00AA00AA00AAull;
  x ^= t ^ (t << 7);
  t = (x ^ (x >> 14)) & 0x0000CCCC0000CCCCull;
  x ^= t ^ (t << 14);
  t = (x ^ (x >> 28)) & 0x00000000F0F0F0F0ull;
  x ^= t ^ (t << 28);
  return x;
}

int rotate1(const QuarterWalk& q, Dib& out, Progress& progress) {
  const int dw = out.width(), dh = out.height();
  for (int y0 = 0; y0 < dh; y0 += 8) {
    const int yn = std::min(8, dh - y0);
    std::array<uint8_t*, 8> rows{};
    for (int j = 0; j < yn; ++j) rows[j] = out.row(y0 + j);
    for (int x0 = 0; x0 < dw; x0 += 8) {
      const int xn = std::min(8, dw - x0);
      uint64_t m = 0;
      for (int i = 0; i < xn; ++i)
        m |= static_cast<uint64_t>(gather1(q.sourceRow(x0 + i), q, y0)) << (56 - 8 * i);
      m = transpose8x8(m);
      for (int j = 0; j < yn; ++j) rows[j][x0 >> 3] = static_cast<uint8_t>(m >> (56 - 8 * j));
    }
    if (!progress.advanceTo(y0 + yn)) return IGE_CANCELLED;
  }
  return 0;
}

// Reverses a run of 4 pixels of 3 bytes held as 12 bytes (lo: bytes 0-7, hi: 8-11).
inline void reverse4Pixels(uint64_t lo, uint32_t hi, uint64_t& out_lo, uint32_t& out_hi) {
  const uint64_t p0 = lo & 0xFFFFFF, p1 = (lo >> 24) & 0xFFFFFF;
  const uint64_t p2 = (lo >> 48) | (static_cast<uint64_t>(hi & 0xFF) << 16);
  const uint64_t p3 = hi >> 8;
  out_lo = p3 | (p2 << 24) | (p1 << 48);
  out_hi = static_cast<uint32_t>(p1 >> 16) | static_cast<uint32_t>(p0 << 8);
}

// In place from both ends, four pixels at a time.
void mirrorRow24Scalar(uint8_t* row, int w) {
  // a and b: byte offsets of the 4-pixel runs at the two ends still to be exchanged.
  ptrdiff_t a = 0, b = 3 * static_cast<ptrdiff_t>(w) - 12;
  for (; b - a >= 12; a += 12, b -= 12) {
    uint64_t alo, blo;
    uint32_t ahi, bhi;
    reverse4Pixels(load<uint64_t>(row + a), load<uint32_t>(row + a + 8), alo, ahi);
    reverse4Pixels(load<uint64_t>(row + b), load<uint32_t>(row + b + 8), blo, bhi);
    store(row + a, blo);
    store(row + a + 8, bhi);
    store(row + b, alo);
    store(row + b + 8, ahi);
  }
  // Fewer than eight pixels are left between the two ends.
  for (ptrdiff_t p = a, e = b + 9; p < e; p += 3, e -= 3) {
    uint8_t t[3];
    std::memcpy(t, row + p, 3);
    std::memcpy(row + p, row + e, 3);
    std::memcpy(row + e, t, 3);
  }
}

#ifdef OV_GEOMETRY_SSSE3
// Writes the pixels of `from` (a copy of the row, readable 16 bytes past its end) back in
// reverse order, five at a time; returns how many row pixels are done. Each 16-byte store
// carries one byte too many, which the next store or the caller's tail overwrites.
__attribute__((target("ssse3"))) int reverseRow24Ssse3(const uint8_t* from, uint8_t* row, int w) {
  const __m128i reverse5 = _mm_setr_epi8(12, 13, 14, 9, 10, 11, 6, 7, 8, 3, 4, 5, 0, 1, 2, 15);
  int k = 0;
  for (; k + 6 <= w; k += 5) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + 3 * (w - 5 - k)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(row + 3 * k), _mm_shuffle_epi8(v, reverse5));
  }
  return k;
}
#endif

void mirrorRow24(uint8_t* row, int w, uint8_t* scratch) {
#ifdef OV_GEOMETRY_SSSE3
  if (useSsse3()) {
    std::memcpy(scratch, row, 3 * static_cast<size_t>(w));
    for (int k = reverseRow24Ssse3(scratch, row, w); k < w; ++k)
      std::memcpy(row + 3 * k, scratch + 3 * (w - 1 - k), 3);
    return;
  }
#endif
  (void)scratch;
  mirrorRow24Scalar(row, w);
}

void mirrorRow8(uint8_t* row, int w) {
  ptrdiff_t a = 0, b = static_cast<ptrdiff_t>(w) - 8;
  for (; b - a >= 8; a += 8, b -= 8) {
    const uint64_t va = load<uint64_t>(row + a), vb = load<uint64_t>(row + b);
    store(row + a, __builtin_bswap64(vb));
    store(row + b, __builtin_bswap64(va));
  }
  std::reverse(row + a, row + b + 8);
}

// Rows of 1 or 4 bits: reverse the bytes and the pixels within each byte, then shift out
// the padding bits that have come to the front.
void mirrorRowPacked(uint8_t* row, int w, int bpp, uint8_t* scratch) {
  static constexpr auto kTables = [] {
    std::array<std::array<uint8_t, 256>, 2> t{};
    for (int v = 0; v < 256; ++v) {
      for (int b = 0; b < 8; ++b)
        if (v & (1 << b)) t[0][v] |= static_cast<uint8_t>(0x80 >> b);
      t[1][v] = static_cast<uint8_t>((v << 4) | (v >> 4));
    }
    return t;
  }();
  const auto& reverse = kTables[bpp == 1 ? 0 : 1];
  const int bits = w * bpp;
  const int n = (bits + 7) / 8;
  const int pad = n * 8 - bits;
  for (int i = 0; i < n; ++i) scratch[i] = reverse[row[n - 1 - i]];
  if (pad == 0) {
    std::memcpy(row, scratch, static_cast<size_t>(n));
    return;
  }
  for (int i = 0; i + 1 < n; ++i)
    row[i] = static_cast<uint8_t>((scratch[i] << pad) | (scratch[i + 1] >> (8 - pad)));
  row[n - 1] = static_cast<uint8_t>(scratch[n - 1] << pad);
}

class RowMirror {
 public:
  explicit RowMirror(const Dib& image)
      : width_(image.width()), bpp_(image.bitsPerPixel()), scratch_(image.stride() + 16) {}
  void operator()(uint8_t* row) {
    switch (bpp_) {
      case 24:
        mirrorRow24(row, width_, scratch_.data());
        break;
      case 8:
        mirrorRow8(row, width_);
        break;
      default:
        mirrorRowPacked(row, width_, bpp_, scratch_.data());
    }
  }

 private:
  int width_;
  int bpp_;
  std::vector<uint8_t> scratch_;
};

void swapRows(uint8_t* a, uint8_t* b, size_t bytes) {
  alignas(64) uint8_t tmp[4096];
  for (size_t off = 0; off < bytes; off += sizeof tmp) {
    const size_t n = std::min(sizeof tmp, bytes - off);
    std::memcpy(tmp, a + off, n);
    std::memcpy(a + off, b + off, n);
    std::memcpy(b + off, tmp, n);
  }
}

// Swaps rows from both ends towards the middle, `then` applied to each row once placed.
template <class Then>
int swapRowPairs(Dib& image, Progress& progress, Then&& then) {
  const int h = image.height();
  for (int a = 0, b = h - 1; a <= b; ++a, --b) {
    if (a < b) swapRows(image.row(a), image.row(b), image.stride());
    then(image.row(a));
    if (a < b) then(image.row(b));
    if (!progress.advanceTo(2 * static_cast<int64_t>(a + 1))) return IGE_CANCELLED;
  }
  return 0;
}

}  // namespace

int rotateQuarter(const Dib& src, Turn turn, Dib& out, Progress& progress) {
  const int bpp = src.bitsPerPixel();
  if (int rc = allocateLike(src, src.height(), src.width(), bpp, out); rc != 0) return rc;
  out.setResolution(src.header()->biYPelsPerMeter, src.header()->biXPelsPerMeter);
  progress.start(out.height());
  const QuarterWalk q(src, turn);
  switch (bpp) {
    case 24:
    case 8: {
      const int bytes = bpp / 8;
      return q.clockwise ? rotateBytes<true>(q, bytes, out, progress)
                         : rotateBytes<false>(q, bytes, out, progress);
    }
    case 4:
      return rotate4(q, out, progress);
    default:
      return rotate1(q, out, progress);
  }
}

int mirrorHorizontal(Dib& image, Progress& progress) {
  progress.start(image.height());
  RowMirror mirror(image);
  for (int y = 0; y < image.height(); ++y) {
    mirror(image.row(y));
    if (!progress.advanceTo(y + 1)) return IGE_CANCELLED;
  }
  return 0;
}

int mirrorVertical(Dib& image, Progress& progress) {
  progress.start(image.height());
  return swapRowPairs(image, progress, [](uint8_t*) {});
}

int rotateHalf(Dib& image, Progress& progress) {
  progress.start(image.height());
  RowMirror mirror(image);
  return swapRowPairs(image, progress, mirror);
}

}  // namespace ov
