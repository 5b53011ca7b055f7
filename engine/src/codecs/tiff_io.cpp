#include "codecs/tiff_io.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstring>

#include "ovengine/ov_errors.h"

namespace ov::tiff {
namespace {

// Above this libtiff refuses to allocate; the codec sizes its own buffers separately.
constexpr tmsize_t kMaxLibtiffAlloc = tmsize_t{1} << 30;

// Returning non-zero keeps libtiff from passing the message on to its global handlers,
// which print to stderr.
int quietHandler(TIFF*, void*, const char*, const char*, va_list) {
  return 1;
}

TiffPtr openClient(const char* mode, thandle_t handle, TIFFReadWriteProc read,
                   TIFFReadWriteProc write, TIFFSeekProc seek, TIFFSizeProc size,
                   TIFFMapFileProc map, TIFFUnmapFileProc unmap) {
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  if (!options) return nullptr;
  TIFFOpenOptionsSetMaxSingleMemAlloc(options, kMaxLibtiffAlloc);
  TIFFOpenOptionsSetErrorHandlerExtR(options, quietHandler, nullptr);
  TIFFOpenOptionsSetWarningHandlerExtR(options, quietHandler, nullptr);
  TIFF* tif = TIFFClientOpenExt(
      "ovengine", mode, handle, read, write, seek, [](thandle_t) { return 0; }, size, map, unmap,
      options);
  TIFFOpenOptionsFree(options);
  return TiffPtr(tif);
}

// Moves a stream position as lseek would; -1 for a position before the start.
toff_t seekTo(uint64_t& pos, uint64_t end, toff_t offset, int whence) {
  int64_t from = 0;
  if (whence == SEEK_CUR)
    from = static_cast<int64_t>(pos);
  else if (whence == SEEK_END)
    from = static_cast<int64_t>(end);
  else if (whence != SEEK_SET)
    return static_cast<toff_t>(-1);
  // libtiff passes negative relative offsets as wrapped unsigned values.
  int64_t target = 0;
  if (__builtin_add_overflow(from, static_cast<int64_t>(offset), &target) || target < 0)
    return static_cast<toff_t>(-1);
  pos = static_cast<uint64_t>(target);
  return pos;
}

// Memory reader procs.

using MemStream = MemoryReader::Stream;

tmsize_t memRead(thandle_t h, void* buf, tmsize_t size) {
  auto* s = static_cast<MemStream*>(h);
  if (size <= 0 || s->pos >= s->data.size()) return 0;
  const size_t n =
      std::min(static_cast<size_t>(size), static_cast<size_t>(s->data.size() - s->pos));
  std::memcpy(buf, s->data.data() + s->pos, n);
  s->pos += n;
  return static_cast<tmsize_t>(n);
}

tmsize_t memWrite(thandle_t, void*, tmsize_t) {
  return -1;
}

toff_t memSeek(thandle_t h, toff_t offset, int whence) {
  auto* s = static_cast<MemStream*>(h);
  return seekTo(s->pos, s->data.size(), offset, whence);
}

toff_t memSize(thandle_t h) {
  return static_cast<MemStream*>(h)->data.size();
}

// libtiff reads strips straight from the view; it never writes through a read-only mapping.
int memMap(thandle_t h, void** base, toff_t* size) {
  auto* s = static_cast<MemStream*>(h);
  if (s->data.empty()) return 0;
  *base = const_cast<uint8_t*>(s->data.data());
  *size = s->data.size();
  return 1;
}

void memUnmap(thandle_t, void*, toff_t) {}

// Descriptor writer procs.

using FdStream = FdWriter::Stream;

tmsize_t fdRead(thandle_t h, void* buf, tmsize_t size) {
  auto* s = static_cast<FdStream*>(h);
  if (size <= 0) return 0;
  ssize_t n;
  do {
    n = pread(s->fd, buf, static_cast<size_t>(size), static_cast<off_t>(s->base + s->pos));
  } while (n < 0 && errno == EINTR);
  if (n < 0) return -1;
  s->pos += static_cast<uint64_t>(n);
  return n;
}

tmsize_t fdWrite(thandle_t h, void* buf, tmsize_t size) {
  auto* s = static_cast<FdStream*>(h);
  const auto* p = static_cast<const uint8_t*>(buf);
  tmsize_t done = 0;
  while (done < size) {
    const ssize_t n = pwrite(s->fd, p + done, static_cast<size_t>(size - done),
                             static_cast<off_t>(s->base + s->pos));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      s->failed = true;
      return -1;
    }
    done += n;
    s->pos += static_cast<uint64_t>(n);
  }
  s->end = std::max(s->end, s->pos);
  return done;
}

toff_t fdSeek(thandle_t h, toff_t offset, int whence) {
  auto* s = static_cast<FdStream*>(h);
  return seekTo(s->pos, s->end, offset, whence);
}

toff_t fdSize(thandle_t h) {
  return static_cast<FdStream*>(h)->end;
}

int noMap(thandle_t, void**, toff_t*) {
  return 0;
}
void noUnmap(thandle_t, void*, toff_t) {}

}  // namespace

MemoryReader::MemoryReader(Bytes file) : stream_{file, 0} {
  if (file.size() < 8) return;  // not even a header
  tif_ = openClient("r", &stream_, memRead, memWrite, memSeek, memSize, memMap, memUnmap);
}

FdWriter::FdWriter(int fd, int64_t base, const char* mode) : stream_{fd, base} {
  tif_ = openClient(mode, &stream_, fdRead, fdWrite, fdSeek, fdSize, noMap, noUnmap);
}

int FdWriter::close() {
  if (!tif_) return IGE_FILE_WRITE_ERROR;
  // TIFFFlush writes a pending directory; its result is the last chance to see a failure.
  const bool flushed = TIFFFlush(tif_.get()) != 0;
  tif_.reset();
  return flushed && !stream_.failed ? 0 : IGE_FILE_WRITE_ERROR;
}

}  // namespace ov::tiff
