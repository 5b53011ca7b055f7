// Placeholder: formats decoded through ImageMagick are not wired yet.
#include "codecs/codec.h"
#include "codecs/magick_decoder.h"
#include "ovengine/ov_formats.h"

namespace ov {
namespace {

class Unsupported final : public Codec {
 public:
  explicit Unsupported(int format) : format_(format) {}
  int format() const override { return format_; }
  bool detect(Bytes) const override { return false; }
  int info(Bytes, int, PageInfo&) const override { return IGE_INVALID_FILE_HEADER; }
  int load(Bytes, int, Progress&, Dib&, ImageAttributes&) const override {
    return IGE_INVALID_FILE_HEADER;
  }

 private:
  int format_;
};

}  // namespace

int magickInfo(Bytes, const char*, const MagickOptions&, PageInfo&) {
  return IGE_INVALID_FILE_HEADER;
}
int magickLoad(Bytes, const char*, const MagickOptions&, Progress&, Dib&, ImageAttributes&) {
  return IGE_INVALID_FILE_HEADER;
}

#define OV_UNSUPPORTED(name, code)     \
  const Codec& name() {                \
    static const Unsupported c(code);  \
    return c;                          \
  }
OV_UNSUPPORTED(pcdCodec, IG_FORMAT_PCD)
OV_UNSUPPORTED(pictCodec, IG_FORMAT_PCT)
OV_UNSUPPORTED(wpgCodec, IG_FORMAT_WPG)
OV_UNSUPPORTED(calsCodec, IG_FORMAT_CAL)
OV_UNSUPPORTED(cutCodec, IG_FORMAT_CUT)
OV_UNSUPPORTED(macCodec, IG_FORMAT_MAC)
OV_UNSUPPORTED(dicomCodec, IG_FORMAT_DCM)
OV_UNSUPPORTED(pbmCodec, IG_FORMAT_PBM)

}  // namespace ov
