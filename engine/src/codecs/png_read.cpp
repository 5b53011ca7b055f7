// Decoding PNG with libpng from a file held in memory.
//
// libpng reports errors by longjmp. Every libpng call runs inside ReadSession::guarded, whose
// setjmp turns such an error into IGE_INVALID_FILE_HEADER; the code reached from there keeps
// nothing with a destructor on the stack (buffers belong to the session), so the jump skips
// no cleanup.
#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

#include "codecs/png_io.h"
#include "core/limits.h"
#include "ovengine/ov_formats.h"

namespace ov {
namespace {

// Only pHYs and tRNS among the ancillary chunks are read (the others are skipped unread), so
// no chunk needs much memory; the cap stops a hostile length from asking for it anyway.
constexpr png_alloc_size_t kChunkMallocMax = 1 << 20;
constexpr png_uint_32 kChunkCacheMax = 64;
// Deflate turns one compressed byte into at most 1032; a file smaller than its pixel bytes
// over this ratio cannot hold them, and refusing it early spares a useless allocation.
constexpr uint64_t kMaxDeflateRatio = 1032;

[[noreturn]] void onError(png_structp png, png_const_charp) {
  png_longjmp(png, 1);
}
// Damage that libpng can work around is not worth reporting.
void onWarning(png_structp, png_const_charp) {}

struct MemorySource {
  Bytes file;
  size_t position = 0;
};

void readFromMemory(png_structp png, png_bytep data, size_t length) {
  auto* source = static_cast<MemorySource*>(png_get_io_ptr(png));
  if (length > source->file.size() - source->position) png_error(png, "unexpected end of file");
  std::memcpy(data, source->file.data() + source->position, length);
  source->position += length;
}

class ReadSession {
 public:
  explicit ReadSession(Bytes file) : source_{file} {
    png_ = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, onError, onWarning);
    if (png_) info_ = png_create_info_struct(png_);
  }
  ReadSession(const ReadSession&) = delete;
  ReadSession& operator=(const ReadSession&) = delete;
  ~ReadSession() { png_destroy_read_struct(&png_, &info_, nullptr); }

  bool ok() const { return png_ && info_; }
  png_structp png() const { return png_; }
  png_infop info() const { return info_; }
  MemorySource* source() { return &source_; }
  size_t fileSize() const { return source_.file.size(); }

  // Runs `step`, which returns an engine code; a libpng error inside it comes back as -2061.
  template <typename Step>
  int guarded(Step&& step) {
    if (setjmp(png_jmpbuf(png_))) return IGE_INVALID_FILE_HEADER;
    return step();
  }

  // A row buffer that lives as long as the session, whatever way decoding ends.
  uint8_t* scratch(size_t bytes) {
    scratch_.reset(new (std::nothrow) uint8_t[bytes]);
    return scratch_.get();
  }

 private:
  png_structp png_ = nullptr;
  png_infop info_ = nullptr;
  MemorySource source_;
  std::unique_ptr<uint8_t[]> scratch_;
};

struct Header {
  png_uint_32 width = 0;
  png_uint_32 height = 0;
  int bit_depth = 0;
  int colour_type = 0;
  bool interlaced = false;
  int depth = 0;  // engine depth the image loads as
  int x_ppm = 0;
  int y_ppm = 0;
};

int loadedDepth(int colour_type, int bit_depth) {
  switch (colour_type) {
    case PNG_COLOR_TYPE_PALETTE:
    case PNG_COLOR_TYPE_GRAY:
      return bit_depth == 1 ? 1 : bit_depth <= 4 ? 4 : 8;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
      return 8;
    default:
      return 24;
  }
}

// Reads the chunks before the first image data; 0, or -2061 for an image the engine refuses.
int readHeader(ReadSession& s, Header& h) {
  png_structp png = s.png();
  png_set_user_limits(png, kMaxSide, kMaxSide);
  png_set_chunk_malloc_max(png, kChunkMallocMax);
  png_set_chunk_cache_max(png, kChunkCacheMax);
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
  static constexpr png_byte kNeeded[] = "pHYs\0tRNS";
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_AS_DEFAULT, kNeeded, 2);
  png_set_read_fn(png, s.source(), readFromMemory);
  png_read_info(png, s.info());

  int interlace = PNG_INTERLACE_NONE;
  if (!png_get_IHDR(png, s.info(), &h.width, &h.height, &h.bit_depth, &h.colour_type, &interlace,
                    nullptr, nullptr))
    return IGE_INVALID_FILE_HEADER;
  if (!dimensionsAllowed(h.width, h.height)) return IGE_INVALID_FILE_HEADER;
  h.interlaced = interlace != PNG_INTERLACE_NONE;
  h.depth = loadedDepth(h.colour_type, h.bit_depth);

  png_uint_32 x = 0, y = 0;
  int unit = PNG_RESOLUTION_UNKNOWN;
  constexpr png_uint_32 kMaxPpm = std::numeric_limits<int32_t>::max();
  if (png_get_pHYs(png, s.info(), &x, &y, &unit) && unit == PNG_RESOLUTION_METER && x <= kMaxPpm &&
      y <= kMaxPpm) {
    h.x_ppm = static_cast<int>(x);
    h.y_ppm = static_cast<int>(y);
  }
  return 0;
}

bool plausibleSize(const ReadSession& s, const Header& h) {
  const uint64_t pixel_bits =
      static_cast<uint64_t>(h.width) * h.height * h.bit_depth * png_get_channels(s.png(), s.info());
  return pixel_bits / 8 / kMaxDeflateRatio <= s.fileSize();
}

// A sample of `bits` bits as 8 bits, rounded like png_set_scale_16.
uint8_t sampleTo8(unsigned value, int bits) {
  if (bits == 16) return static_cast<uint8_t>((value * 255 + 32767) / 65535);
  const unsigned max = (1u << bits) - 1;
  return static_cast<uint8_t>(std::min(value, max) * 255 / max);
}

// c * a + 255 * (1 - a), rounded to nearest: white where the pixel is transparent.
inline uint8_t overWhite(unsigned c, unsigned a) {
  return static_cast<uint8_t>((c * a + 255 * (255 - a) + 127) / 255);
}

OV_RGBQUAD quad(uint8_t r, uint8_t g, uint8_t b) {
  return OV_RGBQUAD{b, g, r, 0};
}

// Grey levels of `sample_bits`-bit samples at entries 0..2^bits-1 (16-bit samples load as
// 8 bits); a 2-bit image loads as 4 bits and its other entries stay black.
void setGreyLevels(Dib& dib, int sample_bits) {
  OV_RGBQUAD* p = dib.palette();
  std::memset(p, 0, sizeof(OV_RGBQUAD) * dib.paletteSize());
  const int levels = 1 << std::min(sample_bits, 8);
  for (int i = 0; i < levels; ++i) {
    const auto v = static_cast<uint8_t>(i * 255 / (levels - 1));
    p[i] = quad(v, v, v);
  }
}

// Copies PLTE. A tRNS that hides exactly one entry (all others opaque) becomes the
// transparent colour; any other alpha is composited into the entries over white.
void setPaletteColours(png_structp png, png_infop info, Dib& dib, ImageAttributes& attributes) {
  OV_RGBQUAD* p = dib.palette();
  std::memset(p, 0, sizeof(OV_RGBQUAD) * dib.paletteSize());
  png_colorp colours = nullptr;
  int count = 0;
  png_get_PLTE(png, info, &colours, &count);
  count = colours ? std::min(count, dib.paletteSize()) : 0;
  for (int i = 0; i < count; ++i) p[i] = quad(colours[i].red, colours[i].green, colours[i].blue);

  png_bytep alpha = nullptr;
  int alpha_count = 0;
  if (!png_get_tRNS(png, info, &alpha, &alpha_count, nullptr) || !alpha) return;
  alpha_count = std::clamp(alpha_count, 0, count);
  int clear = -1, clear_count = 0;
  bool partial = false;
  for (int i = 0; i < alpha_count; ++i) {
    if (alpha[i] == 0) {
      clear = i;
      ++clear_count;
    } else if (alpha[i] != 255) {
      partial = true;
    }
  }
  if (clear_count == 1 && !partial) {
    attributes.transparent = true;
    attributes.transparent_colour = OV_RGB{p[clear].blue, p[clear].green, p[clear].red};
    return;
  }
  for (int i = 0; i < alpha_count; ++i)
    p[i] = quad(overWhite(p[i].red, alpha[i]), overWhite(p[i].green, alpha[i]),
                overWhite(p[i].blue, alpha[i]));
}

// tRNS on a grey or RGB image names one colour that is not drawn.
void setColourKey(png_structp png, png_infop info, const Header& h, ImageAttributes& attributes) {
  png_color_16p key = nullptr;
  if (!png_get_tRNS(png, info, nullptr, nullptr, &key) || !key) return;
  attributes.transparent = true;
  if (h.colour_type == PNG_COLOR_TYPE_GRAY) {
    const uint8_t v = sampleTo8(key->gray, h.bit_depth);
    attributes.transparent_colour = OV_RGB{v, v, v};
  } else {
    attributes.transparent_colour =
        OV_RGB{sampleTo8(key->blue, h.bit_depth), sampleTo8(key->green, h.bit_depth),
               sampleTo8(key->red, h.bit_depth)};
  }
}

void setColours(png_structp png, png_infop info, const Header& h, Dib& dib,
                ImageAttributes& attributes) {
  switch (h.colour_type) {
    case PNG_COLOR_TYPE_PALETTE:
      setPaletteColours(png, info, dib, attributes);
      break;
    case PNG_COLOR_TYPE_GRAY:
      setGreyLevels(dib, h.bit_depth);
      setColourKey(png, info, h, attributes);
      break;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
      setGreyLevels(dib, 8);
      break;
    case PNG_COLOR_TYPE_RGB:
      setColourKey(png, info, h, attributes);
      break;
    default:
      break;
  }
}

// Widens 2-bit pixels to 4 bits in place. Working from the end, each byte written only
// covers source pixels already read.
void widen2To4(uint8_t* row, int width) {
  auto pixel = [row](int x) { return (row[x >> 2] >> (6 - 2 * (x & 3))) & 3; };
  for (int k = (width - 1) / 2; k >= 0; --k) {
    const int x = 2 * k;
    const int high = pixel(x);
    const int low = x + 1 < width ? pixel(x + 1) : 0;
    row[k] = static_cast<uint8_t>((high << 4) | low);
  }
}

// Images without alpha: libpng writes each row straight into the Dib (interlaced ones pass
// by every row once per pass and fill in that pass's pixels).
int readDirect(png_structp png, const Header& h, int passes, int pixel_bits, Dib& dib,
               Progress& progress) {
  const int width = static_cast<int>(h.width);
  const int height = static_cast<int>(h.height);
  const bool widen = h.bit_depth == 2;
  // libpng keeps the bits past the last pixel of a row, so the row's tail is cleared first.
  const size_t whole = static_cast<size_t>(width) * pixel_bits / 8;
  progress.start(static_cast<int64_t>(height) * passes);
  int64_t done = 0;
  for (int pass = 0; pass < passes; ++pass) {
    for (int y = 0; y < height; ++y) {
      uint8_t* row = dib.row(y);
      if (pass == 0) std::memset(row + whole, 0, dib.stride() - whole);
      png_read_row(png, row, nullptr);
      if (widen && passes == 1) widen2To4(row, width);
      if (!progress.advanceTo(++done)) return IGE_CANCELLED;
    }
  }
  if (widen && passes > 1)
    for (int y = 0; y < height; ++y) widen2To4(dib.row(y), width);
  return 0;
}

// Where the pixels of one interlace pass (or of the whole image) go.
struct PassGeometry {
  int first_row, row_step, rows;
  int first_col, col_step, cols;
};

PassGeometry passGeometry(const Header& h, int pass) {
  if (!h.interlaced) return {0, 1, static_cast<int>(h.height), 0, 1, static_cast<int>(h.width)};
  return {PNG_PASS_START_ROW(pass),
          1 << PNG_PASS_ROW_SHIFT(pass),
          static_cast<int>(PNG_PASS_ROWS(h.height, pass)),
          PNG_PASS_START_COL(pass),
          1 << PNG_PASS_COL_SHIFT(pass),
          static_cast<int>(PNG_PASS_COLS(h.width, pass))};
}

void compositeRow(const uint8_t* src, const PassGeometry& g, bool grey, uint8_t* row) {
  if (grey) {
    for (int i = 0, x = g.first_col; i < g.cols; ++i, x += g.col_step, src += 2)
      row[x] = overWhite(src[0], src[1]);
    return;
  }
  for (int i = 0, x = g.first_col; i < g.cols; ++i, x += g.col_step, src += 4) {
    uint8_t* p = row + 3 * static_cast<size_t>(x);
    p[0] = overWhite(src[0], src[3]);
    p[1] = overWhite(src[1], src[3]);
    p[2] = overWhite(src[2], src[3]);
  }
}

// Images with alpha: libpng hands over each row (of each pass, without its interlace
// handling), which is composited over white into its pixels of the Dib.
int readComposited(png_structp png, const Header& h, uint8_t* scratch, Dib& dib,
                   Progress& progress) {
  const bool grey = h.colour_type == PNG_COLOR_TYPE_GRAY_ALPHA;
  const size_t whole = static_cast<size_t>(h.width) * (grey ? 1 : 3);
  for (int y = 0; y < static_cast<int>(h.height); ++y)
    std::memset(dib.row(y) + whole, 0, dib.stride() - whole);
  const int passes = h.interlaced ? 7 : 1;
  int64_t units = 0;
  for (int pass = 0; pass < passes; ++pass) {
    const PassGeometry g = passGeometry(h, pass);
    if (g.cols > 0) units += g.rows;
  }
  progress.start(units);
  int64_t done = 0;
  for (int pass = 0; pass < passes; ++pass) {
    const PassGeometry g = passGeometry(h, pass);
    if (g.rows == 0 || g.cols == 0) continue;  // libpng skips empty passes too
    for (int r = 0; r < g.rows; ++r) {
      png_read_row(png, scratch, nullptr);
      compositeRow(scratch, g, grey, dib.row(g.first_row + r * g.row_step));
      if (!progress.advanceTo(++done)) return IGE_CANCELLED;
    }
  }
  return 0;
}

int decode(ReadSession& s, Progress& progress, Dib& out, ImageAttributes& attributes) {
  Header h;
  if (int rc = readHeader(s, h); rc != 0) return rc;
  if (!plausibleSize(s, h)) return IGE_INVALID_FILE_HEADER;
  png_structp png = s.png();
  png_infop info = s.info();

  const bool alpha = (h.colour_type & PNG_COLOR_MASK_ALPHA) != 0;
  if (h.bit_depth == 16) png_set_scale_16(png);
  if (h.colour_type == PNG_COLOR_TYPE_RGB || h.colour_type == PNG_COLOR_TYPE_RGB_ALPHA)
    png_set_bgr(png);
  const int passes = h.interlaced && !alpha ? png_set_interlace_handling(png) : 1;
  png_read_update_info(png, info);
  const size_t row_bytes = png_get_rowbytes(png, info);
  const int pixel_bits = png_get_bit_depth(png, info) * png_get_channels(png, info);

  if (int rc = out.allocate(static_cast<int>(h.width), static_cast<int>(h.height), h.depth,
                            /*zero=*/false);
      rc != 0)
    return rc == IGE_OUT_OF_MEMORY ? rc : IGE_INVALID_FILE_HEADER;
  setColours(png, info, h, out, attributes);
  out.setResolution(h.x_ppm, h.y_ppm);

  if (alpha) {
    uint8_t* scratch = s.scratch(row_bytes);
    if (!scratch) return IGE_OUT_OF_MEMORY;
    return readComposited(png, h, scratch, out, progress);
  }
  if (row_bytes > out.stride()) return IGE_INVALID_FILE_HEADER;
  return readDirect(png, h, passes, pixel_bits, out, progress);
}

}  // namespace

bool pngSignature(Bytes file) {
  return file.size() >= 8 && png_sig_cmp(file.data(), 0, 8) == 0;
}

int pngReadInfo(Bytes file, PageInfo& out) {
  if (!pngSignature(file)) return IGE_INVALID_FILE_HEADER;
  ReadSession s(file);
  if (!s.ok()) return IGE_OUT_OF_MEMORY;
  Header h;
  if (int rc = s.guarded([&] { return readHeader(s, h); }); rc != 0) return rc;
  out.format = IG_FORMAT_PNG;
  out.compression = IG_COMPRESSION_DEFLATE;
  out.width = static_cast<int>(h.width);
  out.height = static_cast<int>(h.height);
  out.bits_per_pixel = h.depth;
  out.x_ppm = h.x_ppm;
  out.y_ppm = h.y_ppm;
  return 0;
}

int pngLoad(Bytes file, Progress& progress, Dib& out, ImageAttributes& attributes) {
  if (!pngSignature(file)) return IGE_INVALID_FILE_HEADER;
  ReadSession s(file);
  if (!s.ok()) return IGE_OUT_OF_MEMORY;
  const int rc = s.guarded([&] { return decode(s, progress, out, attributes); });
  if (rc != 0) {
    out = Dib();
    attributes = ImageAttributes();
  }
  return rc;
}

}  // namespace ov
