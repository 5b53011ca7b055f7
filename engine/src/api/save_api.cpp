#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <map>
#include <mutex>

#include "codecs/codec.h"
#include "core/error_list.h"
#include "core/image_table.h"
#include "io/atomic_file.h"
#include "ovengine/ovengine.h"

using namespace ov;

namespace {

std::atomic<int> g_jpeg_quality{90};
std::mutex g_controls_mutex;
std::map<int32_t, int32_t> g_controls;

// Resolves the save code to a codec that can write; 0 or an error code.
int writerFor(int32_t save_code, const Codec*& codec, SaveOptions& options) {
  const int format = save_code & 0xFFFF;
  codec = codecForFormat(format);
  if (!codec || !codec->canSave()) return IGE_FORMAT_NOT_WRITABLE;
  options.compression = (static_cast<uint32_t>(save_code) >> 16) & 0xFFFF;
  options.jpeg_quality = g_jpeg_quality;
  return 0;
}

// Copies the whole content of `from` over `to`, then cuts `to` to that length.
int copyBack(int from, int to) {
  struct stat st {};
  if (fstat(from, &st) != 0) return IGE_FILE_WRITE_ERROR;
  const size_t size = static_cast<size_t>(st.st_size);
  std::vector<uint8_t> buf(1 << 16);
  size_t done = 0;
  while (done < size) {
    const ssize_t n = pread(from, buf.data(), std::min(buf.size(), size - done), static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return IGE_FILE_WRITE_ERROR;
    size_t put = 0;
    while (put < static_cast<size_t>(n)) {
      const ssize_t m = pwrite(to, buf.data() + put, static_cast<size_t>(n) - put, static_cast<off_t>(done + put));
      if (m < 0 && errno == EINTR) continue;
      if (m <= 0) return IGE_FILE_WRITE_ERROR;
      put += static_cast<size_t>(m);
    }
    done += static_cast<size_t>(n);
  }
  if (ftruncate(to, static_cast<off_t>(size)) != 0) return IGE_FILE_WRITE_ERROR;
  return 0;
}

}  // namespace

extern "C" {

OV_ERRCOUNT IG_save_file(OV_IMAGE image, const char* file_name, int32_t save_code) {
  ErrorScope err("save");
  const ImageRecord* rec = findImage(image);
  if (!rec) return err.fail(IGE_INVALID_IMAGE, __LINE__);
  if (!file_name || !*file_name) return err.fail(IGE_INVALID_ARGUMENT, __LINE__);
  const Codec* codec = nullptr;
  SaveOptions options;
  if (int rc = writerFor(save_code, codec, options); rc != 0) return err.fail(rc, __LINE__);
  AtomicFile file(file_name);
  if (int rc = file.open(); rc != 0) return err.fail(rc, __LINE__);
  {
    Progress progress;
    FileSink sink(file.fd());
    if (int rc = codec->save(rec->dib, rec->attributes, options, progress, sink); rc != 0) return err.fail(rc, __LINE__);
    if (progress.cancelled()) return err.fail(IGE_CANCELLED, __LINE__);
    if (!sink.flush()) return err.fail(IGE_FILE_WRITE_ERROR, __LINE__);
  }
  return err.result(file.commit(), __LINE__);
}

OV_ERRCOUNT IG_save_FD(OV_IMAGE image, int fd, int32_t page, int32_t /*reserved*/,
                       int32_t save_code) {
  ErrorScope err("save");
  const ImageRecord* rec = findImage(image);
  if (!rec) return err.fail(IGE_INVALID_IMAGE, __LINE__);
  if (fd < 0) return err.fail(IGE_CANNOT_OPEN_FILE, __LINE__);
  const Codec* codec = nullptr;
  SaveOptions options;
  if (int rc = writerFor(save_code, codec, options); rc != 0) return err.fail(rc, __LINE__);
  // The new file is built aside, so a failure leaves the descriptor's file as it was.
  const int temp = memfd_create("ovengine-save", MFD_CLOEXEC);
  if (temp < 0) return err.fail(IGE_OUT_OF_MEMORY, __LINE__);
  int rc;
  {
    MappedFile existing;
    rc = existing.open(fd, 0);
    if (rc == 0) {
      Progress progress;
      FileSink sink(temp);
      rc = codec->savePage(existing.bytes(), page < 1 ? 1 : page, rec->dib, rec->attributes,
                           options, progress, sink);
      if (rc == 0 && progress.cancelled()) rc = IGE_CANCELLED;
      if (rc == 0 && !sink.flush()) rc = IGE_FILE_WRITE_ERROR;
    }
  }
  if (rc == 0) rc = copyBack(temp, fd);
  ::close(temp);
  return err.result(rc, __LINE__);
}

OV_ERRCOUNT IG_save_JPEG_quality_set(int32_t quality) {
  g_jpeg_quality = std::clamp(quality, 1, 100);
  return 0;
}

OV_ERRCOUNT IG_image_control_set(int32_t option, int32_t value) {
  if (option == IG_CONTROL_JPEG_QUALITY) return IG_save_JPEG_quality_set(value);
  std::lock_guard lock(g_controls_mutex);
  g_controls[option] = value;
  return 0;
}

OV_ERRCOUNT IG_image_control_get(int32_t option, int32_t* value) {
  if (!value) return 1;
  if (option == IG_CONTROL_JPEG_QUALITY) {
    *value = g_jpeg_quality;
    return 0;
  }
  std::lock_guard lock(g_controls_mutex);
  auto it = g_controls.find(option);
  *value = it == g_controls.end() ? 0 : it->second;
  return 0;
}

}  // extern "C"
