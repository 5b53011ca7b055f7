// PNG through libpng: reading from a file held in memory, writing through a FileSink.
#pragma once

#include "codecs/codec.h"

namespace ov {

bool pngSignature(Bytes file);
int pngReadInfo(Bytes file, PageInfo& out);
int pngLoad(Bytes file, Progress& progress, Dib& out, ImageAttributes& attributes);
int pngSave(const Dib& image, const ImageAttributes& attributes, Progress& progress, FileSink& out);

}  // namespace ov
