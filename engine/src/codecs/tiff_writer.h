// Encoding of engine images as TIFF directories.
#pragma once

#include <tiffio.h>

#include <functional>

#include "codecs/codec.h"

namespace ov::tiff {

// 0 when `image` can be written with the engine compression code; IGE_INVALID_BIT_DEPTH for
// a depth that compression cannot hold, IGE_INVALID_ARGUMENT for an unknown compression.
int checkWritable(const Dib& image, int compression);

struct PageOptions {
  int compression = 0;  // engine code
  int jpeg_quality = 90;
  int page = 0;  // PageNumber tag (from 0) when `pages` > 0
  int pages = 0;
  int64_t progress_base = 0;  // units of the operation done before this page
};

// Writes `image` as the current directory of `tif` and finishes that directory, reporting
// rows to `progress` (when given) after `progress_base`.
int writePage(TIFF* tif, const Dib& image, const PageOptions& options, Progress* progress);

// Runs `body` on a libtiff handle that writes at the sink's position, then leaves the sink
// positioned after the file so that the caller's own flush changes nothing.
int writeThroughSink(FileSink& out, const char* mode, const std::function<int(TIFF*)>& body);

}  // namespace ov::tiff
