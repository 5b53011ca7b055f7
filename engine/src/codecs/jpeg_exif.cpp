#include "codecs/jpeg_exif.h"

#include <cstring>

namespace ov {
namespace {

constexpr uint8_t kExifId[6] = {'E', 'x', 'i', 'f', 0, 0};
constexpr uint16_t kOrientationTag = 0x0112;
constexpr uint16_t kShortType = 3;
constexpr size_t kEntrySize = 12;

// The TIFF block inside the segment, read in its own byte order. Every read checks that
// the bytes lie inside the block; an out-of-range read gives false.
class TiffReader {
 public:
  TiffReader(std::span<const uint8_t> data, bool big_endian)
      : data_(data), big_endian_(big_endian) {}

  bool u16(size_t at, uint16_t& v) const {
    if (at > data_.size() || data_.size() - at < 2) return false;
    const uint8_t* p = data_.data() + at;
    v = big_endian_ ? static_cast<uint16_t>(p[0] << 8 | p[1])
                    : static_cast<uint16_t>(p[1] << 8 | p[0]);
    return true;
  }
  bool u32(size_t at, uint32_t& v) const {
    uint16_t a = 0, b = 0;
    if (!u16(at, a) || !u16(at + 2, b)) return false;
    v = big_endian_ ? (uint32_t{a} << 16 | b) : (uint32_t{b} << 16 | a);
    return true;
  }

 private:
  std::span<const uint8_t> data_;
  bool big_endian_;
};

}  // namespace

int exifOrientation(std::span<const uint8_t> app1) {
  if (app1.size() < sizeof(kExifId) + 8 || std::memcmp(app1.data(), kExifId, sizeof(kExifId)) != 0)
    return 1;
  const std::span<const uint8_t> tiff = app1.subspan(sizeof(kExifId));
  bool big_endian;
  if (tiff[0] == 'I' && tiff[1] == 'I') {
    big_endian = false;
  } else if (tiff[0] == 'M' && tiff[1] == 'M') {
    big_endian = true;
  } else {
    return 1;
  }
  const TiffReader r(tiff, big_endian);
  uint16_t magic = 0, count = 0;
  uint32_t ifd = 0;
  if (!r.u16(2, magic) || magic != 42 || !r.u32(4, ifd) || !r.u16(ifd, count)) return 1;
  for (size_t i = 0; i < count; ++i) {
    const size_t entry = size_t{ifd} + 2 + i * kEntrySize;
    uint16_t tag = 0, type = 0, value = 0;
    uint32_t n = 0;
    if (!r.u16(entry, tag) || !r.u16(entry + 2, type) || !r.u32(entry + 4, n)) return 1;
    if (tag != kOrientationTag) continue;
    // A short held in the entry itself: the first two bytes of the value field.
    if (type != kShortType || n < 1 || !r.u16(entry + 8, value)) return 1;
    return value >= 1 && value <= 8 ? value : 1;
  }
  return 1;
}

}  // namespace ov
