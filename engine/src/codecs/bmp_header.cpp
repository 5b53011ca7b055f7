#include "codecs/bmp_header.h"

#include <algorithm>
#include <iterator>

#include "core/limits.h"
#include "ovengine/ov_errors.h"

namespace ov {
namespace {

constexpr size_t kFileHeaderSize = 14;
// Offsets from the start of the file.
constexpr size_t kOffBits = 10;
constexpr size_t kInfoSize = 14;
constexpr size_t kMasks = 54;  // first field after a 40-byte info header

// Header sizes: OS/2 1.x core (12), OS/2 2.x (16, 64), Windows info (40), the info header
// with masks (52, 56), V4 (108) and V5 (124).
bool knownHeaderSize(uint32_t size) {
  static constexpr uint32_t kSizes[] = {12, 16, 40, 52, 56, 64, 108, 124};
  return std::find(std::begin(kSizes), std::end(kSizes), size) != std::end(kSizes);
}

bool os2Header(uint32_t size) {
  return size == 12 || size == 16 || size == 64;
}

// Compression field values.
enum : uint32_t { kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3, kBiAlphaBitfields = 6 };

struct RawHeader {
  uint32_t size = 0;
  int64_t width = 0;
  int64_t height = 0;
  int bits = 0;
  uint32_t compression = kBiRgb;
  uint32_t colours_used = 0;
  int32_t x_ppm = 0;
  int32_t y_ppm = 0;
};

// The fields every header generation shares, widened so that no value can overflow later.
void readRawHeader(Bytes file, RawHeader& h) {
  const uint8_t* p = file.data();
  h.size = readLe32(p + kInfoSize);
  if (h.size == 12) {
    h.width = readLe16(p + 18);
    h.height = readLe16(p + 20);
    h.bits = readLe16(p + 24);
    return;
  }
  h.width = static_cast<int32_t>(readLe32(p + 18));
  h.height = static_cast<int32_t>(readLe32(p + 22));
  h.bits = readLe16(p + 28);
  if (h.size < 40) return;  // the 16-byte OS/2 header stops after the depth
  h.compression = readLe32(p + 30);
  h.x_ppm = std::max<int32_t>(0, static_cast<int32_t>(readLe32(p + 38)));
  h.y_ppm = std::max<int32_t>(0, static_cast<int32_t>(readLe32(p + 42)));
  h.colours_used = readLe32(p + 46);
}

bool depthKnown(int bits) {
  static constexpr int kDepths[] = {1, 2, 4, 8, 16, 24, 32};
  return std::find(std::begin(kDepths), std::end(kDepths), bits) != std::end(kDepths);
}

// Maps the compression field to an encoding that matches the depth; false when unsupported
// (embedded JPEG or PNG, OS/2 Huffman or RLE24, a mismatched depth).
bool chooseEncoding(const RawHeader& h, BmpLayout& out) {
  switch (h.compression) {
    case kBiRgb:
      out.encoding = BmpEncoding::kRgb;
      return true;
    case kBiRle8:
      out.encoding = BmpEncoding::kRle8;
      return h.bits == 8;
    case kBiRle4:
      out.encoding = BmpEncoding::kRle4;
      return h.bits == 4;
    case kBiBitfields:
    case kBiAlphaBitfields:
      out.encoding = BmpEncoding::kBitfields;
      return !os2Header(h.size) && (h.bits == 16 || h.bits == 32);
    default:
      return false;
  }
}

// Reads the channel masks and returns the number of mask bytes stored after the header.
// 0, or -1 when the masks run past the end of the file.
int readMasks(Bytes file, const RawHeader& h, BmpLayout& out) {
  const uint8_t* p = file.data();
  if (out.encoding != BmpEncoding::kBitfields) {
    if (h.bits == 16) {
      out.masks[0] = 0x7C00, out.masks[1] = 0x03E0, out.masks[2] = 0x001F;
    } else if (h.bits == 32) {
      out.masks[0] = 0xFF0000, out.masks[1] = 0x00FF00, out.masks[2] = 0x0000FF;
      // Newer headers carry an alpha mask even without bitfields; honour it when it only
      // covers the byte the colours leave free.
      if (h.size >= 56) {
        const uint32_t alpha = readLe32(p + kMasks + 12);
        if ((alpha & 0x00FFFFFF) == 0) out.masks[3] = alpha;
      }
    }
    return 0;
  }
  // A 40-byte header keeps its masks right after it; later headers hold them inside.
  const int count = h.size >= 56 || (h.size == 40 && h.compression == kBiAlphaBitfields) ? 4 : 3;
  const size_t stored_after = h.size == 40 ? static_cast<size_t>(count) * 4 : 0;
  if (file.size() < kMasks + static_cast<size_t>(count) * 4) return -1;
  for (int i = 0; i < count; ++i) out.masks[i] = readLe32(p + kMasks + 4 * i);
  return static_cast<int>(stored_after);
}

// Places the palette and the pixels. bfOffBits decides where the pixels start when it is
// sane, and may cut the palette short; it never moves anything outside the file.
bool placeData(Bytes file, const RawHeader& h, size_t palette_offset, BmpLayout& out) {
  out.palette_offset = palette_offset;
  out.palette_entry_size = h.size == 12 ? 3 : 4;
  size_t entries = 0;
  if (h.bits <= 8) {
    const size_t full = size_t{1} << h.bits;
    if (h.colours_used > full) return false;  // no index could reach such a palette
    entries = h.colours_used ? h.colours_used : full;
  }
  const size_t off_bits = readLe32(file.data() + kOffBits);
  const size_t entry = static_cast<size_t>(out.palette_entry_size);
  if (off_bits >= palette_offset) {
    entries = std::min(entries, (off_bits - palette_offset) / entry);
    out.data_offset = off_bits;
  } else {
    out.data_offset = palette_offset + entries * entry;
  }
  out.palette_entries = static_cast<int>(entries);
  if (palette_offset + entries * entry > file.size()) return false;
  if (out.data_offset > file.size()) return false;
  out.data_size = file.size() - out.data_offset;
  if (out.rle()) return true;
  return out.data_size / out.fileStride() >= static_cast<size_t>(out.height);
}

}  // namespace

bool looksLikeBmp(Bytes file) {
  return file.size() >= kFileHeaderSize + 4 && file[0] == 'B' && file[1] == 'M' &&
         knownHeaderSize(readLe32(file.data() + kInfoSize));
}

int parseBmpLayout(Bytes file, BmpLayout& out) {
  out = BmpLayout{};
  if (!looksLikeBmp(file)) return IGE_INVALID_FILE_HEADER;
  RawHeader h;
  h.size = readLe32(file.data() + kInfoSize);
  if (file.size() < kFileHeaderSize + h.size) return IGE_INVALID_FILE_HEADER;
  readRawHeader(file, h);
  if (!depthKnown(h.bits) || !chooseEncoding(h, out)) return IGE_INVALID_FILE_HEADER;
  // Rows run bottom-up unless the height is negative.
  out.top_down = h.height < 0;
  const int64_t height = h.height < 0 ? -h.height : h.height;
  if (!dimensionsAllowed(h.width, height)) return IGE_INVALID_FILE_HEADER;
  out.width = static_cast<int>(h.width);
  out.height = static_cast<int>(height);
  out.bits = h.bits;
  out.x_ppm = h.x_ppm;
  out.y_ppm = h.y_ppm;
  const int mask_bytes = readMasks(file, h, out);
  if (mask_bytes < 0) return IGE_INVALID_FILE_HEADER;
  const size_t palette_offset = kFileHeaderSize + h.size + static_cast<size_t>(mask_bytes);
  return placeData(file, h, palette_offset, out) ? 0 : IGE_INVALID_FILE_HEADER;
}

}  // namespace ov
