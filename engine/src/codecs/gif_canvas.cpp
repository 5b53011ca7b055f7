#include "codecs/gif_canvas.h"

#include <algorithm>
#include <cstring>

#include "ovengine/ov_errors.h"

namespace ov::gif {

Rect onScreen(const Frame& frame, int width, int height) {
  return Rect{std::min(frame.left, width), std::min(frame.top, height),
              std::min(frame.left + frame.width, width),
              std::min(frame.top + frame.height, height)};
}

bool coversScreen(const Frame& frame, int width, int height) {
  return frame.left == 0 && frame.top == 0 && frame.width >= width && frame.height >= height;
}

Background backgroundFor(const Reader& reader, const Frame& first) {
  const ColourMap& global = reader.globalMap();
  // Without a global map there is no background colour: the first frame's colours (its
  // transparent one if any) keep a frame smaller than the screen from mixing two maps.
  if (global.empty())
    return Background{first.map, static_cast<uint8_t>(std::max(first.transparent, 0))};
  const int index = reader.backgroundIndex();
  return Background{global,
                    static_cast<uint8_t>(index < static_cast<int>(global.size()) ? index : 0)};
}

int Canvas::allocate(int width, int height, bool rgb) {
  bytes_ = rgb ? 3 : 1;
  return dib_.allocate(width, height, rgb ? 24 : 8);  // zeroed: row padding too
}

void Canvas::setBackground(const Background& background) {
  if (bytes_ == 1) {
    background_[0] = background.index;
    return;
  }
  const Rgb& c = background.map[background.index];
  background_[0] = c.b;
  background_[1] = c.g;
  background_[2] = c.r;
}

void Canvas::fill(const Rect& area) {
  if (area.empty()) return;
  for (int y = area.y0; y < area.y1; ++y) {
    uint8_t* p = dib_.row(y) + static_cast<size_t>(area.x0) * bytes_;
    if (bytes_ == 1) {
      std::memset(p, background_[0], static_cast<size_t>(area.x1 - area.x0));
      continue;
    }
    for (int x = area.x0; x < area.x1; ++x, p += 3) std::memcpy(p, background_, 3);
  }
}

void Canvas::save(const Rect& area, std::vector<uint8_t>& out) const {
  out.clear();
  if (area.empty()) return;
  const size_t span = static_cast<size_t>(area.x1 - area.x0) * bytes_;
  out.resize(span * static_cast<size_t>(area.y1 - area.y0));
  for (int y = area.y0; y < area.y1; ++y)
    std::memcpy(out.data() + span * (y - area.y0),
                dib_.row(y) + static_cast<size_t>(area.x0) * bytes_, span);
}

void Canvas::restore(const Rect& area, const std::vector<uint8_t>& saved) {
  if (area.empty()) return;
  const size_t span = static_cast<size_t>(area.x1 - area.x0) * bytes_;
  for (int y = area.y0; y < area.y1; ++y)
    std::memcpy(dib_.row(y) + static_cast<size_t>(area.x0) * bytes_,
                saved.data() + span * (y - area.y0), span);
}

void Canvas::startFrame(const Frame& frame, bool first) {
  // Values past the colour map (a broken encoder) read as entry 0 rather than failing the
  // whole picture; every value has an entry, so nothing is ever read out of bounds.
  const int entries = static_cast<int>(frame.map.size());
  for (int v = 0; v < 256; ++v) {
    const int index = v < entries ? v : 0;
    const Rgb& c = frame.map[index];
    lut_[v][0] = bytes_ == 1 ? static_cast<uint8_t>(index) : c.b;
    lut_[v][1] = c.g;
    lut_[v][2] = c.r;
  }
  skip_ = first ? -1 : frame.transparent;
}

void Canvas::drawRow(const Frame& frame, const uint8_t* pixels, int y) {
  const int screen_y = frame.top + y;
  const int x1 = std::min(frame.left + frame.width, dib_.width());
  if (screen_y >= dib_.height() || frame.left >= x1) return;
  const int count = x1 - frame.left;
  uint8_t* out = dib_.row(screen_y) + static_cast<size_t>(frame.left) * bytes_;
  if (bytes_ == 1) {
    for (int x = 0; x < count; ++x)
      if (pixels[x] != skip_) out[x] = lut_[pixels[x]][0];
    return;
  }
  for (int x = 0; x < count; ++x, out += 3)
    if (pixels[x] != skip_) std::memcpy(out, lut_[pixels[x]], 3);
}

int Canvas::finish(const ColourMap& map, int bits_per_pixel, Dib& out) {
  if (bits_per_pixel == 24 || bits_per_pixel == 8) {
    out = std::move(dib_);
  } else {
    const int width = dib_.width(), height = dib_.height();
    if (int rc = out.allocate(width, height, bits_per_pixel, true); rc != 0) return rc;
    for (int y = 0; y < height; ++y) {
      const uint8_t* src = dib_.row(y);
      uint8_t* dst = out.row(y);
      if (bits_per_pixel == 4) {
        for (int x = 0; x < width; ++x) dst[x >> 1] |= (src[x] & 0x0F) << ((x & 1) ? 0 : 4);
      } else {
        for (int x = 0; x < width; ++x)
          if (src[x] & 1) dst[x >> 3] |= 0x80 >> (x & 7);
      }
    }
    dib_ = Dib();
  }
  if (bits_per_pixel == 24) return 0;
  OV_RGBQUAD* palette = out.palette();
  for (int i = 0; i < out.paletteSize(); ++i) {
    const Rgb c = i < static_cast<int>(map.size()) ? map[i] : Rgb{};
    palette[i] = OV_RGBQUAD{c.b, c.g, c.r, 0};
  }
  return 0;
}

}  // namespace ov::gif
