// The filter calls (IG_IP_smooth, _sharpen, _median).
#include "ovengine/ov_process.h"
#include "process/filter_call.h"
#include "process/filters.h"

using namespace ov;

extern "C" {

OV_ERRCOUNT IG_IP_smooth(OV_IMAGE image, const OV_RECT* rect, int32_t factor) {
  return runOnRect(
      image, rect, within(factor, 1, 4), Depths::kFilter, factor,
      [factor](Dib& dib, const OV_RECT& r, Progress& p) { return smoothImage(dib, r, factor, p); },
      __LINE__);
}

OV_ERRCOUNT IG_IP_sharpen(OV_IMAGE image, const OV_RECT* rect, int32_t factor) {
  return runOnRect(
      image, rect, within(factor, 1, 5), Depths::kFilter, 1,
      [factor](Dib& dib, const OV_RECT& r, Progress& p) { return sharpenImage(dib, r, factor, p); },
      __LINE__);
}

OV_ERRCOUNT IG_IP_median(OV_IMAGE image, const OV_RECT* rect, int32_t width, int32_t height) {
  return runOnRect(
      image, rect, within(width, 1, 10) && within(height, 1, 10), Depths::kThroughColours, 1,
      [=](Dib& dib, const OV_RECT& r, Progress& p) {
        return medianImage(dib, r, width, height, p);
      },
      __LINE__);
}

}  // extern "C"
