// TMemory: an owned, zero-filled memory block and its size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace rfx {

class TMemory {
 public:
  TMemory() = default;
  explicit TMemory(long size) { setSize(size); }
  TMemory(const TMemory&) = delete;
  TMemory& operator=(const TMemory&) = delete;
  ~TMemory() { std::free(data_); }

  // A positive size allocates (or grows, keeping the content) a zero-filled block; failure
  // keeps the old block and returns false. Zero or less frees it.
  bool setSize(long size) {
    if (size <= 0) {
      std::free(data_);
      data_ = nullptr;
      size_ = 0;
      return true;
    }
    auto* grown = static_cast<uint8_t*>(std::realloc(data_, static_cast<size_t>(size)));
    if (!grown) return false;
    if (size > size_) std::memset(grown + size_, 0, static_cast<size_t>(size - size_));
    data_ = grown;
    size_ = size;
    return true;
  }
  void zero() {
    if (data_) std::memset(data_, 0, static_cast<size_t>(size_));
  }
  uint8_t* data() { return data_; }
  const uint8_t* data() const { return data_; }
  long size() const { return size_; }

 private:
  uint8_t* data_ = nullptr;
  long size_ = 0;
};

}  // namespace rfx
