// Read-only view of a whole file (or of an open descriptor from an offset), memory-mapped
// when possible so that decoders read straight from the page cache.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace ov {

using Bytes = std::span<const uint8_t>;

class MappedFile {
 public:
  MappedFile() = default;
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;
  ~MappedFile();

  // 0 or an engine error code (IGE_CANNOT_OPEN_FILE, IGE_FILE_READ_ERROR).
  int open(const std::string& path);
  int open(int fd, int64_t offset);

  Bytes bytes() const { return {data_, size_}; }

 private:
  int map(int fd, int64_t offset);

  const uint8_t* data_ = nullptr;
  size_t size_ = 0;
  void* mapping_ = nullptr;
  size_t mapping_size_ = 0;
  std::vector<uint8_t> copy_;  // for descriptors that cannot be mapped (pipes)
};

}  // namespace ov
