#include "codecs/tiff_writer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "codecs/tiff_io.h"
#include "core/resolution.h"

namespace ov::tiff {
namespace {

// Strips of about this many bytes keep memory low for readers and still compress well.
constexpr uint64_t kStripBytes = 64 * 1024;

bool isFax(int compression) {
  return compression >= 2 && compression <= 5;
}

uint16_t libtiffCompression(int compression) {
  switch (compression) {
    case 1:
      return COMPRESSION_PACKBITS;
    case 2:
      return COMPRESSION_CCITTRLE;
    case 3:
    case 5:
      return COMPRESSION_CCITTFAX3;
    case 4:
      return COMPRESSION_CCITTFAX4;
    case 6:
      return COMPRESSION_JPEG;
    // Deflate pages are written with LZW, which every reader knows.
    case 8:
    case 16:
      return COMPRESSION_LZW;
    default:
      return COMPRESSION_NONE;
  }
}

bool isColour(const OV_RGBQUAD& q, uint8_t v) {
  return q.red == v && q.green == v && q.blue == v;
}

struct Encoding {
  uint16_t compression = COMPRESSION_NONE;
  uint16_t photometric = PHOTOMETRIC_MINISBLACK;
  uint16_t bits = 8;
  uint16_t samples = 1;
  bool colour_map = false;
};

Encoding chooseEncoding(const Dib& image, int compression) {
  Encoding e;
  e.compression = libtiffCompression(compression);
  const int bpp = image.bitsPerPixel();
  const OV_RGBQUAD* pal = image.palette();
  if (bpp == 24) {
    e.samples = 3;
    e.photometric = e.compression == COMPRESSION_JPEG ? PHOTOMETRIC_YCBCR : PHOTOMETRIC_RGB;
  } else if (bpp == 1) {
    e.bits = 1;
    if (isColour(pal[0], 0) && isColour(pal[1], 255)) {
      e.photometric = PHOTOMETRIC_MINISBLACK;
    } else if (isColour(pal[0], 255) && isColour(pal[1], 0)) {
      e.photometric = PHOTOMETRIC_MINISWHITE;
    } else if (!isFax(compression)) {
      e.photometric = PHOTOMETRIC_PALETTE;
      e.colour_map = true;
    }  // fax codings are bilevel: other colours keep their indexes as black and white
  } else {
    e.bits = static_cast<uint16_t>(bpp);
    if (bpp == 4 || !image.isGrayRamp()) {
      e.photometric = PHOTOMETRIC_PALETTE;
      e.colour_map = true;
    }
  }
  return e;
}

bool setTags(TIFF* tif, const Dib& image, const Encoding& e, const PageOptions& options,
             uint32_t rows_per_strip) {
  const auto w = static_cast<uint32_t>(image.width()), h = static_cast<uint32_t>(image.height());
  bool ok = TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, w) && TIFFSetField(tif, TIFFTAG_IMAGELENGTH, h) &&
            TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, e.bits) &&
            TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, e.samples) &&
            TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
            TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT) &&
            TIFFSetField(tif, TIFFTAG_COMPRESSION, e.compression) &&
            TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, e.photometric);
  if (!ok) return false;
  if (e.colour_map) {
    const int n = 1 << e.bits;
    std::vector<uint16_t> r(n), g(n), b(n);
    for (int i = 0; i < n; ++i) {
      const OV_RGBQUAD& q = image.palette()[i];
      r[i] = static_cast<uint16_t>(q.red * 257);
      g[i] = static_cast<uint16_t>(q.green * 257);
      b[i] = static_cast<uint16_t>(q.blue * 257);
    }
    if (!TIFFSetField(tif, TIFFTAG_COLORMAP, r.data(), g.data(), b.data())) return false;
  }
  switch (e.compression) {
    case COMPRESSION_JPEG:
      ok = TIFFSetField(tif, TIFFTAG_JPEGQUALITY, std::clamp(options.jpeg_quality, 1, 100));
      if (ok && e.photometric == PHOTOMETRIC_YCBCR)
        ok = TIFFSetField(tif, TIFFTAG_YCBCRSUBSAMPLING, 2, 2) &&
             TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
      break;
    case COMPRESSION_CCITTFAX3:
      ok = TIFFSetField(tif, TIFFTAG_GROUP3OPTIONS,
                        options.compression == 5 ? GROUP3OPT_2DENCODING : 0);
      break;
    case COMPRESSION_LZW:
      // Differences compress continuous-tone rows better; palette indexes gain nothing.
      if (!e.colour_map && e.bits == 8)
        ok = TIFFSetField(tif, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
      break;
    default:
      break;
  }
  if (!ok || !TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, rows_per_strip)) return false;
  const OV_BITMAPINFOHEADER* header = image.header();
  if (header->biXPelsPerMeter > 0 && header->biYPelsPerMeter > 0) {
    auto dpi = [](int32_t ppm) -> double {
      // A whole number of dots per inch is written as such (11811 ppm is 300 dpi).
      const int32_t whole = ppmToDpi(ppm);
      return dpiToPpm(whole) == ppm ? whole : ppm * 254.0 / 10000.0;
    };
    ok = TIFFSetField(tif, TIFFTAG_XRESOLUTION, dpi(header->biXPelsPerMeter)) &&
         TIFFSetField(tif, TIFFTAG_YRESOLUTION, dpi(header->biYPelsPerMeter)) &&
         TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
  }
  if (ok && options.pages > 0)
    ok = TIFFSetField(tif, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE) &&
         TIFFSetField(tif, TIFFTAG_PAGENUMBER, options.page, options.pages);
  return ok;
}

uint32_t rowsPerStrip(const Dib& image, const Encoding& e) {
  const uint64_t row_bytes =
      (uint64_t{static_cast<uint32_t>(image.width())} * image.bitsPerPixel() + 7) / 8;
  auto rows = static_cast<uint32_t>(std::max<uint64_t>(1, kStripBytes / row_bytes));
  // JPEG strips hold whole rows of 16-line blocks (8-line for grey).
  if (e.compression == COMPRESSION_JPEG) {
    const uint32_t block = e.photometric == PHOTOMETRIC_YCBCR ? 16 : 8;
    rows = std::max(block, rows / block * block);
  }
  return std::min(rows, static_cast<uint32_t>(image.height()));
}

}  // namespace

int checkWritable(const Dib& image, int compression) {
  const int bpp = image.bitsPerPixel();
  switch (compression) {
    case 0:
    case 1:
    case 8:
    case 16:
      return bpp == 1 || bpp == 4 || bpp == 8 || bpp == 24 ? 0 : IGE_INVALID_BIT_DEPTH;
    case 6:
      return bpp == 24 || (bpp == 8 && image.isGrayRamp()) ? 0 : IGE_INVALID_BIT_DEPTH;
    case 2:
    case 3:
    case 4:
    case 5:
      return bpp == 1 ? 0 : IGE_INVALID_BIT_DEPTH;
    default:
      return IGE_INVALID_ARGUMENT;
  }
}

int writePage(TIFF* tif, const Dib& image, const PageOptions& options, Progress* progress) {
  if (int rc = checkWritable(image, options.compression); rc != 0) return rc;
  const Encoding e = chooseEncoding(image, options.compression);
  if (!setTags(tif, image, e, options, rowsPerStrip(image, e))) return IGE_FILE_WRITE_ERROR;
  const auto w = static_cast<size_t>(image.width());
  const size_t row_bytes = (w * image.bitsPerPixel() + 7) / 8;
  // libtiff's encoders may change the row they are given (predictors work in place).
  std::unique_ptr<uint8_t[]> row(new (std::nothrow) uint8_t[row_bytes]);
  if (!row) return IGE_OUT_OF_MEMORY;
  if (progress) progress->start(image.height());
  for (int y = 0; y < image.height(); ++y) {
    const uint8_t* src = image.row(y);
    if (image.bitsPerPixel() == 24) {
      for (size_t x = 0; x < w; ++x) {
        row[3 * x] = src[3 * x + 2];
        row[3 * x + 1] = src[3 * x + 1];
        row[3 * x + 2] = src[3 * x];
      }
    } else {
      std::memcpy(row.get(), src, row_bytes);
    }
    if (TIFFWriteScanline(tif, row.get(), static_cast<uint32_t>(y), 0) < 0)
      return IGE_FILE_WRITE_ERROR;
    if (progress && !progress->advanceTo(options.progress_base + y + 1)) return IGE_CANCELLED;
  }
  return TIFFWriteDirectory(tif) ? 0 : IGE_FILE_WRITE_ERROR;
}

int writeThroughSink(FileSink& out, const char* mode, const std::function<int(TIFF*)>& body) {
  if (!out.flush()) return IGE_FILE_WRITE_ERROR;
  const int64_t base = out.tell();
  FdWriter writer(out.fd(), base, mode);
  if (!writer.get()) return IGE_FILE_WRITE_ERROR;
  if (int rc = body(writer.get()); rc != 0) return rc;
  if (int rc = writer.close(); rc != 0) return rc;
  return out.seek(base + static_cast<int64_t>(writer.size())) ? 0 : IGE_FILE_WRITE_ERROR;
}

}  // namespace ov::tiff
