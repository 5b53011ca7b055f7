// Packed DIBs (an info header, its palette and the pixels, with no file header) as the
// clipboard file, icons and metafiles hold them. Decoding goes through the BMP reader, so
// every header generation, depth and compression it knows is known here too.
#pragma once

#include "codecs/codec.h"

namespace ov {

// Size, depth and resolution of a packed DIB; format and compression are the BMP ones.
int packedDibInfo(Bytes dib, PageInfo& out);
int loadPackedDib(Bytes dib, Progress& progress, Dib& out);

// Writes `image` as a packed DIB: 40-byte header, palette, bottom-up rows.
int writePackedDib(const Dib& image, FileSink& out);

}  // namespace ov
