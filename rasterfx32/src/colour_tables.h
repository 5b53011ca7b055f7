// Lookup tables of the colour balance (shadows, midtones, highlights on three colour axes)
// followed by the brightness and contrast curve.
#pragma once

#include <array>
#include <cstdint>

namespace rfx {

using Lut = std::array<uint8_t, 256>;

struct ColourBalanceValues {
  // [axis][range]: axis 0 cyan-red, 1 magenta-green, 2 yellow-blue; range 0 shadows,
  // 1 midtones, 2 highlights. -100..100.
  double balance[3][3] = {};
  int32_t contrast = 0;    // -127..127
  int32_t brightness = 0;  // -127..127
};

// Red, green and blue tables for the values.
std::array<Lut, 3> colourBalanceTables(ColourBalanceValues& values);

}  // namespace rfx
