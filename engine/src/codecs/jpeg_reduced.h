// Reduced-size JPEG decoding for previews: the scaled DCT gives 1/2, 1/4 or 1/8 of the picture
// for a fraction of the work of a full decode.
#pragma once

#include "codecs/codec.h"

namespace ov {

// Decodes the JPEG at the smallest reduction (1/8, 1/4, 1/2 or none) whose upright size is at
// least min_width x min_height. The resolution is reduced with the pixels.
int loadJpegReduced(Bytes file, int min_width, int min_height, Progress& progress, Dib& out);

}  // namespace ov
