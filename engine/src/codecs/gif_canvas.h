// The logical screen of an animated GIF as its frames are drawn one after another.
#pragma once

#include <cstdint>
#include <vector>

#include "codecs/gif_reader.h"
#include "core/dib.h"

namespace ov::gif {

struct Rect {
  int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  bool empty() const { return x0 >= x1 || y0 >= y1; }
};

// The part of a frame that lies on a width x height screen (frames may spill over it).
Rect onScreen(const Frame& frame, int width, int height);
bool coversScreen(const Frame& frame, int width, int height);

// What the canvas starts as and what "restore to background" paints.
struct Background {
  ColourMap map;
  uint8_t index = 0;  // always inside `map`
};
Background backgroundFor(const Reader& reader, const Frame& first);

// Holds palette indexes (one byte a pixel) while the page has a single colour map, B,G,R
// otherwise. Pixels are clipped to the screen.
class Canvas {
 public:
  int allocate(int width, int height, bool rgb);
  void setBackground(const Background& background);
  void fill(const Rect& area);
  void save(const Rect& area, std::vector<uint8_t>& out) const;
  void restore(const Rect& area, const std::vector<uint8_t>& saved);

  // Sets up drawRow() for a frame. The first frame of an animation also writes its
  // transparent pixels (as their own index): nothing lies under them yet.
  void startFrame(const Frame& frame, bool first);
  // Row `y` of the frame (0 = its top), raw values as decoded.
  void drawRow(const Frame& frame, const uint8_t* pixels, int y);

  // The finished page: a 1, 4 or 8-bit image with `map` as its palette (padded with
  // black), or the 24-bit canvas itself.
  int finish(const ColourMap& map, int bits_per_pixel, Dib& out);

 private:
  Dib dib_;
  int bytes_ = 1;  // per pixel
  uint8_t background_[3] = {};
  uint8_t lut_[256][3] = {};  // raw value -> index or B,G,R
  int skip_ = -1;             // raw value left undrawn
};

}  // namespace ov::gif
