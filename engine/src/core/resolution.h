// Resolution conversions. Images keep pixels per metre; files mostly speak dots per inch.
// Rounding is chosen so that whole dpi survive a round trip (300 dpi <-> 11811 ppm).
#pragma once

#include <cmath>
#include <cstdint>

namespace ov {

inline int32_t dpiToPpm(double dpi) {
  const double ppm = dpi * 10000.0 / 254.0;
  return std::isfinite(ppm) && ppm > 0 && ppm < INT32_MAX ? static_cast<int32_t>(std::lround(ppm)) : 0;
}

inline int32_t dpcmToPpm(double dpcm) { return dpiToPpm(dpcm * 2.54); }

// Whole dots per inch, rounded half up; 0 for none.
inline int32_t ppmToDpi(int32_t ppm) {
  return ppm > 0 ? static_cast<int32_t>((static_cast<int64_t>(ppm) * 254 + 5000) / 10000) : 0;
}

}  // namespace ov
