// TIFF: placeholder until the codec lands; recognises nothing.
#include "codecs/codec.h"

namespace ov {
namespace {

class TiffCodec final : public Codec {
 public:
  int format() const override { return 40; }
  bool detect(Bytes) const override { return false; }
  int info(Bytes, int, PageInfo&) const override { return IGE_INVALID_FILE_HEADER; }
  int load(Bytes, int, Progress&, Dib&, ImageAttributes&) const override { return IGE_INVALID_FILE_HEADER; }
};

}  // namespace

const Codec& tiffCodec() {
  static const TiffCodec codec;
  return codec;
}

}  // namespace ov
