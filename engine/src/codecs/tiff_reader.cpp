#include "codecs/tiff_reader.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "core/limits.h"
#include "core/orientation.h"
#include "core/resolution.h"

namespace ov::tiff {
namespace {

constexpr int kBad = IGE_INVALID_FILE_HEADER;
// Pictures up to this size are decoded whatever their data size; above it the stored data
// must be able to expand to the picture, so that a few bytes cannot claim gigabytes.
constexpr uint64_t kAlwaysPlausible = uint64_t{16} << 20;
// Rows of RGBA raster decoded at a time stay under this size.
constexpr uint64_t kMaxBandBytes = uint64_t{64} << 20;

bool isGrey(uint16_t photometric) {
  return photometric == PHOTOMETRIC_MINISWHITE || photometric == PHOTOMETRIC_MINISBLACK;
}

bool isCcitt(uint16_t compression) {
  return compression == COMPRESSION_CCITTRLE || compression == COMPRESSION_CCITTRLEW ||
         compression == COMPRESSION_CCITTFAX3 || compression == COMPRESSION_CCITTFAX4;
}

Route chooseRoute(TIFF* tif, const Layout& l, uint16_t planar, uint16_t format, uint16_t extra) {
  // Tiles, alpha and old-style JPEG are left to libtiff's RGBA interface.
  if (TIFFIsTiled(tif) || extra != 0 || l.compression == COMPRESSION_OJPEG) return Route::kRgba;
  const bool unsigned_int = format == SAMPLEFORMAT_UINT || format == SAMPLEFORMAT_VOID;
  const bool contig = planar == PLANARCONFIG_CONTIG || l.samples == 1;
  const bool single = l.samples == 1;
  const uint16_t b = l.bits;
  if (unsigned_int && single && isGrey(l.photometric)) {
    if (b == 1) return Route::kBilevel;
    if (b == 2 || b == 4 || b == 8 || b == 16) return Route::kGray;
  }
  if (unsigned_int && single && l.photometric == PHOTOMETRIC_PALETTE &&
      (b == 1 || b == 2 || b == 4 || b == 8))
    return Route::kPalette;
  if (unsigned_int && contig && l.samples == 3) {
    if (l.photometric == PHOTOMETRIC_RGB && (b == 8 || b == 16)) return Route::kRgb;
    // libjpeg turns JPEG-coded YCbCr back into RGB rows.
    if (l.photometric == PHOTOMETRIC_YCBCR && l.compression == COMPRESSION_JPEG && b == 8)
      return Route::kRgb;
  }
  if (format == SAMPLEFORMAT_IEEEFP && b == 32 && contig &&
      ((single && isGrey(l.photometric)) || (l.samples == 3 && l.photometric == PHOTOMETRIC_RGB)))
    return Route::kFloat;
  return Route::kRgba;
}

int loadedDepth(const Layout& l) {
  switch (l.route) {
    case Route::kBilevel:
      return 1;
    case Route::kGray:
      return l.bits <= 4 ? 4 : 8;
    case Route::kPalette:
      return l.bits == 1 ? 1 : l.bits <= 4 ? 4 : 8;
    case Route::kFloat:
      return l.samples == 1 ? 8 : 24;
    default:
      return 24;
  }
}

// Bytes of the strips or tiles that actually lie inside the file.
uint64_t storedBytes(TIFF* tif, uint64_t file_size) {
  const uint32_t n = TIFFIsTiled(tif) ? TIFFNumberOfTiles(tif) : TIFFNumberOfStrips(tif);
  uint64_t total = 0;
  for (uint32_t i = 0; i < n && total < file_size; ++i) {
    int err = 0;
    const uint64_t offset = TIFFGetStrileOffsetWithErr(tif, i, &err);
    const uint64_t count = TIFFGetStrileByteCountWithErr(tif, i, &err);
    if (err) break;
    if (offset < file_size) total += std::min(count, file_size - offset);
  }
  return std::min(total, file_size);
}

// How far each byte of stored data can expand at most, with some margin.
uint64_t maxExpansion(const Layout& l) {
  // A fax row can be a single bit: up to 8 rows per byte.
  if (isCcitt(l.compression) && l.route == Route::kBilevel)
    return 8 * Dib::strideFor(static_cast<int>(l.width), 1);
  switch (l.compression) {
    case COMPRESSION_NONE:
      return 32;  // room for 1-bit samples turned into 24-bit pixels
    case COMPRESSION_PACKBITS:
      return 160;
    case COMPRESSION_LZW:
      return 3000;
    default:
      return 1100;
  }
}

bool plausibleSize(TIFF* tif, uint64_t file_size, const Layout& l) {
  const uint64_t pixels = uint64_t{l.width} * l.height;
  const uint64_t sample_bytes = (pixels * l.samples * l.bits + 7) / 8;
  const uint64_t dib_bytes = Dib::strideFor(static_cast<int>(l.width), l.bpp) * l.height;
  const uint64_t decoded = std::max(sample_bytes, dib_bytes);
  if (decoded <= kAlwaysPlausible) return true;
  return decoded / maxExpansion(l) <= storedBytes(tif, file_size);
}

int toPpm(float value, uint16_t unit) {
  if (unit == RESUNIT_INCH) return dpiToPpm(value);
  if (unit == RESUNIT_CENTIMETER) return dpcmToPpm(value);
  return 0;
}

// Resolution in pixels per metre as stored (not turned by the orientation).
void resolution(TIFF* tif, int& x_ppm, int& y_ppm) {
  float x = 0, y = 0;
  uint16_t unit = RESUNIT_INCH;
  TIFFGetFieldDefaulted(tif, TIFFTAG_RESOLUTIONUNIT, &unit);
  x_ppm = TIFFGetField(tif, TIFFTAG_XRESOLUTION, &x) ? toPpm(x, unit) : 0;
  y_ppm = TIFFGetField(tif, TIFFTAG_YRESOLUTION, &y) ? toPpm(y, unit) : 0;
}

bool swapsSides(int orientation) {
  return orientation >= 5;
}

uint8_t to8(uint16_t v) {
  return static_cast<uint8_t>((v * 255u + 32767u) / 65535u);
}

uint8_t floatTo8(float v) {
  if (!(v > 0)) return 0;  // also NaN
  return v >= 1 ? 255 : static_cast<uint8_t>(v * 255.0f + 0.5f);
}

void setEntry(Dib& dib, int i, uint8_t r, uint8_t g, uint8_t b) {
  dib.palette()[i] = OV_RGBQUAD{b, g, r, 0};
}

// Palette of a colour-mapped page: 16-bit map entries, or 8-bit values written by some
// old programs into the 16-bit map, recognised the way libtiff's tools do.
int setColourMap(TIFF* tif, const Layout& l, Dib& dib) {
  uint16_t *r = nullptr, *g = nullptr, *b = nullptr;
  if (!TIFFGetField(tif, TIFFTAG_COLORMAP, &r, &g, &b) || !r || !g || !b) return kBad;
  const int n = 1 << l.bits;
  bool eight_bit = true;
  for (int i = 0; i < n && eight_bit; ++i) eight_bit = r[i] < 256 && g[i] < 256 && b[i] < 256;
  auto cvt = [eight_bit](uint16_t v) { return static_cast<uint8_t>(eight_bit ? v : v >> 8); };
  for (int i = 0; i < n; ++i) setEntry(dib, i, cvt(r[i]), cvt(g[i]), cvt(b[i]));
  return 0;
}

int setPalette(TIFF* tif, const Layout& l, Dib& dib) {
  const bool white_is_zero = l.photometric == PHOTOMETRIC_MINISWHITE;
  switch (l.route) {
    case Route::kBilevel:
    case Route::kGray:
      if (l.bits > 4) {
        dib.setGrayPalette();  // 8 and 16-bit rows are turned into a ramp
      } else {
        const int max = (1 << l.bits) - 1;
        for (int i = 0; i < dib.paletteSize(); ++i) {
          const int v = i > max ? 0 : i * 255 / max;
          const auto grey = static_cast<uint8_t>(white_is_zero ? 255 - v : v);
          setEntry(dib, i, grey, grey, grey);
        }
      }
      return 0;
    case Route::kPalette:
      return setColourMap(tif, l, dib);
    case Route::kFloat:
      if (l.samples == 1) dib.setGrayPalette();
      return 0;
    default:
      return 0;
  }
}

// Whether a route's rows are already in the engine's layout (up to a byte swap or inversion).
bool readsInPlace(const Layout& l) {
  switch (l.route) {
    case Route::kBilevel:
      return true;
    case Route::kGray:
    case Route::kPalette:
      return l.bits == 1 || l.bits == 4 || l.bits == 8;
    case Route::kRgb:
      return l.bits == 8;
    default:
      return false;
  }
}

void expand2To4(const uint8_t* in, uint8_t* out, uint32_t width) {
  for (uint32_t x = 0; x < width; x += 2) {
    const uint8_t hi = (in[x >> 2] >> (6 - 2 * (x & 3))) & 3;
    const uint8_t lo = x + 1 < width ? (in[(x + 1) >> 2] >> (6 - 2 * ((x + 1) & 3))) & 3 : 0;
    out[x >> 1] = static_cast<uint8_t>(hi << 4 | lo);
  }
}

// Turns one decoded row in `in` (which may be `out` itself) into engine pixels.
void convertRow(const Layout& l, const uint8_t* in, uint8_t* out) {
  const uint32_t w = l.width;
  const bool invert = l.photometric == PHOTOMETRIC_MINISWHITE;
  switch (l.route) {
    case Route::kGray:
    case Route::kPalette:
      if (l.bits == 2) {
        expand2To4(in, out, w);
      } else if (l.bits == 16) {
        const auto* s = reinterpret_cast<const uint16_t*>(in);
        for (uint32_t x = 0; x < w; ++x)
          out[x] = static_cast<uint8_t>(to8(s[x]) ^ (invert ? 0xFF : 0));
      } else if (l.bits == 8 && invert && l.route == Route::kGray) {
        for (uint32_t x = 0; x < w; ++x) out[x] = static_cast<uint8_t>(~in[x]);
      }
      return;
    case Route::kRgb:
      if (l.bits == 8) {
        for (uint32_t x = 0; x < w; ++x) std::swap(out[3 * x], out[3 * x + 2]);
      } else {
        const auto* s = reinterpret_cast<const uint16_t*>(in);
        for (uint32_t x = 0; x < w; ++x) {
          out[3 * x] = to8(s[3 * x + 2]);
          out[3 * x + 1] = to8(s[3 * x + 1]);
          out[3 * x + 2] = to8(s[3 * x]);
        }
      }
      return;
    case Route::kFloat: {
      const auto* f = reinterpret_cast<const float*>(in);
      if (l.samples == 1) {
        for (uint32_t x = 0; x < w; ++x)
          out[x] = static_cast<uint8_t>(floatTo8(f[x]) ^ (invert ? 0xFF : 0));
      } else {
        for (uint32_t x = 0; x < w; ++x) {
          out[3 * x] = floatTo8(f[3 * x + 2]);
          out[3 * x + 1] = floatTo8(f[3 * x + 1]);
          out[3 * x + 2] = floatTo8(f[3 * x]);
        }
      }
      return;
    }
    default:
      return;
  }
}

// Strip layouts read a scanline at a time, straight into the image rows where they fit.
int readScanlines(TIFF* tif, const Layout& l, Progress* progress, Dib& dib) {
  if (l.photometric == PHOTOMETRIC_YCBCR)
    TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
  const uint64_t row_bytes = (uint64_t{l.width} * l.bits * l.samples + 7) / 8;
  if (static_cast<uint64_t>(TIFFScanlineSize64(tif)) != row_bytes) return kBad;
  if (int rc = setPalette(tif, l, dib); rc != 0) return rc;
  const bool in_place = readsInPlace(l);
  std::unique_ptr<uint8_t[]> scratch;
  if (!in_place) {
    // Room for whole 16 or 32-bit samples whatever the alignment.
    scratch.reset(new (std::nothrow) uint8_t[row_bytes + 8]);
    if (!scratch) return IGE_OUT_OF_MEMORY;
  }
  for (uint32_t y = 0; y < l.height; ++y) {
    uint8_t* row = dib.row(static_cast<int>(y));
    uint8_t* buf = in_place ? row : scratch.get();
    if (TIFFReadScanline(tif, buf, y, 0) < 0) return kBad;
    convertRow(l, buf, row);
    if (progress && !progress->advanceTo(y + 1)) return IGE_CANCELLED;
  }
  return 0;
}

// Rows decoded per call to the RGBA interface: whole strips or tile rows when they fit.
uint32_t bandRows(TIFF* tif, const Layout& l) {
  uint32_t unit = l.height;
  if (TIFFIsTiled(tif))
    TIFFGetField(tif, TIFFTAG_TILELENGTH, &unit);
  else
    TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &unit);
  unit = std::clamp<uint32_t>(unit, 1, l.height);
  const auto fit = static_cast<uint32_t>(
      std::max<uint64_t>(1, kMaxBandBytes / (uint64_t{l.width} * sizeof(uint32_t))));
  const uint32_t band = unit >= fit ? fit : fit / unit * unit;
  return std::min(band, l.height);
}

// Packed ABGR with premultiplied alpha, composited over white into B,G,R.
void compositeRow(const uint32_t* in, uint8_t* out, uint32_t width) {
  for (uint32_t x = 0; x < width; ++x) {
    const uint32_t p = in[x];
    const uint32_t rest = 255 - TIFFGetA(p);
    out[3 * x] = static_cast<uint8_t>(std::min<uint32_t>(255, TIFFGetB(p) + rest));
    out[3 * x + 1] = static_cast<uint8_t>(std::min<uint32_t>(255, TIFFGetG(p) + rest));
    out[3 * x + 2] = static_cast<uint8_t>(std::min<uint32_t>(255, TIFFGetR(p) + rest));
  }
}

int readRgba(TIFF* tif, const Layout& l, Progress* progress, Dib& dib) {
  char message[1024] = {};
  TIFFRGBAImage img;
  if (!TIFFRGBAImageBegin(&img, tif, 1, message)) return kBad;
  const std::unique_ptr<TIFFRGBAImage, void (*)(TIFFRGBAImage*)> end(&img, TIFFRGBAImageEnd);
  if (img.width != l.width || img.height != l.height) return kBad;
  // Rows come as stored; the orientation is applied afterwards as for every route.
  img.req_orientation = img.orientation;
  const uint32_t band = bandRows(tif, l);
  std::unique_ptr<uint32_t[]> raster(new (std::nothrow) uint32_t[size_t{l.width} * band]);
  if (!raster) return IGE_OUT_OF_MEMORY;
  for (uint32_t y = 0; y < l.height;) {
    const uint32_t n = std::min(band, l.height - y);
    img.row_offset = static_cast<int>(y);
    img.col_offset = 0;
    if (!TIFFRGBAImageGet(&img, raster.get(), l.width, n)) return kBad;
    for (uint32_t r = 0; r < n; ++r)
      compositeRow(raster.get() + size_t{r} * l.width, dib.row(static_cast<int>(y + r)), l.width);
    y += n;
    if (progress && !progress->advanceTo(y)) return IGE_CANCELLED;
  }
  return 0;
}

}  // namespace

int describe(TIFF* tif, uint64_t file_size, Layout& l) {
  l = Layout{};
  if (!TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &l.width) ||
      !TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &l.height))
    return kBad;
  if (!dimensionsAllowed(l.width, l.height)) return kBad;
  uint16_t planar = PLANARCONFIG_CONTIG, format = SAMPLEFORMAT_UINT, orientation = 1;
  uint16_t extra = 0;
  uint16_t* extra_types = nullptr;
  TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &l.bits);
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &l.samples);
  TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &l.compression);
  TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &format);
  TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &orientation);
  TIFFGetFieldDefaulted(tif, TIFFTAG_EXTRASAMPLES, &extra, &extra_types);
  if (l.bits == 0 || l.samples == 0) return kBad;
  // Without a photometric tag only the RGBA interface guesses what the samples mean.
  if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &l.photometric)) l.photometric = 0xFFFF;
  l.orientation = orientation >= 1 && orientation <= 8 ? orientation : 1;
  l.route = l.photometric == 0xFFFF ? Route::kRgba : chooseRoute(tif, l, planar, format, extra);
  if (l.route != Route::kRgba && !TIFFIsCODECConfigured(l.compression)) return kBad;
  if (l.route == Route::kRgba) {
    char message[1024] = {};
    if (!TIFFRGBAImageOK(tif, message)) return kBad;
  }
  l.bpp = loadedDepth(l);
  return plausibleSize(tif, file_size, l) ? 0 : kBad;
}

int engineCompression(TIFF* tif) {
  uint16_t c = COMPRESSION_NONE;
  TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &c);
  switch (c) {
    case COMPRESSION_PACKBITS:
      return 1;
    case COMPRESSION_CCITTRLE:
    case COMPRESSION_CCITTRLEW:
      return 2;
    case COMPRESSION_CCITTFAX3: {
      uint32_t options = 0;
      TIFFGetField(tif, TIFFTAG_GROUP3OPTIONS, &options);
      return options & GROUP3OPT_2DENCODING ? 5 : 3;
    }
    case COMPRESSION_CCITTFAX4:
      return 4;
    case COMPRESSION_OJPEG:
    case COMPRESSION_JPEG:
      return 6;
    case COMPRESSION_LZW:
      return 8;
    case COMPRESSION_ADOBE_DEFLATE:
    case COMPRESSION_DEFLATE:
      return 16;
    default:
      return 0;
  }
}

int pageInfo(TIFF* tif, uint64_t file_size, PageInfo& info) {
  Layout l;
  if (int rc = describe(tif, file_size, l); rc != 0) return rc;
  const bool swap = swapsSides(l.orientation);
  info.compression = engineCompression(tif);
  info.width = static_cast<int>(swap ? l.height : l.width);
  info.height = static_cast<int>(swap ? l.width : l.height);
  info.bits_per_pixel = l.bpp;
  resolution(tif, info.x_ppm, info.y_ppm);
  if (swap) std::swap(info.x_ppm, info.y_ppm);
  return 0;
}

int decodePage(TIFF* tif, uint64_t file_size, Progress* progress, Dib& out) {
  Layout l;
  if (int rc = describe(tif, file_size, l); rc != 0) return rc;
  Dib dib;
  if (int rc = dib.allocate(static_cast<int>(l.width), static_cast<int>(l.height), l.bpp); rc != 0)
    return rc == IGE_OUT_OF_MEMORY ? rc : kBad;
  if (progress) progress->start(l.height);
  const int rc = l.route == Route::kRgba ? readRgba(tif, l, progress, dib)
                                         : readScanlines(tif, l, progress, dib);
  if (rc != 0) return rc;
  int x_ppm = 0, y_ppm = 0;
  resolution(tif, x_ppm, y_ppm);
  dib.setResolution(x_ppm, y_ppm);
  if (int turned = applyExifOrientation(dib, l.orientation); turned != 0) return turned;
  out = std::move(dib);
  return 0;
}

}  // namespace ov::tiff
