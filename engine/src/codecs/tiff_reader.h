// Decoding of one TIFF directory into an engine image.
#pragma once

#include <tiffio.h>

#include <cstdint>

#include "codecs/codec.h"

namespace ov::tiff {

// How a directory's samples become engine pixels.
enum class Route {
  kBilevel,  // 1-bit grey: 1-bit with a black and white palette
  kGray,     // 2/4/8/16-bit grey: 4 or 8-bit grey palette
  kPalette,  // 1/2/4/8-bit colour map: 1, 4 or 8 bits
  kRgb,      // 8/16-bit RGB (or JPEG-coded YCbCr) in strips: 24 bits
  kFloat,    // 32-bit float grey or RGB in strips: 8-bit grey or 24 bits
  kRgba,     // everything else, through libtiff's RGBA interface: 24 bits
};

struct Layout {
  Route route = Route::kRgba;
  int bpp = 24;        // depth the page loads as
  uint32_t width = 0;  // as stored, before the orientation is applied
  uint32_t height = 0;
  uint16_t bits = 1;
  uint16_t samples = 1;
  uint16_t photometric = 0;
  uint16_t compression = COMPRESSION_NONE;
  int orientation = 1;
};

// Reads and checks the current directory. 0 or IGE_INVALID_FILE_HEADER.
int describe(TIFF* tif, uint64_t file_size, Layout& layout);
// The current directory's compression as an engine code.
int engineCompression(TIFF* tif);
// Information about the current directory as it will load (upright).
int pageInfo(TIFF* tif, uint64_t file_size, PageInfo& info);
// Decodes the current directory into `out`, upright, reporting rows to `progress` (when given).
int decodePage(TIFF* tif, uint64_t file_size, Progress* progress, Dib& out);

}  // namespace ov::tiff
