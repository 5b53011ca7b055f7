// Size limits that keep a hostile header from taking the machine's memory.
#pragma once

#include <cstdint>

namespace ov {

inline constexpr int64_t kMaxSide = 65535;
inline constexpr int64_t kMaxPixels = 1'000'000'000;

inline bool dimensionsAllowed(int64_t width, int64_t height) {
  return width >= 1 && height >= 1 && width <= kMaxSide && height <= kMaxSide &&
         width * height <= kMaxPixels;
}

}  // namespace ov
