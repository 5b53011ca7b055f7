#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>

#include "ovengine/ov_errors.h"
#include "process/geometry.h"
#include "process/pixel_convert.h"

namespace ov {
namespace {

bool samePalette(const Dib& a, const Dib& b) {
  for (int i = 0; i < a.paletteSize(); ++i) {
    const OV_RGBQUAD &p = a.palette()[i], &q = b.palette()[i];
    if (p.red != q.red || p.green != q.green || p.blue != q.blue) return false;
  }
  return true;
}

// Writes runs of source pixels into target rows in the target's depth: copied as they are
// when both depths and palettes agree, otherwise by colour (the nearest target entry for a
// palette target).
class RunConverter {
 public:
  RunConverter(const Dib& src, const Dib& dst)
      : src_bpp_(src.bitsPerPixel()), dst_bpp_(dst.bitsPerPixel()), src_palette_(src.palette()) {
    if (src_bpp_ == dst_bpp_ && (dst_bpp_ == 24 || samePalette(src, dst))) {
      kind_ = Kind::kCopy;
    } else if (dst_bpp_ == 24) {
      kind_ = Kind::kToColour;
    } else if (src_bpp_ != 24) {
      kind_ = Kind::kPaletteMap;
      for (int i = 0; i < src.paletteSize(); ++i) {
        const OV_RGBQUAD& q = src.palette()[i];
        map_[i] = static_cast<uint8_t>(
            nearestPaletteIndex(dst.palette(), dst.paletteSize(), q.red, q.green, q.blue));
      }
    } else {
      kind_ = Kind::kMatch;
      matcher_.emplace(dst.palette(), dst.paletteSize());
    }
  }

  void operator()(const uint8_t* s, int sx, uint8_t* d, int dx, int n) {
    switch (kind_) {
      case Kind::kCopy:
        copyPixelRun(s, sx, d, dx, n, dst_bpp_);
        break;
      case Kind::kToColour:
        rowToBgr(s, sx, n, src_bpp_, src_palette_, d + 3 * static_cast<size_t>(dx));
        break;
      case Kind::kPaletteMap:
        for (int i = 0; i < n; ++i)
          setPackedIndex(d, dx + i, dst_bpp_, map_[packedIndex(s, sx + i, src_bpp_)]);
        break;
      case Kind::kMatch:
        for (int i = 0; i < n; ++i) {
          const uint8_t* p = s + 3 * static_cast<size_t>(sx + i);
          setPackedIndex(d, dx + i, dst_bpp_, matcher_->match(p[0], p[1], p[2]));
        }
        break;
    }
  }

 private:
  enum class Kind { kCopy, kToColour, kPaletteMap, kMatch };
  Kind kind_;
  int src_bpp_;
  int dst_bpp_;
  const OV_RGBQUAD* src_palette_;
  std::array<uint8_t, 256> map_{};
  std::optional<PaletteMatcher> matcher_;
};

}  // namespace

MergePlacement placeMerge(const Dib& dst, const OV_RECT& rect, int x, int y) {
  // 64 bits, so that far-off positions cannot wrap.
  const int64_t left = std::max<int64_t>(x, 0), top = std::max<int64_t>(y, 0);
  const int64_t right = std::min<int64_t>(int64_t{x} + rect.right - rect.left + 1, dst.width());
  const int64_t bottom = std::min<int64_t>(int64_t{y} + rect.bottom - rect.top + 1, dst.height());
  MergePlacement p;
  if (left >= right || top >= bottom) return p;
  p.src_x = static_cast<int>(rect.left + (left - x));
  p.src_y = static_cast<int>(rect.top + (top - y));
  p.dst_x = static_cast<int>(left);
  p.dst_y = static_cast<int>(top);
  p.width = static_cast<int>(right - left);
  p.rows = static_cast<int>(bottom - top);
  return p;
}

int mergeImage(Dib& dst, const Dib& src, const MergePlacement& place, Progress& progress) {
  progress.start(place.rows);
  if (place.rows == 0) return 0;
  RunConverter convert(src, dst);
  for (int r = 0; r < place.rows; ++r) {
    convert(src.row(place.src_y + r), place.src_x, dst.row(place.dst_y + r), place.dst_x,
            place.width);
    if (!progress.advanceTo(r + 1)) return IGE_CANCELLED;
  }
  return 0;
}

}  // namespace ov
