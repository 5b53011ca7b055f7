// Placeholder: this format is not decoded yet.
#include "codecs/codec.h"
#include "ovengine/ov_formats.h"

namespace ov {
namespace {

class PcxCodec final : public Codec {
 public:
  int format() const override { return IG_FORMAT_PCX; }
  bool detect(Bytes) const override { return false; }
  int info(Bytes, int, PageInfo&) const override { return IGE_INVALID_FILE_HEADER; }
  int load(Bytes, int, Progress&, Dib&, ImageAttributes&) const override {
    return IGE_INVALID_FILE_HEADER;
  }
};

}  // namespace

const Codec& pcxCodec() {
  static const PcxCodec codec;
  return codec;
}

}  // namespace ov
