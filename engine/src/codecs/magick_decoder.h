// Decoding through ImageMagick for the formats that have no codec of their own. The caller
// names the coder, so ImageMagick never guesses the format of a file.
#pragma once

#include <string>

#include "codecs/codec.h"

namespace ov {

struct MagickOptions {
  int density_dpi = 0;  // vector input (WMF): render at this resolution; 0 = the coder's own
  std::string size;     // coder size hint, e.g. "768x512" picks a Photo CD resolution
};

// Size and depth without decoding the pixels where the coder allows it.
int magickInfo(Bytes file, const char* coder, const MagickOptions& options, PageInfo& out);
// Decodes the first image the coder gives at one of the engine depths.
int magickLoad(Bytes file, const char* coder, const MagickOptions& options, Progress& progress,
               Dib& out, ImageAttributes& attributes);

}  // namespace ov
