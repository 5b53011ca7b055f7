#include "core/progress.h"

#include <algorithm>
#include <atomic>

namespace ov {
namespace {

std::atomic<OV_STATUS_CB> g_callback{nullptr};
std::atomic<int32_t*> g_counter{nullptr};

}  // namespace

void registerProgress(OV_STATUS_CB callback, int32_t* counter) {
  g_callback = callback;
  g_counter = counter;
}

Progress::Progress() : callback_(g_callback.load()), counter_(g_counter.load()) {}

void Progress::start(int64_t units) {
  if (started_) return;
  started_ = true;
  units_ = std::max<int64_t>(units, 1);
  if (callback_) total_ = static_cast<int32_t>(std::min<int64_t>(units_, kMaxCalls));
}

Progress::~Progress() {
  // The routine treats the call with counter == total as the last one; it must come.
  if (!cancelled_)
    while (calls_ < total_) call();
}

bool Progress::call() {
  ++calls_;
  if (!callback_(counter_, total_)) {
    cancelled_ = true;
    return false;
  }
  return true;
}

bool Progress::advanceTo(int64_t done) {
  if (cancelled_) return false;
  if (!callback_ || !started_) return true;
  done = std::clamp<int64_t>(done, 0, units_);
  // Call i (1-based) is due once done >= i * units / total.
  while (calls_ < total_ && done * total_ >= static_cast<int64_t>(calls_ + 1) * units_)
    if (!call()) return false;
  return true;
}

}  // namespace ov
