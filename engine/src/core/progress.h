// Progress reporting for one engine operation. The registered routine is called exactly
// `total` times per operation, whatever happens: an operation that ends early (an error)
// makes the remaining calls when the Progress goes out of scope, so the routine's own
// counter always comes back to its start. A routine that returns 0 cancels the operation.
#pragma once

#include <cstdint>

#include "ovengine/ov_types.h"

namespace ov {

void registerProgress(OV_STATUS_CB callback, int32_t* counter);

class Progress {
 public:
  // An operation that has not started yet; the routine is not called until start().
  Progress();
  // Work inside another operation that reports for it: never calls the routine.
  struct Silent {};
  explicit Progress(Silent) : callback_(nullptr), counter_(nullptr) {}
  explicit Progress(int64_t units) : Progress() { start(units); }
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;
  ~Progress();

  // `units` is the operation's own measure of work (rows, bytes); it is mapped onto at most
  // kMaxCalls routine calls. Only the first start() of an operation counts.
  void start(int64_t units);
  // Reports that `done` of the units are finished. Returns false once the routine cancelled.
  bool advanceTo(int64_t done);
  bool cancelled() const { return cancelled_; }
  // False when no routine is registered, so nothing can cancel the operation.
  bool canCancel() const { return callback_ != nullptr; }

  static constexpr int32_t kMaxCalls = 100;

 private:
  bool call();

  OV_STATUS_CB callback_;
  int32_t* counter_;
  int64_t units_ = 1;
  bool started_ = false;
  int32_t total_ = 0;
  int32_t calls_ = 0;
  bool cancelled_ = false;
};

}  // namespace ov
