// Multi-page writing: a new page placed among the pages of an existing file.
#pragma once

#include <tiffio.h>

#include "codecs/codec.h"

namespace ov::tiff {

// Upper bound of the pages counted in one file.
inline constexpr int kMaxPages = 65535;

// Number of directories in the chain of the open file (libtiff stops at a loop).
int countPages(TIFF* tif);

// Writes the pages of `existing` (a non-empty TIFF file) to `out` with `image` at position
// `page` (from 1; past the end appends). Existing pages keep their compressed data.
int writeWithPages(Bytes existing, int page, const Dib& image, const SaveOptions& options,
                   Progress& progress, FileSink& out);

}  // namespace ov::tiff
