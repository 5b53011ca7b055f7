#include "resample_filters.h"

#include <cmath>
#include <numbers>

namespace rfx {
namespace {

double nearest(double x) { return x > -0.5 && x <= 0.5 ? 1.0 : 0.0; }

double bilinear(double x) {
  const double a = std::fabs(x);
  return a < 1 ? 1 - a : 0;
}

double hermite(double x) {
  const double a = std::fabs(x);
  return a < 1 ? (2 * a - 3) * a * a + 1 : 0;
}

double bell(double x) {
  const double a = std::fabs(x);
  if (a < 0.5) return 0.75 - a * a;
  if (a < 1.5) return 0.5 * (a - 1.5) * (a - 1.5);
  return 0;
}

double bspline(double x) {
  const double a = std::fabs(x);
  if (a < 1) return a * a * a / 2 - a * a + 2.0 / 3.0;
  if (a < 2) return (2 - a) * (2 - a) * (2 - a) / 6;
  return 0;
}

double sinc(double t) {
  if (t == 0) return 1;
  const double p = std::numbers::pi * t;
  return std::sin(p) / p;
}

double lanczos3(double x) {
  const double a = std::fabs(x);
  return a < 3 ? sinc(a) * sinc(a / 3) : 0;
}

double mitchell(double x) {
  const double a = std::fabs(x);
  if (a < 1) return (7 * a * a * a - 12 * a * a + 16.0 / 3.0) / 6;
  if (a < 2) return (-(7.0 / 3.0) * a * a * a + 12 * a * a - 20 * a + 32.0 / 3.0) / 6;
  return 0;
}

}  // namespace

ResampleFilter resampleFilter(uint32_t number) {
  switch (number) {
    case 0: return {nearest, 0.5};
    case 1: return {bilinear, 1.0};
    case 2: return {hermite, 1.0};
    case 3: return {bell, 1.5};
    case 5: return {lanczos3, 3.0};
    case 6: return {mitchell, 2.0};
    default: return {bspline, 2.0};
  }
}

}  // namespace rfx
