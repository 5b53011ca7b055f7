// Shared body of the decoder fuzz targets: information, page count and every page's load
// (up to a few) must return cleanly on any input.
#pragma once

#include <cstddef>
#include <cstdint>

#include "codecs/codec.h"

namespace ovfuzz {

inline int fuzzDecoder(const ov::Codec& codec, const uint8_t* data, size_t size) {
  const ov::Bytes file(data, size);
  codec.detect(file);
  int pages = 0;
  if (codec.pageCount(file, pages) != 0) pages = 1;
  for (int page = 1; page <= pages && page <= 4; ++page) {
    ov::PageInfo info;
    codec.info(file, page, info);
    ov::Progress progress;
    ov::Dib dib;
    ov::ImageAttributes attributes;
    codec.load(file, page, progress, dib, attributes);
  }
  return 0;
}

}  // namespace ovfuzz
