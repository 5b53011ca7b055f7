// Frame-by-frame GIF reading over giflib, from a file held in memory. Only one frame's
// description is kept at a time, so walking a long animation costs no more than its
// largest frame.
#pragma once

#include <cstdint>
#include <vector>

#include "io/mapped_file.h"

struct GifFileType;

namespace ov::gif {

struct Rgb {
  uint8_t r = 0, g = 0, b = 0;
  bool operator==(const Rgb&) const = default;
};
using ColourMap = std::vector<Rgb>;

struct Frame {
  int left = 0, top = 0, width = 0, height = 0;
  bool interlaced = false;
  ColourMap map;         // the frame's own colour map, else the global one (never empty)
  int transparent = -1;  // an index inside `map`, or -1
  int disposal = 0;      // as stored: 2 = restore to background, 3 = restore to previous
  int delay_cs = 0;
};

class Reader {
 public:
  Reader() = default;
  Reader(const Reader&) = delete;
  Reader& operator=(const Reader&) = delete;
  ~Reader();

  // Reads the header and logical screen; 0 or IGE_INVALID_FILE_HEADER (also for a screen
  // the engine refuses).
  int open(Bytes file);
  int width() const { return width_; }
  int height() const { return height_; }
  const ColourMap& globalMap() const { return global_; }
  int backgroundIndex() const { return background_; }

  // Moves to the next image: 1 with `frame` described, 0 when the images are over, or
  // IGE_INVALID_FILE_HEADER. After 1, the caller takes the frame's pixels with skipPixels()
  // or with readRow() once per row.
  int next(Frame& frame);
  int skipPixels();
  // The next row of the current frame, in file order (interlaced frames come in passes).
  // Values are raw: they may exceed the colour map.
  int readRow(uint8_t* pixels, int width);

 private:
  static int readBytes(GifFileType* gif, uint8_t* buffer, int length);
  int readExtension(Frame& frame);

  GifFileType* gif_ = nullptr;
  Bytes file_;
  size_t position_ = 0;
  int width_ = 0, height_ = 0;
  ColourMap global_;
  int background_ = 0;
};

}  // namespace ov::gif
