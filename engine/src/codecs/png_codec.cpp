// PNG: single page, deflate-compressed; loads at the engine depths and saves 1, 4, 8 and 24
// bits. The work is in png_read.cpp and png_write.cpp.
#include "codecs/codec.h"
#include "codecs/png_io.h"
#include "ovengine/ov_formats.h"

namespace ov {
namespace {

class PngCodec final : public Codec {
 public:
  int format() const override { return IG_FORMAT_PNG; }
  bool detect(Bytes file) const override { return pngSignature(file); }

  int info(Bytes file, int page, PageInfo& out) const override {
    if (page != 1) return IGE_PAGE_NOT_FOUND;
    return pngReadInfo(file, out);
  }

  int load(Bytes file, int page, Progress& progress, Dib& out,
           ImageAttributes& attributes) const override {
    if (page != 1) return IGE_PAGE_NOT_FOUND;
    return pngLoad(file, progress, out, attributes);
  }

  bool canSave() const override { return true; }

  // PNG has a single lossless compression, so the save options change nothing.
  int save(const Dib& image, const ImageAttributes& attributes, const SaveOptions&,
           Progress& progress, FileSink& out) const override {
    return pngSave(image, attributes, progress, out);
  }
};

}  // namespace

const Codec& pngCodec() {
  static const PngCodec codec;
  return codec;
}

}  // namespace ov
