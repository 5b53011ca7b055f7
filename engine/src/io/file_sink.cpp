#include "io/file_sink.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace ov {

bool FileSink::write(const void* data, size_t size) {
  if (failed_) return false;
  const auto* p = static_cast<const uint8_t*>(data);
  if (buffer_.size() + size > kBufferSize) {
    if (!flush()) return false;
    if (size >= kBufferSize) {  // large blocks go straight out
      while (size > 0) {
        const ssize_t n = pwrite(fd_, p, size, position_);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return !(failed_ = true);
        p += n;
        size -= static_cast<size_t>(n);
        position_ += n;
      }
      return true;
    }
  }
  buffer_.insert(buffer_.end(), p, p + size);
  return true;
}

bool FileSink::put16le(uint16_t v) {
  const uint8_t b[2] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)};
  return write(b, 2);
}

bool FileSink::put32le(uint32_t v) {
  const uint8_t b[4] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8),
                        static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 24)};
  return write(b, 4);
}

bool FileSink::flush() {
  if (failed_) return false;
  size_t done = 0;
  while (done < buffer_.size()) {
    const ssize_t n = pwrite(fd_, buffer_.data() + done, buffer_.size() - done,
                             position_ + static_cast<int64_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return !(failed_ = true);
    done += static_cast<size_t>(n);
  }
  position_ += static_cast<int64_t>(buffer_.size());
  buffer_.clear();
  return true;
}

bool FileSink::seek(int64_t position) {
  if (!flush()) return false;
  position_ = position;
  return true;
}

}  // namespace ov
