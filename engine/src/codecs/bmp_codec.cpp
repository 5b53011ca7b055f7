// BMP: placeholder until the codec lands; recognises nothing.
#include "codecs/codec.h"

namespace ov {
namespace {

class BmpCodec final : public Codec {
 public:
  int format() const override { return 2; }
  bool detect(Bytes) const override { return false; }
  int info(Bytes, int, PageInfo&) const override { return IGE_INVALID_FILE_HEADER; }
  int load(Bytes, int, Progress&, Dib&, ImageAttributes&) const override { return IGE_INVALID_FILE_HEADER; }
};

}  // namespace

const Codec& bmpCodec() {
  static const BmpCodec codec;
  return codec;
}

}  // namespace ov
