// The library's progress routine: one for all tools, called with a whole percentage.
#pragma once

#include "rasterfx32/rasterfx32.h"

namespace rfx {

RFX_PROGRESS_CB progressCallback();
void setProgressCallback(RFX_PROGRESS_CB callback);

// Long operations grow a percentage by 100 / steps per step and report it, truncated, on
// every step whose index within its loop is divisible by 10; they report 0 when done.
class StepProgress {
 public:
  explicit StepProgress(double total_steps) : increment_(100.0 / total_steps) {}
  // Counts step `index` of the current loop; false when the routine asks to stop.
  bool step(long index) {
    percent_ += increment_;
    if (index % 10 != 0) return true;
    const RFX_PROGRESS_CB cb = progressCallback();
    return !cb || cb(static_cast<int32_t>(percent_)) != 0;
  }
  static void finish() {
    if (const RFX_PROGRESS_CB cb = progressCallback()) cb(0);
  }

 private:
  double increment_;
  double percent_ = 0;
};

}  // namespace rfx
