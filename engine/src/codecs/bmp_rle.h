// BMP run-length coding of 4- and 8-bit palette images (BI_RLE4, BI_RLE8).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "core/dib.h"
#include "core/progress.h"
#include "io/mapped_file.h"

namespace ov {

// Follows an RLE stream of `bits` (4 or 8) per pixel without drawing it: 0 when it describes
// a whole width x height picture, IGE_INVALID_FILE_HEADER when it ends too soon. Lets a
// corrupt stream be refused before the picture is allocated.
int checkBmpRle(Bytes data, int bits, int width, int height);

// Decodes an RLE stream of `bits` (4 or 8) per pixel into `out`, already allocated with
// zeroed pixels at the picture's size and depth (pixels the stream never draws stay 0).
// Runs past a row's end and moves past the last row are clipped. Returns 0,
// IGE_INVALID_FILE_HEADER when the data ends before the picture does, or IGE_CANCELLED.
int decodeBmpRle(Bytes data, int bits, bool top_down, Progress& progress, Dib& out);

// Appends the coding of one row of palette indexes (one per byte, each below 2^bits) to `out`,
// without the end-of-line escape.
void encodeBmpRleRow(std::span<const uint8_t> indexes, int bits, std::vector<uint8_t>& out);

}  // namespace ov
