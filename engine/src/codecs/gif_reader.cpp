#include "codecs/gif_reader.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstring>

#include "core/limits.h"
#include "ovengine/ov_errors.h"

namespace ov::gif {
namespace {

// Screens up to this size are taken on trust. A larger one must come with data enough to
// paint it at LZW's best ratio, about 2730 pixels a byte (strings of up to 4095 pixels for
// 12-bit codes): a huge screen in a small file is forged and would only cost memory.
constexpr int64_t kAlwaysPlausiblePixels = int64_t{16} << 20;
constexpr int64_t kMaxPixelsPerByte = 2731;

bool plausibleScreen(int width, int height, size_t file_size) {
  const int64_t pixels = int64_t{width} * height;
  return pixels <= kAlwaysPlausiblePixels ||
         pixels / kMaxPixelsPerByte <= static_cast<int64_t>(file_size);
}

ColourMap copyMap(const ColorMapObject& map) {
  ColourMap out(static_cast<size_t>(std::clamp(map.ColorCount, 0, 256)));
  for (size_t i = 0; i < out.size(); ++i)
    out[i] = Rgb{map.Colors[i].Red, map.Colors[i].Green, map.Colors[i].Blue};
  return out;
}

}  // namespace

Reader::~Reader() {
  if (gif_) DGifCloseFile(gif_, nullptr);
}

int Reader::readBytes(GifFileType* gif, uint8_t* buffer, int length) {
  auto* self = static_cast<Reader*>(gif->UserData);
  if (length <= 0) return 0;
  const size_t n = std::min(static_cast<size_t>(length), self->file_.size() - self->position_);
  if (n) std::memcpy(buffer, self->file_.data() + self->position_, n);
  self->position_ += n;
  return static_cast<int>(n);
}

int Reader::open(Bytes file) {
  file_ = file;
  position_ = 0;
  int error = 0;
  gif_ = DGifOpen(this, readBytes, &error);
  if (!gif_) return IGE_INVALID_FILE_HEADER;
  width_ = gif_->SWidth;
  height_ = gif_->SHeight;
  if (!dimensionsAllowed(width_, height_) || !plausibleScreen(width_, height_, file.size()))
    return IGE_INVALID_FILE_HEADER;
  if (gif_->SColorMap) global_ = copyMap(*gif_->SColorMap);
  background_ = gif_->SBackGroundColor;
  return 0;
}

// Keeps the graphic control block (the next image's delay, transparency and disposal);
// other extensions are skipped. A control block of the wrong size is ignored.
int Reader::readExtension(Frame& frame) {
  int code = 0;
  GifByteType* block = nullptr;
  if (DGifGetExtension(gif_, &code, &block) == GIF_ERROR) return IGE_INVALID_FILE_HEADER;
  bool first = true;
  while (block) {
    GraphicsControlBlock gcb;
    if (first && code == GRAPHICS_EXT_FUNC_CODE &&
        DGifExtensionToGCB(block[0], block + 1, &gcb) == GIF_OK) {
      frame.disposal = gcb.DisposalMode;
      frame.delay_cs = gcb.DelayTime;
      frame.transparent = gcb.TransparentColor;
    }
    first = false;
    if (DGifGetExtensionNext(gif_, &block) == GIF_ERROR) return IGE_INVALID_FILE_HEADER;
  }
  return 0;
}

int Reader::next(Frame& frame) {
  frame = Frame{};
  for (;;) {
    GifRecordType type = UNDEFINED_RECORD_TYPE;
    // A stream that stops, or turns to junk, between two records has simply no more
    // images: many files lack the trailer.
    if (DGifGetRecordType(gif_, &type) == GIF_ERROR || type == TERMINATE_RECORD_TYPE) return 0;
    if (type == EXTENSION_RECORD_TYPE) {
      if (int rc = readExtension(frame); rc != 0) return rc;
      continue;
    }
    if (type != IMAGE_DESC_RECORD_TYPE) return 0;
    if (DGifGetImageDesc(gif_) == GIF_ERROR) return IGE_INVALID_FILE_HEADER;
    const GifImageDesc& desc = gif_->Image;
    if (!dimensionsAllowed(desc.Width, desc.Height)) return IGE_INVALID_FILE_HEADER;
    const ColorMapObject* map = desc.ColorMap ? desc.ColorMap : gif_->SColorMap;
    if (!map || map->ColorCount < 1) return IGE_INVALID_FILE_HEADER;
    frame.left = desc.Left;
    frame.top = desc.Top;
    frame.width = desc.Width;
    frame.height = desc.Height;
    frame.interlaced = desc.Interlace;
    frame.map = map == gif_->SColorMap ? global_ : copyMap(*map);
    // An index the map does not hold marks nothing: such pixels read as entry 0 anyway.
    if (frame.transparent >= static_cast<int>(frame.map.size())) frame.transparent = -1;
    return 1;
  }
}

int Reader::skipPixels() {
  int code_size = 0;
  GifByteType* block = nullptr;
  if (DGifGetCode(gif_, &code_size, &block) == GIF_ERROR) return IGE_INVALID_FILE_HEADER;
  while (block)
    if (DGifGetCodeNext(gif_, &block) == GIF_ERROR) return IGE_INVALID_FILE_HEADER;
  return 0;
}

int Reader::readRow(uint8_t* pixels, int width) {
  return DGifGetLine(gif_, pixels, width) == GIF_ERROR ? IGE_INVALID_FILE_HEADER : 0;
}

}  // namespace ov::gif
