#include <string>

#include "codecs/codec.h"
#include "codecs/jpeg_reduced.h"
#include "core/error_list.h"
#include "core/image_table.h"
#include "core/limits.h"
#include "ovengine/ovengine.h"

using namespace ov;

namespace {

int pageInfo(Bytes file, int page, int32_t* format, int32_t* compression, OV_IMAGE_INFO* info) {
  const Codec* codec = detectCodec(file);
  if (!codec) return IGE_INVALID_FILE_HEADER;
  PageInfo p;
  if (int rc = codec->info(file, page < 1 ? 1 : page, p); rc != 0) return rc;
  if (!dimensionsAllowed(p.width, p.height)) return IGE_INVALID_FILE_HEADER;
  if (format) *format = codec->format();
  if (compression) *compression = p.compression;
  if (info) {
    info->width = p.width;
    info->height = p.height;
    info->bits_per_pixel = static_cast<int16_t>(p.bits_per_pixel);
    info->planes = 1;
    info->image_size =
        static_cast<uint32_t>(Dib::strideFor(p.width, p.bits_per_pixel) * static_cast<size_t>(p.height));
    info->x_pixels_per_metre = p.x_ppm;
    info->y_pixels_per_metre = p.y_ppm;
  }
  return 0;
}

int loadPage(Bytes file, int page, OV_IMAGE* image) {
  if (!image) return IGE_INVALID_ARGUMENT;
  const Codec* codec = detectCodec(file);
  if (!codec) return IGE_INVALID_FILE_HEADER;
  Dib dib;
  ImageAttributes attributes;
  {
    Progress progress;
    if (int rc = codec->load(file, page < 1 ? 1 : page, progress, dib, attributes); rc != 0)
      return rc;
    if (progress.cancelled()) return IGE_CANCELLED;
  }
  if (dib.empty()) return IGE_INVALID_FILE_HEADER;
  *image = addImage(std::move(dib), attributes);
  return *image ? 0 : IGE_OUT_OF_MEMORY;
}

}  // namespace

extern "C" {

OV_ERRCOUNT IG_info_get(const char* file_name, int32_t* format, int32_t* compression,
                        OV_IMAGE_INFO* info) {
  ErrorScope err("load");
  if (!file_name) return err.fail(IGE_INVALID_ARGUMENT, __LINE__);
  MappedFile file;
  if (int rc = file.open(file_name); rc != 0) return err.fail(rc, __LINE__);
  return err.result(pageInfo(file.bytes(), 1, format, compression, info), __LINE__);
}

OV_ERRCOUNT IG_info_get_FD(int fd, int32_t offset, int32_t page, int32_t* format,
                           int32_t* compression, OV_IMAGE_INFO* info) {
  ErrorScope err("load");
  MappedFile file;
  if (int rc = file.open(fd, offset); rc != 0) return err.fail(rc, __LINE__);
  return err.result(pageInfo(file.bytes(), page, format, compression, info), __LINE__);
}

OV_ERRCOUNT IG_page_count_get_FD(int fd, int32_t offset, int32_t* count) {
  ErrorScope err("load");
  if (!count) return err.fail(IGE_INVALID_ARGUMENT, __LINE__);
  MappedFile file;
  if (int rc = file.open(fd, offset); rc != 0) return err.fail(rc, __LINE__);
  const Codec* codec = detectCodec(file.bytes());
  if (!codec) return err.fail(IGE_INVALID_FILE_HEADER, __LINE__);
  int n = 0;
  if (int rc = codec->pageCount(file.bytes(), n); rc != 0) return err.fail(rc, __LINE__);
  *count = n;
  return 0;
}

OV_ERRCOUNT IG_load_file(const char* file_name, OV_IMAGE* image) {
  ErrorScope err("load");
  if (!file_name) return err.fail(IGE_INVALID_ARGUMENT, __LINE__);
  MappedFile file;
  if (int rc = file.open(file_name); rc != 0) return err.fail(rc, __LINE__);
  return err.result(loadPage(file.bytes(), 1, image), __LINE__);
}

OV_ERRCOUNT IG_load_FD(int fd, int32_t offset, int32_t page, OV_IMAGE* image) {
  ErrorScope err("load");
  MappedFile file;
  if (int rc = file.open(fd, offset); rc != 0) return err.fail(rc, __LINE__);
  return err.result(loadPage(file.bytes(), page, image), __LINE__);
}

OV_ERRCOUNT OV_load_memory(const void* data, uint32_t size, int32_t page, OV_IMAGE* image) {
  ErrorScope err("load");
  if (!data && size) return err.fail(IGE_INVALID_ARGUMENT, __LINE__);
  return err.result(loadPage(Bytes(static_cast<const uint8_t*>(data), size), page, image), __LINE__);
}

OV_ERRCOUNT OV_load_file_reduced(const char* file_name, int32_t min_width, int32_t min_height,
                                 OV_IMAGE* image) {
  ErrorScope err("load");
  if (!file_name || !image || min_width < 1 || min_height < 1)
    return err.fail(IGE_INVALID_ARGUMENT, __LINE__);
  MappedFile file;
  if (int rc = file.open(file_name); rc != 0) return err.fail(rc, __LINE__);
  const Codec* codec = detectCodec(file.bytes());
  if (codec != &jpegCodec()) return err.result(loadPage(file.bytes(), 1, image), __LINE__);
  Dib dib;
  {
    Progress progress;
    if (int rc = loadJpegReduced(file.bytes(), min_width, min_height, progress, dib); rc != 0)
      return err.fail(rc, __LINE__);
    if (progress.cancelled()) return err.fail(IGE_CANCELLED, __LINE__);
  }
  *image = addImage(std::move(dib));
  return *image ? 0 : err.fail(IGE_OUT_OF_MEMORY, __LINE__);
}

OV_ERRCOUNT IG_load_auto_detect_set(int32_t format, OV_BOOL on) {
  setAutoDetect(format, on != 0);
  return 0;
}

OV_ERRCOUNT IG_load_tag_CB_register(OV_TAG_CB, void*) { return 0; }

}  // extern "C"
