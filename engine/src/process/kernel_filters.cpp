// The filters that are one fixed kernel: smooth, sharpen, box blur and emboss.
#include <cmath>

#include "ovengine/ov_errors.h"
#include "process/convolve.h"
#include "process/effects.h"
#include "process/filters.h"

namespace ov {

int smoothImage(Dib& image, const OV_RECT& rect, int passes, Progress& progress) {
  const Kernel kernel = Kernel::fromVectors(3, {1, 2, 1}, {1, 2, 1}, 16);
  const int64_t rows = rect.bottom - rect.top + 1;
  for (int pass = 0; pass < passes; ++pass)
    if (int rc = convolve(image, rect, kernel, RowForm::kAsIs, progress, pass * rows); rc != 0)
      return rc;
  return IGE_SUCCESS;
}

int sharpenImage(Dib& image, const OV_RECT& rect, int factor, Progress& progress) {
  Kernel kernel;
  kernel.size = 3;
  kernel.weights.fill(0);
  for (int i = 0; i < 9; ++i) kernel.weights[i] = -factor;
  kernel.weights[4] = 16 + 8 * factor;
  kernel.divisor = 16;
  return convolve(image, rect, kernel, RowForm::kAsIs, progress);
}

int blurImage(Dib& image, const OV_RECT& rect, int size, Progress& progress) {
  const Kernel kernel = Kernel::fromVectors(size, {1, 1, 1, 1, 1}, {1, 1, 1, 1, 1}, size * size);
  return convolve(image, rect, kernel, RowForm::kAsIs, progress);
}

int embossImage(Dib& image, const OV_RECT& rect, double depth, int direction, Progress& progress) {
  const Step d = compassStep(direction);
  const auto weight = static_cast<int32_t>(std::lround(depth * 256));
  Kernel kernel;
  kernel.size = 3;
  kernel.weights[(1 - d.dy) * 3 + (1 - d.dx)] = weight;
  kernel.weights[(1 + d.dy) * 3 + (1 + d.dx)] = -weight;
  kernel.divisor = 256;
  kernel.bias = 128;
  return convolve(image, rect, kernel, RowForm::kLuminance, progress);
}

}  // namespace ov
