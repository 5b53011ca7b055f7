// GIF: every frame of an animation is a page, composed on the logical screen the way the
// animation shows it. Saving writes one frame.
#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "codecs/codec.h"
#include "codecs/gif_canvas.h"
#include "codecs/gif_reader.h"
#include "ovengine/ov_formats.h"
#include "process/octree_quantizer.h"

namespace ov {
namespace {

using gif::Background;
using gif::Canvas;
using gif::ColourMap;
using gif::Frame;
using gif::Reader;

// Which colour maps the canvas's pixels may come from, judged from frame rectangles and
// transparency without decoding pixels, so that info() stays cheap and agrees with load().
// A single map makes the page a palette image; anything more makes it 24-bit.
struct Sources {
  bool mixed = false;
  ColourMap map;

  void reset(const ColourMap& m) {
    mixed = false;
    map = m;
  }
  void add(const ColourMap& m) {
    if (mixed || m == map) return;
    mixed = true;
    map.clear();
  }
  int bitsPerPixel() const {
    if (mixed) return 24;
    return map.size() <= 2 ? 1 : map.size() <= 16 ? 4 : 8;
  }
};

void draw(Sources& s, const Frame& f, bool first, int width, int height) {
  if (gif::onScreen(f, width, height).empty()) return;
  // The first frame writes its whole rectangle, transparent pixels included.
  if (gif::coversScreen(f, width, height) && (first || f.transparent < 0))
    s.reset(f.map);
  else
    s.add(f.map);
}

void dispose(Sources& s, const Frame& f, const Sources& before, const Background& background,
             int width, int height) {
  if (f.disposal == DISPOSE_PREVIOUS) {
    s = before;
  } else if (f.disposal == DISPOSE_BACKGROUND && !gif::onScreen(f, width, height).empty()) {
    if (gif::coversScreen(f, width, height))
      s.reset(background.map);
    else
      s.add(background.map);
  }
}

// Frames 1..page walked without decoding their pixels.
struct Survey {
  int width = 0, height = 0;
  int frames = 0;    // complete frames found, up to `page`
  Sources sources;   // of the canvas once the last of them is drawn
  Frame page;        // the last of them
  int64_t rows = 0;  // rows to decode for them
};

int survey(Bytes file, int page, Survey& out) {
  Reader reader;
  if (int rc = reader.open(file); rc != 0) return rc;
  out.width = reader.width();
  out.height = reader.height();
  Background background;
  Sources before;
  Frame frame;
  // A frame counts once its data is all there; a stream that breaks after the first
  // complete frame ends the animation there.
  while (out.frames < page && reader.next(frame) == 1 && reader.skipPixels() == 0) {
    const bool first = ++out.frames == 1;
    if (first) {
      background = gif::backgroundFor(reader, frame);
      out.sources.reset(background.map);
    }
    out.rows += frame.height;
    if (frame.disposal == DISPOSE_PREVIOUS) before = out.sources;
    draw(out.sources, frame, first, out.width, out.height);
    if (out.frames == page) {
      out.page = std::move(frame);
      break;
    }
    dispose(out.sources, frame, before, background, out.width, out.height);
  }
  return out.frames > 0 ? 0 : IGE_INVALID_FILE_HEADER;
}

int surveyPage(Bytes file, int page, Survey& out) {
  if (int rc = survey(file, page, out); rc != 0) return rc;
  return out.frames < page ? IGE_PAGE_NOT_FOUND : 0;
}

class RowCounter {
 public:
  RowCounter(Progress& progress, int64_t total) : progress_(progress) { progress.start(total); }
  bool advance(int64_t rows = 1) { return progress_.advanceTo(done_ += rows); }

 private:
  Progress& progress_;
  int64_t done_ = 0;
};

int decodeFrame(Reader& reader, const Frame& frame, bool first, int screen_width, int screen_height,
                Canvas& canvas, RowCounter& rows) {
  // Rows below the screen are never seen: a frame that spills over the bottom is decoded
  // down to the screen's last row only, one wholly off the screen not at all.
  int decoded = 0;
  if (!gif::onScreen(frame, screen_width, screen_height).empty())
    decoded = frame.interlaced ? frame.height : std::min(frame.height, screen_height - frame.top);
  canvas.startFrame(frame, first);
  std::vector<uint8_t> line(static_cast<size_t>(frame.width));
  auto row = [&](int y) {
    if (int rc = reader.readRow(line.data(), frame.width); rc != 0) return rc;
    canvas.drawRow(frame, line.data(), y);
    return rows.advance() ? 0 : IGE_CANCELLED;
  };
  if (frame.interlaced && decoded > 0) {
    static constexpr int kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
      for (int y = kStart[pass]; y < frame.height; y += kStep[pass])
        if (int rc = row(y); rc != 0) return rc;
    return 0;
  }
  for (int y = 0; y < decoded; ++y)
    if (int rc = row(y); rc != 0) return rc;
  if (decoded == frame.height) return 0;
  if (int rc = reader.skipPixels(); rc != 0) return rc;
  return rows.advance(frame.height - decoded) ? 0 : IGE_CANCELLED;
}

int writeBytes(GifFileType* gif, const GifByteType* data, int length) {
  auto* sink = static_cast<FileSink*>(gif->UserData);
  return length > 0 && sink->write(data, static_cast<size_t>(length)) ? length : 0;
}

int writeFailure(const GifFileType* gif) {
  return gif->Error == E_GIF_ERR_NOT_ENOUGH_MEM ? IGE_OUT_OF_MEMORY : IGE_FILE_WRITE_ERROR;
}

// The pixels of row y as one palette index a byte.
void indexRow(const Dib& image, int y, const OctreeQuantizer* quantizer, uint8_t* line) {
  const int width = image.width();
  const uint8_t* row = image.row(y);
  switch (image.bitsPerPixel()) {
    case 24:
      quantizer->map(row, static_cast<size_t>(width), line);
      break;
    case 8:
      std::memcpy(line, row, static_cast<size_t>(width));
      break;
    case 4:
      for (int x = 0; x < width; ++x) line[x] = (x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4);
      break;
    default:
      for (int x = 0; x < width; ++x) line[x] = (row[x >> 3] >> (7 - (x & 7))) & 1;
  }
}

int writeImage(GifFileType* gif, const Dib& image, const ColorMapObject* map,
               const ImageAttributes& attributes, const OctreeQuantizer* quantizer,
               RowCounter& rows) {
  const int width = image.width(), height = image.height();
  EGifSetGifVersion(gif, true);
  if (EGifPutScreenDesc(gif, width, height, 8, 0, map) == GIF_ERROR) return writeFailure(gif);
  GraphicsControlBlock gcb{DISPOSAL_UNSPECIFIED, false, std::clamp(attributes.delay_cs, 0, 65535),
                           NO_TRANSPARENT_COLOR};
  if (attributes.transparent) {
    const OV_RGB& t = attributes.transparent_colour;
    for (int i = 0; i < map->ColorCount && gcb.TransparentColor < 0; ++i) {
      const GifColorType& c = map->Colors[i];
      if (c.Red == t.r && c.Green == t.g && c.Blue == t.b) gcb.TransparentColor = i;
    }
  }
  if (gcb.TransparentColor >= 0 || gcb.DelayTime > 0) {
    GifByteType extension[4];
    const size_t length = EGifGCBToExtension(&gcb, extension);
    if (EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length), extension) ==
        GIF_ERROR)
      return writeFailure(gif);
  }
  if (EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr) == GIF_ERROR)
    return writeFailure(gif);
  std::vector<GifPixelType> line(static_cast<size_t>(width));
  for (int y = 0; y < height; ++y) {
    indexRow(image, y, quantizer, line.data());
    if (EGifPutLine(gif, line.data(), width) == GIF_ERROR) return writeFailure(gif);
    if (!rows.advance()) return IGE_CANCELLED;
  }
  return 0;
}

class GifCodec final : public Codec {
 public:
  int format() const override { return IG_FORMAT_GIF; }

  bool detect(Bytes file) const override {
    return file.size() >= 6 && (std::memcmp(file.data(), "GIF87a", 6) == 0 ||
                                std::memcmp(file.data(), "GIF89a", 6) == 0);
  }

  int pageCount(Bytes file, int& count) const override {
    Reader reader;
    if (int rc = reader.open(file); rc != 0) return rc;
    Frame frame;
    int frames = 0;
    while (reader.next(frame) == 1 && reader.skipPixels() == 0) ++frames;
    if (frames == 0) return IGE_INVALID_FILE_HEADER;
    count = frames;
    return 0;
  }

  int info(Bytes file, int page, PageInfo& out) const override {
    Survey s;
    if (int rc = surveyPage(file, page, s); rc != 0) return rc;
    out.format = IG_FORMAT_GIF;
    out.compression = IG_COMPRESSION_LZW;
    out.width = s.width;
    out.height = s.height;
    out.bits_per_pixel = s.sources.bitsPerPixel();
    out.x_ppm = out.y_ppm = 0;
    return 0;
  }

  int load(Bytes file, int page, Progress& progress, Dib& out,
           ImageAttributes& attributes) const override {
    Survey s;
    if (int rc = surveyPage(file, page, s); rc != 0) return rc;
    Reader reader;
    if (int rc = reader.open(file); rc != 0) return rc;
    Canvas canvas;
    if (int rc = canvas.allocate(s.width, s.height, s.sources.mixed); rc != 0) return rc;
    RowCounter rows(progress, s.rows);
    std::vector<uint8_t> saved;
    Frame frame;
    for (int i = 1; i <= page; ++i) {
      if (reader.next(frame) != 1) return IGE_INVALID_FILE_HEADER;
      if (i == 1) {
        canvas.setBackground(gif::backgroundFor(reader, frame));
        canvas.fill(gif::Rect{0, 0, s.width, s.height});
      }
      const gif::Rect area = gif::onScreen(frame, s.width, s.height);
      const bool restore = i < page && frame.disposal == DISPOSE_PREVIOUS;
      if (restore) canvas.save(area, saved);
      if (int rc = decodeFrame(reader, frame, i == 1, s.width, s.height, canvas, rows); rc != 0)
        return rc;
      if (restore)
        canvas.restore(area, saved);
      else if (i < page && frame.disposal == DISPOSE_BACKGROUND)
        canvas.fill(area);
    }
    if (int rc = canvas.finish(s.sources.map, s.sources.bitsPerPixel(), out); rc != 0) return rc;
    attributes.delay_cs = s.page.delay_cs;
    if (s.page.transparent >= 0) {
      const gif::Rgb& c = s.page.map[s.page.transparent];
      attributes.transparent = true;
      attributes.transparent_colour = OV_RGB{c.b, c.g, c.r};
    }
    return 0;
  }

  bool canSave() const override { return true; }

  // 24-bit images are reduced to 256 colours on the way out; the image itself is untouched.
  int save(const Dib& image, const ImageAttributes& attributes, const SaveOptions&,
           Progress& progress, FileSink& out) const override {
    if (image.empty()) return IGE_INVALID_IMAGE;
    const int bpp = image.bitsPerPixel();
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24) return IGE_INVALID_BIT_DEPTH;
    const int height = image.height();
    RowCounter rows(progress, bpp == 24 ? 2 * int64_t{height} : height);
    std::unique_ptr<OctreeQuantizer> quantizer;
    std::vector<OV_RGBQUAD> palette;
    if (bpp == 24) {
      quantizer = std::make_unique<OctreeQuantizer>(256);
      for (int y = 0; y < height; ++y) {
        quantizer->add(image.row(y), static_cast<size_t>(image.width()));
        if (!rows.advance()) return IGE_CANCELLED;
      }
      quantizer->finish();
      palette = quantizer->palette();
      palette.resize(256, OV_RGBQUAD{0, 0, 0, 0});
    } else {
      palette.assign(image.palette(), image.palette() + image.paletteSize());
    }
    std::unique_ptr<ColorMapObject, void (*)(ColorMapObject*)> map(
        GifMakeMapObject(static_cast<int>(palette.size()), nullptr), GifFreeMapObject);
    if (!map) return IGE_OUT_OF_MEMORY;
    for (size_t i = 0; i < palette.size(); ++i)
      map->Colors[i] = GifColorType{palette[i].red, palette[i].green, palette[i].blue};

    int error = 0;
    GifFileType* gif = EGifOpen(&out, writeBytes, &error);
    if (!gif) return error == E_GIF_ERR_NOT_ENOUGH_MEM ? IGE_OUT_OF_MEMORY : IGE_FILE_WRITE_ERROR;
    int rc = writeImage(gif, image, map.get(), attributes, quantizer.get(), rows);
    if (EGifCloseFile(gif, &error) == GIF_ERROR && rc == 0) rc = IGE_FILE_WRITE_ERROR;
    if (rc == 0 && out.failed()) rc = IGE_FILE_WRITE_ERROR;
    return rc;
  }
};

}  // namespace

const Codec& gifCodec() {
  static const GifCodec codec;
  return codec;
}

}  // namespace ov
