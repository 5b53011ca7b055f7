// The blend of a pixel towards a colour shared by the brushes and the masks.
#pragma once

#include <cmath>
#include <cstdint>

namespace rfx {

// a moved towards b by t (0..1) of the distance, the step rounded half to even.
inline uint8_t blendChannel(uint8_t a, uint8_t b, double t) {
  if (b >= a) return static_cast<uint8_t>(a + std::nearbyint(t * (b - a)));
  return static_cast<uint8_t>(a - std::nearbyint(t * (a - b)));
}

// B,G,R pixel towards B,G,R colour.
inline void blendPixel(uint8_t* pixel, const uint8_t* colour, double t) {
  for (int c = 0; c < 3; ++c) pixel[c] = blendChannel(pixel[c], colour[c], t);
}

}  // namespace rfx
