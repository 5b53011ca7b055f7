// Encoding PNG with libpng into a FileSink. As in png_read.cpp, libpng runs only inside
// WriteSession::guarded, whose setjmp catches libpng's error longjmp; nothing between the
// two owns resources.
#include <png.h>

#include <csetjmp>
#include <cstring>

#include "codecs/png_io.h"

namespace ov {
namespace {

[[noreturn]] void onError(png_structp png, png_const_charp) {
  png_longjmp(png, 1);
}
void onWarning(png_structp, png_const_charp) {}

struct SinkTarget {
  FileSink* sink;
  bool failed = false;
};

void writeToSink(png_structp png, png_bytep data, size_t length) {
  auto* target = static_cast<SinkTarget*>(png_get_io_ptr(png));
  if (!target->sink->write(data, length)) {
    target->failed = true;
    png_error(png, "write failed");
  }
}

// The caller flushes the sink once the whole file is written.
void flushNothing(png_structp) {}

class WriteSession {
 public:
  explicit WriteSession(FileSink& sink) : target_{&sink} {
    png_ = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, onError, onWarning);
    if (png_) info_ = png_create_info_struct(png_);
  }
  WriteSession(const WriteSession&) = delete;
  WriteSession& operator=(const WriteSession&) = delete;
  ~WriteSession() { png_destroy_write_struct(&png_, &info_); }

  bool ok() const { return png_ && info_; }
  png_structp png() const { return png_; }
  png_infop info() const { return info_; }

  // Runs `step`, which returns an engine code. A libpng error inside it is a failed write
  // or, as the parameters are always valid, a failed allocation.
  template <typename Step>
  int guarded(Step&& step) {
    if (setjmp(png_jmpbuf(png_))) return target_.failed ? IGE_FILE_WRITE_ERROR : IGE_OUT_OF_MEMORY;
    png_set_write_fn(png_, &target_, writeToSink, flushNothing);
    return step();
  }

 private:
  png_structp png_ = nullptr;
  png_infop info_ = nullptr;
  SinkTarget target_;
};

// The palette as it is; a transparent colour hides the first entry of that colour.
void setPalette(png_structp png, png_infop info, const Dib& image,
                const ImageAttributes& attributes) {
  const int entries = image.paletteSize();
  const OV_RGBQUAD* p = image.palette();
  png_color colours[256] = {};
  for (int i = 0; i < entries; ++i) colours[i] = png_color{p[i].red, p[i].green, p[i].blue};
  png_set_PLTE(png, info, colours, entries);
  if (!attributes.transparent) return;
  const OV_RGB& c = attributes.transparent_colour;
  for (int i = 0; i < entries; ++i) {
    if (p[i].red == c.r && p[i].green == c.g && p[i].blue == c.b) {
      png_byte alpha[256];
      std::memset(alpha, 255, sizeof alpha);
      alpha[i] = 0;
      png_set_tRNS(png, info, alpha, i + 1, nullptr);
      return;
    }
  }
}

void setColourKey(png_structp png, png_infop info, bool grey, const OV_RGB& c) {
  png_color_16 key{};
  if (grey) {
    if (c.r != c.g || c.g != c.b) return;  // no grey pixel can have it
    key.gray = c.r;
  } else {
    key.red = c.r;
    key.green = c.g;
    key.blue = c.b;
  }
  png_set_tRNS(png, info, nullptr, 0, &key);
}

int writeImage(png_structp png, png_infop info, const Dib& image, const ImageAttributes& attributes,
               Progress& progress) {
  const int bpp = image.bitsPerPixel();
  const bool grey = bpp == 8 && image.isGrayRamp();
  const int colour_type = bpp == 24 ? PNG_COLOR_TYPE_RGB
                          : grey    ? PNG_COLOR_TYPE_GRAY
                                    : PNG_COLOR_TYPE_PALETTE;
  png_set_IHDR(png, info, static_cast<png_uint_32>(image.width()),
               static_cast<png_uint_32>(image.height()), bpp == 24 ? 8 : bpp, colour_type,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (colour_type == PNG_COLOR_TYPE_PALETTE)
    setPalette(png, info, image, attributes);
  else if (attributes.transparent)
    setColourKey(png, info, grey, attributes.transparent_colour);
  const OV_BITMAPINFOHEADER* header = image.header();
  if (header->biXPelsPerMeter > 0 && header->biYPelsPerMeter > 0)
    png_set_pHYs(png, info, static_cast<png_uint_32>(header->biXPelsPerMeter),
                 static_cast<png_uint_32>(header->biYPelsPerMeter), PNG_RESOLUTION_METER);
  png_write_info(png, info);
  if (bpp == 24) png_set_bgr(png);

  progress.start(image.height());
  for (int y = 0; y < image.height(); ++y) {
    png_write_row(png, image.row(y));
    if (!progress.advanceTo(y + 1)) return IGE_CANCELLED;
  }
  png_write_end(png, nullptr);
  return 0;
}

}  // namespace

int pngSave(const Dib& image, const ImageAttributes& attributes, Progress& progress,
            FileSink& out) {
  if (image.empty()) return IGE_INVALID_IMAGE;
  const int bpp = image.bitsPerPixel();
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24) return IGE_INVALID_BIT_DEPTH;
  WriteSession s(out);
  if (!s.ok()) return IGE_OUT_OF_MEMORY;
  return s.guarded([&] { return writeImage(s.png(), s.info(), image, attributes, progress); });
}

}  // namespace ov
