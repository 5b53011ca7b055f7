// Reconstruction filters of the resampling: kernel and support.
#pragma once

#include <cstdint>

namespace rfx {

struct ResampleFilter {
  double (*kernel)(double x);
  double support;
};

// 0 nearest, 1 bilinear, 2 Hermite, 3 bell, 5 Lanczos 3, 6 Mitchell; 4 and any other number
// the cubic B-spline.
ResampleFilter resampleFilter(uint32_t number);

}  // namespace rfx
