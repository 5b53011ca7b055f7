// Placeholder: this format is not decoded yet.
#include "codecs/codec.h"
#include "ovengine/ov_formats.h"

namespace ov {
namespace {

class XwdCodec final : public Codec {
 public:
  int format() const override { return IG_FORMAT_XWD; }
  bool detect(Bytes) const override { return false; }
  int info(Bytes, int, PageInfo&) const override { return IGE_INVALID_FILE_HEADER; }
  int load(Bytes, int, Progress&, Dib&, ImageAttributes&) const override {
    return IGE_INVALID_FILE_HEADER;
  }
};

}  // namespace

const Codec& xwdCodec() {
  static const XwdCodec codec;
  return codec;
}

}  // namespace ov
