#include <array>
#include <atomic>

#include "codecs/codec.h"

namespace ov {
namespace {

// Detection order: formats with strong signatures first, then the ones recognised by
// plausible header values, then text, then the weakest guesses.
const std::array<const Codec*, 28>& codecs() {
  static const std::array<const Codec*, 28> table = {
      &jpegCodec(), &pngCodec(),  &gifCodec(),   &tiffCodec(), &bmpCodec(),  &psdCodec(),
      &dcxCodec(),  &pcxCodec(),  &clpCodec(),   &rasCodec(),  &sgiCodec(),  &xwdCodec(),
      &icoCodec(),  &wmfCodec(),  &epsCodec(),   &gemCodec(),  &pcdCodec(),  &pictCodec(),
      &wpgCodec(),  &dicomCodec(), &pbmCodec(),  &calsCodec(), &xpmCodec(),  &xbmCodec(),
      &tgaCodec(),  &txtCodec(),  &cutCodec(),   &macCodec()};
  return table;
}

constexpr int kFormatCodes = 64;
// Detection switched off per format code; all on at start.
std::array<std::atomic<bool>, kFormatCodes>& detectionOff() {
  static std::array<std::atomic<bool>, kFormatCodes> off{};
  return off;
}

}  // namespace

const Codec* detectCodec(Bytes file) {
  if (file.empty()) return nullptr;
  for (const Codec* c : codecs()) {
    const int f = c->format();
    if (f >= 0 && f < kFormatCodes && detectionOff()[f]) continue;
    if (c->detect(file)) return c;
  }
  return nullptr;
}

const Codec* codecForFormat(int format) {
  for (const Codec* c : codecs())
    if (c->format() == format) return c;
  return nullptr;
}

void setAutoDetect(int format, bool on) {
  if (format >= 0 && format < kFormatCodes) detectionOff()[format] = !on;
}

}  // namespace ov
