// How an image is shown, kept with the image; none of it changes the pixels.
#pragma once

#include <array>
#include <cstdint>

namespace ov {

struct DisplayState {
  // Colour remap applied when painting (a live preview of a colour change).
  bool lut_on = false;
  std::array<uint8_t, 256> lut_red{}, lut_green{}, lut_blue{};
};

}  // namespace ov
