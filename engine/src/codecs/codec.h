// One image file format: detection, information, loading and (optionally) saving.
// Every format lives in its own file and registers itself in codec_table.cpp.
#pragma once

#include <cstdint>

#include "core/dib.h"
#include "core/progress.h"
#include "io/file_sink.h"
#include "io/mapped_file.h"
#include "ovengine/ov_errors.h"

namespace ov {

struct PageInfo {
  int format = 0;
  int compression = 0;
  int width = 0;
  int height = 0;
  int bits_per_pixel = 0;  // the depth the page loads as (1, 4, 8 or 24)
  int x_ppm = 0;           // resolution in pixels per metre; 0 when the file holds none
  int y_ppm = 0;
};

// What a file says about an image beyond its pixels.
struct ImageAttributes {
  bool transparent = false;   // the image has a colour that is not drawn
  OV_RGB transparent_colour{};  // for palette images: the colour of the transparent entry
  int delay_cs = 0;           // animation delay of this frame, 1/100 s (0 = none stored)
};

struct SaveOptions {
  int compression = 0;   // the high 16 bits of the save code
  int jpeg_quality = 100;  // 1..100
};

// Everything a codec returns is 0 or an engine error code (IGE_...).
class Codec {
 public:
  virtual ~Codec() = default;

  virtual int format() const = 0;
  // Recognises the format from the first bytes of the file (the whole file is passed).
  virtual bool detect(Bytes file) const = 0;
  virtual int pageCount(Bytes file, int& count) const {
    (void)file;
    count = 1;
    return 0;
  }
  // `page` counts from 1.
  virtual int info(Bytes file, int page, PageInfo& out) const = 0;
  // Decodes `page` into `out` at one of the engine depths, reporting rows to `progress`.
  // A cancelled progress gives IGE_CANCELLED.
  virtual int load(Bytes file, int page, Progress& progress, Dib& out,
                   ImageAttributes& attributes) const = 0;

  virtual bool canSave() const { return false; }
  // Writes the whole file. IGE_INVALID_BIT_DEPTH for a depth the format cannot hold.
  virtual int save(const Dib& image, const ImageAttributes& attributes, const SaveOptions& options,
                   Progress& progress, FileSink& out) const {
    (void)image, (void)attributes, (void)options, (void)progress, (void)out;
    return IGE_FORMAT_NOT_WRITABLE;
  }
  // Writes `image` as page `page` (from 1) of a file that already holds `existing`, keeping
  // the other pages. Single-page formats write the image alone.
  virtual int savePage(Bytes existing, int page, const Dib& image,
                       const ImageAttributes& attributes, const SaveOptions& options,
                       Progress& progress, FileSink& out) const {
    (void)existing, (void)page;
    return save(image, attributes, options, progress, out);
  }
};

// The codec whose detection recognises `file` (and whose auto-detection is on), or null.
const Codec* detectCodec(Bytes file);
// The codec of a format code, or null.
const Codec* codecForFormat(int format);
void setAutoDetect(int format, bool on);

// Each format file defines one of these.
const Codec& bmpCodec();
const Codec& jpegCodec();
const Codec& pngCodec();
const Codec& tiffCodec();
const Codec& gifCodec();
const Codec& clpCodec();
const Codec& pcxCodec();
const Codec& dcxCodec();
const Codec& gemCodec();
const Codec& tgaCodec();
const Codec& rasCodec();
const Codec& sgiCodec();
const Codec& xwdCodec();
const Codec& xbmCodec();
const Codec& xpmCodec();
const Codec& icoCodec();
const Codec& psdCodec();
const Codec& wmfCodec();
const Codec& epsCodec();
const Codec& txtCodec();
// Formats decoded through ImageMagick (magick_codecs.cpp).
const Codec& pcdCodec();
const Codec& pictCodec();
const Codec& wpgCodec();
const Codec& calsCodec();
const Codec& cutCodec();
const Codec& macCodec();
const Codec& dicomCodec();
const Codec& pbmCodec();

}  // namespace ov
