// BMP: Windows and OS/2 bitmaps. Reads every header generation at 1, 2, 4, 8, 16, 24 and
// 32 bits, uncompressed, with bitfields or RLE; writes 1, 4, 8 and 24 bits, RLE on request.
#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

#include "codecs/bmp_header.h"
#include "codecs/bmp_rle.h"
#include "codecs/codec.h"
#include "ovengine/ov_formats.h"

namespace ov {
namespace {

// Scales one masked channel of a 16- or 32-bit pixel to 8 bits, v * 255 / max rounded.
class ChannelScale {
 public:
  explicit ChannelScale(uint32_t mask) : mask_(mask) {
    if (!mask) return;
    shift_ = std::countr_zero(mask);
    max_ = mask >> shift_;
    // Channels up to 16 bits (all real ones) get a table; wider ones are computed.
    if (max_ <= 0xFFFF) {
      table_.resize(max_ + 1);
      for (uint32_t v = 0; v <= max_; ++v) table_[v] = scale(v);
    }
  }

  uint8_t operator()(uint32_t pixel) const {
    if (!mask_) return 0;
    const uint32_t v = (pixel & mask_) >> shift_;
    return table_.empty() ? scale(v) : table_[v];
  }

 private:
  uint8_t scale(uint32_t v) const {
    return static_cast<uint8_t>((uint64_t{v} * 255 + max_ / 2) / max_);
  }

  uint32_t mask_;
  int shift_ = 0;
  uint32_t max_ = 0;
  std::vector<uint8_t> table_;
};

uint32_t pixelAt(const uint8_t* row, int x, int bits) {
  return bits == 16 ? readLe16(row + 2 * static_cast<size_t>(x))
                    : readLe32(row + 4 * static_cast<size_t>(x));
}

uint8_t overWhite(uint8_t colour, uint8_t alpha) {
  return static_cast<uint8_t>((colour * alpha + 255 * (255 - alpha) + 127) / 255);
}

// Alpha counts only when some pixel uses it: many writers leave the byte at zero.
bool anyAlpha(const uint8_t* data, const BmpLayout& l) {
  if (!l.masks[3]) return false;
  for (int r = 0; r < l.height; ++r) {
    const uint8_t* src = data + static_cast<size_t>(r) * l.fileStride();
    for (int x = 0; x < l.width; ++x)
      if (pixelAt(src, x, l.bits) & l.masks[3]) return true;
  }
  return false;
}

// Converts the rows of 16- and 32-bit pixels to 24-bit B,G,R.
class MaskedRows {
 public:
  MaskedRows(const BmpLayout& l, bool alpha)
      : l_(l),
        red_(l.masks[0]),
        green_(l.masks[1]),
        blue_(l.masks[2]),
        alpha_(alpha ? l.masks[3] : 0),
        has_alpha_(alpha),
        plain_(l.bits == 32 && !alpha && l.masks[0] == 0xFF0000 && l.masks[1] == 0xFF00 &&
               l.masks[2] == 0xFF) {}

  void convert(const uint8_t* src, uint8_t* dst) const {
    if (plain_) {  // B,G,R,x needs no arithmetic
      for (int x = 0; x < l_.width; ++x, src += 4, dst += 3) std::memcpy(dst, src, 3);
      return;
    }
    for (int x = 0; x < l_.width; ++x, dst += 3) {
      const uint32_t v = pixelAt(src, x, l_.bits);
      dst[0] = blue_(v), dst[1] = green_(v), dst[2] = red_(v);
      if (has_alpha_) {
        const uint8_t a = alpha_(v);
        if (a != 255) {
          for (int c = 0; c < 3; ++c) dst[c] = overWhite(dst[c], a);
        }
      }
    }
  }

 private:
  const BmpLayout& l_;
  ChannelScale red_, green_, blue_, alpha_;
  bool has_alpha_;
  bool plain_;
};

// 2-bit rows become 4-bit ones with the same palette indexes.
void widenTwoBits(const uint8_t* src, int width, uint8_t* dst) {
  auto at = [src](int x) { return (src[x >> 2] >> (6 - 2 * (x & 3))) & 3; };
  for (int x = 0; x < width; x += 2) {
    const int lo = x + 1 < width ? at(x + 1) : 0;
    dst[x >> 1] = static_cast<uint8_t>((at(x) << 4) | lo);
  }
}

// Rows whose layout matches the engine's (1, 4, 8 and 24 bits) are copied as they are.
bool sameLayout(const BmpLayout& l) {
  return l.bits == l.loadedBits();
}

int loadUncompressed(Bytes file, const BmpLayout& l, Progress& progress, Dib& out) {
  const uint8_t* data = file.data() + l.data_offset;
  const size_t stride = l.fileStride();
  const bool copy = sameLayout(l);
  const bool masked = l.bits >= 16 && l.bits != 24;
  const MaskedRows rows(l, masked && anyAlpha(data, l));
  progress.start(l.height);
  for (int r = 0; r < l.height; ++r) {
    const uint8_t* src = data + static_cast<size_t>(r) * stride;
    uint8_t* dst = out.row(l.top_down ? r : l.height - 1 - r);
    if (copy) {
      std::memcpy(dst, src, stride);
    } else if (masked) {
      rows.convert(src, dst);
    } else {
      widenTwoBits(src, l.width, dst);
    }
    if (!progress.advanceTo(r + 1)) return IGE_CANCELLED;
  }
  return 0;
}

// Entries the file does not store are black, so any index reads a defined colour.
void readPalette(Bytes file, const BmpLayout& l, Dib& out) {
  OV_RGBQUAD* palette = out.palette();
  const int entries = out.paletteSize();
  std::memset(palette, 0, sizeof(OV_RGBQUAD) * entries);
  const int stored = std::min(l.palette_entries, entries);
  for (int i = 0; i < stored; ++i) {
    const uint8_t* p =
        file.data() + l.palette_offset + static_cast<size_t>(i) * l.palette_entry_size;
    palette[i] = OV_RGBQUAD{p[0], p[1], p[2], 0};
  }
}

// ---- Writing ----------------------------------------------------------------------------

constexpr uint32_t kFileHeaderSize = 14;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2;

void putHeaders(const Dib& image, uint32_t compression, uint32_t pixel_bytes, FileSink& out) {
  const OV_BITMAPINFOHEADER* h = image.header();
  const uint32_t entries = static_cast<uint32_t>(image.paletteSize());
  const uint32_t off_bits = kFileHeaderSize + kInfoHeaderSize + 4 * entries;
  out.write("BM", 2);
  out.put32le(off_bits + pixel_bytes);
  out.put32le(0);
  out.put32le(off_bits);
  out.put32le(kInfoHeaderSize);
  out.put32le(static_cast<uint32_t>(image.width()));
  out.put32le(static_cast<uint32_t>(image.height()));  // positive: rows bottom-up
  out.put16le(1);
  out.put16le(static_cast<uint16_t>(image.bitsPerPixel()));
  out.put32le(compression);
  out.put32le(pixel_bytes);
  out.put32le(static_cast<uint32_t>(h->biXPelsPerMeter));
  out.put32le(static_cast<uint32_t>(h->biYPelsPerMeter));
  out.put32le(entries);
  out.put32le(0);
  for (uint32_t i = 0; i < entries; ++i) {
    const OV_RGBQUAD& q = image.palette()[i];
    const uint8_t entry[4] = {q.blue, q.green, q.red, 0};
    out.write(entry, 4);
  }
}

int saveUncompressed(const Dib& image, Progress& progress, FileSink& out) {
  putHeaders(image, kBiRgb, static_cast<uint32_t>(image.pixelBytes()), out);
  const int h = image.height();
  progress.start(h);
  for (int i = 0; i < h; ++i) {
    if (!out.write(image.row(h - 1 - i), image.stride())) return IGE_FILE_WRITE_ERROR;
    if (!progress.advanceTo(i + 1)) return IGE_CANCELLED;
  }
  return out.failed() ? IGE_FILE_WRITE_ERROR : 0;
}

// The coded size is known only at the end, so the two size fields are filled in afterwards.
int saveRle(const Dib& image, Progress& progress, FileSink& out) {
  const int bits = image.bitsPerPixel();
  const int64_t start = out.tell();
  putHeaders(image, bits == 8 ? kBiRle8 : kBiRle4, 0, out);
  const int64_t data_start = out.tell();
  const int w = image.width(), h = image.height();
  std::vector<uint8_t> indexes(static_cast<size_t>(w));
  std::vector<uint8_t> coded;
  progress.start(h);
  for (int i = 0; i < h; ++i) {
    const uint8_t* row = image.row(h - 1 - i);
    if (bits == 8) {
      std::memcpy(indexes.data(), row, indexes.size());
    } else {
      for (int x = 0; x < w; ++x) indexes[x] = (x & 1) ? row[x >> 1] & 0x0F : row[x >> 1] >> 4;
    }
    coded.clear();
    encodeBmpRleRow(indexes, bits, coded);
    coded.push_back(0);
    coded.push_back(i + 1 < h ? 0 : 1);  // end of line, or end of bitmap after the last row
    if (!out.write(coded.data(), coded.size())) return IGE_FILE_WRITE_ERROR;
    if (!progress.advanceTo(i + 1)) return IGE_CANCELLED;
  }
  const int64_t end = out.tell();
  const auto data_bytes = static_cast<uint32_t>(end - data_start);
  const bool ok = out.seek(start + 2) && out.put32le(static_cast<uint32_t>(end - start)) &&
                  out.seek(start + kFileHeaderSize + 20) && out.put32le(data_bytes) &&
                  out.seek(end);
  return ok ? 0 : IGE_FILE_WRITE_ERROR;
}

class BmpCodec final : public Codec {
 public:
  int format() const override { return IG_FORMAT_BMP; }

  bool detect(Bytes file) const override { return looksLikeBmp(file); }

  int info(Bytes file, int page, PageInfo& out) const override {
    BmpLayout l;
    if (int rc = parseBmpLayout(file, l); rc != 0) return rc;
    if (page != 1) return IGE_PAGE_NOT_FOUND;
    out.format = IG_FORMAT_BMP;
    out.compression = l.rle() ? IG_COMPRESSION_RLE : IG_COMPRESSION_NONE;
    out.width = l.width;
    out.height = l.height;
    out.bits_per_pixel = l.loadedBits();
    out.x_ppm = l.x_ppm;
    out.y_ppm = l.y_ppm;
    return 0;
  }

  int load(Bytes file, int page, Progress& progress, Dib& out,
           ImageAttributes& attributes) const override {
    (void)attributes;  // a bitmap has no transparent colour or delay
    BmpLayout l;
    if (int rc = parseBmpLayout(file, l); rc != 0) return rc;
    if (page != 1) return IGE_PAGE_NOT_FOUND;
    const Bytes data = file.subspan(l.data_offset);
    if (l.rle()) {
      if (int rc = checkBmpRle(data, l.bits, l.width, l.height); rc != 0) return rc;
    }
    Dib dib;
    // Copied rows fill every byte; anything else may leave gaps (RLE) or padding.
    if (int rc = dib.allocate(l.width, l.height, l.loadedBits(), !sameLayout(l) || l.rle());
        rc != 0)
      return rc == IGE_OUT_OF_MEMORY ? rc : IGE_INVALID_FILE_HEADER;
    if (l.bits <= 8) readPalette(file, l, dib);
    dib.setResolution(l.x_ppm, l.y_ppm);
    const int rc = l.rle() ? decodeBmpRle(data, l.bits, l.top_down, progress, dib)
                           : loadUncompressed(file, l, progress, dib);
    if (rc != 0) return rc;
    out = std::move(dib);
    return 0;
  }

  bool canSave() const override { return true; }

  int save(const Dib& image, const ImageAttributes& attributes, const SaveOptions& options,
           Progress& progress, FileSink& out) const override {
    (void)attributes;
    const int bits = image.empty() ? 0 : image.bitsPerPixel();
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24) return IGE_INVALID_BIT_DEPTH;
    // RLE exists for 4 and 8 bits only; other depths are written plain.
    if (options.compression == IG_COMPRESSION_RLE && (bits == 4 || bits == 8))
      return saveRle(image, progress, out);
    return saveUncompressed(image, progress, out);
  }
};

}  // namespace

const Codec& bmpCodec() {
  static const BmpCodec codec;
  return codec;
}

}  // namespace ov
