// Buffered, seekable writer over a file descriptor that remembers the first write error.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ov {

class FileSink {
 public:
  explicit FileSink(int fd) : fd_(fd) { buffer_.reserve(kBufferSize); }
  FileSink(const FileSink&) = delete;
  FileSink& operator=(const FileSink&) = delete;

  bool write(const void* data, size_t size);
  bool put8(uint8_t v) { return write(&v, 1); }
  bool put16le(uint16_t v);
  bool put32le(uint32_t v);
  // Flushes, then moves the file position.
  bool seek(int64_t position);
  int64_t tell() const { return position_ + static_cast<int64_t>(buffer_.size()); }
  bool flush();
  bool failed() const { return failed_; }
  int fd() const { return fd_; }

 private:
  static constexpr size_t kBufferSize = 1 << 16;
  int fd_;
  int64_t position_ = 0;  // file position of buffer_[0]
  std::vector<uint8_t> buffer_;
  bool failed_ = false;
};

}  // namespace ov
