// Colour operations on whole images: depth promotion, reductions to fewer colours, channel
// operations. Functions building `out` leave their source alone; functions working in
// place may leave the image half done on a cancel (callers run them through
// process/operation.h). Each returns 0, IGE_CANCELLED or another engine error, and reports
// the progress units it documents (rows, or two units per row for two passes).
#pragma once

#include <cstdint>
#include <vector>

#include "core/dib.h"
#include "core/progress.h"
#include "ovengine/ov_types.h"
#include "process/pixel_convert.h"

namespace ov {

// ---- Shared helpers ---------------------------------------------------------------------

// A new image of `bpp` bits the size and resolution of `like`, default palette; pixels zero
// unless `zero` is false (the caller then writes every byte of every row, padding included).
inline int allocateResult(const Dib& like, int bpp, Dib& out, bool zero = true) {
  if (int rc = out.allocate(like.width(), like.height(), bpp, zero); rc != 0) return rc;
  out.setResolution(like.header()->biXPelsPerMeter, like.header()->biYPelsPerMeter);
  return 0;
}

// Rows of an image of any depth as B,G,R bytes; 24-bit rows are handed out as they are.
class BgrRows {
 public:
  explicit BgrRows(const Dib& src)
      : src_(src), buffer_(src.bitsPerPixel() == 24 ? 0 : 3 * static_cast<size_t>(src.width())) {}
  const uint8_t* row(int y) {
    if (src_.bitsPerPixel() == 24) return src_.row(y);
    rowToBgr(src_.row(y), 0, src_.width(), src_.bitsPerPixel(), src_.palette(), buffer_.data());
    return buffer_.data();
  }

 private:
  const Dib& src_;
  std::vector<uint8_t> buffer_;
};

// Whether the row loops may use SSSE3 byte shuffles (checked once).
inline bool cpuHasSsse3() {
#if defined(__x86_64__) || defined(__i386__)
  static const bool has = __builtin_cpu_supports("ssse3");
  return has;
#else
  return false;
#endif
}

// One byte per pixel from a packed row of 1, 4 or 8 bits, and back.
void unpackRow(const uint8_t* row, int width, int bpp, uint8_t* indexes);
void packRow(const uint8_t* indexes, int width, int bpp, uint8_t* row);

// ---- promote.cpp ------------------------------------------------------------------------

// `src` at the greater depth `bits` (4, 8 or 24) with exactly the same colours; one unit
// per row. IGE_INVALID_ARGUMENT when `bits` is not above the current depth.
int promoteImage(const Dib& src, int bits, Dib& out, Progress& progress);

// ---- channel_ops.cpp --------------------------------------------------------------------

// Exchanges red and blue of 24-bit pixels, or of the palette entries; one unit per row.
int swapRedBlue(Dib& image, Progress& progress);
// Every palette entry becomes its negative.
void invertPalette(Dib& image);
// True when entry n-1-i is the negative of entry i for every i (grey ramps, black and
// white): then inverting indexes inverts colours.
bool paletteInvertsByIndex(const Dib& image);
// Inverts every bit of the pixels of `rect` (inside the image): colours of 24-bit images,
// indexes of palette images; one unit per row of the rectangle.
int invertPixels(Dib& image, const OV_RECT& rect, Progress& progress);

// ---- reduce_dither.cpp ------------------------------------------------------------------

enum class GreyMethod { kAverage = 0, kLuminance = 1 };

// Black and white (1 bit, entry 0 black, 1 white): grey level at or above `threshold` is
// white. One unit per row.
int reduceToBitonal(const Dib& src, GreyMethod method, int threshold, Dib& out, Progress& progress);
// 8 x 8 Bayer ordered dither to 1 bit (black, white) or 4 bits (the default 16-colour
// palette). One unit per row.
int reduceBayer(const Dib& src, int bits, Dib& out, Progress& progress);
// Floyd-Steinberg error diffusion to 1 or 4 bits. `threshold` (128 neutral) is where grey
// turns white at 1 bit; at 4 bits each channel is biased by 128 - threshold before the
// nearest colour is chosen. One unit per row.
int reduceDiffuse(const Dib& src, int bits, int threshold, Dib& out, Progress& progress);
// Clustered-dot (45 degree, 8 x 8) halftone to black and white. One unit per row.
int reduceHalftone(const Dib& src, Dib& out, Progress& progress);

// ---- reduce_palette.cpp -----------------------------------------------------------------

// The depth of a reduction to `colours` colours.
inline int depthForColours(int colours) {
  return colours <= 16 ? 4 : 8;
}

// At most `colours` (2..256) colours at depthForColours(colours) bits; an image that has no
// more colours than that keeps them exactly. Two units per row (gathering, mapping).
int reduceOctree(const Dib& src, int colours, Dib& out, Progress& progress);
int reduceMedianCut(const Dib& src, int colours, Dib& out, Progress& progress);
int reducePopularity(const Dib& src, int colours, Dib& out, Progress& progress);

}  // namespace ov
