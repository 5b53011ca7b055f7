// The engine's one grey level of a colour, used by every call that turns colour into grey
// (conversion to grey, reduction to black and white, dithering).
#pragma once

#include <cstdint>

#include "core/dib.h"
#include "core/progress.h"

namespace ov {

// round(0.299 R + 0.587 G + 0.114 B), halves up. The weights are the exact ones scaled by
// 2^20 and rounded up: the excess stays below 1/1000 over the whole range, less than the
// gap between the exact sum and the next integer, so the result is exact for every colour
// and costs no division.
inline uint8_t greyLevel(uint32_t r, uint32_t g, uint32_t b) {
  return static_cast<uint8_t>((313525u * r + 615515u * g + 119538u * b + 524288u) >> 20);
}

// The grey levels of `count` B,G,R pixels.
void greyRow(const uint8_t* bgr, int count, uint8_t* out);

// `src` of any depth as an 8-bit image with a grey-ramp palette; reports one unit per row.
int convertToGray(const Dib& src, Dib& out, Progress& progress);

}  // namespace ov
