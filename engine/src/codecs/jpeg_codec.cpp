// JPEG-JFIF through libjpeg-turbo. Loading decodes straight into the image's rows; CMYK
// pictures become RGB and the EXIF orientation is applied so that the picture is upright.
//
// libjpeg reports errors by calling error_exit, which must not return: ours longjmps back
// to the setjmp of the running codec call. Everything that owns memory (the libjpeg
// object, buffers, the image) lives in objects made before that setjmp, so the jump skips
// no destructor; the frames it crosses only hold plain values.

// clang-format off
#include <cstdio>  // jpeglib.h needs FILE and size_t first
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstring>
#include <vector>

#include "codecs/codec.h"
#include "codecs/jpeg_exif.h"
#include "codecs/jpeg_reduced.h"
#include "core/limits.h"
#include "core/orientation.h"
#include "core/resolution.h"
#include "ovengine/ov_formats.h"

namespace ov {
namespace {

// A progressive file can hold any number of scans, each a pass over the whole image;
// real files have around ten.
constexpr int kMaxScans = 1000;
// libjpeg hands out at most one block row (16 lines) per call.
constexpr int kRowsPerCall = 16;

struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  int fallback;  // the engine error code for libjpeg's own errors
  int code;      // the code of the error that made the jump
};

[[noreturn]] void jumpBack(j_common_ptr cinfo, int code) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  err->code = code;
  std::longjmp(err->jump, 1);
}

[[noreturn]] void exitOnError(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  jumpBack(cinfo, err->pub.msg_code == JERR_OUT_OF_MEMORY ? IGE_OUT_OF_MEMORY : err->fallback);
}

// Warnings about corrupt data are tolerated, as every viewer does, but running out of
// data is not: libjpeg would fill the rest of the picture with grey and call it done.
void onMessage(j_common_ptr cinfo, int level) {
  if (level >= 0) return;  // trace messages
  if (cinfo->err->msg_code == JWRN_JPEG_EOF) jumpBack(cinfo, IGE_INVALID_FILE_HEADER);
  ++cinfo->err->num_warnings;
}

void silent(j_common_ptr) {}

void limitScans(j_common_ptr cinfo) {
  if (cinfo->is_decompressor &&
      reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxScans)
    jumpBack(cinfo, IGE_INVALID_FILE_HEADER);
}

void initErrors(ErrorManager& err, int fallback) {
  jpeg_std_error(&err.pub);
  err.pub.error_exit = exitOnError;
  err.pub.emit_message = onMessage;
  err.pub.output_message = silent;
  err.fallback = fallback;
  err.code = fallback;
}

// ---- Reading --------------------------------------------------------------------------

class Decoder {
 public:
  explicit Decoder(Bytes file) : file_(file) { initErrors(err_, IGE_INVALID_FILE_HEADER); }
  ~Decoder() { jpeg_destroy_decompress(&cinfo_); }
  Decoder(const Decoder&) = delete;
  Decoder& operator=(const Decoder&) = delete;

  std::jmp_buf& jump() { return err_.jump; }
  int errorCode() const { return err_.code; }

  // Reads the markers up to the first scan and checks that the picture can be decoded.
  int readHeader();
  int orientation() const { return orientation_; }
  bool grey() const { return cinfo_.num_components == 1; }
  // Upright size and resolution.
  void describe(PageInfo& out) const;
  // Decodes at 1/denominator of the full size (1, 2, 4 or 8) through the scaled DCT.
  void setReduction(int denominator) { reduction_ = denominator; }
  int decode(Progress& progress, Dib& out);

 private:
  bool tooShortForItsBlocks() const;
  int readOrientation() const;
  void resolution(int& x_ppm, int& y_ppm) const;
  void cmykToBgr(int rows, Dib& out, int first_row) const;

  Bytes file_;
  jpeg_decompress_struct cinfo_{};
  ErrorManager err_{};
  jpeg_progress_mgr monitor_{};
  int orientation_ = 1;        // the saved markers go when decoding ends
  int reduction_ = 1;
  std::vector<uint8_t> cmyk_;  // a band of CMYK rows on their way to RGB
};

int Decoder::readHeader() {
  cinfo_.err = &err_.pub;
  jpeg_create_decompress(&cinfo_);
  monitor_.progress_monitor = limitScans;
  cinfo_.progress = &monitor_;
  jpeg_mem_src(&cinfo_, file_.data(), file_.size());
  jpeg_save_markers(&cinfo_, JPEG_APP0 + 1, 0xFFFF);
  jpeg_read_header(&cinfo_, TRUE);  // no image gives an error
  switch (cinfo_.jpeg_color_space) {
    case JCS_GRAYSCALE:
    case JCS_YCbCr:
    case JCS_RGB:
    case JCS_CMYK:
    case JCS_YCCK:
      break;
    default:
      return IGE_INVALID_FILE_HEADER;
  }
  if (!dimensionsAllowed(cinfo_.image_width, cinfo_.image_height) || tooShortForItsBlocks())
    return IGE_INVALID_FILE_HEADER;
  orientation_ = readOrientation();
  return 0;
}

// A file must be long enough for the blocks its frame declares; otherwise a few bytes could
// claim a gigapixel picture and keep the decoder busy for seconds. Huffman coding spends at
// least two bits on every block of a sequential file (a DC and an end-of-block code) and at
// least one on every block of a progressive file's first DC scans, so a shorter file is
// damaged. Arithmetic coding has no such floor; one byte per 64 blocks (4096 pixels) is far
// below what any real picture takes.
bool Decoder::tooShortForItsBlocks() const {
  uint64_t blocks = 0;
  for (int c = 0; c < cinfo_.num_components; ++c)
    blocks += uint64_t{cinfo_.comp_info[c].width_in_blocks} * cinfo_.comp_info[c].height_in_blocks;
  const uint64_t blocks_per_byte = cinfo_.arith_code ? 64 : cinfo_.progressive_mode ? 8 : 4;
  return file_.size() < blocks / blocks_per_byte;
}

int Decoder::readOrientation() const {
  for (jpeg_saved_marker_ptr m = cinfo_.marker_list; m; m = m->next) {
    if (m->marker != JPEG_APP0 + 1) continue;
    const int value = exifOrientation({m->data, m->data_length});
    if (value != 1) return value;
  }
  return 1;
}

void Decoder::resolution(int& x_ppm, int& y_ppm) const {
  x_ppm = y_ppm = 0;
  if (!cinfo_.saw_JFIF_marker) return;
  if (cinfo_.density_unit == 1) {
    x_ppm = dpiToPpm(cinfo_.X_density);
    y_ppm = dpiToPpm(cinfo_.Y_density);
  } else if (cinfo_.density_unit == 2) {
    x_ppm = cinfo_.X_density * 100;
    y_ppm = cinfo_.Y_density * 100;
  }
}

void Decoder::describe(PageInfo& out) const {
  out.format = IG_FORMAT_JPG;
  out.compression = IG_COMPRESSION_JPEG;
  out.bits_per_pixel = grey() ? 8 : 24;
  out.width = static_cast<int>(cinfo_.image_width);
  out.height = static_cast<int>(cinfo_.image_height);
  resolution(out.x_ppm, out.y_ppm);
  if (orientation() >= 5) {  // the turned orientations
    std::swap(out.width, out.height);
    std::swap(out.x_ppm, out.y_ppm);
  }
}

int Decoder::decode(Progress& progress, Dib& out) {
  const bool cmyk = cinfo_.jpeg_color_space == JCS_CMYK || cinfo_.jpeg_color_space == JCS_YCCK;
  // The same settings as TurboJPEG's defaults (accurate integer DCT, smooth upsampling),
  // so that pictures match what other libjpeg-turbo programs show.
  cinfo_.out_color_space = grey() ? JCS_GRAYSCALE : cmyk ? JCS_CMYK : JCS_EXT_BGR;
  cinfo_.dct_method = JDCT_ISLOW;
  cinfo_.do_fancy_upsampling = TRUE;
  cinfo_.scale_num = 1;
  cinfo_.scale_denom = static_cast<unsigned>(reduction_);
  jpeg_start_decompress(&cinfo_);  // multi-scan files are read whole here

  const int width = static_cast<int>(cinfo_.output_width);
  const int height = static_cast<int>(cinfo_.output_height);
  if (int rc = out.allocate(width, height, grey() ? 8 : 24, false); rc != 0) return rc;
  if (grey()) out.setGrayPalette();
  if (cmyk) cmyk_.resize(static_cast<size_t>(width) * 4 * kRowsPerCall);
  int xr = 0, yr = 0;
  resolution(xr, yr);
  out.setResolution(xr / reduction_, yr / reduction_);

  progress.start(height);
  JSAMPROW rows[kRowsPerCall];
  while (cinfo_.output_scanline < cinfo_.output_height) {
    const int first = static_cast<int>(cinfo_.output_scanline);
    const int n = std::min(kRowsPerCall, height - first);
    for (int i = 0; i < n; ++i)
      rows[i] = cmyk ? cmyk_.data() + static_cast<size_t>(i) * width * 4 : out.row(first + i);
    const int got = static_cast<int>(jpeg_read_scanlines(&cinfo_, rows, n));
    if (cmyk) cmykToBgr(got, out, first);
    if (!progress.advanceTo(cinfo_.output_scanline)) {
      jpeg_abort_decompress(&cinfo_);
      return IGE_CANCELLED;
    }
  }
  jpeg_finish_decompress(&cinfo_);
  return 0;
}

// Adobe programs store CMYK inverted (255 = no ink); files without their marker store ink.
void Decoder::cmykToBgr(int rows, Dib& out, int first_row) const {
  const int width = static_cast<int>(cinfo_.output_width);
  const bool inverted = cinfo_.saw_Adobe_marker;
  for (int r = 0; r < rows; ++r) {
    const uint8_t* s = cmyk_.data() + static_cast<size_t>(r) * width * 4;
    uint8_t* d = out.row(first_row + r);
    for (int x = 0; x < width; ++x, s += 4, d += 3) {
      int c = s[0], m = s[1], y = s[2], k = s[3];
      if (!inverted) c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
      d[0] = static_cast<uint8_t>((y * k + 127) / 255);
      d[1] = static_cast<uint8_t>((m * k + 127) / 255);
      d[2] = static_cast<uint8_t>((c * k + 127) / 255);
    }
  }
}

// ---- Writing --------------------------------------------------------------------------

// Compressed data goes to the FileSink through a buffer of our own.
struct Destination {
  jpeg_destination_mgr pub;
  FileSink* sink;
  std::vector<uint8_t> buffer;
};

void initDestination(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<Destination*>(cinfo->dest);
  dest->pub.next_output_byte = dest->buffer.data();
  dest->pub.free_in_buffer = dest->buffer.size();
}

boolean emptyDestination(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<Destination*>(cinfo->dest);
  if (!dest->sink->write(dest->buffer.data(), dest->buffer.size()))
    jumpBack(reinterpret_cast<j_common_ptr>(cinfo), IGE_FILE_WRITE_ERROR);
  initDestination(cinfo);
  return TRUE;
}

void termDestination(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<Destination*>(cinfo->dest);
  if (!dest->sink->write(dest->buffer.data(), dest->buffer.size() - dest->pub.free_in_buffer))
    jumpBack(reinterpret_cast<j_common_ptr>(cinfo), IGE_FILE_WRITE_ERROR);
}

class Encoder {
 public:
  Encoder(const Dib& image, FileSink& sink) : image_(image) {
    initErrors(err_, IGE_INVALID_ARGUMENT);
    dest_.pub.init_destination = initDestination;
    dest_.pub.empty_output_buffer = emptyDestination;
    dest_.pub.term_destination = termDestination;
    dest_.sink = &sink;
    dest_.buffer.resize(1 << 16);
    // Colour palettes are written as RGB, expanded a row at a time.
    if (image.bitsPerPixel() == 8 && !image.isGrayRamp())
      expanded_.resize(static_cast<size_t>(image.width()) * 3 * kRowsPerCall);
  }
  ~Encoder() { jpeg_destroy_compress(&cinfo_); }
  Encoder(const Encoder&) = delete;
  Encoder& operator=(const Encoder&) = delete;

  std::jmp_buf& jump() { return err_.jump; }
  int errorCode() const { return err_.code; }
  int encode(int quality, Progress& progress);

 private:
  void setDensity();
  JSAMPROW rowFor(int y, int slot);

  const Dib& image_;
  jpeg_compress_struct cinfo_{};
  ErrorManager err_{};
  Destination dest_{};
  std::vector<uint8_t> expanded_;
};

void Encoder::setDensity() {
  const OV_BITMAPINFOHEADER* h = image_.header();
  int x = h->biXPelsPerMeter, y = h->biYPelsPerMeter;
  if (x <= 0 && y <= 0) return;  // libjpeg's default: aspect ratio 1:1, no unit
  if (x <= 0) x = y;
  if (y <= 0) y = x;
  cinfo_.density_unit = 1;
  cinfo_.X_density = static_cast<UINT16>(std::clamp(ppmToDpi(x), 1, 65535));
  cinfo_.Y_density = static_cast<UINT16>(std::clamp(ppmToDpi(y), 1, 65535));
}

JSAMPROW Encoder::rowFor(int y, int slot) {
  if (expanded_.empty()) return const_cast<JSAMPROW>(image_.row(y));  // libjpeg only reads it
  const int width = image_.width();
  const OV_RGBQUAD* palette = image_.palette();
  const uint8_t* s = image_.row(y);
  uint8_t* row = expanded_.data() + static_cast<size_t>(slot) * width * 3;
  for (int x = 0; x < width; ++x) {
    const OV_RGBQUAD& c = palette[s[x]];
    row[3 * x] = c.blue;
    row[3 * x + 1] = c.green;
    row[3 * x + 2] = c.red;
  }
  return row;
}

int Encoder::encode(int quality, Progress& progress) {
  cinfo_.err = &err_.pub;
  jpeg_create_compress(&cinfo_);
  cinfo_.dest = &dest_.pub;
  const bool grey = image_.bitsPerPixel() == 8 && expanded_.empty();
  cinfo_.image_width = static_cast<JDIMENSION>(image_.width());
  cinfo_.image_height = static_cast<JDIMENSION>(image_.height());
  cinfo_.input_components = grey ? 1 : 3;
  cinfo_.in_color_space = grey ? JCS_GRAYSCALE : JCS_EXT_BGR;
  jpeg_set_defaults(&cinfo_);
  jpeg_set_quality(&cinfo_, std::clamp(quality, 1, 100), TRUE);
  setDensity();
  jpeg_start_compress(&cinfo_, TRUE);

  const int height = image_.height();
  progress.start(height);
  JSAMPROW rows[kRowsPerCall];
  while (cinfo_.next_scanline < cinfo_.image_height) {
    const int first = static_cast<int>(cinfo_.next_scanline);
    const int n = std::min(kRowsPerCall, height - first);
    for (int i = 0; i < n; ++i) rows[i] = rowFor(first + i, i);
    jpeg_write_scanlines(&cinfo_, rows, n);
    if (!progress.advanceTo(cinfo_.next_scanline)) {
      jpeg_abort_compress(&cinfo_);
      return IGE_CANCELLED;
    }
  }
  jpeg_finish_compress(&cinfo_);
  return 0;
}

// ---- The codec ------------------------------------------------------------------------

class JpegCodec final : public Codec {
 public:
  int format() const override { return IG_FORMAT_JPG; }

  bool detect(Bytes file) const override {
    return file.size() >= 3 && file[0] == 0xFF && file[1] == 0xD8 && file[2] == 0xFF;
  }

  int info(Bytes file, int page, PageInfo& out) const override {
    if (page != 1) return IGE_PAGE_NOT_FOUND;
    Decoder decoder(file);
    if (setjmp(decoder.jump())) return decoder.errorCode();
    if (int rc = decoder.readHeader(); rc != 0) return rc;
    decoder.describe(out);
    return 0;
  }

  int load(Bytes file, int page, Progress& progress, Dib& out,
           ImageAttributes& attributes) const override {
    (void)attributes;  // JPEG has no transparency or animation
    if (page != 1) return IGE_PAGE_NOT_FOUND;
    Decoder decoder(file);
    if (setjmp(decoder.jump())) {
      out = Dib();
      return decoder.errorCode();
    }
    int rc = decoder.readHeader();
    if (rc == 0) rc = decoder.decode(progress, out);
    if (rc == 0) rc = applyExifOrientation(out, decoder.orientation());
    if (rc != 0) out = Dib();
    return rc;
  }

  bool canSave() const override { return true; }

  int save(const Dib& image, const ImageAttributes& attributes, const SaveOptions& options,
           Progress& progress, FileSink& out) const override {
    (void)attributes;
    if (image.bitsPerPixel() != 8 && image.bitsPerPixel() != 24) return IGE_INVALID_BIT_DEPTH;
    Encoder encoder(image, out);
    if (setjmp(encoder.jump())) return encoder.errorCode();
    return encoder.encode(options.jpeg_quality, progress);
  }
};

}  // namespace

int loadJpegReduced(Bytes file, int min_width, int min_height, Progress& progress, Dib& out) {
  Decoder decoder(file);
  if (setjmp(decoder.jump())) {
    out = Dib();
    return decoder.errorCode();
  }
  int rc = decoder.readHeader();
  if (rc != 0) return rc;
  PageInfo upright;
  decoder.describe(upright);
  // libjpeg rounds scaled sizes up, and so does this.
  auto fits = [&](int d) {
    return (upright.width + d - 1) / d >= min_width && (upright.height + d - 1) / d >= min_height;
  };
  int reduction = 1;
  for (int d : {8, 4, 2}) {
    if (fits(d)) {
      reduction = d;
      break;
    }
  }
  decoder.setReduction(reduction);
  rc = decoder.decode(progress, out);
  if (rc == 0) rc = applyExifOrientation(out, decoder.orientation());
  if (rc != 0) out = Dib();
  return rc;
}

const Codec& jpegCodec() {
  static const JpegCodec codec;
  return codec;
}

}  // namespace ov
