#include "codecs/tiff_pages.h"

#include <algorithm>
#include <memory>
#include <new>
#include <string>

#include "codecs/tiff_io.h"
#include "codecs/tiff_reader.h"
#include "codecs/tiff_writer.h"
#include "ovengine/ov_formats.h"

namespace ov::tiff {
namespace {

// Above this total a classic TIFF's 32-bit offsets may not reach; BigTIFF is written instead.
constexpr uint64_t kClassicLimit = uint64_t{3} << 30;

enum class Kind {
  kU16,
  kU32,
  kFloat,
  kU16Pair,
  kFloats,
  kString,
  kBlob,
  kExtraSamples,
  kColourMap
};

struct TagCopy {
  uint32_t tag;
  Kind kind;
  bool required;  // the data cannot be read the same way without it
};

// In the order libtiff needs them set: sizes and compression before the tags that depend on
// them (colour map, extra samples, codec tags).
constexpr TagCopy kTags[] = {
    {TIFFTAG_SUBFILETYPE, Kind::kU32, false},
    {TIFFTAG_IMAGEWIDTH, Kind::kU32, true},
    {TIFFTAG_IMAGELENGTH, Kind::kU32, true},
    {TIFFTAG_BITSPERSAMPLE, Kind::kU16, true},
    {TIFFTAG_SAMPLESPERPIXEL, Kind::kU16, true},
    {TIFFTAG_COMPRESSION, Kind::kU16, true},
    {TIFFTAG_PHOTOMETRIC, Kind::kU16, true},
    {TIFFTAG_FILLORDER, Kind::kU16, true},
    {TIFFTAG_PLANARCONFIG, Kind::kU16, true},
    {TIFFTAG_SAMPLEFORMAT, Kind::kU16, true},
    {TIFFTAG_EXTRASAMPLES, Kind::kExtraSamples, true},
    {TIFFTAG_COLORMAP, Kind::kColourMap, true},
    {TIFFTAG_ORIENTATION, Kind::kU16, false},
    {TIFFTAG_MINSAMPLEVALUE, Kind::kU16, false},
    {TIFFTAG_MAXSAMPLEVALUE, Kind::kU16, false},
    {TIFFTAG_THRESHHOLDING, Kind::kU16, false},
    {TIFFTAG_XRESOLUTION, Kind::kFloat, false},
    {TIFFTAG_YRESOLUTION, Kind::kFloat, false},
    {TIFFTAG_RESOLUTIONUNIT, Kind::kU16, false},
    {TIFFTAG_XPOSITION, Kind::kFloat, false},
    {TIFFTAG_YPOSITION, Kind::kFloat, false},
    {TIFFTAG_YCBCRSUBSAMPLING, Kind::kU16Pair, true},
    {TIFFTAG_YCBCRPOSITIONING, Kind::kU16, false},
    {TIFFTAG_YCBCRCOEFFICIENTS, Kind::kFloats, false},
    {TIFFTAG_REFERENCEBLACKWHITE, Kind::kFloats, false},
    {TIFFTAG_WHITEPOINT, Kind::kFloats, false},
    {TIFFTAG_PRIMARYCHROMATICITIES, Kind::kFloats, false},
    {TIFFTAG_HALFTONEHINTS, Kind::kU16Pair, false},
    {TIFFTAG_INKSET, Kind::kU16, false},
    {TIFFTAG_NUMBEROFINKS, Kind::kU16, false},
    {TIFFTAG_ARTIST, Kind::kString, false},
    {TIFFTAG_COPYRIGHT, Kind::kString, false},
    {TIFFTAG_DATETIME, Kind::kString, false},
    {TIFFTAG_DOCUMENTNAME, Kind::kString, false},
    {TIFFTAG_HOSTCOMPUTER, Kind::kString, false},
    {TIFFTAG_IMAGEDESCRIPTION, Kind::kString, false},
    {TIFFTAG_MAKE, Kind::kString, false},
    {TIFFTAG_MODEL, Kind::kString, false},
    {TIFFTAG_PAGENAME, Kind::kString, false},
    {TIFFTAG_SOFTWARE, Kind::kString, false},
    {TIFFTAG_ICCPROFILE, Kind::kBlob, false},
    {TIFFTAG_XMLPACKET, Kind::kBlob, false},
    {TIFFTAG_PHOTOSHOP, Kind::kBlob, false},
    // Codec tags: known to libtiff only once the compression is set.
    {TIFFTAG_PREDICTOR, Kind::kU16, true},
    {TIFFTAG_GROUP3OPTIONS, Kind::kU32, true},
    {TIFFTAG_GROUP4OPTIONS, Kind::kU32, true},
    {TIFFTAG_JPEGTABLES, Kind::kBlob, true},
};

// Copies one tag when `in` has it; false when `out` refuses it.
bool copyTag(TIFF* in, TIFF* out, const TagCopy& t) {
  switch (t.kind) {
    case Kind::kU16: {
      uint16_t v = 0;
      return !TIFFGetField(in, t.tag, &v) || TIFFSetField(out, t.tag, v);
    }
    case Kind::kU32: {
      uint32_t v = 0;
      return !TIFFGetField(in, t.tag, &v) || TIFFSetField(out, t.tag, v);
    }
    case Kind::kFloat: {
      float v = 0;
      return !TIFFGetField(in, t.tag, &v) || TIFFSetField(out, t.tag, static_cast<double>(v));
    }
    case Kind::kU16Pair: {
      uint16_t a = 0, b = 0;
      return !TIFFGetField(in, t.tag, &a, &b) || TIFFSetField(out, t.tag, a, b);
    }
    case Kind::kFloats: {
      float* v = nullptr;
      return !TIFFGetField(in, t.tag, &v) || !v || TIFFSetField(out, t.tag, v);
    }
    case Kind::kString: {
      char* v = nullptr;
      return !TIFFGetField(in, t.tag, &v) || !v || TIFFSetField(out, t.tag, v);
    }
    case Kind::kBlob: {
      uint32_t n = 0;
      void* v = nullptr;
      return !TIFFGetField(in, t.tag, &n, &v) || !v || TIFFSetField(out, t.tag, n, v);
    }
    case Kind::kExtraSamples: {
      uint16_t n = 0;
      uint16_t* v = nullptr;
      return !TIFFGetField(in, t.tag, &n, &v) || !v || TIFFSetField(out, t.tag, n, v);
    }
    case Kind::kColourMap: {
      uint16_t *r = nullptr, *g = nullptr, *b = nullptr;
      return !TIFFGetField(in, t.tag, &r, &g, &b) || !r || TIFFSetField(out, t.tag, r, g, b);
    }
  }
  return false;
}

bool rawCopyableCompression(uint16_t c) {
  switch (c) {
    case COMPRESSION_NONE:
    case COMPRESSION_CCITTRLE:
    case COMPRESSION_CCITTRLEW:
    case COMPRESSION_CCITTFAX3:
    case COMPRESSION_CCITTFAX4:
    case COMPRESSION_LZW:
    case COMPRESSION_JPEG:
    case COMPRESSION_PACKBITS:
    case COMPRESSION_ADOBE_DEFLATE:
    case COMPRESSION_DEFLATE:
    case COMPRESSION_LZMA:
    case COMPRESSION_ZSTD:
    case COMPRESSION_WEBP:
      return TIFFIsCODECConfigured(c);
    default:
      return false;  // old-style JPEG and rarer codings keep data outside the strips
  }
}

uint32_t strileCount(TIFF* tif) {
  return TIFFIsTiled(tif) ? TIFFNumberOfTiles(tif) : TIFFNumberOfStrips(tif);
}

// Whether the current directory of `in` can be copied as it is: a known coding and every
// strip or tile inside the file.
bool rawCopyable(TIFF* in, uint64_t file_size) {
  uint16_t compression = COMPRESSION_NONE;
  uint32_t w = 0, h = 0;
  TIFFGetFieldDefaulted(in, TIFFTAG_COMPRESSION, &compression);
  if (!rawCopyableCompression(compression) || !TIFFGetField(in, TIFFTAG_IMAGEWIDTH, &w) ||
      !TIFFGetField(in, TIFFTAG_IMAGELENGTH, &h) || w == 0 || h == 0)
    return false;
  const uint32_t n = strileCount(in);
  if (n == 0) return false;
  for (uint32_t i = 0; i < n; ++i) {
    int err = 0;
    const uint64_t offset = TIFFGetStrileOffsetWithErr(in, i, &err);
    const uint64_t count = TIFFGetStrileByteCountWithErr(in, i, &err);
    if (err || count == 0 || offset > file_size || count > file_size - offset) return false;
  }
  return true;
}

// Copies the current directory of `in` with its compressed data untouched.
int copyRaw(TIFF* in, TIFF* out, int page, int pages) {
  for (const TagCopy& t : kTags)
    if (!copyTag(in, out, t) && t.required) return IGE_INVALID_FILE_HEADER;
  const bool tiled = TIFFIsTiled(in);
  bool ok;
  if (tiled) {
    uint32_t tw = 0, tl = 0;
    ok = TIFFGetField(in, TIFFTAG_TILEWIDTH, &tw) && TIFFGetField(in, TIFFTAG_TILELENGTH, &tl) &&
         TIFFSetField(out, TIFFTAG_TILEWIDTH, tw) && TIFFSetField(out, TIFFTAG_TILELENGTH, tl);
  } else {
    uint32_t rows = 0;
    ok = TIFFGetFieldDefaulted(in, TIFFTAG_ROWSPERSTRIP, &rows) &&
         TIFFSetField(out, TIFFTAG_ROWSPERSTRIP, rows);
  }
  ok = ok && TIFFSetField(out, TIFFTAG_PAGENUMBER, page, pages);
  const uint32_t n = strileCount(in);
  if (!ok || strileCount(out) != n) return IGE_INVALID_FILE_HEADER;
  uint64_t largest = 0;
  for (uint32_t i = 0; i < n; ++i) largest = std::max(largest, TIFFGetStrileByteCount(in, i));
  std::unique_ptr<uint8_t[]> buf(new (std::nothrow) uint8_t[largest]);
  if (!buf) return IGE_OUT_OF_MEMORY;
  for (uint32_t i = 0; i < n; ++i) {
    const auto size = static_cast<tmsize_t>(TIFFGetStrileByteCount(in, i));
    const tmsize_t got =
        tiled ? TIFFReadRawTile(in, i, buf.get(), size) : TIFFReadRawStrip(in, i, buf.get(), size);
    if (got != size) return IGE_INVALID_FILE_HEADER;
    const tmsize_t put = tiled ? TIFFWriteRawTile(out, i, buf.get(), size)
                               : TIFFWriteRawStrip(out, i, buf.get(), size);
    if (put != size) return IGE_FILE_WRITE_ERROR;
  }
  return TIFFWriteDirectory(out) ? 0 : IGE_FILE_WRITE_ERROR;
}

// Copies directory `index` of `in`; a directory that cannot be copied as it is gets decoded
// and written again without loss.
int copyPage(TIFF* in, uint64_t file_size, int index, TIFF* out, int page, int pages) {
  // Pages are copied in order: each one follows the last without walking the chain again.
  const int read = index == 0 ? TIFFSetDirectory(in, 0) : TIFFReadDirectory(in);
  if (!read) return IGE_INVALID_FILE_HEADER;
  if (rawCopyable(in, file_size)) return copyRaw(in, out, page, pages);
  Dib dib;
  if (int rc = decodePage(in, file_size, nullptr, dib); rc != 0) return rc;
  const PageOptions options{IG_COMPRESSION_LZW, 100, page, pages};
  return writePage(out, dib, options, nullptr);
}

uint64_t rawSize(const Dib& image) {
  return image.pixelBytes();
}

}  // namespace

int countPages(TIFF* tif) {
  return static_cast<int>(std::min<tdir_t>(TIFFNumberOfDirectories(tif), kMaxPages));
}

int writeWithPages(Bytes existing, int page, const Dib& image, const SaveOptions& options,
                   Progress& progress, FileSink& out) {
  if (int rc = checkWritable(image, options.compression); rc != 0) return rc;
  MemoryReader reader(existing);
  TIFF* in = reader.get();
  if (!in) return IGE_INVALID_FILE_HEADER;
  const int count = countPages(in);
  if (count < 1) return IGE_INVALID_FILE_HEADER;
  const int at = std::clamp(page, 1, count + 1) - 1;
  const int pages = count + 1;
  // Copied strips keep their byte order, so the new file takes the old one's.
  std::string mode = TIFFIsBigEndian(in) ? "wb" : "wl";
  if (TIFFIsBigTIFF(in) || existing.size() + rawSize(image) > kClassicLimit) mode += '8';
  // Progress: one unit per copied page and one per row of the new page.
  progress.start(count + int64_t{image.height()});
  return writeThroughSink(out, mode.c_str(), [&](TIFF* tif) -> int {
    for (int i = 0; i <= count; ++i) {
      if (i == at) {
        const PageOptions page_options{options.compression, options.jpeg_quality, at, pages, at};
        if (int rc = writePage(tif, image, page_options, &progress); rc != 0) return rc;
      }
      if (i == count) break;
      if (int rc = copyPage(in, reader.fileSize(), i, tif, i < at ? i : i + 1, pages); rc != 0)
        return rc;
      const int64_t done = i + 1 + (i >= at ? int64_t{image.height()} : 0);
      if (!progress.advanceTo(done)) return IGE_CANCELLED;
    }
    return 0;
  });
}

}  // namespace ov::tiff
