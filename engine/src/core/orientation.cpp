#include "core/orientation.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "ovengine/ov_errors.h"

namespace ov {
namespace {

void mirrorRow24(uint8_t* r, int w) {
  for (int a = 0, b = w - 1; a < b; ++a, --b) {
    std::swap(r[3 * a], r[3 * b]);
    std::swap(r[3 * a + 1], r[3 * b + 1]);
    std::swap(r[3 * a + 2], r[3 * b + 2]);
  }
}

}  // namespace

void mirror(Dib& image, bool horizontal, bool vertical) {
  const int w = image.width(), h = image.height();
  if (horizontal) {
    const int bpp = image.bitsPerPixel();
    for (int y = 0; y < h; ++y) {
      if (bpp == 24) {
        mirrorRow24(image.row(y), w);
      } else if (bpp == 8) {
        std::reverse(image.row(y), image.row(y) + w);
      } else {
        for (int a = 0, b = w - 1; a < b; ++a, --b) {
          const uint32_t va = image.indexAt(a, y), vb = image.indexAt(b, y);
          image.setIndexAt(a, y, vb);
          image.setIndexAt(b, y, va);
        }
      }
    }
  }
  if (vertical) {
    std::vector<uint8_t> tmp(image.stride());
    for (int a = 0, b = h - 1; a < b; ++a, --b) {
      std::memcpy(tmp.data(), image.row(a), image.stride());
      std::memcpy(image.row(a), image.row(b), image.stride());
      std::memcpy(image.row(b), tmp.data(), image.stride());
    }
  }
}

int rotate(Dib& image, Turn turn) {
  if (turn == Turn::kNone) return IGE_SUCCESS;
  if (turn == Turn::kCw180) {
    mirror(image, true, true);
    return IGE_SUCCESS;
  }
  const int w = image.width(), h = image.height(), bpp = image.bitsPerPixel();
  Dib out;
  if (int rc = out.allocate(h, w, bpp, bpp < 8); rc != 0) return rc;
  std::memcpy(out.palette(), image.palette(), sizeof(OV_RGBQUAD) * image.paletteSize());
  out.setResolution(image.header()->biYPelsPerMeter, image.header()->biXPelsPerMeter);
  const bool cw = turn == Turn::kCw90;
  // Destination (x, y) takes source (y, h-1-x) for a clockwise turn, (w-1-y, x) otherwise.
  // Walk the destination in tiles so both images stay in cache.
  constexpr int kTile = 64;
  for (int ty = 0; ty < w; ty += kTile) {
    const int ye = std::min(ty + kTile, w);
    for (int tx = 0; tx < h; tx += kTile) {
      const int xe = std::min(tx + kTile, h);
      for (int y = ty; y < ye; ++y) {
        const int sx = cw ? y : w - 1 - y;
        if (bpp == 24) {
          uint8_t* d = out.row(y) + 3 * static_cast<size_t>(tx);
          for (int x = tx; x < xe; ++x, d += 3) {
            const uint8_t* s = image.row(cw ? h - 1 - x : x) + 3 * static_cast<size_t>(sx);
            d[0] = s[0];
            d[1] = s[1];
            d[2] = s[2];
          }
        } else if (bpp == 8) {
          uint8_t* d = out.row(y);
          for (int x = tx; x < xe; ++x) d[x] = image.row(cw ? h - 1 - x : x)[sx];
        } else {
          for (int x = tx; x < xe; ++x) out.setIndexAt(x, y, image.indexAt(sx, cw ? h - 1 - x : x));
        }
      }
    }
  }
  image = std::move(out);
  return IGE_SUCCESS;
}

int applyExifOrientation(Dib& image, int orientation) {
  switch (orientation) {
    case 2: mirror(image, true, false); return IGE_SUCCESS;
    case 3: return rotate(image, Turn::kCw180);
    case 4: mirror(image, false, true); return IGE_SUCCESS;
    case 5: {  // transpose: mirror left-right, then turn anticlockwise
      mirror(image, true, false);
      return rotate(image, Turn::kCw270);
    }
    case 6: return rotate(image, Turn::kCw90);
    case 7: {  // transverse: mirror left-right, then turn clockwise
      mirror(image, true, false);
      return rotate(image, Turn::kCw90);
    }
    case 8: return rotate(image, Turn::kCw270);
    default: return IGE_SUCCESS;
  }
}

}  // namespace ov
